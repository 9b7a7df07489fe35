// Animated GIFs with giflib: one palette from the first frame, later frames
// as the rectangle that changed with the rest see-through, dithered where
// the palette lacks a colour, looping as asked.
#include "media/gif_writer.h"

#include <gif_lib.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace gif {
namespace {

constexpr uint8_t kSeeThrough = 0;  // palette index 0 in every frame
constexpr uint32_t kOpaque = 0xFF000000u;

// What a pixel shows: opaque colour, or 0 for see-through. GIF has no
// partial transparency: a soft edge (the panel's anti-aliased case) is laid
// over `matte` rather than cut at half, so it stays smooth on that page.
uint32_t Shown(uint32_t argb, uint32_t matte) {
    const uint32_t a = argb >> 24;
    if (a == 0) return 0;
    if (a == 255) return argb;
    uint32_t rgb = 0;
    for (int shift : {16, 8, 0}) {
        const uint32_t c = (argb >> shift & 0xFF) * a + (matte >> shift & 0xFF) * (255 - a);
        rgb |= (c + 127) / 255 << shift;
    }
    return kOpaque | rgb;
}

int Channel(uint32_t rgb, int shift) { return int(rgb >> shift & 0xFF); }

int AppendBytes(GifFileType* file, const GifByteType* bytes, int count) {
    static_cast<std::string*>(file->UserData)->append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(count));
    return count;
}

int PowerOfTwoAtLeast(size_t n) {
    int size = 2;
    while (static_cast<size_t>(size) < n) size *= 2;
    return size;
}

struct ColourMap {
    ColorMapObject* map = nullptr;
    explicit ColourMap(const std::vector<uint32_t>& colours) {
        std::vector<GifColorType> entries(static_cast<size_t>(PowerOfTwoAtLeast(colours.size() + 1)),
                                          GifColorType{0, 0, 0});
        for (size_t i = 0; i < colours.size(); ++i)
            entries[i + 1] = GifColorType{static_cast<GifByteType>(colours[i] >> 16),
                                          static_cast<GifByteType>(colours[i] >> 8),
                                          static_cast<GifByteType>(colours[i])};
        map = GifMakeMapObject(static_cast<int>(entries.size()), entries.data());
    }
    ~ColourMap() { GifFreeMapObject(map); }
    ColourMap(const ColourMap&) = delete;
    ColourMap& operator=(const ColourMap&) = delete;
};

}  // namespace

struct Writer::Impl {
    std::string bytes;
    GifFileType* file = nullptr;
    std::vector<uint32_t> palette;                     // 0xRRGGBB of indices 1..
    std::unordered_map<uint32_t, uint8_t> exact;       // palette colours
    std::unordered_map<uint32_t, uint8_t> nearest;     // any colour seen, to its closest entry
    std::vector<uint32_t> canvas;                      // what the frames so far show, Shown() pixels
    // The first frame's pixels and the palette colours they were drawn in:
    // a pixel that returns to its first colour (a key let go) is drawn as
    // then, not dithered anew, so the picture comes back the same.
    std::vector<uint32_t> firstShown, firstDrawn;
    // The latest frame, not yet written: its rectangle, indices, own palette, delay.
    bool pending = false;
    int left = 0, top = 0, w = 0, h = 0;
    std::vector<uint8_t> indices;
    std::vector<uint32_t> local;
    uint32_t delay = 0;
    bool failed = false;

    // The pixels of the frame being indexed: the see-through one unless the
    // pixel changed, exact where the palette has its colour, else Floyd–
    // Steinberg dithered against the palette, so a gradient the palette
    // cannot hold shows as fine grain rather than bands. Exact colours take
    // no error from their neighbours, so the LCD's colours stay exact.
    // `draw` says which pixels of the w x h rectangle are drawn.
    void Dither(const uint32_t* colours, const std::vector<bool>& draw, const std::unordered_map<uint32_t, uint8_t>* own,
                int w, int h, std::vector<uint8_t>& out) {
        out.assign(size_t(w) * size_t(h), kSeeThrough);
        // Error carried to this row and the next, per channel, in 16ths.
        std::vector<int> here(size_t(w + 2) * 3, 0), next(size_t(w + 2) * 3, 0);
        for (int y = 0; y < h; ++y) {
            std::fill(next.begin(), next.end(), 0);
            for (int x = 0; x < w; ++x) {
                const size_t i = size_t(y) * size_t(w) + size_t(x);
                if (!draw[i]) continue;
                const uint32_t rgb = colours[i] & 0xFFFFFFu;
                if (own != nullptr) {
                    out[i] = own->at(rgb);
                    continue;
                }
                if (auto it = exact.find(rgb); it != exact.end()) {
                    out[i] = it->second;
                    continue;
                }
                int want[3];
                uint32_t target = 0;
                for (int k = 0; k < 3; ++k) {
                    want[k] = std::clamp(Channel(rgb, 16 - 8 * k) + here[size_t(x + 1) * 3 + size_t(k)] / 16, 0, 255);
                    target = target << 8 | uint32_t(want[k]);
                }
                const uint8_t index = Nearest(target);
                out[i] = index;
                const uint32_t got = palette[index - 1];
                for (int k = 0; k < 3; ++k) {
                    const int e = want[k] - Channel(got, 16 - 8 * k);
                    here[size_t(x + 2) * 3 + size_t(k)] += e * 7;
                    next[size_t(x) * 3 + size_t(k)] += e * 3;
                    next[size_t(x + 1) * 3 + size_t(k)] += e * 5;
                    next[size_t(x + 2) * 3 + size_t(k)] += e;
                }
            }
            std::swap(here, next);
        }
    }

    uint8_t Nearest(uint32_t rgb) {
        if (auto it = exact.find(rgb); it != exact.end()) return it->second;
        if (auto it = nearest.find(rgb); it != nearest.end()) return it->second;
        int best = 1;
        long bestDistance = -1;
        for (size_t i = 0; i < palette.size(); ++i) {
            const long dr = long(rgb >> 16 & 0xFF) - long(palette[i] >> 16 & 0xFF);
            const long dg = long(rgb >> 8 & 0xFF) - long(palette[i] >> 8 & 0xFF);
            const long db = long(rgb & 0xFF) - long(palette[i] & 0xFF);
            const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
            if (bestDistance < 0 || d < bestDistance) {
                bestDistance = d;
                best = static_cast<int>(i) + 1;
            }
        }
        nearest[rgb] = static_cast<uint8_t>(best);
        return static_cast<uint8_t>(best);
    }
};

Writer::Writer(int width, int height, std::vector<uint32_t> reserved, uint32_t minimumDelay)
    : width_(width), height_(height), reserved_(std::move(reserved)), minimumDelay_(minimumDelay),
      impl_(std::make_unique<Impl>()) {}

Writer::~Writer() {
    if (impl_->file != nullptr) EGifCloseFile(impl_->file, nullptr);
}

void Writer::Hold(uint32_t centiseconds) {
    impl_->delay = std::min<uint64_t>(uint64_t(impl_->delay) + centiseconds, kMaxDelay);
}

// `size` colours for `counts` (colour -> pixels): boxes of colours split at
// the weighted median of their widest channel, each box its mean. In full
// precision: giflib's own cut works at five bits a channel, which tints the
// panel's light greys.
static std::vector<uint32_t> MedianCut(const std::unordered_map<uint32_t, uint32_t>& counts, size_t size) {
    using Entry = std::pair<uint32_t, uint32_t>;  // colour, pixels
    const auto channel = [](uint32_t c, int k) { return int(c >> (16 - 8 * k)) & 0xFF; };
    const auto widest = [&](const std::vector<Entry>& box, int& range) {
        int best = 0;
        range = -1;
        for (int k = 0; k < 3; ++k) {
            int lo = 255, hi = 0;
            for (const Entry& e : box) {
                lo = std::min(lo, channel(e.first, k));
                hi = std::max(hi, channel(e.first, k));
            }
            if (hi - lo > range) {
                range = hi - lo;
                best = k;
            }
        }
        return best;
    };
    std::vector<std::vector<Entry>> boxes(1, std::vector<Entry>(counts.begin(), counts.end()));
    if (boxes[0].empty() || size == 0) return {};
    while (boxes.size() < size) {
        size_t pick = boxes.size();
        int pickRange = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            int range = 0;
            widest(boxes[i], range);
            if (boxes[i].size() > 1 && range > pickRange) {
                pick = i;
                pickRange = range;
            }
        }
        if (pick == boxes.size()) break;  // every box holds one colour
        std::vector<Entry>& box = boxes[pick];
        int range = 0;
        const int k = widest(box, range);
        std::sort(box.begin(), box.end(),
                  [&](const Entry& a, const Entry& b) { return channel(a.first, k) < channel(b.first, k); });
        uint64_t total = 0, sum = 0;
        for (const Entry& e : box) total += e.second;
        size_t at = 1;
        for (; at < box.size() - 1; ++at) {
            sum += box[at - 1].second;
            if (2 * sum >= total) break;
        }
        std::vector<Entry> upper(box.begin() + std::ptrdiff_t(at), box.end());
        box.resize(at);
        boxes.push_back(std::move(upper));
    }
    std::vector<uint32_t> out;
    for (const std::vector<Entry>& box : boxes) {
        uint64_t total = 0, rgb[3] = {0, 0, 0};
        for (const Entry& e : box) {
            total += e.second;
            for (int k = 0; k < 3; ++k) rgb[k] += uint64_t(channel(e.first, k)) * e.second;
        }
        uint32_t c = 0;
        for (int k = 0; k < 3; ++k) c = c << 8 | uint32_t((rgb[k] + total / 2) / total);
        out.push_back(c);
    }
    return out;
}

// The palette of the first frame: its colours and the reserved ones, or the
// reserved ones and a median cut of the rest when they are too many.
static std::vector<uint32_t> FirstPalette(const std::vector<uint32_t>& shown, const std::vector<uint32_t>& reserved) {
    std::vector<uint32_t> palette;
    std::unordered_set<uint32_t> seen;
    for (uint32_t c : reserved)
        if (seen.insert(c & 0xFFFFFFu).second) palette.push_back(c & 0xFFFFFFu);
    std::vector<uint32_t> rest;
    for (uint32_t p : shown)
        if (p != 0 && seen.insert(p & 0xFFFFFFu).second) rest.push_back(p & 0xFFFFFFu);
    if (palette.size() + rest.size() <= 255) {
        palette.insert(palette.end(), rest.begin(), rest.end());
        return palette;
    }
    std::unordered_map<uint32_t, uint32_t> counts;
    for (uint32_t p : shown)
        if (p != 0 && std::find(palette.begin(), palette.end(), p & 0xFFFFFFu) == palette.end()) ++counts[p & 0xFFFFFFu];
    const std::vector<uint32_t> cut = MedianCut(counts, 255 - palette.size());
    palette.insert(palette.end(), cut.begin(), cut.end());
    return palette;
}

bool Writer::Add(const uint32_t* argb, int stride, std::string& error) {
    Impl& s = *impl_;
    if (s.failed || width_ <= 0 || height_ <= 0) {
        error = "the animation cannot take more frames";
        return false;
    }
    const size_t count = size_t(width_) * size_t(height_);
    std::vector<uint32_t> shown(count);
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            shown[size_t(y) * size_t(width_) + size_t(x)] = Shown(argb[size_t(y) * size_t(stride) + size_t(x)], matte_);

    if (s.canvas.empty()) {
        s.palette = FirstPalette(shown, reserved_);
        for (size_t i = 0; i < s.palette.size(); ++i) s.exact.emplace(s.palette[i], static_cast<uint8_t>(i + 1));
        s.left = s.top = 0;
        s.w = width_;
        s.h = height_;
        std::vector<bool> draw(count);
        for (size_t i = 0; i < count; ++i) draw[i] = shown[i] != 0;
        s.Dither(shown.data(), draw, nullptr, width_, height_, s.indices);
        s.firstShown = shown;
        s.firstDrawn.resize(count);
        for (size_t i = 0; i < count; ++i) s.firstDrawn[i] = s.indices[i] == kSeeThrough ? 0 : s.palette[s.indices[i] - 1u];
        s.local.clear();
        s.canvas = std::move(shown);
        s.pending = true;
        s.delay = 0;
        frames_ = 1;
        return true;
    }

    // The changed rectangle; a pixel turning see-through cannot be shown
    // without clearing the frame, so it keeps what it had.
    int x0 = width_, y0 = height_, x1 = -1, y1 = -1;
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x) {
            const size_t i = size_t(y) * size_t(width_) + size_t(x);
            if (shown[i] == 0 || shown[i] == s.canvas[i]) continue;
            x0 = std::min(x0, x);
            x1 = std::max(x1, x);
            y0 = std::min(y0, y);
            y1 = std::max(y1, y);
        }
    if (x1 < 0) return true;  // the same picture: the last frame goes on
    if (!Flush(error)) return false;

    s.left = x0;
    s.top = y0;
    s.w = x1 - x0 + 1;
    s.h = y1 - y0 + 1;
    // The colours that changed: the shared palette when it has them, else
    // one of their own when they fit, else the nearest shared ones.
    std::vector<uint32_t> fresh;
    std::unordered_map<uint32_t, uint8_t> own;
    bool allShared = true;
    // What each changed pixel is drawn as: its first frame's drawing when it
    // shows that frame's colour again, else its colour.
    const auto wanted = [&](size_t i) { return shown[i] == s.firstShown[i] ? s.firstDrawn[i] : shown[i]; };
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const size_t i = size_t(y) * size_t(width_) + size_t(x);
            if (shown[i] == 0 || shown[i] == s.canvas[i]) continue;
            const uint32_t rgb = wanted(i) & 0xFFFFFFu;
            if (!s.exact.contains(rgb)) allShared = false;
            if (own.size() <= 255 && !own.contains(rgb)) {
                own.emplace(rgb, static_cast<uint8_t>(own.size() + 1));
                fresh.push_back(rgb);
            }
        }
    const bool useOwn = !allShared && own.size() <= 255;
    s.local = useOwn ? fresh : std::vector<uint32_t>();
    std::vector<uint32_t> area(size_t(s.w) * size_t(s.h));
    std::vector<bool> draw(area.size());
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const size_t i = size_t(y) * size_t(width_) + size_t(x);
            const size_t j = size_t(y - y0) * size_t(s.w) + size_t(x - x0);
            area[j] = wanted(i);
            draw[j] = shown[i] != 0 && shown[i] != s.canvas[i];
            if (draw[j]) s.canvas[i] = shown[i];
        }
    s.Dither(area.data(), draw, useOwn ? &own : nullptr, s.w, s.h, s.indices);
    s.pending = true;
    s.delay = 0;
    ++frames_;
    return true;
}

bool Writer::Flush(std::string& error) {
    Impl& s = *impl_;
    if (!s.pending) return true;
    int status = GIF_OK;
    bool ok = true;
    if (s.file == nullptr) {
        s.file = EGifOpen(&s.bytes, AppendBytes, &status);
        if (s.file == nullptr) {
            error = GifErrorString(status);
            s.failed = true;
            return false;
        }
        EGifSetGifVersion(s.file, true);
        ColourMap global(s.palette);
        ok = EGifPutScreenDesc(s.file, width_, height_, 8, kSeeThrough, global.map) == GIF_OK;
        // The NETSCAPE2.0 block counts the repeats after the first play,
        // 0 for ever; without it a viewer plays the animation once.
        if (loops_ != 0) {
            const int repeats = loops_ < 0 ? 0 : loops_;
            const GifByteType count[3] = {1, GifByteType(repeats & 0xFF), GifByteType(repeats >> 8 & 0xFF)};
            ok = ok && EGifPutExtensionLeader(s.file, APPLICATION_EXT_FUNC_CODE) == GIF_OK &&
                 EGifPutExtensionBlock(s.file, 11, "NETSCAPE2.0") == GIF_OK &&
                 EGifPutExtensionBlock(s.file, 3, count) == GIF_OK && EGifPutExtensionTrailer(s.file) == GIF_OK;
        }
    }
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.UserInputFlag = false;
    control.DelayTime = static_cast<int>(std::min(std::max(s.delay, minimumDelay_), kMaxDelay));
    control.TransparentColor = kSeeThrough;
    GifByteType extension[4];
    const size_t length = EGifGCBToExtension(&control, extension);
    std::unique_ptr<ColourMap> local;
    if (!s.local.empty()) local = std::make_unique<ColourMap>(s.local);
    // giflib keeps a copy of the last frame's own palette and, given none
    // for this frame, drops the copy without freeing it: freed here.
    if (!local && s.file->Image.ColorMap != nullptr) {
        GifFreeMapObject(s.file->Image.ColorMap);
        s.file->Image.ColorMap = nullptr;
    }
    ok = ok && EGifPutExtension(s.file, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) == GIF_OK &&
         EGifPutImageDesc(s.file, s.left, s.top, s.w, s.h, false, local ? local->map : nullptr) == GIF_OK;
    for (int y = 0; ok && y < s.h; ++y)
        ok = EGifPutLine(s.file, s.indices.data() + size_t(y) * size_t(s.w), s.w) == GIF_OK;
    if (!ok) {
        error = GifErrorString(s.file->Error);
        s.failed = true;
        return false;
    }
    s.pending = false;
    return true;
}

bool Writer::Finish(std::string& bytes, std::string& error) {
    Impl& s = *impl_;
    if (frames_ == 0) {
        error = "no frame to write";
        return false;
    }
    if (!Flush(error)) return false;
    int status = GIF_OK;
    const bool closed = EGifCloseFile(s.file, &status) == GIF_OK;
    s.file = nullptr;
    s.failed = true;  // no frames after the end
    if (!closed) {
        error = GifErrorString(status);
        return false;
    }
    bytes = std::move(s.bytes);
    return true;
}

}  // namespace gif
