#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what azelmon needs on Debian 12. Run as root.
#   bash tools/install-deps.sh run    what building and running the program, the tracker and the board
#                                     emulator need (tools/run-demo.sh)
#   bash tools/install-deps.sh [test] that and what the tests need: GoogleTest, the sanitizer and fuzz
#                                     compilers, the reference programs and the accessibility stack
#                                     (tools/run-tests.sh)
set -euo pipefail
run_packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-multimedia-dev libqt6opengl6-dev libgl-dev
    libmodbus-dev libnova-dev
    dbus dbus-x11 xvfb xauth imagemagick fonts-ipafont-gothic gstreamer1.0-plugins-base
)
test_packages=(
    libgtest-dev libgmock-dev libbenchmark-dev
    python3-pyatspi at-spi2-core strace socat
    libhamlib-utils python3-sgp4 python3-ephem
    clang clang-format libclang-rt-14-dev xdotool valgrind
)
case "${1:-test}" in
run) packages=("${run_packages[@]}") ;;
test) packages=("${run_packages[@]}" "${test_packages[@]}") ;;
*) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
