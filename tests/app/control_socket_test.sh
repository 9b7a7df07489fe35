#!/usr/bin/env bash
# The window driven through its control socket on a virtual X server: a
# path that is no socket is refused, the socket is the owner's alone, and
# the Python module presses, waits, reads and saves against the live window,
# one client after another, one of them gone in the middle of a wait.
# Exit 77 (skipped) only when the X tools are missing.
set -uo pipefail

binary=${1:?usage: control_socket_test.sh path/to/geigersim python-dir}
python_dir=${2:?usage: control_socket_test.sh path/to/geigersim python-dir}
x_tools="xvfb-run xdotool python3"
. "$(dirname "$0")/x_session.sh"
run_under_xvfb "$binary" "$python_dir"

work=$(mktemp -d)
trap 'rm -rf "$work"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null' EXIT
fail() { echo "FAIL: $*"; exit 1; }

echo keep > "$work/taken"
"$binary" --control "$work/taken" 2>"$work/err" && fail "a plain file was taken for a socket"
[ $? -eq 2 ] || fail "refused with status other than 2"
grep -q "is not a socket" "$work/err" || fail "no reason given: $(cat "$work/err")"
[ "$(cat "$work/taken")" = keep ] || fail "the plain file was changed"

socket="$work/ctl"
"$binary" --mute --seed 1 --clock 2026-03-07T09:05:30 --control "$socket" &
pid=$!
find_window
[ -S "$socket" ] || fail "no socket at $socket"
[ "$(stat -c %a "$socket")" = 600 ] || fail "socket mode $(stat -c %a "$socket")"

PYTHONPATH="$python_dir" python3 - "$socket" "$work/window.gsst" <<'PY' || fail "the Python client"
import socket, sys, time
path, saved = sys.argv[1], sys.argv[2]
from geigersim import Device

with Device(control=path) as dev:
    dev.press("select")
    started = time.monotonic()
    dev.wait("3.5s")
    assert time.monotonic() - started >= 3.4, "wait answered before its time"
    assert "CPM:" in dev.text()[0], dev.text()
    dev.expect_text(0, 0, "CPM:")
    dev.save(saved)
# Gone in the middle of a wait: the window carries on for the next client.
gone = socket.socket(socket.AF_UNIX); gone.connect(path); gone.sendall(b"wait 1s\npress down\n"); gone.close()
time.sleep(1.5)
with Device(control=path) as dev:
    assert "CPM:" in dev.text()[0], dev.text()
PY
head -c 8 "$work/window.gsst" | grep -q GEIGSNAP || fail "no snapshot saved"

escape_and_wait
[ -e "$socket" ] && fail "socket left behind after the window closed"
echo "PASS"
