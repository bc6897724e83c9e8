// The count run's own thread: a worker that owns the run session, the rows kept for
// a csv save and the report's lines on their way to the pane. It tells the window
// what happens through queued signals, and asks it nothing but whether to stop.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <atomic>
#include <functional>
#include <string>

#include "report/change_printer.h"
#include "report/chart_data.h"
#include "report/result_rows.h"
#include "run/git_history.h"
#include "run/run.h"

namespace zarnik::ui {

// What one thread hands the other through the toolkit's event queue: the queue's own
// locks are out of a thread checker's sight, so a build with one marks the hand-over
// (a release before posting, an acquire where it arrives). Nothing in other builds.
#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_acquire(void* addr);
extern "C" void __tsan_release(void* addr);
inline void HandOver(void* at) { __tsan_release(at); }
inline void TakeOver(void* at) { __tsan_acquire(at); }
#else
inline void HandOver(void*) {}
inline void TakeOver(void*) {}
#endif

class RunWorker : public QObject, public report::LineSink, public run::ProgressObserver {
    Q_OBJECT
public:
    // cancel: the progress window's flag, set on the window's thread.
    explicit RunWorker(const std::atomic<bool>& cancel);

    // What a run needs from the window, taken before it starts: whether the pane holds
    // lines (a report that follows others starts with a blank line), and the call made
    // at every point where the run may be interrupted (empty: none).
    struct Start {
        bool PaneHasLines = false;
        bool Hooked = false;
    };
    // On the window's thread while the worker is idle: what the next run counts. The
    // worker keeps copies: the window may change its own (a view switch) meanwhile.
    void Prepare(const run::RunInput& input, const settings::Settings& cnf, Start start);
    // With revisions, the change count compares the targets as they stand in them.
    void Prepare(const run::ChangeInput& input, const settings::Settings& cnf, Start start,
                 const std::string& oldRevision = {}, const std::string& newRevision = {});
    // A history: the totals at each commit, with the report's head of envName and now.
    void Prepare(const run::HistoryInput& input, const std::string& envName, std::time_t now,
                 const settings::Settings& cnf, Start start);
    // On the worker's thread: the prepared run. Done follows, the outcome is then Outcome().
    Q_INVOKABLE void Go();

    // After Done, on any thread: the worker is idle until the next run starts.
    const run::RunOutcome& Outcome() const { return outcome_; }
    report::ResultRows TakeRows() { return std::move(rows_); }
    report::ChangeRows TakeChanges() { return changes_.TakeRows(); }
    report::HistoryChart TakeHistory() { return history_.Chart(); }

    // LineSink
    void Line(const std::string& sjisLine) override;
    bool HasLines() const override { return paneHasLines_ || linesWritten_; }
    void ColumnHeader(const std::string& sjisHeader) override;

    // ProgressObserver
    void Collecting() override;
    void Found(std::int64_t count) override;
    void Counting(std::int64_t files) override;
    bool FileNext(std::int64_t number, std::int64_t files) override;
    void FilePath(const std::string& sjisPath) override;
    void Ended() override;
    void Pump() override;
    bool CancelRequested() const override { return cancel_.load(std::memory_order_relaxed); }

signals:
    // Lines for the pane, '\n' between them; a batch at most every 50 ms.
    void LinesReady(const QString& lines);
    void HeaderReady(const QString& header);
    void CollectingStarted();
    void FoundChanged(qint64 count);
    void CountingStarted(qint64 files);
    void FileShown(qint64 number, qint64 files, const QString& path);
    // The run lets the window look in (tests); the worker waits until it returns.
    void Interruptible();
    void Done();

private:
    void Count();
    void CountChanges();
    void CountHistory();
    template <typename Body>
    void Guarded(Body body);
    void Flush();

    const std::atomic<bool>& cancel_;
    enum class Kind { Count, Changes, History } kind_ = Kind::Count;
    run::RunInput input_;
    run::ChangeInput changeInput_;
    run::HistoryInput historyInput_;
    std::string historyEnv_;
    std::time_t historyNow_ = 0;
    std::string oldRevision_, newRevision_;  // both empty: the targets as they are on disk
    settings::Settings cnf_;
    Start start_;
    run::RunSession session_;
    report::ResultRows rows_;
    report::ChangeRowsKeeper changes_;
    report::HistoryChartKeeper history_;
    run::RunOutcome outcome_;
    QElapsedTimer flushClock_;
    QElapsedTimer pathClock_;
    QString pending_;
    bool paneHasLines_ = false;
    bool linesWritten_ = false;
    bool hooked_ = false;
    std::int64_t number_ = 0, files_ = 0;
};

}  // namespace zarnik::ui
