// The application object: starts the front panel and ends with it.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>

struct LaunchOptions;

class SimulatorApp : public QApplication {
public:
    SimulatorApp(int& argc, char** argv);

    // Waits until `pause` (150 ms from the process's start) is over, runs
    // the front panel modally as the command line's options ask and returns
    // the process's exit code once it ends.
    int Run(const LaunchOptions& options, QDeadlineTimer pause);
};
