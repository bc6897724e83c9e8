#include "ui/prompts.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "ui/chart_pane.h"
#include "ui/folder_browser.h"
#include "ui/help_viewer.h"
#include "ui/result_ops.h"
#include "ui/result_print.h"
#include "ui/settings_dialog.h"
#include "ui/target_entry.h"
#include "ui/ui_style.h"

namespace zarnik::ui {

int DialogPrompts::AskYesNo(QWidget* parent, const QString& text) { return AskQuestion(parent, text, false); }

int DialogPrompts::AskYesNoCancel(QWidget* parent, const QString& text) {
    return AskQuestion(parent, text, true);
}

int DialogPrompts::AskWarning(QWidget* parent, const QString& text, int escapeAnswer, int helpTopic) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("警告"), shown, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    if (helpTopic != 0) {
        QPushButton* help = box.addButton(QStringLiteral("ﾍﾙﾌﾟ(&H)"), QMessageBox::HelpRole);
        // The box closes on any of its buttons: the help button is taken from it, so
        // the help opens over the box, which stays open and leaves the help usable.
        QObject::disconnect(help, &QAbstractButton::clicked, nullptr, nullptr);
        QObject::connect(help, &QAbstractButton::clicked, &box,
                         [helpTopic] { HelpViewer::Instance().ShowTopic(helpTopic); });
    }
    box.setDefaultButton(yes);
    box.setEscapeButton(escapeAnswer == QMessageBox::Yes ? yes : no);
    box.exec();
    if (box.clickedButton() == yes) return QMessageBox::Yes;
    if (box.clickedButton() == no) return QMessageBox::No;
    return escapeAnswer == QMessageBox::Yes ? QMessageBox::Yes : QMessageBox::No;
}

void DialogPrompts::ShowMessage(QWidget* parent, const QString& title, const QString& text) {
    ShowBox(parent, title, text);
}

QString DialogPrompts::AskSaveFile(QWidget* parent, SaveKind kind, const QString& startFolder) {
    QFileDialog dialog(parent);
    if (kind == SaveKind::Csv)
        ConfigureCsvSaveDialog(dialog, startFolder);
    else if (kind == SaveKind::Html)
        ConfigureHtmlSaveDialog(dialog, startFolder);
    else if (kind == SaveKind::Xlsx)
        ConfigureXlsxSaveDialog(dialog, startFolder);
    else if (kind == SaveKind::Chart)
        ConfigureChartSaveDialog(dialog, startFolder);
    else
        ConfigureSaveDialog(dialog, startFolder);
    if (dialog.exec() != QDialog::Accepted) return {};
    return dialog.selectedFiles().value(0);
}

bool DialogPrompts::AskOpenFiles(QWidget* parent, const OpenFilesRequest& request, OpenFilesAnswer& answer) {
    return RunOpenFilesDialog(parent, request, answer);
}

bool DialogPrompts::BrowseFolder(FolderBrowser& browser) { return browser.Execute(); }

bool DialogPrompts::AskPrinter(QWidget* parent, QPrinter& printer) { return RunPrintDialog(parent, printer); }

bool DialogPrompts::ChooseFont(QWidget* parent, settings::PaneFont& font) {
    return ChooseFontDialog(parent, font);
}

bool DialogPrompts::ChooseColor(QWidget* parent, QColor& color) {
    QColor chosen = QColorDialog::getColor(color, parent, QStringLiteral("色の設定"));
    if (!chosen.isValid()) return false;
    color = chosen;
    return true;
}

int DialogPrompts::ExecDialog(QDialog& dialog) { return dialog.exec(); }

Prompts& DesktopPrompts() {
    static DialogPrompts prompts;
    return prompts;
}

}  // namespace zarnik::ui
