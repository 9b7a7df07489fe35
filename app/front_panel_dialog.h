// The borderless front-panel window: the panel view with the device behind
// it, the commands of its pop-up menu and the keyboard path, and the device
// link's view of the window.
#pragma once

#include <memory>

#include "app/device_host.h"
#include "app/panel_commands.h"
#include "app/panel_view.h"
#include "app/rate_host.h"
#include "serial/link_host.h"

class FrontPanelDialog : public PanelView, public LinkHost {
public:
    // At `zoomPercent` (100, 150, 200 or 300), the device started with
    // `start`'s clock and seed.
    explicit FrontPanelDialog(int zoomPercent = 100, const DeviceStart& start = {});
    ~FrontPanelDialog() override;

    // Real mode's reports: 0 the upright layout, 1 the layout turned by 180 degrees.
    void SetLayout(int turned) override { PanelView::SetLayout(turned); }

    // The device link's view of the window: the report timer (1000 ms,
    // decoding one count report per event) and message boxes owned by it.
    void StartReportTimer() override;
    void StopReportTimer() override { device_.StopReportTimer(); }
    void ShowMessage(const char* text, const char* caption) override;
    void ShowNotice(const char* text) override;
    void ShowDetailedMessage(const char* text, const char* caption, const char* informative) override;
    bool reportTimerActive() const { return device_.reportTimerActive(); }

    void ClickKey(uint8_t drawnKey) override { device_.ClickKey(drawnKey); }
    void PressKeyboard(uint8_t drawnKey) override { device_.PressKeyboard(drawnKey); }
    void PressAsClick(uint8_t key) { device_.PressAsClick(key); }
    // The device as snapshot bytes (the control socket's `save -`).
    std::string StateBytes() const { return device_.SaveState(); }
    bool WriteState(const QString& path, QString& why) { return commands_.WriteState(path, why); }
    bool ReadState(const QString& path, QString& why) { return commands_.ReadState(path, why); }
    void OnMenuCommand(int commandId) { commands_.OnMenuCommand(commandId); }
    std::unique_ptr<QMenu> BuildMenu() { return commands_.BuildMenu(); }
    // The LCD hand-over (what ShowLcd does while this window exists).
    void HandOverLcd() {
        ShowHandOver();
        commands_.FollowGuide();
    }
    const GuideWindow* guide() const { return commands_.guide(); }
    // One event of the 500 ms timer.
    void HalfSecondEvent() { device_.HalfSecondEvent(); }
    // The "Restart" switch: Select/Power is pressed at the first 500 ms event.
    void RequestRestart() { device_.RequestRestart(); }
    uint8_t restartRequested() const { return device_.restartRequested(); }
    uint8_t powerKeySeen() const;

    bool StartRecording(const QString& path) { return commands_.StartRecording(path); }
    void StopRecording() { commands_.StopRecording(); }
    bool recording() const { return commands_.recording(); }
    bool SaveState(const QString& path) { return commands_.SaveState(path); }
    bool LoadState(const QString& path, QString& error) { return commands_.LoadState(path, error); }
    void StartGif(const QString& path) { commands_.StartGif(path); }
    void StopGif() { commands_.StopGif(); }
    RateHost& rateHost() { return rate_; }

protected:
    void mousePressEvent(QMouseEvent* event) override;  // the right button opens the menu
    void keyPressEvent(QKeyEvent* event) override;      // the keyboard path

private:
    DeviceHost device_;
    RateHost rate_;
    PanelCommands commands_;
};

// The ShowLcd handler the window installs, with the window as its context.
void ShowLcdOnPanel(void* context);
