// The history that ships in the firmware's read area: four logging sessions
// of December 2011, one count byte per second, generated here rather than
// stored so that the image costs no space and reads the same on every start.
//
// Each session starts with a time stamp (save mode 1, every second) and
// stamps again every kStampSeconds seconds of logging, so consecutive stamps
// are that many count bytes apart and that many seconds apart in time. Each
// session carries a place name (kRecordPlaceName), a type the viewer does
// not treat as a location.
#include <cstring>

#include "firmware/dataflash.h"
#include "firmware/flash_record.h"

namespace {

constexpr uint8_t kSaveEverySecond = 1;
constexpr uint32_t kStampSeconds = 258;  // 4 min 18 s between stamps
constexpr uint8_t kYear = 11;
constexpr uint8_t kMonth = 12;
constexpr uint8_t kDaysInMonth = 31;

struct Session {
    uint8_t day, hour, minute, second;  // the first stamp
    uint8_t stamps;
    uint16_t lastSeconds;  // count bytes after the last stamp (switched off before the next)
    const char* place;
    bool placeFirst;  // the name precedes the first stamp rather than following it
};

// 91 stamps and 87 x 258 + 1010 = 23,456 count bytes in all.
constexpr Session kSessions[] = {
    {3, 2, 7, 15, 23, 250, "SCHOOL", true},
    {4, 18, 42, 5, 22, 252, "HOME001", false},
    {7, 9, 15, 40, 24, 254, "MAIN STREET", false},
    {9, 23, 10, 30, 22, 254, "MAIN STREET2", false},  // runs past midnight
};

constexpr uint32_t ImageBytes() {
    uint32_t bytes = 0;
    for (const Session& s : kSessions) {
        uint32_t place = 0;
        while (s.place[place] != '\0') ++place;
        bytes += TextRecordLength(place) + uint32_t{kStampLength} * s.stamps + kStampSeconds * (s.stamps - 1u) +
                 s.lastSeconds;
    }
    return bytes;
}
static_assert(ImageBytes() == kHistoryImageEnd, "the sessions must fill the image exactly");

struct Clock {
    uint8_t day, hour, minute, second;

    void Add(uint32_t seconds) {
        uint32_t total = second + seconds;
        second = static_cast<uint8_t>(total % 60);
        total = minute + total / 60;
        minute = static_cast<uint8_t>(total % 60);
        total = hour + total / 60;
        hour = static_cast<uint8_t>(total % 24);
        total = day + total / 24;
        // The sessions stay within December; wrap rather than overflow if not.
        day = static_cast<uint8_t>((total - 1) % kDaysInMonth + 1);
    }
};

// A small fixed generator: the same counts on every start, about one count
// every other second (30 CPM).
struct CountSource {
    uint32_t state = 0x2011C0DEu;

    uint8_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<uint8_t>((state >> 11) & 1u);
    }
};

struct Writer {
    uint8_t* area;
    uint32_t at = 0;

    void Put(uint8_t b) {
        if (at < kHistoryImageEnd) area[at] = b;
        ++at;
    }
    void Stamp(const Clock& c) {
        uint8_t bytes[kStampLength];
        PutTimeStamp({kYear, kMonth, c.day, c.hour, c.minute, c.second, kSaveEverySecond}, bytes);
        for (uint8_t b : bytes) Put(b);
    }
    void PlaceName(const char* text) {
        const uint8_t length = static_cast<uint8_t>(std::strlen(text));
        uint8_t head[kTextHeadLength];
        PutTextHead(kRecordPlaceName, length, head);
        for (uint8_t b : head) Put(b);
        for (uint8_t i = 0; i < length; ++i) Put(static_cast<uint8_t>(text[i]));
    }
    void Counts(CountSource& source, uint32_t n) {
        for (uint32_t i = 0; i < n; ++i) Put(source.Next());
    }
};

}  // namespace

void HistoryImageBuild(uint8_t* area) {
    std::memset(area, kErasedByte, kFlashAreaSize);
    Writer out{area};
    CountSource source;
    for (const Session& s : kSessions) {
        Clock clock{s.day, s.hour, s.minute, s.second};
        if (s.placeFirst) out.PlaceName(s.place);
        for (uint8_t i = 0; i < s.stamps; ++i) {
            out.Stamp(clock);
            if (i == 0 && !s.placeFirst) out.PlaceName(s.place);
            const bool last = i + 1 == s.stamps;
            const uint32_t seconds = last ? s.lastSeconds : kStampSeconds;
            out.Counts(source, seconds);
            clock.Add(seconds);
        }
    }
}
