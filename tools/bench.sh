#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Whole-program benchmark: the real azelmon under Xvfb tracking a pass of the sample LEO served by the
# tracker (src/tracker on data/demo.tle),
# once with the simulated board and once with tools/boardsim over Modbus TCP.
#   - start-up: launch to the first drawn main window (xdotool sees it mapped), seconds;
#   - CPU: utime+stime over BENCH_SECONDS (60) of automatic tracking, as a share of one core;
#   - memory: peak (VmHWM) and steady (VmRSS at the end) resident set, MB;
#   - instructions per second of automatic tracking, whole process, under callgrind (repeatable on a
#     noisy machine, unlike CPU time), and per tracking cycle.
# Uses build/ (BUILD_DIR overrides; a RelWithDebInfo build is what the figures are for).
#
# --compare: azelmon + tracker + boardsim (over Modbus TCP) against gpredict 2.3 + Hamlib's rotctld -m 1
# under the same Xvfb, each following a pass of the sample LEO of the same shape (see measure_azelmon
# and measure_reference below), BENCH_RUNS (3) runs, medians; then the rotctld endpoint's latency
# against Hamlib's.
# Installs nothing: without gpredict or rotctld that part is skipped.
set -uo pipefail
cd "$(dirname "$0")/.." || exit 1
root=$PWD
build=${BUILD_DIR:-build}
seconds=${BENCH_SECONDS:-60}
azelmon=$root/$build/src/app/azelmon
boardsim=$root/$build/tools/boardsim/boardsim
tracker_bin=$root/$build/src/tracker/azelmon-tracker
for f in "$azelmon" "$boardsim" "$tracker_bin"; do
    [[ -x $f ]] || { echo "bench: $f missing (build first)"; exit 1; }
done

work=$(mktemp -d /tmp/azelmon-bench.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    if [[ -n ${BENCH_KEEP:-} ]]; then
        echo "kept $work"
    else
        rm -rf "$work"
    fi
}
trap cleanup EXIT

mode=${1:-}
# The comparison puts gpredict's main window and its Antenna Control right of azelmon's place.
screen=1024x768x24
[[ $mode == --compare ]] && screen=1920x1200x24
display=
first=121
[[ $mode == --compare ]] && first=151
for n in $(seq "$first" $((first + 29))); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    display=:$n
    break
done
Xvfb "$display" -screen 0 "$screen" -nolisten tcp >/dev/null 2>&1 &
pids+=("$!")
export DISPLAY=$display
until xdotool getmouselocation >/dev/null 2>&1; do sleep 0.1; done
dbus-daemon --session --nofork --print-address=3 3>"$work/bus" >/dev/null 2>&1 &
pids+=("$!")
until [[ -s $work/bus ]]; do sleep 0.1; done
DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
export DBUS_SESSION_BUS_ADDRESS
# start_tracker [tracker arguments...]: the tracker on the sample element set, serving 90001;
# a tracker started before is stopped first (one name on the bus). The path is $tracker_bin, the running
# one's process id $tracker_pid.
tracker_pid=
start_tracker() {
    if [[ -n $tracker_pid ]]; then
        kill -TERM "$tracker_pid" 2>/dev/null
        wait "$tracker_pid" 2>/dev/null
    fi
    "$tracker_bin" --bus "$DBUS_SESSION_BUS_ADDRESS" --tle "$root/data/demo.tle" --satellite 90001 "$@" \
        >/dev/null 2>&1 &
    tracker_pid=$!
    pids+=("$tracker_pid")
    until dbus-send --session --print-reply --dest=dde.ORBI /EXTRN dde.Topic.Request string:TEXT1 >/dev/null 2>&1; do
        sleep 0.1
    done
}

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
    pids+=("$pid")
    until window=$(window_of) && [[ -n $window ]]; do sleep 0.01; done
    t1=$(date +%s.%N)
    sleep 5
    click_auto "$window"
    sleep 5
    local ticks c0 c1 s0 s1
    ticks=$(getconf CLK_TCK)
    read -r c0 s0 < <(awk '{print $14 + $15, $15}' "/proc/$pid/stat")
    t_c0=$(awk '{print $14 + $15}' "/proc/$tracker_pid/stat")
    sleep "$seconds"
    read -r c1 s1 < <(awk '{print $14 + $15, $15}' "/proc/$pid/stat")
    t_c1=$(awk '{print $14 + $15}' "/proc/$tracker_pid/stat")
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
    pids+=("$pid")
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
    dump=$(find "$work/cg-$label" -maxdepth 1 -name 'out.*' | head -n1)
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

# Starts a board emulator and sets $board_port and $board_pid. Not in a command substitution: the
# emulator's pid must reach the clean-up list of this shell, or it would outlive the benchmark.
start_board() {
    "$boardsim" --port 0 --az 100 --el 5 >"$work/board-$1.out" 2>/dev/null &
    board_pid=$!
    pids+=("$board_pid")
    until grep -q '^listening on' "$work/board-$1.out" 2>/dev/null; do sleep 0.1; done
    board_port=$(sed -n 's/^listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$work/board-$1.out")
}

# --compare ---------------------------------------------------------------------------------------------
# The reference is gpredict 2.3 with a rotator definition pointing at Hamlib's rotctld -m 1 (the dummy
# rotator), its Antenna Control open, the satellite selected, Track and Engage on: the stack that azelmon
# plus its data server replace. Each measurement places a ground station beside the sample LEO's ground
# track so that a pass of about 55 degrees culminates in its middle (gpredict keeps the real clock); the
# tracker gets the same station and the real clock, so both stacks follow passes of the same shape.
# gpredict gets a HOME and XDG_CONFIG_HOME of its own in the run's folder, written by
# tools/gpredict-reference/configure.py (TLE updates off, nothing but the bench module), and runs with
# rotctld in a network namespace of their own when unshare can make one: loopback only.
sgp4_python=/usr/bin/python3

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat" 2>/dev/null || echo 0; }
rss_kb() { awk '/VmRSS/{print $2}' "/proc/$1/status" 2>/dev/null || echo 0; }
set_pos_count() {
    local n
    n=$(grep -c 'rot_set_position called' "$1" 2>/dev/null)
    echo "${n:-0}"
}
free_port() {
    python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
# wait_window NAME_REGEX SECONDS: prints the first visible window whose name matches.
wait_window() {
    local end=$((SECONDS + $2)) w
    while ((SECONDS < end)); do
        w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)
        [[ -n $w ]] && echo "$w" && return 0
        sleep 0.2
    done
    return 1
}
stop_pid() {
    [[ -n ${1:-} ]] || return 0
    kill -TERM "$1" 2>/dev/null
    wait "$1" 2>/dev/null
}

# start_reference DIR PORT: rotctld -m 1 on 127.0.0.1:PORT logging each command (-vvvv; -vvv does
# not log set_pos in Hamlib 4.5) and gpredict on the configuration in DIR; sets gpredict_pid and
# rotctld_pid.
start_reference() {
    local dir=$1 port=$2
    # shellcheck disable=SC2016 # expanded by the inner shell
    local inner='ip link set lo up 2>/dev/null
        rotctld -m 1 -T 127.0.0.1 -t "$2" -vvvv >"$1/rotctld.log" 2>&1 &
        echo $! >"$1/rotctld.pid"
        exec gpredict >"$1/gpredict.log" 2>&1'
    (
        export HOME=$dir/home XDG_CONFIG_HOME=$dir/config XDG_CACHE_HOME=$dir/home/.cache \
            XDG_DATA_HOME=$dir/home/.local/share NO_AT_BRIDGE=1 GSETTINGS_BACKEND=memory \
            DBUS_SESSION_BUS_ADDRESS=unix:path=$dir/no-bus
        mkdir -p "$HOME"
        if ((netns)); then
            exec unshare -n bash -c "$inner" reference "$dir" "$port"
        fi
        exec bash -c "$inner" reference "$dir" "$port"
    ) &
    gpredict_pid=$!
    pids+=("$gpredict_pid")
    until [[ -s $dir/rotctld.pid ]]; do sleep 0.05; done
    rotctld_pid=$(cat "$dir/rotctld.pid")
    pids+=("$rotctld_pid")
}

# engage_gpredict DIR: module menu -> Antenna Control; in that window Track and Engage; then waits for
# rotctld to log the first position command. The module menu is walked with the keyboard; the two
# buttons are clicked at their places in the Antenna Control window, which the script moves below the
# main window. Screenshots are left in DIR (gpredict.png when engaged, gpredict-end.png after the
# measurement; kept with BENCH_KEEP=1).
engage_gpredict() {
    local dir=$1 main dialog="" width
    main=$(wait_window '^Gpredict: bench$' 60) || {
        echo "gpredict's window did not come up (see $dir/gpredict.log)"
        return 1
    }
    sleep 2
    width=$(xdotool getwindowgeometry --shell "$main" | sed -n 's/^WIDTH=//p')
    for _ in 1 2 3; do
        # The module's menu button closes its header row, right under the menu bar.
        xdotool mousemove --window "$main" $((width - 19)) 45 click 1
        sleep 1
        # Detach, Full screen, Autotrack, Select satellite, Sky at a glance, Time Controller,
        # Radio Control, Antenna Control.
        xdotool key --delay 100 Down Down Down Down Down Down Down Down Return
        dialog=$(wait_window '^Gpredict Rotator Control: bench$' 10) && break
        xdotool key Escape
    done
    if [[ -z $dialog ]]; then
        import -window root "$dir/gpredict.png" 2>/dev/null
        echo "gpredict's Antenna Control did not open (screenshot: $dir/gpredict.png)"
        return 1
    fi
    xdotool windowmove --sync "$dialog" 960 740 2>/dev/null
    sleep 1
    # The target (the module's only satellite) is selected already; Track is right of its box, Engage
    # right of the device box (the one rotator definition).
    xdotool mousemove --window "$dialog" 444 196 click 1
    sleep 0.5
    xdotool mousemove --window "$dialog" "$(($(xdotool getwindowgeometry --shell "$dialog" |
        sed -n 's/^WIDTH=//p') - 57))" 196 click 1
    local end=$((SECONDS + 20))
    until (($(set_pos_count "$dir/rotctld.log") > 0)); do
        if ((SECONDS > end)); then
            import -window root "$dir/gpredict.png" 2>/dev/null
            echo "gpredict sent rotctld no position (screenshot: $dir/gpredict.png)"
            return 1
        fi
        sleep 0.5
    done
    xdotool mousemove 1900 1190
    import -window root "$dir/gpredict.png" 2>/dev/null
}

# station N: places the ground station for a measurement that starts in about 20 s (the satellite
# culminates in its middle) and writes gpredict's configuration for it into $work/compare-N; sets
# observer and port.
station() {
    local dir=$work/compare-$1 elevations
    mkdir -p "$dir"
    port=$(free_port)
    rm -rf "$dir/config"
    { read -r observer; read -r elevations; } < <("$sgp4_python" "$root/tools/gpredict-reference/configure.py" \
        "$dir/config" "$root/data/demo.tle" 90001 "$port" --at $(($(date +%s) + 20 + seconds / 2)) \
        --span $((seconds / 2 + 20)) --x 960)
    [[ -n $observer ]] || { echo "no ground station (python3-sgp4 missing?)"; return 1; }
    echo "run $1: ground station $observer; sample LEO $elevations"
}

# measure_azelmon N: azelmon driving azelmon-boardsim over Modbus TCP (the board's place in the stack, as
# rotctld -m 1 is the reference's), tracking automatically from the tracker on the real clock; appends
# "CPU_azelmon CPU_tracker CPU_boardsim RSS_azelmon RSS_tracker RSS_boardsim" to $work/azelmon.txt.
measure_azelmon() {
    local n=$1 dir=$work/compare-$1
    station "$n" || return 1
    start_tracker --observer "$observer"
    start_board "compare-$n"
    local board=$board_pid
    prepare "$work/cfg-compare-$n" "$dir/azelmon"
    (cd "$dir/azelmon" && AZELMON_CONFIG_DIR=$work/cfg-compare-$n AZELMON_INSTANCE_NAME=azelmon-compare-$$-$n \
        exec "$azelmon" --board modbus --modbus-port "$board_port" >"$dir/azelmon.log" 2>&1) &
    local az=$! window
    pids+=("$az")
    until window=$(window_of) && [[ -n $window ]]; do sleep 0.05; done
    sleep 3
    click_auto "$window"
    sleep 5
    local a0 t0 b0 a1 t1 b1 rss_a rss_t rss_b
    a0=$(cpu_ticks "$az") t0=$(cpu_ticks "$tracker_pid") b0=$(cpu_ticks "$board")
    sleep "$seconds"
    a1=$(cpu_ticks "$az") t1=$(cpu_ticks "$tracker_pid") b1=$(cpu_ticks "$board")
    rss_a=$(rss_kb "$az") rss_t=$(rss_kb "$tracker_pid") rss_b=$(rss_kb "$board")
    import -window root "$dir/azelmon.png" 2>/dev/null
    stop_pid "$az"
    stop_pid "$board"
    awk -v hz="$(getconf CLK_TCK)" -v s="$seconds" -v a=$((a1 - a0)) -v t=$((t1 - t0)) -v b=$((b1 - b0)) \
        -v ra="$rss_a" -v rt="$rss_t" -v rb="$rss_b" 'BEGIN { f = 100 / hz / s
            printf "%.3f %.3f %.3f %.1f %.1f %.1f\n", a * f, t * f, b * f, ra / 1024, rt / 1024, rb / 1024 }' |
        tee -a "$work/azelmon.txt" |
        awk -v n="$n" '{ printf "run %d: azelmon %.2f %% %.1f MB, tracker %.3f %% %.1f MB, boardsim %.3f %% %.1f MB\n",
                         n, $1, $4, $2, $5, $3, $6 }'
}

# measure_reference N: gpredict engaged on rotctld -m 1; appends "CPU_gpredict CPU_rotctld
# RSS_gpredict RSS_rotctld SET_POS" to $work/reference.txt.
measure_reference() {
    local n=$1 dir=$work/compare-$1
    station "$n" || return 1
    gpredict_pid="" rotctld_pid=""
    rm -f "$dir/rotctld.pid"
    start_reference "$dir" "$port"
    if ! engage_gpredict "$dir"; then
        stop_pid "$gpredict_pid"
        stop_pid "$rotctld_pid"
        return 1
    fi
    sleep 5
    local g0 r0 p0 g1 r1 p1 rss_g rss_r
    g0=$(cpu_ticks "$gpredict_pid") r0=$(cpu_ticks "$rotctld_pid") p0=$(set_pos_count "$dir/rotctld.log")
    sleep "$seconds"
    g1=$(cpu_ticks "$gpredict_pid") r1=$(cpu_ticks "$rotctld_pid") p1=$(set_pos_count "$dir/rotctld.log")
    rss_g=$(rss_kb "$gpredict_pid") rss_r=$(rss_kb "$rotctld_pid")
    import -window root "$dir/gpredict-end.png" 2>/dev/null
    stop_pid "$gpredict_pid"
    stop_pid "$rotctld_pid"
    awk -v hz="$(getconf CLK_TCK)" -v s="$seconds" -v g=$((g1 - g0)) -v r=$((r1 - r0)) -v rg="$rss_g" \
        -v rr="$rss_r" -v p=$((p1 - p0)) 'BEGIN {
            f = 100 / hz / s; printf "%.3f %.3f %.1f %.1f %d\n", g * f, r * f, rg / 1024, rr / 1024, p }' |
        tee -a "$work/reference.txt" |
        awk -v n="$n" '{ printf "run %d: gpredict %.2f %% %.1f MB, rotctld %.3f %% %.1f MB, %d set_pos\n", n, $1, $3, $2, $4, $5 }'
}

compare() {
    local runs=${BENCH_RUNS:-3} n
    reference=1 netns=0
    command -v gpredict >/dev/null || { echo "gpredict not found: the gpredict + rotctld reference is skipped (Debian package gpredict)"; reference=0; }
    command -v rotctld >/dev/null || { echo "rotctld not found: the gpredict + rotctld reference and the latency comparison are skipped (Debian package libhamlib-utils)"; reference=0; }
    if ((reference)) && command -v ip >/dev/null && unshare -n true 2>/dev/null; then
        netns=1
        echo "gpredict and rotctld run in a network namespace of their own (loopback only)"
    fi
    echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
    : >"$work/azelmon.txt"
    : >"$work/reference.txt"
    # One stack at a time on the X server (each measured as a user would run it), the order swapped
    # from one run to the next so that a drift of the machine's load falls on both.
    for n in $(seq 1 "$runs"); do
        if ((n % 2)); then
            measure_azelmon "$n" || { echo "run $n failed"; return 1; }
            if ((reference)); then measure_reference "$n" || { echo "run $n failed"; return 1; }; fi
        else
            if ((reference)); then measure_reference "$n" || { echo "run $n failed"; return 1; }; fi
            measure_azelmon "$n" || { echo "run $n failed"; return 1; }
        fi
    done
    echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
    # Medians per column over the runs; a stack's sum is taken per run first. Columns: 1-3 CPU of azelmon,
    # tracker, boardsim; 4-6 their RSS; 7-8 CPU of gpredict, rotctld; 9-10 their RSS; 11 set_pos.
    paste -d' ' "$work/azelmon.txt" "$work/reference.txt" | awk -v ref="$reference" -v s="$seconds" '
        function median(col,   i, j, t, v, m) {
            for (i = 1; i <= NR; i++) v[i] = cell[i, col]
            for (i = 2; i <= NR; i++) for (j = i; j > 1 && v[j - 1] > v[j]; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
            m = int((NR + 1) / 2)
            return NR % 2 ? v[m] : (v[m] + v[m + 1]) / 2
        }
        function ratio(a, b) { return b > 0 ? sprintf("%.2f", a / b) : "-" }
        { for (c = 1; c <= 11; c++) cell[NR, c] = $c + 0
          cell[NR, 12] = $1 + $2 + $3; cell[NR, 13] = $7 + $8; cell[NR, 14] = $4 + $5 + $6; cell[NR, 15] = $9 + $10
          cell[NR, 16] = $1 + $2 }
        END {
            printf "medians of %d runs of %d s (CPU: share of one core, utime+stime; RSS: resident at the end)\n", NR, s
            printf "azelmon + tracker + boardsim  CPU %6.3f %% (azelmon %.3f %%, tracker %.3f %%, boardsim %.3f %%)   RSS %6.1f MB (azelmon %.1f, tracker %.1f, boardsim %.1f)\n",
                   median(12), median(1), median(2), median(3), median(14), median(4), median(5), median(6)
            if (!ref) exit
            printf "gpredict + rotctld            CPU %6.3f %% (gpredict %.3f %%, rotctld %.3f %%)   RSS %6.1f MB (gpredict %.1f, rotctld %.1f)\n",
                   median(13), median(7), median(8), median(15), median(9), median(10)
            printf "ratios, CPU: whole stack %s, azelmon + tracker %s, azelmon / gpredict %s; RSS: whole stack %s, azelmon / gpredict %s\n",
                   ratio(median(12), median(13)), ratio(median(16), median(13)), ratio(median(1), median(7)),
                   ratio(median(14), median(15)), ratio(median(4), median(9))
            min = 0
            for (i = 1; i <= NR; i++) if (i == 1 || cell[i, 11] < min) min = cell[i, 11]
            printf "gpredict engaged and tracking: %d set_pos commands to rotctld in the measured %d s (median; fewest %d)\n",
                   median(11), s, min
            if (min == 0) exit 1
        }' || { echo "gpredict sent no position in a run: the comparison is void"; return 1; }
    if command -v rotctld >/dev/null; then
        echo "rotctld endpoint latency (tools/rotctld-latency.py, azelmon --link rotctld against rotctld -m 1):"
        python3 "$root/tools/rotctld-latency.py" --azelmon "$azelmon" | sed 's/^/  /'
    fi
}

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
if [[ $mode == --compare ]]; then
    compare
    exit
fi
# The tracker on a real element set, its clock in one of the sample LEO's passes.
start_tracker --observer 35.68,139.77,40 --time 2026-12-07T02:24:00Z
# --profile: only the callgrind count on the simulated board; --cpu: only the CPU and memory run on it
# (for before/after comparisons; BUILD_DIR chooses the build).
case $mode in
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
run modbus --board modbus --modbus-port "$board_port"
if command -v valgrind >/dev/null && [[ -z ${BENCH_NO_CALLGRIND:-} ]]; then
    cycle sim --board sim --sim-az 100 --sim-el 5
    start_board cg
    cycle modbus --board modbus --modbus-port "$board_port"
fi
