// Alarm, speaker, power saving and the battery icon: the device's reactions
// to the measurement and to idle time. Every output (buzzer, LED, backlight,
// LCD power) is a hardware hook; what shows is the battery icon, the
// power-saving notice and blanking, and the low-battery notice.
#include "firmware/firmware.h"
#include "platform/clock.h"
#include "platform/images.h"
#include "platform/lcd.h"

namespace {

constexpr uint8_t kBatteryIconX = 112;
constexpr uint8_t kChargerLevelBit = 0x10;  // charger reports: show the level
constexpr uint8_t kBatteryLowReading = 34;  // tenths of a volt
constexpr uint8_t kLowReadingsPerNotice = 4;
constexpr uint8_t kPowerSaveNoticeAt = 2;

// Level picture for a battery reading in tenths of a volt (pictures 2 and
// 5 belong to the charging animation only).
uint8_t BatteryPicture(uint8_t reading) {
    if (reading >= 38) return 7;
    if (reading == 37) return 6;
    if (reading == 36) return 4;
    if (reading == 35) return 3;
    if (reading == 34) return 1;
    return 0;
}

}  // namespace

void DrawBatteryLevel(uint8_t reading) {
    // One reading can be a glitch of the voltage divider: act only on two
    // equal readings in a row.
    if (reading != fw.lastBatteryReading) {
        fw.lastBatteryReading = reading;
        return;
    }
    if (reading <= kBatteryLowReading) {
        uint8_t before = fw.lowBatteryRepeat++;
        if (before >= kLowReadingsPerNotice) {
            ShowValueBox("Battery Low!");
            fw.editorIdleTicks = 0;
            fw.lowBatteryRepeat = 0;
        }
    }
    LcdDrawImage(kBatteryLevel[BatteryPicture(reading)], kBatteryIconX, 0);
}

void SetChargerLevelReport(bool on) {
    fw.chargerStatus = static_cast<uint8_t>(on ? fw.chargerStatus | kChargerLevelBit
                                               : fw.chargerStatus & ~kChargerLevelBit);
}

bool ChargerLevelReport() { return (fw.chargerStatus & kChargerLevelBit) != 0; }

void DrawBatteryIcon() {
    if ((fw.chargerStatus & kChargerLevelBit) != 0 || fw.batteryType == 1) {
        DrawBatteryLevel(ReadBatteryLevel());
        return;
    }
    // A rechargeable cell without the charger's level report: the charging
    // animation, one picture further per drawing. Any frame out of range
    // restarts the cycle rather than indexing past the pictures.
    fw.batteryFrame = fw.batteryFrame >= 7 ? 0 : static_cast<uint8_t>(fw.batteryFrame + 1);
    LcdDrawImage(kBatteryLevel[fw.batteryFrame], kBatteryIconX, 0);
}

bool AlarmThresholdReached() {
    if (fw.alarmUnit != 0) return fw.doseRate >= fw.alarmLevelUsv;
    return fw.cpm >= fw.alarmLevelCpm;
}

void AlarmSecond() {
    // The history viewer borrows the measurement fields; no alarm on those.
    if (fw.alarmOn != 1 || fw.uiMode == HistoryView) return;
    HardwareHook(1);  // alarm LED driver on
    const bool reached = AlarmThresholdReached();
    if (fw.speakerOn == 1) {
        if (reached) HardwareHook(2, 1);  // buzzer: alarm tone
        // A dark display in power saving keeps the buzzer's click quiet.
        if (fw.powerSavingOn && fw.displayOn == 0) HardwareHook(0);
    } else {
        if (reached) HardwareHook(2, 0);  // LED flash only
        HardwareHook(0);
    }
}

void PowerSavingSecond() {
    if (fw.displayOn == 0 || fw.powerSavingOn == 0) return;
    // 8-bit countdown: after the blanking it runs on from 255, so an idle
    // device repeats the notice and the blanking every 256 seconds.
    uint8_t before = fw.powerSaveCountdown--;
    if (before == 0) {
        HardwareHook(0);  // LCD power off
        HardwareHook(0);  // backlight off
        LcdClear();
    }
    if (fw.powerSaveCountdown == kPowerSaveNoticeAt) ShowValueBox2("Going In", "Power Saving");
}
