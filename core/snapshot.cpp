// Writing and reading the device snapshot; the layout is in snapshot.h.
#include "core/snapshot.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
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

// Beside the record: the clock, the fixed seed, real mode, virtual time,
// hand-overs and the lit frame; from format 2 on also the substitutes a
// script may set (the store, the demo rate, the battery and temperature
// readings). A format-1 snapshot holds the first seven and loads the
// substitutes as the device has them.
constexpr int kScalarCount = 11;
constexpr int kFormat1Scalars = 7;

// Every table a menu pointer can name, in a fixed order: the order is part
// of the format.
MenuItem* const kTables[] = {MainMenu,      UserOptionMenu, AlarmMenu,     DisplayOptionMenu, SaveDataMenu,
                             ThresholdMenu, TimedCountMenu, CancelMenu,    InitSetupMenu,     CalibrateMenu,
                             OthersMenu,    BatteryMenu,    AboutMenu};
constexpr uint16_t kTableCount = sizeof kTables / sizeof kTables[0];

// What the key table holds outside the menu rows' own handlers. TogglePower
// first: the check of a loaded key table names it by its place.
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

// CRC-32 as zlib's, a byte at a time by table: a snapshot is 140 KB.
struct CrcTable {
    uint32_t entries[256];
    constexpr CrcTable() : entries() {
        for (uint32_t n = 0; n < 256; ++n) {
            uint32_t c = n;
            for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
            entries[n] = c;
        }
    }
};
constexpr CrcTable kCrcTable;

constexpr uint32_t CrcStep(uint32_t crc, uint8_t byte) { return (crc >> 8) ^ kCrcTable.entries[(crc ^ byte) & 0xFF]; }

uint32_t Crc32(const uint8_t* bytes, size_t size) {
    uint32_t crc = 0xFFFFFFFFu;
    size_t i = 0;
    // Eight bytes a turn: one loop test per eight bytes, which is what an
    // instrumented build (the fuzzers) spends most of its time on otherwise.
    for (; i + 8 <= size; i += 8) {
        const uint8_t* b = bytes + i;
        crc = CrcStep(CrcStep(CrcStep(CrcStep(crc, b[0]), b[1]), b[2]), b[3]);
        crc = CrcStep(CrcStep(CrcStep(CrcStep(crc, b[4]), b[5]), b[6]), b[7]);
    }
    for (; i < size; ++i) crc = CrcStep(crc, bytes[i]);
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
                Random& random, uint64_t (&scalars)[kScalarCount]) {
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
    uint64_t scalars[kScalarCount] = {};
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
    uint64_t scalars[kScalarCount] = {static_cast<uint64_t>(rtcSnapshot),
                                      seedFixed,
                                      seed,
                                      realMode,
                                      DriverHalfTicks(),
                                      DriverHandOvers(),
                                      DriverFrameLit(),
                                      static_cast<uint64_t>(ConfigStoreInUse()),
                                      DemoRate(),
                                      ReadBatteryLevel(),
                                      static_cast<uint64_t>(int64_t{TemperatureReading()})};
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
    uint64_t scalars[kScalarCount];
    uint32_t realQueued;
    size_t flashAt;
    size_t realAt;
};

// ---- What a loaded device may hold ------------------------------------------
// Every field whose values the keys and timers keep within bounds, checked
// before anything changes, so that a snapshot with a right checksum and
// wrong contents cannot put the firmware where its keys could not take it.
// A field not named here may hold any value of its width.

struct Range {
    const char* name;
    int64_t value;
    int64_t lowest, highest;
};

struct FloatRange {
    const char* name;
    float value;
    float lowest, highest;
};

// Any finite value, of either sign: the dose of a calibration whose points
// fall as the counts rise is negative, and the keys can make one.
constexpr float kFinite = 3.4e38f;
// A calibration dose steps up by at most 10 with no bound, but a float
// stops growing where the step is lost: past 2^28 adding 10 gives itself.
constexpr float kMaxCalibrationUsv = 268435456.0f;

// The refusal, naming the field: "uiMode is 200, not 0..5". One at a time,
// as the firmware keeps no heap.
char gRefusal[112];

bool Refuse(const char** why, const char* format, const char* name, long long value, long long lowest = 0,
            long long highest = 0) {
    std::snprintf(gRefusal, sizeof gRefusal, format, name, value, lowest, highest);
    *why = gRefusal;
    return false;
}

bool CheckRecord(const FirmwareState& r, const Names& names, const uint8_t* marks, const uint64_t (&scalars)[kScalarCount],
                 const char** why) {
#define RANGE(field, lowest, highest) {#field, static_cast<int64_t>(r.field), lowest, highest}
    const Range ranges[] = {
        // Start-up, power and boot.
        RANGE(holdAll, 0, 1), RANGE(holdOutput, 0, 1), RANGE(holdStart, 0, 1), RANGE(powered, 0, 1),
        RANGE(bootState, 0, 2), RANGE(bootHalfTicks, 0, 5),
        // Screen, keys and the value box (its longest keep time is 10).
        RANGE(uiMode, Reading, Temperature), RANGE(editing, 0, 1), RANGE(editorKeepTicks, 0, 10),
        RANGE(editorIdleTicks, 0, 11), RANGE(redrawOnClose, 0, 1), RANGE(keyQuiet, 0, 3),
        // Menus (a table has at most 10 rows) and the editors' scratch.
        RANGE(menuCursor, 0, 9), RANGE(menuTop, 0, 9), RANGE(editField, 0, 6), RANGE(calibPhase, 0, 2),
        RANGE(temperatureShown, 0, 1),
        // Display and power.
        // Only the ten-minute refresh writes displayOn, and it writes 1.
        RANGE(displayOn, 1, 1), RANGE(backlightOn, 0, 1), RANGE(backlightAge, 0, 50), RANGE(displayTurned, 0, 1),
        RANGE(previousOrientation, 0, 1), RANGE(tapAction, 0, 1), RANGE(blinkPhase, 0, 1),
        RANGE(batteryFrame, 0, 7),
        // Measurement and running time.
        RANGE(avgCpmHundredths, 0, 99), RANGE(uptimeSeconds, 0, 59), RANGE(uptimeMinutes, 0, 59),
        RANGE(uptimeHours, 0, 23),
        // Timed count: the editor's days field is one byte.
        RANGE(timedRunning, 0, 1), RANGE(timedScheduled, 0, 1), RANGE(durationDays, 0, 255),
        RANGE(durationHours, 0, 23), RANGE(durationMinutes, 0, 59), RANGE(durationSeconds, 0, 59),
        RANGE(scheduleDays, 0, 255), RANGE(scheduleHours, 0, 23), RANGE(scheduleMinutes, 0, 59),
        RANGE(scheduleSeconds, 0, 59), RANGE(elapsedHours, 0, 23), RANGE(elapsedMinutes, 0, 59),
        RANGE(elapsedSeconds, 0, 59), RANGE(timedAverageHundredths, 0, 99), RANGE(timedPage, 0, 3),
        // DataFlash: 20-bit addresses.
        RANGE(flashWriteHigh, 0, 15), RANGE(flashReadHigh, 0, 15), RANGE(flashHighMask, 15, 15),
        RANGE(endOfStore, 0, 1),
        // History viewer and note editor.
        RANGE(historyFound, 0, 1), RANGE(noteCursor, 0, kNoteMax - 1), RANGE(noteBlink, 0, 1),
        // Settings, as their editors step them.
        RANGE(alarmOn, 0, 1), RANGE(speakerOn, 0, 1), RANGE(displayMode, 0, 3), RANGE(powerSavingOn, 0, 1),
        RANGE(backlightTimer, 0, 31), RANGE(clockLine, 0, 1), RANGE(alarmLevelCpm, 0, 3000),
        RANGE(infoLine, 0, 7), RANGE(alarmUnit, 0, 1), RANGE(thresholdUnit, 0, 2), RANGE(thresholdCpm, 0, 65530),
        RANGE(graphType, 0, 3), RANGE(swivelMode, 0, 2), RANGE(motionDetect, 0, 2), RANGE(batteryType, 0, 1),
        RANGE(reservedA, 1, 4), RANGE(largeFontUnit, 0, 2), RANGE(ledIndicatorOn, 0, 1),
        RANGE(backlightLevel, 0, 10), RANGE(reservedC, 0, 2047), RANGE(contrast, 15, 40), RANGE(saveMode, 0, 5),
        RANGE(highRateFactor, 1, 254), RANGE(quietHighRateFactor, 1, 254), RANGE(reverseFlag, 0, 1),
    };
#undef RANGE
    for (const Range& range : ranges)
        if (range.value < range.lowest || range.value > range.highest)
            return Refuse(why, "%s is %lld, not %lld..%lld", range.name, range.value, range.lowest, range.highest);

    const FloatRange floats[] = {
        {"doseRate", r.doseRate, -kFinite, kFinite},
        {"alarmLevelUsv", r.alarmLevelUsv, 0.0f, 10.0f},
        {"thresholdUsv", r.thresholdUsv, -kFinite, kFinite},
        {"graphZoom", r.graphZoom, 0.0f, 5.0f},
        {"calibration", r.calibration[0].usv, 0.0f, kMaxCalibrationUsv},
        {"calibration", r.calibration[1].usv, 0.0f, kMaxCalibrationUsv},
        {"calibration", r.calibration[2].usv, 0.0f, kMaxCalibrationUsv},
    };
    for (const FloatRange& f : floats)
        if (!(f.value >= f.lowest && f.value <= f.highest)) {  // NaN fails both
            std::snprintf(gRefusal, sizeof gRefusal, "%s is %g, not %g..%g", f.name, static_cast<double>(f.value),
                          static_cast<double>(f.lowest), static_cast<double>(f.highest));
            *why = gRefusal;
            return false;
        }

    static constexpr uint8_t kBaudCodes[] = {64, 160, 208, 232, 240, 244, 248, 250, 252, 254};
    if (std::find(std::begin(kBaudCodes), std::end(kBaudCodes), r.baudCode) == std::end(kBaudCodes))
        return Refuse(why, "%s is %lld, not one of the ten rates' codes", "baudCode", r.baudCode);
    for (uint32_t k = 0; k < 4; ++k)
        if (r.keyTable[k].key != k)
            return Refuse(why, "%s binds key %lld, not its own", "keyTable", r.keyTable[k].key);

    // Power-on starts the boot, which then runs on: no screen but the
    // reading one before it (power-on leaves the menu cursor where it was),
    // and no way back to off after it.
    if (r.bootState > 0 && r.powered == 0)
        return Refuse(why, "%s is %lld with the device off (powered 0)", "bootState", r.bootState);
    if (r.bootState == 0 && r.uiMode != Reading)
        return Refuse(why, "%s is %lld before the device has started (bootState 0)", "uiMode", r.uiMode);
    // Before power-on only Select is bound, to the power toggle; power-on
    // binds all four keys anew, and the toggle is never bound again.
    constexpr uint16_t kTogglePowerName = 0;  // TogglePower's place in kKeyHandlers
    for (uint16_t k = 0; k < 4; ++k) {
        const uint16_t before = k == KeySelect ? kTogglePowerName : kNone;
        if (r.bootState == 0 ? names.keys[k] != before : names.keys[k] == kTogglePowerName)
            return Refuse(why, r.bootState == 0 ? "%s binds key %lld otherwise than before power-on (bootState 0)"
                                                : "%s binds key %lld to the power toggle after power-on",
                          "keyTable", k);
    }

    // The menu shown and its cursor: a table in every mode but the reading
    // screens, the cursor on one of its rows and at most two below the top.
    const bool reading = r.uiMode == Reading;
    if (reading != (names.table == kNone))
        return Refuse(why, reading ? "%s names a menu on the reading screens (uiMode %lld)"
                                   : "%s names no menu in uiMode %lld",
                      "menuTable", r.uiMode);
    const uint16_t rows = reading ? 1 : RowCount(kTables[names.table]);
    if (r.menuCursor >= rows)
        return Refuse(why, "%s is %lld, past the menu's last row %lld", "menuCursor", r.menuCursor, rows - 1);
    if (r.menuTop > r.menuCursor || r.menuCursor - r.menuTop > 2)
        return Refuse(why, "%s is %lld, not within two rows above the cursor %lld", "menuTop", r.menuTop,
                      r.menuCursor);
    for (uint16_t m = 0, n = MarkCount(); m < n; ++m)
        if (marks[m] > 1) return Refuse(why, "%s of row %lld is %lld, not 0 or 1", "chosen", m, marks[m]);

    // Texts: the note is a length byte and that many characters ended by a
    // 0; the editor's text ends within its buffer.
    const auto length = static_cast<uint8_t>(r.note[0]);
    if (length > kNoteMax) return Refuse(why, "%s is %lld characters long, not at most %lld", "note", length, kNoteMax);
    if (r.note[1 + length] != 0) return Refuse(why, "%s is not ended after its %lld characters", "note", length);
    if (std::memchr(r.noteText, 0, sizeof r.noteText) == nullptr)
        return Refuse(why, "%s is not ended within its %lld bytes", "noteText", sizeof r.noteText);

    // Beside the record: real mode, the fixed seed and the lit frame are flags.
    const char* const kFlags[] = {"seedFixed", "realMode", "frameLit"};
    const uint64_t flags[] = {scalars[1], scalars[3], scalars[6]};
    for (int i = 0; i < 3; ++i)
        if (flags[i] > 1) return Refuse(why, "%s is %lld, not 0 or 1", kFlags[i], static_cast<long long>(flags[i]));
    // The substitutes, within what their commands accept.
    const Range substitutes[] = {
        {"configStore", static_cast<int64_t>(scalars[7]), 0, 1},
        {"demoRate", static_cast<int64_t>(scalars[8]), 0, kDemoRateMax},
        {"battery", static_cast<int64_t>(scalars[9]), 0, 255},
        {"temperature", static_cast<int64_t>(scalars[10]), -2559, 2559},
    };
    for (const Range& s : substitutes)
        if (s.value < s.lowest || s.value > s.highest)
            return Refuse(why, "%s is %lld, not %lld..%lld", s.name, s.value, s.lowest, s.highest);
    return true;
}

bool Parse(const uint8_t* bytes, size_t size, Loaded& l, const char** why) {
    if (size < kSnapshotHeaderSize || std::memcmp(bytes, kMagic, sizeof kMagic) != 0) {
        *why = size < kSnapshotHeaderSize ? "too short for a snapshot" : "not a snapshot (no GEIGSNAP mark)";
        return false;
    }
    Reader h{bytes, size, sizeof kMagic};
    uint16_t format = 0;
    h.Field(format);
    if (format != 1 && format != kSnapshotFormat) {
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
    const int scalarCount = format == 1 ? kFormat1Scalars : kScalarCount;
    for (int i = 0; i < scalarCount; ++i) r.Field(l.scalars[i]);
    if (format == 1) {
        l.scalars[7] = static_cast<uint64_t>(ConfigStore::Fixed);
        l.scalars[8] = 0;
        l.scalars[9] = kBatteryReadingFixed;
        l.scalars[10] = static_cast<uint64_t>(int64_t{kTemperatureFixed});
    }
    r.Field(l.realQueued);
    l.realAt = r.at;
    if (r.ok && l.realQueued > kSnapshotMaxQueued)
        return Refuse(why, "%s is %lld, more than the %lld a snapshot may queue", "realQueued", l.realQueued,
                      kSnapshotMaxQueued);
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
    return CheckRecord(l.record, l.names, l.marks, l.scalars, why);
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
    SetConfigStore(static_cast<ConfigStore>(l.scalars[7]));
    SetDemoRate(static_cast<uint32_t>(l.scalars[8]));
    SetBatteryReading(static_cast<uint8_t>(l.scalars[9]));
    SetTemperatureReading(static_cast<int16_t>(static_cast<int64_t>(l.scalars[10])));
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

uint32_t SnapshotChecksum(const uint8_t* payload, size_t size) { return Crc32(payload, size); }

void SnapshotProgramVersion(const uint8_t* bytes, size_t size, char (&version)[17]) {
    std::memset(version, 0, sizeof version);
    if (size >= kSnapshotHeaderSize && std::memcmp(bytes, kMagic, sizeof kMagic) == 0)
        std::memcpy(version, bytes + sizeof kMagic + 2, 16);
}
