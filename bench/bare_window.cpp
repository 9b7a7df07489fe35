// The yardstick for the front panel's cost at rest: a bare Qt window of the
// panel's size that changes a 244 x 64 picture and repaints it twice a
// second, as the panel does with its LCD, and nothing else. Run it beside
// geigersim (bench/window_at_rest.sh) and compare their CPU time.
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTimer>
#include <QWidget>

namespace {

constexpr QRect kPicture(79, 78, 244, 64);

class BareWindow : public QWidget {
public:
    BareWindow() : picture_(kPicture.size(), QImage::Format_RGB32) {
        setWindowTitle(QStringLiteral("bare window"));
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFixedSize(524, 306);
        picture_.fill(qRgb(170, 170, 170));
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(500);
        connect(&timer_, &QTimer::timeout, this, [this] { Step(); });
        timer_.start();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), QColor(0xd4, 0xd3, 0xcf));
        painter.drawImage(kPicture.topLeft(), picture_);
    }

private:
    // A new column of ink each time, so every repaint shows a new picture.
    void Step() {
        const int x = column_++ % picture_.width();
        for (int y = 0; y < picture_.height(); ++y)
            picture_.setPixel(x, y, (y + column_) % 7 == 0 ? qRgb(45, 45, 45) : qRgb(170, 170, 170));
        repaint(kPicture);
    }

    QImage picture_;
    QTimer timer_;
    int column_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    BareWindow window;
    window.show();
    return app.exec();
}
