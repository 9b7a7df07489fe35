#include "firmware/firmware.h"
uint8_t ConfigRead(uint16_t) { return 0; }
void LoadSettings() {}
void SaveSettings() {}
