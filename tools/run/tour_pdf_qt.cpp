// The tour's sheet as a PDF, laid out here with Qt's text layout and
// written by QPdfWriter: text stays text, each picture is drawn whole and
// unsmoothed. Qt starts on the offscreen platform, as for panel pictures.
#include "tools/run/tour_pdf.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <QTextOption>
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>

#include "tools/run/panel.h"

namespace geigerrun {
namespace {

// PDF units a inch: a multiple of the usual printers' 300 and 600 dpi, so
// a whole number of units a pixel is a whole number of printer dots too.
constexpr int kUnitsPerInch = 1200;
constexpr double kPaddingMm = 2;
constexpr double kFooterMm = 6;  // the page number's line, inside the margin
constexpr double kCaptionGapMm = 1.5;  // between a picture and its caption

double Units(double mm) { return mm / 25.4 * kUnitsPerInch; }

QString Text(const std::string& utf8) { return QString::fromUtf8(utf8.data(), qsizetype(utf8.size())); }
QString Escaped(const std::string& utf8) { return Text(utf8).toHtmlEscaped(); }

QString Number(int n) { return QStringLiteral("%1").arg(n, 3, 10, QLatin1Char('0')); }

// A block of rich text laid out `width` units wide for the writer.
std::unique_ptr<QTextDocument> Block(QPdfWriter& writer, const QString& html, double width, double points = 8) {
    auto doc = std::make_unique<QTextDocument>();
    doc->documentLayout()->setPaintDevice(&writer);
    QFont font(QStringLiteral("sans-serif"));
    font.setPointSizeF(points);
    doc->setDefaultFont(font);
    doc->setDocumentMargin(0);
    // Routes are long runs of commands: break them anywhere rather than overflow.
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    doc->setDefaultTextOption(option);
    doc->setDefaultStyleSheet(
        QStringLiteral("code { font-family: monospace; } .name { color: #555555; } dt { font-weight: bold; } "
                       "dd { margin-bottom: 3pt; }"));
    doc->setHtml(html);
    doc->setTextWidth(width);
    return doc;
}

void Draw(QPainter& painter, QTextDocument& doc, double x, double y) {
    painter.save();
    painter.translate(x, y);
    doc.drawContents(&painter);
    painter.restore();
}

// A figure measured for the page: where its picture goes inside it and
// how tall its box is.
struct Placed {
    const PdfFigure* figure;
    QImage picture;
    bool wide = false;  // a row to itself: its picture would not fit a column
    double width = 0, pictureWidth = 0, pictureHeight = 0, height = 0;
    std::unique_ptr<QTextDocument> caption;
    int page = 0;
    double x = 0, y = 0;
};

QString CaptionHtml(const PdfFigure& figure) {
    QString html;
    for (const PdfRoute& route : figure.routes) {
        html += QStringLiteral("<p style=\"margin-top: 4pt\"><b>") + Escaped(route.title) +
                QStringLiteral("</b><br><span class=\"name\" style=\"font-size: 6.5pt\">") + Number(route.number) +
                QStringLiteral(" ") + Escaped(route.name) + QStringLiteral("</span><br>");
        if (route.sameAs != 0)
            html += QStringLiteral("<span style=\"font-size: 6.5pt\">(the same commands as ") +
                    Number(route.sameAs) + QStringLiteral(")</span>");
        else if (!route.keys.empty())  // the first stop: the device as it starts
            html += QStringLiteral("<code style=\"font-size: 6.5pt\">") + Escaped(route.keys) +
                    QStringLiteral("</code>");
        html += QStringLiteral("</p>");
    }
    return html;
}

class Layout {
public:
    Layout(QPdfWriter& writer, const PdfSheet& sheet) : writer_(writer), sheet_(sheet) {
        width_ = writer.width();
        height_ = writer.height() - Units(kFooterMm);
        column_ = (width_ - Units(kSheetGapMm)) / 2;
    }

    bool Measure(std::string& error) {
        for (const PdfSection& section : sheet_.sections)
            for (const PdfFigure& figure : section.figures) {
                Placed placed{&figure, {}, false, 0, 0, 0, 0, nullptr, 0, 0, 0};
                const std::string& png = *figure.png;
                placed.picture = QImage::fromData(reinterpret_cast<const uchar*>(png.data()), int(png.size()), "PNG");
                if (placed.picture.isNull()) {
                    error = "cannot read back the picture of " + figure.routes.front().name;
                    return false;
                }
                Size(placed);
                placed.caption = Block(writer_, CaptionHtml(figure), placed.width - 2 * Units(kPaddingMm));
                placed.height = 2 * Units(kPaddingMm) + placed.pictureHeight + Units(kCaptionGapMm) +
                                placed.caption->size().height();
                if (placed.height > height_ - Heading(section)->size().height()) {
                    error = "the captions of " + figure.routes.front().name + " do not fit on one page";
                    return false;
                }
                figures_.push_back(std::move(placed));
            }
        return true;
    }

    // Rows of two figures (or one wide one), a section's heading kept with
    // its first row, pages from `first` on. Returns each section's page.
    std::vector<int> Place(int first) {
        std::vector<int> pages;
        page_ = first;
        y_ = 0;
        size_t next = 0;
        for (const PdfSection& section : sheet_.sections) {
            const double heading = Heading(section)->size().height() + Units(2);
            size_t end = next + section.figures.size();
            bool firstRow = true;
            for (size_t i = next; i < end;) {
                const bool pair = !figures_[i].wide && i + 1 < end && !figures_[i + 1].wide;
                const double row = std::max(figures_[i].height, pair ? figures_[i + 1].height : 0.0);
                // Boxes side by side end alike.
                figures_[i].height = row;
                if (pair) figures_[i + 1].height = row;
                const double above = firstRow ? heading + (y_ > 0 ? Units(4) : 0) : 0;
                if (y_ + above + row > height_ && y_ > 0) {
                    ++page_;
                    y_ = 0;
                }
                if (firstRow) {
                    pages.push_back(page_);
                    headings_.push_back({page_, y_ + (y_ > 0 ? Units(4) : 0)});
                    y_ += y_ > 0 ? Units(4) + heading : heading;
                    firstRow = false;
                }
                for (size_t k = i; k < i + (pair ? 2 : 1); ++k) {
                    figures_[k].page = page_;
                    figures_[k].x = k == i ? 0 : column_ + Units(kSheetGapMm);
                    figures_[k].y = y_;
                }
                y_ += row + Units(kSheetGapMm);
                i += pair ? 2 : 1;
            }
            if (section.figures.empty()) {
                pages.push_back(page_);
                headings_.push_back({page_, y_});
            }
            next = end;
        }
        pages_ = page_ + 1;
        return pages;
    }

    int Pages() const { return pages_; }

    // Draws every heading and figure on page `page`.
    void PaintPage(QPainter& painter, int page) {
        for (size_t s = 0; s < headings_.size(); ++s)
            if (headings_[s].first == page) Draw(painter, *Heading(sheet_.sections[s]), 0, headings_[s].second);
        const double pad = Units(kPaddingMm);
        for (Placed& f : figures_) {
            if (f.page != page) continue;
            painter.setPen(QPen(QColor(0x99, 0x99, 0x99), Units(0.3)));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(QRectF(f.x, f.y, f.width, f.height));
            // Nearest neighbour, and the PNG's own pixels rather than a JPEG of them.
            painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
            painter.setRenderHint(QPainter::LosslessImageRendering);
            painter.drawImage(QRectF(f.x + pad + (f.width - 2 * pad - f.pictureWidth) / 2, f.y + pad,
                                     f.pictureWidth, f.pictureHeight),
                              f.picture);
            Draw(painter, *f.caption, f.x + pad, f.y + pad + f.pictureHeight + Units(kCaptionGapMm));
        }
    }

private:
    // The picture at the stated resolution, or at the most whole units a
    // pixel that fit its column; a figure whose picture does not fit a
    // column takes the row.
    void Size(Placed& placed) const {
        const double pad = 2 * Units(kPaddingMm);
        const int w = placed.picture.width(), h = placed.picture.height();
        for (const double box : {column_, width_}) {
            const double room = box - pad;
            double shown = 0;
            if (sheet_.dpi > 0) {
                shown = std::min(room, double(w) * kUnitsPerInch / sheet_.dpi);
            } else {
                shown = std::floor(room / w) * w;
                if (shown == 0) shown = room;  // wider than the page at one unit a pixel
            }
            placed.width = box;
            placed.wide = box == width_;
            placed.pictureWidth = shown;
            placed.pictureHeight = shown * h / w;
            const bool fits = sheet_.dpi > 0 ? double(w) * kUnitsPerInch / sheet_.dpi <= room : room >= w;
            if (fits) return;
        }
    }

    QTextDocument* Heading(const PdfSection& section) {
        auto& doc = headingDocs_[&section];
        if (!doc) doc = Block(writer_, QStringLiteral("<b>") + Escaped(section.heading) + QStringLiteral("</b>"),
                              width_, 13);
        return doc.get();
    }

    QPdfWriter& writer_;
    const PdfSheet& sheet_;
    double width_ = 0, height_ = 0, column_ = 0;
    std::vector<Placed> figures_;
    std::map<const PdfSection*, std::unique_ptr<QTextDocument>> headingDocs_;
    std::vector<std::pair<int, double>> headings_;  // by section: page and top
    int page_ = 0, pages_ = 0;
    double y_ = 0;
};

// The title page's text: the title, how the sheet was made, and the
// contents with each section's page (1 for the title page).
QString TitleHtml(const PdfSheet& sheet, const std::vector<int>& pages) {
    QString html = QStringLiteral("<h1>") + Escaped(sheet.title) + QStringLiteral("</h1>") + Text(sheet.headHtml) +
                   QStringLiteral("<h2>Contents</h2><p>") + Escaped(sheet.contentsNote) +
                   QStringLiteral("</p><table width=\"60%\" cellspacing=\"0\" cellpadding=\"2\">");
    for (size_t i = 0; i < sheet.sections.size(); ++i)
        html += QStringLiteral("<tr><td>") + Escaped(sheet.sections[i].heading) + QStringLiteral(" (") +
                QString::number(sheet.sections[i].figures.size()) + QStringLiteral(")</td><td align=\"right\">") +
                (i < pages.size() ? QString::number(pages[i] + 1) : QStringLiteral("000")) +
                QStringLiteral("</td></tr>");
    return html + QStringLiteral("</table>");
}

}  // namespace

bool WriteSheetPdf(const PdfSheet& sheet, std::string& bytes, std::string& error) {
    EnsureGuiApplication();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setResolution(kUnitsPerInch);
    const QPageSize size = std::string_view(sheet.paper.css) == "letter" ? QPageSize(QPageSize::Letter)
                                                                         : QPageSize(QPageSize::A4);
    writer.setPageLayout(QPageLayout(size, QPageLayout::Portrait,
                                     QMarginsF(kSheetMarginMm, kSheetMarginMm, kSheetMarginMm, kSheetMarginMm),
                                     QPageLayout::Millimeter));
    writer.setTitle(Text(sheet.title));
    writer.setCreator(Text(sheet.creator));
    Layout layout(writer, sheet);
    if (!layout.Measure(error)) return false;
    // The title pages first with the contents' pages unknown, to learn how
    // many they take; then again with them.
    const double width = writer.width(), height = writer.height() - Units(kFooterMm);
    auto title = Block(writer, TitleHtml(sheet, {}), width, 9);
    title->setPageSize(QSizeF(width, height));
    const int titlePages = title->pageCount();
    const std::vector<int> pages = layout.Place(titlePages);
    title = Block(writer, TitleHtml(sheet, pages), width, 9);
    title->setPageSize(QSizeF(width, height));
    const int total = std::max(layout.Pages(), titlePages);

    QPainter painter;
    if (!painter.begin(&writer)) {
        error = "cannot start the PDF";
        return false;
    }
    QFont small(QStringLiteral("sans-serif"));
    small.setPointSizeF(7);
    for (int page = 0; page < total; ++page) {
        if (page > 0) writer.newPage();
        if (page < titlePages) {
            painter.save();
            painter.setClipRect(QRectF(0, 0, width, height));
            painter.translate(0, -page * height);
            title->drawContents(&painter, QRectF(0, page * height, width, height));
            painter.restore();
        }
        layout.PaintPage(painter, page);
        painter.setFont(small);
        painter.setPen(QColor(0x55, 0x55, 0x55));
        painter.drawText(QRectF(0, writer.height() - Units(kFooterMm) / 2, width, Units(kFooterMm) / 2),
                         Qt::AlignRight | Qt::AlignBottom,
                         Text(sheet.title) + QStringLiteral(" \u2014 page %1 of %2").arg(page + 1).arg(total));
    }
    if (!painter.end()) {
        error = "cannot finish the PDF";
        return false;
    }
    bytes.assign(buffer.data().constData(), size_t(buffer.data().size()));
    return true;
}

}  // namespace geigerrun
