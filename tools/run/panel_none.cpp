// Builds without the window (GEIGERSIM_GUI=OFF) have no panel artwork and
// no Qt to render it; `panel` is refused when the commands are read.
#include "tools/run/panel.h"

namespace geigerrun {

bool RenderRunnerPanel(const Runner&, int, std::vector<uint32_t>&, int&, int&, std::string& error, bool, bool) {
    error = "this geigersim-run was built without the front panel";
    return false;
}

bool RenderRunnerPanelSvg(const Runner&, int, std::string&, std::string& error) {
    error = "this geigersim-run was built without the front panel";
    return false;
}

bool RenderRunnerChart(const std::vector<RateSample>&, int, int, std::vector<uint32_t>&, int&, int&,
                       std::string& error) {
    error = "this geigersim-run was built without Qt";
    return false;
}

}  // namespace geigerrun
