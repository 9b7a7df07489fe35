#include "firmware/dataflash.h"
#include "firmware/firmware.h"
uint8_t FlashReadArea[kFlashAreaSize];
uint8_t FlashWriteArea[kFlashAreaSize];
void FlashResetAreas() {}
void FlashAppend(const uint8_t*, uint8_t) {}
bool FlashFindEnd(uint8_t*, uint8_t*, uint8_t*) { return false; }
uint8_t FlashReadByte(uint8_t, uint8_t, uint8_t) { return 0xFF; }
uint8_t FlashRead(uint8_t*, uint8_t) { return 0; }
void FlashLocateEnd() {}
void WriteTimeStamp() {}
void EraseSavedData() {}
