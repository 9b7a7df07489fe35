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
