// The commands of geigersim-run and how command text becomes them: the
// device steps of link/script_language.h, and the runner's own outputs and
// checks. The whole input is parsed before anything runs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/script_language.h"

namespace geigerrun {

enum class Op {
    Press, Wait, Real, Demo, Lcd, Png, State, Flash, Echo,
    LcdFile, Text, ExpectText, ExpectLcd, ExpectField, Log, Tour, Save, Load, Wav, Chart
};

// How `expect FIELD OP VALUE` compares; texts take only Equal and NotEqual.
enum class Compare { Equal, NotEqual, Less, LessEqual, Greater, GreaterEqual };

struct Command {
    Op op = Op::Echo;
    std::string where;            // "line 3", "-e 2": named in every message
    script::Step step;            // Press, Wait, Real, Demo
    std::string text;             // Echo text; file name; ExpectText's bytes; ExpectField's name
    // ExpectText: the cell of the first glyph.
    uint8_t x = 0, y = 0;
    // Png and Tour: nearest-neighbour scale 1..8, and the whole front panel.
    uint8_t scale = 1;
    bool panel = false;
    // Chart: the span in minutes.
    uint16_t minutes = 60;
    // ExpectLcd: the dump read from `file` at parse time.
    std::string file;
    std::string dump;
    // ExpectField: the comparison and its value as JSON text.
    Compare compare = Compare::Equal;
    uint8_t valueKind = 0;  // number, text, null, list
    std::string value;
};

// Appends the commands of `text` to `out`. `source` names where the text
// came from: "" for a script ("line N"), or e.g. "-e 2" ("-e 2" for a
// one-line string, "-e 2, line N" once it has several lines).
// On the first bad command returns false with `error` set to
// "<where>: <what is wrong>"; `out` then holds the commands before it.
bool Parse(std::string_view text, std::string_view source,
           std::vector<Command>& out, std::string& error);

}  // namespace geigerrun
