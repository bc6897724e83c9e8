#include "ui/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindowStateChangeEvent>
#include <cerrno>
#include <ctime>
#include <new>

#include "report/layout.h"
#include "run/run.h"
#include "text/version.h"
#include "ui/help_viewer.h"
#include "ui/progress_dialog.h"
#include "ui/qt_text.h"
#include "ui/toolbar_icons.h"
#include "ui/ui_style.h"

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

// The count run's view of the window: the result pane, the commands' enabling and
// the progress dialog.
class WindowRunHost : public run::RunHost {
public:
    WindowRunHost(Form_Main& w, bool errorRows) : Rows(errorRows), w_(w), p_(*w.Syori()) {
        pumpClock_.start();
        flushClock_.start();
    }
    ~WindowRunHost() override { Flush(); }

    // Lines reach the pane in batches, at most 40 ms apart: laying out and
    // scrolling the pane once per line would cost more than counting the file.
    // To the eye every line still appears as it is written.
    void AppendLine(const std::string& line) override {
        pending_ += ToQ(line);
        pending_ += QLatin1Char('\n');
        ++pendingLines_;
    }
    bool ResultHasLines() const override { return pendingLines_ > 0 || HasLines(w_.RichEdit_Rslt); }
    void Record(const std::string& nativePath, const engine::S_CMT& rec) override { Rows.Add(nativePath, rec); }
    void ScrollToEnd() override {
        if (flushClock_.elapsed() < 40) return;
        Flush();
    }
    void SetColumnHeader(const std::string& header) override {
        w_.Panel_B2->setText(ToQ(header));
        w_.Panel_B2->show();
    }
    bool SaveEnabled() const override { return w_.Act_Save->isEnabled(); }
    void SetSavePrintEnabled(bool) override { Flush(); }  // the pane's change signal applies the rule
    void ShowNoFileWarning(const std::string& text) override {
        Flush();
        w_.ShowMessage(QStringLiteral("警告"), ToQ(text));
    }

    void Flush() {
        flushClock_.restart();
        if (pendingLines_ == 0) return;
        pending_.chop(1);
        w_.RichEdit_Rslt->appendPlainText(pending_);
        pending_.clear();
        pendingLines_ = 0;
        QScrollBar* bar = w_.RichEdit_Rslt->verticalScrollBar();
        bar->setValue(bar->maximum());
    }

    void ProgressShow() override {
        p_.ResetCancel();
        p_.show();
        p_.raise();
        // The keyboard belongs to the progress window while it runs: Alt+C cancels
        // instead of typing into the target list.
        p_.activateWindow();
        p_.Button_Cyudan->setFocus();
    }
    void ProgressHide() override {
        Flush();
        p_.hide();
    }
    void ProgressPhase(const std::string& m) override { Form_Syori::SetAndRepaint(p_.Label_MSG1, ToQ(m)); }
    void ProgressFoundVisible(bool v) override { p_.Label_fcnt->setVisible(v); }
    void ProgressFound(std::int64_t n) override { SetThrottled(p_.Label_fcnt, QString::number(n)); }
    void ProgressCounterVisible(bool v) override { p_.Label_fing->setVisible(v); }
    void ProgressCounter(const std::string& t) override { SetThrottled(p_.Label_fing, ToQ(t)); }
    void ProgressPath(const std::string& path) override { SetThrottled(p_.Label_Srcname, ToQ(path)); }
    void ProgressBarReset(std::int64_t pos) override { p_.ProgressBar1->setValue(static_cast<int>(pos)); }
    void ProgressBarRange(std::int64_t max) override {
        p_.ProgressBar1->setRange(0, static_cast<int>(std::min<std::int64_t>(max, INT32_MAX)));
    }
    void ProgressBarStep() override { p_.ProgressBar1->setValue(p_.ProgressBar1->value() + 1); }

    // Pending messages are processed at most every 50 ms: the window stays
    // responsive and a run over many small files does not spend its time painting.
    void PumpMessages() override {
        if (w_.RunPumpHook) w_.RunPumpHook();
        if (pumpClock_.elapsed() < 50) return;
        Flush();
        QApplication::processEvents();
        pumpClock_.restart();
    }
    bool CancelRequested() const override { return p_.CancelRequested(); }

private:
    void SetThrottled(QLabel* label, const QString& text) {
        label->setText(text);
        if (repaintClock_.isValid() && repaintClock_.elapsed() < 100) return;
        if (label->isVisible()) label->repaint();
        repaintClock_.start();
    }

public:
    report::ResultRows Rows;  // the run's rows for "結果をCSVで保存"

private:
    Form_Main& w_;
    Form_Syori& p_;
    QElapsedTimer pumpClock_;
    QElapsedTimer repaintClock_;
    QElapsedTimer flushClock_;
    QString pending_;
    std::size_t pendingLines_ = 0;
};

Form_Main::Form_Main(AppState& state, QWidget* parent)
    : QMainWindow(parent), state_(state), countContext_(std::make_unique<engine::CountContext>()) {
    setObjectName(QStringLiteral("Form_Main"));
    setWindowTitle(ToQ(text::VersionText(0)));
    setMinimumSize(50, 50);
    AskYesNoCancel = [this](const QString& text) { return AskQuestion(this, text, true); };
    AskYesNo = [this](const QString& text) { return AskQuestion(this, text, false); };
    ShowMessage = [this](const QString& title, const QString& text) { ShowBox(this, title, text); };

    BuildActions();
    BuildMenus();
    BuildToolBar();
    BuildPanes();
    InstallTargetEntry();
    InstallResultOps();
    statusBar()->setSizeGripEnabled(true);
    StatusText = new QLabel(StartDateText());
    QFont sf(QStringLiteral("ＭＳ Ｐゴシック"));
    sf.setPixelSize(12);
    sf.setBold(true);
    StatusText->setFont(sf);
    StatusText->setStyleSheet(QStringLiteral("color: blue"));
    statusBar()->addWidget(StatusText, 1);

    syori_ = new Form_Syori(this);
    HelpViewer::Instance().SetHelpFile(QString::fromStdString(state_.HelpFile));
    ApplyStartState();
    Memo_Files->setFocus();  // the user starts by typing targets
}

Form_Main::~Form_Main() = default;

void Form_Main::BuildActions() {
    auto make = [this](const char* caption, auto slot) {
        auto* a = new QAction(QString::fromUtf8(caption), this);
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
    Act_Open = make("対象ｿｰｽﾌｧｲﾙ指定(&O)...", [this] { OpenTargetFiles(); });
    Act_Folder = make("対象ｿｰｽﾌｧｲﾙのﾌｫﾙﾀﾞ指定(&B)...", [this] { ChooseTargetFolder(); });
    Act_EnvEdit = make("対象ｿｰｽﾌｧｲﾙ環境編集(&F)...", [this] { EditEnvironments(); });
    Act_Save = make("結果の保存(&S)...", [this] { SaveResult(); });
    Act_SaveCsv = make("結果をCSVで保存(&V)...", [this] { SaveResultCsv(); });
    Act_SaveCsv->setEnabled(false);  // until a run has finished
    Act_Print = make("結果の印刷(&P)...", [this] { PrintResult(); });
    Act_Exit = make("終了(&X)", [this] { close(); });
    Act_Count = make("ｺﾒﾝﾄｶｳﾝﾄ実行(&E)", [this] { RunCountCommand(); });
    Act_Count->setShortcut(QKeySequence(Qt::Key_F9));
    Act_Copy = make("結果をクリップボードにコピー(&P)", [this] { CopyResult(); });
    Act_Clear = make("結果のクリア(&D)", [this] { ClearResult(); });
    Act_Settings = make("設定(&S)...", [this] { OpenSettings(); });
    Act_ToolBar = make("ﾂｰﾙﾊﾞｰ(&T)", [this](bool on) {
        state_.Cnf.ToolBar = on ? 1 : 0;
        MainToolBar->setVisible(on);
    });
    Act_StatusBar = make("ｽﾃｰﾀｽﾊﾞｰ(&B)", [this](bool on) {
        state_.Cnf.StatusBar = on ? 1 : 0;
        statusBar()->setVisible(on);
    });
    Act_YokoBar = make("横ｽｸﾛｰﾙﾊﾞｰ(&Y)", [this](bool on) {
        state_.Cnf.YokoBar = on ? 1 : 0;
        ApplyScrollBars();
    });
    Act_Memo = make("メモ欄表示(&M)", [this] {
        if (memoOpen_)
            CloseMemoPane();
        else
            OpenMemoPane();
    });
    Act_Help = make("ﾍﾙﾌﾟ(&H)", [] { HelpViewer::Instance().ShowContents(); });
    Act_About = make("ﾊﾞｰｼﾞｮﾝ情報(&A)...", [this] { ShowAboutBox(this); });
    Act_TlbFlat = make("ボタンを浮きあがらせる", [this] {
        state_.Cnf.TlbFlat = state_.Cnf.TlbFlat == 0 ? 1 : 0;
        ApplyTlbFlat();
    });
    Act_PopupCopy = make("結果をクリップボードにコピー(&P)", [this] { CopyResult(); });
    for (QAction* a : {Act_ToolBar, Act_StatusBar, Act_YokoBar, Act_Memo, Act_TlbFlat}) a->setCheckable(true);
    // Only the memo item's check follows the pane itself, not the click.
    Act_Memo->setCheckable(true);
}

void Form_Main::BuildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"));
    file->addActions({Act_Open, Act_Folder});
    file->addSeparator();
    file->addAction(Act_EnvEdit);
    file->addSeparator();
    file->addActions({Act_Save, Act_SaveCsv, Act_Print});
    file->addSeparator();
    file->addAction(Act_Exit);
    QMenu* run = menuBar()->addMenu(QStringLiteral("実行(&R)"));
    run->addAction(Act_Count);
    run->addSeparator();
    run->addActions({Act_Copy, Act_Clear});
    run->addSeparator();
    run->addAction(Act_Settings);
    QMenu* view = menuBar()->addMenu(QStringLiteral("表示(&V)"));
    view->addActions({Act_ToolBar, Act_StatusBar, Act_YokoBar});
    view->addSeparator();
    view->addAction(Act_Memo);
    QMenu* opt = menuBar()->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ(&O)"));
    opt->addAction(Act_Help);
    opt->addSeparator();
    opt->addAction(Act_About);

    resultMenu_ = new QMenu(this);
    resultMenu_->addAction(Act_PopupCopy);
    resultMenu_->addAction(QStringLiteral("結果の保存(&S)"), this, [this] { Act_Save->trigger(); });
    resultMenu_->addSeparator();
    resultMenu_->addAction(QStringLiteral("結果のクリア(&D)"), this, [this] { Act_Clear->trigger(); });
    resultMenu_->addSeparator();
    resultMenu_->addAction(QStringLiteral("ｷｬﾝｾﾙ"));
}

void Form_Main::BuildToolBar() {
    MainToolBar = new QToolBar(QStringLiteral("Zarnik ﾂｰﾙﾊﾞｰ"), this);
    MainToolBar->setObjectName(QStringLiteral("MainToolBar"));
    MainToolBar->setMovable(true);
    MainToolBar->setFloatable(true);
    MainToolBar->setIconSize(QSize(16, 16));
    struct Button {
        QAction* action;
        ToolIcon icon;
        const char* tip;
    };
    // Toolbar buttons run the same actions as the menu items, so both always share
    // their enabled state; the tooltips differ from the menu captions.
    auto add = [&](const Button& b) {
        auto* btn = new QToolButton(MainToolBar);
        btn->setIcon(MakeToolIcon(b.icon));
        btn->setToolTip(QString::fromUtf8(b.tip));
        btn->setFixedSize(b.action == Act_Count ? QSize(37, 25) : QSize(25, 25));
        btn->setEnabled(b.action->isEnabled());
        connect(btn, &QToolButton::clicked, b.action, &QAction::trigger);
        connect(b.action, &QAction::enabledChanged, btn, [btn](bool on) {
            btn->setEnabled(on);
            btn->repaint();
        });
        MainToolBar->addWidget(btn);
    };
    add({Act_Open, ToolIcon::Open, "対象ｿｰｽﾌｧｲﾙ指定"});
    add({Act_Folder, ToolIcon::Folder, "対象ｿｰｽﾌｧｲﾙの\nﾌｫﾙﾀﾞ指定"});
    add({Act_EnvEdit, ToolIcon::EnvEdit, "対象ｿｰｽﾌｧｲﾙ環境編集"});
    add({Act_Save, ToolIcon::Save, "結果の保存"});
    add({Act_Print, ToolIcon::Print, "結果の印刷"});
    MainToolBar->addSeparator();
    add({Act_Count, ToolIcon::Count, "ｺﾒﾝﾄｶｳﾝﾄ実行"});
    add({Act_Copy, ToolIcon::Copy, "結果をクリップボードにコピー"});
    add({Act_Clear, ToolIcon::Clear, "結果のクリア"});
    MainToolBar->addSeparator();
    add({Act_Settings, ToolIcon::Settings, "設定"});
    add({Act_Help, ToolIcon::Help, "ﾍﾙﾌﾟ"});
    addToolBar(Qt::TopToolBarArea, MainToolBar);

    MainToolBar->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(MainToolBar, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        QMenu m;
        m.addAction(Act_TlbFlat);
        m.addSeparator();
        m.addAction(QStringLiteral("ｷｬﾝｾﾙ"));
        m.exec(MainToolBar->mapToGlobal(p));
    });
    // Only the floating toolbar's close box clears the switch: dragging the toolbar
    // off its dock hides and shows it again, which says nothing about the user's wish.
    MainToolBar->installEventFilter(this);
    connect(MainToolBar, &QToolBar::topLevelChanged, this, [this] { ApplyTlbFlat(); });
}

void Form_Main::BuildPanes() {
    auto* top = new QWidget;
    auto* topLayout = new QVBoxLayout(top);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->setSpacing(0);
    TabControl1 = new TabRow;
    TabControl1->setObjectName(QStringLiteral("TabControl1"));
    TabControl1->setContextMenuPolicy(Qt::CustomContextMenu);
    TabControl1->AddSwitchKeys(top);
    connect(TabControl1, &TabRow::currentChanged, this, &Form_Main::TabControl1Change);
    connect(TabControl1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { ShowEnvMenu(TabControl1->mapToGlobal(p)); });

    auto* targetPane = new QWidget;
    auto* targetLayout = new QVBoxLayout(targetPane);
    targetLayout->setContentsMargins(0, 0, 0, 0);
    targetLayout->setSpacing(0);
    Label_FilesCaption = new QLabel(QStringLiteral("▼対象ファイル・フォルダ（ワイルドカード指定可，ここにドロップ可）"));
    Label_FilesCaption->setFixedHeight(19);
    Label_FilesCaption->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Label_FilesCaption, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& p) { ShowEnvMenu(Label_FilesCaption->mapToGlobal(p)); });
    Memo_Files = new QPlainTextEdit;
    Memo_Files->setObjectName(QStringLiteral("Memo_Files"));
    Memo_Files->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo_Files->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The panes may shrink to a line: the rows of tabs above take what they need.
    Memo_Files->setMinimumHeight(1);
    connect(Memo_Files, &QPlainTextEdit::textChanged, this, &Form_Main::UpdateCountEnabled);
    targetLayout->addWidget(Label_FilesCaption);
    targetLayout->addWidget(Memo_Files);

    memoPane_ = new QWidget;
    auto* memoLayout = new QVBoxLayout(memoPane_);
    memoLayout->setContentsMargins(0, 0, 0, 0);
    memoLayout->setSpacing(0);
    // The memo pane's small flat buttons: open (closed pane) and close (title bar).
    auto arrowButton = [](Qt::ArrowType arrow, int size, const QString& tip) {
        auto* b = new QToolButton;
        b->setAutoRaise(true);
        b->setFixedSize(size, size);
        b->setArrowType(arrow);
        b->setToolTip(tip);
        return b;
    };
    memoShowButton_ = arrowButton(Qt::LeftArrow, 18, QStringLiteral("メモ欄を表示"));
    connect(memoShowButton_, &QToolButton::clicked, this, [this] { OpenMemoPane(); });
    memoOpenPart_ = new QWidget;
    auto* openLayout = new QVBoxLayout(memoOpenPart_);
    openLayout->setContentsMargins(0, 0, 0, 0);
    openLayout->setSpacing(0);
    auto* memoTitle = new QWidget;
    memoTitle->setFixedHeight(19);
    auto* titleLayout = new QHBoxLayout(memoTitle);
    titleLayout->setContentsMargins(2, 0, 0, 0);
    titleLayout->addWidget(new QLabel(QStringLiteral("メモ欄")), 1);
    QToolButton* memoClose = arrowButton(Qt::RightArrow, 16, QStringLiteral("メモ欄を閉じる"));
    connect(memoClose, &QToolButton::clicked, this, [this] { CloseMemoPane(); });
    titleLayout->addWidget(memoClose);
    Memo_memo = new QPlainTextEdit;
    Memo_memo->setObjectName(QStringLiteral("Memo_memo"));
    Memo_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo_memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo_memo->setMinimumHeight(1);
    openLayout->addWidget(memoTitle);
    openLayout->addWidget(Memo_memo);
    memoLayout->addWidget(memoShowButton_, 0, Qt::AlignTop | Qt::AlignHCenter);
    memoLayout->addWidget(memoOpenPart_);

    memoSplitter_ = new QSplitter(Qt::Horizontal);
    memoSplitter_->setHandleWidth(3);
    memoSplitter_->setChildrenCollapsible(false);
    memoSplitter_->addWidget(targetPane);
    memoSplitter_->addWidget(memoPane_);
    memoSplitter_->setStretchFactor(0, 1);
    memoSplitter_->setStretchFactor(1, 0);
    connect(memoSplitter_, &QSplitter::splitterMoved, this, [this] {
        if (memoOpen_) state_.Cnf.MemoWid = memoPane_->width();
    });
    topLayout->addWidget(TabControl1);
    topLayout->addWidget(memoSplitter_, 1);

    auto* bottom = new QWidget;
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(0, 0, 0, 0);
    bottomLayout->setSpacing(0);
    auto* title = new QWidget;
    title->setFixedHeight(21);
    auto* titleRow = new QHBoxLayout(title);
    titleRow->setContentsMargins(2, 0, 2, 0);
    auto* titleLabel = new QLabel(QStringLiteral("▼コメントカウント結果"));
    QFont bold = titleLabel->font();
    bold.setBold(true);
    titleLabel->setFont(bold);
    titleRow->addWidget(titleLabel, 1);
    auto* pageBreak = new QPushButton(QStringLiteral("改頁ｺｰﾄﾞ挿入"));
    pageBreak->setFlat(true);
    pageBreak->setObjectName(QStringLiteral("Button_PageBreak"));
    pageBreak->setFixedSize(93, 21);
    pageBreak->hide();
    pageBreak->setEnabled(false);
    connect(pageBreak, &QPushButton::clicked, this, [this] { RichEdit_Rslt->appendPlainText(QStringLiteral("\f")); });
    titleRow->addWidget(pageBreak);
    Panel_B2 = new QLabel;
    Panel_B2->setObjectName(QStringLiteral("Panel_B2"));
    Panel_B2->setFixedHeight(24);
    Panel_B2->setTextFormat(Qt::PlainText);
    Panel_B2->hide();
    RichEdit_Rslt = new QPlainTextEdit;
    RichEdit_Rslt->setObjectName(QStringLiteral("RichEdit_Rslt"));
    RichEdit_Rslt->setLineWrapMode(QPlainTextEdit::NoWrap);
    RichEdit_Rslt->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit_Rslt->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(RichEdit_Rslt, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        if (resultMenuAttached_) resultMenu_->exec(RichEdit_Rslt->viewport()->mapToGlobal(p));
    });
    connect(RichEdit_Rslt->document(), &QTextDocument::contentsChanged, this, &Form_Main::UpdateResultEnabled);
    bottomLayout->addWidget(title);
    bottomLayout->addWidget(Panel_B2);
    bottomLayout->addWidget(RichEdit_Rslt, 1);

    vertSplitter_ = new QSplitter(Qt::Vertical);
    vertSplitter_->setHandleWidth(5);
    vertSplitter_->setChildrenCollapsible(false);
    vertSplitter_->addWidget(top);
    vertSplitter_->addWidget(bottom);
    vertSplitter_->setStretchFactor(0, 0);
    vertSplitter_->setStretchFactor(1, 1);
    setCentralWidget(vertSplitter_);
}

void Form_Main::ApplyStartState() {
    settings::S_CNF& c = state_.Cnf;
    QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry()
                                                    : QRect(0, 0, 1024, 768);
    settings::Rect r = state_.Place.MainPlacement.Bounds;
    std::int32_t pane = state_.Place.MainPlacement.Pnl_H;
    settings::FitToScreen(screen.width(), screen.height(), r, &pane);
    state_.Place.MainPlacement.Bounds = r;
    state_.Place.MainPlacement.Pnl_H = pane;
    setGeometry(screen.x() + r.Left, screen.y() + r.Top, r.Width, r.Height);
    normalBounds_ = QRect(r.Left, r.Top, r.Width, r.Height);
    vertSplitter_->setSizes({pane, std::max(1, r.Height - pane)});

    ApplyToolBarRecord();
    Act_TlbFlat->setChecked(c.TlbFlat == 0);
    ApplyTlbFlat();
    Act_ToolBar->setChecked(c.ToolBar != 0);
    MainToolBar->setVisible(c.ToolBar != 0);
    Act_StatusBar->setChecked(c.StatusBar != 0);
    statusBar()->setVisible(c.StatusBar != 0);
    Act_YokoBar->setChecked(c.YokoBar == 1);
    ApplyScrollBars();
    if (c.MemoDsp != 0)
        OpenMemoPane(false);
    else
        CloseMemoPane();

    ShowTabs();
    ApplyFontsAndColours();
    ReevaluateAll();
    if (state_.Place.MainPlacement.Maximized != 0) setWindowState(windowState() | Qt::WindowMaximized);
}

bool Form_Main::RefusedWhileRunning(const QAction* action) const {
    if (!running_) return false;
    for (const QAction* a :
         {Act_Open, Act_Folder, Act_EnvEdit, Act_Save, Act_SaveCsv, Act_Print, Act_Count, Act_Clear, Act_Settings})
        if (a == action) return true;
    return false;
}

// The panes a run reads or writes cannot be edited while it runs; the tabs stay put.
void Form_Main::SetRunning(bool on) {
    running_ = on;
    TabControl1->setEnabled(!on);
    Memo_Files->setReadOnly(on);
    RichEdit_Rslt->setReadOnly(on);
}

// The floating toolbar is a small window of its own with the caption "Zarnik ﾂｰﾙﾊﾞｰ"
// and a close box; while it is being dragged the toolbar keeps its own frameless flags.
void Form_Main::GiveFloatingToolBarACloseBox() {
    if (!MainToolBar->isFloating() || (MainToolBar->windowFlags() & Qt::WindowCloseButtonHint)) return;
    bool shown = MainToolBar->isVisible();
    QPoint at = MainToolBar->pos();
    MainToolBar->setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    MainToolBar->move(at);
    if (shown) MainToolBar->show();
}

bool Form_Main::eventFilter(QObject* watched, QEvent* e) {
    if (watched == MainToolBar) {
        if (e->type() == QEvent::Close && MainToolBar->isFloating()) {
            state_.Cnf.ToolBar = 0;
            Act_ToolBar->setChecked(false);
        } else if (e->type() == QEvent::MouseButtonRelease || e->type() == QEvent::Show) {
            // A drag ends with the button's release; give the window its frame after it.
            QTimer::singleShot(0, this, [this] { GiveFloatingToolBarACloseBox(); });
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

void Form_Main::ApplyScrollBars() {
    auto policy = state_.Cnf.YokoBar == 1 ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    Memo_Files->setHorizontalScrollBarPolicy(policy);
    RichEdit_Rslt->setHorizontalScrollBarPolicy(policy);
}

void Form_Main::ApplyTlbFlat() {
    bool flat = state_.Cnf.TlbFlat == 1;
    Act_TlbFlat->setChecked(!flat);
    for (QToolButton* b : MainToolBar->findChildren<QToolButton*>()) b->setAutoRaise(flat);
}

void Form_Main::ApplyFontsAndColours() {
    const settings::S_CNF& c = state_.Cnf;
    ApplyPaneFont(Memo_Files, c.Font_Fold, c.Bcol_Fold);
    ApplyPaneFont(Memo_memo, c.Font_Memo, c.Bcol_Memo);
    ApplyPaneFont(RichEdit_Rslt, c.Font_Rslt, c.Bcol_Rslt);
    Panel_B2->setFont(RichEdit_Rslt->font());
    // The ruler line starts where the pane's text starts.
    Panel_B2->setIndent(static_cast<int>(RichEdit_Rslt->document()->documentMargin()) + RichEdit_Rslt->frameWidth());
}

int Form_Main::MemoPaneWidth() const { return memoPane_->width(); }
int Form_Main::UpperPaneHeight() const { return vertSplitter_->sizes().value(0); }

void Form_Main::OpenMemoPane(bool animate) {
    int target = state_.Cnf.MemoWid;
    memoSplitter_->setHandleWidth(3);
    memoShowButton_->hide();
    memoShowButton_->setEnabled(false);
    memoOpenPart_->show();
    if (animate) {
        // Widen in steps of 10 pixels, 10 ms apart, up to MemoWid.
        memoPane_->setMinimumWidth(0);
        int n = (target - 20) / 10;
        for (int i = 0; n >= 0 && i <= n; ++i) {
            if (memoPane_->width() >= target) break;
            int w = memoPane_->width() + 10;
            memoPane_->setFixedWidth(w);
            memoPane_->repaint();
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            QThread::msleep(10);
        }
    }
    memoPane_->setMinimumWidth(std::min(60, std::max(0, target)));
    memoPane_->setMaximumWidth(QWIDGETSIZE_MAX);
    int total = memoSplitter_->width();
    memoSplitter_->setSizes({std::max(1, total - target - 3), std::max(0, target)});
    memoPane_->resize(target, memoPane_->height());
    memoSplitter_->handle(1)->setEnabled(true);
    memoSplitter_->handle(1)->show();
    memoOpen_ = true;
    state_.Cnf.MemoDsp = 1;
    Act_Memo->setChecked(true);
}

void Form_Main::CloseMemoPane() {
    // A hidden handle comes back with the next layout of the splitter; a handle
    // without width leaves no grip and no strip.
    memoSplitter_->setHandleWidth(0);
    memoSplitter_->handle(1)->hide();
    memoSplitter_->handle(1)->setEnabled(false);
    memoOpenPart_->hide();
    memoPane_->setFixedWidth(20);
    // The target list takes back the width the open pane and its grip had.
    memoSplitter_->setSizes({std::max(1, memoSplitter_->width() - 20), 20});
    memoShowButton_->show();
    memoShowButton_->setEnabled(true);
    memoOpen_ = false;
    state_.Cnf.MemoDsp = 0;
    Act_Memo->setChecked(false);
}

void Form_Main::UpdateCountEnabled() {
    bool on = HasLines(Memo_Files);
    if (Act_Count->isEnabled() != on) Act_Count->setEnabled(on);
}

void Form_Main::UpdateResultEnabled() {
    bool has = HasLines(RichEdit_Rslt);
    if (!has) {
        if (Act_Save->isEnabled()) {
            for (QAction* a : {Act_Save, Act_Clear, Act_Copy, Act_PopupCopy, Act_Print}) a->setEnabled(false);
            resultMenuAttached_ = false;
        }
        Panel_B2->hide();
    } else if (!Act_Save->isEnabled()) {
        for (QAction* a : {Act_Save, Act_Clear, Act_Copy, Act_PopupCopy, Act_Print}) a->setEnabled(true);
        resultMenuAttached_ = true;
    }
}

void Form_Main::ReevaluateAll() {
    Act_Count->setEnabled(HasLines(Memo_Files));
    bool has = HasLines(RichEdit_Rslt);
    for (QAction* a : {Act_Save, Act_Clear, Act_Copy, Act_Print}) a->setEnabled(has);
    Act_PopupCopy->setEnabled(has);
    resultMenuAttached_ = has;
    ApplyTlbFlat();
}

std::vector<std::string> Form_Main::ResultLines() const { return ToSjisLines(RichEdit_Rslt->toPlainText()); }

void Form_Main::RunCountCommand() {
    if (running_ || !Act_Count->isEnabled()) return;
    SetRunning(true);
    WindowRunHost host(*this, report::ReportLayout::From(state_.Cnf).ErrorLines);
    run::RunInput input;
    input.TargetLines = ToNativeLines(Memo_Files->toPlainText());
    input.EnvName = ToSjis(TabControl1->tabText(TabControl1->currentIndex()));
    input.Now = std::time(nullptr);
    input.Threads = 0;  // count ahead on every core; the report stays the same
    // The run ended early: the pane keeps its lines and the settings stay.
    auto fail = [this](const engine::FileError& e, const QString& path) {
        syori_->hide();
        ShowMessage(QStringLiteral("ｴﾗｰ"), ToQ(run::ErrorTextFor(e)) + path);
        if (HasLines(RichEdit_Rslt)) state_.Cnf.ResultUnsaved = 1;
    };
    try {
        if (run::RunCount(input, state_.Cnf, host, *countContext_) == run::RunOutcome::Finished) {
            lastRun_ = std::move(host.Rows);
            Act_SaveCsv->setEnabled(true);
        }
    } catch (const engine::FileError& e) {
        fail(e, QStringLiteral("\n") + QString::fromStdString(run::ErrorPathFor(e)));
    } catch (const std::bad_alloc&) {
        fail(engine::FileError({}, ENOMEM), {});  // outside any one file: the list, the pane
    }
    SetRunning(false);
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
}

void Form_Main::closeEvent(QCloseEvent* e) {
    if (running_) {
        // Let the run notice the cancel first; the close is asked again after it.
        syori_->Button_CyudanClick();
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
        if (AskYesNo(QStringLiteral("設定を保存できませんでした。\r\n設定を保存せずに終了しますか？")) != QMessageBox::Yes) {
            e->ignore();
            return;
        }
    } else {
        saveFailedOnce_ = false;
    }
    if (state_.Cnf.ResultUnsaved == 1 && HasLines(RichEdit_Rslt)) {
        int answer = AskYesNoCancel(QStringLiteral("結果が保存されていません。\r\n保存して終了しますか？"));
        if (answer == QMessageBox::Yes) {
            QString name = AskSaveFileName();
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

void Form_Main::changeEvent(QEvent* e) {
    if (e->type() == QEvent::WindowStateChange) {
        auto* sc = static_cast<QWindowStateChangeEvent*>(e);
        bool wasMax = sc->oldState() & Qt::WindowMaximized;
        bool isMax = windowState() & Qt::WindowMaximized;
        auto& mp = state_.Place.MainPlacement;
        if (!wasMax && isMax) {
            mp.Bounds = {normalBounds_.x(), normalBounds_.y(), normalBounds_.width(), normalBounds_.height()};
            mp.Maximized = 1;
        } else if (wasMax && !isMax) {
            mp.Maximized = 0;
        }
    }
    QMainWindow::changeEvent(e);
}

void Form_Main::moveEvent(QMoveEvent* e) {
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        normalBounds_.moveTopLeft(geometry().topLeft());
    QMainWindow::moveEvent(e);
}

void Form_Main::resizeEvent(QResizeEvent* e) {
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen)))
        normalBounds_ = geometry();
    TabControl1->FitHeight();
    QMainWindow::resizeEvent(e);
}

void Form_Main::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) {
        HelpViewer::Instance().ShowTopic(10000);
        return;
    }
    QMainWindow::keyPressEvent(e);
}

}  // namespace zarnik::ui
