#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "firmware/dataflash.h"
#include "firmware/device_harness.h"
#include "firmware/flash_record.h"

namespace {

struct Found {
    uint32_t end;
    bool flag;
};

Found FindEnd() {
    uint8_t h = 0xEE, m = 0xEE, l = 0xEE;
    bool flag = FlashFindEnd(&h, &m, &l);
    return {static_cast<uint32_t>(h << 16 | m << 8 | l), flag};
}

void SetWrite(uint32_t a) {
    fw.flashWriteHigh = static_cast<uint8_t>(a >> 16);
    fw.flashWriteMiddle = static_cast<uint8_t>(a >> 8);
    fw.flashWriteLow = static_cast<uint8_t>(a);
}
uint32_t Write() { return fw.flashWriteHigh << 16 | fw.flashWriteMiddle << 8 | fw.flashWriteLow; }

void SetRead(uint32_t a) {
    fw.flashReadHigh = static_cast<uint8_t>(a >> 16);
    fw.flashReadMiddle = static_cast<uint8_t>(a >> 8);
    fw.flashReadLow = static_cast<uint8_t>(a);
}
uint32_t Read() { return fw.flashReadHigh << 16 | fw.flashReadMiddle << 8 | fw.flashReadLow; }

// Records from address 0 up to last, erased flash after.
void FillReadArea(uint32_t last) {
    std::memset(FlashReadArea, 0xFF, kFlashAreaSize);
    for (uint32_t a = 0; a <= last && a < kFlashAreaSize; ++a) FlashReadArea[a] = static_cast<uint8_t>(a % 0x55);
}

const uint8_t kStamp[9] = {0x55, 0xAA, 0x00, 26, 3, 7, 9, 5, 30};

}  // namespace

TEST(FlashFindEnd, LocatesTheFirstFreeByte) {
    harness::Start();
    std::memset(FlashReadArea, 0xFF, kFlashAreaSize);
    Found f = FindEnd();
    EXPECT_EQ(f.end, 0u);
    EXPECT_FALSE(f.flag) << "an empty store has no free byte before its first free page";

    FillReadArea(0x6017);
    f = FindEnd();
    EXPECT_EQ(f.end, 0x6018u);
    EXPECT_TRUE(f.flag);

    FillReadArea(99);
    EXPECT_EQ(FindEnd().end, 100u);

    FillReadArea(0x6000);  // a page start holds the last record
    EXPECT_EQ(FindEnd().end, 0x6001u);

    FillReadArea(0x67FF);  // data fills its page exactly
    f = FindEnd();
    EXPECT_EQ(f.end, 0x6800u);
    EXPECT_FALSE(f.flag);
}

TEST(FlashFindEnd, FullStoreStopsAtTheEndOfTheArea) {
    harness::Start();
    FillReadArea(kFlashAreaSize - 1);
    Found f = FindEnd();
    EXPECT_EQ(f.end, 0x10000u);
    EXPECT_FALSE(f.flag);
}

TEST(FlashFindEnd, PowerOnPutsTheWriteAddressThere) {
    harness::Start();
    FillReadArea(0x6017);
    SetWrite(0x12345);
    FlashLocateEnd();
    EXPECT_EQ(Write(), 0x6018u);
}

TEST(FlashAppend, StoresAtTheWriteAddressAndCarries) {
    harness::Start();
    const uint8_t bytes[4] = {1, 2, 3, 4};
    SetWrite(0x00FE);
    FlashAppend(bytes, 4);
    EXPECT_EQ(FlashWriteArea[0x00FE], 1);
    EXPECT_EQ(FlashWriteArea[0x0101], 4);
    EXPECT_EQ(Write(), 0x0102u);

    SetWrite(0x1FFFE);  // the area is addressed by the low 16 bits
    FlashAppend(bytes, 4);
    EXPECT_EQ(FlashWriteArea[0xFFFF], 2);
    EXPECT_EQ(FlashWriteArea[0x0000], 3);
    EXPECT_EQ(Write(), 0x20002u);

    SetWrite(0xFFFFE);  // 20-bit addresses wrap
    FlashAppend(bytes, 4);
    EXPECT_EQ(Write(), 0x00002u);
}

TEST(FlashRead, CopiesAdvancesAndFlagsTheWrap) {
    harness::Start();
    FillReadArea(kFlashAreaSize - 1);
    uint8_t buf[4] = {};
    SetRead(0x00FE);
    EXPECT_EQ(FlashRead(buf, 4), 0);
    EXPECT_EQ(buf[0], FlashReadArea[0xFE]);
    EXPECT_EQ(buf[3], FlashReadArea[0x101]);
    EXPECT_EQ(Read(), 0x0102u);

    SetRead(0x2FFFE);  // middle wraps: the high byte moves on
    EXPECT_EQ(FlashRead(buf, 4), 0);
    EXPECT_EQ(buf[2], FlashReadArea[0]);
    EXPECT_EQ(Read(), 0x30002u);

    SetRead(0xFFFFE);  // past the top of the address range
    EXPECT_EQ(FlashRead(buf, 4), 1);
    EXPECT_EQ(Read(), 0x00002u);
    EXPECT_EQ(FlashRead(buf, 1), 1) << "the flag stays until the viewer clears it";

    fw.endOfStore = 0;
    fw.flashHighMask = 0;
    SetRead(0x0FFFF);
    EXPECT_EQ(FlashRead(buf, 1), 1);
    EXPECT_EQ(Read(), 0u);

    fw.endOfStore = 0;
    EXPECT_EQ(FlashRead(buf, 0), 0);
    EXPECT_EQ(Read(), 0u) << "reading nothing does not move";
}

TEST(WriteTimeStamp, AddsTheNoteRecord) {
    harness::Start();
    fw.saveMode = 2;
    std::strcpy(fw.note, "\x03" "ABC");
    WriteTimeStamp();
    const uint8_t tail[10] = {0x55, 0xAA, 2, 0x55, 0xAA, 2, 3, 'A', 'B', 'C'};
    EXPECT_EQ(0, std::memcmp(FlashWriteArea, kStamp, 9));
    EXPECT_EQ(0, std::memcmp(FlashWriteArea + 9, tail, 10));
    EXPECT_EQ(Write(), 19u);
}

TEST(WriteTimeStamp, NoteLengthIsCappedAndMatchesTheTextWritten) {
    harness::Start();
    fw.note[0] = 30;
    std::memset(fw.note + 1, 'X', kNoteMax);
    WriteTimeStamp();
    EXPECT_EQ(FlashWriteArea[15], kNoteMax);
    EXPECT_EQ(Write(), 12u + 4u + kNoteMax);

    SetWrite(0);
    std::strcpy(fw.note, "\x05" "AB");  // the text ends before its stated length
    WriteTimeStamp();
    EXPECT_EQ(FlashWriteArea[15], 2);
    EXPECT_EQ(Write(), 12u + 4u + 2u);
}

TEST(EraseSavedData, RestartsTheLogWithAStamp) {
    harness::Start();
    FillReadArea(0x6017);
    SetWrite(0x4321);
    SetRead(0x1234);
    fw.saveMode = 1;
    EraseSavedData();
    const uint8_t mode[3] = {0x55, 0xAA, 1};
    EXPECT_EQ(0, std::memcmp(FlashWriteArea, kStamp, 9));
    EXPECT_EQ(0, std::memcmp(FlashWriteArea + 9, mode, 3));
    EXPECT_EQ(Write(), 12u);
    EXPECT_EQ(Read(), 0u);
    EXPECT_EQ(FindEnd().end, 0x6018u) << "the history image is not erased";
}

TEST(FlashRead, AdvanceAndErasedSkipFollowTheReadRules) {
    harness::Start();
    SetRead(0x00FE);
    EXPECT_EQ(FlashAdvance(200), 0);
    EXPECT_EQ(Read(), 0x01C6u);
    SetRead(0xFFFF0);
    EXPECT_EQ(FlashAdvance(0x10), 1) << "past the top of the address range";
    EXPECT_EQ(Read(), 0u);

    fw.endOfStore = 0;
    SetRead(0x1E012);  // middle 0xE0: the skip stays within the pass
    EXPECT_EQ(FlashSkipErased(), 0);
    EXPECT_EQ(Read(), 0x1EF12u);
    EXPECT_EQ(FlashSkipErased(), 0);
    EXPECT_EQ(Read(), 0x1FE12u);
    EXPECT_EQ(FlashSkipErased(), 0) << "middle 0xFE carries into the high byte";
    EXPECT_EQ(Read(), 0x20D12u);
    SetRead(0xFF112);
    EXPECT_EQ(FlashSkipErased(), 1) << "the high byte wraps: end of store";
    EXPECT_EQ(Read(), 0x00012u);

    FlashRewind();
    EXPECT_EQ(Read(), 0u);
}

namespace {

struct ImageWalk {
    int stamps = 0;
    uint32_t samples = 0;
    uint32_t ones = 0;
    std::vector<std::pair<uint32_t, std::string>> names;
    bool badSample = false;
    bool inconsistent = false;
};

// Reads the image as records; checks that every stamp lies as many seconds
// after the one before as count bytes lie between them, or starts a session.
ImageWalk Walk() {
    ImageWalk w;
    long lastTime = -1;
    uint32_t since = 0;
    uint32_t a = 0;
    while (a < kHistoryImageEnd) {
        const uint8_t* p = FlashReadArea + a;
        if (!IsCountByte(p[0])) {
            EXPECT_TRUE(IsMarkerAt(p)) << a;
            if (p[2] == kRecordTimeStamp) {
                ++w.stamps;
                EXPECT_TRUE(IsTimeStampAt(p)) << a;
                const TimeStamp s = TimeStampAt(p);
                EXPECT_EQ(s.year, 11);
                EXPECT_EQ(s.month, 12);
                EXPECT_EQ(s.saveMode, 1) << a;
                const long t = ((s.day * 24L + s.hour) * 60 + s.minute) * 60 + s.second;
                if (lastTime >= 0 && since == 258 && t != lastTime + 258) w.inconsistent = true;
                if (lastTime >= 0 && t <= lastTime) w.inconsistent = true;
                lastTime = t;
                since = 0;
                a += kStampLength;
            } else {
                EXPECT_EQ(p[2], kRecordPlaceName) << a;
                const uint8_t n = p[kTextLengthAt];
                w.names.push_back({a, std::string(reinterpret_cast<const char*>(p + kTextHeadLength), n)});
                a += TextRecordLength(n);
            }
            continue;
        }
        if (p[0] > 1) w.badSample = true;
        ++w.samples;
        w.ones += p[0];
        ++since;
        ++a;
    }
    EXPECT_EQ(a, kHistoryImageEnd);
    return w;
}

}  // namespace

TEST(HistoryImage, LayoutOfTheBuiltInHistory) {
    harness::Start();
    ImageWalk w = Walk();
    EXPECT_EQ(w.stamps, 91);
    EXPECT_EQ(w.samples, 23456u);
    EXPECT_FALSE(w.badSample) << "one-second counts of 0 or 1 only";
    EXPECT_FALSE(w.inconsistent) << "stamps 258 counts apart are 258 s apart";
    // About 30 counts per minute.
    EXPECT_NEAR(60.0 * w.ones / w.samples, 30.0, 1.5);
    ASSERT_EQ(w.names.size(), 4u);
    EXPECT_EQ(w.names[0], (std::pair<uint32_t, std::string>{0, "SCHOOL"}));
    EXPECT_EQ(w.names[1].second, "HOME001");
    EXPECT_EQ(w.names[2].second, "MAIN STREET");
    EXPECT_EQ(w.names[3].second, "MAIN STREET2");
    for (uint32_t a = kHistoryImageEnd; a < kFlashAreaSize; ++a)
        if (FlashReadArea[a] != 0xFF) ADD_FAILURE() << "written past the image at " << a;

    Found f = FindEnd();
    EXPECT_EQ(f.end, 0x6018u);
    EXPECT_TRUE(f.flag);
    EXPECT_EQ(FlashReadArea[0x6800], 0xFF) << "a free page for the end search";

}

TEST(HistoryImage, PowerOnWritesAfterTheBuiltInHistory) {
    harness::Boot();
    EXPECT_EQ(Write(), 0x6018u) << "appends go on after the built-in history";
}
