#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Fault soak: the real azelmon under Xvfb tracks the demo satellite automatically through a Modbus
# board emulator that drops 10 % of the requests, delays the others, closes the connection and goes
# silent for 20 s once, while the data server is killed and started again once. Then it is started
# again a few times and ended by SIGHUP or SIGTERM at a random moment of its tracking.
#
#   bash tools/soak.sh            short run (about 100 s), as CI runs it
#   bash tools/soak.sh --long     10 minutes
#   SOAK_SECONDS=N bash tools/soak.sh
#   SOAK_BOARD_STOP_AT_KILL=3 bash tools/soak.sh   the board stopped from 2 s before the data server's
#                                                  end to 3 s after: a board finding ends tracking first
#
# Uses build/ (BUILD_DIR overrides). Pass: azelmon never dies; the antenna moves after the start, after
# the board's silence (which stops tracking; it is started again) and after the data server's return;
# after "中止" and after the exit all four relays are off on the board; the program ends with code 0;
# no relay is written on once the end began (the program's trace logs each write and the moment the end
# began; boardsim logs each relay change);
# "中止" pressed at random moments of a follow-up step switches every relay off and no coil goes on
# after it (the program's trace and the board's log);
# the status line showed the faults and no tracking cycle started more than 2 s late apart from the
# outside time-outs (from AZELMON_TRACE).
# Exit status 0 on pass, 1 on failure.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=${BUILD_DIR:-build}
seconds=${SOAK_SECONDS:-90}
[[ ${1:-} == --long ]] && seconds=${SOAK_SECONDS:-600}

azelmon=$root/$build/src/app/azelmon
boardsim=$root/$build/tools/boardsim/boardsim
tracker=$root/$build/src/tracker/azelmon-tracker
for f in "$azelmon" "$boardsim" "$tracker"; do
    [[ -x $f ]] || { echo "soak: $f missing (build first)"; exit 1; }
done
for tool in Xvfb xdotool dbus-daemon; do
    command -v $tool >/dev/null || { echo "soak: $tool not installed (tools/install-deps.sh)"; exit 1; }
done

work=$(mktemp -d /tmp/azelmon-soak.XXXXXX)
pids=()
failures=0
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
    wait 2>/dev/null
    [[ -n ${SOAK_KEEP:-} ]] && echo "soak: files kept in $work" || rm -rf "$work"
}
trap cleanup EXIT

started=$SECONDS
say() { printf 'soak %4ds: %s\n' $((SECONDS - started)) "$*"; }
fail() { say "FAIL: $*"; failures=$((failures + 1)); }

# Waits up to $1 seconds for the command "$2..." to succeed.
wait_for() {
    local limit=$1
    shift
    local deadline=$((SECONDS + limit))
    until "$@"; do
        ((SECONDS >= deadline)) && return 1
        sleep 0.2
    done
}

# --- private display and session bus ---------------------------------------------------------------
display=
for n in $(seq 91 120); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    display=:$n
    break
done
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=$display
wait_for 10 xdotool getmouselocation >/dev/null 2>&1 || { echo "soak: Xvfb did not start"; exit 1; }

# A session bus that starts no service by itself: with azelmon installed, the standard service folders
# hold dde.ORBI.service, and the bus would start a fresh tracker on the first request after the kill
# below, so the data server would never be gone.
cat >"$work/bus.conf" <<'EOF'
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
EOF
dbus-daemon --config-file="$work/bus.conf" --nofork --print-address=3 3>"$work/bus" >/dev/null 2>&1 &
pids+=($!)
wait_for 10 test -s "$work/bus" || { echo "soak: dbus-daemon did not start"; exit 1; }
export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$work/bus")

start_tracker() {
    "$tracker" --bus "$DBUS_SESSION_BUS_ADDRESS" >>"$work/tracker.log" 2>&1 &
    tracker_pid=$!
    pids+=($tracker_pid)
    wait_for 10 dbus-send --session --print-reply --dest=dde.ORBI /EXTRN dde.Topic.Request string:TEXT1 \
        >/dev/null 2>&1
}
start_tracker || { echo "soak: tracker did not come up"; exit 1; }

# --- board emulator with faults --------------------------------------------------------------------
# Several board requests a second while tracking (more while it reconnects): the board falls silent
# for 20 s once early in the run and closes the connection every so many requests.
requests=$((seconds * 8))
close_after=${SOAK_CLOSE_AFTER:-$((requests / 3))}
silent_after=${SOAK_SILENT_AFTER:-60}
"$boardsim" --port 0 --az 100 --el 5 --drop 0.1 --delay 40 --close-after "$close_after" \
    --silent-after "$silent_after" --silent-for 20 >"$work/board.out" 2>"$work/board.err" &
board_pid=$!
pids+=($board_pid)
wait_for 10 grep -qs '^listening on' "$work/board.out" || { echo "soak: boardsim did not start"; exit 1; }
port=$(sed -n 's/^listening on 127.0.0.1:\([0-9]*\)$/\1/p' "$work/board.out")

mkdir -p "$work/config" "$work/run"
# The data files the program looks for in its working folder.
cp data/azelmon.csv data/cntmap.bmp data/*.wav "$work/run/" 2>/dev/null
# Every setting at its usual value, the board on loopback; $1 the azimuth and elevation correction.
write_settings() {
    printf '%s\r\n' '[TCP/IP]' 'IP=127.0.0.1' '[HOUI]' 'HKITEN=0' '[DELAY_TIME]' 'DELAY=0' 'DELAY_SW=0' \
        '[VPOSITION]' "VHOSEIKAKU=$1" 'VVOLT0=0' 'VVOLT90=2.5' 'V-RANGE=0,90' \
        '[HPOSITION]' "HHOSEIKAKU=$1" 'HVOLT0=0' 'HVOLT360=5' 'H-RANGE=0,360' \
        '[GOSATABLE]' 'HGOSA=1' 'VGOSA=1' 'HGOSA_D=5' 'VGOSA_D=5' '[MOTOR]' 'H_MOTOR=1' 'V_MOTOR=1' \
        >"$work/config/rotorcfg.ini"
}
write_settings 0

# --- the program -----------------------------------------------------------------------------------
window=
find_window() { window=$(xdotool search --onlyvisible --class azelmon 2>/dev/null | head -n1); [[ -n $window ]]; }
# Starts azelmon with its trace in $1.
start_azelmon() {
    (cd "$work/run" && AZELMON_CONFIG_DIR=$work/config AZELMON_INSTANCE_NAME=azelmon-soak-$$ AZELMON_TRACE=$1 \
        exec "$azelmon" --board modbus --modbus-port "$port" >>"$work/azelmon.log" 2>&1) &
    app_pid=$!
    pids+=($app_pid)
}
# Relay writes the trace $1 shows after its "ending" line that switched a relay on (none is allowed).
writes_on_after_end() {
    awk '$2 == "ending" { ended = 1 } ended && $2 == "write" && $4 == 1 { print }' "$1"
}
# The trace $1 shows the end, and no relay written on after it.
check_end() {
    grep -q ' ending$' "$1" || fail "$2: the trace never showed the end"
    local late
    late=$(writes_on_after_end "$1")
    [[ -z $late ]] && say "$2: no relay written on after the end began" ||
        fail "$2: relay written on after the end began: $late"
}

start_azelmon "$work/trace.log"
wait_for 20 find_window || { fail "no window"; cat "$work/azelmon.log"; exit 1; }
say "window $window, board on port $port"

alive() { kill -0 "$app_pid" 2>/dev/null; }
# The buttons stand at fixed places in the window (pixels, below the menu bar).
menu_bar=${SOAK_MENU_BAR:-24}
click() { # x y (in the central area)
    xdotool mousemove --window "$window" "$1" $(($2 + menu_bar)) click 1
}
click_auto() { click 97 247; }
click_abort() { click 160 247; }

relay_lines() { grep -c '^relay ' "$work/board.out"; }
# Relay bits that the board reports on at the end of its output.
relays_on() {
    awk '/^relay /{state[$2]=$3} END{for (b in state) if (state[b]==1) printf "%s ", b}' "$work/board.out"
}
moved_since() { (($(relay_lines) > $1)); }

# The start-up range return and the enabled buttons come first.
sleep 5
mark=$(relay_lines)
click_auto
say "自動 pressed"
wait_for 30 moved_since "$mark" && say "tracking: the antenna moves" || fail "no relay switched after 自動"

# Resident memory, descriptors, and the objects and running timers of the trace's census line: taken
# now and again before the end of the main run, nothing may pile up in between (checked on --long).
resources() {
    local census
    census=$(grep ' census ' "$work/trace.log" | tail -n1 | sed 's/.*objects=\([0-9]*\) timers=\([0-9]*\).*/\1 \2/')
    echo "$(awk '/^VmRSS/{print $2}' "/proc/$app_pid/status") $(ls "/proc/$app_pid/fd" | wc -l) ${census:-0 0}"
}
read -r rss_start fds_start objects_start timers_start <<<"$(resources)"

# The board's silence comes by itself; once it is over and tracking goes on, the data server is killed.
wait_for 60 grep -q 'silent for' "$work/board.err" && say "the board fell silent"
# Reads failing for 2 s stop tracking with every relay off, and the status line says why; once the
# board answers again the operator starts it anew.
wait_for 20 grep -q '読めないため' "$work/trace.log" && say "board silent: tracking stopped, the status line says why" ||
    fail "tracking went on with the board silent"
sleep 22
mark=$(relay_lines)
click_auto
wait_for 30 moved_since "$mark" && say "tracking went on after the board's silence" ||
    fail "no tracking after the board's silence"
while ((SECONDS - started < seconds / 2)); do
    alive || break
    sleep 1
done
# Three dropped reads of one axis in a row stop tracking too (rare at this drop rate): make sure it
# runs when the data server goes. SOAK_BOARD_STOP_AT_KILL=N stops the board from here until N s after
# the data server's end, so that its reads fail past their limit inside these seconds.
board_stop=${SOAK_BOARD_STOP_AT_KILL:-0}
((board_stop > 0)) && kill -STOP "$board_pid"
click_auto
sleep 2
# What the trace shows from here on: the board's silence may have put the same texts there before.
trace_mark=$(wc -l <"$work/trace.log")
# grep reads the whole text rather than a pipe: with pipefail, a grep -q that finds its line early
# would end the pipe's writer by SIGPIPE and fail the test of a line that is there.
trace_since_kill() { grep -q "$1" < <(tail -n +$((trace_mark + 1)) "$work/trace.log"); }
# The trace's last cycle since the kill was not one of automatic tracking.
tracking_ended_since_kill() {
    tail -n +$((trace_mark + 1)) "$work/trace.log" |
        awk '$2 == "cycle" { mode = $3 } END { exit mode != "" && mode != "mode=2" ? 0 : 1 }'
}
say "killing tracker"
kill -9 "$tracker_pid"
wait "$tracker_pid" 2>/dev/null
if ((board_stop > 0)); then
    sleep "$board_stop"
    kill -CONT "$board_pid"
fi
# The status line tells of the silence; tracking a stale target stops after 5 s without data (plus one
# request's time-out), with every relay off. A board finding may end tracking first: reads of an axis
# failing for 2 s (three lost requests in a row: at this drop rate about once in eight minutes of
# tracking, so now and then inside these seconds) stop it by design, and a stopped tracking has no
# stale target to stop. What must not come is a cycle of automatic tracking 20 s on.
wait_for 15 trace_since_kill '応答がありません' && say "data server gone: the status line says so" ||
    fail "the status line never showed the silent data server"
if wait_for 20 trace_since_kill '自動追尾を停止しました'; then
    say "tracking of the stale target stopped"
elif tracking_ended_since_kill; then
    say "tracking stopped by a board finding before the stale limit:" \
        "$(grep -o '[36]\..*運転を停止しました' "$work/trace.log" | tail -n 1)"
else
    fail "automatic tracking went on without data"
fi
no_relays_on() { [[ -z $(relays_on) ]]; }
wait_for 5 no_relays_on && say "relays off while the data server is away" ||
    fail "relays still on with the data server gone: $(relays_on)"
alive || fail "azelmon died while the data server was away"
start_tracker || fail "tracker did not come back"
say "tracker back"
# While silent the link asks again every few seconds; "自動" before it has seen the return is refused.
wait_for 15 trace_since_kill '応答が戻りました' && say "the status line shows the data server's return" ||
    fail "the status line never showed the data server's return"
mark=$(relay_lines)
cycle_mark=$(wc -l <"$work/trace.log")
click_auto
# Following shows as a relay switched, or, for a target that moves slower than the dead band, as ten
# automatic cycles in a row with the antenna within twice the tolerance of it (from the trace's cycle
# lines; a target below the horizon is followed at elevation 0).
on_target_since() {
    tail -n +$(($1 + 1)) "$work/trace.log" | grep ' cycle ' | awk '
        { mode = ""; for (i = 1; i <= NF; i++) {
              if ($i ~ /^mode=/) mode = substr($i, 6)
              if ($i ~ /^antenna=/) { split(substr($i, 9), a, ",") }
              if ($i ~ /^target=/) { split(substr($i, 8), t, ",") } }
          if (mode != 2) { run = 0; next }
          d = a[1] - t[1]; if (d < 0) d = -d; if (d > 180) d = 360 - d
          te = t[2] < 0 ? 0 : t[2]; e = a[2] - te; if (e < 0) e = -e
          run = (d <= 3 && e <= 3) ? run + 1 : 0
          if (run >= 10) found = 1 }
        END { exit found ? 0 : 1 }'
}
follows_since() { moved_since "$1" || on_target_since "$2"; }
wait_for 40 follows_since "$mark" "$cycle_mark" && say "tracking resumed after the data server's return" ||
    fail "no tracking after the data server came back"

while ((SECONDS - started < seconds)); do
    alive || break
    sleep 1
done
alive || fail "azelmon died (see $work/azelmon.log)"
read -r rss_end fds_end objects_end timers_end <<<"$(resources)"
say "resident memory ${rss_start} -> ${rss_end} kB, descriptors ${fds_start} -> ${fds_end}," \
    "objects ${objects_start} -> ${objects_end}, running timers ${timers_start} -> ${timers_end}"
if [[ ${1:-} == --long ]]; then
    ((rss_end - rss_start < 1024)) || fail "resident memory grew by $((rss_end - rss_start)) kB"
    ((fds_end <= fds_start + 2)) || fail "descriptors piled up: ${fds_start} -> ${fds_end}"
    ((timers_end <= timers_start + 1 && objects_end <= objects_start + 20)) ||
        fail "objects or timers piled up: ${objects_start} -> ${objects_end}, ${timers_start} -> ${timers_end}"
fi
grep -q 'silent for' "$work/board.err" || fail "the board never fell silent"
closes=$(grep -c ' closed' "$work/board.err")
say "board connections closed (faults and reconnections): $closes"

# 中止 at a random moment of a follow-up step: 0.03-0.40 s after a relay went on. The program's trace
# has the click ("abort") and every write after it; the board's own log must show no coil going on from
# the moment the trace has the click, and every coil off at the end.
trace_writes_on_after_abort() { # trace, line number of the round's start
    tail -n +"$2" "$1" | awk '$2 == "abort" { stopped = 1 } stopped && $2 == "write" && $4 == 1 { print }'
}
abort_rounds=${SOAK_ABORT_ROUNDS:-6}
for round in $(seq 1 "$abort_rounds"); do
    alive || break
    click_auto
    sleep 3 # past the approach's first switch: what goes on from here is a follow-up's pulse
    round_start=$(($(wc -l <"$work/trace.log") + 1))
    new_on() { tail -n +"$round_start" "$work/trace.log" | grep -q ' write . 1$'; }
    if ! wait_for 20 new_on; then
        say "abort round $round: no relay went on within 20 s (antenna on target); round skipped"
        click_abort
        sleep 1
        continue
    fi
    delay=$(printf '0.%02d' $((3 + RANDOM % 38)))
    sleep "$delay"
    click_abort
    trace_has_abort() { tail -n +"$round_start" "$work/trace.log" | grep -q ' abort$'; }
    wait_for 5 trace_has_abort || { fail "abort round $round: the click never reached the program"; continue; }
    board_mark=$(wc -l <"$work/board.out")
    sleep 1.5
    late=$(trace_writes_on_after_abort "$work/trace.log" "$round_start")
    board_late=$(tail -n +$((board_mark + 1)) "$work/board.out" | grep '^relay . 1 ')
    if [[ -n $late || -n $board_late || -n $(relays_on) ]]; then
        fail "abort round $round (${delay} s into the pulse): a coil on after 中止: ${late}${board_late}$(relays_on)"
    else
        say "abort round $round: 中止 ${delay} s after a relay went on; nothing on after it"
    fi
done

mark=$(relay_lines)
click_abort
sleep 3
[[ -z $(relays_on) ]] && say "中止: all relays off" || fail "relays on after 中止: $(relays_on)"

kill -TERM "$app_pid"
wait_for 15 bash -c "! kill -0 $app_pid 2>/dev/null" || fail "azelmon did not end on SIGTERM"
wait "$app_pid"
code=$?
((code == 0)) || fail "azelmon ended with code $code"
[[ -z $(relays_on) ]] && say "exit: all relays off" || fail "relays on after the exit: $(relays_on)"
check_end "$work/trace.log" "SIGTERM"

# Ended by SIGHUP (the terminal closed) or SIGTERM at a random moment while it tracks.
rounds=${SOAK_EXIT_ROUNDS:-4}
for round in $(seq 1 "$rounds"); do
    signal=$( ((RANDOM % 2)) && echo HUP || echo TERM)
    trace=$work/trace-exit$round.log
    # The antenna stands on the satellite since the run above: a correction of ±5° per round gives
    # every round an approach and then pulses to be interrupted.
    write_settings $( ((round % 2)) && echo 5 || echo -5)
    start_azelmon "$trace"
    wait_for 20 find_window || { fail "round $round: no window"; continue; }
    sleep 4
    click_auto
    sleep "$((1 + RANDOM % 5)).$((RANDOM % 10))"
    mark=$(relay_lines)
    kill -"$signal" "$app_pid"
    wait_for 15 bash -c "! kill -0 $app_pid 2>/dev/null" || fail "round $round: azelmon did not end on SIG$signal"
    wait "$app_pid"
    code=$?
    ((code == 0)) || fail "round $round: azelmon ended with code $code on SIG$signal"
    check_end "$trace" "round $round, SIG$signal"
    grep -q ' write . 1' "$trace" || fail "round $round: nothing moved before SIG$signal"
    # boardsim's own account: after the signal no relay went on that did not go off again.
    [[ -z $(relays_on) ]] && say "round $round: all relays off on the board" ||
        fail "round $round: relays on after SIG$signal: $(relays_on)"
    say "round $round: relay changes after the signal: $(tail -n +$((mark + 2)) "$work/board.out" | grep -c '^relay ')"
done
say "relay switches seen: $(relay_lines); faults: $(grep -c . "$work/board.err") board events"

# From the program's trace: the status line showed the board's and the data server's faults, and no
# tracking cycle started more than 2 s late except across an outside time-out (a cycle waiting on the
# board or the data server puts its error on the status line before the next cycle starts).
grep -qE 'status L [12]\.' "$work/trace.log" && say "status line showed the board's faults" ||
    fail "the status line never showed a board fault"
grep -q '応答が戻りました' "$work/trace.log" && say "status line showed the data server's return" ||
    fail "the status line never showed the data server's return"
late=$(awk '$2 == "status" { fault = 1 }
            $2 == "cycle" { if (last && $1 - last > 3000 && !fault) { n++; if ($1 - last > worst) worst = $1 - last }
                            last = $1; fault = 0 }
            END { printf "%d %d", n, worst }' "$work/trace.log")
cycles=$(grep -c ' cycle ' "$work/trace.log")
read -r late_count late_worst <<<"$late"
((cycles > seconds / 4)) || fail "only $cycles tracking cycles in ${seconds} s"
((late_count == 0)) && say "$cycles tracking cycles, none more than 2 s late apart from outside time-outs" ||
    fail "$late_count tracking cycles more than 2 s late without an outside time-out (worst ${late_worst} ms)"

if ((failures)); then
    echo "soak: FAILED ($failures)"
    tail -n 20 "$work/azelmon.log"
    exit 1
fi
echo "soak: passed (${seconds} s)"
