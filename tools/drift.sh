#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Drift over a long run: does a pass cost the same at the end as at the start?
#
#   bash tools/drift.sh [MINUTES]      120 by default
#
# The real azelmon runs under Xvfb on the simulated board and tracks the tracker's demonstration
# satellite ("自動"; the scripted satellite passes again and again), twice side by side:
#   - natively, sampled every minute: resident memory, open descriptors and of them sockets, threads,
#     CPU time, tracking cycles, and the objects and running timers from its trace's census line;
#   - under callgrind: its whole-process instruction count is dumped every DRIFT_WINDOW minutes (10)
#     and divided by that window's tracking cycles.
# Prints the samples (also kept in DRIFT_OUT, default /tmp/azelmon-drift.tsv) and a summary of the
# first and the last window. Uses build/ (BUILD_DIR overrides). Talks only to its own Xvfb and bus.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD_DIR:-build}
minutes=${1:-120}
window_minutes=${DRIFT_WINDOW:-10}
out=${DRIFT_OUT:-/tmp/azelmon-drift.tsv}
azelmon=$root/$build/src/app/azelmon
tracker=$root/$build/src/tracker/azelmon-tracker
for f in "$azelmon" "$tracker"; do
    [[ -x $f ]] || { echo "drift: $f missing (build first)"; exit 1; }
done
for tool in Xvfb xdotool dbus-daemon valgrind callgrind_control; do
    command -v $tool >/dev/null || { echo "drift: $tool not installed"; exit 1; }
done

work=$(mktemp -d /tmp/azelmon-drift.XXXXXX)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    [[ -n ${DRIFT_KEEP:-} ]] && echo "drift: files kept in $work" || rm -rf "$work"
}
trap cleanup EXIT

display=
for n in $(seq 201 230); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    display=:$n
    break
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=$display
until xdotool getmouselocation >/dev/null 2>&1; do sleep 0.1; done
dbus-daemon --session --nofork --print-address=3 3>"$work/bus" >/dev/null 2>&1 &
pids+=($!)
until [[ -s $work/bus ]]; do sleep 0.1; done
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")
"$tracker" --bus "$DBUS_SESSION_BUS_ADDRESS" >"$work/tracker.log" 2>&1 &
tracker=$!
pids+=($tracker)
until dbus-send --session --print-reply --dest=dde.ORBI /EXTRN dde.Topic.Request string:TEXT1 >/dev/null 2>&1; do
    sleep 0.1
done

menu_bar=${DRIFT_MENU_BAR:-24}
# start LABEL [command prefix...]: azelmon with its own settings, folder and trace; sets $pid.
start() {
    local label=$1
    shift
    mkdir -p "$work/$label/config" "$work/$label/run"
    cp "$root"/data/azelmon.csv "$root"/data/cntmap.bmp "$root"/data/*.wav "$work/$label/run/" 2>/dev/null
    (cd "$work/$label/run" && AZELMON_CONFIG_DIR=$work/$label/config AZELMON_INSTANCE_NAME=azelmon-drift-$$-$label \
        AZELMON_TRACE=$work/$label/trace exec "$@" "$azelmon" --board sim --sim-az 100 --sim-el 5 \
        --rotctld-listen off >"$work/$label/log" 2>&1) &
    pid=$!
    pids+=($pid)
}
# press_auto PID: clicks "自動" in that process's window once it is mapped.
press_auto() {
    local window=
    until window=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null | head -n1) && [[ -n $window ]]; do
        sleep 0.5
    done
    sleep 8 # the start-up range return and the enabled buttons come first
    xdotool mousemove --window "$window" 97 $((247 + menu_bar)) click 1
}

start native
native=$pid
start cg valgrind --tool=callgrind --callgrind-out-file="$work/cg/out"
cg=$pid
press_auto "$native"
press_auto "$cg"
sleep 5

cycles_of() { grep -c ' cycle ' "$work/$1/trace" 2>/dev/null || echo 0; }
ticks=$(getconf CLK_TCK)
sample() { # minute
    local p=/proc/$native
    [[ -d $p ]] || return 1
    local rss fds sockets threads cpu census
    rss=$(awk '/^VmRSS/{print $2}' $p/status)
    threads=$(awk '/^Threads/{print $2}' $p/status)
    fds=$(ls $p/fd | wc -l)
    sockets=$(find $p/fd -lname 'socket:*' 2>/dev/null | wc -l)
    cpu=$(awk -v hz="$ticks" '{printf "%.2f", ($14 + $15) / hz}' $p/stat)
    census=$(grep ' census ' "$work/native/trace" | tail -n1 | sed 's/.*objects=\([0-9]*\) timers=\([0-9]*\).*/\1\t\2/')
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$1" "$rss" "$fds" "$sockets" "$threads" "$cpu" \
        "$(cycles_of native)" "$census"
}
printf 'minute\trss_kb\tfds\tsockets\tthreads\tcpu_s\tcycles\tobjects\ttimers\n' | tee "$out"
callgrind_control -z "$cg" >/dev/null 2>&1
cg_mark=$(cycles_of cg)
windows=()
for minute in $(seq 0 "$minutes"); do
    sample "$minute" | tee -a "$out" || { echo "drift: azelmon ended early"; exit 1; }
    if ((minute > 0 && minute % window_minutes == 0)); then
        callgrind_control -d "$cg" >/dev/null 2>&1
        callgrind_control -z "$cg" >/dev/null 2>&1
        now=$(cycles_of cg)
        windows+=("$minute $((now - cg_mark))")
        cg_mark=$now
    fi
    ((minute == minutes)) && break
    sleep 60
done

echo
echo "instructions per tracking cycle, whole process under callgrind, by window of ${window_minutes} min:"
n=0
for w in "${windows[@]}"; do
    n=$((n + 1))
    read -r end cycles <<<"$w"
    dump=$work/cg/out.$n
    ir=$(sed -n 's/^summary: *//p;s/^totals: *//p' "$dump" 2>/dev/null | head -n1 | awk '{print $1}')
    awk -v e="$end" -v w="$window_minutes" -v ir="${ir:-0}" -v c="$cycles" 'BEGIN {
        printf "  minutes %3d-%3d: %d cycles, %.3f M instructions per cycle, %.3f M per second\n",
               e - w, e, c, (c > 0 ? ir / c / 1e6 : 0), ir / (w * 60) / 1e6 }'
done | tee -a "$out.windows"

echo
# First and last window of the native run: memory from the end of the first minute, CPU per cycle.
awk -F'\t' -v w="$window_minutes" 'NR == 1 { next }
    { m[NR] = $1; rss[NR] = $2; fds[NR] = $3; so[NR] = $4; th[NR] = $5; cpu[NR] = $6; cy[NR] = $7;
      ob[NR] = $8; ti[NR] = $9; last = NR }
    END {
        first = 3; # minute 1: after the start-up and the first cycles
        fw = 2 + w; lw = last - w;
        printf "resident memory: minute %d %.1f MB, minute %d %.1f MB, peak-free growth %+d kB\n",
               m[first], rss[first] / 1024, m[last], rss[last] / 1024, rss[last] - rss[first];
        printf "descriptors %d -> %d, sockets %d -> %d, threads %d -> %d, objects %d -> %d, running timers %d -> %d\n",
               fds[first], fds[last], so[first], so[last], th[first], th[last], ob[first], ob[last], ti[first], ti[last];
        printf "CPU per cycle: first %d min %.3f ms, last %d min %.3f ms\n",
               w, (cpu[fw] - cpu[2]) / (cy[fw] - cy[2]) * 1000, w, (cpu[last] - cpu[lw]) / (cy[last] - cy[lw]) * 1000;
    }' "$out" | tee -a "$out.windows"
