#include "media/chart_render.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <ctime>

#include "firmware/firmware.h"

namespace {

const QColor kBackground(0xfb, 0xfb, 0xf8);
const QColor kGrid(0xdd, 0xdd, 0xd8);
const QColor kText(0x30, 0x30, 0x30);
const QColor kCpmLine(0x1f, 0x5f, 0xa8);
const QColor kCountBars(0x6b, 0x8e, 0x4e);
const QColor kAlarmLine(0xd0, 0x30, 0x20);
const QColor kLostShade(0x90, 0x90, 0x90, 0x70);
const QColor kAlarmShade(0xe0, 0x30, 0x28, 0x38);

// A step of 1, 2 or 5 times a power of ten giving at most `ticks` steps to `top`.
double NiceStep(double top, int ticks) {
    const double raw = std::max(top, 1e-9) / ticks;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * power >= raw) return m * power;
    return 10 * power;
}

QString Number(double v) {
    if (v == std::floor(v)) return QString::number(static_cast<long long>(v));
    return QString::number(v, 'g', 4);
}

QString DoseText(float usv, bool inMr) {
    const double v = inMr ? usv * 0.1 : usv;
    const int decimals = inMr ? (usv > 100 ? 2 : 3) : (usv > 100 ? 1 : 2);
    return QString::number(v, 'f', decimals) + (inMr ? QStringLiteral(" mR/h") : QStringLiteral(" uSv/h"));
}

// An accumulated dose in the device's unit.
QString DoseTotalText(double usv, bool inMr) {
    const double v = inMr ? usv * 0.1 : usv;
    return QString::number(v, 'f', v >= 100 ? 2 : 4) + (inMr ? QStringLiteral(" mR") : QStringLiteral(" uSv"));
}

QString ClockText(std::time_t t, bool seconds) {
    tm local{};
    localtime_r(&t, &local);
    char text[16];
    std::strftime(text, sizeof text, seconds ? "%H:%M:%S" : "%H:%M", &local);
    return QString::fromLatin1(text);
}

// The time axis: seconds (DriverSecond numbers) from `first` to `last`.
struct TimeAxis {
    uint64_t first, last;
    QRect plot;
    double X(double second) const {
        const double span = std::max<double>(1.0, static_cast<double>(last - first));
        return plot.left() + (second - static_cast<double>(first)) / span * plot.width();
    }
};

void PaintTimeLabels(QPainter& p, const TimeAxis& axis, const std::vector<RateSample>& samples, int y) {
    const uint64_t span = axis.last - axis.first;
    static const int kSteps[] = {5, 10, 15, 30, 60, 120, 300, 600, 900, 1800, 3600, 7200, 10800, 21600};
    int step = kSteps[sizeof kSteps / sizeof kSteps[0] - 1];
    for (int s : kSteps)
        if (span / static_cast<uint64_t>(s) <= 6) {
            step = s;
            break;
        }
    // Wall time of second n, from the newest sample.
    const std::time_t lastTime = samples.back().time;
    const uint64_t lastSecond = samples.back().second;
    const QFontMetrics fm = p.fontMetrics();
    for (uint64_t n = axis.first; n <= axis.last; ++n) {
        const std::time_t t = lastTime - static_cast<std::time_t>(lastSecond - n);
        if (t % step != 0) continue;
        const double x = axis.X(static_cast<double>(n));
        p.setPen(kGrid);
        p.drawLine(QPointF(x, axis.plot.top()), QPointF(x, axis.plot.bottom()));
        const QString label = ClockText(t, step < 60);
        p.setPen(kText);
        p.drawText(QPointF(x - fm.horizontalAdvance(label) / 2.0, y), label);
        n += static_cast<uint64_t>(step) - 1;
    }
}

// Shades the runs of seconds that `flag` marks (the line lost, the alarm on).
void ShadeSeconds(QPainter& p, const TimeAxis& axis, const std::vector<RateSample>& samples, const QRect& band,
                  bool RateSample::*flag, const QColor& shade) {
    for (size_t i = 0; i < samples.size(); ++i) {
        if (!(samples[i].*flag)) continue;
        size_t j = i;
        while (j + 1 < samples.size() && samples[j + 1].*flag) ++j;
        // Each sample stands for the second its tick closed.
        const double x0 = axis.X(static_cast<double>(samples[i].second) - 1);
        const double x1 = axis.X(static_cast<double>(samples[j].second));
        p.fillRect(QRectF(std::max<double>(x0, band.left()), band.top(), std::max(1.0, x1 - std::max<double>(x0, band.left())),
                          band.height()),
                   shade);
        i = j;
    }
}

}  // namespace

CpmStats CpmStatsOf(const std::vector<RateSample>& samples) {
    CpmStats stats;
    double sum = 0.0;
    for (const RateSample& s : samples) {
        if (s.lineLost) continue;
        stats.min = stats.seconds == 0 ? s.cpm : std::min(stats.min, s.cpm);
        stats.max = std::max(stats.max, s.cpm);
        sum += s.cpm;
        ++stats.seconds;
    }
    if (stats.seconds == 0) return stats;
    stats.mean = sum / static_cast<double>(stats.seconds);
    double squares = 0.0;  // about the mean, which keeps a day of large CPMs exact
    for (const RateSample& s : samples)
        if (!s.lineLost) squares += (s.cpm - stats.mean) * (s.cpm - stats.mean);
    stats.deviation = std::sqrt(squares / static_cast<double>(stats.seconds));
    return stats;
}

void PaintChart(QPainter& p, const QRect& area, const std::vector<RateSample>& samples, int minutes) {
    p.save();
    p.fillRect(area, kBackground);
    QFont font = p.font();
    font.setPixelSize(12);
    p.setFont(font);
    const QFontMetrics fm = p.fontMetrics();
    p.setPen(kText);
    const int left = area.left() + 62, right = area.right() - 78;
    const int titleY = area.top() + 20;
    if (samples.empty()) {
        p.drawText(area, Qt::AlignCenter, QStringLiteral("No readings yet: the counter has not ticked a second."));
        p.restore();
        return;
    }
    const RateSample& now = samples.back();

    // The heading: what the device reads now.
    QString heading = QStringLiteral("CPM %1   %2").arg(now.cpm).arg(DoseText(now.doseRate, now.doseInMr));
    if (now.alarmCompared)
        heading += QStringLiteral("   alarm at %1").arg(now.alarmInCpm ? QStringLiteral("%1 CPM").arg(now.alarmLevelCpm)
                                                                        : DoseText(now.alarmLevelUsv, now.doseInMr));
    else
        heading += QStringLiteral("   alarm off");
    if (now.realMode) heading += QStringLiteral("   real mode");
    font.setBold(true);
    p.setFont(font);
    p.drawText(QPointF(left, titleY), heading);
    font.setBold(false);
    p.setFont(font);
    const uint64_t spanSeconds = static_cast<uint64_t>(std::max(1, minutes)) * 60;
    TimeAxis axis{samples.front().second - 1, now.second, {}};
    const QString spanText = axis.last - axis.first < spanSeconds
                                 ? QStringLiteral("since start")
                                 : QStringLiteral("last %1 min").arg(minutes);
    p.drawText(QPointF(right + 78 - 8 - fm.horizontalAdvance(spanText), titleY), spanText);

    // Under it the totals since the start, and CPM over the span shown.
    const CpmStats stats = CpmStatsOf(samples);
    QString totals = QStringLiteral("total %1 counts   %2").arg(now.totalCount).arg(DoseTotalText(now.doseUsv, now.doseInMr));
    if (stats.seconds > 0)
        totals += QStringLiteral("      CPM mean %1   min %2   max %3   SD %4")
                      .arg(QString::number(stats.mean, 'f', 1))
                      .arg(stats.min)
                      .arg(stats.max)
                      .arg(QString::number(stats.deviation, 'f', 1));
    p.drawText(QPointF(left, titleY + 17), totals);

    // Two bands: the CPM (with the dose rate at its marks) above, the counts
    // of each second below.
    const int top = titleY + 32, bottom = area.bottom() - 44;
    const int split = top + (bottom - top) * 68 / 100;
    const QRect cpmBand(left, top, right - left, split - top - 18);
    const QRect countBand(left, split, right - left, bottom - split);
    axis.plot = cpmBand;

    uint32_t maxCpm = 0;
    int32_t maxCount = 0;
    for (const RateSample& s : samples) {
        maxCpm = std::max(maxCpm, s.cpm);
        maxCount = std::max(maxCount, s.count);
    }
    // The alarm line is shown when it is not far beyond the readings.
    const bool alarmShown = now.alarmCompared && now.alarmLineCpm <= std::max<uint32_t>(maxCpm, 10) * 4;
    double cpmTop = std::max<double>(maxCpm, 10);
    if (alarmShown) cpmTop = std::max<double>(cpmTop, now.alarmLineCpm);
    const double cpmStep = NiceStep(cpmTop * 1.05, 5);
    cpmTop = std::ceil(cpmTop * 1.05 / cpmStep) * cpmStep;
    const double countStep = NiceStep(std::max(maxCount, 2), 3);
    const double countTop = std::ceil(std::max<double>(maxCount, 2) / countStep) * countStep;

    auto cpmY = [&](double v) { return cpmBand.bottom() - v / cpmTop * cpmBand.height(); };
    auto countY = [&](double v) { return countBand.bottom() - v / countTop * countBand.height(); };

    for (const QRect& band : {cpmBand, countBand}) {
        ShadeSeconds(p, axis, samples, band, &RateSample::alarmReached, kAlarmShade);
        ShadeSeconds(p, axis, samples, band, &RateSample::lineLost, kLostShade);
    }

    // Scales with labels: CPM left, the dose rate at the same marks right,
    // counts per second left of the lower band.
    for (double v = 0; v <= cpmTop + cpmStep / 2; v += cpmStep) {
        const double y = cpmY(v);
        p.setPen(kGrid);
        p.drawLine(QPointF(cpmBand.left(), y), QPointF(cpmBand.right(), y));
        p.setPen(kText);
        const QString label = Number(v);
        p.drawText(QPointF(cpmBand.left() - 6 - fm.horizontalAdvance(label), y + fm.ascent() / 2.5), label);
        p.drawText(QPointF(cpmBand.right() + 6, y + fm.ascent() / 2.5),
                   DoseText(CpmToDose(static_cast<uint32_t>(v)), now.doseInMr));
    }
    for (double v = 0; v <= countTop + countStep / 2; v += countStep) {
        const double y = countY(v);
        p.setPen(kGrid);
        p.drawLine(QPointF(countBand.left(), y), QPointF(countBand.right(), y));
        p.setPen(kText);
        const QString label = Number(v);
        p.drawText(QPointF(countBand.left() - 6 - fm.horizontalAdvance(label), y + fm.ascent() / 2.5), label);
    }
    p.save();
    p.translate(area.left() + 14, (cpmBand.top() + cpmBand.bottom()) / 2.0);
    p.rotate(-90);
    p.drawText(QPointF(-fm.horizontalAdvance(QStringLiteral("CPM")) / 2.0, 0), QStringLiteral("CPM"));
    p.restore();
    p.save();
    p.translate(area.left() + 14, (countBand.top() + countBand.bottom()) / 2.0);
    p.rotate(-90);
    p.drawText(QPointF(-fm.horizontalAdvance(QStringLiteral("counts/s")) / 2.0, 0), QStringLiteral("counts/s"));
    p.restore();
    axis.plot = countBand;
    PaintTimeLabels(p, axis, samples, countBand.bottom() + 16);
    axis.plot = cpmBand;

    // The counts: one bar per second, merged where seconds share a pixel.
    p.setRenderHint(QPainter::Antialiasing, false);
    {
        std::vector<int32_t> columns(static_cast<size_t>(countBand.width()) + 1, -1);
        axis.plot = countBand;
        for (const RateSample& s : samples) {
            if (s.lineLost) continue;
            const int column = static_cast<int>(axis.X(static_cast<double>(s.second) - 0.5)) - countBand.left();
            const size_t c = static_cast<size_t>(std::clamp(column, 0, countBand.width()));
            columns[c] = std::max(columns[c], s.count);
        }
        const double perSecond = static_cast<double>(countBand.width()) / std::max<double>(1.0, axis.last - axis.first);
        const int barWidth = std::max(1, static_cast<int>(perSecond * 0.7));
        for (size_t c = 0; c < columns.size(); ++c) {
            if (columns[c] <= 0) continue;
            const double y = countY(std::min<double>(columns[c], countTop));
            p.fillRect(QRectF(countBand.left() + static_cast<double>(c) - barWidth / 2.0, y, barWidth,
                              countBand.bottom() - y),
                       kCountBars);
        }
        axis.plot = cpmBand;
    }

    // The CPM line, broken where the line was lost.
    p.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath path;
    bool drawing = false;
    for (const RateSample& s : samples) {
        if (s.lineLost) {
            drawing = false;
            continue;
        }
        const QPointF point(axis.X(static_cast<double>(s.second)), cpmY(s.cpm));
        if (drawing) path.lineTo(point);
        else path.moveTo(point);
        drawing = true;
    }
    p.setPen(QPen(kCpmLine, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);

    p.setRenderHint(QPainter::Antialiasing, false);
    if (alarmShown) {
        const double y = cpmY(now.alarmLineCpm);
        p.setPen(QPen(kAlarmLine, 2, Qt::DashLine));
        p.drawLine(QPointF(cpmBand.left(), y), QPointF(cpmBand.right(), y));
        p.setPen(kAlarmLine);
        p.drawText(QPointF(cpmBand.left() + 4, y - 4), QStringLiteral("alarm"));
    }
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(kText);
    p.setBrush(Qt::NoBrush);
    p.drawRect(cpmBand);
    p.drawRect(countBand);

    // The key.
    int x = left;
    const int keyY = area.bottom() - 10;
    auto key = [&](const QColor& colour, const QString& text, bool shade) {
        if (shade) p.fillRect(QRect(x, keyY - 9, 14, 10), colour);
        else p.fillRect(QRect(x, keyY - 5, 14, 3), colour);
        p.setPen(kText);
        p.drawText(QPointF(x + 18, keyY), text);
        x += 18 + fm.horizontalAdvance(text) + 18;
    };
    key(kCpmLine, QStringLiteral("CPM"), false);
    key(kCountBars, QStringLiteral("counts per second"), false);
    if (alarmShown) key(kAlarmLine, QStringLiteral("alarm level"), false);
    if (std::any_of(samples.begin(), samples.end(), [](const RateSample& s) { return s.lineLost; }))
        key(kLostShade, QStringLiteral("line lost"), true);
    if (std::any_of(samples.begin(), samples.end(), [](const RateSample& s) { return s.alarmReached; }))
        key(kAlarmShade, QStringLiteral("alarm"), true);
    p.restore();
}

QImage RenderChart(const std::vector<RateSample>& samples, int minutes, double scale) {
    QImage image(static_cast<int>(std::lround(kChartWidth * scale)), static_cast<int>(std::lround(kChartHeight * scale)),
                 QImage::Format_RGB32);
    image.fill(kBackground);
    QPainter painter(&image);
    painter.scale(scale, scale);
    PaintChart(painter, QRect(0, 0, kChartWidth, kChartHeight), samples, minutes);
    painter.end();
    return image;
}
