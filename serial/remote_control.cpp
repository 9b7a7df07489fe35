#include "serial/remote_control.h"

#include "firmware/state.h"
#include "serial/link_host.h"
#include "serial/protocol.h"
#include "serial/serial_port.h"

uint8_t remoteControl = 1;
std::atomic<uint8_t> readerRunning{0};
uint8_t portNumber = 2;
PortSettings portSettings;

void SendCommand(std::string_view command) { serialPort.Send(command.data(), int(command.size()), 0); }

void SendKeyCommand(uint8_t k) {
    if (realMode != 1 || remoteControl != 1) return;
    if (k > 3) return;  // only the four device keys exist
    const std::array<char, 7> command = KeyCommand(k);
    SendCommand(std::string_view(command.data(), command.size()));
}

void ToggleRemoteControl() { remoteControl = uint8_t(1 - remoteControl); }

void SendTestCommand(TestCommand command) {
    if (readerRunning == 0) {
        HostShowMessage("Please select a comport.");
        return;
    }
    switch (command) {
        case TestCommand::Heartbeat1: SendCommand(kHeartbeatOnCommand); break;
        case TestCommand::Heartbeat0: SendCommand(kHeartbeatOffCommand); break;
        case TestCommand::Key0: SendKeyCommand(0); break;
        case TestCommand::Key1: SendKeyCommand(1); break;
        case TestCommand::Key2: SendKeyCommand(2); break;
        case TestCommand::Key3: SendKeyCommand(3); break;
        case TestCommand::PowerOff: SendCommand(kPowerOffCommand); break;
    }
}
