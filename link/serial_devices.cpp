#include "link/serial_devices.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The number at the end of a name such as ttyUSB12; -1 if there is none.
long TrailingNumber(const std::string& name, size_t prefixLength) {
    if (name.size() <= prefixLength || name.size() > prefixLength + 6) return -1;
    long n = 0;
    for (size_t i = prefixLength; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9') return -1;
        n = n * 10 + (name[i] - '0');
    }
    return n;
}

// An on-board port node exists whether or not a UART is fitted; the kernel
// reports type 0 for the empty ones.
bool HasUart(const std::string& sysRoot, const std::string& name) {
    std::ifstream in(sysRoot + "/" + name + "/type");
    int type = 0;
    return in && (in >> type) && type != 0;
}

}  // namespace

std::vector<std::string> ListSerialDevices(const std::string& devRoot, const std::string& sysRoot) {
    struct Found {
        int family;
        long number;
        std::string path;
    };
    static const std::string kFamilies[] = {"ttyUSB", "ttyACM", "ttyS"};
    std::vector<Found> found;
    std::error_code ec;
    for (fs::directory_iterator it(devRoot, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        for (int f = 0; f < 3; ++f) {
            const std::string& prefix = kFamilies[f];
            if (name.compare(0, prefix.size(), prefix) != 0) continue;
            const long n = TrailingNumber(name, prefix.size());
            if (n < 0) continue;
            if (prefix == "ttyS" && (n < 12 || !HasUart(sysRoot, name))) continue;
            found.push_back({f, n, devRoot + "/" + name});
        }
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.family != b.family ? a.family < b.family : a.number < b.number;
    });
    std::vector<std::string> paths;
    for (const Found& f : found) paths.push_back(f.path);
    return paths;
}
