#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Configures and builds azelmon into build/ (or the folder given as $1); further arguments go to cmake.
# TARGETS="a b" builds only those targets (tools/run-demo.sh: the program, the tracker, the emulator).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
if [ -n "${TARGETS:-}" ]; then
    # shellcheck disable=SC2086 # a list of target names
    cmake --build "$dir" -j "$(nproc)" --target $TARGETS
else
    cmake --build "$dir" -j "$(nproc)"
fi
