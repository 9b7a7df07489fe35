// Stand-ins for the clock chip, battery and temperature sensors: the clock
// always reads the moment the program started.
#include "platform/clock.h"

#include <cmath>
#include <ctime>

std::time_t RtcHostNow() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) return now;
    return now + local.tm_gmtoff;
}

std::time_t rtcSnapshot = RtcHostNow();

namespace {

bool seedOverridden = false;
unsigned seedOverride = 0;

// The snapshot's wall-clock fields. The chip has no time zone: the
// snapshot counts the wall clock's seconds, read without any. The firmware
// reads the clock several times a second and the snapshot hardly ever
// changes, so the conversion is kept until the snapshot does.
std::tm SnapshotLocal() {
    static bool converted = false;
    static std::time_t convertedWhen = 0;
    static std::tm local{};
    const std::time_t when = rtcSnapshot;
    if (converted && when == convertedWhen) return local;
    if (gmtime_r(&when, &local) == nullptr) {
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

bool RandomSeedFixed(unsigned& seed) {
    seed = seedOverride;
    return seedOverridden;
}

namespace {
RandomState gRandom{};
}  // namespace

RandomState& RandomGenerator() { return gRandom; }

void RandomSeed(unsigned seed) {
    // The classic seeding: a Park-Miller sequence from the seed, then 310
    // draws thrown away; 0 seeds as 1.
    int32_t word = static_cast<int32_t>(seed == 0 ? 1u : seed);
    gRandom.words[0] = word;
    for (int i = 1; i < 31; ++i) {
        const int64_t hi = word / 127773;
        const int64_t lo = word % 127773;
        word = static_cast<int32_t>(16807 * lo - 2836 * hi);
        if (word < 0) word += 2147483647;
        gRandom.words[i] = word;
    }
    gRandom.front = 3;
    gRandom.rear = 0;
    for (int i = 0; i < 310; ++i) RandomNext();
}

int32_t RandomNext();

namespace {
// Before any seed the library's generator runs as if seeded with 1.
[[maybe_unused]] const bool gRandomSeeded = (RandomSeed(1), true);
}  // namespace

int32_t RandomNext() {
    const uint32_t sum = static_cast<uint32_t>(gRandom.words[gRandom.front]) +
                         static_cast<uint32_t>(gRandom.words[gRandom.rear]);
    gRandom.words[gRandom.front] = static_cast<int32_t>(sum);
    const int32_t result = static_cast<int32_t>(sum >> 1);
    if (++gRandom.front == 31) gRandom.front = 0;
    if (++gRandom.rear == 31) gRandom.rear = 0;
    return result;
}

namespace {
uint32_t gDemoRate = 0;

// A Poisson draw of mean `mean` (at most kPoissonChunk), by multiplying
// uniform draws until they fall below e^-mean: exact, and few draws at the
// rates a counter shows.
constexpr double kPoissonChunk = 30.0;
int32_t PoissonDraw(double mean) {
    const double limit = std::exp(-mean);
    int32_t k = 0;
    double product = (RandomNext() + 0.5) / 2147483648.0;
    while (product > limit) {
        ++k;
        product *= (RandomNext() + 0.5) / 2147483648.0;
    }
    return k;
}
}  // namespace

void SetDemoRate(uint32_t countsPerMinute) {
    gDemoRate = countsPerMinute > kDemoRateMax ? kDemoRateMax : countsPerMinute;
}

uint32_t DemoRate() { return gDemoRate; }

int32_t DemoSecondCount() {
    if (gDemoRate == 0) return RandomNext() % 2;
    // A sum of Poisson counts is Poisson: high rates are drawn in chunks,
    // since e^-mean would vanish for a mean of a few hundred.
    double mean = gDemoRate / 60.0;
    int32_t count = 0;
    for (; mean > kPoissonChunk; mean -= kPoissonChunk) count += PoissonDraw(kPoissonChunk);
    return count + PoissonDraw(mean);
}

namespace {
uint8_t gBatteryReading = kBatteryReadingFixed;
int16_t gTemperatureReading = kTemperatureFixed;
}  // namespace

uint8_t ReadBatteryLevel() { return gBatteryReading; }

uint8_t ReadTemperature(uint8_t* whole, uint8_t* tenths) {
    // The sensor gives the magnitude and reports a sign apart.
    const int magnitude = gTemperatureReading < 0 ? -gTemperatureReading : gTemperatureReading;
    if (whole != nullptr) *whole = static_cast<uint8_t>(magnitude / 10);
    if (tenths != nullptr) *tenths = static_cast<uint8_t>(magnitude % 10);
    return gTemperatureReading < 0 ? 1 : 0;
}

void SetBatteryReading(uint8_t tenthsOfVolt) { gBatteryReading = tenthsOfVolt; }

void SetTemperatureReading(int16_t tenthsOfDegree) { gTemperatureReading = tenthsOfDegree; }

int16_t TemperatureReading() { return gTemperatureReading; }

namespace {

// Digits at text[at .. at + n) into *value; false if any is not a digit.
bool ReadDigits(const char* text, size_t at, size_t n, int* value) {
    int v = 0;
    for (size_t i = at; i < at + n; ++i) {
        if (text[i] < '0' || text[i] > '9') return false;
        v = v * 10 + (text[i] - '0');
    }
    *value = v;
    return true;
}

}  // namespace

bool RtcParseLocalTime(const char* text, size_t length, std::time_t* when) {
    // Positions of the separators in "YYYY-MM-DDTHH:MM:SS".
    if (text == nullptr || length != 19 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':')
        return false;
    int year, month, day, hour, minute, second;
    if (!ReadDigits(text, 0, 4, &year) || !ReadDigits(text, 5, 2, &month) || !ReadDigits(text, 8, 2, &day) ||
        !ReadDigits(text, 11, 2, &hour) || !ReadDigits(text, 14, 2, &minute) || !ReadDigits(text, 17, 2, &second))
        return false;
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (year < 1970 || month < 1 || month > 12 || day < 1 ||
        day > (month == 2 && !leap ? 28 : kDays[month - 1]) || hour > 23 || minute > 59 || second > 59)
        return false;
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    // Read in no time zone: every hour of every day exists on the device.
    const std::time_t result = timegm(&t);
    if (result == static_cast<std::time_t>(-1)) return false;
    *when = result;
    return true;
}
