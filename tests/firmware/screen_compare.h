// Expected LCD content for screen tests: the same area drawn on a cleared
// surface with the primitives directly, so tests state texts and positions
// rather than pixel art.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "firmware/device_harness.h"

namespace screen {

// Clears the LCD, runs `draw` and returns the area it left.
template <typename Draw>
std::string Drawn(int x, int y, int w, int h, Draw draw) {
    LcdClear();
    draw();
    return harness::Area(x, y, w, h);
}

// True when the area shows what `draw` puts there on a cleared LCD. The
// area is read before the LCD is cleared for the expectation.
template <typename Draw>
::testing::AssertionResult ShowsAsIf(int x, int y, int w, int h, Draw draw) {
    std::string shown = harness::Area(x, y, w, h);
    std::string expected = Drawn(x, y, w, h, draw);
    if (shown == expected) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "shown:\n" << shown << "expected:\n" << expected;
}

inline bool AnyInk(const std::string& area) { return area.find('#') != std::string::npos; }

}  // namespace screen
