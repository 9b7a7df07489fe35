// `geigersim-run --serve`: the live-control protocol (link/control_protocol.h)
// on the runner's device, one request per line in, one JSON line out.
#pragma once

#include <istream>
#include <ostream>

#include "tools/run/runner.h"

namespace geigerrun {

// Starts `runner` with `options`, then answers each line of `in` on `out`
// (flushed per answer) until end of input or `quit`. Returns false only
// when `out` cannot be written.
bool Serve(Runner& runner, const StartOptions& options, std::istream& in, std::ostream& out);

}  // namespace geigerrun
