// The runner's animated GIFs: frames at hand-overs and presses, timed by
// virtual time, with long waits shortened.
#include "tools/run/animation.h"

#include <algorithm>
#include <vector>

#include "platform/lcd.h"
#include "script/script_language.h"
#include "tools/run/files.h"
#include "tools/run/panel.h"
#include "tools/run/runner.h"

namespace geigerrun {

bool Animation::Render(const Runner& runner, std::string& error) {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    if (panel_) {
        if (!RenderRunnerPanel(runner, scale_, pixels, width, height, error, keys_)) return false;
    } else {
        width = kLcdScreenWidth * scale_;
        height = kLcdScreenHeight * scale_;
        pixels.resize(size_t(width) * size_t(height));
        const LcdPicture& lcd = runner.presented();
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                pixels[size_t(y) * size_t(width) + size_t(x)] = 0xFF000000u | lcd.pixels[y / scale_][x / scale_];
    }
    if (!writer_) {
        writer_ = std::make_unique<gif::Writer>(
            width, height, std::vector<uint32_t>{kLcdBackground, kLcdInk, kLcdUnlit}, kShortestFrame);
        writer_->SetLoops(loops_);
    }
    return writer_->Add(pixels.data(), width, error);
}

bool Animation::Frame(const Runner& runner, std::string& error) {
    const uint64_t now = runner.halfTicks();
    // Time runs on from the last frame (a loaded snapshot may have put it back).
    if (writer_ && now > lastTicks_)
        writer_->Hold(static_cast<uint32_t>(std::min<uint64_t>((now - lastTicks_) * 50, gif::kMaxDelay)));
    lastTicks_ = now;
    const int pressed = panel_ ? runner.pressedKey() : -1;
    if (writer_ && runner.handOverStamp() == lastHandOver_ && pressed == lastPressed_ &&
        runner.panelLayout() == lastLayout_)
        return true;
    lastHandOver_ = runner.handOverStamp();
    lastPressed_ = pressed;
    lastLayout_ = runner.panelLayout();
    return Render(runner, error);
}

bool Animation::ShortenWait(const Runner& runner, std::string& error) {
    if (writer_) writer_->Hold(kShortenedWait / 2);
    lastTicks_ = runner.halfTicks();
    if (!Frame(runner, error)) return false;
    writer_->Hold(kShortenedWait / 2);
    return true;
}

void Animation::Resync(const Runner& runner) { lastTicks_ = runner.halfTicks(); }

bool Animation::Finish(std::ostream& out, std::string& error, uint64_t holdHalfSeconds) {
    std::string bytes, why;
    if (writer_) writer_->Hold(static_cast<uint32_t>(std::min<uint64_t>(holdHalfSeconds * 50, gif::kMaxDelay)));
    if (!writer_ || !writer_->Finish(bytes, why)) {
        error = "cannot write " + script::Quote(path_) + ": " + (writer_ ? why : "no frame");
        return false;
    }
    return WriteFileSafely(path_, bytes, out, error);
}

}  // namespace geigerrun
