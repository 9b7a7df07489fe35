// A device put back from a snapshot goes on exactly as the one it was taken
// from, and a damaged snapshot changes nothing.
#include "core/snapshot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "firmware/dataflash.h"
#include "firmware/device_harness.h"

namespace {

std::vector<uint8_t> Take(const int32_t* queue = nullptr, uint32_t queued = 0) {
    SnapshotHostPart host;
    host.handedOver = LcdSurface;
    host.realQueue = queue;
    host.realQueued = queued;
    std::vector<uint8_t> bytes(SnapshotSize(queued));
    const char* why = "";
    EXPECT_EQ(SnapshotWrite(host, "0.1.0", bytes.data(), bytes.size(), &why), bytes.size()) << why;
    return bytes;
}

// A walk of keys and waits from a small generator of its own, so that it
// reaches deep menus, editors, the history viewer and the note editor.
void Walk(uint32_t& state, int steps) {
    for (int i = 0; i < steps; ++i) {
        state = state * 1103515245u + 12345u;
        const uint32_t r = state >> 16;
        if (r % 5 == 0) harness::Wait(1 + r % 7);
        else harness::Press(static_cast<uint8_t>(r % 4));
        // Every place the walk reaches must be nameable.
        if (i % 25 == 0) Take();
    }
}

TEST(Snapshot, LoadedDeviceGoesOnAsTheOriginal) {
    harness::Boot(0, 9);
    fw.saveMode = 2;  // logging every minute, so DataFlash fills
    harness::Wait(2 * 3600 * 24 * 2);  // two days
    uint32_t walk = 5;
    Walk(walk, 300);
    // The substitutes a script sets travel with the device.
    SetConfigStore(ConfigStore::Factory);
    SetDemoRate(600);
    SetBatteryReading(34);
    SetTemperatureReading(-75);
    const int32_t queued[] = {4, 0, 16383};
    const std::vector<uint8_t> saved = Take(queued, 3);

    uint32_t again = walk;
    Walk(walk, 400);
    harness::Wait(2 * 3600);
    const std::vector<uint8_t> straight = Take();

    harness::Start(12345, 77);  // another device altogether
    SetConfigStore(ConfigStore::Fixed);
    SetDemoRate(0);
    SetBatteryReading(kBatteryReadingFixed);
    SetTemperatureReading(kTemperatureFixed);
    harness::Wait(40);
    SnapshotHostPart host;
    int32_t real[8] = {};
    const char* why = "";
    ASSERT_TRUE(SnapshotLoad(saved.data(), saved.size(), host, real, 8, &why)) << why;
    ASSERT_EQ(host.realQueued, 3u);
    EXPECT_EQ(host.realQueue[2], 16383);
    EXPECT_EQ(Take(queued, 3), saved) << "loading and saving again gives the same bytes";
    Walk(again, 400);
    harness::Wait(2 * 3600);
    EXPECT_EQ(Take(), straight);
    EXPECT_EQ(ConfigStoreInUse(), ConfigStore::Factory);
    EXPECT_EQ(TemperatureReading(), -75);
    SetConfigStore(ConfigStore::Fixed);
    SetDemoRate(0);
    SetBatteryReading(kBatteryReadingFixed);
    SetTemperatureReading(kTemperatureFixed);
}

// A snapshot of the format before the substitutes still loads, with the
// device's own store, rate and readings.
TEST(Snapshot, FirstFormatLoadsWithTheDevicesOwnSubstitutes) {
    harness::Boot(0, 3);
    std::vector<uint8_t> bytes = Take();
    // Format 1 ends its payload with seven scalars and the queue's length.
    bytes.erase(bytes.end() - 4 - 4 * 8, bytes.end() - 4);
    bytes[8] = 1;
    const uint32_t length = static_cast<uint32_t>(bytes.size() - kSnapshotHeaderSize);
    const uint32_t crc = SnapshotChecksum(bytes.data() + kSnapshotHeaderSize, length);
    for (int b = 0; b < 4; ++b) {
        bytes[26 + b] = static_cast<uint8_t>(length >> (8 * b));
        bytes[30 + b] = static_cast<uint8_t>(crc >> (8 * b));
    }
    SetDemoRate(600);
    SnapshotHostPart host;
    int32_t real[1];
    const char* why = "";
    ASSERT_TRUE(SnapshotLoad(bytes.data(), bytes.size(), host, real, 1, &why)) << why;
    EXPECT_EQ(DemoRate(), 0u);
    EXPECT_EQ(ConfigStoreInUse(), ConfigStore::Fixed);
}

TEST(Snapshot, DamagedOrForeignSnapshotsAreRefusedAndChangeNothing) {
    harness::Boot(0, 3);
    harness::Wait(200);
    const std::vector<uint8_t> good = Take();
    harness::Press(KeySelect);
    const std::vector<uint8_t> before = Take();

    auto refused = [&](std::vector<uint8_t> bytes, const char* expected) {
        SnapshotHostPart host;
        int32_t real[1];
        const char* why = "";
        EXPECT_FALSE(SnapshotLoad(bytes.data(), bytes.size(), host, real, 1, &why));
        EXPECT_NE(std::string(why).find(expected), std::string::npos) << why;
        EXPECT_EQ(Take(), before);
    };
    refused(std::vector<uint8_t>(good.begin(), good.begin() + 20), "too short");
    refused(std::vector<uint8_t>(good.begin(), good.end() - 1), "cut short");
    std::vector<uint8_t> bytes = good;
    bytes[good.size() / 2] ^= 0x10;
    refused(bytes, "checksum");
    bytes = good;
    bytes[0] = 'X';
    refused(bytes, "not a snapshot");
    bytes = good;
    bytes[8] = 3;  // a format to come
    refused(bytes, "another snapshot format");
    bytes = good;
    bytes.push_back(0);
    refused(bytes, "after its end");
}

// A snapshot with a right checksum and wrong contents is refused by the
// field's name, before anything changes: each row sets one field of a
// device in the menus to what no key could make it, saves and loads.
TEST(Snapshot, FieldsOutsideWhatTheKeysReachAreRefusedByName) {
    struct Row {
        const char* field;
        void (*spoil)();
    };
    const Row rows[] = {
        {"uiMode is 200", [] { fw.uiMode = 200; }},
        {"displayMode is 9", [] { fw.displayMode = 9; }},
        {"contrast is 99", [] { fw.contrast = 99; }},
        {"saveMode is 6", [] { fw.saveMode = 6; }},
        {"uptimeMinutes is 60", [] { fw.uptimeMinutes = 60; }},
        {"flashWriteHigh is 16", [] { fw.flashWriteHigh = 16; }},
        {"baudCode is 7", [] { fw.baudCode = 7; }},
        {"alarmLevelUsv is nan", [] { fw.alarmLevelUsv = std::numeric_limits<float>::quiet_NaN(); }},
        {"keyTable", [] { fw.keyTable[KeyUp].key = KeyDown; }},
        {"menuTable names a menu on the reading screens", [] { fw.uiMode = Reading; }},
        {"menuCursor is 9, past the menu's last row 7", [] { fw.menuCursor = fw.menuTop = 9; }},
        {"menuTop is 0, not within two rows above the cursor 5", [] { fw.menuCursor = 5; }},
        {"note is 30 characters long", [] { fw.note[0] = 30; }},
        {"note is not ended", [] { fw.note[0] = 2, fw.note[1] = fw.note[2] = fw.note[3] = 'A'; }},
        {"noteText is not ended", [] { std::fill(std::begin(fw.noteText), std::end(fw.noteText), 'A'); }},
        {"chosen of row", [] { AlarmMenu[1].chosen = 2; }},
        {"temperature is 3000", [] { SetTemperatureReading(3000); }},
    };
    for (const Row& row : rows) {
        harness::Boot(0, 3);
        harness::Press(KeySelect);  // the main menu
        const std::vector<uint8_t> before = Take();
        row.spoil();
        std::vector<uint8_t> spoiled = Take();
        SnapshotHostPart host;
        int32_t real[1];
        const char* why = "";
        ASSERT_TRUE(SnapshotLoad(before.data(), before.size(), host, real, 1, &why)) << why;
        EXPECT_FALSE(SnapshotCheck(spoiled.data(), spoiled.size(), nullptr, &why)) << row.field;
        EXPECT_FALSE(SnapshotLoad(spoiled.data(), spoiled.size(), host, real, 1, &why)) << row.field;
        EXPECT_NE(std::string(why).find(row.field), std::string::npos) << why;
        EXPECT_EQ(Take(), before) << row.field << ": nothing changes";
    }
}

}  // namespace
