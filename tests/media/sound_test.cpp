// The speaker's schedule as data (counts in, click times out), the seam it
// reads, and the samples it renders.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/driver.h"
#include "firmware/firmware.h"
#include "firmware/state.h"
#include "media/rate_history.h"
#include "media/sound.h"

namespace {

// Where the clicks of a rendered stretch start: a rise past half scale
// after at least 4 ms below it.
std::vector<size_t> ClickStarts(const std::vector<int16_t>& samples) {
    std::vector<size_t> starts;
    size_t last = 0;
    bool any = false;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) < 16384) continue;
        if (!any || i - last > sound::kSampleRate / 250) starts.push_back(i);
        last = i;
        any = true;
    }
    return starts;
}

TEST(SoundSchedule, ClicksSpreadOverTheirSecondTheSameOnEveryRun) {
    for (uint32_t clicks : {0u, 1u, 3u, 50u, 2000u}) {
        const std::vector<double> t = sound::ClickOffsets(7, clicks);
        ASSERT_EQ(t.size(), clicks);
        for (size_t i = 0; i < t.size(); ++i) {
            // One in each equal slot, clear of its edges: ascending, never merged.
            EXPECT_GE(t[i], (i + 0.1) / clicks);
            EXPECT_LT(t[i], (i + 0.9) / clicks);
        }
        EXPECT_EQ(t, sound::ClickOffsets(7, clicks));
    }
    EXPECT_NE(sound::ClickOffsets(7, 3), sound::ClickOffsets(8, 3));
}

TEST(SoundSchedule, OnlyASoundingSpeakerClicksAndTheAlarmFollowsTheSeam) {
    DriverSecond s{};
    s.second = 4;
    s.count = 5;
    s.clicks = true;
    EXPECT_EQ(sound::FromDriverSecond(s).clicks, 5u);
    s.count = -2;  // a corrupt report makes no clicks, not four billion
    EXPECT_EQ(sound::FromDriverSecond(s).clicks, 0u);
    s.count = 5;
    s.clicks = false;
    s.alarmShown = true;
    EXPECT_EQ(sound::FromDriverSecond(s).clicks, 0u);
    EXPECT_FALSE(sound::FromDriverSecond(s).alarm);
    s.alarmSounds = true;
    EXPECT_TRUE(sound::FromDriverSecond(s).alarm);

    // The track: the clicks where the schedule puts them, in the second the
    // tick closed; the alarm tone in its own second only.
    sound::Track track;
    track.Add({2, 3, false});
    track.Add({4, 0, true});
    const std::vector<int16_t> pcm = track.Render(5);
    ASSERT_EQ(pcm.size(), 5u * sound::kSampleRate);
    std::vector<size_t> expected;
    for (double t : sound::ClickOffsets(2, 3)) expected.push_back(static_cast<size_t>((1 + t) * sound::kSampleRate));
    EXPECT_EQ(ClickStarts(pcm), expected);
    auto loud = [&](int second) {
        int n = 0;
        for (int i = 0; i < sound::kSampleRate; ++i) n += pcm[second * sound::kSampleRate + i] != 0;
        return n;
    };
    EXPECT_EQ(loud(0), 0);
    EXPECT_EQ(loud(2), 0);
    EXPECT_GT(loud(3), sound::kSampleRate / 2);
    EXPECT_EQ(loud(4), 0);
}

struct Seen {
    std::vector<DriverSecond> seconds;
    static void Note(const DriverSecond& s, void* self) { static_cast<Seen*>(self)->seconds.push_back(s); }
};

void FeedFive(void*) { fw.realCount = 5; }

TEST(SoundSeam, ReportsWhatTheFirmwareDecidedEachTickThatRan) {
    Seen seen;
    DriverStart({});
    DriverSetSecondObserver(Seen::Note, &seen);
    realMode = 1;
    for (int i = 0; i < 6; ++i) DriverPeriod(FeedFive);
    EXPECT_TRUE(seen.seconds.empty());  // unpowered: no tick runs
    DriverPress(KeySelect);
    for (int i = 0; i < 60; ++i) DriverPeriod(FeedFive);
    ASSERT_FALSE(seen.seconds.empty());
    const DriverSecond& last = seen.seconds.back();
    EXPECT_EQ(last.second, DriverHalfTicks() / 2);
    EXPECT_EQ(last.count, 5);
    EXPECT_TRUE(last.clicks);
    EXPECT_EQ(last.cpm, fw.cpm);
    // Past the default level of 100 CPM with the speaker on: the tone.
    EXPECT_GE(last.cpm, 100u);
    EXPECT_TRUE(last.alarmSounds);
    EXPECT_FALSE(last.alarmShown);

    // Speaker off: no clicks, and the alarm is shown, not sounded.
    fw.speakerOn = 0;
    DriverPeriod(FeedFive);
    DriverPeriod(FeedFive);
    EXPECT_FALSE(seen.seconds.back().clicks);
    EXPECT_FALSE(seen.seconds.back().alarmSounds);
    EXPECT_TRUE(seen.seconds.back().alarmShown);

    // The chart's sample: a dose level becomes the CPM where it is reached.
    fw.alarmUnit = 1;
    fw.alarmLevelUsv = 0.6f;
    const RateSample sample = SampleOf(DriverSecondNow(1), 0, false, false);
    EXPECT_GE(CpmToDose(sample.alarmLineCpm), 0.6f);
    EXPECT_LT(CpmToDose(sample.alarmLineCpm - 1), 0.6f);
    DriverSetSecondObserver(nullptr, nullptr);
    realMode = 0;
}

}  // namespace
