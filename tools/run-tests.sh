#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs, builds and runs every test headless: the test suite, the same suite under AddressSanitizer
# and UndefinedBehaviorSanitizer (build-asan/), short fuzz runs (when clang is there) and the short
# fault soak. Every stage runs even when an earlier one failed; the exit status is non-zero when any
# failed, and the closing lines say which.
set -uo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh test || exit 1
bash tools/build.sh build -DAZELMON_BUILD_TESTS=ON || exit 1

results=()
failed=0
stage() { # name command...
    local name=$1 start=$SECONDS
    shift
    echo "=== $name"
    if "$@"; then
        results+=("$name: passed ($((SECONDS - start)) s)")
    else
        results+=("$name: FAILED ($((SECONDS - start)) s)")
        failed=1
    fi
}
ordinary_tests() (
    export QT_QPA_PLATFORM=offscreen
    cd build && ctest --output-on-failure --timeout 120 -j 2 2>&1 | tee ../build/ctest-summary.log
)
stage "tests" ordinary_tests
stage "tests under sanitizers" bash tools/sanitize.sh build-asan
stage "fuzz smoke" bash tools/fuzz-smoke.sh
stage "fault soak" bash tools/soak.sh

echo "=== summary"
printf '%s\n' "${results[@]}"
# The ordinary suite's CTest summary closes the output.
echo
grep -E "tests passed|tests failed out of|Total Test time" build/ctest-summary.log | tail -2
exit $failed
