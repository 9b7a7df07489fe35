// The device as snapshot bytes (firmware/snapshot.h) in a string, with the
// host part every host keeps the same way: the picture last handed over and
// the real counts still queued. The runner's player and the window share it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/lcd.h"

// The device now, with `handedOver` and `queued`. Empty only when the record
// holds a handler a snapshot cannot name.
std::string SnapshotBytes(const LcdBits& handedOver, const std::vector<int32_t>& queued);

// Whether `bytes` are a snapshot this version reads; `why` says why not.
// Changes nothing.
bool SnapshotReadable(std::string_view bytes, std::string& why);

// Puts the device back from `bytes`, its host part into `handedOver` and
// `queued`. False with `why` set, and nothing changed, when they are not a
// snapshot this version reads.
bool SnapshotRestore(std::string_view bytes, LcdBits& handedOver, std::vector<int32_t>& queued, std::string& why);
