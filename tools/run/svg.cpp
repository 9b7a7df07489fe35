// `svg FILE [scale N] [panel]`: the LCD's pixels as SVG squares (media/
// svg_picture.h), or the panel's own artwork with them (panel.h).
#include "tools/run/svg.h"

#include "media/svg_picture.h"
#include "platform/lcd.h"
#include "script/script_language.h"
#include "tools/run/files.h"
#include "tools/run/panel.h"
#include "tools/run/runner.h"

namespace geigerrun {

bool WriteSvg(const Runner& runner, const std::string& path, int scale, bool panel, std::ostream& out,
              std::string& error) {
    std::string text, why;
    if (panel) {
        if (!RenderRunnerPanelSvg(runner, scale, text, why)) {
            error = "cannot write " + script::Quote(path) + ": " + why;
            return false;
        }
    } else {
        const LcdPicture& lcd = runner.presented();
        text = svg::Document(svg::PixelGroup(&lcd.pixels[0][0], kLcdScreenWidth, kLcdScreenHeight, kLcdScreenWidth),
                             kLcdScreenWidth, kLcdScreenHeight, scale);
    }
    return WriteFileSafely(path, text, out, error);
}

}  // namespace geigerrun
