#include "tools/device/options.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string_view>

#include "serial/protocol.h"

namespace geigerdevice {

namespace {

// A finite decimal number, the whole text.
bool ParseNumber(const std::string& text, double& value) {
    if (text.empty() || text.front() == ' ' || text.front() == '\t') return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

bool ParseUnsigned(const std::string& text, uint64_t max, uint64_t& value) {
    if (text.empty() || text.size() > 20) return false;
    value = 0;
    for (const char ch : text) {
        if (ch < '0' || ch > '9') return false;
        value = value * 10 + static_cast<uint64_t>(ch - '0');
        if (value > max) return false;
    }
    return true;
}

// Seconds (decimals allowed) to milliseconds; positive, at most a year.
bool ParseSeconds(const std::string& text, int64_t& ms) {
    double seconds = 0;
    if (!ParseNumber(text, seconds) || seconds <= 0 || seconds > 366.0 * 86400) return false;
    ms = std::llround(seconds * 1000);
    return ms > 0;
}

}  // namespace

bool ParseOptions(int argc, const char* const* argv, Options& options, std::string& error) {
    bool cpmGiven = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool inlineValue = false;
        if (arg.rfind("--", 0) == 0) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                value = arg.substr(eq + 1);
                arg.resize(eq);
                inlineValue = true;
            }
        }
        auto takeValue = [&]() -> bool {
            if (inlineValue) return true;
            if (i + 1 >= argc) {
                error = "option " + arg + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto flag = [&]() -> bool {
            if (!inlineValue) return true;
            error = "option " + arg + " takes no value";
            return false;
        };
        auto bad = [&](const std::string& what) {
            error = "bad value '" + value + "' for " + arg + ": " + what;
            return false;
        };

        if (arg == "-h" || arg == "--help") {
            if (!flag()) return false;
            options.help = true;
        } else if (arg == "--version") {
            if (!flag()) return false;
            options.version = true;
        } else if (arg == "-v" || arg == "--verbose") {
            if (!flag()) return false;
            options.verbose = true;
        } else if (arg == "--turned") {
            if (!flag()) return false;
            options.turned = true;
        } else if (arg == "--cpm") {
            if (!takeValue()) return false;
            double cpm = 0;
            if (!ParseNumber(value, cpm) || cpm < 0 || cpm > 60.0 * kMaxReportCount)
                return bad("expected a number from 0 to 982980");
            options.cpm = cpm;
            cpmGiven = true;
        } else if (arg == "--counts") {
            if (!takeValue()) return false;
            options.counts.clear();
            size_t start = 0;
            while (true) {
                const size_t comma = value.find(',', start);
                const std::string item = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
                uint64_t count = 0;
                if (!ParseUnsigned(item, kMaxReportCount, count))
                    return bad("expected counts from 0 to 16383 separated by commas");
                options.counts.push_back(static_cast<uint32_t>(count));
                if (comma == std::string::npos) break;
                start = comma + 1;
            }
        } else if (arg == "--seed") {
            if (!takeValue()) return false;
            uint64_t seed = 0;
            if (!ParseUnsigned(value, UINT32_MAX, seed)) return bad("expected a number from 0 to 4294967295");
            options.seed = static_cast<uint32_t>(seed);
        } else if (arg == "--toggle-turned-every") {
            if (!takeValue()) return false;
            if (!ParseSeconds(value, options.toggleTurnedMs)) return bad("expected a positive number of seconds");
        } else if (arg == "--jitter") {
            if (!takeValue()) return false;
            if (!ParseSeconds(value, options.jitterMs) || options.jitterMs >= 500)
                return bad("expected a number of seconds below 0.5");
        } else if (arg == "--duration") {
            if (!takeValue()) return false;
            if (!ParseSeconds(value, options.durationMs)) return bad("expected a positive number of seconds");
        } else if (arg == "--vanish-after") {
            if (!takeValue()) return false;
            if (!ParseSeconds(value, options.vanishAfterMs)) return bad("expected a positive number of seconds");
        } else if (arg == "--reappear-after") {
            if (!takeValue()) return false;
            if (!ParseSeconds(value, options.reappearAfterMs)) return bad("expected a positive number of seconds");
        } else if (arg == "--link") {
            if (!takeValue()) return false;
            if (value.empty()) return bad("expected a path");
            options.link = value;
        } else if (arg == "--log") {
            if (!takeValue()) return false;
            if (value.empty()) return bad("expected a path");
            options.log = value;
        } else if (arg.empty() || arg[0] == '-') {
            error = "unknown option '" + arg + "' (see --help)";
            return false;
        } else {
            error = "unexpected argument '" + arg + "' (see --help)";
            return false;
        }
    }
    if (cpmGiven && !options.counts.empty()) {
        error = "--cpm and --counts exclude each other";
        return false;
    }
    if (options.reappearAfterMs > 0 && options.vanishAfterMs == 0) {
        error = "--reappear-after needs --vanish-after";
        return false;
    }
    return true;
}

std::string HelpText() {
    return R"(Usage: geigersim-device [OPTION]...
A stand-in Geiger counter on a pseudo-terminal.

Serves a pseudo-terminal as a counter would, for the simulator's real mode
or for scripts. Prints the terminal's path (e.g. /dev/pts/5) as the first line
of standard output, then serves it until SIGINT, SIGTERM or --duration.

The terminal is raw, 8 data bits, no parity, 1 stop bit, 115200 bit/s (the
rate means nothing on a pseudo-terminal). Commands from the host are the text
between '<' and ">>"; they may arrive split or run together, and bytes
between commands are skipped:
  <HEARTBEAT1>>  start the count reports (switches the device on if it was off)
  <HEARTBEAT0>>  stop the count reports
  <KEY0>> .. <KEY3>>  press back, up, down, select (logged)
  <POWEROFF>>    switch the device off: reports stop until <HEARTBEAT1>>
Anything else is logged as an unknown command. Reports start off.

While reports are on, the device sends one two-byte count report every
1000 ms, the first one 1000 ms after <HEARTBEAT1>>:
  first byte:  bit 7 = 1, bit 6 = turned, bits 5..0 = count bits 13..8
  second byte:  count bits 7..0
Counts above 16383 are sent as 16383. While turned, counts above 16127 are
sent as 16127, because a first byte of 255 is not a valid report.

Options:
  --cpm N           counts per minute: each second's count is drawn from a
                    Poisson distribution with mean N/60 (default 30)
  --counts A,B,...  send these counts (0..16383) in turn, repeating; the
                    first report sends A. Excludes --cpm
  --seed N          seed of the random counts (default: a random seed, logged
                    at start)
  --turned          report the device as turned (upside down)
  --toggle-turned-every S
                    flip the orientation every S seconds after start
  --jitter S        send each report up to S seconds (below 0.5) before or
                    after its second, at random (from --seed), as a counter
                    whose clock wanders about the host's tick
  --duration S      stop after S seconds (default: run until a signal)
  --vanish-after S  close the terminal S seconds after start, as pulling the
                    cable would: the host's side hangs up (with --link, the
                    link goes too)
  --reappear-after S
                    S seconds after vanishing, open a new terminal (at the same
                    --link path), print its path and answer heartbeats again,
                    as a counter plugged back in; needs --vanish-after
  --link PATH       also make PATH a symlink to the terminal, removed at exit
                    (an existing symlink there is replaced)
  --log FILE        write the log to FILE instead of standard error
  -v, --verbose     also log every report sent
  -h, --help        show this help and exit
      --version     show the version and exit
Seconds may have decimals (0.5). Options take their value as the next word
or after '=' (--cpm=120).

The log has one line per event, with the seconds since start:
  [   3.002] key down

Exit status:
  0  stopped by a signal or --duration
  1  the terminal or the link cannot be made
  2  a bad option
)";
}

}  // namespace geigerdevice
