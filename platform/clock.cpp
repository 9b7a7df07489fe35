// Stand-ins for the clock chip, battery and temperature sensors: the clock
// always reads the moment the program started.
#include "platform/clock.h"

#include <ctime>

std::time_t rtcSnapshot = std::time(nullptr);

namespace {

bool seedOverridden = false;
unsigned seedOverride = 0;

// The snapshot in local time. The firmware reads the clock several times a
// second and the snapshot hardly ever changes, so the conversion is kept
// until the snapshot does; the host's time zone does not change while the
// program runs.
std::tm SnapshotLocal() {
    static bool converted = false;
    static std::time_t convertedWhen = 0;
    static std::tm local{};
    const std::time_t when = rtcSnapshot;
    if (converted && when == convertedWhen) return local;
    if (localtime_r(&when, &local) == nullptr) {
        // Out of the host's range: read as midnight, 1 January 2000 rather
        // than as garbage.
        local = std::tm{};
        local.tm_year = 100;
        local.tm_mday = 1;
    }
    converted = true;
    convertedWhen = when;
    return local;
}

}  // namespace

void RtcSetSnapshot(std::time_t when) { rtcSnapshot = when; }

uint8_t RtcYear() { return static_cast<uint8_t>(SnapshotLocal().tm_year + 1900 - 2000); }
uint8_t RtcMonth() { return static_cast<uint8_t>(SnapshotLocal().tm_mon + 1); }
uint8_t RtcDay() { return static_cast<uint8_t>(SnapshotLocal().tm_mday); }
uint8_t RtcHour() { return static_cast<uint8_t>(SnapshotLocal().tm_hour); }
uint8_t RtcMinute() { return static_cast<uint8_t>(SnapshotLocal().tm_min); }
uint8_t RtcSecond() { return static_cast<uint8_t>(SnapshotLocal().tm_sec); }

unsigned RandomSeedNow() {
    if (seedOverridden) return seedOverride;
    return static_cast<unsigned>(std::time(nullptr));
}

void RandomSetSeedOverride(bool enabled, unsigned seed) {
    seedOverridden = enabled;
    seedOverride = seed;
}

uint8_t ReadBatteryLevel() { return 85; }

uint8_t ReadTemperature(uint8_t* whole, uint8_t* tenths) {
    if (whole != nullptr) *whole = 25;
    if (tenths != nullptr) *tenths = 1;
    return 0;
}
