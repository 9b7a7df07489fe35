// geigersim-run: the firmware without a window, on virtual time.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "geigersim_version.h"
#include "tools/run/runner.h"

namespace {

constexpr const char* kUsage =
    R"(Usage: geigersim-run [OPTION]... [SCRIPT|-]
Runs the counter's firmware without a window, on virtual time that starts at 0.
Commands come from the -e strings (in order), then from SCRIPT, or from
standard input when SCRIPT is "-". Commands are separated by new lines or ';';
'#' starts a comment that runs to the end of the line. The whole input is
checked before anything runs.

Options:
  --clock YYYY-MM-DDTHH:MM:SS  fix the device clock (local time; default: now)
  --seed N                     seed the demo counts with N (0..4294967295)
                               instead of the time at power-on
  -e 'CMD; CMD; ...'           commands to run (may be given several times)
  -h, --help                   show this help and exit
      --version                show the version and exit

At start the device is unpowered with its LCD unlit, as right after the
window opens. Commands:
  press KEY        click a key: back, up, down, select (or 0, 1, 2, 3)
  wait DURATION    advance virtual time: 500ms, 2.5s, 10m, 24h, 7d (a positive
                   multiple of 500 ms, at most 1000d); every 500 ms runs the
                   half-second service, every 1000 ms the second tick after it
  real N [N ...]   real mode: the next seconds count N, ... (signed 32-bit),
                   then 0 each second once the list runs out
  demo             back to random demo counts
  lcd              print the LCD: 32 lines of 122 characters,
                   '#' ink, '.' background, '-' unlit
  png FILE         write the 244 x 64 LCD picture as a PNG
  flash FILE       write the 65,536-byte DataFlash write area
  state            print the firmware state as one line of JSON
  echo TEXT        print TEXT

Exit status: 0 on success, 2 for a bad option, command or file (nothing is
run when any command is bad; a file that cannot be written stops the run).
)";

int Fail(const std::string& message) {
    std::cout.flush();
    std::cerr << "geigersim-run: " << message << '\n';
    return 2;
}

bool ReadAll(std::FILE* file, std::string& text, std::string& error) {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    if (std::ferror(file)) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    using geigerrun::Quote;

    geigerrun::StartOptions options;
    std::vector<std::string> evals;
    std::string script;
    bool haveScript = false;
    bool optionsEnded = false;

    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
                continue;
            }
            if (arg == "-h" || arg == "--help") {
                std::cout << kUsage;
                std::cout.flush();
                return std::cout ? 0 : 2;
            }
            if (arg == "--version") {
                std::cout << "geigersim-run " GEIGERSIM_VERSION "\n";
                std::cout.flush();
                return std::cout ? 0 : 2;
            }
            // Options with a value: "--clock X", "--clock=X", "-e X".
            std::string name = arg, value;
            bool inlineValue = false;
            if (size_t eq = arg.find('='); arg.starts_with("--") && eq != std::string::npos) {
                name = arg.substr(0, eq);
                value = arg.substr(eq + 1);
                inlineValue = true;
            }
            if (name != "--clock" && name != "--seed" && name != "-e")
                return Fail("unknown option " + Quote(arg) + " (see --help)");
            if (!inlineValue) {
                if (i + 1 >= argc) return Fail("option " + name + " needs a value");
                value = argv[++i];
            }
            std::string error;
            if (name == "--clock") {
                std::time_t when;
                if (!geigerrun::ParseClock(value, when, error)) return Fail(error);
                options.clock = when;
            } else if (name == "--seed") {
                uint32_t seed;
                if (!geigerrun::ParseUnsigned32(value, seed))
                    return Fail("bad seed " + Quote(value) + " (use 0..4294967295)");
                options.seed = seed;
            } else {
                evals.push_back(value);
            }
            continue;
        }
        if (haveScript) return Fail("more than one script given: " + Quote(script) + " and " + Quote(arg));
        script = arg;
        haveScript = true;
    }

    std::vector<geigerrun::Command> commands;
    std::string error;
    for (size_t k = 0; k < evals.size(); ++k)
        if (!geigerrun::Parse(evals[k], "-e " + std::to_string(k + 1), commands, error))
            return Fail(error);

    if (haveScript) {
        std::string text;
        if (script == "-") {
            if (!ReadAll(stdin, text, error)) return Fail("cannot read standard input: " + error);
        } else {
            std::FILE* file = std::fopen(script.c_str(), "rb");
            if (file == nullptr)
                return Fail("cannot read script " + Quote(script) + ": " + std::strerror(errno));
            const bool ok = ReadAll(file, text, error);
            std::fclose(file);
            if (!ok) return Fail("cannot read script " + Quote(script) + ": " + error);
        }
        if (!geigerrun::Parse(text, "", commands, error)) return Fail(error);
    }

    geigerrun::Runner runner;
    runner.Start(options);
    const bool ok = runner.Run(commands, std::cout, error);
    std::cout.flush();
    if (!ok) return Fail(error);
    if (!std::cout) return Fail("cannot write the output");
    return 0;
}
