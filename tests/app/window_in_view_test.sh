#!/usr/bin/env bash
# On a small screen (1024 x 600) at the scale factor given: `--zoom 300`
# opens the panel at the largest level that fits, says so and keeps all of
# it on the screen; `--chart` opens the chart beside the panel, not over it.
# Exit 77 (skipped) only when the X tools are missing.
set -uo pipefail

binary=${1:?usage: window_in_view_test.sh path/to/geigersim [scale factor]}
factor=${2:-1}
x_tools="xvfb-run xdotool"
xvfb_screen=1024x600x24
. "$(dirname "$0")/x_session.sh"
run_under_xvfb "$@"

work=$(mktemp -d)
trap 'rm -rf "$work"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Each window's rectangle in screen pixels: "left top right bottom" (exclusive).
box() {
  eval "$(xdotool getwindowgeometry --shell "$1")"
  echo "$X $Y $((X + WIDTH)) $((Y + HEIGHT))"
}
on_screen() { [ "$1" -ge 0 ] && [ "$2" -ge 0 ] && [ "$3" -le 1024 ] && [ "$4" -le 600 ]; }

QT_SCALE_FACTOR=$factor "$binary" --zoom 300 2>"$work/err" &
pid=$!
find_window
sleep 1
read -r pl pt pr pb <<<"$(box "$window")"
echo "factor $factor, --zoom 300: panel $pl,$pt-$pr,$pb"
grep -q "zoom 300 % does not fit the screen" "$work/err" || fail "no word of the zoom: $(cat "$work/err")"
on_screen "$pl" "$pt" "$pr" "$pb" || fail "panel off the screen"
escape_and_wait

# At 1.5 the screen is 683 x 400 logical pixels: no room for both.
[ "$factor" = 1 ] || { echo "PASS"; exit 0; }
"$binary" --chart &
pid=$!
find_window
chart=$(timeout 20 xdotool search --sync --name '^Chart of the rate' | head -n 1)
[ -n "$chart" ] || fail "no chart window"
sleep 1
read -r pl pt pr pb <<<"$(box "$window")"
read -r cl ct cr cb <<<"$(box "$chart")"
echo "--chart: panel $pl,$pt-$pr,$pb; chart $cl,$ct-$cr,$cb"
on_screen "$pl" "$pt" "$pr" "$pb" && on_screen "$cl" "$ct" "$cr" "$cb" || fail "a window off the screen"
[ "$cl" -ge "$pr" ] || [ "$cr" -le "$pl" ] || [ "$ct" -ge "$pb" ] || [ "$cb" -le "$pt" ] || fail "chart over the panel"
# The chart has the keyboard now: a stop signal ends the program as Exit does.
kill -TERM "$pid"
wait "$pid" || fail "exit status $?"
pid=
echo "PASS"
