// The application object: starts the front panel and ends with it.
#pragma once

#include <QApplication>

class SimulatorApp : public QApplication {
public:
    SimulatorApp(int& argc, char** argv);

    // Pauses 150 ms, applies the "Restart" switch of launchOptions, runs the front panel modally
    // and returns the process's exit code once it ends.
    int Run();
};
