// The whole device as bytes, to keep and to put back: the firmware record
// (its handlers, menu table and title stored as what they stand for, never
// as addresses), the menus' marks, both DataFlash areas, the LCD surface and
// text cursor, the clock, the demo counts' generator and seed, real mode,
// and the host core's virtual time, plus two host parts: the picture last
// handed over and the real counts still queued.
//
// Little-endian, fixed-width, independent of the platform's pointer size:
//   magic "GEIGSNAP", format u16, program version (16 bytes, NUL-padded),
//   payload length u32, CRC-32 of the payload u32, then the payload.
// Fixed buffers and no heap, as the rest of the firmware.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/lcd.h"

// Format 2 added the substitutes; format 1 still loads.
constexpr uint16_t kSnapshotFormat = 2;
constexpr size_t kSnapshotHeaderSize = 8 + 2 + 16 + 4 + 4;
// The most real counts a snapshot may queue: a `real` list filling the
// largest script the runner reads (16 MiB, two bytes a count) queues fewer;
// the window's serial queue holds a handful.
constexpr uint32_t kSnapshotMaxQueued = uint32_t{1} << 23;

// What a host keeps beside the device.
struct SnapshotHostPart {
    LcdBits handedOver{};      // the surface as of the last hand-over
    const int32_t* realQueue = nullptr;  // on writing: the counts still queued
    uint32_t realQueued = 0;
};

// Bytes a snapshot with `realQueued` queued counts takes.
size_t SnapshotSize(uint32_t realQueued);

// Writes the device now into `out` (capacity SnapshotSize(...)). Returns the
// bytes written, or 0 with `why` set when it cannot (no room; a handler the
// snapshot cannot name, which would be a fault of this table).
size_t SnapshotWrite(const SnapshotHostPart& host, const char* programVersion, uint8_t* out, size_t capacity,
                     const char** why);

// Checks a snapshot without changing anything: length, magic, format,
// checksum, every stored name, and every field within what the device's
// keys could have made it. On success tells how many real counts it
// queues. False with `why` set to a short reason, naming the field when one
// is out of range ("uiMode is 200, not 0..5"; valid until the next check).
bool SnapshotCheck(const uint8_t* bytes, size_t size, uint32_t* realQueued, const char** why);

// Puts the device back as `bytes` holds it (checked first; nothing changes
// when the check fails). The host part's picture and up to `realCapacity`
// queued counts land in `host` (realQueue then points into `realOut`).
bool SnapshotLoad(const uint8_t* bytes, size_t size, SnapshotHostPart& host, int32_t* realOut,
                  uint32_t realCapacity, const char** why);

// The checksum a snapshot's header holds for its payload (CRC-32, as zlib's).
uint32_t SnapshotChecksum(const uint8_t* payload, size_t size);

// The program version a snapshot was written by (empty when not a snapshot).
void SnapshotProgramVersion(const uint8_t* bytes, size_t size, char (&version)[17]);
