// MainWindow: the environment menu, and what the window saves at close.
#include <QMenu>

#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/ui_style.h"
#include "ui/window_placement.h"

namespace zarnik::ui {

// The environment menu of the tab row and of the caption bar above the target list.
// On the tab row only a tab opens it, and a tab other than the current one first
// becomes current, as if it had been clicked.
void MainWindow::ShowEnvMenu(const QPoint& globalPos) {
    if (!tabs_->SelectForMenu(globalPos)) return;
    QMenu m;
    m.addAction(QStringLiteral("対象ｿｰｽﾌｧｲﾙ環境編集(&F)"), this, [this] { envEditAction_->trigger(); });
    m.addSeparator();
    m.addAction(QStringLiteral("ｷｬﾝｾﾙ"));
    m.exec(globalPos);
}

settings::WindowState MainWindow::CaptureWindowState() {
    settings::WindowState w = placement_->Capture();
    w.TabIndex = tabs_->Row()->currentIndex();
    w.TargetLines = ToNativeLines(targets_->List()->toPlainText());
    w.MemoLines = ToSjisLines(targets_->Memo()->toPlainText());
    return w;
}

bool MainWindow::SaveAll() {
    tabs_->StoreCurrent();
    state_.Cnf.SelectedTab = tabs_->Row()->currentIndex();
    settings::WindowState w = CaptureWindowState();
    if (!state_.Save) return true;
    std::string error;
    if (state_.Save(state_, w, error)) {
        if (!error.empty()) prompts_.ShowMessage(this, QStringLiteral("警告"), ToQ(error));
        return true;
    }
    prompts_.ShowMessage(this, QStringLiteral("ｴﾗｰ"), ToQ(error));
    return false;
}

}  // namespace zarnik::ui
