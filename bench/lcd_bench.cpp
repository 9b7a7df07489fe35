// Cost of the LCD primitives on a full screen: the work of one redraw of a
// reading screen, which the firmware does once a second or per key press.
// Each starts from a cleared screen, as the firmware's first clear leaves it.
#include <benchmark/benchmark.h>

#include "platform/images.h"
#include "platform/lcd.h"

namespace {

// Status line, three text rows and a 120-point graph of lines.
void BM_FullRedrawTextAndGraph(benchmark::State& state) {
    LcdSurfaceCreate();
    LcdClear();
    for (auto _ : state) {
        LcdClear();
        LcdPutText(0, 0, "12:34");
        LcdPutCharAt(88, 0, 129);
        LcdPutCharAt(94, 0, 39);
        LcdDrawImage(kBatteryLevel[5], 112, 0);
        LcdFillRect(0, 7, 122, 1, 1);
        LcdPutText(0, 9, "'CPM:      123");
        LcdPutText(0, 17, "uSv/h:    0.81");
        LcdPutText(0, 25, "Total:  123456");
        int prev = 31;
        for (int x = 1; x < 121; ++x) {
            const int y = 12 + (x * 37 % 19);
            LcdLine(x - 1, prev, x, y);
            prev = y;
        }
        benchmark::DoNotOptimize(LcdSurface);
    }
}
BENCHMARK(BM_FullRedrawTextAndGraph);

// The graph reading screen as the firmware draws it every second: the
// reading area cleared, then 59 short, mostly steep lines two columns apart.
void BM_GraphScreen(benchmark::State& state) {
    LcdSurfaceCreate();
    LcdClear();
    for (auto _ : state) {
        LcdFillRect(0, 8, 122, 24, 0);
        int prev = 31;
        for (int k = 1; k <= 59; ++k) {
            const int y = 8 + (k * 53 % 24);
            LcdLine(2 * k - 2, prev, 2 * k, y);
            prev = y;
        }
        benchmark::DoNotOptimize(LcdSurface);
    }
}
BENCHMARK(BM_GraphScreen);

// The large-font reading screen: six large digits and a unit picture.
void BM_LargeDigitsScreen(benchmark::State& state) {
    LcdSurfaceCreate();
    LcdClear();
    for (auto _ : state) {
        LcdFillRect(0, 8, 122, 24, 0);
        LcdPutLargeText(0, 9, "1234.5");
        LcdDrawImage(kUnitUsvh, 80, 15);
        benchmark::DoNotOptimize(LcdSurface);
    }
}
BENCHMARK(BM_LargeDigitsScreen);

// The whole small-font text area: four rows of 20 characters.
void BM_FullScreenOfText(benchmark::State& state) {
    LcdSurfaceCreate();
    LcdClear();
    for (auto _ : state) {
        for (uint8_t row = 0; row < 4; ++row) LcdPutText(0, static_cast<uint8_t>(8 * row), "ABCDEFGHIJ0123456789");
        benchmark::DoNotOptimize(LcdSurface);
    }
}
BENCHMARK(BM_FullScreenOfText);

}  // namespace
