// The chart of the rate: CPM with its dose rate, the counts of each second,
// the alarm level and the seconds the line was lost. The chart window paints
// with it and geigersim-run renders its `chart` pictures with it, so both
// show the same.
#pragma once

#include <QImage>
#include <QRect>
#include <vector>

#include "media/rate_history.h"

class QPainter;

constexpr int kChartWidth = 800;  // chart pixels at scale 1
constexpr int kChartHeight = 440;

// CPM over the seconds of a span the line was not lost: the mean, the
// lowest, the highest and the standard deviation (of the seconds as a whole
// population). All 0 when no second counts.
struct CpmStats {
    size_t seconds = 0;
    double mean = 0.0;
    uint32_t min = 0;
    uint32_t max = 0;
    double deviation = 0.0;
};
CpmStats CpmStatsOf(const std::vector<RateSample>& samples);

// The chart of `samples` (oldest first, RateHistory::Last) over a span of
// `minutes`, or since the first sample when the run is shorter, filling
// `area` of a painter whose unit is one chart pixel.
void PaintChart(QPainter& painter, const QRect& area, const std::vector<RateSample>& samples, int minutes);

// The same as a picture of kChartWidth x kChartHeight times `scale`.
QImage RenderChart(const std::vector<RateSample>& samples, int minutes, double scale);
