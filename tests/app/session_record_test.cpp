// Recording a window session: the script text (merged waits on the 500 ms
// grid, presses, real counts and the return to demo), a session driven
// through the window replayed by the runner to the same picture and state,
// a recording refused in real mode and a failing file.

#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>
#include <sstream>

#include "app/front_panel_dialog.h"
#include "app/host_state.h"
#include "firmware/state.h"
#include "app/popup_menu.h"
#include "app/session_script.h"
#include "firmware/state.h"
#include "menu_probe.h"
#include "platform/clock.h"
#include "platform/lcd.h"
#include "script/commands/lcd_dump.h"
#include "script/commands/parse.h"
#include "script/commands/state_json.h"
#include "tools/run/runner.h"

#include "../platform/lcd_picture.h"

namespace {

using lcdtest::SurfacePicture;

QStringList messages;
void RecordMessage(const QString& text, const QString&) { messages << text; }

bool RecordChecked(FrontPanelDialog& dialog) { return CheckedIn(dialog.BuildMenu().get(), kCmdRecordScript); }

}  // namespace

class SessionRecordTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { SetMessageBoxFunction(RecordMessage); }
    void init() { messages.clear(); }

    void scriptText() {
        SessionScript script;
        std::string text;
        for (int i = 0; i < 5; ++i) text += script.Period(i % 2 == 1, false, 7);
        QCOMPARE(text, std::string());  // held back until something happens
        text += script.Press(KeySelect);
        text += script.Press(KeyUp);  // no wait between two presses in one period
        // Real mode from the second tick that reads it: its count goes out
        // with the wait that consumes it; the switch back emits demo.
        text += script.Period(false, true, 0);
        text += script.Period(true, true, 5);
        text += script.Period(false, true, 0);
        text += script.Period(true, true, -1);
        text += script.Press(KeyDown);
        text += script.Period(false, false, 0);
        text += script.Period(true, false, 9);
        text += script.Finish();
        QCOMPARE(text, std::string("wait 2.5s\npress select\npress up\n"
                                   "wait 500ms\nreal 5 -1\nwait 1.5s\npress down\n"
                                   "wait 500ms\ndemo\nwait 500ms\n"));

        // A long real-mode spell reaches the file a line of counts at a time.
        SessionScript real;
        std::string lines;
        for (int i = 0; i < 2 * 61; ++i) lines += real.Period(i % 2 == 1, true, i);
        QCOMPARE(std::count(lines.begin(), lines.end(), '\n'), 3);  // wait 500ms, real x60, wait
        QVERIFY(lines.starts_with("wait 500ms\nreal 1 3 ") && lines.ends_with(" 119\nwait 59.5s\n"));
        QCOMPARE(real.Finish(), std::string("real 121\nwait 1s\n"));

        // A demo rate in force is set up as the replay starts.
        const std::string header = SessionScriptHeader({"0.1", 0, 7, 40, "s.txt"});
        QVERIFY2(header.ends_with("seed 7\ndemo rate 40\n"), header.c_str());
    }

    void windowSessionReplaysExactly() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("my session.txt"));
        std::time_t clock = 0;
        QVERIFY(RtcParseLocalTime("2026-03-14T15:09:26", 19, &clock));
        FrontPanelDialog dialog(100, {clock, 4242});
        QVERIFY(!RecordChecked(dialog));
        // Something happened before the recording: it starts from power-on anyway.
        dialog.ClickKey(KeySelect);
        for (int i = 0; i < 3; ++i) dialog.HalfSecondEvent();
        QVERIFY(dialog.StartRecording(path));
        QVERIFY(RecordChecked(dialog));
        QCOMPARE(fw.powered, uint8_t(0));
        QCOMPARE(dialog.startHint(), uint8_t(1));

        auto periods = [&](int n) {
            for (int i = 0; i < n; ++i) dialog.HalfSecondEvent();
        };
        // On at an odd period; panel keys and the keyboard path, with and
        // without periods between them; into "Display Option" and its
        // "Swivel Display" editor, stepped to "Swivel".
        // A key plus 4: the keyboard's way to it.
        for (auto [n, key] : {std::pair{3, +KeySelect}, {7, KeySelect + 4}, {1, +KeyDown}, {0, KeySelect + 4},
                              {1, +KeyDown}, {0, KeyDown + 4}, {2, +KeyDown}, {0, +KeyDown}, {1, +KeyDown},
                              {0, +KeyDown}, {0, +KeyDown}, {1, +KeySelect}, {2, KeySelect + 4}}) {
            periods(n);
            if (key >= 4) dialog.PressKeyboard(uint8_t(key - 4));
            else dialog.ClickKey(uint8_t(key));
        }
        // Once the box has closed, Up and Down swap in the menu: the script
        // names the key the device got.
        periods(9);
        QCOMPARE(fw.displayTurned, uint8_t(1));
        dialog.ClickKey(KeyUp);
        dialog.PressKeyboard(KeyUp);
        periods(1);
        // Real mode as a port and its report timer set it: counts change
        // between periods and hold over a second without a new report.
        realMode = 1;
        for (int32_t count : {120, 0, 16383, 16383, 3, 3, 77, -1}) {
            fw.realCount = count;
            periods(1);
        }
        dialog.ClickKey(KeyUp);
        fw.realCount = 500;
        periods(5);
        realMode = 0;  // "Demo Mode"
        periods(9);
        dialog.PressKeyboard(KeyUp);
        periods(2);
        dialog.StopRecording();
        QVERIFY(!dialog.recording());
        const std::string windowState = geigerrun::StateJson(0, 0);
        const std::string windowLcd = geigerrun::LcdText(SurfacePicture());

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const std::string script = file.readAll().toStdString();
        QVERIFY2(script.find("# replay: geigersim-run '" + path.toStdString() +
                             "'\nclock 2026-03-14T15:09:26\nseed 4242\n") != std::string::npos,
                 script.c_str());

        std::vector<geigerrun::Command> commands;
        std::string error;
        QVERIFY2(geigerrun::Parse(script, "", commands, error), error.c_str());
        geigerrun::Runner runner;
        runner.Start(geigerrun::WithSetUp(commands, {}));
        std::ostringstream out;
        QVERIFY2(runner.Run(commands, out, error), error.c_str());
        QCOMPARE(geigerrun::LcdText(SurfacePicture()), windowLcd);
        QCOMPARE(geigerrun::StateJson(0, 0), windowState);
    }

    void refusedAndFailedRecordings() {
        FrontPanelDialog dialog;
        // In real mode the start state would drop realMode under a running link.
        realMode = 1;
        fw.realCount = 12;
        QVERIFY(!dialog.StartRecording(QDir::temp().filePath(QStringLiteral("never.txt"))));
        QCOMPARE(realMode, uint8_t(1));
        QCOMPARE(fw.realCount, 12);
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains(QStringLiteral("\"Demo Mode\"")));
        realMode = 0;

        // A write error is shown once and ends the recording.
        messages.clear();
        QVERIFY(!dialog.StartRecording(QStringLiteral("/dev/full")));
        QVERIFY(!dialog.recording());
        dialog.ClickKey(KeySelect);
        for (int i = 0; i < 4; ++i) dialog.HalfSecondEvent();
        dialog.StopRecording();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith(QStringLiteral("Could not write the recording /dev/full")));
    }
};

QTEST_MAIN(SessionRecordTest)
#include "session_record_test.moc"
