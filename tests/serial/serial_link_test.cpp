// The serial port and real mode against a counter played on a
// pseudo-terminal: the line's limits, binary bytes, switching ports, remote
// keys and test commands.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "firmware/state.h"
#include "serial/link_wait.h"
#include "serial/pty_device.h"
#include "serial/real_mode.h"
#include "serial/recording_host.h"
#include "serial/remote_control.h"
#include "serial/serial_port.h"

namespace {

class SerialLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLink();
        fw.realCount = 0;
        SetLinkHost(&host);
        ASSERT_TRUE(device.ok());
    }
    void TearDown() override {
        ResetLink();
        SetLinkHost(nullptr);
    }
    // Real mode on the pseudo-terminal through the port dialog's path.
    void EnterRealMode(PtyDevice& d) {
        PortSettings chosen;
        chosen.devicePath = d.path();
        ChooseOtherPort(chosen);
    }
    RecordingHost host;
    PtyDevice device;
};

TEST_F(SerialLinkTest, SendLimitsAndClosedPort) {
    const std::string longest(32, 'x');
    EXPECT_EQ(serialPort.Send(longest.c_str(), 32, 0), 0);  // closed: nothing, no message
    EXPECT_TRUE(host.messages.empty());

    ASSERT_EQ(serialPort.OpenDevice(device.path(), 115200), 1);
    const std::string tooLong(33, 'y');
    EXPECT_EQ(serialPort.Send(tooLong.c_str(), 33, 0), -1);
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].first, "Data too long to send!");
    EXPECT_EQ(host.messages[0].second, "");  // the application's title
    EXPECT_EQ(serialPort.Send(longest.c_str(), 0, 0), 0);
    EXPECT_EQ(serialPort.Send(longest.c_str(), 32, 0), 32);
    EXPECT_EQ(device.Read(32), longest);  // and nothing of the refused 33
    EXPECT_EQ(device.Read(0, 50), "");
    EXPECT_EQ(host.messages.size(), 1u);

    // Already open: stays as it is.
    EXPECT_EQ(serialPort.OpenDevice("/dev/geigersim-no-such-device", 9600), 1);
    EXPECT_EQ(serialPort.DevicePath(), device.path());
    serialPort.Close();
    EXPECT_EQ(serialPort.OpenDevice("/dev/null", 9600), 0);  // not a serial line
    EXPECT_FALSE(serialPort.IsOpen());
}

TEST_F(SerialLinkTest, ReadTakesBinaryBytesUntouchedUpToCapacity) {
    ASSERT_EQ(serialPort.OpenDevice(device.path(), 14400), 1);  // a rate without a termios constant
    uint8_t buffer[16] = {};
    EXPECT_EQ(serialPort.Read(buffer, 16), 0);
    // XON, XOFF, CR, LF, a control character and high bytes must all arrive as sent.
    const std::vector<uint8_t> sent = {0x11, 0x13, 0x0D, 0x0A, 0x03, 0x7F, 0x80, 0xFF, 0x00, 0xC0};
    device.Write(sent);
    for (int i = 0; i < 200 && serialPort.Waiting() < 10; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(serialPort.Waiting(), 10);
    EXPECT_EQ(serialPort.Read(buffer, 4), 4);
    EXPECT_EQ(serialPort.Waiting(), 6);
    EXPECT_EQ(serialPort.Read(buffer + 4, 16), 6);
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 10), sent);
}

TEST_F(SerialLinkTest, AnotherPortClosesTheFirstAndStartsAfresh) {
    EnterRealMode(device);
    ASSERT_EQ(device.Read(13), "<HEARTBEAT1>>");
    device.Write({129});  // half a report left behind on the first port
    ASSERT_TRUE(WaitPending(1));
    fw.realCount = 300;

    PtyDevice second;
    ASSERT_TRUE(second.ok());
    EnterRealMode(second);
    EXPECT_EQ(serialPort.DevicePath(), second.path());
    EXPECT_EQ(second.Read(13), "<HEARTBEAT1>>");
    EXPECT_EQ(fw.realCount, 0);
    second.Write({44, 128});  // would pair with the stale byte if it were kept
    ASSERT_TRUE(WaitPending(2));
    DecodeCountReport();
    EXPECT_EQ(fw.realCount, 44);  // 128, 44 after the exchange
    EXPECT_EQ(device.Read(0, 50), "");  // nothing more went to the first port
}

TEST_F(SerialLinkTest, KeyAndTestCommands) {
    SendTestCommand(TestCommand::PowerOff);  // before any port
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].first, "Please select a comport.");

    EnterRealMode(device);
    ASSERT_EQ(device.Read(13), "<HEARTBEAT1>>");
    SendKeyCommand(1);
    SendKeyCommand(9);  // no such key
    ToggleRemoteControl();
    EXPECT_EQ(remoteControl, 0);
    SendKeyCommand(2);
    SendTestCommand(TestCommand::Key2);  // remote control off: nothing, no message
    ToggleRemoteControl();
    SendKeyCommand(3);
    EXPECT_EQ(device.Read(14), "<KEY1>><KEY3>>");

    for (TestCommand c : {TestCommand::Heartbeat1, TestCommand::Heartbeat0, TestCommand::Key0,
                          TestCommand::Key1, TestCommand::Key2, TestCommand::Key3, TestCommand::PowerOff})
        SendTestCommand(c);
    EXPECT_EQ(device.Read(13 + 13 + 4 * 7 + 11),
              "<HEARTBEAT1>><HEARTBEAT0>><KEY0>><KEY1>><KEY2>><KEY3>><POWEROFF>>");
    // HEARTBEAT0 from the test menu leaves the reader and the timer running.
    EXPECT_EQ(readerRunning.load(), 1);
    EXPECT_TRUE(host.timerRunning);
    EXPECT_EQ(host.messages.size(), 1u);

    realMode = 0;  // demo mode never sends keys
    SendKeyCommand(0);
    EXPECT_EQ(device.Read(0, 50), "");
}

}  // namespace
