// The `png` and `flash` outputs, written so that a failure leaves no file.
#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "firmware/dataflash.h"
#include "platform/lcd.h"
#include "tools/run/runner.h"

namespace geigerrun {
namespace {

using FillFile = bool (*)(std::FILE* file, const void* data, std::string& error);

// Writes `fill`'s bytes to a temporary file beside `path` and renames it
// over `path` only once everything reached the disk.
bool WriteAtomically(const std::string& path, FillFile fill, const void* data,
                     std::string& error) {
    const std::string quoted = Quote(path);
    if (path.empty() || path.back() == '/') {
        error = "cannot write " + quoted + ": not a file name";
        return false;
    }
    const size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "" : path.substr(0, slash);
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temp = dir + "/." + base + ".XXXXXX";

    const int fd = mkstemp(temp.data());
    if (fd < 0) {
        error = "cannot write " + quoted + ": " + std::strerror(errno);
        return false;
    }
    // mkstemp creates the file private; give the result the usual mode.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);

    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        error = "cannot write " + quoted + ": " + std::strerror(errno);
        close(fd);
        unlink(temp.c_str());
        return false;
    }
    std::string why;
    bool ok = fill(file, data, why);
    if (ok && std::fflush(file) != 0) {
        ok = false;
        why = std::strerror(errno);
    }
    if (ok && std::ferror(file)) {
        ok = false;
        why = "write error";
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        why = std::strerror(errno);
    }
    if (ok && std::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        why = std::strerror(errno);
    }
    if (!ok) {
        unlink(temp.c_str());
        error = "cannot write " + quoted + ": " + why;
    }
    return ok;
}

// libpng reports errors by longjmp; the message is kept here for the caller.
char pngMessage[256];

void PngError(png_structp png, png_const_charp message) {
    std::snprintf(pngMessage, sizeof pngMessage, "%s", message != nullptr ? message : "PNG error");
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

// Only trivially destructible locals here: libpng may longjmp out of any call.
bool EncodePng(std::FILE* file, const LcdPicture* picture) {
    static png_byte row[kLcdScreenWidth * 3];
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngError, PngWarning);
    if (png == nullptr) return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, kLcdScreenWidth, kLcdScreenHeight, 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kLcdScreenHeight; ++y) {
        for (int x = 0; x < kLcdScreenWidth; ++x) {
            const uint32_t p = picture->pixels[y][x];
            row[3 * x] = static_cast<png_byte>(p >> 16);
            row[3 * x + 1] = static_cast<png_byte>(p >> 8);
            row[3 * x + 2] = static_cast<png_byte>(p);
        }
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool FillPng(std::FILE* file, const void* data, std::string& error) {
    std::snprintf(pngMessage, sizeof pngMessage, "out of memory");
    if (EncodePng(file, static_cast<const LcdPicture*>(data))) return true;
    error = pngMessage;
    return false;
}

bool FillFlash(std::FILE* file, const void*, std::string& error) {
    if (std::fwrite(FlashWriteArea, 1, kFlashAreaSize, file) != kFlashAreaSize) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

bool WritePng(const std::string& path, const LcdPicture& picture, std::string& error) {
    return WriteAtomically(path, FillPng, &picture, error);
}

bool WriteFlash(const std::string& path, std::string& error) {
    return WriteAtomically(path, FillFlash, nullptr, error);
}

}  // namespace geigerrun
