// `log` and --decode: the DataFlash write area as CSV.
#pragma once

#include <cstdint>
#include <string>

namespace geigerrun {

// The write area as CSV: "kind,time,value" and one line per record, read
// as the ring it is once the 20-bit write address has passed the area's
// end. `area` holds kFlashAreaSize bytes.
std::string DecodeFlashLog(const uint8_t* area, uint32_t writeAddress);

}  // namespace geigerrun
