// The guide to the screen shown: which words of core/screen_words.cpp apply,
// the way through the firmware's menu tables to the screen, and the marks
// the picture shows.
#include "core/screen_guide.h"

#include <cstring>
#include <memory>

#include "core/presentation.h"
#include "core/screen_words.h"
#include "firmware/firmware.h"
#include "platform/lcd_text.h"

namespace {

// The firmware's tables hold at most this many rows before "Exit".
constexpr int kMaxRows = 20;

struct Place {
    const MenuItem* table;
    int row;
};

int ExitRow(const MenuItem* table) {
    for (int i = 0; i < kMaxRows; ++i)
        if (table[i].onSelect == MenuExit) return i;
    return kMaxRows - 1;
}

// The submenu a row opens as the device shows it: the Timed Count row opens
// Cancel while a count runs or waits.
const MenuItem* ChildShown(const MenuItem& row, const MenuItem* shown) {
    if (row.child == TimedCountMenu && shown == CancelMenu) return CancelMenu;
    return row.child;
}

// The rows from the main menu down to `target` (a table, or a row by its
// Select handler), each the row that opens the next table, and last the
// row sought.
bool Find(const MenuItem* table, const MenuItem* target, Handler handler, int row, std::vector<Place>& path) {
    const int exit = ExitRow(table);
    if (table == target) {
        path.push_back({table, row});
        return true;
    }
    for (int i = 0; i <= exit; ++i) {
        if (handler != nullptr && table[i].onSelect == handler) {
            path.push_back({table, i});
            return true;
        }
        const MenuItem* child = ChildShown(table[i], target);
        if (child == nullptr) continue;
        path.push_back({table, i});
        if (Find(child, target, handler, row, path)) return true;
        path.pop_back();
    }
    return false;
}

std::vector<Place> PathTo(const MenuItem* table, int row, Handler handler = nullptr) {
    std::vector<Place> path;
    if (!Find(MainMenu, handler != nullptr ? nullptr : table, handler, row, path)) path.clear();
    return path;
}

// How the device titles a table: the label of the row that opens it.
std::string TableName(const MenuItem* table) {
    if (table == nullptr) return "the reading screen";
    if (table == MainMenu) return "the main menu";
    const std::vector<Place> path = PathTo(table, 0);
    if (path.size() < 2) return "the menu";
    return std::string("the \"") + path[path.size() - 2].table[path[path.size() - 2].row].text + "\" menu";
}

// A table's name for a heading: "Main menu", "User Option menu".
std::string MenuHeading(const MenuItem* table) {
    if (table == MainMenu) return "Main menu";
    const std::vector<Place> path = PathTo(table, 0);
    if (path.size() < 2) return "Menu";
    return std::string(path[path.size() - 2].table[path[path.size() - 2].row].text) + " menu";
}

const RowWords* WordsOf(const MenuItem* table, const char* label) {
    if (label == nullptr) return nullptr;
    for (int i = 0; i < kRowWordsCount; ++i)
        if (kRowWords[i].table == table && std::strcmp(kRowWords[i].label, label) == 0) return &kRowWords[i];
    return nullptr;
}

enum class Kind { Submenu, Toggle, YesNo, Value, Action, Exit };

Kind KindOf(const MenuItem& row) {
    if (row.onSelect == MenuExit) return Kind::Exit;
    if (row.onSelect == nullptr) return Kind::Submenu;
    if (row.onSelect == EditYesNo) return Kind::YesNo;
    if (row.onUp == row.onSelect && row.onDown == row.onSelect) return Kind::Toggle;
    if (row.onUp == nullptr && row.onDown == nullptr) return Kind::Action;
    return Kind::Value;
}

std::string Quoted(const char* text) { return std::string("\"") + (text != nullptr ? text : "") + "\""; }

// What Select does on a row of a menu (no box open).
std::string SelectOnRow(const MenuItem& row, const MenuItem* shown) {
    switch (KindOf(row)) {
        case Kind::Exit: return "Leave this menu for " + TableName(row.parent);
        case Kind::Submenu: return "Open " + TableName(ChildShown(row, shown));
        case Kind::YesNo: return "Ask \"Yes\" or \"No\" in a box";
        case Kind::Toggle: return "Show the setting in a box";
        case Kind::Value:
            if (row.onSelect == HistoryDataSelect) return "Show the saved history";
            if (row.onSelect == DurationEditSelect) return "Open the duration editor";
            return "Show the value in a box";
        case Kind::Action: break;
    }
    if (row.onSelect == NoteEditOpen) return "Open the note editor";
    if (row.onSelect == OpenTemperatureScreen) return "Show the temperature";
    if (row.onSelect == EnterGyroscope) return "Enter the motion sensor (it has no screen)";
    if (row.onSelect == TimedPresetSelect) return shown == CancelMenu ? "Cancel the count" : "Start the count";
    return "Show it";
}

// The text lines the picture shows.
struct TextLines {
    LcdTextLine lines[kLcdTextLinesMax];
    uint8_t count = 0;
};

std::string Trimmed(const char* text) {
    std::string s(text);
    while (!s.empty() && s.back() == ' ') s.pop_back();
    size_t start = 0;
    while (start < s.size() && s[start] == ' ') ++start;
    return s.substr(start);
}

// The texts of the value box (centred between x 20 and 104, on rows 11 and
// 19, or 15 alone).
void BoxTexts(const TextLines& text, std::string& first, std::string& second) {
    first.clear();
    second.clear();
    for (uint8_t i = 0; i < text.count; ++i) {
        const LcdTextLine& line = text.lines[i];
        if (line.x < 20 || line.x >= 104 || line.large) continue;
        if (line.y == 11 || line.y == 15) first = Trimmed(line.text);
        if (line.y == 19) second = Trimmed(line.text);
    }
}

bool Matches(const char* want, const std::string& got) {
    const size_t n = std::strlen(want);
    if (n > 0 && want[n - 1] == '*') return got.compare(0, n - 1, want, n - 1) == 0;
    return got == want;
}

const ScreenWords* BoxWordsFor(const std::string& first, const std::string& second, bool reading) {
    for (int i = 0; i < kBoxWordsCount; ++i) {
        const BoxWords& b = kBoxWords[i];
        if (!b.notice && !reading) continue;
        if (!Matches(b.first, first)) continue;
        if (b.second != nullptr ? second != b.second : !second.empty()) continue;
        return &b.words;
    }
    return nullptr;
}

bool IsNotice(const ScreenWords* words) {
    for (int i = 0; i < kBoxWordsCount; ++i)
        if (&kBoxWords[i].words == words) return kBoxWords[i].notice;
    return false;
}

void Apply(ScreenGuide& g, const ScreenWords& w) {
    if (w.title != nullptr) g.title = w.title;
    if (w.about != nullptr) g.about = w.about;
    for (int k = 0; k < 4; ++k)
        if (w.keys[k] != nullptr) g.keys[k] = w.keys[k];
    if (w.back != nullptr) g.back = w.back;
}

bool Ink(const LcdPicture& p, int x, int y) {
    return x >= 0 && y >= 0 && x < kLcdWidth && y < kLcdHeight && p.pixels[2 * y][2 * x] == kLcdInk;
}

bool AnyInk(const LcdPicture& p, const GuideMark& m) {
    for (int y = m.y; y < m.y + m.height; ++y)
        for (int x = m.x; x < m.x + m.width; ++x)
            if (Ink(p, x, y)) return true;
    return false;
}

// The value box's double frame.
bool BoxShown(const LcdPicture& p) { return Ink(p, 20, 7) && Ink(p, 21, 8) && Ink(p, 103, 29) && Ink(p, 102, 28); }

bool PlaceHolds(MarkPlace place, const DeviceScreen& s, const LcdPicture& p) {
    switch (place) {
        case MarkPlace::StatusLine: return true;
        case MarkPlace::ReadingClock: return s.uiMode == Reading && s.displayMode != 1;
        case MarkPlace::GraphCpm: return s.uiMode == Reading && s.displayMode == 1;
        case MarkPlace::GraphZoom: return (s.uiMode == Reading && s.displayMode == 1) || s.uiMode == HistoryView;
        case MarkPlace::MenuScreen: return s.uiMode == Menu || s.uiMode == Gyroscope;
        case MarkPlace::MenuRows: return (s.uiMode == Menu && s.editing == 0) || s.uiMode == Gyroscope;
        case MarkPlace::TextReading: return s.uiMode == Reading && s.displayMode == 0;
        case MarkPlace::LargeReading: return s.uiMode == Reading && s.displayMode == 2;
        case MarkPlace::TimedReading: return s.uiMode == Reading && s.displayMode >= 3;
        case MarkPlace::History: return s.uiMode == HistoryView;
        case MarkPlace::ValueBox: return s.editing != 0 && BoxShown(p);
    }
    return false;
}

// A mark found by its text ("(*)", "(S)") on the rows `y0`..`y1`.
void FindTextMark(const TextLines& text, int y0, int y1, const char* const* texts, const GuideMark& words,
                  std::vector<GuideMark>& marks) {
    for (uint8_t i = 0; i < text.count; ++i) {
        const LcdTextLine& line = text.lines[i];
        if (line.y < y0 || line.y > y1) continue;
        const std::string s(line.text);
        for (const char* const* t = texts; *t != nullptr; ++t) {
            const size_t at = s.find(*t);
            if (at == std::string::npos || line.glyphX[at] == kLcdTextJoin) continue;
            GuideMark m = words;
            m.x = line.glyphX[at];
            m.y = line.y;
            marks.push_back(m);
        }
    }
}

std::vector<GuideMark> MarksOn(const DeviceScreen& s, const LcdPicture& p, const TextLines& text) {
    std::vector<GuideMark> marks;
    if (s.power != 2) return marks;
    for (int i = 0; i < kMarkWordsCount; ++i)
        if (PlaceHolds(kMarkWords[i].place, s, p) &&
            (kMarkWords[i].code != 0 ? LcdCellShows(p, uint8_t(kMarkWords[i].mark.x), uint8_t(kMarkWords[i].mark.y),
                                                    kMarkWords[i].code)
                                     : AnyInk(p, kMarkWords[i].mark)))
            marks.push_back(kMarkWords[i].mark);
    static constexpr const char* kUnit[] = {"(*)", nullptr};
    static constexpr const char* kInterval[] = {"(S)", "(M)", "(H)", nullptr};
    if (s.uiMode == Menu && s.editing == 0) FindTextMark(text, 9, 25, kUnit, kUnitInForceMark, marks);
    if (s.uiMode == HistoryView) FindTextMark(text, 9, 9, kInterval, kIntervalMark, marks);
    return marks;
}

// The menu tree with the tables on `path` opened.
void AddRows(const MenuItem* table, int depth, const std::vector<Place>& path, size_t level, bool currentRow,
             const MenuItem* shown, std::vector<GuideTreeLine>& tree) {
    const int exit = ExitRow(table);
    for (int i = 0; i <= exit; ++i) {
        GuideTreeLine line;
        line.depth = depth;
        line.label = table[i].text != nullptr ? table[i].text : "";
        const bool onPath = level < path.size() && path[level].table == table && path[level].row == i;
        line.onPath = onPath;
        line.current = onPath && level + 1 == path.size() && currentRow;
        tree.push_back(line);
        const MenuItem* child = ChildShown(table[i], shown);
        if (onPath && child != nullptr && level + 1 < path.size())
            AddRows(child, depth + 1, path, level + 1, currentRow, shown, tree);
    }
}

std::vector<GuideTreeLine> TreeFor(const std::vector<Place>& path, bool inReading, const MenuItem* shown) {
    std::vector<GuideTreeLine> tree;
    tree.push_back({0, "Reading screen", true, inReading});
    tree.push_back({1, "Main Menu", !path.empty(), false});
    AddRows(MainMenu, 2, path, 0, true, shown, tree);
    return tree;
}

// The menus' guide: a row, or the box or screen it opened.
void GuideInMenus(const DeviceScreen& s, const std::vector<Place>& path, const std::string& boxFirst,
                  const std::string& boxSecond, ScreenGuide& g) {
    const Place here = path.back();
    const MenuItem& row = here.table[here.row];
    const RowWords* words = WordsOf(here.table, row.text);
    const std::string rowTitle = words != nullptr ? words->title : Quoted(row.text);
    const Kind kind = KindOf(row);
    const std::string tableName = TableName(here.table);

    if (s.uiMode == Menu && s.editing == 0) {
        g.title = MenuHeading(here.table) + ": " + (kind == Kind::Exit ? "Exit" : rowTitle);
        g.about = (kind == Kind::Exit ? "\"Exit\" leaves " + tableName + " for " + TableName(row.parent) + "."
                                      : std::string(words != nullptr ? words->about : "")) +
                  " Up and Down move the arrow to another row; Select acts on the row it marks.";
        g.keys[KeyBack] = "Leave this menu for " + TableName(row.parent);
        g.keys[KeyUp] = here.row == 0 ? "Nothing (the first row)" : "Move the arrow up a row";
        g.keys[KeyDown] = kind == Kind::Exit ? "Nothing (the last row)" : "Move the arrow down a row";
        g.keys[KeySelect] = SelectOnRow(row, s.menu);
        g.back = "Back leads to " + TableName(row.parent) + ".";
        const MenuItem* exitParent = here.table[ExitRow(here.table)].parent;
        if (exitParent != row.parent) g.back += " The \"Exit\" row leads to " + TableName(exitParent) + ".";
        return;
    }

    // A box (or a screen) that the row opened.
    g.title = rowTitle;
    g.about = (words != nullptr ? std::string(words->about) : std::string()) +
              (words != nullptr && words->box != nullptr ? std::string(" The box shows ") + words->box : "") + " " +
              kValueBoxAbout;
    const bool yesNo = kind == Kind::YesNo;
    g.keys[KeyBack] = yesNo ? "Close the box now (a \"Yes\" then acts)" : "Close the box now; what it shows is kept";
    const char* step = yesNo ? "Switch between \"Yes\" and \"No\""
                       : kind == Kind::Toggle ? "Next choice"
                       : kind == Kind::Action ? "Nothing here"
                                              : "Change the value";
    g.keys[KeyUp] = words != nullptr && words->up != nullptr ? words->up : step;
    g.keys[KeyDown] = words != nullptr && words->down != nullptr ? words->down : step;
    g.keys[KeySelect] = words != nullptr && words->select != nullptr ? words->select
                        : kind == Kind::Value || kind == Kind::Action ? "Show it again (the box stays longer)"
                                                                      : step;
    g.back = "The box closes by itself " +
             std::string(words != nullptr && words->closes ? words->closes : "a few seconds after your last key") +
             ", or at once with Back; " + tableName + " then shows again.";
    if (row.onSelect == ShowManufacture) Apply(g, kManufactureWords);
    if (const ScreenWords* notice = BoxWordsFor(boxFirst, boxSecond, false)) Apply(g, *notice);
}

}  // namespace

ScreenGuide GuideFor(const DeviceScreen& s, const LcdPicture& shown) {
    ScreenGuide g;
    for (int k = 0; k < 4; ++k) g.keys[k] = "Nothing here";
    if (s.power != 2) {
        Apply(g, kPowerWords[s.power == 0 ? 0 : s.power == 1 ? 1 : 2]);
        g.tree = TreeFor({}, false, nullptr);
        return g;
    }
    auto text = std::make_unique<TextLines>();
    text->count = LcdReadText(shown, text->lines, kLcdTextLinesMax);
    // A notice is told by the box that shows it, even one drawn and gone
    // before the state was read (the factory reset's "Please wait.").
    std::string first, second;
    const bool box = BoxShown(shown);
    if (box) BoxTexts(*text, first, second);

    std::vector<Place> path;
    switch (s.uiMode) {
        case Menu:
            if (s.menu != nullptr) path = PathTo(s.menu, s.row);
            break;
        case HistoryView: path = PathTo(nullptr, 0, HistoryDataSelect); break;
        case NoteEdit: path = PathTo(nullptr, 0, NoteEditOpen); break;
        case Temperature: path = PathTo(nullptr, 0, OpenTemperatureScreen); break;
        case Gyroscope: path = PathTo(nullptr, 0, EnterGyroscope); break;
        default: break;
    }

    if (s.uiMode == Reading || path.empty()) {
        const ScreenWords& reading = kReadingWords[s.displayMode < 3 ? s.displayMode : 3];
        Apply(g, reading);
        // Every full redraw draws the status line's rule; power saving's clear takes it away.
        if (!Ink(shown, 0, 7) && !Ink(shown, 121, 7)) Apply(g, kBlankedWords);
        if (s.editing != 0) {
            if (const ScreenWords* box = BoxWordsFor(first, second, true)) {
                Apply(g, *box);
                if (!IsNotice(box)) g.about += std::string(" ") + kValueBoxAbout;
            } else {
                g.title = "Reading: a box";
                g.about = kValueBoxAbout;
            }
        }
    } else if (s.uiMode == Menu) {
        GuideInMenus(s, path, first, second, g);
    } else if (s.uiMode == HistoryView) {
        Apply(g, kHistoryWords);
        if (s.editing != 0 && !first.empty()) {
            g.title = "History: " + first;
            g.about = "The step that Select takes next. Up and Down choose another: Next or Pre Day, Hour, Minute "
                      "or Location. The box closes by itself and the history shows.";
        } else {
            for (uint8_t i = 0; i < text->count; ++i)
                if (std::strcmp(text->lines[i].text, "End of Record!") == 0) Apply(g, kHistoryEndWords);
        }
    } else if (s.uiMode == NoteEdit) {
        Apply(g, kNoteWords);
    } else if (s.uiMode == Temperature) {
        Apply(g, kTemperatureWords);
    } else if (s.uiMode == Gyroscope) {
        Apply(g, kGyroscopeWords);
    }
    if (box && s.editing == 0)
        if (const ScreenWords* notice = BoxWordsFor(first, second, false)) Apply(g, *notice);

    for (const Place& p : path) g.path.push_back(p.table[p.row].text != nullptr ? p.table[p.row].text : "");
    if (!path.empty()) g.path.insert(g.path.begin(), "Main Menu");
    g.tree = TreeFor(path, s.uiMode == Reading, s.menu);
    g.marks = MarksOn(s, shown, *text);
    return g;
}

ScreenGuide GuideNow() {
    auto picture = std::make_unique<LcdPicture>();
    LcdExpand(DriverHandedOverBits(), *picture);
    return GuideFor(CurrentScreen(), *picture);
}

const GuideMark* GuideMarkAt(const ScreenGuide& guide, int x, int y) {
    const GuideMark* best = nullptr;
    for (const GuideMark& m : guide.marks) {
        if (x < m.x || y < m.y || x >= m.x + m.width || y >= m.y + m.height) continue;
        if (best == nullptr || m.width * m.height < best->width * best->height) best = &m;
    }
    return best;
}

std::string GuideRowTitle(const MenuItem* table, const char* label) {
    const RowWords* words = WordsOf(table, label);
    if (words != nullptr) return words->title;
    for (int i = 0; i < kMaxRows && table != nullptr; ++i)
        if (table[i].text == label) return table[i].onSelect == MenuExit ? "Exit" : "";
    return "";
}

std::string GuideText(const ScreenGuide& g) {
    std::string out = g.title + "\n" + g.about + "\n\nKeys:\n";
    for (int k = 0; k < 4; ++k) out += std::string("  ") + kGuideKeyNames[k] + ": " + g.keys[k] + "\n";
    out += "\nWay back: " + g.back + "\n";
    if (!g.path.empty()) {
        out += "Where: ";
        for (size_t i = 0; i < g.path.size(); ++i) out += (i == 0 ? "" : " > ") + g.path[i];
        out += "\n";
    }
    if (!g.marks.empty()) {
        out += "\nMarks:\n";
        for (const GuideMark& m : g.marks) out += std::string("  ") + m.name + ": " + m.meaning + "\n";
    }
    out += "\nMenu tree:\n";
    for (const GuideTreeLine& line : g.tree)
        out += std::string(2 + 2 * line.depth, ' ') + (line.current ? "> " : "  ") + line.label + "\n";
    return out;
}
