// The executor of geigersim-run: runs parsed commands against the firmware
// on virtual time, the device steps through the script player.
//
// The firmware is one global record, so there is one device per process:
// Runner::Start puts it back to the state right after the window's
// initialisation, and every run (and every in-process test) begins there.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "core/driver.h"
#include "core/panel.h"
#include "core/substitutes.h"
#include "media/rate_history.h"
#include "media/sound.h"
#include "platform/lcd.h"
#include "script/commands/parse.h"
#include "script/script_player.h"
#include "tools/run/animation.h"
#include "tools/run/files.h"

namespace geigerrun {

class ScreenLog;

struct StartOptions {
    std::optional<std::time_t> clock;  // default: now
    std::optional<uint32_t> seed;      // default: the time, as power-on does
};

// `options` with what the `clock` and `seed` commands of `commands` set
// where `options` leaves it open: the command line wins over the script.
StartOptions WithSetUp(const std::vector<Command>& commands, StartOptions options);

class Runner {
public:
    // A `press` is a click on the panel's key, as the web page plays it: the
    // first on Select/Power ends the start hint.
    explicit Runner(script::DeviceHooks hooks = {kFirmwareServices, DriverPressAsPanelClick}) : player_(hooks) {}
    // The firmware's hand-over handler points at the runner that started it.
    Runner(const Runner&) = delete;
    Runner& operator=(const Runner&) = delete;
    ~Runner();

    // The state right after the window's initialisation: record at load,
    // clock fixed, holds cleared, swivel "Normal", device unpowered, LCD
    // unlit, virtual time 0, demo mode; the stand-ins as `substitutes` say
    // (by default as the window has them).
    void Start(const StartOptions& options = {}, const DeviceSubstitutes& substitutes = {});

    // Runs the commands in order, writing their output to `out`. Stops at
    // the first command that fails (a file that cannot be written) and
    // returns false with `error` set to "<where>: <what>".
    // A failed expectation stops the run the same way, with error set to
    // "<where>: expected ..., got ..."; failedExpectations() then tells it
    // from a fault. After KeepGoing(messages) a failed expectation is
    // written to `messages` instead and the run goes on.
    bool Run(const std::vector<Command>& commands, std::ostream& out, std::string& error);
    void KeepGoing(std::ostream* messages) { keepGoing_ = messages; }
    uint64_t failedExpectations() const { return failures_.size(); }
    uint64_t checkedExpectations() const { return checked_; }

    // Each failed expectation as it was reported, for a test report.
    struct Failure {
        std::string where;
        std::string message;
    };
    const std::vector<Failure>& failures() const { return failures_; }
    // Pictures of each failed expectation go into `dir` (made by the caller):
    // LABEL-POSITION-actual.png, and for `expect lcd` -expected and -diff.
    void Artifacts(std::string dir) { artifacts_ = std::move(dir); }
    // A failing `expect lcd` rewrites its file with the LCD shown (keeping
    // the file's '?' pixels), names it on `list` and holds.
    void UpdateExpected(std::ostream* list) { updateExpected_ = list; }
    // Every screen shown (at each hand-over and after each command) goes
    // to `log` with the command that showed it, across runs: `--coverage`.
    void TrackScreens(ScreenLog* log) { screens_ = log; }
    // Long waits report how far they got on `to` (a terminal), out of `total`
    // 500 ms periods.
    void Progress(std::ostream* to, uint64_t total) {
        progress_ = to;
        progressTotal_ = total;
    }

    // Single steps, as the commands do them.
    void Press(uint8_t key) { player_.Press(key); }
    void Wait(uint64_t halfSeconds) { player_.Wait(halfSeconds); }
    void Real(const std::vector<int32_t>& counts) { player_.Real(counts); }
    void Demo() { player_.Demo(); }

    uint64_t halfTicks() const { return DriverHalfTicks(); }
    uint64_t showLcdCalls() const { return DriverHandOvers(); }
    // The LCD as the window shows it: the surface as of the last hand-over
    // (ShowLcd), or the unlit surface before the first one.
    const LcdPicture& presented() const;
    size_t pendingRealCounts() const { return player_.pendingRealCounts(); }
    const StartOptions& startOptions() const { return options_; }
    // The command line that started the program, quoted for a shell, for
    // the files that say how they were made (the tour's sheet).
    void SetCommandLine(std::string line) { commandLine_ = std::move(line); }
    const std::string& commandLine() const { return commandLine_; }
    // The panel layout the window would show: turned for good once "Swivel"
    // is chosen in demo mode; upright in real mode, since the runner's
    // counts carry no orientation.
    int panelLayout() const { return DriverLayout(); }
    // The key (as drawn on the panel) a `press` holds down until virtual
    // time moves on, or -1: a picture taken right after it shows it pressed.
    int pressedKey() const { return DriverPressedKey(); }
    // The surface as of the last hand-over.
    const LcdBits& handedOver() const { return *handedOver_; }
    // Changes at every hand-over that copied a new picture.
    uint64_t handOverStamp() const { return handedOverAt_; }

    // Writes an animation a `gif` left open: the end of a run closes it
    // (`gif end hold D` holds its last frame D longer).
    bool FinishAnimation(std::ostream& out, std::string& error, uint64_t holdHalfSeconds = 0);

    // The LCD as presented, or with `panel` the whole front panel (`clean`:
    // without the start hint and the lamp), as a PNG scaled by `scale`
    // (1..8), stating `dpi` when not 0; "-" goes to `out`.
    bool WritePicture(const std::string& path, int scale, bool panel, std::ostream& out, std::string& error,
                      int dpi = 0, bool clean = false) const;
    // The same picture, not yet encoded.
    bool TakePicture(int scale, bool panel, RawPicture& picture, std::string& error, bool clean = false) const;

    // `png FILE at-draw`: from now until the end of the next command, keep
    // the first screen that a firmware call (a key, a 500 ms period) hands
    // over and replaces before it returns: one the window shows only for an
    // instant, such as the factory reset's "Please wait.".
    void CatchDrawn();
    // After that command: the screen kept, presented in place of the last
    // one while `write` runs (a png, a tour's picture). False with `error`
    // set when there was none.
    bool WithDrawn(const std::function<bool(std::string& error)>& write, std::string& error);

    // The sound of the run so far (clicks and alarm at their virtual times)
    // as a WAV file, and the rate chart of its last `minutes` as a PNG.
    bool WriteWav(const std::string& path, std::ostream& out, std::string& error) const;
    bool WriteChart(const std::string& path, int minutes, int scale, std::ostream& out, std::string& error) const;
    const RateHistory& history() const { return history_; }

    // The whole device as a snapshot file, and back; "-" writes to `out`.
    bool Save(const std::string& path, std::ostream& out, std::string& error) const;
    bool Load(const std::string& path, std::string& error);

private:
    static void CountShowLcd(void* context);
    // Wait, in slices that report progress when asked to.
    void WaitReporting(uint64_t halfSeconds);
    // An expectation, or a `wait until` stepping time until it holds.
    bool Expect(const Command& cmd, std::string& message);
    // The pictures of a failed expectation, when asked for.
    bool WriteArtifacts(const Command& cmd, std::string& error) const;
    // `--update-expected`: the file of a failing `expect lcd` rewritten.
    bool RewriteExpected(const Command& cmd, std::ostream& out, std::string& error) const;
    static void NoteSecond(const DriverSecond& second, void* context);

    static inline Runner* handlerOwner_ = nullptr;

    script::Player player_;
    // The hand-over keeps the surface's compact snapshot; the picture is
    // expanded from it only when read, so days of virtual time stay cheap.
    std::unique_ptr<LcdBits> handedOver_ = std::make_unique<LcdBits>();
    uint64_t handedOverAt_ = 0;  // LcdDrawCount() at that copy
    uint64_t handedOverStep_ = 0;  // DriverSteps() at that copy
    // `png ... at-draw`: the screen replaced within its call, once caught.
    std::unique_ptr<LcdBits> drawn_ = std::make_unique<LcdBits>();
    bool catching_ = false, caught_ = false;
    bool loaded_ = false;  // a `load` put the device back since the start
    uint64_t catchFromStep_ = 0;
    const Command* drawnFor_ = nullptr;  // the png waiting for the next command
    mutable std::unique_ptr<LcdPicture> presented_ = std::make_unique<LcdPicture>();
    mutable bool presentedStale_ = true;
    StartOptions options_;
    std::string commandLine_;
    std::ostream* keepGoing_ = nullptr;
    std::vector<Failure> failures_;
    uint64_t checked_ = 0;
    std::string artifacts_;
    std::ostream* progress_ = nullptr;
    std::ostream* updateExpected_ = nullptr;
    ScreenLog* screens_ = nullptr;
    std::string where_;  // the command running, for screens_
    uint64_t progressTotal_ = 0;
    bool progressShown_ = false;
    sound::Track track_;
    RateHistory history_;
    std::time_t clockAtStart_ = 0;  // the device's wall clock (platform/clock.h)
    std::time_t chartClock_ = 0;    // the same moment as the host's clock counts it
    uint64_t failedExpectations_ = 0;
    std::unique_ptr<Animation> animation_;
    bool animationPaused_ = false;  // a long wait or a tour runs
    std::string animationError_;    // from a hand-over, reported after its command
};

}  // namespace geigerrun
