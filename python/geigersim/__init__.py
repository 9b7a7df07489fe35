"""Drive the Geiger counter simulator from Python.

A Device speaks geigersim-run's command language, one request a line with
one JSON line back, to a ``geigersim-run --serve`` child or to the control
socket of a running window (``geigersim --control PATH``)::

    with geigersim.Device(seed=1, clock="2026-03-07T09:05:30") as dev:
        dev.press("select"); dev.wait("3.5s")
        assert "CPM:" in dev.text()[0]

Only the standard library is used.
"""

import base64
import json
import os
import queue
import re
import shutil
import socket
import subprocess
import threading

__all__ = ["Device", "GeigersimError"]


class GeigersimError(Exception):
    """The simulator refused a command or could not run it; the message is its own."""


# What ends a command or starts a comment in the language: no argument may hold them.
_BREAKS = "\n\r;#"


def _word(value, what):
    text = str(value)
    if not text or any(c in text for c in _BREAKS):
        raise ValueError(f"{what} {text!r} cannot be sent: it is empty or holds a new line, ';' or '#'")
    return text


def _text(value):
    """A text as the language writes it: quoted, \\\\ for a backslash,
    \\xNN for the LCD's symbols and for the bytes that would end the command."""
    out = []
    for c in value:
        code = ord(c)
        if code > 0xFF:
            raise ValueError(f"{c!r} is not a byte the LCD shows (use a code 0..255)")
        if c == "\\":
            out.append("\\\\")
        elif 0x20 <= code < 0x7F and c not in _BREAKS:
            out.append(c)
        else:
            out.append(f"\\x{code:02X}")
    return '"' + "".join(out) + '"'


def _value(value):
    if value is None:
        return "null"
    if isinstance(value, str):
        return _text(value)
    if isinstance(value, bool):
        return str(int(value))
    if isinstance(value, (int, float)):
        return json.dumps(value)
    if isinstance(value, (list, tuple)):
        return json.dumps(list(value), separators=(",", ":"))
    raise TypeError(f"cannot compare with {value!r}")


def _duration(value):
    """'3.5s' as it is; a number of seconds as milliseconds."""
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        return f"{round(value * 1000)}ms"
    return _word(value, "duration")


_UNITS = {"ms": 0.001, "s": 1, "m": 60, "h": 3600, "d": 86400}


def _seconds(value):
    """How long a duration lasts, for a timeout: 0 when it cannot be told
    (the simulator then refuses it with its own message)."""
    if isinstance(value, (int, float)) and not isinstance(value, bool):
        return max(float(value), 0.0)
    match = re.fullmatch(r"(\d+(?:\.\d+)?)(ms|s|m|h|d)", str(value))
    return float(match.group(1)) * _UNITS[match.group(2)] if match else 0.0


def _find_program(program):
    if program:
        return str(program)
    if os.environ.get("GEIGERSIM_RUN"):
        return os.environ["GEIGERSIM_RUN"]
    found = shutil.which("geigersim-run")
    if found is None:
        raise GeigersimError("cannot find geigersim-run: pass program=..., set GEIGERSIM_RUN, or put it on PATH")
    return found


class Device:
    """One simulated counter.

    Device(seed=..., clock=..., program=...) starts ``geigersim-run --serve``
    (the program from ``program``, else $GEIGERSIM_RUN, else PATH) with a
    fresh device; seed and clock are as --seed and --clock.
    Device(control=PATH) drives a running window through its socket.
    Every call waits at most ``timeout`` seconds for its answer (a window's
    waits get their own length on top) and then raises TimeoutError.
    """

    def __init__(self, seed=None, clock=None, *, program=None, control=None, timeout=30):
        self._process = None
        self._socket = None
        self._errors = []
        self._closed = False
        self._broken = None  # why the session can take no more requests
        self._answers = queue.Queue()
        self.timeout = timeout
        if control is not None:
            if seed is not None or clock is not None:
                raise ValueError("seed and clock set up a new device; a window runs its own")
            self._socket = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
            try:
                self._socket.connect(os.fspath(control))
            except OSError as e:
                self._socket.close()
                raise GeigersimError(f"cannot connect to {os.fspath(control)!r}: {e.strerror or e}") from None
            self._in = self._socket.makefile("r", encoding="utf-8", newline="\n")
            self._out = self._socket.makefile("w", encoding="utf-8", errors="surrogateescape", newline="\n")
            self._start_reader()
            return
        command = [_find_program(program), "--serve"]
        if seed is not None:
            command += ["--seed", str(int(seed))]
        if clock is not None:
            command += ["--clock", _word(clock, "clock")]
        try:
            self._process = subprocess.Popen(
                command, stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                encoding="utf-8", errors="surrogateescape")
        except OSError as e:
            raise GeigersimError(f"cannot start {command[0]!r}: {e.strerror or e}") from None
        self._in, self._out = self._process.stdout, self._process.stdin
        self._start_reader()
        # Kept for the message if it ends; drained so it can never block.
        self._drainer = threading.Thread(target=self._drain, daemon=True)
        self._drainer.start()
        try:
            self.command("")  # answered once the device is up: a bad option shows here
        except BaseException:
            self.close()
            raise

    def _start_reader(self):
        # Answers are read on a thread of their own, so a call can stop waiting.
        def read():
            try:
                for line in self._in:
                    self._answers.put(line)
            except (OSError, ValueError):
                pass
            self._answers.put("")
        threading.Thread(target=read, daemon=True).start()

    def _drain(self):
        for line in self._process.stderr:
            self._errors = (self._errors + [line.rstrip("\n")])[-20:]

    # ---- The protocol --------------------------------------------------------

    def command(self, line, timeout=None):
        """Sends one request line of the command language and returns its
        answer as a dict. A failed expectation raises AssertionError, any
        other refusal GeigersimError, each with the simulator's message; no
        answer within `timeout` seconds (default: the device's) raises
        TimeoutError, after which the device takes no more requests."""
        __tracebackhide__ = True
        if "\n" in line or "\r" in line:
            raise ValueError("one command a line: no new line in it")
        if self._closed:
            raise GeigersimError(f"{line!r}: this Device was closed")
        if self._broken:
            raise GeigersimError(f"{line!r}: {self._broken}")
        limit = self.timeout if timeout is None else timeout
        try:
            self._out.write(line + "\n")
            self._out.flush()
            answer = self._answers.get(timeout=limit)
        except (OSError, ValueError):
            answer = ""
        except queue.Empty:
            self._broken = (f"{self._who()} gave no answer to {line!r} within {limit:g} s"
                            + ("; it was stopped" if self._process is not None else ""))
            if self._process is not None:
                self._process.kill()
            raise TimeoutError(self._broken) from None
        if not answer:
            self._broken = self._ended()
            raise GeigersimError(f"{line!r}: {self._broken}")
        answer = json.loads(answer)
        if not answer.get("ok"):
            if answer.get("expectation"):
                raise AssertionError(answer["error"])
            raise GeigersimError(answer["error"])
        return answer

    def _who(self):
        return "the window" if self._process is None else "geigersim-run"

    def _ended(self):
        if self._process is None:
            return "the window ended the control connection (it closed or quit)"
        status = self._process.wait()
        self._drainer.join(timeout=5)  # what it said last
        said = "; ".join(self._errors)
        return f"geigersim-run ended (exit status {status})" + (f": {said}" if said else "")

    def close(self):
        """Ends the session (and the child)."""
        self._closed = True
        if self._process is not None:
            for step in (lambda: self._out.write("quit\n"), self._out.flush, self._out.close):
                try:
                    step()
                except (OSError, ValueError):
                    pass
            try:
                self._process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self._process.kill()
                self._process.wait()
            self._drainer.join(timeout=5)
            self._process.stdout.close()
            self._process.stderr.close()
            self._process = None
        elif self._socket is not None:
            try:
                self._socket.shutdown(socket.SHUT_RDWR)  # wakes the reader
            except OSError:
                pass
            for f in (self._out, self._in, self._socket):
                try:
                    f.close()
                except OSError:
                    pass
            self._socket = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    # ---- The device ------------------------------------------------------------

    def press(self, key, times=1):
        """Clicks a key: "back", "up", "down", "select" or 0..3."""
        if times < 1:
            raise ValueError(f"times must be 1 or more, not {times!r}")
        self.command(f"press {_word(key, 'key')}" + (f" {int(times)}" if times != 1 else ""))

    def wait(self, duration):
        """Lets time pass: "500ms", "3.5s", "10m", "24h", "7d", or seconds as
        a number (a multiple of 0.5 s). The window waits in real time."""
        __tracebackhide__ = True
        self.command(f"wait {_duration(duration)}", timeout=self._timeout_for(duration))

    def _timeout_for(self, duration):
        # A window waits in real time: the wait's own length comes on top.
        return self.timeout + (_seconds(duration) if self._process is None and duration is not None else 0)

    def real(self, *counts):
        """Real mode, the next seconds counting `counts` (numbers or one list)."""
        if len(counts) == 1 and isinstance(counts[0], (list, tuple)):
            counts = counts[0]
        self.command("real " + " ".join(str(int(n)) for n in counts))

    def demo(self):
        """Back to random demo counts."""
        self.command("demo")

    def lcd(self):
        """The LCD as 32 rows of 122 characters: '#' ink, '.' background, '-' unlit."""
        return self.command("lcd")["lcd"]

    def text(self):
        """The text the LCD shows, one string per text row (symbols as \\xNN)."""
        return self.command("text")["text"]

    def state(self):
        """The firmware state as a dict."""
        return self.command("state")["state"]

    def png(self, path=None, scale=1, panel=False):
        """The LCD (or with panel=True the whole front panel) as a PNG, scaled
        1..8 times: written to `path` and that returned, or without a path
        returned as bytes."""
        target = "-" if path is None else _word(os.fspath(path), "path")
        answer = self.command(f"png {target} scale {int(scale)}" + (" panel" if panel else ""))
        return base64.b64decode(answer["base64"]) if path is None else path

    def save(self, path):
        """Writes the whole device as a snapshot file."""
        self.command(f"save {_word(os.fspath(path), 'path')}")
        return path

    def load(self, path):
        """Puts the device back as a snapshot file holds it."""
        self.command(f"load {_word(os.fspath(path), 'path')}")

    # ---- Expectations: AssertionError with the simulator's message ---------------

    def _expect(self, what, within):
        __tracebackhide__ = True
        try:
            if within is None:
                self.command(f"expect {what}")
            else:
                self.command(f"wait until {what} within {_duration(within)}", timeout=self._timeout_for(within))
        except AssertionError as failed:
            # Raised afresh here, so the traceback shows the test's line and this one only.
            raise AssertionError(str(failed)) from None

    def expect_text(self, x, y, text, within=None):
        """The small font's cells from LCD pixel (x, y) show `text`; with
        `within` (a duration) time passes until they do, up to that long."""
        __tracebackhide__ = True
        self._expect(f"text {int(x)} {int(y)} {_text(text)}", within)

    def expect_row(self, y, text, within=None):
        """The text row whose top is LCD row `y` reads `text`, the whole row
        as text() gives it."""
        __tracebackhide__ = True
        self._expect(f"row {int(y)} {_text(text)}", within)

    def expect_contains(self, text, within=None):
        """Some text row of the LCD holds `text`."""
        __tracebackhide__ = True
        self._expect(f"screen contains {_text(text)}", within)

    def expect_lcd(self, path, within=None):
        """The LCD equals the dump in `path` (as lcd FILE writes it; '?' is any pixel)."""
        __tracebackhide__ = True
        self._expect(f"lcd {_word(os.fspath(path), 'path')}", within)

    def expect(self, field, op, value, tolerance=None, within=None):
        """A field of state compares so: op is ==, !=, <, <=, >, >= or ~=
        (relative, 1e-6). With `tolerance` (op == or ~=) the number is
        within that much of `value`, an absolute tolerance."""
        __tracebackhide__ = True
        if tolerance is not None:
            if op not in ("==", "~="):
                raise ValueError(f"a tolerance goes with == or ~=, not {op!r}")
            if isinstance(tolerance, bool) or not isinstance(tolerance, (int, float)) or tolerance < 0:
                raise ValueError(f"tolerance must be a number 0 or more, not {tolerance!r}")
            self._expect(f"{_word(field, 'field')} ~= {_value(value)} +- {json.dumps(tolerance)}", within)
            return
        self._expect(f"{_word(field, 'field')} {_word(op, 'operator')} {_value(value)}", within)
