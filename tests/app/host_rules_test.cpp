// The window's pure rules: command line, dragging, key mapping, pop-up check
// marks, stored window shapes, key shapes and the 180-degree LCD turn.

#include <QFile>
#include <QtEndian>
#include <QtTest>

#include "app/alarm_notice.h"
#include "app/help_text.h"
#include "app/host_state.h"
#include "app/launch_options.h"
#include "app/offscreen_surface.h"
#include "app/popup_menu.h"
#include "app/shaped_key_button.h"
#include "app/skin_image.h"
#include "app/module_parts.h"
#include "app/sound_player.h"
#include "firmware/state.h"
#include "media/resource_ids.h"

namespace {

QByteArray RegionBlob(std::initializer_list<uint32_t> header, std::initializer_list<int32_t> body) {
    QByteArray data;
    for (uint32_t v : header) {
        char bytes[4];
        qToLittleEndian(v, bytes);
        data.append(bytes, 4);
    }
    for (int32_t v : body) {
        char bytes[4];
        qToLittleEndian(v, bytes);
        data.append(bytes, 4);
    }
    return data;
}

// An audio output with a buffer of `room` bytes that plays only what the
// test drains from it, as an output waiting for its buffer to fill does.
class FakeOutput : public SoundOutput {
public:
    explicit FakeOutput(qint64 room) : room_(room) {}
    int repeat() const override { return 1; }
    qint64 bytesFree() const override { return room_ - held_; }
    qint64 Write(const char* data, qint64 size) override {
        const qint64 taken = std::min(size, bytesFree());
        played.append(data, taken);
        held_ += taken;
        return taken;
    }
    void Drain(qint64 bytes) { held_ -= std::min(bytes, held_); }
    QByteArray played;  // everything handed over, in order

private:
    qint64 room_;
    qint64 held_ = 0;
};

QByteArray Second(char fill, int bytes = 1000) { return QByteArray(bytes, fill); }

// A well-formed two-rectangle shape: header, bounds, then the list.
QByteArray TwoRectangles() {
    return RegionBlob({32, 1, 2, 32}, {0, 0, 10, 10, 0, 0, 10, 5, 0, 5, 8, 10});
}

}  // namespace

class HostRulesTest : public QObject {
    Q_OBJECT

private slots:
    // The sign follows each alarm second; the notification comes once an alarm.
    void alarmSignAndOneNotificationPerAlarm() {
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent");  // no service: nothing breaks
        DriverSecond s{};
        s.cpm = 291;
        s.alarmInCpm = true;
        s.alarmLevelCpm = 100;
        s.alarmShown = true;
        QCOMPARE(AlarmText(s), std::string("Alarm: 291 CPM, level 100"));
        DriverSecond dose = s;
        dose.alarmInCpm = false;
        dose.doseRate = 2.456f;
        dose.alarmLevelUsv = 1.0f;
        QCOMPARE(AlarmText(dose), std::string("Alarm: 2.46 uSv/h, level 1.00 uSv/h"));
        dose.doseInMr = true;
        QCOMPARE(AlarmText(dose), std::string("Alarm: 0.246 mR/h, level 0.100 mR/h"));

        QStringList signs;
        AlarmNotice notice([&](const QString& text) { signs << text; });
        notice.NoteSecond(s);
        s.cpm = 300;
        notice.NoteSecond(s);
        s.alarmShown = false;
        notice.NoteSecond(s);
        notice.NoteSecond(s);
        s.alarmSounds = true;  // the tone or the LED alone: an alarm either way
        notice.NoteSecond(s);
        QCOMPARE(signs, QStringList({"Alarm: 291 CPM, level 100", "Alarm: 300 CPM, level 100", "",
                                     "Alarm: 300 CPM, level 100"}));
        QCOMPARE(notice.notificationsSent(), 2);
    }

    void restartSwitch_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("restart");
        QTest::newRow("double dash") << QStringList{"geigersim", "--Restart"} << true;
        QTest::newRow("dash and one char") << QStringList{"geigersim", "-xRestart"} << true;
        QTest::newRow("slash and one char") << QStringList{"geigersim", "/xRestart"} << true;
        QTest::newRow("text after it") << QStringList{"geigersim", "-doRestartNow"} << true;
        QTest::newRow("single slash") << QStringList{"geigersim", "/Restart"} << false;
        QTest::newRow("single dash") << QStringList{"geigersim", "-Restart"} << false;
        QTest::newRow("not a switch") << QStringList{"geigersim", "xRestart"} << false;
        QTest::newRow("other case") << QStringList{"geigersim", "--restart"} << false;
        QTest::newRow("third token only") << QStringList{"geigersim", "-v", "--Restart"} << false;
        QTest::newRow("no arguments") << QStringList{"geigersim"} << false;
        QTest::newRow("empty token") << QStringList{"geigersim", ""} << false;
        QTest::newRow("bare dash") << QStringList{"geigersim", "-"} << false;
    }
    void restartSwitch() {
        QFETCH(QStringList, args);
        QFETCH(bool, restart);
        QCOMPARE(RestartSwitchGiven(args), restart);
    }

    // The command line as a whole: only the second token can press the key,
    // what the program does not know starts it with a warning, a documented
    // option's bad value stops it.
    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");  // -1: the window starts
        QTest::addColumn<bool>("restart");
        QTest::addColumn<int>("zoom");
        QTest::addColumn<QString>("ignored");  // named in the warning; empty: no warning
        QTest::newRow("single slash") << QStringList{"geigersim", "/Restart"} << -1 << false << 100 << "'/Restart'";
        QTest::newRow("single dash") << QStringList{"geigersim", "-Restart"} << -1 << false << 100 << "'-Restart'";
        QTest::newRow("no switch") << QStringList{"geigersim", "Restart"} << -1 << false << 100 << "'Restart'";
        QTest::newRow("switch, then options") << QStringList{"geigersim", "--Restart", "-zoom", "200"} << -1 << true
                                              << 200 << "";
        QTest::newRow("switch too late") << QStringList{"geigersim", "--zoom=150", "--Restart"} << -1 << false << 150
                                         << "'--Restart'";
        QTest::newRow("unknown, its value, then options")
            << QStringList{"geigersim", "--frob", "7", "--zoom", "300"} << -1 << false << 300 << "'7'";
        QTest::newRow("bad zoom") << QStringList{"geigersim", "--frob", "--zoom", "250"} << 2 << false << 100 << "";
        QTest::newRow("zoom without value") << QStringList{"geigersim", "--zoom"} << 2 << false << 100 << "";
        QTest::newRow("state with record")
            << QStringList{"geigersim", "--state", "a.gsst", "--record", "b.txt"} << 2 << false << 100 << "";
        QTest::newRow("help") << QStringList{"geigersim", "--frob", "--help"} << 0 << false << 100 << "";
        QTest::newRow("mqtt") << QStringList{"geigersim", "--mqtt", "mqtt://h:1884", "--mqtt-id", "a-1", "--mqtt-demo"}
                              << -1 << false << 100 << "";
        QTest::newRow("mqtt port") << QStringList{"geigersim", "--mqtt", "mqtt://h:70000"} << 2 << false << 100 << "";
        QTest::newRow("mqtt login missing")
            << QStringList{"geigersim", "--mqtt", "mqtt://h", "--mqtt-auth", "/nonexistent/auth"} << 2 << false << 100
            << "";
        QTest::newRow("mqtt id") << QStringList{"geigersim", "--mqtt", "mqtt://h", "--mqtt-id", "a/b"} << 2 << false
                                 << 100 << "";
        QTest::newRow("mqtt-demo alone") << QStringList{"geigersim", "--mqtt-demo"} << 2 << false << 100 << "";
        QTest::newRow("demo rate") << QStringList{"geigersim", "--demo-rate", "40"} << -1 << false << 100 << "";
        QTest::newRow("demo rate 0") << QStringList{"geigersim", "--demo-rate", "0"} << 2 << false << 100 << "";
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(bool, restart);
        QFETCH(int, zoom);
        QFETCH(QString, ignored);
        LaunchOptions options;
        const LaunchDecision d = ParseLaunchOptions(args, &options);
        QCOMPARE(d.run ? -1 : d.exitCode, exitCode);
        if (exitCode == 0) QVERIFY(d.out.startsWith(QStringLiteral("Usage: geigersim")));
        if (exitCode == 2) QVERIFY2(d.err.startsWith(QStringLiteral("geigersim: ")), qPrintable(d.err));
        if (!d.run) return;
        QCOMPARE(options.restart, restart);
        QCOMPARE(options.zoomPercent, zoom);
        QCOMPARE(d.err.isEmpty(), ignored.isEmpty());
        if (!ignored.isEmpty()) QVERIFY2(d.err.contains(ignored) && d.err.endsWith(u'\n'), qPrintable(d.err));
    }

    void dragFollowsCursorAndStopsAtScreenOrigin() {
        QCOMPARE(DragTarget({100, 200}, {500, 500}, {530, 480}), QPoint(130, 180));
        QCOMPARE(DragTarget({100, 200}, {500, 500}, {300, 480}), QPoint(0, 180));
        QCOMPARE(DragTarget({100, 200}, {500, 500}, {520, 100}), QPoint(120, 0));
        QCOMPARE(DragTarget({100, 200}, {500, 500}, {-900, -900}), QPoint(0, 0));
        QCOMPARE(DragTarget({0, 0}, {10, 10}, {10, 10}), QPoint(0, 0));
    }

    // A zoom grows about the centre and keeps the window on the screen; the
    // chart goes beside the panel, shrunk before it would cover it.
    void windowsStayInView() {
        const QRect screen(0, 0, 1024, 600);
        QCOMPARE(GeometryAround({100, 100, 200, 100}, {400, 200}, screen), QRect(0, 50, 400, 200));
        QCOMPARE(GeometryAround({800, 500, 200, 100}, {400, 200}, screen), QRect(624, 400, 400, 200));
        QCOMPARE(GeometryAround({300, 200, 400, 200}, {200, 100}, screen), QRect(400, 250, 200, 100));
        QCOMPARE(GeometryAround({300, 200, 400, 200}, {1584, 939}, screen).topLeft(), QPoint(0, 0));

        const QSize want(500, 300), least(300, 200);
        QCOMPARE(PlaceBeside({0, 100, 400, 250}, want, least, screen, 8), QRect(408, 100, 500, 300));
        QCOMPARE(PlaceBeside({600, 400, 400, 180}, want, least, screen, 8), QRect(92, 300, 500, 300));
        QCOMPARE(PlaceBeside({300, 0, 500, 250}, want, least, screen, 8), QRect(300, 258, 500, 300));
        // Room for the least size only: as wide as the room on the right.
        QCOMPARE(PlaceBeside({200, 100, 500, 250}, want, least, screen, 8), QRect(708, 100, 316, 300));
        // No room anywhere: on the screen, over the panel.
        QVERIFY(screen.contains(PlaceBeside({100, 100, 800, 400}, want, least, screen, 8)));
    }

    // The README and the man page (help2man's, from --help) name every row
    // of the pop-up menu and every key as the window's tables have them.
    void helpListsAgree() {
        const auto read = [](const char* path) {
            QFile file(QString::fromUtf8(path));
            if (!file.open(QIODevice::ReadOnly)) return QString();
            return QString::fromUtf8(file.readAll()).simplified();
        };
        const QString readme = read(GEIGERSIM_README);
        QString man = read(GEIGERSIM_MAN_PAGE);
        for (const char* roff : {"\\-", "\\fB", "\\fR", "\\fI", "\\fP", "\\,", "\\/", "\\&"})
            man.remove(QString::fromLatin1(roff));
        QVERIFY(!readme.isEmpty() && !man.isEmpty());
        const QString plainHelp = KeysHelp(HelpText::Plain) + PopupMenuHelp(HelpText::Plain);
        for (const QString& row : PopupRowTexts(HelpText::Rich))
            QVERIFY2(readme.contains(u'"' + row + u'"'), qPrintable("README lacks \"" + row + "\""));
        for (const QString& row : PopupRowTexts(HelpText::Plain)) {
            QVERIFY2(man.contains(u'"' + row + u'"'), qPrintable("the man page lacks \"" + row + "\""));
            QVERIFY(plainHelp.contains(u'"' + row + u'"'));
        }
        for (uint8_t key = KeyBack; key <= KeySelect; ++key)
            for (const QString& text : {PanelKeyName(key), KeyboardKeysFor(key)}) {
                QVERIFY2(readme.contains(text), qPrintable("README lacks " + text));
                QVERIFY2(man.contains(text), qPrintable("the man page lacks " + text));
            }
        QVERIFY(readme.contains(QStringLiteral("Enter or Escape ends the program")));
    }

    void popupCheckMarks() {
        const int ports[] = {kCmdCom3, kCmdCom4, kCmdCom5, kCmdCom6, kCmdOtherPort};
        auto checkedPorts = [&](uint8_t port) {
            QList<int> checked;
            for (int id : ports)
                if (PopupItemChecked(id, 1, port, 1)) checked << id;
            return checked;
        };
        // Demo mode: only "Demo Mode", whatever the port and remote control say.
        QVERIFY(PopupItemChecked(kCmdDemoMode, 0, 2, 1));
        QVERIFY(!PopupItemChecked(kCmdRemoteControl, 0, 2, 1));
        QVERIFY(!PopupItemChecked(kCmdCom3, 0, 3, 1));
        // Real mode.
        QVERIFY(!PopupItemChecked(kCmdDemoMode, 1, 3, 1));
        QCOMPARE(checkedPorts(1), QList<int>{});
        QCOMPARE(checkedPorts(2), QList<int>{});
        QCOMPARE(checkedPorts(3), QList<int>{kCmdCom3});
        QCOMPARE(checkedPorts(6), QList<int>{kCmdCom6});
        QCOMPARE(checkedPorts(7), QList<int>{kCmdOtherPort});
        QCOMPARE(checkedPorts(9), QList<int>{kCmdOtherPort});
        QCOMPARE(checkedPorts(255), QList<int>{kCmdOtherPort});
        QVERIFY(PopupItemChecked(kCmdRemoteControl, 1, 2, 1));
        QVERIFY(!PopupItemChecked(kCmdRemoteControl, 1, 2, 0));
        for (int id : {kCmdAbout, kCmdExit, kCmdHeartbeat1, kCmdPowerOff})
            QVERIFY(!PopupItemChecked(id, 1, 7, 1));
    }

    void storedWindowShape() {
        QRegion region;
        QVERIFY(LoadRegionResource(kRegion143, &region));
        QCOMPARE(region.boundingRect(), QRect(0, 0, 528, 313));
        // The lower-right corner is cut in three steps.
        QVERIFY(region.contains(QPoint(527, 308)));
        QVERIFY(!region.contains(QPoint(527, 309)));
        QVERIFY(region.contains(QPoint(526, 310)));
        QVERIFY(!region.contains(QPoint(526, 311)));
        QVERIFY(region.contains(QPoint(525, 311)));
        QVERIFY(region.contains(QPoint(524, 312)));
        QVERIFY(!region.contains(QPoint(525, 312)));
        QVERIFY(region.contains(QPoint(0, 312)));
        QVERIFY(!LoadRegionResource(142, &region));
    }

    void regionParsing() {
        QRegion region;
        QVERIFY(ParseRegionData(TwoRectangles(), &region));
        QCOMPARE(region, QRegion(0, 0, 10, 5) + QRegion(0, 5, 8, 5));
    }

    void malformedRegionsAreRejected_data() {
        QTest::addColumn<QByteArray>("data");
        const QByteArray good = TwoRectangles();
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("header only, short") << good.left(31);
        QTest::newRow("list cut short") << good.left(good.size() - 1);
        QTest::newRow("trailing byte") << good + QByteArray(1, '\0');
        QTest::newRow("header size 33") << RegionBlob({33, 1, 2, 32}, {0, 0, 10, 10, 0, 0, 10, 5, 0, 5, 8, 10});
        QTest::newRow("type 2") << RegionBlob({32, 2, 2, 32}, {0, 0, 10, 10, 0, 0, 10, 5, 0, 5, 8, 10});
        QTest::newRow("byte size not 16 n") << RegionBlob({32, 1, 2, 48}, {0, 0, 10, 10, 0, 0, 10, 5, 0, 5, 8, 10});
        // 16 * 0x10000000 wraps to 0 in 32 bits: must not pass as an empty list.
        QTest::newRow("count overflows size") << RegionBlob({32, 1, 0x10000000u, 0}, {0, 0, 10, 10});
        QTest::newRow("count without list") << RegionBlob({32, 1, 3, 48}, {0, 0, 10, 10, 0, 0, 10, 5});
        QTest::newRow("inverted rectangle") << RegionBlob({32, 1, 1, 16}, {0, 0, 10, 10, 10, 0, 0, 5});
        QTest::newRow("absurd coordinates") << RegionBlob({32, 1, 1, 16}, {0, 0, 10, 10, INT32_MIN, 0, INT32_MAX, 5});
    }
    void malformedRegionsAreRejected() {
        QFETCH(QByteArray, data);
        QRegion region(1, 2, 3, 4);
        QVERIFY(!ParseRegionData(data, &region));
        QCOMPARE(region, QRegion(1, 2, 3, 4));  // left as it was
    }

    void emptyRectangleListIsAnEmptyShape() {
        QRegion region(1, 2, 3, 4);
        QVERIFY(ParseRegionData(RegionBlob({32, 1, 0, 0}, {0, 0, 0, 0}), &region));
        QVERIFY(region.isEmpty());
    }

    // An output that holds about a second gets every second whole and in
    // order as it plays; one that falls behind loses whole seconds, not
    // parts of them; and only whole 16-bit samples are handed over.
    void soundGoesAsTheOutputHasRoom() {
        FakeOutput out(1001);
        SoundQueue queue;
        QVERIFY(queue.Add(Second('a')));
        QVERIFY(!queue.Feed(out));
        QVERIFY(queue.Add(Second('b')));
        QVERIFY(queue.Feed(out));  // the buffer is full: the output starts to play
        QCOMPARE(out.played.size(), 1000);
        out.Drain(400);
        QVERIFY(queue.Feed(out));
        QCOMPARE(out.played.size(), 1400);  // the odd byte of room stays unused
        QVERIFY(!queue.Add(Second('c')));  // 600 bytes still wait: behind the counts
        out.Drain(1000);
        QVERIFY(!queue.Feed(out));
        QCOMPARE(out.played, Second('a') + Second('b'));
        QVERIFY(queue.Add(Second('d')));
        queue.Feed(out);
        QCOMPARE(out.played.right(out.played.size() - 2000), Second('d').left(out.played.size() - 2000));
        QCOMPARE(out.played.size() % 2, 0);
    }

    void keyEllipseHitTest() {
        const QSize key(35, 35);
        QVERIFY(ShapedKeyButton::InsideEllipse(key, {17, 17}));
        QVERIFY(ShapedKeyButton::InsideEllipse(key, {0, 17}));
        QVERIFY(ShapedKeyButton::InsideEllipse(key, {34, 17}));
        QVERIFY(ShapedKeyButton::InsideEllipse(key, {17, 0}));
        QVERIFY(ShapedKeyButton::InsideEllipse(key, {17, 34}));
        // The corners of the bounding box are not the key.
        for (QPoint p : {QPoint(0, 0), QPoint(34, 0), QPoint(0, 34), QPoint(34, 34), QPoint(4, 4), QPoint(30, 30)})
            QVERIFY2(!ShapedKeyButton::InsideEllipse(key, p), qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
        QVERIFY(!ShapedKeyButton::InsideEllipse(key, {-1, 17}));
        QVERIFY(!ShapedKeyButton::InsideEllipse(key, {35, 17}));
        QVERIFY(!ShapedKeyButton::InsideEllipse(QSize(0, 0), {0, 0}));

        // The drawn shape and the hit test agree pixel for pixel.
        for (QSize size : {QSize(35, 35), QSize(45, 45)}) {
            const QRegion shape = ShapedKeyButton::EllipseRegion(size);
            QCOMPARE(shape.boundingRect(), QRect(QPoint(0, 0), size));
            for (int y = -1; y <= size.height(); ++y)
                for (int x = -1; x <= size.width(); ++x)
                    QCOMPARE(shape.contains(QPoint(x, y)), ShapedKeyButton::InsideEllipse(size, {x, y}));
        }
    }
};

QTEST_APPLESS_MAIN(HostRulesTest)
#include "host_rules_test.moc"
