#include "tools/run/runner.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "firmware/dataflash.h"
#include "firmware/driver.h"
#include "firmware/firmware.h"
#include "firmware/state.h"
#include "platform/clock.h"
#include "platform/show_lcd.h"

namespace geigerrun {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsSpace(s.back())) s.remove_suffix(1);
    return s;
}

// Splits off the first whitespace-separated word of `s` (already trimmed).
std::string_view TakeWord(std::string_view& s) {
    size_t n = 0;
    while (n < s.size() && !IsSpace(s[n])) ++n;
    std::string_view word = s.substr(0, n);
    s = Trim(s.substr(n));
    return word;
}

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

bool ParseKey(std::string_view word, uint8_t& key) {
    static constexpr std::string_view kNames[] = {"back", "up", "down", "select"};
    for (uint8_t k = 0; k < 4; ++k)
        if (word == kNames[k] || (word.size() == 1 && word[0] == '0' + k)) {
            key = k;
            return true;
        }
    return false;
}

// The "[scale N] [panel]" after a png or tour target, taken off the end of
// `rest` so that the name before them may hold spaces.
bool PictureOptions(std::string_view& rest, Command& cmd, std::string& what) {
    bool scaled = false;
    while (true) {
        const size_t space = rest.find_last_of(" \t");
        if (space == std::string_view::npos) return true;
        const std::string_view last = rest.substr(space + 1);
        std::string_view before = Trim(rest.substr(0, space));
        if (last == "panel" && !cmd.panel) {
            if (!PanelAvailable()) {
                what = "panel needs the front panel's artwork and Qt; this geigersim-run was built without the "
                       "window (GEIGERSIM_GUI=OFF)";
                return false;
            }
            cmd.panel = true;
            rest = before;
            continue;
        }
        const size_t space2 = before.find_last_of(" \t");
        const std::string_view word = space2 == std::string_view::npos ? before : before.substr(space2 + 1);
        if (word == "scale" && !scaled) {
            uint32_t n = 0;
            if (!ParseUnsigned32(last, n) || n < 1 || n > 8) {
                what = "bad scale " + Quote(last) + " (use 1..8)";
                return false;
            }
            cmd.scale = static_cast<uint8_t>(n);
            scaled = true;
            rest = space2 == std::string_view::npos ? std::string_view() : Trim(before.substr(0, space2));
            continue;
        }
        return true;
    }
}

// One command (trimmed, non-empty) into `cmd`; false with `what` set when bad.
bool ParseCommand(std::string_view text, Command& cmd, std::string& what) {
    std::string_view rest = text;
    std::string_view name = TakeWord(rest);
    auto noArguments = [&](Op op) {
        if (!rest.empty()) {
            what = std::string(name) + " takes no arguments (got " + Quote(rest) + ")";
            return false;
        }
        cmd.op = op;
        return true;
    };
    auto fileArgument = [&](Op op) {
        if (rest.empty()) {
            what = std::string(name) + " needs a file name";
            return false;
        }
        cmd.op = op;
        cmd.text = std::string(rest);
        return true;
    };

    if (name == "press") {
        std::string_view key = TakeWord(rest);
        if (key.empty()) {
            what = "press needs a key: back, up, down, select or 0..3";
            return false;
        }
        if (!ParseKey(key, cmd.key)) {
            what = "unknown key " + Quote(key) + " (use back, up, down, select or 0..3)";
            return false;
        }
        if (!rest.empty()) {
            what = "press takes one key (got " + Quote(rest) + " after it)";
            return false;
        }
        cmd.op = Op::Press;
        return true;
    }
    if (name == "wait") {
        std::string_view duration = TakeWord(rest);
        if (duration.empty()) {
            what = "wait needs a duration, e.g. 500ms, 2.5s, 10m, 24h, 7d";
            return false;
        }
        if (!rest.empty()) {
            what = "wait takes one duration (got " + Quote(rest) + " after it)";
            return false;
        }
        cmd.op = Op::Wait;
        return ParseDuration(duration, cmd.halfSeconds, what);
    }
    if (name == "real") {
        if (rest.empty()) {
            what = "real needs at least one count";
            return false;
        }
        while (!rest.empty()) {
            std::string_view word = TakeWord(rest);
            int32_t count = 0;
            if (!ParseSigned32(word, count)) {
                what = "bad count " + Quote(word) + " (counts are signed 32-bit integers)";
                return false;
            }
            cmd.counts.push_back(count);
        }
        cmd.op = Op::Real;
        return true;
    }
    if (name == "demo") return noArguments(Op::Demo);
    if (name == "lcd") return rest.empty() ? noArguments(Op::Lcd) : fileArgument(Op::LcdFile);
    if (name == "text") return noArguments(Op::Text);
    if (name == "state") return noArguments(Op::State);
    if (name == "png" || name == "tour") {
        if (!PictureOptions(rest, cmd, what)) return false;
        if (!fileArgument(name == "png" ? Op::Png : Op::Tour)) return false;
        return true;
    }
    if (name == "flash") return fileArgument(Op::Flash);
    if (name == "log") return fileArgument(Op::Log);
    if (name == "expect") return ParseExpect(rest, cmd, what);
    if (name == "echo") {
        cmd.op = Op::Echo;
        cmd.text = std::string(rest);
        return true;
    }
    what = "unknown command " + Quote(name);
    return false;
}

}  // namespace

std::string Quote(std::string_view text) {
    constexpr size_t kShown = 60;
    std::string out = "'";
    size_t n = 0;
    for (unsigned char c : text) {
        if (n++ == kShown) {
            out += "...";
            break;
        }
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    out += "'";
    return out;
}

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

bool ParseDuration(std::string_view text, uint64_t& halfSeconds, std::string& error) {
    const std::string usage = "bad duration " + Quote(text) +
                              " (use a number and a unit: 500ms, 2.5s, 10m, 24h, 7d)";
    struct Unit {
        std::string_view suffix;
        uint64_t ms;
    };
    // "ms" before "m" and "s".
    static constexpr Unit kUnits[] = {
        {"ms", 1}, {"s", 1000}, {"m", 60000}, {"h", 3600000}, {"d", 86400000}};
    const Unit* unit = nullptr;
    for (const Unit& u : kUnits)
        if (text.size() > u.suffix.size() && text.ends_with(u.suffix)) {
            unit = &u;
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

bool ParseClock(std::string_view text, std::time_t& when, std::string& error) {
    if (!RtcParseLocalTime(text.data(), text.size(), &when)) {
        error = "bad clock " + Quote(text) + " (use YYYY-MM-DDTHH:MM:SS, local time)";
        return false;
    }
    error.clear();
    return true;
}

bool Parse(std::string_view text, std::string_view source, std::vector<Command>& out,
           std::string& error) {
    const bool severalLines = text.find('\n') != std::string_view::npos;
    size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (size_t hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);

        std::string where;
        if (source.empty())
            where = "line " + std::to_string(lineNumber);
        else if (severalLines)
            where = std::string(source) + ", line " + std::to_string(lineNumber);
        else
            where = std::string(source);

        while (true) {
            size_t semicolon = line.find(';');
            std::string_view piece = Trim(line.substr(0, semicolon));
            if (!piece.empty()) {
                Command cmd;
                cmd.where = where;
                std::string what;
                if (!ParseCommand(piece, cmd, what)) {
                    error = where + ": " + what;
                    return false;
                }
                out.push_back(std::move(cmd));
            }
            if (semicolon == std::string_view::npos) break;
            line = line.substr(semicolon + 1);
        }
    }
    return true;
}

DeviceHooks FirmwareHooks() {
    return {kFirmwareServices, DispatchKey};
}

// The window copies the surface at every hand-over and shows that copy, so
// the runner keeps one too (the logo, for one, is cleared from the surface
// right after it is handed over).
void Runner::CountShowLcd(void* context) {
    Runner* runner = static_cast<Runner*>(context);
    if (LcdDrawCount() == runner->handedOverAt_) return;  // nothing drawn since the last copy
    LcdSnapshot(*runner->handedOver_);
    runner->handedOverAt_ = LcdDrawCount();
    runner->presentedStale_ = true;
}

const LcdPicture& Runner::presented() const {
    if (presentedStale_) LcdExpand(*handedOver_, *presented_);
    presentedStale_ = false;
    return *presented_;
}

Runner::~Runner() {
    if (handlerOwner_ == this) {
        DriverSetHandOver(nullptr, nullptr);
        handlerOwner_ = nullptr;
    }
}

void Runner::Start(const StartOptions& options) {
    realQueue_.clear();
    options_ = options;
    panelLayout_ = 0;
    DriverStart({options.clock ? *options.clock : std::time(nullptr), options.seed.has_value(),
                 options.seed.value_or(0), CountShowLcd, this});
    handlerOwner_ = this;
    LcdSnapshot(*handedOver_);
    handedOverAt_ = LcdDrawCount();
    presentedStale_ = true;
}

void Runner::Press(uint8_t key) { hooks_.dispatchKey(key); }

// The report timer hands over one count a second; a second without a
// report reads 0.
void Runner::FeedRealCount(void* context) {
    Runner* runner = static_cast<Runner*>(context);
    if (realMode == 0) return;
    if (runner->realQueue_.empty()) {
        fw.realCount = 0;
    } else {
        fw.realCount = runner->realQueue_.front();
        runner->realQueue_.pop_front();
    }
}

void Runner::Wait(uint64_t halfSeconds) {
    for (uint64_t i = 0; i < halfSeconds; ++i) DriverPeriod(FeedRealCount, this, hooks_.services);
}

void Runner::Real(const std::vector<int32_t>& counts) {
    realMode = 1;
    realQueue_.assign(counts.begin(), counts.end());
}

void Runner::Demo() {
    realMode = 0;
    realQueue_.clear();
}

bool Runner::WritePicture(const std::string& path, int scale, bool panel, std::ostream& out,
                          std::string& error) const {
    std::string png, why;
    bool encoded;
    if (panel) {
        std::vector<uint32_t> pixels;
        int width = 0, height = 0;
        encoded = RenderPanel(*this, scale, pixels, width, height, why) &&
                  EncodePng(pixels.data(), width, height, width, 1, png, why, true);
    } else {
        encoded = EncodePng(&presented().pixels[0][0], kLcdScreenWidth, kLcdScreenHeight, kLcdScreenWidth, scale,
                            png, why);
    }
    if (!encoded) {
        error = "cannot write " + Quote(path) + ": " + why;
        return false;
    }
    return WriteFileSafely(path, png, out, error);
}

bool Runner::Run(const std::vector<Command>& commands, std::ostream& out, std::string& error) {
    for (const Command& cmd : commands) {
        std::string what;
        switch (cmd.op) {
        case Op::Press: Press(cmd.key); break;
        case Op::Wait: Wait(cmd.halfSeconds); break;
        case Op::Real: Real(cmd.counts); break;
        case Op::Demo: Demo(); break;
        case Op::Lcd: out << LcdText(presented()); break;
        case Op::State: out << StateJson(DriverHandOvers(), DriverHalfTicks() * 500) << '\n'; break;
        case Op::Echo: out << cmd.text << '\n'; break;
        case Op::Png:
            if (!WritePicture(cmd.text, cmd.scale, cmd.panel, out, what)) {
                error = cmd.where + ": " + what;
                return false;
            }
            break;
        case Op::Flash:
            if (!WriteFlash(cmd.text, what, out)) {
                error = cmd.where + ": " + what;
                return false;
            }
            break;
        case Op::LcdFile:
            if (!WriteFileSafely(cmd.text, LcdText(presented()), out, what)) {
                error = cmd.where + ": " + what;
                return false;
            }
            break;
        case Op::Text: out << ScreenText(presented()); break;
        case Op::ExpectText:
        case Op::ExpectLcd:
        case Op::ExpectField:
            if (!CheckExpectation(cmd, *this, what)) {
                ++failedExpectations_;
                if (keepGoing_ == nullptr) {
                    error = cmd.where + ": " + what;
                    return false;
                }
                out.flush();
                *keepGoing_ << "geigersim-run: " << cmd.where << ": " << what << std::endl;
            }
            break;
        case Op::Log: {
            if (!WriteFileSafely(cmd.text, DecodeFlashLog(FlashWriteArea, FlashWriteAddress()), out, what)) {
                error = cmd.where + ": " + what;
                return false;
            }
            break;
        }
        case Op::Tour:
            if (!RunTour(*this, cmd.text, cmd.scale, cmd.panel, out, what)) {
                error = cmd.where + ": " + what;
                return false;
            }
            break;
        }
        // The runner's counts carry no orientation, so real mode shows the
        // panel upright.
        panelLayout_ = realMode != 0 ? 0 : DriverPanelLayout(panelLayout_);
        if (!out) {
            error = cmd.where + ": cannot write the output";
            return false;
        }
    }
    return true;
}

}  // namespace geigerrun
