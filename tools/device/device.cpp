#include "tools/device/device.h"

#include <algorithm>
#include <utility>

#include "script/script_language.h"

namespace geigerdevice {

void CommandParser::Feed(std::string_view bytes, std::vector<std::string>& commands) {
    for (const char ch : bytes) {
        if (ch == kCommandOpen) {
            if (inCommand_) skipped_ += 1 + body_.size();  // the unfinished one
            inCommand_ = true;
            body_.clear();
            continue;
        }
        if (!inCommand_) {
            ++skipped_;
            continue;
        }
        body_.push_back(ch);
        if (body_.ends_with(kCommandClose)) {
            body_.resize(body_.size() - kCommandClose.size());
            commands.push_back(std::move(body_));
            body_.clear();
            inCommand_ = false;
        } else if (1 + body_.size() >= kMaxCommandBytes) {
            // Even with the closing ">>" next it would be too long.
            skipped_ += 1 + body_.size();
            body_.clear();
            inCommand_ = false;
        }
    }
}

CountSource CountSource::Poisson(double cpm, uint32_t seed) {
    CountSource s;
    s.mean_ = cpm / 60.0;
    s.rng_.seed(seed);
    return s;
}

CountSource CountSource::Sequence(std::vector<uint32_t> counts) {
    CountSource s;
    s.sequence_ = std::move(counts);
    if (s.sequence_.empty()) s.sequence_.push_back(0);
    return s;
}

uint32_t CountSource::Next() {
    if (!sequence_.empty()) {
        const uint32_t c = sequence_[position_];
        position_ = (position_ + 1) % sequence_.size();
        return c;
    }
    if (mean_ <= 0) return 0;
    std::poisson_distribution<uint64_t> poisson(mean_);
    return static_cast<uint32_t>(std::min<uint64_t>(poisson(rng_), kMaxReportCount));
}

Device::Device(DeviceConfig config, CountSource source)
    : config_(config), source_(std::move(source)), jitterRng_(config.jitterSeed) {}

void Device::DrawOffset() {
    offsetMs_ = 0;
    if (config_.jitterMs <= 0) return;
    offsetMs_ = std::uniform_int_distribution<int64_t>(-config_.jitterMs, config_.jitterMs)(jitterRng_);
}

bool Device::TurnedAt(int64_t ms) const {
    bool turned = config_.turned;
    if (config_.toggleTurnedMs > 0 && ms > 0 && (ms / config_.toggleTurnedMs) % 2 == 1) turned = !turned;
    return turned;
}

std::optional<int64_t> Device::NextReportMs() const {
    if (!reporting_) return std::nullopt;
    return nextReportMs_ + offsetMs_;
}

namespace {

// The command as it came, with bytes outside printable ASCII escaped.
std::string Quoted(const std::string& body) {
    std::string text(1, kCommandOpen);
    for (const char ch : body) {
        const auto byte = static_cast<uint8_t>(ch);
        script::AppendByte(text, byte, script::IsPlainByte(byte) || byte == '\\');
    }
    return text + std::string(kCommandClose);
}

}  // namespace

void Device::Handle(const std::string& body, int64_t nowMs, std::vector<std::string>& log) {
    const std::string command = kCommandOpen + body + std::string(kCommandClose);
    if (command == kHeartbeatOnCommand) {
        if (!poweredOn_) {
            poweredOn_ = true;
            log.push_back("heartbeat on (device on again)");
        } else {
            log.push_back(reporting_ ? "heartbeat on (already on)" : "heartbeat on");
        }
        if (!reporting_) {
            reporting_ = true;
            nextReportMs_ = nowMs + 1000;
            DrawOffset();
        }
    } else if (command == kHeartbeatOffCommand) {
        log.push_back(poweredOn_ ? (reporting_ ? "heartbeat off" : "heartbeat off (already off)")
                                 : "heartbeat off (device is off)");
        reporting_ = false;
    } else if (const int key = CommandKey(command); key >= 0) {
        std::string line = "key " + std::string(script::KeyName(static_cast<uint8_t>(key)));
        if (!poweredOn_) line += " (device is off)";
        log.push_back(std::move(line));
    } else if (command == kPowerOffCommand) {
        log.push_back(poweredOn_ ? "power off: reports stop until the next " + std::string(kHeartbeatOnCommand)
                                 : "power off (already off)");
        poweredOn_ = false;
        reporting_ = false;
    } else {
        log.push_back("unknown command " + Quoted(body));
    }
}

void Device::Receive(std::string_view bytes, int64_t nowMs, std::vector<std::string>& log) {
    std::vector<std::string> commands;
    parser_.Feed(bytes, commands);
    for (const std::string& command : commands) Handle(command, nowMs, log);
}

void Device::Advance(int64_t nowMs, std::vector<SentReport>& sent) {
    if (!reporting_ || nowMs < nextReportMs_ + offsetMs_) return;
    // One report for the second that just ended; if more than one is due the
    // device was not running: resume the rhythm from now.
    SentReport report;
    report.atMs = nowMs;
    report.turned = TurnedAt(nowMs);
    report.count = ClampReportCount(source_.Next(), report.turned);
    report.bytes = EncodeCountReport(report.count, report.turned);
    sent.push_back(report);
    nextReportMs_ += 1000;
    if (nextReportMs_ <= nowMs) nextReportMs_ = nowMs + 1000;
    DrawOffset();
}

}  // namespace geigerdevice
