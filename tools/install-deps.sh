#!/usr/bin/env bash
# Installs what azelmon needs to build, run and test on Debian 12. Run as root.
set -euo pipefail
packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-multimedia-dev libqt6opengl6-dev libgl-dev
    libmodbus-dev libnova-dev libgtest-dev libgmock-dev libbenchmark-dev
    dbus dbus-x11 xvfb xauth imagemagick fonts-ipafont-gothic python3-pyatspi at-spi2-core strace socat
    gstreamer1.0-plugins-base libhamlib-utils python3-sgp4 python3-ephem
    clang clang-format libclang-rt-14-dev xdotool valgrind
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
