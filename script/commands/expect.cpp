// `expect text|lcd|FIELD OP VALUE`: parsed and checked up front like every
// command, compared when reached. Fields are what `state` prints, read
// back with nlohmann-json.
#include "script/commands/expect.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <map>
#include <sstream>

#include "core/driver.h"
#include "platform/lcd.h"
#include "platform/lcd_text.h"
#include "script/commands/lcd_dump.h"
#include "script/commands/state_json.h"
#include "script/commands/text.h"
#include "script/script_language.h"

namespace geigerrun {
namespace {

using script::Quote;

enum ValueKind : uint8_t { kNumber, kText, kNullText, kList };

// The texts of `state`; they are the only fields that may be null as well
// as a value, so their kind cannot be read off one dump.
constexpr std::string_view kTextFields[] = {"menuTitle", "menuTable", "note", "noteText"};

struct FieldOp {
    std::string_view name;
    Compare compare;
};
// Two-character operators first, so "<=" is not read as "<".
constexpr FieldOp kOps[] = {{"~=", Compare::Near},       {"==", Compare::Equal},      {"!=", Compare::NotEqual},
                            {"<=", Compare::LessEqual},  {">=", Compare::GreaterEqual},
                            {"<", Compare::Less},        {">", Compare::Greater}};

std::string_view OpName(Compare c) {
    for (const FieldOp& op : kOps)
        if (op.compare == c) return op.name;
    return "?";
}

// Field name to kind, from one `state` dump: the field set never changes.
const std::map<std::string, ValueKind, std::less<>>& Fields() {
    static const std::map<std::string, ValueKind, std::less<>> fields = [] {
        std::map<std::string, ValueKind, std::less<>> m;
        const nlohmann::ordered_json state = State(0, 0);
        for (const auto& [name, value] : state.items()) m[name] = value.is_array() ? kList : kNumber;
        for (std::string_view t : kTextFields) m[std::string(t)] = kText;
        return m;
    }();
    return fields;
}

// Inside its arguments only blanks part words, so any other white space
// stays in the text compared (a field, an operator, a text's bytes).
std::string_view TakeWord(std::string_view& s) { return script::TakeWord(s, script::kBlanks); }

// A text of `state` holds each byte as the code point of its value; back to the bytes.
std::string Bytes(const std::string& utf8) {
    std::string out;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size()) {
            out += static_cast<char>(((c & 0x1F) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3F));
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string Number(double v) {
    std::ostringstream text;
    text << v;
    return text.str();
}

// A text argument: in matching quotes, or bare; an opening quote without its
// close is a typo, not a text that starts with a quote.
bool TextArgument(std::string_view s, std::string& bytes, std::string& what) {
    if (!s.empty() && (s.front() == '"' || s.front() == '\'') && (s.size() < 2 || s.back() != s.front())) {
        what = "unbalanced quote in " + Quote(s) + " (end the text with " + std::string(1, s.front()) + ")";
        return false;
    }
    return script::UnescapeText(script::Unquote(s), bytes, what);
}

bool ParseField(std::string_view name, std::string_view rest, Command& cmd, std::string& what) {
    const auto field = Fields().find(name);
    if (field == Fields().end()) {
        what = "unknown field " + Quote(name) + " (use a field that state prints, e.g. cpm, uiMode, menuTitle)";
        return false;
    }
    std::string_view op = TakeWord(rest);
    const FieldOp* found = nullptr;
    for (const FieldOp& o : kOps)
        if (op == o.name) found = &o;
    if (found == nullptr) {
        what = op.empty() ? "expect " + std::string(name) + " needs an operator and a value, e.g. == 3"
                          : "bad operator " + Quote(op) + " (use ==, !=, <, <=, >, >=, ~=)";
        return false;
    }
    if (rest.empty()) {
        what = "expect " + std::string(name) + " " + std::string(op) + " needs a value";
        return false;
    }
    cmd.op = Op::ExpectField;
    cmd.text = std::string(name);
    cmd.compare = found->compare;
    const bool equality = found->compare == Compare::Equal || found->compare == Compare::NotEqual;
    switch (field->second) {
    case kText:
    case kNullText:
        if (!equality) {
            what = std::string(name) + " is a text: use == or !=";
            return false;
        }
        if (rest == "null") {
            cmd.valueKind = kNullText;
            return true;
        }
        cmd.valueKind = kText;
        return TextArgument(rest, cmd.value, what);
    case kList: {
        if (!equality) {
            what = std::string(name) + " is a list: use == or !=";
            return false;
        }
        const nlohmann::json v = nlohmann::json::parse(rest, nullptr, false);
        if (!v.is_array()) {
            what = "bad value " + Quote(rest) + " for " + std::string(name) + " (use a list such as [0,1,2])";
            return false;
        }
        cmd.valueKind = kList;
        cmd.value = v.dump();
        return true;
    }
    case kNumber: {
        if (found->compare == Compare::Near) {
            // VALUE [TOLERANCE], relative to VALUE; or VALUE ± DELTA (or +-), absolute.
            std::string_view value = rest, tolerance;
            size_t sign = rest.find("\xC2\xB1"), signLength = 2;
            if (sign == std::string_view::npos) sign = rest.find("+-");
            if (sign != std::string_view::npos) {
                cmd.absolute = true;
                value = script::Trim(rest.substr(0, sign), script::kBlanks);
                tolerance = script::Trim(rest.substr(sign + signLength), script::kBlanks);
            } else {
                value = TakeWord(rest);
                tolerance = rest;
            }
            const nlohmann::json v = nlohmann::json::parse(value, nullptr, false);
            const nlohmann::json t = tolerance.empty() && !cmd.absolute ? nlohmann::json(1e-6)
                                                                        : nlohmann::json::parse(tolerance, nullptr, false);
            if (!v.is_number() || !t.is_number() || t.get<double>() < 0) {
                what = "bad value " + Quote(rest) + " for " + std::string(name) +
                       " ~= (use a number and an optional relative tolerance, e.g. 0.005 1e-3, or an absolute "
                       "one, e.g. 0 +- 5)";
                return false;
            }
            cmd.valueKind = kNumber;
            cmd.value = std::string(value);
            cmd.tolerance = t.get<double>();
            return true;
        }
        const nlohmann::json v = nlohmann::json::parse(rest, nullptr, false);
        if (!v.is_number()) {
            what = "bad value " + Quote(rest) + " for " + std::string(name) + " (use a number)";
            return false;
        }
        cmd.valueKind = kNumber;
        cmd.value = std::string(rest);
        return true;
    }
    }
    return false;
}

bool Holds(const Command& cmd, const nlohmann::json& got, const nlohmann::json& want) {
    switch (cmd.compare) {
    case Compare::Near: {
        if (!got.is_number()) return false;
        const double g = got.get<double>(), w = want.get<double>();
        return std::fabs(g - w) <= (cmd.absolute ? cmd.tolerance : cmd.tolerance * std::fabs(w));
    }
    case Compare::Equal: return got == want;
    case Compare::NotEqual: return got != want;
    case Compare::Less: return got.is_number() && got < want;
    case Compare::LessEqual: return got.is_number() && got <= want;
    case Compare::Greater: return got.is_number() && got > want;
    case Compare::GreaterEqual: return got.is_number() && got >= want;
    }
    return false;
}

// The text rows as `text` reads them, top to bottom.
struct Rows {
    LcdTextLine lines[kLcdTextLinesMax];
    uint8_t count = 0;
    explicit Rows(const LcdPicture& picture) : count(LcdReadText(picture, lines, kLcdTextLinesMax)) {}
    std::string_view Text(uint8_t i) const { return std::string_view(lines[i].text, lines[i].length); }
    // The first row at LCD row `y`, or -1.
    int At(uint8_t y) const {
        for (uint8_t i = 0; i < count; ++i)
            if (lines[i].y == y) return i;
        return -1;
    }
    // Where `bytes` stands on the LCD, "X,Y", or "" when no row reads it.
    std::string Find(std::string_view bytes) const {
        for (uint8_t i = 0; i < count; ++i)
            for (size_t at = Text(i).find(bytes); at != std::string_view::npos; at = Text(i).find(bytes, at + 1))
                if (lines[i].glyphX[at] != kLcdTextJoin)
                    return std::to_string(lines[i].glyphX[at]) + "," + std::to_string(lines[i].y);
        return "";
    }
    // Every row, for a message: 'CPM: 12' / 'AUTO'.
    std::string All() const {
        std::string out;
        for (uint8_t i = 0; i < count; ++i) out += (i > 0 ? " / '" : "'") + EscapeCodes(Text(i)) + "'";
        return out.empty() ? "no text" : out;
    }
};

// What row `y` reads, for a message.
std::string RowReads(const Rows& rows, uint8_t y) {
    const int row = rows.At(y);
    return "row " + std::to_string(y) + (row < 0 ? " shows no text" : " reads '" + EscapeCodes(rows.Text(static_cast<uint8_t>(row))) + "'");
}

// Where else the expected text shows, if it does.
std::string FoundAt(const Rows& rows, const std::string& text) {
    const std::string at = rows.Find(text);
    return at.empty() ? "; it is nowhere on the LCD" : "; it shows at " + at;
}

bool CheckText(const Command& cmd, const LcdPicture& presented, std::string& message) {
    const std::string want = "'" + EscapeCodes(cmd.text) + "'";
    const Rows rows(presented);
    if (cmd.textCheck == TextCheck::Row) {
        const int row = rows.At(cmd.y);
        if (row >= 0 && rows.Text(static_cast<uint8_t>(row)) == cmd.text) return true;
        message = "expected row " + std::to_string(cmd.y) + " to read " + want + ", " + RowReads(rows, cmd.y) +
                  (cmd.text.empty() ? "" : FoundAt(rows, cmd.text));
        return false;
    }
    if (cmd.textCheck == TextCheck::Contains) {
        if (!rows.Find(cmd.text).empty()) return true;
        message = "expected the LCD to show " + want + " somewhere, it reads " + rows.All();
        return false;
    }
    // Read as `text` reads the LCD, so a line it prints passes at its place.
    const std::string got = CellsBytes(presented, cmd.x, cmd.y, cmd.text.size());
    bool same = true;
    for (size_t i = 0; i < cmd.text.size() && same; ++i) {
        const auto cx = static_cast<uint8_t>(cmd.x + 6 * i), code = static_cast<uint8_t>(cmd.text[i]);
        // A code drawn blank matches a blank cell as the space does.
        same = got[i] == cmd.text[i] || (got[i] == ' ' && LcdCellShows(presented, cx, cmd.y, ' ') &&
                                         LcdCellShows(presented, cx, cmd.y, code));
    }
    if (same) return true;
    message = "expected " + want + " at " + std::to_string(cmd.x) + "," + std::to_string(cmd.y) + ", got '" +
              EscapeCodes(got) + "'; " + RowReads(rows, cmd.y) + FoundAt(rows, cmd.text);
    return false;
}

}  // namespace

bool ParseExpect(std::string_view rest, Command& cmd, std::string& what) {
    std::string_view kind = TakeWord(rest);
    if (kind.empty()) {
        what = "expect needs what to check: text X Y TEXT, row Y TEXT, screen contains TEXT, lcd FILE, or FIELD "
               "OP VALUE";
        return false;
    }
    if (kind == "row") {
        uint32_t y = 0;
        if (!script::ParseUnsigned32(TakeWord(rest), y) || y >= kLcdHeight) {
            what = "expect row needs the LCD row Y of the text's top (0..31) and the text, e.g. expect row 0 CPM:";
            return false;
        }
        if (!TextArgument(rest, cmd.text, what)) return false;
        cmd.op = Op::ExpectText;
        cmd.textCheck = TextCheck::Row;
        cmd.y = static_cast<uint8_t>(y);
        return true;
    }
    if (kind == "screen") {
        if (TakeWord(rest) != "contains" || rest.empty()) {
            what = "expect screen needs contains and a text, e.g. expect screen contains CPM";
            return false;
        }
        if (!TextArgument(rest, cmd.text, what)) return false;
        if (cmd.text.empty()) {
            what = "expect screen contains needs a text";
            return false;
        }
        cmd.op = Op::ExpectText;
        cmd.textCheck = TextCheck::Contains;
        return true;
    }
    if (kind == "text") {
        std::string_view xs = TakeWord(rest), ys = TakeWord(rest);
        uint32_t x = 0, y = 0;
        if (!script::ParseUnsigned32(xs, x) || !script::ParseUnsigned32(ys, y) || x >= kLcdWidth || y >= kLcdHeight) {
            what = "expect text needs a cell X Y (0..121, 0..31) and the text, e.g. expect text 0 12 CPM:";
            return false;
        }
        if (!TextArgument(rest, cmd.text, what)) return false;
        if (cmd.text.empty()) {
            what = "expect text needs the text after X Y";
            return false;
        }
        if (x + 6 * cmd.text.size() - 1 > static_cast<size_t>(kLcdWidth) || y + 7 > static_cast<uint32_t>(kLcdHeight)) {
            what = "text " + Quote(cmd.text) + " at " + std::to_string(x) + "," + std::to_string(y) +
                   " does not fit the 122 x 32 LCD";
            return false;
        }
        cmd.op = Op::ExpectText;
        cmd.x = static_cast<uint8_t>(x);
        cmd.y = static_cast<uint8_t>(y);
        return true;
    }
    if (kind == "lcd") {
        if (rest.empty()) {
            what = "expect lcd needs the file of an lcd dump";
            return false;
        }
        cmd.file = std::string(rest);
        if (!ReadLcdDump(cmd.file, cmd.dump, what)) return false;
        cmd.op = Op::ExpectLcd;
        return true;
    }
    return ParseField(kind, rest, cmd, what);
}

bool CheckExpectation(const Command& cmd, const LcdPicture& presented, std::string& message) {
    switch (cmd.op) {
    case Op::ExpectText: return CheckText(cmd, presented, message);
    case Op::ExpectLcd: {
        // '?' in the dump stands for any pixel.
        const std::string got = LcdText(presented);
        std::string marked = got;
        size_t differing = 0;
        for (size_t i = 0; i < got.size(); ++i) {
            if (got[i] == cmd.dump[i] || cmd.dump[i] == '?') continue;
            ++differing;
            marked[i] = got[i] == '#' ? '+' : cmd.dump[i] == '#' ? 'o' : '?';
        }
        if (differing == 0) return true;
        message = "expected the LCD in " + Quote(cmd.file) + ", got " + std::to_string(differing) +
                  " differing pixels ('+' ink not expected, 'o' ink missing, '?' lit/unlit):\n" + marked;
        if (!message.empty() && message.back() == '\n') message.pop_back();
        return false;
    }
    case Op::ExpectField: {
        const nlohmann::ordered_json state = State(DriverHandOvers(), DriverHalfTicks() * 500);
        const nlohmann::json got = state.at(cmd.text);
        nlohmann::json want;
        std::string shownGot = got.dump(), shownWant = cmd.value;
        switch (cmd.valueKind) {
        case kText:
            want = cmd.value;
            if (got.is_string()) {
                const std::string bytes = Bytes(got.get<std::string>());
                if ((bytes == cmd.value) == (cmd.compare == Compare::Equal)) return true;
                shownGot = Quote(bytes);
            } else if (cmd.compare == Compare::NotEqual) {
                return true;
            }
            shownWant = Quote(cmd.value);
            break;
        case kNullText:
            if (got.is_null() == (cmd.compare == Compare::Equal)) return true;
            if (got.is_string()) shownGot = Quote(Bytes(got.get<std::string>()));
            break;
        default:
            want = nlohmann::json::parse(cmd.value);
            if (Holds(cmd, got, want)) return true;
            break;
        }
        if (cmd.compare == Compare::Near) {
            const double w = want.get<double>();
            if (cmd.absolute)
                shownWant += " +- " + Number(cmd.tolerance);
            else
                // Against 0 a relative tolerance is no tolerance: say how to write an absolute one.
                shownWant += " (relative tolerance " + Number(cmd.tolerance) + ": within " +
                             Number(cmd.tolerance * std::fabs(w)) + " of it" +
                             (w == 0 ? "; write ~= 0 +- DELTA for an absolute one)" : ")");
        }
        message = "expected " + cmd.text + " " + std::string(OpName(cmd.compare)) + " " + shownWant + ", got " +
                  shownGot;
        return false;
    }
    default:
        return true;
    }
}

}  // namespace geigerrun
