// geigersim-device: a stand-in Geiger counter on a pseudo-terminal.
#include <cstdio>
#include <string>

#include "geigersim_version.h"
#include "tools/device/options.h"
#include "tools/device/serve.h"

int main(int argc, char** argv) {
    geigerdevice::Options options;
    std::string error;
    if (!geigerdevice::ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "geigersim-device: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(geigerdevice::HelpText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs("geigersim-device " GEIGERSIM_VERSION "\n", stdout);
        return 0;
    }
    return geigerdevice::Serve(options);
}
