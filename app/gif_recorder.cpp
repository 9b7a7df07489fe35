// The window's animated GIF: frames from the panel render, delays from the
// clock, written through QSaveFile at the end.
#include "app/gif_recorder.h"

#include <QSaveFile>
#include <vector>

#include "platform/lcd.h"

void GifRecorder::Frame(const QImage& picture) {
    if (!error_.empty() || picture.isNull()) return;
    const qint64 now = clock_.elapsed() / 10;
    QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    if (!writer_) {
        writer_ = std::make_unique<gif::Writer>(image.width(), image.height(),
                                                std::vector<uint32_t>{kLcdBackground, kLcdInk, kLcdUnlit});
    } else {
        writer_->Hold(static_cast<uint32_t>(std::min<qint64>(now - shownAt_, gif::kMaxDelay)));
        if (image.size() != QSize(writer_->width(), writer_->height()))
            image = image.scaled(writer_->width(), writer_->height(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                        .convertToFormat(QImage::Format_ARGB32);
    }
    shownAt_ = now;
    writer_->Add(reinterpret_cast<const uint32_t*>(image.constBits()), int(image.bytesPerLine() / 4), error_);
}

bool GifRecorder::Finish(QString& error) {
    std::string bytes;
    if (error_.empty() && !writer_) error_ = "nothing was shown while recording";
    if (error_.empty()) {
        writer_->Hold(static_cast<uint32_t>(std::min<qint64>(clock_.elapsed() / 10 - shownAt_, gif::kMaxDelay)));
        writer_->Finish(bytes, error_);
    }
    if (!error_.empty()) {
        error = QString::fromStdString(error_);
        return false;
    }
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size()) ||
        !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}
