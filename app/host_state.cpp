#include "app/host_state.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <algorithm>
#include <cmath>

#include <QWidget>
#include "platform/lcd.h"
#include "platform/lcd_text.h"

bool RestartSwitchGiven(const QStringList& args) {
    if (args.size() < 2) return false;
    const QString& token = args.at(1);
    if (token.isEmpty()) return false;
    if (token.front() != u'/' && token.front() != u'-') return false;  // a value, not a switch
    const QString name = token.mid(1);
    // "/Restart" names the switch "Restart" itself (index 0) and does not count.
    return name.indexOf(QStringLiteral("Restart")) > 0;
}

QString LcdSpokenText(const LcdPicture& lcd) {
    LcdTextLine lines[kLcdTextLinesMax];
    const uint8_t n = LcdReadText(lcd, lines, kLcdTextLinesMax);
    QStringList rows;
    for (uint8_t i = 0; i < n; ++i) {
        QString row;
        for (uint8_t k = 0; k < lines[i].length; ++k) {
            const uint8_t code = uint8_t(lines[i].text[k]);
            row += LcdTextIsSymbol(code) ? QChar(u' ') : QChar(char16_t(code));
        }
        row = row.simplified();
        if (!row.isEmpty()) rows << row;
    }
    return rows.join(u'\n');
}

QPoint DragTarget(QPoint windowAtPress, QPoint cursorAtPress, QPoint cursorNow) {
    const QPoint moved = windowAtPress + (cursorNow - cursorAtPress);
    return QPoint(std::max(0, moved.x()), std::max(0, moved.y()));
}

namespace {

// `r` moved the least that keeps it inside `area`; its top left corner wins
// where it cannot fit.
QRect ClampInto(QRect r, const QRect& area) {
    r.moveLeft(std::max(area.left(), std::min(r.left(), area.right() - r.width() + 1)));
    r.moveTop(std::max(area.top(), std::min(r.top(), area.bottom() - r.height() + 1)));
    return r;
}

}  // namespace

QRect GeometryAround(const QRect& current, const QSize& size, const QRect& available) {
    QRect target(QPoint(0, 0), size);
    target.moveLeft(current.left() + (current.width() - size.width()) / 2);
    target.moveTop(current.top() + (current.height() - size.height()) / 2);
    return available.isValid() ? ClampInto(target, available) : target;
}

QRect PlaceBeside(const QRect& panel, const QSize& wanted, const QSize& minimum, const QRect& available, int gap) {
    // The room on each side, in the order tried: right, left, below, above.
    const int right = available.right() - panel.right() - gap;
    const int left = panel.left() - available.left() - gap;
    const int below = available.bottom() - panel.bottom() - gap;
    const int above = panel.top() - available.top() - gap;
    const int room[4] = {right, left, below, above};
    const auto placed = [&](int side, QSize size) {
        size = size.boundedTo(available.size());
        QRect r(QPoint(0, 0), size);
        if (side < 2) r.moveTop(panel.top());
        else r.moveLeft(panel.left());
        switch (side) {
            case 0: r.moveLeft(panel.right() + 1 + gap); break;
            case 1: r.moveRight(panel.left() - 1 - gap); break;
            case 2: r.moveTop(panel.bottom() + 1 + gap); break;
            default: r.moveBottom(panel.top() - 1 - gap); break;
        }
        // Along the panel's side it may slide; across, it stays off the panel.
        const QRect clamped = ClampInto(r, available);
        if (side < 2) r.moveTop(clamped.top());
        else r.moveLeft(clamped.left());
        return r;
    };
    const auto across = [&](int side, QSize s) { return side < 2 ? s.width() : s.height(); };
    const auto along = [&](int side, QSize s) {
        return side < 2 ? s.height() <= available.height() : s.width() <= available.width();
    };
    for (int side = 0; side < 4; ++side)
        if (room[side] >= across(side, wanted) && along(side, wanted)) return placed(side, wanted);
    for (int side = 0; side < 4; ++side)
        if (room[side] >= across(side, minimum) && along(side, minimum)) {
            QSize size = wanted.boundedTo(available.size());
            if (side < 2) size.setWidth(room[side]);
            else size.setHeight(room[side]);
            return placed(side, size);
        }
    return ClampInto(placed(0, wanted.boundedTo(available.size())), available);
}

QRegion ScaledRegion(const QRegion& region, double zoom) {
    QRegion scaled;
    for (const QRect& r : region) scaled += ScaledPanelRect(r, zoom);
    return scaled;
}

QRect LogicalCover(const QRect& device, double ratio) {
    if (ratio <= 0) return device;
    const int left = int(std::floor(device.left() / ratio));
    const int top = int(std::floor(device.top() / ratio));
    const int right = int(std::ceil((device.left() + device.width()) / ratio));
    const int bottom = int(std::ceil((device.top() + device.height()) / ratio));
    return QRect(left, top, right - left, bottom - top);
}

bool SeeThroughWindowWanted(const QString& platformName) {
    return platformName.startsWith(QLatin1String("wayland"));
}

QString BreakPathsAtSlashes(const QString& text) {
    constexpr QChar kBreakHere(0x200B);    // zero-width space
    constexpr QChar kNeverHere(0x2060);    // word joiner
    QString out;
    bool inPath = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isSpace()) inPath = false;
        else if (c == u'/' && (i == 0 || text[i - 1].isSpace() || text[i - 1] == u'"' || text[i - 1] == u'('))
            inPath = true;
        out += c;
        const bool last = i + 1 == text.size() || text[i + 1].isSpace();
        if (inPath && !last) out += c == u'/' ? kBreakHere : kNeverHere;
    }
    return out;
}

namespace {

QWidget* gMessageBoxParent = nullptr;

void RealMessageBox(const QString& text, const QString& caption) {
    // Owned by the panel, so it stays in front of it and blocks it.
    QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, gMessageBoxParent);
    box.exec();
}

void RealDetailedMessageBox(const QString& text, const QString& caption, const QString& informative) {
    QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, gMessageBoxParent);
    box.setInformativeText(BreakPathsAtSlashes(informative));
    box.exec();
}

MessageBoxFunction gMessageBox = RealMessageBox;
DetailedMessageBoxFunction gDetailedMessageBox = nullptr;

}  // namespace

void SetMessageBoxParent(QWidget* parent) { gMessageBoxParent = parent; }
QWidget* MessageBoxParent() { return gMessageBoxParent; }

DetailedMessageBoxFunction SetDetailedMessageBoxFunction(DetailedMessageBoxFunction fn) {
    DetailedMessageBoxFunction previous = gDetailedMessageBox;
    gDetailedMessageBox = fn;
    return previous;
}

MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction fn) {
    MessageBoxFunction previous = gMessageBox;
    gMessageBox = fn != nullptr ? fn : RealMessageBox;
    return previous;
}

void ShowMessageBox(const QString& text, const QString& caption, const QString& informative) {
    const QString title = caption.isEmpty() ? QGuiApplication::applicationDisplayName() : caption;
    if (informative.isEmpty()) gMessageBox(text, title);
    else if (gDetailedMessageBox != nullptr) gDetailedMessageBox(text, title, informative);
    else if (gMessageBox == RealMessageBox) RealDetailedMessageBox(text, title, informative);
    else gMessageBox(text, title);  // a recorder that knows no details still sees the message
}
