#include "ui/run_controller.h"

#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>
#include <cerrno>
#include <new>

#include "ui/progress_dialog.h"
#include "ui/result_pane.h"
#include "ui/run_worker.h"

namespace zarnik::ui {

RunController::RunController(QWidget* window, ResultPane* pane)
    : pane_(pane), dialog_(new ProgressDialog(window)), worker_(new RunWorker(dialog_->CancelFlag())) {
    thread_.setObjectName(QStringLiteral("count run"));
    finishPoll_.setInterval(10);
    connect(&finishPoll_, &QTimer::timeout, this, &RunController::EndWhenActive);
    worker_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, worker_, &QObject::deleteLater);
    Connect();
    thread_.start();
}

RunController::~RunController() {
    dialog_->OnStopClicked();
    thread_.quit();
    thread_.wait();
    TakeOver(worker_);
}

void RunController::Connect() {
    constexpr auto queued = Qt::QueuedConnection;
    connect(worker_, &RunWorker::LinesReady, this, &RunController::ShowLines, queued);
    connect(worker_, &RunWorker::HeaderReady, this, &RunController::ShowHeader, queued);
    connect(worker_, &RunWorker::CollectingStarted, this, &RunController::ShowCollecting, queued);
    connect(worker_, &RunWorker::FoundChanged, this, &RunController::ShowFound, queued);
    connect(worker_, &RunWorker::CountingStarted, this, &RunController::ShowCounting, queued);
    connect(worker_, &RunWorker::FileShown, this, &RunController::ShowFile, queued);
    connect(worker_, &RunWorker::Done, this, &RunController::Finish, queued);
    connect(
        worker_, &RunWorker::Interruptible, this,
        [this] {
            TakeOver(worker_);
            if (PumpHook) PumpHook();
            HandOver(worker_);
        },
        Qt::BlockingQueuedConnection);
}

run::RunOutcome RunController::Run(const run::RunInput& input, const settings::Settings& cnf) {
    return Await([&](RunWorker::Start start) { worker_->Prepare(input, cnf, start); });
}

run::RunOutcome RunController::RunChanges(const run::ChangeInput& input, const settings::Settings& cnf) {
    return Await([&](RunWorker::Start start) { worker_->Prepare(input, cnf, start); });
}

run::RunOutcome RunController::RunChanges(const run::ChangeInput& input, const std::string& oldRevision,
                                          const std::string& newRevision, const settings::Settings& cnf) {
    return Await(
        [&](RunWorker::Start start) { worker_->Prepare(input, cnf, start, oldRevision, newRevision); });
}

run::RunOutcome RunController::RunHistory(const run::HistoryInput& input, const std::string& envName,
                                          std::time_t now, const settings::Settings& cnf) {
    return Await([&](RunWorker::Start start) { worker_->Prepare(input, envName, now, cnf, start); });
}

// The worker is idle until it is told to go: it takes its copies of the input and
// the settings on this thread, then counts on its own.
template <typename Prepare>
run::RunOutcome RunController::Await(Prepare prepare) {
    outOfMemory_ = false;
    dialog_->ResetCancel();
    prepare(RunWorker::Start{pane_->HasLines(), static_cast<bool>(PumpHook)});
    HandOver(worker_);
    QMetaObject::invokeMethod(worker_, "Go", Qt::QueuedConnection);
    QEventLoop loop;
    loop_ = &loop;
    loop.exec();
    loop_ = nullptr;
    run::RunOutcome outcome = worker_->Outcome();
    if (outOfMemory_) {
        // No memory for the pane's lines: what reached it stays.
        outcome = run::RunOutcome();
        outcome.End = run::RunEnd::ReadError;
        outcome.Error = run::ReadError{{}, ENOMEM};
    }
    outcome.ResultUnsaved = pane_->HasLines();
    return outcome;
}

report::ResultRows RunController::TakeRows() { return worker_->TakeRows(); }
report::ChangeRows RunController::TakeChanges() { return worker_->TakeChanges(); }
report::HistoryChart RunController::TakeHistory() { return worker_->TakeHistory(); }

void RunController::ShowLines(const QString& lines) {
    TakeOver(worker_);
    if (outOfMemory_) return;
    try {
        pane_->AppendLines(lines);
        pane_->ScrollToBottom();
    } catch (const std::bad_alloc&) {
        outOfMemory_ = true;
        dialog_->OnStopClicked();
    }
}

void RunController::ShowHeader(const QString& header) {
    TakeOver(worker_);
    QLabel* strip = pane_->HeaderStrip();
    strip->setText(header);
    strip->show();
}

void RunController::ShowCollecting() {
    dialog_->progressBar->setValue(0);
    dialog_->phaseLabel->setText(QStringLiteral("ファイル数カウント中"));
    dialog_->fileCountLabel->setText(QStringLiteral("0"));
    dialog_->fileCountLabel->setVisible(true);
    dialog_->fileNumberLabel->setVisible(false);
    // A cancel clicked before the window showed stays.
    if (dialog_->CancelRequested()) return;
    dialog_->show();
    dialog_->raise();
    // The keyboard belongs to the progress window while it runs: Alt+C cancels
    // instead of typing into the target list.
    dialog_->activateWindow();
    dialog_->stopButton->setFocus();
}

void RunController::ShowFound(qint64 count) { dialog_->fileCountLabel->setText(QString::number(count)); }

void RunController::ShowCounting(qint64 files) {
    dialog_->fileCountLabel->setVisible(false);
    dialog_->fileNumberLabel->clear();
    dialog_->fileNumberLabel->setVisible(true);
    dialog_->phaseLabel->setText(QStringLiteral("処理中..."));
    dialog_->progressBar->setRange(0, static_cast<int>(std::min<qint64>(files, INT32_MAX)));
}

void RunController::ShowFile(qint64 number, qint64 files, const QString& path) {
    TakeOver(worker_);
    dialog_->progressBar->setValue(static_cast<int>(std::min<qint64>(number, INT32_MAX)));
    dialog_->fileNumberLabel->setText(QStringLiteral(" [%1/%2]").arg(number).arg(files));
    dialog_->environmentLabel->setText(path);
}

// The activation the progress window asked for at the start must land before it
// hides. A window manager that grants it after a short run has ended gives the
// toolkit's keyboard focus to the hidden window, while the X focus goes back to the
// main window: keys then reach nothing until the user switches windows. So the run
// ends once the window is active, or after half a second.
void RunController::Finish() {
    TakeOver(worker_);
    finishClock_.start();
    if (!EndWhenActive()) finishPoll_.start();
}

bool RunController::EndWhenActive() {
    const bool waits = QGuiApplication::platformName() != QLatin1String("offscreen");
    if (waits && !dialog_->isActiveWindow() && dialog_->isVisible() && finishClock_.elapsed() < 500)
        return false;
    finishPoll_.stop();
    dialog_->hide();
    if (loop_) loop_->quit();
    return true;
}

}  // namespace zarnik::ui
