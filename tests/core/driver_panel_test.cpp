// The host core's panel rules: key clicks, the start hint, the keyboard
// names, where a point hits a key, and the LCD picture a host presents.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "core/panel.h"
#include "core/presentation.h"
#include "core/scaled.h"
#include "firmware/device_harness.h"

namespace {

TEST(DriverPanel, FirstPowerClickEndsHintAndIsNotSent) {
    harness::Start();
    EXPECT_TRUE(DriverStartHintShown(0));
    EXPECT_FALSE(DriverStartHintShown(1));  // the hint's spot is the LCD on the turned panel

    const DriverPanelClick up = DriverClickPanelKey(KeyUp);
    EXPECT_EQ(up.key, KeyUp);
    EXPECT_TRUE(up.sendToCounter);
    EXPECT_FALSE(up.hintEnded);
    EXPECT_EQ(DriverPressFromKeyboard(KeySelect), KeySelect);  // the keyboard leaves the hint
    EXPECT_TRUE(DriverStartHintShown(0));

    const DriverPanelClick first = DriverClickPanelKey(KeySelect);
    EXPECT_FALSE(first.sendToCounter);
    EXPECT_TRUE(first.hintEnded);
    EXPECT_FALSE(DriverStartHintShown(0));
    const DriverPanelClick second = DriverClickPanelKey(KeySelect);
    EXPECT_TRUE(second.sendToCounter);
    EXPECT_FALSE(second.hintEnded);

    harness::Start();  // a fresh device shows the hint again
    EXPECT_TRUE(DriverStartHintShown(0));
    DriverPressAsPanelClick(KeySelect);  // a script's power press, as received
    EXPECT_FALSE(DriverStartHintShown(0));
}

TEST(DriverPanel, UpAndDownSwapOnlyWhileSwivelled) {
    harness::Boot();
    fw.swivelMode = 1;
    fw.displayTurned = 0;
    EXPECT_EQ(DriverKeyForDrawn(KeyUp), KeyUp);
    fw.displayTurned = 1;
    EXPECT_EQ(DriverKeyForDrawn(KeyUp), KeyDown);
    EXPECT_EQ(DriverKeyForDrawn(KeyDown), KeyUp);
    EXPECT_EQ(DriverKeyForDrawn(KeyBack), KeyBack);
    EXPECT_EQ(DriverClickPanelKey(KeyDown).key, KeyUp);
    EXPECT_EQ(DriverPressFromKeyboard(KeyUp), KeyDown);
}

TEST(DriverPanel, KeyboardNamesAndKeyCircles) {
    EXPECT_EQ(DriverKeyboardKeyFor("Left"), KeyBack);
    EXPECT_EQ(DriverKeyboardKeyFor("Backspace"), KeyBack);
    EXPECT_EQ(DriverKeyboardKeyFor("Space"), KeySelect);
    EXPECT_EQ(DriverKeyboardKeyFor("Spac"), -1);
    EXPECT_EQ(DriverKeyboardKeyFor("Enter"), -1);
    EXPECT_EQ(DriverKeyboardKeyFor(nullptr), -1);

    // Centre and just inside the circle's edge hit; the box's corner does not.
    EXPECT_EQ(DriverPanelKeyAt(0, 55 + 17.5, 208 + 17.5), KeyBack);
    EXPECT_EQ(DriverPanelKeyAt(0, 305 + 34.5, 208 + 17.5), KeySelect);
    EXPECT_EQ(DriverPanelKeyAt(0, 305 + 1, 208 + 1), -1);
    EXPECT_EQ(DriverPanelKeyAt(1, 181 + 22.5, 61 + 22.5), KeySelect);
    EXPECT_EQ(DriverPanelKeyAt(1, 429 + 22.5, 61 + 22.5), KeyBack);
    EXPECT_EQ(DriverPanelKeyAt(0, 200, 100), -1);

    const DriverRect frame = DriverLcdFrameRect(0);
    EXPECT_EQ(frame.x, 73);
    EXPECT_EQ(frame.y, 73);
    EXPECT_EQ(frame.width, 256);
    EXPECT_EQ(frame.height, 72);
    EXPECT_EQ(DriverLcdRect(1).x, 204);
    EXPECT_EQ(DriverLcdRect(1).y, 169);
}

TEST(DriverPanel, PresentedLcdIsTheLastHandOverTurnedWhenSwivelled) {
    harness::Start();
    DriverKeepHandedOver();
    auto picture = std::make_unique<LcdPicture>();
    DriverPresentedLcd(0, *picture);
    EXPECT_EQ(picture->pixels[0][0], kLcdUnlit);
    EXPECT_EQ(DriverFrameColour(), kLcdUnlit);

    harness::Press(KeySelect);
    harness::Wait(1);  // the logo is handed over, then cleared from the surface
    const uint64_t serial = DriverHandedOverSerial();
    DriverPresentedLcd(0, *picture);
    EXPECT_EQ(DriverFrameColour(), kLcdBackground);
    auto logo = std::make_unique<LcdPicture>();
    LcdExpand(LcdSurface, *logo);
    EXPECT_NE(0, std::memcmp(logo.get(), picture.get(), sizeof *logo));  // shown: the copy, not the surface

    harness::Wait(1);
    EXPECT_EQ(DriverHandedOverSerial(), serial);  // nothing drawn, nothing copied

    fw.swivelMode = 1;
    fw.displayTurned = 1;
    auto turned = std::make_unique<LcdPicture>();
    DriverPresentedLcd(0, *turned);
    DriverPresentedLcd(1, *picture);  // the turned panel reads it upright
    for (int y = 0; y < kLcdScreenHeight; ++y)
        for (int x = 0; x < kLcdScreenWidth; ++x)
            ASSERT_EQ(turned->pixels[y][x], picture->pixels[kLcdScreenHeight - 1 - y][kLcdScreenWidth - 1 - x]);
}

TEST(DriverPanel, SceneFollowsLayoutClicksAndLoads) {
    harness::Boot();
    DriverKeepHandedOver();
    DriverPanelScene scene = DriverScene();
    EXPECT_EQ(scene.layout, 0);
    EXPECT_TRUE(scene.hint);
    EXPECT_EQ(scene.pressedKey, -1);
    EXPECT_EQ(scene.frameColour, kLcdBackground);

    fw.displayTurned = 1;
    fw.swivelMode = 1;
    DriverClickPanelKey(KeyUp);  // swapped, but drawn as Up
    EXPECT_EQ(DriverScene().pressedKey, KeyUp);
    harness::Wait(1);  // time moved on: let go
    EXPECT_EQ(DriverScene().pressedKey, -1);
    scene = DriverScene();  // "Swivel" in demo mode turned the panel at a hand-over
    EXPECT_EQ(scene.layout, 1);
    EXPECT_EQ(scene.lcd.x, DriverLcdRect(1).x);
    EXPECT_FALSE(scene.lcdTurned);
    EXPECT_FALSE(scene.hint);  // the hint's spot is the LCD there

    realMode = 1;  // the counter's reports decide
    DriverSetLayout(0);
    ShowLcd();
    EXPECT_EQ(DriverLayout(), 0);
    EXPECT_TRUE(DriverScene().lcdTurned);
    realMode = 0;

    const uint64_t serial = DriverHandedOverSerial();
    LcdBits loaded{};
    DriverSetHandedOver(loaded);
    EXPECT_EQ(DriverHandedOverSerial(), serial + 1);
    EXPECT_EQ(0, std::memcmp(&DriverHandedOverBits(), &loaded, sizeof loaded));
    ShowLcd();  // drawn on since the load: copied again
    EXPECT_EQ(DriverHandedOverSerial(), serial + 2);
}

}  // namespace

namespace {

TEST(DriverPanel, ScaledLcdKeepsWholeDevicePixels) {
    for (uint8_t layout : {0, 1}) {
        const DriverRect lcd = DriverScaledLcdRect(layout, 1);
        const DriverRect frame = DriverScaledFrameRect(layout, 1);
        EXPECT_EQ(lcd.x, DriverLcdRect(layout).x);
        EXPECT_EQ(lcd.width, 244);
        EXPECT_EQ(frame.y, DriverLcdFrameRect(layout).y);
        EXPECT_EQ(frame.height, DriverLcdFrameRect(layout).height);
    }
    EXPECT_EQ(DriverLcdPixelSize(0.2), 1);
    EXPECT_EQ(DriverLcdPixelSize(1.5), 3);
    EXPECT_EQ(DriverScaledLcdRect(0, 1.5).width, 366);
    // Zoomed to fit a width: never larger than the LCD's scaled place.
    for (double scale : {0.76, 1.0, 1.25, 1.5, 1.99, 2.67, 3.0, 4.1}) {
        const int p = DriverLcdPixelSizeToFit(scale);
        EXPECT_LE(122 * p, 244 * scale + 1e-6) << scale;
        EXPECT_GT(122 * (p + 1), 244 * scale) << scale;
        if (2 * scale == int(2 * scale)) {
            EXPECT_EQ(p, DriverLcdPixelSize(scale)) << scale;
        }
    }
    EXPECT_EQ(DriverLcdPixelSizeToFit(0.4), 1);
    EXPECT_EQ(DriverScaledFrameRect(0, 0.76, 1).width, 122 + 6);

    // Ink at screen pixel (2, 0) only, i.e. LCD pixel (1, 0) by its
    // top-left: size 4 repeats each screen pixel twice, size 3 samples each
    // LCD pixel's top-left screen pixel.
    auto picture = std::make_unique<LcdPicture>();
    for (auto& row : picture->pixels)
        for (uint32_t& p : row) p = kLcdBackground;
    picture->pixels[0][2] = kLcdInk;
    picture->pixels[1][3] = kLcdInk;  // not a top-left: size 3 drops it
    std::vector<uint32_t> four(122 * 4 * 32 * 4), three(122 * 3 * 32 * 3);
    DriverScaleLcd(*picture, 4, four.data());
    DriverScaleLcd(*picture, 3, three.data());
    EXPECT_EQ(four[4], kLcdInk);
    EXPECT_EQ(four[5], kLcdInk);
    EXPECT_EQ(four[6], kLcdBackground);
    EXPECT_EQ(four[2 * 488 + 6], kLcdInk);
    EXPECT_EQ(four[2 * 488 + 4], kLcdBackground);
    for (int x = 0; x < 9; ++x) EXPECT_EQ(three[2 * 366 + x], x >= 3 && x < 6 ? kLcdInk : kLcdBackground) << x;
}

}  // namespace
