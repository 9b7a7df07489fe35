#include <gtest/gtest.h>

#include <vector>

#include "firmware/device_harness.h"
#include "firmware/screen_compare.h"

using screen::ShowsAsIf;

namespace {

class ReadingEditors : public ::testing::Test {
protected:
    void SetUp() override {
        harness::Start();
        fw.bootState = 2;
        LcdClear();
    }
    // The value box area shows `text` as ShowValueBox draws it.
    static ::testing::AssertionResult BoxShows(const char* text) {
        return ShowsAsIf(20, 7, 84, 23, [text] { ShowValueBox(text); });
    }
};

TEST_F(ReadingEditors, GraphicZoomUpRunsThroughItsFloatSteps) {
    fw.graphZoom = 0.0f;
    const char* const shown[] = {"ZOOM = x 0.2", "ZOOM = x 0.4", "ZOOM = x 0.6", "ZOOM = x 0.8",
                                 "ZOOM = x 1",   "ZOOM = x 2",   "Auto ZOOM"};
    const float values[] = {0.2f, 0.4f, 0.6f, 0.8f, 1.0f, 2.0f, 0.0f};
    for (int i = 0; i < 7; ++i) {
        LcdClear();
        StepGraphZoomUp(0);
        EXPECT_NEAR(fw.graphZoom, values[i], 1e-6) << i;
        EXPECT_TRUE(BoxShows(shown[i])) << i;
        EXPECT_EQ(fw.editorKeepTicks, 5);
    }
}

TEST_F(ReadingEditors, GraphicZoomDownRunsBackToAutomatic) {
    fw.graphZoom = 0.0f;
    std::vector<float> seen;
    for (int i = 0; i < 15; ++i) {
        StepGraphZoomDown(0);
        seen.push_back(fw.graphZoom);
    }
    const float expected[] = {5, 4, 3, 2, 1, 0.9f, 0.8f, 0.7f, 0.6f, 0.5f, 0.4f, 0.3f, 0.2f, 0, 5};
    for (int i = 0; i < 15; ++i) EXPECT_NEAR(seen[i], expected[i], 1e-5) << i;

    fw.graphZoom = 0.0f;
    LcdClear();
    StepGraphZoomDown(0);
    EXPECT_TRUE(BoxShows("ZOOM = x 5"));
    LcdClear();
    StepGraphZoomDown(0);
    StepGraphZoomDown(0);
    StepGraphZoomDown(0);
    StepGraphZoomDown(0);
    StepGraphZoomDown(0);
    EXPECT_TRUE(BoxShows("ZOOM = x 0.9"));
}

TEST_F(ReadingEditors, ZoomShowOnlyShowsAndLimitsToFive) {
    fw.graphZoom = 0.8f;
    ShowGraphZoom(0);
    EXPECT_FLOAT_EQ(fw.graphZoom, 0.8f);
    EXPECT_TRUE(BoxShows("ZOOM = x 0.8"));

    fw.graphZoom = 7.5f;  // e.g. left by the history graph
    ShowGraphZoom(0);
    EXPECT_FLOAT_EQ(fw.graphZoom, 5.0f);
    EXPECT_TRUE(BoxShows("ZOOM = x 5"));
}

TEST_F(ReadingEditors, GraphTypeStepsAndWraps) {
    const char* const names[] = {"Line Graph", "Bar Chart 1", "Bar Chart 2", "Line & Bar"};
    fw.graphType = 0;
    for (int i = 1; i <= 4; ++i) {
        LcdClear();
        StepGraphTypeUp(0);
        EXPECT_EQ(fw.graphType, static_cast<uint32_t>(i % 4));
        EXPECT_TRUE(BoxShows(names[i % 4]));
    }
    StepGraphTypeDown(0);
    EXPECT_EQ(fw.graphType, 3u);
    StepGraphTypeDown(0);
    EXPECT_EQ(fw.graphType, 2u);

    LcdClear();
    ShowGraphType(0);
    EXPECT_EQ(fw.graphType, 2u);
    EXPECT_TRUE(BoxShows("Bar Chart 2"));

    fw.graphType = 9;  // out of range: shown safely, stepped back into range
    ShowGraphType(0);
    StepGraphTypeUp(0);
    EXPECT_EQ(fw.graphType, 0u);
    fw.graphType = 9;
    StepGraphTypeDown(0);
    EXPECT_EQ(fw.graphType, 3u);
}

TEST_F(ReadingEditors, LargeFontUnitShowsFirstThenSteps) {
    fw.largeFontUnit = 0;
    fw.editing = 0;
    EditLargeFontMode(KeyUp);
    EXPECT_EQ(fw.largeFontUnit, 0);
    EXPECT_TRUE(BoxShows("CPM"));

    const char* const names[] = {"CPM", "uSv/h", "mR/h"};
    for (int i = 1; i <= 3; ++i) {
        fw.editing = 1;
        LcdClear();
        EditLargeFontMode(KeyDown);
        EXPECT_EQ(fw.largeFontUnit, i % 3);
        EXPECT_TRUE(BoxShows(names[i % 3]));
    }
}

// Through the keys, as a user sees it: the device boots into the graph.
TEST(ReadingScreenKeys, UpOnTheGraphShowsTheSteppedZoom) {
    harness::Boot();
    ASSERT_EQ(fw.displayMode, 1);
    harness::Press(KeyUp);
    EXPECT_FLOAT_EQ(fw.graphZoom, 0.2f);
    EXPECT_EQ(fw.editing, 1);
    EXPECT_TRUE(ShowsAsIf(20, 7, 84, 23, [] { ShowValueBox("ZOOM = x 0.2"); }));

    harness::Boot();
    harness::Press(KeyDown);
    EXPECT_EQ(fw.graphType, 1u);
    EXPECT_TRUE(ShowsAsIf(20, 7, 84, 23, [] { ShowValueBox("Bar Chart 1"); }));
}

TEST(ReadingScreenKeys, BackShowsThenStepsTheDisplayMode) {
    harness::Boot();
    harness::Press(KeyBack);
    EXPECT_EQ(fw.displayMode, 1);
    EXPECT_TRUE(ShowsAsIf(20, 7, 84, 23, [] { ShowValueBox("Graphic Mode"); }));
    harness::Boot();
    harness::Press(KeyBack);
    harness::Press(KeyBack);
    EXPECT_EQ(fw.displayMode, 2);
    EXPECT_EQ(fw.keyTable[KeyUp].handler, EditLargeFontMode);
    harness::Wait(4);  // keep time 0: closed within about a second
    EXPECT_EQ(fw.editing, 0);
}

}  // namespace
