// Column widths of Qt's own file dialogs.
#pragma once

class QFileDialog;

namespace zarnik::ui {

// Fits the detail view's size, type and date columns to what they show, each time a
// folder has been read: Qt sizes them for short texts, which cut a size in megabytes
// or a date and time to "36…iB" and "2026/1…".
void FitFileDialogColumns(QFileDialog& dialog);

}  // namespace zarnik::ui
