// The results as one JSON object: the settings that shaped the counts, the files in
// report order, the totals and averages per kind and of the whole run. Numbers are
// JSON numbers; the text is UTF-8.
#pragma once

#include <string>

#include "report/result_rows.h"
#include "settings/settings.h"

namespace zarnik::report {

// The object, indented, ending in a line feed.
std::string FormatJson(const ResultRows& rows, const settings::S_CNF& cnf);

}  // namespace zarnik::report
