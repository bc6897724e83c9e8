// The environment editor EnvironmentEditor and its name dialog EnvironmentNameDialog.
//
// The editor works on a working copy of the environment list; the main window
// copies it back into the live list only when the editor is closed with OK.
#pragma once

#include <QAction>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <cstdint>
#include <functional>
#include <string>

#include "settings/environments.h"
#include "settings/settings.h"
#include "ui/prompts.h"

namespace zarnik::ui {

// Asks for an environment's name when one is added, copied or renamed.
class EnvironmentNameDialog : public QDialog {
    Q_OBJECT
public:
    enum Mode { NewMode = 0, CopyMode = 1, RenameMode = 2 };
    static constexpr int kMaxNameBytes = 30;

    // name: the preset (Shift-JIS); addKind: the preset of the choice, 0 head, 1 end.
    EnvironmentNameDialog(int mode, const std::string& name, std::int32_t addKind, QWidget* parent = nullptr);

    // The text in the field (Shift-JIS) and the choice (0 head, 1 end), whenever asked.
    std::string Name() const;
    std::int32_t AddEntriesAtEnd() const;

    // The message above the name field; a copied name longer than 16 bytes stands on
    // its own line.
    static QString MessageText(int mode, const std::string& name);

    QLabel* messageLabel;
    QLineEdit* nameEdit;
    QGroupBox* addPlaceGroup;
    QRadioButton* addAtHeadButton;
    QRadioButton* addAtEndButton;
    QPushButton* okButton;
    QPushButton* cancelButton;
    QPushButton* helpButton;

protected:
    void showEvent(QShowEvent* e) override;
    // F1 shows the dialog's help, as its ﾍﾙﾌﾟ button does.
    void keyPressEvent(QKeyEvent* e) override;
};

// "対象ｿｰｽﾌｧｲﾙ環境編集": adds, copies, renames, deletes and reorders the
// environments of a working copy.
class EnvironmentEditor : public QDialog {
    Q_OBJECT
public:
    // work: the working copy; addKind: the remembered place for new environments;
    // placement: the editor's bounds, whose size is used and which takes the bounds
    // back when the editor closes; index: the item selected when it is shown;
    // prompts: runs the name dialog and asks the delete question.
    EnvironmentEditor(settings::EnvList& work, std::int32_t& addKind, settings::Rect& placement, int index,
                      Prompts& prompts = DesktopPrompts(), QWidget* parent = nullptr);

    // The index selected when OK was pressed (-1 when none was).
    int SelectedIndex() const { return selectedIndex_; }

    QGroupBox* environmentGroup;
    QListWidget* environmentList;
    QPushButton* addButton;
    QPushButton* copyButton;
    QPushButton* renameButton;
    QPushButton* deleteButton;
    QPushButton* upButton;
    QPushButton* downButton;
    QPushButton* okButton;
    QPushButton* cancelButton;
    QPushButton* helpButton;
    QMenu* PopupMenu;
    QAction* menuAddAction;
    QAction* menuCopyAction;
    QAction* menuRenameAction;
    QAction* menuDeleteAction;
    QAction* menuUpAction;
    QAction* menuDownAction;

    void OnAddClicked();
    void OnCopyClicked();
    void OnRenameClicked();
    void OnDeleteClicked();
    void OnUpClicked();
    void OnDownClicked();
    void OnOkClicked();
    void UpdateEnabling();

protected:
    void showEvent(QShowEvent* e) override;
    void done(int r) override;
    // F1 shows the editor's help, as its ﾍﾙﾌﾟ button does.
    void keyPressEvent(QKeyEvent* e) override;

private:
    // Adds an environment named in the name dialog (mode 0 or 1) at the chosen
    // place and selects it; returns its id, or 0 when the dialog was cancelled.
    std::int32_t AddFromDialog(int mode, const std::string& preset);
    void SelectRow(int row);
    void MoveSelected(int step);
    void PlaceCentred();
    void BuildLayout();
    void BuildPopupMenu();
    void ConnectButtons();

    settings::EnvList& work_;
    std::int32_t& addKind_;
    settings::Rect& placement_;
    int startIndex_;
    Prompts& prompts_;
    int selectedIndex_ = -1;
};

}  // namespace zarnik::ui
