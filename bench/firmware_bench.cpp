// Cost of one second of the running device: two half-second services and
// one second tick on each reading screen. The window runs this in real time,
// the runner runs it back to back for days of virtual time.
#include <benchmark/benchmark.h>

#include "core/driver.h"
#include "firmware/firmware.h"
#include "platform/clock.h"
#include "platform/lcd.h"
#include "platform/show_lcd.h"

namespace {

void BootDevice(uint8_t displayMode) {
    DriverStart({1765000000, true, 7, nullptr, nullptr});
    DriverPress(KeySelect);
    for (int i = 0; i < 6; ++i) FirmwareHalfSecondService();
    fw.displayMode = displayMode;
    RedrawScreen();
}

void BM_RunningSecond(benchmark::State& state) {
    BootDevice(static_cast<uint8_t>(state.range(0)));
    for (auto _ : state) {
        FirmwareHalfSecondService();
        FirmwareHalfSecondService();
        FirmwareSecondTick();
        benchmark::DoNotOptimize(LcdSurface);
    }
}
// 0 text, 1 graph, 2 large digits.
BENCHMARK(BM_RunningSecond)->Arg(0)->Arg(1)->Arg(2);

void BM_MenuKeyPress(benchmark::State& state) {
    BootDevice(1);
    DispatchKey(KeySelect);  // into the main menu
    for (auto _ : state) {
        DispatchKey(KeyDown);
        DispatchKey(KeyUp);
        benchmark::DoNotOptimize(LcdSurface);
    }
}
BENCHMARK(BM_MenuKeyPress);

}  // namespace
