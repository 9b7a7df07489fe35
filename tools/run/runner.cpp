// Runs the parsed commands: device steps through the script player, the
// LCD as the window presents it, and each command's output or file.
#include "tools/run/runner.h"

#include <algorithm>

#include "core/panel.h"
#include "core/presentation.h"
#include "firmware/dataflash.h"
#include "firmware/state.h"
#include "platform/clock.h"
#include "platform/show_lcd.h"
#include "core/bounded_read.h"
#include "script/commands/expect.h"
#include "script/commands/lcd_dump.h"
#include "script/commands/state_json.h"
#include "script/commands/text.h"
#include "tools/run/files.h"
#include "tools/run/flash_log.h"
#include "tools/run/panel.h"
#include "tools/run/svg.h"
#include "tools/run/report.h"
#include "script/commands/state_json.h"
#include "script/commands/text.h"
#include "tools/run/coverage.h"
#include "tools/run/tour.h"

namespace geigerrun {

// The window copies the surface at every hand-over and shows that copy, so
// the runner keeps one too (the logo, for one, is cleared from the surface
// right after it is handed over).
void Runner::CountShowLcd(void* context) {
    Runner* runner = static_cast<Runner*>(context);
    if (LcdDrawCount() != runner->handedOverAt_) {  // else nothing was drawn since the last copy
        // A copy taken in this same call is replaced before the window could show it.
        if (runner->catching_ && !runner->caught_ && runner->handedOverStep_ == DriverSteps() &&
            runner->handedOverStep_ > runner->catchFromStep_) {
            *runner->drawn_ = *runner->handedOver_;
            runner->caught_ = true;
        }
        LcdSnapshot(*runner->handedOver_);
        runner->handedOverAt_ = LcdDrawCount();
        runner->handedOverStep_ = DriverSteps();
        runner->presentedStale_ = true;
    }
    if (runner->animation_ && !runner->animationPaused_ && runner->animationError_.empty())
        runner->animation_->Frame(*runner, runner->animationError_);
    if (runner->screens_ != nullptr) runner->screens_->Saw(CurrentScreen(), runner->where_);
}

const LcdPicture& Runner::presented() const {
    if (presentedStale_) LcdExpand(*handedOver_, *presented_);
    presentedStale_ = false;
    return *presented_;
}

// Each second the device ticked: its sound and its sample for the chart, at
// virtual time on the clock the run started with. In real mode a second
// without a count to take is a second the line was lost.
void Runner::NoteSecond(const DriverSecond& second, void* context) {
    Runner* runner = static_cast<Runner*>(context);
    runner->track_.Add(sound::FromDriverSecond(second));
    runner->history_.Add(SampleOf(second, runner->chartClock_ + static_cast<std::time_t>(DriverHalfTicks() / 2),
                                  !runner->player_.lastSecondReported(), false));
}

Runner::~Runner() {
    if (handlerOwner_ == this) {
        DriverSetSecondObserver(nullptr, nullptr);
        DriverSetHandOver(nullptr, nullptr);
        handlerOwner_ = nullptr;
    }
}

StartOptions WithSetUp(const std::vector<Command>& commands, StartOptions options) {
    const StartOptions given = options;
    for (const Command& cmd : commands) {
        if (cmd.op == Op::Clock && !given.clock) options.clock = cmd.clock;
        if (cmd.op == Op::Seed && !given.seed) options.seed = cmd.seed;
    }
    return options;
}

void Runner::Start(const StartOptions& options, const DeviceSubstitutes& substitutes) {
    options_ = options;
    failures_.clear();
    checked_ = 0;
    clockAtStart_ = options.clock ? *options.clock : RtcHostNow();
    // The chart shows its times on the host's clock face: the moment at which
    // the host's wall clock reads the device's, so every TZ draws the same.
    std::tm wall{};
    chartClock_ = clockAtStart_;
    if (gmtime_r(&clockAtStart_, &wall) != nullptr) {
        wall.tm_isdst = -1;
        if (const std::time_t host = std::mktime(&wall); host != static_cast<std::time_t>(-1)) chartClock_ = host;
    }
    player_.Start({clockAtStart_, options.seed.has_value(), options.seed.value_or(0), CountShowLcd, this});
    handlerOwner_ = this;
    track_.Clear();
    history_.Clear();
    DriverSetSecondObserver(NoteSecond, this);
    LcdSnapshot(*handedOver_);
    handedOverAt_ = LcdDrawCount();
    handedOverStep_ = DriverSteps();
    presentedStale_ = true;
    catching_ = caught_ = false;
    loaded_ = false;
    drawnFor_ = nullptr;
    // The stand-ins read as in the window until a command says otherwise,
    // or as the run had them for a tour's fresh devices.
    ApplySubstitutes(substitutes);
}

void Runner::CatchDrawn() {
    catching_ = true;
    caught_ = false;
    catchFromStep_ = DriverSteps();
}

bool Runner::WithDrawn(const std::function<bool(std::string& error)>& write, std::string& error) {
    catching_ = false;
    if (!caught_) {
        error = "no screen was drawn and replaced within one key or 500 ms period";
        return false;
    }
    handedOver_.swap(drawn_);
    presentedStale_ = true;
    const bool written = write(error);
    handedOver_.swap(drawn_);
    presentedStale_ = true;
    return written;
}

bool Runner::TakePicture(int scale, bool panel, RawPicture& picture, std::string& error, bool clean) const {
    if (panel) {
        picture.scale = 1;
        picture.alpha = true;
        return RenderRunnerPanel(*this, scale, picture.pixels, picture.width, picture.height, error, false, clean);
    }
    const LcdPicture& lcd = presented();
    picture.pixels.assign(&lcd.pixels[0][0], &lcd.pixels[0][0] + kLcdScreenWidth * kLcdScreenHeight);
    picture.width = kLcdScreenWidth;
    picture.height = kLcdScreenHeight;
    picture.scale = scale;
    picture.alpha = false;
    return true;
}

bool Runner::WritePicture(const std::string& path, int scale, bool panel, std::ostream& out, std::string& error,
                          int dpi, bool clean) const {
    RawPicture picture;
    std::string png, why;
    if (!TakePicture(scale, panel, picture, why, clean) || !EncodePng(picture, png, why, dpi)) {
        error = "cannot write " + script::Quote(path) + ": " + why;
        return false;
    }
    return WriteFileSafely(path, png, out, error);
}

bool Runner::WriteWav(const std::string& path, std::ostream& out, std::string& error) const {
    const double seconds = static_cast<double>(DriverHalfTicks()) / 2;
    if (seconds > sound::kMaxTrackSeconds) {
        error = "cannot write " + script::Quote(path) + ": the run is longer than the " +
                std::to_string(static_cast<int>(sound::kMaxTrackSeconds / 3600)) + " hours a sound file holds";
        return false;
    }
    return WriteFileSafely(path, sound::WavBytes(track_.Render(seconds)), out, error);
}

bool Runner::WriteChart(const std::string& path, int minutes, int scale, std::ostream& out, std::string& error) const {
    std::vector<uint32_t> pixels;
    int width = 0, height = 0;
    std::string png, why;
    if (!RenderRunnerChart(history_.Last(minutes), minutes, scale, pixels, width, height, why) ||
        !EncodePng(pixels.data(), width, height, width, 1, png, why)) {
        error = "cannot write " + script::Quote(path) + ": " + why;
        return false;
    }
    return WriteFileSafely(path, png, out, error);
}

bool Runner::Save(const std::string& path, std::ostream& out, std::string& error) const {
    const std::string bytes = player_.Save(*handedOver_);
    if (bytes.empty()) {
        error = "cannot save the device to " + script::Quote(path) + ": it holds a handler a snapshot cannot name";
        return false;
    }
    return WriteFileSafely(path, bytes, out, error);
}

bool Runner::Load(const std::string& path, std::string& error) {
    std::string bytes, why;
    if (!ReadBounded(path, SnapshotFile(), bytes, why) || !player_.Load(bytes, *handedOver_, why)) {
        error = "cannot load " + script::Quote(path) + ": " + why;
        return false;
    }
    loaded_ = true;
    // The surface may have been drawn on since that hand-over: the next one copies again.
    handedOverAt_ = LcdDrawCount() - 1;
    presentedStale_ = true;
    // The loaded device's time is its own: sound and chart start over from it.
    track_.Clear();
    history_.Clear();
    DriverSetLayout(realMode != 0 ? 0 : DriverPanelLayout(0));
    if (animation_) animation_->Resync(*this);
    return true;
}

bool Runner::FinishAnimation(std::ostream& out, std::string& error, uint64_t holdHalfSeconds) {
    if (!animation_) return true;
    const std::unique_ptr<Animation> animation = std::move(animation_);
    return animation->Finish(out, error, holdHalfSeconds);
}

void Runner::WaitReporting(uint64_t halfSeconds) {
    constexpr uint64_t kSlice = 2 * 86400;  // a virtual day between reports
    if (progress_ == nullptr || halfSeconds <= kSlice) {
        player_.Wait(halfSeconds);
        return;
    }
    // Periods run the same in slices as at once: they count from time 0.
    while (halfSeconds > 0) {
        const uint64_t slice = std::min(halfSeconds, kSlice);
        player_.Wait(slice);
        halfSeconds -= slice;
        *progress_ << "\rgeigersim-run: virtual day " << DriverHalfTicks() / kSlice << " of at most "
                   << (progressTotal_ + kSlice - 1) / kSlice << std::flush;
        progressShown_ = true;
    }
}

bool Runner::Expect(const Command& cmd, std::string& message) {
    ++checked_;
    for (uint64_t waited = 0;; ++waited) {
        if (CheckExpectation(cmd, presented(), message)) return true;
        if (waited == cmd.within) break;
        player_.Wait(1);
    }
    if (cmd.within > 0) message += " (waited " + script::FormatDuration(cmd.within) + ")";
    return false;
}

bool Runner::RewriteExpected(const Command& cmd, std::ostream& out, std::string& error) const {
    std::string dump = LcdText(presented());
    for (size_t i = 0; i < dump.size() && i < cmd.dump.size(); ++i)
        if (cmd.dump[i] == '?') dump[i] = '?';
    if (!WriteFileSafely(cmd.file, dump, out, error)) return false;
    out.flush();
    *updateExpected_ << "geigersim-run: " << cmd.where << ": rewrote " << cmd.file << std::endl;
    return true;
}

bool Runner::Run(const std::vector<Command>& commands, std::ostream& out, std::string& error) {
    if (screens_ != nullptr && !commands.empty()) screens_->Saw(CurrentScreen(), commands.front().where);
    for (const Command& cmd : commands) {
        if (screens_ != nullptr) where_ = cmd.where;
        std::string what;
        const Command* drawnFor = drawnFor_;  // a `png ... at-draw` just before this command
        drawnFor_ = nullptr;
        bool done = true;  // false with `what` set: the command failed
        switch (cmd.op) {
        case Op::Clock:
        case Op::Seed: break;  // taken into the start options before the run
        case Op::Wait:
            if (animation_ && cmd.step.halfSeconds > kLongWait) {
                animationPaused_ = true;
                WaitReporting(cmd.step.halfSeconds);
                animationPaused_ = false;
                done = animation_->ShortenWait(*this, what);
            } else {
                WaitReporting(cmd.step.halfSeconds);
            }
            break;
        case Op::Press:
            player_.Play(cmd.step);
            break;
        case Op::Real:
        case Op::Demo:
        case Op::Walk: player_.Play(cmd.step); break;
        case Op::Lcd: out << LcdText(presented()); break;
        case Op::State: out << StateJson(DriverHandOvers(), DriverHalfTicks() * 500) << '\n'; break;
        case Op::Echo: out << cmd.text << '\n'; break;
        case Op::Png:
            if (cmd.atDraw) {
                CatchDrawn();
                drawnFor_ = &cmd;
                break;
            }
            done = WritePicture(cmd.text, cmd.scale, cmd.panel, out, what, cmd.dpi, cmd.clean);
            break;
        case Op::Flash:
            done = WriteFlash(cmd.text, what, out);
            break;
        case Op::LcdFile:
            done = WriteFileSafely(cmd.text, LcdText(presented()), out, what);
            break;
        case Op::Text: out << ScreenText(presented()); break;
        case Op::ExpectText:
        case Op::ExpectLcd:
        case Op::ExpectField:
            if (!Expect(cmd, what)) {
                if (cmd.op == Op::ExpectLcd && updateExpected_ != nullptr) {
                    done = RewriteExpected(cmd, out, what);
                    break;
                }
                failures_.push_back({cmd.where, what});
                std::string why;
                if (!WriteArtifacts(cmd, why)) {
                    error = cmd.where + ": " + why;
                    return false;
                }
                if (keepGoing_ == nullptr) {
                    error = cmd.where + ": " + what;
                    return false;
                }
                out.flush();
                *keepGoing_ << "geigersim-run: " << cmd.where << ": " << what << std::endl;
            }
            break;
        case Op::Log: {
            done = WriteFileSafely(cmd.text, DecodeFlashLog(FlashWriteArea, FlashWriteAddress()), out, what);
            break;
        }
        case Op::Save:
            done = Save(cmd.text, out, what);
            break;
        case Op::Load:
            done = Load(cmd.text, what);
            break;
        case Op::Wav:
            done = WriteWav(cmd.text, out, what);
            break;
        case Op::Chart:
            done = WriteChart(cmd.text, cmd.minutes, cmd.scale, out, what);
            break;
        case Op::Svg: done = WriteSvg(*this, cmd.text, cmd.scale, cmd.panel, out, what); break;
        case Op::Battery:
            SetBatteryReading(static_cast<uint8_t>(cmd.tenths));
            SetChargerLevelReport(cmd.steady);
            break;
        case Op::Store: SetConfigStore(cmd.factory ? ConfigStore::Factory : ConfigStore::Fixed); break;
        case Op::Temperature: SetTemperatureReading(cmd.tenths); break;
        case Op::Tour: {
            // Silently touring fresh devices instead would look like a tour of this one.
            if (loaded_) {
                done = false;
                what = "tour starts every screen on a fresh device, so it cannot show the one load put back; "
                       "set the device up with store, demo rate, battery and temperature instead";
                break;
            }
            const bool paused = animationPaused_;
            animationPaused_ = true;  // the tour's runs are not the animation's
            done = RunTour(*this,
                           {cmd.text, cmd.scale, cmd.panel, cmd.only, cmd.where, cmd.dpi, cmd.clean, cmd.paper,
                            cmd.pdf, cmd.titles},
                           out, what);
            animationPaused_ = paused;
            if (animation_) animation_->Resync(*this);
            break;
        }
        case Op::Gif:
            done = !animation_;
            if (done)
                animation_ = std::make_unique<Animation>(cmd.text, cmd.scale, cmd.panel, cmd.keys, cmd.loops);
            else
                what = "a gif is being recorded already; end it with \"gif end\" first";
            break;
        case Op::GifEnd:
            done = animation_ != nullptr;
            if (done)
                done = FinishAnimation(out, what, cmd.hold);
            else
                what = "no gif is being recorded (start one with \"gif FILE\")";
            break;
        }
        if (screens_ != nullptr) screens_->Saw(CurrentScreen(), cmd.where);
        if (!done) {
            error = cmd.where + ": " + what;
            return false;
        }
        // The runner's counts carry no orientation, so real mode shows the
        // panel upright.
        if (realMode != 0) DriverSetLayout(0);
        else DriverApplySwivel();
        // The picture after the command (a press that drew nothing new still shows its key).
        if (animation_ && !animationPaused_ && animationError_.empty()) animation_->Frame(*this, animationError_);
        if (!animationError_.empty()) {
            error = cmd.where + ": cannot record the gif: " + animationError_;
            animationError_.clear();
            animation_.reset();
            return false;
        }
        if (drawnFor != nullptr) {
            const Command& png = *drawnFor;
            const auto write = [&](std::string& why) {
                return WritePicture(png.text, png.scale, png.panel, out, why, png.dpi, png.clean);
            };
            if (!WithDrawn(write, what)) {
                error = png.where + ": png at-draw: " + what + " in the next command (" + cmd.where + ")";
                return false;
            }
        }
        if (!out) {
            error = cmd.where + ": cannot write the output";
            return false;
        }
    }
    if (drawnFor_ != nullptr) {
        error = drawnFor_->where + ": png at-draw needs a command after it, one that draws the screen";
        drawnFor_ = nullptr;
        catching_ = false;
        return false;
    }
    if (progressShown_) *progress_ << "\r\033[K" << std::flush;
    progressShown_ = false;
    return true;
}

}  // namespace geigerrun
