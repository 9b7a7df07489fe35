// The serving loop of geigersim-device: makes the pseudo-terminal, prints its
// path, and runs a Device on it until a signal or the set duration.
#pragma once

#include "tools/device/options.h"

namespace geigerdevice {

// Returns the exit status: 0 after a signal or the duration, 1 when the
// terminal, the link or the log file cannot be made (message on stderr).
int Serve(const Options& options);

}  // namespace geigerdevice
