// The front panel's steady cost on the offscreen platform: one second of
// the device at rest on its graph reading screen, as the window's 500 ms
// timer runs it (two periods with their hand-overs and repaints), against a
// bare window that repaints a 244 x 64 picture twice. The real window pays
// this once a second; bench/window_at_rest.sh measures it on an X server.
#include <benchmark/benchmark.h>

#include <QAccessible>
#include <QApplication>
#include <QPainter>
#include <QWidget>
#include <QWindow>
#include <cstdio>

#include "app/front_panel_dialog.h"
#include "firmware/state.h"
#include "media/panel_render.h"

namespace {

// Shown and exposed: before that a repaint paints nothing.
void ShowExposed(QWidget& window) {
    window.show();
    while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

// The offscreen platform has no shaped windows; the window asks anyway.
QtMessageHandler gStandardHandler = nullptr;
void QuietAboutMasks(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text.contains(QLatin1String("window masks"))) return;
    if (gStandardHandler != nullptr) gStandardHandler(type, context, text);
    else std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
}

// Screen reader listening: 0 no (the usual case), 1 yes, when the LCD is
// also read out for it.
void BM_WindowRestingSecond(benchmark::State& state) {
    FrontPanelDialog window;
    ShowExposed(window);
    QAccessible::setActive(state.range(0) != 0);
    window.ClickKey(KeySelect);
    for (int i = 0; i < 40; ++i) window.HalfSecondEvent();  // past the logo
    for (auto _ : state) {
        window.HalfSecondEvent();
        window.HalfSecondEvent();
    }
    QAccessible::setActive(false);
}
BENCHMARK(BM_WindowRestingSecond)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

class BareWindow : public QWidget {
public:
    BareWindow() : picture_(PanelLcdRect(0).size(), QImage::Format_RGB32) {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFixedSize(kPanelWidth, kPanelHeight);
        picture_.fill(qRgb(170, 170, 170));
    }
    void Step() {
        const int x = column_++ % picture_.width();
        for (int y = 0; y < picture_.height(); ++y) picture_.setPixel(x, y, qRgb(45, 45, 45));
        repaint(PanelLcdRect(0));
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(PanelLcdRect(0).topLeft(), picture_);
    }

private:
    QImage picture_;
    int column_ = 0;
};

void BM_BareWindowSecond(benchmark::State& state) {
    BareWindow window;
    ShowExposed(window);
    for (auto _ : state) {
        window.Step();
        window.Step();
    }
}
BENCHMARK(BM_BareWindowSecond)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    QApplication app(argc, argv);
    gStandardHandler = qInstallMessageHandler(QuietAboutMasks);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
