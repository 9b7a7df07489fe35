// The logic of geigersim-device, a stand-in counter on a pseudo-terminal:
// the command parser, the count sources and the device's state machine
// (the report's bytes come from link/protocol.h). Nothing here touches a
// terminal or a clock; the serving loop (serve.h) feeds it bytes and the
// time in milliseconds.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "serial/protocol.h"

namespace geigerdevice {

// Splits the byte stream from the host into commands. A command is the text
// between '<' and ">>"; bytes outside a command are skipped, a '<' inside an
// unfinished command starts it afresh, and a command that grows longer than
// the longest the host sends (kMaxCommandBytes including "<" and ">>") is
// dropped. State carries over between calls, so commands may arrive split.
class CommandParser {
 public:
    static constexpr size_t kMaxCommandBytes = 32;

    // Appends the text of each completed command (without '<' and ">>").
    void Feed(std::string_view bytes, std::vector<std::string>& commands);

    // Bytes skipped so far (outside commands, or of dropped commands).
    uint64_t Skipped() const { return skipped_; }

 private:
    bool inCommand_ = false;
    std::string body_;  // after '<', including any '>' seen so far
    uint64_t skipped_ = 0;
};

// Where each second's count comes from: a Poisson draw with mean cpm / 60,
// or a fixed sequence repeated.
class CountSource {
 public:
    static CountSource Poisson(double cpm, uint32_t seed);
    static CountSource Sequence(std::vector<uint32_t> counts);  // not empty

    uint32_t Next();

 private:
    CountSource() = default;
    double mean_ = 0;  // counts per second
    std::mt19937 rng_;
    std::vector<uint32_t> sequence_;
    size_t position_ = 0;
};

struct DeviceConfig {
    bool turned = false;          // orientation at start
    int64_t toggleTurnedMs = 0;   // > 0: flip the orientation this often
    // > 0 (below 500): each report goes up to this much before or after its
    // second, at random, as a clock that wanders about the host's tick would
    // send it; one report a second all the same.
    int64_t jitterMs = 0;
    uint32_t jitterSeed = 0;
};

// One report the device sent: what was meant and what went on the line.
struct SentReport {
    int64_t atMs = 0;
    uint32_t count = 0;  // after the clamp
    bool turned = false;
    std::array<uint8_t, 2> bytes{};
};

// The counter's state machine on a millisecond clock that starts at 0.
// Reports start off. "<HEARTBEAT1>>" switches them on (and the device on,
// if it was off): the first report goes out 1000 ms later and one every
// 1000 ms after that. "<HEARTBEAT0>>" switches them off; "<POWEROFF>>"
// switches the device off, which also stops them. With a jitter each report
// goes early or late about its second. The count source is
// drawn only for reports actually sent, so a fixed sequence starts with
// its first value at the first report.
class Device {
 public:
    Device(DeviceConfig config, CountSource source);

    // Bytes from the host, received at `nowMs`. Appends one log line per
    // command (e.g. "key down", "heartbeat on", "unknown command <FOO>>").
    void Receive(std::string_view bytes, int64_t nowMs, std::vector<std::string>& log);

    // Sends every report due by `nowMs`: appends it to `sent`. A device that
    // fell more than a second behind (the process was stopped, say) skips
    // the missed reports rather than sending them in a burst.
    void Advance(int64_t nowMs, std::vector<SentReport>& sent);

    // When the next report is due, if reports are on.
    std::optional<int64_t> NextReportMs() const;

    bool Reporting() const { return reporting_; }
    bool PoweredOn() const { return poweredOn_; }
    bool TurnedAt(int64_t ms) const;
    uint64_t SkippedBytes() const { return parser_.Skipped(); }

 private:
    // `body`: the command without its frame, as the parser hands it over.
    void Handle(const std::string& body, int64_t nowMs, std::vector<std::string>& log);

    DeviceConfig config_;
    // The next report's offset from its second.
    void DrawOffset();

    CountSource source_;
    CommandParser parser_;
    bool reporting_ = false;
    bool poweredOn_ = true;
    int64_t nextReportMs_ = 0;  // the second the next report belongs to
    int64_t offsetMs_ = 0;      // its offset from it (jitterMs)
    std::mt19937 jitterRng_;
};

}  // namespace geigerdevice
