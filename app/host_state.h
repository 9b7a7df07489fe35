// The small pure rules the front-panel window applies (command line, what
// the LCD says, dragging, zoom) and its replaceable message boxes.
#pragma once

#include <QPoint>
#include <QRect>
#include <QRegion>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "media/panel_render.h"

class QWidget;
struct LcdPicture;

// A rectangle in window pixels with exclusive right and bottom, the way the
// layout tables give them: (79, 78)-(323, 142) is 244 x 64.
struct WindowRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    QRect toQRect() const { return QRect(left, top, width(), height()); }
    static constexpr WindowRect Of(const QRect& r) {
        return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
    }
    friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

// The LCD's place in each layout, where the panel's renderer draws it.
inline const WindowRect kNormalLcdRect = WindowRect::Of(PanelLcdRect(0));
inline const WindowRect kTurnedLcdRect = WindowRect::Of(PanelLcdRect(1));

// True when the command line asks for the automatic power press: the second
// token is a switch ('/' or '-' then a name) whose name contains "Restart"
// after its first character. args[0] is the program.
bool RestartSwitchGiven(const QStringList& args);

// What the LCD picture (244 x 64, as handed over) says, for screen
// readers: the recognised text rows, one per line, without the LCD's own
// symbols (icons, the menu arrow).
QString LcdSpokenText(const LcdPicture& lcd);

// Where a dragged window goes: its position at the press moved by the
// cursor's travel since the press, never left of or above screen pixel 0.
QPoint DragTarget(QPoint windowAtPress, QPoint cursorAtPress, QPoint cursorNow);

// Where a window that changes to `size` goes: about the centre of
// `current`, moved the least that keeps it whole inside `available` (a
// screen's available geometry); one larger than `available` keeps its top
// left corner there.
QRect GeometryAround(const QRect& current, const QSize& size, const QRect& available);
// Where a second window of `wanted` size opens beside `panel`, `gap` pixels
// off it, inside `available`: right, else left, else below, else above: the
// first side with room for `wanted`, else the first with room for `minimum`
// (the window shrunk to that side's room). Only without either does it
// overlap the panel, clamped into `available`.
QRect PlaceBeside(const QRect& panel, const QSize& wanted, const QSize& minimum, const QRect& available, int gap);

// The window's zoom as a factor: 100 % is 1.
constexpr double ZoomFactor(int percent) { return percent / 100.0; }
// A window shape at `zoom`: each rectangle by ScaledPanelRect, so shapes and
// pictures agree; unchanged at zoom 1.
QRegion ScaledRegion(const QRegion& region, double zoom);
// The smallest rectangle of logical pixels that covers `device` (device
// pixels at `ratio` per logical pixel): what to repaint for it.
QRect LogicalCover(const QRect& device, double ratio);

// Whether the panel is a see-through window, transparent outside the case.
// Only where the platform always composes windows: a Wayland compositor
// ignores a window's mask when it shows it, while an X server without a
// compositor would show the transparent pixels black, so X11 keeps the
// opaque picture shaped by the mask.
bool SeeThroughWindowWanted(const QString& platformName);

// Text for a word-wrapped label in which a path (a word that starts with
// '/') may break after each '/' and nowhere else, however narrow the label:
// a zero-width space follows each '/', a word joiner every other character.
QString BreakPathsAtSlashes(const QString& text);

// Message boxes go through one replaceable function so that tests (and any
// headless use) never block on a modal box.
using MessageBoxFunction = void (*)(const QString& text, const QString& caption);
// The same for boxes with an informative text. Without one installed, such a
// box goes to the plain function (text and caption) unless that is the real box.
using DetailedMessageBoxFunction = void (*)(const QString& text, const QString& caption,
                                            const QString& informative);
DetailedMessageBoxFunction SetDetailedMessageBoxFunction(DetailedMessageBoxFunction fn);
// The window real message boxes stay in front of (null: none).
void SetMessageBoxParent(QWidget* parent);
QWidget* MessageBoxParent();
// Installs fn (nullptr restores the real message box); returns the previous one.
MessageBoxFunction SetMessageBoxFunction(MessageBoxFunction fn);
// An OK-only message box; an empty caption means the application's name.
// With an informative text (the details under the message), the box shows
// the warning icon.
void ShowMessageBox(const QString& text, const QString& caption = QString(),
                    const QString& informative = QString());
