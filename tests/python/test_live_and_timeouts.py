"""The module as a suite leans on it: tolerances and text checks, timeouts,
and a live window's tests each starting from the same device (a bridge to
geigersim-run --serve stands in for the window's control socket)."""

import os
import socket
import subprocess
import sys
import threading

import pytest

import geigersim

pytest_plugins = ["geigersim.pytest_plugin"]


def test_tolerances_rows_and_contained_text(geigersim_device):
    dev = geigersim_device
    dev.press("select")
    dev.wait("4s")
    cpm = dev.state()["cpm"]
    dev.expect("cpm", "~=", cpm + 3, tolerance=3)
    dev.expect("cpm", "==", cpm - 2, tolerance=2.5)
    with pytest.raises(AssertionError, match=rf"expected cpm ~= {cpm + 9} \+- 3, got {cpm}$"):
        dev.expect("cpm", "~=", cpm + 9, tolerance=3)
    with pytest.raises(ValueError):
        dev.expect("cpm", ">", 1, tolerance=1)
    row = dev.text()[0].encode().decode("unicode_escape")  # the symbols as their codes
    dev.expect_row(0, row)
    dev.expect_contains("AUTO")
    with pytest.raises(AssertionError, match=r"row 0 reads 'CPM: "):
        dev.expect_row(0, "CPM:")
    with pytest.raises(AssertionError, match=r"show 'Main Menu' somewhere"):
        dev.expect_contains("Main Menu")
    dev.press("select")
    dev.expect_contains("Main Menu", within="1s")
    dev.close()
    with pytest.raises(geigersim.GeigersimError, match=r"'state': this Device was closed"):
        dev.state()


def test_a_hung_device_raises_timeout_error_naming_the_command(tmp_path):
    program = tmp_path / "hangs"
    # Answers the first request, then hangs on the next.
    program.write_text("#!/bin/sh\nread line\necho '{\"ok\":true}'\nexec sleep 60\n")
    program.chmod(0o755)
    with geigersim.Device(program=program, timeout=0.5) as dev:
        with pytest.raises(TimeoutError, match=r"geigersim-run gave no answer to 'wait 7d' within 0.5 s"):
            dev.wait("7d")
        with pytest.raises(geigersim.GeigersimError, match=r"'state': geigersim-run gave no answer"):
            dev.state()


class Bridge:
    """A Unix socket that serves one connection from a geigersim-run --serve."""

    def __init__(self, path):
        self.server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.server.bind(str(path))
        self.server.listen(1)
        threading.Thread(target=self.serve, daemon=True).start()

    def serve(self):
        conn, _ = self.server.accept()
        child = subprocess.Popen([os.environ["GEIGERSIM_RUN"], "--serve", "--seed", "3", "--clock",
                                  "2026-03-07T09:05:30"], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        with conn, child:
            for line in conn.makefile("r"):
                child.stdin.write(line)
                child.stdin.flush()
                conn.sendall(child.stdout.readline().encode())
            child.stdin.close()


LIVE_TESTS = '''
import pytest

pytest_plugins = ["geigersim.pytest_plugin"]


@pytest.mark.parametrize("run", [1, 2])
def test_each_starts_from_the_session_start(geigersim_device, run):
    dev = geigersim_device
    assert dev.state()["virtualMs"] == 0
    dev.press("select")
    dev.wait("4s")


@pytest.mark.geigersim(seed=5)
def test_a_seed_cannot_be_honoured(geigersim_device):
    pass


def test_a_failed_expectation_ends_in_the_test(geigersim_device):
    geigersim_device.expect("uiMode", "==", 4)
'''


def test_live_window_tests_start_alike_and_unhonoured_marks_fail(tmp_path):
    Bridge(tmp_path / "control")
    (tmp_path / "test_live.py").write_text(LIVE_TESTS)
    paths = [os.path.abspath(p) for p in os.environ.get("PYTHONPATH", "").split(os.pathsep) if p]
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(paths), GEIGERSIM_CONTROL=str(tmp_path / "control"))
    run = subprocess.run([sys.executable, "-m", "pytest", "-q", "-p", "no:cacheprovider", str(tmp_path)],
                         capture_output=True, text=True, cwd=tmp_path, env=env, timeout=60)
    out = run.stdout
    assert "1 failed, 2 passed" in out and "1 error" in out, out
    assert "cannot be honoured: the window at $GEIGERSIM_CONTROL runs its own device" in out, out
    assert "expected uiMode == 4, got 0" in out, out
    assert "geigersim/__init__.py" not in out, out  # the traceback ends in the test
