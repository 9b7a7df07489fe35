#include "app/skin_image.h"

#include <QFile>
#include <cstdint>
#include <initializer_list>

#include "media/resource_ids.h"

namespace {

constexpr qsizetype kRegionHeaderSize = 32;
constexpr uint32_t kRegionTypeRectangles = 1;
// Far beyond any screen, and small enough that no size computed from it overflows.
constexpr int64_t kRegionCoordinateLimit = 1 << 20;

uint32_t ReadU32(const QByteArray& data, qsizetype offset) {
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData()) + offset;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int32_t ReadI32(const QByteArray& data, qsizetype offset) {
    return static_cast<int32_t>(ReadU32(data, offset));
}

}  // namespace

bool ParseRegionData(const QByteArray& data, QRegion* out) {
    if (data.size() < kRegionHeaderSize) return false;
    if (ReadU32(data, 0) != kRegionHeaderSize) return false;
    if (ReadU32(data, 4) != kRegionTypeRectangles) return false;
    const uint64_t count = ReadU32(data, 8);
    const uint64_t listBytes = ReadU32(data, 12);
    if (listBytes != 16 * count) return false;
    // The list must be exactly what the header announces: nothing missing
    // (never read past the end) and nothing unexplained after it.
    if (uint64_t(data.size()) != uint64_t(kRegionHeaderSize) + listBytes) return false;

    QRegion region;
    for (uint64_t i = 0; i < count; ++i) {
        const qsizetype at = kRegionHeaderSize + qsizetype(i) * 16;
        const int64_t left = ReadI32(data, at);
        const int64_t top = ReadI32(data, at + 4);
        const int64_t right = ReadI32(data, at + 8);
        const int64_t bottom = ReadI32(data, at + 12);
        if (right < left || bottom < top) return false;
        for (int64_t v : {left, top, right, bottom})
            if (v < -kRegionCoordinateLimit || v > kRegionCoordinateLimit) return false;
        if (right == left || bottom == top) continue;  // empty: adds nothing
        // A union, not setRects: the list's order is not trusted.
        region += QRect(int(left), int(top), int(right - left), int(bottom - top));
    }
    *out = region;
    return true;
}

bool LoadRegionResource(int regionId, QRegion* out) {
    if (regionId != kRegion143) return false;
    QFile file(QStringLiteral(GEIGERSIM_QRC_PREFIX "region143.bin"));
    if (!file.open(QIODevice::ReadOnly)) return false;
    // The shape is 96 bytes; anything far larger is not a shape.
    if (file.size() > 1 << 20) return false;
    return ParseRegionData(file.readAll(), out);
}

SkinImage::SkinImage(int regionId, int bitmapId) {
    if (bitmapId == kBitmap146) {
        width_ = kInitialSkinWidth;
        height_ = kInitialSkinHeight;
    } else if (bitmapId == kBitmap164 || bitmapId == kBitmap163) {
        width_ = kPanelPictureWidth;
        height_ = kPanelPictureHeight;
    } else {
        return;
    }
    if (!LoadRegionResource(regionId, &region_)) return;
    loaded_ = true;
}
