// Power-on and the two timer services that drive the firmware: the
// half-second service (start-up, motion sensor, value box, LCD hand-over)
// and the once-a-second tick (clock, measurement, logging, screens).

#include "firmware/dataflash.h"
#include "firmware/firmware.h"
#include "platform/clock.h"
#include "platform/images.h"
#include "platform/lcd.h"
#include "platform/show_lcd.h"

namespace {

constexpr uint8_t kMotionSensor = 0xA6;
constexpr uint8_t kTapStatusRegister = 0x30;
constexpr uint8_t kOrientationRegister = 0x32;
constexpr uint8_t kBootHalfTicks = 4;  // services after the logo one before running
constexpr uint8_t kBacklightIdle = 50;

// The sensor answers through the hardware hook; nothing writes the byte here.
uint8_t ReadMotionRegister(uint8_t reg) {
    uint8_t value = 0;
    HardwareHook(kMotionSensor, reg, 1, &value);
    return value;
}

void ReadMotionSensor() {
    if (fw.motionDetect > 0) {
        fw.motionStatus = ReadMotionRegister(kTapStatusRegister);
        uint8_t tap = fw.motionStatus >> 4;
        if (fw.keyQuiet == 0 && tap == 0xE) {  // double tap
            WakeDisplay();
            if (fw.uiMode == Reading && fw.motionDetect == 2) {
                fw.tapAction = 1;
                if (fw.keyTable[KeyBack].handler != nullptr) fw.keyTable[KeyBack].handler(KeyBack);
                ShowLcd();
                fw.tapAction = 0;
            }
        } else if (tap == 0xC) {  // single tap
            WakeDisplay();
        }
    }

    uint8_t turned = ReadMotionRegister(kOrientationRegister) != 0;
    fw.displayTurned = turned;
    if (turned != fw.previousOrientation && fw.motionDetect > 0) WakeDisplay();
    fw.previousOrientation = turned;
    // Swivel 0 and 1 fix the orientation; 2 lets the sensor decide.
    if (fw.swivelMode == 0) fw.displayTurned = 0;
    if (fw.swivelMode == 1) fw.displayTurned = 1;
}

// Logging pauses while a box is open over the main menu's "Save Data" row
// (the row that leads to the logging settings).
bool LoggingPaused() {
    if (fw.uiMode != Menu || !fw.editing) return false;
    const MenuItem* row = CurrentMenuRow();
    return row != nullptr && row->child == SaveDataMenu;
}

// The gyroscope screen keeps a seconds countdown in the shared scratch text:
// byte 2 counts down while byte 3 is 1 and the step is 1. The scratch bytes
// are unsigned.
void GyroscopeSecond() {
    const uint8_t remaining = static_cast<uint8_t>(fw.noteText[2]);
    if (fw.stepValue == 1 && fw.noteText[3] == 1 && remaining > 0)
        fw.noteText[2] = static_cast<char>(remaining - 1);
}

void AdvanceRunningTime() {
    if (++fw.uptimeSeconds > 59) {
        fw.uptimeSeconds = 0;
        ++fw.uptimeMinutes;
    }
    if (fw.uptimeMinutes > 59) {
        fw.uptimeMinutes = 0;
        ++fw.uptimeHours;
    }
    if (fw.uptimeHours > 23) {
        fw.uptimeHours = 0;
        ++fw.uptimeDays;
    }
}

}  // namespace

bool WakeDisplay() {
    if (fw.backlightTimer > 0) {
        fw.backlightOn = 1;
        fw.backlightAge = 2;
    }
    HardwareHook(1);
    if (fw.powerSavingOn) {
        if (fw.speakerOn) HardwareHook(1);
        fw.powerSaveCountdown = 30;
    }
    return fw.displayOn == 0;
}

void TogglePower(uint8_t) { fw.powered = !fw.powered; }

void ClockCheck() {
    if (fw.uiMode == Menu) return;
    if (RtcSecond() > 59 || RtcMinute() > 59 || RtcYear() == 0) ShowPleaseSetNotice();
}

void FirmwarePowerOn() {
    LcdClear();
    fw.calibration[0] = {60, 0.3f};
    fw.calibration[1] = {240, 1.2f};
    fw.calibration[2] = {1000, 5.0f};
    fw.uiMode = Reading;
    fw.menuTable = nullptr;
    RandomSeed(RandomSeedNow());
    for (int32_t& slot : fw.secondCounts) slot = 0;

    BindKey(KeyBack, ReadingBack);
    BindKey(KeyUp, ReadingTextUp);
    BindKey(KeyDown, ReadingTextDown);
    BindKey(KeySelect, OpenMainMenu);

    LoadSettings();

    fw.holdStart = 0;
    ChooseAlarmMark();

    fw.note[0] = 0;
    HardwareHook(30);  // clock chip: start the oscillator

    FlashLocateEnd();
}

void FirmwareHalfSecondService() {
    if (!fw.powered || fw.holdAll) return;

    if (fw.bootState == 0) {
        LcdClear();
        LcdClear();
        LcdDrawImage(kStartupLogo, 2, 4);
        ShowLcd();
        FirmwarePowerOn();
        HardwareHook();
        HardwareHook();
        HardwareHook();
        fw.bootState = 1;
    }
    if (fw.holdStart) return;

    ++fw.bootHalfTicks;
    if (fw.bootState == 1) {
        if (fw.bootHalfTicks <= kBootHalfTicks) return;  // the logo stays
        fw.bootState = 2;
        RedrawScreen();
    }
    if (fw.bootState != 2) return;

    if (fw.uiMode != Gyroscope) ReadMotionSensor();

    if (!fw.displayOn) return;

    if (fw.editing) {
        uint8_t idle = fw.editorIdleTicks++;
        if (idle > fw.editorKeepTicks) CloseValueBox();
    }

    if (fw.bootHalfTicks >= 2) fw.bootHalfTicks = 0;

    if (fw.uiMode == NoteEdit) NoteEditBlink();
    NoteEditCommit();

    if (!fw.holdOutput && !fw.holdAll && fw.uiMode != Gyroscope) ShowLcd();
}

void FirmwareSecondTick() {
    if (fw.bootState != 2) return;

    ClockCheck();
    AdvanceRunningTime();

    if (!fw.powerSavingOn && fw.uptimeMinutes % 10 == 0 && fw.uptimeSeconds == 0) {
        fw.displayOn = 1;
        LcdClear();
        RedrawScreen();
    }

    if (fw.backlightTimer > 1 && fw.backlightAge < kBacklightIdle) {
        uint8_t age = fw.backlightAge++;
        if (age > fw.backlightTimer) {
            HardwareHook(0);  // backlight off
            fw.backlightAge = kBacklightIdle;
        }
    }

    MeasureSecond();
    if (!fw.editing) DrawBatteryIcon();
    AlarmSecond();
    if (!LoggingPaused()) LogData();

    if (!fw.displayOn) return;

    PowerSavingSecond();
    if (fw.uiMode == Reading || fw.uiMode == Menu) DrawStatusClock();
    if (!fw.editing && fw.uiMode == Reading) ReadingSecondUpdate();
    if (fw.uiMode == Temperature) DrawTemperatureScreen();
    if (fw.uiMode == Gyroscope) GyroscopeSecond();
    if (fw.keyQuiet > 0) --fw.keyQuiet;
    DrawStatusIcons();
    HardwareHook(fw.ledIndicatorOn);  // LED drive
}
