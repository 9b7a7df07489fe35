// The record format of the history store, once for all who use it: the
// logger writes it, the viewer and the hosts' decoder read it, and the
// built-in history is made of it. The store is a byte stream without
// alignment: a record opens with the two marker bytes and a type byte, and
// every other byte is one count.
#pragma once

#include <cstdint>

// ---- Bytes -------------------------------------------------------------

constexpr uint8_t kRecordMarker1 = 0x55;
constexpr uint8_t kRecordMarker2 = 0xAA;
// What the store holds where nothing was written since the erase.
constexpr uint8_t kErasedByte = 0xFF;

// ---- Record types: the byte after the marker ------------------------------

// The clock at the time of writing, then the save mode in force.
constexpr uint8_t kRecordTimeStamp = 0x00;
// A count that does not go into one byte.
constexpr uint8_t kRecordWideCount = 0x01;
// The user's note or location name, right after a time stamp.
constexpr uint8_t kRecordNote = 0x02;
// A place name shaped like a note. Only the built-in history holds it, and
// no reader knows the type: the location search passes over it, and the
// count reader takes its length and characters for counts.
constexpr uint8_t kRecordPlaceName = 0x05;

// ---- Layout: offsets from the first marker byte -----------------------------

// Marker and type.
constexpr uint8_t kRecordHeadLength = 3;

// A time stamp: the head; year - 2000, month, day, hour, minute, second;
// the marker once more and the save mode. The device appends it in two
// writes, up to kStampClockEnd and the rest.
constexpr uint8_t kStampClockAt = 3;
constexpr uint8_t kStampClockEnd = 9;  // where the second marker starts
constexpr uint8_t kStampModeAt = 11;
constexpr uint8_t kStampLength = 12;
static_assert(kStampClockEnd == kStampClockAt + 6 && kStampModeAt == kStampClockEnd + 2 &&
              kStampLength == kStampModeAt + 1);

// A wide count: the head, then the count's high and low byte.
constexpr uint8_t kWideCountLength = 5;

// A note or place name: the head, a length byte n, then n characters.
constexpr uint8_t kTextLengthAt = 3;
constexpr uint8_t kTextHeadLength = 4;
constexpr uint32_t TextRecordLength(uint32_t n) { return kTextHeadLength + n; }

// ---- Counts -------------------------------------------------------------------

// A wide count of this value is no sample: readers pass over it.
constexpr uint16_t kNoSample = 0xFFFF;
// The largest count a record carries. A larger one is stored as this rather
// than wrap to a small, wrong value.
constexpr uint32_t kLargestCount = kNoSample - 1;

// The count-byte rule, as a reader sees it: any byte but the first marker
// byte is one count.
constexpr bool IsCountByte(uint8_t b) { return b != kRecordMarker1; }

// The rule as the writer keeps it: one byte for a count below 256 that a
// reader takes for a count. 0x55 alone would start a marker and be lost
// together with the byte after it, so it goes into a wide count like the
// counts of 256 and more.
constexpr bool FitsOneByte(uint32_t v) { return v < 256 && IsCountByte(static_cast<uint8_t>(v)); }

// ---- Recognising records (the caller makes sure the bytes are there) -----------

// Two bytes at p.
constexpr bool IsMarkerAt(const uint8_t* p) { return p[0] == kRecordMarker1 && p[1] == kRecordMarker2; }

// Three bytes at p.
constexpr bool IsRecordAt(const uint8_t* p, uint8_t type) { return IsMarkerAt(p) && p[2] == type; }

// kStampLength bytes at p: both markers of a time stamp and its type.
constexpr bool IsTimeStampAt(const uint8_t* p) {
    return IsRecordAt(p, kRecordTimeStamp) && IsMarkerAt(p + kStampClockEnd);
}

// ---- Reading and writing records ------------------------------------------------

// The kRecordHeadLength bytes that open a record of the type.
constexpr void PutRecordHead(uint8_t type, uint8_t* out) {
    out[0] = kRecordMarker1;
    out[1] = kRecordMarker2;
    out[2] = type;
}

struct TimeStamp {
    uint8_t year, month, day, hour, minute, second;  // year - 2000
    uint8_t saveMode;
};

// Fills kStampLength bytes at out.
constexpr void PutTimeStamp(const TimeStamp& s, uint8_t* out) {
    PutRecordHead(kRecordTimeStamp, out);
    out[kStampClockAt + 0] = s.year;
    out[kStampClockAt + 1] = s.month;
    out[kStampClockAt + 2] = s.day;
    out[kStampClockAt + 3] = s.hour;
    out[kStampClockAt + 4] = s.minute;
    out[kStampClockAt + 5] = s.second;
    out[kStampClockEnd] = kRecordMarker1;  // the marker once more, with no type
    out[kStampClockEnd + 1] = kRecordMarker2;
    out[kStampModeAt] = s.saveMode;
}

// The fields of the time stamp whose bytes start at p; its markers are not
// looked at.
constexpr TimeStamp TimeStampAt(const uint8_t* p) {
    const uint8_t* c = p + kStampClockAt;
    return {c[0], c[1], c[2], c[3], c[4], c[5], p[kStampModeAt]};
}

// The count of the wide count whose bytes start at p.
constexpr uint16_t WideCountAt(const uint8_t* p) {
    return static_cast<uint16_t>(p[kRecordHeadLength] << 8 | p[kRecordHeadLength + 1]);
}

// Count v as the rule above stores it, into out (room for kWideCountLength
// bytes), capped at kLargestCount; returns the number of bytes used.
constexpr uint8_t PutCount(uint32_t v, uint8_t* out) {
    if (v > kLargestCount) v = kLargestCount;
    if (FitsOneByte(v)) {
        out[0] = static_cast<uint8_t>(v);
        return 1;
    }
    PutRecordHead(kRecordWideCount, out);
    out[kRecordHeadLength] = static_cast<uint8_t>(v >> 8);
    out[kRecordHeadLength + 1] = static_cast<uint8_t>(v);
    return kWideCountLength;
}

// The kTextHeadLength bytes that open a note or place name of n characters.
constexpr void PutTextHead(uint8_t type, uint8_t n, uint8_t* out) {
    PutRecordHead(type, out);
    out[kTextLengthAt] = n;
}
