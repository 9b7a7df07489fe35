"""The device from pytest: a fresh simulated counter for every test.

    PYTHONPATH=python GEIGERSIM_RUN=build/default/tools/geigersim-run python3 -m pytest examples/

With GEIGERSIM_CONTROL=/path/to/socket the same tests drive a running window
(geigersim --control PATH), each starting from the device as the session found it.
"""

import pytest

pytest_plugins = ["geigersim.pytest_plugin"]


def power_on(dev):
    dev.press("select")
    dev.expect_text(0, 0, "CPM:", within="10s")


def test_select_opens_the_main_menu(geigersim_device):
    dev = geigersim_device
    power_on(dev)
    dev.press("select")
    dev.expect("menuTitle", "==", "Main Menu")
    dev.expect_contains("User Option")


def test_the_alarm_level_steps_by_twenty(geigersim_device):
    dev = geigersim_device
    power_on(dev)
    for key in ("select", "select", "down", "select", "down", "select"):  # User Option > Alarm > CPM
        dev.press(key)
        dev.wait("500ms")
    dev.expect_contains("0100 CPM")
    dev.press("up")
    dev.wait("500ms")
    dev.press("back")
    dev.wait("1s")
    dev.expect("alarmLevelCpm", "==", 120)


@pytest.mark.geigersim(seed=7)
def test_real_counts_reach_the_reading(geigersim_device):
    dev = geigersim_device
    power_on(dev)
    dev.real([2] * 60)  # 120 counts a minute
    dev.wait("60s")
    dev.expect("cpm", "==", 120, tolerance=30)
