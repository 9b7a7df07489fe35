// `tour DIR`: every screen of the device, each reached from a fresh start
// by keys and waits alone (tour_sheet.cpp writes the pictures and the
// contact sheet). The menu part follows the firmware's own tables,
// so a new row or submenu joins the tour by itself.
#include "tools/run/tour.h"

#include <string>
#include <sstream>
#include <vector>

#include "firmware/firmware.h"
#include "firmware/state.h"
#include "link/script_language.h"
#include "link/commands/parse.h"
#include "tools/run/runner.h"

namespace geigerrun {
namespace {

constexpr const char* kBoot = "press select; wait 3s";
// Between keys: one half second, well inside the value box's life.
constexpr const char* kPause = "; wait 500ms";
// Long enough for a value box to close and the screen below to return.
constexpr const char* kSettle = "; wait 3s";

std::string Slug(std::string_view text) {
    std::string out;
    for (char c : text) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
        if (c >= 'A' && c <= 'Z') {
            out += static_cast<char>(c - 'A' + 'a');
        } else if (alnum) {
            out += c;
        } else if (!out.empty() && out.back() != '-') {
            out += '-';
        }
    }
    while (!out.empty() && out.back() == '-') out.pop_back();
    return out.empty() ? "row" : out;
}

std::string Keys(const std::string& prefix, const char* key, int times = 1) {
    std::string out = prefix;
    for (int i = 0; i < times; ++i) out += std::string("; press ") + key + kPause;
    return out;
}

// Editors with more than one field: after opening, Select moves to their
// next field, so the tour looks at two of those as well.
bool HasFields(Handler select) {
    return select == NoteEditOpen || select == DateTimeSelect || select == CalibrateSelect ||
           select == DurationEditSelect;
}

// Screens whose Up steps a value although their menu row has no step:
// the note editor's character, the temperature screen's unit.
bool StepsInside(Handler select) { return select == NoteEditOpen || select == OpenTemperatureScreen; }

class Tour {
public:
    Tour(Runner& runner, const TourVisit& visit, const TourWant& want) : runner_(runner), visit_(visit), want_(want) {}

    // Runs `keys` from a fresh start, as a person pasting them would.
    bool Reach(const std::string& keys, std::string& error) {
        runner_.Start(runner_.startOptions());
        std::vector<Command> commands;
        std::ostringstream ignored;
        return Parse(keys, "tour", commands, error) && runner_.Run(commands, ignored, error);
    }

    // The heading of the stops that follow.
    void Section(std::string heading) { section_ = std::move(heading); }

    bool Stop(const std::string& name, const std::string& keys, std::string& error) {
        const TourStop stop{++number_, name, keys, section_};
        if (want_ && !want_(stop)) return true;
        return Reach(keys, error) && visit_(stop, error);
    }

    // Back opens the mode box, a second Back steps the mode: `keys` gets
    // the first of up to `tries` step counts from `from` that shows `mode`,
    // found by trying (the last one tried when none does).
    bool ReachMode(const std::string& from, uint8_t mode, int tries, std::string& keys, std::string& error) {
        for (int steps = 0; steps < tries; ++steps) {
            keys = Keys(Keys(from, "back"), "back", steps) + kSettle;
            if (!Reach(keys, error)) return false;
            if (fw.displayMode == mode) break;
        }
        return true;
    }

    bool Readings(std::string& error) {
        static constexpr const char* kModes[] = {"text", "graphic", "large-font"};
        for (uint8_t mode = 0; mode < 3; ++mode) {
            std::string keys;
            if (!ReachMode(kBoot, mode, 4, keys, error)) return false;
            const std::string name = std::string("reading-") + kModes[mode];
            if (mode == 0) {
                textMode_ = keys;
                // Up steps the lines; the fifth line set shows the dose in mR/h.
                if (!Stop(name + "--usv", keys, error)) return false;
                if (!Stop(name + "--mr", Keys(keys, "up", 4) + kSettle, error)) return false;
            } else if (mode == 2) {
                static constexpr const char* kUnits[] = {"--cpm", "--usv", "--mr"};
                for (uint8_t unit = 0; unit < 3; ++unit)
                    for (int ups = 0; ups < 6; ++ups) {
                        const std::string k = ups == 0 ? keys : Keys(keys, "up", ups) + kSettle;
                        if (!Reach(k, error)) return false;
                        if (fw.largeFontUnit == unit) {
                            if (!Stop(name + kUnits[unit], k, error)) return false;
                            break;
                        }
                    }
            } else if (!Stop(name, keys, error)) {
                return false;
            }
            if (!Stop(name + "--mode-box", Keys(keys, "back"), error)) return false;
        }
        return true;
    }

    // Every row of `table` under the cursor; every editor opened and
    // stepped once; every submenu the same way.
    bool Menu(MenuItem* table, const std::string& name, const std::string& keys, std::string& error) {
        for (uint8_t row = 0;; ++row) {
            const MenuItem& item = table[row];
            const std::string at = Keys(keys, "down", row);
            const std::string rowName = name + "--" + Slug(item.text);
            if (table == MainMenu) Section(item.text);
            if (!Stop(rowName, at, error)) return false;
            if (item.onSelect == MenuExit) break;
            const std::string opened = Keys(at, "select");
            if (item.onSelect == nullptr) {
                if (item.child != nullptr && !Menu(item.child, rowName, opened, error)) return false;
                continue;
            }
            if (!Stop(rowName + "--open", opened, error)) return false;
            if (item.onSelect == HistoryDataSelect) {
                if (!History(rowName, at, error)) return false;
                continue;
            }
            if ((item.onUp != nullptr || StepsInside(item.onSelect)) &&
                !Stop(rowName + "--step", Keys(opened, "up") + (StepsInside(item.onSelect) ? kSettle : ""), error))
                return false;
            if (HasFields(item.onSelect)) {
                if (!Stop(rowName + "--next", Keys(opened, "select"), error)) return false;
                if (!Stop(rowName + "--next-2", Keys(opened, "select", 2), error)) return false;
            }
        }
        return true;
    }

    // The history viewer from its menu row at `at`: the step's name, the
    // record it finds, a step chosen with Up and Down and run with Select;
    // then the same records as a list, from the text reading mode (from the
    // graphic mode, the default, the viewer draws a graph).
    bool History(const std::string& name, const std::string& at, std::string& error) {
        const std::string opened = Keys(at, "select");
        const std::string viewer = opened + kSettle;
        if (!Stop(name + "--open", opened, error) || !Stop(name + "--viewer", viewer, error) ||
            !Stop(name + "--viewer--step", Keys(viewer, "up"), error) ||
            !Stop(name + "--viewer--next", Keys(viewer, "select") + kSettle, error))
            return false;
        for (int downs = 1; downs <= 3; ++downs)
            if (!Stop(name + "--viewer--down-" + std::to_string(downs),
                      Keys(Keys(viewer, "down", downs), "select") + kSettle, error))
                return false;
        const std::string list = textMode_ + viewer.substr(std::string(kBoot).size());
        return Stop(name + "--viewer--list", list, error) &&
               Stop(name + "--viewer--list--next", Keys(list, "select") + kSettle, error);
    }

    // A one-minute count started from its menu, then the reading screen's
    // timed-count mode page by page.
    bool TimedPages(std::string& error) {
        uint8_t timedRow = 0, oneMinute = 0;
        while (MainMenu[timedRow].child != TimedCountMenu) ++timedRow;
        while (TimedCountMenu[oneMinute].text != kLabelOneMinute) ++oneMinute;
        const std::string started =
            Keys(Keys(Keys(Keys(kBoot, "select"), "down", timedRow), "select"), "down", oneMinute);
        // While it runs, the Timed Count menu offers "Cancel" in its place.
        const std::string running = Keys(started, "select") + kSettle;
        if (!Menu(CancelMenu, "main-menu--timed-count-running", running, error)) return false;
        const std::string reading = Keys(running, "back", 2) + kSettle;
        std::string keys;
        if (!ReachMode(reading, 3, 5, keys, error)) return false;
        if (fw.displayMode != 3) return true;  // no timed-count mode to show
        // Down turns the page; the next second's drawing shows it.
        for (int page = 0; page < 4; ++page) {
            const std::string k = page == 0 ? keys : Keys(keys, "down", page) + kSettle;
            if (!Reach(k, error)) return false;
            if (fw.timedPage != page) break;  // no further page
            if (!Stop("reading-timed-count--page-" + std::to_string(page + 1), k, error)) return false;
        }
        return true;
    }

private:
    Runner& runner_;
    const TourVisit& visit_;
    const TourWant& want_;
    int number_ = 0;
    std::string section_;
    std::string textMode_ = kBoot;  // keys that reach the text reading mode
};

}  // namespace

bool VisitTour(Runner& runner, const TourVisit& visit, std::string& error, const TourWant& want) {
    Tour tour(runner, visit, want);
    tour.Section("Start-up");
    if (!tour.Stop("start-up-logo", "press select; wait 500ms", error)) return false;
    tour.Section("Reading modes");
    if (!tour.Readings(error)) return false;
    tour.Section("Main menu");
    if (!tour.Menu(MainMenu, "main-menu", Keys(kBoot, "select"), error)) return false;
    tour.Section("Timed count");
    return tour.TimedPages(error);
}

}  // namespace geigerrun
