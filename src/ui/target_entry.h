// Target entry: the open dialog's file-type filter, folder parts of paths, lines
// added to a pane, dropped paths, and the file dialogs' Qt side.
#pragma once

#include <QFileDialog>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/language_table.h"
#include "engine/source_kind.h"
#include "settings/settings.h"

namespace zarnik::ui {

class FolderBrowser;
class Prompts;

// One entry of a file dialog's type list (Shift-JIS): the text shown and the
// patterns separated by ";" (empty when the entry has none).
struct FilterEntry {
    std::string Description;
    std::string Patterns;
    bool operator==(const FilterEntry&) const = default;
};

// The open dialog's entries, from the current extension patterns: all sources,
// one per built-in language (C, assembler, Java, PL/SQL, BASIC), then one per
// language of languages (the table's languages that are counted, with their
// patterns as set; null: none) that names extensions or file names, all files.
std::vector<FilterEntry> OpenFilterEntries(const settings::Settings& cnf,
                                           const engine::LanguageTable* languages = nullptr);

// OpenDlgIndex and the entry it selects: "all files" keeps the number 7 it has
// without the table's languages, which follow as 8, 9, ... Both 0-based positions
// among entryCount entries; a stored number out of range selects the first.
int OpenFilterPosition(std::int32_t stored, int entryCount);
std::int32_t OpenFilterNumber(int position, int entryCount);

// The save dialog's two entries: text files and all files.
std::array<FilterEntry, 2> SaveFilterEntries();

// The folder of a path (Shift-JIS or native, "/" separated): up to its last "/",
// without that "/" unless it is the root's or follows another "/". Empty when the
// path holds no "/".
std::string FolderPart(const std::string& path);

// Adds lines at the end of a pane, each on a line of its own, as one undo step:
// the last line is never joined with the first new one and no empty line comes
// between them.
void AppendLines(QPlainTextEdit* pane, const QStringList& lines);

// The program's folder browser as its commands open it: in the middle of the
// screen at start (Shift-JIS), the highlighted folder on its status line, shown
// through prompts. Returns the chosen folder exactly as the file system
// names it, and sets lastFolder to its Shift-JIS form; empty when none was chosen.
QString BrowseForFolder(QWidget* owner, const std::string& caption, const std::string& start,
                        std::string& lastFolder, Prompts& prompts);

// Puts entries into a Qt file dialog (its own widgets, so the descriptions show
// exactly as given) and selects entry index (0-based; out of range: the first).
void SetDialogFilters(QFileDialog& dialog, const std::vector<FilterEntry>& entries, int index);
// The 0-based entry the dialog has selected, or -1.
int SelectedFilter(const QFileDialog& dialog);

// What the open command asks of its dialog, and the answer.
struct OpenFilesRequest {
    QString Title;
    QString Folder;  // start folder
    std::vector<FilterEntry> Filters;
    int FilterIndex = 0;  // 0-based
};
struct OpenFilesAnswer {
    QStringList Files;    // full paths in the dialog's order
    int FilterIndex = 0;  // 0-based entry in use when the user confirmed
};

// The real open dialog: false when the user cancelled.
bool RunOpenFilesDialog(QWidget* parent, const OpenFilesRequest& request, OpenFilesAnswer& answer);
// The open dialog made ready to show (tests look at it without showing it).
void ConfigureOpenDialog(QFileDialog& dialog, const OpenFilesRequest& request);

}  // namespace zarnik::ui
