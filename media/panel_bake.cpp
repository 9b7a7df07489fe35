// Bakes, at build time, what a window at rest would otherwise draw from SVG
// and fonts (media/panel_art.h): each named panel picture and icon as
// deflated raw pixels, and the start hint's outline.
//
//   geigersim-panel-bake OUTDIR NAME...   (NAME as BakedPanelName, BakedIconName or "hint")
//
// Runs on the offscreen platform; fails when no font is installed, as a hint
// without text would be baked otherwise.
#include <QFontDatabase>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>
#include <zlib.h>

#include "media/panel_art.h"
#include "media/panel_render.h"

namespace {

bool Write(const std::string& path, const void* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), std::streamsize(size));
    return bool(out.flush());
}

bool WritePicture(const std::string& path, const QImage& picture) {
    if (picture.isNull() || picture.format() != QImage::Format_ARGB32_Premultiplied) return false;
    uLongf length = compressBound(uLong(picture.sizeInBytes()));
    std::vector<Bytef> deflated(length);
    if (compress2(deflated.data(), &length, picture.constBits(), uLong(picture.sizeInBytes()), 9) != Z_OK) return false;
    return Write(path, deflated.data(), length);
}

// The picture NAME names, or nothing for a name of no picture.
std::optional<QImage> Picture(const std::string& name) {
    for (int size : kProgramIconSizes)
        if (name == BakedIconName(size)) return RenderIconFromSvg(size);
    int layout = 0, percent = 0;
    char background[16] = {};
    if (std::sscanf(name.c_str(), "panel-%d-%15[a-z]-%d", &layout, background, &percent) != 3) return std::nullopt;
    for (PanelBackground b : {PanelBackground::Backdrop, PanelBackground::Clear})
        if (name == BakedPanelName(layout, percent / 100.0, b) && (layout == 0 || layout == 1) && percent > 0)
            return RenderPanelArtworkFromSvg(layout, percent / 100.0, b);
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    // Qt wants a runtime folder, which a build's environment may lack.
    const QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    QGuiApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: geigersim-panel-bake OUTDIR NAME...\n");
        return 2;
    }
    const std::string dir = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::string name = argv[i];
        const std::string path = dir + "/" + name;
        if (name == kBakedHintName) {
            if (QFontDatabase::families().isEmpty()) {
                std::fprintf(stderr, "geigersim-panel-bake: no font to draw the start hint with (install fonts-dejavu-core)\n");
                return 1;
            }
            const StartHintShape hint = StartHintFromFont(StartHintFont(QGuiApplication::font()));
            const std::string data = StartHintData(hint);
            if (hint.text.isEmpty() || !Write(path, data.data(), data.size())) {
                std::fprintf(stderr, "geigersim-panel-bake: %s: cannot bake the start hint\n", path.c_str());
                return 1;
            }
            continue;
        }
        const std::optional<QImage> picture = Picture(name);
        if (!picture) {
            std::fprintf(stderr, "geigersim-panel-bake: %s: no such picture\n", name.c_str());
            return 2;
        }
        if (!WritePicture(path, *picture)) {
            std::fprintf(stderr, "geigersim-panel-bake: %s: cannot bake\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
