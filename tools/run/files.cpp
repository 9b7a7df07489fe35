// The files the runner writes (`png`, `flash`, `lcd FILE`, `log`, the
// tour), written so that no half-written file is ever left under a name.
#include "tools/run/files.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "firmware/dataflash.h"
#include "script/script_language.h"

namespace geigerrun {
namespace {

// Every byte, or false with errno set: a short write that makes no
// progress is the device refusing more (ENOSPC on /dev/full).
bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) {
            errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string Directory(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// The path a chain of symlinks ends at (which may not exist yet), so the
// temporary file lands beside the real target and the link stays a link.
bool FollowLinks(std::string& path, std::string& why) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return true;
        std::vector<char> target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0 || static_cast<size_t>(n) >= target.size()) {
            why = n < 0 ? std::strerror(errno) : "symlink changed while read";
            return false;
        }
        const std::string next(target.data(), static_cast<size_t>(n));
        path = next.starts_with('/') ? next : Directory(path) + "/" + next;
    }
    why = std::strerror(ELOOP);
    return false;
}

// A temporary file beside `path`, renamed over it once every byte is in.
bool ReplaceRegular(const std::string& path, std::string_view bytes, const struct stat* existing,
                    std::string& why) {
    const size_t slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = Directory(path) + "/." + base + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        why = std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; give it the mode the old file had,
    // or the usual one.
    mode_t mode;
    if (existing != nullptr) {
        mode = existing->st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, bytes);
    if (!ok) why = std::strerror(errno);
    if (::close(fd) != 0 && ok) {
        ok = false;
        why = std::strerror(errno);
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        why = std::strerror(errno);
    }
    if (!ok) ::unlink(temp.c_str());
    return ok;
}

// libpng reports errors by longjmp; the message is kept here for the caller
// (one for each thread: the tour encodes on several).
thread_local char pngMessage[256];

void PngError(png_structp png, png_const_charp message) {
    std::snprintf(pngMessage, sizeof pngMessage, "%s", message != nullptr ? message : "PNG error");
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

void PngAppend(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<const char*>(data), length);
}

void PngFlush(png_structp) {}

// Each row's filter as libpng would choose it, trying all five and keeping
// the first whose bytes, read as signed, add up least; made here in one
// pass, since trying them one by one costs about as much as the compression.
int RowFilter(const png_byte* row, const png_byte* prev, size_t bytes, size_t bpp) {
    // A residual byte read as signed, its size: the smaller of r and 256 - r.
    const auto magnitude = [](unsigned r) {
        const uint8_t v = uint8_t(r), w = uint8_t(0u - r);
        return uint32_t(v < w ? v : w);
    };
    uint32_t none = 0, sub = 0, up = 0, average = 0, paeth = 0;
    // The first pixel has nothing to its left (a = c = 0): Paeth predicts b.
    for (size_t i = 0; i < bpp && i < bytes; ++i) {
        const unsigned x = row[i], b = prev[i];
        none += magnitude(x);
        sub += magnitude(x);
        up += magnitude(x - b);
        average += magnitude(x - (b >> 1));
        paeth += magnitude(x - b);
    }
    // Branch-free, so that the compiler can do many bytes at once.
    for (size_t i = bpp; i < bytes; ++i) {
        const int x = row[i], b = prev[i], a = row[i - bpp], c = prev[i - bpp];
        const int p = b - c, q = a - c;
        const int pa = p < 0 ? -p : p, pb = q < 0 ? -q : q, pc = p + q < 0 ? -(p + q) : p + q;
        const int predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
        none += magnitude(unsigned(x));
        sub += magnitude(unsigned(x - a));
        up += magnitude(unsigned(x - b));
        average += magnitude(unsigned(x - ((a + b) >> 1)));
        paeth += magnitude(unsigned(x - predicted));
    }
    int best = PNG_FILTER_NONE;
    uint32_t least = none;
    const std::pair<uint32_t, int> others[] = {
        {sub, PNG_FILTER_SUB}, {up, PNG_FILTER_UP}, {average, PNG_FILTER_AVG}, {paeth, PNG_FILTER_PAETH}};
    for (const auto& [sum, filter] : others)
        if (sum < least) {
            least = sum;
            best = filter;
        }
    return best;
}

// Pictures are deflated in bands of rows, each band its own raw deflate
// stream ending on a byte boundary (as a parallel gzip joins its pieces),
// so that a band met before - the panel around the LCD, picture after
// picture of a tour - comes from a small cache instead of being filtered
// and deflated again. The file's bytes are the same either way.
constexpr int kBandRows = 16;               // source rows
// The cache holds at least this, or the bands of three pictures of the
// size being written, so that a big panel's frame stays in.
constexpr size_t kBandCacheBytes = 12u << 20;

struct BandShape {
    int width, scale;
    bool alpha, first, last;
    bool operator==(const BandShape&) const = default;
};

struct DeflatedBand {
    std::string bytes;
    uLong adler = 1;     // of the filtered rows
    size_t length = 0;   // their count of bytes
};

class BandCache {
public:
    // `key`: the band's source rows with the row above (its filters read it).
    bool Find(const BandShape& shape, std::string_view key, size_t hash, DeflatedBand& band) {
        std::lock_guard lock(mutex_);
        for (Entry& e : entries_)
            if (e.hash == hash && e.shape == shape && e.key == key) {
                e.used = ++clock_;
                band = e.band;
                return true;
            }
        return false;
    }

    void Keep(const BandShape& shape, std::string_view key, size_t hash, const DeflatedBand& band, size_t limit) {
        std::lock_guard lock(mutex_);
        entries_.push_back({shape, std::string(key), hash, band, ++clock_});
        bytes_ += key.size() + band.bytes.size();
        while (bytes_ > std::max(limit, kBandCacheBytes) && entries_.size() > 1) {
            auto oldest = entries_.begin();
            for (auto e = entries_.begin(); e != entries_.end(); ++e)
                if (e->used < oldest->used) oldest = e;
            bytes_ -= oldest->key.size() + oldest->band.bytes.size();
            entries_.erase(oldest);
        }
    }

private:
    struct Entry {
        BandShape shape;
        std::string key;
        size_t hash;
        DeflatedBand band;
        uint64_t used;
    };
    std::mutex mutex_;
    std::vector<Entry> entries_;
    size_t bytes_ = 0;
    uint64_t clock_ = 0;
};

BandCache gBands;

uint8_t Paeth(int a, int b, int c) {
    const int p = b - c, q = a - c;
    const int pa = p < 0 ? -p : p, pb = q < 0 ? -q : q, pc = p + q < 0 ? -(p + q) : p + q;
    return static_cast<uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// The row as PNG filter `type` leaves it, after its filter byte.
void FilterRow(int type, const png_byte* cur, const png_byte* prev, size_t bytes, size_t bpp, std::string& out) {
    out += static_cast<char>(type);
    for (size_t i = 0; i < bytes; ++i) {
        const int a = i >= bpp ? cur[i - bpp] : 0, b = prev[i], c = i >= bpp ? prev[i - bpp] : 0;
        int predicted = 0;
        switch (type) {
        case PNG_FILTER_VALUE_SUB: predicted = a; break;
        case PNG_FILTER_VALUE_UP: predicted = b; break;
        case PNG_FILTER_VALUE_AVG: predicted = (a + b) >> 1; break;
        case PNG_FILTER_VALUE_PAETH: predicted = Paeth(a, b, c); break;
        default: break;
        }
        out += static_cast<char>(static_cast<uint8_t>(cur[i] - predicted));
    }
}

int FilterValue(int filterBit) {
    switch (filterBit) {
    case PNG_FILTER_SUB: return PNG_FILTER_VALUE_SUB;
    case PNG_FILTER_UP: return PNG_FILTER_VALUE_UP;
    case PNG_FILTER_AVG: return PNG_FILTER_VALUE_AVG;
    case PNG_FILTER_PAETH: return PNG_FILTER_VALUE_PAETH;
    default: return PNG_FILTER_VALUE_NONE;
    }
}

// One source row repeated `scale` times across, as RGB or RGBA bytes.
void ExpandRow(const uint32_t* pixels, int width, int scale, bool alpha, png_byte* out) {
    for (int x = 0; x < width; ++x) {
        const uint32_t p = pixels[x];
        for (int k = 0; k < scale; ++k) {
            *out++ = static_cast<png_byte>(p >> 16);
            *out++ = static_cast<png_byte>(p >> 8);
            *out++ = static_cast<png_byte>(p);
            if (alpha) *out++ = static_cast<png_byte>(p >> 24);
        }
    }
}

// Source rows [y0, y1) filtered and deflated; the last band finishes the stream.
bool DeflateBand(const uint32_t* pixels, int stride, int y0, int y1, const BandShape& shape, DeflatedBand& band) {
    const size_t bpp = shape.alpha ? 4 : 3, bytes = size_t(shape.width) * size_t(shape.scale) * bpp;
    std::vector<png_byte> rows(bytes * 2, 0);
    png_byte* cur = rows.data();
    png_byte* prev = rows.data() + bytes;
    if (y0 > 0) ExpandRow(pixels + size_t(y0 - 1) * size_t(stride), shape.width, shape.scale, shape.alpha, prev);
    std::string filtered;
    filtered.reserve((bytes + 1) * size_t(y1 - y0) * size_t(shape.scale));
    for (int y = y0; y < y1; ++y) {
        ExpandRow(pixels + size_t(y) * size_t(stride), shape.width, shape.scale, shape.alpha, cur);
        for (int k = 0; k < shape.scale; ++k) {
            const png_byte* above = k > 0 ? cur : prev;
            FilterRow(FilterValue(RowFilter(cur, above, bytes, bpp)), cur, above, bytes, bpp, filtered);
        }
        std::swap(cur, prev);
    }
    z_stream z{};
    // libpng's own settings for filtered rows.
    if (deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_FILTERED) != Z_OK) return false;
    band.bytes.resize(deflateBound(&z, filtered.size()) + 16);
    z.next_in = reinterpret_cast<Bytef*>(filtered.data());
    z.avail_in = static_cast<uInt>(filtered.size());
    z.next_out = reinterpret_cast<Bytef*>(band.bytes.data());
    z.avail_out = static_cast<uInt>(band.bytes.size());
    const int done = deflate(&z, shape.last ? Z_FINISH : Z_SYNC_FLUSH);
    const bool ok = (shape.last ? done == Z_STREAM_END : done == Z_OK) && z.avail_in == 0 && z.avail_out > 0;
    band.bytes.resize(z.total_out);
    deflateEnd(&z);
    band.adler = adler32(1, reinterpret_cast<const Bytef*>(filtered.data()), static_cast<uInt>(filtered.size()));
    band.length = filtered.size();
    return ok;
}

// The zlib stream of the whole picture: header, bands, checksum.
bool DeflatePicture(const uint32_t* pixels, int width, int height, int stride, int scale, bool alpha,
                    std::string& stream) {
    stream.assign("\x78\x9c", 2);  // deflate, 32 KiB window, the default level
    uLong adler = 1;
    for (int y0 = 0; y0 < height; y0 += kBandRows) {
        const int y1 = std::min(height, y0 + kBandRows);
        const BandShape shape{width, scale, alpha, y0 == 0, y1 == height};
        const int from = y0 > 0 ? y0 - 1 : 0;
        std::string key;
        for (int y = from; y < y1; ++y)
            key.append(reinterpret_cast<const char*>(pixels + size_t(y) * size_t(stride)), size_t(width) * 4);
        const size_t hash = std::hash<std::string_view>()(key);
        DeflatedBand band;
        if (!gBands.Find(shape, key, hash, band)) {
            if (!DeflateBand(pixels, stride, y0, y1, shape, band)) return false;
            gBands.Keep(shape, key, hash, band, size_t(width) * size_t(height) * 4 * 3);
        }
        stream += band.bytes;
        adler = adler32_combine(adler, band.adler, static_cast<z_off_t>(band.length));
    }
    for (int shift = 24; shift >= 0; shift -= 8) stream += static_cast<char>((adler >> shift) & 0xFF);
    return true;
}

// Only trivially destructible locals here: libpng may longjmp out of any
// call. libpng writes the chunks around the picture's own IDAT.
bool WriteChunks(int width, int height, bool alpha, int dpi, const std::string* idat, std::string* png) {
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (writer == nullptr) return false;
    png_infop info = png_create_info_struct(writer);
    if (info == nullptr) {
        png_destroy_write_struct(&writer, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(writer))) {
        png_destroy_write_struct(&writer, &info);
        return false;
    }
    png_set_write_fn(writer, png, PngAppend, PngFlush);
    png_set_IHDR(writer, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // pHYs counts pixels a metre: an inch is 0.0254 m.
    if (dpi > 0) {
        const auto perMetre = static_cast<png_uint_32>(std::lround(dpi / 0.0254));
        png_set_pHYs(writer, info, perMetre, perMetre, PNG_RESOLUTION_METER);
    }
    png_write_info(writer, info);
    png_write_chunk(writer, reinterpret_cast<png_const_bytep>("IDAT"), reinterpret_cast<png_const_bytep>(idat->data()),
                    idat->size());
    png_write_chunk(writer, reinterpret_cast<png_const_bytep>("IEND"), nullptr, 0);
    png_destroy_write_struct(&writer, &info);
    return true;
}

}  // namespace

bool WriteFileSafely(const std::string& path, std::string_view bytes, std::ostream& standardOutput,
                     std::string& error) {
    const std::string quoted = script::Quote(path);
    if (path == "-") {
        standardOutput.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        standardOutput.flush();
        if (!standardOutput) {
            error = "cannot write the output";
            return false;
        }
        return true;
    }
    if (path.empty() || path.back() == '/') {
        error = "cannot write " + quoted + ": not a file name";
        return false;
    }
    std::string target = path, why;
    bool ok = FollowLinks(target, why);
    if (ok) {
        struct stat st;
        if (::stat(target.c_str(), &st) != 0) {
            if (errno == ENOENT) {
                ok = ReplaceRegular(target, bytes, nullptr, why);
            } else {
                ok = false;
                why = std::strerror(errno);
            }
        } else if (S_ISREG(st.st_mode)) {
            ok = ReplaceRegular(target, bytes, &st, why);
        } else if (S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) {
            // A device or a pipe cannot be replaced without breaking it:
            // written in place (a pipe waits here for its reader).
            const int fd = ::open(target.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
            ok = fd >= 0 && WriteAll(fd, bytes);
            if (!ok) why = std::strerror(errno);
            if (fd >= 0 && ::close(fd) != 0 && ok) {
                ok = false;
                why = std::strerror(errno);
            }
        } else {
            ok = false;
            why = S_ISDIR(st.st_mode) ? "is a directory" : "not a regular file, character device or named pipe";
        }
    }
    if (!ok) error = "cannot write " + quoted + ": " + why;
    return ok;
}

bool EncodePng(const uint32_t* pixels, int width, int height, int stride, int scale, std::string& png,
               std::string& error, bool alpha, int dpi) {
    png.clear();
    std::string idat;
    if (width <= 0 || height <= 0 || !DeflatePicture(pixels, width, height, stride, scale, alpha, idat)) {
        error = "cannot compress the picture";
        return false;
    }
    std::snprintf(pngMessage, sizeof pngMessage, "out of memory");
    if (WriteChunks(width * scale, height * scale, alpha, dpi, &idat, &png)) return true;
    error = pngMessage;
    return false;
}

bool WriteFlash(const std::string& path, std::string& error, std::ostream& out) {
    return WriteFileSafely(path, std::string_view(reinterpret_cast<const char*>(FlashWriteArea), kFlashAreaSize),
                           out, error);
}

}  // namespace geigerrun
