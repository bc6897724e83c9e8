// The figures a run's charts show, as plain numbers: the desktop's chart pane,
// the HTML report's drawings and the workbook's chart all take them from here,
// so that every picture of one run agrees with its report.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "report/change.h"
#include "report/history.h"
#include "report/result_rows.h"

namespace zarnik::report {

// One kind's lines by class (or the whole run's), with its comment ratio.
struct KindBar {
    int Kind = 0;      // a source kind, or RowKey::kGrand for the whole run
    std::string Name;  // UTF-8, as the history rows name it ("C･ｿｰｽ", "全ｿｰｽﾌｧｲﾙ")
    std::int64_t Files = 0, Exec = 0, Comment = 0, Blank = 0;
    float Ratio = 0.0f;  // percent, as the report computes it
};

// A folder's files directly in it (as the report's subtotals of its blocks sum them).
struct FolderBar {
    std::string Folder;  // UTF-8
    std::int64_t Files = 0, Total = 0;
};

struct CountChart {
    std::vector<KindBar> Kinds;  // the kinds with files, in report order
    KindBar All;
    std::vector<FolderBar> Folders;  // the biggest by total lines, biggest first
};

inline constexpr std::size_t kChartFolders = 10;

// The kinds' bars from the run's totals; the biggest folders from one pass over
// its rows, holding only `folders` of them and the folders on the current path.
CountChart MakeCountChart(const ResultRows& rows, std::size_t folders = kChartFolders);

// Lines added, changed and deleted (executable, comment and blank together).
struct ChangeBar {
    int Kind = 0;
    std::string Name;
    std::int64_t Added = 0, Changed = 0, Deleted = 0;
};

struct ChangeChart {
    std::vector<ChangeBar> Kinds;  // the kinds with files, in report order
    ChangeBar All;
};

ChangeChart MakeChangeChart(const ChangeTotals& totals);

// Total lines per kind at each commit, oldest first.
struct HistoryChart {
    struct Commit {
        std::string Label;  // its first tag, else the first 7 digits of its id
        std::int64_t Time = 0;
    };
    struct Series {
        int Kind = 0;
        std::string Name;
        std::vector<std::int64_t> Lines;  // one per commit
    };
    std::vector<Commit> Commits;
    std::vector<Series> Kinds;  // every kind with files at any commit, in report order
};

// Keeps what the chart of a history needs (a few numbers per commit) as the
// history is counted, in the order it is told (oldest first).
class HistoryChartKeeper : public HistoryEvents {
public:
    void Point(const HistoryPoint& point) override;
    // The chart of the commits so far.
    HistoryChart Chart() const;

private:
    struct Kept {
        HistoryChart::Commit Commit;
        std::vector<std::int64_t> Lines;  // by kind
    };
    std::vector<Kept> kept_;
};

}  // namespace zarnik::report
