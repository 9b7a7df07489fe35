#include "app/front_panel_dialog.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QHelpEvent>
#include <QImageWriter>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QSaveFile>
#include <QStandardPaths>
#include <QSvgRenderer>
#include <QWindow>

#include "app/key_commands.h"
#include "app/launch_options.h"
#include "app/link_panel.h"
#include "app/offscreen_surface.h"
#include "app/panel_render.h"
#include "app/popup_menu.h"
#include "app/resource_ids.h"
#include "app/session_recorder.h"
#include "app/shaped_key_button.h"
#include "app/skin_image.h"
#include "firmware/driver.h"
#include "firmware/firmware.h"
#include "firmware/state.h"
#include "geigersim_version.h"
#include "link/about_dialog.h"
#include "link/count_log.h"
#include "link/host_link.h"
#include "link/link_status.h"
#include "link/modal_runner.h"
#include "link/port_settings_dialog.h"
#include "link/real_mode.h"
#include "link/serial_port_info.h"
#include "platform/clock.h"
#include "platform/lcd.h"
#include "platform/show_lcd.h"

namespace {

constexpr QRgb kSurfaceCreateGrey = qRgb(192, 192, 192);
constexpr QPoint kHintPosition(345, 222);
constexpr int kHintRightLimit = kPanelPictureWidth - 6;

// The start state puts realMode back to 0, which a running link would not
// follow.
void SayRecordingNeedsDemoMode() {
    ShowMessageBox(QStringLiteral("A recording starts from a fresh power-on in demo mode. Choose \"Demo Mode\" "
                                  "first; a port can be chosen again once the recording runs."),
                   QStringLiteral("Record Script"));
}

bool DisplaySwivelled() { return fw.displayTurned == 1 && fw.swivelMode == 1; }

bool LcdShownTurned() { return DriverLcdReadsTurned(layoutTurned); }

QIcon LoadIcon() {
    QSvgRenderer renderer(QStringLiteral(GEIGERSIM_QRC_PREFIX "icon.svg"));
    if (!renderer.isValid()) return QIcon();
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

}  // namespace

const QString& FrontPanelDialog::StartHintText() {
    static const QString text = QStringLiteral("<--Click this power button to start");
    return text;
}

FrontPanelDialog::FrontPanelDialog() : QDialog(nullptr) {
    setWindowTitle(QStringLiteral("REZ12832Uzi"));
    setWindowIcon(LoadIcon());

    // No caption, no frame: the panel is the window. Where the platform
    // composes windows the corners around the rounded case are see-through;
    // elsewhere the artwork fills every pixel the shape leaves.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    seeThrough_ = SeeThroughWindowWanted(QGuiApplication::platformName());
    if (seeThrough_) setAttribute(Qt::WA_TranslucentBackground);
    else setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    // The keys' tooltips show also while another window has the focus.
    setAttribute(Qt::WA_AlwaysShowToolTips);

    // The initial skin gives the window its first size and shape only.
    skin_ = std::make_unique<SkinImage>(kRegion143, kBitmap146);
    setFixedSize(kInitialSkinWidth, kInitialSkinHeight);
    if (skin_->loaded()) setMask(skin_->region());

    CreateKeySet(false);

    turnedKeysCreated = 0;
    layoutTurned = 0;  // a new window starts in the upright layout
    dragging_ = false;
    lcdRect_ = kNormalLcdRect;
    lcdRect = lcdRect_;

    const QRect frameArea = PanelFrameRect(0);
    frame_ = std::make_unique<OffscreenSurface>(frameArea.x(), frameArea.y(), frameArea.width(),
                                                frameArea.height(), kSurfaceCreateGrey);
    frame_->Fill(0, 0, frameArea.width(), 80, kFrameUnlitGrey);
    frameSurface = frame_.get();
    StartDevice();
    handedOver_ = CopyLcdSurface();
    presented_ = handedOver_;

    // One timer drives the firmware, by the cadence every host shares.
    halfSecondTimer_.setTimerType(Qt::PreciseTimer);
    halfSecondTimer_.setInterval(500);
    connect(&halfSecondTimer_, &QTimer::timeout, this, [this] { HalfSecondEvent(); });
    halfSecondTimer_.start();

    SetLinkHost(this);
    linkPanel_ = new LinkPanel(this, [this] { return ZoomFactor(zoomPercent_); });
    lcdAccess_ = new QWidget(this);
    lcdAccess_->setObjectName(QStringLiteral("lcd"));
    lcdAccess_->setAccessibleDescription(QStringLiteral("The counter's LCD"));
    lcdAccess_->setAttribute(Qt::WA_TransparentForMouseEvents);
    lcdAccess_->setAttribute(Qt::WA_NoSystemBackground);
    lcdAccess_->setGeometry(LcdCover());

    SetMessageBoxParent(this);
    recorder_ = std::make_unique<SessionRecorder>();

    portSettings = PortSettings{};
    ChooseHintFont();
    SetZoom(launchOptions.zoomPercent);
    // The upright panel picture, at the zoom just set, so the first paint finds it ready.
    EnsurePicture();
}

FrontPanelDialog::~FrontPanelDialog() {
    halfSecondTimer_.stop();
    if (CurrentLinkHost() == this) SetLinkHost(nullptr);
    if (DriverHandsOverTo(this)) DriverSetHandOver(ShowLcdOnPanel, nullptr);
    if (MessageBoxParent() == this) SetMessageBoxParent(nullptr);
    if (frameSurface == frame_.get()) frameSurface = nullptr;
}

void FrontPanelDialog::ChooseHintFont() {
    // The hint starts at x 345 on a 524-pixel panel: take the largest size up
    // to 12 pixels that keeps the whole text clear of the panel's rim (which
    // begins 6 pixels from the edge), but never below 8.
    const int room = kHintRightLimit - kHintPosition.x();
    hintFont_ = font();
    for (int pixels = 12; pixels >= 8; --pixels) {
        hintFont_.setPixelSize(pixels);
        if (QFontMetrics(hintFont_).horizontalAdvance(StartHintText()) <= room) return;
    }
    hintFont_.setStretch(QFont::Condensed);
}

void FrontPanelDialog::CreateKeySet(bool turned) {
    const KeySetEntry* entries = turned ? kTurnedKeySet : kNormalKeySet;
    auto& keys = turned ? turnedKeys_ : normalKeys_;
    for (int i = 0; i < 4; ++i) {
        const KeySetEntry& e = entries[i];
        auto* key = new ShapedKeyButton(e.commandId, QRect(e.x, e.y, e.size, e.size), this,
                                        [this](const QRect& area) {
                                            EnsurePicture();
                                            // The device pixels the key covers on screen.
                                            const double ratio = panel_.devicePixelRatio();
                                            QPixmap part = panel_.copy(ScaledPanelRect(area, ratio));
                                            part.setDevicePixelRatio(ratio);
                                            return part;
                                        });
        if (zoomPercent_ != 100) key->SetBox(ZoomedRect(key->geometry()), ZoomFactor(zoomPercent_));
        if (const KeyShortcut* shortcut = PanelKeyShortcut(e.commandId))
            key->setToolTip(QStringLiteral("%1 \u2014 %2")
                                .arg(QString::fromUtf8(shortcut->name), QString::fromUtf8(shortcut->keyboard)));
        const int id = e.commandId;
        connect(key, &QAbstractButton::clicked, this, [this, id] { OnKeyCommand(id); });
        key->show();
        keys[i] = key;
    }
}

void FrontPanelDialog::ApplySkin(int pictureId, int regionId) {
    EnsurePicture();  // once, for the layout and screen the repaint below uses

    auto skin = std::make_unique<SkinImage>(regionId, pictureId);
    if (skin->loaded()) skin_ = std::move(skin);
    ++skinApplications_;

    if (skin_ != nullptr && skin_->loaded()) SizeToSkin();
    RepaintNow(rect());
}

void FrontPanelDialog::SizeToSkin() {
    const double zoom = ZoomFactor(zoomPercent_);
    setFixedSize(ScaledPanelRect(QRect(0, 0, skin_->width(), skin_->height()), zoom).size());
    setMask(ScaledRegion(skin_->region(), zoom));
}

void FrontPanelDialog::SetZoom(int percent) {
    if (!KnownZoom(percent) || percent == zoomPercent_) return;
    zoomPercent_ = percent;
    if (skin_ != nullptr && skin_->loaded()) SizeToSkin();
    PlaceKeys();
    update();
}

void FrontPanelDialog::PlaceKeys() {
    const double zoom = ZoomFactor(zoomPercent_);
    for (bool turned : {false, true}) {
        const KeySetEntry* entries = turned ? kTurnedKeySet : kNormalKeySet;
        const auto& keys = turned ? turnedKeys_ : normalKeys_;
        for (int i = 0; i < 4; ++i) {
            if (keys[i] == nullptr) continue;
            const KeySetEntry& e = entries[i];
            keys[i]->SetBox(ZoomedRect(QRect(e.x, e.y, e.size, e.size)), zoom);
        }
    }
}

QRect FrontPanelDialog::ZoomedRect(const QRect& panelRect) const {
    return ScaledPanelRect(panelRect, ZoomFactor(zoomPercent_));
}

double FrontPanelDialog::DeviceScale() const { return ZoomFactor(zoomPercent_) * devicePixelRatioF(); }

void FrontPanelDialog::EnsurePicture() {
    const double scale = DeviceScale();
    if (panelScale_ == scale && panelLayout_ == layoutTurned) return;
    // Rendered from the artwork at the screen's own resolution, so that
    // nothing is enlarged from a smaller picture.
    const QImage artwork = RenderPanelArtwork(layoutTurned, scale,
                                              seeThrough_ ? PanelBackground::Clear : PanelBackground::Backdrop);
    if (artwork.isNull()) return;  // keep what was loaded before
    artwork_ = artwork;
    panel_ = QPixmap::fromImage(artwork);
    panel_.setDevicePixelRatio(devicePixelRatioF());
    panelScale_ = scale;
    panelLayout_ = layoutTurned;
    for (auto* keys : {&normalKeys_, &turnedKeys_})
        for (ShapedKeyButton* key : *keys)
            if (key != nullptr) key->RetakePictures();
}

void FrontPanelDialog::SetLayout(int turned) {
    turned = turned != 0 ? 1 : 0;
    lcdRect_ = turned ? kTurnedLcdRect : kNormalLcdRect;
    if (layoutTurned != turned) {
        // Set before the skin: the repaint inside ApplySkin may ask for the
        // turned layout again and must then find it already chosen.
        layoutTurned = uint8_t(turned);
        presented_ = PresentationOf(handedOver_);
        if (turned) {
            ApplySkin(kBitmap163, kRegion143);
            for (int i = 0; i < 4; ++i) {
                normalKeys_[i]->hide();
                if (turnedKeysCreated == 1) turnedKeys_[i]->show();
            }
            if (turnedKeysCreated == 0) {
                CreateKeySet(true);
                turnedKeysCreated = 1;
            }
        } else {
            ApplySkin(kBitmap164, kRegion143);
            for (int i = 0; i < 4; ++i) {
                normalKeys_[i]->show();
                if (turnedKeysCreated == 1) turnedKeys_[i]->hide();
            }
        }
    }
    lcdRect = lcdRect_;
}

void FrontPanelDialog::OnKeyCommand(int commandId) {
    const KeyAction action = MapKeyCommand(commandId, DisplaySwivelled());
    if (!action.valid) return;
    if (!action.panelKey) {
        PressKey(action.key);
        return;
    }
    if (!action.powerKey) {
        SendKeyCommand(action.key);
        PressKey(action.key);
        return;
    }
    // The first Select/Power click only switches the simulated device on; the
    // attached device is told about every later one.
    if (powerKeySeen == 1) SendKeyCommand(action.key);
    PressKey(action.key);
    powerKeySeen = 1;
    // The first power click ends the hint in either layout: once the device
    // is on, the hint must not come back when the panel turns upright again.
    if (startHint == 1) {
        startHint = 0;
        RepaintNow(rect());
    }
}

void FrontPanelDialog::OnMenuCommand(int commandId) {
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
        case kCmdLogCounts: linkPanel_->ToggleCountLog(); break;
        case kCmdCopyLcd: CopyLcd(); break;
        case kCmdSaveLcdPng: SaveLcdAsPng(); break;
        case kCmdSavePanelPng: SavePanelAsPng(); break;
        case kCmdAlwaysOnTop: ToggleAlwaysOnTop(); break;
        case kCmdRecordScript: RecordScript(); break;
        case kCmdZoom100: SetZoom(100); break;
        case kCmdZoom150: SetZoom(150); break;
        case kCmdZoom200: SetZoom(200); break;
        case kCmdZoom300: SetZoom(300); break;
        case kCmdExit: Exit(); break;
        default: break;
    }
    // Back in demo mode, a swivelled device turns the panel at once.
    ApplySwivel();
}

void FrontPanelDialog::OtherPort() {
    PortSettingsDialog dialog(this, FindSerialDevices());
    dialog.Preset(portSettings);
    if (RunModal(dialog) != QDialog::Accepted) return;
    ChooseOtherPort(dialog.Choices());
}

void FrontPanelDialog::About() {
    AboutDialog dialog(this);
    QString keys = QStringLiteral("Keyboard:");
    for (const KeyShortcut& shortcut : kKeyShortcuts)
        keys += QStringLiteral("\n    %1 \u2014 %2")
                    .arg(QString::fromUtf8(shortcut.keyboard), QString::fromUtf8(shortcut.name));
    keys += QStringLiteral("\nRight-click the panel for the menu; drag it to move it.");
    dialog.AddNote(keys);
    RunModal(dialog);
}

void FrontPanelDialog::ShowMessage(const char* text, const char* caption) {
    ShowMessageBox(QString::fromLatin1(text), caption != nullptr ? QString::fromLatin1(caption) : QString());
}

void FrontPanelDialog::ShowNotice(const char* text) { linkPanel_->ShowNotice(QString::fromUtf8(text)); }

void FrontPanelDialog::ShowDetailedMessage(const char* text, const char* caption, const char* informative) {
    ShowMessageBox(QString::fromLatin1(text), caption != nullptr ? QString::fromLatin1(caption) : QString(),
                   informative != nullptr ? QString::fromUtf8(informative) : QString());
}

void FrontPanelDialog::Exit() {
    readerRunning = 0;
    EndLinkRetries();
    QTimer::singleShot(100, this, [this] { done(QDialog::Accepted); });
}

std::unique_ptr<QMenu> FrontPanelDialog::BuildMenu() {
    return BuildPopupMenu(this, [this](int id) { OnMenuCommand(id); },
                          [this](int id) { return HostMenuChecked(id); });
}

void FrontPanelDialog::HalfSecondEvent() {
    if (restartRequested == 1) {
        restartRequested = 0;
        OnKeyCommand(kCmdSelectPower);
    }
    // Real mode's report timer, started with the heartbeat and stopped by
    // itself once the reader has stopped and the queued counts are handed.
    const auto beforeSecond = [](void* context) {
        auto* self = static_cast<FrontPanelDialog*>(context);
        if (self->reportTimer_) DecodeCountReport();
        SessionRecorder::BeforeSecondTick(self->recorder_.get());
    };
    const bool secondTick = DriverPeriod(beforeSecond, this);
    if (secondTick) CountLogAfterSecond();
    recorder_->Period(secondTick);
}

PanelScene FrontPanelDialog::CurrentScene() const {
    PanelScene scene;
    scene.layout = layoutTurned;
    scene.lcd = presented_;
    scene.frameColour = frame_->image().pixel(0, 0);
    scene.lamp = linkPanel_->lamp();
    return scene;
}

bool FrontPanelDialog::HostMenuChecked(int commandId) const {
    switch (commandId) {
        case kCmdZoom100: return zoomPercent_ == 100;
        case kCmdZoom150: return zoomPercent_ == 150;
        case kCmdZoom200: return zoomPercent_ == 200;
        case kCmdZoom300: return zoomPercent_ == 300;
        case kCmdAlwaysOnTop: return (windowFlags() & Qt::WindowStaysOnTopHint) != 0;
        case kCmdLogCounts: return CountLogActive();
        case kCmdRecordScript: return recording();
        default: return false;
    }
}

void FrontPanelDialog::CopyLcd() { QGuiApplication::clipboard()->setImage(handedOver_); }

// Both pictures come at the current zoom, as the window shows them on a
// plain screen; at 100 % the LCD is the 244 x 64 picture as handed over.
void FrontPanelDialog::SaveLcdAsPng() {
    SaveImageAs(QStringLiteral("Save LCD as PNG"), QStringLiteral("lcd.png"),
                ScaledLcdPicture(handedOver_, ZoomFactor(zoomPercent_)));
}

void FrontPanelDialog::SavePanelAsPng() {
    SaveImageAs(QStringLiteral("Save Panel as PNG"), QStringLiteral("panel.png"),
                RenderPanel(CurrentScene(), ZoomFactor(zoomPercent_), PanelBackground::Clear));
}

void FrontPanelDialog::SaveImageAs(const QString& title, const QString& suggested, const QImage& image) {
    // Offered in the user's pictures folder, not wherever the program was started.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
    const QString path = QFileDialog::getSaveFileName(this, title, QDir(folder).filePath(suggested),
                                                      QStringLiteral("PNG pictures (*.png)"));
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

void FrontPanelDialog::ToggleAlwaysOnTop() {
    const Qt::WindowFlags flags = windowFlags() ^ Qt::WindowStaysOnTopHint;
    // Not setWindowFlags: that hides the window to recreate it, and hiding a
    // dialog ends its exec(), which ends the program. The shown window takes
    // the new flags in place.
    overrideWindowFlags(flags);
    if (windowHandle() != nullptr) windowHandle()->setFlags(flags);
}

void FrontPanelDialog::PressKey(uint8_t key) {
    recorder_->Press(key);
    DispatchKey(key);
}

void FrontPanelDialog::RecordScript() {
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
        QMessageBox::question(this, QStringLiteral("Record Script"),
                              QStringLiteral("A recording starts from a fresh power-on: the device is switched "
                                             "off and what it shows now is lost. Start recording?"),
                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) != QMessageBox::Yes)
        return;
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Record Script (the device starts again from power-on)"),
        QStringLiteral("session.txt"), QStringLiteral("geigersim-run scripts (*.txt);;All files (*)"));
    if (!path.isEmpty()) StartRecording(path);
}

bool FrontPanelDialog::StartRecording(const QString& path) {
    if (realMode != 0) {
        SayRecordingNeedsDemoMode();
        return false;
    }
    ReturnToStartState();
    // Power-on seeds the demo counts; a fixed seed is what makes the session
    // repeatable, so one is fixed even when the command line gave none.
    const unsigned seed = RandomSeedNow();
    RandomSetSeedOverride(true, seed);
    SessionHeader header;
    header.version = GEIGERSIM_VERSION;
    header.clock = rtcSnapshot;
    header.seed = seed;
    header.fileName = QFile::encodeName(path).toStdString();
    return recorder_->Start(path, header);
}

void FrontPanelDialog::StopRecording() { recorder_->Stop(); }

bool FrontPanelDialog::recording() const { return recorder_->active(); }

void FrontPanelDialog::StartDevice() {
    unsigned seed = 0;
    const bool seedFixed = RandomSeedFixed(seed);
    DriverStart({rtcSnapshot, seedFixed, seed, ShowLcdOnPanel, this});
}

void FrontPanelDialog::ReturnToStartState() {
    StartDevice();
    // The replay counts periods from 0; restarting the timer also gives the
    // first period its full 500 ms, as at program start.
    halfSecondTimer_.start();
    powerKeySeen = 0;
    startHint = 1;
    if (layoutTurned != 0) SetLayout(0);
    frame_->Fill(0, 0, frame_->width(), 80, kFrameUnlitGrey);
    handedOver_ = CopyLcdSurface();
    presented_ = handedOver_;
    RepaintNow(rect());
}

QImage FrontPanelDialog::PresentationOf(const QImage& handedOver) const {
    return LcdShownTurned() ? TurnLcdPicture(handedOver) : handedOver;
}

QRect FrontPanelDialog::LcdCover() const {
    return LogicalCover(ScaledLcdRect(layoutTurned, DeviceScale()), devicePixelRatioF());
}

void FrontPanelDialog::ApplySwivel() {
    const uint8_t layout = DriverPanelLayout(layoutTurned);
    if (layout != layoutTurned) SetLayout(layout);
}

void FrontPanelDialog::HandOverLcd() {
    // The panel turns before the picture is placed, so it lands in the new layout.
    ApplySwivel();
    // Expanded once: the picture shown and the text spoken come from the same pixels.
    const auto picture = std::make_unique<LcdPicture>();  // 62 KB: kept off the stack
    handedOver_ = CopyLcdSurface(*picture);
    // The LCD speaks through an empty child laid over it.
    if (lcdAccess_ != nullptr) {
        lcdAccess_->setGeometry(LcdCover());
        lcdAccess_->setAccessibleName(LcdSpokenText(*picture));
    }
    if (LcdShownTurned()) {
        presented_ = TurnLcdPicture(handedOver_);  // the frame is left as it is
        RepaintNow(LcdCover());
        return;
    }
    QRect area = LcdCover();
    if (DriverFrameLit() && frame_->image().pixel(0, 0) != kFrameLitGrey) {
        frame_->Fill(0, 0, frame_->width(), 80, kFrameLitGrey);
        area = LogicalCover(ScaledFrameRect(layoutTurned, DeviceScale()), devicePixelRatioF());
    }
    presented_ = handedOver_;
    RepaintNow(area);
}

void FrontPanelDialog::RepaintNow(const QRect& area) {
    if (inPaint_) update(area);
    else repaint(area);
}

bool FrontPanelDialog::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && linkPanel_->ShowToolTip(*static_cast<QHelpEvent*>(event), layoutTurned,
                                                                  ZoomFactor(zoomPercent_)))
        return true;
    return QDialog::event(event);
}

void FrontPanelDialog::paintEvent(QPaintEvent*) {
    inPaint_ = true;
    EnsurePicture();
    QPainter painter(this);
    const double ratio = devicePixelRatioF();
    const double zoom = ZoomFactor(zoomPercent_);
    // Painted in device pixels: the artwork and the LCD land on whole pixels.
    painter.save();
    painter.scale(1 / ratio, 1 / ratio);
    if (artwork_.isNull()) {
        painter.fillRect(QRect(QPoint(0, 0), size() * ratio), QColor(40, 40, 40));
    } else {
        const QImage& picture = artwork_;
        painter.drawImage(0, 0, picture);
        // The initial window is a few pixels larger than the picture; where
        // the window cannot be see-through, the backdrop goes on there.
        if (!seeThrough_) {
            const QRegion beyond = QRegion(QRect(QPoint(0, 0), size() * ratio + QSize(1, 1))) -
                                   QRegion(picture.rect());
            for (const QRect& r : beyond) painter.fillRect(r, QColor::fromRgb(kPanelBackdrop));
        }
    }
    painter.restore();

    painter.save();
    painter.scale(1 / ratio, 1 / ratio);
    PaintPanelOverlay(painter, CurrentScene(), DeviceScale());
    painter.restore();

    // The hint points left at the upright panel's power key; on the turned
    // panel that spot is the LCD, so there it waits until the panel is upright.
    // It is laid out at 100 % and drawn scaled, so its text stays sharp.
    painter.scale(zoom, zoom);
    if (startHint == 1 && layoutTurned == 0) {
        painter.setFont(hintFont_);
        const QFontMetrics metrics(hintFont_);
        const QRect box(kHintPosition, QSize(metrics.horizontalAdvance(StartHintText()),
                                             metrics.height()));
        painter.fillRect(box, Qt::white);
        painter.setPen(Qt::black);
        painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, StartHintText());
    }
    inPaint_ = false;
}

void FrontPanelDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        std::unique_ptr<QMenu> menu = BuildMenu();
        menu->exec(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton) return;
    if (QGuiApplication::platformName() == QLatin1String("wayland") && windowHandle() != nullptr) {
        // The compositor moves windows itself; it does not let them move themselves.
        windowHandle()->startSystemMove();
        return;
    }
    dragging_ = true;
    dragAnchor_ = event->globalPosition().toPoint();
    dragCursor_ = dragAnchor_;
    dragWindowPos_ = pos();
    setCursor(Qt::SizeAllCursor);
}

void FrontPanelDialog::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    dragCursor_ = event->globalPosition().toPoint();
    setCursor(Qt::SizeAllCursor);
    move(DragTarget(dragWindowPos_, dragAnchor_, dragCursor_));
}

void FrontPanelDialog::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = false;
    setCursor(Qt::ArrowCursor);
}

void FrontPanelDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: done(QDialog::Accepted); return;
        case Qt::Key_Escape: done(QDialog::Rejected); return;
        case Qt::Key_Left:
        case Qt::Key_Backspace: OnKeyCommand(kCmdKeyboardBack); return;
        case Qt::Key_Up: OnKeyCommand(kCmdKeyboardUp); return;
        case Qt::Key_Down: OnKeyCommand(kCmdKeyboardDown); return;
        case Qt::Key_Right:
        case Qt::Key_Space: OnKeyCommand(kCmdKeyboardSelectPower); return;
        default: QDialog::keyPressEvent(event); return;
    }
}

void ShowLcdOnPanel(void* context) {
    if (context == nullptr) {
        ShowMessageBox(QStringLiteral("Could not display graph!"));
        return;
    }
    static_cast<FrontPanelDialog*>(context)->HandOverLcd();
}
