// The link's face in the window, on the offscreen platform: the link options
// of the command line, the lamp and its tooltip, the non-blocking notice, the
// count log's menu item, and the port dialog's list of devices.

#include <QComboBox>
#include <QHelpEvent>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>
#include <filesystem>

#include "../link/link_wait.h"
#include "../link/pty_device.h"
#include "menu_probe.h"
#include "app/front_panel_dialog.h"
#include "app/host_state.h"
#include "app/launch_options.h"
#include "app/link_panel.h"
#include "app/popup_menu.h"
#include "firmware/firmware.h"
#include "link/count_log.h"
#include "link/host_link.h"
#include "link/link_status.h"
#include "link/port_settings_dialog.h"
#include "link/real_mode.h"
#include "link/serial_port.h"

namespace {

QStringList notices;
void RecordNotice(QWidget*, const QString& text) { notices << text; }
QStringList messages;
void RecordMessage(const QString& text, const QString&) { messages << text; }

}  // namespace

class LinkPanelTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        SetNoticeFunction(RecordNotice);
        SetMessageBoxFunction(RecordMessage);
    }
    void init() {
        ResetLink();
        notices.clear();
        messages.clear();
    }
    void cleanup() {
        ResetLink();
        StopCountLog();
    }

    void launchOptionsLampTooltipAndNotice() {
        FrontPanelDialog dlg;
        QWidget holder;
        LinkPanel panel(&holder);
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
        DecodeCountReport();
        panel.Watch();
        QCOMPARE(panel.lamp(), PanelLamp::Green);

        const QPoint onLamp = PanelLampRect(0).center();
        QVERIFY(panel.ShowToolTip(QHelpEvent(QEvent::ToolTip, onLamp, holder.mapToGlobal(onLamp)), 0));
        QVERIFY2(QToolTip::text().startsWith(options.port + " at 9600 bit/s\nReports received: 1"),
                 qPrintable(QToolTip::text()));
        QVERIFY(!panel.ShowToolTip(QHelpEvent(QEvent::ToolTip, QPoint(10, 10), QPoint(10, 10)), 0));

        // Unplugged: red, and the notice goes through the window without a box.
        device.Vanish();
        QVERIFY(WaitFor([] { return readerStopped == 1; }));
        panel.Watch();
        QCOMPARE(panel.lamp(), PanelLamp::Red);
        QCOMPARE(notices, QStringList{"Counter disconnected: " + options.port});
        QVERIFY(messages.isEmpty());
        dlg.OnMenuCommand(kCmdDemoMode);
        panel.Watch();
        QCOMPARE(panel.lamp(), PanelLamp::Off);
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
};

QTEST_MAIN(LinkPanelTest)
#include "link_panel_test.moc"
