// The commands of geigersim-run and how command text becomes them: the
// device steps of link/script_language.h, and the runner's own outputs and
// checks. The whole input is parsed before anything runs.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "script/script_language.h"

namespace geigerrun {

enum class Op {
    Press, Wait, Real, Demo, Walk, Lcd, Png, State, Flash, Echo,
    LcdFile, Text, ExpectText, ExpectLcd, ExpectField, Log, Tour, Save, Load, Wav, Chart,
    Gif, GifEnd,  // `gif FILE [scale N] [panel] ...` starts an animation, `gif end` writes it
    Svg,  // `svg FILE [scale N] [panel]`: the picture as vector squares
    Battery, Temperature,  // what the sensors read from then on
    Store,  // `store factory|fixed`: what the configuration store holds
    Clock, Seed  // set-up: only before any other command of their script
};

// The paper a tour's sheet and its PDF are laid out for.
enum class Paper : uint8_t { A4, Letter };

// How `expect FIELD OP VALUE` compares; texts take only Equal and NotEqual.
// Near (~=) is for numbers, within a relative or an absolute tolerance.
enum class Compare { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual, Near };

// What an ExpectText reads: the cells from X, Y (`expect text`), the whole
// text row at Y (`expect row`), or anywhere on the LCD (`expect screen contains`).
enum class TextCheck : uint8_t { Cells, Row, Contains };

struct Command {
    Op op = Op::Echo;
    std::string where;            // "line 3", "-e 2, command 1": named in every message
    std::string label;            // its script's name in artifact files ("smoke", "e2")
    uint32_t position = 0;        // that line, or that command's place in its string
    script::Step step;            // Press, Wait, Real, Demo
    std::string text;             // Echo text; file name; ExpectText's bytes; ExpectField's name
    // ExpectText: the cell of the first glyph (Row: y only), and what is read.
    uint8_t x = 0, y = 0;
    TextCheck textCheck = TextCheck::Cells;
    // Png, Tour, Gif and Svg: nearest-neighbour scale 1..8, and the whole front panel.
    uint8_t scale = 1;
    bool panel = false;
    // Png and Tour with panel: without the start hint and the lamp (`clean`).
    bool clean = false;
    // Gif: a ring round the key held (`keys`, with `panel`), and how often
    // it plays again (`loop N`, 0 for `loop none`, -1 for ever). GifEnd:
    // the last frame held this many 500 ms periods longer (`hold D`).
    bool keys = false;
    int32_t loops = -1;
    uint64_t hold = 0;
    // Png and Tour: the resolution the PNG states, dots an inch (0: none).
    uint16_t dpi = 0;
    // Tour: only the screens whose names contain this ("" for every one);
    // the paper of its sheet, a PDF of it too (`pdf`), and a CSV file of
    // `name,title` rows that replace the guide's titles ("" for none).
    std::string only;
    Paper paper = Paper::A4;
    bool pdf = false;
    std::string titles;
    // Png: the screen the next command hands over and replaces within one
    // firmware call, rather than the one presented after this command.
    bool atDraw = false;
    // Battery: tenths of a volt (0..255); Temperature: tenths of a degree Celsius.
    int16_t tenths = 0;
    // Battery: the icon shows the level steadily rather than charging.
    bool steady = false;
    // Store: the factory values rather than the device's fixed store.
    bool factory = false;
    // Chart: the span in minutes.
    uint16_t minutes = 60;
    // ExpectLcd: the dump read from `file` at parse time.
    std::string file;
    std::string dump;
    // ExpectField: the comparison and its value as JSON text.
    Compare compare = Compare::Equal;
    uint8_t valueKind = 0;  // number, text, null, list
    std::string value;
    double tolerance = 1e-6;  // Near: relative to VALUE, or with `absolute` in VALUE's unit
    bool absolute = false;
    // `wait until EXPECTATION within DURATION`: the expectation above,
    // given up to this many 500 ms periods to hold; 0 for a plain expect.
    uint64_t within = 0;
    // Clock and Seed: what the command sets.
    std::time_t clock = 0;
    uint32_t seed = 0;
};

// ---- the command table ----------------------------------------------------
// Every command is one row: the word it starts with, how the rest is read,
// its lines in `geigersim-run --help`, and which control hosts run it (the
// runner runs every one from scripts). The parser, the help and each host's
// check read it; each host that runs a command has its own run step.

// The control hosts, as bits of CommandSpec::hosts.
enum CommandHost : uint8_t {
    kServeHost = 1,   // geigersim-run --serve
    kSocketHost = 2,  // the window's control socket (and the headless device's)
};

// A command as the grammar reads it: all of it, its first word, and the rest
// after that word (trimmed).
struct CommandWords {
    std::string_view text, name, rest;
};

struct CommandSpec {
    Op op;
    std::string_view word;  // the first word; rows of one word share the first one's parse
    // Reads the command into `cmd` (its `op` set to this row's, which the
    // function may change to another of its word's); false with `what`.
    // nullptr on the later rows of a word.
    bool (*parse)(const CommandWords& words, Command& cmd, std::string& what);
    std::string_view help;  // lines of --help, each ending in a new line
    uint8_t hosts;          // CommandHost bits
    bool answersFile;       // over the protocol its answer names the file it wrote, or holds its bytes for "-"
};

// The rows, one per Op, in the order --help lists them.
std::span<const CommandSpec> CommandTable();
const CommandSpec& SpecOf(Op op);
// The commands' part of --help: every row's lines in order.
std::string CommandHelp();

// True when this build can render the front panel and the chart (it has
// the window's rendering library); `panel` and `chart` are refused otherwise.
bool PanelAvailable();

// The command that runs a device step, as a script's line of it would.
Command StepCommand(const script::Step& step);

// The virtual time `commands` may take at most, in 500 ms periods: their
// waits, a `wait until` at its limit.
uint64_t PlannedHalfSeconds(const std::vector<Command>& commands);

// Appends the commands of `text` to `out`. `source` names where the text
// came from: "" for a script ("line N"), or e.g. "-e 2" ("-e 2, command N").
// `clock` and `seed` must come before any other command of `text`.
// On the first bad command returns false with `error` set to
// "<where>: <what is wrong>"; `out` then holds the commands before it.
bool Parse(std::string_view text, std::string_view source,
           std::vector<Command>& out, std::string& error);

}  // namespace geigerrun
