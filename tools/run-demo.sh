#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs, builds and starts azelmon on its embedded defaults: the simulated board and the tracker
# (src/tracker, installed as azelmon-tracker) on the session bus, following the sample LEO of
# data/demo.tle over Tokyo from a moment in one of its passes (the tracker's clock starts there). Without a display the program runs under Xvfb
# for a short demo and a screenshot is saved to screenshots/demo.png.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
# Only what building and running need, and only the three programs: the tests are tools/run-tests.sh's.
bash tools/install-deps.sh run
# Without GoogleTest the test folders cannot even be configured; with it (after tools/run-tests.sh)
# they stay configured in build/ and are simply not built here.
tests=OFF
dpkg-query -W -f='${Status}' libgtest-dev 2>/dev/null | grep -q "install ok installed" && tests=ON
TARGETS="azelmon azelmon-tracker boardsim" bash tools/build.sh build -DAZELMON_BUILD_TESTS=$tests

# Settings of the demo stay in the build folder, never in the user's configuration.
export AZELMON_CONFIG_DIR=${AZELMON_CONFIG_DIR:-$root/build/demo-config}
mkdir -p "$AZELMON_CONFIG_DIR"
workdir="$root/build/demo-run"
mkdir -p "$workdir"
cp -f "$root"/data/cntmap.bmp "$root"/data/*.wav "$workdir"/
rm -rf "$workdir/help" && cp -r "$root/data/help" "$workdir/help"
[ -f "$root/data/azelmon.csv" ] && [ ! -f "$workdir/azelmon.csv" ] && cp "$root/data/azelmon.csv" "$workdir/"

if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
    exec dbus-run-session -- bash "$0" --inside-bus "$@"
fi
[ "${1:-}" = "--inside-bus" ] && shift

# A real element set's pass: rises 02:22:28 UTC in the north-west, 30 degrees at 02:27:43, sets 02:32:56.
"$root/build/src/tracker/azelmon-tracker" --tle "$root/data/demo.tle" --satellite "DEMO-LEO (ISS-LIKE)" \
    --observer 35.68,139.77,40 --time "${AZELMON_DEMO_TIME:-2026-12-07T02:25:30Z}" &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
sleep 1

cd "$workdir"
if [ -n "${DISPLAY:-}" ] && [ "${AZELMON_DEMO_HEADLESS:-0}" != 1 ]; then
    "$root/build/src/app/azelmon" "$@"
else
    mkdir -p "$root/screenshots"
    seconds=${AZELMON_DEMO_SECONDS:-12}
    xvfb-run -a -s "-screen 0 1024x640x24" bash -c '
        "$0" "${@:4}" &
        app=$!
        sleep "$1"
        import -window root "$2"
        kill -TERM $app 2>/dev/null
        wait $app
        echo "azelmon exited with status $?; screenshot: $2"
    ' "$root/build/src/app/azelmon" "$seconds" "$root/screenshots/demo.png" unused "$@"
fi
