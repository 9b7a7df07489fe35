// The runner's command grammar: the device steps by the script language,
// then the commands that print, write files and check.
#include "script/commands/parse.h"

#include "script/commands/expect.h"

namespace geigerrun {
namespace {

using script::Quote;

// Beyond any printer's resolution; pHYs would hold far more.
constexpr uint32_t kMaxDpi = 9600;
// The GIF's loop count is 16 bits.
constexpr uint32_t kMaxGifLoops = 65535;

// The "[scale N] [panel]" after the target of `command` (png, tour, gif, svg),
// in any order, with a tour's "[only PATTERN]", a png's "at-draw", both
// one's "[dpi N]" and a gif's "[keys] [loop N|none]", taken off the end of
// `rest` so that the name before them may hold spaces.
bool PictureOptions(std::string_view& rest, Command& cmd, std::string_view command, std::string& what) {
    const bool tour = command == "tour", png = command == "png", gif = command == "gif";
    bool scaled = false;
    while (true) {
        const size_t space = rest.find_last_of(script::kBlanks);
        if (space == std::string_view::npos) return true;
        const std::string_view last = rest.substr(space + 1);
        std::string_view before = script::Trim(rest.substr(0, space));
        if (tour && last == "only") {
            what = "only needs a part of a screen's name, e.g. tour DIR only speaker";
            return false;
        }
        if (last == "keys" && gif && !cmd.keys) {
            cmd.keys = true;
            rest = before;
            continue;
        }
        if (last == "at-draw" && png && !cmd.atDraw) {
            cmd.atDraw = true;
            rest = before;
            continue;
        }
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
        const size_t space2 = before.find_last_of(script::kBlanks);
        const std::string_view word = space2 == std::string_view::npos ? before : before.substr(space2 + 1);
        if (tour && word == "only" && cmd.only.empty()) {
            cmd.only = std::string(last);
            rest = space2 == std::string_view::npos ? std::string_view() : script::Trim(before.substr(0, space2));
            continue;
        }
        if (word == "loop" && gif && cmd.loops < 0) {
            uint32_t n = 0;
            if (last == "none") {
                n = 0;
            } else if (!script::ParseUnsigned32(last, n) || n < 1 || n > kMaxGifLoops) {
                what = "bad loop " + Quote(last) + " (use 1.." + std::to_string(kMaxGifLoops) +
                       " repeats after the first play, or none to play once)";
                return false;
            }
            cmd.loops = static_cast<int32_t>(n);
            rest = space2 == std::string_view::npos ? std::string_view() : script::Trim(before.substr(0, space2));
            continue;
        }
        if (word == "dpi" && (tour || png) && cmd.dpi == 0) {
            uint32_t n = 0;
            if (!script::ParseUnsigned32(last, n) || n < 1 || n > kMaxDpi) {
                what = "bad dpi " + Quote(last) + " (use 1.." + std::to_string(kMaxDpi) + ")";
                return false;
            }
            cmd.dpi = static_cast<uint16_t>(n);
            rest = space2 == std::string_view::npos ? std::string_view() : script::Trim(before.substr(0, space2));
            continue;
        }
        if (word == "scale" && !scaled) {
            uint32_t n = 0;
            if (!script::ParseUnsigned32(last, n) || n < 1 || n > 8) {
                what = "bad scale " + Quote(last) + " (use 1..8)";
                return false;
            }
            cmd.scale = static_cast<uint8_t>(n);
            scaled = true;
            rest = space2 == std::string_view::npos ? std::string_view() : script::Trim(before.substr(0, space2));
            continue;
        }
        return true;
    }
}

// A reading in tenths ("3.3", "-12.5", "25"): the sensors give one decimal.
bool ParseTenths(std::string_view text, int lowest, int highest, int& tenths) {
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) text.remove_prefix(1);
    const size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view decimal = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    uint32_t w = 0;
    if (whole.empty() || whole.size() > 4 || !script::ParseUnsigned32(whole, w)) return false;
    if (point != std::string_view::npos && (decimal.size() != 1 || decimal[0] < '0' || decimal[0] > '9'))
        return false;
    const int value = static_cast<int>(w) * 10 + (decimal.empty() ? 0 : decimal[0] - '0');
    tenths = negative ? -value : value;
    return tenths >= lowest && tenths <= highest;
}

bool ParseWaitUntil(std::string_view rest, Command& cmd, std::string& what) {
    const size_t at = rest.rfind(" within ");
    if (at == std::string_view::npos) {
        what = "wait until needs an expectation and a limit, e.g. wait until cpm > 0 within 10s";
        return false;
    }
    uint64_t within = 0;
    if (!script::ParseDuration(script::Trim(rest.substr(at + 8)), within, what)) return false;
    if (!ParseExpect(script::Trim(rest.substr(0, at)), cmd, what)) return false;
    cmd.within = within;
    return true;
}

// The "[minutes M] [scale N]" after a chart target, in either order, taken
// off the end of `rest`.
bool ChartOptions(std::string_view& rest, Command& cmd, std::string& what) {
    bool scaled = false, spanned = false;
    while (true) {
        const size_t space = rest.find_last_of(script::kBlanks);
        if (space == std::string_view::npos) return true;
        const std::string_view last = rest.substr(space + 1);
        const std::string_view before = script::Trim(rest.substr(0, space));
        const size_t space2 = before.find_last_of(script::kBlanks);
        const std::string_view word = space2 == std::string_view::npos ? before : before.substr(space2 + 1);
        uint32_t n = 0;
        if (word == "scale" && !scaled) {
            if (!script::ParseUnsigned32(last, n) || n < 1 || n > 4) {
                what = "bad scale " + Quote(last) + " (use 1..4)";
                return false;
            }
            cmd.scale = static_cast<uint8_t>(n);
            scaled = true;
        } else if (word == "minutes" && !spanned) {
            if (!script::ParseUnsigned32(last, n) || n < 1 || n > 1440) {
                what = "bad minutes " + Quote(last) + " (use 1..1440)";
                return false;
            }
            cmd.minutes = static_cast<uint16_t>(n);
            spanned = true;
        } else {
            return true;
        }
        rest = space2 == std::string_view::npos ? std::string_view() : script::Trim(before.substr(0, space2));
    }
}

Op StepOp(script::StepKind kind) {
    switch (kind) {
    case script::StepKind::Press: return Op::Press;
    case script::StepKind::Wait: return Op::Wait;
    case script::StepKind::Real: return Op::Real;
    case script::StepKind::Demo: return Op::Demo;
    case script::StepKind::Walk: return Op::Walk;
    }
    return Op::Demo;
}

// One command (trimmed, non-empty) into `cmd`; false with `what` set when bad.
bool ParseCommand(std::string_view text, Command& cmd, std::string& what) {
    // `wait until EXPECTATION within DURATION` before the script language's `wait`.
    if (std::string_view r = text; script::TakeWord(r) == "wait" && script::TakeWord(r) == "until")
        return ParseWaitUntil(r, cmd, what);
    switch (script::ParseStep(text, cmd.step, what)) {
    case script::StepParse::Parsed: cmd.op = StepOp(cmd.step.kind); return true;
    case script::StepParse::Bad: return false;
    case script::StepParse::NotAStep: break;
    }

    std::string_view rest = text;
    std::string_view name = script::TakeWord(rest);
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

    if (name == "lcd") return rest.empty() ? noArguments(Op::Lcd) : fileArgument(Op::LcdFile);
    if (name == "text") return noArguments(Op::Text);
    if (name == "state") return noArguments(Op::State);
    if (name == "png" || name == "tour") {
        if (!PictureOptions(rest, cmd, name, what)) return false;
        if (!fileArgument(name == "png" ? Op::Png : Op::Tour)) return false;
        return true;
    }
    if (name == "svg") return PictureOptions(rest, cmd, name, what) && fileArgument(Op::Svg);
    if (name == "gif") {
        if (std::string_view r = rest; script::TakeWord(r) == "end") {
            cmd.op = Op::GifEnd;
            if (r.empty()) return true;
            if (script::TakeWord(r) != "hold" || r.empty()) {
                what = "gif end takes only hold DURATION, e.g. gif end hold 2s (got " + Quote(rest) + ")";
                return false;
            }
            return script::ParseDuration(r, cmd.hold, what);
        }
        if (!PictureOptions(rest, cmd, name, what) || !fileArgument(Op::Gif)) return false;
        if (cmd.keys && !cmd.panel) {
            what = "keys rings the key held on the panel: use it with panel";
            return false;
        }
        return true;
    }
    if (name == "battery" || name == "temperature") {
        const bool battery = name == "battery";
        int tenths = 0;
        // The battery reads a byte of tenths of a volt; the sensor of the
        // temperature works from -40 to 125 degrees.
        if (!ParseTenths(rest, battery ? 0 : -400, battery ? 255 : 1250, tenths)) {
            what = battery ? "battery needs volts 0.0..25.5 in tenths, e.g. battery 3.3 (got " + Quote(rest) + ")"
                           : "temperature needs degrees Celsius -40.0..125.0 in tenths, e.g. temperature -5.5 (got " +
                                 Quote(rest) + ")";
            return false;
        }
        cmd.op = battery ? Op::Battery : Op::Temperature;
        cmd.tenths = static_cast<int16_t>(tenths);
        return true;
    }
    if (name == "wav") return fileArgument(Op::Wav);
    if (name == "chart") {
        if (!PanelAvailable()) {
            what = "chart needs Qt; this geigersim-run was built without the window (GEIGERSIM_GUI=OFF)";
            return false;
        }
        return ChartOptions(rest, cmd, what) && fileArgument(Op::Chart);
    }
    if (name == "flash") return fileArgument(Op::Flash);
    if (name == "log") return fileArgument(Op::Log);
    if (name == "save") return fileArgument(Op::Save);
    if (name == "load") return fileArgument(Op::Load);
    if (name == "expect") return ParseExpect(rest, cmd, what);
    if (name == "clock") {
        cmd.op = Op::Clock;
        return script::ParseClock(rest, cmd.clock, what);
    }
    if (name == "seed") {
        cmd.op = Op::Seed;
        if (script::ParseUnsigned32(rest, cmd.seed)) return true;
        what = "bad seed " + Quote(rest) + " (use 0..4294967295)";
        return false;
    }
    if (name == "echo") {
        cmd.op = Op::Echo;
        cmd.text = std::string(rest);
        return true;
    }
    what = "unknown command " + Quote(name);
    return false;
}

}  // namespace

// The window's rendering library is built with the window; hosts built
// without it cannot draw the panel or the chart.
bool PanelAvailable() {
#ifdef GEIGERSIM_PANEL
    return true;
#else
    return false;
#endif
}

bool Parse(std::string_view text, std::string_view source, std::vector<Command>& out,
           std::string& error) {
    // Editors on some systems start a UTF-8 file with a byte-order mark.
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
    bool setUp = true;  // only clock and seed so far
    for (const script::CommandText& command : script::SplitCommands(text, source)) {
        Command cmd;
        cmd.where = command.where;
        cmd.position = command.position;
        std::string what;
        if (!ParseCommand(command.text, cmd, what)) {
            error = command.where + ": " + what;
            return false;
        }
        const bool setUpCommand = cmd.op == Op::Clock || cmd.op == Op::Seed;
        if (setUpCommand && !setUp) {
            // The device starts before the first command runs, with what these set.
            error = command.where + ": " + (cmd.op == Op::Clock ? "clock" : "seed") +
                    " sets up the device: put it before any other command";
            return false;
        }
        setUp = setUp && setUpCommand;
        out.push_back(std::move(cmd));
    }
    return true;
}

uint64_t PlannedHalfSeconds(const std::vector<Command>& commands) {
    uint64_t total = 0;
    for (const Command& cmd : commands)
        total += cmd.op == Op::Wait   ? cmd.step.halfSeconds
                 : cmd.op == Op::Walk ? uint64_t{cmd.step.presses} * script::kWalkGapMax
                                      : cmd.within;
    return total;
}

}  // namespace geigerrun
