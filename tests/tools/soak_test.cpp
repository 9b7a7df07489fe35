// A seeded random soak on the runner's virtual clock: key clicks, waits
// from 500 ms to hours, and real counts up to the extremes of the report,
// with the device's invariants checked after every step. A failure names
// the seed and the step; GEIGERSIM_SOAK_SEED=N replays that seed alone.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "firmware/dataflash.h"
#include "firmware/firmware.h"
#include "platform/lcd.h"
#include "script/commands/state_json.h"
#include "tools/run/runner.h"

namespace {

using geigerrun::Runner;

#if defined(__SANITIZE_ADDRESS__)
constexpr int kSeeds = 3;  // the sanitised build is some ten times slower
#else
constexpr int kSeeds = 8;
#endif
constexpr uint64_t kDaysPerSeed = 2;
constexpr uint64_t kHalfSecondsPerDay = 2 * 24 * 3600;
constexpr uint32_t kWriteWindow = kFlashAreaSize;  // appends land in the low 16 bits

uint64_t UptimeSeconds() {
    // Days are a byte and wrap after 256: that wrap is the device's own.
    return ((static_cast<uint64_t>(fw.uptimeDays) * 24 + fw.uptimeHours) * 60 + fw.uptimeMinutes) * 60 +
           fw.uptimeSeconds;
}
constexpr uint64_t kUptimeWrap = 256ull * 24 * 3600;

// The first field of the state line that differs, for the failure message.
std::string FirstDifference(const std::string& a, const std::string& b) {
    std::istringstream sa(a), sb(b);
    std::string fa, fb;
    while (std::getline(sa, fa, ',') && std::getline(sb, fb, ','))
        if (fa != fb) return fa + " became " + fb;
    return "(no field differs)";
}

uint8_t gStore[256];
void CaptureStore(uint16_t address, uint8_t value) { gStore[address & 0xFF] = value; }
uint8_t ReadStore(uint16_t address) { return gStore[address & 0xFF]; }

// Every setting is one the loader keeps: saved and loaded again it comes
// back unchanged (its range check passes, or it is the loader's own
// fallback). maxCpm is a reading the store keeps in 16 bits, not a
// setting; loading also stamps the log and redraws marks, so the device
// is put back afterwards.
::testing::AssertionResult SettingsSurviveTheLoader() {
    auto saved = std::make_unique<FirmwareState>(fw);
    auto flash = std::make_unique<uint8_t[]>(kFlashAreaSize);
    std::memcpy(flash.get(), FlashWriteArea, kFlashAreaSize);
    auto lcd = std::make_unique<LcdBits>(LcdSurface);
    const LcdCursor cursor = textCursor;
    const std::string before = geigerrun::StateJson(0, 0);

    std::memset(gStore, 0xFF, sizeof gStore);
    SaveSettingsTo(CaptureStore);
    LoadSettingsFrom(ReadStore);
    fw.maxCpm = saved->maxCpm;
    fw.backlightOn = saved->backlightOn;  // a timer of 0 switches the light off at load
    fw.flashWriteHigh = saved->flashWriteHigh;
    fw.flashWriteMiddle = saved->flashWriteMiddle;
    fw.flashWriteLow = saved->flashWriteLow;
    textCursor = cursor;  // the marks are drawn at load
    // The contrast editor steps within 15..40 while the loader keeps 21..48
    // (else 20): the device's own pair of ranges, so 15..19 reloads as 20.
    if (saved->contrast >= 15 && saved->contrast <= 40) fw.contrast = saved->contrast;
    const std::string after = geigerrun::StateJson(0, 0);

    fw = *saved;
    std::memcpy(FlashWriteArea, flash.get(), kFlashAreaSize);
    LcdSurface = *lcd;
    textCursor = cursor;
    if (before == after) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "a setting the loader would not keep: " << FirstDifference(before, after);
}

// Ranges the record itself gives (its comments and types).
::testing::AssertionResult RecordInRange() {
    std::ostringstream bad;
    if (fw.uiMode < Reading || fw.uiMode > Temperature) bad << " uiMode " << fw.uiMode;
    if (fw.bootState > 2) bad << " bootState " << int(fw.bootState);
    if (fw.powered > 1) bad << " powered " << int(fw.powered);
    if (fw.uptimeSeconds > 59 || fw.uptimeMinutes > 59 || fw.uptimeHours > 23) bad << " running time";
    if (fw.avgCpmHundredths > 99) bad << " avgCpmHundredths " << int(fw.avgCpmHundredths);
    if (static_cast<uint8_t>(fw.note[0]) > kNoteMax) bad << " note length " << int(fw.note[0]);
    if (fw.flashWriteHigh > 0x0F || fw.flashReadHigh > 0x0F) bad << " flash address past 20 bits";
    if (fw.uiMode == Menu) {
        // Cursor and top row inside the shown table (its "Exit" included).
        if (CurrentMenuRow() == nullptr) bad << " menuCursor " << int(fw.menuCursor) << " outside the table";
        if (MenuRowLabel(fw.menuTop) == nullptr) bad << " menuTop " << int(fw.menuTop) << " outside the table";
    }
    if (bad.str().empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "out of range:" << bad.str();
}

struct Step {
    std::string text;      // as a geigersim-run command
    uint64_t halfSeconds;  // 0 unless a wait
};

Step RandomStep(std::mt19937& rng, Runner& runner) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const double kind = unit(rng);
    static const char* const kKeys[] = {"back", "up", "down", "select"};
    if (kind < 0.5) {
        const uint8_t key = static_cast<uint8_t>(rng() % 4);
        runner.Press(key);
        return {std::string("press ") + kKeys[key], 0};
    }
    if (kind < 0.85) {
        // Mostly short, so keys meet every phase of the value box and the
        // boot; one in four from seconds to six hours, log-uniform.
        uint64_t half = 1 + rng() % 12;
        if (unit(rng) < 0.25) half = static_cast<uint64_t>(std::exp(unit(rng) * std::log(2.0 * 6 * 3600)));
        if (half == 0) half = 1;
        runner.Wait(half);
        return {"wait " + std::to_string(half * 500) + "ms", half};
    }
    if (kind < 0.97) {
        static const int32_t kExtremes[] = {0, 16383, 65535, 2147483647, -1, INT32_MIN, 1, 5, 300};
        std::vector<int32_t> counts(1 + rng() % 6);
        for (int32_t& c : counts)
            c = unit(rng) < 0.5 ? kExtremes[rng() % std::size(kExtremes)] : static_cast<int32_t>(rng() % 200);
        runner.Real(counts);
        std::string text = "real";
        for (int32_t c : counts) text += " " + std::to_string(c);
        return {text, 0};
    }
    runner.Demo();
    return {"demo", 0};
}

void Soak(uint32_t seed, uint64_t days) {
    std::mt19937 rng(seed);
    Runner runner;
    runner.Start({static_cast<std::time_t>(1767225600 + seed % 365 * 86400), seed});
    auto flash = std::make_unique<uint8_t[]>(kFlashAreaSize);
    std::memcpy(flash.get(), FlashWriteArea, kFlashAreaSize);
    uint32_t writeAt = FlashWriteAddress();
    uint64_t uptime = UptimeSeconds();

    for (uint64_t step = 1; runner.halfTicks() < days * kHalfSecondsPerDay; ++step) {
        const bool running = fw.bootState == 2;
        const uint64_t halfTicksBefore = runner.halfTicks();
        const Step done = RandomStep(rng, runner);
        const std::string where = "seed " + std::to_string(seed) + ", step " + std::to_string(step) + " (" +
                                  done.text + ", at " + std::to_string(halfTicksBefore * 500) + " ms)";

        ASSERT_TRUE(RecordInRange()) << where;
        // Before the first power-on the record still holds the image's values.
        if (fw.bootState != 0) {
            ASSERT_TRUE(SettingsSurviveTheLoader()) << where;
        }

        // Running time advances one second per second tick, and nothing else moves it.
        const uint64_t ticks = runner.halfTicks() / 2 - halfTicksBefore / 2;
        if (running) {
            ASSERT_EQ(UptimeSeconds(), (uptime + ticks) % kUptimeWrap) << where;
        }
        uptime = UptimeSeconds();

        // Right after a second tick, cpm is the sum of the minute's slots
        // (the slots hold the counts as the high-rate factors corrected them).
        if (done.halfSeconds > 0 && runner.halfTicks() % 2 == 0 && running) {
            ASSERT_EQ(fw.cpm, SumLastMinute()) << where;
        }

        // Appends land at the write address and move it on by what they
        // wrote: no byte changes outside [old, new) of the write area. An
        // erase puts the address back to 0 first.
        const uint32_t now = FlashWriteAddress();
        uint32_t from = writeAt;
        uint32_t length = (now - writeAt) & 0xFFFFF;
        if (done.halfSeconds == 0 && now < writeAt) {
            from = 0;
            length = now;
        }
        if (length < kWriteWindow) {
            // Outside the window: from its end round the ring to its start.
            for (uint32_t i = (from + length) & 0xFFFF, n = kWriteWindow - length; n > 0; i = (i + 1) & 0xFFFF, --n) {
                if (FlashWriteArea[i] != flash[i]) FAIL() << where << ": flash byte " << i << " changed outside the appends";
            }
        }
        std::memcpy(flash.get(), FlashWriteArea, kFlashAreaSize);
        writeAt = now;
    }
}

TEST(Soak, RandomKeysWaitsAndCountsKeepTheDeviceConsistent) {
    if (const char* one = std::getenv("GEIGERSIM_SOAK_SEED")) {
        Soak(static_cast<uint32_t>(std::strtoul(one, nullptr, 10)), kDaysPerSeed);
        return;
    }
    for (uint32_t seed = 1; seed <= kSeeds && !HasFatalFailure(); ++seed) Soak(seed, kDaysPerSeed);
}

}  // namespace
