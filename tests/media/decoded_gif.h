// A GIF read back with giflib's decoder, for the tests of what writes one.
#pragma once

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// A GIF decoded by giflib: the frames' delays, whether it loops, and the
// last frame as shown (0xRRGGBB, what earlier frames left where it is see-through).
struct DecodedGif {
    std::vector<int> delays;
    bool loops = false;
    int repeats = -1;  // the NETSCAPE2.0 loop count (0: for ever), -1 without the block
    int width = 0, height = 0;
    std::vector<uint32_t> last;
    std::vector<std::vector<uint32_t>> shown;  // each frame as shown
};

inline DecodedGif DecodeGif(const std::string& file) {
    DecodedGif out;
    int status = 0;
    GifFileType* gif = DGifOpenFileName(file.c_str(), &status);
    if (gif == nullptr || DGifSlurp(gif) != GIF_OK) {
        ADD_FAILURE() << file << ": " << GifErrorString(gif ? gif->Error : status);
        if (gif) DGifCloseFile(gif, &status);
        return out;
    }
    out.width = gif->SWidth;
    out.height = gif->SHeight;
    out.last.assign(size_t(out.width) * size_t(out.height), 0);
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& frame = gif->SavedImages[i];
        for (int e = 0; e < frame.ExtensionBlockCount; ++e)
            if (frame.ExtensionBlocks[e].Function == APPLICATION_EXT_FUNC_CODE &&
                std::memcmp(frame.ExtensionBlocks[e].Bytes, "NETSCAPE2.0", 11) == 0) {
                out.loops = true;
                if (e + 1 < frame.ExtensionBlockCount && frame.ExtensionBlocks[e + 1].ByteCount >= 3)
                    out.repeats = frame.ExtensionBlocks[e + 1].Bytes[1] | frame.ExtensionBlocks[e + 1].Bytes[2] << 8;
            }
        GraphicsControlBlock control{};
        DGifSavedExtensionToGCB(gif, i, &control);
        out.delays.push_back(control.DelayTime);
        const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
        const GifImageDesc& d = frame.ImageDesc;
        for (int y = 0; y < d.Height; ++y)
            for (int x = 0; x < d.Width; ++x) {
                const int index = frame.RasterBits[y * d.Width + x];
                if (index == control.TransparentColor) continue;
                const GifColorType c = map->Colors[index];
                out.last[size_t(d.Top + y) * size_t(out.width) + size_t(d.Left + x)] =
                    uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | c.Blue;
            }
        out.shown.push_back(out.last);
    }
    DGifCloseFile(gif, &status);
    return out;
}

