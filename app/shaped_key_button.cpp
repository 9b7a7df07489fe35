#include "app/shaped_key_button.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "core/panel.h"
#include "media/panel_render.h"

ShapedKeyButton::ShapedKeyButton(int drawnKey, const QRect& box, QWidget* parent,
                                 PictureSource source)
    : QAbstractButton(parent), drawnKey_(drawnKey), source_(std::move(source)),
      shape_(EllipseRegion(box.size())) {
    setGeometry(box);
    setMask(shape_);  // clicks outside the circle reach the panel beneath
    // Keys never take the focus: Space and the arrows belong to the panel's
    // keyboard path, which must not look like a click on a panel key.
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::PointingHandCursor);
    setAttribute(Qt::WA_NoSystemBackground);
}

void ShapedKeyButton::SetBox(const QRect& box, double zoom) {
    zoom_ = zoom;
    shape_ = EllipseRegion(box.size());
    setGeometry(box);
    setMask(shape_);
    RetakePictures();
}

bool ShapedKeyButton::InsideEllipse(QSize size, QPoint p) { return InsideKeyCircle(size, p); }

QRegion ShapedKeyButton::EllipseRegion(QSize size) { return KeyCircleRegion(size); }

bool ShapedKeyButton::hitButton(const QPoint& pos) const {
    // The core's point test, as the page's clicks take it: the pixel's
    // centre in panel pixels.
    const QPointF panel = (QPointF(geometry().topLeft() + pos) + QPointF(0.5, 0.5)) / zoom_;
    return rect().contains(pos) && DriverPanelKeyAt(DriverLayout(), panel.x(), panel.y()) == drawnKey_;
}

void ShapedKeyButton::TakePictures() {
    if (picturesTaken_ || !source_) return;
    const QPixmap normal = source_(geometry());
    if (normal.isNull()) return;  // no panel picture yet: try at the next paint
    normal_ = normal;
    // Pressed: the key drawn again one panel pixel right and down over
    // itself, moved by whole device pixels so that it stays sharp.
    const double ratio = normal.devicePixelRatio();
    const int shift = std::max(1, int(std::lround(zoom_ * ratio)));
    QImage base = normal.toImage();
    base.setDevicePixelRatio(1);
    QImage pressed = PressedKeyPicture(base, shift);
    pressed.setDevicePixelRatio(ratio);
    pressed_ = QPixmap::fromImage(pressed);
    picturesTaken_ = true;
}

void ShapedKeyButton::paintEvent(QPaintEvent*) {
    TakePictures();
    if (!picturesTaken_) return;
    QPainter painter(this);
    painter.setClipRegion(shape_);
    painter.drawPixmap(0, 0, isDown() ? pressed_ : normal_);
}

void ShapedKeyButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        // Other buttons on a key do nothing, and in particular do not open
        // the panel's pop-up menu.
        event->accept();
        return;
    }
    QAbstractButton::mousePressEvent(event);
}

void ShapedKeyButton::mouseDoubleClickEvent(QMouseEvent* event) {
    // Two quick clicks are two key presses.
    mousePressEvent(event);
}
