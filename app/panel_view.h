// The front panel as a window: its chrome, skin and layout, zoom, the keys'
// places, the LCD as handed over with its frame, the start hint, painting
// and dragging. It shows what the device host hands it and reports key
// clicks; it drives nothing itself.
#pragma once

#include <QDialog>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "app/host_state.h"
#include "media/panel_render.h"
#include "platform/lcd.h"

class LcdVoice;
class LinkPanel;
class OffscreenSurface;
class ShapedKeyButton;
class SkinImage;

class PanelView : public QDialog {
public:
    // At `zoomPercent` (100, 150, 200 or 300; others give 100).
    explicit PanelView(int zoomPercent);
    ~PanelView() override;

    // Makes a panel picture and a new skin current; resizes, reshapes and
    // repaints the window.
    void ApplySkin(int pictureId, int regionId);
    // 0 the upright layout, 1 the layout turned by 180 degrees.
    void SetLayout(int turned);
    // Scales the whole panel: 100, 150, 200 or 300 (other values do nothing).
    void SetZoom(int percent);

    // Shows the LCD surface as handed over now. Called by the device host at
    // every hand-over, about every 500 ms and after each key; a picture and
    // presentation that did not change since the last one cost nothing more.
    void ShowHandOver();
    // The picture the LCD surface holds now, with nothing repainted: the
    // window's first picture, once the device behind it has started.
    void TakeStartPicture();
    // The panel as at program start: upright, the hint back, the frame
    // unlit, the LCD from the surface; repainted at once.
    void ShowStartState();
    // The first Select/Power click: the hint goes for good.
    void EndStartHint();
    // A loaded device at once: `picture` as its last hand-over, the panel in
    // `layout`, the frame as the core says, the hint shown or not.
    void ShowLoaded(const LcdBits& picture, uint8_t layout, bool hint);

    // A key command (102-105, 107-110 from the panel keys, 1000-1003 from
    // the keyboard path).
    virtual void OnKeyCommand(int commandId) = 0;

    // What the window shows, for inspection and for pictures.
    const WindowRect& lcdRectangle() const { return lcdRect_; }
    const QImage& handedOverLcd() const { return handedOver_; }
    const LcdBits& handedOverBits() const { return handedOverBits_; }
    const QImage& presentedLcd() const { return presented_; }
    // The LCD's stand-in for screen readers: its accessible name is what the LCD says.
    const QWidget* lcdAccessible() const;
    const OffscreenSurface* frameSurface() const { return frame_.get(); }
    const QPixmap& panelPicture() const { return panel_; }
    const SkinImage* skin() const { return skin_.get(); }
    ShapedKeyButton* normalKey(int i) const { return normalKeys_.at(i); }
    ShapedKeyButton* turnedKey(int i) const { return turnedKeys_.at(i); }
    int skinApplications() const { return skinApplications_; }
    const QFont& hintFont() const { return hintFont_; }
    bool dragging() const { return dragging_; }
    int zoomPercent() const { return zoomPercent_; }
    bool seeThrough() const { return seeThrough_; }
    uint8_t startHint() const { return startHint_; }
    uint8_t layoutTurned() const { return layoutTurned_; }
    uint8_t turnedKeysCreated() const { return turnedKeysCreated_; }
    LinkPanel* linkPanel() const { return linkPanel_; }
    // The lamp lit red for an alarm the speaker setting keeps quiet.
    void SetAlarmLamp(bool lit);
    // What the panel shows now, for painting and pictures, with the key the
    // mouse holds down.
    PanelScene CurrentScene() const;
    // Called after a hand-over that changed the picture and when a key goes
    // down or up: a recording takes a frame then.
    void SetPictureObserver(std::function<void()> observer) { pictureObserver_ = std::move(observer); }

    static const QString& StartHintText();

protected:
    bool event(QEvent* event) override;  // the lamp's tooltip
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void CreateKeySet(bool turned);
    // The handed-over picture as the LCD shows it in the current state,
    // turned where it reads turned.
    void Present();
    void RepaintNow(const QRect& area);
    // The logical pixels the LCD covers now: where its stand-in for screen
    // readers lies and what a hand-over repaints.
    QRect LcdCover() const;
    // Device pixels per panel pixel: the zoom times the screen's ratio.
    double DeviceScale() const;
    // Renders the panel picture for the current layout and scale when either changed.
    void EnsurePicture();
    // A rectangle of the panel at 100 % in the window's coordinates now.
    QRect ZoomedRect(const QRect& panelRect) const;
    void PlaceKeys();
    // The window's size and shape from the current skin at the current zoom.
    void SizeToSkin();
    void ChooseHintFont();

    QPixmap panel_;       // the artwork at DeviceScale(), its device pixel ratio set
    QImage artwork_;      // the same in device pixels, for painting
    double panelScale_ = 0;
    int panelLayout_ = -1;
    int zoomPercent_ = 100;
    bool seeThrough_ = false;
    std::unique_ptr<SkinImage> skin_;
    bool dragging_ = false;
    QPoint dragAnchor_;
    QPoint dragCursor_;
    QPoint dragWindowPos_;
    WindowRect lcdRect_ = kNormalLcdRect;
    uint8_t startHint_ = 1;  // while 1 the hint points at the power key
    uint8_t layoutTurned_ = 0;
    uint8_t turnedKeysCreated_ = 0;
    std::array<ShapedKeyButton*, 4> normalKeys_{};
    std::array<ShapedKeyButton*, 4> turnedKeys_{};
    std::unique_ptr<OffscreenSurface> frame_;
    LcdBits handedOverBits_{};  // the surface as of the last hand-over
    bool presentedTurned_ = false;   // presented_ is handedOver_ turned by 180 degrees
    QImage handedOver_;  // the same as a picture
    QImage presented_;   // what the LCD area shows
    LinkPanel* linkPanel_ = nullptr;
    bool alarmLamp_ = false;  // a child: the lamp, the watch over the line
    LcdVoice* voice_ = nullptr;       // a child over the LCD, named by its text
    int skinApplications_ = 0;
    bool inPaint_ = false;
    QFont hintFont_;
    std::function<void()> pictureObserver_;
};
