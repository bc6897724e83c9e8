// Form_Main: environment tabs, target entry, and what the window saves at close.
#include <QBoxLayout>
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
QString JoinLines(const std::vector<std::string>& lines, QString (*toQ)(const std::string&)) {
    QStringList out;
    for (const std::string& l : lines) out << toQ(l);
    return out.join(QLatin1Char('\n'));
}

QString NativeToQ(const std::string& native) { return QString::fromStdString(native); }

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
    if (state_.Envs.Count() == 0) settings::SetDefaultEnvironments(state_.Envs);
    QSignalBlocker block(TabControl1);
    QStringList names;
    names.reserve(state_.Envs.Count());
    for (int i = 0; i < state_.Envs.Count(); ++i) names << ToQ(state_.Envs.At(i).EnvName);
    TabControl1->SetTabs(names);
    ApplyTabPlacement();
    int idx = state_.Cnf.TabIdx;
    if (idx < 0 || idx >= TabControl1->count()) idx = 0;
    TabControl1->setCurrentIndex(idx);
    currentTab_ = idx;
    FetchCurrentEnv();
}

// The panes hold the current environment's up-to-date text; the record is brought
// up to date before anything reads it or another environment replaces the panes.
void Form_Main::StoreCurrentEnv() {
    state_.Envs.StoreEnv(state_.Envs.EnvIdAt(currentTab_), ToNativeLines(targets_->List()->toPlainText()),
                         ToSjisLines(targets_->Memo()->toPlainText()));
}

void Form_Main::FetchCurrentEnv() {
    settings::Lines lines, memo;
    if (!state_.Envs.FetchEnv(state_.Envs.EnvIdAt(currentTab_), lines, memo)) return;
    targets_->List()->setPlainText(JoinLines(lines, NativeToQ));
    targets_->Memo()->setPlainText(JoinLines(memo, ToQ));
    // A memo whose file could not be read is kept as it is on disk: typing into it
    // would be lost, so the pane is read-only for that environment.
    targets_->Memo()->setReadOnly(!state_.Envs.At(currentTab_).KeptMemoFile.empty());
    UpdateCountEnabled();
}

// Runs after the tab bar changed its current tab (click, keyboard or right click).
void Form_Main::TabControl1Change(int index) {
    if (index == currentTab_) return;
    StoreCurrentEnv();
    currentTab_ = index;
    state_.Cnf.TabIdx = index;
    FetchCurrentEnv();
    UpdateCountEnabled();
}

// The environment menu of the tab row and of the caption bar above the target list.
// On the tab row only a tab opens it, and a tab other than the current one first
// becomes current, as if it had been clicked.
void Form_Main::ShowEnvMenu(const QPoint& globalPos) {
    const QPoint inTabs = TabControl1->mapFromGlobal(globalPos);
    if (TabControl1->rect().contains(inTabs)) {
        const int index = TabControl1->tabAt(inTabs);
        if (index < 0) return;
        if (index != TabControl1->currentIndex()) TabControl1->setCurrentIndex(index);
        UpdateCountEnabled();
    }
    QMenu m;
    m.addAction(QStringLiteral("対象ｿｰｽﾌｧｲﾙ環境編集(&F)"), this, [this] { Act_EnvEdit->trigger(); });
    m.addSeparator();
    m.addAction(QStringLiteral("ｷｬﾝｾﾙ"));
    m.exec(globalPos);
}

void Form_Main::ApplyToolBarRecord() {
    if (!state_.ToolBar) return;
    const settings::ToolBarRecord& r = *state_.ToolBar;
    if (r.DockedTo == "+") {
        MainToolBar->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
        GiveFloatingToolBarACloseBox();
        MainToolBar->move(r.FloatLeft, r.FloatTop);
    } else {
        removeToolBar(MainToolBar);
        addToolBar(AreaFromName(r.DockedTo), MainToolBar);
    }
    MainToolBar->setVisible(r.Visible != 0);
}

settings::ToolBarRecord Form_Main::CaptureToolBarRecord() const {
    settings::ToolBarRecord r;
    r.Visible = state_.Cnf.ToolBar != 0 ? 1 : 0;
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

settings::WindowState Form_Main::CaptureWindowState() {
    settings::WindowState w;
    w.Maximized = isMaximized();
    QRect g = geometry();
    QRect screen = QGuiApplication::primaryScreen() ? QGuiApplication::primaryScreen()->availableGeometry() : QRect();
    w.Bounds = {g.x() - screen.x(), g.y() - screen.y(), g.width(), g.height()};
    w.PaneHeight = UpperPaneHeight();
    w.TabIndex = TabControl1->currentIndex();
    w.TargetLines = ToNativeLines(targets_->List()->toPlainText());
    w.MemoLines = ToSjisLines(targets_->Memo()->toPlainText());
    w.ToolBar = CaptureToolBarRecord();
    return w;
}

bool Form_Main::SaveAll() {
    StoreCurrentEnv();
    state_.Cnf.TabIdx = TabControl1->currentIndex();
    settings::WindowState w = CaptureWindowState();
    if (!state_.Save) return true;
    std::string error;
    if (state_.Save(state_, w, error)) return true;
    ShowMessage(QStringLiteral("ｴﾗｰ"), ToQ(error));
    return false;
}

}  // namespace zarnik::ui
