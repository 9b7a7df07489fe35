// `tour DIR`: every screen of the device, each reached from a fresh start
// by keys and waits alone.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "script/commands/parse.h"

namespace geigerrun {

class Runner;

struct TourStop {
    int number;        // 1, 2, ...: the order of the tour
    std::string name;  // e.g. "main-menu--user-option--speaker"
    std::string keys;  // runner commands that reach the screen from a fresh start
    std::string section;  // the heading it comes under on the contact sheet
    std::string detail;   // what tells it from other stops on the same screen, or ""
};
using TourVisit = std::function<bool(const TourStop& stop, std::string& error)>;
// Asked before a stop is reached; a stop it turns down is skipped unreached
// but keeps its number, so a partial tour names its files as a full one.
using TourWant = std::function<bool(const TourStop& stop)>;

// Reaches every screen in a fixed order, each from a fresh start with the
// runner's start options, and calls `visit` with the screen presented.
// `pictureOptions` (" scale 2 panel") go into the `png` of a route that
// catches its screen as drawn, so the route makes the tour's picture.
bool VisitTour(Runner& runner, const TourVisit& visit, std::string& error, const TourWant& want = {},
               const std::string& pictureOptions = "");

// What a `tour` command asks for.
struct TourRequest {
    std::string dir;
    int scale = 1;       // 1..8
    bool panel = false;  // the whole front panel rather than the LCD
    std::string only;    // only the stops whose names contain this ("" for all)
    std::string where;   // the command's place, as "-e 1, command 2"
    int dpi = 0;         // the resolution the pictures state, 0 for none
    bool clean = false;  // with panel: without the start hint and the lamp
    Paper paper = Paper::A4;  // what the sheet and the PDF are laid out on
    bool pdf = false;         // DIR/screens.pdf as well
    std::string titles;       // a CSV file of name,title rows that replace the guide's ("" for none)
};

// Visits the screens from a fresh start, writing DIR/NNN-name.png,
// DIR/index.html, the contact sheet, DIR/manifest.json and .csv, one row a
// stop, and with `pdf` DIR/screens.pdf. The runner must have been started
// with the options the run was given; where they leave the clock or the
// seed open the tour fixes them, so that all its screens share one of each
// and the sheet can say which.
bool RunTour(Runner& runner, const TourRequest& request, std::ostream& out, std::string& error);

// `words` as a shell command that gives them back: a word of only safe
// characters as it is, any other in single quotes.
// `text` in lower case, each run of other characters one '-': the stops' names and the sheet's ids.
std::string Slug(std::string_view text);

std::string ShellLine(const std::vector<std::string>& words);

}  // namespace geigerrun
