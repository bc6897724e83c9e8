// The main window's lower part: the count results, the column-header strip above
// them, and what leaves the program from them (file, clipboard, printer).
#pragma once

#include <QFont>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QWidget>
#include <string>
#include <vector>

#include "settings/settings.h"
#include "ui/result_print.h"

class QPrinter;

namespace zarnik::ui {

class ResultView;
class RulerStrip;

// The lines are shown by a view that keeps them in one compact store and paints
// only what is visible: a text document costs more per line than counting the file
// it tells of. The first key that would edit them hands them to a text editor
// (same text, caret, selection and scroll position), which holds them until a run
// appends again or the pane is cleared.
class ResultPane : public QWidget {
    Q_OBJECT
public:
    explicit ResultPane(QWidget* parent = nullptr);

    // The widget that shows the lines now: it takes the keyboard and the mouse.
    QAbstractScrollArea* TextWidget() const;
    QLabel* HeaderStrip() const;
    // How far the header's text is scrolled left with the lines: the text widget's
    // horizontal scroll, whether or not its bar is shown.
    int HeaderOffset() const;
    bool HasLines() const;
    // The text, '\n' between lines.
    QString Text() const;
    void SetText(const QString& text);
    // Appends lines ('\n' between them) after those there, starting a new line.
    void AppendLines(const QString& text);
    void ScrollToBottom();
    void SetReadOnly(bool on);
    bool IsReadOnly() const;
    // Whether the text is in the editor, after a key that edits it.
    bool Editing() const { return editing_; }
    QFont TextFont() const;
    bool HorizontalScrollBarShown() const;
    // The lines as the save writes them (Shift-JIS).
    std::vector<std::string> Lines() const;

    // The menu the pane opens on a right click while it holds lines.
    void SetContextMenu(QMenu* menu) { menu_ = menu; }
    bool ContextMenuAttached() const { return HasLines(); }

    void Clear();
    void CopyToClipboard() const;
    // Writes the lines to path; false with the message to show when it could not.
    bool SaveTo(const QString& path, QString& error) const;
    // Prints the lines in the pane's font and colour, then what after draws, on a
    // printer set up by the caller.
    bool Print(QPrinter& printer, const PrintAfterLines& after = {}) const;

    void ApplyFont(const settings::PaneFont& font, const std::string& background);
    void ShowHorizontalScrollBar(bool on);

signals:
    // After every change of the text: whether the pane now holds lines.
    void LinesChanged(bool hasLines);

private:
    void StartEditing(QEvent* event);
    void StopEditing();
    void TextChanged();

    ResultView* view_;
    QPlainTextEdit* edit_;
    RulerStrip* header_;
    QMenu* menu_ = nullptr;
    bool editing_ = false;
};

}  // namespace zarnik::ui
