#!/usr/bin/env bash
# Starts the real simulator on a virtual X server, switches the device on
# with a click on the Select/Power key, checks from a screenshot that the
# LCD shows the running device, and ends the program with Escape.
# Exit 77 (skipped) only when the X tools are missing.
set -uo pipefail

binary=${1:?usage: end_to_end_test.sh path/to/geigersim}
. "$(dirname "$0")/x_session.sh"
run_under_xvfb "$binary"

work=$(mktemp -d)
trap 'rm -rf "$work"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null' EXIT
fail() { echo "FAIL: $*"; exit 1; }

"$binary" &
pid=$!

find_window
sleep 1

# Counts the LCD area's pixels by grey level: "level count" lines.
lcd_histogram() {
  shoot "$work/$1.png" || fail "screenshot failed"
  convert "$work/$1.png" -crop 244x64+79+78 +repage -colorspace gray -depth 8 \
    -format %c histogram:info:- \
    | sed -n 's/^ *\([0-9]*\):.*gray(\([0-9]*\)).*/\2 \1/p'
}
count_of() { awk -v g="$1" '$1 == g { n += $2 } END { print n + 0 }'; }

before=$(lcd_histogram before)
[ "$(count_of 140 <<<"$before")" -gt 10000 ] || fail "LCD not unlit before power-on: $before"

# The centre of the Select/Power circle.
xdotool mousemove --window "$window" 322 225 click 1
sleep 4

after=$(lcd_histogram after)
background=$(count_of 170 <<<"$after")
ink=$(count_of 45 <<<"$after")
unlit=$(count_of 140 <<<"$after")
echo "after power-on: background $background, ink $ink, unlit $unlit"
[ "$background" -gt 1000 ] || fail "no LCD background grey after power-on"
[ "$ink" -gt 20 ] || fail "no LCD ink after power-on"
[ "$unlit" -eq 0 ] || fail "LCD still partly unlit after power-on"

# Escape ends the program at once.
escape_and_wait
echo "PASS"
