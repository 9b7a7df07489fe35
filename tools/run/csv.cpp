// RFC 4180 records: written with quotes only where a field needs them, and
// read back with quoted fields across lines.
#include "tools/run/csv.h"

namespace geigerrun {

std::string CsvRecord(const std::vector<std::string>& fields) {
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        const std::string& field = fields[i];
        if (i > 0) line += ',';
        if (field.find_first_of(",\"\r\n") == std::string::npos) {
            line += field;
            continue;
        }
        line += '"';
        for (char c : field) line += c == '"' ? std::string("\"\"") : std::string(1, c);
        line += '"';
    }
    return line + "\r\n";
}

bool ReadCsv(std::string_view text, std::vector<std::vector<std::string>>& records, std::string& error) {
    size_t line = 1, at = 0;
    while (at < text.size()) {
        const size_t startLine = line;
        std::vector<std::string> fields(1);
        bool ended = false;
        while (!ended) {
            if (at < text.size() && text[at] == '"') {
                // A quoted field: up to the quote that is not doubled.
                for (++at;; ++at) {
                    if (at >= text.size()) {
                        error = "line " + std::to_string(startLine) + ": a quoted field is not closed";
                        return false;
                    }
                    if (text[at] == '\n') ++line;
                    if (text[at] != '"') {
                        fields.back() += text[at];
                    } else if (at + 1 < text.size() && text[at + 1] == '"') {
                        fields.back() += '"';
                        ++at;
                    } else {
                        ++at;
                        break;
                    }
                }
                if (at < text.size() && text[at] != ',' && text[at] != '\r' && text[at] != '\n') {
                    error = "line " + std::to_string(line) + ": text after a closing quote";
                    return false;
                }
            }
            for (; at < text.size() && text[at] != ',' && text[at] != '\n'; ++at)
                if (text[at] != '\r' || (at + 1 < text.size() && text[at + 1] != '\n')) fields.back() += text[at];
            if (at < text.size() && text[at] == ',') {
                fields.emplace_back();
                ++at;
                continue;
            }
            ended = true;
        }
        if (at < text.size()) ++at, ++line;  // the line's end
        if (fields.size() > 1 || !fields[0].empty()) records.push_back(std::move(fields));
    }
    return true;
}

}  // namespace geigerrun
