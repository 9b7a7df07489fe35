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

// A smooth gradient of more colours than a palette holds: dithered, so that
// each small block averages to the true colours (no bands), while reserved
// colours and a changed area that fits a palette of its own stay exact.
TEST(GifWriter, ManyColoursDitheredReservedOnesExactNewOnesInTheirOwnPalette) {
    constexpr int kSide = 64;
    std::vector<uint32_t> frame(kSide * kSide);
    for (int i = 0; i < kSide * kSide; ++i)  // 4096 colours, more than a palette holds
        frame[size_t(i)] = 0xFF000000u | uint32_t(i % 64 * 4) << 16 | uint32_t(i / 64 * 4) << 8 | 0x80u;
    for (int i = 0; i < kSide; ++i) frame[size_t(i)] = 0xFF000000u | kLcdInk;
    frame[size_t(kSide * 63)] = 0x80FFFFFFu;  // half see-through white: laid over the matte
    frame[size_t(kSide * 63 + 1)] = 0x8000FF00u;
    frame[size_t(kSide * 63 + 2)] = 0;  // see-through
    gif::Writer writer(kSide, kSide, {kLcdInk}, 0);
    writer.SetLoops(3);
    std::string error, bytes;
    ASSERT_TRUE(writer.Add(frame.data(), kSide, error)) << error;
    writer.Hold(10);
    const std::vector<uint32_t> first = frame;
    for (int i = 0; i < 20; ++i) frame[size_t(kSide * 10 + i)] = 0xFF000000u | (0x123456u + uint32_t(i) * 0x010101u);
    ASSERT_TRUE(writer.Add(frame.data(), kSide, error)) << error;
    writer.Hold(20);
    ASSERT_TRUE(writer.Add(frame.data(), kSide, error)) << error;  // the same: only longer
    writer.Hold(5);
    ASSERT_TRUE(writer.Add(first.data(), kSide, error)) << error;  // back as it was, in the shared palette
    writer.Hold(7);
    ASSERT_TRUE(writer.Finish(bytes, error)) << error;
    const fs::path file = fs::temp_directory_path() / ("gif_writer_test_" + std::to_string(getpid()) + ".gif");
    std::ofstream(file, std::ios::binary) << bytes;
    const DecodedGif g = DecodeGif(file.string());
    fs::remove(file);
    EXPECT_EQ(g.delays, (std::vector<int>{10, 25, 7}));
    EXPECT_EQ(g.repeats, 3);
    ASSERT_EQ(g.shown.size(), 3u);
    for (size_t i = 0; i < frame.size(); ++i) {
        if (i < kSide || (i >= kSide * 10 && i < kSide * 10 + 20)) {
            EXPECT_EQ(g.shown[1][i], frame[i] & 0xFFFFFFu) << "pixel " << i;  // reserved, or within a palette's room
        }
    }
    EXPECT_TRUE(g.last == g.shown[0]);  // the same picture again, not dithered anew
    const auto near = [](uint32_t a, uint32_t b) {
        for (int shift : {16, 8, 0})
            if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 16) return false;
        return true;
    };
    EXPECT_TRUE(near(g.last[size_t(kSide * 63)], 0xFFFFFFu));
    EXPECT_TRUE(near(g.last[size_t(kSide * 63 + 1)], 0x80FF80u)) << std::hex << g.last[size_t(kSide * 63 + 1)];
    EXPECT_EQ(g.last[size_t(kSide * 63 + 2)], 0u);
}

// A slow grey ramp beside many colours that take the palette's room: the
// few greys left would show as bands, so the ramp is dithered and every
// 8 x 8 block averages to the truth.
TEST(GifWriter, ARampThePaletteCannotHoldIsDitheredNotBanded) {
    constexpr int kWide = 256, kHigh = 64, kRamp = 56;  // the ramp's first row
    std::vector<uint32_t> frame(kWide * kHigh);
    for (int i = 0; i < kWide * kRamp; ++i) frame[size_t(i)] = 0xFF000000u | (uint32_t(i) * 0x9E3779B1u >> 8);
    for (int y = kRamp; y < kHigh; ++y)
        for (int x = 0; x < kWide; ++x) frame[size_t(y * kWide + x)] = 0xFF000000u | 0x010101u * uint32_t(0x40 + x / 4);
    gif::Writer writer(kWide, kHigh);
    std::string error, bytes;
    ASSERT_TRUE(writer.Add(frame.data(), kWide, error) && writer.Finish(bytes, error)) << error;
    const fs::path file = fs::temp_directory_path() / ("gif_ramp_test_" + std::to_string(getpid()) + ".gif");
    std::ofstream(file, std::ios::binary) << bytes;
    const DecodedGif g = DecodeGif(file.string());
    fs::remove(file);
    ASSERT_EQ(g.last.size(), frame.size());
    double worst = 0;  // the most a block's mean is off, in levels of 255
    for (int bx = 0; bx < kWide; bx += 8)
        for (int shift : {16, 8, 0}) {
            int got = 0, want = 0;
            for (int y = kRamp; y < kHigh; ++y)
                for (int x = bx; x < bx + 8; ++x) {
                    got += int(g.last[size_t(y * kWide + x)] >> shift & 0xFF);
                    want += int(frame[size_t(y * kWide + x)] >> shift & 0xFF);
                }
            worst = std::max(worst, std::abs(got - want) / 64.0);
        }
    EXPECT_LT(worst, 2.5);  // the nearest greys alone are off by 3.5
}

}  // namespace
