// The host core's start-up, cadence and the rules that hang on its record
// (the frame, the start hint, the presented picture), shared by every host.
#include "core/driver.h"

#include "core/panel.h"
#include "core/presentation.h"
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
    uint8_t layout = 0;        // the panel's layout, 0 upright
    int pressedKey = -1;       // the drawn key of the last panel click...
    uint64_t pressedAt = 0;    // ...held down until time moves on from here
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
    // The panel turns before the picture is placed, so it lands in the new layout.
    DriverApplySwivel();
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

uint8_t DriverLayout() { return gDriver.layout; }

void DriverSetLayout(uint8_t layout) { gDriver.layout = layout != 0 ? 1 : 0; }

void DriverApplySwivel() { gDriver.layout = DriverPanelLayout(gDriver.layout); }

uint8_t DriverPanelLayout(uint8_t layout) {
    if (realMode == 0 && fw.swivelMode == 1) return 1;
    return layout;
}

bool DriverDisplaySwivelled() { return fw.displayTurned == 1 && fw.swivelMode == 1; }

bool DriverLcdReadsTurned(uint8_t layout) { return DriverDisplaySwivelled() && layout == 0; }

// ---- Panel clicks, the hint and the presented picture -----------------------

namespace {

DriverPanelClick PanelClick(uint8_t key, uint8_t drawnKey) {
    DriverPanelClick click{key, true, false};
    gDriver.pressedKey = drawnKey;
    gDriver.pressedAt = gDriver.halfTicks;
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

DriverPanelClick DriverClickPanelKey(uint8_t drawnKey) { return PanelClick(DriverKeyForDrawn(drawnKey), drawnKey); }

// The swap is its own inverse: the drawn key that sends `key` now.
DriverPanelClick DriverClickForKey(uint8_t key) { return PanelClick(key, DriverKeyForDrawn(key)); }

void DriverPressAsPanelClick(uint8_t key) { DriverClickForKey(key); }

int DriverPressedKey() { return gDriver.pressedKey >= 0 && gDriver.halfTicks == gDriver.pressedAt ? gDriver.pressedKey : -1; }

bool DriverPowerKeySeen() { return gDriver.powerKeySeen; }

uint8_t DriverPressFromKeyboard(uint8_t drawnKey) {
    const uint8_t key = DriverKeyForDrawn(drawnKey);
    DriverPress(key);
    return key;
}

bool DriverStartHintPending() { return gDriver.startHint; }

bool DriverStartHintShown(uint8_t layout) { return gDriver.startHint && layout == 0; }

DriverPanelScene DriverScene() {
    DriverPanelScene scene;
    scene.layout = gDriver.layout;
    scene.lcd = DriverLcdRect(scene.layout);
    scene.frame = DriverLcdFrameRect(scene.layout);
    scene.frameColour = DriverFrameColour();
    scene.lcdTurned = DriverLcdReadsTurned(scene.layout);
    scene.hint = DriverStartHintShown(scene.layout);
    scene.pressedKey = DriverPressedKey();
    return scene;
}

uint32_t DriverFrameColour() { return gDriver.frameLit ? kLcdBackground : kLcdUnlit; }

void DriverKeepHandedOver() {
    gDriver.keepHandedOver = true;
    LcdSnapshot(gHandedOver);
    gDriver.handedOverAt = LcdDrawCount();
    ++gDriver.handedOverSerial;
}

uint64_t DriverHandedOverSerial() { return gDriver.handedOverSerial; }

const LcdBits& DriverHandedOverBits() { return gHandedOver; }

void DriverSetHandedOver(const LcdBits& picture) {
    gHandedOver = picture;
    // The surface may have been drawn on since: the next hand-over copies again.
    gDriver.handedOverAt = LcdDrawCount() - 1;
    ++gDriver.handedOverSerial;
}

void DriverPresentedLcd(uint8_t layout, LcdPicture& out) { DriverPresentLcd(gHandedOver, layout, out); }

void DriverPresentLcd(const LcdBits& picture, uint8_t layout, LcdPicture& out) {
    LcdExpand(picture, out);
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
