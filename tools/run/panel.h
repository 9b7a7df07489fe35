// `png ... panel` and `tour ... panel`: the whole front panel, drawn by the
// window's rendering library (panel_qt.cpp) or refused in builds without
// the window (panel_none.cpp); Qt's application for the tour's PDF too.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "media/rate_history.h"

namespace geigerrun {

class Runner;

// The whole front panel as the window would show it for `runner` now, as
// 0xAARRGGBB pixels scaled by `scale`; with `ringKey` a ring round the key
// held down (`gif ... keys`); `clean` leaves out the start hint and the
// lamp (`png ... panel clean`).
bool RenderRunnerPanel(const Runner& runner, int scale, std::vector<uint32_t>& pixels, int& width, int& height,
                       std::string& error, bool ringKey = false, bool clean = false);
// The same panel as SVG (`svg ... panel`), `scale` times its size.
bool RenderRunnerPanelSvg(const Runner& runner, int scale, std::string& svg, std::string& error);
// The rate chart of `samples` over `minutes`, the same way, as 0xAARRGGBB
// pixels (opaque).
bool RenderRunnerChart(const std::vector<RateSample>& samples, int minutes, int scale, std::vector<uint32_t>& pixels,
                       int& width, int& height, std::string& error);

// Starts Qt's application on the offscreen platform unless one runs: fonts
// and pictures need it, a display does not. Qt builds only (panel_qt.cpp).
void EnsureGuiApplication();

}  // namespace geigerrun
