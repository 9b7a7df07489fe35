// The script text of a recorded session: header, merged waits on the 500 ms
// grid, presses, and the real-mode counts each second tick read.
#include "app/session_script.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "script/script_language.h"

namespace {

std::string Line(const script::Step& step) { return script::FormatStep(step) + "\n"; }

}  // namespace

std::string SessionScriptHeader(const SessionHeader& header) {
    const std::string clock = script::FormatClock(header.clock);
    const std::string seed = std::to_string(header.seed);
    // The set-up as commands, so the script replays as it is.
    return "# geigersim " + header.version + ": a session recorded in the window\n" +
           "# replay: geigersim-run " + script::ShellQuote(header.fileName) + "\n" + "clock " + clock + "\n" + "seed " +
           seed + "\n" + (header.demoRate != 0 ? "demo rate " + std::to_string(header.demoRate) + "\n" : "");
}

std::string SessionScript::Flush() {
    std::string out;
    if (!pendingCounts_.empty()) {
        out = Line(script::RealStep(std::move(pendingCounts_)));
        pendingCounts_.clear();
    }
    // A single wait stops at the runner's limit; longer idle spells become
    // several waits.
    while (pendingHalfSeconds_ > 0) {
        const uint64_t chunk = std::min(pendingHalfSeconds_, script::kMaxWaitHalfSeconds);
        out += Line(script::WaitStep(chunk));
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
        if (!realMode) out += Line(script::DemoStep());
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
    out += key < 4 ? Line(script::PressStep(key)) : "# press of unknown key " + std::to_string(key) + "\n";
    return out;
}

std::string SessionScript::Finish() { return Flush(); }
