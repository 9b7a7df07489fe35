// Durations both ways: what `wait` accepts, and what the recorder writes
// reads back as the same number of periods.

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "script/script_language.h"

namespace {

using script::FormatDuration;
using script::ParseDuration;

TEST(ScriptLanguage, DurationsBothWays) {
    const std::pair<const char*, uint64_t> good[] = {
        {"500ms", 1}, {"2.5s", 5}, {"10m", 1200}, {"24h", 172800}, {"7d", 1209600},
        {"1s", 2},    {"0.5s", 1}, {"1.50s", 3},  {"1000d", 172800000}, {"0001s", 2}};
    for (const auto& [text, half] : good) {
        uint64_t got = 0;
        std::string error;
        EXPECT_TRUE(ParseDuration(text, got, error)) << text << ": " << error;
        EXPECT_EQ(got, half) << text;
    }
    const char* bad[] = {"250ms", "0", "0s", "0.0ms", "-1s", "+1s", "1.2ms", "5", "", "s", "1.s",
                         ".5s", "1e3ms", "1 s", "1S", "2.25s", "1001d", "0.0000000005d",
                         "99999999999999999999999999d", "1.000000000001s", "1000.5d"};
    for (const char* text : bad) {
        uint64_t got = 0;
        std::string error;
        EXPECT_FALSE(ParseDuration(text, got, error)) << text;
        EXPECT_NE(error.find("'"), std::string::npos) << "message should quote the input: " << error;
    }

    // The largest unit that states the periods exactly, and back.
    EXPECT_EQ(FormatDuration(1) + FormatDuration(5) + FormatDuration(180) + FormatDuration(1200) +
                  FormatDuration(2 * 86400 * 3),
              "500ms2.5s90s10m3d");
    for (const uint64_t half : {uint64_t{1}, uint64_t{3}, uint64_t{119}, uint64_t{7201}, uint64_t{172800},
                                script::kMaxWaitHalfSeconds}) {
        uint64_t back = 0;
        std::string error;
        EXPECT_TRUE(ParseDuration(FormatDuration(half), back, error)) << half << ": " << error;
        EXPECT_EQ(back, half) << FormatDuration(half);
    }
}

}  // namespace
