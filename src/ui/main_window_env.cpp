// Form_Main: the environment menu, and what the window saves at close.
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

// The environment menu of the tab row and of the caption bar above the target list.
// On the tab row only a tab opens it, and a tab other than the current one first
// becomes current, as if it had been clicked.
void Form_Main::ShowEnvMenu(const QPoint& globalPos) {
    if (!tabs_->SelectForMenu(globalPos)) return;
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
    w.TabIndex = tabs_->Row()->currentIndex();
    w.TargetLines = ToNativeLines(targets_->List()->toPlainText());
    w.MemoLines = ToSjisLines(targets_->Memo()->toPlainText());
    w.ToolBar = CaptureToolBarRecord();
    return w;
}

bool Form_Main::SaveAll() {
    tabs_->StoreCurrent();
    state_.Cnf.TabIdx = tabs_->Row()->currentIndex();
    settings::WindowState w = CaptureWindowState();
    if (!state_.Save) return true;
    std::string error;
    if (state_.Save(state_, w, error)) return true;
    ShowMessage(QStringLiteral("ｴﾗｰ"), ToQ(error));
    return false;
}

}  // namespace zarnik::ui
