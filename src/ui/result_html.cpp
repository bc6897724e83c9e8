// MainWindow: the last finished run's results saved as one HTML page.
#include <cstdio>

#include "report/html.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/result_ops.h"
#include "ui/target_entry.h"

namespace zarnik::ui {

namespace {

// The page goes to its file as it is made: a run of a million files is never
// held as text.
struct FileSink : report::ByteSink {
    std::FILE* File = nullptr;
    bool Ok = true;
    void Write(std::string_view bytes) override {
        Ok = Ok && std::fwrite(bytes.data(), 1, bytes.size(), File) == bytes.size();
    }
};

}  // namespace

void ConfigureHtmlSaveDialog(QFileDialog& dialog, const QString& folder) {
    ConfigureDataSaveDialog(dialog, folder, QStringLiteral("結果をHTMLで保存"), ZRNK_SJ("HTMLﾌｧｲﾙ(*.html)"),
                            "*.html", QStringLiteral("html"));
}

void MainWindow::SaveResultHtml() {
    if (!std::holds_alternative<std::monostate>(lastRun_))
        AskAndSave(Prompts::SaveKind::Html, &MainWindow::SaveResultHtmlTo);
}

// The page zarnik-count --format html writes for the same run; a failed write is
// said (the page itself then shows that it was cut short).
bool MainWindow::SaveResultHtmlTo(const QString& path) {
    const report::ResultRows* rows = LastRunRows();
    const report::ChangeRows* changes = LastRunChanges();
    const report::HistoryChart* history = LastRunHistory();
    if (!rows && !changes && !history) return false;
    FileSink page;
    page.File = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!page.File) {
        prompts_.ShowMessage(this, QStringLiteral("ｴﾗｰ"),
                             QStringLiteral("ﾌｧｲﾙ %1 を作成できません").arg(path));
        return false;
    }
    if (rows)
        report::WriteCountHtml(*rows, lastRunCnf_, page);
    else if (changes)
        report::WriteChangeHtml(*changes, lastRunCnf_, page);
    else
        report::WriteHistoryHtml(*history, lastRunCnf_, lastHistoryTarget_, page);
    page.Ok = std::fflush(page.File) == 0 && page.Ok;
    page.Ok = std::fclose(page.File) == 0 && page.Ok;
    if (!page.Ok)
        prompts_.ShowMessage(this, QStringLiteral("ｴﾗｰ"), QStringLiteral("ｽﾄﾘｰﾑへの書き込みに失敗しました"));
    return page.Ok;
}

}  // namespace zarnik::ui
