// Dialog units, the way the device's host software laid out its dialogs: a
// horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its height, so the layout follows the font.
#pragma once

#include <QFont>
#include <QRect>

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;

private:
    int baseX_;
    int baseY_;
};
