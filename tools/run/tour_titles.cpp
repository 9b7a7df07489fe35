// Reading the titles a tour is given: a small CSV file, read within bounds
// and checked row by row, so a mistake names its line.
#include "tools/run/tour_titles.h"

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/bounded_read.h"
#include "script/script_language.h"
#include "tools/run/csv.h"

namespace geigerrun {
namespace {

// Far more than a title for each of the tour's few hundred screens.
constexpr FileKind kTitlesFile{size_t{1} << 20, "a titles file"};

// Whether `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool Utf8(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        const int more = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (more < 0 || i + static_cast<size_t>(more) >= text.size()) return false;
        uint32_t code = more == 0 ? c : c & (0x3F >> more);
        for (int k = 1; k <= more; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next >> 6) != 2) return false;
            code = code << 6 | (next & 0x3F);
        }
        static constexpr uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (code < kLeast[more] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += static_cast<size_t>(more) + 1;
    }
    return true;
}

}  // namespace

bool ReadTourTitles(const std::string& path, std::map<std::string, std::string>& titles, std::string& error) {
    std::string text, why;
    if (!ReadBounded(path, kTitlesFile, text, why)) {
        error = "cannot read " + script::Quote(path) + ": " + why;
        return false;
    }
    const std::string where = script::Quote(path) + ": ";
    if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);  // a byte order mark, as spreadsheets save it
    if (!Utf8(text)) {
        error = where + "not UTF-8 text";
        return false;
    }
    std::vector<std::vector<std::string>> rows;
    if (!ReadCsv(text, rows, why)) {
        error = where + why;
        return false;
    }
    std::map<std::string, size_t> rowOf;
    for (size_t i = 0; i < rows.size(); ++i) {
        const std::vector<std::string>& row = rows[i];
        const std::string place = where + "row " + std::to_string(i + 1) + ": ";
        if (i == 0 && row == std::vector<std::string>{"name", "title"}) continue;
        if (row.size() != 2 || row[0].empty() || row[1].empty()) {
            error = place + "not a name and a title (name,title)";
            return false;
        }
        if (const auto [at, fresh] = rowOf.emplace(row[0], i + 1); !fresh) {
            error = place + script::Quote(row[0]) + " has a title already (row " + std::to_string(at->second) + ")";
            return false;
        }
        titles[row[0]] = row[1];
    }
    return true;
}

}  // namespace geigerrun
