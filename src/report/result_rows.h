// A count run's results kept as data: each file's record with its path, and the
// totals the run summed, for a later csv or json. Texts handed out are UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/file_counts.h"
#include "report/count_events.h"
#include "report/totals.h"

namespace zarnik::report {

struct FileRow {
    std::string NativePath;
    engine::FileCounts Rec;
};

// Files that were not counted are rows when the layout gives them lines (Erfout).
class ResultRows : public CountEvents {
public:
    // Room for every file at once: a million rows grown one doubling at a time
    // would hold two copies of them at the last step.
    void Begin(const RunHead& head) override;
    void FileCounted(const std::string& nativePath, const engine::FileCounts& rec) override;
    void Totals(const ReportTotals& totals) override { totals_ = totals; }

    const std::vector<FileRow>& Files() const { return files_; }
    // The run's sums as its report prints them: per kind 1..7 and of the whole run.
    const ReportTotals& Totals() const { return totals_; }

private:
    bool errorRows_ = true;
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
