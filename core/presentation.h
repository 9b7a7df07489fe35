// The host core's presentation: the frame, the panel's layout after the
// swivel rule, and the LCD picture every host shows.
#pragma once

#include <cstdint>

#include "platform/lcd.h"

// The frame around the LCD turns lit with the first hand-over, which comes
// while the device is still off (the power key's own), and stays lit.
bool DriverFrameLit();

// The panel's layout (0 upright, 1 turned) after the swivel rule: in demo
// mode choosing "Swivel" turns the panel for good; otherwise it stays as
// it is (in real mode the counter's reports decide). Hosts apply it when
// the LCD is handed over and when the count source changes.
uint8_t DriverPanelLayout(uint8_t layout);
// The rule applied to the core's layout (core/panel.h DriverLayout): at
// each hand-over, and by hosts when the count source changes.
void DriverApplySwivel();

// Whether the display is swivelled: "Swivel" chosen and the device turned.
// The LCD picture then reads upside down on the upright panel, and the
// panel's Up and Down keys swap their key numbers.
bool DriverDisplaySwivelled();

// Whether the LCD picture reads turned on a panel in `layout`: swivelled
// while the panel is upright (in the turned layout the panel is upside
// down already, so the LCD reads upright).
bool DriverLcdReadsTurned(uint8_t layout);

// The frame's grey: unlit until the first hand-over, then lit (0xRRGGBB).
uint32_t DriverFrameColour();

// The LCD picture as the host shows it: the surface as of the last
// hand-over. A host that wants it asks once after DriverStart; from then on
// each hand-over that follows drawing keeps a copy, and the serial moves.
void DriverKeepHandedOver();
uint64_t DriverHandedOverSerial();
// That picture as kept, and a loaded one put in its place.
const LcdBits& DriverHandedOverBits();
void DriverSetHandedOver(const LcdBits& picture);
// That picture (244 x 64) as presented on a panel in `layout`: turned by 180
// degrees while it reads turned there.
void DriverPresentedLcd(uint8_t layout, LcdPicture& out);
// The same for a picture the host kept itself.
void DriverPresentLcd(const LcdBits& picture, uint8_t layout, LcdPicture& out);

