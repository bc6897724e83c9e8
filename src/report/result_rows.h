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
// A desktop run may keep a million of them until the next run, so they are one
// stream of bytes, read only in order: per row the folder part when it differs
// from the row before's, the name, and the figures as variable-length integers
// (a few bytes each, where fixed ones took 48 a row).
class ResultRows : public CountEvents {
public:
    void Begin(const RunHead& head) override;
    void FileCounted(const std::string& nativePath, const engine::FileCounts& rec) override;
    void Totals(const ReportTotals& totals) override { totals_ = totals; }

    std::size_t FileCount() const { return count_; }
    // Each row in run order, as its native path and its record. The record's Name
    // is not kept (empty): csv and json take the name from the path. The path and
    // the record live until the next call.
    template <typename Fn>
    void ForEachFile(Fn&& fn) const {
        std::string path;
        std::size_t folderLength = 0;
        engine::FileCounts rec;
        for (std::size_t pos = 0, i = 0; i < count_; ++i) {
            pos = Unpack(pos, path, folderLength, rec);
            fn(static_cast<const std::string&>(path), static_cast<const engine::FileCounts&>(rec));
        }
    }
    // The run's sums as its report prints them: per kind 1..7 and of the whole run.
    const ReportTotals& Totals() const { return totals_; }
    // The bytes the rows hold.
    std::size_t HeldBytes() const { return stream_.capacity() + lastFolder_.capacity(); }

private:
    std::size_t Unpack(std::size_t pos, std::string& path, std::size_t& folderLength,
                       engine::FileCounts& rec) const;

    bool errorRows_ = true;
    std::string stream_;
    std::string lastFolder_;
    std::size_t count_ = 0;
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
