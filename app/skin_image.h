// A skin: the panel picture together with the window's size and shape.
#pragma once

#include <QByteArray>
#include <QPixmap>
#include <QRegion>
#include <QSize>

// Parses a stored window shape: a 32-byte header (header size 32, type 1 =
// rectangle list, rectangle count n, list size 16 * n, bounding rectangle)
// followed by n rectangles (left, top, right, bottom; right and bottom
// exclusive), all little-endian 32-bit. Returns false, leaving *out alone,
// for anything malformed: short or over-long data, a wrong header, or a
// rectangle with right < left or bottom < top.
bool ParseRegionData(const QByteArray& data, QRegion* out);

// Loads a panel bitmap by resource number. 164 and 163 are rendered from the
// artwork at 524 x 306; 146 exists only for its size (528 x 313) and yields a
// null pixmap. Returns false for an unknown number or unreadable artwork.
bool LoadPanelBitmap(int bitmapId, QPixmap* picture, QSize* size);

// Reads a stored window shape by resource number (143).
bool LoadRegionResource(int regionId, QRegion* out);

class SkinImage {
public:
    SkinImage(int regionId, int bitmapId);

    bool loaded() const { return loaded_; }
    int width() const { return width_; }
    int height() const { return height_; }
    const QRegion& region() const { return region_; }
    const QPixmap& picture() const { return picture_; }

private:
    QRegion region_;
    QPixmap picture_;
    int width_ = 0;
    int height_ = 0;
    bool loaded_ = false;
};
