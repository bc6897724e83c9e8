#include "run/git_history.h"

#include <unordered_map>

#include "engine/count_context.h"
#include "report/layout.h"
#include "report/totals.h"
#include "run/count_options.h"
#include "run/git_tree.h"
#include "run/guarded_run.h"

namespace zarnik::run {

namespace {

// The figures of stored bytes counted under a name: all a total needs of them.
struct Figures {
    engine::FileStatus Status = engine::FileStatus::Counted;
    int Kind = 0;
    std::int64_t Size = 0, Total = 0, Comment = 0, Exec = 0, Blank = 0;
};

// Figures by stored bytes and name. Memory stays bounded: past kMaxEntries the
// cache starts again empty (the figures are the same, only counted again).
class FigureCache {
public:
    static constexpr std::size_t kMaxEntries = std::size_t{1} << 20;

    explicit FigureCache(bool enabled) : enabled_(enabled) {}
    const Figures* Find(std::string_view stored, std::string_view name) {
        if (!enabled_) return nullptr;
        Key(stored, name);
        const auto it = figures_.find(key_);
        return it == figures_.end() ? nullptr : &it->second;
    }
    void Keep(std::string_view stored, std::string_view name, const Figures& figures) {
        if (!enabled_) return;
        if (figures_.size() >= kMaxEntries) figures_.clear();
        Key(stored, name);
        figures_.emplace(key_, figures);
    }

private:
    void Key(std::string_view stored, std::string_view name) { key_.assign(stored).append(name); }

    bool enabled_;
    std::string key_;
    std::unordered_map<std::string, Figures> figures_;
};

// One commit's totals: its files found as a count of its checkout finds them, in
// that count's order (the EUC/JIS state runs on in it), each counted or taken
// from the cache.
class CommitCounter {
public:
    CommitCounter(const HistoryInput& input, const settings::Settings& cnf, RevisionFiles& files)
        : input_(input),
          opt_(CountOptionsFrom(cnf)),
          sorted_(report::ReportLayout::From(cnf).SortByPath),
          subfolders_(WalksSubfolders(cnf)),
          files_(files),
          cache_(!opt_.ConvertEucJis) {}

    void Count(const RevisionFiles::Commit& commit, report::HistoryPoint& point) {
        files_.SetRevision(commit.Id);
        FileCollection found;
        found.WalkInPathOrder = sorted_;
        ProgressObserver quiet;
        files_.CollectTargetLine(input_.Target, found, subfolders_, quiet);
        if (sorted_) SortByPath(found.Files);
        point.Commit = commit.Id;
        point.Time = commit.Time;
        point.Tags = commit.Tags;
        report::ClearTotals(point.Totals);
        for (const FoundFile& file : found.Files) Add(file, point.Totals);
    }

private:
    void Add(const FoundFile& file, report::ReportTotals& totals) {
        const std::string_view stored = files_.StoredKey(file);
        const Figures* figures = cache_.Find(stored, file.Name());
        if (!figures) {
            files_.Count(opt_, file, ctx_, counted_);
            if (counted_.Error) std::rethrow_exception(counted_.Error);
            const engine::FileCounts& r = counted_.Rec;
            fresh_ = {r.Status, r.Kind, r.Size, r.Total, r.Comment, r.Exec, r.Blank};
            cache_.Keep(stored, file.Name(), fresh_);
            figures = &fresh_;
        }
        if (figures->Status != engine::FileStatus::Counted) return;
        rec_.Status = figures->Status;
        rec_.Kind = figures->Kind;
        rec_.Size = figures->Size;
        rec_.Total = figures->Total;
        rec_.Comment = figures->Comment;
        rec_.Exec = figures->Exec;
        rec_.Blank = figures->Blank;
        report::AddToTotals(rec_, totals);
    }

    const HistoryInput& input_;
    const engine::CountOptions opt_;
    const bool sorted_, subfolders_;
    RevisionFiles& files_;
    FigureCache cache_;
    engine::CountContext ctx_;
    detail::CountedFile counted_;
    Figures fresh_;
    engine::FileCounts rec_;
};

}  // namespace

RunOutcome CountHistory(const HistoryInput& input, const settings::Settings& cnf,
                        report::HistoryEvents& events, ProgressObserver& progress) {
    auto body = [&](RunOutcome& outcome) {
        RefuseNulBytes(input.Target);
        progress.Collecting();
        RevisionFiles files("");
        const std::vector<RevisionFiles::Commit> commits =
            files.History(input.Target, input.Range, input.TagsOnly);
        const auto total = static_cast<std::int64_t>(commits.size());
        progress.Counting(total);
        CommitCounter counter(input, cnf, files);
        report::HistoryPoint point;
        std::int64_t number = 0;
        for (const RevisionFiles::Commit& commit : commits) {
            progress.Pump();
            if (progress.CancelRequested()) {
                outcome.End = RunEnd::Cancelled;
                return;
            }
            if (progress.FileNext(++number, total)) progress.FilePath(commit.Id);
            counter.Count(commit, point);
            events.Point(point);
            outcome.FilesCounted += point.Totals.GrandTotal.FileCount;
        }
    };
    // A history that failed part-way is left unclosed (its json no valid array), so
    // that it cannot pass for a whole one.
    return detail::GuardedRun(progress, body, [&](const RunOutcome& outcome) {
        if (outcome.End == RunEnd::Finished || outcome.End == RunEnd::Cancelled) events.End();
    });
}

}  // namespace zarnik::run
