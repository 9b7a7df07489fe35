// `tour DIR`: every screen of the device, each reached from a fresh start
// by runner commands alone (tour_sheet.cpp writes the pictures and the
// contact sheet). The menu part follows the firmware's own tables, so a
// new row or submenu joins the tour by itself; editors are stepped until
// their values come round again.
#include "tools/run/tour.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "firmware/firmware.h"
#include "firmware/state.h"
#include "script/commands/parse.h"
#include "script/commands/text.h"
#include "script/script_language.h"
#include "tools/run/runner.h"

namespace geigerrun {
namespace {

constexpr const char* kBoot = "press select; wait 3s";
// The reading screens after a minute and a half of counts: the CPM is a
// whole minute's sum and the graph runs across the screen.
constexpr const char* kCounted = "press select; wait 90s";
// Between keys: one half second, well inside the value box's life.
constexpr const char* kPause = "; wait 500ms";
// Long enough for a value box to close and the screen below to return.
constexpr const char* kSettle = "; wait 3s";
// The reading screen stays as its box left it until 5 s after the last
// key; then each second's drawing brings the readings up to date.
constexpr const char* kResume = "; wait 5s";
// The most Up steps an editor is given to come back to its first value
// (the baud rates are ten), and the most fields a multi-field editor has.
constexpr int kCycleCap = 12;
constexpr int kFieldCap = 8;

}  // namespace

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

namespace {

std::string Keys(const std::string& prefix, const char* key, int times = 1) {
    std::string out = prefix;
    for (int i = 0; i < times; ++i) out += std::string("; press ") + key + kPause;
    return out;
}

std::string Numbered(const std::string& name, int k) { return k == 1 ? name : name + "-" + std::to_string(k); }

// "after Up", "after Up ×3": how a stop's value was reached.
std::string Presses(const char* key, int times) {
    return std::string("after ") + key + (times == 1 ? "" : " \u00d7" + std::to_string(times));
}

// Editors with more than one field: after opening, Select moves to their
// next field, so the tour looks at each of those as well.
bool HasFields(Handler select) {
    return select == NoteEditOpen || select == DateTimeSelect || select == CalibrateSelect ||
           select == DurationEditSelect;
}

// Screens whose Up steps a value although their menu row has no step:
// the note editor's character, the temperature screen's unit.
bool StepsInside(Handler select) { return select == NoteEditOpen || select == OpenTemperatureScreen; }

// The LCD from the status-bar rule down: where value boxes, editors and
// readings differ (the status bar moves with time alone).
bool SameBelowStatus(const LcdPicture& a, const LcdPicture& b) {
    constexpr int kRule = 14;  // screen row of LCD row 7
    return std::memcmp(a.pixels[kRule], b.pixels[kRule], sizeof a.pixels[0] * (kLcdScreenHeight - kRule)) == 0;
}

// The keys from `keys` (the main menu shown) to the row of `table` or its
// submenus whose Select is `select`, as Tour::Menu reaches rows.
bool FindRow(MenuItem* table, const std::string& keys, Handler select, std::string& at) {
    for (uint8_t row = 0;; ++row) {
        const MenuItem& item = table[row];
        const std::string here = Keys(keys, "down", row);
        if (item.onSelect == select) {
            at = here;
            return true;
        }
        if (item.onSelect == MenuExit) return false;
        if (item.onSelect == nullptr && item.child != nullptr && FindRow(item.child, Keys(here, "select"), select, at))
            return true;
    }
}

// From the reading screen `from` shows (power-on by default).
std::string RowKeys(Handler select, const char* from = kBoot) {
    std::string at;
    FindRow(MainMenu, Keys(from, "select"), select, at);
    return at;
}


class Tour {
    // A menu row that opens something: an editor, a screen, a viewer.
    struct Leaf {
        const MenuItem* item;
        const MenuItem* table;
        std::string name;  // the row's stop name
        std::string at;    // keys that put the cursor on it
    };

public:
    Tour(Runner& runner, const TourVisit& visit, const TourWant& want, const std::string& pictureOptions)
        : runner_(runner), visit_(visit), want_(want), pictureOptions_(pictureOptions), base_(runner.startOptions()),
          substitutes_(CurrentSubstitutes()) {}

    // Runs `keys` from a fresh start, as a person pasting them would: with
    // the run's clock and seed, unless the keys set their own.
    bool Reach(const std::string& keys, std::string& error) {
        std::vector<Command> commands;
        if (!Parse(keys, "tour", commands, error)) return false;
        StartOptions options = base_;
        for (const Command& cmd : commands) {
            if (cmd.op == Op::Clock) options.clock = cmd.clock;
            if (cmd.op == Op::Seed) options.seed = cmd.seed;
        }
        runner_.Start(options, substitutes_);
        std::ostringstream ignored;
        return runner_.Run(commands, ignored, error);
    }

    // The heading of the stops that follow.
    void Section(std::string heading) { section_ = std::move(heading); }

    // A route visited before is not visited again. `detail` tells this
    // stop from others of the same screen ("after Up ×2").
    bool Stop(const std::string& name, const std::string& keys, std::string& error, const std::string& detail = {}) {
        if (!routes_.insert(keys).second) return true;
        const TourStop stop{++number_, name, keys, section_, detail};
        if (want_ && !want_(stop)) return true;
        return Reach(keys, error) && visit_(stop, error);
    }

    // A screen drawn and replaced within one call of `during`: the stop's
    // keys catch it with `png ... at-draw`, and the visit sees it presented.
    bool StopAtDraw(const std::string& name, const std::string& before, const std::string& during,
                    std::string& error) {
        const std::string keys = before + "; png " + name + ".png" + pictureOptions_ + " at-draw; " + during;
        if (!routes_.insert(keys).second) return true;
        const TourStop stop{++number_, name, keys, section_, {}};
        if (want_ && !want_(stop)) return true;
        std::vector<Command> commands;
        std::ostringstream ignored;
        if (!Reach(before, error) || !Parse(during, "tour", commands, error)) return false;
        runner_.CatchDrawn();
        if (!runner_.Run(commands, ignored, error)) return false;
        return runner_.WithDrawn([&](std::string& why) { return visit_(stop, why); }, error);
    }

    // `keys` and then the fewest 500 ms periods, up to `limit`, after which
    // `holds` does; false with `error` set when it never does.
    bool Until(const std::string& keys, int limit, const std::function<bool()>& holds, std::string& reached,
               std::string& error) {
        if (!Reach(keys, error)) return false;
        for (int periods = 0; periods <= limit; ++periods) {
            if (holds()) {
                reached = periods == 0 ? keys : keys + "; wait " + script::FormatDuration(periods);
                return true;
            }
            runner_.Wait(1);
        }
        error = "the tour's route " + script::Quote(keys) + " no longer reaches its screen";
        return false;
    }

    bool Shows(const char* text) const { return ScreenText(runner_.presented()).find(text) != std::string::npos; }

    // Back opens the mode box, a second Back steps the mode: `keys` gets
    // the first of up to `tries` step counts from `from` that shows `mode`,
    // found by trying (the last one tried when none does).
    bool ReachMode(const std::string& from, uint8_t mode, int tries, std::string& keys, std::string& error) {
        for (int steps = 0; steps < tries; ++steps) {
            keys = Keys(Keys(from, "back"), "back", steps) + kResume;
            if (!Reach(keys, error)) return false;
            if (fw.displayMode == mode) break;
        }
        return true;
    }

    // The reading modes after a stretch of counts: the text mode with each
    // third line and dose unit, each graph type, each large-font unit, the
    // boxes their keys open, and the notices raised over them.
    bool Readings(std::string& error) {
        static constexpr const char* kModes[] = {"text", "graphic", "large-font"};
        static constexpr const char* kThirdLines[] = {"", "--elapsed", "--average", "--maximum"};
        static constexpr const char* kThirdLineDetails[] = {"third line: total count", "third line: elapsed time",
                                                            "third line: average CPM", "third line: maximum CPM"};
        static constexpr const char* kGraphs[] = {"", "--bar-chart-1", "--bar-chart-2", "--line-and-bar"};
        static constexpr const char* kGraphDetails[] = {"line", "bar chart 1", "bar chart 2", "line and bars"};
        for (uint8_t mode = 0; mode < 3; ++mode) {
            std::string keys;
            if (!ReachMode(kCounted, mode, 4, keys, error)) return false;
            const std::string name = std::string("reading-") + kModes[mode];
            if (mode == 0) {
                // Up steps the third line; the fifth line set shows the dose in mR/h.
                if (!Stop(name + "--usv", keys, error, kThirdLineDetails[0])) return false;
                for (int line = 1; line < 4; ++line)
                    if (!Stop(name + kThirdLines[line], Keys(keys, "up", line), error, kThirdLineDetails[line]))
                        return false;
                if (!Stop(name + "--mr", Keys(keys, "up", 4) + kResume, error, "dose in mR/h") ||
                    !Stop(name + "--clock-time", Keys(keys, "down"), error, "status line: the time"))
                    return false;
            } else if (mode == 1) {
                // Down steps the graph type and shows it in a box; Up the zoom.
                if (!Stop(name, keys, error, kGraphDetails[0]) ||
                    !Stop(name + "--graph-type-box", Keys(keys, "down"), error, "Down: the graph type") ||
                    !Stop(name + "--zoom-box", Keys(keys, "up"), error, "Up: the zoom"))
                    return false;
                bool shown[4] = {true, false, false, false};  // the line graph is the mode's own stop
                for (int downs = 1; downs <= 6; ++downs) {
                    const std::string k = Keys(keys, "down", downs) + kResume;
                    if (!Reach(k, error)) return false;
                    const uint32_t type = fw.graphType;
                    if (type >= 4 || shown[type]) continue;
                    shown[type] = true;
                    if (!Stop(name + kGraphs[type], k, error, kGraphDetails[type])) return false;
                }
                // Up steps the zoom from AUTO through each fixed one and back.
                for (int ups = 1; ups <= kCycleCap; ++ups) {
                    const std::string k = Keys(keys, "up", ups) + kResume;
                    if (!Reach(k, error)) return false;
                    if (fw.graphZoom == 0.0f) break;
                    char zoom[32];
                    std::snprintf(zoom, sizeof zoom, "%0.1f", fw.graphZoom);
                    if (!Stop(name + "--zoom-x" + Slug(zoom), k, error, std::string("zoom X") + zoom)) return false;
                }
            } else {
                static constexpr const char* kUnits[] = {"--cpm", "--usv", "--mr"};
                static constexpr const char* kUnitDetails[] = {"in CPM", "in uSv/h", "in mR/h"};
                for (uint8_t unit = 0; unit < 3; ++unit)
                    for (int ups = 0; ups < 6; ++ups) {
                        const std::string k = ups == 0 ? keys : Keys(keys, "up", ups) + kResume;
                        if (!Reach(k, error)) return false;
                        if (fw.largeFontUnit == unit) {
                            if (!Stop(name + kUnits[unit], k, error, kUnitDetails[unit])) return false;
                            break;
                        }
                    }
                if (!Stop(name + "--unit-box", Keys(keys, "up"), error, "Up: the unit")) return false;
            }
            if (!Stop(name + "--mode-box", Keys(keys, "back"), error, "Back: the mode")) return false;
            // A count the CPM line cannot hold shows as dashes (no tube reaches it in demo mode).
            if (mode < 2 &&
                !Stop(name + "--cpm-overflow", keys + "; real 70000; wait 1s", error, "a count too large to show"))
                return false;
        }
        // Each mode once more with the display swivelled.
        std::string swivelled;
        if (!RowUntil("", EditSwivelDisplay, [] { return fw.swivelMode == 1; }, swivelled, error)) return false;
        for (uint8_t mode = 0; mode < 3; ++mode) {
            std::string keys;
            if (!ReachMode(swivelled, mode, 4, keys, error) ||
                !Stop(std::string("reading-") + kModes[mode] + "--swivelled", keys, error, "display swivelled"))
                return false;
        }
        Section("Status bar");
        if (!StatusBar(error)) return false;
        Section("Notices");
        return Notices(error);
    }

    // `prefix`, settled readings, then `row`'s box with its value stepped
    // by Select until `holds`, and Back to the reading screen.
    bool RowUntil(const std::string& prefix, Handler row, const std::function<bool()>& holds, std::string& keys,
                  std::string& error) {
        for (int steps = 0; steps <= kCycleCap; ++steps) {
            keys = prefix + Keys(Keys(RowKeys(row, kCounted), "select", 1 + steps), "back", 3) + kResume;
            if (!Reach(keys, error)) return false;
            if (holds()) return true;
        }
        error = "the tour's route " + script::Quote(keys) + " no longer reaches its screen";
        return false;
    }

    // The status bar as settings and the battery change it: each level the
    // icon shows for a non-rechargeable battery (a rechargeable one shows
    // its charging animation), and the speaker, alarm and saving marks off.
    bool StatusBar(std::string& error) {
        const auto nonRechargeable = [] { return fw.batteryType == 1; };
        std::string keys;
        for (const char* volts : {"3.8", "3.7", "3.6", "3.5", "3.4", "3.3"}) {
            std::string settled;
            // The low levels raise their notice every few seconds: shown between two.
            if (!RowUntil(std::string("battery ") + volts + "; ", EditBatteryType, nonRechargeable, keys, error) ||
                !Until(keys, 20, [&] { return !Shows("Battery Low!"); }, settled, error) ||
                !Stop("reading--battery-" + Slug(volts) + "v", settled, error,
                      std::string("battery at ") + volts + " V"))
                return false;
        }
        const struct {
            Handler row;
            const char* name;
            std::function<bool()> off;
        } marks[] = {{EditSpeaker, "speaker", [] { return fw.speakerOn == 0; }},
                     {EditAlarmOnOff, "alarm", [] { return fw.alarmOn == 0; }},
                     {EditSaveMode, "saving", [] { return fw.saveMode == 0; }}};
        for (const auto& mark : marks)
            if (!RowUntil("", mark.row, mark.off, keys, error) ||
                !Stop(std::string("reading--") + mark.name + "-mark-off", keys, error,
                      std::string(mark.name) + " mark off"))
                return false;
        return true;
    }

    // The notices of the reading screen, over readings that have settled:
    // a battery running low (the level icon needs a non-rechargeable
    // battery), a clock that reads the year 2000, and power saving going in
    // and blanking the LCD.
    bool Notices(std::string& error) {
        std::string keys, battery, saving;
        if (!RowUntil("battery 3.3; ", EditBatteryType, [] { return fw.batteryType == 1; }, battery, error) ||
            !Until(battery, 40, [&] { return Shows("Battery Low!"); }, keys, error) ||
            !Stop("reading--battery-low", keys, error))
            return false;
        if (!Until(std::string("clock 2000-01-01T00:00:00; ") + kBoot, 10, [&] { return Shows("Please set"); }, keys,
                   error) ||
            !Stop("reading--clock-not-set", keys, error))
            return false;
        if (!RowUntil("", EditPowerSaving, [] { return fw.powerSavingOn != 0; }, saving, error) ||
            !Until(saving, 80, [&] { return Shows("Going In"); }, keys, error) ||
            !Stop("reading--power-saving--going-in", keys, error))
            return false;
        // The countdown passes 0 a few seconds later and clears the LCD; the
        // rest of that second redraws the status bar.
        return Until(saving, 80, [&] { return fw.powerSaveCountdown == 255; }, keys, error) &&
               Stop("reading--power-saving--blank", keys + kPause, error);
    }

    // The main menu's rows, then each submenu as a section of its own in
    // the menu's order.
    bool MainMenuRows(std::string& error) {
        const std::string opened = Keys(kBoot, "select");
        Section("Main menu");
        for (uint8_t row = 0;; ++row) {
            const MenuItem& item = MainMenu[row];
            const std::string at = Keys(opened, "down", row);
            const std::string rowName = "main-menu--" + Slug(item.text);
            if (!Stop(rowName, at, error)) return false;
            if (item.onSelect == MenuExit) break;
            if (item.onSelect != nullptr && !Open({&item, MainMenu, rowName, at}, error)) return false;
        }
        for (uint8_t row = 0; MainMenu[row].onSelect != MenuExit; ++row) {
            const MenuItem& item = MainMenu[row];
            if (item.onSelect != nullptr || item.child == nullptr) continue;
            Section(item.text);
            if (!Menu(item.child, "main-menu--" + Slug(item.text), Keys(Keys(opened, "down", row), "select"), error))
                return false;
        }
        return true;
    }

    // Every row of `table` under the cursor, what it opens right after it,
    // and every submenu the same way.
    bool Menu(MenuItem* table, const std::string& name, const std::string& keys, std::string& error,
              const std::string& detail = {}) {
        for (uint8_t row = 0;; ++row) {
            const MenuItem& item = table[row];
            const std::string at = Keys(keys, "down", row);
            const std::string rowName = name + "--" + Slug(item.text);
            if (!Stop(rowName, at, error, detail)) return false;
            if (item.onSelect == MenuExit) break;
            if (item.onSelect == nullptr) {
                if (item.child != nullptr && !Menu(item.child, rowName, Keys(at, "select"), error)) return false;
                continue;
            }
            if (!Open({&item, table, rowName, at}, error)) return false;
        }
        return true;
    }

    // What a row opens, by its kind.
    bool Open(const Leaf& leaf, std::string& error) {
        const Handler select = leaf.item->onSelect;
        if (leaf.table == TimedCountMenu || leaf.table == CancelMenu) return Editor(leaf, error);
        if (select == HistoryDataSelect) return History(leaf.name, leaf.at, error);
        if (select == NoteEditOpen) return Note(leaf, error);
        if (leaf.item->onUp == nullptr) return Information(leaf, error);
        return Editor(leaf, error);
    }

    // An editor opened, then each value Up steps to while they come round
    // again within kCycleCap steps (else the first), Down's value when new,
    // and each further field Select moves to.
    bool Editor(const Leaf& leaf, std::string& error) {
        const MenuItem& item = *leaf.item;
        const std::string opened = Keys(leaf.at, "select");
        // The timed counts' rows open one notice, each for its own count.
        if (!Stop(leaf.name + "--open", opened, error, leaf.table == TimedCountMenu ? item.text : ""))
            return false;
        std::vector<LcdPicture> seen(1);
        if (!Reach(opened, error)) return false;
        seen[0] = runner_.presented();
        if (item.onUp != nullptr) {
            int cycle = 0;
            for (int k = 1; k <= kCycleCap && cycle == 0; ++k) {
                runner_.Press(KeyUp);
                runner_.Wait(1);
                if (SameBelowStatus(runner_.presented(), seen[0])) cycle = k;
                else seen.push_back(runner_.presented());
            }
            // The first step always, even where it shows the same (the clock
            // editor re-reads a clock that does not change).
            const int steps = cycle <= 2 ? 1 : cycle - 1;
            for (int k = 1; k <= steps; ++k)
                if (!Stop(Numbered(leaf.name + "--step", k), Keys(opened, "up", k), error, Presses("Up", k)))
                    return false;
            if (cycle == 0) seen.resize(2);
            if (item.onDown != item.onUp && item.onDown != nullptr) {
                const std::string down = Keys(opened, "down");
                if (!Reach(down, error)) return false;
                if (!Seen(seen, runner_.presented()) && !Stop(leaf.name + "--step-down", down, error, Presses("Down", 1)))
                    return false;
            }
        }
        // Its box closed: the list with "(*)" moved to the row's unit.
        if ((item.onSelect == ShowAlarmLevel || item.onSelect == ShowThreshold) &&
            !Stop(leaf.name + "--chosen", opened + kSettle, error, "its unit chosen"))
            return false;
        if (item.onSelect == EditYesNo && leaf.table == InitSetupMenu) {
            // "Yes" closes into the reset, whose wait screen the next hand-over replaces.
            if (!StopAtDraw(leaf.name + "--wait", opened, "wait 7s", error)) return false;
        }
        return !HasFields(item.onSelect) || Fields(leaf.name, opened, error);
    }

    // Select moves on to the next field: the first two always (their names
    // were there first), then each while it shows something new.
    bool Fields(const std::string& name, const std::string& opened, std::string& error) {
        std::vector<LcdPicture> seen(1);
        if (!Reach(opened, error)) return false;
        seen[0] = runner_.presented();
        for (int k = 1; k <= kFieldCap; ++k) {
            const std::string keys = Keys(opened, "select", k);
            if (!Reach(keys, error)) return false;
            if (k > 2 && Seen(seen, runner_.presented())) break;
            seen.push_back(runner_.presented());
            if (!Stop(k == 1 ? name + "--next" : name + "--next-" + std::to_string(k), keys, error,
                      "field " + std::to_string(k + 1)))
                return false;
        }
        return true;
    }

    static bool Seen(const std::vector<LcdPicture>& seen, const LcdPicture& picture) {
        for (const LcdPicture& p : seen)
            if (SameBelowStatus(p, picture)) return true;
        return false;
    }

    // A row that shows and steps nothing, or a screen of its own; the
    // battery and temperature once more with the sensors reading otherwise.
    bool Information(const Leaf& leaf, std::string& error) {
        const Handler select = leaf.item->onSelect;
        const std::string opened = Keys(leaf.at, "select");
        if (!Stop(leaf.name + "--open", opened, error)) return false;
        if (StepsInside(select) && !Stop(leaf.name + "--step", Keys(opened, "up") + kSettle, error, Presses("Up", 1)))
            return false;
        if (select == ShowBatteryVoltage && !Stop(leaf.name + "--volts", "battery 3.7; " + opened, error, "at 3.7 V"))
            return false;
        if (select == OpenTemperatureScreen &&
            !Stop(leaf.name + "--below-zero", "temperature -12.5; " + opened + kSettle, error, "below zero"))
            return false;
        return true;
    }

    // The note editor: its first character, Select with nothing to store,
    // and a word typed a letter at a time (Up to the letter, a pause to take it).
    bool Note(const Leaf& leaf, std::string& error) {
        const std::string opened = Keys(leaf.at, "select");
        if (!Stop(leaf.name + "--open", opened, error) ||
            !Stop(leaf.name + "--step", Keys(opened, "up") + kSettle, error, Presses("Up", 1)) ||
            !Fields(leaf.name, opened, error))
            return false;
        std::string word = opened;
        // The first Up shows "A", each further one the next character.
        for (const char letter : std::string_view("HOME"))
            word += "; press up " + std::to_string(letter - 'A' + 1) + "; wait 2s";
        // Back takes the last letter away; Select stores the note and leaves.
        return Stop(leaf.name + "--word", word, error, "a word typed") &&
               Stop(leaf.name + "--word--delete", Keys(word, "back"), error, "Back: the last letter taken away") &&
               Stop(leaf.name + "--word--saved", Keys(word, "select"), error, "Select: the note stored");
    }

    // The history viewer from its menu row at `at`: the step's name, the
    // record it finds, a step chosen with Up and Down and run with Select;
    // then the same records as a list, from the text reading mode (from the
    // graphic mode, the default, the viewer draws a graph).
    bool History(const std::string& name, const std::string& at, std::string& error) {
        const std::string opened = Keys(at, "select");
        const std::string viewer = opened + kSettle;
        if (!Stop(name + "--open", opened, error) || !Stop(name + "--viewer", viewer, error, "the record found"))
            return false;
        // Up names each "Pre" step in turn, Down each "Next" one.
        for (int k = 1; k <= 4; ++k)
            if (!Stop(Numbered(name + "--viewer--step", k), Keys(viewer, "up", k), error, Presses("Up", k)) ||
                !Stop(Numbered(name + "--viewer--step-down", k), Keys(viewer, "down", k), error, Presses("Down", k)))
                return false;
        if (!Stop(name + "--viewer--next", Keys(viewer, "select") + kSettle, error, "Select: the step again"))
            return false;
        for (int downs = 1; downs <= 3; ++downs)
            if (!Stop(name + "--viewer--down-" + std::to_string(downs),
                      Keys(Keys(viewer, "down", downs), "select") + kSettle, error, Presses("Down", downs) + ", Select"))
                return false;
        std::string textMode;
        if (!ReachMode(kBoot, 0, 4, textMode, error)) return false;
        const std::string list = textMode + viewer.substr(std::string(kBoot).size());
        return Stop(name + "--viewer--list", list, error, "as a list, from the text mode") &&
               Stop(name + "--viewer--list--next", Keys(list, "select") + kSettle, error, "as a list, Select: the step again");
    }

    // A one-minute count started from its menu, the reading screen's
    // timed-count mode page by page while it runs and once it has finished,
    // and a count scheduled to start later.
    bool TimedPages(std::string& error) {
        uint8_t timedRow = 0, oneMinute = 0;
        while (MainMenu[timedRow].child != TimedCountMenu) ++timedRow;
        while (TimedCountMenu[oneMinute].text != kLabelOneMinute) ++oneMinute;
        const std::string menu = Keys(Keys(Keys(kBoot, "select"), "down", timedRow), "select");
        const std::string started = Keys(menu, "down", oneMinute);
        // While it runs, the Timed Count menu offers "Cancel" in its place.
        const std::string running = Keys(started, "select") + kSettle;
        if (!Menu(CancelMenu, "main-menu--timed-count-running", running, error, "while a count runs")) return false;
        const std::string reading = Keys(running, "back", 2) + kSettle;
        std::string keys;
        if (!ReachMode(reading, 3, 5, keys, error)) return false;
        if (fw.displayMode != 3) return true;  // no timed-count mode to show
        if (!Stop("reading-timed-count--mode-box", Keys(keys, "back"), error)) return false;
        // Down turns the page; the next second's drawing shows it.
        for (const char* when : {"", "--finished"}) {
            for (int page = 0; page < 4; ++page) {
                std::string k = page == 0 ? keys : Keys(keys, "down", page) + kSettle;
                if (*when != 0) k += "; wait 1m";
                if (!Reach(k, error)) return false;
                if (fw.timedPage != page) break;  // no further page
                if (*when != 0 && fw.elapsedTotal < fw.durationTotal) break;
                if (!Stop("reading-timed-count" + std::string(when) + "--page-" + std::to_string(page + 1), k, error,
                          (*when != 0 ? "finished, page " : "page ") + std::to_string(page + 1)))
                    return false;
            }
        }
        // Set Schedule's seconds field (the fourth) to half a minute, then the
        // one-minute count waits for it.
        // Its box keeps 5 periods after the last key; closing, it puts the cursor back on the first row.
        const std::string scheduled =
            Keys(Keys(Keys(menu, "select", 4) + "; press up 30; wait 4s", "down", oneMinute), "select");
        return Stop("main-menu--timed-count--scheduled", scheduled, error) &&
               Stop("reading-timed-count--scheduled", Keys(scheduled, "back", 3) + kSettle, error);
    }

private:
    Runner& runner_;
    const TourVisit& visit_;
    const TourWant& want_;
    const std::string pictureOptions_;
    const StartOptions base_;
    // Every fresh device stands in as the run's did when the tour began.
    const DeviceSubstitutes substitutes_;
    int number_ = 0;
    std::string section_;
    std::set<std::string> routes_;
};

}  // namespace

bool VisitTour(Runner& runner, const TourVisit& visit, std::string& error, const TourWant& want,
               const std::string& pictureOptions) {
    Tour tour(runner, visit, want, pictureOptions);
    tour.Section("Start-up");
    // The unlit LCD, and on the panel the hint beside the power key.
    if (!tour.Stop("start-up--unlit", "", error) || !tour.Stop("start-up-logo", "press select; wait 500ms", error))
        return false;
    tour.Section("Reading modes");
    if (!tour.Readings(error)) return false;
    if (!tour.MainMenuRows(error)) return false;
    tour.Section("Timed count at work");
    // Ends on the run's own clock and seed, as the sheet states them.
    return tour.TimedPages(error);
}

}  // namespace geigerrun
