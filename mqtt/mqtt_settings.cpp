// What the MQTT publisher is told on the command line: the broker's
// address, the login file and the device id.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/bounded_read.h"
#include "mqtt/mqtt_publisher.h"
#include "script/script_language.h"

namespace fs = std::filesystem;

namespace {

constexpr size_t kMaxIdLength = 64;

bool IdChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
}

}  // namespace

bool ParseMqttUrl(std::string_view url, MqttSettings& settings, std::string& error) {
    const std::string where = "--mqtt " + script::Quote(url);
    std::string_view rest = url;
    if (rest.substr(0, 7) == "mqtt://") {
        settings.tls = false;
        rest.remove_prefix(7);
    } else if (rest.substr(0, 8) == "mqtts://") {
        settings.tls = true;
        rest.remove_prefix(8);
    } else {
        error = where + ": use mqtt://HOST[:PORT] or mqtts://HOST[:PORT]";
        return false;
    }
    if (!rest.empty() && rest.back() == '/') rest.remove_suffix(1);
    if (rest.find('@') != std::string_view::npos) {
        error = where + ": no login in the address; give it in --mqtt-auth FILE";
        return false;
    }
    if (rest.find_first_of("/?# \t") != std::string_view::npos) {
        error = where + ": a broker's address has no path";
        return false;
    }
    std::string_view host = rest, port;
    if (!rest.empty() && rest.front() == '[') {  // [::1]:1883
        const size_t close = rest.find(']');
        if (close == std::string_view::npos) {
            error = where + ": no ']' after the IPv6 address";
            return false;
        }
        host = rest.substr(1, close - 1);
        rest.remove_prefix(close + 1);
        if (!rest.empty() && rest.front() != ':') {
            error = where + ": ':PORT' or nothing after ']'";
            return false;
        }
        port = rest.empty() ? rest : rest.substr(1);
    } else if (const size_t colon = rest.rfind(':'); colon != std::string_view::npos) {
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (host.find(':') != std::string_view::npos) {
            error = where + ": put an IPv6 address in brackets";
            return false;
        }
    }
    if (host.empty()) {
        error = where + ": no host";
        return false;
    }
    for (char c : host)
        if (static_cast<unsigned char>(c) < 0x21 || static_cast<unsigned char>(c) > 0x7e) {
            error = where + ": bad host";
            return false;
        }
    int number = settings.tls ? 8883 : 1883;
    if (rest.find(':') != std::string_view::npos || !port.empty()) {
        number = 0;
        bool ok = !port.empty() && port.size() <= 5;
        for (char c : port) {
            ok = ok && c >= '0' && c <= '9';
            if (ok) number = number * 10 + (c - '0');
        }
        if (!ok || number < 1 || number > 65535) {
            error = where + ": port " + script::Quote(port) + " out of range (1..65535)";
            return false;
        }
    }
    settings.url = std::string(url);
    settings.host = std::string(host);
    settings.port = number;
    return true;
}

bool ReadMqttAuth(const std::string& path, MqttSettings& settings, std::string& error) {
    const std::string where = "--mqtt-auth " + script::Quote(path);
    // Refused rather than waited on: a FIFO would hold the start for a writer.
    if (const char* kind = NotRegularFile(path)) {
        error = where + ": not a regular file (" + kind + ")";
        return false;
    }
    std::string text, why;
    if (!ReadBounded(path, kMqttAuthFile, text, why)) {
        error = where + ": " + why;
        return false;
    }
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size() && lines.size() < 3;) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    if (lines.empty() || lines[0].empty() || lines.size() > 2) {
        error = where + ": write the user name on the first line and the password on the second";
        return false;
    }
    settings.user = lines[0];
    settings.password = lines.size() > 1 ? lines[1] : std::string();
    return true;
}

bool ValidMqttId(std::string_view id) {
    if (id.empty() || id.size() > kMaxIdLength) return false;
    for (char c : id)
        if (!IdChar(c)) return false;
    return true;
}

std::string MqttIdForPort(const std::string& portPath) {
    if (portPath.empty()) return {};
    fs::path name = fs::path(portPath).filename();
    std::error_code ec;
    const fs::path target = fs::canonical(portPath, ec);
    if (!ec && fs::path(portPath).parent_path() != "/dev/serial/by-id") {
        for (const fs::directory_entry& link : fs::directory_iterator("/dev/serial/by-id", ec)) {
            std::error_code linkError;
            if (fs::canonical(link.path(), linkError) == target && !linkError) {
                name = link.path().filename();
                break;
            }
        }
    }
    std::string id = name.string();
    for (char& c : id)
        if (!IdChar(c)) c = '_';
    if (id.size() > kMaxIdLength) id.erase(0, id.size() - kMaxIdLength);  // the serial number is at the end
    return id;
}
