#!/usr/bin/env bash
# Installs, builds and runs every test headless. Ends with CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install-deps.sh
bash tools/build.sh build
export QT_QPA_PLATFORM=offscreen
cd build
ctest --output-on-failure --timeout 120 -j 2
