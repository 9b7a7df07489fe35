#!/usr/bin/env bash
# The real simulator against the stand-in counter on a virtual X server:
# started on the counter's link with a count log, it shows counts (green
# lamp, CSV lines); the counter vanishes (notice line under the LCD, red
# lamp, idle CPU, no other window) and comes back (heartbeat again, counts
# again, the notice gone) without a click; the CSV has a line for each
# report the counter sent, in order (the link trace notes each decoding).
# Exit 77 (skipped) only when the X tools are missing.
set -uo pipefail

binary=${1:?usage: link_end_to_end_test.sh path/to/geigersim path/to/geigersim-device}
device=${2:?usage: link_end_to_end_test.sh path/to/geigersim path/to/geigersim-device}
. "$(dirname "$0")/x_session.sh"
run_under_xvfb "$binary" "$device"

work=$(mktemp -d)
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null
  [ -n "${dpid:-}" ] && kill "$dpid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  for f in device.log c.csv trace.txt; do echo "--- $f"; cat "$work/$f" 2>/dev/null; done
  exit 1
}
# Waits up to $1 seconds for the command after it to succeed.
wait_for() {
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -ge $deadline ] && return 1; sleep 0.1; done
}
csv_lines() { echo $(($(wc -l <"$work/c.csv" 2>/dev/null || echo 1) - 1)); }
log_count() { grep -c -- "$1" "$work/device.log" 2>/dev/null || true; }
# Predicates for wait_for, which runs its command again each time.
csv_at_least() { [ "$(csv_lines)" -ge "$1" ]; }
heartbeats_at_least() { [ "$(log_count 'heartbeat on')" -ge "$1" ]; }

# The lamp's colour from a screenshot of the window: green, amber, red or off.
lamp() {
  shoot "$work/shot.png" 2>/dev/null || { echo none; return; }
  convert "$work/shot.png" -crop 1x1+480+44 -depth 8 -format '%[fx:int(255*r)] %[fx:int(255*g)]' info:- |
    awk '{ if ($2 > $1 + 60) print "green"; else if ($1 > $2 + 60) print "red"; else print "other" }'
}
lamp_is() { [ "$(lamp)" = "$1" ]; }
# The notice line under the LCD, by its colour at its left end: lost, back or none.
notice() {
  shoot "$work/shot.png" 2>/dev/null || { echo none; return; }
  convert "$work/shot.png" -crop 1x1+55+180 -depth 8 -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info:- |
    awk '{ if ($3 < $2 - 35 && $1 > $2) print "lost"; else if ($2 > $1 + 12) print "back"; else print "none" }'
}
notice_is() { [ "$(notice)" = "$1" ]; }
# Nothing but the panel is shown: no box over it, however the line fares.
only_the_panel() {
  local others
  others=$(xdotool search --onlyvisible --name '.' 2>/dev/null | grep -vx "$window")
  [ -z "$others" ] || fail "another window is shown: $(for w in $others; do xdotool getwindowname "$w"; done)"
}

"$device" --counts 5,7,11 --jitter 0.3 --seed 5 --link "$work/counter" --vanish-after 12 --reappear-after 6 --verbose \
  --log "$work/device.log" --duration 55 >"$work/device.out" &
dpid=$!
wait_for 5 test -L "$work/counter" || fail "no link from the stand-in counter"

"$binary" --port "$work/counter" --log-counts "$work/c.csv" --trace-link "$work/trace.txt" &
pid=$!
find_window
xdotool mousemove --window "$window" 322 225 click 1  # power on: the firmware counts what arrives

# Counts at once, without a click on a port.
wait_for 8 heartbeats_at_least 1 || fail "no heartbeat at start"
wait_for 8 csv_at_least 2 || fail "no counts logged"
wait_for 3 lamp_is green || fail "lamp not green while counts arrive: $(lamp)"
head -n 1 "$work/c.csv" | grep -qx 'time,count,turned,cpm,counted,alarm,dose_usv,noise' || fail "no CSV header"

# The counter vanishes: notice and red lamp within 2 s, and an idle process.
wait_for 14 grep -q vanishing "$work/device.log" || fail "the stand-in did not vanish"
wait_for 2 notice_is lost || fail "no notice within 2 s: $(notice)"
wait_for 2 lamp_is red || fail "lamp not red within 2 s: $(lamp)"
only_the_panel
before_gap=$(csv_lines)
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
t0=$(ticks); sleep 3; t1=$(ticks)
hz=$(getconf CLK_TCK)
# Under 2 % of a core over the 3 s.
[ $(( (t1 - t0) * 100 * 100 )) -lt $((2 * 3 * hz * 100)) ] || fail "CPU while disconnected: $((t1 - t0)) ticks in 3 s"

# It comes back: heartbeat again and counts again, without a click.
wait_for 12 heartbeats_at_least 2 || fail "no heartbeat after the counter came back"
wait_for 8 csv_at_least $((before_gap + 2)) || fail "no counts after the counter came back"
wait_for 3 lamp_is green || fail "lamp not green again: $(lamp)"
only_the_panel
wait_for 6 notice_is none || fail "the notice stays after the counter came back: $(notice)"

# The counter stops; once its hang-up is seen, Escape ends the program. The
# CSV holds every report the counter sent, in order, as the trace decoded them.
kill "$dpid"; wait "$dpid" 2>/dev/null; dpid=
wait_for 3 notice_is lost || fail "no notice after the counter stopped: $(notice)"
escape_and_wait
grep -o '\] report [0-9]*' "$work/device.log" | awk '{ print $3 }' >"$work/sent"
grep ' decoded ' "$work/trace.txt" | awk '{ print $4 }' >"$work/decoded"
tail -n +2 "$work/c.csv" | cut -d, -f2 >"$work/logged"
diff "$work/sent" "$work/logged" >/dev/null || fail "the CSV differs from the reports sent: $(diff "$work/sent" "$work/logged")"
diff "$work/sent" "$work/decoded" >/dev/null || fail "the trace's decodings differ from the reports sent"
tail -n +2 "$work/c.csv" | cut -d, -f4 | sort -n | tail -n 1 | grep -qv '^0$' || fail "the firmware's CPM never rose"
echo "PASS: $(wc -l <"$work/sent") reports sent and logged"
