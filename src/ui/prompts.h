// Prompts: everything the program asks its user in a box or a chooser of its own
// (questions, messages, files, folders, printers, fonts, colours and the modal
// dialogs), in one place that tests replace with answers of their own.
#pragma once

#include <QString>

class QColor;
class QDialog;
class QPrinter;
class QWidget;

namespace zarnik::settings {
struct PaneFont;
}

namespace zarnik::ui {

class FolderBrowser;
struct OpenFilesRequest;
struct OpenFilesAnswer;

class Prompts {
public:
    virtual ~Prompts() = default;

    // "確認" with はい(&Y) and いいえ(&N): QMessageBox::Yes, or No (also for the close box).
    virtual int AskYesNo(QWidget* parent, const QString& text) = 0;
    // The same with ｷｬﾝｾﾙ: Yes, No or Cancel (also for the close box).
    virtual int AskYesNoCancel(QWidget* parent, const QString& text) = 0;
    // "警告" with はい(&Y) and いいえ(&N), and ﾍﾙﾌﾟ(&H) showing helpTopic when it is not
    // 0 (the box stays open). Escape and the close box answer escapeAnswer;
    // returns QMessageBox::Yes or No.
    virtual int AskWarning(QWidget* parent, const QString& text, int escapeAnswer, int helpTopic) = 0;
    // One OK button; the title ("情報", "警告", "ｴﾗｰ") chooses the icon.
    virtual void ShowMessage(QWidget* parent, const QString& title, const QString& text) = 0;

    // The save dialogs: the result as text, the last run's rows as csv, html or
    // a workbook, the charts as a picture.
    enum class SaveKind { Result, Csv, Html, Xlsx, Chart };
    // The name chosen, empty when cancelled; startFolder empty = not preset.
    virtual QString AskSaveFile(QWidget* parent, SaveKind kind, const QString& startFolder) = 0;
    // The open dialog: false when cancelled.
    virtual bool AskOpenFiles(QWidget* parent, const OpenFilesRequest& request, OpenFilesAnswer& answer) = 0;
    // Shows the folder browser as prepared; true when a folder was chosen.
    virtual bool BrowseFolder(FolderBrowser& browser) = 0;
    // The print dialog for printer: false when cancelled.
    virtual bool AskPrinter(QWidget* parent, QPrinter& printer) = 0;
    // The font chooser and the colour chooser: true with the choice in the argument.
    virtual bool ChooseFont(QWidget* parent, settings::PaneFont& font) = 0;
    virtual bool ChooseColor(QWidget* parent, QColor& color) = 0;

    // Runs one of the program's own modal dialogs (and the dialogs it opens) and
    // returns its result.
    virtual int ExecDialog(QDialog& dialog) = 0;
};

// The real boxes and dialogs.
class DialogPrompts : public Prompts {
public:
    int AskYesNo(QWidget* parent, const QString& text) override;
    int AskYesNoCancel(QWidget* parent, const QString& text) override;
    int AskWarning(QWidget* parent, const QString& text, int escapeAnswer, int helpTopic) override;
    void ShowMessage(QWidget* parent, const QString& title, const QString& text) override;
    QString AskSaveFile(QWidget* parent, SaveKind kind, const QString& startFolder) override;
    bool AskOpenFiles(QWidget* parent, const OpenFilesRequest& request, OpenFilesAnswer& answer) override;
    bool BrowseFolder(FolderBrowser& browser) override;
    bool AskPrinter(QWidget* parent, QPrinter& printer) override;
    bool ChooseFont(QWidget* parent, settings::PaneFont& font) override;
    bool ChooseColor(QWidget* parent, QColor& color) override;
    int ExecDialog(QDialog& dialog) override;
};

// The program's one DialogPrompts; it keeps no state.
Prompts& DesktopPrompts();

}  // namespace zarnik::ui
