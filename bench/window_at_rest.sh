#!/usr/bin/env bash
# The front panel's CPU at rest against a bare Qt window's, side by side on
# one virtual X server: geigersim is switched on with a click and left on
# its reading screen, the bare window repaints its picture twice a second,
# and both are timed over the same SECONDS (default 60).
#
#   bench/window_at_rest.sh build/default/app/geigersim build/default/bench/bare_window [SECONDS]
#
# Prints, for each, the CPU of all its threads in ms per second: from
# utime+stime in /proc/PID/stat (10 ms ticks) and from the scheduler's
# nanosecond run times in /proc/PID/task/*/schedstat; then the ratio.
set -uo pipefail

panel=${1:?usage: window_at_rest.sh path/to/geigersim path/to/bare_window [seconds]}
bare=${2:?usage: window_at_rest.sh path/to/geigersim path/to/bare_window [seconds]}
seconds=${3:-60}

if [ -z "${GEIGERSIM_AT_REST_INNER:-}" ]; then
  export GEIGERSIM_AT_REST_INNER=1
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
unset QT_QPA_PLATFORM

fail() { echo "FAIL: $*" >&2; exit 1; }
trap 'kill ${panel_pid:-} ${bare_pid:-} 2>/dev/null' EXIT

ticks=$(getconf CLK_TCK)
# CPU of every thread of process $1 so far, in ms: ticks, then run time.
stat_ms() { awk -v t="$ticks" '{ sub(/^.*\) /, ""); print ($12 + $13) * 1000 / t }' "/proc/$1/stat"; }
sched_ms() { cat /proc/"$1"/task/*/schedstat | awk '{ s += $1 } END { printf "%.1f\n", s / 1e6 }'; }

"$panel" & panel_pid=$!
"$bare" & bare_pid=$!
window=$(timeout 20 xdotool search --sync --name '^REZ12832Uzi$' | head -n 1)
[ -n "$window" ] || fail "no window named REZ12832Uzi"
sleep 1
xdotool mousemove --window "$window" 322 225 click 1  # Select/Power
xdotool mousemove 1000 760                            # the pointer off both windows
# The logo, then the reading screen settles.
sleep 10

p0=$(stat_ms $panel_pid) ps0=$(sched_ms $panel_pid) b0=$(stat_ms $bare_pid) bs0=$(sched_ms $bare_pid)
sleep "$seconds"
p1=$(stat_ms $panel_pid) ps1=$(sched_ms $panel_pid) b1=$(stat_ms $bare_pid) bs1=$(sched_ms $bare_pid)

awk -v s="$seconds" -v p="$(echo "$p1 - $p0" | bc)" -v ps="$(echo "$ps1 - $ps0" | bc)" \
    -v b="$(echo "$b1 - $b0" | bc)" -v bs="$(echo "$bs1 - $bs0" | bc)" 'BEGIN {
  printf "over %d s, ms of CPU per second (utime+stime | scheduler run time):\n", s
  printf "  geigersim    %6.2f | %6.2f\n", p / s, ps / s
  printf "  bare window  %6.2f | %6.2f\n", b / s, bs / s
  printf "  ratio        %6.2f | %6.2f\n", (b > 0 ? p / b : 0), (bs > 0 ? ps / bs : 0)
}'
if [ -n "${GEIGERSIM_AT_REST_SHOT:-}" ]; then
  import -window "$window" "$GEIGERSIM_AT_REST_SHOT" || fail "screenshot failed"
fi
