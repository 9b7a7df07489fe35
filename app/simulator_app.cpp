#include "app/simulator_app.h"

#include <QThread>
#include <QTimer>
#include <cstdio>
#include <memory>

#include "app/control_server.h"
#include "app/front_panel_dialog.h"
#include "app/launch_options.h"
#include "app/link_panel.h"
#include "platform/clock.h"
#include "serial/real_mode.h"

SimulatorApp::SimulatorApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("geigersim"));
    setApplicationDisplayName(QStringLiteral("REZ12832Uzi"));
    setDesktopFileName(QStringLiteral(GEIGERSIM_APP_ID));  // the Wayland app id, as the desktop entry is named
}

int SimulatorApp::Run(const LaunchOptions& options) {
    QThread::msleep(150);
    // Without these the clock is the start moment and power-on seeds from
    // the time, as ever.
    FrontPanelDialog dialog(options.zoomPercent, {options.clock, options.seed});
    if (options.restart) dialog.RequestRestart();
    dialog.rateHost().SetSoundOn(!options.mute);
    // Before the first timer period and before --port opens real mode. The
    // window is not up yet, so a refusal goes where the command line's
    // errors go; the device then starts afresh.
    QString error;
    if (!options.state.isEmpty() && !dialog.LoadState(options.state, error))
        std::fprintf(stderr, "geigersim: %s; starting afresh\n", error.toLocal8Bit().constData());
    // Before the first timer period, so the script starts at time 0, and
    // before --port opens real mode, which a recording cannot start in.
    if (!options.record.isEmpty()) dialog.StartRecording(options.record);
    // Refused before the window shows, as a bad option is.
    std::unique_ptr<ControlServer> control;
    if (!options.control.isEmpty()) {
        control = std::make_unique<ControlServer>(dialog);
        if (!control->Listen(options.control, error)) {
            std::fprintf(stderr, "geigersim: %s\n", error.toLocal8Bit().constData());
            return 2;
        }
    }
    dialog.show();
    if (options.chart) dialog.rateHost().ShowChart();
    QTimer::singleShot(0, &dialog, [&dialog, &options] {
        ApplyLinkLaunchOptions(options);
        dialog.linkPanel()->KeepWatching();
    });
    dialog.exec();
    // The reader stops before the port closes; both outlive the window.
    ShutdownLink();
    return 0;
}
