// Where the LCD and the keys lie on the panel artwork, and which key a
// drawn key or a keyboard key presses.
#include "core/panel.h"

#include "core/presentation.h"

namespace {

constexpr DriverRect kLcdRects[2] = {{79, 78, 244, 64}, {204, 169, 244, 64}};

// The upright artwork's keys are 35 pixels round; the turned artwork, the
// panel upside down, draws them larger and in the opposite order.
constexpr DriverPanelKey kPanelKeys[2][4] = {
    {{KeyBack, 55, 208, 35}, {KeyUp, 140, 208, 35}, {KeyDown, 222, 208, 35}, {KeySelect, 305, 208, 35}},
    {{KeySelect, 181, 61, 45}, {KeyUp, 266, 61, 45}, {KeyDown, 346, 61, 45}, {KeyBack, 429, 61, 45}},
};

bool SameName(const char* a, const char* b) {
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

}  // namespace

DriverRect DriverLcdRect(uint8_t layout) { return kLcdRects[layout == 0 ? 0 : 1]; }

DriverRect DriverLcdFrameRect(uint8_t layout) {
    const DriverRect lcd = DriverLcdRect(layout);
    return {lcd.x - 6, lcd.y - 5, lcd.width + 12, lcd.height + 8};
}

const DriverPanelKey* DriverPanelKeys(uint8_t layout) { return kPanelKeys[layout == 0 ? 0 : 1]; }

int DriverPanelKeyAt(uint8_t layout, double x, double y) {
    for (int i = 0; i < 4; ++i) {
        const DriverPanelKey& k = DriverPanelKeys(layout)[i];
        const double r = k.size / 2.0;
        const double dx = (x - (k.x + r)) / r;
        const double dy = (y - (k.y + r)) / r;
        if (dx * dx + dy * dy <= 1.0) return k.drawnKey;
    }
    return -1;
}

uint8_t DriverKeyForDrawn(uint8_t drawnKey) {
    const bool swivelled = DriverDisplaySwivelled();
    if (swivelled && drawnKey == KeyUp) return KeyDown;
    if (swivelled && drawnKey == KeyDown) return KeyUp;
    return drawnKey;
}

int DriverKeyboardKeyFor(const char* name) {
    if (name == nullptr) return -1;
    for (const DriverKeyboardKey& k : kDriverKeyboardKeys)
        if (SameName(k.name, name)) return k.drawnKey;
    return -1;
}

