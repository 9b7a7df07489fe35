#include "app/simulator_app.h"

#include <QThread>
#include <QTimer>

#include "app/front_panel_dialog.h"
#include "app/host_state.h"
#include "app/launch_options.h"
#include "app/link_panel.h"
#include "link/real_mode.h"
#include "platform/clock.h"

SimulatorApp::SimulatorApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("geigersim"));
    setApplicationDisplayName(QStringLiteral("REZ12832Uzi"));
    setDesktopFileName(QStringLiteral(GEIGERSIM_APP_ID));  // the Wayland app id, as the desktop entry is named
}

int SimulatorApp::Run() {
    QThread::msleep(150);
    if (launchOptions.restart) restartRequested = 1;
    // Without these the clock is the start moment and power-on seeds from
    // the time, as ever.
    if (launchOptions.clock) RtcSetSnapshot(*launchOptions.clock);
    if (launchOptions.seed) RandomSetSeedOverride(true, *launchOptions.seed);
    FrontPanelDialog dialog;
    // Before the first timer period, so the script starts at time 0, and
    // before --port opens real mode, which a recording cannot start in.
    if (!launchOptions.record.isEmpty()) dialog.StartRecording(launchOptions.record);
    dialog.show();
    QTimer::singleShot(0, &dialog, [] { ApplyLinkLaunchOptions(launchOptions); });
    dialog.exec();
    // The reader stops before the port closes; both outlive the window.
    ShutdownLink();
    return 0;
}
