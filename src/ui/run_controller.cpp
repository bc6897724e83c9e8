#include "ui/run_controller.h"

#include <QApplication>
#include <cerrno>
#include <new>

#include "report/layout.h"
#include "report/text_printer.h"
#include "ui/progress_dialog.h"
#include "ui/qt_text.h"
#include "ui/result_pane.h"

namespace zarnik::ui {

RunController::RunController(QWidget* window, ResultPane* pane)
    : pane_(pane), dialog_(new ProgressDialog(window)) {}

// The report goes to the pane, the rows are kept for a later CSV save.
run::RunOutcome RunController::Run(const run::RunInput& input, const settings::Settings& cnf) {
    rows_ = report::ResultRows();
    report::TextPrinter text(*this);
    report::CountEventsTee both(text, rows_);
    return Guarded([&] {
        run::RunOutcome outcome = session_.Count(input, cnf, both, *this);
        outcome.ResultUnsaved = HasLines();
        return outcome;
    });
}

// The report goes into the pane, the records into the rows kept for a csv.
run::RunOutcome RunController::RunChanges(const run::ChangeInput& input, const settings::Settings& cnf) {
    changes_ = report::ChangeRowsKeeper();
    report::ChangeReportPrinter printer(*this);
    report::ChangeEventsTee events(printer, changes_);
    return Guarded([&] {
        run::RunOutcome outcome = session_.CountChanges(input, cnf, events, *this);
        outcome.ResultUnsaved = HasLines();
        return outcome;
    });
}

template <typename Start>
run::RunOutcome RunController::Guarded(Start start) {
    pumpClock_.start();
    repaintClock_.invalidate();
    pathClock_.invalidate();
    try {
        run::RunOutcome outcome = start();
        Flush();
        return outcome;
    } catch (const std::bad_alloc&) {
        // No memory for the pane's lines: what reached it stays.
        pending_.clear();
        pendingLines_ = 0;
        dialog_->hide();
        run::RunOutcome outcome;
        outcome.End = run::RunEnd::ReadError;
        outcome.Error = run::ReadError{{}, ENOMEM};
        outcome.ResultUnsaved = HasLines();
        return outcome;
    }
}

// Lines reach the pane in batches, when pending messages run: laying out and
// scrolling the pane once per line would cost more than counting the file. To the
// eye every line still appears as it is written.
void RunController::Line(const std::string& sjisLine) {
    AppendQ(pending_, sjisLine);
    pending_ += QLatin1Char('\n');
    ++pendingLines_;
}

bool RunController::HasLines() const { return pendingLines_ > 0 || pane_->HasLines(); }

void RunController::ColumnHeader(const std::string& sjisHeader) {
    QLabel* header = pane_->HeaderStrip();
    header->setText(ToQ(sjisHeader));
    header->show();
}

void RunController::Flush() {
    if (pendingLines_ == 0) return;
    pending_.chop(1);
    pane_->AppendLines(pending_);
    pending_.resize(0);  // keeps its capacity for the next batch
    pendingLines_ = 0;
    pane_->ScrollToBottom();
}

void RunController::Collecting() {
    dialog_->ProgressBar1->setValue(0);
    ProgressDialog::SetAndRepaint(dialog_->phaseLabel, QStringLiteral("ファイル数カウント中"));
    SetThrottled(dialog_->fileCountLabel, QStringLiteral("0"));
    dialog_->fileCountLabel->setVisible(true);
    dialog_->fileNumberLabel->setVisible(false);
    dialog_->ResetCancel();
    dialog_->show();
    dialog_->raise();
    // The keyboard belongs to the progress window while it runs: Alt+C cancels
    // instead of typing into the target list.
    dialog_->activateWindow();
    dialog_->stopButton->setFocus();
}

// The count of files found moves at most every 100 ms too: it is told for each file.
void RunController::Found(std::int64_t count) {
    if (pathClock_.isValid() && pathClock_.elapsed() < 100) return;
    pathClock_.start();
    SetThrottled(dialog_->fileCountLabel, QString::number(count));
}

void RunController::Counting(std::int64_t files) {
    dialog_->fileCountLabel->setVisible(false);
    SetThrottled(dialog_->fileNumberLabel, QString());
    dialog_->fileNumberLabel->setVisible(true);
    ProgressDialog::SetAndRepaint(dialog_->phaseLabel, QStringLiteral("処理中..."));
    dialog_->ProgressBar1->setRange(0, static_cast<int>(std::min<std::int64_t>(files, INT32_MAX)));
    pathClock_.invalidate();  // the first file's path shows at once
}

// The path, the counter and the bar change at most every 100 ms: making a path's
// text for each of 50,000 small files cost more than counting them.
bool RunController::FileNext(std::int64_t number, std::int64_t files) {
    number_ = number;
    files_ = files;
    if (pathClock_.isValid() && pathClock_.elapsed() < 100) return false;
    pathClock_.start();
    dialog_->ProgressBar1->setValue(static_cast<int>(std::min<std::int64_t>(number, INT32_MAX)));
    return true;
}

void RunController::FilePath(const std::string& sjisPath) {
    SetThrottled(dialog_->fileNumberLabel, QStringLiteral(" [%1/%2]").arg(number_).arg(files_));
    SetThrottled(dialog_->environmentLabel, ToQ(sjisPath));
}

void RunController::Ended() {
    Flush();
    // The activation the progress window asked for at the start must land before it
    // hides. A window manager that grants it after a short run has ended gives the
    // toolkit's keyboard focus to the hidden window, while the X focus goes back to
    // the main window: keys then reach nothing until the user switches windows.
    if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
        QElapsedTimer wait;
        wait.start();
        while (!dialog_->isActiveWindow() && dialog_->isVisible() && wait.elapsed() < 500)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    }
    dialog_->hide();
}

// Pending messages are processed at most every 50 ms: the window stays responsive
// and a run over many small files does not spend its time painting.
void RunController::Pump() {
    if (PumpHook) PumpHook();
    if (pumpClock_.elapsed() < 50) return;
    Flush();
    QApplication::processEvents();
    pumpClock_.restart();
}

bool RunController::CancelRequested() const { return dialog_->CancelRequested(); }

// Labels are painted at most every 100 ms; the last text shows when the dialog next paints.
void RunController::SetThrottled(QLabel* label, const QString& text) {
    label->setText(text);
    if (repaintClock_.isValid() && repaintClock_.elapsed() < 100) return;
    if (label->isVisible()) label->repaint();
    repaintClock_.start();
}

}  // namespace zarnik::ui
