// `tour DIR`: every screen of the device, each reached from a fresh start
// by keys and waits alone.
#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace geigerrun {

class Runner;

struct TourStop {
    int number;        // 1, 2, ...: the order of the tour
    std::string name;  // e.g. "main-menu--user-option--speaker"
    std::string keys;  // runner commands that reach the screen from a fresh start
    std::string section;  // the heading it comes under on the contact sheet
};
using TourVisit = std::function<bool(const TourStop& stop, std::string& error)>;

// Reaches every screen in a fixed order, each from a fresh start with the
// runner's start options, and calls `visit` with the screen presented.
bool VisitTour(Runner& runner, const TourVisit& visit, std::string& error);

// Visits every screen from a fresh start, writing DIR/NNN-name.png and
// DIR/index.html. The runner must have been started with the options the
// run was given (clock, seed).
bool RunTour(Runner& runner, const std::string& dir, int scale, bool panel, std::ostream& out,
             std::string& error);

}  // namespace geigerrun
