// MainWindow: the chart pane beside the result, and the charts saved as pictures.
#include <QPainter>
#include <QSplitter>

#include "report/chart_data.h"
#include "ui/chart_pane.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/result_ops.h"
#include "ui/target_entry.h"

namespace zarnik::ui {

void ConfigureChartSaveDialog(QFileDialog& dialog, const QString& folder) {
    ConfigureSaveDialog(dialog, folder);
    dialog.setWindowTitle(QStringLiteral("グラフの保存"));
    SetDialogFilters(dialog, {{ZRNK_SJ("PNG画像(*.png)"), "*.png"}, {ZRNK_SJ("SVG画像(*.svg)"), "*.svg"}}, 0);
    // The picture's format follows the name's extension: a name typed without
    // one takes the chosen type's.
    dialog.setDefaultSuffix(QStringLiteral("png"));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog] {
        dialog.setDefaultSuffix(SelectedFilter(dialog) == 1 ? QStringLiteral("svg") : QStringLiteral("png"));
    });
}

void MainWindow::ShowChartPane(bool on) {
    state_.Cnf.ShowChart = on ? 1 : 0;
    chartAction_->setChecked(on);
    if (on != chart_->isHidden()) return;  // already as asked
    chart_->setVisible(on);
    UpdateResultEnabled();
    if (!on) return;
    // Beside the result, a little narrower than it (before the window is laid out
    // the splitter's stretch factors share it the same way).
    if (const int width = resultSplitter_->width(); width > 0)
        resultSplitter_->setSizes({width * 3 / 5, width - width * 3 / 5});
    RefreshChart();
}

// Only a shown pane draws: a run whose chart nobody looks at takes no time for it.
void MainWindow::RefreshChart() {
    if (chart_->isHidden() || chart_->HasChart()) return;
    if (const report::ResultRows* rows = LastRunRows())
        chart_->ShowCount(report::MakeCountChart(*rows));
    else if (const report::ChangeRows* changes = LastRunChanges())
        chart_->ShowChange(report::MakeChangeChart(changes->Totals()));
    else if (const report::HistoryChart* history = LastRunHistory())
        chart_->ShowHistory(*history);
    UpdateResultEnabled();
}

void MainWindow::SaveChart() {
    if (chart_->HasChart()) AskAndSave(Prompts::SaveKind::Chart, &MainWindow::SaveChartTo);
}

bool MainWindow::SaveChartTo(const QString& path) {
    QString error;
    if (chart_->SaveTo(path, error)) return true;
    prompts_.ShowMessage(this, QStringLiteral("ｴﾗｰ"), error);
    return false;
}

}  // namespace zarnik::ui
