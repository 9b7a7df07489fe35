// Writing and reading the device snapshot; the layout is in snapshot.h.
#include "core/snapshot.h"

#include <cstring>
#include <initializer_list>
#include <type_traits>

#include "core/driver.h"
#include "core/presentation.h"
#include "firmware/dataflash.h"
#include "firmware/firmware.h"
#include "firmware/state_fields.h"
#include "platform/clock.h"

namespace {

constexpr char kMagic[8] = {'G', 'E', 'I', 'G', 'S', 'N', 'A', 'P'};
constexpr uint16_t kNone = 0xFFFF;

// Every table a menu pointer can name, in a fixed order: the order is part
// of the format.
MenuItem* const kTables[] = {MainMenu,      UserOptionMenu, AlarmMenu,     DisplayOptionMenu, SaveDataMenu,
                             ThresholdMenu, TimedCountMenu, CancelMenu,    InitSetupMenu,     CalibrateMenu,
                             OthersMenu,    BatteryMenu,    AboutMenu};
constexpr uint16_t kTableCount = sizeof kTables / sizeof kTables[0];

// What the key table holds outside the menu rows' own handlers.
const Handler kKeyHandlers[] = {
    TogglePower,     OpenMainMenu,     ReadingBack,     ReadingTextUp,   ReadingTextDown, ReadingTimedUp,
    ReadingTimedDown, MenuBack,        MenuUp,          MenuDown,        MenuSelect,      NoteKeyBack,
    NoteKeyUp,       NoteKeyDown,      NoteKeySelect,   HistoryDataUp,   HistoryDataDown, HistoryDataSelect,
    GyroscopeBack,   EditLargeFontMode, StepGraphTypeUp, StepGraphZoomUp, TemperatureUnitStep};
constexpr uint16_t kKeyHandlerCount = sizeof kKeyHandlers / sizeof kKeyHandlers[0];

uint16_t RowCount(const MenuItem* table) {
    uint16_t n = 0;
    while (table[n].text != nullptr) {
        if (table[n++].onSelect == MenuExit) break;
    }
    return n;
}

// A row's handler fields, in a fixed order.
Handler RowHandler(const MenuItem& row, int field) {
    switch (field) {
        case 0: return row.onUp;
        case 1: return row.onDown;
        case 2: return row.onSelect;
        default: return row.reserved;
    }
}

// Names: handlers by their place in kKeyHandlers, or else by the first
// menu row field that holds them; texts by the first row that shows them.
uint16_t HandlerName(Handler h) {
    if (h == nullptr) return kNone;
    for (uint16_t i = 0; i < kKeyHandlerCount; ++i)
        if (kKeyHandlers[i] == h) return i;
    uint16_t name = kKeyHandlerCount;
    for (MenuItem* table : kTables)
        for (uint16_t r = 0, n = RowCount(table); r < n; ++r)
            for (int f = 0; f < 4; ++f, ++name)
                if (RowHandler(table[r], f) == h) return name;
    return kNone - 1;  // nameless: refused by the writer
}

bool HandlerNamed(uint16_t name, Handler& h) {
    if (name == kNone) {
        h = nullptr;
        return true;
    }
    if (name < kKeyHandlerCount) {
        h = kKeyHandlers[name];
        return true;
    }
    uint16_t at = kKeyHandlerCount;
    for (MenuItem* table : kTables) {
        const uint16_t n = RowCount(table);
        if (name < at + 4 * n) {
            h = RowHandler(table[(name - at) / 4], (name - at) % 4);
            return true;
        }
        at = static_cast<uint16_t>(at + 4 * n);
    }
    return false;
}

uint16_t TableName(const MenuItem* table) {
    for (uint16_t i = 0; i < kTableCount; ++i)
        if (kTables[i] == table) return i;
    return table == nullptr ? kNone : kNone - 1;
}

// The title is kTitleMainMenu or a row's own label.
uint16_t TitleName(const char* title) {
    if (title == nullptr) return kNone;
    if (title == kTitleMainMenu) return 0;
    uint16_t name = 1;
    for (MenuItem* table : kTables)
        for (uint16_t r = 0, n = RowCount(table); r < n; ++r, ++name)
            if (table[r].text == title) return name;
    return kNone - 1;
}

bool TitleNamed(uint16_t name, const char*& title) {
    if (name == kNone) {
        title = nullptr;
        return true;
    }
    if (name == 0) {
        title = kTitleMainMenu;
        return true;
    }
    uint16_t at = 1;
    for (MenuItem* table : kTables) {
        const uint16_t n = RowCount(table);
        if (name < at + n) {
            title = table[name - at].text;
            return true;
        }
        at = static_cast<uint16_t>(at + n);
    }
    return false;
}

uint32_t Crc32(const uint8_t* bytes, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc ^= bytes[i];
        for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// Writes little-endian values; past the end it only counts, so the same
// walk measures and writes.
struct Writer {
    uint8_t* out;
    size_t capacity;
    size_t at = 0;

    void Bytes(const void* p, size_t n) {
        if (out != nullptr && at + n <= capacity) std::memcpy(out + at, p, n);
        at += n;
    }
    void U(uint64_t v, size_t width) {
        for (size_t i = 0; i < width; ++i) {
            const uint8_t b = static_cast<uint8_t>(v >> (8 * i));
            Bytes(&b, 1);
        }
    }
    template <typename T>
    void Field(const T& v) {
        if constexpr (sizeof(T) == 4 && !std::is_integral_v<T> && !std::is_enum_v<T>) {
            uint32_t bits;
            std::memcpy(&bits, &v, 4);
            U(bits, 4);
        } else {
            U(static_cast<uint64_t>(v), sizeof(T));
        }
    }
};

struct Reader {
    const uint8_t* in;
    size_t size;
    size_t at = 0;
    bool ok = true;

    void Bytes(void* p, size_t n) {
        if (!ok || at + n > size) {
            ok = false;
            return;
        }
        if (p != nullptr) std::memcpy(p, in + at, n);
        at += n;
    }
    uint64_t U(size_t width) {
        uint64_t v = 0;
        for (size_t i = 0; i < width; ++i) {
            uint8_t b = 0;
            Bytes(&b, 1);
            v |= static_cast<uint64_t>(b) << (8 * i);
        }
        return v;
    }
    template <typename T>
    void Field(T& v) {
        if constexpr (sizeof(T) == 4 && !std::is_integral_v<T> && !std::is_enum_v<T>) {
            const uint32_t bits = static_cast<uint32_t>(U(4));
            std::memcpy(&v, &bits, 4);
        } else {
            v = static_cast<T>(U(sizeof(T)));
        }
    }
};

// The record's fields, the same walk both ways. `names` carries the stored
// names of the key handlers, the menu table and the title.
struct Names {
    uint16_t keys[4];
    uint16_t table;
    uint16_t title;
};

template <typename Stream, typename Record>
void WalkRecord(Stream& s, Record& r, Names& names) {
#define SNAPSHOT_FIELD(name) s.Field(r.name);
    FIRMWARE_SCALAR_FIELDS(SNAPSHOT_FIELD)
#undef SNAPSHOT_FIELD
    for (int k = 0; k < 4; ++k) {
        s.Field(r.keyTable[k].key);
        s.Field(names.keys[k]);
    }
    s.Field(names.table);
    s.Field(names.title);
    for (auto& v : r.secondCounts) s.Field(v);
    for (auto& point : r.calibration) {
        s.Field(point.cpm);
        s.Field(point.usv);
    }
    s.Bytes(r.note, sizeof r.note);
    s.Bytes(r.noteText, sizeof r.noteText);
    s.Bytes(r.serialBytes, sizeof r.serialBytes);
}

// Everything beside the record, the same walk both ways.
template <typename Stream, typename Bits, typename Cursor, typename Random>
void WalkDevice(Stream& s, uint8_t* marks, uint16_t markCount, Bits& surface, Cursor& cursor, Bits& handedOver,
                Random& random, uint64_t (&scalars)[7]) {
    s.Bytes(marks, markCount);
    s.Bytes(FlashReadArea, kFlashAreaSize);
    s.Bytes(FlashWriteArea, kFlashAreaSize);
    for (auto& w : surface.words) s.Field(w);
    s.Field(cursor.x);
    s.Field(cursor.y);
    for (auto& w : handedOver.words) s.Field(w);
    for (auto& w : random.words) s.Field(w);
    s.Field(random.front);
    s.Field(random.rear);
    for (auto& v : scalars) s.Field(v);
}

uint16_t MarkCount() {
    uint16_t n = 0;
    for (MenuItem* table : kTables) n = static_cast<uint16_t>(n + RowCount(table));
    return n;
}

constexpr uint16_t kMaxMarks = 256;

}  // namespace

size_t SnapshotSize(uint32_t realQueued) {
    Writer w{nullptr, 0};
    FirmwareState record{};
    Names names{};
    WalkRecord(w, record, names);
    uint8_t marks[kMaxMarks] = {};
    LcdBits bits{};
    LcdCursor cursor{};
    RandomState random{};
    uint64_t scalars[7] = {};
    WalkDevice(w, marks, MarkCount(), bits, cursor, bits, random, scalars);
    return kSnapshotHeaderSize + w.at + 4 + 4 * static_cast<size_t>(realQueued);
}

size_t SnapshotWrite(const SnapshotHostPart& host, const char* programVersion, uint8_t* out, size_t capacity,
                     const char** why) {
    const size_t size = SnapshotSize(host.realQueued);
    if (capacity < size || out == nullptr) {
        *why = "no room for the snapshot";
        return 0;
    }
    Names names{};
    for (int k = 0; k < 4; ++k) names.keys[k] = HandlerName(fw.keyTable[k].handler);
    names.table = TableName(fw.menuTable);
    names.title = TitleName(fw.menuTitle);
    for (uint16_t n : {names.keys[0], names.keys[1], names.keys[2], names.keys[3], names.table, names.title})
        if (n == kNone - 1) {
            *why = "the device holds a handler or menu the snapshot cannot name";
            return 0;
        }

    Writer w{out, capacity, kSnapshotHeaderSize};
    FirmwareState record = fw;
    WalkRecord(w, record, names);
    uint8_t marks[kMaxMarks] = {};
    uint16_t m = 0;
    for (MenuItem* table : kTables)
        for (uint16_t r = 0, n = RowCount(table); r < n; ++r) marks[m++] = table[r].chosen;
    LcdBits surface = LcdSurface;
    LcdCursor cursor = textCursor;
    LcdBits handedOver = host.handedOver;
    RandomState random = RandomGenerator();
    unsigned seed = 0;
    const bool seedFixed = RandomSeedFixed(seed);
    uint64_t scalars[7] = {static_cast<uint64_t>(rtcSnapshot), seedFixed, seed, realMode,
                           DriverHalfTicks(),  DriverHandOvers(), DriverFrameLit()};
    WalkDevice(w, marks, m, surface, cursor, handedOver, random, scalars);
    w.Field(host.realQueued);
    for (uint32_t i = 0; i < host.realQueued; ++i) w.Field(host.realQueue[i]);

    Writer h{out, capacity};
    h.Bytes(kMagic, sizeof kMagic);
    h.Field(kSnapshotFormat);
    char version[16] = {};
    if (programVersion != nullptr) std::memcpy(version, programVersion, strnlen(programVersion, sizeof version));
    h.Bytes(version, sizeof version);
    h.Field(static_cast<uint32_t>(size - kSnapshotHeaderSize));
    h.Field(Crc32(out + kSnapshotHeaderSize, size - kSnapshotHeaderSize));
    return size;
}

namespace {

// The walk of a whole snapshot into scratch copies, so that nothing of the
// device changes until everything has been read and named.
struct Loaded {
    FirmwareState record;
    Names names;
    uint8_t marks[kMaxMarks];
    LcdBits surface;
    LcdCursor cursor;
    LcdBits handedOver;
    RandomState random;
    uint64_t scalars[7];
    uint32_t realQueued;
    size_t flashAt;
    size_t realAt;
};

bool Parse(const uint8_t* bytes, size_t size, Loaded& l, const char** why) {
    if (size < kSnapshotHeaderSize || std::memcmp(bytes, kMagic, sizeof kMagic) != 0) {
        *why = size < kSnapshotHeaderSize ? "too short for a snapshot" : "not a snapshot (no GEIGSNAP mark)";
        return false;
    }
    Reader h{bytes, size, sizeof kMagic};
    uint16_t format = 0;
    h.Field(format);
    if (format != kSnapshotFormat) {
        *why = "written in another snapshot format, which this version cannot read";
        return false;
    }
    h.Bytes(nullptr, 16);
    uint32_t length = 0, crc = 0;
    h.Field(length);
    h.Field(crc);
    if (size - kSnapshotHeaderSize < length) {
        *why = "cut short";
        return false;
    }
    if (size - kSnapshotHeaderSize > length) {
        *why = "has bytes after its end";
        return false;
    }
    if (Crc32(bytes + kSnapshotHeaderSize, length) != crc) {
        *why = "damaged (its checksum does not match)";
        return false;
    }
    Reader r{bytes, size, kSnapshotHeaderSize};
    WalkRecord(r, l.record, l.names);
    r.Bytes(l.marks, MarkCount());
    // The DataFlash areas are copied from the bytes once all is checked.
    l.flashAt = r.at;
    r.Bytes(nullptr, 2 * static_cast<size_t>(kFlashAreaSize));
    for (auto& w : l.surface.words) r.Field(w);
    r.Field(l.cursor.x);
    r.Field(l.cursor.y);
    for (auto& w : l.handedOver.words) r.Field(w);
    for (auto& w : l.random.words) r.Field(w);
    r.Field(l.random.front);
    r.Field(l.random.rear);
    for (auto& v : l.scalars) r.Field(v);
    r.Field(l.realQueued);
    l.realAt = r.at;
    if (!r.ok || r.at + 4 * static_cast<size_t>(l.realQueued) != size) {
        *why = "its parts do not add up to its length";
        return false;
    }
    Handler h0;
    const char* title;
    for (uint16_t n : l.names.keys)
        if (!HandlerNamed(n, h0)) {
            *why = "names a handler this version does not have";
            return false;
        }
    if ((l.names.table != kNone && l.names.table >= kTableCount) || !TitleNamed(l.names.title, title) ||
        l.random.front >= 31 || l.random.rear >= 31) {
        *why = "names a menu this version does not have";
        return false;
    }
    return true;
}

}  // namespace

bool SnapshotCheck(const uint8_t* bytes, size_t size, uint32_t* realQueued, const char** why) {
    static Loaded scratch;  // 8 KB: kept off the small stacks the firmware runs on
    if (!Parse(bytes, size, scratch, why)) return false;
    if (realQueued != nullptr) *realQueued = scratch.realQueued;
    return true;
}

bool SnapshotLoad(const uint8_t* bytes, size_t size, SnapshotHostPart& host, int32_t* realOut,
                  uint32_t realCapacity, const char** why) {
    static Loaded l;
    if (!Parse(bytes, size, l, why)) return false;
    if (l.realQueued > realCapacity) {
        *why = "queues more real counts than there is room for";
        return false;
    }
    fw = l.record;
    for (int k = 0; k < 4; ++k) HandlerNamed(l.names.keys[k], fw.keyTable[k].handler);
    fw.menuTable = l.names.table == kNone ? nullptr : kTables[l.names.table];
    TitleNamed(l.names.title, fw.menuTitle);
    uint16_t m = 0;
    for (MenuItem* table : kTables)
        for (uint16_t r = 0, n = RowCount(table); r < n; ++r) table[r].chosen = l.marks[m++];
    std::memcpy(FlashReadArea, bytes + l.flashAt, kFlashAreaSize);
    std::memcpy(FlashWriteArea, bytes + l.flashAt + kFlashAreaSize, kFlashAreaSize);
    LcdRestore(l.surface, l.cursor);
    RandomGenerator() = l.random;
    RtcSetSnapshot(static_cast<std::time_t>(l.scalars[0]));
    RandomSetSeedOverride(l.scalars[1] != 0, static_cast<unsigned>(l.scalars[2]));
    realMode = static_cast<uint8_t>(l.scalars[3]);
    DriverSetTime(l.scalars[4], l.scalars[5], l.scalars[6] != 0);
    host.handedOver = l.handedOver;
    for (uint32_t i = 0; i < l.realQueued; ++i) {
        uint32_t v = 0;
        for (int b = 0; b < 4; ++b) v |= static_cast<uint32_t>(bytes[l.realAt + 4 * i + b]) << (8 * b);
        realOut[i] = static_cast<int32_t>(v);
    }
    host.realQueue = realOut;
    host.realQueued = l.realQueued;
    return true;
}

void SnapshotProgramVersion(const uint8_t* bytes, size_t size, char (&version)[17]) {
    std::memset(version, 0, sizeof version);
    if (size >= kSnapshotHeaderSize && std::memcmp(bytes, kMagic, sizeof kMagic) == 0)
        std::memcpy(version, bytes + sizeof kMagic + 2, 16);
}
