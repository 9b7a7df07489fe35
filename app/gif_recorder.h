// "Record GIF…": what the window shows as an animated GIF, a frame at each
// hand-over and at each key going down or up, timed as it happened.
#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QString>
#include <memory>
#include <string>

#include "media/gif_writer.h"

class GifRecorder {
public:
    explicit GifRecorder(QString path) : path_(std::move(path)) { clock_.start(); }

    // The picture now (the panel as rendered, see-through around the case);
    // the one before it showed until now. A picture of another size (the
    // zoom changed) is scaled to the first one's.
    void Frame(const QImage& picture);
    // Writes the file beside its target and renames it over; false with
    // `error` set when it could not.
    bool Finish(QString& error);
    const QString& path() const { return path_; }

private:
    QString path_;
    QElapsedTimer clock_;
    qint64 shownAt_ = 0;  // centiseconds on clock_ of the last frame
    std::unique_ptr<gif::Writer> writer_;
    std::string error_;  // the first failure, told by Finish
};
