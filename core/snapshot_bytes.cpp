// Snapshot bytes in strings, for the hosts that read and write them as files.
#include "core/snapshot_bytes.h"

#include "core/snapshot.h"
#include "geigersim_version.h"

namespace {

const uint8_t* Data(std::string_view bytes) { return reinterpret_cast<const uint8_t*>(bytes.data()); }

}  // namespace

std::string SnapshotBytes(const LcdBits& handedOver, const std::vector<int32_t>& queued) {
    SnapshotHostPart host;
    host.handedOver = handedOver;
    host.realQueue = queued.data();
    host.realQueued = static_cast<uint32_t>(queued.size());
    std::string bytes(SnapshotSize(host.realQueued), '\0');
    const char* why = "";
    // The size is the writer's own, so only a handler without a name can
    // fail here, which the snapshot's tests rule out.
    bytes.resize(SnapshotWrite(host, GEIGERSIM_VERSION, reinterpret_cast<uint8_t*>(bytes.data()), bytes.size(), &why));
    return bytes;
}

bool SnapshotReadable(std::string_view bytes, std::string& why) {
    uint32_t queued = 0;
    const char* reason = "";
    if (SnapshotCheck(Data(bytes), bytes.size(), &queued, &reason)) return true;
    why = reason;
    return false;
}

bool SnapshotRestore(std::string_view bytes, LcdBits& handedOver, std::vector<int32_t>& queued, std::string& why) {
    uint32_t count = 0;
    const char* reason = "";
    if (!SnapshotCheck(Data(bytes), bytes.size(), &count, &reason)) {
        why = reason;
        return false;
    }
    std::vector<int32_t> counts(count);
    SnapshotHostPart host;
    if (!SnapshotLoad(Data(bytes), bytes.size(), host, counts.data(), count, &reason)) {
        why = reason;
        return false;
    }
    handedOver = host.handedOver;
    queued = std::move(counts);
    return true;
}
