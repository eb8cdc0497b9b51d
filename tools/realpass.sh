#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One real ISS pass followed in real time, end to end: the built azelmon (offscreen, started in
# automatic mode) on boardsim over Modbus TCP (rotator physics: 6°/s azimuth, 3°/s elevation, end stops
# at the travel), the tracker serving the pass's time from data/passes.tle, pass following set in
# [TRACKING]. The pass record azelmon writes gives the pointing error; boardsim's log the relay
# switch-ons. Loopback and a private session bus only.
#
#   bash tools/realpass.sh [overhead|zenith|north|low|high] [EL_TRAVEL] [AZ_TRAVEL]
#
# Defaults: overhead, 90, 360 (no travel keys). A run lasts the pass plus three minutes before AOS
# (the pre-positioning's two and one of approach): 13-14 minutes. Uses build/ (BUILD_DIR overrides).
# Prints the record's median, 95th percentile and largest error and the switch-ons a minute; with
# REALPASS_KEEP=1 the files stay.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD_DIR:-build}
pass=${1:-overhead}
elTravel=${2:-90}
azTravel=${3:-360}

case $pass in
overhead) aos=1639946038 ;; # culminates at 83.9°, 225.5° -> 49.1°
zenith) aos=1640482440 ;;   # 89.7°, 311.5° -> 133.0°
north) aos=1638758868 ;;    # crosses north
low) aos=1638753082 ;;
high) aos=1638925968 ;;
*)
    echo "realpass: unknown pass $pass"
    exit 2
    ;;
esac

azelmon=$root/$build/src/app/azelmon
boardsim=$root/$build/tools/boardsim/boardsim
tracker=$root/$build/src/tracker/azelmon-tracker
for f in "$azelmon" "$boardsim" "$tracker"; do
    [[ -x $f ]] || { echo "realpass: $f missing (build first)"; exit 1; }
done

work=$(mktemp -d /tmp/azelmon-realpass.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    [[ -n ${REALPASS_KEEP:-} ]] && echo "realpass: files kept in $work" || rm -rf "$work"
}
trap cleanup EXIT

start=$((aos - 180))
iso() { date -u -d "@$1" +%FT%TZ; }
observer=35.68,139.77,40
los=$("$tracker" --tle data/passes.tle --satellite "ISS (ZARYA)" --observer "$observer" --time "$(iso "$start")" \
    --passes 1 2>/dev/null | awk 'NR == 3 { print $5 " " $6 }')
[[ -n $los ]] || { echo "realpass: no pass found"; exit 1; }
length=$(($(date -u -d "$los" +%s) - start + 20))
echo "realpass: $pass pass, EL_TRAVEL=$elTravel AZ_TRAVEL=$azTravel, served from $(iso "$start"), ${length} s"

eval "$(dbus-launch --sh-syntax)"
pids+=("$DBUS_SESSION_BUS_PID")

"$boardsim" --port 0 --az 0 --el 0 --az-travel "$azTravel" --el-travel "$elTravel" \
    >"$work/board.out" 2>"$work/board.err" &
pids+=($!)
for _ in $(seq 50); do grep -qs '^listening on' "$work/board.out" && break; sleep 0.1; done
port=$(sed -n 's/^listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$work/board.out")
[[ -n $port ]] || { echo "realpass: boardsim did not start"; exit 1; }

mkdir -p "$work/run"
cp data/azelmon.csv data/cntmap.bmp "$work/run/"
{
    printf '%s\r\n' '[TCP/IP]' 'IP=127.0.0.1' '[HOUI]' 'HKITEN=0' '[DELAY_TIME]' 'DELAY=0' 'DELAY_SW=0' \
        '[VPOSITION]' 'VHOSEIKAKU=0' 'VVOLT0=0' 'VVOLT90=2.5' 'V-RANGE=0,90' \
        '[HPOSITION]' 'HHOSEIKAKU=0' 'HVOLT0=0' 'HVOLT360=5' 'H-RANGE=0,360' \
        '[GOSATABLE]' 'HGOSA=1' 'VGOSA=1' 'HGOSA_D=5' 'VGOSA_D=5' '[MOTOR]' 'H_MOTOR=1' 'V_MOTOR=1' \
        '[STATION]' "LOCATION=$observer" '[TRACKER]' "TLE=$root/data/passes.tle" 'SATELLITE=ISS (ZARYA)' \
        '[TRACKING]' 'LEAD=1' 'PREPOSITION=1'
    ((elTravel != 90)) && printf '%s\r\n' "EL_TRAVEL=$elTravel"
    ((azTravel != 360)) && printf '%s\r\n' "AZ_TRAVEL=$azTravel"
} >"$work/run/rotorcfg.ini"
# A 450° azimuth must be readable: 5 V at 450°.
((azTravel > 360)) && sed -i "s/^HVOLT360=5/HVOLT360=$(awk -v t="$azTravel" 'BEGIN { printf "%.3f", 5 * 360 / t }')/" \
    "$work/run/rotorcfg.ini"

# As Calsat32, which sends the time of its positions: the plan follows that time, not the clock.
"$tracker" --topic calsat --tle data/passes.tle --satellite "ISS (ZARYA)" --observer "$observer" --time "$(iso "$start")" \
    >"$work/tracker.log" 2>&1 &
pids+=($!)
sleep 1
(cd "$work/run" && QT_QPA_PLATFORM=offscreen AZELMON_START_AUTOMATIC=1 AZELMON_CONFIG_DIR=$work/run \
    AZELMON_INSTANCE_NAME=azelmon-realpass-$$ AZELMON_TRACE=$work/trace.log \
    exec "$azelmon" --board modbus --modbus-port "$port" >"$work/azelmon.log" 2>&1) &
app=$!
pids+=($app)
sleep "$length"
kill -TERM "$app"
wait "$app"

record=$(ls "$work/run"/azelmon_pass_*.csv 2>/dev/null | head -n1)
[[ -n $record ]] || { echo "realpass: no pass record written"; exit 1; }
python3 - "$record" "$work/board.out" "$length" <<'EOF'
import statistics, sys
lines = open(sys.argv[1], encoding="cp932").read().splitlines()[1:]
errors = sorted(float(l.split(",")[-1]) for l in lines if l)
seconds = float(lines[-1].split(",")[2]) if lines else 0
p95 = errors[min(len(errors) - 1, int(round(0.95 * (len(errors) - 1))))]
ons = sum(1 for l in open(sys.argv[2]) if l.startswith("relay ") and l.split()[2] == "1")
print("realpass: %d samples over %.0f s: median %.2f°, p95 %.2f°, max %.2f°; relay switch-ons %.1f a minute of the run"
      % (len(errors), seconds, statistics.median(errors), p95, errors[-1], ons / (float(sys.argv[3]) / 60)))
EOF
