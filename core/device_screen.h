// Which screen the device shows, told from what the firmware is doing (the
// open menu and row, what the keys are bound to, the editor's field, the
// reading's mode) rather than from its pixels, so that live readings, a
// blinking cursor or a ticking clock are one screen. Plain C++: the runner's
// coverage report uses it, and a window can too.
#pragma once

#include <string>

#include "firmware/state.h"

struct DeviceScreen {
    uint8_t power = 0;  // 0 unlit, 1 the logo, 2 running, 3 running with the display dark
    int32_t uiMode = Reading;
    // Menus: the open table and the cursor's row in it.
    const MenuItem* menu = nullptr;
    uint8_t row = 0;
    // What each key does now: tells a value box or an editor from the menu
    // below it, and one editor from another.
    Handler keys[4] = {};
    uint8_t editing = 0, field = 0, calibPhase = 0, temperature = 0, timedPage = 0;
    // The reading screen's mode and its lines.
    uint8_t displayMode = 0, clockLine = 0, largeFontUnit = 0;
    uint32_t infoLine = 0, graphType = 0;

    bool operator==(const DeviceScreen&) const = default;
};

// The screen of the device as `fw` stands now. Called at every hand-over by
// hosts that track coverage: cheap, and reads nothing that changes by itself.
DeviceScreen CurrentScreen();

// For a person: "menu at 'Alarm'", "reading, graphic", ...
std::string DescribeScreen(const DeviceScreen& screen);
