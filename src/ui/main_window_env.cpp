// Form_Main: environment tabs, target entry, and what the window saves at close.
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QStatusBar>

#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/ui_style.h"

namespace zarnik::ui {

namespace {
QString JoinLines(const std::vector<std::string>& lines) {
    QStringList out;
    for (const std::string& l : lines) out << ToQ(l);
    return out.join(QLatin1Char('\n'));
}

Qt::ToolBarArea AreaFromName(const std::string& name) {
    if (name == "BottomDock") return Qt::BottomToolBarArea;
    if (name == "LeftDock") return Qt::LeftToolBarArea;
    if (name == "RightDock") return Qt::RightToolBarArea;
    return Qt::TopToolBarArea;
}

const char* NameFromArea(Qt::ToolBarArea area) {
    switch (area) {
        case Qt::BottomToolBarArea: return "BottomDock";
        case Qt::LeftToolBarArea: return "LeftDock";
        case Qt::RightToolBarArea: return "RightDock";
        default: return "TopDock";
    }
}
}  // namespace

void Form_Main::ShowTabs() {
    if (state_.Envs.empty()) state_.Envs.push_back({ZRNK_SJ("開発環境(1)"), {}, {}});
    QSignalBlocker block(TabControl1);
    while (TabControl1->count() > 0) TabControl1->removeTab(0);
    for (const Environment& env : state_.Envs) TabControl1->addTab(ToQ(env.Name));
    TabControl1->setShape(state_.Cnf.TabPos == 0 ? QTabBar::RoundedNorth : QTabBar::RoundedSouth);
    int idx = state_.Cnf.TabIdx;
    if (idx < 0 || idx >= TabControl1->count()) idx = 0;
    TabControl1->setCurrentIndex(idx);
    currentTab_ = idx;
    FetchCurrentEnv();
}

void Form_Main::StoreCurrentEnv() {
    if (currentTab_ < 0 || currentTab_ >= static_cast<int>(state_.Envs.size())) return;
    Environment& env = state_.Envs[static_cast<std::size_t>(currentTab_)];
    env.TargetLines = ToSjisLines(Memo_Files->toPlainText());
    env.MemoLines = ToSjisLines(Memo_memo->toPlainText());
}

void Form_Main::FetchCurrentEnv() {
    if (currentTab_ < 0 || currentTab_ >= static_cast<int>(state_.Envs.size())) return;
    const Environment& env = state_.Envs[static_cast<std::size_t>(currentTab_)];
    Memo_Files->setPlainText(JoinLines(env.TargetLines));
    Memo_memo->setPlainText(JoinLines(env.MemoLines));
    UpdateCountEnabled();
}

void Form_Main::TabControl1Change(int index) {
    StoreCurrentEnv();
    currentTab_ = index;
    state_.Cnf.TabIdx = index;
    FetchCurrentEnv();
}

void Form_Main::ShowEnvMenu(const QPoint& globalPos) {
    QMenu m;
    m.addAction(Act_EnvEdit);
    m.addSeparator();
    m.addAction(QStringLiteral("ｷｬﾝｾﾙ"));
    m.exec(globalPos);
}

void Form_Main::OpenTargetFiles() {
    QStringList files = QFileDialog::getOpenFileNames(this, QStringLiteral("対象ｿｰｽﾌｧｲﾙ指定"));
    for (const QString& f : files) Memo_Files->appendPlainText(f);
}

void Form_Main::ChooseTargetFolder() {
    QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("対象ｿｰｽﾌｧｲﾙのﾌｫﾙﾀﾞ指定"));
    if (!dir.isEmpty()) Memo_Files->appendPlainText(dir);
}

void Form_Main::EditEnvironments() {
    StoreCurrentEnv();
    ShowMessage(QStringLiteral("情報"), QStringLiteral("環境編集はこの版ではまだ使えません。"));
}

void Form_Main::PrintResult() {
    ShowMessage(QStringLiteral("情報"), QStringLiteral("印刷はこの版ではまだ使えません。"));
}

void Form_Main::OpenSettings() {
    ShowMessage(QStringLiteral("情報"), QStringLiteral("設定ダイアログはこの版ではまだ使えません。"));
}

void Form_Main::ApplyToolBarRecord() {
    const ToolBarRecord& r = state_.ToolBar;
    if (!r.Present) return;
    if (r.DockedTo == "+") {
        MainToolBar->setParent(this);
        addToolBar(Qt::TopToolBarArea, MainToolBar);
        MainToolBar->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
        MainToolBar->move(r.FloatLeft, r.FloatTop);
    } else {
        removeToolBar(MainToolBar);
        addToolBar(AreaFromName(r.DockedTo), MainToolBar);
    }
    MainToolBar->setVisible(r.Visible != 0);
}

ToolBarRecord Form_Main::CaptureToolBarRecord() const {
    ToolBarRecord r;
    r.Present = true;
    r.Visible = MainToolBar->isVisible() ? 1 : 0;
    if (MainToolBar->isFloating()) {
        r.DockedTo = "+";
        r.FloatLeft = MainToolBar->x();
        r.FloatTop = MainToolBar->y();
    } else {
        r.DockedTo = NameFromArea(toolBarArea(MainToolBar));
        r.DockPos = MainToolBar->x();
    }
    return r;
}

WindowState Form_Main::CaptureWindowState() {
    WindowState w;
    w.Maximized = isMaximized();
    QRect g = geometry();
    QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry() : QRect();
    w.Bounds = {g.x() - screen.x(), g.y() - screen.y(), g.width(), g.height()};
    w.PaneHeight = UpperPaneHeight();
    w.TabIdx = TabControl1->currentIndex();
    w.TargetLines = ToSjisLines(Memo_Files->toPlainText());
    w.MemoLines = ToSjisLines(Memo_memo->toPlainText());
    w.ToolBar = CaptureToolBarRecord();
    return w;
}

bool Form_Main::SaveAll() {
    StoreCurrentEnv();
    state_.Cnf.TabIdx = TabControl1->currentIndex();
    WindowState w = CaptureWindowState();
    auto& mp = state_.Place.MainPlacement;
    if (w.Maximized) {
        mp.Maximized = 1;
    } else {
        mp.Maximized = 0;
        mp.Bounds = w.Bounds;
    }
    mp.Pnl_H = w.PaneHeight;
    state_.ToolBar = w.ToolBar;
    if (!state_.Save) return true;
    std::string error;
    if (state_.Save(state_, w, error)) return true;
    ShowMessage(QStringLiteral("ｴﾗｰ"), ToQ(error));
    return false;
}

}  // namespace zarnik::ui
