#include "report/chart_data.h"

#include <algorithm>
#include <string_view>

namespace zarnik::report {

namespace {

KindBar MakeKindBar(int kind, const CountSum& sum) {
    KindBar bar;
    bar.Kind = kind;
    bar.Name = HistoryKindName(kind);
    bar.Files = sum.FileCount;
    bar.Exec = sum.Exec;
    bar.Comment = sum.Comment;
    bar.Blank = sum.Blank;
    bar.Ratio = sum.Ratio;
    return bar;
}

std::int64_t Lines(const ChangeSums& sums, std::int64_t ChangeFigures::*field) {
    return sums.Exec.*field + sums.Comment.*field + sums.Blank.*field;
}

ChangeBar MakeChangeBar(int kind, const ChangeSums& sums) {
    ChangeBar bar;
    bar.Kind = kind;
    bar.Name = HistoryKindName(kind);
    bar.Added = Lines(sums, &ChangeFigures::Added);
    bar.Changed = Lines(sums, &ChangeFigures::Changed);
    bar.Deleted = Lines(sums, &ChangeFigures::Deleted);
    return bar;
}

// The `limit` biggest folders seen so far, as a heap with the smallest on top.
class BiggestFolders {
public:
    explicit BiggestFolders(std::size_t limit) : limit_(limit) {}

    void Offer(std::string_view folder, std::int64_t files, std::int64_t total) {
        if (limit_ == 0 || files == 0) return;
        if (heap_.size() == limit_) {
            if (!Bigger(total, folder, heap_.front())) return;
            std::pop_heap(heap_.begin(), heap_.end(), Order);
            heap_.pop_back();
        }
        heap_.push_back({detail::PathText(folder), files, total});
        std::push_heap(heap_.begin(), heap_.end(), Order);
    }

    std::vector<FolderBar> Take() {
        std::sort_heap(heap_.begin(), heap_.end(), Order);
        return std::move(heap_);
    }

private:
    // Ties go to the folder that sorts first, so that the chart is the same on every run.
    static bool Bigger(std::int64_t total, std::string_view folder, const FolderBar& b) {
        return total != b.Total ? total > b.Total : folder < b.Folder;
    }
    static bool Order(const FolderBar& a, const FolderBar& b) { return Bigger(a.Total, a.Folder, b); }

    std::size_t limit_;
    std::vector<FolderBar> heap_;
};

}  // namespace

CountChart MakeCountChart(const ResultRows& rows, std::size_t folders) {
    CountChart chart;
    const ReportTotals& totals = rows.Totals();
    for (int kind : KindsWithFiles(totals))
        chart.Kinds.push_back(MakeKindBar(kind, totals.Kinds[static_cast<std::size_t>(kind)]));
    chart.All = MakeKindBar(RowKey::kGrand, totals.GrandTotal);

    // The rows come in walk order: a folder's files may stand before and after its
    // subfolders', never elsewhere. The folders open on the path to the current one
    // keep their sums until the walk leaves them, so that each is one bar.
    struct Open {
        std::string Folder;
        std::int64_t Files = 0, Total = 0;
    };
    std::vector<Open> open;
    BiggestFolders biggest(folders);
    auto within = [](std::string_view folder, const std::string& above) {
        return folder.substr(0, above.size()) == above &&
               (folder.size() == above.size() || above.back() == '/' || folder[above.size()] == '/');
    };
    rows.ForEachFile([&](const std::string& path, const engine::FileCounts& rec) {
        const std::string_view folder = detail::FolderOf(path);
        if (open.empty() || open.back().Folder != folder) {
            while (!open.empty() && !within(folder, open.back().Folder)) {
                biggest.Offer(open.back().Folder, open.back().Files, open.back().Total);
                open.pop_back();
            }
            if (open.empty() || open.back().Folder != folder) open.push_back({std::string(folder)});
        }
        // The report's subtotal sums the counted files that carry a kind.
        if (rec.Status == engine::FileStatus::Counted && rec.Kind != 0) {
            ++open.back().Files;
            open.back().Total += rec.Total;
        }
    });
    for (; !open.empty(); open.pop_back())
        biggest.Offer(open.back().Folder, open.back().Files, open.back().Total);
    chart.Folders = biggest.Take();
    return chart;
}

ChangeChart MakeChangeChart(const ChangeTotals& totals) {
    ChangeChart chart;
    for (int kind : ChangeKindsWithFiles(totals))
        chart.Kinds.push_back(MakeChangeBar(kind, totals.Kinds[static_cast<std::size_t>(kind)]));
    chart.All = MakeChangeBar(RowKey::kGrand, totals.GrandTotal);
    return chart;
}

void HistoryChartKeeper::Point(const HistoryPoint& point) {
    Kept kept;
    kept.Commit.Label = point.Tags.empty() ? point.Commit.substr(0, 7) : detail::PathText(point.Tags.front());
    kept.Commit.Time = point.Time;
    kept.Lines.reserve(point.Totals.Kinds.size());
    for (const CountSum& sum : point.Totals.Kinds) kept.Lines.push_back(sum.Total);
    kept_.push_back(std::move(kept));
}

HistoryChart HistoryChartKeeper::Chart() const {
    HistoryChart chart;
    std::size_t kinds = 0;
    for (const Kept& kept : kept_) {
        chart.Commits.push_back(kept.Commit);
        kinds = std::max(kinds, kept.Lines.size());
    }
    for (std::size_t kind = 1; kind < kinds; ++kind) {
        HistoryChart::Series series;
        series.Kind = static_cast<int>(kind);
        bool any = false;
        for (const Kept& kept : kept_) {
            const std::int64_t lines = kind < kept.Lines.size() ? kept.Lines[kind] : 0;
            any = any || lines > 0;
            series.Lines.push_back(lines);
        }
        if (!any) continue;
        series.Name = HistoryKindName(series.Kind);
        chart.Kinds.push_back(std::move(series));
    }
    return chart;
}

}  // namespace zarnik::report
