// The GIF writer: a palette per frame, reserved colours kept exact.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/decoded_gif.h"
#include "media/gif_writer.h"
#include "platform/lcd.h"

namespace fs = std::filesystem;

namespace {

TEST(GifWriter, ManyColoursQuantisedReservedOnesExactNewOnesInTheirOwnPalette) {
    constexpr int kSide = 64;
    std::vector<uint32_t> frame(kSide * kSide);
    for (int i = 0; i < kSide * kSide; ++i)  // 4096 colours, more than a palette holds
        frame[size_t(i)] = 0xFF000000u | uint32_t(i % 64 * 4) << 16 | uint32_t(i / 64 * 4) << 8 | 0x80u;
    for (int i = 0; i < kSide; ++i) frame[size_t(i)] = 0xFF000000u | kLcdInk;
    gif::Writer writer(kSide, kSide, {kLcdInk}, 0);
    std::string error, bytes;
    ASSERT_TRUE(writer.Add(frame.data(), kSide, error)) << error;
    writer.Hold(10);
    for (int i = 0; i < 20; ++i) frame[size_t(kSide * 10 + i)] = 0xFF000000u | (0x123456u + uint32_t(i) * 0x010101u);
    ASSERT_TRUE(writer.Add(frame.data(), kSide, error)) << error;
    writer.Hold(20);
    ASSERT_TRUE(writer.Add(frame.data(), kSide, error)) << error;  // the same: only longer
    writer.Hold(5);
    ASSERT_TRUE(writer.Finish(bytes, error)) << error;
    const fs::path file = fs::temp_directory_path() / ("gif_writer_test_" + std::to_string(getpid()) + ".gif");
    std::ofstream(file, std::ios::binary) << bytes;
    const DecodedGif g = DecodeGif(file.string());
    fs::remove(file);
    EXPECT_EQ(g.delays, (std::vector<int>{10, 25}));
    ASSERT_EQ(g.last.size(), frame.size());
    int worst = 0;  // the most a channel of the quantised rest is off
    for (size_t i = 0; i < frame.size(); ++i) {
        const uint32_t want = frame[i] & 0xFFFFFFu, got = g.last[i];
        if (i < kSide || (i >= kSide * 10 && i < kSide * 10 + 20)) {
            EXPECT_EQ(got, want) << "pixel " << i;  // reserved, or changed within a palette's room
            continue;
        }
        for (int shift : {16, 8, 0})
            worst = std::max(worst, std::abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF)));
    }
    EXPECT_LE(worst, 40);  // a median cut of 4096 colours into 254 is off by 36 at most
}

}  // namespace
