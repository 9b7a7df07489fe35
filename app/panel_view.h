// The front panel as a window: its chrome, skin, zoom, the keys' places,
// painting and dragging. It paints what the host core presents (layout,
// LCD, frame, start hint) and reports the drawn key of a click; it drives
// nothing itself.
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
class QHelpEvent;
class LinkPanel;
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
    // Sets the core's layout (0 upright, 1 turned by 180 degrees), as real
    // mode's reports do, and shows it.
    void SetLayout(int turned);
    // Scales the whole panel: 100, 150, 200 or 300 (other values do nothing).
    // A shown window grows or shrinks about its centre and stays on its
    // screen as far as it fits there.
    void SetZoom(int percent);
    // Whether the panel at `percent` fits whole in the available area of
    // the screen the window is on (or would open on).
    bool ZoomFits(int percent) const;
    // The largest level up to `percent` that fits; 100 when none does.
    int LargestZoomThatFits(int percent) const;
    // The screen area windows may take: the screen less the desktop's panels.
    QRect AvailableArea() const;

    // Shows what the core presents now, repainting only what changed: at
    // every hand-over, about every 500 ms and after each key, so a picture
    // that did not change costs nothing more.
    void ShowHandOver();
    // The same, repainting the whole panel at once (the start state, a
    // loaded device, the hint gone).
    void ShowAll();

    // A click on the panel key drawn as `drawnKey`, and the keyboard key
    // that presses it.
    virtual void ClickKey(uint8_t drawnKey) = 0;
    virtual void PressKeyboard(uint8_t drawnKey) = 0;

    // A panel key's tooltip: its name and the keyboard keys that press it
    // ("Back — Left arrow or Backspace").
    static QString KeyTip(uint8_t drawnKey);

    // What the window shows, for inspection and for pictures.
    const WindowRect& lcdRectangle() const { return lcdRect_; }
    const QImage& handedOverLcd() const { return handedOver_; }
    const LcdBits& handedOverBits() const;
    const QImage& presentedLcd() const { return presented_; }
    // The LCD's stand-in for screen readers: its accessible name is what the LCD says.
    const QWidget* lcdAccessible() const;
    // The panel picture at the screen's ratio, made on request: the window
    // keeps the one image it paints from.
    QPixmap panelPicture() const;
    const SkinImage* skin() const { return skin_.get(); }
    ShapedKeyButton* normalKey(int i) const { return normalKeys_.at(i); }
    ShapedKeyButton* turnedKey(int i) const { return turnedKeys_.at(i); }
    int skinApplications() const { return skinApplications_; }
    bool dragging() const { return dragging_; }
    int zoomPercent() const { return zoomPercent_; }
    bool seeThrough() const { return seeThrough_; }
    uint8_t startHint() const;
    uint8_t layoutTurned() const;
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

    // What the LCD mark under window point `at` means (the guide's words),
    // and the mark's area on the window; empty off the marks.
    QString MarkTipAt(const QPoint& at, QRect* area = nullptr) const;

protected:
    bool event(QEvent* event) override;  // the lamp's tooltip
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void CreateKeySet(bool turned);
    bool ShowMarkTip(const QHelpEvent& event);
    // Takes the core's layout, picture and frame; the area that changed.
    QRect Follow();
    // Shows the core's layout: skin and key set.
    void ShowLayout();
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

    QImage artwork_;      // the artwork at DeviceScale(), in device pixels
    double artworkRatio_ = 1;  // the screen's ratio it was rendered for
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
    uint8_t layoutTurned_ = 0;  // the layout shown: skin and key set
    uint8_t turnedKeysCreated_ = 0;
    std::array<ShapedKeyButton*, 4> normalKeys_{};
    std::array<ShapedKeyButton*, 4> turnedKeys_{};
    uint64_t shownSerial_ = ~uint64_t(0);  // the core's picture shown
    bool presentedTurned_ = false;         // presented_ reads turned
    uint32_t frameColour_ = 0;             // the frame shown
    QImage handedOver_;  // the core's picture as handed over
    QImage presented_;   // what the LCD area shows
    LinkPanel* linkPanel_ = nullptr;
    bool alarmLamp_ = false;  // a child: the lamp, the watch over the line
    LcdVoice* voice_ = nullptr;       // a child over the LCD, named by its text
    int skinApplications_ = 0;
    bool inPaint_ = false;
    std::function<void()> pictureObserver_;
};
