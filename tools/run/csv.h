// Comma-separated values as RFC 4180 has them, for the tour's manifest and
// the titles a tour is given: a field holding a comma, a quote or a line
// break goes in double quotes with its quotes doubled.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace geigerrun {

// One record, its fields quoted where they must be, ending in CRLF.
std::string CsvRecord(const std::vector<std::string>& fields);

// The records of `text` (CRLF or LF line ends, the last one optional; a
// blank line is no record). False with `error` as "line N: ..." where a
// quoted field is not closed or text follows its closing quote.
bool ReadCsv(std::string_view text, std::vector<std::vector<std::string>>& records, std::string& error);

}  // namespace geigerrun
