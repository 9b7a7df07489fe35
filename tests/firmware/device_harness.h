// Drives the firmware the way the window does: holds cleared after start,
// 500 ms and 1000 ms services in the timers' order, keys through DispatchKey.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "core/driver.h"
#include "firmware/firmware.h"
#include "firmware/state.h"
#include "platform/clock.h"
#include "platform/lcd.h"
#include "platform/show_lcd.h"

namespace harness {

inline int showLcdCalls = 0;

inline void CountShowLcd(void*) { ++showLcdCalls; }

// Program start: record at load, window initialised, device unpowered.
// The clock reads `when` (default 2026-03-07 09:05:30) and the
// demo counts use `seed`.
inline void Start(std::time_t when = 0, unsigned seed = 1) {
    if (when == 0) {
        std::tm t{};
        t.tm_year = 126; t.tm_mon = 2; t.tm_mday = 7;
        t.tm_hour = 9; t.tm_min = 5; t.tm_sec = 30;
        when = timegm(&t);
    }
    showLcdCalls = 0;
    DriverStart({when, true, seed, CountShowLcd, nullptr});
}

// One 500 ms timer period: the half-second service, and on every second
// period the once-a-second tick right after it.
inline void HalfSecond() { DriverPeriod(); }

inline void Wait(uint32_t halfSeconds) {
    for (uint32_t i = 0; i < halfSeconds; ++i) HalfSecond();
}

inline void Press(uint8_t key, int times = 1) {
    for (int i = 0; i < times; ++i) DriverPress(key);
}

// From the reading screen: open the main menu, then move to each row in
// turn and choose it (the last Select opens that row's menu or editor).
inline void Open(std::initializer_list<int> rows) {
    Press(KeySelect);
    for (int row : rows) {
        Press(KeyDown, row - fw.menuCursor);
        Press(KeySelect);
    }
}

// Start, press Select/Power and wait until the reading screen shows.
inline void Boot(std::time_t when = 0, unsigned seed = 1) {
    Start(when, seed);
    Press(KeySelect);
    Wait(5);  // logo at the first service, running at the fifth
}

// LCD row y as 122 characters: '#' ink, '.' background, '-' anything else.
inline std::string Row(int y) {
    std::string s;
    for (int x = 0; x < kLcdWidth; ++x) {
        uint32_t p = LcdScreenPixel(2 * x, 2 * y);
        s += p == kLcdInk ? '#' : p == kLcdBackground ? '.' : '-';
    }
    return s;
}

// The columns x0..x0+w-1 of rows y0..y0+h-1, rows separated by '\n'.
inline std::string Area(int x0, int y0, int w, int h) {
    std::string s;
    for (int y = y0; y < y0 + h; ++y) {
        s += Row(y).substr(x0, w);
        s += '\n';
    }
    return s;
}

}  // namespace harness
