#include "app/chart_window.h"

#include <QBuffer>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include "app/file_choice.h"
#include "media/chart_render.h"

namespace {

// The chart, scaled to the view's size.
class ChartView : public QWidget {
public:
    ChartView(const ChartWindow& window, const RateHistory& history, QWidget* parent)
        : QWidget(parent), window_(window), history_(history) {
        setMinimumSize(kChartWidth / 2, kChartHeight / 2);
    }
    QSize sizeHint() const override { return {kChartWidth, kChartHeight}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        const double scale = std::min(width() / double(kChartWidth), height() / double(kChartHeight));
        painter.fillRect(rect(), QColor(0xfb, 0xfb, 0xf8));
        painter.translate((width() - kChartWidth * scale) / 2, (height() - kChartHeight * scale) / 2);
        painter.scale(scale, scale);
        PaintChart(painter, QRect(0, 0, kChartWidth, kChartHeight), history_.Last(window_.minutes()),
                   window_.minutes());
    }

private:
    const ChartWindow& window_;
    const RateHistory& history_;
};

constexpr int kSpans[] = {10, 60, 360, 1440};

// Writes through a temporary file, so a failed save leaves no half file.
bool SaveBytes(QWidget* parent, const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return true;
    QMessageBox::warning(parent, QStringLiteral("Chart"),
                         QStringLiteral("Could not save %1: %2").arg(path, file.errorString()));
    return false;
}

}  // namespace

ChartWindow::ChartWindow(const RateHistory& history, QWidget* parent)
    : QWidget(parent, Qt::Window), history_(history) {
    setWindowTitle(QStringLiteral("Chart of the rate"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    view_ = new ChartView(*this, history, this);
    span_ = new QComboBox(this);
    for (int m : kSpans)
        span_->addItem(m < 60 ? QStringLiteral("Last %1 minutes").arg(m)
                              : m == 60 ? QStringLiteral("Last hour") : QStringLiteral("Last %1 hours").arg(m / 60),
                       m);
    span_->setCurrentIndex(1);
    auto* png = new QPushButton(QStringLiteral("Save as PNG\u2026"), this);
    auto* csv = new QPushButton(QStringLiteral("Save as CSV\u2026"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(new QLabel(QStringLiteral("Span:"), this));
    buttons->addWidget(span_);
    buttons->addStretch();
    buttons->addWidget(png);
    buttons->addWidget(csv);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);
    connect(span_, &QComboBox::currentIndexChanged, view_, qOverload<>(&QWidget::update));
    connect(png, &QPushButton::clicked, this, &ChartWindow::SaveAsPng);
    connect(csv, &QPushButton::clicked, this, &ChartWindow::SaveAsCsv);
}

int ChartWindow::minutes() const { return span_->currentData().toInt(); }

void ChartWindow::Refresh() {
    if (isVisible()) view_->update();
}

void ChartWindow::SaveAsPng() {
    const QString path = AskSavePath(this, QStringLiteral("Save Chart as PNG"), QStringLiteral("chart.png"),
                                     QStringLiteral("PNG (*.png)"), {}, QStandardPaths::PicturesLocation);
    if (path.isEmpty()) return;
    const QImage image = RenderChart(history_.Last(minutes()), minutes(), devicePixelRatioF());
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    SaveBytes(this, path, bytes);
}

void ChartWindow::SaveAsCsv() {
    const QString path =
        AskSavePath(this, QStringLiteral("Save Chart as CSV"), QStringLiteral("chart.csv"), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) return;
    SaveBytes(this, path, QByteArray::fromStdString(RateCsv(history_.Last(minutes()))));
}
