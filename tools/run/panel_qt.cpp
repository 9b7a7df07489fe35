// `png ... panel` and `tour ... panel`: the front panel drawn by the
// window's own rendering library. Qt starts only here, on the offscreen
// platform, so a run without `panel` never touches it.
#include "tools/run/panel.h"

#include <QGuiApplication>
#include <QImage>
#include <QString>
#include <cstdio>

#include "firmware/state.h"
#include "media/chart_render.h"
#include "media/panel_render.h"
#include "tools/run/runner.h"

namespace geigerrun {
namespace {

// The offscreen platform's note on a missing XDG_RUNTIME_DIR says nothing
// about the picture; other messages pass.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtDebugMsg || message.startsWith(QLatin1String("QStandardPaths:"))) return;
    std::fprintf(stderr, "geigersim-run: %s\n", qPrintable(message));
}

}  // namespace

void EnsureGuiApplication() {
    if (QGuiApplication::instance() != nullptr) return;
    qInstallMessageHandler(QuietMessages);
    // No display is needed to paint into an image.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "geigersim-run";
    static char* argv[] = {name, nullptr};
    // Kept for the rest of the process, as the window keeps its own.
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
}

namespace {

void Pixels(const QImage& picture, std::vector<uint32_t>& pixels, int& width, int& height) {
    width = picture.width();
    height = picture.height();
    pixels.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int y = 0; y < height; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        std::copy(row, row + width, pixels.begin() + static_cast<ptrdiff_t>(y) * width);
    }
}

// The panel as the window would show it for `runner` now: the lamp green
// while real counts wait to be played, amber once they ran out. `clean`
// takes the start hint and the lamp away from that scene.
PanelScene RunnerScene(const Runner& runner, bool clean = false) {
    PanelLamp lamp = PanelLamp::Off;
    if (realMode != 0) lamp = runner.pendingRealCounts() > 0 ? PanelLamp::Green : PanelLamp::Amber;
    PanelScene scene = CorePanelScene(runner.handedOver(), lamp);
    if (clean) {
        scene.hint = false;
        scene.lampShown = false;
    }
    return scene;
}

}  // namespace

bool RenderRunnerPanelSvg(const Runner& runner, int scale, std::string& svg, std::string& error) {
    EnsureGuiApplication();
    if (RenderPanelSvg(RunnerScene(runner), scale, svg)) return true;
    error = "cannot read the front panel's artwork";
    return false;
}

bool RenderRunnerPanel(const Runner& runner, int scale, std::vector<uint32_t>& pixels, int& width, int& height,
                       std::string& error, bool ringKey, bool clean) {
    EnsureGuiApplication();
    // See-through around the case, with its soft edge, for pictures laid on any page.
    PanelScene scene = RunnerScene(runner, clean);
    scene.ringPressedKey = ringKey;
    const QImage picture = RenderPanel(scene, scale, PanelBackground::Clear).convertToFormat(QImage::Format_ARGB32);
    if (picture.isNull()) {
        error = "cannot render the front panel (its artwork did not load)";
        return false;
    }
    Pixels(picture, pixels, width, height);
    return true;
}

bool RenderRunnerChart(const std::vector<RateSample>& samples, int minutes, int scale, std::vector<uint32_t>& pixels,
                       int& width, int& height, std::string&) {
    EnsureGuiApplication();
    Pixels(RenderChart(samples, minutes, scale).convertToFormat(QImage::Format_ARGB32), pixels, width, height);
    return true;
}

}  // namespace geigerrun
