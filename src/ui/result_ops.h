// The result pane's text as it leaves the program: the saved file and the
// clipboard.
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <string>
#include <vector>

namespace zarnik::ui {

// Every line followed by CR LF, nothing else (no byte-order mark).
std::string ResultFileBytes(const std::vector<std::string>& lines);

// Creates or replaces the file the user named in the save dialog with bytes; false
// with the message to show when it could not be created or written.
bool WriteSavedFile(const QString& path, const std::string& bytes, QString& error);

// The clipboard's text from the pane's: every line (as TextLines splits it)
// followed by CR LF, the last one too.
QString ClipboardText(const QString& paneText);

// The save dialog made ready to show: title, the two file types, no question
// before replacing a file, no extension added; folder empty = not preset.
void ConfigureSaveDialog(QFileDialog& dialog, const QString& folder);

// A data save's dialog: the same, with a title of its own, its type first and
// its suffix added to a name typed without an extension.
void ConfigureDataSaveDialog(QFileDialog& dialog, const QString& folder, const QString& title,
                             const std::string& typeName, const char* pattern, const QString& suffix);
// The csv save's (".csv").
void ConfigureCsvSaveDialog(QFileDialog& dialog, const QString& folder);
// The workbook save's: the Excel type first, ".xlsx" added the same way.
void ConfigureXlsxSaveDialog(QFileDialog& dialog, const QString& folder);

// The HTML save's dialog: as the csv's, with the HTML type and ".html".
void ConfigureHtmlSaveDialog(QFileDialog& dialog, const QString& folder);

}  // namespace zarnik::ui
