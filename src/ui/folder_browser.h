// FolderBrowser: the program's folder browser, a Qt folder picker with an
// instruction line, a status line and two notifications for its owner.
#pragma once

#include <QObject>
#include <QWidget>
#include <functional>
#include <string>

class QDialog;
class QFileDialog;
class QLabel;

namespace zarnik::ui {

// The picker's options. The first four come from desktops with network and
// printer trees; a file-system folder picker has no such items, so they change
// nothing here.
enum BrowseOption : unsigned {
    BrowseForComputer = 1u << 0,
    BrowseForPrinter = 1u << 1,
    BrowseNoBelowDomain = 1u << 2,
    BrowseFsAncestors = 1u << 3,
    BrowseOnlyFsDirs = 1u << 4,
    BrowseStatusText = 1u << 5,
};
using BrowseOptions = unsigned;

class FolderBrowser : public QObject {
    Q_OBJECT
public:
    explicit FolderBrowser(QWidget* owner);
    ~FolderBrowser() override;

    // OK-button requests a handler may leave in okState.
    enum { OkLeave = 0, OkEnable = 1, OkDisable = 2 };

    // picker: the picker window; okState and statusText start at 0 and empty for
    // each call; path: the folder concerned (Shift-JIS), empty when it has none.
    using BrowseEvent =
        std::function<void(QWidget* picker, int& okState, std::string& statusText, const std::string& path)>;

    std::string Caption;  // instruction above the folders (Shift-JIS)
    BrowseOptions Options = BrowseOnlyFsDirs;
    std::string Root;       // folder the picker never leaves; empty = the whole file system
    std::string Directory;  // in: folder selected at opening; out: folder chosen
    // Out: the folder chosen, exactly as the file system names it (Directory is
    // its Shift-JIS form, which may show a character as "?").
    QString ChosenPath;
    BrowseEvent OnInitialized;
    BrowseEvent OnSelectionChanged;

    // Shows the picker modally. True when the user chose a folder (Directory then
    // holds it); false otherwise, with Directory unchanged.
    bool Execute();

    // The picker while Execute runs (tests drive it), else null.
    QDialog* Picker() const { return picker_; }
    QFileDialog* Folders() const { return folders_; }
    QLabel* StatusLine() const { return status_; }

private:
    void Opened();
    void SelectionChanged(const QString& path);
    void AfterEvent(int okState, const std::string& statusText);
    bool InsideRoot(const QString& path) const;

    QWidget* owner_;
    QDialog* picker_ = nullptr;
    QFileDialog* folders_ = nullptr;
    QLabel* status_ = nullptr;
    QString root_;  // Root as a usable folder, or empty
};

}  // namespace zarnik::ui
