// The window's device-link commands on the offscreen platform: real mode
// chosen in the port dialog against a counter played on a pseudo-terminal,
// the report timer turning the panel, "Demo Mode", the test commands, the
// open error, and the port-settings and About dialogs.

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTextLayout>
#include <QtTest>

#include "../serial/link_wait.h"
#include "../serial/pty_device.h"
#include "app/front_panel_dialog.h"
#include "app/host_state.h"
#include "app/link_panel.h"
#include "app/popup_menu.h"
#include "app/shaped_key_button.h"
#include "firmware/firmware.h"
#include "firmware/state.h"
#include "menu_probe.h"
#include "recorded_messages.h"
#include "serial/about_dialog.h"
#include "app/help_text.h"
#include "serial/hyperlink_static.h"
#include "serial/modal_runner.h"
#include "serial/port_settings_dialog.h"
#include "serial/real_mode.h"
#include "serial/remote_control.h"
#include "serial/serial_port.h"

namespace {

QStringList details;
void RecordDetailedMessage(const QString& text, const QString& caption, const QString& informative) {
    messages.append({text, caption});
    details << informative;
}

// What the modal runner does with the next port dialog, and what it saw.
struct PortDialogScript {
    bool accept = true;
    QString portText;     // typed into the port field when not empty
    int rateIndex = -1;   // chosen when >= 0
    int stopBitIndex = -1;
    QStringList shown;    // the six lists' texts as the dialog opened
    int runs = 0;
    int aboutRuns = 0;
    QString aboutNote;  // the note under the About box's own controls
    bool aboutNoteFits = false;
};
PortDialogScript script;

int RunScripted(QDialog& dialog) {
    if (auto* about = dynamic_cast<AboutDialog*>(&dialog)) {
        ++script.aboutRuns;
        if (QLabel* note = about->note()) {
            script.aboutNote = note->text();
            script.aboutNoteFits = note->geometry().top() > about->link()->geometry().bottom() &&
                                   about->rect().contains(note->geometry());
        }
        about->okButton()->click();
        return about->result();
    }
    auto* port = dynamic_cast<PortSettingsDialog*>(&dialog);
    if (port == nullptr) return QDialog::Rejected;
    ++script.runs;
    script.shown = {port->portList()->currentText(),    port->rateList()->currentText(),
                    port->dataBitList()->currentText(), port->parityList()->currentText(),
                    port->stopBitList()->currentText(), port->controlList()->currentText()};
    if (!script.portText.isEmpty()) port->portList()->setEditText(script.portText);
    if (script.rateIndex >= 0) port->rateList()->setCurrentIndex(script.rateIndex);
    if (script.stopBitIndex >= 0) port->stopBitList()->setCurrentIndex(script.stopBitIndex);
    (script.accept ? port->okButton() : port->cancelButton())->click();
    return port->result();
}

bool openerAnswer = true;
int openerCalls = 0;
QUrl openedUrl;
bool FakeOpener(const QUrl& url) {
    ++openerCalls;
    openedUrl = url;
    return openerAnswer;
}

}  // namespace

class LinkCommandsTest : public QObject {
    Q_OBJECT

    PtyDevice device;

private slots:
    void initTestCase() {
        SetMessageBoxFunction(RecordMessage);
        SetModalRunner(RunScripted);
        HyperlinkStatic::SetUrlOpener(FakeOpener);
        QVERIFY(device.ok());
    }

    void init() {
        FirmwareReset();
        ResetLink();
        messages.clear();
        script = PortDialogScript{};
        device.Read(0, 20);
    }

    void cleanup() { ResetLink(); }

    void realModeFromThePortDialog() {
        FrontPanelDialog dlg;
        script.portText = QString::fromStdString(device.path());
        script.rateIndex = 5;  // 9600
        dlg.OnMenuCommand(kCmdOtherPort);
        QCOMPARE(script.runs, 1);
        QCOMPARE(script.shown.at(0), QStringLiteral("COM3"));
        QCOMPARE(realMode, 1);
        QCOMPARE(device.Read(13), std::string("<HEARTBEAT1>>"));
        QVERIFY(dlg.reportTimerActive());
        QCOMPARE(readerRunning.load(), 1);
        QVERIFY(messages.isEmpty());
        QCOMPARE(CheckedIds(dlg.BuildMenu().get()), (QList<int>{kCmdOtherPort, kCmdRemoteControl}));
        QTRY_COMPARE_WITH_TIMEOUT(dlg.linkPanel()->lamp(), PanelLamp::Amber, 2000);  // the window watches the line

        // The report timer: a turned device turns the panel, an upright one
        // brings it back; the counts reach the firmware's second.
        device.Write({192 | 1, 44});
        QVERIFY(WaitPending(2));
        DecodeCountReport();
        QCOMPARE(fw.realCount, 256 + 44);
        QCOMPARE(dlg.layoutTurned(), 1);
        QCOMPARE(dlg.size(), QSize(524, 306));
        QCOMPARE(dlg.lcdRectangle(), kTurnedLcdRect);
        // A second later: two reports within one second of the opening would be noise.
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        device.Write({129, 44});
        QVERIFY(WaitPending(2));
        DecodeCountReport();
        QCOMPARE(fw.realCount, 300);
        QCOMPARE(dlg.layoutTurned(), 0);
        QCOMPARE(dlg.lcdRectangle(), kNormalLcdRect);
        QCOMPARE(NextSecondCount(), 300);

        // The dialog opens on what was chosen, the other lists on their defaults.
        script.portText.clear();
        script.rateIndex = -1;
        script.accept = false;
        dlg.OnMenuCommand(kCmdOtherPort);
        QCOMPARE(script.shown, (QStringList{QString::fromStdString(device.path()), "9600", "8", "None", "1", "None"}));
        QCOMPARE(realMode, 1);  // cancelled: nothing changes
        QCOMPARE(readerRunning.load(), 1);
        QCOMPARE(device.Read(0, 50), std::string());

        // "Demo Mode": heartbeat off, reader and timer stop, random counts again.
        dlg.OnMenuCommand(kCmdDemoMode);
        QCOMPARE(device.Read(13), std::string("<HEARTBEAT0>>"));
        QCOMPARE(realMode, 0);
        QCOMPARE(readerRunning.load(), 0);
        QCOMPARE(readerStopped.load(), 1);
        QVERIFY(!dlg.reportTimerActive());
        QCOMPARE(CheckedIds(dlg.BuildMenu().get()), QList<int>{kCmdDemoMode});
        QVERIFY(NextSecondCount() <= 1);
        // Without a reader the test commands are refused.
        dlg.OnMenuCommand(kCmdHeartbeat1);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).text, QStringLiteral("Please select a comport."));
        QCOMPARE(messages.at(0).caption, QGuiApplication::applicationDisplayName());
        QCOMPARE(device.Read(0, 50), std::string());
    }

    void reportTimerStopsItselfAfterExit() {
        FrontPanelDialog dlg;
        script.portText = QString::fromStdString(device.path());
        dlg.OnMenuCommand(kCmdOtherPort);
        QVERIFY(dlg.reportTimerActive());
        dlg.OnMenuCommand(kCmdExit);
        QCOMPARE(readerRunning.load(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(readerStopped.load(), 1, 1000);  // the reader left its loop
        DecodeCountReport();  // the timer's next event
        QVERIFY(!dlg.reportTimerActive());
    }

    void testCommandsGoThroughTheMenu() {
        FrontPanelDialog dlg;
        dlg.OnMenuCommand(kCmdPowerOff);  // before any port
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).text, QStringLiteral("Please select a comport."));

        script.portText = QString::fromStdString(device.path());
        dlg.OnMenuCommand(kCmdOtherPort);
        QCOMPARE(device.Read(13), std::string("<HEARTBEAT1>>"));
        for (int id = kCmdHeartbeat1; id <= kCmdPowerOff; ++id) dlg.OnMenuCommand(id);
        QCOMPARE(device.Read(65), std::string("<HEARTBEAT1>><HEARTBEAT0>><KEY0>><KEY1>><KEY2>><KEY3>><POWEROFF>>"));
        QCOMPARE(fw.powered, 0);  // the emulated device got no key
        QCOMPARE(messages.size(), 1);
    }

    void openErrorThroughTheMessageSeam() {
        FrontPanelDialog dlg;
        script.portText = QStringLiteral("/dev/geigersim-no-such-device");
        dlg.OnMenuCommand(kCmdOtherPort);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).text, QStringLiteral("COM port open error"));
        QCOMPARE(messages.at(0).caption, QStringLiteral("error"));
        QCOMPARE(realMode, 0);
        QVERIFY(!dlg.reportTimerActive());
        QCOMPARE(readerRunning.load(), 0);
    }

    // A long device path in the error box breaks after a '/', never inside
    // a name; the text reads the same.
    void pathsBreakOnlyAfterSlashes() {
        const QString text = QStringLiteral("The serial device /dev/serial/by-id/usb-FTDI_FT232R-if00-port0 is busy.");
        const QString shown = BreakPathsAtSlashes(text);
        QCOMPARE(QString(shown).remove(QChar(0x200B)).remove(QChar(0x2060)), text);
        QTextLayout layout(shown, QFont());
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(40);  // narrower than any name
            const int end = line.textStart() + line.textLength();
            QVERIFY2(end == shown.size() || shown[end - 1] == QChar(0x200B) || shown[end - 1].isSpace(),
                     qPrintable(shown.left(end)));
        }
        layout.endLayout();
    }

    void openErrorTellsTheDeviceAndTheCause() {
        FrontPanelDialog dlg;
        SetDetailedMessageBoxFunction(RecordDetailedMessage);
        details.clear();
        script.portText = QStringLiteral("/dev/geigersim-no-such-device");
        dlg.OnMenuCommand(kCmdOtherPort);
        SetDetailedMessageBoxFunction(nullptr);
        QCOMPARE(messages.size(), 1);
        QCOMPARE(messages.at(0).text, QStringLiteral("COM port open error"));
        QCOMPARE(messages.at(0).caption, QStringLiteral("error"));
        QCOMPARE(details.size(), 1);
        QVERIFY2(details.at(0).contains(QStringLiteral("/dev/geigersim-no-such-device")) &&
                     details.at(0).contains(QStringLiteral("no such device")),
                 qPrintable(details.at(0)));
        QCOMPARE(realMode, 0);
    }

    void powerClickInTheTurnedLayoutEndsTheHint() {
        FrontPanelDialog dlg;
        realMode = 1;  // no demo-mode layout rule
        dlg.SetLayout(1);
        QTest::mouseClick(dlg.turnedKey(0), Qt::LeftButton, {}, dlg.turnedKey(0)->rect().center());
        QCOMPARE(dlg.startHint(), 0);
        dlg.SetLayout(0);
        const QRect hintArea(345, 222, 150, 8);
        QCOMPARE(dlg.grab().toImage().copy(hintArea), dlg.panelPicture().toImage().copy(hintArea));
    }

    void portDialogDefaultsAndChoices() {
        PortSettingsDialog dialog(nullptr, {"/dev/ttyUSB0"});
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Serial Port Setting"));
        QCOMPARE(dialog.portList()->count(), 13);
        QCOMPARE(dialog.portList()->itemData(2, Qt::ToolTipRole).toString(), QStringLiteral("/dev/ttyS2"));
        QCOMPARE(dialog.rateList()->count(), 15);
        const QStringList shown = {dialog.portList()->currentText(),    dialog.rateList()->currentText(),
                                   dialog.dataBitList()->currentText(), dialog.parityList()->currentText(),
                                   dialog.stopBitList()->currentText(), dialog.controlList()->currentText()};
        QCOMPARE(shown, (QStringList{"COM3", "115200", "8", "None", "1", "None"}));
        QVERIFY(dialog.okButton()->isDefault());

        PortSettings remembered;
        remembered.portIndex = 4;
        remembered.rateIndex = 3;
        dialog.Preset(remembered);
        QCOMPARE(dialog.portList()->currentText(), QStringLiteral("COM5"));
        QCOMPARE(dialog.rateList()->currentText(), QStringLiteral("2400"));

        // An emptied port field cannot be confirmed.
        dialog.portList()->setEditText(QString());
        QVERIFY(!dialog.okButton()->isEnabled());
        dialog.portList()->setEditText(QStringLiteral("COM6"));
        dialog.stopBitList()->setCurrentIndex(1);
        dialog.okButton()->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const PortSettings chosen = dialog.Choices();
        QCOMPARE(chosen.portIndex, 5);
        QVERIFY(chosen.devicePath.empty());
        QCOMPARE(chosen.rateIndex, 3);
        QCOMPARE(chosen.stopBits, 1);
    }

    void aboutBoxAndItsLink() {
        FrontPanelDialog dlg;
        dlg.OnMenuCommand(kCmdAbout);
        QCOMPARE(script.aboutRuns, 1);
        // The keyboard shortcuts and every row of the menu, under the link and inside the box.
        for (const char* part : {"Back \u2014 Left arrow or Backspace", "Up \u2014 Up arrow", "Down \u2014 Down arrow",
                                 "Select/Power \u2014 Right arrow or Space", "right-click"})
            QVERIFY2(script.aboutNote.contains(QString::fromUtf8(part)), part);
        for (const QString& row : PopupRowTexts(HelpText::Rich))
            QVERIFY2(script.aboutNote.contains(u'"' + row + u'"'), qPrintable(row));
        QVERIFY(script.aboutNoteFits);

        AboutDialog about(&dlg);
        QCOMPARE(about.windowTitle(), QStringLiteral("About"));
        QStringList texts;
        for (QLabel* label : about.findChildren<QLabel*>()) texts << label->text();
        QVERIFY(texts.contains(QStringLiteral("Ravlen Version 1.4")));
        QVERIFY(texts.contains(QString::fromLatin1(AboutDialog::kMakerName)));
        QVERIFY(!about.iconLabel()->pixmap().isNull());
        HyperlinkStatic* link = about.link();
        QCOMPARE(link->text(), QString::fromLatin1(AboutDialog::kMakerAddress));
        QCOMPARE(link->toolTip(), QString::fromLatin1(AboutDialog::kMakerAddress));
        QVERIFY(link->font().underline());
        QCOMPARE(link->textColour(), QColor(0, 0, 255));

        openerAnswer = false;  // the desktop refuses: a beep, the colour stays
        openerCalls = 0;
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        QCOMPARE(openerCalls, 1);
        QVERIFY(!link->visited());
        QCOMPARE(link->textColour(), QColor(0, 0, 255));
        QVERIFY(QGuiApplication::overrideCursor() == nullptr);  // the wait cursor is gone again

        openerAnswer = true;
        QTest::mouseClick(link, Qt::LeftButton, {}, link->rect().center());
        QCOMPARE(openedUrl, QUrl(QString::fromLatin1(AboutDialog::kMakerAddress)));
        QVERIFY(link->visited());
        QCOMPARE(link->textColour(), QColor(128, 0, 128));

    }
};

QTEST_MAIN(LinkCommandsTest)
#include "link_commands_test.moc"
