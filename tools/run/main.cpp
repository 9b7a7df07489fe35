// geigersim-run: the firmware without a window, on virtual time.
#include <getopt.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "firmware/dataflash.h"
#include "geigersim_version.h"
#include "core/bounded_read.h"
#include "script/commands/parse.h"
#include "script/script_language.h"
#include "tools/run/coverage.h"
#include "tools/run/files.h"
#include "tools/run/flash_log.h"
#include "tools/run/report.h"
#include "tools/run/runner.h"
#include "tools/run/serve.h"
#include "tools/run/tour.h"

namespace {

// Kept in the shape help2man turns into the man page: the "Usage:" line,
// the option list, then sections headed "Name:".
constexpr const char* kUsage =
    R"(Usage: geigersim-run [OPTION]... [SCRIPT|-]...
  or:  geigersim-run --decode FLASHFILE [--write-address A]
  or:  geigersim-run --serve [--clock T] [--seed N]
Runs the counter's firmware without a window, on virtual time that starts at 0.
Commands come from the -e strings (in order), then from SCRIPT, or from
standard input when SCRIPT is "-"; several scripts run as test cases, each
from a fresh device. Commands are separated by new lines or ';';
'#' starts a comment that runs to the end of the line. The whole input is
checked before anything runs: a script that is bad runs nothing and is
reported as an error of its test case, and the other scripts still run.

Options:
  --clock YYYY-MM-DDTHH:MM:SS  fix the device clock (default: now, read from
                               the host's local time); the device has no
                               time zone, so it shows the same under any TZ
  --seed N                     seed the demo counts with N (0..4294967295)
                               instead of the time at power-on
  -e 'CMD; CMD; ...'           commands to run (may be given several times)
  --keep-going                 run on after a failed expectation (exit 1 at
                               the end)
  --junit FILE                 write a JUnit XML report: a testcase per script
  --artifacts DIR              write the LCD of each failed expectation as
                               SCRIPT-LINE-actual.png (expect lcd: also
                               -expected.png and -diff.png), SCRIPT being
                               the script's path with '/' as '-' and
                               without its extension; the pictures of an
                               earlier run of the same scripts are removed
                               first
  --coverage FILE              write an HTML page of the tour's screens (see
                               tour) saying which the scripts reached and the
                               command that first did, and the same as JSON
                               in FILE with its extension .json; prints
                               "screens reached: N of M"
  --update-expected            rewrite the file of each failing expect lcd
                               with what the LCD shows, keeping its '?'
                               pixels, and list it; the expectation then
                               holds
  --max-virtual DURATION       refuse a script whose waits may pass DURATION
                               (default 1000d)
  --decode FLASHFILE           print a `flash` dump's records as CSV, as `log`
                               does, and run nothing
  --write-address A            the write address of that dump (as `state`
                               prints flashWriteAddress; decimal or 0x hex);
                               without it the dump is read up to its last
                               byte that is not 0
  --serve                      answer commands from standard input as they
                               come, one a line, each with one line of
                               JSON: {"ok":true,...} or {"ok":false,
                               "error":"..."}; ends at end of input or quit
  -h, --help                   show this help and exit
  --version                    show the version and exit

Commands:
  clock YYYY-MM-DDTHH:MM:SS  set-up before any other command: as --clock
  seed N           set-up before any other command: as --seed (options win)
  press KEY [N]    click a key: back, up, down, select (or 0, 1, 2, 3); N
                   times in a row (1..999)
  wait DURATION    advance virtual time: 500ms, 2.5s, 10m, 24h, 7d (a positive
                   multiple of 500 ms, at most 1000d); every 500 ms runs the
                   half-second service, every 1000 ms the second tick after it
  real N [N ...]   real mode: the next seconds count N, ... (signed 32-bit),
                   then 0 each second once the list runs out
  demo             back to random demo counts
  walk N [seed S]  N clicks of random keys (1..100000), each followed by a
                   random 500 ms to 3 s; the same seed (default 1) gives the
                   same clicks and gaps
  lcd [FILE]       print the LCD (or write it to FILE): 32 lines of 122
                   characters, '#' ink, '.' background, '-' unlit
  text             print the text the LCD shows, one line per text row
  png FILE [scale N] [panel] [dpi N]  write the 244 x 64 LCD picture as
                   a PNG, scaled N times (1..8); with panel the whole
                   front panel as the window shows it; with dpi the file
                   states N dots an inch (1..9600), its printed size
  png FILE at-draw [scale N] [panel]  write, after the next command, the
                   screen it drew and replaced within one key or 500 ms
                   (e.g. the factory reset's "Please wait.")
  svg FILE [scale N] [panel]  write the LCD as an SVG, its pixels as
                   squares, N times 244 x 64 in size (1..8); with panel
                   the panel's own artwork with the LCD on it
  battery VOLTS    the battery reads VOLTS from now on (0.0..25.5)
  temperature DEGREES  the temperature reads DEGREES C from now on
                   (-40.0..125.0)
  tour DIR [scale N] [panel] [dpi N] [only PATTERN]  start afresh and
                   write a PNG of every screen (with only, of those whose
                   names contain PATTERN), and DIR/index.html, a printable
                   sheet of them with the key sequence to each; dpi as png's
  gif FILE [scale N] [panel] [keys] [loop N|none]  start an animated GIF
                   of the LCD (with panel the whole panel, keys shown
                   pressed; with keys also ringed): every picture handed
                   over until gif end (or the run's end) is a frame, shown
                   for its virtual time; a wait over 5 s plays in 2 s. It
                   loops for ever; loop N plays it N more times (1..65535),
                   loop none once
  gif end [hold DURATION]  write the animation started by gif, its last
                   frame shown DURATION longer (e.g. hold 2s)
  flash FILE       write the 65,536-byte DataFlash write area
  log FILE         write the write area's records as CSV
  wav FILE         write the run's sound so far (the speaker's clicks and
                   the alarm tone at their virtual times) as a 16-bit mono WAV
  chart FILE [minutes M] [scale N]  write the chart of the rate over the
                   last M minutes (1..1440, default 60) as a PNG, scaled
                   N times (1..4)
  state            print the firmware state as one line of JSON
  save FILE        write the whole device as a snapshot
  load FILE        put the device back as a snapshot holds it
  echo TEXT        print TEXT
  expect text X Y TEXT  the small font's cells from LCD pixel X, Y
                        show TEXT (\xNN for a symbol, \\ for a backslash)
  expect row Y TEXT     the text row whose top is LCD row Y reads TEXT, the
                        whole row as text prints it
  expect screen contains TEXT  a text row of the LCD holds TEXT
  expect lcd FILE  the LCD equals the dump in FILE (as lcd FILE writes it);
                   a '?' in the dump stands for any pixel
  expect FIELD OP VALUE  a field of state compares so; OP is ==, !=,
                         <, <=, >, >= (texts: == and != only)
  expect FIELD ~= VALUE [TOLERANCE]  a number within a relative tolerance
                         (default 1e-6)
  expect FIELD ~= VALUE +- DELTA  a number within DELTA of VALUE, an
                         absolute tolerance (also VALUE ± DELTA)
  wait until EXPECTATION within DURATION  advance 500 ms at a time until
                         the expectation (what expect takes) holds

At start the device is unpowered with its LCD unlit, as right after the
window opens. FILE may be "-" for standard output.

Exit status:
  0   success
  1   an expectation failed
  2   a bad option, command, script or file (a bad option or -e command
      runs nothing; a bad script is not run, the others are; a file that
      cannot be written stops the run)
)";

enum Option {
    kClock = 1000, kSeed, kKeepGoing, kDecode, kWriteAddress, kVersion, kJunit, kArtifacts, kMaxVirtual, kServe,
    kUpdateExpected, kCoverage
};

// One script run as a test case: the -e commands, then the script's.
struct Case {
    std::string name;
    std::vector<geigerrun::Command> commands;
    geigerrun::StartOptions options;
    std::string error;  // why the script cannot run: it was unreadable or bad
};

int Fail(const std::string& message) {
    std::cout.flush();
    std::cerr << "geigersim-run: " << message << '\n';
    return 2;
}

// Decimal or 0x hex, a 20-bit DataFlash address.
bool ParseAddress(const std::string& text, uint32_t& address) {
    if (text.starts_with("0x") || text.starts_with("0X")) {
        if (text.size() < 3 || text.size() > 7) return false;
        uint32_t v = 0;
        for (char c : text.substr(2)) {
            const int d = script::HexDigit(c);
            if (d < 0) return false;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        address = v;
    } else if (!script::ParseUnsigned32(text, address)) {
        return false;
    }
    return address < (1u << 20);
}

int Decode(const std::string& path, bool haveAddress, uint32_t address) {
    using script::Quote;
    std::string bytes, error;
    if (!ReadBounded(path, kFlashDumpFile, bytes, error)) return Fail("cannot read " + Quote(path) + ": " + error);
    if (bytes.size() != kFlashAreaSize)
        return Fail(Quote(path) + " is not a flash dump: " + std::to_string(bytes.size()) +
                    " bytes, not 65,536");
    const auto* area = reinterpret_cast<const uint8_t*>(bytes.data());
    if (!haveAddress) {
        // The area starts as zeros: without the address, it ends after its
        // last other byte.
        address = kFlashAreaSize;
        while (address > 0 && area[address - 1] == 0) --address;
    }
    std::cout << geigerrun::DecodeFlashLog(area, address);
    std::cout.flush();
    return std::cout ? 0 : Fail("cannot write the output");
}

}  // namespace

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    using script::Quote;

    geigerrun::StartOptions options;
    std::vector<std::string> evals;
    bool keepGoing = false, haveAddress = false, serve = false, updateExpected = false;
    bool maxVirtualGiven = false;
    std::string decode;
    bool haveDecode = false;
    uint32_t writeAddress = 0;
    std::string junit, artifacts, coverage;
    uint64_t maxVirtual = script::kMaxWaitHalfSeconds;

    static const struct option kLong[] = {
        {"clock", required_argument, nullptr, kClock},
        {"seed", required_argument, nullptr, kSeed},
        {"keep-going", no_argument, nullptr, kKeepGoing},
        {"junit", required_argument, nullptr, kJunit},
        {"artifacts", required_argument, nullptr, kArtifacts},
        {"max-virtual", required_argument, nullptr, kMaxVirtual},
        {"decode", required_argument, nullptr, kDecode},
        {"write-address", required_argument, nullptr, kWriteAddress},
        {"serve", no_argument, nullptr, kServe},
        {"update-expected", no_argument, nullptr, kUpdateExpected},
        {"coverage", required_argument, nullptr, kCoverage},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, kVersion},
        {nullptr, 0, nullptr, 0},
    };
    auto optionName = [](int val) -> std::string {
        if (val == 'e' || val == 'h') return std::string("-") + static_cast<char>(val);
        for (const struct option* o = kLong; o->name != nullptr; ++o)
            if (o->val == val) return std::string("--") + o->name;
        return "?";
    };
    opterr = 0;
    int c;
    while ((c = getopt_long(argc, argv, ":he:", kLong, nullptr)) != -1) {
        std::string error;
        const std::string value = optarg != nullptr ? optarg : "";
        switch (c) {
        case 'h':
            std::cout << kUsage;
            std::cout.flush();
            return std::cout ? 0 : 2;
        case kVersion:
            std::cout << "geigersim-run " GEIGERSIM_VERSION "\n";
            std::cout.flush();
            return std::cout ? 0 : 2;
        case kClock: {
            std::time_t when;
            if (!script::ParseClock(value, when, error)) return Fail(error);
            options.clock = when;
            break;
        }
        case kSeed: {
            uint32_t seed;
            if (!script::ParseUnsigned32(value, seed))
                return Fail("bad seed " + Quote(value) + " (use 0..4294967295)");
            options.seed = seed;
            break;
        }
        case 'e': evals.push_back(value); break;
        case kKeepGoing: keepGoing = true; break;
        case kServe: serve = true; break;
        case kUpdateExpected: updateExpected = true; break;
        case kCoverage: coverage = value; break;
        case kJunit: junit = value; break;
        case kArtifacts: artifacts = value; break;
        case kMaxVirtual:
            if (!script::ParseDuration(value, maxVirtual, error)) return Fail("--max-virtual: " + error);
            maxVirtualGiven = true;
            break;
        case kDecode:
            decode = value;
            haveDecode = true;
            break;
        case kWriteAddress:
            if (!ParseAddress(value, writeAddress))
                return Fail("bad write address " + Quote(value) + " (use 0..1048575 or 0x0..0xFFFFF)");
            haveAddress = true;
            break;
        case ':': return Fail("option " + optionName(optopt) + " needs a value");
        default: {
            const std::string arg = optopt != 0 ? std::string("-") + static_cast<char>(optopt) : argv[optind - 1];
            return Fail("unknown option " + Quote(arg) + " (see --help)");
        }
        }
    }
    std::vector<std::string> scripts(argv + optind, argv + argc);
    if (std::count(scripts.begin(), scripts.end(), "-") > 1) return Fail("standard input given twice as a script");

    if (haveAddress && !haveDecode) return Fail("--write-address goes with --decode FLASHFILE");
    if (serve) {
        // Requests come one at a time: nothing to check up front, report or
        // cap, and no script beside them.
        if (!evals.empty() || !scripts.empty() || haveDecode || keepGoing || !junit.empty() ||
            !artifacts.empty() || maxVirtualGiven || updateExpected || !coverage.empty())
            return Fail("--serve takes its commands from standard input: give it only --clock and --seed");
        geigerrun::Runner runner;
        if (!geigerrun::Serve(runner, options, std::cin, std::cout)) return Fail("cannot write the output");
        return 0;
    }
    if (haveDecode) {
        if (!evals.empty() || !scripts.empty()) return Fail("--decode runs nothing: give it no commands");
        return Decode(decode, haveAddress, writeAddress);
    }

    std::string error;
    std::vector<geigerrun::Command> evalCommands;
    for (size_t k = 0; k < evals.size(); ++k) {
        const size_t first = evalCommands.size();
        if (!geigerrun::Parse(evals[k], "-e " + std::to_string(k + 1), evalCommands, error)) return Fail(error);
        for (size_t i = first; i < evalCommands.size(); ++i) evalCommands[i].label = "e" + std::to_string(k + 1);
    }

    // Every script is read and checked before any runs; one that cannot run
    // is still a test case, with its error, so a report is always complete.
    std::vector<Case> cases;
    if (scripts.empty()) cases.push_back({"-e", evalCommands, options, {}});
    const std::vector<std::string> labels = geigerrun::ArtifactLabels(scripts);
    for (size_t s = 0; s < scripts.size(); ++s) {
        const std::string& script = scripts[s];
        std::string text;
        Case c{script, evalCommands, options, {}};
        if (script == "-") {
            if (!ReadBoundedFrom(STDIN_FILENO, kScriptFile, text, error))
                c.error = "cannot read standard input: " + error;
        } else if (!ReadBounded(script, kScriptFile, text, error)) {
            c.error = "cannot read script " + Quote(script) + ": " + error;
        }
        const size_t first = c.commands.size();
        if (c.error.empty() && !geigerrun::Parse(text, "", c.commands, error))
            c.error = script == "-" ? error : script + ": " + error;
        for (size_t i = first; i < c.commands.size(); ++i) {
            geigerrun::Command& cmd = c.commands[i];
            cmd.label = labels[s];
            if (script != "-") cmd.where = script + ": " + cmd.where;
        }
        cases.push_back(std::move(c));
    }
    for (Case& c : cases) {
        if (!c.error.empty()) continue;
        // A script's own set-up, where the command line leaves it open.
        c.options = geigerrun::WithSetUp(c.commands, options);
        if (geigerrun::PlannedHalfSeconds(c.commands) > maxVirtual)
            return Fail((c.name == "-e" ? std::string() : Quote(c.name) + " ") + "may take up to " +
                        std::to_string(geigerrun::PlannedHalfSeconds(c.commands) / 2) +
                        " s of virtual time, more than --max-virtual " + script::FormatDuration(maxVirtual));
    }
    // Where the results go is checked before anything runs, not found
    // unwritable after a long run.
    if (!junit.empty() && !geigerrun::CanWriteFile(junit, error)) return Fail("--junit: " + error);
    if (coverage == "-") return Fail("--coverage needs a file: its JSON is written beside it");
    if (!coverage.empty() && (!geigerrun::CanWriteFile(coverage, error) ||
                              !geigerrun::CanWriteFile(geigerrun::CoverageJsonPath(coverage), error)))
        return Fail("--coverage: " + error);
    if (!artifacts.empty()) {
        std::error_code made;
        std::filesystem::create_directories(artifacts, made);
        if (made) return Fail("cannot make " + Quote(artifacts) + ": " + made.message());
        if (access(artifacts.c_str(), W_OK | X_OK) != 0)
            return Fail("--artifacts: cannot write in " + Quote(artifacts) + ": " + std::strerror(errno));
        std::vector<std::string> used;
        for (const Case& c : cases)
            for (const geigerrun::Command& cmd : c.commands) used.push_back(cmd.label);
        if (!geigerrun::RemoveArtifacts(artifacts, used, error)) return Fail(error);
    }

    std::vector<geigerrun::CaseResult> results;
    bool fault = false;
    uint64_t checked = 0, failed = 0;
    geigerrun::Runner runner;
    runner.SetCommandLine(geigerrun::ShellLine(std::vector<std::string>(argv, argv + argc)));
    if (keepGoing) runner.KeepGoing(&std::cerr);
    if (!artifacts.empty()) runner.Artifacts(artifacts);
    if (updateExpected) runner.UpdateExpected(&std::cerr);
    geigerrun::ScreenLog screens;
    if (!coverage.empty()) runner.TrackScreens(&screens);
    for (const Case& c : cases) {
        if (!c.error.empty()) {
            Fail(c.error);
            results.push_back({c.name, 0, {}, c.error, "script"});
            fault = true;
            continue;
        }
        if (isatty(STDERR_FILENO)) runner.Progress(&std::cerr, geigerrun::PlannedHalfSeconds(c.commands));
        const std::clock_t began = std::clock();
        runner.Start(c.options);
        geigerrun::CaseResult result{c.name, 0, {}, {}, "fault"};
        bool ok = runner.Run(c.commands, std::cout, error);
        // The end of the run writes a gif left open.
        std::string unwritten;
        if (!runner.FinishAnimation(std::cout, unwritten) && ok) {
            ok = false;
            error = unwritten;
        }
        std::cout.flush();
        if (!ok) {
            Fail(error);
            // Without --keep-going the first failed expectation is what stopped the run.
            if (keepGoing || runner.failedExpectations() == 0) result.fault = error;
        }
        result.failures = runner.failures();
        result.seconds = static_cast<double>(std::clock() - began) / CLOCKS_PER_SEC;
        fault = fault || !result.fault.empty();
        checked += runner.checkedExpectations();
        failed += runner.failedExpectations();
        results.push_back(std::move(result));
    }
    if (!std::cout) return Fail("cannot write the output");

    size_t casesFailed = 0;
    for (const geigerrun::CaseResult& r : results) casesFailed += r.failures.empty() && r.fault.empty() ? 0 : 1;
    if (cases.size() > 1)
        std::cerr << cases.size() - casesFailed << " passed, " << casesFailed << " failed\n";
    else if (checked > 0)
        std::cerr << checked - failed << " passed, " << failed << " failed\n";
    if (!junit.empty() && !geigerrun::WriteFileSafely(junit, geigerrun::JUnitXml(results), std::cout, error))
        return Fail(error);
    if (!coverage.empty()) {
        runner.TrackScreens(nullptr);
        std::vector<geigerrun::CoveredScreen> tour;
        std::string summary;
        if (!geigerrun::TourScreens(runner, options, tour, error) ||
            !geigerrun::WriteCoverage(coverage, tour, screens, summary, error))
            return Fail("--coverage: " + error);
        std::cerr << summary << '\n';
    }
    return fault ? 2 : casesFailed > 0 ? 1 : 0;
}
