// `expect text|lcd|FIELD OP VALUE`: parsed and checked up front like every
// command, compared when the run reaches it.
#pragma once

#include <string>
#include <string_view>

#include "link/commands/parse.h"

namespace geigerrun {

class Runner;

// `expect ...` after the word "expect": fills cmd (reading an lcd FILE
// now), or false with `what` set.
bool ParseExpect(std::string_view rest, Command& cmd, std::string& what);
// True when the expectation holds; otherwise `message` describes the
// difference ("expected ..., got ...").
bool CheckExpectation(const Command& cmd, const Runner& runner, std::string& message);

}  // namespace geigerrun
