// A round, invisible key laid over a key of the panel picture.
#pragma once

#include <QAbstractButton>
#include <QPixmap>
#include <QRegion>
#include <functional>

class ShapedKeyButton : public QAbstractButton {
public:
    // Hands out the part of the panel picture under a rectangle of the parent.
    using PictureSource = std::function<QPixmap(const QRect& area)>;

    ShapedKeyButton(int commandId, const QRect& box, QWidget* parent, PictureSource source);

    int commandId() const { return commandId_; }
    const QRegion& shape() const { return shape_; }
    bool picturesTaken() const { return picturesTaken_; }
    const QPixmap& normalPicture() const { return normal_; }
    const QPixmap& pressedPicture() const { return pressed_; }

    // True when pixel p (button coordinates) lies in the ellipse inscribed in size.
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

    int commandId_;
    PictureSource source_;
    QRegion shape_;
    QPixmap normal_;
    QPixmap pressed_;
    bool picturesTaken_ = false;
};
