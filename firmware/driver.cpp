// The host core's start-up, cadence and presentation rules, shared by the
// window, the runner, the test harness, the bench and the fuzzers.
#include "firmware/driver.h"

#include "platform/clock.h"

namespace {

struct DriverState {
    uint64_t halfTicks = 0;
    uint64_t handOvers = 0;
    bool frameLit = false;
    ShowLcdHandler handOver = nullptr;
    void* context = nullptr;
};
DriverState gDriver;

// The firmware's ShowLcd lands here first, so every host sees the same
// count and frame, then the host's own side runs.
void HandOver(void*) {
    ++gDriver.handOvers;
    if (fw.bootState == 0) gDriver.frameLit = true;
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
    return FirmwareTimerPeriod(gDriver.halfTicks, beforeSecond, context, services);
}

void DriverPress(uint8_t key) { DispatchKey(key); }

uint64_t DriverHalfTicks() { return gDriver.halfTicks; }
uint64_t DriverHandOvers() { return gDriver.handOvers; }
bool DriverFrameLit() { return gDriver.frameLit; }

uint8_t DriverPanelLayout(uint8_t layout) {
    if (realMode == 0 && fw.swivelMode == 1) return 1;
    return layout;
}

bool DriverDisplaySwivelled() { return fw.displayTurned == 1 && fw.swivelMode == 1; }

bool DriverLcdReadsTurned(uint8_t layout) { return DriverDisplaySwivelled() && layout == 0; }
