// Timed count. Only the state query is here yet; starting, scheduling and
// the per-second accounting arrive with the timed-count menus.
#include "firmware/firmware.h"

bool TimedCountActive() { return fw.timedRunning != 0 || fw.timedScheduled != 0; }

void TimedCountSecond(int32_t counts) { (void)counts; }

void StartOtherDuration() {}
void TimedPresetSelect(uint8_t) {}
void DurationEditSelect(uint8_t) {}
void DurationEditUp(uint8_t) {}
void DurationEditDown(uint8_t) {}
