#!/usr/bin/env bash
# Starts the window on a virtual X server and checks that the class it
# reports (WM_CLASS) is the desktop entry's StartupWMClass, which is how a
# dock ties the running window to its launcher and icon.
# Exit 77 (skipped) only when the X tools are missing.
set -uo pipefail

binary=${1:?usage: window_class_test.sh path/to/geigersim DESKTOP_FILE}
desktop=$2
x_tools="xvfb-run xdotool xprop"
. "$(dirname "$0")/../app/x_session.sh"
run_under_xvfb "$@"

"$binary" &
pid=$!
trap 'kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null' EXIT

timeout 20 xdotool search --sync --onlyvisible --pid "$pid" --name '.' >/dev/null \
  || { echo "FAIL: no window"; exit 1; }
wanted=$(sed -n 's/^StartupWMClass=//p' "$desktop")
# Qt's helper windows carry no WM_CLASS; every window that does must match.
classes=$(for window in $(xdotool search --pid "$pid" --name '.'); do
            xprop -id "$window" WM_CLASS | sed -n 's/.*= "[^"]*", "\([^"]*\)"$/\1/p'
          done | sort -u)
echo "WM_CLASS classes '$classes', StartupWMClass '$wanted'"
[ -n "$wanted" ] && [ "$classes" = "$wanted" ] || { echo "FAIL: they differ"; exit 1; }
