// The tour's contact sheet: DIR/NNN-name.png for every stop of the tour
// and DIR/index.html showing them with the commands that reach each one.
#include "tools/run/tour.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include <sys/stat.h>

#include "link/script_language.h"
#include "platform/clock.h"
#include "tools/run/files.h"
#include "tools/run/runner.h"

namespace geigerrun {
namespace {

std::string Html(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

// Where the sheet's links find the web page: GEIGERSIM_PAGE, or the page
// served from build/wasm/web as the README serves it.
std::string PageAddress() {
    const char* page = std::getenv("GEIGERSIM_PAGE");
    return page != nullptr && *page != 0 ? page : "http://127.0.0.1:8000/index.html";
}

// Every byte but the unreserved ones as %XX, so keys and clocks survive
// any address.
std::string UrlEncode(std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
            c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

// The live device at a stop's screen: the page with the run's seed and
// clock, running the stop's keys at load.
std::string LiveLink(const std::string& page, const StartOptions& options, std::string_view keys) {
    std::string link = page + (page.find('?') == std::string::npos ? "?" : "&");
    if (options.seed) link += "seed=" + std::to_string(*options.seed) + "&";
    link += "clock=" + UrlEncode(script::FormatClock(options.clock ? *options.clock : rtcSnapshot));
    return link + "&run=" + UrlEncode(keys);
}

}  // namespace

bool RunTour(Runner& runner, const std::string& dir, int scale, bool panel, std::ostream& out,
             std::string& error) {
    if (::mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
        error = "cannot make the folder " + script::Quote(dir) + ": " + std::strerror(errno);
        return false;
    }
    std::string sheet =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
        "<title>geigersim screens</title>\n<style>\n"
        "body { font-family: sans-serif; background: #f4f4f4; }\n"
        "figure { display: inline-block; vertical-align: top; margin: 8px; padding: 8px; background: #fff; "
        "max-width: 520px; }\n"
        "img { image-rendering: pixelated; }\n"
        "code { display: block; font-size: 11px; white-space: pre-wrap; word-break: break-word; }\n"
        "</style>\n</head>\n<body>\n<h1>Every screen</h1>\n"
        "<p>Each picture shows the screen that its commands reach from a fresh start: paste them into "
        "<code style=\"display:inline\">geigersim-run -e '...'</code> (with the same --clock and --seed), "
        "or follow its link to the live device at that screen (the web page served as the README says, "
        "or where GEIGERSIM_PAGE points).</p>\n";
    const std::string page = PageAddress();
    const TourVisit write = [&](const TourStop& stop, std::string& why) {
        char number[16];
        std::snprintf(number, sizeof number, "%03d", stop.number);
        const std::string file = std::string(number) + "-" + stop.name + ".png";
        if (!runner.WritePicture(dir + "/" + file, scale, panel, out, why)) return false;
        sheet += "<figure id=\"" + Html(stop.name) + "\">\n<img src=\"" + Html(file) + "\" alt=\"" +
                 Html(stop.name) + "\">\n<figcaption><b>" + number + " " + Html(stop.name) +
                 "</b>\n<code>" + Html(stop.keys) + "</code>\n<a href=\"" +
                 Html(LiveLink(page, runner.startOptions(), stop.keys)) + "\">live device</a></figcaption>\n</figure>\n";
        return true;
    };
    if (!VisitTour(runner, write, error)) return false;
    sheet += "</body>\n</html>\n";
    return WriteFileSafely(dir + "/index.html", sheet, out, error);
}

}  // namespace geigerrun
