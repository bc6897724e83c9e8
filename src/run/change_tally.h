// How the lines of a change count add to a paired file's figures: each hunk's
// deleted and added lines as added, changed or deleted lines of their class.
#pragma once

#include <vector>

#include "engine/count.h"
#include "report/change.h"
#include "run/line_diff.h"

namespace zarnik::run::detail {

// A hunk's d deleted and a added counted lines: same-class lines pair first, as
// changed lines of that class; of the rest, the first min(d', a') in line order are
// changed (taking the class of their new version), the others added or deleted.
// So changed is min(d, a) in all. Lines no counter counted take no part. The
// classes are each version's lines', by the hunk's line numbers.
void TallyHunk(const Hunk& h, const std::vector<engine::LineClassOf>& oldClasses,
               const std::vector<engine::LineClassOf>& newClasses, report::ChangeRecord& rec);

// Every counted line of a file as added (or deleted).
void TallyWholeFile(const std::vector<engine::LineClassOf>& classes, bool added, report::ChangeRecord& rec);

}  // namespace zarnik::run::detail
