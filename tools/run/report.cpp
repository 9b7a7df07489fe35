// The JUnit report and the failure pictures.
#include "tools/run/report.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <regex>
#include <set>
#include <sstream>

#include "platform/lcd.h"
#include "script/commands/lcd_dump.h"
#include "script/script_language.h"
#include "tools/run/files.h"

namespace geigerrun {
namespace {

// Colours of the diff picture: ink the LCD shows that the dump has not, and
// ink the dump has that the LCD does not show.
constexpr uint32_t kExtraInk = 0xD02020;
constexpr uint32_t kMissingInk = 0x2060E0;

// A dump's '?' (any pixel) shows in a grey that neither ink nor background has.
constexpr uint32_t kAnyPixel = 0xB0B0B0;

uint32_t DumpColour(char c) {
    return c == '#' ? kLcdInk : c == '.' ? kLcdBackground : c == '?' ? kAnyPixel : kLcdUnlit;
}

// A 122 x 32 picture of dump characters, two screen pixels per LCD pixel as the LCD shows.
bool WriteDumpPng(const std::string& path, const std::string& got, const std::string& want, bool diff,
                  std::string& error) {
    std::vector<uint32_t> pixels(static_cast<size_t>(kLcdWidth) * kLcdHeight);
    for (int y = 0; y < kLcdHeight; ++y) {
        for (int x = 0; x < kLcdWidth; ++x) {
            const size_t i = static_cast<size_t>(y) * (kLcdWidth + 1) + static_cast<size_t>(x);
            uint32_t colour = DumpColour(diff ? got[i] : want[i]);
            if (diff && got[i] == '#' && want[i] != '#' && want[i] != '?') colour = kExtraInk;
            if (diff && got[i] != '#' && want[i] == '#') colour = kMissingInk;
            pixels[static_cast<size_t>(y) * kLcdWidth + static_cast<size_t>(x)] = colour;
        }
    }
    std::string png, why;
    std::ostringstream unused;
    if (!EncodePng(pixels.data(), kLcdWidth, kLcdHeight, kLcdWidth, 2, png, why)) {
        error = "cannot write " + script::Quote(path) + ": " + why;
        return false;
    }
    return WriteFileSafely(path, png, unused, error);
}

}  // namespace

std::string XmlEscape(std::string_view text) {
    std::string out;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (ch) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            // Only tab, new line and printable ASCII are sure to be well-formed.
            script::AppendByte(out, c, c == '\n' || c == '\t' || (c >= 0x20 && c < 0x7F));
        }
    }
    return out;
}

std::string JUnitXml(const std::vector<CaseResult>& cases) {
    size_t failures = 0, errors = 0;
    double seconds = 0;
    for (const CaseResult& c : cases) {
        failures += c.failures.empty() ? 0 : 1;
        errors += c.fault.empty() ? 0 : 1;
        seconds += c.seconds;
    }
    auto time = [](double s) {
        char text[32];
        std::snprintf(text, sizeof text, "%.3f", s);
        return std::string(text);
    };
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites>\n";
    xml += "  <testsuite name=\"geigersim-run\" tests=\"" + std::to_string(cases.size()) + "\" failures=\"" +
           std::to_string(failures) + "\" errors=\"" + std::to_string(errors) + "\" time=\"" + time(seconds) +
           "\">\n";
    for (const CaseResult& c : cases) {
        xml += "    <testcase name=\"" + XmlEscape(c.name) + "\" classname=\"geigersim-run\" time=\"" +
               time(c.seconds) + "\"";
        if (c.failures.empty() && c.fault.empty()) {
            xml += "/>\n";
            continue;
        }
        xml += ">\n";
        for (const Runner::Failure& f : c.failures) {
            // The attribute holds the first line; the body the whole message (an LCD overlay for one).
            const std::string message = f.where + ": " + f.message;
            xml += "      <failure type=\"expectation\" message=\"" + XmlEscape(message.substr(0, message.find('\n'))) +
                   "\">" + XmlEscape(message) + "</failure>\n";
        }
        if (!c.fault.empty())
            xml += "      <error type=\"" + c.faultType + "\" message=\"" + XmlEscape(c.fault) + "\">" + XmlEscape(c.fault) +
                   "</error>\n";
        xml += "    </testcase>\n";
    }
    xml += "  </testsuite>\n</testsuites>\n";
    return xml;
}

std::vector<std::string> ArtifactLabels(const std::vector<std::string>& paths) {
    std::vector<std::string> labels;
    std::set<std::string> taken;
    for (const std::string& path : paths) {
        std::string name = path;
        if (path == "-") name = "stdin";
        while (name.starts_with("./")) name.erase(0, 2);
        while (name.starts_with("/")) name.erase(0, 1);
        const size_t slash = name.find_last_of('/');
        if (const size_t dot = name.rfind('.');
            dot != std::string::npos && (slash == std::string::npos || dot > slash + 1))
            name.resize(dot);
        for (char& c : name)
            if (c == '/') c = '-';
        if (name.empty()) name = "script";
        std::string label = name;
        for (int n = 2; !taken.insert(label).second; ++n) label = name + "-" + std::to_string(n);
        labels.push_back(label);
    }
    return labels;
}

bool RemoveArtifacts(const std::string& dir, const std::vector<std::string>& labels, std::string& error) {
    const std::set<std::string> wanted(labels.begin(), labels.end());
    std::error_code failed;
    for (const auto& entry : std::filesystem::directory_iterator(dir, failed)) {
        // LABEL-LINE-KIND.png, the label itself possibly holding '-'.
        const std::string name = entry.path().filename().string();
        static const std::regex kPicture("(.+)-[0-9]+-(actual|expected|diff)\\.png");
        std::smatch match;
        if (!std::regex_match(name, match, kPicture) || wanted.count(match[1].str()) == 0) continue;
        if (!std::filesystem::remove(entry.path(), failed)) break;
    }
    if (failed) {
        error = "cannot clear the earlier pictures in " + script::Quote(dir) + ": " + failed.message();
        return false;
    }
    return true;
}

bool CanWriteFile(const std::string& path, std::string& error) {
    if (path == "-") return true;
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target(path);
    if (fs::is_directory(target, ec)) {
        error = script::Quote(path) + " is a directory";
        return false;
    }
    const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (!fs::is_directory(parent, ec)) {
        error = "cannot write " + script::Quote(path) + ": no directory " + script::Quote(parent.string());
        return false;
    }
    // The file is written beside itself and renamed over, so the folder must take a new file.
    if (access(parent.c_str(), W_OK | X_OK) != 0 || (fs::exists(target, ec) && access(path.c_str(), W_OK) != 0)) {
        error = "cannot write " + script::Quote(path) + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool Runner::WriteArtifacts(const Command& cmd, std::string& error) const {
    if (artifacts_.empty()) return true;
    const std::string base = artifacts_ + "/" + cmd.label + "-" + std::to_string(cmd.position);
    std::ostringstream unused;
    if (!WritePicture(base + "-actual.png", 1, false, unused, error)) return false;
    if (cmd.op != Op::ExpectLcd) return true;
    const std::string got = LcdText(presented());
    return WriteDumpPng(base + "-expected.png", got, cmd.dump, false, error) &&
           WriteDumpPng(base + "-diff.png", got, cmd.dump, true, error);
}

}  // namespace geigerrun
