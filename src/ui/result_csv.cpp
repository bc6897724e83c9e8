// Form_Main: the last finished run's rows saved as CSV for a spreadsheet.
#include "report/csv.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/result_ops.h"
#include "ui/target_entry.h"

namespace zarnik::ui {

void Form_Main::SaveResultCsv() {
    if (std::holds_alternative<std::monostate>(lastRun_)) return;
    QString name = AskSaveFile(ToQ(state_.Paths.SaveFolder));
    if (name.isEmpty() || !SaveResultCsvTo(name)) return;
    state_.Paths.SaveFolder = FolderPart(ToSjis(name));
}

// Shift-JIS with CR LF: a Japanese spreadsheet opens it as it is.
bool Form_Main::SaveResultCsvTo(const QString& path) {
    const report::ResultRows* rows = LastRunRows();
    if (!rows) return false;
    QString error;
    if (WriteSavedFile(path, report::FormatCsv(*rows, report::CsvEncoding::Sjis), error)) return true;
    ShowMessage(QStringLiteral("ｴﾗｰ"), error);
    return false;
}

}  // namespace zarnik::ui
