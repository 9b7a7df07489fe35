// The data logger, run once a second: writes counts into the data flash as
// the save mode asks, with time stamps that let the viewer place them.
#include "firmware/dataflash.h"
#include "firmware/firmware.h"
#include "firmware/flash_record.h"
#include "platform/clock.h"

namespace {

// One byte for a small count, a wide count record for the rest.
void WriteCount(uint32_t v) {
    uint8_t record[kWideCountLength];
    FlashAppend(record, PutCount(v, record));
}

uint32_t ThisSecondCount() {
    int32_t count = fw.secondCounts[59];
    return count < 0 ? 0 : static_cast<uint32_t>(count);
}

// The device writes its clock chip back after each count record.
void TouchClock() { HardwareHook(kClockWrite, RtcHour(), RtcMinute(), RtcSecond()); }

uint32_t SecondOfHour() { return static_cast<uint32_t>(fw.uptimeMinutes) * 60u + fw.uptimeSeconds; }

void LogEverySecond() {
    WriteCount(ThisSecondCount());
    TouchClock();
    if (SecondOfHour() % 180 == 0) WriteTimeStamp();
}

void LogEveryMinute() {
    ++fw.logSeconds;
    if (fw.logSeconds % 3600 == 0) {
        WriteTimeStamp();
        fw.logSeconds = 0;
    }
    if (fw.logSeconds % 60 == 0) {
        WriteCount(SumLastMinute());
        TouchClock();
    }
}

void LogEveryHour() {
    uint32_t s = fw.logSeconds++;
    if (s < 3600) {
        if ((s + 1) % 60 == 0) fw.logHourSum += SumLastMinute();
        return;
    }
    uint32_t v = (SumLastMinute() + fw.logHourSum) / 60;
    fw.logSeconds = 0;
    fw.logHourSum = 0;
    WriteCount(v);
    TouchClock();
    WriteTimeStamp();
}

void LogThresholdSecond() {
    if (SumLastMinute() < fw.thresholdCpm) {
        fw.logSeconds = 0;
        return;
    }
    ++fw.logSeconds;
    uint32_t t = SecondOfHour();
    if (fw.logLastMark < t - 1) {  // a gap since the last record (always at t = 0)
        WriteTimeStamp();
    } else if (fw.logSeconds % 180 == 0) {
        WriteTimeStamp();
        fw.logSeconds = 1;
    }
    fw.logLastMark = t;
    WriteCount(ThisSecondCount());
}

void LogThresholdMinute() {
    if (SumLastMinute() < fw.thresholdCpm) {
        fw.logSeconds = 0;
        return;
    }
    if (fw.logSeconds == 0) {
        fw.logSeconds = 1;
    } else {
        ++fw.logSeconds;
        if (fw.logSeconds % 60 != 0) return;
    }
    uint32_t minute = fw.uptimeMinutes;
    if (fw.logLastMark < minute - 1) {  // a gap since the last record (always at minute 0)
        WriteTimeStamp();
    } else if (fw.logSeconds % 600 == 0) {
        WriteTimeStamp();
        fw.logSeconds = 1;
    }
    fw.logLastMark = minute;
    WriteCount(SumLastMinute());
}

}  // namespace

void LogData() {
    // The viewer owns the flash while it is open.
    if (fw.uiMode == HistoryView) return;
    switch (fw.saveMode) {
        case 1:
            LogEverySecond();
            break;
        case 2:
            LogEveryMinute();
            break;
        case 3:
            LogEveryHour();
            break;
        case 4:
            LogThresholdSecond();
            break;
        case 5:
            LogThresholdMinute();
            break;
        default:
            break;  // off
    }
}
