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

// The built-in history image: records from 0 up to kHistoryImageEnd - 1.
constexpr uint32_t kHistoryImageEnd = 0x6018;
// Writes the image into `area` (kFlashAreaSize bytes), erased after its end.
void HistoryImageBuild(uint8_t* area);

void FlashAppend(const uint8_t* bytes, uint8_t n);
// The write address as one number, for drivers and tests that report it.
uint32_t FlashWriteAddress();
// Returns true when a free byte was found before the first free page.
bool FlashFindEnd(uint8_t* high, uint8_t* middle, uint8_t* low);
uint8_t FlashReadByte(uint8_t high, uint8_t middle, uint8_t low);
uint8_t FlashRead(uint8_t* buffer, uint8_t n);
// Moves the read address on by n bytes without reading, with FlashRead's
// carry and end rule; returns endOfStore.
uint8_t FlashAdvance(uint8_t n);
// Passes over an erased stretch: the middle byte moves on by 15 (3840
// bytes), carrying into the high byte; same end rule. Returns endOfStore.
uint8_t FlashSkipErased();
// Puts the read address back to the start of the store.
void FlashRewind();
// Erases the store and puts the read and write addresses at its start.
void FlashEraseAll();
// Power-on: the end search with its retries, into the write address.
void FlashLocateEnd();
// The time stamp, in its two appends, without the note record.
void FlashAppendTimeStamp();
