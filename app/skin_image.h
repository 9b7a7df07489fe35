// A skin: the window's size and shape for a panel picture.
#pragma once

#include <QByteArray>
#include <QRegion>

// Parses a stored window shape: a 32-byte header (header size 32, type 1 =
// rectangle list, rectangle count n, list size 16 * n, bounding rectangle)
// followed by n rectangles (left, top, right, bottom; right and bottom
// exclusive), all little-endian 32-bit. Returns false, leaving *out alone,
// for anything malformed: short or over-long data, a wrong header, or a
// rectangle with right < left or bottom < top.
bool ParseRegionData(const QByteArray& data, QRegion* out);

// Reads a stored window shape by resource number (143).
bool LoadRegionResource(int regionId, QRegion* out);

class SkinImage {
public:
    // The size of panel bitmap 164 or 163 (the artwork's 524 x 306) or of 146
    // (528 x 313, the initial window), with shape regionId; not loaded for an
    // unknown number. The window renders the artwork itself, for its screen.
    SkinImage(int regionId, int bitmapId);

    bool loaded() const { return loaded_; }
    int width() const { return width_; }
    int height() const { return height_; }
    const QRegion& region() const { return region_; }

private:
    QRegion region_;
    int width_ = 0;
    int height_ = 0;
    bool loaded_ = false;
};
