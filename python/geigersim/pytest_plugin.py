"""The ``geigersim_device`` fixture. Load it in a test file or conftest.py::

    pytest_plugins = ["geigersim.pytest_plugin"]

Each test gets a fresh ``geigersim-run --serve`` device at seed 1 and clock
2026-03-07T09:05:30, so it sees the same counts every run; mark a test
``@pytest.mark.geigersim(seed=..., clock=..., snapshot=..., timeout=...)``
for others (``snapshot`` loads that file first).

With $GEIGERSIM_CONTROL set, the fixture drives the window listening there
instead. Every test then starts from the same device too: the window's
device as the session found it, saved once and loaded before each test, or
the snapshot the test's mark names. A window runs its own device, so a mark
asking for a seed or a clock fails that test rather than being ignored.
"""

import os

import pytest

import geigersim

DEFAULTS = {"seed": 1, "clock": "2026-03-07T09:05:30"}
_KNOWN = {"seed", "clock", "snapshot", "timeout"}


def pytest_configure(config):
    config.addinivalue_line(
        "markers", "geigersim(seed=None, clock=None, snapshot=None, timeout=None): set up the geigersim_device fixture")


@pytest.fixture(scope="session")
def _geigersim_window(tmp_path_factory):
    """The live window's connection and the snapshot of its device at the
    session's start, or None without $GEIGERSIM_CONTROL."""
    control = os.environ.get("GEIGERSIM_CONTROL")
    if not control:
        yield None
        return
    with geigersim.Device(control=control) as device:
        start = device.save(tmp_path_factory.mktemp("geigersim") / "session-start.gsst")
        yield device, start


@pytest.fixture
def geigersim_device(request, _geigersim_window):
    marker = request.node.get_closest_marker("geigersim")
    options = dict(marker.kwargs) if marker else {}
    unknown = set(options) - _KNOWN
    if unknown or (marker and marker.args):
        pytest.fail(f"@pytest.mark.geigersim takes {', '.join(sorted(_KNOWN))} as keywords, "
                    f"not {', '.join(sorted(unknown)) or repr(marker.args)}", pytrace=False)
    snapshot = options.pop("snapshot", None)
    timeout = options.pop("timeout", None)
    if _geigersim_window is not None:
        device, start = _geigersim_window
        if options:
            pytest.fail(f"@pytest.mark.geigersim({', '.join(f'{k}=...' for k in sorted(options))}) cannot be "
                        "honoured: the window at $GEIGERSIM_CONTROL runs its own device; mark snapshot=... "
                        "or run without $GEIGERSIM_CONTROL", pytrace=False)
        saved = device.timeout
        if timeout is not None:
            device.timeout = timeout
        try:
            device.load(snapshot if snapshot is not None else start)
        except geigersim.GeigersimError as e:
            pytest.fail(f"cannot start the test from {'its snapshot' if snapshot else 'the session start'}: {e}",
                        pytrace=False)
        yield device
        device.timeout = saved
        return
    options = dict(DEFAULTS, **options)
    if timeout is not None:
        options["timeout"] = timeout
    with geigersim.Device(**options) as device:
        if snapshot is not None:
            try:
                device.load(snapshot)
            except geigersim.GeigersimError as e:
                pytest.fail(f"cannot load the marked snapshot: {e}", pytrace=False)
        yield device
