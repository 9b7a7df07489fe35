// Every screen of the tour has the guide's words: a box or a screen the
// guide cannot tell would get the words of the screen below it, so its
// title would repeat a neighbour's or read as the fallback.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "core/device_screen.h"
#include "core/screen_guide.h"
#include "tools/run/runner.h"
#include "tools/run/tour.h"

namespace geigerrun {
namespace {

TEST(TourTitles, EveryStopIsNamedByTheGuide) {
    Runner runner;
    runner.Start({1772874330, 1});
    std::map<std::string, std::string> titles;
    std::string error;
    ASSERT_TRUE(VisitTour(runner, [&](const TourStop& stop, std::string&) {
        titles[stop.name] = GuideFor(CurrentScreen(), runner.presented()).title;
        return true;
    }, error)) << error;
    ASSERT_GT(titles.size(), 200u);
    for (const auto& [name, title] : titles) {
        EXPECT_FALSE(title.empty()) << name;
        EXPECT_NE(title, "Reading: a box") << name;
        // A box is never named as the menu row under it.
        if (name.ends_with("--open") && name.find("main-menu--") == 0) {
            EXPECT_EQ(title.find(" menu: "), std::string::npos) << name << ": " << title;
        }
    }
    EXPECT_EQ(titles["reading--power-saving--blank"], "Screen blanked (power saving)");
    EXPECT_EQ(titles["main-menu--init-setup--factory-reset--wait"], "Factory reset: please wait");
    EXPECT_EQ(titles["main-menu--save-data--history-data--viewer--step"], "History: Pre Day");
    EXPECT_EQ(titles["main-menu--user-option--alarm--cpm--open"], "Alarm level in CPM");
}

}  // namespace
}  // namespace geigerrun
