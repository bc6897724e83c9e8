// Change counting's results: one record per paired file (added, changed and deleted
// lines in each class), the per-kind and grand totals, and their csv and json forms.
#pragma once

#include <cstdint>
#include <string>

namespace zarnik::report {

enum class ChangeStatus {
    Added,      // 新規: only in the new version
    Deleted,    // 削除: only in the old version
    Unchanged,  // 変更なし: identical bytes, no diff made
    Changed,    // 変更
    Skipped,    // 除外: a file a count run would not count (binary, ...)
};

struct ChangeFigures {
    std::int64_t Added = 0, Changed = 0, Deleted = 0;
};

// One paired file. Texts are Shift-JIS.
struct ChangeRecord {
    std::string Path;  // relative to the old and new target (for two files, the new file's name)
    ChangeStatus Status = ChangeStatus::Changed;
    int Kind = 0;  // the kind whose totals it adds to (0: none)
    std::string KindText;
    ChangeFigures Exec, Comment, Blank;
    std::string Message;  // with Skipped: why, as a count run says it
};

}  // namespace zarnik::report
