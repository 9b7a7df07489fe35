#!/usr/bin/env bash
# Hostile clients on the window's control socket, on a virtual X server:
# `load /dev/zero`, `load FIFO` (nobody ever writes it) and a 1 MiB junk
# line each get an error answer or the client is dropped, while another
# client is answered within a second each time, as it is beside a silent
# client, one waiting a thousand days and one that never reads; the
# window's memory stays under a bound throughout. Socket paths that cannot
# be listened on are refused with the cause named.
# Exit 77 (skipped) only when the X tools are missing.
set -uo pipefail

binary=${1:?usage: hostile_socket_test.sh path/to/geigersim}
x_tools="xvfb-run xdotool python3"
. "$(dirname "$0")/x_session.sh"
run_under_xvfb "$binary"

work=$(mktemp -d)
trap 'rm -rf "$work"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null' EXIT
fail() { echo "FAIL: $*"; exit 1; }

long="$work/$(printf 'x%.0s' $(seq 1 120))"
"$binary" --control "$long" 2>"$work/err" && fail "a path too long was listened on"
[ $? -eq 2 ] || fail "a path too long: status other than 2"
grep -q "path too long ($(( ${#long} )) bytes; at most 107)" "$work/err" || fail "too long: $(cat "$work/err")"
"$binary" --control "$work/none/ctl" 2>"$work/err" && fail "a missing folder was listened in"
[ $? -eq 2 ] || fail "a missing folder: status other than 2"
grep -q "no such folder" "$work/err" || fail "missing folder: $(cat "$work/err")"

socket="$work/ctl"
mkfifo "$work/fifo"
# Under AddressSanitizer freed memory is held back for a while; kept small
# here, so that the peak measures what the window holds (no effect otherwise).
ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}quarantine_size_mb=8" \
  "$binary" --mute --seed 1 --control "$socket" &
pid=$!
find_window

python3 - "$socket" "$work/fifo" "$pid" <<'PY' || fail "the hostile clients"
import json, socket, sys, time
path, fifo, pid = sys.argv[1], sys.argv[2], sys.argv[3]

def peak_kib():
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])

def client():
    s = socket.socket(socket.AF_UNIX)
    s.connect(path)
    s.settimeout(10)
    return s

def answer(s):
    data = b""
    while not data.endswith(b"\n"):
        chunk = s.recv(65536)
        if not chunk:
            break
        data += chunk
    return json.loads(data) if data else None

other = client()
def others_answered(after):
    started = time.monotonic()
    other.sendall(b"text\n")
    reply = answer(other)
    took = time.monotonic() - started
    assert reply and reply["ok"], (after, reply)
    assert took < 1.0, f"another client waited {took:.2f} s after {after}"

others_answered("nothing")
baseline = peak_kib()

# Beside these the others go on: half a line and silence, a long wait, and
# a client that sends many requests and reads none of the answers.
silent = client(); silent.sendall(b"press sel")
waiting = client(); waiting.sendall(b"wait 1000d\nlcd\n")
deaf = client(); deaf.sendall(b"lcd\n" * 20000)
others_answered("a silent, a waiting and a deaf client")

for request, expected in ((b"load /dev/zero\n", "not a regular file (a character device)"),
                          (f"load {fifo}\n".encode(), "not a regular file (a named pipe)"),
                          (f"expect lcd {fifo}\n".encode(), "not a regular file (a named pipe)"),
                          (f"save {fifo}\n".encode(), "not a regular file (a named pipe)")):
    bad = client()
    started = time.monotonic()
    bad.sendall(request)
    reply = answer(bad)
    assert reply and not reply["ok"] and expected in reply["error"], (request, reply)
    assert time.monotonic() - started < 1.0, request
    others_answered(request)
    bad.close()

junk = client()
junk.sendall(bytes(range(256)).replace(b"\n", b"x") * 4096 + b"x\n")
reply = answer(junk)
assert reply and not reply["ok"] and "too long" in reply["error"], reply
others_answered("a 1 MiB junk line")

time.sleep(1)
others_answered("all of them")
grown = peak_kib() - baseline
assert grown < 96 * 1024, f"the window grew by {grown} KiB"
print(f"peak memory grew by {grown} KiB")
PY

escape_and_wait
echo "PASS"
