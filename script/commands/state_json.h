// The `state` dump: the firmware record as JSON, the value the control
// protocol sends and `expect` reads, and the runner's line of it.
#pragma once

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <string>

namespace geigerrun {

// Every scalar field of the firmware record, plus textCursorX/Y, realMode,
// showLcdCalls and virtualMs, in that order. A float is the number its nine
// significant digits read as (a whole one an integer, a non-finite one
// null); a text byte c is the code point U+00cc.
nlohmann::ordered_json State(uint64_t showLcdCalls, uint64_t virtualMs);

// State() as the runner prints it: one line of ASCII JSON, no new line.
std::string StateJson(uint64_t showLcdCalls, uint64_t virtualMs);

}  // namespace geigerrun
