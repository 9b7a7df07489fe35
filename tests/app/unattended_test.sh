#!/usr/bin/env bash
# Unattended logging over the stand-in counter. Headless with no display:
# a bad --log-counts exits 2 with nothing started; reports that jitter
# into the same second early on are all counted, the counted lines add up
# to the device's total, and `quit` on the control socket ends it cleanly.
# In the window under --mute: an alarm shows its sign on the panel and
# sends one notification to a stand-in service on a private session bus;
# SIGTERM mid-stream leaves every decoded report logged and no socket.
# Exit 77 (skipped) only when the X or D-Bus tools are missing.
set -uo pipefail

usage="usage: unattended_test.sh geigersim geigersim-device fake_notifications"
binary=${1:?$usage}
device=${2:?$usage}
notifier=${3:?$usage}
command -v dbus-daemon >/dev/null || { echo "SKIP: dbus-daemon not installed"; exit 77; }
. "$(dirname "$0")/x_session.sh"
run_under_xvfb "$binary" "$device" "$notifier"

work=$(mktemp -d)
cleanup() {
  for p in ${pid:-} ${dpid:-} ${npid:-} ${bpid:-}; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  for f in err.txt device.log c.csv notified.txt; do echo "--- $f"; cat "$work/$f" 2>/dev/null; done
  exit 1
}
wait_for() {
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -ge $deadline ] && return 1; sleep 0.1; done
}
ask() {  # one request on the control socket, its answer on standard output
  python3 - "$work/ctl.sock" "$1" <<'PY'
import socket, sys
s = socket.socket(socket.AF_UNIX); s.connect(sys.argv[1]); s.sendall(sys.argv[2].encode() + b"\n")
print(s.makefile().readline().strip())
PY
}
start_counter() {
  "$device" "$@" --link "$work/counter" --verbose --log "$work/device.log" --duration 60 >/dev/null &
  dpid=$!
  wait_for 5 test -L "$work/counter" || fail "no link from the stand-in counter"
}
stop_counter() { kill "$dpid" 2>/dev/null; wait "$dpid" 2>/dev/null; dpid=; }
sent() { grep -o '\] report [0-9]*' "$work/device.log" | awk '{ print $3 }'; }
logged() { tail -n +2 "$work/c.csv" | cut -d, -f2; }

# ---- Headless, no display.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$binary" 2>"$work/err.txt"
[ $? -eq 2 ] && grep -q -- '--headless' "$work/err.txt" || fail "no display: not exit 2 naming --headless"
start_counter --counts 5,7,11 --jitter 0.45 --seed 5
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$binary" --headless --port "$work/counter" \
  --log-counts /nonexistent/c.csv 2>"$work/err.txt"
[ $? -eq 2 ] || fail "a bad --log-counts did not exit 2"
grep -q '^geigersim: /nonexistent/c.csv: ' "$work/err.txt" || fail "the bad path is not named on standard error"
grep -q 'heartbeat on' "$work/device.log" && fail "the port was opened although the log could not be"

env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$binary" --headless --port "$work/counter" \
  --log-counts "$work/c.csv" --control "$work/ctl.sock" 2>"$work/err.txt" &
pid=$!
sleep 11
stop_counter
sleep 3  # the line is lost; what was queued is counted
total=$(ask state | grep -o '"totalCount":[0-9]*' | cut -d: -f2)
ask quit >/dev/null
wait "$pid"; status=$?; pid=
[ $status -eq 0 ] || fail "headless exit status $status after quit"
[ -e "$work/ctl.sock" ] && fail "the control socket's file is left behind"
diff <(sent) <(logged) >/dev/null || fail "the log differs from the reports sent: $(diff <(sent) <(logged))"
awk -F, 'NR > 1 && $5 != 1' "$work/c.csv" | grep -q . && fail "a report went uncounted"
counted=$(awk -F, 'NR > 1 { s += $2 } END { print s + 0 }' "$work/c.csv")
[ "$counted" = "$total" ] || fail "counted lines sum $counted, device total $total"
# The stand-in's jitter is its seed's, whatever the load: two reports sent
# within half a second of each other in the first ten seconds.
grep -o '^\[ *[0-9.]*\] report' "$work/device.log" | tr -d '[]' |
  awk '$1 < 10 && NR > 1 && $1 - last < 0.5 { near = 1 } { last = $1 } END { exit !near }' ||
  fail "no two reports sent within half a second: the jitter case was not tried"
rm -f "$work/c.csv" "$work/device.log"

# ---- The window, muted, with a notification service on a private bus.
dbus-daemon --session --address="unix:path=$work/bus" --nofork --print-address >/dev/null &
bpid=$!
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/bus"
wait_for 5 test -S "$work/bus" || fail "no private session bus"
"$notifier" >"$work/notified.txt" &
npid=$!
wait_for 5 grep -q ready "$work/notified.txt" || fail "the stand-in notification service did not start"

start_counter --counts 30
"$binary" --mute --port "$work/counter" --log-counts "$work/c.csv" --trace-link "$work/trace.txt" \
  --control "$work/ctl.sock" 2>"$work/err.txt" &
pid=$!
find_window
xdotool mousemove --window "$window" 322 225 click 1  # power on
# 1800 CPM against the level of 100: the alarm comes within seconds.
alarm_sign() {
  shoot "$work/shot.png" 2>/dev/null || return 1
  convert "$work/shot.png" -crop 1x1+60+180 -depth 8 -format '%[fx:int(255*r)] %[fx:int(255*g)]' info:- |
    awk '{ exit !($1 > 150 && $2 < 90) }'
}
wait_for 15 alarm_sign || fail "no alarm sign on the panel"
sleep 4  # more alarm seconds: still one notification
grep -c '^Radiation alarm|Alarm: [0-9]* CPM, level 100$' "$work/notified.txt" | grep -qx 1 ||
  fail "not exactly one notification: $(cat "$work/notified.txt")"
awk -F, 'NR > 1 && $6 == 1' "$work/c.csv" | grep -q . || fail "no alarm second marked in the log"

kill -TERM "$pid"; wait "$pid"; status=$?; pid=
[ $status -eq 0 ] || fail "exit status $status after SIGTERM"
[ -e "$work/ctl.sock" ] && fail "the control socket's file is left behind"
diff <(grep ' decoded ' "$work/trace.txt" | awk '{ print $4 }') <(logged) >/dev/null ||
  fail "not every decoded report is in the log"
echo "PASS: $(logged | wc -l) reports decoded and logged in the window"
