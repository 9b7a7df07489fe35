#include "app/simulator_app.h"

#include <QThread>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/control_server.h"
#include "app/front_panel_dialog.h"
#include "app/host_state.h"
#include "app/launch_checks.h"
#include "app/launch_options.h"
#include "app/link_panel.h"
#include "app/mqtt_host.h"
#include "app/popup_menu.h"
#include "app/stop_signals.h"
#include "serial/link_status.h"
#include "platform/clock.h"
#include "serial/real_mode.h"

SimulatorApp::SimulatorApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("geigersim"));
    setApplicationDisplayName(QStringLiteral("REZ12832Uzi"));
    setDesktopFileName(QStringLiteral(GEIGERSIM_APP_ID));  // the Wayland app id, as the desktop entry is named
}

int SimulatorApp::Run(const LaunchOptions& options, QDeadlineTimer pause) {
    // The device's start-up wait runs from the process's start: the time Qt
    // takes to reach the display is part of it, not added to it.
    QThread::msleep(static_cast<unsigned long>(std::max<qint64>(0, pause.remainingTime())));
    // Without these the clock is the start moment and power-on seeds from
    // the time, as ever.
    FrontPanelDialog dialog(options.zoomPercent, {options.clock, options.seed});
    // A --zoom the screen cannot hold whole opens at the largest level it
    // can: the user asked for a large panel, not for none.
    if (const int fits = dialog.LargestZoomThatFits(options.zoomPercent); fits != options.zoomPercent) {
        const QRect area = dialog.AvailableArea();
        std::fprintf(stderr, "geigersim: zoom %d %% does not fit the screen (%d x %d free); using %d %%\n",
                     options.zoomPercent, area.width(), area.height(), fits);
        dialog.SetZoom(fits);
    }
    if (options.restart) dialog.RequestRestart();
    dialog.rateHost().SetSoundOn(!options.mute);
    // A stop signal leaves as "Exit" does, through the way out at the end;
    // a box left open would hold that way, so it goes first.
    StopSignals stop([&dialog] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* box = qobject_cast<QDialog*>(w); box != nullptr && box != &dialog && box->isVisible())
                box->reject();
        dialog.OnMenuCommand(kCmdExit);
    });
    // The files of the command line before anything else starts.
    std::string why;
    if (!StartLaunchFiles(options, why)) {
        std::fprintf(stderr, "geigersim: %s\n", why.c_str());
        return 2;
    }
    // Before the first timer period and before --port opens real mode. The
    // window is not up yet: a refusal is an error of the command line.
    QString error;
    if (!options.state.isEmpty() && !dialog.LoadState(options.state, error)) {
        std::fprintf(stderr, "geigersim: %s\n", error.toLocal8Bit().constData());
        ShutdownLink();
        return 2;
    }
    // Before the first timer period, so the script starts at time 0, and
    // before --port opens real mode, which a recording cannot start in.
    if (!options.record.isEmpty()) dialog.StartRecording(options.record);
    // Refused before the window shows, as a bad option is.
    std::unique_ptr<ControlServer> control;
    if (!options.control.isEmpty()) {
        control = std::make_unique<ControlServer>(dialog);
        if (!control->Listen(options.control, error)) {
            std::fprintf(stderr, "geigersim: %s\n", error.toLocal8Bit().constData());
            ShutdownLink();
            return 2;
        }
    }
    // The port last, once the trace is there to hold its opening; all before
    // the window, so an unattended start fails loudly.
    if (!StartLaunchPort(options, why)) {
        ShutdownLink();
        std::fprintf(stderr, "geigersim: %s\n", why.c_str());
        return 2;
    }
    std::unique_ptr<MqttHost> mqtt;
    if (options.mqtt.enabled()) {
        mqtt = std::make_unique<MqttHost>(options.mqtt);
        dialog.rateHost().SetSecondListener(
            [&mqtt](const RateSample& s) { mqtt->NoteSecond(s, CurrentLinkStatus().path); });
        dialog.linkPanel()->SetToolTipExtra([&mqtt] { return mqtt->Describe(); });
    }
    dialog.show();
    if (options.chart) dialog.rateHost().ShowChart();
    dialog.linkPanel()->KeepWatching();
    dialog.exec();
    if (mqtt) {
        dialog.rateHost().SetSecondListener({});
        mqtt->Stop();  // "offline" while the broker may still be there
    }
    // The reader stops before the port closes; both outlive the window.
    ShutdownLink();
    return 0;
}
