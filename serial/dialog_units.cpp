#include "serial/dialog_units.h"

#include <QFontMetrics>
#include <QLabel>
#include <algorithm>

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseX_ = std::max(1, (letters / 26 + 1) / 2);
    baseY_ = std::max(1, metrics.height());
}

int DialogUnits::X(int units) const { return units * baseX_ / 4; }
int DialogUnits::Y(int units) const { return units * baseY_ / 8; }

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    return QRect(X(x), Y(y), X(width), Y(height));
}

void DialogUnits::Place(QWidget* widget, int x, int y, int width, int height) const {
    QRect r = Rect(x, y, width, height);
    r.setWidth(std::max(r.width(), widget->sizeHint().width()));
    r.setHeight(std::max(r.height(), widget->sizeHint().height()));
    widget->setGeometry(r);
}

QLabel* AddDialogLabel(QWidget* parent, const DialogUnits& du, const QString& text, int x, int y, int width,
                       int height) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    du.Place(label, x, y, width, height);
    return label;
}
