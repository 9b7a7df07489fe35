// The panel window's chrome, skins and layouts, zoom, keys' places, the
// LCD's presentation, painting and dragging.
#include "app/panel_view.h"

#include <QGuiApplication>
#include <QHelpEvent>
#include <QIcon>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <QToolTip>
#include <QWindow>
#include <cstring>

#include "app/help_text.h"
#include "app/launch_options.h"
#include "app/lcd_voice.h"
#include "app/link_panel.h"
#include "app/offscreen_surface.h"
#include "app/shaped_key_button.h"
#include "app/skin_image.h"
#include "core/panel.h"
#include "core/presentation.h"
#include "core/screen_guide.h"
#include "media/resource_ids.h"

namespace {

QIcon LoadIcon() {
    // Sizes for title bars, task bars and switchers; launchers take the
    // installed icon's.
    QIcon icon;
    for (int size : kProgramIconSizes) icon.addPixmap(QPixmap::fromImage(ProgramIcon(size)));
    return icon;
}

}  // namespace

QString PanelView::KeyTip(uint8_t drawnKey) {
    return QStringLiteral("%1 \u2014 %2").arg(PanelKeyName(drawnKey), KeyboardKeysFor(drawnKey));
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

    linkPanel_ = new LinkPanel(this, [this] { return ZoomFactor(zoomPercent_); }, [this] { return int(layoutTurned_); });
    voice_ = new LcdVoice(this);
    voice_->setGeometry(LcdCover());

    SetZoom(zoomPercent);
    // The upright panel picture, at the zoom just set, so the first paint finds it ready.
    EnsurePicture();
}

PanelView::~PanelView() = default;

const QWidget* PanelView::lcdAccessible() const { return voice_; }

void PanelView::CreateKeySet(bool turned) {
    auto& keys = turned ? turnedKeys_ : normalKeys_;
    for (int i = 0; i < 4; ++i) {
        const DriverPanelKey& e = DriverPanelKeys(turned ? 1 : 0)[i];
        auto* key = new ShapedKeyButton(e.drawnKey, QRect(e.x, e.y, e.size, e.size), this,
                                        [this](const QRect& area) {
                                            EnsurePicture();
                                            // The device pixels the key covers on screen.
                                            QPixmap part = QPixmap::fromImage(
                                                artwork_.copy(ScaledPanelRect(area, artworkRatio_)));
                                            part.setDevicePixelRatio(artworkRatio_);
                                            return part;
                                        });
        if (zoomPercent_ != 100) key->SetBox(ZoomedRect(key->geometry()), ZoomFactor(zoomPercent_));
        key->setToolTip(KeyTip(e.drawnKey));
        const uint8_t drawn = e.drawnKey;
        connect(key, &QAbstractButton::clicked, this, [this, drawn] { ClickKey(drawn); });
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
    const QRect before = geometry();
    zoomPercent_ = percent;
    if (skin_ != nullptr && skin_->loaded()) SizeToSkin();
    PlaceKeys();
    // A compositor that places windows itself (Wayland) ignores the move;
    // the greyed levels keep the size within its screen there.
    if (isVisible()) move(GeometryAround(before, size(), AvailableArea()).topLeft());
    update();
}

QRect PanelView::AvailableArea() const {
    const QScreen* on = screen();
    return on != nullptr ? on->availableGeometry() : QRect();
}

bool PanelView::ZoomFits(int percent) const {
    const QRect area = AvailableArea();
    if (!area.isValid() || skin_ == nullptr || !skin_->loaded()) return true;
    // Logical pixels on both sides: the screen's ratio scales them alike.
    const QSize panel = ScaledPanelRect(QRect(0, 0, skin_->width(), skin_->height()), ZoomFactor(percent)).size();
    return panel.width() <= area.width() && panel.height() <= area.height();
}

int PanelView::LargestZoomThatFits(int percent) const {
    int best = kZoomLevels[0];
    for (int level : kZoomLevels)
        if (level <= percent && ZoomFits(level)) best = level;
    return best;
}

void PanelView::PlaceKeys() {
    const double zoom = ZoomFactor(zoomPercent_);
    for (bool turned : {false, true}) {
        const auto& keys = turned ? turnedKeys_ : normalKeys_;
        for (int i = 0; i < 4; ++i) {
            if (keys[i] == nullptr) continue;
            const DriverPanelKey& e = DriverPanelKeys(turned ? 1 : 0)[i];
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
    artworkRatio_ = devicePixelRatioF();
    panelScale_ = scale;
    panelLayout_ = layoutTurned_;
    for (auto* keys : {&normalKeys_, &turnedKeys_})
        for (ShapedKeyButton* key : *keys)
            if (key != nullptr) key->RetakePictures();
}

QPixmap PanelView::panelPicture() const {
    QPixmap picture = QPixmap::fromImage(artwork_);
    picture.setDevicePixelRatio(artworkRatio_);
    return picture;
}

void PanelView::SetLayout(int turned) {
    DriverSetLayout(static_cast<uint8_t>(turned));
    ShowHandOver();
}

uint8_t PanelView::layoutTurned() const { return DriverLayout(); }

uint8_t PanelView::startHint() const { return DriverStartHintPending() ? 1 : 0; }

const LcdBits& PanelView::handedOverBits() const { return DriverHandedOverBits(); }

void PanelView::ShowLayout() {
    const uint8_t turned = DriverLayout();
    lcdRect_ = turned ? kTurnedLcdRect : kNormalLcdRect;
    if (layoutTurned_ == turned) return;
    // Set before the skin: the repaint inside ApplySkin must find the new
    // layout already chosen.
    layoutTurned_ = turned;
    Follow();
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
    const DriverPanelScene core = DriverScene();
    PanelScene scene;
    scene.layout = layoutTurned_;  // the skin shown
    scene.lcd = presented_;
    scene.frameColour = 0xFF000000u | core.frameColour;
    scene.hint = DriverStartHintShown(layoutTurned_);
    scene.lamp = alarmLamp_ ? PanelLamp::Red : linkPanel_->lamp();
    // The key the mouse holds down; the window's keys draw themselves.
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

QRect PanelView::Follow() {
    QRect area;
    if (DriverHandedOverSerial() != shownSerial_) {
        shownSerial_ = DriverHandedOverSerial();
        handedOver_ = LcdImageOf(DriverHandedOverBits());
        voice_->Hear(DriverHandedOverBits());
        presentedTurned_ = DriverLcdReadsTurned(layoutTurned_);
        presented_ = PresentedLcdImage(DriverHandedOverBits());
        area = LcdCover();
    } else if (DriverLcdReadsTurned(layoutTurned_) != presentedTurned_) {
        presentedTurned_ = DriverLcdReadsTurned(layoutTurned_);
        presented_ = PresentedLcdImage(DriverHandedOverBits());
        area = LcdCover();
    }
    if (DriverFrameColour() != frameColour_) {
        frameColour_ = DriverFrameColour();
        area |= LogicalCover(ScaledFrameRect(layoutTurned_, DeviceScale()), devicePixelRatioF());
    }
    return area;
}

void PanelView::ShowAll() {
    ShowLayout();
    Follow();
    voice_->setGeometry(LcdCover());
    RepaintNow(rect());
}

void PanelView::ShowHandOver() {
    ShowLayout();
    // The LCD speaks through an empty child laid over it.
    voice_->setGeometry(LcdCover());
    // Between two seconds the device mostly hands over what it showed
    // already: only a new picture is copied, read out and repainted.
    const QRect area = Follow();
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
    if (event->type() == QEvent::ToolTip && ShowMarkTip(*static_cast<QHelpEvent*>(event))) return true;
    return QDialog::event(event);
}

QString PanelView::MarkTipAt(const QPoint& at, QRect* area) const {
    const QRect cover = LcdCover();
    if (!cover.contains(at) || cover.width() <= 0 || cover.height() <= 0) return {};
    int x = (at.x() - cover.x()) * kLcdWidth / cover.width();
    int y = (at.y() - cover.y()) * kLcdHeight / cover.height();
    const bool turned = DriverLcdReadsTurned(layoutTurned_);
    if (turned) {
        x = kLcdWidth - 1 - x;
        y = kLcdHeight - 1 - y;
    }
    const ScreenGuide guide = GuideNow();
    const GuideMark* mark = GuideMarkAt(guide, x, y);
    if (mark == nullptr) return {};
    if (area != nullptr) {
        // The mark's LCD pixels on the window, turned as the LCD reads.
        const int mx = turned ? kLcdWidth - mark->x - mark->width : mark->x;
        const int my = turned ? kLcdHeight - mark->y - mark->height : mark->y;
        *area = QRect(cover.x() + mx * cover.width() / kLcdWidth, cover.y() + my * cover.height() / kLcdHeight,
                      mark->width * cover.width() / kLcdWidth, mark->height * cover.height() / kLcdHeight);
    }
    // A table of a fixed width: a rich-text tooltip otherwise wraps into a narrow column.
    return QStringLiteral("<table width=\"300\"><tr><td><b>%1</b>: %2</td></tr></table>").arg(QString::fromUtf8(mark->name).toHtmlEscaped(),
                                               QString::fromUtf8(mark->meaning).toHtmlEscaped());
}

bool PanelView::ShowMarkTip(const QHelpEvent& event) {
    QRect area;
    const QString tip = MarkTipAt(event.pos(), &area);
    if (tip.isEmpty()) return false;
    QToolTip::showText(event.globalPos(), tip, this, area);
    return true;
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

    // The hint is laid out at 100 % and drawn scaled, so its text stays sharp.
    painter.scale(zoom, zoom);
    if (DriverStartHintShown(layoutTurned_)) PaintStartHint(painter);
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
