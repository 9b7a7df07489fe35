#include "app/simulator_app.h"

int main(int argc, char** argv) {
    SimulatorApp app(argc, argv);
    return app.Run();
}
