// The link's face in the window, on the offscreen platform: the link options
// of the command line, the lamp and its tooltip, the notice line, the count
// log's menu item, the port dialog's list of devices, and a minute of the
// stand-in counter with an unplug, from its log to the firmware's count.

#include <QApplication>
#include <QComboBox>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>
#include <filesystem>
#include <numeric>

#include "../serial/link_wait.h"
#include "../serial/pty_device.h"
#include "app/front_panel_dialog.h"
#include "app/host_state.h"
#include "firmware/state.h"
#include "app/launch_options.h"
#include "app/link_panel.h"
#include "app/popup_menu.h"
#include "firmware/firmware.h"
#include "firmware/state.h"
#include "menu_probe.h"
#include "serial/count_log.h"
#include "serial/link_status.h"
#include "serial/port_settings_dialog.h"
#include "serial/real_mode.h"
#include "serial/remote_control.h"
#include "serial/serial_port.h"

namespace {

QStringList messages;
void RecordMessage(const QString& text, const QString&) { messages << text; }

}  // namespace

class LinkPanelTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        SetMessageBoxFunction(RecordMessage);
    }
    void init() {
        ResetLink();
        messages.clear();
    }
    void cleanup() {
        ResetLink();
        StopCountLog();
    }

    void launchOptionsLampTooltipAndNotice() {
        FrontPanelDialog dlg;
        LinkPanel& panel = *dlg.linkPanel();
        PtyDevice device;
        LaunchOptions options;
        options.port = QString::fromStdString(device.path());
        options.baud = 9600;
        ApplyLinkLaunchOptions(options);  // as if chosen in "Other Port"
        QCOMPARE(device.Read(13), std::string("<HEARTBEAT1>>"));
        QCOMPARE(portSettings.rateIndex, 5);
        QVERIFY(CheckedIn(dlg.BuildMenu().get(), kCmdOtherPort));
        panel.Watch();
        QCOMPARE(panel.lamp(), PanelLamp::Amber);  // open, nothing yet
        device.Write({129, 44});
        QVERIFY(WaitFor([] { return Pending(2); }));
        panel.Watch();
        QCOMPARE(panel.lamp(), PanelLamp::Green);

        const QPoint onLamp = PanelLampRect(0).center();
        QVERIFY(panel.ShowToolTip(QHelpEvent(QEvent::ToolTip, onLamp, dlg.mapToGlobal(onLamp)), 0));
        QVERIFY2(QToolTip::text().startsWith(options.port + " at 9600 bit/s\nReports received: 1"),
                 qPrintable(QToolTip::text()));
        QVERIFY(!panel.ShowToolTip(QHelpEvent(QEvent::ToolTip, QPoint(10, 10), QPoint(10, 10)), 0));
        QToolTip::hideText();

        // Unplugged: red, and the notice in the line under the LCD, no box.
        device.Vanish();
        QVERIFY(WaitFor([] { return readerStopped == 1; }));
        panel.Watch();
        QCOMPARE(panel.lamp(), PanelLamp::Red);
        const QLabel* line = panel.notice();
        QVERIFY(!line->isHidden());
        QCOMPARE(line->accessibleName(), "Counter disconnected: " + options.port);
        QVERIFY(messages.isEmpty());
        dlg.OnMenuCommand(kCmdDemoMode);
        panel.Watch();
        QCOMPARE(panel.lamp(), PanelLamp::Off);
        QVERIFY(line->isHidden());
    }

    void countLogItemIsCheckedWhileLoggingAndStopsIt() {
        QTemporaryDir dir;
        FrontPanelDialog dlg;
        LaunchOptions options;
        options.logCounts = dir.filePath("c.csv");
        ApplyLinkLaunchOptions(options);
        QVERIFY(CountLogActive());
        QVERIFY(CheckedIn(dlg.BuildMenu().get(), kCmdLogCounts));
        dlg.OnMenuCommand(kCmdLogCounts);
        QVERIFY(!CountLogActive());
        QVERIFY(!CheckedIn(dlg.BuildMenu().get(), kCmdLogCounts));

    }

    void portDialogListsDevicesByStableNameAndChoosesThePath() {
        const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
        PortSettingsDialog dialog(nullptr, {SerialDeviceEntry(byId, "FT232R USB UART, FTDI, serial A50285BI, "
                                                                    "0403:6001 (/dev/ttyUSB0)")});
        QCOMPARE(dialog.portList()->count(), PortSettingsDialog::kComItems + 1);
        const QString shown = dialog.portList()->itemText(PortSettingsDialog::kComItems);
        QVERIFY2(shown.startsWith(QString::fromStdString(byId)) && shown.contains("0403:6001"), qPrintable(shown));
        dialog.portList()->setCurrentIndex(PortSettingsDialog::kComItems);
        dialog.okButton()->click();
        QCOMPARE(dialog.Choices().devicePath, byId);

        // The stable name of a node is the by-id link that leads to it.
        QTemporaryDir dir;
        const std::string node = dir.filePath("ttyUSB7").toStdString();
        QFile(QString::fromStdString(node)).open(QIODevice::WriteOnly);
        const std::string links = dir.filePath("by-id").toStdString();
        std::filesystem::create_directory(links);
        std::filesystem::create_symlink("../ttyUSB7", links + "/usb-Maker_Counter_42-if00");
        QCOMPARE(ByIdNameFor(node, links), links + "/usb-Maker_Counter_42-if00");
        QCOMPARE(ByIdNameFor(dir.filePath("ttyUSB8").toStdString(), links), std::string());
    }

    // A minute of the stand-in counter, its reports wandering about our
    // second, its panel turning, its cable pulled and plugged in again: the
    // count log holds every report it sent, in order, the firmware counted
    // their sum, and nothing but the panel was shown, the notice line off
    // the LCD and the keys, and gone once reports flowed again.
    void aMinuteOfTheStandInLosesNoReport() {
        QTemporaryDir dir;
        const QString link = dir.filePath("counter"), log = dir.filePath("log"), csv = dir.filePath("c.csv");
        FrontPanelDialog dlg;
        dlg.show();
        dlg.ClickKey(KeySelect);
        QTRY_VERIFY_WITH_TIMEOUT(fw.bootState == 2, 10000);  // counting
        QProcess device;
        device.start(GEIGERSIM_DEVICE, {"--counts", "5,7,11,0,300,16383,2", "--jitter", "0.45", "--seed", "14",
                                        "--toggle-turned-every", "20", "--vanish-after", "24", "--reappear-after",
                                        "3", "--duration", "60", "--link", link, "--log", log, "--verbose"});
        QVERIFY(QTest::qWaitFor([&] { return QFileInfo::exists(link); }, 5000));
        LaunchOptions options;
        options.port = link;
        options.logCounts = csv;
        const uint32_t before = fw.totalCount;
        ApplyLinkLaunchOptions(options);

        const QLabel* line = dlg.linkPanel()->notice();
        QString seen;  // L lost, B back, - gone, each when it began
        while (device.state() != QProcess::NotRunning) {
            QTest::qWait(100);
            for (QWidget* w : QApplication::topLevelWidgets()) QVERIFY(w == &dlg || !w->isVisible());
            const QChar now = line->isHidden() ? '-' : line->accessibleName().contains("disconnected") ? 'L' : 'B';
            if (!seen.endsWith(now)) seen += now;
            for (const QWidget* w : dlg.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
                if (w != line && w->isVisible() && !line->isHidden())  // the keys and the LCD
                    QVERIFY(!line->geometry().intersects(w->geometry()));
        }
        QVERIFY2(seen.contains("LB-"), qPrintable(seen));
        QTest::qWait(2500);  // the last reports go to the firmware's seconds
        StopCountLog();

        const auto lines = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll().split('\n') : QByteArrayList();
        };
        QList<uint32_t> sent, logged;
        for (const QByteArray& text : lines(log))
            if (const qsizetype at = text.indexOf("] report "); at > 0) sent << text.mid(at + 9).split(' ')[0].toUInt();
        for (const QByteArray& text : lines(csv).mid(1))
            if (!text.isEmpty()) logged << text.split(',')[1].toUInt();
        QVERIFY(sent.size() >= 50);
        QCOMPARE(logged, sent);
        QCOMPARE(fw.totalCount - before, std::accumulate(sent.begin(), sent.end(), 0u));
    }
};

QTEST_MAIN(LinkPanelTest)
#include "link_panel_test.moc"
