// The main window's lower part: the count results, the column-header strip above
// them, and what leaves the program from them (file, clipboard, printer).
#pragma once

#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QWidget>
#include <string>
#include <vector>

#include "settings/settings.h"

class QPrinter;

namespace zarnik::ui {

class ResultPane : public QWidget {
    Q_OBJECT
public:
    explicit ResultPane(QWidget* parent = nullptr);
    // Characters of a selection beyond which a copy carries plain text only.
    static constexpr int kRichCopyLimit = 200'000;

    QPlainTextEdit* Edit() const { return edit_; }
    QLabel* HeaderStrip() const { return header_; }
    bool HasLines() const { return !edit_->document()->isEmpty(); }
    // The lines as the save writes them (Shift-JIS).
    std::vector<std::string> Lines() const;

    // The menu the pane opens on a right click while it holds lines.
    void SetContextMenu(QMenu* menu) { menu_ = menu; }
    bool ContextMenuAttached() const { return HasLines(); }

    void Clear();
    void CopyToClipboard() const;
    // Writes the lines to path; false with the message to show when it could not.
    bool SaveTo(const QString& path, QString& error) const;
    // Prints the lines in the pane's font and colour on a printer set up by the caller.
    bool Print(QPrinter& printer) const;

    void ApplyFont(const settings::S_SVFINF& font, const std::string& background);
    void ShowHorizontalScrollBar(bool on);

signals:
    // After every change of the text: whether the pane now holds lines.
    void LinesChanged(bool hasLines);

private:
    QPlainTextEdit* edit_;
    QLabel* header_;
    QMenu* menu_ = nullptr;
};

}  // namespace zarnik::ui
