// Alarm, speaker, backlight, power saving and battery. The battery icon,
// the alarm step and the power-saving step arrive with their own work; until
// then the once-a-second tick calls them and they leave everything as it is.
#include "firmware/firmware.h"

void DrawBatteryIcon() {}
void AlarmSecond() {}
void PowerSavingSecond() {}
