// The script's commands as geigersim-run, --serve and the window's socket
// parse them: separators, arguments, set-up and expectations, and errors
// that name their line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "firmware/state.h"
#include "script/commands/parse.h"
#include "script/parse_helpers.h"
#include "script/script_language.h"

namespace fs = std::filesystem;
using namespace geigerrun;
using script::ParseClock;
using script::ParseUnsigned32;

namespace {

TEST(ScriptParse, SeparatorsCommentsAndArguments) {
    const auto cmds = ParseOk(
        "press up; # wait 1s; lcd\n"
        "  wait 500ms;;  lcd \r\n"
        "\n"
        "real -2147483648 2147483647 +3;demo\n"
        "png my picture.png ; flash  out.bin\n"
        "echo  hello   world  \n"
        "press 3; state");
    ASSERT_EQ(cmds.size(), 10u);
    EXPECT_EQ(cmds[0].op, Op::Press);
    EXPECT_EQ(cmds[0].step.key, KeyUp);
    EXPECT_EQ(cmds[0].where, "line 1");
    EXPECT_EQ(cmds[1].op, Op::Wait);
    EXPECT_EQ(cmds[1].step.halfSeconds, 1u);
    EXPECT_EQ(cmds[2].op, Op::Lcd);
    EXPECT_EQ(cmds[2].where, "line 2");
    EXPECT_EQ(cmds[3].step.counts, (std::vector<int32_t>{INT32_MIN, INT32_MAX, 3}));
    EXPECT_EQ(cmds[3].where, "line 4");
    EXPECT_EQ(cmds[4].op, Op::Demo);
    EXPECT_EQ(cmds[5].text, "my picture.png");
    EXPECT_EQ(cmds[6].op, Op::Flash);
    EXPECT_EQ(cmds[6].text, "out.bin");
    EXPECT_EQ(cmds[7].text, "hello   world");
    EXPECT_EQ(cmds[8].step.key, KeySelect);
    EXPECT_EQ(cmds[9].op, Op::State);

    for (auto [name, key] : {std::pair{"back", 0}, {"down", 2}, {"select", 3}, {"0", 0}, {"2", 2}})
        EXPECT_EQ(ParseOk(std::string("press ") + name)[0].step.key, key) << name;
    EXPECT_TRUE(ParseOk("").empty());
    EXPECT_TRUE(ParseOk("# only a comment\n\n ; ;\n").empty());
}

// One row per command, a word's reading on its first row, and the hosts
// pinned: the socket runs what needs no file of the runner's and no
// counts but the window's own; --serve all but the tour.
TEST(CommandTable, OneRowPerCommandAndEachHostsColumn) {
    std::set<Op> ops;
    std::string socket, serve;
    for (const CommandSpec& row : CommandTable()) {
        EXPECT_TRUE(ops.insert(row.op).second);
        EXPECT_EQ(&SpecOf(row.op), &row);
        const CommandSpec& first = *std::find_if(CommandTable().begin(), CommandTable().end(),
                                                 [&](const CommandSpec& r) { return r.word == row.word; });
        EXPECT_EQ(row.parse == nullptr, &first != &row) << row.word;
        if (row.hosts & kSocketHost) socket += std::string(row.word) + " ";
        if (row.hosts & kServeHost) serve += std::string(row.word) + " ";
    }
    EXPECT_EQ(ops.size(), size_t(Op::Seed) + 1);  // Seed is the last Op
    EXPECT_EQ(socket, "press wait demo lcd text png state save load echo expect expect expect ");
    EXPECT_EQ(serve, "clock seed press wait real demo walk lcd lcd text png svg battery store temperature gif gif flash log wav "
                     "chart state save load echo expect expect expect ");
}

TEST(ScriptParse, ErrorsNameTheLineAndTheProblem) {
    EXPECT_EQ(ParseError("echo a\n\nprss x\nlcd"), "line 3: unknown command 'prss'");
    EXPECT_EQ(ParseError("lcd; prss", "-e 2"), "-e 2, command 2: unknown command 'prss'");
    EXPECT_EQ(ParseError("lcd\nwait 250ms", "-e 1").rfind("-e 1, command 2: ", 0), 0u);

    const char* bad[] = {"press",        "press 4",       "press up down", "press Select",
                         "wait",         "wait 1s 2s",    "real",          "real 2147483648",
                         "real -2147483649", "real 0x10", "real 1.5",     "real 1,2",
                         "text 1",       "state x",       "demo now",      "png",
                         "flash",        "LCD",           "wait 1s\x01",   "\xff\xfe",
                         "gif",          "gif x scale 9"};
    for (const char* text : bad) {
        const std::string error = ParseError(text);
        EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << text << " -> " << error;
    }
    // Long or binary input is quoted short and printable.
    const std::string error = ParseError(std::string(100000, 'x') + "\x01\x02");
    EXPECT_LT(error.size(), 200u);
    EXPECT_NE(ParseError(std::string("wait 1s\0", 8)).find("\\x00"), std::string::npos);
}

TEST(ScriptParse, ArbitraryBytesNeverCrash) {
    std::mt19937 random(7);
    const std::string alphabet = "presswaitrealdemolcdpngflashechostate 0123456789.;#\n\r\t-+msdhx\x80\xff";
    for (int round = 0; round < 3000; ++round) {
        std::string text(random() % 80, ' ');
        for (char& c : text)
            c = random() % 4 == 0 ? static_cast<char>(random()) : alphabet[random() % alphabet.size()];
        std::vector<Command> commands;
        std::string error;
        if (!Parse(text, "", commands, error)) {
            EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
        }
    }
}

TEST(ScriptParse, ClockAndNumbers) {
    std::time_t when = 0;
    std::string error;
    ASSERT_TRUE(ParseClock("2026-03-07T09:05:30", when, error)) << error;
    std::tm t{};
    gmtime_r(&when, &t);
    EXPECT_EQ(t.tm_year, 126);
    EXPECT_EQ(t.tm_mon, 2);
    EXPECT_EQ(t.tm_mday, 7);
    EXPECT_EQ(t.tm_hour, 9);
    EXPECT_EQ(t.tm_min, 5);
    EXPECT_EQ(t.tm_sec, 30);
    EXPECT_TRUE(ParseClock("2024-02-29T23:59:59", when, error));
    for (const char* bad : {"2025-02-29T00:00:00", "2026-13-01T00:00:00", "2026-04-31T00:00:00",
                            "2026-03-07T24:00:00", "2026-03-07T09:60:00", "2026-03-07T09:05:60",
                            "2026-03-07 09:05:30", "2026-3-7T9:5:30", "1969-12-31T23:59:59",
                            "2026-03-07T09:05:30Z", ""})
        EXPECT_FALSE(ParseClock(bad, when, error)) << bad;

    uint32_t u = 0;
    EXPECT_TRUE(ParseUnsigned32("4294967295", u));
    EXPECT_EQ(u, 4294967295u);
    EXPECT_FALSE(ParseUnsigned32("4294967296", u));
    EXPECT_FALSE(ParseUnsigned32("-1", u));
    EXPECT_FALSE(ParseUnsigned32("", u));
}

TEST(ScriptParse, ExpectationsAreCheckedBeforeAnythingRuns) {
    const auto cmds = ParseOk("expect text 0 12 'CPM: '\nexpect cpm >= 3\nexpect menuTitle == \"Main Menu\"\n"
                              "expect menuTable == null\nexpect secondCounts != [1]\ntext\nlcd out.txt\n"
                              "png a b.png scale 3\ntour d scale 2 only speaker\nlog l.csv");
    ASSERT_EQ(cmds.size(), 10u);
    EXPECT_EQ(cmds[0].text, "CPM: ");
    EXPECT_EQ(cmds[0].y, 12);
    EXPECT_EQ(cmds[1].compare, Compare::GreaterEqual);
    EXPECT_EQ(cmds[7].text, "a b.png");
    EXPECT_EQ(cmds[7].scale, 3);
    EXPECT_EQ(cmds[8].text, "d");
    EXPECT_EQ(cmds[8].only, "speaker");
    EXPECT_EQ(cmds[8].scale, 2);
    const Command tour = ParseOk("tour d e only x dpi 300 scale 3")[0];
    EXPECT_EQ(tour.text + "|" + tour.only + "|" + std::to_string(tour.scale) + "|" + std::to_string(tour.dpi),
              "d e|x|3|300");
    EXPECT_EQ(ParseOk("png p only x")[0].text, "p only x");  // only is the tour's
    const Command sheet = ParseOk("tour d e titles de.csv pdf paper letter")[0];
    EXPECT_EQ(sheet.text + "|" + sheet.titles + "|" + std::to_string(sheet.pdf), "d e|de.csv|1");
    EXPECT_EQ(sheet.paper, Paper::Letter);
    EXPECT_EQ(ParseOk("png p paper letter")[0].text, "p paper letter");  // paper is the tour's
    if (PanelAvailable()) {
        const auto gif = ParseOk("gif a b keys loop none panel; gif c loop 3; gif end hold 2s; gif end");
        EXPECT_EQ(gif[0].text + "|" + std::to_string(gif[0].keys) + std::to_string(gif[0].loops), "a b|10");
        EXPECT_EQ(gif[1].loops, 3);
        EXPECT_EQ(gif[2].op, Op::GifEnd);
        EXPECT_EQ(gif[2].hold, 4u);
        EXPECT_EQ(gif[3].hold, 0u);
        EXPECT_TRUE(ParseOk("png a clean panel")[0].clean);
        const Command svg = ParseOk("svg a b.svg panel scale 2")[0];
        EXPECT_EQ(svg.text + "|" + std::to_string(svg.scale) + std::to_string(svg.panel), "a b.svg|21");
    }
    const char* bad[] = {"expect",           "expect cpmm == 1",     "expect cpm =< 1", "expect cpm ==",
                         "expect cpm == x",  "expect note < 'a'",    "expect text 0",   "expect text 120 0 ab",
                         "expect text 0 0",  "expect lcd /nonexistent/x", "png a scale 9", "png scale 0",
                         "expect text 0 0 \\q", "expect secondCounts == 3", "tour d only", "png a dpi 0", "tour d dpi 9601",
                         "gif x keys",       "gif x loop 0",         "gif end hold",    "gif end now",
                         "svg",              "svg x scale 0",         "png x clean",     "tour d paper a5",
                         "tour d paper",     "tour d titles"};
    for (const char* text : bad) {
        const std::string error = ParseError(text);
        EXPECT_EQ(error.rfind("line 1: ", 0), 0u) << text << " -> " << error;
    }
    const fs::path file = fs::temp_directory_path() / ("parse_test_" + std::to_string(getpid()) + ".txt");
    std::ofstream(file) << "###\n";
    EXPECT_NE(ParseError("expect lcd " + file.string()).find("not an lcd dump"), std::string::npos);
    fs::remove(file);
}

TEST(ScriptParse, WaitUntilNearAndSetUpCommands) {
    std::vector<Command> c = ParseOk("clock 2026-03-07T09:05:30; seed 9\nwait until text 0 0 CPM: within 10s\n"
                                     "expect doseRate ~= 0.005; expect cpm ~= 10 0.1; wait 1m");
    ASSERT_EQ(c.size(), 6u);
    EXPECT_EQ(c[1].seed, 9u);
    EXPECT_EQ(c[2].op, Op::ExpectText);
    EXPECT_EQ(c[2].within, 20u);
    EXPECT_EQ(c[2].position, 2u);
    EXPECT_EQ(c[4].tolerance, 0.1);
    EXPECT_EQ(PlannedHalfSeconds(c), 140u);
    EXPECT_EQ(ParseError("echo x; seed 1", "-e 1"), "-e 1, command 2: seed sets up the device: put it before any "
                                                    "other command");
    EXPECT_NE(ParseError("wait until cpm > 0").find("within"), std::string::npos);
    EXPECT_NE(ParseError("wait until cpm > 0 within 250ms").find("not a multiple"), std::string::npos);
    EXPECT_NE(ParseError("expect noteText ~= 1").find("use == or !="), std::string::npos);
    EXPECT_NE(ParseError("expect cpm ~= 1 x").find("tolerance"), std::string::npos);
}

}  // namespace
