#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshot of the settings dialog (with the tracker serving a sample satellite) over the simulated board (azimuth 120°, elevation 10°), with the
# board's TCP port set beside its address, taken under Xvfb on a private session bus into
# docs/settingsdialog.png (or the folder given). Needs a build in build/, xvfb-run, xdotool,
# ImageMagick and a Japanese font.
set -euo pipefail
[ -n "${TRACE:-}" ] && set -x
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs}
if [ -z "${INSIDE:-}" ]; then
    INSIDE=1 exec dbus-run-session -- xvfb-run -a -s "-screen 0 1400x900x24" bash "$0" "$@"
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export AZELMON_CONFIG_DIR=$work/config
mkdir -p "$AZELMON_CONFIG_DIR" "$work/run"
cp "$root"/data/cntmap.bmp "$root"/data/*.wav "$work/run/"
cp "$root/data/demo.tle" "$AZELMON_CONFIG_DIR/elements.tle"
printf '[STATION]\r\nLOCATION=35.68,139.77,40\r\n[TRACKER]\r\nTLE=%s\r\nSATELLITE=90001\r\n[BOARD_MAP]\r\nPORT=1502\r\n' \
    "$AZELMON_CONFIG_DIR/elements.tle" >"$AZELMON_CONFIG_DIR/rotorcfg.ini"
"${AZELMON_TRACKER:-$root/build/src/tracker/azelmon-tracker}" --from-settings 2>"$work/tracker.log" &
tracker=$!
sleep 1
cd "$work/run"
"$root/build/src/app/azelmon" --board sim --sim-az 120 --sim-el 10 2>"$work/azelmon.log" &
app=$!
sleep 6
win=$(xdotool search --onlyvisible --name "アゼルモン" | head -1)
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus "$win" || true
# The first item of 設定(S): 補正値の設定.
xdotool key alt+s; sleep 0.5
xdotool key Return; sleep 1
dlg=$(xdotool search --onlyvisible --name "設定（ＩＮＩファイル）" | head -1)
xdotool windowmove "$dlg" 0 0 || true
# The live voltages appear at the dialog's first reading (every 2 s).
sleep 3
geometry=$(xdotool getwindowgeometry --shell "$dlg")
width=$(sed -n 's/^WIDTH=//p' <<<"$geometry")
height=$(sed -n 's/^HEIGHT=//p' <<<"$geometry")
import -window root -crop "${width}x${height}+0+0" +repage "$out/settingsdialog.png"
kill $app
wait $app || true
kill $tracker
wait $tracker || true
tail -5 "$work/azelmon.log"
