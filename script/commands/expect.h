// `expect text|lcd|FIELD OP VALUE`: parsed and checked up front like every
// command, compared when the run reaches it.
#pragma once

#include <string>
#include <string_view>

#include "platform/lcd.h"
#include "script/commands/parse.h"

namespace geigerrun {

// `expect ...` after the word "expect": fills cmd (reading an lcd FILE
// now), or false with `what` set.
bool ParseExpect(std::string_view rest, Command& cmd, std::string& what);
// True when the expectation holds on `presented` (the LCD as the host shows
// it) and the device's state now; otherwise `message` describes the
// difference ("expected ..., got ...").
bool CheckExpectation(const Command& cmd, const LcdPicture& presented, std::string& message);

}  // namespace geigerrun
