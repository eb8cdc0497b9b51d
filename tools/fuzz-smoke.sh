#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Short libFuzzer runs of every fuzz target (clang, AddressSanitizer + UndefinedBehaviorSanitizer).
#
#   bash tools/fuzz-smoke.sh              20 s a target (CI)
#   FUZZ_SECONDS=600 bash tools/fuzz-smoke.sh    longer runs by hand
#
# Builds into build-fuzz/ (FUZZ_BUILD_DIR overrides). New inputs go to build-fuzz/fuzz-corpus/<target>;
# a crash leaves build-fuzz/fuzz-artifacts/<target>-crash-*: copy it into tests/fuzz/corpus/<target>/
# so the ordinary test run replays it from then on. Exit status 1 when any target failed.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${FUZZ_BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-20}

if ! command -v clang++ >/dev/null; then
    echo "fuzz-smoke: clang++ is not installed (tools/install-deps.sh); skipped"
    exit 0
fi
CC=clang CXX=clang++ cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DAZELMON_FUZZ=ON >/dev/null
targets=$(cmake --build "$dir" --target help | sed -n 's/^\(fuzz_[a-z_]*\):.*/\1/p' | grep -v autogen | sort -u)
# shellcheck disable=SC2086
cmake --build "$dir" -j "$(nproc)" --target $targets

set +e
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export QT_QPA_PLATFORM=offscreen
failed=0
printf '%-22s %10s %8s %8s %s\n' target runs cov ft result
for target in $targets; do
    name=${target#fuzz_}
    scratch=$dir/fuzz-corpus/$name
    mkdir -p "$scratch" "$dir/fuzz-artifacts"
    log=$dir/fuzz-artifacts/$name.log
    result=ok
    if ! "$dir/tests/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$dir/fuzz-artifacts/$name-" \
        "$scratch" "tests/fuzz/corpus/$name" >"$log" 2>&1; then
        result=FAILED
        failed=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n1 | cut -d' ' -f2)
    ft=$(grep -o 'ft: [0-9]*' "$log" | tail -n1 | cut -d' ' -f2)
    printf '%-22s %10s %8s %8s %s\n' "$name" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$result"
    if [[ $result != ok ]]; then
        grep -m1 -A30 -E 'ERROR|fuzz check failed|runtime error' "$log" || tail -n 30 "$log"
    fi
done
exit $failed
