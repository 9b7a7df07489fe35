// Dialog units, the way the device's host software laid out its dialogs: a
// horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its height, so the layout follows the font.
#pragma once

#include <QFont>
#include <QRect>
#include <QString>

class QLabel;
class QWidget;

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;
    // Places widget at the rectangle, grown to the widget's size hint where
    // that is larger: a wider font than the layout's never cuts text short.
    void Place(QWidget* widget, int x, int y, int width, int height) const;

private:
    int baseX_;
    int baseY_;
};

// A plain-text label (no markup, no mnemonics) placed by du.Place.
QLabel* AddDialogLabel(QWidget* parent, const DialogUnits& du, const QString& text, int x, int y, int width,
                       int height);
