// The front-panel window on the offscreen platform: start state, layouts,
// keys and what they send, the start hint, the LCD hand-over, the pop-up
// menu, ending the program and dragging.

#include <QAccessible>
#include <QFileDialog>
#include <QImageReader>
#include <QTemporaryDir>
#include <QMenu>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QtTest>
#include <dlfcn.h>
#include <string>
#include <vector>

#include "../serial/pty_device.h"
#include "media/chart_render.h"
#include "app/front_panel_dialog.h"
#include "app/guide_window.h"
#include "app/host_state.h"
#include "app/module_parts.h"
#include "app/optional_module.h"
#include "app/sound_player.h"
#include "firmware/state.h"
#include "app/offscreen_surface.h"
#include "app/popup_menu.h"
#include "app/shaped_key_button.h"
#include "app/skin_image.h"
#include "core/driver.h"
#include "core/panel.h"
#include "core/scaled.h"
#include "firmware/firmware.h"
#include "firmware/state.h"
#include "media/panel_art.h"
#include "media/panel_render.h"
#include "media/svg_picture.h"
#include "menu_probe.h"
#include "recorded_messages.h"
#include "platform/lcd.h"
#include "platform/show_lcd.h"
#include "serial/count_log.h"
#include "serial/real_mode.h"
#include "serial/remote_control.h"
#include "serial/serial_port.h"

namespace {


constexpr QRgb kInk = 0xFF2D2D2D;
constexpr QRgb kBackground = 0xFFAAAAAA;
constexpr QRgb kUnlit = 0xFF8C8C8C;

void FillLcd(uint32_t colour) {
    for (int y = 0; y < kLcdScreenHeight; ++y)
        for (int x = 0; x < kLcdScreenWidth; ++x) LcdSetScreenPixel(x, y, colour);
}

void ClickKey(ShapedKeyButton* key) {
    QTest::mouseClick(key, Qt::LeftButton, {}, key->rect().center());
}

// Pixels inside the window's shape but clear of the case (more than a pixel
// outside its outline) that are dark: what a plain X screen would show as
// dark corners or strips.
int DarkAroundTheCase(const QImage& shown, const QRegion& shape, double scale) {
    const QPainterPath grown = PanelCaseOutline(scale);
    int dark = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
            const QPointF c(x + 0.5, y + 0.5);
            if (!shape.contains(QPoint(x, y))) continue;
            bool near = false;
            for (QPointF d : {QPointF(1.5, 0), QPointF(-1.5, 0), QPointF(0, 1.5), QPointF(0, -1.5), QPointF(0, 0)})
                near = near || grown.contains(c + d);
            const QRgb p = shown.pixel(x, y);  // see-through pixels are not dark
            if (!near && qAlpha(p) > 0 && qGray(p) < 128) ++dark;
        }
    return dark;
}

}  // namespace

class FrontPanelTest : public QObject {
    Q_OBJECT

    PtyDevice device;

    // Real mode on an open line, without a reader: what the keys send.
    void OpenDeviceLine() {
        QCOMPARE(serialPort.OpenDevice(device.path(), 115200), 1);
        realMode = 1;
    }
    // What the device received: `expected` bytes, or with 0 whatever comes
    // within a short while (nothing, when nothing was sent).
    std::string Sent(size_t expected = 0) { return device.Read(expected, expected == 0 ? 50 : 2000); }

private slots:
    void initTestCase() {
        SetMessageBoxFunction(RecordMessage);
        QVERIFY(device.ok());
    }

    // First of the tests, before any window ticks a second: the sound's, the
    // MQTT client's and the control socket's libraries are loaded at their
    // first use, not before.
    void optionalPartsLoadAtFirstUse() {
        const auto loaded = [](const char* library) {
            void* handle = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
            if (handle != nullptr) dlclose(handle);
            return handle != nullptr;
        };
        QVERIFY(!loaded("libQt6Multimedia.so.6"));
        QVERIFY(!loaded("libmosquitto.so.1"));
        QVERIFY(!loaded("libQt6Network.so.6"));
        {
            SoundPlayer player;
            player.SetCheck({QStringLiteral("/bin/false")});
            player.Play(sound::SoundSecond{1, 0, false});  // silence starts nothing
            QVERIFY(!player.tried());
            player.SetOn(false);
            player.Play(sound::SoundSecond{2, 5, false});  // nor does a muted click
            QVERIFY(!player.tried());
            player.SetOn(true);
            player.Play(sound::SoundSecond{3, 5, false});
            QVERIFY(player.checking());
            QTRY_VERIFY(!player.checking());
            QVERIFY(!player.loadedModule() && !player.available());
        }
        {
            SoundPlayer player;  // a check that hangs is killed, and counts as no
            player.SetCheck({QStringLiteral("/bin/sleep"), QStringLiteral("30")}, 100);
            player.Play(sound::SoundSecond{1, 5, false});
            QTRY_VERIFY_WITH_TIMEOUT(!player.checking(), 2000);
            QVERIFY(!player.loadedModule());
        }
        QVERIFY(!loaded("libQt6Multimedia.so.6"));
        {
            SoundPlayer player;
            player.SetCheck({QStringLiteral("/bin/true")});
            player.Play(sound::SoundSecond{1, 5, false});
            QTRY_VERIFY(player.loadedModule());
            QVERIFY(loaded("libQt6Multimedia.so.6"));  // whether or not an output took the stream
        }
        {
            SoundPlayer player;  // no check to ask: loaded, as a partial install needs
            player.SetCheck({QStringLiteral("/nonexistent/sound-check")});
            player.Play(sound::SoundSecond{1, 5, false});
            QTRY_VERIFY(player.loadedModule());
        }
        std::string why;
        QVERIFY2(!OptionalPartPath(kSoundCheck, why).empty(), why.c_str());  // the check the window asks
        auto make = reinterpret_cast<NewMqttClientFn>(OptionalModuleSymbol(kMqttModule, kNewMqttClient, why));
        QVERIFY2(make != nullptr, why.c_str());
        QVERIFY(loaded("libmosquitto.so.1"));
        QVERIFY(OptionalModuleSymbol(kSoundModule, "NoSuchSymbol", why) == nullptr);
        QVERIFY(!why.empty());
    }

    void init() {
        FirmwareReset();
        remoteControl = 1;
        portNumber = 2;
        ResetLink();
        device.Read(0, 20);  // drain what an earlier test left
        messages.clear();
    }

    void cleanup() {
        ResetLink();
        QAccessible::setActive(false);
    }

    void startState() {
        FrontPanelDialog dlg;
        QCOMPARE(dlg.size(), QSize(528, 313));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("REZ12832Uzi"));
        QVERIFY(dlg.windowFlags() & Qt::FramelessWindowHint);
        QVERIFY(!dlg.windowIcon().isNull());
        // Shape 143: the window's lower-right corner is cut.
        QRegion shape;
        QVERIFY(LoadRegionResource(143, &shape));
        QCOMPARE(dlg.mask(), shape);
        QVERIFY(DriverHandsOverTo(&dlg));
        QCOMPARE(dlg.lcdRectangle(), kNormalLcdRect);
        QCOMPARE(fw.swivelMode, 0u);
        QCOMPARE(fw.holdAll + fw.holdOutput + fw.holdStart, 0);
        QCOMPARE(portSettings.portIndex, 2);
        QCOMPARE(portSettings.rateIndex, 11);
        // The frame starts unlit grey, the LCD shows the freshly created surface.
        QCOMPARE(dlg.CurrentScene().frameColour, kUnlit);
        QCOMPARE(dlg.presentedLcd(), CopyLcdSurface());
        for (int i = 0; i < 4; ++i) {
            const DriverPanelKey& e = DriverPanelKeys(0)[i];
            QCOMPARE(dlg.normalKey(i)->geometry(), QRect(e.x, e.y, 35, 35));
            QCOMPARE(dlg.normalKey(i)->drawnKey(), int(e.drawnKey));
            QVERIFY(dlg.normalKey(i)->isVisibleTo(&dlg));
            QVERIFY(dlg.turnedKey(i) == nullptr);
        }
    }

    // The hint as baked: text inside its white box, the box clear of the
    // case's rim and drawn where the panel's picture shows it.
    void startHintFitsInsideThePanel() {
        const StartHintShape& hint = StartHint();
        QVERIFY(!hint.text.isEmpty());
        QCOMPARE(hint.box.topLeft(), QPoint(kDriverStartHintX, kDriverStartHintY));
        QVERIFY(hint.box.right() < kDriverStartHintRightLimit);
        QVERIFY(hint.box.bottom() < 306);
        QVERIFY(QRectF(hint.box).adjusted(-0.5, -0.5, 0.5, 0.5).contains(hint.text.boundingRect()));
        FrontPanelDialog dlg;
        const QImage shown = dlg.grab().toImage();
        int ink = 0;
        for (int y = hint.box.top(); y <= hint.box.bottom(); ++y)
            for (int x = hint.box.left(); x <= hint.box.right(); ++x) ink += qGray(shown.pixel(x, y)) < 96;
        QVERIFY(ink > 100);  // the text, not just its white box
    }

    void layoutSwitches() {
        FrontPanelDialog dlg;
        dlg.SetLayout(0);  // the start state already counts as upright
        QCOMPARE(dlg.size(), QSize(528, 313));
        QCOMPARE(dlg.skinApplications(), 0);

        dlg.SetLayout(1);
        QCOMPARE(dlg.layoutTurned(), 1);
        QCOMPARE(dlg.size(), QSize(524, 306));
        QCOMPARE(dlg.skinApplications(), 1);
        QCOMPARE(dlg.turnedKeysCreated(), 1);
        QCOMPARE(dlg.lcdRectangle(), kTurnedLcdRect);
        QVERIFY(!dlg.mask().isEmpty());
        std::array<ShapedKeyButton*, 4> turned;
        for (int i = 0; i < 4; ++i) {
            const DriverPanelKey& e = DriverPanelKeys(1)[i];
            turned[i] = dlg.turnedKey(i);
            QVERIFY(turned[i] != nullptr);
            QCOMPARE(turned[i]->geometry(), QRect(e.x, e.y, 45, 45));
            QVERIFY(turned[i]->isVisibleTo(&dlg));
            QVERIFY(!dlg.normalKey(i)->isVisibleTo(&dlg));
        }

        dlg.SetLayout(1);  // already turned: only the rectangle is set again
        QCOMPARE(dlg.skinApplications(), 1);

        dlg.SetLayout(0);
        QCOMPARE(dlg.layoutTurned(), 0);
        QCOMPARE(dlg.size(), QSize(524, 306));
        QCOMPARE(dlg.skinApplications(), 2);
        QCOMPARE(dlg.lcdRectangle(), kNormalLcdRect);
        for (int i = 0; i < 4; ++i) {
            QVERIFY(dlg.normalKey(i)->isVisibleTo(&dlg));
            QVERIFY(!dlg.turnedKey(i)->isVisibleTo(&dlg));
        }

        dlg.SetLayout(1);  // the turned keys are shown again, not made anew
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(dlg.turnedKey(i), turned[i]);
            QVERIFY(dlg.turnedKey(i)->isVisibleTo(&dlg));
        }
        QCOMPARE(dlg.findChildren<ShapedKeyButton*>().size(), 8);
    }

    void keysSendOnlyInRealModeWithRemoteControl() {
        FrontPanelDialog dlg;
        OpenDeviceLine();
        ClickKey(dlg.normalKey(3));  // first Select/Power: powers on, not sent
        QCOMPARE(dlg.powerKeySeen(), 1);
        QCOMPARE(Sent(), std::string());
        ClickKey(dlg.normalKey(3));
        ClickKey(dlg.normalKey(0));
        ClickKey(dlg.normalKey(1));
        ClickKey(dlg.normalKey(2));
        QCOMPARE(Sent(28), std::string("<KEY3>><KEY0>><KEY1>><KEY2>>"));

        // Swivelled: the key pictured as Up means Down, and the other way round.
        fw.swivelMode = 1;
        fw.displayTurned = 1;
        ClickKey(dlg.normalKey(1));
        ClickKey(dlg.normalKey(2));
        QCOMPARE(Sent(14), std::string("<KEY2>><KEY1>>"));

        // The keyboard path is never sent.
        for (Qt::Key k : {Qt::Key_Left, Qt::Key_Up, Qt::Key_Down, Qt::Key_Right, Qt::Key_Space, Qt::Key_Backspace})
            QTest::keyClick(&dlg, k);
        QCOMPARE(Sent(), std::string());

        // "Remote Control" from the menu stops forwarding and brings it back.
        dlg.OnMenuCommand(kCmdRemoteControl);
        QCOMPARE(remoteControl, 0);
        ClickKey(dlg.normalKey(0));
        QCOMPARE(Sent(), std::string());
        dlg.OnMenuCommand(kCmdRemoteControl);
        ClickKey(dlg.normalKey(1));
        QCOMPARE(Sent(7), std::string("<KEY2>>"));
        realMode = 0;
        ClickKey(dlg.normalKey(0));
        QCOMPARE(Sent(), std::string());
    }

    void turnedKeysSendTheirKeys() {
        FrontPanelDialog dlg;
        OpenDeviceLine();  // real mode keeps the swivel rule from switching layouts
        dlg.SetLayout(1);
        ClickKey(dlg.turnedKey(0));  // Select/Power: first one is not sent
        for (int i = 0; i < 4; ++i) ClickKey(dlg.turnedKey(i));
        QCOMPARE(Sent(28), std::string("<KEY3>><KEY1>><KEY2>><KEY0>>"));
    }

    void keyShapeAndDoubleClick() {
        FrontPanelDialog dlg;
        ShapedKeyButton* key = dlg.normalKey(0);
        QSignalSpy clicks(key, &QAbstractButton::clicked);
        QTest::mouseClick(key, Qt::LeftButton, {}, QPoint(1, 1));  // bounding-box corner
        QCOMPARE(clicks.count(), 0);
        QTest::mouseClick(key, Qt::LeftButton, {}, QPoint(17, 17));
        QCOMPARE(clicks.count(), 1);

        // Press, release, double click, release: two presses, two clicks.
        const QPointF at(17, 17);
        const QPointF global = key->mapToGlobal(at);
        for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                  QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
            const bool down = type != QEvent::MouseButtonRelease;
            QMouseEvent event(type, at, global, Qt::LeftButton, down ? Qt::LeftButton : Qt::NoButton, {});
            QApplication::sendEvent(key, &event);
        }
        QCOMPARE(clicks.count(), 3);
    }

    void noDarkPixelsAroundTheCase() {
        FrontPanelDialog dlg;
        // Opaque offscreen, as on a plain X server; see-through under Wayland.
        QCOMPARE(dlg.seeThrough(), SeeThroughWindowWanted(QGuiApplication::platformName()));
        QRegion shape;
        QVERIFY(LoadRegionResource(143, &shape));
        // The initial window is larger than the picture: the strip counts too.
        QCOMPARE(DarkAroundTheCase(dlg.grab().toImage(), shape, 1.0), 0);
        dlg.SetLayout(1);
        QCOMPARE(DarkAroundTheCase(dlg.grab().toImage(), shape, 1.0), 0);
        dlg.SetZoom(150);
        QCOMPARE(DarkAroundTheCase(dlg.grab().toImage(), ScaledRegion(shape, 1.5), 1.5), 0);

        // See-through: nothing at all around the case, the case itself opaque.
        for (double scale : {1.0, 2.0}) {
            const QImage clear = RenderPanelArtwork(0, scale, PanelBackground::Clear);
            QCOMPARE(clear.size(), QSize(524, 306) * scale);
            for (QPoint corner : {QPoint(0, 0), QPoint(clear.width() - 1, 0), QPoint(0, clear.height() - 1),
                                  QPoint(clear.width() - 1, clear.height() - 1), QPoint(int(4 * scale), int(4 * scale))})
                QCOMPARE(qAlpha(clear.pixel(corner)), 0);
            for (QPoint inside : {QPoint(2, 150), QPoint(262, 2), QPoint(262, 302), QPoint(10, 10)})
                QCOMPARE(qAlpha(clear.pixel(inside * scale)), 255);
        }
    }

    // `svg`: the LCD's squares, alone and on the panel's artwork (upright
    // and turned), render as the PNG's pixels; the documents are well-formed XML.
    void svgShowsTheLcdAsThePngDoes() {
        LcdPicture lcd{};
        for (int y = 0; y < kLcdScreenHeight; ++y)
            for (int x = 0; x < kLcdScreenWidth; ++x) {
                const int dot = x / 2 * 7 + y / 2 * 3;
                lcd.pixels[y][x] = dot % 5 == 0 ? kLcdInk : dot % 11 == 0 ? kLcdUnlit : kLcdBackground;
            }
        const auto rendered = [](const std::string& text, QSize size) {
            QXmlStreamReader xml(QByteArray::fromStdString(text));
            while (!xml.atEnd()) xml.readNext();
            if (xml.hasError()) qWarning() << xml.errorString();
            QSvgRenderer renderer(QByteArray::fromStdString(text));
            QImage image(size, QImage::Format_ARGB32);
            image.fill(Qt::transparent);
            if (xml.hasError() || !renderer.isValid()) return QImage();
            QPainter painter(&image);
            renderer.render(&painter, QRectF(QPointF(0, 0), size));
            return image;
        };
        const QImage alone = rendered(
            svg::Document(svg::PixelGroup(&lcd.pixels[0][0], kLcdScreenWidth, kLcdScreenHeight, kLcdScreenWidth),
                          kLcdScreenWidth, kLcdScreenHeight, 1),
            QSize(kLcdScreenWidth, kLcdScreenHeight));
        QCOMPARE(alone, LcdImage(lcd).convertToFormat(QImage::Format_ARGB32));
        for (int layout : {0, 1}) {
            PanelScene scene;
            scene.layout = layout;
            scene.lcd = LcdImage(lcd);
            scene.frameColour = kFrameLitGrey;
            std::string text;
            QVERIFY(RenderPanelSvg(scene, 1, text));
            const QImage svg = rendered(text, QSize(kPanelWidth, kPanelHeight));
            const QRect frame = ScaledFrameRect(layout, 1);
            QVERIFY(!svg.isNull());
            QCOMPARE(svg.copy(frame),
                     RenderPanel(scene, 1, PanelBackground::Clear).convertToFormat(QImage::Format_ARGB32).copy(frame));
        }
    }

    void zoomScalesTheWholePanel() {
        FrontPanelDialog dlg;
        QRegion shape;
        QVERIFY(LoadRegionResource(143, &shape));
        FillLcd(kLcdBackground);
        for (int d = 0; d < 4; ++d) LcdSetScreenPixel(4 + d % 2, 2 + d / 2, kLcdInk);  // LCD pixel (2, 1)
        fw.bootState = 2;
        ShowLcd();
        dlg.OnMenuCommand(kCmdZoom200);
        QCOMPARE(dlg.zoomPercent(), 200);
        QCOMPARE(dlg.size(), QSize(1056, 626));
        QCOMPARE(dlg.mask(), ScaledRegion(shape, 2.0));
        for (int i = 0; i < 4; ++i) {
            const DriverPanelKey& e = DriverPanelKeys(0)[i];
            QCOMPARE(dlg.normalKey(i)->geometry(), QRect(2 * e.x, 2 * e.y, 70, 70));
        }
        QVERIFY(dlg.normalKey(0)->toolTip().contains(QStringLiteral("Backspace")));
        // Every LCD pixel a 4 x 4 block at the scaled place.
        const QImage shown = dlg.grab().toImage();
        const QRect lcd = ScaledLcdRect(0, 2.0);
        QCOMPARE(lcd, QRect(158, 156, 488, 128));
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x) {
                QCOMPARE(shown.pixel(lcd.left() + 8 + x, lcd.top() + 4 + y), kInk);
                QCOMPARE(shown.pixel(lcd.left() + 4 + x, lcd.top() + 4 + y), kBackground);
            }
        // The hint moves and grows with the panel.
        const QImage panel = dlg.panelPicture().toImage();
        QVERIFY(shown.copy(690, 444, 200, 16) != panel.copy(690, 444, 200, 16));
        // A click on the scaled Up key's rim reaches it; its old place does not.
        ShapedKeyButton* up = dlg.normalKey(1);
        QCOMPARE(fw.powered, 0);
        ClickKey(dlg.normalKey(3));
        QCOMPARE(fw.powered, 1);
        QSignalSpy upClicks(up, &QAbstractButton::clicked);
        QTest::mouseClick(up, Qt::LeftButton, {}, QPoint(66, 35));  // beyond the 100 % circle
        QTest::mouseClick(up, Qt::LeftButton, {}, QPoint(3, 3));    // in the box, off the circle
        QCOMPARE(upClicks.count(), 1);
        std::unique_ptr<QMenu> menu = dlg.BuildMenu();
        for (QAction* a : AllActions(menu.get()))
            if (a->data().toInt() >= kCmdZoom100 && a->data().toInt() <= kCmdZoom300)
                QCOMPARE(a->isChecked(), a->data().toInt() == kCmdZoom200);
        // Back to 100 %: the start state's size and shape exactly.
        dlg.OnMenuCommand(kCmdZoom100);
        QCOMPARE(dlg.size(), QSize(528, 313));
        QCOMPARE(dlg.mask(), shape);
        QCOMPARE(dlg.normalKey(1)->geometry(), QRect(140, 208, 35, 35));
    }

    // Run again by ctest with QT_SCALE_FACTOR 1.5 and 2 (the *_ratio_* tests).
    void sharpAtTheScreensRatio() {
        FrontPanelDialog dlg;
        const double ratio = dlg.devicePixelRatioF();
        if (ratio == 1.0) QSKIP("needs a scaled screen: QT_SCALE_FACTOR=1.5 or 2");
        FillLcd(kLcdBackground);
        for (int x = 0; x < 122; ++x)  // one LCD pixel (2 x 2 on the surface) per column
            for (int d = 0; d < 4; ++d) LcdSetScreenPixel(2 * x + d % 2, 2 * (x % 32) + d / 2, kLcdInk);
        fw.bootState = 2;
        ShowLcd();
        QImage shown = dlg.grab().toImage();
        QCOMPARE(shown.devicePixelRatio(), ratio);
        shown.setDevicePixelRatio(1);  // compared pixel for pixel below
        // The artwork is rendered for the screen, never enlarged: the label
        // plate shows exactly the artwork rendered at the screen's ratio.
        const QImage artwork = RenderPanelArtwork(0, ratio);
        const QRect label = ScaledPanelRect(QRect(370, 60, 100, 120), ratio);  // clear of the lamp
        QCOMPARE(shown.copy(label), artwork.copy(label).convertToFormat(shown.format()));
        // Every LCD pixel a block of the same whole size on whole device pixels.
        const int p = DriverLcdPixelSize(ratio);
        const QRect lcd = ScaledLcdRect(0, ratio);
        QCOMPARE(lcd.size(), QSize(122 * p, 32 * p));
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 122; ++x) {
                const QRgb first = shown.pixel(lcd.left() + x * p, lcd.top() + y * p);
                QCOMPARE(first, y == x % 32 ? kInk : kBackground);
                for (int dy = 0; dy < p; ++dy)
                    for (int dx = 0; dx < p; ++dx)
                        if (shown.pixel(lcd.left() + x * p + dx, lcd.top() + y * p + dy) != first)
                            QFAIL(qPrintable(QStringLiteral("LCD pixel (%1, %2) is not one colour").arg(x).arg(y)));
            }
        // The keys draw the same sharp picture in place, not a doubled one.
        QVERIFY(dlg.normalKey(0)->picturesTaken());
        QCOMPARE(dlg.normalKey(0)->normalPicture().devicePixelRatio(), ratio);
        for (int i = 0; i < 4; ++i) {
            const DriverPanelKey& e = DriverPanelKeys(0)[i];
            const QRect face = ScaledPanelRect(QRect(e.x + 8, e.y + 8, 19, 19), ratio);
            QCOMPARE(shown.copy(face), artwork.copy(face).convertToFormat(shown.format()));
        }
    }

    void keyPicturesComeFromThePanel() {
        FrontPanelDialog dlg;
        ShapedKeyButton* key = dlg.normalKey(3);
        key->grab();  // the first drawing takes the pictures
        QVERIFY(key->picturesTaken());
        const QImage normal = key->normalPicture().toImage();
        const QImage pressed = key->pressedPicture().toImage();
        QCOMPARE(normal, dlg.panelPicture().copy(key->geometry()).toImage());
        // Pressed: shifted one pixel right and down over the unshifted copy.
        for (int y = 1; y < 35; ++y)
            for (int x = 1; x < 35; ++x) QCOMPARE(pressed.pixel(x, y), normal.pixel(x - 1, y - 1));
        for (int i = 0; i < 35; ++i) {
            QCOMPARE(pressed.pixel(i, 0), normal.pixel(i, 0));
            QCOMPARE(pressed.pixel(0, i), normal.pixel(0, i));
        }
        // Pictures of the panel show a pressed key as the key itself does.
        PanelScene scene = dlg.CurrentScene();
        scene.pressedKey = DriverPanelKeys(0)[3].drawnKey;
        const QImage rendered = RenderPanel(scene, 1.0).copy(key->geometry());
        for (const QRect& row : key->shape())
            for (int x = row.left(); x <= row.right(); ++x)
                QCOMPARE(rendered.pixel(x, row.top()), pressed.pixel(x, row.top()));
    }

    void recordGifTakesTheKeyDownAndEachHandOver() {
        QTemporaryDir dir;  // outlives the window, which writes a recording left open
        FrontPanelDialog dlg;
        const QString path = dir.filePath(QStringLiteral("panel.gif"));
        dlg.StartGif(path);
        QVERIFY(CheckedIn(dlg.BuildMenu().get(), kCmdRecordGif));
        ShapedKeyButton* power = dlg.normalKey(3);
        QTest::mousePress(power, Qt::LeftButton, {}, QPoint(17, 17));
        QTest::mouseRelease(power, Qt::LeftButton, {}, QPoint(17, 17));  // power on: the logo
        QCoreApplication::processEvents();
        dlg.StopGif();
        QVERIFY(!CheckedIn(dlg.BuildMenu().get(), kCmdRecordGif));
        // Unlit, the key down, then the key up on the lit device. A slow
        // machine may let the half-second timer add frames after these.
        QImageReader gif(path);
        QVERIFY(gif.imageCount() >= 3);
        QCOMPARE(gif.size(), QSize(524, 306));
        const QRect key = power->geometry();
        const QImage unlit = gif.read(), down = gif.read(), lit = gif.read();
        QVERIFY(down.copy(key) != unlit.copy(key));
        QCOMPARE(lit.copy(key), unlit.copy(key));
        QVERIFY(lit != down);
    }

    void startHintShownAndSaved() {
        // The rule is the core's; the window's part is that its keyboard
        // path and its keys reach it, and that it paints and saves the hint.
        FrontPanelDialog dlg;
        QTest::keyClick(&dlg, Qt::Key_Space);  // keyboard Select/Power
        QCOMPARE(fw.powered, 1);               // it reached the firmware...
        QCOMPARE(dlg.startHint(), 1);          // ...but the hint stays
        const QRect hintArea(345, 222, 150, 8);
        const QImage panel = dlg.panelPicture().toImage().copy(hintArea);
        QVERIFY(dlg.grab().toImage().copy(hintArea) != panel);  // the hint shows
        const QImage saved = RenderPanel(dlg.CurrentScene(), 1, PanelBackground::Clear);
        ClickKey(dlg.normalKey(3));
        QCOMPARE(dlg.startHint(), 0);
        QCOMPARE(dlg.grab().toImage().copy(hintArea), panel);  // and is gone
        QVERIFY(saved != RenderPanel(dlg.CurrentScene(), 1, PanelBackground::Clear));
        QCOMPARE(saved.copy(hintArea).pixel(1, 1), qRgb(255, 255, 255));  // the hint's box
    }

    void restartPressesSelectPowerOnce() {
        FrontPanelDialog dlg;
        OpenDeviceLine();
        dlg.RequestRestart();
        dlg.HalfSecondEvent();
        QCOMPARE(dlg.restartRequested(), 0);
        QCOMPARE(dlg.startHint(), 0);
        QCOMPARE(dlg.powerKeySeen(), 1);
        QCOMPARE(fw.powered, 1);
        QCOMPARE(Sent(), std::string());  // acts as the first click: not sent
        dlg.HalfSecondEvent();
        QCOMPARE(fw.powered, 1);  // not pressed a second time
    }

    void timerDrivesTheFirmware() {
        FrontPanelDialog dlg;
        QAccessible::setActive(true);  // as a screen reader does when it starts listening
        QTest::keyClick(&dlg, Qt::Key_Space);
        QVERIFY(fw.powered == 1);
        // The half-second service boots the device within a few events.
        QTRY_VERIFY_WITH_TIMEOUT(fw.bootState != 0, 3000);
        // Screen readers hear the LCD: the logo's lettering, then the reading.
        QTRY_VERIFY_WITH_TIMEOUT(dlg.lcdAccessible()->accessibleName().contains(QStringLiteral("RADIATION")), 3000);
        QTRY_VERIFY_WITH_TIMEOUT(dlg.lcdAccessible()->accessibleName().startsWith(QStringLiteral("CPM:")), 5000);
        QCOMPARE(dlg.lcdAccessible()->geometry(), QRect(79, 78, 244, 64));
    }

    void screenReaderStartingLaterHearsTheLcdAtOnce() {
        FrontPanelDialog dlg;
        LcdClear();
        LcdPutText(0, 9, "CPM: 42");
        ShowLcd();
        QAccessible::setActive(true);
        QCOMPARE(dlg.lcdAccessible()->accessibleName(), QStringLiteral("CPM: 42"));
    }

    void handOverBeforeAndAfterStart() {
        FrontPanelDialog dlg;
        FillLcd(kLcdBackground);
        LcdSetScreenPixel(5, 3, kLcdInk);
        fw.bootState = 2;  // running: the frame keeps its colour
        ShowLcd();
        QCOMPARE(dlg.CurrentScene().frameColour, kUnlit);
        QCOMPARE(dlg.presentedLcd().pixel(5, 3), kInk);

        fw.bootState = 0;  // not started: every hand-over paints the frame
        ShowLcd();
        QCOMPARE(dlg.CurrentScene().frameColour, kBackground);

        const QImage shown = dlg.grab().toImage();
        QCOMPARE(shown.pixel(79 + 5, 78 + 3), kInk);
        QCOMPARE(shown.pixel(79, 78), kBackground);
        QCOMPARE(shown.pixel(73, 73), kBackground);  // frame
    }

    void swivelledHandOverIsTurnedAndRepaintsKeepIt() {
        FrontPanelDialog dlg;
        realMode = 1;  // no automatic layout switch in real mode
        FillLcd(kLcdBackground);
        LcdSetScreenPixel(0, 0, kLcdInk);
        fw.bootState = 2;
        fw.swivelMode = 1;
        fw.displayTurned = 1;
        ShowLcd();
        QCOMPARE(dlg.presentedLcd().pixel(243, 63), kInk);
        QCOMPARE(dlg.presentedLcd().pixel(0, 0), kBackground);
        QCOMPARE(dlg.CurrentScene().frameColour, kUnlit);  // not painted

        // The firmware draws on without handing over: a repaint still shows
        // the last hand-over, turned, never the unturned surface.
        LcdSetScreenPixel(0, 0, kLcdBackground);
        LcdSetScreenPixel(10, 10, kLcdInk);
        QImage shown = dlg.grab().toImage();
        QCOMPARE(shown.pixel(79 + 243, 78 + 63), kInk);
        QCOMPARE(shown.pixel(79, 78), kBackground);
        QCOMPARE(shown.pixel(79 + 233, 78 + 53), kBackground);

        ShowLcd();
        shown = dlg.grab().toImage();
        QCOMPARE(shown.pixel(79 + 243, 78 + 63), kBackground);
        QCOMPARE(shown.pixel(79 + 233, 78 + 53), kInk);
    }

    void demoSwivelTurnsThePanelAndTheLcdReadsUpright() {
        FrontPanelDialog dlg;
        FillLcd(kLcdBackground);
        LcdSetScreenPixel(0, 0, kLcdInk);
        fw.bootState = 2;
        fw.swivelMode = 1;
        fw.displayTurned = 1;
        ShowLcd();  // the hand-over turns the panel
        QCOMPARE(dlg.layoutTurned(), 1);
        QCOMPARE(dlg.size(), QSize(524, 306));
        // The turned panel is upside down already: the LCD is shown unturned
        // in the turned layout's rectangle, by repaints...
        QCOMPARE(dlg.presentedLcd().pixel(0, 0), kInk);
        QImage shown = dlg.grab().toImage();
        QCOMPARE(shown.pixel(204, 169), kInk);
        QCOMPARE(shown.pixel(204 + 243, 169 + 63), kBackground);  // no start hint over it
        QCOMPARE(dlg.startHint(), 1);
        // ...and by hand-overs.
        LcdSetScreenPixel(0, 0, kLcdBackground);
        LcdSetScreenPixel(243, 63, kLcdInk);
        ShowLcd();
        shown = dlg.grab().toImage();
        QCOMPARE(shown.pixel(204, 169), kBackground);
        QCOMPARE(shown.pixel(204 + 243, 169 + 63), kInk);

        // "Normal" afterwards does not turn the panel back in demo mode.
        fw.swivelMode = 0;
        dlg.grab();
        QCoreApplication::processEvents();
        QCOMPARE(dlg.layoutTurned(), 1);
        QCOMPARE(dlg.skinApplications(), 1);
    }

    void handOverWithoutWindowReportsAndDrawsNothing() {
        FrontPanelDialog dlg;
        const QImage before = dlg.presentedLcd();
        FillLcd(kLcdInk);
        DriverSetHandOver(ShowLcdOnPanel, nullptr);
        ShowLcd();
        ShowLcd();  // every call tries again
        DriverSetHandOver(ShowLcdOnPanel, &dlg);
        QCOMPARE(messages.size(), 2);
        QCOMPARE(messages.at(0).text, QStringLiteral("Could not display graph!"));
        QVERIFY(!messages.at(0).caption.isEmpty());
        QCOMPARE(dlg.presentedLcd(), before);
        ShowLcd();
        QCOMPARE(messages.size(), 2);
        QCOMPARE(dlg.presentedLcd().pixel(0, 0), kInk);
    }

    void popupMenuLayoutAndCheckMarks() {
        FrontPanelDialog dlg;
        std::unique_ptr<QMenu> menu = dlg.BuildMenu();
        QStringList top;
        for (QAction* a : menu->actions()) top << (a->isSeparator() ? QStringLiteral("-") : a->text());
        // The device's rows in their order with ours among them; "Exit" last.
        QCOMPARE(top, (QStringList{"Demo Mode", "Real Mode", "Log Counts to File\u2026", "-", "Remote Control",
                                   "Test Commands", "-", "View", "-", "Save State\u2026", "Load State\u2026", "-",
                                   "Guide", "About", "-", "Exit"}));
        QList<int> ids;
        QStringList texts;
        QList<int> own;
        for (QAction* a : AllActions(menu.get())) {
            if (ZoomOfCommand(a->data().toInt()) == 0) QVERIFY(a->isEnabled());
            if (IsOwnCommand(a->data().toInt())) {
                own << a->data().toInt();
                continue;
            }
            ids << a->data().toInt();
            texts << a->text();
        }
        QCOMPARE(own, (QList<int>{kCmdLogCounts, kCmdZoom100, kCmdZoom150, kCmdZoom200, kCmdZoom300, kCmdCopyLcd,
                                  kCmdSaveLcdPng, kCmdSavePanelPng, kCmdAlwaysOnTop, kCmdSound, kCmdChart,
                                  kCmdRecordScript, kCmdRecordGif, kCmdSaveState, kCmdLoadState, kCmdGuide}));
        QCOMPARE(ids, (QList<int>{32772, 32777, 32778, 32779, 32780, 32771, 32785, 32788, 32789, 32790,
                                  32791, 32792, 32793, 32794, 32786, 57665}));
        QCOMPARE(texts.mid(7, 7), (QStringList{"<HEARTBEAT1>>", "<HEARTBEAT0>>", "<KEY0>>", "<KEY1>>",
                                               "<KEY2>>", "<KEY3>>", "<POWEROFF>>"}));
        QCOMPARE(CheckedIds(menu.get()), QList<int>{kCmdDemoMode});

        realMode = 1;
        portNumber = 2;
        QCOMPARE(CheckedIds(dlg.BuildMenu().get()), QList<int>{kCmdRemoteControl});
        portNumber = 9;
        QCOMPARE(CheckedIds(dlg.BuildMenu().get()), (QList<int>{kCmdOtherPort, kCmdRemoteControl}));
        portNumber = 5;
        remoteControl = 0;
        QCOMPARE(CheckedIds(dlg.BuildMenu().get()), QList<int>{kCmdCom5});
    }

    // "Sound" starts checked and silences; "Chart…" opens a window that is
    // not modal and gains a sample every second the device ticks, which the
    // listener (the MQTT feed) hears of with the run's totals.
    void soundRowAndChartWindow() {
        FrontPanelDialog dlg;
        auto checked = [&](int id) {
            std::unique_ptr<QMenu> menu = dlg.BuildMenu();
            for (QAction* a : AllActions(menu.get()))
                if (a->data().toInt() == id) return a->isCheckable() && a->isChecked();
            return false;
        };
        QVERIFY(checked(kCmdSound));
        dlg.OnMenuCommand(kCmdSound);
        QVERIFY(!checked(kCmdSound));
        QVERIFY(!dlg.rateHost().soundOn());
        dlg.OnMenuCommand(kCmdChart);
        QWidget* chart = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == QStringLiteral("Chart of the rate")) chart = w;
        QVERIFY(chart != nullptr);
        QVERIFY(!chart->isModal());
        std::vector<RateSample> heard;
        dlg.rateHost().SetSecondListener([&](const RateSample& s) { heard.push_back(s); });
        dlg.ClickKey(KeySelect);
        for (int i = 0; i < 20; ++i) dlg.HalfSecondEvent();
        const std::vector<RateSample> samples = dlg.rateHost().history().Last(60);
        QVERIFY(!samples.empty());
        QCOMPARE(samples.back().cpm, fw.cpm);
        QCOMPARE(heard.size(), samples.size());
        uint64_t total = 0;
        for (const RateSample& s : samples) total += uint64_t(s.count);
        QCOMPARE(heard.back().totalCount, total);
        dlg.rateHost().SetSecondListener({});
        chart->close();
    }

    // F1 opens the guide, made only then; it follows each screen, and the
    // LCD's marks explain themselves under the mouse.
    void guideFollowsTheScreenAndMarksExplainThemselves() {
        FrontPanelDialog dlg;
        QVERIFY(dlg.guide() == nullptr);
        QTest::keyClick(&dlg, Qt::Key_F1);
        QVERIFY(dlg.guide() != nullptr && dlg.guide()->isVisible());
        QVERIFY(dlg.guide()->html().contains(QStringLiteral("Switched off")));
        dlg.ClickKey(KeySelect);
        for (int i = 0; i < 8; ++i) dlg.HalfSecondEvent();
        QVERIFY2(dlg.guide()->html().contains(QStringLiteral("Reading: graph")), qPrintable(dlg.guide()->html()));
        QTest::keyClick(&dlg, Qt::Key_Space);
        QVERIFY(dlg.guide()->html().contains(QStringLiteral("Main menu: User options")));
        const QRect lcd = dlg.lcdAccessible()->geometry();  // 2 window pixels per LCD pixel at 100 %
        QVERIFY(dlg.MarkTipAt(lcd.topLeft() + QPoint(2 * 108 + 1, 2 * 3 + 1)).contains(QStringLiteral("Speaker")));
        QVERIFY(dlg.MarkTipAt(lcd.topLeft() + QPoint(2 * 60, 2 * 20)).isEmpty());
        // Beside the panel on the side with room, else the roomier side, on the screen.
        const QRect screen(0, 0, 1400, 900);
        QCOMPARE(PlaceBeside(QRect(100, 50, 524, 306), QSize(420, 600), screen), QRect(632, 50, 420, 600));
        QCOMPARE(PlaceBeside(QRect(800, 400, 524, 306), QSize(420, 600), screen), QRect(372, 300, 420, 600));
        QCOMPARE(PlaceBeside(QRect(300, 50, 524, 306), QSize(700, 600), screen).x(), 700);  // the right has more
    }

    // On the offscreen platform's 800 x 800 screen (533 and 400 square at
    // scale factors of 1.5 and 2, the *_ratio_* runs), a small one for the panel: a zoom
    // keeps it on the screen, the levels it cannot fit at are greyed, and
    // the chart opens beside it, with the program's icon.
    void panelAndChartStayInView() {
        FrontPanelDialog dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QRect area = dlg.AvailableArea();
        const bool roomy = area.width() >= 800;
        dlg.move(area.right() - 300, area.bottom() - 200);  // partly off, as a drag may leave it
        QList<int> enabled;
        std::unique_ptr<QMenu> menu = dlg.BuildMenu();
        for (QAction* a : AllActions(menu.get()))
            if (ZoomOfCommand(a->data().toInt()) != 0 && a->isEnabled()) enabled << ZoomOfCommand(a->data().toInt());
        QCOMPARE(enabled, roomy ? (QList<int>{100, 150}) : QList<int>{100});
        QCOMPARE(dlg.LargestZoomThatFits(300), enabled.last());
        dlg.OnMenuCommand(kCmdZoom150);
        QCOMPARE(dlg.zoomPercent(), 150);
        if (roomy) QVERIFY(area.contains(dlg.frameGeometry()));
        QVERIFY(area.contains(dlg.frameGeometry().topLeft()));
        dlg.OnMenuCommand(kCmdZoom100);
        // At a factor of 2 the screen is smaller than the panel at 100 %.
        QCOMPARE(area.contains(dlg.frameGeometry()), area.width() >= 528);

        if (!roomy) return;  // no room for the chart beside the panel there
        dlg.OnMenuCommand(kCmdChart);
        QWidget* chart = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == QStringLiteral("Chart of the rate")) chart = w;
        QVERIFY(chart != nullptr);
        QVERIFY(!chart->frameGeometry().intersects(dlg.frameGeometry()));
        QVERIFY(area.contains(chart->frameGeometry()));
        QVERIFY(area.contains(dlg.frameGeometry()));
        QCOMPARE(chart->screen(), dlg.screen());
        QCOMPARE(chart->windowIcon().cacheKey(), dlg.windowIcon().cacheKey());
        QVERIFY(!dlg.windowIcon().isNull());
        chart->close();
    }

    // "Log Counts to File…" in demo mode opens the log and says that its
    // lines come in real mode only; the next file dialog, of any kind,
    // opens in the folder the log was put in.
    void logCountsInDemoModeAndTheLastFolder() {
        QTemporaryDir dir;
        FrontPanelDialog dlg;
        QString openedIn;
        const auto answerDialog = [&](const QString& file) {
            QTimer::singleShot(50, [&openedIn, file] {
                auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
                if (dialog == nullptr) return;
                openedIn = dialog->directory().absolutePath();
                if (file.isEmpty()) {
                    dialog->reject();
                    return;
                }
                dialog->selectFile(file);
                static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, as its Save button does
            });
        };
        answerDialog(dir.filePath(QStringLiteral("counts.csv")));
        dlg.OnMenuCommand(kCmdLogCounts);
        QVERIFY(CountLogActive());
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].text.startsWith(QStringLiteral("Counts are logged in real mode only.")),
                 qPrintable(messages[0].text));
        answerDialog(QString());
        dlg.OnMenuCommand(kCmdLoadState);
        QCOMPARE(openedIn, QDir(dir.path()).absolutePath());
        dlg.OnMenuCommand(kCmdLogCounts);
        QVERIFY(!CountLogActive());
    }

    // The chart's head: CPM over the span, lost seconds left out.
    void chartStatistics() {
        std::vector<RateSample> samples;
        for (uint32_t cpm : {10u, 20u, 1000u, 30u, 40u}) {
            RateSample s;
            s.cpm = cpm;
            s.lineLost = cpm == 1000;
            samples.push_back(s);
        }
        const CpmStats stats = CpmStatsOf(samples);
        QCOMPARE(stats.seconds, size_t(4));
        QCOMPARE(stats.mean, 25.0);
        QCOMPARE(stats.min, 10u);
        QCOMPARE(stats.max, 40u);
        QVERIFY(qAbs(stats.deviation - std::sqrt(125.0)) < 1e-9);
        QCOMPARE(CpmStatsOf({samples[2]}).seconds, size_t(0));
    }

    void exitEndsAfterAShortPause() {
        FrontPanelDialog dlg;
        dlg.show();
        readerRunning = 1;
        QSignalSpy finished(&dlg, &QDialog::finished);
        std::unique_ptr<QMenu> menu = dlg.BuildMenu();
        QAction* exitAction = nullptr;
        for (QAction* a : AllActions(menu.get()))
            if (a->data().toInt() == kCmdExit) exitAction = a;
        QVERIFY(exitAction != nullptr);
        QElapsedTimer clock;
        clock.start();
        exitAction->trigger();
        QCOMPARE(readerRunning.load(), 0);
        QCOMPARE(finished.count(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 2000);
        QVERIFY(clock.elapsed() >= 90);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));

        // Ids that are no menu command do nothing.
        FrontPanelDialog other;
        QSignalSpy otherFinished(&other, &QDialog::finished);
        for (int id : {0, 12345, 57666}) other.OnMenuCommand(id);
        QTest::qWait(150);
        QCOMPARE(otherFinished.count(), 0);
    }

    void alwaysOnTopKeepsTheWindowRunning() {
        FrontPanelDialog dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QSignalSpy finished(&dlg, &QDialog::finished);
        for (bool onTop : {true, false}) {
            dlg.OnMenuCommand(kCmdAlwaysOnTop);
            QCoreApplication::processEvents();
            QCOMPARE(finished.count(), 0);  // hiding a dialog would end it, and the program
            QVERIFY(dlg.isVisible());
            QCOMPARE(bool(dlg.windowHandle()->flags() & Qt::WindowStaysOnTopHint), onTop);
            const std::unique_ptr<QMenu> menu = dlg.BuildMenu();
            for (QAction* a : AllActions(menu.get()))
                if (a->data().toInt() == kCmdAlwaysOnTop) QCOMPARE(a->isChecked(), onTop);
        }
    }

    void escapeAndEnterEndAtOnce() {
        for (Qt::Key k : {Qt::Key_Escape, Qt::Key_Return, Qt::Key_Enter}) {
            FrontPanelDialog dlg;
            dlg.show();
            QSignalSpy finished(&dlg, &QDialog::finished);
            QTest::keyClick(&dlg, k);
            QCOMPARE(finished.count(), 1);
        }
    }

    void draggingMovesTheWindowButNeverBelowZero() {
        if (QGuiApplication::platformName() == QLatin1String("wayland")) {
            // The compositor moves windows: the press hands over to it, quietly.
            FrontPanelDialog dlg;
            dlg.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dlg));
            QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
            QMouseEvent press(QEvent::MouseButtonPress, QPointF(450, 280), dlg.mapToGlobal(QPointF(450, 280)),
                              Qt::LeftButton, Qt::LeftButton, {});
            QApplication::sendEvent(&dlg, &press);
            QVERIFY(!dlg.dragging());
            QSKIP("the compositor moves windows");
        }
        FrontPanelDialog dlg;
        dlg.move(100, 100);
        auto send = [&](QEvent::Type type, QPoint local, QPoint global, Qt::MouseButtons held) {
            QMouseEvent event(type, QPointF(local), QPointF(global),
                              type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, held, {});
            QApplication::sendEvent(&dlg, &event);
        };
        send(QEvent::MouseButtonPress, {450, 280}, {550, 380}, Qt::LeftButton);  // not on a key
        QVERIFY(dlg.dragging());
        QCOMPARE(dlg.cursor().shape(), Qt::SizeAllCursor);
        send(QEvent::MouseMove, {0, 0}, {580, 350}, Qt::LeftButton);
        QCOMPARE(dlg.pos(), QPoint(130, 70));
        send(QEvent::MouseMove, {0, 0}, {350, 480}, Qt::LeftButton);
        QCOMPARE(dlg.pos(), QPoint(0, 200));
        send(QEvent::MouseMove, {0, 0}, {600, 100}, Qt::LeftButton);
        QCOMPARE(dlg.pos(), QPoint(150, 0));
        QCOMPARE(dlg.size(), QSize(528, 313));
        send(QEvent::MouseButtonRelease, {0, 0}, {600, 100}, Qt::NoButton);
        QVERIFY(!dlg.dragging());
        send(QEvent::MouseMove, {0, 0}, {900, 900}, Qt::NoButton);
        QCOMPARE(dlg.pos(), QPoint(150, 0));
        QCOMPARE(dlg.cursor().shape(), Qt::ArrowCursor);
    }
};

QTEST_MAIN(FrontPanelTest)
#include "front_panel_test.moc"
