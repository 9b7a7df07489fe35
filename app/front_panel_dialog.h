// The borderless front-panel window: the panel picture with the simulated
// LCD in it, the four keys, the firmware's timer and the pop-up menu.
#pragma once

#include <QDialog>
#include <QFont>
#include <QImage>
#include <QPixmap>
#include <QTimer>
#include <array>
#include <memory>

#include "app/host_state.h"
#include "app/panel_render.h"
#include "link/link_host.h"

class LinkPanel;
class OffscreenSurface;
class QMenu;
class SessionRecorder;
class ShapedKeyButton;
class SkinImage;

class FrontPanelDialog : public QDialog, public LinkHost {
public:
    FrontPanelDialog();
    ~FrontPanelDialog() override;

    // Makes a panel picture and a new skin current; resizes, reshapes and
    // repaints the window.
    void ApplySkin(int pictureId, int regionId);
    // 0 the upright layout, 1 the layout turned by 180 degrees.
    void SetLayout(int turned) override;
    // Scales the whole panel: 100, 150, 200 or 300 (other values do nothing).
    void SetZoom(int percent);

    // The device link's view of the window: the report timer and message
    // boxes owned by it. The report timer runs with the firmware's second,
    // right before it, so each queued count is handed over exactly once.
    void StartReportTimer() override { reportTimer_ = true; }
    void StopReportTimer() override { reportTimer_ = false; }
    void ShowMessage(const char* text, const char* caption) override;
    void ShowNotice(const char* text) override;
    void ShowDetailedMessage(const char* text, const char* caption, const char* informative) override;
    bool reportTimerActive() const { return reportTimer_; }

    // A key command (102-105, 107-110 from the panel keys, 1000-1003 from
    // the keyboard path).
    void OnKeyCommand(int commandId);
    // A pop-up menu command; commands not handled here do nothing.
    void OnMenuCommand(int commandId);
    // The LCD hand-over (what ShowLcd does while this window exists).
    void HandOverLcd();
    // One event of the 500 ms timer.
    void HalfSecondEvent();
    // The pop-up menu with its check marks, not yet shown.
    std::unique_ptr<QMenu> BuildMenu();

    // Records the session from here as a geigersim-run script in path: the
    // device goes back to its start state first and the demo counts' seed
    // is fixed, so the script replays from power-on. Not in real mode (the
    // link would keep running under a device put back to demo). A failure
    // is shown in a message box and returns false.
    bool StartRecording(const QString& path);
    void StopRecording();
    bool recording() const;

    // What the window shows, for inspection.
    const WindowRect& lcdRectangle() const { return lcdRect_; }
    const QImage& presentedLcd() const { return presented_; }
    // The LCD's stand-in for screen readers: its accessible name is what the LCD says.
    const QWidget* lcdAccessible() const { return lcdAccess_; }
    LinkPanel* linkPanel() const { return linkPanel_; }
    const QPixmap& panelPicture() const { return panel_; }
    const SkinImage* skin() const { return skin_.get(); }
    ShapedKeyButton* normalKey(int i) const { return normalKeys_.at(i); }
    ShapedKeyButton* turnedKey(int i) const { return turnedKeys_.at(i); }
    int skinApplications() const { return skinApplications_; }
    const QFont& hintFont() const { return hintFont_; }
    bool dragging() const { return dragging_; }
    int zoomPercent() const { return zoomPercent_; }
    bool seeThrough() const { return seeThrough_; }

    static const QString& StartHintText();

protected:
    bool event(QEvent* event) override;  // the lamp's tooltip
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void CreateKeySet(bool turned);
    // What the panel shows now, for painting and pictures.
    PanelScene CurrentScene() const;
    bool HostMenuChecked(int commandId) const;
    void CopyLcd();
    void SaveLcdAsPng();
    void SavePanelAsPng();
    void SaveImageAs(const QString& title, const QString& suggested, const QImage& image);
    void ToggleAlwaysOnTop();
    void RecordScript();
    // The firmware and the window as the window's initialisation leaves them.
    void ReturnToStartState();
    // A fresh device behind the window: the start clock and seed kept, the
    // hand-over coming here.
    void StartDevice();
    // Demo mode's swivel rule, applied where the layout may change: at each
    // hand-over and after a menu command.
    void ApplySwivel();
    // A key event, recorded.
    void PressKey(uint8_t key);
    // What the LCD shows for a handed-over picture in the current state.
    QImage PresentationOf(const QImage& handedOver) const;
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
    void Exit();
    void OtherPort();
    void About();

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
    std::array<ShapedKeyButton*, 4> normalKeys_{};
    std::array<ShapedKeyButton*, 4> turnedKeys_{};
    std::unique_ptr<OffscreenSurface> frame_;
    QImage handedOver_;  // the LCD surface as of the last hand-over
    QImage presented_;   // what the LCD area shows
    QTimer halfSecondTimer_;
    bool reportTimer_ = false;  // ticks in HalfSecondEvent, before the firmware's second
    LinkPanel* linkPanel_ = nullptr;  // a child: the lamp, the watch over the line
    QWidget* lcdAccess_ = nullptr;    // a child over the LCD, named by its text
    int skinApplications_ = 0;
    bool inPaint_ = false;
    QFont hintFont_;
    std::unique_ptr<SessionRecorder> recorder_;
};

// The ShowLcd handler the window installs.
void ShowLcdOnPanel(void* context);
