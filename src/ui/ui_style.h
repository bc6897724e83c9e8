// Message boxes with the program's titles and captions, pane fonts and colours.
#pragma once

#include <QApplication>
#include <QBoxLayout>
#include <QColor>
#include <QFont>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <initializer_list>

#include "settings/settings.h"

namespace zarnik::ui {

// The wait pointer while it lives: for work of seconds on the window's thread
// (printing, filling the editor with a million lines).
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// A question box titled "確認" with はい(&Y) / いいえ(&N) [/ ｷｬﾝｾﾙ]; returns
// QMessageBox::Yes, No or Cancel (also for the box's close button).
int AskQuestion(QWidget* parent, const QString& text, bool withCancel);

// An information ("情報"), warning ("警告") or error ("ｴﾗｰ") box with one OK button.
void ShowBox(QWidget* parent, const QString& title, const QString& text);

// A colour text ("clWhite", "$00FF0000", decimal, system colour names); invalid when
// the text names no colour.
QColor ColorFromText(const std::string& text);

// The font a pane font record names (face, points, style bits).
QFont ToQFont(const settings::PaneFont& font);

void ApplyPaneFont(QWidget* pane, const settings::PaneFont& font, const std::string& background);

// Maps the Japanese faces the settings name ("ＭＳ ゴシック", "ＭＳ Ｐゴシック") to installed faces
// with the same metrics, so a double-byte character stays two columns wide in the report.
void InstallFontSubstitutes();

// Loads Qt's own Japanese texts, so that the file, folder, print, font and colour
// choosers speak Japanese like the rest of the program; false when none is installed.
bool InstallQtTranslations();

void ShowAboutBox(QWidget* parent);

// The dialogs' "OK" (the default button), "ｷｬﾝｾﾙ" and "ﾍﾙﾌﾟ(&H)".
struct DialogButtons {
    QPushButton* Ok;
    QPushButton* Cancel;
    QPushButton* Help;
};
DialogButtons MakeOkCancelHelp();
// The buttons side by side at a dialog's foot, to its right.
QHBoxLayout* ButtonRow(std::initializer_list<QPushButton*> buttons);

}  // namespace zarnik::ui
