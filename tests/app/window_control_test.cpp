// The window as others drive it: a device saved in the window loads in the
// runner and back, byte for byte, and shows at once; refused files change
// nothing; the control socket's presses go the way of a click.

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <sstream>
#include <sys/stat.h>

#include "app/control_server.h"
#include "app/front_panel_dialog.h"
#include "app/host_state.h"
#include "firmware/state.h"
#include "app/link_panel.h"
#include "app/offscreen_surface.h"
#include "core/presentation.h"
#include "firmware/state.h"
#include "core/bounded_read.h"
#include "media/panel_render.h"
#include "platform/clock.h"
#include "tools/run/runner.h"

namespace {

QStringList messages;
void RecordMessage(const QString& text, const QString&) { messages << text; }

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

void Periods(FrontPanelDialog& dialog, int n) {
    for (int i = 0; i < n; ++i) dialog.HalfSecondEvent();
}

}  // namespace

class WindowControlTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

private:
    DeviceStart start;

private slots:
    void initTestCase() {
        SetMessageBoxFunction(RecordMessage);
        std::time_t clock = 0;
        QVERIFY(RtcParseLocalTime("2026-03-14T15:09:26", 19, &clock));
        start = {clock, 4242};
    }
    void init() { messages.clear(); }

    void windowAndRunnerLoadEachOthersStates() {
        QByteArray windowBytes;
        {
            FrontPanelDialog dialog(100, start);
            // On, then "Display Option" > "Swivel Display" stepped to "Swivel":
            // the panel turns for good.
            for (auto [n, key] : {std::pair{3, KeySelect}, {7, KeySelect}, {1, KeyDown}, {0, KeySelect},
                                  {1, KeyDown}, {0, KeyDown}, {2, KeyDown}, {0, KeyDown}, {1, KeyDown},
                                  {0, KeyDown}, {0, KeyDown}, {1, KeySelect}, {2, KeySelect}}) {
                Periods(dialog, n);
                dialog.ClickKey(uint8_t(key));
            }
            Periods(dialog, 9);
            QCOMPARE(dialog.layoutTurned(), uint8_t(1));
            QVERIFY(dialog.SaveState(Path("window.gsst")));
            windowBytes = ReadAll(Path("window.gsst"));
        }
        QVERIFY(windowBytes.startsWith("GEIGSNAP"));
        {
            geigerrun::Runner runner;
            runner.Start();
            std::string error;
            std::ostringstream out;
            QVERIFY2(runner.Load(Path("window.gsst").toStdString(), error), error.c_str());
            QCOMPARE(runner.panelLayout(), 1);
            QVERIFY2(runner.Save(Path("resaved.gsst").toStdString(), out, error), error.c_str());
            QCOMPARE(ReadAll(Path("resaved.gsst")), windowBytes);
            // On by three seconds and a half and a key, so that the picture
            // handed over and the clock both moved.
            runner.Press(KeyUp);
            runner.Wait(7);
            QVERIFY2(runner.Save(Path("runner.gsst").toStdString(), out, error), error.c_str());
        }

        // A fresh window, upright with its hint, takes it all at once.
        FrontPanelDialog fresh(100, start);
        QCOMPARE(fresh.startHint(), uint8_t(1));
        QString error;
        QVERIFY2(fresh.LoadState(Path("runner.gsst"), error), qPrintable(error));
        QCOMPARE(fresh.layoutTurned(), uint8_t(1));
        QCOMPARE(fresh.startHint(), uint8_t(0));
        QCOMPARE(fresh.powerKeySeen(), uint8_t(1));
        QCOMPARE(fresh.CurrentScene().frameColour, kFrameLitGrey);
        QCOMPARE(fresh.presentedLcd(), LcdImageOf(fresh.handedOverBits()));
        QVERIFY(fresh.SaveState(Path("again.gsst")));
        QCOMPARE(ReadAll(Path("again.gsst")), ReadAll(Path("runner.gsst")));
        // A key after the load shows at once.
        fresh.ClickKey(KeyDown);
        QVERIFY(std::memcmp(&fresh.handedOverBits(), &LcdSurface, sizeof(LcdBits)) == 0);
        QVERIFY(messages.isEmpty());
    }

    // A press names the key the device gets: with the display swivelled
    // (the state saved above) it goes through the panel key drawn the other
    // way round, and the first Select/Power ends the hint as a click does.
    void controlPressesAreClicks() {
        FrontPanelDialog dialog(100, start);
        WindowControlHost host(dialog);
        const std::string error = host.Refusal(geigerrun::StepCommand(script::RealStep({5})));
        QVERIFY2(error.find("serial port") != std::string::npos, error.c_str());
        host.Step(script::PressStep(KeySelect));
        QCOMPARE(dialog.startHint(), uint8_t(0));
        QCOMPARE(dialog.powerKeySeen(), uint8_t(1));

        QString why;
        auto stateAfter = [&](const std::function<void()>& press) {
            if (!dialog.ReadState(Path("window.gsst"), why)) return std::string();
            press();
            return dialog.StateBytes();
        };
        const std::string viaSocket = stateAfter([&] { host.Step(script::PressStep(KeyDown)); });
        QVERIFY2(!viaSocket.empty() && DriverDisplaySwivelled(), qPrintable(why));
        QVERIFY(viaSocket == stateAfter([] { DriverPress(KeyDown); }));
        QVERIFY(viaSocket != stateAfter([] { DriverPress(KeyUp); }));
        script::Step thrice = script::PressStep(KeyDown);
        thrice.times = 3;
        QVERIFY(stateAfter([&] { host.Step(thrice); }) ==
                stateAfter([] { DriverPress(KeyDown); DriverPress(KeyDown); DriverPress(KeyDown); }));
    }

    void refusedStatesChangeNothing() {
        FrontPanelDialog dialog(100, start);
        dialog.ClickKey(KeySelect);
        Periods(dialog, 6);
        QVERIFY(dialog.SaveState(Path("good.gsst")));
        const QByteArray good = ReadAll(Path("good.gsst"));
        QByteArray damaged = good;
        damaged[damaged.size() - 5] = char(damaged[damaged.size() - 5] ^ 0x10);
        QVERIFY(WriteAll(Path("damaged.gsst"), damaged));
        QVERIFY(WriteAll(Path("short.gsst"), good.left(good.size() - 3)));
        QVERIFY(WriteAll(Path("other.gsst"), QByteArray("GEIGSNAP\x03\x00", 10) + good.mid(10)));
        Periods(dialog, 3);

        // Real mode stays while the file is refused.
        realMode = 1;
        QVERIFY(dialog.SaveState(Path("before.gsst")));
        // Nobody ever writes the pipe: the window refuses it rather than wait.
        QVERIFY(::mkfifo(Path("pipe.gsst").toLocal8Bit().constData(), 0600) == 0);
        QFile huge(Path("huge.gsst"));
        QVERIFY(huge.open(QIODevice::WriteOnly) && huge.resize(qint64(SnapshotFile().maxBytes) + 1));
        huge.close();
        for (auto [name, reason] : {std::pair{"damaged.gsst", "damaged"}, {"short.gsst", "cut short"},
                                    {"other.gsst", "another snapshot format"}, {"missing.gsst", "No such file"},
                                    {"pipe.gsst", "not a regular file (a named pipe)"},
                                    {"huge.gsst", "too large for a snapshot"}}) {
            QString error;
            QVERIFY(!dialog.LoadState(Path(name), error));
            QVERIFY2(error.contains(Path(name)) && error.contains(QString::fromLatin1(reason)), qPrintable(error));
            QCOMPARE(realMode, uint8_t(1));
        }
        QVERIFY(dialog.SaveState(Path("after.gsst")));
        QCOMPARE(ReadAll(Path("after.gsst")), ReadAll(Path("before.gsst")));

        // A good one leaves real mode first, and says so.
        QString error;
        QVERIFY2(dialog.LoadState(Path("good.gsst"), error), qPrintable(error));
        QCOMPARE(realMode, uint8_t(0));
        QVERIFY(dialog.linkPanel()->notice()->text().contains(QStringLiteral("demo mode")));
        QVERIFY(dialog.SaveState(Path("loaded.gsst")));
        QCOMPARE(ReadAll(Path("loaded.gsst")), good);

        // A file that cannot be written is shown, and nothing is left behind.
        QVERIFY(!dialog.SaveState(Path("no/such/folder.gsst")));
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages[0].startsWith(QStringLiteral("Could not save ") + Path("no/such/folder.gsst")),
                 qPrintable(messages[0]));
    }
};

QTEST_MAIN(WindowControlTest)
#include "window_control_test.moc"
