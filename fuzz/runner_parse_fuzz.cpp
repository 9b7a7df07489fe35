// The headless runner's command text: any bytes through Parse, and the
// parsed script run on bounded virtual time (file writes and the tour
// skipped, output discarded).
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include "script/commands/parse.h"
#include "script/script_language.h"
#include "tools/run/runner.h"

namespace {

// Virtual time a parsed script may run per input.
constexpr uint64_t kMaxHalfSeconds = 400;

struct NullBuffer : std::streambuf {
    int overflow(int c) override { return c; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<geigerrun::Command> commands;
    std::string error;
    const bool ok = geigerrun::Parse(text, size % 2 ? "-e 1" : "", commands, error);
    if (!ok && error.empty()) __builtin_trap();

    // The single-value parsers on the same text.
    uint64_t halfSeconds = 0;
    script::ParseDuration(text, halfSeconds, error);
    std::time_t when = 0;
    script::ParseClock(text, when, error);
    uint32_t u = 0;
    script::ParseUnsigned32(text, u);
    int32_t s = 0;
    script::ParseSigned32(text, s);

    // Run what parsed, with waits cut to the budget and no files written.
    std::vector<geigerrun::Command> runnable;
    uint64_t budget = kMaxHalfSeconds;
    for (geigerrun::Command& c : commands) {
        if (c.op == geigerrun::Op::Png || c.op == geigerrun::Op::Flash || c.op == geigerrun::Op::LcdFile ||
            c.op == geigerrun::Op::Log || c.op == geigerrun::Op::Tour)
            continue;
        if (c.op == geigerrun::Op::Wait) {
            if (budget == 0) continue;
            if (c.step.halfSeconds > budget) c.step.halfSeconds = budget;
            budget -= c.step.halfSeconds;
        }
        runnable.push_back(std::move(c));
    }
    geigerrun::Runner runner;
    geigerrun::StartOptions options;
    options.clock = 1772874330;  // 2026-03-07, a fixed moment
    options.seed = 1;
    runner.Start(options);
    NullBuffer sink;
    std::ostream out(&sink);
    runner.Run(runnable, out, error);
    return 0;
}
