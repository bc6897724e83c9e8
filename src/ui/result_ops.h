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

enum class WriteResult { Ok, CannotCreate, WriteFailed };

// Creates or replaces the file at nativePath with the lines (ResultFileBytes).
WriteResult WriteResultFile(const std::string& nativePath, const std::vector<std::string>& lines);
// Creates or replaces the file at nativePath with bytes.
WriteResult WriteFileBytes(const std::string& nativePath, const std::string& bytes);
// WriteFileBytes for a file the user named in the save dialog; false with the
// message to show when it could not be written.
bool WriteSavedFile(const QString& path, const std::string& bytes, QString& error);

// The clipboard's text: every line followed by CR LF, the last one too.
QString ClipboardText(const QStringList& lines);

// The save dialog made ready to show: title, the two file types, no question
// before replacing a file, no extension added; folder empty = not preset.
void ConfigureSaveDialog(QFileDialog& dialog, const QString& folder);

}  // namespace zarnik::ui
