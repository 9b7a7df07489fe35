// The panel window's commands: the pop-up menu and what its items do (the
// device link's choices, pictures of the LCD and the panel, always on top,
// recording a session, saving and loading the device, About, Exit).
#pragma once

#include <QImage>
#include <QMenu>
#include <QString>
#include <memory>

class DeviceHost;
class GifRecorder;
class GuideWindow;
class PanelView;
class RateHost;

class PanelCommands {
public:
    PanelCommands(PanelView& panel, DeviceHost& device, RateHost& rate);
    // Writes a GIF still being recorded: closing the window ends it.
    ~PanelCommands();

    // A pop-up menu command; commands not handled here do nothing.
    void OnMenuCommand(int commandId);
    // The pop-up menu with its check marks, not yet shown.
    std::unique_ptr<QMenu> BuildMenu();

    // Records the session from here as a geigersim-run script in path: the
    // device goes back to its start state first and the demo counts' seed
    // is fixed, so the script replays from power-on. Not in real mode (the
    // link would keep running under a device put back to demo). A failure
    // is shown in a message box and returns false.
    bool StartRecording(const QString& path);
    // The whole device into a snapshot file at path, written safely; a
    // failure is shown in a message box and returns false.
    bool SaveState(const QString& path);
    // The device put back from the snapshot file at path and shown at once.
    // Real mode is left first and a recording ends (a script cannot replay a
    // loaded device); a notice says so. A file that cannot be read or is no
    // snapshot this version reads changes nothing and returns false with
    // `error` naming the file and the reason.
    bool LoadState(const QString& path, QString& error);
    // The same with `why` alone and no message box, for hosts that word
    // their own messages (the control socket).
    bool WriteState(const QString& path, QString& why);
    bool ReadState(const QString& path, QString& why);
    void StopRecording();
    bool recording() const;

    // "Record GIF…": what the window shows from now into `path`, written
    // when StopGif is called (unchecking the item) or the window closes.
    void StartGif(const QString& path);
    void StopGif();
    bool recordingGif() const { return gif_ != nullptr; }

    // "Guide" and F1: opens the guide window beside the panel (made the
    // first time), or raises it.
    void ShowGuide();
    // At each hand-over: the open guide follows the screen shown.
    void FollowGuide();
    const GuideWindow* guide() const { return guide_.get(); }

private:
    bool HostMenuChecked(int commandId) const;
    void CopyLcd();
    void SaveLcdAsPng();
    void SavePanelAsPng();
    void SaveImageAs(const QString& title, const QString& suggested, const QImage& image);
    void ToggleAlwaysOnTop();
    void RecordScript();
    void SaveStateAs();
    void LoadStateFrom();
    void RecordGif();
    void OtherPort();
    void About();
    void Exit();

    PanelView& panel_;
    DeviceHost& device_;
    RateHost& rate_;
    std::unique_ptr<GifRecorder> gif_;
    std::unique_ptr<GuideWindow> guide_;  // none until first opened: the window stays light at rest
};
