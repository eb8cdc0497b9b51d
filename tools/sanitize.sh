#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The whole test suite under AddressSanitizer + UndefinedBehaviorSanitizer, in build-asan/ (or $1).
# Exit status is CTest's.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-asan}
BUILD_TYPE=${BUILD_TYPE:-Debug} bash tools/build.sh "$dir" -DAZELMON_SANITIZE=ON
export QT_QPA_PLATFORM=offscreen
# No strict_string_checks: libxcb legitimately strndup()s buffers without a terminating NUL, which that
# option reports as an overflow as soon as the program runs on a real X server (the AT-SPI test).
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tools/lsan.supp:print_suppressions=0}
cd "$dir"
ctest --output-on-failure --timeout 300 -j 2
