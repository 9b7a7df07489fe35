// Substitutes for the device's clock chip, battery and temperature sensors,
// and the seed of the demo counts' random source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

// The device's wall clock, taken once at start; every clock read returns
// this moment. The device has no time zone: the value counts the seconds
// of its wall clock since 1970-01-01T00:00:00 read as if in UTC, so the same
// value shows the same date and time under every TZ.
extern std::time_t rtcSnapshot;

// The host's local wall clock now, in that count: the only place the host's
// time zone enters, when no clock is given.
std::time_t RtcHostNow();

// Fixes the snapshot (the host does this at start; the runner's --clock too).
void RtcSetSnapshot(std::time_t when);

uint8_t RtcYear();    // year - 2000
uint8_t RtcMonth();   // 1..12
uint8_t RtcDay();     // 1..31
uint8_t RtcHour();    // 0..23
uint8_t RtcMinute();  // 0..59
uint8_t RtcSecond();  // 0..59

// "YYYY-MM-DDTHH:MM:SS" (exactly `length` bytes) as the device's wall
// clock (see rtcSnapshot), the form in which hosts take a fixed clock from
// their command line. False for any other text and for a date that does
// not exist.
bool RtcParseLocalTime(const char* text, size_t length, std::time_t* when);

// The seed power-on passes to srand: the current time, unless overridden.
unsigned RandomSeedNow();
void RandomSetSeedOverride(bool enabled, unsigned seed);
// True when a seed is fixed, and which.
bool RandomSeedFixed(unsigned& seed);

// The demo counts' random source. It is the C library's classic additive
// generator (31 words, taps 3 and 31), written out so that it gives the same
// sequence on every platform, the browser's included, and so that its state
// can be kept and put back. RandomSeed is srand, RandomNext is rand
// (0..2147483647).
struct RandomState {
    int32_t words[31];
    uint8_t front;  // index of the word the next draw adds to
    uint8_t rear;   // index of the word it adds
};
void RandomSeed(unsigned seed);
int32_t RandomNext();
RandomState& RandomGenerator();

// The counts of one demo second. By default the device's own: one draw,
// modulo 2, so 0 or 1 with equal chance (about 30 CPM). With a rate set
// (geigersim-run's `demo rate`, the page's rate=, the window's --demo-rate)
// counts at random around that mean, drawn from the same generator, so
// that a fixed seed still fixes them.
constexpr uint32_t kDemoRateMax = 1000000;  // counts per minute
void SetDemoRate(uint32_t countsPerMinute);  // 0: the device's own
uint32_t DemoRate();
int32_t DemoSecondCount();

uint8_t ReadBatteryLevel();                              // 85 (8.5 V) unless set below
uint8_t ReadTemperature(uint8_t* whole, uint8_t* tenths);  // 25.1 C, returns 0, unless set below

// What the two sensors read from now on: geigersim-run's `battery` and
// `temperature` commands, so that a low battery or a cold day can be shown.
// The window never sets them, so there they read the fixed values.
constexpr uint8_t kBatteryReadingFixed = 85;   // tenths of a volt
constexpr int16_t kTemperatureFixed = 251;     // tenths of a degree Celsius
void SetBatteryReading(uint8_t tenthsOfVolt);
// -2559..2559 tenths: the sensor's byte of whole degrees and its sign.
void SetTemperatureReading(int16_t tenthsOfDegree);
int16_t TemperatureReading();
