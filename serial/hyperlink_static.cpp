#include "serial/hyperlink_static.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

const QColor HyperlinkStatic::kLinkColour(0, 0, 255);
const QColor HyperlinkStatic::kVisitedColour(128, 0, 128);

namespace {

bool OpenWithDesktop(const QUrl& url) { return QDesktopServices::openUrl(url); }

HyperlinkStatic::UrlOpener gOpener = OpenWithDesktop;

}  // namespace

HyperlinkStatic::UrlOpener HyperlinkStatic::SetUrlOpener(UrlOpener opener) {
    UrlOpener previous = gOpener;
    gOpener = opener != nullptr ? opener : OpenWithDesktop;
    return previous;
}

HyperlinkStatic::HyperlinkStatic(const QString& text, const QString& address, QWidget* parent)
    : QLabel(text, parent), address_(address) {
    setTextFormat(Qt::PlainText);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setToolTip(address_.isEmpty() ? text : address_);
    UpdateColour();
}

QColor HyperlinkStatic::textColour() const { return palette().color(QPalette::WindowText); }

void HyperlinkStatic::UpdateColour() {
    QPalette p = palette();
    p.setColor(QPalette::WindowText, visited_ != 0 ? kVisitedColour : kLinkColour);
    setPalette(p);
}

void HyperlinkStatic::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Click();
        event->accept();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void HyperlinkStatic::Click() {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    if (address_.isEmpty()) address_ = text();
    if (!gOpener(QUrl(address_))) {
        QApplication::beep();
    } else {
        visited_ = 1;
        UpdateColour();
        update();
    }
    QGuiApplication::restoreOverrideCursor();
}
