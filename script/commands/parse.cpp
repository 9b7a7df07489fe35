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
// in any order, with a tour's "[only PATTERN] [paper a4|letter] [pdf]
// [titles FILE]", a png's "at-draw", both one's "[dpi N] [clean]" and a
// gif's "[keys] [loop N|none]", taken off the end of `rest` so that the name
// before them may hold spaces.
bool PictureOptions(std::string_view& rest, Command& cmd, std::string_view command, std::string& what) {
    const bool tour = command == "tour", png = command == "png", gif = command == "gif";
    bool scaled = false, papered = false;
    while (true) {
        const size_t space = rest.find_last_of(script::kBlanks);
        if (space == std::string_view::npos) return true;
        const std::string_view last = rest.substr(space + 1);
        std::string_view before = script::Trim(rest.substr(0, space));
        if (tour && last == "only") {
            what = "only needs a part of a screen's name, e.g. tour DIR only speaker";
            return false;
        }
        if (tour && (last == "paper" || last == "titles")) {
            what = last == "paper" ? "paper needs a4 or letter, e.g. tour DIR paper letter"
                                   : "titles needs a CSV file of name,title rows, e.g. tour DIR titles de.csv";
            return false;
        }
        // The one-word options, each taken once by the commands it fits.
        const struct {
            const char* word;
            bool fits;
            bool Command::*flag;
        } flags[] = {{"clean", png || tour, &Command::clean},
                     {"pdf", tour, &Command::pdf},
                     {"keys", gif, &Command::keys},
                     {"at-draw", png, &Command::atDraw}};
        bool flagged = false;
        for (const auto& f : flags)
            if (last == f.word && f.fits && !(cmd.*f.flag)) {
                cmd.*f.flag = true;
                flagged = true;
            }
        if (flagged) {
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
        if (tour && word == "paper" && !papered) {
            if (last != "a4" && last != "letter") {
                what = "bad paper " + Quote(last) + " (use a4 or letter)";
                return false;
            }
            cmd.paper = last == "a4" ? Paper::A4 : Paper::Letter;
            papered = true;
            rest = space2 == std::string_view::npos ? std::string_view() : script::Trim(before.substr(0, space2));
            continue;
        }
        if (tour && word == "titles" && cmd.titles.empty()) {
            cmd.titles = std::string(last);
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

// ---- how each row reads its command ------------------------------------------

// A device step by the script language, which the recorder and the page share.
bool DeviceStep(const CommandWords& w, Command& cmd, std::string& what) {
    switch (script::ParseStep(w.text, cmd.step, what)) {
    case script::StepParse::Parsed: cmd.op = StepOp(cmd.step.kind); return true;
    case script::StepParse::Bad: return false;
    case script::StepParse::NotAStep: break;
    }
    what = "unknown command " + Quote(w.name);
    return false;
}

// `wait until EXPECTATION within DURATION` before the script language's `wait`.
bool WaitOrWaitUntil(const CommandWords& w, Command& cmd, std::string& what) {
    if (std::string_view r = w.rest; script::TakeWord(r) == "until") return ParseWaitUntil(r, cmd, what);
    return DeviceStep(w, cmd, what);
}

bool NoArguments(const CommandWords& w, Command&, std::string& what) {
    if (w.rest.empty()) return true;
    what = std::string(w.name) + " takes no arguments (got " + Quote(w.rest) + ")";
    return false;
}

bool FileArgument(std::string_view name, std::string_view rest, Command& cmd, std::string& what) {
    if (rest.empty()) {
        what = std::string(name) + " needs a file name";
        return false;
    }
    cmd.text = std::string(rest);
    return true;
}

bool File(const CommandWords& w, Command& cmd, std::string& what) { return FileArgument(w.name, w.rest, cmd, what); }

bool LcdOrLcdFile(const CommandWords& w, Command& cmd, std::string& what) {
    if (w.rest.empty()) return true;
    cmd.op = Op::LcdFile;
    return File(w, cmd, what);
}

// png and tour: the name, then their picture options.
bool Picture(const CommandWords& w, Command& cmd, std::string& what) {
    std::string_view rest = w.rest;
    if (!PictureOptions(rest, cmd, w.name, what) || !FileArgument(w.name, rest, cmd, what)) return false;
    if (cmd.pdf && !PanelAvailable()) {
        what = "pdf needs Qt, which writes it; this geigersim-run was built without the window (GEIGERSIM_GUI=OFF)";
        return false;
    }
    if (cmd.clean && !cmd.panel) {
        what = "clean leaves the start hint and the lamp out of a panel picture, and the LCD alone has "
               "neither: use it with panel";
        return false;
    }
    return true;
}

bool GifOrGifEnd(const CommandWords& w, Command& cmd, std::string& what) {
    if (std::string_view r = w.rest; script::TakeWord(r) == "end") {
        cmd.op = Op::GifEnd;
        if (r.empty()) return true;
        if (script::TakeWord(r) != "hold" || r.empty()) {
            what = "gif end takes only hold DURATION, e.g. gif end hold 2s (got " + Quote(w.rest) + ")";
            return false;
        }
        return script::ParseDuration(r, cmd.hold, what);
    }
    if (!Picture(w, cmd, what)) return false;
    if (cmd.keys && !cmd.panel) {
        what = "keys rings the key held on the panel: use it with panel";
        return false;
    }
    return true;
}

// The battery reads a byte of tenths of a volt; the sensor of the
// temperature works from -40 to 125 degrees.
bool Battery(const CommandWords& w, Command& cmd, std::string& what) {
    std::string_view volts = w.rest;
    if (volts.ends_with(" steady")) {
        cmd.steady = true;
        volts.remove_suffix(7);
        while (!volts.empty() && volts.back() == ' ') volts.remove_suffix(1);
    }
    int tenths = 0;
    if (!ParseTenths(volts, 0, 255, tenths)) {
        what = "battery needs volts 0.0..25.5 in tenths and may take steady, e.g. battery 3.3 steady (got " +
               Quote(w.rest) + ")";
        return false;
    }
    cmd.tenths = static_cast<int16_t>(tenths);
    return true;
}

bool Store(const CommandWords& w, Command& cmd, std::string& what) {
    if (w.rest != "factory" && w.rest != "fixed") {
        what = "store needs factory or fixed (got " + Quote(w.rest) + ")";
        return false;
    }
    cmd.factory = w.rest == "factory";
    return true;
}

bool Temperature(const CommandWords& w, Command& cmd, std::string& what) {
    int tenths = 0;
    if (!ParseTenths(w.rest, -400, 1250, tenths)) {
        what = "temperature needs degrees Celsius -40.0..125.0 in tenths, e.g. temperature -5.5 (got " +
               Quote(w.rest) + ")";
        return false;
    }
    cmd.tenths = static_cast<int16_t>(tenths);
    return true;
}

bool Chart(const CommandWords& w, Command& cmd, std::string& what) {
    if (!PanelAvailable()) {
        what = "chart needs Qt; this geigersim-run was built without the window (GEIGERSIM_GUI=OFF)";
        return false;
    }
    std::string_view rest = w.rest;
    return ChartOptions(rest, cmd, what) && FileArgument(w.name, rest, cmd, what);
}

bool Expect(const CommandWords& w, Command& cmd, std::string& what) { return ParseExpect(w.rest, cmd, what); }

bool Clock(const CommandWords& w, Command& cmd, std::string& what) {
    return script::ParseClock(w.rest, cmd.clock, what);
}

bool Seed(const CommandWords& w, Command& cmd, std::string& what) {
    if (script::ParseUnsigned32(w.rest, cmd.seed)) return true;
    what = "bad seed " + Quote(w.rest) + " (use 0..4294967295)";
    return false;
}

bool Echo(const CommandWords& w, Command& cmd, std::string&) {
    cmd.text = std::string(w.rest);
    return true;
}

// ---- the table ---------------------------------------------------------------

constexpr uint8_t kBoth = kServeHost | kSocketHost;

// clang-format off
const CommandSpec kCommands[] = {
    {Op::Clock, "clock", Clock,
     "  clock YYYY-MM-DDTHH:MM:SS  set-up before any other command: as --clock\n", kServeHost, false},
    {Op::Seed, "seed", Seed,
     "  seed N           set-up before any other command: as --seed (options win)\n", kServeHost, false},
    {Op::Press, "press", DeviceStep,
     "  press KEY [N]    click a key: back, up, down, select (or 0, 1, 2, 3); N\n"
     "                   times in a row (1..999)\n", kBoth, false},
    {Op::Wait, "wait", WaitOrWaitUntil,
     "  wait DURATION    advance virtual time: 500ms, 2.5s, 10m, 24h, 7d (a positive\n"
     "                   multiple of 500 ms, at most 1000d); every 500 ms runs the\n"
     "                   half-second service, every 1000 ms the second tick after it\n", kBoth, false},
    // The window's and the headless device's counts come from their serial line.
    {Op::Real, "real", DeviceStep,
     "  real N [N ...]   real mode: the next seconds count N, ... (signed 32-bit),\n"
     "                   then 0 each second once the list runs out\n", kServeHost, false},
    {Op::Demo, "demo", DeviceStep,
     "  demo [rate CPM]  back to random demo counts; with rate, at random around\n"
     "                   CPM counts per minute (1..1000000; rate device: the\n"
     "                   device's own 0 or 1 a second)\n", kBoth, false},
    {Op::Walk, "walk", DeviceStep,
     "  walk N [seed S]  N clicks of random keys (1..100000), each followed by a\n"
     "                   random 500 ms to 3 s; the same seed (default 1) gives the\n"
     "                   same clicks and gaps\n", kServeHost, false},
    {Op::Lcd, "lcd", LcdOrLcdFile,
     "  lcd [FILE]       print the LCD (or write it to FILE): 32 lines of 122\n"
     "                   characters, '#' ink, '.' background, '-' unlit\n", kBoth, false},
    {Op::LcdFile, "lcd", nullptr, "", kServeHost, true},
    {Op::Text, "text", NoArguments,
     "  text             print the text the LCD shows, one line per text row\n", kBoth, false},
    {Op::Png, "png", Picture,
     "  png FILE [scale N] [panel [clean]] [dpi N]  write the 244 x 64 LCD\n"
     "                   picture as a PNG, scaled N times (1..8); with panel\n"
     "                   the whole front panel as the window shows it, with\n"
     "                   clean without the start hint and the lamp (clean\n"
     "                   alone is refused); with dpi the file states N dots\n"
     "                   an inch (1..9600), its printed size\n"
     "  png FILE at-draw [scale N] [panel [clean]]  write, after the next\n"
     "                   command, the screen it drew and replaced within one\n"
     "                   key or 500 ms (e.g. the factory reset's \"Please wait.\")\n", kBoth, true},
    {Op::Svg, "svg", Picture,
     "  svg FILE [scale N] [panel]  write the LCD as an SVG, its pixels as\n"
     "                   squares, N times 244 x 64 in size (1..8); with panel\n"
     "                   the panel's own artwork with the LCD on it\n", kServeHost, true},
    {Op::Battery, "battery", Battery,
     "  battery VOLTS [steady]  the battery reads VOLTS from now on (0.0..25.5);\n"
     "                   steady: the icon shows that level, not the charging\n", kServeHost, false},
    {Op::Store, "store", Store,
     "  store factory|fixed  the configuration store holds the factory values\n"
     "                   (or the device's fixed ones), read at power-on\n", kServeHost, false},
    {Op::Temperature, "temperature", Temperature,
     "  temperature DEGREES  the temperature reads DEGREES C from now on\n"
     "                   (-40.0..125.0)\n", kServeHost, false},
    // A tour starts the device afresh for every screen: a script's alone.
    {Op::Tour, "tour", Picture,
     "  tour DIR [scale N] [panel [clean]] [dpi N] [only PATTERN]\n"
     "       [paper a4|letter] [pdf] [titles FILE]  start afresh and write a\n"
     "                   PNG of every screen (with only, of those whose names\n"
     "                   contain PATTERN), DIR/index.html, a sheet of them with\n"
     "                   the key sequence to each that prints on the paper (A4\n"
     "                   by default), and DIR/manifest.json and .csv listing\n"
     "                   the stops; pdf also writes DIR/screens.pdf; titles\n"
     "                   takes FILE's name,title rows (CSV, UTF-8) in place\n"
     "                   of the guide's titles, a name no stop has a warning;\n"
     "                   dpi and clean as png's\n", 0, true},
    {Op::Gif, "gif", GifOrGifEnd,
     "  gif FILE [scale N] [panel] [keys] [loop N|none]  start an animated GIF\n"
     "                   of the LCD (with panel the whole panel, keys shown\n"
     "                   pressed; with keys also ringed): every picture handed\n"
     "                   over until gif end (or the run's end) is a frame, shown\n"
     "                   for its virtual time; a wait over 5 s plays in 2 s. It\n"
     "                   loops for ever; loop N plays it N more times (1..65535),\n"
     "                   loop none once\n", kServeHost, false},
    {Op::GifEnd, "gif", nullptr,
     "  gif end [hold DURATION]  write the animation started by gif, its last\n"
     "                   frame shown DURATION longer (e.g. hold 2s)\n", kServeHost, false},
    {Op::Flash, "flash", File,
     "  flash FILE       write the 65,536-byte DataFlash write area\n", kServeHost, true},
    {Op::Log, "log", File,
     "  log FILE         write the write area's records as CSV\n", kServeHost, true},
    {Op::Wav, "wav", File,
     "  wav FILE         write the run's sound so far (the speaker's clicks and\n"
     "                   the alarm tone at their virtual times) as a 16-bit mono WAV\n", kServeHost, true},
    {Op::Chart, "chart", Chart,
     "  chart FILE [minutes M] [scale N]  write the chart of the rate over the\n"
     "                   last M minutes (1..1440, default 60) as a PNG, scaled\n"
     "                   N times (1..4)\n", kServeHost, true},
    {Op::State, "state", NoArguments,
     "  state            print the firmware state as one line of JSON\n", kBoth, false},
    {Op::Save, "save", File,
     "  save FILE        write the whole device as a snapshot\n", kBoth, true},
    {Op::Load, "load", File,
     "  load FILE        put the device back as a snapshot holds it\n", kBoth, false},
    {Op::Echo, "echo", Echo,
     "  echo TEXT        print TEXT\n", kBoth, false},
    {Op::ExpectText, "expect", Expect,
     "  expect text X Y TEXT  the small font's cells from LCD pixel X, Y\n"
     "                        show TEXT (\\xNN for a symbol, \\\\ for a backslash)\n"
     "  expect row Y TEXT     the text row whose top is LCD row Y reads TEXT, the\n"
     "                        whole row as text prints it\n"
     "  expect screen contains TEXT  a text row of the LCD holds TEXT\n", kBoth, false},
    {Op::ExpectLcd, "expect", nullptr,
     "  expect lcd FILE  the LCD equals the dump in FILE (as lcd FILE writes it);\n"
     "                   a '?' in the dump stands for any pixel\n", kBoth, false},
    // `wait until` gives any expectation time: its line closes theirs.
    {Op::ExpectField, "expect", nullptr,
     "  expect FIELD OP VALUE  a field of state compares so; OP is ==, !=,\n"
     "                         <, <=, >, >= (texts: == and != only)\n"
     "  expect FIELD ~= VALUE [TOLERANCE]  a number within a relative tolerance\n"
     "                         (default 1e-6)\n"
     "  expect FIELD ~= VALUE +- DELTA  a number within DELTA of VALUE, an\n"
     "                         absolute tolerance (also VALUE ± DELTA)\n"
     "  wait until EXPECTATION within DURATION  advance 500 ms at a time until\n"
     "                         the expectation (what expect takes) holds\n", kBoth, false},
};
// clang-format on

// One command (trimmed, non-empty) into `cmd`; false with `what` set when bad.
bool ParseCommand(std::string_view text, Command& cmd, std::string& what) {
    std::string_view rest = text;
    const std::string_view name = script::TakeWord(rest);
    for (const CommandSpec& row : kCommands) {
        if (row.word != name || row.parse == nullptr) continue;
        cmd.op = row.op;
        return row.parse({text, name, rest}, cmd, what);
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

std::span<const CommandSpec> CommandTable() { return kCommands; }

const CommandSpec& SpecOf(Op op) {
    for (const CommandSpec& row : kCommands)
        if (row.op == op) return row;
    return kCommands[0];  // every Op has its row: the table's test holds it to that
}

std::string CommandHelp() {
    std::string help;
    for (const CommandSpec& row : kCommands) help += row.help;
    return help;
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

Command StepCommand(const script::Step& step) {
    Command cmd;
    cmd.op = StepOp(step.kind);
    cmd.step = step;
    return cmd;
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
