// A count run's results as data: each file's record with its path, and the totals
// the report prints, for the csv and json writers. Texts handed out are UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/file_counts.h"
#include "report/totals.h"

namespace zarnik::report {

struct FileRow {
    std::string NativePath;
    engine::FileCounts Rec;
};

class ResultRows {
public:
    // errorRows: files that were not counted are rows, as the report's error lines
    // are lines (Erfout). keepFiles false: the caller writes each row as Add takes
    // it and only the totals are kept.
    explicit ResultRows(bool errorRows = true, bool keepFiles = true)
        : errorRows_(errorRows), keepFiles_(keepFiles) {}

    // Takes one record from the run; false when the report gives it no line.
    bool Add(const std::string& nativePath, const engine::FileCounts& rec);
    // Room for this many rows at once: a million rows grown one doubling at a time
    // would hold two copies of them at the last step.
    void Reserve(std::size_t files) {
        if (keepFiles_) files_.reserve(files);
    }

    const std::vector<FileRow>& Files() const { return files_; }
    // The report's sums, ratios computed as its closing block computes them: per
    // kind 1..7 and of the whole run.
    ReportTotals Totals() const;

private:
    bool errorRows_, keepFiles_;
    std::vector<FileRow> files_;
    ReportTotals totals_;
};

// The kinds whose totals the report prints, in its order: 1..7 with files.
std::vector<int> KindsWithFiles(const ReportTotals& totals);

namespace detail {

// A native path as valid UTF-8 (each byte that is no UTF-8 becomes U+FFFD). Control
// bytes stay: json escapes them and csv quotes them, so the path still names its
// file; only the fixed-width report shows them as "?".
std::string PathText(std::string_view native);
// The folder part and the name of a native path, as the report's folder lines
// split it (a root keeps its "/").
std::string_view FolderOf(std::string_view native);
std::string_view NameOf(std::string_view native);
// "2026-12-08T14:21:33+09:00" in local time (TZ).
std::string IsoTime(std::int64_t mtime);
// The kind text without its padding ("C", "ASM", "Java", "SQL", "BAS", "???").
std::string KindWord(std::string_view kindText);
// A report message (Shift-JIS) as data: UTF-8, without the blank that sets it off in a line.
std::string MessageText(std::string_view sjis);
// The report's text for a file that was not counted, without its leading blank; empty for Counted.
std::string StatusMessage(engine::FileStatus status);
// "3.70": the ratio as the report rounds it.
std::string RatioText(float ratio);
// The totals row's label without its mark ("C･ｿｰｽ 合計").
std::string TotalsLabelText(RowKey key);

}  // namespace detail

}  // namespace zarnik::report
