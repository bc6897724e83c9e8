// The help viewer: an HTML help file beside the program, one anchor per topic.
#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <QTextBrowser>

namespace zarnik::ui {

// Where a window of the given size (frame included) opens beside the window at
// asker, within the screen's area: right of it, else left, below or above it; else
// narrowed or lowered into the room that shows the most of it (down to a usable
// size); else over the asker on its side with the most room.
QRect BesideRect(const QRect& asker, QSize size, const QRect& area);

class HelpViewer {
public:
    void SetHelpFile(const QString& path) { helpFile_ = path; }
    const QString& HelpFile() const { return helpFile_; }

    // The help window opens beside the window that asked and comes to the front with
    // the keyboard; Escape closes it. Asked for from a modal dialog, it belongs to
    // that dialog (and closes with it), so that the dialog leaves it usable.
    void ShowContents();
    void ShowTopic(int topic);
    QTextBrowser* Window() const { return window_; }
    // A small window over the dialog `over` that takes no input from it: Escape, any
    // click, and the dialog's closing close it.
    void ShowPopup(int topic, QWidget* over);
    QWidget* Popup() const { return popup_; }
    void QuitHelp();

    // The last request, for tests: "contents", "topic 10008", "popup 10017", "quit".
    const QString& LastRequest() const { return last_; }

    static HelpViewer& Instance();

private:
    QTextBrowser* OpenWindow();
    QPointer<QTextBrowser> window_;
    QPointer<QWidget> popup_;
    QString helpFile_;
    QString last_;
};

}  // namespace zarnik::ui
