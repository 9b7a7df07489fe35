// The host's real-mode state and the remote key command.
//
// Demo mode is the start state: no serial port is open and nothing is sent.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

// 1: each click on a panel key is also sent to the real device (real mode only).
extern uint8_t remoteControl;
// 1 while the real-mode reader thread should keep running; written by the
// window's thread, read by the reader.
extern std::atomic<uint8_t> readerRunning;
// The port number of real mode (3 means "COM3"); 1 and 2 name no menu item.
extern uint8_t portNumber;

// The port dialog's remembered choices (port index 0 is COM1).
struct PortSettings {
    int32_t portIndex = 2;
    int32_t rateIndex = 11;
};
extern PortSettings portSettings;

// Where outgoing bytes go. The serial port installs its writer when it opens
// and removes it (nullptr) when it closes; without a writer nothing is sent.
using SerialWriter = void (*)(const uint8_t* bytes, size_t length);
void SetSerialWriter(SerialWriter writer);

// Sends "<KEYk>>" (k = 0..3) when realMode and remoteControl are both 1;
// otherwise does nothing.
void SendKeyCommand(uint8_t k);
