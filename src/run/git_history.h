// A tree's history: the totals of one target line at each commit of a
// repository's first-parent history, each as a count of that commit's checkout
// would sum them.
#pragma once

#include <string>

#include "report/history.h"
#include "run/run.h"
#include "settings/settings.h"

namespace zarnik::run {

struct HistoryInput {
    std::string Target;  // native target line
    std::string Range;   // "REV", "A..B", or empty for HEAD
    bool TagsOnly = false;
};

// Tells events each commit's totals, oldest first. A file's stored bytes are
// counted once for each name they are stored under and the figures kept (not
// with EucJis 1, whose converter state runs from file to file). Ends with
// RefusedRevision as CountRevision does, and with a read error naming what is
// missing when the history cannot be read whole. progress hears of each commit
// as of a file (its id for the path).
RunOutcome CountHistory(const HistoryInput& input, const settings::Settings& cnf,
                        report::HistoryEvents& events, ProgressObserver& progress);

}  // namespace zarnik::run
