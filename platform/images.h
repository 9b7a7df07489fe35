// Fonts and stock pictures of the LCD. Pictures use the LcdImage layout:
// width, 0, height, 0, then ceil(height / 8) bands of `width` column bytes,
// bit 0 being the top row of a band.
#pragma once

#include <cstdint>

// Glyphs for codes 32..159, five column bytes each (bit 0 = top row).
extern const uint8_t SmallFont[128][5];

// Large digits '0'..'9', '.', '-' (9 x 23 each), in that order.
extern const uint8_t* const LargeFont[12];

extern const uint8_t kExternalPowerIcon[];  // 38 x 18
extern const uint8_t kBatteryIcon[];        // 37 x 17
extern const uint8_t kStartupLogo[];        // 116 x 28
extern const uint8_t* const kBatteryLevel[8];  // 10 x 6 each, k filled columns
extern const uint8_t kDegreesCelsius[];     // 17 x 17
extern const uint8_t kDegreesFahrenheit[];  // 17 x 17
extern const uint8_t kUnitCpm[];            // 32 x 15
extern const uint8_t kUnitUsvh[];           // 39 x 15
extern const uint8_t kUnitMrh[];            // 35 x 15
