// The serial protocol between the host and the counter, both directions.
// Plain C++ without a library behind it, so that the stand-in counter
// (tools/device) speaks exactly what the link expects.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

// Host to counter: plain ASCII, each command framed by '<' and ">>",
// nothing after the closing ">>".
constexpr char kCommandOpen = '<';
constexpr std::string_view kCommandClose = ">>";
constexpr std::string_view kHeartbeatOnCommand = "<HEARTBEAT1>>";   // start the reports
constexpr std::string_view kHeartbeatOffCommand = "<HEARTBEAT0>>";  // stop them
constexpr std::string_view kPowerOffCommand = "<POWEROFF>>";        // switch the counter off

// "<KEYk>>" presses key k (0 back, 1 up, 2 down, 3 select/power); k must be 0..3.
constexpr std::array<char, 7> KeyCommand(uint8_t k) {
    return {kCommandOpen, 'K', 'E', 'Y', char('0' + k), kCommandClose[0], kCommandClose[1]};
}
// The key a whole command presses, or -1 when it is no key command.
constexpr int CommandKey(std::string_view command) {
    for (uint8_t k = 0; k < 4; ++k) {
        const std::array<char, 7> key = KeyCommand(k);
        if (command == std::string_view(key.data(), key.size())) return k;
    }
    return -1;
}

// Counter to host, once a second while the heartbeat is on: the count
// report. The first byte has bit 7 set (the marker), bit 6 the orientation
// (1 turned) and bits 5..0 the count's bits 13..8; the second byte holds
// the count's bits 7..0. A first byte of 255 is no report, so counts above
// kMaxTurnedReportCount cannot be reported while turned.
constexpr uint8_t kReportMarker = 0x80;
constexpr uint8_t kReportTurned = 0x40;
constexpr uint32_t kMaxReportCount = 16383;
constexpr uint32_t kMaxTurnedReportCount = 16127;

constexpr bool HasReportMarker(uint8_t b) { return (b & kReportMarker) != 0; }
// Whether b can be the first byte of a report.
constexpr bool IsReportStart(uint8_t b) { return HasReportMarker(b) && b != 255; }
constexpr bool ReportTurned(uint8_t first) { return (first & kReportTurned) != 0; }
constexpr uint32_t ReportCount(uint8_t first, uint8_t second) { return uint32_t(first & 0x3F) * 256 + second; }

// The count a report can carry for count: clamped to the largest one.
constexpr uint32_t ClampReportCount(uint32_t count, bool turned) {
    return std::min(count, turned ? kMaxTurnedReportCount : kMaxReportCount);
}

// The two bytes of a report of count (clamped).
constexpr std::array<uint8_t, 2> EncodeCountReport(uint32_t count, bool turned) {
    const uint32_t c = ClampReportCount(count, turned);
    return {uint8_t(kReportMarker | (turned ? kReportTurned : 0) | (c >> 8)), uint8_t(c & 0xFF)};
}
