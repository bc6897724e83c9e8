// MainWindow: saving, copying and clearing the result pane.
#include "ui/result_ops.h"

#include <QPrinter>
#include <cstdio>

#include "ui/chart_pane.h"
#include "ui/file_dialog_columns.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/result_pane.h"
#include "ui/result_print.h"
#include "ui/target_entry.h"
#include "ui/ui_style.h"

namespace zarnik::ui {

std::string ResultFileBytes(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const std::string& l : lines) size += l.size() + 2;
    std::string bytes;
    bytes.reserve(size);
    for (const std::string& l : lines) {
        bytes += l;
        bytes += "\r\n";
    }
    return bytes;
}

bool WriteSavedFile(const QString& path, const std::string& bytes, QString& error) {
    std::FILE* f = std::fopen(QFile::encodeName(path).constData(), "wb");
    if (!f) {
        error = QStringLiteral("ﾌｧｲﾙ %1 を作成できません").arg(path);
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fflush(f) == 0 && ok;
    ok = std::fclose(f) == 0 && ok;
    if (!ok) error = QStringLiteral("ｽﾄﾘｰﾑへの書き込みに失敗しました");
    return ok;
}

// One pass into one buffer: a million lines split into a list first took seconds.
QString ClipboardText(const QString& paneText) {
    QString out;
    if (paneText.isEmpty()) return out;
    QStringView rest(paneText);
    if (rest.endsWith(QLatin1Char('\n'))) rest.chop(1);  // a final line break adds no empty line
    out.reserve(rest.size() + rest.count(QLatin1Char('\n')) + 2);
    for (;;) {
        const qsizetype nl = rest.indexOf(QLatin1Char('\n'));
        QStringView line = nl < 0 ? rest : rest.left(nl);
        if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
        out += line;
        out += QLatin1StringView("\r\n");
        if (nl < 0) break;
        rest = rest.mid(nl + 1);
    }
    return out;
}

void ConfigureSaveDialog(QFileDialog& dialog, const QString& folder) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setWindowTitle(QStringLiteral("結果の保存"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (!folder.isEmpty()) dialog.setDirectory(folder);
    std::array<FilterEntry, 2> entries = SaveFilterEntries();
    SetDialogFilters(dialog, {entries.begin(), entries.end()}, 0);
    FitFileDialogColumns(dialog);
}

void MainWindow::SaveResult() {
    if (AskAndSave(Prompts::SaveKind::Result, &MainWindow::SaveResultTo)) state_.Cnf.ResultUnsaved = 0;
}

// Saves to the file the save dialog of kind names; its folder is where the next
// save dialog starts. False when none was named or the save failed (said).
bool MainWindow::AskAndSave(Prompts::SaveKind kind, bool (MainWindow::*saveTo)(const QString&)) {
    const QString name = prompts_.AskSaveFile(this, kind, ToQ(state_.Paths.SaveFolder));
    if (name.isEmpty() || !(this->*saveTo)(name)) return false;
    state_.Paths.SaveFolder = FolderPart(ToSjis(name));
    return true;
}

bool MainWindow::SaveResultTo(const QString& path) {
    QString error;
    if (result_->SaveTo(path, error)) return true;
    prompts_.ShowMessage(this, QStringLiteral("ｴﾗｰ"), error);
    return false;
}

// The rows of the run the pane showed go with its lines: nothing is left to save as
// csv or to draw.
void MainWindow::ClearResult() {
    lastRun_ = {};
    chart_->Clear();
    result_->Clear();
}

void MainWindow::CopyResult() { result_->CopyToClipboard(); }

void MainWindow::PrintResult() {
    QPrinter printer(QPrinter::HighResolution);
    if (!prompts_.AskPrinter(this, printer)) return;
    bool ok;
    {
        WaitCursor wait;
        // The charts shown follow the report on a page of their own.
        PrintAfterLines charts;
        if (chart_->HasChart() && !chart_->isHidden())
            charts = [this](QPainter& painter, const QRect& page) { chart_->Render(painter, page); };
        ok = result_->Print(printer, charts);
    }
    if (ok)
        prompts_.ShowMessage(this, QStringLiteral("情報"), QStringLiteral("プリンタへ出力しました。"));
    else
        prompts_.ShowMessage(this, QStringLiteral("ｴﾗｰ"),
                             QStringLiteral("出力できませんでした。プリンタを確かめてください。"));
}

}  // namespace zarnik::ui
