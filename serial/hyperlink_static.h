// A text that looks and acts like a web link: blue and underlined, purple
// once a click has opened it, the address as its tool tip.
#pragma once

#include <QColor>
#include <QLabel>
#include <QString>

class QUrl;

class HyperlinkStatic : public QLabel {
public:
    // address empty: the text itself is the address.
    HyperlinkStatic(const QString& text, const QString& address, QWidget* parent = nullptr);

    // Opens the address: true when the desktop accepted it.
    using UrlOpener = bool (*)(const QUrl& url);
    // Installs opener (nullptr restores QDesktopServices::openUrl); returns the previous one.
    static UrlOpener SetUrlOpener(UrlOpener opener);

    // What a click does: opens the address; success turns the link visited,
    // failure beeps and leaves it as it was.
    void Click();

    bool visited() const { return visited_ != 0; }
    const QString& address() const { return address_; }
    QColor textColour() const;

    static const QColor kLinkColour;
    static const QColor kVisitedColour;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void UpdateColour();

    int visited_ = 0;
    QString address_;
};
