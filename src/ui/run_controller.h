// The desktop's side of a count run: the run itself goes on a thread of its own
// (RunWorker), its report lines into the result pane and its progress into the
// progress dialog, as they arrive on the window's thread.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QThread>
#include <QTimer>
#include <functional>
#include <string>

#include "report/change_printer.h"
#include "report/chart_data.h"
#include "report/result_rows.h"
#include "run/git_history.h"
#include "run/run.h"

class QEventLoop;

namespace zarnik::ui {

class ProgressDialog;
class ResultPane;
class RunWorker;

class RunController : public QObject {
    Q_OBJECT
public:
    // pane: the result pane (its column-header strip takes the report's captions);
    // the progress dialog is made here, a child of window.
    RunController(QWidget* window, ResultPane* pane);
    ~RunController() override;

    // Runs one count, or one change count, and returns when it is over; the window
    // keeps handling its events meanwhile. What the window does with the outcome is
    // its own affair.
    run::RunOutcome Run(const run::RunInput& input, const settings::Settings& cnf);
    run::RunOutcome RunChanges(const run::ChangeInput& input, const settings::Settings& cnf);
    // A change count of the targets as they stand in two revisions of their repository.
    run::RunOutcome RunChanges(const run::ChangeInput& input, const std::string& oldRevision,
                               const std::string& newRevision, const settings::Settings& cnf);
    // The totals of a target line at each commit of its repository's history.
    run::RunOutcome RunHistory(const run::HistoryInput& input, const std::string& envName, std::time_t now,
                               const settings::Settings& cnf);
    ProgressDialog* Dialog() const { return dialog_; }
    // The last run's files and totals as data (the rows of "結果をCSVで保存").
    report::ResultRows TakeRows();
    report::ChangeRows TakeChanges();
    report::HistoryChart TakeHistory();
    // Called on the window's thread at every point where a run may be interrupted,
    // while the run waits for it.
    std::function<void()> PumpHook;

private:
    template <typename Prepare>
    run::RunOutcome Await(Prepare prepare);
    void Connect();
    void ShowLines(const QString& lines);
    void ShowHeader(const QString& header);
    void ShowCollecting();
    void ShowFound(qint64 count);
    void ShowCounting(qint64 files);
    void ShowFile(qint64 number, qint64 files, const QString& path);
    void Finish();
    bool EndWhenActive();

    ResultPane* pane_;
    ProgressDialog* dialog_;
    QThread thread_;
    RunWorker* worker_;           // lives on thread_, deleted when it ends
    QEventLoop* loop_ = nullptr;  // while a run goes on
    QTimer finishPoll_;
    QElapsedTimer finishClock_;
    bool outOfMemory_ = false;
};

}  // namespace zarnik::ui
