#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>
#include <algorithm>
#include <ctime>

#include "run/run.h"
#include "text/version.h"
#include "ui/change_dialog.h"
#include "ui/chart_pane.h"
#include "ui/env_tabs.h"
#include "ui/help_viewer.h"
#include "ui/history_dialog.h"
#include "ui/key_guard.h"
#include "ui/progress_dialog.h"
#include "ui/qt_text.h"
#include "ui/result_pane.h"
#include "ui/run_controller.h"
#include "ui/target_entry.h"
#include "ui/target_pane.h"
#include "ui/toolbar_icons.h"
#include "ui/ui_style.h"
#include "ui/window_placement.h"

namespace zarnik::ui {

namespace {

QString StartDateText() {
    static const char* const kWeekdays[] = {"月", "火", "水", "木", "金", "土", "日"};
    QDate d = QDate::currentDate();
    return d.toString(QStringLiteral("yyyy/MM/dd")) + QStringLiteral(" (") +
           QString::fromUtf8(kWeekdays[d.dayOfWeek() - 1]) + QStringLiteral(")");
}

// A text edit whose text counts as lines the way the rest of the program counts them.
bool HasLines(const QPlainTextEdit* edit) { return !edit->document()->isEmpty(); }

}  // namespace

MainWindow::MainWindow(AppState& state, Prompts& prompts, QWidget* parent)
    : QMainWindow(parent), state_(state), prompts_(prompts) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(ToQ(text::VersionText(0)));
    setMinimumSize(50, 50);
    InstallCommandKeyGuard();

    BuildActions();
    BuildMenus();
    BuildToolBar();
    BuildPanes();
    InstallTargetEntry();
    statusBar()->setSizeGripEnabled(true);
    statusText_ = new QLabel(StartDateText());
    statusText_->setObjectName(QStringLiteral("statusText"));
    QFont sf(QStringLiteral("ＭＳ Ｐゴシック"));
    sf.setPixelSize(12);
    sf.setBold(true);
    statusText_->setFont(sf);
    statusText_->setStyleSheet(QStringLiteral("color: blue"));
    statusBar()->addWidget(statusText_, 1);

    runner_ = std::make_unique<RunController>(this, result_);
    HelpViewer::Instance().SetHelpFile(QString::fromStdString(state_.HelpFile));
    ApplyStartState();
    targets_->List()->setFocus();  // the user starts by typing targets
}

MainWindow::~MainWindow() = default;

ProgressDialog* MainWindow::ProgressWindow() const { return runner_->Dialog(); }
bool MainWindow::ResultContextMenuAttached() const { return result_->ContextMenuAttached(); }

void MainWindow::BuildActions() {
    auto make = [this](const char* name, const char* caption, auto slot) {
        auto* a = new QAction(QString::fromUtf8(caption), this);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, [this, a, slot](bool on) {
            if (RefusedWhileRunning(a)) {
                if (a->isCheckable()) a->setChecked(!on);
                return;
            }
            if constexpr (std::is_invocable_v<decltype(slot), bool>)
                slot(on);
            else
                slot();
        });
        return a;
    };
    openAction_ = make("openAction", "対象ｿｰｽﾌｧｲﾙ指定(&O)...", [this] { OpenTargetFiles(); });
    folderAction_ = make("folderAction", "対象ｿｰｽﾌｧｲﾙのﾌｫﾙﾀﾞ指定(&B)...", [this] { ChooseTargetFolder(); });
    envEditAction_ = make("envEditAction", "対象ｿｰｽﾌｧｲﾙ環境編集(&F)...", [this] { EditEnvironments(); });
    saveAction_ = make("saveAction", "結果の保存(&S)...", [this] { SaveResult(); });
    saveCsvAction_ = make("saveCsvAction", "結果をCSVで保存(&V)...", [this] { SaveResultCsv(); });
    saveCsvAction_->setEnabled(false);  // until a run has finished
    saveHtmlAction_ = make("saveHtmlAction", "結果をHTMLで保存(&H)...", [this] { SaveResultHtml(); });
    saveHtmlAction_->setEnabled(false);
    // E: X is 終了's in the same menu.
    saveXlsxAction_ = make("saveXlsxAction", "結果をExcelで保存(&E)...", [this] { SaveResultXlsx(); });
    saveXlsxAction_->setEnabled(false);
    saveChartAction_ = make("saveChartAction", "グラフの保存(&G)...", [this] { SaveChart(); });
    saveChartAction_->setEnabled(false);  // until the chart pane shows a run's charts
    printAction_ = make("printAction", "結果の印刷(&P)...", [this] { PrintResult(); });
    exitAction_ = make("exitAction", "終了(&X)", [this] { close(); });
    countAction_ = make("countAction", "ｺﾒﾝﾄｶｳﾝﾄ実行(&E)", [this] { RunCountCommand(); });
    countAction_->setShortcut(QKeySequence(Qt::Key_F9));
    changeCountAction_ = make("changeCountAction", "差分カウント(&C)...", [this] { RunChangeCommand(); });
    historyCountAction_ = make("historyCountAction", "履歴カウント(&H)...", [this] { RunHistoryCommand(); });
    copyAction_ = make("copyAction", "結果をクリップボードにコピー(&P)", [this] { CopyResult(); });
    clearAction_ = make("clearAction", "結果のクリア(&D)", [this] { ClearResult(); });
    settingsAction_ = make("settingsAction", "設定(&S)...", [this] { OpenSettings(); });
    toolBarAction_ = make("toolBarAction", "ﾂｰﾙﾊﾞｰ(&T)", [this](bool on) {
        state_.Cnf.ShowToolBar = on ? 1 : 0;
        mainToolBar_->setVisible(on);
    });
    statusBarAction_ = make("statusBarAction", "ｽﾃｰﾀｽﾊﾞｰ(&B)", [this](bool on) {
        state_.Cnf.ShowStatusBar = on ? 1 : 0;
        statusBar()->setVisible(on);
    });
    horizontalScrollBarAction_ = make("horizontalScrollBarAction", "横ｽｸﾛｰﾙﾊﾞｰ(&Y)", [this](bool on) {
        state_.Cnf.HorizontalScrollBar = on ? 1 : 0;
        ApplyScrollBars();
    });
    memoAction_ = make("memoAction", "メモ欄表示(&M)", [this] {
        if (targets_->MemoOpen())
            CloseMemoPane();
        else
            OpenMemoPane();
    });
    chartAction_ = make("chartAction", "グラフ表示(&G)", [this](bool on) { ShowChartPane(on); });
    helpAction_ = make("helpAction", "ﾍﾙﾌﾟ(&H)", [] { HelpViewer::Instance().ShowContents(); });
    aboutAction_ = make("aboutAction", "ﾊﾞｰｼﾞｮﾝ情報(&A)...", [this] { ShowAboutBox(this); });
    flatToolBarAction_ = make("flatToolBarAction", "ボタンを浮きあがらせる", [this] {
        state_.Cnf.FlatToolBar = state_.Cnf.FlatToolBar == 0 ? 1 : 0;
        ApplyFlatToolBar();
    });
    popupCopyAction_ = make("popupCopyAction", "結果をクリップボードにコピー(&P)", [this] { CopyResult(); });
    for (QAction* a : {toolBarAction_, statusBarAction_, horizontalScrollBarAction_, memoAction_,
                       chartAction_, flatToolBarAction_})
        a->setCheckable(true);
    // Only the memo item's check follows the pane itself, not the click.
    memoAction_->setCheckable(true);
}

void MainWindow::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    file->addActions({openAction_, folderAction_});
    file->addSeparator();
    file->addAction(envEditAction_);
    file->addSeparator();
    file->addActions(
        {saveAction_, saveCsvAction_, saveXlsxAction_, saveHtmlAction_, saveChartAction_, printAction_});
    file->addSeparator();
    file->addAction(exitAction_);
    QMenu* run = menuBar()->addMenu(QStringLiteral("実行(&R)"));
    run->addActions({countAction_, changeCountAction_, historyCountAction_});
    run->addSeparator();
    run->addActions({copyAction_, clearAction_});
    run->addSeparator();
    run->addAction(settingsAction_);
    QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    view->addActions({toolBarAction_, statusBarAction_, horizontalScrollBarAction_});
    view->addSeparator();
    view->addActions({memoAction_, chartAction_});
    QMenu* opt = menuBar()->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"));
    opt->addAction(helpAction_);
    opt->addSeparator();
    opt->addAction(aboutAction_);

    resultMenu_ = new QMenu(this);
    resultMenu_->addAction(popupCopyAction_);
    resultMenu_->addAction(QStringLiteral("結果の保存(&S)"), this, [this] { saveAction_->trigger(); });
    resultMenu_->addSeparator();
    resultMenu_->addAction(QStringLiteral("結果のクリア(&D)"), this, [this] { clearAction_->trigger(); });
    resultMenu_->addSeparator();
    resultMenu_->addAction(QStringLiteral("ｷｬﾝｾﾙ"));
}

void MainWindow::BuildToolBar() {
    mainToolBar_ = new QToolBar(QStringLiteral("Zarnik ﾂｰﾙﾊﾞｰ"), this);
    mainToolBar_->setObjectName(QStringLiteral("MainToolBar"));
    mainToolBar_->setMovable(true);
    mainToolBar_->setFloatable(true);
    mainToolBar_->setIconSize(QSize(16, 16));
    struct Button {
        QAction* action;
        ToolIcon icon;
        const char* tip;
    };
    // Toolbar buttons are the menu's actions, so both always share their enabled
    // state; the buttons show an icon and a tooltip of their own, the menus neither.
    auto add = [&](const Button& b) {
        b.action->setIcon(MakeToolIcon(b.icon));
        b.action->setIconVisibleInMenu(false);
        b.action->setToolTip(QString::fromUtf8(b.tip));
        mainToolBar_->addAction(b.action);
        mainToolBar_->widgetForAction(b.action)->setFixedSize(b.action == countAction_ ? QSize(37, 25)
                                                                                       : QSize(25, 25));
    };
    add({openAction_, ToolIcon::Open, "対象ｿｰｽﾌｧｲﾙ指定"});
    add({folderAction_, ToolIcon::Folder, "対象ｿｰｽﾌｧｲﾙの\nﾌｫﾙﾀﾞ指定"});
    add({envEditAction_, ToolIcon::EnvEdit, "対象ｿｰｽﾌｧｲﾙ環境編集"});
    add({saveAction_, ToolIcon::Save, "結果の保存"});
    add({printAction_, ToolIcon::Print, "結果の印刷"});
    mainToolBar_->addSeparator();
    add({countAction_, ToolIcon::Count, "ｺﾒﾝﾄｶｳﾝﾄ実行"});
    add({copyAction_, ToolIcon::Copy, "結果をクリップボードにコピー"});
    add({clearAction_, ToolIcon::Clear, "結果のクリア"});
    mainToolBar_->addSeparator();
    add({settingsAction_, ToolIcon::Settings, "設定"});
    add({helpAction_, ToolIcon::Help, "ﾍﾙﾌﾟ"});
    addToolBar(Qt::TopToolBarArea, mainToolBar_);

    mainToolBar_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(mainToolBar_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        QMenu m;
        m.addAction(flatToolBarAction_);
        m.addSeparator();
        m.addAction(QStringLiteral("ｷｬﾝｾﾙ"));
        m.exec(mainToolBar_->mapToGlobal(p));
    });
    connect(mainToolBar_, &QToolBar::topLevelChanged, this, [this] { ApplyFlatToolBar(); });
}

void MainWindow::BuildPanes() {
    auto* top = new QWidget;
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->setSpacing(0);

    targets_ = new TargetPane;
    connect(targets_->Caption(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { ShowEnvMenu(targets_->Caption()->mapToGlobal(p)); });
    connect(targets_->List(), &QPlainTextEdit::textChanged, this, &MainWindow::UpdateCountEnabled);
    connect(targets_, &TargetPane::MemoOpenClicked, this, [this] { OpenMemoPane(); });
    connect(targets_, &TargetPane::MemoCloseClicked, this, &MainWindow::CloseMemoPane);
    connect(targets_, &TargetPane::MemoWidthDragged, this,
            [this](int width) { state_.Cnf.MemoWidth = width; });
    tabs_ = new EnvTabs(state_, *targets_, top);
    connect(tabs_, &EnvTabs::MenuRequested, this, &MainWindow::ShowEnvMenu);
    topLayout->addWidget(tabs_->Row());
    topLayout->addWidget(targets_, 1);

    result_ = new ResultPane;
    result_->SetContextMenu(resultMenu_);
    connect(result_, &ResultPane::LinesChanged, this, &MainWindow::UpdateResultEnabled);

    vertSplitter_ = new QSplitter(Qt::Vertical);
    vertSplitter_->setHandleWidth(5);
    vertSplitter_->setChildrenCollapsible(false);
    vertSplitter_->addWidget(top);
    chart_ = new ChartPane;
    chart_->hide();  // until the settings show it
    resultSplitter_ = new QSplitter(Qt::Horizontal);
    resultSplitter_->setHandleWidth(5);
    resultSplitter_->setChildrenCollapsible(false);
    resultSplitter_->addWidget(result_);
    resultSplitter_->addWidget(chart_);
    resultSplitter_->setStretchFactor(0, 3);
    resultSplitter_->setStretchFactor(1, 2);
    vertSplitter_->addWidget(resultSplitter_);
    vertSplitter_->setStretchFactor(0, 0);
    vertSplitter_->setStretchFactor(1, 1);
    setCentralWidget(vertSplitter_);
}

void MainWindow::ApplyStartState() {
    settings::Settings& c = state_.Cnf;
    placement_ = new WindowPlacement(state_, *this, *mainToolBar_, *vertSplitter_);
    connect(placement_, &WindowPlacement::ToolBarClosed, this, [this] {
        state_.Cnf.ShowToolBar = 0;
        toolBarAction_->setChecked(false);
    });
    placement_->ApplyStart();
    flatToolBarAction_->setChecked(c.FlatToolBar == 0);
    ApplyFlatToolBar();
    toolBarAction_->setChecked(c.ShowToolBar != 0);
    mainToolBar_->setVisible(c.ShowToolBar != 0);
    statusBarAction_->setChecked(c.ShowStatusBar != 0);
    statusBar()->setVisible(c.ShowStatusBar != 0);
    horizontalScrollBarAction_->setChecked(c.HorizontalScrollBar == 1);
    ApplyScrollBars();
    if (c.ShowMemo != 0)
        OpenMemoPane(false);
    else
        CloseMemoPane();
    ShowChartPane(c.ShowChart != 0);

    tabs_->ShowTabs();
    ApplyFontsAndColours();
    ReevaluateAll();
    placement_->ApplyMaximized();
}

bool MainWindow::RefusedWhileRunning(const QAction* action) const {
    if (!running_) return false;
    for (const QAction* a : {openAction_, folderAction_, envEditAction_, saveAction_, saveCsvAction_,
                             saveXlsxAction_, saveHtmlAction_, saveChartAction_, printAction_, countAction_,
                             changeCountAction_, historyCountAction_, clearAction_, settingsAction_})
        if (a == action) return true;
    return false;
}

// The panes a run reads or writes cannot be edited while it runs; the tabs stay put.
void MainWindow::SetRunning(bool on) {
    running_ = on;
    if (on) {
        // What the run before left goes: the csv, the charts and the pictures describe
        // only a run that finished, never one the pane no longer ends with.
        lastRun_ = {};
        chart_->Clear();
    }
    tabs_->Row()->setEnabled(!on);
    targets_->SetRunning(on);
    result_->SetReadOnly(on);
}

void MainWindow::ApplyScrollBars() {
    auto policy = state_.Cnf.HorizontalScrollBar == 1 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    targets_->List()->setHorizontalScrollBarPolicy(policy);
    result_->ShowHorizontalScrollBar(state_.Cnf.HorizontalScrollBar == 1);
}

void MainWindow::ApplyFlatToolBar() {
    bool flat = state_.Cnf.FlatToolBar == 1;
    flatToolBarAction_->setChecked(!flat);
    for (QToolButton* b : mainToolBar_->findChildren<QToolButton*>()) b->setAutoRaise(flat);
}

void MainWindow::ApplyFontsAndColours() {
    const settings::Settings& c = state_.Cnf;
    ApplyPaneFont(targets_->List(), c.TargetFont, c.TargetBackground);
    ApplyPaneFont(targets_->Memo(), c.MemoFont, c.MemoBackground);
    result_->ApplyFont(c.ResultFont, c.ResultBackground);
    chart_->SetChartFont(ToQFont(c.ResultFont));
}

int MainWindow::MemoPaneWidth() const { return targets_->MemoWidth(); }
int MainWindow::UpperPaneHeight() const { return vertSplitter_->sizes().value(0); }

void MainWindow::OpenMemoPane(bool animate) {
    targets_->OpenMemo(state_.Cnf.MemoWidth, animate);
    state_.Cnf.ShowMemo = 1;
    memoAction_->setChecked(true);
}

void MainWindow::CloseMemoPane() {
    targets_->CloseMemo();
    state_.Cnf.ShowMemo = 0;
    memoAction_->setChecked(false);
}

void MainWindow::UpdateCountEnabled() {
    bool on = HasLines(targets_->List());
    if (countAction_->isEnabled() != on) countAction_->setEnabled(on);
}

// Save, print, copy, clear and the pane's context menu follow whether it holds lines.
void MainWindow::UpdateResultEnabled() {
    const bool has = result_->HasLines();
    for (QAction* a : {saveAction_, clearAction_, copyAction_, popupCopyAction_, printAction_})
        a->setEnabled(has);
    saveCsvAction_->setEnabled(has && (LastRunRows() || LastRunChanges()));
    saveHtmlAction_->setEnabled(has && !std::holds_alternative<std::monostate>(lastRun_));
    saveXlsxAction_->setEnabled(saveCsvAction_->isEnabled());
    saveChartAction_->setEnabled(chart_->HasChart() && !chart_->isHidden());
}

void MainWindow::ReevaluateAll() {
    countAction_->setEnabled(HasLines(targets_->List()));
    UpdateResultEnabled();
    ApplyFlatToolBar();
}

std::vector<std::string> MainWindow::ResultLines() const { return result_->Lines(); }

void MainWindow::RunCountCommand() {
    // While a run goes on, the command is refused before it gets here.
    if (!countAction_->isEnabled()) return;
    SetRunning(true);
    run::RunInput input;
    input.TargetLines = ToNativeLines(targets_->List()->toPlainText());
    input.EnvName = tabs_->CurrentName();
    input.Now = std::time(nullptr);
    input.Threads = 0;                // count ahead on every core; the report stays the same
    runner_->PumpHook = RunPumpHook;  // a run without one never waits for the window
    const run::RunOutcome outcome = runner_->Run(input, state_.Cnf);
    if (outcome.End == run::RunEnd::Finished) {
        lastRun_ = runner_->TakeRows();  // for "結果をCSVで保存"
        lastRunCnf_ = state_.Cnf;
    }
    FinishRun(outcome);
}

void MainWindow::RunChangeCommand() {
    ChangeCountDialog dialog(QString::fromStdString(state_.DiffOld), QString::fromStdString(state_.DiffNew),
                             state_.Paths.BrowseFolder, prompts_, this);
    dialog.SetRevisions({state_.DiffByRevision, QString::fromStdString(state_.DiffRepository),
                         QString::fromStdString(state_.DiffOldRevision),
                         QString::fromStdString(state_.DiffNewRevision)});
    if (prompts_.ExecDialog(dialog) != QDialog::Accepted) return;
    const ChangeCountDialog::Revisions revisions = dialog.TakeRevisions();
    state_.DiffByRevision = revisions.Chosen;
    run::ChangeInput input;
    if (revisions.Chosen) {
        // Both versions are the repository's folder, each as it stands in its
        // revision; the line ends in "/" so that it names the folder itself, even
        // the work tree's top, whose name its parent folder does not hold in git.
        state_.DiffRepository = revisions.Repository.toStdString();
        state_.DiffOldRevision = revisions.Old.toStdString();
        state_.DiffNewRevision = revisions.New.toStdString();
        input.OldTarget = input.NewTarget =
            state_.DiffRepository + (state_.DiffRepository.back() == '/' ? "" : "/");
    } else {
        input.OldTarget = dialog.OldTarget().toStdString();
        input.NewTarget = dialog.NewTarget().toStdString();
        state_.DiffOld = input.OldTarget;
        state_.DiffNew = input.NewTarget;
    }
    input.EnvName = tabs_->CurrentName();
    input.Now = std::time(nullptr);
    input.Threads = 0;  // as a count run: the run decides what it does ahead
    SetRunning(true);
    runner_->PumpHook = RunPumpHook;
    const run::RunOutcome outcome = revisions.Chosen ? runner_->RunChanges(input, state_.DiffOldRevision,
                                                                           state_.DiffNewRevision, state_.Cnf)
                                                     : runner_->RunChanges(input, state_.Cnf);
    if (outcome.End == run::RunEnd::Finished) {
        lastRun_ = runner_->TakeChanges();
        lastRunCnf_ = state_.Cnf;
    }
    FinishRun(outcome);
}

void MainWindow::RunHistoryCommand() {
    run::HistoryInput start = historyInput_;
    if (start.Target.empty() && !state_.DiffRepository.empty()) start.Target = state_.DiffRepository;
    HistoryCountDialog dialog(start, state_.Paths.BrowseFolder, prompts_, this);
    if (prompts_.ExecDialog(dialog) != QDialog::Accepted) return;
    historyInput_ = dialog.Input();
    SetRunning(true);
    runner_->PumpHook = RunPumpHook;
    const run::RunOutcome outcome =
        runner_->RunHistory(historyInput_, tabs_->CurrentName(), std::time(nullptr), state_.Cnf);
    // A history has no csv of its own here; its chart stays for the chart view.
    if (outcome.End == run::RunEnd::Finished) {
        lastRun_ = runner_->TakeHistory();
        lastRunCnf_ = state_.Cnf;
        lastHistoryTarget_ = historyInput_.Target;
    }
    FinishRun(outcome);
}

void MainWindow::FinishRun(const run::RunOutcome& outcome) {
    // Save, print and the pane's context menu follow the pane's own change signal;
    // the csv save follows the rows this run left too.
    RefreshChart();
    UpdateResultEnabled();
    if (outcome.ResultUnsaved) state_.Cnf.ResultUnsaved = 1;
    if (outcome.End == run::RunEnd::NoFiles) {
        prompts_.ShowMessage(this, QStringLiteral("警告"), ToQ(run::NoFilesText(outcome)));
    } else if (const auto& error = outcome.Error) {
        // The run ended early: the pane keeps its lines.
        QString path = error->Path.empty()
                           ? QString()
                           : QStringLiteral("\n") + QString::fromStdString(error->ShownPath());
        prompts_.ShowMessage(this, QStringLiteral("ｴﾗｰ"), ToQ(error->Text()) + path);
    } else if (outcome.End == run::RunEnd::RefusedRevision) {
        // What the dialog could not see before the run (a repository changed meanwhile).
        prompts_.ShowMessage(
            this, QStringLiteral("ｴﾗｰ"),
            QStringLiteral("ﾘﾋﾞｼﾞｮﾝを比較できません。\n") + QString::fromStdString(outcome.RefusedLine));
    } else if (outcome.End == run::RunEnd::RefusedTarget) {
        prompts_.ShowMessage(this, QStringLiteral("ｴﾗｰ"),
                             ToQ(run::RefusedLineText()) + QStringLiteral("\n") +
                                 QString::fromStdString(run::ShownLine(outcome.RefusedLine)));
    } else if (!outcome.LinesWithoutFiles.empty()) {
        // The report counts what the other lines found: say which lines found nothing.
        // A box of a few lines stays on the screen, however many lines there are.
        constexpr std::size_t kShown = 10;
        const auto& lines = outcome.LinesWithoutFiles;
        QString text = ToQ(run::LinesWithoutFilesText());
        for (std::size_t i = 0; i < std::min(lines.size(), kShown); ++i)
            text += QStringLiteral("\n") + QString::fromStdString(run::ShownLine(lines[i]));
        if (lines.size() > kShown) text += QStringLiteral("\nほか %1 件").arg(lines.size() - kShown);
        prompts_.ShowMessage(this, QStringLiteral("警告"), text);
    }
    SetRunning(false);
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (running_) {
        // Let the run notice the cancel first; the close is asked again after it.
        ProgressWindow()->OnStopClicked();
        closeAfterRun_ = true;
        e->ignore();
        return;
    }
    if (!SaveAll()) {
        // A program that can never be closed is worse than one that loses its
        // latest settings: after a failed write, a second close offers to leave.
        if (!saveFailedOnce_) {
            saveFailedOnce_ = true;
            e->ignore();
            return;
        }
        if (prompts_.AskYesNo(
                this, QStringLiteral("設定を保存できませんでした。\r\n設定を保存せずに終了しますか？")) !=
            QMessageBox::Yes) {
            e->ignore();
            return;
        }
    } else {
        saveFailedOnce_ = false;
    }
    if (state_.Cnf.ResultUnsaved == 1 && result_->HasLines()) {
        int answer = prompts_.AskYesNoCancel(
            this, QStringLiteral("結果が保存されていません。\r\n保存して終了しますか？"));
        if (answer == QMessageBox::Yes) {
            // The save dialog without a preset folder.
            QString name = prompts_.AskSaveFile(this, Prompts::SaveKind::Result, QString());
            if (name.isEmpty() || !SaveResultTo(name)) {
                e->ignore();
                return;
            }
            state_.Cnf.ResultUnsaved = 0;
        } else if (answer != QMessageBox::No) {
            e->ignore();
            return;
        }
    }
    HelpViewer::Instance().QuitHelp();
    e->accept();
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    tabs_->Row()->FitHeight();
    QMainWindow::resizeEvent(e);
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) {
        HelpViewer::Instance().ShowTopic(10000);
        return;
    }
    QMainWindow::keyPressEvent(e);
}

}  // namespace zarnik::ui
