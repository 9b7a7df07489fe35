#include "app/simulator_app.h"

#include <QThread>
#include <QTimer>

#include "app/front_panel_dialog.h"
#include "app/host_state.h"
#include "app/launch_options.h"
#include "app/link_panel.h"
#include "link/real_mode.h"

SimulatorApp::SimulatorApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("geigersim"));
    setApplicationDisplayName(QStringLiteral("REZ12832Uzi"));
    setDesktopFileName(QStringLiteral(GEIGERSIM_APP_ID));  // the Wayland app id, as the desktop entry is named
}

int SimulatorApp::Run() {
    QThread::msleep(150);
    if (launchOptions.restart) restartRequested = 1;
    FrontPanelDialog dialog;
    dialog.show();
    QTimer::singleShot(0, &dialog, [] { ApplyLinkLaunchOptions(launchOptions); });
    dialog.exec();
    // The reader stops before the port closes; both outlive the window.
    ShutdownLink();
    return 0;
}
