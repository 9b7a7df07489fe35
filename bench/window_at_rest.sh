#!/usr/bin/env bash
# The front panel at rest against a bare Qt window, side by side on one
# virtual X server: how long each takes from start until its window maps,
# its CPU at rest and its peak memory. Each geigersim is switched on with a
# click and left on its reading screen, the bare window repaints its
# picture twice a second, and all are timed over the same SECONDS (default
# 60).
#
#   bench/window_at_rest.sh [-s SECONDS] [-n STARTS] build/default/bench/bare_window build/default/app/geigersim [OTHER_GEIGERSIM...]
#
# Several geigersim binaries (an older build, say) run beside each other.
# First each program is started STARTS times (default 5), one at a time,
# and the time from its start to its window's MapNotify is taken by
# build/default/bench/map_time (found beside bare_window); the median and
# the least are printed. Then all run together and the script prints, for
# each, the CPU of all its threads in ms per second: from utime+stime in
# /proc/PID/stat (10 ms ticks) and from the scheduler's nanosecond run
# times in /proc/PID/task/*/schedstat; its peak resident memory (VmHWM) at
# the end; and each geigersim's ratios to the bare window.
# Last, for each geigersim, which of its optional modules (app/optional_module.h)
# it has loaded by then: "sound" once the device has clicked and sound-check,
# in its own process, has found an audio output (without one, as under this
# virtual X server, none).
# GEIGERSIM_AT_REST_SHOT=FILE saves a screenshot of the screen at the end.
set -uo pipefail

seconds=60
starts=5
while true; do
  case "${1:-}" in
    -s) seconds=$2; shift 2 ;;
    -n) starts=$2; shift 2 ;;
    *) break ;;
  esac
done
[ $# -ge 2 ] || { echo "usage: window_at_rest.sh [-s SECONDS] [-n STARTS] bare_window geigersim [geigersim...]" >&2; exit 2; }

if [ -z "${GEIGERSIM_AT_REST_INNER:-}" ]; then
  export GEIGERSIM_AT_REST_INNER=1
  exec xvfb-run -a -s "-screen 0 1920x1080x24" "$0" -s "$seconds" -n "$starts" "$@"
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
map_time=$(dirname "$1")/map_time
[ -x "$map_time" ] || fail "no $map_time (build the map_time target)"

# Start to map, each program alone; the median and the least of STARTS.
echo "ms from start until the window maps, median (least) of $starts starts:"
for program in "$@"; do
  times=()
  for _ in $(seq 1 "$starts"); do
    read -r pid ms < <("$map_time" "$program") || fail "$program: no window"
    kill "$pid"; wait "$pid" 2>/dev/null; while kill -0 "$pid" 2>/dev/null; do sleep 0.05; done
    times+=("$ms")
  done
  sorted=$(printf '%s\n' "${times[@]}" | sort -n)
  printf "  %-50s %7.1f (%.1f)\n" "$program" "$(sed -n "$(((starts + 1) / 2))p" <<<"$sorted")" "$(head -n 1 <<<"$sorted")"
done

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
echo "over $seconds s, ms of CPU per second (utime+stime | scheduler run time), peak RSS in MB, and the ratios to the bare window:"
for i in "${!pids[@]}"; do
  kill -0 "${pids[$i]}" 2>/dev/null || fail "${names[$i]} ended"
  s=$(echo "($(stat_ms "${pids[$i]}") - ${s0[$i]}) / $seconds" | bc -l)
  r=$(echo "($(sched_ms "${pids[$i]}") - ${r0[$i]}) / $seconds" | bc -l)
  m=$(awk '/^VmHWM:/ { print $2 / 1024 }' "/proc/${pids[$i]}/status")
  [ "$i" -eq 0 ] && { bs=$s; br=$r; bm=$m; }
  printf "  %-50s %6.2f | %6.2f  %6.1f    %5.2f | %5.2f  %5.2f\n" "${names[$i]}" "$s" "$r" "$m" \
    "$(echo "$s / $bs" | bc -l)" "$(echo "$r / $br" | bc -l)" "$(echo "$m / $bm" | bc -l)"
done
for i in $(seq 1 $(($# - 1))); do
  loaded=$(grep -oE '/(sound|mqtt|control)\.so$' "/proc/${pids[$i]}/maps" | sort -u | sed 's|^/||; s|\.so$||' | tr '\n' ' ')
  printf "  %-50s modules loaded: %s\n" "${names[$i]}" "${loaded:-none}"
done
# What they showed, to check that every panel was on and resting.
[ -z "${GEIGERSIM_AT_REST_SHOT:-}" ] || import -window root "$GEIGERSIM_AT_REST_SHOT"
