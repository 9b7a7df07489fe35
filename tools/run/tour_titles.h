// `tour DIR titles FILE`: titles of the tour's stops from a CSV file, for
// the sheet, the PDF and the manifest in place of the guide's (another
// language's, say).
#pragma once

#include <map>
#include <string>

namespace geigerrun {

// FILE's `name,title` rows (a first row `name,title` is the header), in
// UTF-8, by name. False with `error` as "'FILE': ..." when it cannot be
// read, is too large, is not UTF-8 or a row is not a name and a title.
bool ReadTourTitles(const std::string& path, std::map<std::string, std::string>& titles, std::string& error);

}  // namespace geigerrun
