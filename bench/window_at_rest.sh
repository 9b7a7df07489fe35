#!/usr/bin/env bash
# The front panel's CPU at rest against a bare Qt window's, side by side on
# one virtual X server: each geigersim is switched on with a click and left
# on its reading screen, the bare window repaints its picture twice a
# second, and all are timed over the same SECONDS (default 60).
#
#   bench/window_at_rest.sh [-s SECONDS] build/default/bench/bare_window build/default/app/geigersim [OTHER_GEIGERSIM...]
#
# Several geigersim binaries (an older build, say) run beside each other.
# Prints, for each program, the CPU of all its threads in ms per second:
# from utime+stime in /proc/PID/stat (10 ms ticks) and from the
# scheduler's nanosecond run times in /proc/PID/task/*/schedstat; and each
# geigersim's ratio to the bare window. GEIGERSIM_AT_REST_SHOT=FILE saves a
# screenshot of the screen at the end.
set -uo pipefail

seconds=60
if [ "${1:-}" = "-s" ]; then seconds=$2; shift 2; fi
[ $# -ge 2 ] || { echo "usage: window_at_rest.sh [-s SECONDS] bare_window geigersim [geigersim...]" >&2; exit 2; }

if [ -z "${GEIGERSIM_AT_REST_INNER:-}" ]; then
  export GEIGERSIM_AT_REST_INNER=1
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" -s "$seconds" "$@"
fi
unset QT_QPA_PLATFORM

fail() { echo "FAIL: $*" >&2; exit 1; }
pids=()
trap 'kill "${pids[@]}" 2>/dev/null' EXIT

ticks=$(getconf CLK_TCK)
# CPU of every thread of process $1 so far, in ms: ticks, and run time.
stat_ms() { awk -v t="$ticks" '{ sub(/^.*\) /, ""); print ($12 + $13) * 1000 / t }' "/proc/$1/stat"; }
sched_ms() { cat /proc/"$1"/task/*/schedstat | awk '{ s += $1 } END { printf "%.3f\n", s / 1e6 }'; }

names=("$@")
for program in "$@"; do
  "$program" 2>/dev/null & pids+=($!)
done
# Each panel apart from the others, then its Select/Power key clicked.
x=0
for i in $(seq 1 $(($# - 1))); do
  window=$(timeout 20 xdotool search --sync --all --onlyvisible --pid "${pids[$i]}" --name '^REZ12832Uzi$' | head -n 1)
  [ -n "$window" ] || fail "no window for ${names[$i]}"
  xdotool windowmove --sync "$window" $x 400
  sleep 1
  xdotool mousemove --window "$window" 322 225 click 1
  x=$((x + 560))
done
xdotool mousemove 1900 1060  # the pointer off every window
sleep 10                      # the logo, then the reading screen settles

declare -a s0 r0
for i in "${!pids[@]}"; do s0[$i]=$(stat_ms "${pids[$i]}"); r0[$i]=$(sched_ms "${pids[$i]}"); done
sleep "$seconds"
echo "over $seconds s, ms of CPU per second (utime+stime | scheduler run time), and the ratio to the bare window:"
for i in "${!pids[@]}"; do
  kill -0 "${pids[$i]}" 2>/dev/null || fail "${names[$i]} ended"
  s=$(echo "($(stat_ms "${pids[$i]}") - ${s0[$i]}) / $seconds" | bc -l)
  r=$(echo "($(sched_ms "${pids[$i]}") - ${r0[$i]}) / $seconds" | bc -l)
  [ "$i" -eq 0 ] && { bs=$s; br=$r; }
  printf "  %-50s %6.2f | %6.2f    %5.2f | %5.2f\n" "${names[$i]}" "$s" "$r" \
    "$(echo "$s / $bs" | bc -l)" "$(echo "$r / $br" | bc -l)"
done
# What they showed, to check that every panel was on and resting.
[ -z "${GEIGERSIM_AT_REST_SHOT:-}" ] || import -window root "$GEIGERSIM_AT_REST_SHOT"
