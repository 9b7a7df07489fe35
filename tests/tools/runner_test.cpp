#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/panel.h"
#include "firmware/dataflash.h"
#include "firmware/state.h"
#include "geigersim_version.h"
#include "media/decoded_gif.h"
#include "media/gif_writer.h"
#include "platform/clock.h"
#include "platform/lcd.h"
#include "script/commands/parse.h"
#include "script/commands/state_json.h"
#include "script/commands/text.h"
#include "script/parse_helpers.h"
#include "script/script_language.h"
#include "tools/run/animation.h"
#include "tools/run/files.h"
#include "tools/run/flash_log.h"
#include "tools/run/panel.h"
#include "tools/run/runner.h"
#include "tools/run/tour.h"

namespace fs = std::filesystem;
using namespace geigerrun;
using script::ParseClock;
using script::ParseUnsigned32;

namespace {

// ---- helpers ---------------------------------------------------------------

// Runs commands in-process on a freshly started device; returns the output.
// The `state` line that starts at `from` in a run's output.
nlohmann::json StateAt(const std::string& out, size_t from = 0) {
    return nlohmann::json::parse(out.substr(from, out.find('\n', from) - from));
}

std::string RunText(Runner& runner, const std::string& text) {
    std::ostringstream out;
    std::string error;
    EXPECT_TRUE(runner.Run(ParseOk(text), out, error)) << error;
    return out.str();
}

struct Exec {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built binary through the shell; `args` is shell text. Standard
// input comes from `stdinText`, or from `stdinPath` when given.
Exec RunBinary(const std::string& args, const std::string& stdinText = "",
               const char* stdinPath = nullptr) {
    const char* bin = std::getenv("GEIGERSIM_RUN");
    if (bin == nullptr) ADD_FAILURE() << "GEIGERSIM_RUN is not set";
    const fs::path dir = fs::temp_directory_path() / ("runner_test_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path in = dir / "stdin", out = dir / "stdout", err = dir / "stderr";
    std::ofstream(in, std::ios::binary) << stdinText;
    // The time limit turns a runner that hangs (say, reading an endless
    // standard input) into a failure.
    const std::string command = std::string("LSAN_OPTIONS=suppressions='") + GEIGERSIM_LSAN_SUPPRESSIONS +
                                "':print_suppressions=0 timeout 120 '" + (bin ? bin : "false") + "' " + args +
                                " <'" + (stdinPath ? std::string(stdinPath) : in.string()) +
                                "' >'" + out.string() + "' 2>'" + err.string() + "'";
    Exec r;
    const int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    auto slurp = [](const fs::path& p) {
        std::ifstream f(p, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(f), {});
    };
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

// A scratch directory per test, removed afterwards.
class TempDir {
public:
    TempDir() {
        path_ = fs::temp_directory_path() /
                ("runner_files_" + std::to_string(::getpid()) + "_" + std::to_string(counter_++));
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    fs::path operator/(const std::string& name) const { return path_ / name; }
    size_t Entries() const {
        return static_cast<size_t>(std::distance(fs::directory_iterator(path_), {}));
    }
    const fs::path& path() const { return path_; }

private:
    static inline int counter_ = 0;
    fs::path path_;
};

// An `lcd` dump of the start-up screen: lit everywhere, ink only where the
// 116 x 28 logo at (2, 4) lies.
void ExpectLogoOnly(const std::string& lcd) {
    ASSERT_EQ(lcd.size(), 32u * 123u);
    int ink = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 122; ++x) {
            const char c = lcd[y * 123 + x];
            EXPECT_NE(c, '-') << x << "," << y;
            if (c == '#') {
                ++ink;
                EXPECT_TRUE(x >= 2 && x <= 117 && y >= 4) << "ink outside the logo at " << x << "," << y;
            }
        }
    EXPECT_GT(ink, 50);
}

// Recording hooks: 'H' half-second service, 'S' second tick (with the real
// count it saw), 'K<n>' key.
std::string trace;
std::vector<int32_t> countsSeen;
void RecordHalf() { trace += 'H'; }
void RecordSecond() {
    trace += 'S';
    countsSeen.push_back(fw.realCount);
}
void RecordKey(uint8_t k) { trace += "K" + std::to_string(k); }

constexpr script::DeviceHooks kRecorder{RecordHalf, RecordSecond, RecordKey};

void StartRecording(Runner& runner) {
    trace.clear();
    countsSeen.clear();
    runner.Start({});
}

}  // namespace

// ---- parsing -----------------------------------------------------------------





// ---- virtual time -------------------------------------------------------------

TEST(RunnerTime, ServicesFollowTheWindowTimersAcrossWaits) {
    Runner runner(kRecorder);
    StartRecording(runner);
    runner.Wait(2);  // wait 1s
    EXPECT_EQ(trace, "HHS");
    runner.Wait(1);
    runner.Wait(1);
    runner.Wait(3);
    EXPECT_EQ(trace, "HHSHHSHHSH");
    EXPECT_EQ(runner.halfTicks(), 7u);

    StartRecording(runner);
    runner.Wait(1209600);  // wait 7d
    EXPECT_EQ(std::count(trace.begin(), trace.end(), 'H'), 1209600);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), 'S'), 604800);
}

TEST(RunnerTime, KeysGoToDispatchInOrder) {
    Runner runner(kRecorder);
    StartRecording(runner);
    std::ostringstream out;
    std::string error;
    ASSERT_TRUE(runner.Run(ParseOk("press select; wait 500ms; press back; press 2"), out, error));
    EXPECT_EQ(trace, "K3HK0K2");
}

TEST(RunnerTime, RealCountsOnePerSecondThenZeros) {
    Runner runner(kRecorder);
    StartRecording(runner);
    fw.realCount = 42;
    runner.Wait(1);  // half a second: no tick, no count taken
    runner.Real({5, -7});
    EXPECT_EQ(realMode, 1);
    runner.Wait(7);  // ticks at 1 s, 2 s, 3 s, 4 s
    EXPECT_EQ(countsSeen, (std::vector<int32_t>{5, -7, 0, 0}));

    // A new list replaces what was left; demo leaves the count alone.
    runner.Real({1, 2, 3});
    runner.Wait(2);
    runner.Real({9});
    runner.Wait(4);
    EXPECT_EQ(countsSeen, (std::vector<int32_t>{5, -7, 0, 0, 1, 9, 0}));
    runner.Demo();
    EXPECT_EQ(realMode, 0);
    EXPECT_EQ(runner.pendingRealCounts(), 0u);
    fw.realCount = 77;
    runner.Wait(2);
    EXPECT_EQ(countsSeen.back(), 77);

    // Start puts demo mode back.
    runner.Real({4});
    runner.Start({});
    EXPECT_EQ(realMode, 0);
    EXPECT_EQ(runner.pendingRealCounts(), 0u);
}

// ---- outputs --------------------------------------------------------------------

// A run that saves and goes on ends where a run that loads the save and goes
// on ends; a damaged save is refused and changes nothing.
TEST(RunnerOutput, SaveThenLoadGoesOnAsTheOriginal) {
    TempDir dir;
    const std::string save = (dir / "deep.gsst").string();
    const std::string rest = "wait 2s; press select; wait 10s; state; lcd; flash -";
    Runner runner;
    runner.Start({1765000000, 4});
    RunText(runner, "press select; wait 1d; press select; press down; real 9 8 7; wait 1s; save " + save);
    const std::string straight = RunText(runner, rest);
    runner.Start({1700000000, 5});
    EXPECT_TRUE(DriverStartHintShown(0));
    RunText(runner, "load " + save);
    EXPECT_FALSE(DriverStartHintShown(0));  // a running device has had its power key pressed
    runner.Start({1700000000, 5});
    RunText(runner, "press select; wait 5s");
    EXPECT_EQ(RunText(runner, "load " + save + "; " + rest), straight);

    std::fstream damage(save, std::ios::in | std::ios::out | std::ios::binary);
    damage.seekp(100);
    damage.put('\x7f');
    damage.close();
    const std::string before = RunText(runner, "state");
    std::vector<Command> commands;
    std::string error;
    ASSERT_TRUE(Parse("load " + save, "", commands, error));
    std::ostringstream out;
    EXPECT_FALSE(runner.Run(commands, out, error));
    EXPECT_NE(error.find("checksum"), std::string::npos) << error;
    EXPECT_EQ(RunText(runner, "state"), before);
}

TEST(RunnerOutput, PngAndFlashFilesHoldThePictureAndTheWriteArea) {
    TempDir dir;
    Runner runner;
    runner.Start({});
    for (uint32_t i = 0; i < kFlashAreaSize; ++i) FlashWriteArea[i] = static_cast<uint8_t>(i * 7);
    const std::string png = (dir / "lcd one.png").string(), flash = (dir / "f.bin").string();
    std::ofstream(png) << "old content";  // replaced, not appended to
    RunText(runner, "png " + png + "\nflash " + flash);
    EXPECT_EQ(dir.Entries(), 2u);  // no temporary files left

    std::ifstream f(flash, std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(f), {});
    ASSERT_EQ(bytes.size(), kFlashAreaSize);
    EXPECT_EQ(std::memcmp(bytes.data(), FlashWriteArea, kFlashAreaSize), 0);

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, png.c_str())) << image.message;
    EXPECT_EQ(image.width, 244u);
    EXPECT_EQ(image.height, 64u);
    EXPECT_EQ(image.format & PNG_FORMAT_FLAG_COLOR, PNG_FORMAT_FLAG_COLOR);
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 244; ++x) {
            const uint32_t expected = runner.presented().pixels[y][x];
            const png_byte* p = &rgb[(y * 244 + x) * 3];
            ASSERT_EQ((p[0] << 16) | (p[1] << 8) | p[2], expected) << x << "," << y;
        }
}

// The pixels libpng reads back from `png`, as 0xAARRGGBB (alpha 0xFF without).
std::vector<uint32_t> ReadBack(const std::string& png, bool alpha) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return {};
    image.format = PNG_FORMAT_ARGB;
    std::vector<png_byte> argb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, argb.data(), 0, nullptr)) return {};
    std::vector<uint32_t> out;
    for (size_t i = 0; i < argb.size(); i += 4)
        out.push_back(uint32_t(alpha ? argb[i] : 0xFF) << 24 | uint32_t(argb[i + 1]) << 16 |
                      uint32_t(argb[i + 2]) << 8 | argb[i + 3]);
    return out;
}

// Bands of rows are deflated apart and kept: a picture that shares most of
// its rows with one before reads back exactly, and the same bytes come out
// however much of it was kept.
TEST(RunnerOutput, PngReadsBackExactlyAtEveryScale) {
    // Flat areas, gradients and noise, so that every filter wins some rows.
    constexpr int kWide = 61, kHigh = 37;
    std::vector<uint32_t> picture(kWide * kHigh);
    for (int y = 0; y < kHigh; ++y)
        for (int x = 0; x < kWide; ++x)
            picture[size_t(y * kWide + x)] = y < 8    ? 0xFF405060u
                                             : y < 20 ? 0x80000000u | uint32_t(x * 4) << 16 | uint32_t(y * 6) << 8
                                                      : uint32_t(x * 2654435761u ^ y * 40503u);
    std::vector<uint32_t> changed = picture;
    changed[size_t(18 * kWide + 30)] ^= 0x00FFFFFFu;  // one pixel in the middle band
    for (bool alpha : {false, true})
        for (int scale : {1, 3})
            for (const std::vector<uint32_t>* p : {&picture, &changed}) {
                std::vector<uint32_t> expected;
                for (int y = 0; y < kHigh * scale; ++y)
                    for (int x = 0; x < kWide * scale; ++x) {
                        const uint32_t v = (*p)[size_t(y / scale * kWide + x / scale)];
                        expected.push_back(alpha ? v : v | 0xFF000000u);
                    }
                std::string png, again, error;
                ASSERT_TRUE(EncodePng(p->data(), kWide, kHigh, kWide, scale, png, error, alpha)) << error;
                EXPECT_TRUE(ReadBack(png, alpha) == expected) << alpha << " " << scale;
                ASSERT_TRUE(EncodePng(p->data(), kWide, kHigh, kWide, scale, again, error, alpha)) << error;
                EXPECT_TRUE(again == png) << alpha << " " << scale;
            }
}

TEST(RunnerOutput, FailedWritesStopTheRunAndLeaveNothing) {
    TempDir dir;
    fs::create_directories(dir / "taken.png");  // a directory where the file should go
    for (const std::string& target : {(dir / "missing/x.png").string(), (dir / "taken.png").string(),
                                     (dir / "slash/").string()}) {
        Runner runner;
        runner.Start({});
        std::ostringstream out;
        std::string error;
        const auto cmds = ParseOk("echo before\n\npng " + target + "\necho after\nflash " +
                                  (dir / "f.bin").string());
        EXPECT_FALSE(runner.Run(cmds, out, error)) << target;
        EXPECT_EQ(error.rfind("line 3: cannot write '", 0), 0u) << error;
        EXPECT_EQ(out.str(), "before\n");
        EXPECT_EQ(dir.Entries(), 1u) << target;  // only taken.png
    }
    Runner runner;
    runner.Start({});
    std::string error;
    EXPECT_FALSE(WriteFlash((dir / "taken.png").string(), error));
    EXPECT_EQ(dir.Entries(), 1u);
}

// ---- the device through the runner (needs the firmware and the platform) ----------

TEST(RunnerDevice, UnlitBeforePowerOnThenLogoThenRunning) {
    Runner runner;
    runner.Start({});
    const std::string unlit = RunText(runner, "lcd");
    ASSERT_EQ(unlit.size(), 32u * 123u);
    for (int y = 0; y < 32; ++y) {
        EXPECT_EQ(unlit.substr(y * 123, 122), std::string(122, '-'));
        EXPECT_EQ(unlit[y * 123 + 122], '\n');
    }
    // Keys other than Select/Power do nothing while the device is off.
    RunText(runner, "press up; press back; wait 1s");
    EXPECT_EQ(fw.powered, 0);
    EXPECT_EQ(RunText(runner, "lcd"), unlit);

    RunText(runner, "press select; wait 500ms");
    EXPECT_EQ(fw.bootState, 1);
    const std::string logo = RunText(runner, "lcd");
    ExpectLogoOnly(logo);

    RunText(runner, "wait 1.5s");
    EXPECT_EQ(fw.bootState, 1);
    RunText(runner, "wait 500ms");
    EXPECT_EQ(fw.bootState, 2);
    EXPECT_NE(RunText(runner, "lcd"), logo);
    EXPECT_EQ(StateAt(RunText(runner, "state"))["bootState"], 2);
}

TEST(RunnerDevice, UptimeCountsSecondTicksAfterStartUp) {
    Runner runner;
    runner.Start({});
    RunText(runner, "press select; wait 2.5s");  // running from the fifth service
    ASSERT_EQ(fw.bootState, 2);
    EXPECT_EQ(fw.uptimeSeconds, 0);
    RunText(runner, "wait 500ms");  // 3.0 s: a second tick
    EXPECT_EQ(fw.uptimeSeconds, 1);
    RunText(runner, "wait 500ms");  // 3.5 s: half-second service only
    EXPECT_EQ(fw.uptimeSeconds, 1);
    RunText(runner, "wait 1h");
    EXPECT_EQ(fw.uptimeHours, 1);
    EXPECT_EQ(fw.uptimeMinutes, 0);
    EXPECT_EQ(fw.uptimeSeconds, 1);
    EXPECT_GT(runner.showLcdCalls(), 7000u);  // one hand-over per half second
}

TEST(RunnerDevice, RealCountsReachTheMeasurement) {
    Runner runner;
    runner.Start({});
    RunText(runner, "press select; wait 2.5s; real 5 7; wait 2s");
    EXPECT_EQ(fw.totalCount, 12u);
    RunText(runner, "wait 5s");  // the list ran out: zeros
    EXPECT_EQ(fw.totalCount, 12u);
    EXPECT_EQ(fw.realCount, 0);
}

// ---- the program ----------------------------------------------------------------

TEST(RunnerProgram, BadArgumentsAndCommandsExitTwoAndRunNothing) {
    TempDir dir;
    const std::string out = (dir / "out.png").string();
    struct Case {
        std::string args, stdinText, message;
    };
    const Case cases[] = {
        {"--bogus", "", "unknown option '--bogus'"},
        {"-x -e lcd", "", "unknown option '-x'"},
        {"--clock", "", "--clock needs a value"},
        {"--clock 2026-02-30T00:00:00 -e lcd", "", "bad clock"},
        {"--seed -1 -e lcd", "", "bad seed"},
        {"--seed 4294967296", "", "bad seed"},
        {"-e 'echo hi; png " + out + "' -e 'wait 1s; prss'", "", "-e 2, command 2: unknown command 'prss'"},
        {"-e 'echo hi' -", "echo x\npng " + out + "\n\nwait 5\n", "line 4: bad duration '5'"},
        {"-e 'echo hi' " + (dir / "nope.txt").string(), "", "cannot read script"},
        {"-e 'echo hi' " + dir.path().string(), "", "cannot read script"},
        {"- -", "", "standard input given twice"},
    };
    for (const Case& c : cases) {
        const Exec r = RunBinary(c.args, c.stdinText);
        EXPECT_EQ(r.status, 2) << c.args;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_EQ(r.err.rfind("geigersim-run: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << " -> " << r.err;
        EXPECT_FALSE(fs::exists(out)) << c.args;
    }
}

TEST(RunnerProgram, RunsCommandsInOrderFromEveryInput) {
    TempDir dir;
    const fs::path script = dir / "script.txt";
    std::ofstream(script) << "echo three # not this\necho four; state\n";
    Exec r = RunBinary("-e 'echo one' --seed 3 -e 'echo two' " + script.string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("one\ntwo\nthree\nfour\n{", 0), 0u) << r.out;
    EXPECT_EQ(StateAt(r.out, r.out.find('{'))["showLcdCalls"], 0);

    r = RunBinary("-", "echo from stdin\r\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "from stdin\n");
    EXPECT_EQ(RunBinary("-", "").status, 0);
    EXPECT_EQ(RunBinary("").status, 0);

    // Without a script, standard input is not read (an endless one would hang).
    r = RunBinary("-e 'echo x'", "", "/dev/zero");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "x\n");

    // A write failure stops the run with status 2 after what came before.
    r = RunBinary("-e 'echo a; flash " + (dir / "no/f.bin").string() + "; echo b'");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "a\n");
    EXPECT_NE(r.err.find("-e 1, command 2: cannot write"), std::string::npos) << r.err;
}

TEST(RunnerProgram, HelpListsEveryCommand) {
    const Exec r = RunBinary("--help");
    EXPECT_EQ(r.status, 0);
    for (const char* word : {"--clock", "--seed", "-e", "press", "wait", "battery", "temperature", "at-draw", "real",
                             "demo", "lcd", "png", "gif", "flash", "state", "echo"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

TEST(RunnerProgram, ClockAndSeedDecideTheRun) {
    // The script's set-up where the command line leaves it open.
    const std::vector<Command> c = ParseOk("clock 2026-03-07T09:05:30; seed 9");
    EXPECT_EQ(WithSetUp(c, {std::nullopt, 3u}).seed, 3u);  // the command line wins
    EXPECT_EQ(*WithSetUp(c, {}).clock, c[0].clock);
    const std::string commands = " -e 'press select; wait 2m; lcd; state'";
    const Exec a = RunBinary("--clock 2026-03-07T09:05:30 --seed 11" + commands);
    const Exec b = RunBinary("--seed=11 --clock=2026-03-07T09:05:30" + commands);
    EXPECT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(StateAt(a.out, 32 * 123)["bootState"], 2);

    // Another seed gives other demo counts. A clock in the year 2000 reads
    // as unset, which the device reports on its screen.
    auto counts = [](const std::string& out) { return StateAt(out, 32 * 123)["secondCounts"]; };
    const Exec otherSeed = RunBinary("--clock 2026-03-07T09:05:30 --seed 12" + commands);
    EXPECT_NE(counts(otherSeed.out), counts(a.out));
    const Exec unsetClock = RunBinary("--clock 2000-01-01T12:00:00 --seed 11" + commands);
    EXPECT_NE(unsetClock.out.substr(0, 32 * 123), a.out.substr(0, 32 * 123));
}

TEST(RunnerProgram, AcceptanceLogoThenRunning) {
    Exec r = RunBinary("-e 'lcd'");
    EXPECT_EQ(r.status, 0);
    std::string unlit;
    for (int y = 0; y < 32; ++y) unlit += std::string(122, '-') + "\n";
    EXPECT_EQ(r.out, unlit);

    r = RunBinary("-e 'press select; wait 500ms; lcd; wait 2s; state'");
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_GT(r.out.size(), 32u * 123u);
    ExpectLogoOnly(r.out.substr(0, 32 * 123));
    EXPECT_EQ(StateAt(r.out, 32 * 123)["bootState"], 2);
}

// ---- expectations, text, pictures, the log, safe files -----------------------

namespace {

uint32_t PngWidth(const std::string& path, uint32_t* height = nullptr) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return 0;
    if (height != nullptr) *height = image.height;
    png_image_free(&image);
    return image.width;
}

}  // namespace


TEST(RunnerProgram, EachFailedExpectationExitsOneNamingItsLine) {
    TempDir dir;
    const std::string dump = (dir / "logo.txt").string();
    const std::string boot = "--seed 1 --clock 2026-03-07T09:05:30 -e 'press select; wait 3.5s' ";
    // Passing forms first: the reading line, the dump written and (being read
    // with the commands, before anything runs) checked by a second run.
    Exec r = RunBinary(boot + "-e 'lcd " + dump + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    r = RunBinary(boot + "-e 'expect text 0 0 CPM:; expect uiMode == 0; expect menuTitle == null; "
                         "expect lcd " + dump + "; text'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("CPM: ", 0), 0u) << r.out;

    struct Case {
        std::string command, message;
    };
    const Case cases[] = {
        {"expect text 0 0 CPX:", "expected 'CPX:' at 0,0, got 'CPM:'"},
        {"expect uiMode != 0", "expected uiMode != 0, got 0"},
        {"expect noteText == 'x'", "expected noteText == 'x', got ''"},
        {"press select; expect lcd " + dump, "differing pixels"},
    };
    for (const Case& c : cases) {
        r = RunBinary(boot + "-e 'echo before' - ", "\n" + c.command + "\necho after\n");
        EXPECT_EQ(r.status, 1) << c.command << r.err;
        EXPECT_EQ(r.out, "before\n");
        EXPECT_EQ(r.err.rfind("geigersim-run: line 2: expected ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    // The dump marks where it differs; --keep-going reports both and runs on.
    r = RunBinary(boot + "--keep-going -e 'press select; expect lcd " + dump + "; expect cpm < 0; echo end'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "end\n");
    EXPECT_NE(r.err.find("+"), std::string::npos);
    EXPECT_NE(r.err.find("-e 2, command 3: expected cpm < 0, got"), std::string::npos) << r.err;
}

std::string Slurp(const fs::path& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// The pixels a metre a PNG's pHYs chunk states (x, y), or 0 without one.
std::pair<uint32_t, uint32_t> PngPixelsPerMetre(const std::string& png) {
    const size_t at = png.find("pHYs");
    if (at == std::string::npos || at + 13 > png.size() || png[at + 12] != 1) return {0, 0};
    const auto word = [&](size_t from) {
        uint32_t v = 0;
        for (size_t i = from; i < from + 4; ++i) v = v << 8 | static_cast<unsigned char>(png[i]);
        return v;
    };
    return {word(at + 4), word(at + 8)};
}

TEST(RunnerProgram, VersionHelpAndScaledPngs) {
    Exec r = RunBinary("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(std::regex_match(r.out, std::regex("geigersim-run [0-9]+\\.[0-9]+\\.[0-9]+\n"))) << r.out;
    r = RunBinary("--help");
    for (const char* word : {"Usage:", "Exit status:", "expect", "--keep-going", "--decode", "tour", "log"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    TempDir dir;
    r = RunBinary("-e 'png " + (dir / "a.png").string() + " scale 3 dpi 300; png " + (dir / "b.png").string() +
                  "; tour " + (dir / "t").string() + " dpi 150 only speaker; svg " + (dir / "l.svg").string() +
                  " scale 2'");
    ASSERT_EQ(r.status, 0) << r.err;
    uint32_t height = 0;
    EXPECT_EQ(PngWidth((dir / "a.png").string(), &height), 732u);
    EXPECT_EQ(height, 192u);
    EXPECT_EQ(PngWidth((dir / "b.png").string()), 244u);
    // 300 and 150 dots an inch, in pixels a metre; none unless asked for.
    EXPECT_EQ(PngPixelsPerMetre(Slurp(dir / "a.png")), std::make_pair(11811u, 11811u));
    EXPECT_EQ(PngPixelsPerMetre(Slurp(dir / "b.png")), std::make_pair(0u, 0u));
    size_t pictures = 0, stated = 0;
    for (const auto& entry : fs::directory_iterator(dir / "t")) {
        if (entry.path().extension() != ".png") continue;
        ++pictures;
        stated += PngPixelsPerMetre(Slurp(entry.path())) == std::make_pair(5906u, 5906u);
    }
    EXPECT_GT(pictures, 0u);
    EXPECT_EQ(stated, pictures);
    // The sheet says so and prints each at that size: 244 pixels at 150 dpi.
    const std::string sheet = Slurp(dir / "t/index.html");
    EXPECT_NE(sheet.find("150 dpi, as each file states: printed 41.3 mm wide"), std::string::npos);
    EXPECT_NE(sheet.find("--printed-width: 41.3mm"), std::string::npos);
    // The LCD as squares, at twice its size (its pixels: the window's tests).
    const std::string svg = Slurp(dir / "l.svg");
    EXPECT_NE(svg.find("width=\"488\" height=\"128\" viewBox=\"0 0 244 64\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("<path fill=\"#"), std::string::npos);
    // The whole panel, by the window's own rendering (not in builds without it).
    if (!PanelAvailable()) return;
    r = RunBinary("-e 'press select; wait 4s; png " + (dir / "p.png").string() + " scale 3 panel'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(PngWidth((dir / "p.png").string(), &height), 1572u);
    EXPECT_EQ(height, 918u);
}

TEST(RunnerProgram, PanelTurnsOnceSwivelIsChosenAndShowsTheLcdThere) {
    if (!PanelAvailable()) GTEST_SKIP() << "built without the window";
    TempDir dir;
    // Main menu, Display Option, Swivel Display: Select shows the setting, a
    // second Select steps it to "Swivel".
    const std::string swivel = "press select; press down; press select; press down; "
                               "press down; press down; press down; press down; press down; press down; "
                               "press select; press select; wait 3s; ";
    auto lcdAt = [&](const std::string& file, int x, int y) {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (!png_image_begin_read_from_file(&image, file.c_str())) return 0u;
        image.format = PNG_FORMAT_RGB;
        std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
        if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return 0u;
        const png_byte* p = &rgb[(static_cast<size_t>(y) * image.width + static_cast<size_t>(x)) * 3];
        return static_cast<unsigned>(p[0] << 16 | p[1] << 8 | p[2]);
    };
    const std::string upright = (dir / "u.png").string(), turned = (dir / "t.png").string();
    Exec r = RunBinary("--seed 1 -e 'press select; wait 3s; png " + upright + " panel' -e '" + swivel +
                       "expect swivelMode == 1; png " + turned + " panel'");
    ASSERT_EQ(r.status, 0) << r.err;
    // The LCD's corner: upright at (79, 78), turned at (204, 169).
    const unsigned lcdColours[] = {kLcdBackground, kLcdInk};
    EXPECT_NE(std::find(std::begin(lcdColours), std::end(lcdColours), lcdAt(upright, 80, 79)), std::end(lcdColours));
    EXPECT_EQ(std::find(std::begin(lcdColours), std::end(lcdColours), lcdAt(upright, 205, 170)), std::end(lcdColours));
    EXPECT_NE(std::find(std::begin(lcdColours), std::end(lcdColours), lcdAt(turned, 205, 170)), std::end(lcdColours));
}

TEST(RunnerOutput, LogDecodesTheRingFromTheOldestRecordAcrossTheWrap) {
    std::vector<uint8_t> area(kFlashAreaSize, 0);
    // Written last, just below the wrap point: a stamp at 12:00:00 in mode 2
    // (the count after it shares its second), then counts, running on past the
    // end of the area into its start.
    const uint32_t at = kFlashAreaSize - 14;
    const uint8_t records[] = {0x55, 0xAA, 0x00, 26, 3, 7, 12, 0, 0, 0x55, 0xAA, 2,  // stamp
                               7, 0x55, 0xAA, 0x01, 0x01, 0x2C, 9,                  // 7, 300, 9
                               0x55, 0xAA, 0x02, 2, 'h', '"'};                      // a note
    for (size_t i = 0; i < sizeof records; ++i) area[(at + i) % kFlashAreaSize] = records[i];
    // The oldest bytes: the tail of an overwritten record, then one more count.
    area[sizeof records - 14] = 0xAA;
    area[sizeof records - 14 + 1] = 0x01;
    const uint32_t writeAddress = 3 * kFlashAreaSize + (at + sizeof records) % kFlashAreaSize;
    EXPECT_EQ(DecodeFlashLog(area.data(), writeAddress),
              "kind,time,value\n"
              "stamp,2026-03-07T12:00:00,2\n"
              "count,2026-03-07T12:00:00,7\n"
              "count,2026-03-07T12:01:00,300\n"
              "count,2026-03-07T12:02:00,9\n"
              "note,2026-03-07T12:00:00,\"h\"\"\"\n");
    // Not yet wrapped: from the first stamp up to the write address (below it
    // the area was never written); mode 1 counts one second after their stamp.
    const uint8_t start[] = {4, 0x55, 0xAA, 0x00, 26, 1, 1, 0, 0, 59, 0x55, 0xAA, 1, 5};
    std::copy(std::begin(start), std::end(start), area.begin());
    EXPECT_EQ(DecodeFlashLog(area.data(), sizeof start),
              "kind,time,value\nstamp,2026-01-01T00:00:59,1\ncount,2026-01-01T00:01:00,5\n");

    // Power-on stamps the area's start before moving to where the built-in
    // history ends: the zeros between are no counts.
    std::vector<uint8_t> boot(kFlashAreaSize, 0);
    std::copy(start + 1, start + 13, boot.begin());
    std::copy(start + 1, start + 14, boot.begin() + kHistoryImageEnd);
    EXPECT_EQ(DecodeFlashLog(boot.data(), kHistoryImageEnd + 13),
              "kind,time,value\nstamp,2026-01-01T00:00:59,1\nstamp,2026-01-01T00:00:59,1\n"
              "count,2026-01-01T00:01:00,5\n");

    // The same through the program, from a `flash` dump.
    TempDir dir;
    std::ofstream(dir / "f.bin", std::ios::binary).write(reinterpret_cast<const char*>(area.data()), area.size());
    Exec r = RunBinary("--decode " + (dir / "f.bin").string() + " --write-address 14");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, DecodeFlashLog(area.data(), 14));
    EXPECT_EQ(RunBinary("--decode " + (dir / "f.bin").string() + " --write-address 0x100000").status, 2);
    EXPECT_EQ(RunBinary("--decode " + (dir / "f.bin").string() + " -e lcd").status, 2);
}

TEST(RunnerOutput, SpecialTargetsAreWrittenInPlaceAndFailuresReported) {
    TempDir dir;
    std::ostringstream stdoutText;
    std::string error;
    // A symlink stays a link; its target is replaced beside it.
    fs::create_directories(dir / "real");
    std::ofstream(dir / "real/t.txt") << "old";
    fs::create_symlink("real/t.txt", dir / "link.txt");
    fs::create_symlink("real/new.txt", dir / "dangling.txt");
    ASSERT_TRUE(WriteFileSafely((dir / "link.txt").string(), "new", stdoutText, error)) << error;
    ASSERT_TRUE(WriteFileSafely((dir / "dangling.txt").string(), "made", stdoutText, error)) << error;
    EXPECT_TRUE(fs::is_symlink(dir / "link.txt"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.txt"));
    std::ifstream t(dir / "real/t.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(t), {}), "new");
    EXPECT_TRUE(fs::exists(dir / "real/new.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "real"), {}), 2);  // no temporary left

    // "-" is standard output.
    ASSERT_TRUE(WriteFileSafely("-", "to stdout", stdoutText, error));
    EXPECT_EQ(stdoutText.str(), "to stdout");

    // A named pipe is written in place, to its reader.
    const fs::path fifo = dir / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] {
        std::ifstream in(fifo, std::ios::binary);
        received.assign(std::istreambuf_iterator<char>(in), {});
    });
    const bool piped = WriteFileSafely(fifo.string(), "through the pipe", stdoutText, error);
    reader.join();
    EXPECT_TRUE(piped) << error;
    EXPECT_EQ(received, "through the pipe");
    EXPECT_TRUE(fs::is_fifo(fifo));

    // A full device (made here with /dev/full's numbers): exit 2, still a device.
    const fs::path full = dir / "full";
    if (::mknod(full.c_str(), S_IFCHR | 0600, makedev(1, 7)) != 0) GTEST_SKIP() << "mknod not permitted";
    const Exec r = RunBinary("-e 'echo a; flash " + full.string() + "; echo b'");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "a\n");
    EXPECT_NE(r.err.find("cannot write '" + full.string() + "': No space left on device"), std::string::npos)
        << r.err;
    EXPECT_TRUE(fs::is_character_file(full));
    EXPECT_FALSE(WriteFileSafely(full.string(), "x", stdoutText, error));
}

// Every value of `attribute="..."` on the page, in order.
std::vector<std::string> Attributes(const std::string& html, const std::string& attribute) {
    std::vector<std::string> found;
    const std::string opening = " " + attribute + "=\"";
    for (size_t at = html.find(opening); at != std::string::npos; at = html.find(opening, at + 1)) {
        const size_t from = at + opening.size();
        found.push_back(html.substr(from, html.find('"', from) - from));
    }
    return found;
}

TEST(RunnerProgram, TourIsTheSameToTheByteAndListsEveryPicture) {
    TempDir dir;
    const std::string args = "--seed 3 --clock 2026-03-07T09:05:30 -e 'tour ";
    ASSERT_EQ(RunBinary(args + (dir / "a").string() + "'").status, 0);
    ASSERT_EQ(RunBinary(args + (dir / "b").string() + "'").status, 0);
    const std::string html = Slurp(dir / "a/index.html");
    std::string other = Slurp(dir / "b/index.html");
    // The sheets differ only in the folder named by the commands that made them.
    for (size_t at; (at = other.find((dir / "b").string())) != std::string::npos;)
        other.replace(at, (dir / "b").string().size(), (dir / "a").string());
    EXPECT_EQ(html, other);
    size_t pictures = 0;
    for (const auto& entry : fs::directory_iterator(dir / "a")) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(".png")) continue;
        ++pictures;
        EXPECT_EQ(Slurp(entry.path()), Slurp(dir / "b" / name)) << name;
        EXPECT_NE(html.find("src=\"" + name + "\""), std::string::npos) << name;
    }
    EXPECT_GT(pictures, 240u);
    EXPECT_TRUE(fs::exists(dir / "a/001-start-up--unlit.png"));
    // Each picture is written once, each id and each route stands once, and
    // every picture on the sheet is there.
    const std::vector<std::string> sources = Attributes(html, "src");
    EXPECT_EQ(sources.size(), pictures);
    for (const std::string& file : sources) EXPECT_TRUE(fs::exists(dir / "a" / file)) << file;
    for (const char* attribute : {"id", "src"}) {
        std::vector<std::string> values = Attributes(html, attribute);
        std::sort(values.begin(), values.end());
        EXPECT_EQ(std::adjacent_find(values.begin(), values.end()), values.end()) << attribute;
    }
    std::vector<std::string> routes;
    const std::string route = "</span>\n<code>";
    for (size_t at = html.find(route); at != std::string::npos; at = html.find(route, at + 1))
        routes.push_back(html.substr(at, html.find("</code>", at + route.size()) - at));
    EXPECT_GT(routes.size(), pictures);  // some pictures are reached by two routes
    std::sort(routes.begin(), routes.end());
    EXPECT_EQ(std::adjacent_find(routes.begin(), routes.end()), routes.end());
    // The head says how the sheet was made; the contents link to every section.
    for (const std::string& said : {std::string("geigersim-run " GEIGERSIM_VERSION),
                                    std::string("--clock 2026-03-07T09:05:30"), std::string("--seed 3"),
                                    std::string("scale 1"),
                                    "--clock 2026-03-07T09:05:30 -e &#39;tour " + (dir / "a").string() + "&#39;",
                                    "geigersim-run --clock 2026-03-07T09:05:30 --seed 3 -e &#39;tour " +
                                        (dir / "a").string() + "&#39;"})
        EXPECT_NE(html.find(said), std::string::npos) << said;
    size_t sections = 0;
    for (const std::string& id : Attributes(html, "id"))
        if (id.starts_with("section-")) {
            ++sections;
            EXPECT_NE(html.find("<a href=\"#" + id + "\">"), std::string::npos) << id;
        }
    EXPECT_GE(sections, 4u);
    EXPECT_LT(html.find("<h2 id=\"section-start-up\">"), html.find("<h2 id=\"section-reading-modes\">"));
    // A key sequence from the sheet, pasted into the runner, reaches its screen.
    const std::string stop = "main-menu--display-option--contrast--step";
    const size_t at = html.find(stop + "</span>\n<code>");
    ASSERT_NE(at, std::string::npos);
    // Captioned with the guide's title for its screen, above its number and name.
    EXPECT_EQ(html.rfind("<b class=\"title\">LCD contrast \u2014 after Up</b>", at),
              html.rfind("<b class=\"title\">", at));
    const size_t from = html.find("<code>", at) + 6;
    const std::string keys = html.substr(from, html.find("</code>", from) - from);
    // Its link opens the live page with the same seed, clock and keys.
    const size_t link = html.find("<a href=\"http://127.0.0.1:8000/index.html?seed=3&amp;clock=2026-03-07T09%3A05%3A30"
                                  "&amp;run=press%20select%3B%20wait%203s%3B%20press%20select%3B", from);
    EXPECT_NE(link, std::string::npos);
    EXPECT_LT(link, html.find("</figure>", from));
    const std::string again = (dir / "again.png").string();
    ASSERT_EQ(RunBinary("--seed 3 --clock 2026-03-07T09:05:30 -e '" + keys + "; png " + again + "'").status, 0);
    const std::string number = html.substr(at - 4, 3);
    const std::string pasted = Slurp(again);
    EXPECT_FALSE(pasted.empty());
    EXPECT_EQ(pasted, Slurp(dir / "a" / (number + "-" + stop + ".png")));
}

// `only` reaches the matching screens alone, under their numbers in the full
// tour; a run that fixes neither clock nor seed gets both fixed by the tour,
// and the ones the sheet names make the same pictures again.
TEST(RunnerRun, TourOnlyKeepsTheNumbersAndNamesTheClockAndSeedItUsed) {
    TempDir dir;
    Runner runner;
    runner.Start();
    EXPECT_EQ(RunText(runner, "tour " + (dir / "a").string() + " only reading-text"), "");
    const std::string html = Slurp(dir / "a/index.html");
    EXPECT_NE(html.find("the run gave none"), std::string::npos);
    EXPECT_NE(html.find("only the screens whose names contain <code>reading-text</code>"), std::string::npos);
    const std::smatch::size_type kClock = 1, kSeed = 2;
    std::smatch used;
    ASSERT_TRUE(std::regex_search(html, used, std::regex("--clock ([-0-9T:]+) --seed ([0-9]+) -e")));
    std::time_t clock = 0;
    uint32_t seed = 0;
    std::string error;
    ASSERT_TRUE(ParseClock(used[kClock].str(), clock, error) && ParseUnsigned32(used[kSeed].str(), seed));
    runner.Start({clock, seed});
    RunText(runner, "tour " + (dir / "full").string());
    size_t matching = 0;
    for (const auto& entry : fs::directory_iterator(dir / "full")) {
        const std::string file = entry.path().filename().string();
        if (file.find("reading-text") == std::string::npos) continue;
        ++matching;
        EXPECT_EQ(Slurp(entry.path()), Slurp(dir / "a" / file)) << file;
    }
    EXPECT_GE(matching, 3u);
    EXPECT_EQ(Attributes(html, "src").size(), matching);
    // None matching: an empty sheet, and a word on the output.
    EXPECT_NE(RunText(runner, "tour " + (dir / "c").string() + " only no-such-screen").find("no screen's name"),
              std::string::npos);
    EXPECT_EQ(Attributes(Slurp(dir / "c/index.html"), "src").size(), 0u);
}

// The clock the tours and their tests run on.
std::time_t Morning() {
    std::time_t when = 0;
    std::string error;
    EXPECT_TRUE(ParseClock("2026-03-07T09:05:30", when, error)) << error;
    return when;
}

TEST(RunnerRun, TourReachesEveryScreenAManualNeedsOnceEachInItsSection) {
    Runner runner;
    runner.Start({Morning(), 3u});
    std::map<std::string, std::string> shown;  // name -> the text on the LCD
    std::map<std::string, int> numbers;
    std::set<std::string> routes;
    std::vector<std::string> sections;
    std::string error;
    const TourVisit visit = [&](const TourStop& stop, std::string&) {
        EXPECT_TRUE(shown.emplace(stop.name, ScreenText(runner.presented())).second) << stop.name;
        numbers[stop.name] = stop.number;
        EXPECT_TRUE(routes.insert(stop.keys).second) << stop.name << ": " << stop.keys;
        if (sections.empty() || sections.back() != stop.section) sections.push_back(stop.section);
        if (stop.name == "start-up--unlit") {
            EXPECT_EQ(runner.presented().pixels[10][10], kLcdUnlit);
        }
        return true;
    };
    ASSERT_TRUE(VisitTour(runner, visit, error)) << error;
    // Each heading once, in the order of the sheet.
    // The menus in the device's order, what a row opens right after it.
    const std::vector<std::string> order = {"Start-up", "Reading modes", "Status bar", "Notices", "Main menu",
                                            "User Option", "Display Option", "Save Data", "Timed Count",
                                            "Init Setup", "Others", "About", "Timed count at work"};
    EXPECT_EQ(sections, order);
    const std::pair<const char*, const char*> screens[] = {
        {"reading--battery-low", "Battery Low!"},
        {"main-menu--init-setup--factory-reset--wait", "Please wait."},
        {"main-menu--timed-count--scheduled", "is scheduled!"},
        {"reading-timed-count--scheduled", "Count: 0"},
        {"reading-timed-count--finished--page-1", "00:01:00"},
        {"reading--power-saving--going-in", "Power Saving"},
        {"reading--clock-not-set", "date & time"},
        {"reading-text--cpm-overflow", "CPM: ------"},
        {"reading-graphic--cpm-overflow", "CPM: ------"},
        {"reading-text--elapsed", "Elp. 00 Day"},
        {"reading-text--average", "Average CPM:"},
        {"reading-text--maximum", "Maximum CPM:"},
        {"reading-text--mr", "mR/h"},
        {"reading-text--clock-time", "09:05:30"},
        {"reading-graphic--graph-type-box", "Bar Chart 1"},
        {"reading-graphic--line-and-bar", "AUTO"},
        {"main-menu--init-setup--date-time--next-5", "Second:"},
        {"main-menu--timed-count--other-duration--next-4", "Day"},
        {"main-menu--save-data--note-location--word", "HOM"},  // the cursor is under E
        {"main-menu--others--battery--battery--volts", "3.7V"},
        {"main-menu--others--comport-baud-rate--step-9", "BPS"},
        {"main-menu--user-option--motion-detect--step-2", "& DisplayMode"},
        {"main-menu--save-data--history-data--open", "Next Day"},
        {"main-menu--save-data--history-data--viewer--step-4", "Pre Location"},
        {"main-menu--save-data--history-data--viewer--step-down-3", "NextLocation"},
        {"main-menu--user-option--alarm--usv--chosen", "uSv(*)"},
        {"main-menu--save-data--threshold--mr--chosen", "mR(*)"},
        {"reading-graphic--zoom-x2-0", "X2.0"},
    };
    for (const auto& [name, text] : screens) {
        ASSERT_TRUE(shown.contains(name)) << name;
        EXPECT_NE(shown[name].find(text), std::string::npos) << name << " shows:\n" << shown[name];
    }
    // After a minute and a half of counts the reading shows a full minute's CPM.
    EXPECT_EQ(shown["reading-text--usv"].find("CPM: 0 "), std::string::npos) << shown["reading-text--usv"];
    for (const char* name : {"start-up--unlit", "reading-graphic--bar-chart-1", "reading-graphic--bar-chart-2",
                             "reading-large-font--mr", "main-menu--others--temperature--below-zero",
                             "main-menu--timed-count--set-schedule--next-3", "reading-large-font--swivelled",
                             "reading--battery-3-3v", "reading--saving-mark-off",
                             "main-menu--save-data--note-location--word--delete"})
        EXPECT_TRUE(shown.contains(name)) << name;
    // An editor comes right after the row that opens it.
    EXPECT_EQ(numbers["main-menu--display-option--contrast--open"],
              numbers["main-menu--display-option--contrast"] + 1);
    EXPECT_LT(numbers["main-menu--about"], numbers["main-menu--user-option--speaker"]);
}

TEST(RunnerTime, PressKeyNIsThatManyPresses) {
    Runner recorded(kRecorder);
    StartRecording(recorded);
    std::ostringstream out;
    std::string error;
    ASSERT_TRUE(recorded.Run(ParseOk("press down 3; press 1 2; press back 1"), out, error));
    EXPECT_EQ(trace, "K2K2K2K1K1K0");

    Runner runner;
    const std::string before = "press select; wait 3s; press select; wait 500ms; ";
    runner.Start({Morning(), 5u});
    const std::string repeated = RunText(runner, before + "press down 3; lcd; state");
    runner.Start({Morning(), 5u});
    EXPECT_EQ(RunText(runner, before + "press down; press down; press down; lcd; state"), repeated);

    script::Step step;
    std::string what;
    ASSERT_EQ(script::ParseStep("press down 999", step, what), script::StepParse::Parsed);
    EXPECT_EQ(script::FormatStep(step), "press down 999");
    for (const char* bad : {"press down 0", "press down 1000", "press down 3 4", "press down x"})
        EXPECT_NE(ParseError(bad).find("press"), std::string::npos) << bad;
}

TEST(RunnerRun, SensorReadingsAndTheScreenDrawnWithinOneCall) {
    Runner runner;
    runner.Start({Morning(), 5u});
    // Others > Battery > Battery: the voltage, then the sensor below zero.
    const std::string battery = "press select; wait 3s; press select; press down 5; press select; press select; "
                                "press down; press select; wait 500ms";
    EXPECT_NE(RunText(runner, "battery 4.2; " + battery + "; text").find("4.2V"), std::string::npos);
    RunText(runner, "temperature -5.5");
    uint8_t whole = 0, tenths = 0;
    EXPECT_EQ(ReadTemperature(&whole, &tenths), 1);
    EXPECT_EQ(whole * 10 + tenths, 55);
    runner.Start({});  // a new run reads as the window does
    EXPECT_EQ(ReadBatteryLevel(), 85);
    EXPECT_EQ(ReadTemperature(&whole, &tenths), 0);
    for (const char* bad : {"battery 25.6", "battery -1", "battery 3.33", "battery", "temperature 125.1",
                            "temperature -40.1", "temperature x"})
        EXPECT_FALSE(ParseError(bad).empty()) << bad;

    // "Yes" on Factory Reset: the wait screen is handed over and replaced
    // within the period that closes the box; at-draw keeps it.
    TempDir dir;
    const std::string reset = "press select; wait 3s; press select; press down 4; press select; press down 2; "
                              "press select; ";
    const std::string caught = (dir / "caught.png").string(), last = (dir / "last.png").string();
    runner.Start({Morning(), 5u});
    RunText(runner, reset + "png " + caught + " at-draw; wait 7s; png " + last);
    EXPECT_EQ(ScreenText(runner.presented()).find("Please wait."), std::string::npos);
    runner.Start({Morning(), 5u});
    RunText(runner, reset + "wait 5s");
    runner.CatchDrawn();
    runner.Wait(4);
    std::string seen, error;
    ASSERT_TRUE(runner.WithDrawn(
        [&](std::string&) {
            seen = ScreenText(runner.presented());
            return true;
        },
        error));
    EXPECT_NE(seen.find("Please wait."), std::string::npos) << seen;
    std::ifstream a(caught, std::ios::binary), b(last, std::ios::binary);
    const std::string caughtPng(std::istreambuf_iterator<char>(a), {}), lastPng(std::istreambuf_iterator<char>(b), {});
    EXPECT_FALSE(caughtPng.empty());
    EXPECT_NE(caughtPng, lastPng);
    // A command that replaces nothing, or none at all, is an error.
    std::ostringstream out;
    EXPECT_FALSE(runner.Run(ParseOk("png " + caught + " at-draw; wait 1s"), out, error));
    EXPECT_NE(error.find("no screen was drawn and replaced"), std::string::npos) << error;
    EXPECT_FALSE(runner.Run(ParseOk("png " + caught + " at-draw"), out, error));
    EXPECT_NE(error.find("needs a command after it"), std::string::npos) << error;
}

// ---- tests a CI reads ----------------------------------------------------------


TEST(RunnerRun, WaitUntilStepsTimeAndNearComparesFloats) {
    Runner runner;
    runner.Start({std::nullopt, 1u});
    // The reading screen first shows 3.5 s after the press: seven steps.
    RunText(runner, "press select; wait until text 0 0 CPM: within 10s");
    EXPECT_EQ(runner.halfTicks(), 7u);
    std::ostringstream out;
    std::string error;
    EXPECT_FALSE(runner.Run(ParseOk("wait until uiMode == 5 within 2s"), out, error));
    EXPECT_NE(error.find("expected uiMode == 5, got 0 (waited 2s)"), std::string::npos) << error;
    EXPECT_EQ(runner.halfTicks(), 11u);

    fw.doseRate = 0.005f;  // 0.00499999989 as printed
    EXPECT_TRUE(runner.Run(ParseOk("expect doseRate ~= 0.005; expect doseRate ~= 0.0051 0.05"), out, error)) << error;
    EXPECT_FALSE(runner.Run(ParseOk("expect doseRate ~= 0.0051"), out, error));
    EXPECT_NE(error.find("(relative tolerance 1e-06: within 5.1e-09 of it)"), std::string::npos) << error;
    // Against 0 a relative tolerance is none; an absolute one is written with +- or the sign.
    EXPECT_FALSE(runner.Run(ParseOk("expect doseRate ~= 0 5"), out, error));
    EXPECT_NE(error.find("write ~= 0 +- DELTA for an absolute one"), std::string::npos) << error;
    EXPECT_TRUE(runner.Run(ParseOk("expect doseRate ~= 0 +- 0.01; expect doseRate ~= 0.004 \xC2\xB1 0.002"), out,
                           error)) << error;
    EXPECT_FALSE(runner.Run(ParseOk("expect doseRate ~= 0 +-0.001"), out, error));
    EXPECT_NE(error.find("expected doseRate ~= 0 +- 0.001, got"), std::string::npos) << error;
    EXPECT_EQ(runner.checkedExpectations(), 9u);
    EXPECT_EQ(runner.failedExpectations(), 4u);
}

namespace {

// The pixels of an RGB PNG, 0xRRGGBB.
std::vector<uint32_t> PngPixels(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    std::vector<uint32_t> pixels;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) pixels.push_back(rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
    return pixels;
}

}  // namespace

TEST(RunnerProgram, AFolderOfScriptsGivesJUnitAndPictures) {
    TempDir dir;
    const std::string d = (dir / "").string();
    ASSERT_EQ(RunBinary("--seed 1 -e 'press select; wait 3.5s; lcd " + d + "reading.txt'").status, 0);
    std::ofstream(dir / "pass.gsr") << "clock 2026-03-07T09:05:30\nseed 1\npress select\n"
                                       "wait until text 0 0 CPM: within 10s\nexpect uiMode == 0\n";
    std::ofstream(dir / "text.gsr") << "press select\nwait 3.5s\nexpect text 0 0 \"<&'\"\nexpect uiMode == 0\n";
    std::ofstream(dir / "lcd.gsr") << "press select\nwait 60s\n\nexpect lcd " << d << "reading.txt\n";
    // A script that does not parse, and one of the same name in another folder.
    std::ofstream(dir / "bad.gsr") << "\xEF\xBB\xBFpress select\nexpect text 0 0 \"CPM:\n";
    fs::create_directories(dir / "b");
    std::ofstream(dir / "b/text.gsr") << "press select\nwait 3.5s\nexpect uiMode == 3\n";
    // Artifacts are named by the script's path.
    std::string label = d.substr(1);
    std::replace(label.begin(), label.end(), '/', '-');
    fs::create_directories(dir / "art");
    std::ofstream(dir / ("art/" + label + "text-9-actual.png")) << "stale";
    std::ofstream(dir / "art/other-9-actual.png") << "kept";
    const std::string scripts = d + "pass.gsr " + d + "text.gsr " + d + "lcd.gsr " + d + "bad.gsr " + d + "b/text.gsr";
    // Where the results go is checked before anything runs.
    Exec r = RunBinary("--junit " + d + "none/r.xml -e 'echo ran' " + scripts);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("--junit: cannot write '" + d + "none/r.xml': no directory"), std::string::npos) << r.err;
    r = RunBinary("--seed 1 --junit " + d + "r.xml --artifacts " + d + "art " + scripts);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_NE(r.err.find("geigersim-run: " + d + "text.gsr: line 3: expected '<&\\x27'"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("geigersim-run: " + d + "bad.gsr: line 2: unbalanced quote"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\n1 passed, 4 failed\n"), std::string::npos) << r.err;

    std::ifstream xmlFile(dir / "r.xml");
    const std::string xml(std::istreambuf_iterator<char>(xmlFile), {});
    EXPECT_NE(xml.find("<testsuite name=\"geigersim-run\" tests=\"5\" failures=\"3\" errors=\"1\""),
              std::string::npos) << xml;
    EXPECT_NE(xml.find("<error type=\"script\" message=\"" + d + "bad.gsr: line 2: unbalanced quote"),
              std::string::npos) << xml;
    EXPECT_NE(xml.find("<testcase name=\"" + d + "pass.gsr\" classname=\"geigersim-run\" time=\""),
              std::string::npos);
    EXPECT_NE(xml.find("message=\"" + d + "text.gsr: line 3: expected &apos;&lt;&amp;\\x27&apos; at 0,0"),
              std::string::npos) << xml;
    EXPECT_EQ(std::count(xml.begin(), xml.end(), '<') - std::count(xml.begin(), xml.end(), '>'), 0);

    EXPECT_EQ(PngPixels(d + "art/" + label + "text-3-actual.png").size(), 244u * 64u);
    EXPECT_EQ(PngPixels(d + "art/" + label + "b-text-3-actual.png").size(), 244u * 64u);
    EXPECT_FALSE(fs::exists(dir / ("art/" + label + "text-3-diff.png")));
    EXPECT_FALSE(fs::exists(dir / ("art/" + label + "text-9-actual.png")));  // an earlier run's
    EXPECT_TRUE(fs::exists(dir / "art/other-9-actual.png"));
    const std::vector<uint32_t> diff = PngPixels(d + "art/" + label + "lcd-4-diff.png");
    ASSERT_EQ(diff.size(), 244u * 64u);
    EXPECT_GT(std::count(diff.begin(), diff.end(), 0xD02020u), 0);  // the graph, not in the dump
    EXPECT_GT(std::count(diff.begin(), diff.end(), 0x2060E0u), 0);  // the dump's digit, gone
    EXPECT_EQ(PngPixels(d + "art/" + label + "lcd-4-expected.png").size(), 244u * 64u);

    // One script counts its expectations; a run past the cap runs nothing.
    r = RunBinary("--seed 1 " + d + "pass.gsr");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "2 passed, 0 failed\n");
    r = RunBinary("--max-virtual 1m -e 'echo no; wait 30s; wait until cpm > 0 within 31s'");
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("more than --max-virtual 1m"), std::string::npos) << r.err;
}

TEST(RunnerRun, TextPastesIntoExpectTextAndGraphsGiveNone) {
    Runner runner;
    runner.Start({std::nullopt, 1u});
    const std::string text = RunText(runner, "press select; wait 3s; press back; wait 2s; text");
    const std::string line = text.substr(0, text.find('\n'));
    EXPECT_NE(line.find("  AUTO"), std::string::npos) << line;  // runs joined off the 6-column grid
    std::ostringstream out;
    std::string error;
    EXPECT_TRUE(runner.Run(ParseOk("expect text 0 0 \"" + line + "\""), out, error)) << error;
    EXPECT_EQ(RunText(runner, "real -2147483648 -1 2147483647; wait 5s; text").find('|'), std::string::npos);
}

std::time_t FixedClock() {
    std::time_t when = 0;
    std::string error;
    EXPECT_TRUE(ParseClock("2026-03-07T09:05:30", when, error)) << error;
    return when;
}

// The sound of a scripted run: a click for every count while the speaker
// is on, the tone in every alarm second, the same bytes on every run.
TEST(RunnerSound, WavHoldsTheClicksAndTheAlarmAtVirtualTime) {
    TempDir dir;
    std::string counts;
    for (int i = 0; i < 80; ++i) counts += " 3";
    const std::string script = "real" + counts + "; press select; wait 90s; wav " + (dir / "a.wav").string();
    Runner runner;
    runner.Start({FixedClock(), 1});
    RunText(runner, script);
    std::ifstream f(dir / "a.wav", std::ios::binary);
    const std::string bytes(std::istreambuf_iterator<char>(f), {});
    ASSERT_EQ(bytes.size(), 44u + 90u * 22050 * 2);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");

    std::vector<int16_t> pcm((bytes.size() - 44) / 2);
    std::memcpy(pcm.data(), bytes.data() + 44, pcm.size() * 2);
    size_t clicks = 0, last = 0;
    for (size_t i = 0; i < pcm.size(); ++i) {
        // Above the tone's 0.2 of full scale even when a click meets its trough.
        if (std::abs(pcm[i]) < 14000) continue;
        if (clicks == 0 || i - last > 88) ++clicks;
        last = i;
    }
    const std::vector<RateSample> samples = runner.history().Last(60);
    size_t counted = 0, alarmSeconds = 0;
    for (const RateSample& s : samples) {
        counted += static_cast<size_t>(s.count);
        alarmSeconds += s.alarmReached;
    }
    EXPECT_GT(samples.size(), 80u);
    // The counts that came after the boot logo, every one clicked.
    EXPECT_EQ(counted % 3, 0u);
    EXPECT_GT(counted, 3u * 70);
    EXPECT_EQ(clicks, counted);
    // The tone (a square wave at 0.2 of full scale) sounds exactly in the
    // alarm seconds: from CPM 100 on until the counts run out and it falls.
    size_t toneSeconds = 0;
    for (size_t s = 0; s < 90; ++s)
        toneSeconds += std::count(pcm.begin() + s * 22050, pcm.begin() + (s + 1) * 22050, int16_t(6553)) > 1000;
    EXPECT_GT(alarmSeconds, 30u);
    EXPECT_EQ(toneSeconds, alarmSeconds);

    Runner again;
    again.Start({FixedClock(), 1});
    RunText(again, script + "x");
    std::ifstream g(dir / "a.wavx", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(g), {}), bytes);
}

// The chart of known counts: the alarm line, the CPM line and, once the
// counts run out in real mode, the lost seconds shaded.
TEST(RunnerChart, PngShowsTheRateTheAlarmLevelAndTheLostLine) {
    TempDir dir;
    std::string counts;
    for (int i = 0; i < 60; ++i) counts += " 3";
    Runner runner;
    runner.Start({FixedClock(), 1});
    RunText(runner, "press select; wait 5s; real" + counts + "; wait 2m; chart " + (dir / "c.png").string() +
                        " minutes 60 scale 1");
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    const std::string png = (dir / "c.png").string();
    ASSERT_TRUE(png_image_begin_read_from_file(&image, png.c_str())) << image.message;
    ASSERT_EQ(image.width, 800u);
    ASSERT_EQ(image.height, 440u);
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    auto near = [&](int x, int y, int r, int g, int b) {
        const png_byte* p = &rgb[(y * 800 + x) * 3];
        return std::abs(p[0] - r) < 5 && std::abs(p[1] - g) < 5 && std::abs(p[2] - b) < 5;
    };
    auto countIn = [&](int x0, int x1, int r, int g, int b) {
        int n = 0;
        for (int y = 52; y < 400; ++y)  // the plot, under the head's two lines
            for (int x = x0; x < x1; ++x) n += near(x, y, r, g, b);
        return n;
    };
    // The run is 125 s; the counts last from about 5 s to 65 s, so the
    // right half of the plot (62..722) is lost line, the left half not.
    const int shade = countIn(560, 700, 0xcd, 0xcd, 0xcb);
    EXPECT_GT(shade, 140 * 200);
    EXPECT_EQ(countIn(200, 330, 0xcd, 0xcd, 0xcb), 0);
    EXPECT_GT(countIn(62, 722, 0xd0, 0x30, 0x20), 200);  // the dashed alarm line
    EXPECT_GT(countIn(62, 400, 0x1f, 0x5f, 0xa8), 100);  // the CPM line
}

// ---- animations and panel pictures ------------------------------------------

namespace {

constexpr uint32_t kPanelPixelsWide = 524;  // the panel artwork at scale 1

// A PNG as 0xAARRGGBB pixels; empty if it cannot be read.
std::vector<uint32_t> ReadArgb(const std::string& file, uint32_t& width, uint32_t& height) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, file.c_str())) return {};
    image.format = PNG_FORMAT_BGRA;  // little-endian 0xAARRGGBB words
    std::vector<uint32_t> pixels(size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    width = image.width;
    height = image.height;
    return pixels;
}

}  // namespace

TEST(RunnerGif, FramesAtHandOversTimedByVirtualTimeWithLongWaitsShortened) {
    TempDir dir;
    const std::string gifFile = (dir / "walk.gif").string(), last = (dir / "last.png").string();
    // 4 s of virtual time, then a minute that plays in 2 s.
    Exec r = RunBinary("--seed 3 -e 'gif " + gifFile + " scale 2; press select; wait 3s; press down; press down; "
                       "wait 1s; wait 1m; png " + last + " scale 2; gif end'");
    ASSERT_EQ(r.status, 0) << r.err;
    const DecodedGif g = DecodeGif(gifFile);
    EXPECT_TRUE(g.loops);
    ASSERT_GE(g.delays.size(), 5u);  // unlit, logo, running, two menu steps at least
    int total = 0;
    for (int d : g.delays) {
        EXPECT_GE(d, int(kShortestFrame));
        total += d;
    }
    // 400 cs of time, 200 for the minute, a little more for the pictures of no time.
    EXPECT_GE(total, 600);
    EXPECT_LE(total, 600 + 4 * int(kShortestFrame));
    // The last frame is the LCD picture, pixel for pixel.
    uint32_t w = 0, h = 0;
    const std::vector<uint32_t> png = ReadArgb(last, w, h);
    ASSERT_EQ(int(w), g.width);
    ASSERT_EQ(int(h), g.height);
    for (size_t i = 0; i < png.size(); ++i) ASSERT_EQ(png[i] & 0xFFFFFFu, g.last[i]) << "pixel " << i;

    // One at a time, and an end needs a start.
    r = RunBinary("-e 'gif " + gifFile + "; gif " + (dir / "b.gif").string() + "'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("command 2: a gif is being recorded already"), std::string::npos) << r.err;
    r = RunBinary("-e 'gif end'");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("no gif is being recorded"), std::string::npos) << r.err;
    // The run's end writes one left open.
    fs::remove(gifFile);
    r = RunBinary("-e 'gif " + gifFile + " panel; press select; wait 1s'");
    EXPECT_EQ(r.status, PanelAvailable() ? 0 : 2) << r.err;
    if (!PanelAvailable()) return;
    EXPECT_EQ(uint32_t(DecodeGif(gifFile).width), kPanelPixelsWide);
    EXPECT_EQ(DecodeGif(gifFile).repeats, 0);  // for ever, unless told

    // `keys` rings the held key and nothing else; `loop` and `hold` are in the file.
    const std::string keys = (dir / "keys.gif").string(), once = (dir / "once.gif").string();
    const std::string steps = "; press select; wait 3s; press down; wait 1s; gif end";
    for (const std::string& gif : {gifFile + " panel" + steps, keys + " panel keys loop 2" + steps + " hold 2s",
                                   once + " loop none" + steps})
        ASSERT_EQ(RunBinary("--seed 1 --clock 2026-03-07T09:05:30 -e 'gif " + gif + "'").status, 0) << gif;
    const DecodedGif plain = DecodeGif(gifFile), ringed = DecodeGif(keys);
    EXPECT_EQ(ringed.repeats, 2);
    EXPECT_EQ(DecodeGif(once).repeats, -1);  // no loop block: played once
    ASSERT_EQ(plain.shown.size(), ringed.shown.size());
    EXPECT_EQ(ringed.delays.back(), plain.delays.back() + 200);
    int nearDown = 0, elsewhere = 0;
    const DriverPanelKey* panelKeys = DriverPanelKeys(0);
    for (size_t f = 0; f < plain.shown.size(); ++f)
        for (int y = 0; y < plain.height; ++y)
            for (int x = 0; x < plain.width; ++x) {
                const size_t i = size_t(y) * size_t(plain.width) + size_t(x);
                if (plain.shown[f][i] == ringed.shown[f][i]) continue;
                int near = -1;  // the key whose box, with room for the ring, holds the pixel
                for (int k = 0; k < 4; ++k)
                    if (x >= panelKeys[k].x - 6 && x < panelKeys[k].x + panelKeys[k].size + 6 &&
                        y >= panelKeys[k].y - 6 && y < panelKeys[k].y + panelKeys[k].size + 6)
                        near = panelKeys[k].drawnKey;
                if (near == KeyDown) ++nearDown;
                else if (near < 0) ++elsewhere;
            }
    EXPECT_GT(nearDown, 50);
    EXPECT_EQ(elsewhere, 0);
}

TEST(RunnerProgram, PanelPicturesAreSeeThroughAroundTheCaseAndShowThePressedKey) {
    if (!PanelAvailable()) GTEST_SKIP() << "built without the window";
    TempDir dir;
    const std::string before = (dir / "a.png").string(), held = (dir / "b.png").string(),
                      after = (dir / "c.png").string();
    Exec r = RunBinary("--seed 1 -e 'press select; wait 3s; png " + before + " scale 2 panel; press down; png " + held +
                       " scale 2 panel; wait 500ms; png " + after + " scale 2 panel'");
    ASSERT_EQ(r.status, 0) << r.err;
    uint32_t w = 0, h = 0;
    const std::vector<uint32_t> a = ReadArgb(before, w, h), b = ReadArgb(held, w, h), c = ReadArgb(after, w, h);
    ASSERT_EQ(w, 2u * kPanelPixelsWide);
    auto alpha = [&](const std::vector<uint32_t>& p, uint32_t x, uint32_t y) { return p[y * w + x] >> 24; };
    // Clear corners, an opaque inside, and a soft rim between them.
    for (auto [x, y] : {std::pair{0u, 0u}, {w - 1, 0u}, {0u, h - 1}, {w - 1, h - 1}}) EXPECT_EQ(alpha(a, x, y), 0u);
    EXPECT_EQ(alpha(a, w / 2, h / 2), 255u);
    int soft = 0;
    for (uint32_t y = 0; y < h / 2; ++y) soft += alpha(a, 30, y) > 0 && alpha(a, 30, y) < 255;
    for (uint32_t x = 0; x < w; ++x) soft += alpha(a, x, 1) > 0 && alpha(a, x, 1) < 255;
    EXPECT_GE(soft, 2);
    // Right after the press Down shows pressed, and only Down; once time
    // moves on it is up again.
    int downChanged = 0, elsewhereChanged = 0, differsFromBefore = 0;
    const DriverPanelKey* keys = DriverPanelKeys(0);
    for (int k = 0; k < 4; ++k)
        for (int y = 2 * keys[k].y; y < 2 * (keys[k].y + keys[k].size); ++y)
            for (int x = 2 * keys[k].x; x < 2 * (keys[k].x + keys[k].size); ++x) {
                const size_t i = size_t(y) * w + size_t(x);
                (keys[k].drawnKey == KeyDown ? downChanged : elsewhereChanged) += b[i] != c[i];
                differsFromBefore += a[i] != c[i];
            }
    EXPECT_GT(downChanged, 100);
    EXPECT_EQ(elsewhereChanged, 0);
    EXPECT_EQ(differsFromBefore, 0);
}

// A golden dump with the clock and the counts masked passes as they change;
// --update-expected rewrites a failing one keeping its mask; a failed text
// expectation says what its row reads and where the text does show.
TEST(RunnerProgram, MaskedDumpsRowsAndUpdatedExpectations) {
    TempDir dir;
    const std::string d = (dir / "").string();
    ASSERT_EQ(RunBinary("--seed 1 --clock 2026-03-07T09:05:30 -e 'press select; wait 4s; lcd " + d + "a.txt'").status, 0);
    std::ifstream in(dir / "a.txt");
    std::string dump(std::istreambuf_iterator<char>(in), {});
    for (size_t y = 0; y < 32; ++y)  // the whole top row of text and the reading below it
        for (size_t x = 0; x < 122; ++x) dump[y * 123 + x] = y < 8 || y > 9 ? '?' : dump[y * 123 + x];
    std::ofstream(dir / "masked.txt") << dump;
    const std::string other = "--seed 7 --clock 2027-01-02T03:04:05 -e 'press select; wait 90s; expect lcd ";
    Exec r = RunBinary(other + d + "masked.txt'");
    EXPECT_EQ(r.status, 0) << r.err;

    dump[9 * 123 + 5] = dump[9 * 123 + 5] == '#' ? '.' : '#';  // one pixel that now differs
    std::ofstream(dir / "masked.txt") << dump;
    EXPECT_EQ(RunBinary(other + d + "masked.txt'").status, 1);
    r = RunBinary("--update-expected " + other + d + "masked.txt'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "geigersim-run: -e 1, command 3: rewrote " + d + "masked.txt\n1 passed, 0 failed\n");
    std::ifstream rewritten(dir / "masked.txt");
    const std::string now(std::istreambuf_iterator<char>(rewritten), {});
    EXPECT_EQ(std::count(now.begin(), now.end(), '?'), std::count(dump.begin(), dump.end(), '?'));
    EXPECT_EQ(RunBinary(other + d + "masked.txt'").status, 0);

    Runner runner;
    runner.Start({FixedClock(), 1u});
    std::ostringstream out;
    std::string error;
    EXPECT_TRUE(runner.Run(ParseOk("press select; wait 4s; expect row 0 \"CPM: 1  AUTO  \\x27\\x5E\\x60\"; "
                                   "expect screen contains AUTO"), out, error)) << error;
    EXPECT_FALSE(runner.Run(ParseOk("expect text 38 0 AUTO"), out, error));
    EXPECT_NE(error.find("row 0 reads 'CPM: 1  AUTO  \\x27\\x5E\\x60'; it shows at 62,0"), std::string::npos)
        << error;
    EXPECT_FALSE(runner.Run(ParseOk("expect row 12 CPM"), out, error));
    EXPECT_NE(error.find("row 12 shows no text"), std::string::npos) << error;
    EXPECT_FALSE(runner.Run(ParseOk("expect screen contains uSv"), out, error));
    EXPECT_NE(error.find("it reads 'CPM: 1  AUTO"), std::string::npos) << error;
    // The large reading shows its unit as a picture: read as shown.
    const std::string large = RunText(runner, "press back; wait 500ms; press back; wait 3.5s; text");
    EXPECT_TRUE(std::regex_search(large, std::regex("\n[0-9]+CPM\n"))) << large;
}

// A walk is the same clicks and gaps for the same seed, on the one player.
TEST(RunnerRun, WalkIsRandomClicksTheSameForTheSameSeed) {
    std::vector<Command> c = ParseOk("walk 40 seed 9; walk 3");
    ASSERT_EQ(c.size(), 2u);
    EXPECT_EQ(script::FormatStep(c[0].step), "walk 40 seed 9");
    EXPECT_EQ(script::FormatStep(c[1].step), "walk 3 seed 1");
    EXPECT_EQ(PlannedHalfSeconds(c), 43u * script::kWalkGapMax);
    EXPECT_NE(ParseError("walk 0").find("walk needs a number of clicks"), std::string::npos);
    EXPECT_NE(ParseError("walk 5 seed").find("seed 0..4294967295"), std::string::npos);

    auto walked = [](const std::string& walk) {
        Runner runner;
        runner.Start({FixedClock(), 1u});
        const std::string state = RunText(runner, "press select; wait 4s; " + walk + "; state");
        return std::make_pair(state, runner.halfTicks());
    };
    const auto first = walked("walk 300 seed 5");
    EXPECT_EQ(walked("walk 300 seed 5"), first);
    EXPECT_NE(walked("walk 300 seed 6").first, first.first);
    // Each click is followed by its gap from the seed's source: the walk takes their sum.
    script::WalkSource source(5);
    uint64_t gaps = 0;
    for (int i = 0; i < 300; ++i) gaps += (source.NextKey(), source.NextGap());
    EXPECT_EQ(first.second, 8u + gaps);
}

// The coverage report lists the tour's screens, each reached or not with the
// command that first showed it; a walk reaches more.
TEST(RunnerProgram, CoverageSaysWhichScreensTheScriptsReachAndAWalkRaisesIt) {
    TempDir dir;
    const std::string d = (dir / "").string();
    std::ofstream(dir / "menu.gsr") << "press select\nwait 4s\npress select\nwait 500ms\n";
    Exec r = RunBinary("--seed 1 --coverage " + d + "cov.html " + d + "menu.gsr");
    EXPECT_EQ(r.status, 0) << r.err;
    std::smatch counts;
    ASSERT_TRUE(std::regex_search(r.err, counts, std::regex("^screens reached: ([0-9]+) of ([0-9]+)\n"))) << r.err;
    const int reached = std::stoi(counts[1]), screens = std::stoi(counts[2]);
    const nlohmann::json report = nlohmann::json::parse(std::ifstream(dir / "cov.json"));
    EXPECT_EQ(report["reached"], reached);
    EXPECT_EQ(report["screens"], screens);
    // The main menu's first row, first shown by the second press.
    const nlohmann::json userOption = {{"by", d + "menu.gsr: line 3"},
                                       {"keys", "press select; wait 3s; press select; wait 500ms"},
                                       {"names", {"main-menu--user-option"}},
                                       {"reached", true},
                                       {"screen", "menu at 'User Option'"}};
    EXPECT_NE(std::find(report["list"].begin(), report["list"].end(), userOption), report["list"].end());
    EXPECT_NE(Slurp(dir / "cov.html").find("<h1>screens reached: " + std::to_string(reached)), std::string::npos);

    r = RunBinary("--seed 1 --coverage " + d + "cov.html -e 'walk 3000 seed 2' " + d + "menu.gsr");
    std::smatch walked;
    ASSERT_TRUE(std::regex_search(r.err, walked, std::regex("screens reached: ([0-9]+) of ([0-9]+)\n"))) << r.err;
    EXPECT_GT(std::stoi(walked[1]), reached + 20);
    EXPECT_EQ(std::stoi(walked[2]), screens);
    EXPECT_EQ(RunBinary("--coverage - " + d + "menu.gsr").status, 2);
}
