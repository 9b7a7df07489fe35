// The `state` dump: valid JSON, ASCII only, and every field of the record.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>

#include "firmware/device_harness.h"
#include "firmware/state.h"
#include "script/commands/state_json.h"

using geigerrun::StateJson;
namespace fs = std::filesystem;

namespace {

// Valid JSON (no NaN, no bad escape) in printable ASCII, as the dump promises.
bool ValidAsciiJson(const std::string& text) {
    for (const char c : text)
        if (c < 0x20 || c >= 0x7F) return false;
    return nlohmann::json::accept(text);
}

TEST(StateJson, OneLineOfValidAsciiJsonWithEveryEscape) {
    harness::Start();
    // Awkward values: every text escape and a non-finite float.
    static const char title[] = "A\"B\\C\n\x7f\x81~";
    fw.menuTitle = title;
    fw.doseRate = NAN;
    fw.graphZoom = 0.1f;
    fw.thresholdUsv = 1.5e9f;
    fw.alarmLevelUsv = 5.0f;
    fw.note[0] = 3;
    fw.note[1] = 'a';
    fw.note[2] = '"';
    fw.note[3] = 'c';
    fw.flashWriteHigh = 1;
    fw.flashWriteMiddle = 2;
    fw.flashWriteLow = 3;
    fw.realCount = -5;
    const std::string json = StateJson(4, 1500);
    EXPECT_EQ(json.find('\n'), std::string::npos);
    EXPECT_TRUE(ValidAsciiJson(json)) << json;
    for (const char* part :
         {"\"menuTitle\":\"A\\\"B\\\\C\\u000A\\u007F\\u0081~\"", "\"doseRate\":null",
          "\"graphZoom\":0.100000001", "\"thresholdUsv\":1.5e+09", "\"alarmLevelUsv\":5,",
          "\"note\":\"a\\\"c\"", "\"flashWriteAddress\":66051",
          "\"realCount\":-5", "\"showLcdCalls\":4", "\"virtualMs\":1500", "\"menuTable\":null",
          "\"calibration2Cpm\":240", "\"calibration3Usv\":5", "\"textCursorX\":",
          "\"realMode\":0", "\"serialBytes\":[27,28,29,31,17,18]"})
        EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;

    // The line reads back as the value the protocol sends and expect reads,
    // which keeps a whole float whole.
    const nlohmann::ordered_json state = geigerrun::State(4, 1500);
    EXPECT_EQ(nlohmann::ordered_json::parse(json), state);
    EXPECT_EQ(state["alarmLevelUsv"].dump(), "5");
    EXPECT_EQ(state["menuTitle"].dump(-1, ' ', true), R"("A\"B\\C\n\u007f\u0081~")");

    // A corrupt note length is clamped to the buffer.
    fw.note[0] = static_cast<char>(200);
    EXPECT_TRUE(ValidAsciiJson(StateJson(0, 0)));
}

// The field list of the state dump is kept by hand: compare it with the header.
TEST(StateJson, CoversEveryFieldOfTheRecord) {
    const char* env = std::getenv("GEIGERSIM_SOURCE_DIR");
    // This file lives in tests/script/ of the source tree.
    const fs::path source = env != nullptr ? fs::path(env) : fs::path(__FILE__).parent_path() / "../..";
    std::ifstream header(source / "firmware/state.h");
    ASSERT_TRUE(header) << source;
    std::string text(std::istreambuf_iterator<char>(header), {});
    const size_t begin = text.find("struct FirmwareState {");
    ASSERT_NE(begin, std::string::npos);
    const std::string body = text.substr(begin, text.find("\n};", begin) - begin);

    harness::Start();
    const std::string json = StateJson(0, 0);
    static const std::regex field(
        R"(\n\s+(?:const\s+)?[A-Za-z_][\w:<>]*\*?\s+\*?(\w+)\s*(\[[^\]]*\])?\s*[=;])");
    int fields = 0;
    for (std::sregex_iterator it(body.begin(), body.end(), field), end; it != end; ++it) {
        std::string name = (*it)[1];
        if (name == "keyTable") continue;  // handlers: nothing to show
        if (name == "calibration") name = "calibration1Cpm";
        ++fields;
        EXPECT_NE(json.find("\"" + name + "\":"), std::string::npos) << "state lacks " << name;
    }
    EXPECT_GT(fields, 100);
}

}  // namespace
