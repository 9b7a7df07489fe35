// The serial line to a real counter: opened with fixed line settings (8 data
// bits, no parity, one stop bit, raw bytes), written byte by byte, read
// without waiting. It knows nothing of the protocol.
//
// Port numbers follow the device's host software: "COMn" is /dev/ttyS(n-1)
// on Linux, so COM1 is /dev/ttyS0 and COM3 is /dev/ttyS2. Any other serial
// device (a USB adapter, a pseudo-terminal) is opened by its path.
#pragma once

#include <cstdint>
#include <string>

class SerialPort {
public:
    // Longest command Send accepts.
    static constexpr int kMaxSend = 32;
    // How long one byte may wait for room in the driver's queue before it is dropped.
    static constexpr int kByteWriteWaitMs = 1000;
    // How long a read of bytes already waiting may take.
    static constexpr int kReadWaitMs = 2000;

    SerialPort() = default;
    ~SerialPort();
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // 1 on success, 0 on failure (nothing is held then). An open port stays
    // as it is and answers 1: close it first to change port or rate.
    int Open(int portNumber, int rate);
    int OpenDevice(const std::string& path, int rate);
    // Always 1; closing a closed port does nothing.
    int Close();
    // Always 1: a byte that cannot be written within kByteWriteWaitMs is lost.
    int WriteByte(uint8_t b);
    // -1 (after the "Data too long to send!" message) when n exceeds 32; 0
    // when the port is closed or n <= 0; else n. pauseMs > 0 sleeps after
    // each byte.
    int Send(const uint8_t* bytes, int n, int pauseMs);
    int Send(const char* text, int n, int pauseMs) {
        return Send(reinterpret_cast<const uint8_t*>(text), n, pauseMs);
    }
    // Bytes received and not yet read (the line's status query); 0 when closed.
    int Waiting() const;
    // Places up to capacity of the waiting bytes in buffer; 0 when none
    // wait, the port is closed or the read fails.
    int Read(uint8_t* buffer, int capacity);
    // The reader's wait: sleeps until bytes arrive, the line goes away or
    // wakeFd (an eventfd, -1 for none) becomes readable, at most timeoutMs,
    // then reads like Read. lost is set when the line hung up (end of file
    // on a hung-up line) or failed with EIO or ENXIO (an adapter pulled out,
    // the other end of a pseudo-terminal closed); the port stays open for Close.
    int WaitAndRead(uint8_t* buffer, int capacity, int wakeFd, int timeoutMs, bool& lost);

    bool IsOpen() const { return open_ == 1; }
    // The errno of the last Open or OpenDevice that failed (0 after a success).
    int LastOpenError() const { return lastOpenError_; }
    const std::string& DevicePath() const { return path_; }

private:
    int fd_ = -1;
    int open_ = 0;
    int lastOpenError_ = 0;
    std::string path_;
};

// The device path of a port number: /dev/ttyS(n-1); empty for n < 1.
std::string DevicePathForPort(int portNumber);

// The one serial port of the process; closed when the process ends.
extern SerialPort serialPort;

