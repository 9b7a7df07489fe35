// The chart window ("View" > "Chart…", --chart): the rate chart of
// app/chart_render.h over a chosen span, live, not modal, with the chart
// saved as PNG and the seconds as CSV in the count log's columns.
#pragma once

#include <QWidget>

#include "media/rate_history.h"

class QComboBox;

class ChartWindow : public QWidget {
public:
    ChartWindow(const RateHistory& history, QWidget* parent = nullptr);

    int minutes() const;
    // A second was ticked: draw again while shown.
    void Refresh();

private:
    void SaveAsPng();
    void SaveAsCsv();

    const RateHistory& history_;
    QWidget* view_;
    QComboBox* span_;
};
