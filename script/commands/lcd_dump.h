// The `lcd` dump, both ways: written by `lcd`, read back by `expect lcd`.
#pragma once

#include <string>
#include <string_view>

#include "platform/lcd.h"

namespace geigerrun {

// A picture as 32 lines of 122 characters, each ending in '\n': '#' ink,
// '.' background, '-' anything else, read from each LCD pixel's top-left
// screen pixel.
std::string LcdText(const LcdPicture& picture);
// An `lcd` dump read back (lines may end in "\r\n"), where '?' may stand
// for any pixel; false with `what` set when it is not one.
bool ParseLcdDump(std::string_view text, std::string& dump, std::string& what);
// The dump in the file at `path` (`expect lcd FILE`), read no further than a
// dump can be; false with `what` the whole reason, naming the file.
bool ReadLcdDump(const std::string& path, std::string& dump, std::string& what);

}  // namespace geigerrun
