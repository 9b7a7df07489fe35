// The snapshot loader on arbitrary bytes, in two ways. A patch (first byte
// odd) overwrites part of the payload of a snapshot the device saved in one
// of several places (off, reading, menus, editors, a timed count, the
// history viewer, the note editor) and sets the checksum right, so that
// mutations reach the field checks rather than stopping at the checksum.
// A whole file (first byte even) is loaded as it is, its checksum set right
// when the second bit says so.
// A snapshot that loads must leave a device that runs, takes every key and
// saves a snapshot that loads again: a loaded device stays where its keys
// could have taken it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "core/driver.h"
#include "firmware/firmware.h"
#include "core/snapshot.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

void PutU32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(v >> (8 * i));
}

std::vector<uint8_t> Save() {
    SnapshotHostPart host;
    std::vector<uint8_t> bytes(SnapshotSize(0));
    const char* why = nullptr;
    Check(SnapshotWrite(host, "fuzz", bytes.data(), bytes.size(), &why) == bytes.size());
    return bytes;
}

// The device saved along a walk through its screens, as the patches' bases.
std::vector<std::vector<uint8_t>> Bases() {
    DriverStart({1772874330, true, 1, nullptr, nullptr});
    std::vector<std::vector<uint8_t>> bases{Save()};
    auto keys = [&](std::initializer_list<uint8_t> walk, int periods) {
        for (uint8_t key : walk) DispatchKey(key);
        for (int i = 0; i < periods; ++i) DriverPeriod();
        bases.push_back(Save());
    };
    keys({KeySelect}, 6);                                         // reading screen
    keys({KeySelect, KeyDown, KeySelect, KeyDown, KeyDown, KeyDown, KeyDown, KeyDown}, 0);  // Display Option, scrolled
    keys({KeySelect}, 0);                                         // its Contrast box open
    keys({KeyBack, KeyBack}, 8);                                  // back in the main menu
    keys({KeyDown, KeyDown, KeySelect, KeyDown, KeySelect, KeyUp, KeyUp}, 1);  // the note editor
    keys({KeyBack, KeyBack, KeyBack, KeyBack}, 4);
    keys({KeyDown, KeySelect, KeyDown, KeySelect}, 24);           // a timed count running
    keys({KeyBack, KeyUp, KeySelect, KeyDown, KeySelect, KeySelect}, 6);  // the history viewer
    return bases;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<std::vector<uint8_t>> bases = Bases();
    if (size < 2) return 0;
    static std::vector<uint8_t> bytes;  // 140 KB: kept, not mapped anew for every input
    bool fix = (data[0] & 2) != 0;
    if ((data[0] & 1) != 0) {
        // A patch: base, offset into the payload (two bytes), then the bytes.
        bytes = bases[data[1] % bases.size()];
        const size_t payload = bytes.size() - kSnapshotHeaderSize;
        const size_t offset = size >= 4 ? (data[2] | size_t{data[3]} << 8) % payload : 0;
        for (size_t i = 4; i < size && offset + i - 4 < payload; ++i) bytes[kSnapshotHeaderSize + offset + i - 4] = data[i];
        fix = true;
    } else {
        bytes.assign(data + 1, data + size);
    }
    if (fix && bytes.size() >= kSnapshotHeaderSize) {
        const size_t payload = bytes.size() - kSnapshotHeaderSize;
        PutU32(bytes.data() + kSnapshotHeaderSize - 8, static_cast<uint32_t>(payload));
        PutU32(bytes.data() + kSnapshotHeaderSize - 4, SnapshotChecksum(bytes.data() + kSnapshotHeaderSize, payload));
    }

    uint32_t queued = 0;
    const char* why = nullptr;
    const bool readable = SnapshotCheck(bytes.data(), bytes.size(), &queued, &why);
    Check(readable || (why != nullptr && *why != '\0'));
    Check(!readable || queued <= kSnapshotMaxQueued);
    std::vector<int32_t> counts(readable ? queued : 0);
    SnapshotHostPart host;
    const bool loaded = SnapshotLoad(bytes.data(), bytes.size(), host, counts.data(), queued, &why);
    Check(loaded == readable);
    if (!loaded) return 0;
    Check(host.realQueued == queued);

    // The device runs on from there: periods, then each key with a second between.
    for (uint8_t key : {KeySelect, KeyDown, KeyUp, KeySelect, KeyBack}) {
        for (int i = 0; i < 3; ++i) DriverPeriod();
        DispatchKey(key);
    }
    for (int i = 0; i < 16; ++i) DriverPeriod();

    const std::vector<uint8_t> again = Save();
    if (!SnapshotCheck(again.data(), again.size(), nullptr, &why)) {
        std::fprintf(stderr, "a loaded device ran to one its snapshot refuses: %s\n", why);
        std::abort();
    }
    return 0;
}
