// The guide window ("Guide" in the pop-up menu, F1): beside the panel, it
// follows the device and says what the screen shown means, what each key
// does there, its marks, its place in the menu tree and the way back. The
// words are the core's (core/screen_guide.h); this window only lays them out.
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>

#include "core/screen_guide.h"

class QTextBrowser;

class GuideWindow : public QWidget {
public:
    GuideWindow();

    // Shows the guide to the device now: at each hand-over while open.
    // Cheap when nothing it says changed.
    void Follow();
    const QString& html() const { return html_; }

private:
    QTextBrowser* view_;
    QString html_;
};

// The guide as the window shows it (HTML), with a note when the panel's Up
// and Down keys are swapped.
QString GuideHtml(const ScreenGuide& guide, bool keysSwapped);

// Where a window of `size` goes beside `panel` (frames, global
// coordinates) on a screen whose free area is `screen`: as the chart goes
// (host_state.h), at its full size.
QRect PlaceBeside(const QRect& panel, const QSize& size, const QRect& screen);
