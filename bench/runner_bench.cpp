// A simulated day as geigersim-run runs it: the device powered on in its
// loaded settings (graphic reading screen, saving every second), then 24 h
// of virtual time on the runner's clock with its hand-over copies. The
// "x_real_time" counter is simulated seconds per second of wall clock.
#include <benchmark/benchmark.h>

#include "firmware/firmware.h"
#include "tools/run/runner.h"

namespace {

constexpr uint64_t kDaySeconds = 24 * 60 * 60;

void BM_SimulatedDayGraphSavingEverySecond(benchmark::State& state) {
    geigerrun::Runner runner;
    for (auto _ : state) {
        runner.Start({1767225600, 1});  // 2026-01-01, seed 1
        runner.Press(KeySelect);
        runner.Wait(2 * kDaySeconds);
        benchmark::DoNotOptimize(runner.showLcdCalls());
    }
    // The settings this measures; a changed store would measure another screen.
    if (fw.displayMode != 1 || fw.saveMode != 1) state.SkipWithError("not the graph screen saving every second");
    state.counters["x_real_time"] =
        benchmark::Counter(static_cast<double>(kDaySeconds), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_SimulatedDayGraphSavingEverySecond)->Unit(benchmark::kMillisecond);

}  // namespace
