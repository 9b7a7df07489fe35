#include <cstdio>

#include <QCoreApplication>
#include <QDeadlineTimer>

#include "app/headless_device.h"
#include "app/launch_checks.h"
#include "app/launch_options.h"
#include "app/simulator_app.h"
#include "platform/clock.h"

int main(int argc, char** argv) {
    // The window's start-up wait counts from here (SimulatorApp::Run).
    const QDeadlineTimer startUpWait(150, Qt::PreciseTimer);
    QStringList args;
    for (int i = 0; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    // Decided before the application object exists: it needs a display.
    LaunchOptions options;
    const LaunchDecision decision = ParseLaunchOptions(args, &options);
    std::fputs(decision.err.toLocal8Bit().constData(), stderr);
    if (!decision.run) {
        std::fputs(decision.out.toLocal8Bit().constData(), stdout);
        return std::fflush(stdout) == 0 ? decision.exitCode : 2;
    }
    // A substitute of the device's, for the window and the headless device alike.
    if (options.demoRate) SetDemoRate(*options.demoRate);
    if (options.headless) {
        QCoreApplication app(argc, argv);
        return RunHeadless(options);
    }
    // Qt would abort without a display; say what to do instead.
    if (!DisplayGiven(args)) {
        std::fputs("geigersim: no display (neither DISPLAY nor WAYLAND_DISPLAY is set): "
                   "use --headless to run without a window\n",
                   stderr);
        return 2;
    }
    SimulatorApp app(argc, argv);
    return app.Run(options, startUpWait);
}
