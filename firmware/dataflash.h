// The history store: a read area holding the built-in history image and a
// separate write area that receives every append. Addresses are 20 bits,
// held as high (4 bits), middle and low bytes.
#pragma once

#include <cstdint>

constexpr uint32_t kFlashAreaSize = 65536;

extern uint8_t FlashReadArea[kFlashAreaSize];
extern uint8_t FlashWriteArea[kFlashAreaSize];

// Fills the read area with the built-in history image (all 0xFF where the
// image holds no records) and zeroes the write area.
void FlashResetAreas();

void FlashAppend(const uint8_t* bytes, uint8_t n);
// Returns true when a free byte was found before the first free page.
bool FlashFindEnd(uint8_t* high, uint8_t* middle, uint8_t* low);
uint8_t FlashReadByte(uint8_t high, uint8_t middle, uint8_t low);
uint8_t FlashRead(uint8_t* buffer, uint8_t n);
// Power-on: the end search with its retries, into the write address.
void FlashLocateEnd();
// The 12-byte time stamp (9-byte and 3-byte appends) without the note record.
void FlashAppendTimeStamp();
