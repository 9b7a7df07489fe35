#include "platform/clock.h"
std::time_t rtcSnapshot = 0;
void RtcSetSnapshot(std::time_t when) { rtcSnapshot = when; }
uint8_t RtcYear() { return 0; }
uint8_t RtcMonth() { return 1; }
uint8_t RtcDay() { return 1; }
uint8_t RtcHour() { return 0; }
uint8_t RtcMinute() { return 0; }
uint8_t RtcSecond() { return 0; }
unsigned RandomSeedNow() { return 0; }
void RandomSetSeedOverride(bool, unsigned) {}
uint8_t ReadBatteryLevel() { return 85; }
uint8_t ReadTemperature(uint8_t* whole, uint8_t* tenths) { *whole = 25; *tenths = 1; return 0; }
