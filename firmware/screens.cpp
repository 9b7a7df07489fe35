#include "firmware/firmware.h"
void DrawStatusIcons() {}
void DrawStatusClock() {}
void DrawCpmLine(uint8_t, uint8_t) {}
void ReadingRedraw() {}
void ReadingSecondUpdate() {}
void DrawGraph() {}
void DrawTemperatureScreen() {}
void BindReadingKeys() {}
void DisplayModeStep(uint8_t) {}
void ReadingBack(uint8_t) {}
void ShowPleaseSetNotice() {}
void FormatDecimal(uint32_t, char* out) { out[0] = 0; }
void FormatTwoDigits(uint32_t, char* out) { out[0] = '0'; out[1] = '0'; }
void ReadingTextUp(uint8_t) {}
void ReadingTextDown(uint8_t) {}
void ReadingTimedUp(uint8_t) {}
void ReadingTimedDown(uint8_t) {}
void DrawAlarmSpeakerMarks() {}
