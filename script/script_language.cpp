// The script language: words and commands, escaped bytes, numbers, keys,
// durations and clock times, and the device steps, each read and written
// here only.
#include "script/script_language.h"

#include <cstdio>
#include <iterator>
#include <utility>

#include "platform/clock.h"

namespace script {
namespace {

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Digits into a value, failing above `limit`.
bool ParseDigits(std::string_view s, uint64_t limit, uint64_t& value) {
    if (!AllDigits(s)) return false;
    uint64_t v = 0;
    for (char c : s) {
        v = v * 10 + static_cast<uint64_t>(c - '0');
        if (v > limit) return false;
    }
    value = v;
    return true;
}

constexpr std::string_view kKeyNames[] = {"back", "up", "down", "select"};

struct Unit {
    std::string_view suffix;
    uint64_t ms;
};
// Largest first, the order FormatDuration tries them in.
constexpr Unit kUnits[] = {{"d", 86400000}, {"h", 3600000}, {"m", 60000}, {"s", 1000}, {"ms", 1}};

}  // namespace

// ---- Words ------------------------------------------------------------------

std::string_view Trim(std::string_view s, std::string_view spaces) {
    while (!s.empty() && spaces.find(s.front()) != std::string_view::npos) s.remove_prefix(1);
    while (!s.empty() && spaces.find(s.back()) != std::string_view::npos) s.remove_suffix(1);
    return s;
}

std::string_view TakeWord(std::string_view& s, std::string_view spaces) {
    size_t n = 0;
    while (n < s.size() && spaces.find(s[n]) == std::string_view::npos) ++n;
    const std::string_view word = s.substr(0, n);
    s = Trim(s.substr(n), spaces);
    return word;
}

std::string_view Unquote(std::string_view s) {
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}

std::vector<CommandText> SplitCommands(std::string_view text, std::string_view source) {
    std::vector<CommandText> commands;
    uint32_t lineNumber = 0, place = 0;
    while (!text.empty()) {
        ++lineNumber;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (const size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);

        while (true) {
            const size_t semicolon = line.find(';');
            const std::string_view piece = Trim(line.substr(0, semicolon));
            if (!piece.empty()) {
                // A string on the command line is one line to its writer: its
                // commands are counted, a script's lines numbered.
                ++place;
                if (source.empty())
                    commands.push_back({"line " + std::to_string(lineNumber), piece, lineNumber});
                else
                    commands.push_back({std::string(source) + ", command " + std::to_string(place), piece, place});
            }
            if (semicolon == std::string_view::npos) break;
            line = line.substr(semicolon + 1);
        }
    }
    return commands;
}

// ---- Bytes in texts ---------------------------------------------------------

void AppendByte(std::string& out, uint8_t byte, bool plain) {
    if (plain) {
        out += static_cast<char>(byte);
        return;
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
    out += hex;
}

std::string EscapeText(std::string_view bytes, bool (*plain)(uint8_t)) {
    std::string out;
    for (char c : bytes) {
        const auto byte = static_cast<uint8_t>(c);
        if (byte == '\\')
            out += "\\\\";
        else
            AppendByte(out, byte, plain(byte));
    }
    return out;
}

bool UnescapeText(std::string_view text, std::string& bytes, std::string& error) {
    bytes.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            bytes += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '\\') {
            bytes += '\\';
            ++i;
            continue;
        }
        if (i + 3 < text.size() && text[i + 1] == 'x' && HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
            bytes += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
            continue;
        }
        error = "bad escape in " + Quote(text) + " (use \\xNN for a code, \\\\ for a backslash)";
        return false;
    }
    return true;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string ShellQuote(std::string_view text) {
    static constexpr std::string_view kPlain =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_./=:,+@%";
    if (!text.empty() && text.find_first_not_of(kPlain) == std::string_view::npos) return std::string(text);
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string_view("'\\''") : std::string_view(&c, 1);
    return quoted + "'";
}

std::string Quote(std::string_view text) {
    constexpr size_t kShown = 60;
    std::string out = "'";
    size_t n = 0;
    for (char c : text) {
        if (n++ == kShown) {
            out += "...";
            break;
        }
        AppendByte(out, static_cast<uint8_t>(c), IsPlainByte(static_cast<uint8_t>(c)));
    }
    out += "'";
    return out;
}

// ---- Values -------------------------------------------------------------------

bool ParseUnsigned32(std::string_view text, uint32_t& value) {
    uint64_t v = 0;
    if (!ParseDigits(text, UINT32_MAX, v)) return false;
    value = static_cast<uint32_t>(v);
    return true;
}

bool ParseSigned32(std::string_view text, int32_t& value) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    uint64_t magnitude = 0;
    if (!ParseDigits(text, negative ? 2147483648ull : 2147483647ull, magnitude)) return false;
    value = negative ? static_cast<int32_t>(-static_cast<int64_t>(magnitude))
                     : static_cast<int32_t>(magnitude);
    return true;
}

std::string_view KeyName(uint8_t key) { return key < 4 ? kKeyNames[key] : std::string_view("?"); }

bool ParseKey(std::string_view word, uint8_t& key) {
    for (uint8_t k = 0; k < 4; ++k)
        if (word == kKeyNames[k] || (word.size() == 1 && word[0] == '0' + k)) {
            key = k;
            return true;
        }
    return false;
}

bool ParseDuration(std::string_view text, uint64_t& halfSeconds, std::string& error) {
    const std::string usage = "bad duration " + Quote(text) +
                              " (use a number and a unit: 500ms, 2.5s, 10m, 24h, 7d)";
    // Smallest first, so "ms" is tried before "m" and "s".
    const Unit* unit = nullptr;
    for (auto u = std::rbegin(kUnits); u != std::rend(kUnits); ++u)
        if (text.size() > u->suffix.size() && text.ends_with(u->suffix)) {
            unit = &*u;
            break;
        }
    if (unit == nullptr) {
        error = usage;
        return false;
    }
    std::string_view number = text.substr(0, text.size() - unit->suffix.size());
    std::string_view whole = number, fraction;
    if (size_t dot = number.find('.'); dot != std::string_view::npos) {
        whole = number.substr(0, dot);
        fraction = number.substr(dot + 1);
        if (!AllDigits(fraction)) {
            error = usage;
            return false;
        }
    }
    if (!AllDigits(whole)) {
        error = usage;
        return false;
    }
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    while (whole.size() > 1 && whole.front() == '0') whole.remove_prefix(1);

    const uint64_t maxMs = kMaxWaitDays * 86400000ull;
    const std::string tooLong =
        "duration " + Quote(text) + " is too long (at most " + std::to_string(kMaxWaitDays) + "d)";
    // Whole parts beyond 13 digits exceed the limit in every unit.
    if (whole.size() > 13) {
        error = tooLong;
        return false;
    }
    // More than 8 fraction digits can never make whole milliseconds.
    if (fraction.size() > 8) {
        error = "duration " + Quote(text) + " is not a multiple of 500 ms";
        return false;
    }
    unsigned __int128 scale = 1, scaled = 0;
    for (char c : whole) scaled = scaled * 10 + static_cast<unsigned>(c - '0');
    for (char c : fraction) {
        scaled = scaled * 10 + static_cast<unsigned>(c - '0');
        scale *= 10;
    }
    scaled *= unit->ms;
    if (scaled == 0) {
        error = "duration " + Quote(text) + " must be positive";
        return false;
    }
    if (scaled % scale != 0 || (scaled / scale) % 500 != 0) {
        error = "duration " + Quote(text) + " is not a multiple of 500 ms";
        return false;
    }
    const unsigned __int128 ms = scaled / scale;
    if (ms > maxMs) {
        error = tooLong;
        return false;
    }
    halfSeconds = static_cast<uint64_t>(ms / 500);
    return true;
}

std::string FormatDuration(uint64_t halfSeconds) {
    const uint64_t ms = halfSeconds * 500;
    for (const Unit& u : kUnits)
        if (u.ms >= 1000 && ms % u.ms == 0) return std::to_string(ms / u.ms) + std::string(u.suffix);
    if (ms == 500) return "500ms";
    return std::to_string(ms / 1000) + ".5s";
}

bool ParseClock(std::string_view text, std::time_t& when, std::string& error) {
    if (!RtcParseLocalTime(text.data(), text.size(), &when)) {
        error = "bad clock " + Quote(text) + " (use YYYY-MM-DDTHH:MM:SS)";
        return false;
    }
    error.clear();
    return true;
}

std::string FormatClock(std::time_t when) {
    std::tm local{};
    if (gmtime_r(&when, &local) == nullptr) return "2000-01-01T00:00:00";
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// ---- Device steps ---------------------------------------------------------------

Step PressStep(uint8_t key) {
    Step step;
    step.kind = StepKind::Press;
    step.key = key;
    return step;
}

Step WaitStep(uint64_t halfSeconds) {
    Step step;
    step.kind = StepKind::Wait;
    step.halfSeconds = halfSeconds;
    return step;
}

Step RealStep(std::vector<int32_t> counts) {
    Step step;
    step.kind = StepKind::Real;
    step.counts = std::move(counts);
    return step;
}

Step DemoStep() {
    Step step;
    step.kind = StepKind::Demo;
    return step;
}

Step WalkStep(uint32_t presses, uint32_t seed) {
    Step step;
    step.kind = StepKind::Walk;
    step.presses = presses;
    step.walkSeed = seed;
    return step;
}

// SplitMix64: well mixed from any seed, and the same on every platform.
uint64_t WalkSource::Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

StepParse ParseStep(std::string_view command, Step& step, std::string& what) {
    std::string_view rest = command;
    const std::string_view name = TakeWord(rest);
    auto bad = [&](std::string message) {
        what = std::move(message);
        return StepParse::Bad;
    };
    if (name == "press") {
        const std::string_view key = TakeWord(rest);
        if (key.empty()) return bad("press needs a key: back, up, down, select or 0..3");
        if (!ParseKey(key, step.key)) return bad("unknown key " + Quote(key) + " (use back, up, down, select or 0..3)");
        step.times = 1;
        if (!rest.empty()) {
            const std::string_view times = TakeWord(rest);
            uint32_t n = 0;
            if (!rest.empty()) return bad("press takes a key and a count (got " + Quote(rest) + " after them)");
            if (!ParseUnsigned32(times, n) || n < 1 || n > kMaxPressRepeat)
                return bad("press repeats a key 1.." + std::to_string(kMaxPressRepeat) + " times (got " +
                           Quote(times) + "), e.g. press down 3");
            step.times = static_cast<uint16_t>(n);
        }
        step.kind = StepKind::Press;
        return StepParse::Parsed;
    }
    if (name == "wait") {
        const std::string_view duration = TakeWord(rest);
        if (duration.empty()) return bad("wait needs a duration, e.g. 500ms, 2.5s, 10m, 24h, 7d");
        if (!rest.empty()) return bad("wait takes one duration (got " + Quote(rest) + " after it)");
        if (!ParseDuration(duration, step.halfSeconds, what)) return StepParse::Bad;
        step.kind = StepKind::Wait;
        return StepParse::Parsed;
    }
    if (name == "real") {
        if (rest.empty()) return bad("real needs at least one count");
        step.counts.clear();
        while (!rest.empty()) {
            const std::string_view word = TakeWord(rest);
            int32_t count = 0;
            if (!ParseSigned32(word, count))
                return bad("bad count " + Quote(word) + " (counts are signed 32-bit integers)");
            step.counts.push_back(count);
        }
        step.kind = StepKind::Real;
        return StepParse::Parsed;
    }
    if (name == "walk") {
        const std::string usage = "walk needs a number of clicks 1.." + std::to_string(kMaxWalkPresses) +
                                  " and may take a seed, e.g. walk 200 seed 7";
        uint32_t presses = 0, seed = 1;
        if (!ParseUnsigned32(TakeWord(rest), presses) || presses < 1 || presses > kMaxWalkPresses)
            return bad(usage);
        if (!rest.empty()) {
            if (TakeWord(rest) != "seed" || !ParseUnsigned32(TakeWord(rest), seed) || !rest.empty())
                return bad(usage + " (seed 0..4294967295)");
        }
        step = WalkStep(presses, seed);
        return StepParse::Parsed;
    }
    if (name == "demo") {
        step.kind = StepKind::Demo;
        if (rest.empty()) return StepParse::Parsed;
        const std::string usage = "demo takes no arguments, or rate CPM (1.." + std::to_string(kDemoRateMax) +
                                  ") or rate device (0 or 1 a second, as the device counts)";
        const std::string_view arguments = rest;
        if (TakeWord(rest) != "rate") return bad(usage + " (got " + Quote(arguments) + ")");
        const std::string_view rate = TakeWord(rest);
        if (!rest.empty()) return bad(usage);
        if (rate == "device") {
            step.demoRate = 0;
            return StepParse::Parsed;
        }
        if (!ParseUnsigned32(rate, step.demoRate) || step.demoRate < 1 || step.demoRate > kDemoRateMax)
            return bad(usage + " (got " + Quote(rate) + ")");
        return StepParse::Parsed;
    }
    return StepParse::NotAStep;
}

std::string FormatStep(const Step& step) {
    switch (step.kind) {
    case StepKind::Press:
        return "press " + std::string(KeyName(step.key)) + (step.times > 1 ? " " + std::to_string(step.times) : "");
    case StepKind::Wait: return "wait " + FormatDuration(step.halfSeconds);
    case StepKind::Real: {
        std::string text = "real";
        for (int32_t count : step.counts) text += " " + std::to_string(count);
        return text;
    }
    case StepKind::Demo:
        if (step.demoRate == kKeepDemoRate) return "demo";
        return step.demoRate == 0 ? "demo rate device" : "demo rate " + std::to_string(step.demoRate);
    case StepKind::Walk: return "walk " + std::to_string(step.presses) + " seed " + std::to_string(step.walkSeed);
    }
    return "";
}

}  // namespace script
