// Substitutes for the device's clock chip, battery and temperature sensors,
// and the seed of the demo counts' random source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>

// The host's time, taken once at start; every clock read returns this moment.
extern std::time_t rtcSnapshot;

// Fixes the snapshot (the host does this at start; the runner's --clock too).
void RtcSetSnapshot(std::time_t when);

uint8_t RtcYear();    // year - 2000, local time
uint8_t RtcMonth();   // 1..12
uint8_t RtcDay();     // 1..31
uint8_t RtcHour();    // 0..23
uint8_t RtcMinute();  // 0..59
uint8_t RtcSecond();  // 0..59

// "YYYY-MM-DDTHH:MM:SS" (exactly `length` bytes) as local time, the form in
// which hosts take a fixed clock from their command line. False for any
// other text and for a date that does not exist.
bool RtcParseLocalTime(const char* text, size_t length, std::time_t* when);

// The seed power-on passes to srand: the current time, unless overridden.
unsigned RandomSeedNow();
void RandomSetSeedOverride(bool enabled, unsigned seed);
// True when a seed is fixed, and which.
bool RandomSeedFixed(unsigned& seed);

// The standard library's pseudo-random generator as the development host's
// C library (glibc) has it, written out so that every host, the web page's
// WebAssembly with its own C library included, draws the same demo counts
// for a seed. RandomSeed is srand, RandomNext is rand (0..2147483647).
void RandomSeed(unsigned seed);
int32_t RandomNext();

uint8_t ReadBatteryLevel();                              // always 85 (8.5 V)
uint8_t ReadTemperature(uint8_t* whole, uint8_t* tenths);  // 25.1 C, returns 0
