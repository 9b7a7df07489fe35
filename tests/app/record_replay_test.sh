#!/usr/bin/env bash
# Records a session in the real window on a virtual X server (clicks and
# keys through the menus into an editor, with waits), ends it with Escape,
# replays the script with geigersim-run and compares the replay's LCD with
# the window's LCD from a screenshot, pixel for pixel.
# Exit 77 (skipped) only when the X tools are missing.
set -uo pipefail

binary=${1:?usage: record_replay_test.sh path/to/geigersim path/to/geigersim-run}
runner=${2:?usage: record_replay_test.sh path/to/geigersim path/to/geigersim-run}
. "$(dirname "$0")/x_session.sh"
run_under_xvfb "$binary" "$runner"

work=$(mktemp -d)
trap 'rm -rf "$work"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null' EXIT
fail() { echo "FAIL: $*"; [ -f "$work/session.txt" ] && cat "$work/session.txt"; exit 1; }

clock=2026-05-17T08:30:00
seed=31337
"$binary" --record "$work/session.txt" --seed "$seed" --clock "$clock" &
pid=$!

find_window
sleep 1

# Centres of the panel's key circles, and a spot on the panel off the keys
# (keyboard focus follows the pointer without a window manager).
click() { xdotool mousemove --window "$window" "$1" 225 click 1; sleep "$2"; }
back=72 up=157 down=239 select=322
key() { xdotool mousemove --window "$window" 450 280 key "$1"; sleep "$2"; }

# The window's LCD area as raw RGB bytes, 244 x 64 screen pixels.
window_lcd() {
  shoot "$work/$1.png" || fail "screenshot failed"
  convert "$work/$1.png" -crop 244x64+79+78 +repage -depth 8 rgb:"$work/$1.rgb" || fail "crop failed"
}
# A 244 x 64 RGB picture as 32 lines of 122 characters, read from each LCD
# pixel's top-left screen pixel as geigersim-run's lcd does, for messages.
as_text() {
  od -An -v -tu1 -w732 "$1" | awk 'NR % 2 == 1 {
    line = ""
    for (i = 1; i <= NF; i += 6) line = line ($i == 45 ? "#" : $i == 170 ? "." : "-")
    print line }'
}

click $select 3.2     # power on; the logo, then the reading screen
key Right 0.7         # the main menu
click $down 0.3
key Down 0.3
click $down 0.6
key Down 0.2
key Down 0.8          # "Others"
click $select 0.7     # its menu
key Down 0.3
key Down 0.3
key Down 0.9          # "Comport Baud Rate"
click $select 1.1     # the editor's value box
click $up 0.4
key Up 5.5            # two steps; the box closes by itself
key Up 0.4            # "Gyroscope"
# Gyroscope mode hands no picture over, so the window keeps showing the one
# of this press until the recording stops.
key Right 1.5

window_lcd first
sleep 1.2
window_lcd shown
cmp -s "$work/first.rgb" "$work/shown.rgb" || fail "the LCD changed while nothing was pressed"
grep -q '#' <(as_text "$work/shown.rgb") || fail "no ink on the LCD"

# Escape ends the program at once; the recording stops with it.
escape_and_wait

script="$work/session.txt"
grep -q "^clock $clock\$" "$script" && grep -q "^seed $seed\$" "$script" || fail "no set-up in the header"
[ "$(grep -c '^press ' "$script")" -eq 16 ] || fail "expected 16 presses"
tail -n 1 "$script" | grep -q '^# recording stopped$' || fail "the recording did not stop cleanly"

replayed=$( (cat "$script"; echo "lcd"; echo "png $work/replay.png") \
  | "$runner" -) || fail "replay failed"
convert "$work/replay.png" -depth 8 rgb:"$work/replay.rgb" || fail "cannot read the replay's picture"
if ! cmp -s "$work/shown.rgb" "$work/replay.rgb"; then
  diff <(as_text "$work/shown.rgb") <(echo "$replayed")
  fail "the replay ends on another picture"
fi
echo "PASS"
