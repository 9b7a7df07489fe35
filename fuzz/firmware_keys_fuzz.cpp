// Drives the whole firmware the way the window does, from a byte script:
// key clicks, half-second periods (the second tick after every other one),
// real counts from the host and back to demo counts. Only what the host
// itself writes is written here (realMode, fw.realCount, the holds and the
// clock snapshot at start); every setting changes through the menus.
// Wherever the keys lead, the device saves a snapshot that loads: every
// field stays within what the loader's checks allow.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "core/driver.h"
#include "firmware/firmware.h"
#include "core/snapshot.h"
#include "firmware/state.h"
#include "platform/clock.h"
#include "platform/show_lcd.h"

namespace {

// Virtual time per input (12.5 minutes): enough for a ten-minute timed
// count and every editor's idle close, yet fast per run.
constexpr uint32_t kMaxHalfSeconds = 1500;

struct Script {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool Done() const { return at >= size; }
    uint8_t Byte() { return at < size ? data[at++] : 0; }
};

uint32_t budget = 0;

// Host clocks at start: an ordinary day, the last seconds of the two-digit
// years, and the year the clock chip reads as unset.
std::time_t StartClock(uint8_t choice) {
    static constexpr int kClocks[][6] = {
        {2026, 3, 7, 9, 5, 30}, {2099, 12, 31, 23, 59, 50}, {2000, 1, 1, 0, 0, 0}, {2024, 2, 29, 23, 59, 58}};
    const int* c = kClocks[choice % 4];
    std::tm t{};
    t.tm_year = c[0] - 1900;
    t.tm_mon = c[1] - 1;
    t.tm_mday = c[2];
    t.tm_hour = c[3];
    t.tm_min = c[4];
    t.tm_sec = c[5];
    t.tm_isdst = -1;
    return std::mktime(&t);
}

void HalfSeconds(uint32_t n) {
    for (uint32_t i = 0; i < n && budget > 0; ++i, --budget) {
        DriverPeriod();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Script in{data, size};

    // The window's start: record at load, clock and seed fixed, holds
    // cleared, swivel "Normal"; then the power key and the boot.
    const uint8_t setup = in.Byte();
    DriverStart({StartClock(setup), true, static_cast<uint32_t>(setup >> 2), nullptr, nullptr});
    budget = kMaxHalfSeconds;
    DriverPress(KeySelect);
    HalfSeconds(5);

    while (!in.Done() && budget > 0) {
        const uint8_t op = in.Byte();
        const uint8_t param = op & 0x1F;
        switch (op >> 5) {
        case 0:
        case 1:
        case 2:  // one click
            DispatchKey(op & 3);
            break;
        case 3: {  // the same key clicked 1..8 times (menu walks)
            const int repeat = ((op >> 2) & 7) + 1;
            for (int i = 0; i < repeat; ++i) DispatchKey(op & 3);
            break;
        }
        case 4:  // a short wait
            HalfSeconds(param + 1u);
            break;
        case 5:  // a long wait
            HalfSeconds((param + 1u) * 24u);
            break;
        case 6:  // real mode with a count the host reports
            realMode = 1;
            if (param & 1) {
                // Any 32-bit count, as the headless runner can hand over.
                uint32_t v = 0;
                for (int i = 0; i < 4; ++i) v = (v << 8) | in.Byte();
                fw.realCount = static_cast<int32_t>(v);
            } else {
                // A two-byte report: 14 bits.
                const uint8_t hi = in.Byte();
                fw.realCount = int32_t((hi & 0x3F) * 256 + in.Byte());
            }
            break;
        default:  // back to demo counts
            realMode = 0;
            break;
        }
    }
    SnapshotHostPart host;
    std::vector<uint8_t> saved(SnapshotSize(0));
    const char* why = nullptr;
    const size_t written = SnapshotWrite(host, "fuzz", saved.data(), saved.size(), &why);
    if (written == 0 || !SnapshotCheck(saved.data(), written, nullptr, &why)) {
        std::fprintf(stderr, "the keys led to a device its snapshot refuses: %s\n", why);
        std::abort();
    }
    DriverSetHandOver(nullptr, nullptr);
    return 0;
}
