// Prompts answered from a script instead of by a user: every question takes the
// next answer queued for its kind, and a question with none queued fails the test
// (and is answered as cancelled). Messages are collected, not scripted.
#pragma once

#include <QColor>
#include <QDialog>
#include <QMessageBox>
#include <QPrinter>
#include <QStringList>
#include <QTest>
#include <deque>
#include <functional>
#include <utility>

#include "settings/settings.h"
#include "ui/folder_browser.h"
#include "ui/prompts.h"
#include "ui/target_entry.h"

namespace zarnik::ui {

class ScriptedPrompts : public Prompts {
public:
    // QMessageBox::Yes, No or Cancel for each question of its kind.
    std::deque<int> YesNo, YesNoCancel, Warnings;
    // The name each save dialog returns (empty = cancelled).
    std::deque<QString> SaveNames;
    // What each chooser or dialog does in the user's place.
    std::deque<std::function<bool(const OpenFilesRequest&, OpenFilesAnswer&)>> OpenFiles;
    std::deque<std::function<bool(FolderBrowser&)>> Folders;
    std::deque<std::function<bool(QPrinter&)>> Printers;
    std::deque<std::function<bool(settings::PaneFont&)>> Fonts;
    std::deque<std::function<bool(QColor&)>> Colors;
    std::deque<std::function<int(QDialog&)>> Dialogs;

    QStringList Questions;    // the text of every question box, in order
    QStringList Messages;     // "title:text"
    QStringList SaveFolders;  // the start folder of every save dialog
    std::deque<SaveKind> SaveKinds;

    // True when every queued answer was taken.
    bool AllAnswered() const {
        return YesNo.empty() && YesNoCancel.empty() && Warnings.empty() && SaveNames.empty() &&
               OpenFiles.empty() && Folders.empty() && Printers.empty() && Fonts.empty() && Colors.empty() &&
               Dialogs.empty();
    }

    int AskYesNo(QWidget*, const QString& text) override {
        Questions << text;
        return Next(YesNo, "AskYesNo", int(QMessageBox::No));
    }
    int AskYesNoCancel(QWidget*, const QString& text) override {
        Questions << text;
        return Next(YesNoCancel, "AskYesNoCancel", int(QMessageBox::Cancel));
    }
    int AskWarning(QWidget*, const QString& text, int escapeAnswer, int) override {
        Questions << text;
        return Next(Warnings, "AskWarning", escapeAnswer);
    }
    void ShowMessage(QWidget*, const QString& title, const QString& text) override {
        Messages << title + QLatin1Char(':') + text;
    }
    QString AskSaveFile(QWidget*, SaveKind kind, const QString& startFolder) override {
        SaveFolders << startFolder;
        SaveKinds.push_back(kind);
        return Next(SaveNames, "AskSaveFile", QString());
    }
    bool AskOpenFiles(QWidget*, const OpenFilesRequest& request, OpenFilesAnswer& answer) override {
        auto f = Next(OpenFiles, "AskOpenFiles", {});
        return f && f(request, answer);
    }
    bool BrowseFolder(FolderBrowser& browser) override {
        auto f = Next(Folders, "BrowseFolder", {});
        return f && f(browser);
    }
    bool AskPrinter(QWidget*, QPrinter& printer) override {
        auto f = Next(Printers, "AskPrinter", {});
        return f && f(printer);
    }
    bool ChooseFont(QWidget*, settings::PaneFont& font) override {
        auto f = Next(Fonts, "ChooseFont", {});
        return f && f(font);
    }
    bool ChooseColor(QWidget*, QColor& color) override {
        auto f = Next(Colors, "ChooseColor", {});
        return f && f(color);
    }
    // The step is taken off the queue before it runs: the dialogs it opens take the next ones.
    int ExecDialog(QDialog& dialog) override {
        auto f = Next(Dialogs, qPrintable(dialog.objectName()), {});
        return f ? f(dialog) : int(QDialog::Rejected);
    }

private:
    template <typename T>
    static T Next(std::deque<T>& queue, const char* question, T unanswered) {
        if (queue.empty()) {
            QTest::qFail(qPrintable(QStringLiteral("unexpected question: %1").arg(QLatin1String(question))),
                         __FILE__, __LINE__);
            return unanswered;
        }
        T answer = std::move(queue.front());
        queue.pop_front();
        return answer;
    }
};

}  // namespace zarnik::ui
