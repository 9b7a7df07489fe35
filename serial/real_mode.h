// Real mode: a counter on a serial line reports, once a second, how many
// counts it saw; the reader thread collects the bytes, every complete report
// is decoded as it is taken from them, and the window's report timer hands
// the firmware one queued count a second through fw.realCount. The report's
// format is in link/protocol.h.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

constexpr int kRxBufferSize = 4096;

// Bytes received and not yet taken, guarded by rxLock.
extern uint8_t rxBuffer[kRxBufferSize];
extern int32_t rxCount;
extern std::mutex rxLock;
// 1 once the reader thread has left its loop (and before it ever ran).
extern std::atomic<uint8_t> readerStopped;

// The rates of the port dialog's rate list, by index (110 ... 921600).
constexpr int kRateCount = 15;
extern const int kRates[kRateCount];
// The rate the port opens at for a rate index; 115200 for an index off the list.
int RateForIndex(int rateIndex);
// The index of a rate in kRates; -1 for a rate off the list.
int IndexForRate(int rate);

// portNumber of a device chosen by a path that is no /dev/ttyS device: above
// every COM number, so the menu marks "Other Port".
constexpr uint8_t kDevicePathPortNumber = 255;
// The largest port number a "COMn" name may carry.
constexpr int kMaxComNumber = 254;

// A port as the port dialog names it: "COMn" or a device path.
struct PortChoice {
    int portNumber = 0;      // 1.. for COMn and /dev/ttySk (k + 1); kDevicePathPortNumber otherwise; 0 invalid
    std::string devicePath;  // what is opened
};
PortChoice ParsePortName(const std::string& name);

// How long a lone byte waits for its partner: the two bytes of a report come
// together, so one still alone when the next bytes come this much later was
// a stray, and pairing it would shift every report after it.
constexpr int64_t kStrayByteMs = 500;

// Appends what the reader received at atMs (LinkClockMs) to rxBuffer; bytes
// beyond its 4096 are dropped, as is a stray lone byte (both counted in
// linkStatus.droppedBytes). Returns how many were kept.
int AppendReceived(const uint8_t* bytes, int n, int64_t atMs);
int AppendReceived(const uint8_t* bytes, int n);
// The reader thread's body: takes what arrives as it arrives while
// readerRunning is 1; leaves when the line goes away (lineLostByReader).
void ReaderThread();
// Starts a reader on the open port with an empty rxBuffer.
void StartReader();
// Clears readerRunning and waits for the reader to leave its loop.
void StopReader();

// Takes every complete report from rxBuffer (a lone byte stays for the next
// take) and decodes each: a pair without a marker is ignored, reports beyond
// the noise limit are dropped, the rest join the queue, the count log and
// the trace, and the newest sets the panel's layout. Window thread only.
void TakeReceivedReports();
// Counts decoded and not yet handed to the firmware.
int CountsWaiting();
// Those counts, oldest first: what a snapshot keeps as the real-mode queue.
std::vector<int32_t> CountsQueued();

// One event of the report timer, right before each firmware second: takes
// what was received, then gives fw.realCount the oldest queued count (0 when
// none waits). Once the reader has stopped and nothing waits, it stops the
// timer; counts that came before the line was lost are handed first.
void DecodeCountReport();

// Sends "<HEARTBEAT1>>" or "<HEARTBEAT0>>"; on starts the report timer, off
// stops the reader and the timer.
void SendHeartbeat(int on);

// On a port just opened: the reader, then "<HEARTBEAT1>>" 300 ms later.
void StartLine();
// Stops the reader and the report timer, notes note in the trace (nothing
// when empty), then closes the port.
void CloseLine(const std::string& note);

// Closes the port, opens the chosen one at the remembered rate, starts the
// reader and, 300 ms later, the heartbeat. On failure shows "COM port open
// error" and returns false with the port closed.
bool OpenRealMode(const PortChoice& port);

// The pop-up menu's "COM3" ... "COM6" (n = 3 ... 6): real mode on that port.
void ChoosePort(int n);
// The port dialog's OK: its choices become portSettings, then real mode on
// the chosen port (portSettings.devicePath when set, else COM portIndex + 1).
struct PortSettings;
void ChooseOtherPort(const PortSettings& chosen);
// The pop-up menu's "Demo Mode": random counts again, heartbeat off.
void ChooseDemoMode();

// At program end: the reader is stopped before the port closes; what it
// received is decoded, and the count log writes every line it holds.
void ShutdownLink();
// Real mode as at program start (for tests): demo mode, reader stopped, port closed.
void ResetLink();
