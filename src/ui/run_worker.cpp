#include "ui/run_worker.h"

#include <cerrno>
#include <new>

#include "report/text_printer.h"
#include "ui/qt_text.h"

namespace zarnik::ui {

RunWorker::RunWorker(const std::atomic<bool>& cancel) : cancel_(cancel) {}

void RunWorker::Prepare(const run::RunInput& input, const settings::Settings& cnf, Start start) {
    kind_ = Kind::Count;
    input_ = input;
    cnf_ = cnf;
    start_ = start;
}

void RunWorker::Prepare(const run::ChangeInput& input, const settings::Settings& cnf, Start start,
                        const std::string& oldRevision, const std::string& newRevision) {
    kind_ = Kind::Changes;
    changeInput_ = input;
    oldRevision_ = oldRevision;
    newRevision_ = newRevision;
    cnf_ = cnf;
    start_ = start;
}

void RunWorker::Prepare(const run::HistoryInput& input, const std::string& envName, std::time_t now,
                        const settings::Settings& cnf, Start start) {
    kind_ = Kind::History;
    historyInput_ = input;
    historyEnv_ = envName;
    historyNow_ = now;
    cnf_ = cnf;
    start_ = start;
}

void RunWorker::Go() {
    TakeOver(this);
    switch (kind_) {
        case Kind::Count:
            Count();
            break;
        case Kind::Changes:
            CountChanges();
            break;
        case Kind::History:
            CountHistory();
            break;
    }
}

// The report goes to the pane, the rows are kept for a later CSV save.
void RunWorker::Count() {
    rows_ = report::ResultRows();
    Guarded([&] {
        report::TextPrinter text(*this);
        report::CountEventsTee both(text, rows_);
        return session_.Count(input_, cnf_, both, *this);
    });
}

// The report goes into the pane, the records into the rows kept for a csv.
void RunWorker::CountChanges() {
    changes_ = report::ChangeRowsKeeper();
    Guarded([&] {
        report::ChangeReportPrinter printer(*this);
        report::ChangeEventsTee events(printer, changes_);
        if (oldRevision_.empty() && newRevision_.empty())
            return session_.CountChanges(changeInput_, cnf_, events, *this);
        return session_.CountRevisionChanges(changeInput_, oldRevision_, newRevision_, cnf_, events, *this);
    });
}

// The totals at each commit go to the pane, and what their chart needs is kept.
void RunWorker::CountHistory() {
    history_ = report::HistoryChartKeeper();
    Guarded([&] {
        report::HistoryTextPrinter printer(*this, cnf_, historyEnv_, historyNow_, historyInput_.Target);
        report::HistoryEventsTee events(printer, history_);
        return run::CountHistory(historyInput_, cnf_, events, *this);
    });
}

template <typename Body>
void RunWorker::Guarded(Body body) {
    paneHasLines_ = start_.PaneHasLines;
    hooked_ = start_.Hooked;
    linesWritten_ = false;
    flushClock_.start();
    pathClock_.invalidate();
    try {
        outcome_ = body();
        Flush();
    } catch (const std::bad_alloc&) {
        // No memory for the report's lines: what reached the pane stays.
        pending_ = QString();
        outcome_ = run::RunOutcome();
        outcome_.End = run::RunEnd::ReadError;
        outcome_.Error = run::ReadError{{}, ENOMEM};
    }
    HandOver(this);
    emit Done();
}

// Lines reach the pane in batches: laying out and scrolling the pane once per line
// would cost more than counting the file. To the eye every line still appears as it
// is written.
void RunWorker::Line(const std::string& sjisLine) {
    AppendQ(pending_, sjisLine);
    pending_ += QLatin1Char('\n');
    linesWritten_ = true;
}

void RunWorker::ColumnHeader(const std::string& sjisHeader) {
    Flush();
    const QString header = ToQ(sjisHeader);
    HandOver(this);
    emit HeaderReady(header);
}

void RunWorker::Flush() {
    flushClock_.restart();
    if (pending_.isEmpty()) return;
    pending_.chop(1);
    HandOver(this);
    emit LinesReady(pending_);
    // The signal's copy shares the text until the pane has taken it: a new batch
    // starts in a string of its own with room for as much.
    const qsizetype room = pending_.size();
    pending_ = QString();
    pending_.reserve(room);
}

void RunWorker::Collecting() { emit CollectingStarted(); }

// The count of files found moves at most every 100 ms: it is told for each file.
void RunWorker::Found(std::int64_t count) {
    if (pathClock_.isValid() && pathClock_.elapsed() < 100) return;
    pathClock_.start();
    emit FoundChanged(count);
}

void RunWorker::Counting(std::int64_t files) {
    Flush();
    emit CountingStarted(files);
    pathClock_.invalidate();  // the first file's path shows at once
}

// The path, the counter and the bar change at most every 100 ms: making a path's
// text for each of 50,000 small files costs more than counting them.
bool RunWorker::FileNext(std::int64_t number, std::int64_t files) {
    number_ = number;
    files_ = files;
    if (pathClock_.isValid() && pathClock_.elapsed() < 100) return false;
    pathClock_.start();
    return true;
}

void RunWorker::FilePath(const std::string& sjisPath) {
    const QString path = ToQ(sjisPath);
    HandOver(this);
    emit FileShown(number_, files_, path);
}

void RunWorker::Ended() { Flush(); }

// Lines leave at most every 50 ms, so that a run over many small files does not
// spend the window's time on laying out and painting.
void RunWorker::Pump() {
    if (hooked_) {
        Flush();
        emit Interruptible();
        TakeOver(this);  // what the window changed meanwhile
        return;
    }
    if (flushClock_.elapsed() >= 50) Flush();
}

}  // namespace zarnik::ui
