"""The ``geigersim_device`` fixture. Load it in a test file or conftest.py::

    pytest_plugins = ["geigersim.pytest_plugin"]

Each test gets a fresh ``geigersim-run --serve`` device at seed 1 and clock
2026-03-07T09:05:30, so it sees the same counts every run; mark a test
``@pytest.mark.geigersim(seed=..., clock=...)`` for others. With
$GEIGERSIM_CONTROL set, the fixture drives the window listening there instead.
"""

import os

import pytest

import geigersim

DEFAULTS = {"seed": 1, "clock": "2026-03-07T09:05:30"}


def pytest_configure(config):
    config.addinivalue_line("markers", "geigersim(seed=None, clock=None): set up the geigersim_device fixture")


@pytest.fixture
def geigersim_device(request):
    control = os.environ.get("GEIGERSIM_CONTROL")
    if control:
        device = geigersim.Device(control=control)
    else:
        marker = request.node.get_closest_marker("geigersim")
        options = dict(DEFAULTS, **(marker.kwargs if marker else {}))
        device = geigersim.Device(**options)
    with device:
        yield device
