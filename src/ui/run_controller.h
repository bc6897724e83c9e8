// The desktop's side of a count run: report lines into the result pane, progress
// into the progress dialog, and the run session that lasts while the window does.
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QString>
#include <functional>

#include "report/change_printer.h"
#include "report/result_rows.h"
#include "run/run.h"

namespace zarnik::ui {

class ProgressDialog;
class ResultPane;

class RunController : public report::LineSink, public run::ProgressObserver {
public:
    // pane: the result pane (its column-header strip takes the report's captions);
    // the progress dialog is made here, a child of window.
    RunController(QWidget* window, ResultPane* pane);

    // Runs one count, or one change count; what the window does with the outcome is
    // its own affair.
    run::RunOutcome Run(const run::RunInput& input, const settings::Settings& cnf);
    run::RunOutcome RunChanges(const run::ChangeInput& input, const settings::Settings& cnf);
    ProgressDialog* Dialog() const { return dialog_; }
    // The last run's files and totals as data (the rows of "結果をCSVで保存").
    report::ResultRows TakeRows() { return std::move(rows_); }
    report::ChangeRows TakeChanges() { return changes_.TakeRows(); }
    // Called at every point where a run lets pending messages run.
    std::function<void()> PumpHook;

    // LineSink
    void Line(const std::string& sjisLine) override;
    bool HasLines() const override;
    void ColumnHeader(const std::string& sjisHeader) override;

    // ProgressObserver
    void Collecting() override;
    void Found(std::int64_t count) override;
    void Counting(std::int64_t files) override;
    bool FileNext(std::int64_t number, std::int64_t files) override;
    void FilePath(const std::string& sjisPath) override;
    void Ended() override;
    void Pump() override;
    bool CancelRequested() const override;

private:
    template <typename Start>
    run::RunOutcome Guarded(Start start);
    void Flush();
    void SetThrottled(QLabel* label, const QString& text);

    ResultPane* pane_;
    ProgressDialog* dialog_;
    run::RunSession session_;
    report::ResultRows rows_;
    report::ChangeRowsKeeper changes_;
    QElapsedTimer pumpClock_;
    QElapsedTimer repaintClock_;
    QElapsedTimer pathClock_;
    QString pending_;
    std::size_t pendingLines_ = 0;
    std::int64_t number_ = 0, files_ = 0;
};

}  // namespace zarnik::ui
