#include "firmware/firmware.h"
void FirmwarePowerOn() {}
void FirmwareHalfSecondService() {}
void FirmwareSecondTick() {}
bool WakeDisplay() { return false; }
void TogglePower(uint8_t) { fw.powered = !fw.powered; }
void ClockCheck() {}
