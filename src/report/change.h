// Change counting's results: one record per paired file (added, changed and deleted
// lines in each class), the per-kind and grand totals, the fixed-width report
// lines and their csv and json forms.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "engine/file_status.h"
#include "report/csv.h"
#include "settings/settings.h"

namespace zarnik::report {

enum class ChangeStatus {
    Added,      // 新規: only in the new version
    Deleted,    // 削除: only in the old version
    Unchanged,  // 変更なし: identical bytes, no diff made
    Changed,    // 変更
    Skipped,    // 除外: a file a count run would not count (binary, ...)
};
constexpr int kChangeStatusCount = 5;

struct ChangeFigures {
    std::int64_t Added = 0, Changed = 0, Deleted = 0;

    ChangeFigures& operator+=(const ChangeFigures& b) {
        Added += b.Added;
        Changed += b.Changed;
        Deleted += b.Deleted;
        return *this;
    }
};

// One paired file. Texts are Shift-JIS.
struct ChangeRecord {
    std::string Path;  // relative to the old and new target (for two files, the new file's name)
    ChangeStatus Status = ChangeStatus::Changed;
    int Kind = 0;      // the kind whose totals it adds to (0: none)
    int NameKind = 0;  // the kind its name shows in the kind column
    ChangeFigures Exec, Comment, Blank;
    // With Skipped: why, as a count run says it.
    engine::FileStatus Reason = engine::FileStatus::Counted;
    std::string NativePath;  // Path as the file system's bytes (for csv and json)
};

// The sums of a kind or of the whole run: files per status and the figures.
struct ChangeSums {
    std::array<std::int64_t, kChangeStatusCount> Files{};  // by ChangeStatus
    ChangeFigures Exec, Comment, Blank;

    std::int64_t FileCount() const;
};

struct ChangeTotals {
    // By kind (kind 0 is never printed); the table's languages are added as their
    // files come.
    std::vector<ChangeSums> Kinds = std::vector<ChangeSums>(settings::kKindCount);
    ChangeSums GrandTotal;  // every reported file
};

void AddToChangeTotals(const ChangeRecord& rec, ChangeTotals& totals);

// The kinds (1.., table order) that hold files, in report order.
std::vector<int> ChangeKindsWithFiles(const ChangeTotals& totals);

// A change run's records as data, for the csv and json writers: the files the
// report gives a row, and the totals the run summed.
class ChangeRows {
public:
    // The two target lines compared (native).
    void SetVersions(std::string oldTarget, std::string newTarget) {
        oldTarget_ = std::move(oldTarget);
        newTarget_ = std::move(newTarget);
    }
    const std::string& OldTarget() const { return oldTarget_; }
    const std::string& NewTarget() const { return newTarget_; }
    void Add(const ChangeRecord& rec) { files_.push_back(rec); }
    void SetTotals(const ChangeTotals& totals) { totals_ = totals; }
    const std::vector<ChangeRecord>& Files() const { return files_; }
    const ChangeTotals& Totals() const { return totals_; }

private:
    std::string oldTarget_, newTarget_;
    std::vector<ChangeRecord> files_;
    ChangeTotals totals_;
};

// "新規", "削除", "変更なし", "変更", "除外" (Shift-JIS) and the json words.
const std::string& ChangeStatusText(ChangeStatus status);
const char* ChangeStatusWord(ChangeStatus status);

// The fixed-width report of a change count. nameLength is the Shift-JIS length of
// the longest relative path; the path column is max(12, nameLength) + 1 bytes.
std::string FormatChangeColumnHeader(int nameLength);
// "旧ﾊﾞｰｼﾞｮﾝ: TARGET" (old) or "新ﾊﾞｰｼﾞｮﾝ: TARGET": what the report compares, below
// its head line; the target is Shift-JIS, its control bytes shown as "?".
std::string FormatChangeVersionLine(bool old, std::string sjisTarget);
// "-" for style 1, "=" otherwise, as long as a full line.
std::string FormatChangeRule(int style, int nameLength);
std::string FormatChangeLine(const ChangeRecord& rec, int nameLength);
// Per kind with files a rule, its totals row and its files per status; then the
// "=" rule, the grand total and its files per status.
void WriteChangeClosingBlock(const ChangeTotals& totals, int nameLength,
                             const std::function<void(const std::string&)>& append);

// The csv: a header row; the two versions (status "旧ﾊﾞｰｼﾞｮﾝ" / "新ﾊﾞｰｼﾞｮﾝ", the
// target line in the path column), when set; per file: path, status, kind, then added, changed and
// deleted of 実行, ｺﾒﾝﾄ and 空行, the message; then the per-kind and grand total
// rows (status "合計" / "総合計", the label in the path column) with the files per
// status in the last five columns.
std::string FormatChangeCsv(const ChangeRows& rows, CsvEncoding encoding);

// The json object (UTF-8): the two targets, the settings, the files, the per-kind
// and grand totals.
std::string FormatChangeJson(const ChangeRows& rows, const settings::Settings& cnf,
                             const std::string& oldTarget, const std::string& newTarget);

}  // namespace zarnik::report
