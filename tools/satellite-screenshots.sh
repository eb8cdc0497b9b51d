#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Screenshots of the satellite dialog and of the coming passes with a track on the map, taken under
# Xvfb on a private session bus with the sample element sets (data/demo.tle) over Tokyo, into
# docs/satellitedialog.png and docs/passes.png (or the folder given). Needs a build in build/,
# xvfb-run, xdotool, ImageMagick and a Japanese font.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/docs}
if [ -z "${INSIDE:-}" ]; then
    INSIDE=1 exec dbus-run-session -- xvfb-run -a -s "-screen 0 1400x760x24" bash "$0" "$@"
fi
work=$(mktemp -d)
export TZ=Asia/Tokyo
export AZELMON_CONFIG_DIR=$work/config
mkdir -p "$AZELMON_CONFIG_DIR" "$work/run"
cp "$root"/data/cntmap.bmp "$root"/data/*.wav "$work/run/"
ini=$AZELMON_CONFIG_DIR/rotorcfg.ini
printf '[STATION]\r\nLOCATION=35.68,139.77,40\r\n' > "$ini"
# Run 1: nothing chosen, the element sets as a download left them: the dialog opens by itself.
cp "$root/data/demo.tle" "$AZELMON_CONFIG_DIR/elements.tle"
"$root/build/src/tracker/azelmon-tracker" --from-settings 2>"$work/tracker1.log" &
tracker=$!
sleep 1
cd "$work/run"
"$root/build/src/app/azelmon" 2>"$work/azelmon1.log" &
app=$!
sleep 4
xdotool search --name "追跡衛星の選択" windowmove 20 20 || true
sleep 1
xdotool type --delay 50 "DEMO" || true
sleep 1
import -window root "$work/first-start.png"
kill $app; wait $app || true
kill $tracker; wait $tracker || true
# Run 2: two satellites chosen; the passes window with the first pass drawn.
printf '[TRACKER]\r\nTLE=%s\r\nSATELLITE=90001;90002\r\n' "$AZELMON_CONFIG_DIR/elements.tle" >> "$ini"
"$root/build/src/tracker/azelmon-tracker" --from-settings 2>"$work/tracker2.log" &
tracker=$!
sleep 1
"$root/build/src/app/azelmon" 2>"$work/azelmon2.log" &
app=$!
sleep 5
win=$(xdotool search --name "アゼルモン" | head -1)
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus "$win" || true
xdotool key alt+s; sleep 0.5
for i in 1 2 3; do xdotool key Down; sleep 0.2; done
xdotool key Return; sleep 2
xdotool search --name "追跡衛星の選択" windowmove 20 20 || true
sleep 1
import -window root -crop 1002x515+0+15 +repage "$out/satellitedialog.png"
dlg=$(xdotool search --name "追跡衛星の選択" | head -1)
xdotool windowfocus "$dlg" || true; sleep 0.3
xdotool key Escape; sleep 1
xdotool windowactivate --sync "$win" 2>/dev/null || xdotool windowfocus "$win" || true
xdotool key alt+s; sleep 0.5
for i in 1 2 3 4; do xdotool key Down; sleep 0.2; done
xdotool key Return; sleep 2
xdotool search --name "衛星の通過予定" windowmove 0 420 || true
sleep 0.5
pw=$(xdotool search --name "衛星の通過予定" | head -1)
xdotool windowfocus "$pw" || true
sleep 1.5
import -window root -crop 1002x730+0+30 +repage "$out/passes.png"
kill $app; wait $app || true
kill $tracker; wait $tracker || true
cat "$work"/*.log | tail -20
rm -rf "$work"
