#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Hamlib's own client against a running azelmon: rotctl -m 2 reads "p", sends "P", "S" and
# "dump_state", each must exit 0 with the expected values. A "P" alone never moves the antenna.
# Usage: rotctl_client.sh AZELMON DATA_DIR
set -euo pipefail
azelmon=$1
data=$2
if ! command -v rotctl >/dev/null; then
    echo "rotctl not installed (libhamlib-utils)"
    exit 77
fi
work=$(mktemp -d)
app=
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
cp "$data/cntmap.bmp" "$work/"
cd "$work"
AZELMON_CONFIG_DIR="$work" AZELMON_INSTANCE_NAME="azelmon-rotctl-test-$$" QT_QPA_PLATFORM=offscreen \
    setsid "$azelmon" --link rotctld --rotctld-listen 127.0.0.1:0 --sim-az 123.4 --sim-el 21 >"$work/out" 2>"$work/err" &
app=$!

port=
for _ in $(seq 1 100); do
    port=$(sed -n 's/^rotctld: listening on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$work/out")
    [ -n "$port" ] && break
    kill -0 "$app" 2>/dev/null || { echo "azelmon ended"; cat "$work/err"; exit 1; }
    sleep 0.1
done
[ -n "$port" ] || { echo "no listening line"; cat "$work/out" "$work/err"; exit 1; }

fail=0
rot() { timeout 10 rotctl -m 2 -r "127.0.0.1:$port" "$@" 2>/dev/null; }
expect() { # what, got, wanted
    if [ "$2" != "$3" ]; then
        echo "FAIL $1: got [$2], wanted [$3]"
        fail=1
    else
        echo "ok   $1"
    fi
}
near() { # what, value, wanted, tolerance
    if awk -v v="$2" -v w="$3" -v t="$4" 'BEGIN { d = v - w; if (d < 0) d = -d; exit !(d <= t) }'; then
        echo "ok   $1 ($2)"
    else
        echo "FAIL $1: $2 not within $4 of $3"
        fail=1
    fi
}

# The first tracking cycle measures the antenna; give it a moment.
sleep 1.5
pos=$(rot p) || { echo "FAIL p exit code"; fail=1; }
near "p azimuth" "$(echo "$pos" | sed -n 1p)" 123.4 0.5
near "p elevation" "$(echo "$pos" | sed -n 2p)" 21 0.5
rot P 200 45 || { echo "FAIL P exit code"; fail=1; }
rot S || { echo "FAIL S exit code"; fail=1; }
state=$(rot dump_state) || { echo "FAIL dump_state exit code"; fail=1; }
expect "dump_state" "$(echo "$state" | tr '\n' ' ')" \
    "1 2 min_az=0.000000 max_az=360.000000 min_el=0.000000 max_el=90.000000 south_zero=0 rot_type=AzEl done "
# P sets the target only: without "自動" the antenna stays.
sleep 1.5
pos=$(rot p)
near "p after P" "$(echo "$pos" | sed -n 1p)" 123.4 0.5
# Not available here: rotctl says so.
park=$(timeout 10 rotctl -m 2 -r "127.0.0.1:$port" K 2>&1 || true)
if [[ $park == *"Feature not implemented"* ]]; then echo "ok   K not implemented"; else
    echo "FAIL K: $park"
    fail=1
fi
echo "$((fail == 0 ? 1 : 0)) passed, $fail failed"
exit $fail
