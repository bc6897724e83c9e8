// The help viewer: an HTML help file beside the program, one anchor per topic.
#pragma once

#include <QPointer>
#include <QString>
#include <QTextBrowser>

namespace zarnik::ui {

class HelpViewer {
public:
    void SetHelpFile(const QString& path) { helpFile_ = path; }
    const QString& HelpFile() const { return helpFile_; }

    void ShowContents();
    void ShowTopic(int topic);
    // A small window over the dialog `over` that takes no input from it: Escape, any
    // click, and the dialog's closing close it.
    void ShowPopup(int topic, QWidget* over);
    QWidget* Popup() const { return popup_; }
    void QuitHelp();

    // The last request, for tests: "contents", "topic 10008", "popup 10017", "quit".
    const QString& LastRequest() const { return last_; }

    static HelpViewer& Instance();

private:
    QTextBrowser* Window();
    QPointer<QTextBrowser> window_;
    QPointer<QWidget> popup_;
    QString helpFile_;
    QString last_;
};

}  // namespace zarnik::ui
