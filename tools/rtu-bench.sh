#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One tracking cycle's board calls (2 reads + 4 writes) over Modbus RTU at 9600 and 115200 baud,
# measured on a socat pty pair against boardsim, which paces its answers at the line's speed (a pty
# has no speed of its own). Uses build/ (BUILD_DIR overrides); needs socat.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
cycles=${CYCLES:-50}
cmake --build "$build" --target boardsim rtubench >/dev/null
work=$(mktemp -d /tmp/azelmon-rtubench.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for baud in ${BAUDS:-9600 115200}; do
    rm -f "$work/board" "$work/program"
    socat pty,raw,echo=0,link="$work/board" pty,raw,echo=0,link="$work/program" 2>/dev/null &
    pids+=($!)
    until [[ -e $work/board && -e $work/program ]]; do sleep 0.05; done
    printf '[BOARD_MAP]\r\nTRANSPORT=RTU\r\nBAUD=%s\r\n' "$baud" >"$work/rotorcfg.ini"
    "$build/tools/boardsim/boardsim" --port 0 --map "$work/rotorcfg.ini" --device "$work/board" \
        >/dev/null 2>"$work/boardsim.err" &
    pids+=($!)
    until grep -q "Modbus RTU on" "$work/boardsim.err"; do sleep 0.05; done
    "$build/tools/rtubench/rtubench" "$work/program" "$baud" "$cycles"
done
