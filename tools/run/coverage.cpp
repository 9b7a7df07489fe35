// The screen coverage of a run: the tour's screens by what the device does
// there, matched against what the scripts showed.
#include "tools/run/coverage.h"

#include <nlohmann/json.hpp>

#include <sstream>

#include "script/script_language.h"
#include "tools/run/files.h"
#include "tools/run/report.h"

namespace geigerrun {

void ScreenLog::Saw(const DeviceScreen& screen, const std::string& where) {
    if (last_ < seen_.size() && seen_[last_].screen == screen) return;
    for (size_t i = 0; i < seen_.size(); ++i)
        if (seen_[i].screen == screen) {
            last_ = i;
            return;
        }
    last_ = seen_.size();
    seen_.push_back({screen, where});
}

std::string ScreenLog::FirstShown(const DeviceScreen& screen) const {
    for (const Seen& s : seen_)
        if (s.screen == screen) return s.where;
    return "";
}

bool TourScreens(Runner& runner, const StartOptions& options, std::vector<CoveredScreen>& screens,
                 std::string& error) {
    // The screens do not hang on the clock or the seed, but a tour needs both fixed.
    StartOptions fixed = options;
    if (!fixed.clock) script::ParseClock("2026-03-07T09:05:30", fixed.clock.emplace(), error);
    if (!fixed.seed) fixed.seed = 1;
    runner.Start(fixed);
    const auto visit = [&](const TourStop& stop, std::string&) {
        const DeviceScreen screen = CurrentScreen();
        for (CoveredScreen& s : screens)
            if (s.screen == screen) {
                s.stops.push_back(stop);
                return true;
            }
        screens.push_back({screen, {stop}, ""});
        return true;
    };
    return VisitTour(runner, visit, error);
}

std::string CoverageJsonPath(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.rfind('.');
    const bool extension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return (extension ? path.substr(0, dot) : path) + ".json";
}

bool WriteCoverage(const std::string& path, std::vector<CoveredScreen>& screens, const ScreenLog& log,
                   std::string& summary, std::string& error) {
    size_t reached = 0;
    for (CoveredScreen& s : screens) {
        s.reachedBy = log.FirstShown(s.screen);
        reached += s.reachedBy.empty() ? 0 : 1;
    }
    summary = "screens reached: " + std::to_string(reached) + " of " + std::to_string(screens.size());

    nlohmann::json list = nlohmann::json::array();
    std::string rows;
    for (const CoveredScreen& s : screens) {
        nlohmann::json names = nlohmann::json::array();
        std::string shown;
        for (const TourStop& stop : s.stops) {
            names.push_back(stop.name);
            shown += (shown.empty() ? "" : "<br>") + XmlEscape(stop.name);
        }
        list.push_back({{"names", names},
                        {"screen", DescribeScreen(s.screen)},
                        {"reached", !s.reachedBy.empty()},
                        {"by", s.reachedBy.empty() ? nlohmann::json() : nlohmann::json(s.reachedBy)},
                        {"keys", s.stops.front().keys}});
        rows += std::string("<tr class=\"") + (s.reachedBy.empty() ? "missed" : "reached") + "\"><td>" + shown +
                "</td><td>" + XmlEscape(DescribeScreen(s.screen)) + "</td><td>" +
                (s.reachedBy.empty() ? "not reached; the tour gets there with <code>" +
                                           XmlEscape(s.stops.front().keys) + "</code>"
                                     : XmlEscape(s.reachedBy)) +
                "</td></tr>\n";
    }
    const nlohmann::json report = {{"reached", reached}, {"screens", screens.size()}, {"list", list}};
    const std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>geigersim-run coverage</title>\n"
        "<style>body{font-family:sans-serif}td{padding:2px 8px;vertical-align:top}"
        "tr.missed{background:#fde0e0}tr.reached{background:#e0f5e0}</style></head><body>\n"
        "<h1>" + summary + "</h1>\n<table>\n<tr><th>Screen</th><th>What the device does</th>"
        "<th>First reached by</th></tr>\n" + rows + "</table>\n</body></html>\n";
    std::ostringstream unused;
    return WriteFileSafely(path, html, unused, error) &&
           WriteFileSafely(CoverageJsonPath(path), report.dump(1) + "\n", unused, error);
}

}  // namespace geigerrun
