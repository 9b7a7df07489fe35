// `png ... panel` and `tour ... panel`: the whole front panel, drawn by the
// window's rendering library (panel_qt.cpp) or refused in builds without
// the window (panel_none.cpp).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/rate_history.h"

namespace geigerrun {

class Runner;

// The whole front panel as the window would show it for `runner` now, as
// 0xAARRGGBB pixels scaled by `scale`; with `ringKey` a ring round the key
// held down (`gif ... keys`).
bool RenderRunnerPanel(const Runner& runner, int scale, std::vector<uint32_t>& pixels, int& width, int& height,
                       std::string& error, bool ringKey = false);
// The same panel as SVG (`svg ... panel`), `scale` times its size.
bool RenderRunnerPanelSvg(const Runner& runner, int scale, std::string& svg, std::string& error);
// The rate chart of `samples` over `minutes`, the same way, as 0xAARRGGBB
// pixels (opaque).
bool RenderRunnerChart(const std::vector<RateSample>& samples, int minutes, int scale, std::vector<uint32_t>& pixels,
                       int& width, int& height, std::string& error);

}  // namespace geigerrun
