// A count run's results kept as data: each file's record with its path, and the
// totals the run summed, for a later csv or json. Texts handed out are UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/file_counts.h"
#include "report/count_events.h"
#include "report/totals.h"

namespace zarnik::report {

// Files that were not counted are rows when the layout gives them lines (Erfout).
// A desktop run may keep a million of them until the next run, so they are
// compact: the paths' bytes in one arena, the folder part stored once for the
// files that follow each other in it, the figures as fixed-size integers.
class ResultRows : public CountEvents {
public:
    // Room for every file at once: a million rows grown one doubling at a time
    // would hold two copies of them at the last step.
    void Begin(const RunHead& head) override;
    void FileCounted(const std::string& nativePath, const engine::FileCounts& rec) override;
    void Totals(const ReportTotals& totals) override { totals_ = totals; }

    std::size_t FileCount() const { return files_.size(); }
    // Each row in run order, as its native path and its record. The record's Name
    // is not kept (empty): csv and json take the name from the path. The path and
    // the record live until the next call.
    template <typename Fn>
    void ForEachFile(Fn&& fn) const {
        std::string path;
        engine::FileCounts rec;
        for (std::size_t i = 0; i < files_.size(); ++i) {
            Unpack(i, path, rec);
            fn(static_cast<const std::string&>(path), static_cast<const engine::FileCounts&>(rec));
        }
    }
    // The run's sums as its report prints them: per kind 1..7 and of the whole run.
    const ReportTotals& Totals() const { return totals_; }
    // The bytes the rows hold, for the benchmark.
    std::size_t HeldBytes() const;

private:
    struct Span {
        std::uint64_t Offset = 0;
        std::uint32_t Length = 0;
    };
    struct Row {
        std::uint64_t NameOffset = 0;
        std::uint32_t NameLength = 0;
        std::uint32_t Folder = 0;  // index into folders_
        std::int64_t MTime = 0;
        std::int64_t Size = 0;
        std::int64_t Total = 0;
        std::int64_t Comment = 0;
        std::int64_t Exec = 0;
        std::int64_t Blank = 0;
        float Ratio = 0.0f;
        std::uint8_t Status = 0;
        std::uint16_t NameKind = 0;
        std::uint16_t Kind = 0;
    };

    Span Append(std::string_view bytes);
    void Unpack(std::size_t i, std::string& path, engine::FileCounts& rec) const;

    bool errorRows_ = true;
    std::string arena_;
    std::vector<Span> folders_;  // each with its trailing "/"
    std::vector<Row> files_;
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
