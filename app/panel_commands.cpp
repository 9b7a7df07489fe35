// The pop-up menu's commands: the link's choices, pictures, always on top,
// recording, the device's snapshots, About and Exit.
#include "app/rate_host.h"
#include "app/panel_commands.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImageWriter>
#include <QMessageBox>
#include <QSaveFile>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QWindow>
#include <cstdio>

#include "app/device_host.h"
#include "app/file_choice.h"
#include "app/gif_recorder.h"
#include "app/guide_window.h"
#include "app/help_text.h"
#include "app/host_state.h"
#include "app/launch_options.h"
#include "app/link_panel.h"
#include "app/panel_view.h"
#include "app/popup_menu.h"
#include "core/snapshot_bytes.h"
#include "core/presentation.h"
#include "firmware/state.h"
#include "geigersim_version.h"
#include "core/bounded_read.h"
#include "core/snapshot_bytes.h"
#include "serial/about_dialog.h"
#include "serial/count_log.h"
#include "serial/modal_runner.h"
#include "serial/port_settings_dialog.h"
#include "serial/real_mode.h"
#include "serial/remote_control.h"
#include "serial/serial_port_info.h"
#include "platform/clock.h"
#include "serial/about_dialog.h"
#include "serial/count_log.h"
#include "serial/modal_runner.h"
#include "serial/port_settings_dialog.h"
#include "serial/real_mode.h"
#include "serial/remote_control.h"
#include "serial/serial_port_info.h"

namespace {

// The start state puts realMode back to 0, which a running link would not
// follow.
void SayRecordingNeedsDemoMode() {
    ShowMessageBox(QStringLiteral("A recording starts from a fresh power-on in demo mode. Choose \"Demo Mode\" "
                                  "first; a port can be chosen again once the recording runs."),
                   QStringLiteral("Record Script"));
}

const QString kStateFilter = QStringLiteral("geigersim states (*.gsst);;All files (*)");

}  // namespace

PanelCommands::PanelCommands(PanelView& panel, DeviceHost& device, RateHost& rate)
    : panel_(panel), device_(device), rate_(rate) {}

PanelCommands::~PanelCommands() {
    if (!gif_) return;
    // No message box while the window goes: the reason goes to the terminal.
    panel_.SetPictureObserver({});
    QString why;
    if (!gif_->Finish(why))
        std::fprintf(stderr, "geigersim: could not save %s: %s\n", qPrintable(gif_->path()), qPrintable(why));
}

void PanelCommands::OnMenuCommand(int commandId) {
    switch (commandId) {
        case kCmdDemoMode: ChooseDemoMode(); break;
        case kCmdCom3: ChoosePort(3); break;
        case kCmdCom4: ChoosePort(4); break;
        case kCmdCom5: ChoosePort(5); break;
        case kCmdCom6: ChoosePort(6); break;
        case kCmdOtherPort: OtherPort(); break;
        case kCmdRemoteControl: ToggleRemoteControl(); break;
        case kCmdHeartbeat1: SendTestCommand(TestCommand::Heartbeat1); break;
        case kCmdHeartbeat0: SendTestCommand(TestCommand::Heartbeat0); break;
        case kCmdSendKey0: SendTestCommand(TestCommand::Key0); break;
        case kCmdSendKey1: SendTestCommand(TestCommand::Key1); break;
        case kCmdSendKey2: SendTestCommand(TestCommand::Key2); break;
        case kCmdSendKey3: SendTestCommand(TestCommand::Key3); break;
        case kCmdPowerOff: SendTestCommand(TestCommand::PowerOff); break;
        case kCmdAbout: About(); break;
        case kCmdGuide: ShowGuide(); break;
        case kCmdLogCounts: panel_.linkPanel()->ToggleCountLog(); break;
        case kCmdCopyLcd: CopyLcd(); break;
        case kCmdSaveLcdPng: SaveLcdAsPng(); break;
        case kCmdSavePanelPng: SavePanelAsPng(); break;
        case kCmdAlwaysOnTop: ToggleAlwaysOnTop(); break;
        case kCmdRecordScript: RecordScript(); break;
        case kCmdRecordGif: RecordGif(); break;
        case kCmdSound: rate_.SetSoundOn(!rate_.soundOn()); break;
        case kCmdChart: rate_.ShowChart(); break;
        case kCmdZoom100:
        case kCmdZoom150:
        case kCmdZoom200:
        case kCmdZoom300: panel_.SetZoom(ZoomOfCommand(commandId)); break;
        case kCmdSaveState: SaveStateAs(); break;
        case kCmdLoadState: LoadStateFrom(); break;
        case kCmdExit: Exit(); break;
        default: break;
    }
    // Back in demo mode, a swivelled device turns the panel at once.
    DriverApplySwivel();
    panel_.ShowHandOver();
    panel_.linkPanel()->KeepWatching();
    FollowGuide();
}

std::unique_ptr<QMenu> PanelCommands::BuildMenu() {
    // A zoom level the panel would not fit on its screen at is greyed; the
    // smallest stays, the way back from any other.
    return BuildPopupMenu(
        &panel_, [this](int id) { OnMenuCommand(id); }, [this](int id) { return HostMenuChecked(id); },
        [this](int id) {
            const int zoom = ZoomOfCommand(id);
            return zoom == 0 || zoom == kZoomLevels[0] || panel_.ZoomFits(zoom);
        });
}

bool PanelCommands::HostMenuChecked(int commandId) const {
    switch (commandId) {
        case kCmdZoom100:
        case kCmdZoom150:
        case kCmdZoom200:
        case kCmdZoom300: return panel_.zoomPercent() == ZoomOfCommand(commandId);
        case kCmdAlwaysOnTop: return (panel_.windowFlags() & Qt::WindowStaysOnTopHint) != 0;
        case kCmdLogCounts: return CountLogActive();
        case kCmdRecordScript: return recording();
        case kCmdRecordGif: return recordingGif();
        case kCmdSound: return rate_.soundOn();
        default: return false;
    }
}

void PanelCommands::OtherPort() {
    PortSettingsDialog dialog(&panel_, FindSerialDevices());
    dialog.Preset(portSettings);
    if (RunModal(dialog) != QDialog::Accepted) return;
    ChooseOtherPort(dialog.Choices());
}

void PanelCommands::ShowGuide() {
    if (!guide_) {
        guide_ = std::make_unique<GuideWindow>();
        const QScreen* screen = panel_.screen();
        const QRect room = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1920, 1080);
        const QRect frame = panel_.frameGeometry();
        guide_->setGeometry(PlaceBeside(frame, guide_->size(), room));
    }
    guide_->show();
    guide_->raise();
    guide_->Follow();
}

void PanelCommands::FollowGuide() {
    if (guide_) guide_->Follow();
}

void PanelCommands::About() {
    AboutDialog dialog(&panel_);
    // The lists --help gives, from the same tables.
    dialog.AddNote(KeysHelp(HelpText::Rich) + u'\n' + PopupMenuHelp(HelpText::Rich).trimmed());
    RunModal(dialog);
}

void PanelCommands::Exit() {
    readerRunning = 0;
    EndLinkRetries();
    PanelView* panel = &panel_;
    QTimer::singleShot(100, panel, [panel] { panel->done(QDialog::Accepted); });
}

void PanelCommands::CopyLcd() { QGuiApplication::clipboard()->setImage(panel_.handedOverLcd()); }

// Both pictures come at the current zoom, as the window shows them on a
// plain screen; at 100 % the LCD is the 244 x 64 picture as handed over.
void PanelCommands::SaveLcdAsPng() {
    SaveImageAs(QStringLiteral("Save LCD as PNG"), QStringLiteral("lcd.png"),
                ScaledLcdPicture(panel_.handedOverLcd(), ZoomFactor(panel_.zoomPercent())));
}

void PanelCommands::SavePanelAsPng() {
    SaveImageAs(QStringLiteral("Save Panel as PNG"), QStringLiteral("panel.png"),
                RenderPanel(panel_.CurrentScene(), ZoomFactor(panel_.zoomPercent()), PanelBackground::Clear));
}

void PanelCommands::SaveImageAs(const QString& title, const QString& suggested, const QImage& image) {
    // Offered in the user's pictures folder at first, not wherever the program was started.
    const QString path = AskSavePath(&panel_, title, suggested, QStringLiteral("PNG pictures (*.png)"), {},
                                     QStandardPaths::PicturesLocation);
    if (path.isEmpty()) return;
    // Written beside the target and renamed over it: a failed save leaves no
    // half-written picture behind, nor destroys an older one.
    QSaveFile file(path);
    QImageWriter writer(&file, "png");
    const bool ok = file.open(QIODevice::WriteOnly) && writer.write(image) && file.commit();
    if (!ok) {
        const QString why = writer.error() != QImageWriter::UnknownError ? writer.errorString() : file.errorString();
        ShowMessageBox(QStringLiteral("Could not save %1: %2").arg(path, why), QStringLiteral("error"));
    }
}

void PanelCommands::ToggleAlwaysOnTop() {
    const Qt::WindowFlags flags = panel_.windowFlags() ^ Qt::WindowStaysOnTopHint;
    // Not setWindowFlags: that hides the window to recreate it, and hiding a
    // dialog ends its exec(), which ends the program. The shown window takes
    // the new flags in place.
    panel_.overrideWindowFlags(flags);
    if (panel_.windowHandle() != nullptr) panel_.windowHandle()->setFlags(flags);
}

void PanelCommands::RecordScript() {
    if (recording()) {
        StopRecording();
        return;
    }
    if (realMode != 0) {
        SayRecordingNeedsDemoMode();
        return;
    }
    // A script replays from power-on, so a device that is on must start again.
    if (fw.powered != 0 &&
        QMessageBox::question(&panel_, QStringLiteral("Record Script"),
                              QStringLiteral("A recording starts from a fresh power-on: the device is switched "
                                             "off and what it shows now is lost. Start recording?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) != QMessageBox::Yes)
        return;
    const QString path = AskSavePath(&panel_, QStringLiteral("Record Script (the device starts again from power-on)"),
                                     QStringLiteral("session.txt"),
                                     QStringLiteral("geigersim-run scripts (*.txt);;All files (*)"));
    if (!path.isEmpty()) StartRecording(path);
}

bool PanelCommands::StartRecording(const QString& path) {
    if (realMode != 0) {
        SayRecordingNeedsDemoMode();
        return false;
    }
    // Power-on seeds the demo counts; a fixed seed is what makes the session
    // repeatable, so one is fixed even when the command line gave none.
    const unsigned seed = RandomSeedNow();
    device_.FixSeed(seed);
    device_.ReturnToStartState();
    SessionHeader header;
    header.version = GEIGERSIM_VERSION;
    header.clock = device_.startClock();
    header.seed = seed;
    header.demoRate = DemoRate();
    header.fileName = QFile::encodeName(path).toStdString();
    return device_.recorder().Start(path, header);
}

void PanelCommands::StopRecording() { device_.recorder().Stop(); }

bool PanelCommands::recording() const { return device_.recorder().active(); }

void PanelCommands::SaveStateAs() {
    const QString path = AskSavePath(&panel_, QStringLiteral("Save State"), QStringLiteral("device.gsst"), kStateFilter);
    if (!path.isEmpty()) SaveState(path);
}

void PanelCommands::LoadStateFrom() {
    const QString path = AskOpenPath(&panel_, QStringLiteral("Load State"), kStateFilter);
    if (path.isEmpty()) return;
    QString error;
    if (!LoadState(path, error)) ShowMessageBox(error, QStringLiteral("Load State"));
}

bool PanelCommands::SaveState(const QString& path) {
    QString why;
    if (WriteState(path, why)) return true;
    ShowMessageBox(QStringLiteral("Could not save %1: %2").arg(path, why), QStringLiteral("Save State"));
    return false;
}

bool PanelCommands::LoadState(const QString& path, QString& error) {
    QString why;
    if (ReadState(path, why)) return true;
    error = QStringLiteral("Could not load %1: %2").arg(path, why);
    return false;
}

bool PanelCommands::WriteState(const QString& path, QString& why) {
    const std::string bytes = device_.SaveState();
    if (bytes.empty()) {
        why = QStringLiteral("the device holds a handler a snapshot cannot name");
        return false;
    }
    // Written beside the target and renamed over it, as the pictures are.
    QSaveFile file(path);
    const bool ok = file.open(QIODevice::WriteOnly) &&
                    file.write(bytes.data(), qint64(bytes.size())) == qint64(bytes.size()) && file.commit();
    if (!ok) why = file.errorString();
    return ok;
}

bool PanelCommands::ReadState(const QString& path, QString& why) {
    // No further than a snapshot can be, and never a pipe or a device.
    std::string data, reason;
    if (!ReadBounded(QFile::encodeName(path).toStdString(), SnapshotFile(), data, reason)) {
        why = QString::fromStdString(reason);
        return false;
    }
    const std::string_view bytes = data;
    // Checked before anything changes: a refused file leaves real mode and
    // a recording running.
    if (!SnapshotReadable(bytes, reason)) {
        why = QString::fromStdString(reason);
        return false;
    }
    QStringList notes;
    if (recording()) {
        StopRecording();
        notes << QStringLiteral("Recording ended: a script cannot replay a loaded state.");
    }
    if (realMode != 0) {
        ChooseDemoMode();
        notes << QStringLiteral("Back in demo mode to load the state.");
    }
    bool savedInRealMode = false;
    if (!device_.LoadState(bytes, reason, savedInRealMode)) {  // checked above: cannot fail
        why = QString::fromStdString(reason);
        return false;
    }
    if (savedInRealMode) notes << QStringLiteral("Saved in real mode, it goes on in demo mode.");
    rate_.ClearHistory();
    if (!notes.isEmpty()) panel_.linkPanel()->ShowNotice(notes.join(u' '));
    return true;
}

void PanelCommands::RecordGif() {
    if (gif_) {
        StopGif();
        return;
    }
    const QString path = AskSavePath(&panel_, QStringLiteral("Record GIF"), QStringLiteral("panel.gif"),
                                     QStringLiteral("GIF animations (*.gif)"), {}, QStandardPaths::PicturesLocation);
    if (!path.isEmpty()) StartGif(path);
}

void PanelCommands::StartGif(const QString& path) {
    gif_ = std::make_unique<GifRecorder>(path);
    const auto frame = [this] {
        if (gif_)
            gif_->Frame(RenderPanel(panel_.CurrentScene(), ZoomFactor(panel_.zoomPercent()), PanelBackground::Clear));
    };
    panel_.SetPictureObserver(frame);
    frame();  // what shows as the recording starts
}

void PanelCommands::StopGif() {
    if (!gif_) return;
    panel_.SetPictureObserver({});
    const std::unique_ptr<GifRecorder> gif = std::move(gif_);
    QString why;
    if (!gif->Finish(why))
        ShowMessageBox(QStringLiteral("Could not save %1: %2").arg(gif->path(), why), QStringLiteral("error"));
}
