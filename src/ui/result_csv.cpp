// MainWindow: the last finished run's rows saved as CSV for a spreadsheet.
#include "report/change.h"
#include "report/csv.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/result_ops.h"
#include "ui/target_entry.h"

namespace zarnik::ui {

void ConfigureDataSaveDialog(QFileDialog& dialog, const QString& folder, const QString& title,
                             const std::string& typeName, const char* pattern, const QString& suffix) {
    ConfigureSaveDialog(dialog, folder);
    dialog.setWindowTitle(title);
    SetDialogFilters(dialog, {{typeName, pattern}, {ZRNK_SJ("すべてのﾌｧｲﾙ(*.*)"), "*.*"}}, 0);
    // A spreadsheet or a browser knows the file by its extension.
    dialog.setDefaultSuffix(suffix);
}

void ConfigureCsvSaveDialog(QFileDialog& dialog, const QString& folder) {
    ConfigureDataSaveDialog(dialog, folder, QStringLiteral("結果をCSVで保存"), ZRNK_SJ("CSVﾌｧｲﾙ(*.csv)"),
                            "*.csv", QStringLiteral("csv"));
}

void MainWindow::SaveResultCsv() {
    if (!std::holds_alternative<std::monostate>(lastRun_))
        AskAndSave(Prompts::SaveKind::Csv, &MainWindow::SaveResultCsvTo);
}

// Shift-JIS with CR LF: a Japanese spreadsheet opens it as it is.
bool MainWindow::SaveResultCsvTo(const QString& path) {
    std::string csv;
    if (const report::ResultRows* rows = LastRunRows())
        csv = report::FormatCsv(*rows, report::CsvEncoding::Sjis);
    else if (const report::ChangeRows* changes = LastRunChanges())
        csv = report::FormatChangeCsv(*changes, report::CsvEncoding::Sjis);
    else
        return false;
    QString error;
    if (WriteSavedFile(path, csv, error)) return true;
    prompts_.ShowMessage(this, QStringLiteral("ｴﾗｰ"), error);
    return false;
}

}  // namespace zarnik::ui
