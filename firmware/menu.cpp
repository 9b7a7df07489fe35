#include "firmware/firmware.h"
const char kTitleMainMenu[] = "Main Menu";
static const char kExit[] = "Exit";
#define GEIGER_EXIT_ONLY {{0, 0, nullptr, kExit, nullptr, nullptr, MenuExit, nullptr, nullptr}}
MenuItem MainMenu[] = GEIGER_EXIT_ONLY;
MenuItem UserOptionMenu[] = GEIGER_EXIT_ONLY;
MenuItem AlarmMenu[] = GEIGER_EXIT_ONLY;
MenuItem DisplayOptionMenu[] = GEIGER_EXIT_ONLY;
MenuItem SaveDataMenu[] = GEIGER_EXIT_ONLY;
MenuItem ThresholdMenu[] = GEIGER_EXIT_ONLY;
MenuItem TimedCountMenu[] = GEIGER_EXIT_ONLY;
MenuItem CancelMenu[] = GEIGER_EXIT_ONLY;
MenuItem InitSetupMenu[] = GEIGER_EXIT_ONLY;
MenuItem CalibrateMenu[] = GEIGER_EXIT_ONLY;
MenuItem OthersMenu[] = GEIGER_EXIT_ONLY;
MenuItem BatteryMenu[] = GEIGER_EXIT_ONLY;
MenuItem AboutMenu[] = GEIGER_EXIT_ONLY;
void RedrawScreen() {}
void OpenMainMenu(uint8_t) {}
void MenuUp(uint8_t) {}
void MenuDown(uint8_t) {}
void MenuSelect(uint8_t) {}
void MenuBack(uint8_t) {}
void MenuExit(uint8_t) {}
void DrawMenuList() {}
void DrawMenuMarks() {}
void TimedCountSwitch() {}
void ShowValueBox(const char*) {}
void ShowValueBox2(const char*, const char*) {}
void CloseValueBox() {}
void ChooseAlarmMark() {}
void ChooseThresholdMark() {}
