// The history store: a serial data flash with 20-bit addresses. Reads come
// from the built-in history image, appends go to a separate write area.
#include "firmware/dataflash.h"

#include <cstring>

#include "firmware/firmware.h"
#include "firmware/flash_record.h"
#include "platform/clock.h"

uint8_t FlashReadArea[kFlashAreaSize];
uint8_t FlashWriteArea[kFlashAreaSize];

namespace {

constexpr uint32_t kPageSize = 2048;
constexpr uint32_t kAddressMask = 0xFFFFF;  // 20-bit flash addresses
constexpr uint8_t kFlashChip = 8;
constexpr uint8_t kWriteEnable = 6;
constexpr uint8_t kPageProgram = 2;
constexpr int kEraseSteps = 31;
constexpr uint8_t kEraseCommand = 0xAA;  // the chip's erase sequence, no record byte
constexpr int kEndSearchAttempts = 10;
// An erased stretch is passed over 15 x 256 bytes at a time.
constexpr uint8_t kErasedSkipPages = 15;

uint32_t Join(uint8_t high, uint8_t middle, uint8_t low) {
    return (static_cast<uint32_t>(high) << 16) | (static_cast<uint32_t>(middle) << 8) | low;
}

void Split(uint32_t address, uint8_t* high, uint8_t* middle, uint8_t* low) {
    *high = static_cast<uint8_t>((address >> 16) & 0x0F);
    *middle = static_cast<uint8_t>(address >> 8);
    *low = static_cast<uint8_t>(address);
}

uint8_t ReadAt(uint32_t address) {
    return FlashReadByte(static_cast<uint8_t>(address >> 16), static_cast<uint8_t>(address >> 8),
                         static_cast<uint8_t>(address));
}

}  // namespace

void FlashResetAreas() {
    // The read area holds the history that ships with the firmware; the
    // write area starts out zeroed.
    HistoryImageBuild(FlashReadArea);
    std::memset(FlashWriteArea, 0, sizeof FlashWriteArea);
}

void FlashAppend(const uint8_t* bytes, uint8_t n) {
    HardwareHook(kFlashChip, kWriteEnable);
    HardwareHook(kFlashChip, kPageProgram);
    // The write area is addressed through the low 16 bits: data wraps to its start.
    uint16_t offset = static_cast<uint16_t>((fw.flashWriteMiddle << 8) | fw.flashWriteLow);
    for (uint8_t i = 0; i < n; ++i) FlashWriteArea[static_cast<uint16_t>(offset + i)] = bytes[i];
    uint32_t next = (Join(fw.flashWriteHigh & 0x0F, fw.flashWriteMiddle, fw.flashWriteLow) + n) & kAddressMask;
    Split(next, &fw.flashWriteHigh, &fw.flashWriteMiddle, &fw.flashWriteLow);
}

uint32_t FlashWriteAddress() { return Join(fw.flashWriteHigh, fw.flashWriteMiddle, fw.flashWriteLow); }

uint8_t FlashReadByte(uint8_t, uint8_t middle, uint8_t low) {
    return FlashReadArea[(static_cast<uint32_t>(middle) << 8) | low];
}

bool FlashFindEnd(uint8_t* high, uint8_t* middle, uint8_t* low) {
    // The first erased page start; without one the search ends with the area
    // rather than reading past it.
    uint32_t page = 0;
    while (page < kFlashAreaSize && ReadAt(page) != kErasedByte) page += kPageSize;

    // The page before it (its first byte is known to hold data) holds the end.
    uint32_t start = page == 0 ? 0 : page - (kPageSize - 1);
    uint32_t end = page;
    bool found = false;
    for (uint32_t a = start; a < page; ++a) {
        if (ReadAt(a) == kErasedByte) {
            end = a;
            found = true;
            break;
        }
    }
    Split(end, high, middle, low);
    return found;
}

uint8_t FlashRead(uint8_t* buffer, uint8_t n) {
    uint16_t offset = static_cast<uint16_t>((fw.flashReadMiddle << 8) | fw.flashReadLow);
    for (uint8_t i = 0; i < n; ++i) buffer[i] = FlashReadArea[static_cast<uint16_t>(offset + i)];
    return FlashAdvance(n);
}

uint8_t FlashAdvance(uint8_t n) {
    if (n == 0) return fw.endOfStore;  // nothing read, nothing to advance

    uint32_t before = Join(fw.flashReadHigh, fw.flashReadMiddle, fw.flashReadLow);
    uint8_t low = static_cast<uint8_t>(fw.flashReadLow + n);
    if (low == 0 || low < fw.flashReadLow) {
        ++fw.flashReadMiddle;
        if (fw.flashReadMiddle == 0)
            fw.flashReadHigh = static_cast<uint8_t>((fw.flashReadHigh + 1) & fw.flashHighMask);
    }
    fw.flashReadLow = low;
    if (Join(fw.flashReadHigh, fw.flashReadMiddle, fw.flashReadLow) < before) fw.endOfStore = 1;
    return fw.endOfStore;
}

uint8_t FlashSkipErased() {
    uint32_t before = Join(fw.flashReadHigh, fw.flashReadMiddle, fw.flashReadLow);
    if (fw.flashReadMiddle >= 256 - kErasedSkipPages)
        fw.flashReadHigh = static_cast<uint8_t>((fw.flashReadHigh + 1) & fw.flashHighMask);
    fw.flashReadMiddle = static_cast<uint8_t>(fw.flashReadMiddle + kErasedSkipPages);
    if (Join(fw.flashReadHigh, fw.flashReadMiddle, fw.flashReadLow) < before) fw.endOfStore = 1;
    return fw.endOfStore;
}

void FlashRewind() { fw.flashReadHigh = fw.flashReadMiddle = fw.flashReadLow = 0; }

void FlashLocateEnd() {
    // The chip may answer unreliably right after power-up: trust an end only
    // when two scans agree.
    for (int attempt = 0; attempt < kEndSearchAttempts; ++attempt) {
        uint8_t high, middle, low;
        FlashFindEnd(&high, &middle, &low);
        FlashFindEnd(&fw.flashWriteHigh, &fw.flashWriteMiddle, &fw.flashWriteLow);
        if (high == fw.flashWriteHigh && middle == fw.flashWriteMiddle && low == fw.flashWriteLow) return;
    }
    fw.flashWriteHigh = fw.flashWriteMiddle = fw.flashWriteLow = 0;
}

void FlashAppendTimeStamp() {
    uint8_t stamp[kStampLength];
    PutTimeStamp({RtcYear(), RtcMonth(), RtcDay(), RtcHour(), RtcMinute(), RtcSecond(),
                  static_cast<uint8_t>(fw.saveMode)},
                 stamp);
    FlashAppend(stamp, kStampClockEnd);
    FlashAppend(stamp + kStampClockEnd, kStampLength - kStampClockEnd);
}

void WriteTimeStamp() {
    FlashAppendTimeStamp();

    uint8_t length = static_cast<uint8_t>(fw.note[0]);
    if (length == 0) return;
    if (length > kNoteMax) length = kNoteMax;
    uint8_t record[kTextHeadLength + kNoteMax] = {};
    uint8_t copied = 0;
    while (copied < length && fw.note[1 + copied] != 0) {
        record[kTextHeadLength + copied] = static_cast<uint8_t>(fw.note[1 + copied]);
        ++copied;
    }
    // The length byte states what follows, so a reader never runs into the
    // next record when the text ends early.
    PutTextHead(kRecordNote, copied, record);
    FlashAppend(record, static_cast<uint8_t>(TextRecordLength(copied)));
}

void FlashEraseAll() {
    for (int i = 0; i < kEraseSteps; ++i) HardwareHook(i, kEraseCommand);
    fw.flashWriteHigh = fw.flashWriteMiddle = fw.flashWriteLow = 0;
    fw.flashReadHigh = fw.flashReadMiddle = fw.flashReadLow = 0;
    HardwareHook();
}

void EraseSavedData() {
    FlashEraseAll();
    WriteTimeStamp();
}
