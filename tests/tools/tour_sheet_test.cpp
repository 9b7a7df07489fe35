// What the tour writes beside its pictures: the manifest in both forms,
// titles given in a file, live links that start the page as the route
// starts, the PDF, and panel pictures without the simulator's marks.
#include <gtest/gtest.h>
#include <png.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/panel.h"
#include "script/commands/parse.h"
#include "tools/run/csv.h"
#include "tools/run/runner.h"

namespace geigerrun {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() : path_(fs::temp_directory_path() / ("tour_sheet_" + std::to_string(::getpid()) + "_" +
                                                    std::to_string(counter_++))) {
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    static inline int counter_ = 0;
    fs::path path_;
};

std::string Slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// Runs `text` on a device started at the tours' clock and seed; false with
// `error` as the runner says it.
bool RunTourText(const std::string& text, std::string& out, std::string& error) {
    Runner runner;
    runner.Start({std::time_t{1772874330}, 3u});
    std::vector<Command> commands;
    std::ostringstream printed;
    const bool ran = Parse(text, "-e 1", commands, error) && runner.Run(commands, printed, error);
    out = printed.str();
    return ran;
}

// The built runner, for what starts Qt (its font library's allocations
// live as long as the process: the suppressions keep LeakSanitizer quiet).
int RunBinary(const std::string& args) {
    const char* bin = std::getenv("GEIGERSIM_RUN");
    if (bin == nullptr) ADD_FAILURE() << "GEIGERSIM_RUN is not set";
    const std::string command = std::string("env -u DISPLAY -u QT_QPA_PLATFORM LSAN_OPTIONS=suppressions='") +
                                GEIGERSIM_LSAN_SUPPRESSIONS + "':print_suppressions=0 timeout 300 '" +
                                (bin ? bin : "false") + "' " + args + " >/dev/null";
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

using Table = std::vector<std::vector<std::string>>;

Table Csv(const std::string& path) {
    Table rows;
    std::string error;
    EXPECT_TRUE(ReadCsv(Slurp(path), rows, error)) << error;
    return rows;
}

TEST(TourSheet, TheManifestListsEveryStopOnceWithItsFileAndItsCsvAgrees) {
    TempDir dir;
    std::string out, error;
    // The threshold in mR/h: its first Up step shows what opening it showed.
    ASSERT_TRUE(RunTourText("tour " + (dir / "t") + " only main-menu--save-data--threshold--mr", out, error)) << error;
    const nlohmann::json manifest = nlohmann::json::parse(Slurp(dir / "t/manifest.json"));
    const Table csv = Csv(dir / "t/manifest.csv");
    const nlohmann::json& stops = manifest["stops"];
    ASSERT_GE(stops.size(), 3u);
    ASSERT_EQ(csv.size(), stops.size() + 1);
    EXPECT_EQ(csv[0], (std::vector<std::string>{"number", "name", "title", "section", "file", "repeats", "route",
                                                 "live"}));
    int last = 0, repeated = 0;
    for (size_t i = 0; i < stops.size(); ++i) {
        const nlohmann::json& stop = stops[i];
        EXPECT_GT(stop["number"].get<int>(), last);  // in the tour's order, each once
        last = stop["number"];
        const std::string file = stop["file"];
        EXPECT_TRUE(fs::exists(dir / ("t/" + file))) << file;
        if (stop["repeats"].is_null()) {
            // Its own picture, named by its number and name.
            char own[16];
            std::snprintf(own, sizeof own, "%03d-", last);
            EXPECT_EQ(file, own + stop["name"].get<std::string>() + ".png");
        } else {
            ++repeated;
            EXPECT_LT(stop["repeats"].get<int>(), last);
            EXPECT_EQ(std::stoi(file.substr(0, 3)), stop["repeats"].get<int>());
        }
        const std::vector<std::string> row = {std::to_string(last), stop["name"], stop["title"], stop["section"],
                                              file, stop["repeats"].is_null() ? "" : std::to_string(stop["repeats"].get<int>()),
                                              stop["route"], stop["live"]};
        EXPECT_EQ(csv[i + 1], row);
    }
    EXPECT_GE(repeated, 1);
    EXPECT_EQ(manifest["seed"], 3);
}

TEST(TourSheet, TitlesFromAFileReplaceTheGuidesAndAnUnknownNameIsAWarning) {
    TempDir dir;
    const std::string titles = dir / "de.csv";
    std::ofstream(titles) << "name,title\r\nmain-menu--save-data--threshold--mr--open,\"Schwelle, in mR/h \"\"\u00fcber\"\"\"\r\n"
                             "no-such-screen,Nichts\r\n";
    std::string out, error;
    ASSERT_TRUE(RunTourText("tour " + (dir / "t") + " only main-menu--save-data--threshold--mr titles " + titles, out, error))
        << error;
    EXPECT_NE(out.find("warning"), std::string::npos) << out;
    EXPECT_NE(out.find("'no-such-screen'"), std::string::npos) << out;
    const std::string given = "Schwelle, in mR/h \"\u00fcber\"";
    bool replaced = false;
    const nlohmann::json manifest = nlohmann::json::parse(Slurp(dir / "t/manifest.json"));
    for (const nlohmann::json& stop : manifest["stops"]) {
        if (stop["name"] == "main-menu--save-data--threshold--mr--open") {
            EXPECT_EQ(stop["title"], given);
            replaced = true;
        } else {
            EXPECT_NE(stop["title"], given);
        }
    }
    EXPECT_TRUE(replaced);
    EXPECT_NE(Slurp(dir / "t/index.html").find("Schwelle, in mR/h &quot;\u00fcber&quot;"), std::string::npos);
    // A file that is not rows of a name and a title is refused, naming itself and the row.
    for (const char* bad : {"a,\"open\n", "name,title\na,b,c\n", "a,\xff\n"}) {
        std::ofstream(titles, std::ios::trunc) << bad;
        EXPECT_FALSE(RunTourText("tour " + (dir / "u") + " only speaker titles " + titles, out, error)) << bad;
        EXPECT_NE(error.find("'" + titles + "': "), std::string::npos) << error;
    }
}

// A route's leading clock is the page's clock=; the tour's demo rate and
// factory store go along; a battery of the run's own the page cannot stand in.
TEST(TourSheet, LiveLinksStartThePageAsTheRouteStarts) {
    TempDir dir;
    std::string out, error;
    const auto live = [&](const std::string& before, const std::string& name) {
        const std::string tour = dir / ("t" + std::to_string(name.size() + before.size()));
        EXPECT_TRUE(RunTourText(before + "tour " + tour + " only " + name, out, error)) << error;
        const nlohmann::json manifest = nlohmann::json::parse(Slurp(tour + "/manifest.json"));
        for (const nlohmann::json& stop : manifest["stops"])
            if (stop["name"] == name) return stop["live"].get<std::string>();
        ADD_FAILURE() << name;
        return std::string();
    };
    const std::string notSet = live("", "reading--clock-not-set");
    EXPECT_NE(notSet.find("?seed=3&clock=2000-01-01T00%3A00%3A00&run=press%20select"), std::string::npos) << notSet;
    EXPECT_EQ(notSet.find("clock%20"), std::string::npos) << notSet;
    const std::string set = live("demo rate 40; store factory; ", "start-up-logo");
    EXPECT_NE(set.find("&clock=2026-03-07T09%3A05%3A30&rate=40&store=factory&run=press%20select"), std::string::npos)
        << set;
    EXPECT_EQ(live("battery 3.7; ", "start-up-logo"), "");
}

// Reads a PNG as 0xAARRGGBB pixels.
std::vector<uint32_t> Pixels(const std::string& path, int& width) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> pixels(size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return {};
    width = int(image.width);
    return pixels;
}

// Before the first power-on the panel shows the start hint and the lamp;
// clean leaves out those two and nothing else.
TEST(TourSheet, ACleanPanelPictureLeavesOutTheHintAndTheLampAlone) {
    if (!PanelAvailable()) GTEST_SKIP() << "built without the front panel";
    TempDir dir;
    const std::string plain = dir / "plain.png", clean = dir / "clean.png", on = dir / "on.png";
    const std::string real = dir / "real.png", realClean = dir / "real-clean.png";
    ASSERT_EQ(RunBinary("-e 'png " + plain + " panel; png " + clean + " panel clean; press select; wait 4s; png " + on +
                        " panel; real 5 5 5 5; png " + real + " panel; png " + realClean + " panel clean'"),
              0);
    int width = 0;
    const std::vector<uint32_t> a = Pixels(plain, width), b = Pixels(clean, width), after = Pixels(on, width);
    const std::vector<uint32_t> lit = Pixels(real, width), litClean = Pixels(realClean, width);
    ASSERT_EQ(width, 524);
    ASSERT_EQ(a.size(), b.size());
    const auto inHint = [](int x, int y) {
        return x >= kDriverStartHintX && x < kDriverStartHintRightLimit && y >= kDriverStartHintY &&
               y < kDriverStartHintY + 20;
    };
    // Where they differ outside the hint: the lamp, a small spot.
    int left = width, right = -1, top = 1 << 20, bottom = -1, hinted = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const int x = int(i % size_t(width)), y = int(i / size_t(width));
        if (inHint(x, y)) {
            // Clean, the hint's place shows what it shows once the device is on.
            EXPECT_EQ(b[i], after[i]) << x << "," << y;
            hinted += a[i] != b[i];
        } else if (a[i] != b[i]) {
            left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
        }
    }
    EXPECT_GT(hinted, 100);
    ASSERT_GE(right, left);
    EXPECT_LE(right - left, 14);
    EXPECT_LE(bottom - top, 14);
    // There, lit green or off, a clean picture shows the same: no lamp.
    int lamp = 0;
    for (int y = top; y <= bottom; ++y)
        for (int x = left; x <= right; ++x) {
            const size_t i = size_t(y) * size_t(width) + size_t(x);
            EXPECT_EQ(litClean[i], b[i]) << x << "," << y;
            lamp += lit[i] != a[i];
        }
    EXPECT_GT(lamp, 10);  // the plain ones do show it, off and lit
}

TEST(TourSheet, ThePdfIsOnThePaperWithAPictureForEachFigure) {
    if (!PanelAvailable()) GTEST_SKIP() << "built without Qt";
    TempDir dir;
    ASSERT_EQ(RunBinary("--seed 3 --clock 2026-03-07T09:05:30 -e 'tour " + (dir / "t") +
                        " only main-menu--save-data--threshold pdf paper letter'"),
              0);
    const std::string pdf = Slurp(dir / "t/screens.pdf");
    ASSERT_EQ(pdf.rfind("%PDF-", 0), 0u);
    std::smatch box;  // in points
    ASSERT_TRUE(std::regex_search(pdf, box, std::regex(R"(/MediaBox \[0 0 ([0-9.]+) ([0-9.]+)\])")));
    EXPECT_EQ(std::stod(box[1].str()), 612);
    EXPECT_EQ(std::stod(box[2].str()), 792);
    EXPECT_NE(pdf.find("/FontFile2"), std::string::npos);  // its text is text, in embedded fonts
    std::set<std::string> files;
    const nlohmann::json manifest = nlohmann::json::parse(Slurp(dir / "t/manifest.json"));
    for (const nlohmann::json& stop : manifest["stops"])
        files.insert(stop["file"].get<std::string>());
    size_t images = 0;
    for (size_t at = pdf.find("/Subtype /Image"); at != std::string::npos; at = pdf.find("/Subtype /Image", at + 1))
        ++images;
    EXPECT_GE(files.size(), 6u);
    EXPECT_EQ(images, files.size());
    EXPECT_NE(Slurp(dir / "t/index.html").find("size: letter portrait"), std::string::npos);
}

}  // namespace
}  // namespace geigerrun
