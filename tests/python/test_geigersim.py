"""geigersim-run --serve through the Python module and its fixture, and the
README's example file as it stands."""

import os
import pathlib
import re
import subprocess
import sys

import pytest

import geigersim

pytest_plugins = ["geigersim.pytest_plugin"]


def test_keys_time_and_what_the_device_shows(geigersim_device, tmp_path):
    dev = geigersim_device
    assert dev.lcd() == ["-" * 122] * 32  # unpowered: the LCD unlit
    dev.press("select")
    dev.wait("3.5s")
    assert dev.text()[0].startswith("CPM:")
    dev.expect_text(0, 0, "CPM:")
    state = dev.state()
    assert (state["powered"], state["uiMode"], state["virtualMs"]) == (1, 0, 3500)
    dev.press("select")
    dev.press("down", times=2)
    assert dev.state()["menuTitle"] == "Main Menu"
    assert dev.text()[3].startswith("\\x7E")  # the third row marked
    assert "#" in "".join(dev.lcd())
    assert dev.png().startswith(b"\x89PNG\r\n\x1a\n")
    assert dev.png(tmp_path / "menu.png", scale=2) == tmp_path / "menu.png"
    assert (tmp_path / "menu.png").read_bytes()[:4] == b"\x89PNG"
    dev.real(60, 60)
    dev.wait(1)
    assert dev.state()["realMode"] == 1


def test_failures_are_reported_and_the_session_goes_on(geigersim_device, tmp_path):
    dev = geigersim_device
    with pytest.raises(AssertionError, match=r"^line \d+: expected uiMode == 3, got 0$"):
        dev.expect("uiMode", "==", 3)
    with pytest.raises(AssertionError, match=r"expected menuTitle == 'Main Menu', got null \(waited 1s\)$"):
        dev.expect("menuTitle", "==", "Main Menu", within="1s")
    with pytest.raises(geigersim.GeigersimError, match=r"unknown key 'sideways'"):
        dev.press("sideways")
    with pytest.raises(geigersim.GeigersimError, match=r"cannot load '.*': No such file"):
        dev.load(tmp_path / "missing.gsst")
    with pytest.raises(ValueError):
        dev.save(tmp_path / "a;b.gsst")  # ';' would end the command early
    dev.expect("virtualMs", ">=", 2000, within="2s")
    assert dev.state()["virtualMs"] == 2000
    with pytest.raises(geigersim.GeigersimError, match=r"bad clock 'noon'"):
        geigersim.Device(clock="noon")


def test_a_saved_device_goes_on_as_the_loaded_one(tmp_path):
    snapshot = tmp_path / "menu.gsst"
    with geigersim.Device(seed=5, clock="2026-03-07T09:05:30") as first:
        first.press("select")
        first.wait("1h")
        first.press("select")
        first.save(snapshot)
        first.wait("90s")
        first.press("down")
        expected = first.lcd(), first.state()
    with geigersim.Device(seed=9) as second:
        second.load(snapshot)
        second.wait("90s")
        second.press("down")
        assert (second.lcd(), second.state()) == expected


def test_the_readme_example_passes(tmp_path):
    readme = pathlib.Path(os.environ.get("GEIGERSIM_SOURCE_DIR", pathlib.Path(__file__).parents[2])) / "README.md"
    example = re.search(r"<!-- test_counter.py -->\n```python\n(.*?)```", readme.read_text(), re.S)
    assert example, "README.md has no example after <!-- test_counter.py -->"
    (tmp_path / "test_counter.py").write_text(example.group(1))
    # The file runs from elsewhere: relative paths in the set-up would not reach.
    paths = [os.path.abspath(p) for p in os.environ.get("PYTHONPATH", "").split(os.pathsep) if p]
    env = dict(os.environ, PYTHONPATH=os.pathsep.join(paths))
    if env.get("GEIGERSIM_RUN"):
        env["GEIGERSIM_RUN"] = os.path.abspath(env["GEIGERSIM_RUN"])
    run = subprocess.run([sys.executable, "-m", "pytest", "-q", "-p", "no:cacheprovider", str(tmp_path)],
                         capture_output=True, text=True, cwd=tmp_path, env=env, timeout=60)
    assert run.returncode == 0, run.stdout + run.stderr
    assert re.search(r"\b[1-9]\d* passed", run.stdout), run.stdout
