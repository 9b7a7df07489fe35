#include "link/host_link.h"

#include "firmware/state.h"

uint8_t remoteControl = 1;
std::atomic<uint8_t> readerRunning{0};
uint8_t portNumber = 2;
PortSettings portSettings;

namespace {
SerialWriter gWriter = nullptr;
}  // namespace

void SetSerialWriter(SerialWriter writer) { gWriter = writer; }

void SendKeyCommand(uint8_t k) {
    if (realMode != 1 || remoteControl != 1) return;
    if (k > 3) return;  // only the four device keys exist
    const uint8_t command[7] = {'<', 'K', 'E', 'Y', static_cast<uint8_t>('0' + k), '>', '>'};
    if (gWriter != nullptr) gWriter(command, sizeof command);
}
