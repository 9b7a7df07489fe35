// A round, invisible key laid over a key of the panel picture.
#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <QRegion>
#include <functional>

class ShapedKeyButton : public QAbstractButton {
public:
    // Hands out the part of the panel picture under a rectangle of the parent,
    // in device pixels (its device pixel ratio set).
    using PictureSource = std::function<QPixmap(const QRect& area)>;

    ShapedKeyButton(int drawnKey, const QRect& box, QWidget* parent, PictureSource source);

    // Moves and resizes the key for a zoom of the panel (box in the parent's
    // coordinates at that zoom); the pictures are taken again at the next paint.
    void SetBox(const QRect& box, double zoom);
    // The panel under the key changed (its scale): take the pictures again.
    void RetakePictures() { picturesTaken_ = false; update(); }

    // The key it is drawn as (KeyBack..KeySelect).
    int drawnKey() const { return drawnKey_; }
    const QRegion& shape() const { return shape_; }
    bool picturesTaken() const { return picturesTaken_; }
    const QPixmap& normalPicture() const { return normal_; }
    const QPixmap& pressedPicture() const { return pressed_; }

    // True when pixel p (button coordinates) lies in the ellipse inscribed in
    // size: the key's drawn shape. Clicks go by the core's point test.
    static bool InsideEllipse(QSize size, QPoint p);
    // The inscribed ellipse as a region, pixel for pixel the same as InsideEllipse.
    static QRegion EllipseRegion(QSize size);

protected:
    bool hitButton(const QPoint& pos) const override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void TakePictures();

    int drawnKey_;
    PictureSource source_;
    QRegion shape_;
    QPixmap normal_;
    QPixmap pressed_;
    bool picturesTaken_ = false;
    double zoom_ = 1;  // the pressed picture moves by one panel pixel at this zoom
};
