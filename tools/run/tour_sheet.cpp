// The tour's contact sheet: DIR/NNN-name.png for every screen of the tour
// and DIR/index.html, a page that prints, showing them in sections with the
// commands that reach each one and how the whole sheet was made; the
// manifest listing the stops for other tools, and the same sheet as a PDF.
#include "tools/run/tour.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <future>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>
#include <sys/stat.h>

#include "core/device_screen.h"
#include "core/screen_guide.h"
#include "core/substitutes.h"
#include "geigersim_version.h"
#include "platform/clock.h"
#include "script/commands/parse.h"
#include "script/script_language.h"
#include "tools/run/csv.h"
#include "tools/run/files.h"
#include "tools/run/runner.h"
#include "tools/run/tour_pdf.h"
#include "tools/run/tour_titles.h"

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
        case '\'': out += "&#39;"; break;
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

// The papers a sheet is laid out for, by Paper.
constexpr SheetPaper kPapers[] = {{"A4", "A4", 210, 297}, {"Letter", "letter", 215.9, 279.4}};

// Whether the page can stand the device in as the run's stand-ins have it:
// it takes a demo rate and the factory store, not a battery or a
// temperature reading of the run's own.
bool PageTakes(const DeviceSubstitutes& s) {
    const DeviceSubstitutes fixed;
    return s.battery == fixed.battery && s.batterySteady == fixed.batterySteady && s.temperature == fixed.temperature;
}

// The live device at a stop's screen: the page started as the route
// starts, its leading clock and seed its clock= and seed= (else the
// tour's, both fixed by then), the tour's demo rate and factory store its
// rate= and store=, and the rest of the route its run=. "" where the page
// cannot do the same: a route that sets the sensors or catches a picture.
std::string LiveLink(const std::string& page, const StartOptions& options, const DeviceSubstitutes& substitutes,
                     std::string_view keys) {
    if (!PageTakes(substitutes)) return "";
    StartOptions start = options;
    std::string run;
    for (const script::CommandText& part : script::SplitCommands(keys, "tour")) {
        std::vector<Command> commands;
        std::string error;
        if (!Parse(part.text, "tour", commands, error) || commands.empty()) return "";
        for (const Command& cmd : commands) {
            if (run.empty() && cmd.op == Op::Clock) start.clock = cmd.clock;
            else if (run.empty() && cmd.op == Op::Seed) start.seed = cmd.seed;
            else if (cmd.op != Op::Press && cmd.op != Op::Wait && cmd.op != Op::Real && cmd.op != Op::Demo) return "";
        }
        if (commands.front().op != Op::Clock && commands.front().op != Op::Seed)
            run += (run.empty() ? "" : "; ") + std::string(part.text);
    }
    std::string link = page + (page.find('?') == std::string::npos ? "?" : "&");
    link += "seed=" + std::to_string(start.seed.value_or(0)) + "&";
    link += "clock=" + UrlEncode(script::FormatClock(start.clock.value_or(0)));
    if (substitutes.demoRate != 0) link += "&rate=" + std::to_string(substitutes.demoRate);
    if (substitutes.factoryStore) link += "&store=factory";
    return link + "&run=" + UrlEncode(run);
}

// Width and height from a PNG's header, so the page lays out before the
// pictures load.
void PngSize(const std::string& png, uint32_t& width, uint32_t& height) {
    auto word = [&](size_t at) {
        uint32_t v = 0;
        for (size_t i = at; i < at + 4 && i < png.size(); ++i) v = v << 8 | static_cast<unsigned char>(png[i]);
        return v;
    };
    width = word(16);
    height = word(20);
}

// One picture on the sheet with every route that showed it.
struct Entry {
    std::string file;
    const std::string* png = nullptr;  // its bytes, kept for the PDF
    uint32_t width = 0, height = 0;
    std::vector<TourStop> stops;
    // For each stop, the number of the earlier stop whose keys it repeats
    // (0: its own keys), and the guide's title of the screen it shows.
    std::vector<int> sameAs;
    std::vector<std::string> titles;
    std::string guideTitle;  // of its first stop, for the stops that repeat its route
    void Add(const TourStop& stop, const std::string& title, int repeats = 0) {
        stops.push_back(stop);
        sameAs.push_back(repeats);
        titles.push_back(title);
    }
};

// A stop's number as its file name and the sheet show it: 012.
std::string Number(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", number);
    return text;
}

// The page's look on `paper`. Widths are in millimetres when printed, two
// figures side by side in the paper's width inside its margins; on screen
// the LCD shows at two CSS pixels a dot, a whole number, so
// nearest-neighbour scaling keeps every dot square.
std::string Style(const SheetPaper& paper) {
    const double inner = paper.width - 2 * kSheetMarginMm;
    char sizes[256];
    std::snprintf(sizes, sizeof sizes,
                  "@page { size: %s portrait; margin: %gmm; }\n"
                  "@media print {\n  .screens { gap: %gmm; }\n  figure { width: %gmm; }\n"
                  "  figure.dpi { max-width: %gmm; }\n}\n",
                  paper.css, kSheetMarginMm, kSheetGapMm, std::floor((inner - kSheetGapMm) / 2), inner);
    return std::string(R"(body { font-family: sans-serif; background: #f4f4f4; margin: 16px; }
h1 { margin: 0 0 8px; }
dl.made { display: grid; grid-template-columns: max-content 1fr; gap: 2px 12px; background: #fff; padding: 8px; }
dl.made dt { font-weight: bold; }
dl.made dd { margin: 0; }
dl.made code { font-size: 13px; }
code { font-size: 11px; white-space: pre-wrap; overflow-wrap: anywhere; }
nav ol { columns: 2; }
h2 { margin: 16px 0 4px; break-after: avoid; }
.screens { display: flex; flex-wrap: wrap; gap: 8px; }
figure { width: 504px; max-width: 100%; box-sizing: border-box; margin: 0; padding: 8px; background: #fff;
         break-inside: avoid; }
figure img { display: block; width: 100%; height: auto; }
figure.lcd img { image-rendering: pixelated; }
figcaption { font-size: 12px; }
.route { margin-top: 6px; break-inside: avoid; }
.route code { display: block; }
.route .title { display: block; font-size: 13px; }
.route .name { font-size: 10px; color: #555; }
@media print {
  body { background: none; margin: 0; font-size: 10pt; }
  dl.made, figure { background: none; border: 0.3mm solid #999; }
  figure { padding: 2mm; }
  code { font-size: 7pt; }
  dl.made code { font-size: 8.5pt; }
  figcaption { font-size: 8pt; }
  a { color: inherit; text-decoration: none; }
  nav { break-after: page; }
  figure.dpi { width: auto; }
  figure.dpi img { width: var(--printed-width); max-width: 100%; }
}
)") + sizes;
}

class Sheet {
public:
    Sheet(Runner& runner, const TourRequest& request)
        : runner_(runner), request_(request), page_(PageAddress()),
          paper_(kPapers[request.paper == Paper::Letter ? 1 : 0]), substitutes_(CurrentSubstitutes()) {}

    bool Write(std::ostream& out, std::string& error) {
        if (!request_.titles.empty() && !ReadTourTitles(request_.titles, titles_, error)) return false;
        if (::mkdir(request_.dir.c_str(), 0777) != 0 && errno != EEXIST) {
            error = "cannot make the folder " + script::Quote(request_.dir) + ": " + std::strerror(errno);
            return false;
        }
        given_ = runner_.startOptions();
        FixStart();
        const TourWant want = [&](const TourStop& stop) { return Wanted(stop); };
        const TourVisit visit = [&](const TourStop& stop, std::string& why) { return Shoot(stop, out, why); };
        if (!VisitTour(runner_, visit, error, want, PictureOptions()) || !CommitAll(out, error)) return false;
        if (entries_.empty())
            out << "tour: no screen's name contains " << script::Quote(request_.only) << ", so none was written\n";
        WarnUnknownTitles(out);
        const std::vector<Row> rows = Rows();
        std::string pdf;
        if (request_.pdf && !Pdf(pdf, error)) return false;
        return WriteFileSafely(request_.dir + "/index.html", Page(), out, error) &&
               WriteFileSafely(request_.dir + "/manifest.json", ManifestJson(rows), out, error) &&
               WriteFileSafely(request_.dir + "/manifest.csv", ManifestCsv(rows), out, error) &&
               (!request_.pdf || WriteFileSafely(request_.dir + "/" + kPdfName, pdf, out, error));
    }

private:
    // Without a fixed clock and seed each fresh start would take the time
    // anew, and no two screens, nor a second run, would agree: the tour
    // fixes them once, as power-on would have taken them, and says so.
    void FixStart() {
        StartOptions fixed = given_;
        const std::time_t now = std::time(nullptr);
        if (!fixed.clock) fixed.clock = RtcHostNow();
        if (!fixed.seed) fixed.seed = static_cast<uint32_t>(now);
        runner_.Start(fixed, CurrentSubstitutes());
    }

    // A stop is reached only when its name matches and no earlier stop
    // took the same route; a repeated route's name joins the first one.
    bool Wanted(const TourStop& stop) {
        named_.insert(stop.name);
        if (!request_.only.empty() && stop.name.find(request_.only) == std::string::npos) return false;
        if (routes_.find(stop.keys) == routes_.end()) {
            bool waiting = false;
            for (const Shot& shot : shots_) waiting = waiting || shot.stop.keys == stop.keys;
            if (!waiting) return true;
            std::ostringstream none;  // a tour writes no picture to "-"
            if (!CommitAll(none, commitError_)) return false;  // Shoot reports it
        }
        const auto known = routes_.find(stop.keys);
        if (known == routes_.end()) return true;
        Entry& entry = entries_[known->second.entry];
        bool named = false;
        for (const TourStop& s : entry.stops) named = named || s.name == stop.name;
        if (!named) entry.Add(stop, Title(stop, entry.guideTitle), known->second.number);
        return false;
    }

    // The screen as presented, taken now and encoded on another thread
    // while the device goes on to the next stop (encoding a panel picture
    // costs more than reaching it); Commit takes them in the tour's order.
    bool Shoot(const TourStop& stop, std::ostream& out, std::string& error) {
        if (!commitError_.empty()) {
            error = commitError_;
            return false;
        }
        RawPicture picture;
        if (!runner_.TakePicture(request_.scale, request_.panel, picture, error, request_.clean)) return false;
        const int dpi = request_.dpi;
        std::string title = GuideFor(CurrentScreen(), runner_.presented()).title;
        if (!stop.detail.empty()) title += " \u2014 " + stop.detail;
        shots_.push_back({stop, title, std::async(std::launch::async, [picture = std::move(picture), dpi] {
                              Encoded encoded;
                              encoded.ok = EncodePng(picture, encoded.png, encoded.error, dpi);
                              return encoded;
                          })});
        while (shots_.size() > kEncodingAtOnce)
            if (!CommitOldest(out, error)) return false;
        return true;
    }

    // A picture that an earlier route already showed byte for byte is
    // written once and listed with both routes.
    bool CommitOldest(std::ostream& out, std::string& error) {
        Shot shot = std::move(shots_.front());
        shots_.pop_front();
        Encoded encoded = shot.encoding.get();
        const TourStop& stop = shot.stop;
        const std::string file = Number(stop.number) + "-" + stop.name + ".png";
        if (!encoded.ok) {
            error = "cannot write " + script::Quote(request_.dir + "/" + file) + ": " + encoded.error;
            return false;
        }
        const auto [same, fresh] = pictures_.emplace(std::move(encoded.png), entries_.size());
        routes_[stop.keys] = {same->second, stop.number};
        const std::string title = Title(stop, shot.title);
        if (!fresh) {
            entries_[same->second].Add(stop, title);
            return true;
        }
        Entry entry;
        entry.file = file;
        entry.png = &same->first;
        entry.guideTitle = shot.title;
        PngSize(same->first, entry.width, entry.height);
        entry.Add(stop, title);
        entries_.push_back(std::move(entry));
        return WriteFileSafely(request_.dir + "/" + entries_.back().file, same->first, out, error);
    }

    bool CommitAll(std::ostream& out, std::string& error) {
        if (!commitError_.empty()) {
            error = commitError_;
            return false;
        }
        while (!shots_.empty())
            if (!CommitOldest(out, error)) return false;
        return true;
    }

    // An id not yet on the page: `wanted`, or it with -2, -3, ...
    std::string Id(const std::string& wanted) {
        std::string id = wanted;
        for (int n = 2; !ids_.emplace(id).second; ++n) id = wanted + "-" + std::to_string(n);
        return id;
    }

    std::string Figure(const Entry& entry) {
        std::string classes = request_.panel ? "" : "lcd";
        std::string style;
        if (request_.dpi > 0) {
            // Printed at the resolution the files state: width / dpi inches.
            char mm[32];
            std::snprintf(mm, sizeof mm, "%.1fmm", entry.width * 25.4 / request_.dpi);
            classes += classes.empty() ? "dpi" : " dpi";
            style = std::string(" style=\"--printed-width: ") + mm + "\"";
        }
        std::string html = "<figure id=\"" + Html(Id(entry.stops[0].name)) + "\"" +
                           (classes.empty() ? "" : " class=\"" + classes + "\"") + style + ">\n<a href=\"" +
                           Html(entry.file) +
                           "\"><img src=\"" + Html(entry.file) + "\" width=\"" + std::to_string(entry.width) +
                           "\" height=\"" + std::to_string(entry.height) + "\" alt=\"" + Html(entry.titles[0]) +
                           "\"></a>\n<figcaption>\n";
        for (size_t i = 0; i < entry.stops.size(); ++i) {
            const TourStop& stop = entry.stops[i];
            html += "<div class=\"route\"" + (i == 0 ? std::string() : " id=\"" + Html(Id(stop.name)) + "\"") +
                    "><b class=\"title\">" + Html(entry.titles[i]) + "</b>\n<span class=\"name\">" +
                    Number(stop.number) + " " + Html(stop.name) + "</span>\n";
            if (entry.sameAs[i] != 0) {
                html += "(the same commands as " + Number(entry.sameAs[i]) + ")</div>\n";
                continue;
            }
            html += "<code>" + Html(stop.keys) + "</code>\n";
            const std::string live = Live(stop.keys);
            html += !live.empty() ? "<a href=\"" + Html(live) + "\">live device</a></div>\n"
                                  : "<span class=\"note\">geigersim-run only</span></div>\n";
        }
        return html + "</figcaption>\n</figure>\n";
    }

    // What a `png` takes to make the tour's pictures: " scale 2 panel".
    std::string PictureOptions() const {
        std::string text;
        if (request_.scale != 1) text += " scale " + std::to_string(request_.scale);
        if (request_.panel) text += " panel";
        if (request_.clean) text += " clean";
        if (request_.dpi != 0) text += " dpi " + std::to_string(request_.dpi);
        return text;
    }

    // The tour command as typed, rebuilt from what it asked for.
    std::string TourCommand() const {
        std::string text = "tour " + request_.dir + PictureOptions();
        if (!request_.only.empty()) text += " only " + request_.only;
        if (request_.paper != Paper::A4) text += " paper letter";
        if (request_.pdf) text += " pdf";
        if (!request_.titles.empty()) text += " titles " + request_.titles;
        return text;
    }

    std::string Again() const {
        const StartOptions& used = runner_.startOptions();
        return ShellLine({"geigersim-run", "--clock", script::FormatClock(*used.clock), "--seed",
                          std::to_string(*used.seed), "-e", TourCommand()});
    }

    std::string Head() const {
        const StartOptions& used = runner_.startOptions();
        const std::string clock = script::FormatClock(*used.clock);
        const std::string seed = std::to_string(*used.seed);
        std::string html = "<dl class=\"made\">\n<dt>Program</dt><dd>geigersim-run " GEIGERSIM_VERSION "</dd>\n";
        html += "<dt>Clock</dt><dd><code>--clock " + clock + "</code> " +
                (given_.clock ? "as the run gave it" : "(the run gave none: the time the tour began)") +
                "; the device's clock, which has no time zone</dd>\n";
        html += "<dt>Seed</dt><dd><code>--seed " + seed + "</code> " +
                (given_.seed ? "as the run gave it"
                             : "(the run gave none: the time the tour began, as power-on takes it)") +
                "</dd>\n";
        html += "<dt>Pictures</dt><dd>scale " + std::to_string(request_.scale) + ", " +
                (request_.panel ? "<code>panel</code>: the whole front panel" +
                                      std::string(request_.clean ? " without the start hint and the lamp "
                                                                   "(<code>clean</code>)"
                                                                 : "")
                                : "the LCD alone (no <code>panel</code>)");
        if (request_.dpi != 0) {
            html += "; " + std::to_string(request_.dpi) + " dpi, as each file states";
            if (!entries_.empty()) {
                char size[64];
                std::snprintf(size, sizeof size, ": printed %.1f mm wide", entries_[0].width * 25.4 / request_.dpi);
                html += size;
            }
        } else {
            html += "; no resolution stated (printed to fit the column)";
        }
        if (!request_.only.empty())
            html += "; only the screens whose names contain <code>" + Html(request_.only) + "</code>";
        html += "</dd>\n<dt>Paper</dt><dd>" + std::string(paper_.name) + " (" + Millimetres(paper_.width) +
                " &times; " + Millimetres(paper_.height) + " mm): the printed page" +
                (request_.pdf ? std::string(" and <code>") + kPdfName + "</code>" : std::string()) + "</dd>\n";
        if (!request_.titles.empty())
            html += "<dt>Titles</dt><dd>from <code>" + Html(request_.titles) + "</code> where it names the screen, "
                    "else the guide's</dd>\n";
        html += "<dt>Made by</dt><dd><code>" +
                Html(runner_.commandLine().empty() ? std::string("geigersim-run") : runner_.commandLine()) +
                "</code>, its command <code>" + Html(TourCommand()) + "</code>" +
                (request_.where.empty() ? "" : " (" + Html(request_.where) + ")") + "</dd>\n";
        html += "<dt>Again</dt><dd><code>" + Html(Again()) +
                "</code> makes the same pictures with this version, byte for byte; each screen's commands "
                "below, pasted into <code>geigersim-run --clock " + clock + " --seed " + seed +
                " -e '...'</code>, reach that screen alone, and its link opens the live device there (the web page "
                "served as the README says, or where GEIGERSIM_PAGE points).</dd>\n</dl>\n";
        return html;
    }

    // Sections: consecutive entries under the same heading.
    struct Section {
        std::string heading, id;
        std::vector<size_t> entries;
    };
    // With `ids` each gets its id on the page (once only: the page's ids are unique).
    std::vector<Section> Sections(bool ids) {
        std::vector<Section> sections;
        for (size_t i = 0; i < entries_.size(); ++i) {
            const std::string& heading = entries_[i].stops[0].section;
            if (sections.empty() || sections.back().heading != heading)
                sections.push_back({heading, ids ? Id("section-" + Slug(heading)) : std::string(), {}});
            sections.back().entries.push_back(i);
        }
        return sections;
    }

    std::string ContentsNote() const {
        size_t stops = 0;
        for (const Entry& entry : entries_) stops += entry.stops.size();
        return std::to_string(entries_.size()) + " pictures of " + std::to_string(stops) +
               " screens; a picture that two routes reach alike is shown once, with both.";
    }

    std::string Page() {
        const std::vector<Section> sections = Sections(true);
        const std::string title =
            request_.only.empty() ? "Every screen"
                                  : "Screens whose names contain <code>" + Html(request_.only) + "</code>";
        std::string html = std::string("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n") +
                           "<title>geigersim screens</title>\n<style>\n" + Style(paper_) +
                           "</style>\n</head>\n<body>\n<h1>" + title + "</h1>\n" + Head();
        html += "<nav>\n<h2>Contents</h2>\n<p>" + ContentsNote() + "</p>\n<ol>\n";
        for (const Section& s : sections)
            html += "<li><a href=\"#" + s.id + "\">" + Html(s.heading) + "</a> (" + std::to_string(s.entries.size()) +
                    ")</li>\n";
        html += "</ol>\n</nav>\n";
        if (entries_.empty())
            html += "<p>No screen's name contains <code>" + Html(request_.only) + "</code>.</p>\n";
        for (const Section& s : sections) {
            html += "<section>\n<h2 id=\"" + s.id + "\">" + Html(s.heading) + "</h2>\n<div class=\"screens\">\n";
            for (size_t i : s.entries) html += Figure(entries_[i]);
            html += "</div>\n</section>\n";
        }
        return html + "</body>\n</html>\n";
    }

    // The title a stop shows: the one `titles FILE` gives its name, else the guide's.
    std::string Title(const TourStop& stop, const std::string& guide) const {
        const auto given = titles_.find(stop.name);
        return given != titles_.end() ? given->second : guide;
    }

    // Names in the titles file that no stop of the tour has (a typing
    // mistake, a screen renamed): a word on the output, not a refusal.
    void WarnUnknownTitles(std::ostream& out) const {
        std::string unknown;
        for (const auto& [name, title] : titles_)
            if (!named_.contains(name)) unknown += (unknown.empty() ? "" : ", ") + script::Quote(name);
        if (!unknown.empty())
            out << "tour: warning: " << script::Quote(request_.titles) << " names no screen of the tour as "
                << unknown << "; those titles are not used\n";
    }

    std::string Live(std::string_view keys) const {
        return LiveLink(page_, runner_.startOptions(), substitutes_, keys);
    }

    static std::string Millimetres(double mm) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", mm);
        return text;
    }

    // One stop as the manifest lists it.
    struct Row {
        const TourStop* stop;
        const std::string* title;
        const Entry* entry;
        int repeats;  // the number of the stop whose picture file it shares, or 0
    };

    std::vector<Row> Rows() const {
        std::vector<Row> rows;
        for (const Entry& entry : entries_)
            for (size_t i = 0; i < entry.stops.size(); ++i)
                rows.push_back({&entry.stops[i], &entry.titles[i], &entry, i == 0 ? 0 : entry.stops[0].number});
        std::sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) { return a.stop->number < b.stop->number; });
        return rows;
    }

    std::string ManifestJson(const std::vector<Row>& rows) const {
        const StartOptions& used = runner_.startOptions();
        nlohmann::ordered_json stops = nlohmann::ordered_json::array();
        for (const Row& row : rows)
            stops.push_back({{"number", row.stop->number},
                             {"name", row.stop->name},
                             {"title", *row.title},
                             {"section", row.stop->section},
                             {"file", row.entry->file},
                             {"repeats", row.repeats == 0 ? nlohmann::ordered_json() : nlohmann::ordered_json(row.repeats)},
                             {"route", row.stop->keys},
                             {"live", Live(row.stop->keys)}});
        const nlohmann::ordered_json manifest = {{"program", "geigersim-run " GEIGERSIM_VERSION},
                                                 {"clock", script::FormatClock(*used.clock)},
                                                 {"seed", *used.seed},
                                                 {"paper", paper_.name},
                                                 {"again", Again()},
                                                 {"stops", stops}};
        // Titles from a file may be any UTF-8; the manifest keeps them as they are.
        return manifest.dump(2) + "\n";
    }

    std::string ManifestCsv(const std::vector<Row>& rows) const {
        std::string csv = CsvRecord({"number", "name", "title", "section", "file", "repeats", "route", "live"});
        for (const Row& row : rows)
            csv += CsvRecord({std::to_string(row.stop->number), row.stop->name, *row.title, row.stop->section,
                              row.entry->file, row.repeats == 0 ? "" : std::to_string(row.repeats), row.stop->keys,
                              Live(row.stop->keys)});
        return csv;
    }

    // The sheet as a PDF: the head as the page has it, then every section.
    bool Pdf(std::string& bytes, std::string& error) {
        PdfSheet sheet;
        sheet.paper = paper_;
        sheet.title = request_.only.empty() ? "Every screen" : "Screens whose names contain " + request_.only;
        sheet.headHtml = Head();
        sheet.contentsNote = ContentsNote();
        sheet.dpi = request_.dpi;
        sheet.creator = "geigersim-run " GEIGERSIM_VERSION;
        for (const Section& section : Sections(false)) {
            PdfSection& out = sheet.sections.emplace_back();
            out.heading = section.heading;
            for (size_t i : section.entries) {
                const Entry& entry = entries_[i];
                PdfFigure& figure = out.figures.emplace_back();
                figure.png = entry.png;
                for (size_t k = 0; k < entry.stops.size(); ++k)
                    figure.routes.push_back(
                        {entry.stops[k].number, entry.titles[k], entry.stops[k].name, entry.stops[k].keys, entry.sameAs[k]});
            }
        }
        if (WriteSheetPdf(sheet, bytes, error)) return true;
        error = "cannot write " + script::Quote(request_.dir + "/" + kPdfName) + ": " + error;
        return false;
    }

    static constexpr const char* kPdfName = "screens.pdf";

    // Pictures taken and not yet written: enough that the encoders keep
    // busy while the device spends a while reaching one screen (a minute
    // and a half of counts), few enough that a scale 8 tour stays small.
    static constexpr size_t kEncodingAtOnce = 8;
    struct Encoded {
        bool ok = false;
        std::string png, error;
    };
    struct Shot {
        TourStop stop;
        std::string title;  // the guide's, read while the device shows the screen
        std::future<Encoded> encoding;
    };

    Runner& runner_;
    const TourRequest& request_;
    const std::string page_;
    const SheetPaper paper_;
    // The stand-ins every fresh device of the tour starts with.
    const DeviceSubstitutes substitutes_;
    std::map<std::string, std::string> titles_;  // by stop name, from `titles FILE`
    std::set<std::string> named_;                // every stop's name the tour came by
    std::deque<Shot> shots_;  // in the tour's order
    std::string commitError_;  // a picture that failed while a route was looked up
    StartOptions given_;
    std::vector<Entry> entries_;
    std::map<std::string, size_t> pictures_;  // PNG bytes: the entry that shows them
    struct Route {
        size_t entry;  // that showed its screen
        int number;    // of the stop that took it first
    };
    std::map<std::string, Route> routes_;  // by keys
    std::set<std::string> ids_;
};

}  // namespace

std::string ShellLine(const std::vector<std::string>& words) {
    std::string line;
    for (const std::string& word : words) line += (line.empty() ? "" : " ") + script::ShellQuote(word);
    return line;
}

bool RunTour(Runner& runner, const TourRequest& request, std::ostream& out, std::string& error) {
    Sheet sheet(runner, request);
    return sheet.Write(out, error);
}

}  // namespace geigerrun
