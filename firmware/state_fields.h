// The firmware record's fields as a list, for code that must visit every
// one of them: the runner's `state` dump and the device snapshot.
#pragma once

#include "firmware/state.h"

// Every scalar field of FirmwareState, in declaration order. When a field
// is added to firmware/state.h, add it here too (runner_test compares this
// list with the header). The arrays and pointers (keyTable, menuTable,
// menuTitle, secondCounts, calibration, note, noteText, serialBytes) are
// each written by their users.
#define FIRMWARE_SCALAR_FIELDS(X)                                                     \
    X(holdAll) X(holdOutput) X(holdStart)                                              \
    X(powered) X(bootState) X(bootHalfTicks)                                           \
    X(uiMode) X(editing) X(editorIdleTicks) X(editorKeepTicks) X(redrawOnClose)        \
    X(keyQuiet)                                                                        \
    X(menuCursor) X(menuTop) X(stepValue) X(editField) X(calibPhase)                   \
    X(temperatureShown)                                                                \
    X(displayOn) X(backlightOn) X(backlightAge) X(powerSaveCountdown) X(displayTurned) \
    X(motionStatus) X(previousOrientation) X(tapAction) X(blinkPhase) X(batteryFrame)  \
    X(lastBatteryReading) X(lowBatteryRepeat) X(chargerStatus)                         \
    X(cpm) X(doseRate) X(totalCount) X(avgCpmWhole) X(avgCpmHundredths)                \
    X(uptimeSeconds) X(uptimeMinutes) X(uptimeHours) X(uptimeDays) X(realCount)        \
    X(timedRunning) X(timedScheduled) X(durationDays) X(durationHours)                 \
    X(durationMinutes) X(durationSeconds) X(durationTotal) X(scheduleDays)             \
    X(scheduleHours) X(scheduleMinutes) X(scheduleSeconds) X(scheduleTotal)            \
    X(scheduleCounter) X(elapsedDays) X(elapsedHours) X(elapsedMinutes)                \
    X(elapsedSeconds) X(elapsedMinutesTotal) X(elapsedTotal) X(timedCounts)            \
    X(timedAverage) X(timedAverageHundredths) X(timedPage)                             \
    X(logSeconds) X(logHourSum) X(logLastMark) X(flashWriteHigh) X(flashWriteMiddle)   \
    X(flashWriteLow) X(flashReadHigh) X(flashReadMiddle) X(flashReadLow)               \
    X(flashHighMask) X(endOfStore)                                                     \
    X(historyFound) X(recYear) X(recMonth) X(recDay) X(recHour) X(recMinute)           \
    X(recSecond) X(recSaveMode) X(noteCursor) X(noteIdle) X(noteBlink)                 \
    X(alarmOn) X(speakerOn) X(displayMode) X(powerSavingOn) X(backlightTimer)          \
    X(clockLine) X(alarmLevelCpm) X(maxCpm) X(infoLine) X(alarmLevelUsv) X(alarmUnit)  \
    X(thresholdUnit) X(thresholdCpm) X(thresholdUsv) X(graphType) X(swivelMode)        \
    X(motionDetect) X(batteryType) X(graphZoom) X(reservedB) X(reservedA)              \
    X(largeFontUnit) X(ledIndicatorOn) X(backlightLevel) X(reservedC) X(contrast)      \
    X(saveMode) X(highRateFactor) X(quietHighRateFactor) X(baudCode) X(baudReloadHigh) \
    X(baudReloadLow) X(reverseFlag)
