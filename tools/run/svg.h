// `svg FILE [scale N] [panel]`: the LCD, or the whole front panel, as a
// vector picture for pages that scale it.
#pragma once

#include <ostream>
#include <string>

namespace geigerrun {

class Runner;

// The LCD as presented, its pixels as squares, `scale` times 244 x 64 as
// its nominal size; with `panel` the panel's artwork with the LCD on it.
// Written safely ("-" to `out`).
bool WriteSvg(const Runner& runner, const std::string& path, int scale, bool panel, std::ostream& out,
              std::string& error);

}  // namespace geigerrun
