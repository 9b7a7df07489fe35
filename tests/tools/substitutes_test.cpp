// The stand-ins a manual's pictures need: the factory store, a demo rate,
// a steady battery icon, and a tour whose fresh devices keep them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>

#include <unistd.h>

#include "core/substitutes.h"
#include "script/parse_helpers.h"
#include "tools/run/runner.h"

namespace fs = std::filesystem;
using namespace geigerrun;

namespace {

constexpr std::time_t kMorning = 1772874330;  // 2026-03-07T09:05:30 on the device's clock

bool RunScript(Runner& runner, const std::string& text, std::string& out, std::string& error) {
    std::ostringstream stream;
    const bool ok = runner.Run(ParseOk(text), stream, error);
    out = stream.str();
    return ok;
}

std::string RunText(Runner& runner, const std::string& text) {
    std::string out, error;
    EXPECT_TRUE(RunScript(runner, text, out, error)) << error;
    return out;
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The battery icon's corner of an `lcd` dump: the top rows' last columns.
std::string BatteryIcon(const std::string& lcd) {
    std::string icon;
    for (int y = 0; y < 8; ++y) icon += lcd.substr(y * 123 + 112, 10);
    return icon;
}

}  // namespace

TEST(RunnerSubstitutes, FactoryStoreRateAndSteadyBatteryShowOnTheScreens) {
    Runner runner;
    runner.Start({kMorning, 3u});
    const std::string text =
        RunText(runner, "store factory; demo rate 600; press select; wait 70s; text");
    // The factory's text reading screen, at about the rate asked for.
    std::smatch cpm;
    ASSERT_TRUE(std::regex_search(text, cpm, std::regex("CPM: ?([0-9]+)"))) << text;
    EXPECT_NEAR(std::stoi(cpm[1].str()), 600, 120) << text;
    EXPECT_NE(text.find("Total Count"), std::string::npos) << text;

    // The charging animation moves the icon each second; steady holds it.
    const std::string charging = RunText(runner, "lcd; wait 1s; lcd");
    EXPECT_NE(BatteryIcon(charging), BatteryIcon(charging.substr(32 * 123)));
    const std::string steady = RunText(runner, "battery 3.7 steady; wait 1s; lcd; wait 1s; lcd");
    EXPECT_EQ(BatteryIcon(steady), BatteryIcon(steady.substr(32 * 123)));

    // A new run stands in as the window does.
    runner.Start();
    EXPECT_EQ(CurrentSubstitutes(), DeviceSubstitutes{});
}

TEST(RunnerSubstitutes, TourStartsItsDevicesWithThemAndRefusesALoadedOne) {
    const fs::path dir = fs::temp_directory_path() / ("substitutes_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    Runner runner;
    runner.Start({kMorning, 3u});
    RunText(runner, "tour " + (dir / "fixed").string() + " only threshold--cpm--open");
    runner.Start({kMorning, 3u});
    RunText(runner, "store factory; tour " + (dir / "factory").string() + " only threshold--cpm--open");
    int compared = 0;
    for (const auto& entry : fs::directory_iterator(dir / "fixed")) {
        if (entry.path().extension() != ".png") continue;
        ++compared;
        EXPECT_NE(Slurp(entry.path()), Slurp(dir / "factory" / entry.path().filename())) << entry.path();
    }
    EXPECT_GT(compared, 0);

    std::string out, error;
    runner.Start({kMorning, 3u});
    const std::string saved = (dir / "device.gsst").string();
    EXPECT_FALSE(RunScript(runner, "save " + saved + "; load " + saved + "; tour " + (dir / "loaded").string(), out,
                           error));
    EXPECT_NE(error.find("cannot show the one load put back"), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(dir / "loaded"));
    fs::remove_all(dir);
}

TEST(RunnerSubstitutes, GrammarSaysWhatItTakes) {
    EXPECT_NE(ParseError("store factories").find("store needs factory or fixed"), std::string::npos);
    EXPECT_NE(ParseError("demo rate 0").find("rate CPM (1..1000000)"), std::string::npos);
    EXPECT_NE(ParseError("battery 3.7 stedy").find("may take steady"), std::string::npos);
}
