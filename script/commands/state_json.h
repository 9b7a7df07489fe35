// The `state` dump: the firmware record as one line of JSON.
#pragma once

#include <cstdint>
#include <string>

namespace geigerrun {

// Every scalar field of the firmware record, plus textCursorX/Y, realMode,
// showLcdCalls and virtualMs, as one line of JSON (no trailing newline).
std::string StateJson(uint64_t showLcdCalls, uint64_t virtualMs);

}  // namespace geigerrun
