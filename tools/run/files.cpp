// The files the runner writes (`png`, `flash`, `lcd FILE`, `log`, the
// tour), written so that no half-written file is ever left under a name.
#include "tools/run/files.h"

#include <png.h>

#include <cerrno>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// libpng chooses each row's filter by trying all five in turn and keeping
// the first whose bytes, read as signed, add up least; the trying costs
// about as much as the compression. The same choice made here in one pass
// and handed to libpng as the row's only filter writes the same file.
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

// Only trivially destructible locals here: libpng may longjmp out of any
// call. `row` is the caller's, sized width * scale * 4 twice over (this
// row and the one before).
bool EncodeRows(const uint32_t* pixels, int width, int height, int stride, int scale, bool alpha, int dpi,
                png_byte* row, std::string* png) {
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
    png_set_IHDR(writer, info, static_cast<png_uint_32>(width * scale), static_cast<png_uint_32>(height * scale), 8,
                 alpha ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // pHYs counts pixels a metre: an inch is 0.0254 m.
    if (dpi > 0) {
        const auto perMetre = static_cast<png_uint_32>(std::lround(dpi / 0.0254));
        png_set_pHYs(writer, info, perMetre, perMetre, PNG_RESOLUTION_METER);
    }
    png_write_info(writer, info);
    // The first row goes through libpng's own choice with every filter on,
    // which also makes it keep the row above for the rest (and sets zlib's
    // strategy, as ever, for filtered rows).
    const size_t bytes = size_t(width) * size_t(scale) * (alpha ? 4 : 3);
    const bool ownChoice = width * scale > 1 && height * scale > 1;
    png_byte* cur = row;
    png_byte* prev = row + size_t(width) * size_t(scale) * 4;
    for (int y = 0; y < height; ++y) {
        png_byte* out = cur;
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(stride) + static_cast<size_t>(x)];
            for (int k = 0; k < scale; ++k) {
                *out++ = static_cast<png_byte>(p >> 16);
                *out++ = static_cast<png_byte>(p >> 8);
                *out++ = static_cast<png_byte>(p);
                if (alpha) *out++ = static_cast<png_byte>(p >> 24);
            }
        }
        for (int k = 0; k < scale; ++k) {
            if (ownChoice && (y > 0 || k > 0))
                png_set_filter(writer, PNG_FILTER_TYPE_BASE, RowFilter(cur, k > 0 ? cur : prev, bytes, alpha ? 4 : 3));
            png_write_row(writer, cur);
        }
        std::swap(cur, prev);
    }
    png_write_end(writer, nullptr);
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
    std::vector<png_byte> row(static_cast<size_t>(width) * static_cast<size_t>(scale) * 4 * 2);
    png.clear();
    std::snprintf(pngMessage, sizeof pngMessage, "out of memory");
    if (EncodeRows(pixels, width, height, stride, scale, alpha, dpi, row.data(), &png)) return true;
    error = pngMessage;
    return false;
}

bool WriteFlash(const std::string& path, std::string& error, std::ostream& out) {
    return WriteFileSafely(path, std::string_view(reinterpret_cast<const char*>(FlashWriteArea), kFlashAreaSize),
                           out, error);
}

}  // namespace geigerrun
