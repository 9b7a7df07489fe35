// The host core's start-up, cadence and presentation rules, shared by the
// window, the runner, the test harness, the bench and the fuzzers.
#include "firmware/driver.h"

#include "platform/clock.h"

namespace {

struct DriverState {
    uint64_t halfTicks = 0;
    uint64_t handOvers = 0;
    uint64_t steps = 0;  // key presses and periods begun
    bool frameLit = false;
    ShowLcdHandler handOver = nullptr;
    void* context = nullptr;
    bool startHint = true;  // until the first panel click on Select/Power
    bool powerKeySeen = false;
    // The copy of the surface at the last hand-over, for hosts that asked.
    bool keepHandedOver = false;
    uint64_t handedOverAt = 0;  // LcdDrawCount() at that copy
    uint64_t handedOverSerial = 0;
};
DriverState gDriver;
LcdBits gHandedOver;
DriverSecondObserver gSecondObserver = nullptr;
void* gSecondContext = nullptr;

// The firmware's ShowLcd lands here first, so every host sees the same
// count and frame, then the host's own side runs.
void HandOver(void*) {
    ++gDriver.handOvers;
    if (fw.bootState == 0) gDriver.frameLit = true;
    // A copy only when something was drawn since the last: the logo, for
    // one, is cleared from the surface right after it is handed over.
    if (gDriver.keepHandedOver && LcdDrawCount() != gDriver.handedOverAt) {
        LcdSnapshot(gHandedOver);
        gDriver.handedOverAt = LcdDrawCount();
        ++gDriver.handedOverSerial;
    }
    if (gDriver.handOver != nullptr) gDriver.handOver(gDriver.context);
}

}  // namespace

void FirmwareHostStart() {
    fw.swivelMode = 0;
    fw.holdAll = 0;
    fw.holdOutput = 0;
    fw.holdStart = 0;
}

void DriverStart(const DriverStartOptions& options) {
    FirmwareReset();
    RtcSetSnapshot(options.clock);
    RandomSetSeedOverride(options.seedFixed, options.seed);
    gDriver = DriverState{};
    gDriver.handOver = options.handOver;
    gDriver.context = options.context;
    SetShowLcdHandler(HandOver, nullptr);
    FirmwareHostStart();
}

void DriverSetHandOver(ShowLcdHandler handOver, void* context) {
    gDriver.handOver = handOver;
    gDriver.context = context;
}

bool DriverHandsOverTo(const void* context) { return gDriver.context == context; }

bool FirmwareTimerPeriod(uint64_t& halfTicks, void (*beforeSecond)(void*), void* context,
                         const FirmwareServices& services) {
    services.halfSecondService();
    if (++halfTicks % 2 != 0) return false;
    if (beforeSecond != nullptr) beforeSecond(context);
    services.secondTick();
    return true;
}

bool DriverPeriod(void (*beforeSecond)(void*), void* context, const FirmwareServices& services) {
    // The second tick returns at once unless the device has booted.
    const bool running = fw.bootState == 2;
    ++gDriver.steps;
    const bool second = FirmwareTimerPeriod(gDriver.halfTicks, beforeSecond, context, services);
    if (second && running && gSecondObserver != nullptr)
        gSecondObserver(DriverSecondNow(gDriver.halfTicks / 2), gSecondContext);
    return second;
}

DriverSecond DriverSecondNow(uint64_t second) {
    DriverSecond s{};
    s.second = second;
    s.count = fw.secondCounts[59];
    s.cpm = fw.cpm;
    s.doseRate = fw.doseRate;
    s.doseInMr = (fw.infoLine & 4) != 0;
    s.realMode = realMode != 0;
    // The alarm step runs after the measurement and nothing later in the
    // tick changes what it compared.
    s.alarmCompared = fw.alarmOn == 1 && fw.uiMode != HistoryView;
    const bool reached = s.alarmCompared && AlarmThresholdReached();
    s.alarmSounds = reached && fw.speakerOn == 1;
    s.alarmShown = reached && fw.speakerOn != 1;
    // A dark display in power saving has the alarm step quieten the buzzer.
    const bool quietened = s.alarmCompared && fw.powerSavingOn && fw.displayOn == 0;
    s.clicks = fw.powered && fw.speakerOn == 1 && !quietened;
    s.alarmInCpm = fw.alarmUnit == 0;
    s.alarmLevelCpm = fw.alarmLevelCpm;
    s.alarmLevelUsv = fw.alarmLevelUsv;
    return s;
}

void DriverSetSecondObserver(DriverSecondObserver observer, void* context) {
    gSecondObserver = observer;
    gSecondContext = context;
}

void DriverPress(uint8_t key) {
    ++gDriver.steps;
    DispatchKey(key);
}

uint64_t DriverHalfTicks() { return gDriver.halfTicks; }
uint64_t DriverHandOvers() { return gDriver.handOvers; }
uint64_t DriverSteps() { return gDriver.steps; }
bool DriverFrameLit() { return gDriver.frameLit; }

void DriverSetTime(uint64_t halfTicks, uint64_t handOvers, bool frameLit) {
    gDriver.halfTicks = halfTicks;
    gDriver.handOvers = handOvers;
    gDriver.frameLit = frameLit;
    // A device whose frame is lit has had its power key pressed: no hint.
    if (frameLit) {
        gDriver.startHint = false;
        gDriver.powerKeySeen = true;
    }
}

uint8_t DriverPanelLayout(uint8_t layout) {
    if (realMode == 0 && fw.swivelMode == 1) return 1;
    return layout;
}

bool DriverDisplaySwivelled() { return fw.displayTurned == 1 && fw.swivelMode == 1; }

bool DriverLcdReadsTurned(uint8_t layout) { return DriverDisplaySwivelled() && layout == 0; }

// ---- Panel and keys ---------------------------------------------------------

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

namespace {

DriverPanelClick PanelClick(uint8_t key) {
    DriverPanelClick click{key, true, false};
    if (key == KeySelect) {
        click.sendToCounter = gDriver.powerKeySeen;
        gDriver.powerKeySeen = true;
        click.hintEnded = gDriver.startHint;
        gDriver.startHint = false;
    }
    DriverPress(key);
    return click;
}

}  // namespace

DriverPanelClick DriverClickPanelKey(uint8_t drawnKey) { return PanelClick(DriverKeyForDrawn(drawnKey)); }

void DriverPressAsPanelClick(uint8_t key) { PanelClick(key); }

uint8_t DriverPressFromKeyboard(uint8_t drawnKey) {
    const uint8_t key = DriverKeyForDrawn(drawnKey);
    DriverPress(key);
    return key;
}

int DriverKeyboardKeyFor(const char* name) {
    if (name == nullptr) return -1;
    for (const DriverKeyboardKey& k : kDriverKeyboardKeys)
        if (SameName(k.name, name)) return k.drawnKey;
    return -1;
}

bool DriverStartHintShown(uint8_t layout) { return gDriver.startHint && layout == 0; }

uint32_t DriverFrameColour() { return gDriver.frameLit ? kLcdBackground : kLcdUnlit; }

void DriverKeepHandedOver() {
    gDriver.keepHandedOver = true;
    LcdSnapshot(gHandedOver);
    gDriver.handedOverAt = LcdDrawCount();
    ++gDriver.handedOverSerial;
}

uint64_t DriverHandedOverSerial() { return gDriver.handedOverSerial; }

void DriverPresentedLcd(uint8_t layout, LcdPicture& out) {
    LcdExpand(gHandedOver, out);
    if (!DriverLcdReadsTurned(layout)) return;
    // Pixel (c, r) goes to (w - 1 - c, h - 1 - r): the rows in reverse
    // order, each row reversed.
    uint32_t* first = &out.pixels[0][0];
    uint32_t* last = first + kLcdScreenWidth * kLcdScreenHeight - 1;
    while (first < last) {
        const uint32_t t = *first;
        *first++ = *last;
        *last-- = t;
    }
}

// ---- Scaled presentation ----------------------------------------------------

namespace {

int RoundToInt(double v) { return static_cast<int>(v < 0 ? v - 0.5 : v + 0.5); }

}  // namespace

int DriverLcdPixelSize(double scale) {
    const int p = RoundToInt(2 * scale);
    return p < 1 ? 1 : p;
}

int DriverLcdPixelSizeToFit(double scale) {
    // A hair over the product, so that 1.5 x 2 counts as 3 whatever its rounding.
    const int p = static_cast<int>(2 * scale + 1e-9);
    return p < 1 ? 1 : p;
}

DriverRect DriverScaledLcdRect(uint8_t layout, double scale) {
    return DriverScaledLcdRect(layout, scale, DriverLcdPixelSize(scale));
}

DriverRect DriverScaledLcdRect(uint8_t layout, double scale, int pixelSize) {
    const DriverRect lcd = DriverLcdRect(layout);
    const int p = pixelSize < 1 ? 1 : pixelSize;
    const int w = kLcdWidth * p;
    const int h = kLcdHeight * p;
    const double cx = (lcd.x + lcd.width / 2.0) * scale;
    const double cy = (lcd.y + lcd.height / 2.0) * scale;
    return {RoundToInt(cx - w / 2.0), RoundToInt(cy - h / 2.0), w, h};
}

DriverRect DriverScaledFrameRect(uint8_t layout, double scale) {
    return DriverScaledFrameRect(layout, scale, DriverLcdPixelSize(scale));
}

DriverRect DriverScaledFrameRect(uint8_t layout, double scale, int pixelSize) {
    // 6, 5, 6 and 3 panel pixels are 3, 2.5, 3 and 1.5 LCD pixels.
    const DriverRect lcd = DriverScaledLcdRect(layout, scale, pixelSize);
    const double p = pixelSize < 1 ? 1 : pixelSize;
    const int side = RoundToInt(3 * p);
    const int above = RoundToInt(2.5 * p);
    const int below = RoundToInt(1.5 * p);
    return {lcd.x - side, lcd.y - above, lcd.width + 2 * side, lcd.height + above + below};
}

void DriverScaleLcd(const LcdPicture& picture, int pixelSize, uint32_t* out) {
    const int p = pixelSize < 1 ? 1 : pixelSize;
    const int width = kLcdWidth * p;
    for (int y = 0; y < kLcdHeight * p; ++y) {
        uint32_t* row = out + static_cast<size_t>(y) * width;
        if (p % 2 == 0) {
            const uint32_t* source = picture.pixels[y / (p / 2)];
            for (int x = 0; x < width; ++x) row[x] = source[x / (p / 2)];
        } else {
            const uint32_t* source = picture.pixels[2 * (y / p)];
            for (int x = 0; x < width; ++x) row[x] = source[2 * (x / p)];
        }
    }
}
