// The panel window's chrome, skins and layouts, zoom, keys' places, the
// LCD's presentation, painting and dragging.
#include "app/panel_view.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>
#include <QWindow>
#include <cstring>

#include "app/key_commands.h"
#include "app/launch_options.h"
#include "app/lcd_voice.h"
#include "app/link_panel.h"
#include "app/offscreen_surface.h"
#include "app/shaped_key_button.h"
#include "app/skin_image.h"
#include "core/panel.h"
#include "core/presentation.h"
#include "media/resource_ids.h"

namespace {

constexpr QRgb kSurfaceCreateGrey = qRgb(192, 192, 192);

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

const QString& PanelView::StartHintText() {
    static const QString text = QString::fromLatin1(kDriverStartHint);
    return text;
}

PanelView::PanelView(int zoomPercent) : QDialog(nullptr) {
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

    const QRect frameArea = PanelFrameRect(0);
    frame_ = std::make_unique<OffscreenSurface>(frameArea.x(), frameArea.y(), frameArea.width(),
                                                frameArea.height(), kSurfaceCreateGrey);
    frame_->Fill(0, 0, frameArea.width(), 80, kFrameUnlitGrey);

    linkPanel_ = new LinkPanel(this, [this] { return ZoomFactor(zoomPercent_); }, [this] { return int(layoutTurned_); });
    voice_ = new LcdVoice(this);
    voice_->setGeometry(LcdCover());

    ChooseHintFont();
    SetZoom(zoomPercent);
    // The upright panel picture, at the zoom just set, so the first paint finds it ready.
    EnsurePicture();
}

PanelView::~PanelView() = default;

const QWidget* PanelView::lcdAccessible() const { return voice_; }

void PanelView::ChooseHintFont() { hintFont_ = StartHintFont(font()); }

void PanelView::CreateKeySet(bool turned) {
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
        connect(key, &QAbstractButton::pressed, this, [this] {
            if (pictureObserver_) pictureObserver_();
        });
        // After the click's own hand-over, which shows the key up already.
        connect(key, &QAbstractButton::released, this, [this] {
            QTimer::singleShot(0, this, [this] {
                if (pictureObserver_) pictureObserver_();
            });
        });
        key->show();
        keys[i] = key;
    }
}

void PanelView::ApplySkin(int pictureId, int regionId) {
    EnsurePicture();  // once, for the layout and screen the repaint below uses

    auto skin = std::make_unique<SkinImage>(regionId, pictureId);
    if (skin->loaded()) skin_ = std::move(skin);
    ++skinApplications_;

    if (skin_ != nullptr && skin_->loaded()) SizeToSkin();
    RepaintNow(rect());
}

void PanelView::SizeToSkin() {
    const double zoom = ZoomFactor(zoomPercent_);
    setFixedSize(ScaledPanelRect(QRect(0, 0, skin_->width(), skin_->height()), zoom).size());
    setMask(ScaledRegion(skin_->region(), zoom));
}

void PanelView::SetZoom(int percent) {
    if (!KnownZoom(percent) || percent == zoomPercent_) return;
    zoomPercent_ = percent;
    if (skin_ != nullptr && skin_->loaded()) SizeToSkin();
    PlaceKeys();
    update();
}

void PanelView::PlaceKeys() {
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

QRect PanelView::ZoomedRect(const QRect& panelRect) const {
    return ScaledPanelRect(panelRect, ZoomFactor(zoomPercent_));
}

double PanelView::DeviceScale() const { return ZoomFactor(zoomPercent_) * devicePixelRatioF(); }

void PanelView::EnsurePicture() {
    const double scale = DeviceScale();
    if (panelScale_ == scale && panelLayout_ == layoutTurned_) return;
    // Rendered from the artwork at the screen's own resolution, so that
    // nothing is enlarged from a smaller picture.
    const QImage artwork = RenderPanelArtwork(layoutTurned_, scale,
                                              seeThrough_ ? PanelBackground::Clear : PanelBackground::Backdrop);
    if (artwork.isNull()) return;  // keep what was loaded before
    artwork_ = artwork;
    panel_ = QPixmap::fromImage(artwork);
    panel_.setDevicePixelRatio(devicePixelRatioF());
    panelScale_ = scale;
    panelLayout_ = layoutTurned_;
    for (auto* keys : {&normalKeys_, &turnedKeys_})
        for (ShapedKeyButton* key : *keys)
            if (key != nullptr) key->RetakePictures();
}

void PanelView::SetLayout(int turned) {
    turned = turned != 0 ? 1 : 0;
    lcdRect_ = turned ? kTurnedLcdRect : kNormalLcdRect;
    if (layoutTurned_ == turned) return;
    // Set before the skin: the repaint inside ApplySkin must find the new
    // layout already chosen.
    layoutTurned_ = uint8_t(turned);
    Present();
    if (turned) {
        ApplySkin(kBitmap163, kRegion143);
        for (int i = 0; i < 4; ++i) {
            normalKeys_[i]->hide();
            if (turnedKeysCreated_ == 1) turnedKeys_[i]->show();
        }
        if (turnedKeysCreated_ == 0) {
            CreateKeySet(true);
            turnedKeysCreated_ = 1;
        }
    } else {
        ApplySkin(kBitmap164, kRegion143);
        for (int i = 0; i < 4; ++i) {
            normalKeys_[i]->show();
            if (turnedKeysCreated_ == 1) turnedKeys_[i]->hide();
        }
    }
}

PanelScene PanelView::CurrentScene() const {
    PanelScene scene;
    scene.layout = layoutTurned_;
    scene.lcd = presented_;
    scene.frameColour = frame_->image().pixel(0, 0);
    scene.lamp = alarmLamp_ ? PanelLamp::Red : linkPanel_->lamp();
    const auto& keys = layoutTurned_ ? turnedKeys_ : normalKeys_;
    for (int i = 0; i < 4; ++i)
        if (keys[i] != nullptr && keys[i]->isDown()) scene.pressedKey = DriverPanelKeys(layoutTurned_)[i].drawnKey;
    return scene;
}

void PanelView::SetAlarmLamp(bool lit) {
    if (lit == alarmLamp_) return;
    alarmLamp_ = lit;
    update();
}

void PanelView::Present() {
    presentedTurned_ = DriverLcdReadsTurned(layoutTurned_);
    presented_ = presentedTurned_ ? TurnLcdPicture(handedOver_) : handedOver_;
}

void PanelView::TakeStartPicture() {
    handedOverBits_ = LcdSurface;
    handedOver_ = LcdImageOf(handedOverBits_);
    voice_->Hear(handedOverBits_);
    Present();
}

void PanelView::ShowStartState() {
    startHint_ = 1;
    if (layoutTurned_ != 0) SetLayout(0);
    frame_->Fill(0, 0, frame_->width(), 80, kFrameUnlitGrey);
    TakeStartPicture();
    RepaintNow(rect());
}

void PanelView::EndStartHint() {
    if (startHint_ == 0) return;
    startHint_ = 0;
    RepaintNow(rect());
}

void PanelView::ShowLoaded(const LcdBits& picture, uint8_t layout, bool hint) {
    startHint_ = hint ? 1 : 0;
    handedOverBits_ = picture;
    handedOver_ = LcdImageOf(handedOverBits_);
    voice_->Hear(handedOverBits_);
    SetLayout(layout);
    Present();
    voice_->setGeometry(LcdCover());
    // As at a hand-over: turned over the upright panel's keys the frame stays as it is.
    if (!presentedTurned_) frame_->Fill(0, 0, frame_->width(), 80, DriverFrameLit() ? kFrameLitGrey : kFrameUnlitGrey);
    RepaintNow(rect());
}

void PanelView::ShowHandOver() {
    // The LCD speaks through an empty child laid over it.
    voice_->setGeometry(LcdCover());
    // Between two seconds the device mostly hands over what it showed
    // already: only a new picture is copied, read out and repainted.
    QRect area;
    if (std::memcmp(&handedOverBits_, &LcdSurface, sizeof(LcdBits)) != 0) {
        handedOverBits_ = LcdSurface;
        handedOver_ = LcdImageOf(handedOverBits_);
        voice_->Hear(handedOverBits_);
        Present();
        area = LcdCover();
    } else if (DriverLcdReadsTurned(layoutTurned_) != presentedTurned_) {
        Present();
        area = LcdCover();
    }
    // Turned, the picture lies over the keys of the upright panel: the frame
    // is left as it is.
    if (!presentedTurned_ && DriverFrameLit() && frame_->image().pixel(0, 0) != kFrameLitGrey) {
        frame_->Fill(0, 0, frame_->width(), 80, kFrameLitGrey);
        area = LogicalCover(ScaledFrameRect(layoutTurned_, DeviceScale()), devicePixelRatioF());
    }
    if (area.isEmpty()) return;
    RepaintNow(area);
    if (pictureObserver_) pictureObserver_();
}

QRect PanelView::LcdCover() const {
    return LogicalCover(ScaledLcdRect(layoutTurned_, DeviceScale()), devicePixelRatioF());
}

void PanelView::RepaintNow(const QRect& area) {
    if (inPaint_) update(area);
    else repaint(area);
}

bool PanelView::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && linkPanel_->ShowToolTip(*static_cast<QHelpEvent*>(event), layoutTurned_,
                                                                  ZoomFactor(zoomPercent_)))
        return true;
    return QDialog::event(event);
}

void PanelView::paintEvent(QPaintEvent*) {
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
    if (startHint_ == 1 && layoutTurned_ == 0) PaintStartHint(painter, hintFont_);
    inPaint_ = false;
}

void PanelView::mousePressEvent(QMouseEvent* event) {
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

void PanelView::mouseMoveEvent(QMouseEvent* event) {
    if (!dragging_) {
        setCursor(Qt::ArrowCursor);
        return;
    }
    dragCursor_ = event->globalPosition().toPoint();
    setCursor(Qt::SizeAllCursor);
    move(DragTarget(dragWindowPos_, dragAnchor_, dragCursor_));
}

void PanelView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    dragging_ = false;
    setCursor(Qt::ArrowCursor);
}
