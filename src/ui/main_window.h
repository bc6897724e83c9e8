// MainWindow: the program's one top-level window.
#pragma once

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <functional>
#include <memory>
#include <optional>
#include <variant>

#include "report/change.h"
#include "report/chart_data.h"
#include "report/result_rows.h"
#include "run/git_history.h"
#include "settings/settings.h"
#include "ui/app_state.h"
#include "ui/env_tabs.h"
#include "ui/prompts.h"
#include "ui/result_pane.h"
#include "ui/tab_row.h"
#include "ui/target_pane.h"

namespace zarnik::run {
struct RunOutcome;
}

namespace zarnik::ui {

class ChartPane;
class ProgressDialog;
class RunController;
class WindowPlacement;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // state holds the settings, the environments and the paths; prompts asks the
    // user (the window and the dialogs it opens). Both outlive the window.
    explicit MainWindow(AppState& state, Prompts& prompts = DesktopPrompts(), QWidget* parent = nullptr);
    ~MainWindow() override;

    ProgressDialog* ProgressWindow() const;
    bool MemoOpen() const { return targets_->MemoOpen(); }
    TargetPane& Targets() const { return *targets_; }
    EnvTabs& Tabs() const { return *tabs_; }
    int MemoPaneWidth() const;
    int UpperPaneHeight() const;
    bool ResultContextMenuAttached() const;
    ResultPane& Result() const { return *result_; }
    bool Running() const { return running_; }
    // During a count run only the progress window's cancel works: every command that
    // would change the result, the targets, the environments or the settings, and
    // save and print, is refused until the run ends.
    bool RefusedWhileRunning(const QAction* action) const;

    // Called on the window's thread at every point where a run may be interrupted,
    // while the run waits for it; a run without one never waits for the window.
    std::function<void()> RunPumpHook;

    // Commands.
    void RunCountCommand();
    // Asks for the old and the new version (ChangeCountDialog) and runs
    // a change count over them into the result pane.
    void RunChangeCommand();
    // Asks for a target line in a git repository and its commits
    // (HistoryCountDialog) and shows the totals at each commit in the result pane.
    void RunHistoryCommand();
    bool SaveResultTo(const QString& path);
    void ClearResult();
    void CopyResult();
    void OpenMemoPane(bool animate = true);
    void CloseMemoPane();
    void OpenTargetFiles();
    void ChooseTargetFolder();
    void EditEnvironments();
    void PrintResult();
    void OpenSettings();
    // Makes confirmed settings live: the record, its extension lists, the tab
    // placement, the panes' fonts and colours.
    void ApplySettings(const settings::Settings& confirmed);

    // Lines of the result pane as the save writes them (Shift-JIS).
    std::vector<std::string> ResultLines() const;

    void SaveResult();
    // The rows of the last finished run, a count's or a change count's, as
    // Shift-JIS CSV, through a save dialog of its own (result_csv.cpp); enabled
    // while a finished run's rows are left and the pane holds lines.
    void SaveResultCsv();
    bool SaveResultCsvTo(const QString& path);
    // The last finished run, a count, a change count or a history, as the page
    // zarnik-count --format html writes (result_html.cpp); enabled while it is left
    // and the pane holds lines.
    void SaveResultHtml();
    bool SaveResultHtmlTo(const QString& path);
    void SaveResultXlsx();
    bool SaveResultXlsxTo(const QString& path);
    // The chart pane beside the result (main_window_chart.cpp): shown or hidden
    // from the view menu, it draws the last finished run's figures while shown.
    ChartPane& Chart() const { return *chart_; }
    void ShowChartPane(bool on);
    // Saves the charts shown as PNG or SVG through a save dialog of its own.
    void SaveChart();
    bool SaveChartTo(const QString& path);
    const report::ResultRows* LastRunRows() const { return std::get_if<report::ResultRows>(&lastRun_); }
    const report::ChangeRows* LastRunChanges() const { return std::get_if<report::ChangeRows>(&lastRun_); }
    const report::HistoryChart* LastRunHistory() const {
        return std::get_if<report::HistoryChart>(&lastRun_);
    }
    // Adds dropped paths to the pane under pos (window coordinates); false when
    // nothing there takes them.
    bool DropFilesAt(const QPoint& pos, const QStringList& paths);

protected:
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void InstallTargetEntry();
    void BuildActions();
    void BuildMenus();
    void BuildToolBar();
    void BuildPanes();
    void ApplyStartState();
    void ApplyFontsAndColours();
    void ApplyScrollBars();
    void ApplyFlatToolBar();
    void ShowEnvMenu(const QPoint& globalPos);
    bool AskAndSave(Prompts::SaveKind kind, bool (MainWindow::*saveTo)(const QString&));
    void SetRunning(bool on);
    // The charts of the last finished run, when the pane is shown and has none yet.
    void RefreshChart();
    // What every run does when it ends: its messages, the unsaved mark, the pending close.
    void FinishRun(const run::RunOutcome& outcome);

    // Enabling rules.
    void UpdateCountEnabled();
    void UpdateResultEnabled();
    void ReevaluateAll();

    // Environments and persistence.
    bool SaveAll();  // false when a file could not be written (message shown)
    settings::WindowState CaptureWindowState();

    AppState& state_;
    Prompts& prompts_;

    // The commands; tests reach them by object name ("countAction").
    QToolBar* mainToolBar_ = nullptr;
    QLabel* statusText_ = nullptr;
    QAction* openAction_ = nullptr;
    QAction* folderAction_ = nullptr;
    QAction* envEditAction_ = nullptr;
    QAction* saveAction_ = nullptr;
    QAction* saveCsvAction_ = nullptr;
    QAction* saveHtmlAction_ = nullptr;
    QAction* saveXlsxAction_ = nullptr;
    QAction* saveChartAction_ = nullptr;
    QAction* printAction_ = nullptr;
    QAction* exitAction_ = nullptr;
    QAction* countAction_ = nullptr;
    QAction* changeCountAction_ = nullptr;
    QAction* historyCountAction_ = nullptr;
    QAction* copyAction_ = nullptr;
    QAction* clearAction_ = nullptr;
    QAction* settingsAction_ = nullptr;
    QAction* toolBarAction_ = nullptr;
    QAction* statusBarAction_ = nullptr;
    QAction* horizontalScrollBarAction_ = nullptr;
    QAction* memoAction_ = nullptr;
    QAction* chartAction_ = nullptr;
    QAction* helpAction_ = nullptr;
    QAction* aboutAction_ = nullptr;
    QAction* flatToolBarAction_ = nullptr;
    QAction* popupCopyAction_ = nullptr;
    std::unique_ptr<RunController> runner_;
    std::variant<std::monostate, report::ResultRows, report::ChangeRows, report::HistoryChart> lastRun_;
    run::HistoryInput historyInput_;  // the history dialog's last answer
    settings::Settings lastRunCnf_;   // the settings lastRun_ was counted with
    std::string lastHistoryTarget_;   // the path a history in lastRun_ was counted at
    QSplitter* vertSplitter_ = nullptr;
    TargetPane* targets_ = nullptr;
    EnvTabs* tabs_ = nullptr;
    WindowPlacement* placement_ = nullptr;
    QMenu* resultMenu_ = nullptr;
    ResultPane* result_ = nullptr;
    QSplitter* resultSplitter_ = nullptr;  // the result and the chart pane
    ChartPane* chart_ = nullptr;
    bool running_ = false;
    bool closeAfterRun_ = false;
    bool saveFailedOnce_ = false;
};

}  // namespace zarnik::ui
