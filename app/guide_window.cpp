// The guide window: the core's guide to the screen shown, laid out as HTML
// and refreshed at each hand-over while it is open.
#include "app/guide_window.h"

#include <QScrollBar>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "app/host_state.h"
#include "core/presentation.h"

namespace {

QString Esc(const std::string& text) { return QString::fromStdString(text).toHtmlEscaped(); }

}  // namespace

QString GuideHtml(const ScreenGuide& g, bool keysSwapped) {
    QString h = QStringLiteral("<h2>%1</h2><p>%2</p>").arg(Esc(g.title), Esc(g.about));
    h += QStringLiteral("<h3>Keys</h3><table cellspacing=\"0\" cellpadding=\"2\">");
    for (int k = 0; k < 4; ++k)
        h += QStringLiteral("<tr><td valign=\"top\"><b>%1</b></td><td>%2</td></tr>")
                 .arg(QString::fromLatin1(kGuideKeyNames[k]), Esc(g.keys[k]));
    h += QStringLiteral("</table>");
    if (keysSwapped)
        h += QStringLiteral("<p><i>The display is swivelled: the panel's Up key sends Down and its Down key "
                            "sends Up.</i></p>");
    h += QStringLiteral("<h3>Way back</h3><p>%1</p>").arg(Esc(g.back));
    if (!g.marks.empty()) {
        h += QStringLiteral("<h3>Marks on the screen</h3><table cellspacing=\"0\" cellpadding=\"2\">");
        for (const GuideMark& m : g.marks)
            h += QStringLiteral("<tr><td valign=\"top\"><b>%1</b></td><td>%2</td></tr>")
                     .arg(Esc(m.name), Esc(m.meaning));
        h += QStringLiteral("</table><p><small>Hover over a mark on the LCD to see this there too.</small></p>");
    }
    h += QStringLiteral("<h3>In the menu tree</h3>");
    if (!g.path.empty()) {
        QStringList path;
        for (const std::string& p : g.path) path << Esc(p);
        h += QStringLiteral("<p>%1</p>").arg(path.join(QStringLiteral(" &rsaquo; ")));
    }
    h += QStringLiteral("<p style=\"white-space: pre\">");
    for (const GuideTreeLine& line : g.tree) {
        QString label = Esc(line.label);
        if (line.current) label = QStringLiteral("<b>&#9654; %1</b> &larr; here").arg(label);
        else if (line.onPath) label = QStringLiteral("<b>%1</b>").arg(label);
        h += QString(2 * line.depth, QChar(0xA0)) + label + QStringLiteral("<br>");
    }
    return h + QStringLiteral("</p>");
}

QRect PlaceBeside(const QRect& panel, const QSize& size, const QRect& screen) {
    // The chart's rule, without shrinking: the guide reads badly narrowed.
    constexpr int kGap = 8;
    return PlaceBeside(panel, size, size, screen, kGap);
}

GuideWindow::GuideWindow() : QWidget(nullptr, Qt::Window) {
    setWindowTitle(QStringLiteral("Guide to the counter"));
    setObjectName(QStringLiteral("guide"));
    view_ = new QTextBrowser(this);
    view_->setOpenLinks(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);
    resize(420, 600);
}

void GuideWindow::Follow() {
    if (!isVisible()) return;
    const QString html = GuideHtml(GuideNow(), DriverDisplaySwivelled());
    if (html == html_) return;
    html_ = html;
    // Keep the reader's place when the text changes under it.
    const int at = view_->verticalScrollBar()->value();
    view_->setHtml(html_);
    view_->verticalScrollBar()->setValue(at);
}
