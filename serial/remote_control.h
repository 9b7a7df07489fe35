// The host's real-mode state (the port chosen, the reader's flag), remote
// control of the counter's keys, and the test commands.
//
// Demo mode is the start state: no serial port is open and nothing is sent.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>

// 1: each click on a panel key is also sent to the real device (real mode only).
extern uint8_t remoteControl;
// 1 while the real-mode reader thread should keep running; written by the
// window's thread, read by the reader.
extern std::atomic<uint8_t> readerRunning;
// The port number of real mode (3 means "COM3"); 1 and 2 name no menu item,
// 7 and above mean "Other Port".
extern uint8_t portNumber;

// The port dialog's choices (list indexes, port index 0 is COM1). Only the
// port and the rate are applied: the line always runs 8N1, which is what the
// counter speaks. devicePath, when not empty, is a device chosen by its path
// (a USB adapter, a pseudo-terminal) and takes the place of portIndex.
struct PortSettings {
    int32_t control = 0;
    int32_t dataBits = 4;
    int32_t parity = 0;
    int32_t portIndex = 2;
    int32_t rateIndex = 11;
    int32_t stopBits = 0;
    std::string devicePath;
};
extern PortSettings portSettings;

// Sends one command of the protocol on the port, without pauses between its
// bytes; nothing goes out while the port is closed.
void SendCommand(std::string_view command);

// Sends "<KEYk>>" (k = 0..3) when realMode and remoteControl are both 1;
// otherwise does nothing.
void SendKeyCommand(uint8_t k);

// The pop-up menu's "Remote Control": switches forwarding of key clicks.
void ToggleRemoteControl();

// The "Test Commands" sub-menu, in menu order.
enum class TestCommand : uint8_t { Heartbeat1, Heartbeat0, Key0, Key1, Key2, Key3, PowerOff };
// Without a running reader: "Please select a comport." and nothing is sent.
void SendTestCommand(TestCommand command);
