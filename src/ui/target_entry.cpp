// Form_Main: target entry by the open dialog and the folder browser.
#include <QFileDialog>

#include "ui/main_window.h"
#include "ui/qt_text.h"

namespace zarnik::ui {

void Form_Main::OpenTargetFiles() {
    QStringList files = QFileDialog::getOpenFileNames(this, QStringLiteral("対象ｿｰｽﾌｧｲﾙ指定"));
    for (const QString& f : files) Memo_Files->appendPlainText(f);
}

void Form_Main::ChooseTargetFolder() {
    QString dir = QFileDialog::getExistingDirectory(this, QStringLiteral("対象ｿｰｽﾌｧｲﾙのﾌｫﾙﾀﾞ指定"));
    if (!dir.isEmpty()) Memo_Files->appendPlainText(dir);
}

}  // namespace zarnik::ui
