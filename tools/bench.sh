#!/usr/bin/env bash
# Whole-program benchmark: the real azelmon under Xvfb tracking a pass of the sample LEO served by the
# tracker (tools/trackserver on data/demo.tle),
# once with the simulated board and once with tools/boardsim over Modbus TCP.
#   - start-up: launch to the first drawn main window (xdotool sees it mapped), seconds;
#   - CPU: utime+stime over BENCH_SECONDS (60) of automatic tracking, as a share of one core;
#   - memory: peak (VmHWM) and steady (VmRSS at the end) resident set, MB;
#   - instructions per second of automatic tracking, whole process, under callgrind (repeatable on a
#     noisy machine, unlike CPU time), and per tracking cycle.
# Uses build/ (BUILD_DIR overrides; a RelWithDebInfo build is what the figures are for).
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD_DIR:-build}
seconds=${BENCH_SECONDS:-60}
azelmon=$root/$build/src/app/azelmon
boardsim=$root/$build/tools/boardsim/boardsim
trackserver=$root/$build/tools/trackserver/trackserver

work=$(mktemp -d /tmp/azelmon-bench.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

display=
for n in $(seq 121 150); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    display=:$n
    break
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
until xdotool getmouselocation >/dev/null 2>&1; do sleep 0.1; done
dbus-daemon --session --nofork --print-address=3 3>"$work/bus" >/dev/null 2>&1 &
pids+=($!)
until [[ -s $work/bus ]]; do sleep 0.1; done
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
# The tracker on a real element set, its clock in one of the sample LEO's passes.
"$trackserver" --bus "$DBUS_SESSION_BUS_ADDRESS" --tle "$root/data/demo.tle" --satellite 90001 \
    --observer 35.68,139.77,40 --time 2026-12-07T02:24:00Z >/dev/null 2>&1 &
tracker=$!
pids+=($tracker)
until dbus-send --session --print-reply --dest=dde.ORBI /EXTRN dde.Topic.Request string:TEXT1 >/dev/null 2>&1; do
    sleep 0.1
done

menu_bar=${BENCH_MENU_BAR:-24}
# prepare CONFIG RUN: the settings with the board on loopback; the data files in the working folder.
prepare() {
    mkdir -p "$1" "$2"
    printf '[TCP/IP]\r\nIP=127.0.0.1\r\n' >"$1/rotorcfg.ini"
    cp "$root"/data/azelmon.csv "$root"/data/cntmap.bmp "$root"/data/*.wav "$2/" 2>/dev/null
}
window_of() { xdotool search --onlyvisible --class azelmon 2>/dev/null | head -n1; }
click_auto() { xdotool mousemove --window "$1" 97 $((247 + menu_bar)) click 1; }

# run LABEL [azelmon arguments...]: prints one line of figures.
run() {
    local label=$1
    shift
    local cfg=$work/cfg-$label
    prepare "$cfg" "$work/run-$label"
    local t0 t1 pid window
    t0=$(date +%s.%N)
    (cd "$work/run-$label" && AZELMON_CONFIG_DIR=$cfg AZELMON_INSTANCE_NAME=azelmon-bench-$$-$label \
        exec "$azelmon" "$@" >"$work/$label.log" 2>&1) &
    pid=$!
    pids+=($pid)
    until window=$(window_of) && [[ -n $window ]]; do sleep 0.01; done
    t1=$(date +%s.%N)
    sleep 5
    click_auto "$window"
    sleep 5
    local ticks=$(getconf CLK_TCK) c0 c1 s0 s1
    read -r c0 s0 < <(awk '{print $14 + $15, $15}' "/proc/$pid/stat")
    t_c0=$(awk '{print $14 + $15}' "/proc/$tracker/stat")
    sleep "$seconds"
    read -r c1 s1 < <(awk '{print $14 + $15, $15}' "/proc/$pid/stat")
    t_c1=$(awk '{print $14 + $15}' "/proc/$tracker/stat")
    local hwm rss
    hwm=$(awk '/VmHWM/{print $2}' "/proc/$pid/status")
    rss=$(awk '/VmRSS/{print $2}' "/proc/$pid/status")
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null
    awk -v l="$label" -v s="$t1" -v b="$t0" -v c0="$c0" -v c1="$c1" -v s0="$s0" -v s1="$s1" -v hz="$ticks" \
        -v n="$seconds" -v hwm="$hwm" -v rss="$rss" 'BEGIN {
            printf "%-8s start-up %.2f s   CPU %.2f %% of one core (system %.2f %%)   RSS peak %.1f MB, steady %.1f MB\n",
                   l, s - b, (c1 - c0) / hz / n * 100, (s1 - s0) / hz / n * 100, hwm / 1024, rss / 1024 }'
    awk -v l="$label" -v c0="$t_c0" -v c1="$t_c1" -v hz="$ticks" -v n="$seconds" 'BEGIN {
            printf "%-8s tracker CPU %.3f %% of one core while serving azelmon\n", l, (c1 - c0) / hz / n * 100 }'
}

# cycle LABEL [azelmon arguments...]: instructions of the whole process per second of automatic
# tracking under callgrind (counted from 10 s after "自動" for BENCH_CG_SECONDS, 30 by default), and
# per tracking cycle. The cycle's work is spread over the tick, the data server's answers and the
# repaints that follow, so the whole process is counted, not one function. The profile is kept in
# $BENCH_PROFILE_DIR when that is set (callgrind_annotate --inclusive=yes reads it).
cycle() {
    local label=$1
    shift
    local cfg=$work/cfg-cg-$label cg_seconds=${BENCH_CG_SECONDS:-30}
    prepare "$cfg" "$work/cg-$label"
    (cd "$work/cg-$label" && AZELMON_CONFIG_DIR=$cfg AZELMON_INSTANCE_NAME=azelmon-cg-$$-$label \
        AZELMON_TRACE=$work/cg-$label/trace exec valgrind --tool=callgrind \
        --callgrind-out-file="$work/cg-$label/out" "$azelmon" "$@" >"$work/cg-$label.log" 2>&1) &
    local pid=$! window
    pids+=($pid)
    until window=$(window_of) && [[ -n $window ]]; do sleep 0.2; done
    sleep 10
    click_auto "$window"
    sleep 10
    callgrind_control -z "$pid" >/dev/null
    local first last
    first=$(grep -c ' cycle ' "$work/cg-$label/trace")
    sleep "$cg_seconds"
    callgrind_control -d "$pid" >/dev/null
    last=$(grep -c ' cycle ' "$work/cg-$label/trace")
    kill -TERM "$pid"
    wait "$pid" 2>/dev/null
    local dump
    dump=$(ls "$work/cg-$label"/out.* 2>/dev/null | head -n1)
    if [[ -z $dump ]]; then
        printf '%-8s no profile was collected\n' "$label"
        return
    fi
    [[ -n ${BENCH_PROFILE_DIR:-} ]] && mkdir -p "$BENCH_PROFILE_DIR" && cp "$dump" "$BENCH_PROFILE_DIR/$label.callgrind"
    sed -n 's/^summary: *//p;s/^totals: *//p' "$dump" | head -n1 | awk '{print $1}' |
        awk -v l="$label" -v s="$cg_seconds" -v c=$((last - first)) '{
            printf "%-8s tracking: %.2f M instructions per second, %.2f M per cycle (%d cycles in %d s)\n",
                   l, $1 / s / 1e6, (c > 0 ? $1 / c / 1e6 : 0), c, s }'
}

# Starts a board emulator and sets $port. Not in a command substitution: the emulator's pid must reach
# the clean-up list of this shell, or it would outlive the benchmark.
start_board() {
    "$boardsim" --port 0 --az 100 --el 5 >"$work/board-$1.out" 2>/dev/null &
    pids+=($!)
    until grep -q '^listening on' "$work/board-$1.out" 2>/dev/null; do sleep 0.1; done
    port=$(sed -n 's/^listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$work/board-$1.out")
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
# --profile: only the callgrind count on the simulated board; --cpu: only the CPU and memory run on it
# (for before/after comparisons; BUILD_DIR chooses the build).
case ${1:-} in
--profile)
    cycle sim --board sim --sim-az 100 --sim-el 5
    exit 0
    ;;
--cpu)
    run sim --board sim --sim-az 100 --sim-el 5
    exit 0
    ;;
esac
run sim --board sim --sim-az 100 --sim-el 5
start_board run
run modbus --board modbus --modbus-port "$port"
if command -v valgrind >/dev/null && [[ -z ${BENCH_NO_CALLGRIND:-} ]]; then
    cycle sim --board sim --sim-az 100 --sim-el 5
    start_board cg
    cycle modbus --board modbus --modbus-port "$port"
fi
