// The front-panel window put together: panel view, device host and
// commands, the keyboard path and the device link's view of the window.
#include "app/front_panel_dialog.h"

#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "app/host_state.h"
#include "app/link_panel.h"
#include "core/bounded_read.h"
#include "core/driver.h"
#include "core/panel.h"
#include "serial/remote_control.h"

FrontPanelDialog::FrontPanelDialog(int zoomPercent, const DeviceStart& start)
    : PanelView(zoomPercent), device_(start, ShowLcdOnPanel, this, [this] { ShowAll(); }), rate_(*this),
      commands_(*this, device_, rate_) {
    device_.Start();
    ShowAll();
    SetLinkHost(this);
    SetMessageBoxParent(this);
    portSettings = PortSettings{};
    // Its thread answers the panel and every control client: a file read
    // here (a state, a dump) must never wait for a pipe's writer or a device.
    RefuseSpecialFiles(true);
}

FrontPanelDialog::~FrontPanelDialog() {
    if (CurrentLinkHost() == this) SetLinkHost(nullptr);
    if (DriverHandsOverTo(this)) DriverSetHandOver(ShowLcdOnPanel, nullptr);
    if (MessageBoxParent() == this) SetMessageBoxParent(nullptr);
}

void FrontPanelDialog::StartReportTimer() {
    device_.StartReportTimer();
    linkPanel()->KeepWatching();
}

void FrontPanelDialog::ShowMessage(const char* text, const char* caption) {
    ShowMessageBox(QString::fromLatin1(text), caption != nullptr ? QString::fromLatin1(caption) : QString());
}

void FrontPanelDialog::ShowNotice(const char* text) { linkPanel()->ShowNotice(QString::fromUtf8(text)); }

void FrontPanelDialog::ShowDetailedMessage(const char* text, const char* caption, const char* informative) {
    ShowMessageBox(QString::fromLatin1(text), caption != nullptr ? QString::fromLatin1(caption) : QString(),
                   informative != nullptr ? QString::fromUtf8(informative) : QString());
}

void FrontPanelDialog::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        std::unique_ptr<QMenu> menu = BuildMenu();
        menu->exec(event->globalPosition().toPoint());
        return;
    }
    PanelView::mousePressEvent(event);
}

uint8_t FrontPanelDialog::powerKeySeen() const { return DriverPowerKeySeen() ? 1 : 0; }

namespace {

// Qt's key codes by the core's neutral names (kDriverKeyboardKeys).
const char* KeyName(int key) {
    switch (key) {
        case Qt::Key_Left: return "Left";
        case Qt::Key_Backspace: return "Backspace";
        case Qt::Key_Up: return "Up";
        case Qt::Key_Down: return "Down";
        case Qt::Key_Right: return "Right";
        case Qt::Key_Space: return "Space";
        default: return nullptr;
    }
}

}  // namespace

void FrontPanelDialog::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter: done(QDialog::Accepted); return;
        case Qt::Key_Escape: done(QDialog::Rejected); return;
        case Qt::Key_F1: commands_.ShowGuide(); return;
        default: break;
    }
    const int drawn = DriverKeyboardKeyFor(KeyName(event->key()));
    if (drawn < 0) QDialog::keyPressEvent(event);
    else PressKeyboard(static_cast<uint8_t>(drawn));
}

void ShowLcdOnPanel(void* context) {
    if (context == nullptr) {
        ShowMessageBox(QStringLiteral("Could not display graph!"));
        return;
    }
    static_cast<FrontPanelDialog*>(context)->HandOverLcd();
}
