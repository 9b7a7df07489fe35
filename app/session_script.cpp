// The script text of a recorded session: header, merged waits on the 500 ms
// grid, presses, and the real-mode counts each second tick read.
#include "app/session_script.h"

#include <algorithm>
#include <string_view>

namespace {

constexpr const char* kKeyNames[4] = {"back", "up", "down", "select"};

// geigersim-run refuses a single wait beyond 1000 days; longer idle spells
// become several waits.
constexpr uint64_t kLongestWaitHalfSeconds = 1000ull * 86400 * 2;

std::string LocalClockText(std::time_t when) {
    std::tm local{};
    if (localtime_r(&when, &local) == nullptr) return "2000-01-01T00:00:00";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

}  // namespace

std::string ShellQuote(const std::string& text) {
    const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               std::string_view("/._-+=:,@%").find(c) != std::string_view::npos;
    });
    if (plain) return text;
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += "'\\''";
        else quoted += c;
    }
    return quoted + "'";
}

std::string SessionScriptHeader(const SessionHeader& header) {
    const std::string clock = LocalClockText(header.clock);
    const std::string seed = std::to_string(header.seed);
    return "# geigersim " + header.version + ": a session recorded in the window\n" +
           "# clock " + clock + " (local time), seed " + seed + "\n" +
           "# replay: geigersim-run --clock " + clock + " --seed " + seed + " " + ShellQuote(header.fileName) +
           "\n";
}

std::string FormatWaitDuration(uint64_t halfSeconds) {
    const uint64_t ms = halfSeconds * 500;
    struct Unit {
        uint64_t ms;
        const char* suffix;
    };
    for (const Unit& u : {Unit{86400000, "d"}, Unit{3600000, "h"}, Unit{60000, "m"}, Unit{1000, "s"}})
        if (ms % u.ms == 0) return std::to_string(ms / u.ms) + u.suffix;
    if (ms == 500) return "500ms";
    return std::to_string(ms / 1000) + ".5s";
}

std::string SessionScript::Flush() {
    std::string out;
    if (!pendingCounts_.empty()) {
        out = "real";
        for (int32_t count : pendingCounts_) out += " " + std::to_string(count);
        out += "\n";
        pendingCounts_.clear();
    }
    while (pendingHalfSeconds_ > 0) {
        const uint64_t chunk = std::min(pendingHalfSeconds_, kLongestWaitHalfSeconds);
        out += "wait " + FormatWaitDuration(chunk) + "\n";
        pendingHalfSeconds_ -= chunk;
    }
    return out;
}

std::string SessionScript::Period(bool secondTick, bool realMode, int32_t realCount) {
    std::string out;
    // Only the second tick reads the mode, so a change counts from the first
    // tick that sees it; the replay switches right before that period.
    if (secondTick && realMode != realMode_) {
        out = Flush();
        if (!realMode) out += "demo\n";
        realMode_ = realMode;
    }
    ++pendingHalfSeconds_;
    if (secondTick && realMode) {
        // The replay's `real` hands each second tick its count in turn, so
        // the counts go out with the wait that consumes them.
        pendingCounts_.push_back(realCount);
        if (pendingCounts_.size() >= kCountsPerLine) out += Flush();
    }
    return out;
}

std::string SessionScript::Press(uint8_t key) {
    std::string out = Flush();
    out += key < 4 ? std::string("press ") + kKeyNames[key] + "\n" : "# press of unknown key " + std::to_string(key) + "\n";
    return out;
}

std::string SessionScript::Finish() { return Flush(); }
