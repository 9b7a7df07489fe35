// Command-line options of geigersim-device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace geigerdevice {

struct Options {
    double cpm = 30;                      // Poisson mean per minute
    std::vector<uint32_t> counts;         // fixed sequence; overrides cpm when not empty
    std::optional<uint32_t> seed;         // none: a random seed, logged at start
    bool turned = false;
    int64_t toggleTurnedMs = 0;           // 0: never
    int64_t jitterMs = 0;                 // 0: each report right on its second
    int64_t durationMs = 0;               // 0: until a signal
    int64_t vanishAfterMs = 0;            // > 0: close the terminal then, as an unplugged cable
    int64_t reappearAfterMs = 0;          // > 0: a new terminal this long after vanishing
    std::string link;                     // symlink to the slave; "" for none
    std::string log;                      // log file; "" for standard error
    bool verbose = false;                 // log every report sent
    bool help = false;
    bool version = false;
};

// Parses argv[1..]. On a bad option returns false with a one-line message
// (without the program name) in `error`.
bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error);

std::string HelpText();

}  // namespace geigerdevice
