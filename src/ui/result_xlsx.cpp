// MainWindow: the last finished run's rows saved as an Excel workbook.
#include <QFile>

#include "report/xlsx.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/result_ops.h"
#include "ui/target_entry.h"

namespace zarnik::ui {

void ConfigureXlsxSaveDialog(QFileDialog& dialog, const QString& folder) {
    ConfigureDataSaveDialog(dialog, folder, QStringLiteral("結果をExcelで保存"), ZRNK_SJ("Excelﾌﾞｯｸ(*.xlsx)"),
                            "*.xlsx", QStringLiteral("xlsx"));
}

void MainWindow::SaveResultXlsx() {
    if (!std::holds_alternative<std::monostate>(lastRun_))
        AskAndSave(Prompts::SaveKind::Xlsx, &MainWindow::SaveResultXlsxTo);
}

// The workbook is complete or the file stays as it was; why not is shown.
bool MainWindow::SaveResultXlsxTo(const QString& path) {
    const std::string file = QFile::encodeName(path).toStdString();
    std::string error;
    bool written = false;
    if (const report::ResultRows* rows = LastRunRows())
        written = report::WriteCountXlsx(*rows, file, error);
    else if (const report::ChangeRows* changes = LastRunChanges())
        written = report::WriteChangeXlsx(*changes, file, error);
    else
        return false;
    if (written) return true;
    prompts_.ShowMessage(this, QStringLiteral("ｴﾗｰ"),
                         QStringLiteral("ﾌｧｲﾙ %1 を作成できません").arg(path) + QStringLiteral("\n") +
                             QString::fromStdString(error));
    return false;
}

}  // namespace zarnik::ui
