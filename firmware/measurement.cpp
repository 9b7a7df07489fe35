// Counts, counts per minute, average, maximum and dose rate: the arithmetic
// behind everything the reading screens show, run once a second.
#include "firmware/firmware.h"
#include "platform/clock.h"

int32_t NextSecondCount() {
    // A real counter reports its own count; the demo yields 0 or 1 per
    // second with equal chance (about 30 CPM), unless a rate is set.
    if (realMode) return fw.realCount;
    return DemoSecondCount();
}

uint32_t SumLastMinute() {
    uint32_t sum = 0;
    for (int i = 0; i < 60; ++i) sum += static_cast<uint32_t>(fw.secondCounts[i]);
    return sum;
}

float CpmToDose(uint32_t n) {
    // Each segment is a slope through the origin, not an interpolation
    // between neighbouring points. A segment is only reached with
    // C(k-1) < n < C(k), so its divisor is never zero, whatever the
    // calibration holds (0 included).
    const CalibrationPoint* c = fw.calibration;
    long double dose;
    if (n == 0) return 0.0f;
    if (n <= c[0].cpm) {
        if (n == c[0].cpm) return c[0].usv;
        dose = static_cast<long double>(c[0].usv) / c[0].cpm * n;
    } else if (n <= c[1].cpm) {
        if (n == c[1].cpm) return c[1].usv;
        int32_t span = static_cast<int32_t>(c[1].cpm - c[0].cpm);
        dose = (static_cast<long double>(c[1].usv) - c[0].usv) / span * n;
    } else if (n <= c[2].cpm) {
        if (n == c[2].cpm) return c[2].usv;
        int32_t span = static_cast<int32_t>(c[2].cpm - c[1].cpm);
        dose = (static_cast<long double>(c[2].usv) - c[1].usv) / span * n;
    } else {
        dose = n * static_cast<long double>(0.0033333333333333335);
    }
    return static_cast<float>(dose);
}

namespace {

// n x factor/10 truncated toward zero, as the device's float arithmetic
// does it; saturated so an absurd count cannot overflow the slot.
int32_t ApplyRateFactor(int32_t n, uint8_t factor) {
    float f = static_cast<float>(factor * 0.1);
    float scaled = static_cast<float>(n) * f;
    if (scaled >= 2147483647.0f) return INT32_MAX;
    if (scaled <= -2147483648.0f) return INT32_MIN;
    return static_cast<int32_t>(scaled);
}

}  // namespace

void MeasureSecond() {
    for (int i = 0; i < 59; ++i) fw.secondCounts[i] = fw.secondCounts[i + 1];
    int32_t n = NextSecondCount();
    fw.secondCounts[59] = n;

    // Tube dead time: at high rates the counts are scaled up. `cpm` is
    // still last second's value here.
    if (fw.cpm > 100) {
        n = ApplyRateFactor(n, fw.highRateFactor);
        fw.secondCounts[59] = n;
    }
    if (fw.speakerOn == 0 && fw.cpm > 100) {
        n = ApplyRateFactor(n, fw.quietHighRateFactor);
        fw.secondCounts[59] = n;
    }

    fw.totalCount += static_cast<uint32_t>(n);
    fw.cpm = SumLastMinute();

    // Average since start, dividing by the running time rounded to the
    // nearest whole minute. Unsigned 32-bit throughout: it wraps.
    uint32_t minutes = fw.uptimeMinutes + 60u * fw.uptimeHours + 1440u * fw.uptimeDays;
    uint32_t hundredfold;
    if (minutes > 0) {
        uint32_t divisor = fw.uptimeSeconds > 30 ? minutes + 1 : minutes;
        hundredfold = fw.totalCount * 100u / divisor;
    } else {
        hundredfold = fw.cpm * 100u;
    }
    fw.avgCpmHundredths = static_cast<uint8_t>(hundredfold % 100);
    fw.avgCpmWhole = hundredfold / 100;

    TimedCountSecond(n);
    fw.doseRate = CpmToDose(fw.cpm);

    if (fw.cpm > fw.maxCpm) {
        fw.maxCpm = fw.cpm;
        SaveSettings();
        HardwareHook(0, 0);
        HardwareHook(49, fw.maxCpm / 256);
        HardwareHook(50, fw.maxCpm % 256);
    }
}
