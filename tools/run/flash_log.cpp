// `log` and --decode: the DataFlash write area as CSV, one line per record.
#include "tools/run/flash_log.h"

#include <cstdio>
#include <ctime>
#include <vector>

#include "firmware/dataflash.h"
#include "firmware/flash_record.h"
#include "script/script_language.h"

namespace geigerrun {
namespace {

// Seconds between two samples in each save mode (0 off; 4 and 5 write on
// the threshold's seconds and minutes).
constexpr int64_t kInterval[6] = {0, 1, 60, 3600, 1, 60};

std::string TimeText(int64_t t) {
    const std::time_t when = static_cast<std::time_t>(t);
    std::tm tm{};
    gmtime_r(&when, &tm);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

// A note as one CSV field: quoted, with quotes doubled, and the LCD's
// codes outside printable ASCII as \xNN.
std::string CsvText(const uint8_t* p, size_t n) {
    std::string out = "\"";
    for (size_t i = 0; i < n; ++i) {
        if (p[i] == '"') {
            out += "\"\"";
        } else {
            script::AppendByte(out, p[i], script::IsPlainByte(p[i]));
        }
    }
    return out + "\"";
}

struct Clock {
    bool known = false;
    int64_t stamp = 0;   // seconds, the stamp's clock reading taken as UTC
    uint8_t mode = 0;
    int64_t samples = 0;  // count records since the stamp
};

// The time of the next count: the stamp plus one interval per sample. In
// modes 1 and 3 the device writes the stamp right after the count of its
// own second, so the first count after it is one interval later; in 2, 4
// and 5 the stamp comes first and its count shares its second.
std::string SampleTime(Clock& clock) {
    if (!clock.known) return "";
    const int64_t interval = kInterval[clock.mode <= 5 ? clock.mode : 0];
    const int64_t offset = clock.mode == 1 || clock.mode == 3 ? 1 : 0;
    return TimeText(clock.stamp + (clock.samples++ + offset) * interval);
}

}  // namespace

std::string DecodeFlashLog(const uint8_t* area, uint32_t writeAddress) {
    // The bytes in the order written: up to the write address, or, once it
    // has passed the area's end, the whole ring from the oldest byte.
    std::vector<uint8_t> bytes;
    const bool wrapped = writeAddress >= kFlashAreaSize;
    const uint32_t start = writeAddress % kFlashAreaSize;
    if (wrapped) {
        bytes.assign(area + start, area + kFlashAreaSize);
        bytes.insert(bytes.end(), area, area + start);
    } else {
        bytes.assign(area, area + writeAddress);
    }

    std::string csv = "kind,time,value\n";
    // Start at the first marker: once wrapped, the oldest bytes may be the
    // tail of an overwritten record; before that, the area below the first
    // stamp was never written (power-on puts the write address where the
    // built-in history ends), and the device writes a stamp before any
    // count it logs.
    size_t i = 0;
    while (i + 1 < bytes.size() && !IsMarkerAt(&bytes[i])) ++i;
    // Power-on writes its stamp at the erased area's start and only then
    // moves the write address to where the built-in history ends, so the
    // zeros between were never written: no counts.
    size_t neverWritten = 0;
    if (!wrapped && writeAddress > kHistoryImageEnd) {
        neverWritten = kHistoryImageEnd;
        while (neverWritten > 0 && bytes[neverWritten - 1] == 0) --neverWritten;
    }
    Clock clock;
    const size_t n = bytes.size();
    while (i < n) {
        if (i >= neverWritten && i < kHistoryImageEnd && !wrapped && writeAddress > kHistoryImageEnd) {
            i = kHistoryImageEnd;
            continue;
        }
        if (IsCountByte(bytes[i])) {
            csv += "count," + SampleTime(clock) + "," + std::to_string(bytes[i]) + "\n";
            ++i;
            continue;
        }
        // A marker and a type byte; anything else is no record the device
        // writes, so the reader moves on to the next marker.
        const size_t left = n - i;
        const uint8_t* record = &bytes[i];
        if (left >= kStampLength && IsTimeStampAt(record)) {
            const TimeStamp s = TimeStampAt(record);
            std::tm tm{};
            tm.tm_year = 100 + s.year;
            tm.tm_mon = s.month - 1;
            tm.tm_mday = s.day;
            tm.tm_hour = s.hour;
            tm.tm_min = s.minute;
            tm.tm_sec = s.second;
            clock.known = true;
            clock.stamp = static_cast<int64_t>(timegm(&tm));
            clock.mode = s.saveMode;
            clock.samples = 0;
            csv += "stamp," + TimeText(clock.stamp) + "," + std::to_string(clock.mode) + "\n";
            i += kStampLength;
        } else if (left >= kWideCountLength && IsRecordAt(record, kRecordWideCount)) {
            const unsigned v = WideCountAt(record);
            csv += "count," + SampleTime(clock) + "," + std::to_string(v) + "\n";
            i += kWideCountLength;
        } else if (left >= kTextHeadLength && IsRecordAt(record, kRecordNote) &&
                   left >= TextRecordLength(record[kTextLengthAt])) {
            csv += "note," + (clock.known ? TimeText(clock.stamp) : std::string()) + "," +
                   CsvText(record + kTextHeadLength, record[kTextLengthAt]) + "\n";
            i += TextRecordLength(record[kTextLengthAt]);
        } else {
            ++i;  // a marker the device never writes, or cut off at the newest byte
        }
    }
    return csv;
}

}  // namespace geigerrun
