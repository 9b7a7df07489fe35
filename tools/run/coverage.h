// `--coverage FILE`: which of the tour's screens a run's scripts reached,
// and the command that first did, as an HTML page with JSON beside it.
#pragma once

#include <string>
#include <vector>

#include "core/device_screen.h"
#include "tools/run/runner.h"
#include "tools/run/tour.h"

namespace geigerrun {

// The screens a run showed, each with the command that first showed it.
class ScreenLog {
public:
    // At every hand-over and after every command, with that command's place.
    void Saw(const DeviceScreen& screen, const std::string& where);
    // The place that first showed `screen`, or "" when none did.
    std::string FirstShown(const DeviceScreen& screen) const;

private:
    struct Seen {
        DeviceScreen screen;
        std::string where;
    };
    std::vector<Seen> seen_;
    size_t last_ = 0;  // a run shows one screen for long: checked first
};

// One screen of the tour: the stops that show it (an editor's steps are one
// screen), and how the run reached it.
struct CoveredScreen {
    DeviceScreen screen;
    std::vector<TourStop> stops;
    std::string reachedBy;  // "" when no script reached it
};

// The tour's screens, each once, in the tour's order, taken with `runner`
// (started afresh for each: run it after the scripts).
bool TourScreens(Runner& runner, const StartOptions& options, std::vector<CoveredScreen>& screens,
                 std::string& error);

// Writes the page to `path` and the JSON to the same name ending in .json;
// `summary` is "screens reached: N of M".
bool WriteCoverage(const std::string& path, std::vector<CoveredScreen>& screens, const ScreenLog& log,
                   std::string& summary, std::string& error);

// The JSON file beside an HTML `path`: its extension replaced by .json.
std::string CoverageJsonPath(const std::string& path);

}  // namespace geigerrun
