// ChangeCountDialog: the old and the new version a change count compares, either
// two target lines (a folder, a file or a pattern), typed or picked with the
// folder browser, or two revisions of one git repository, picked from its
// branches and tags or typed.
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <string>

#include "ui/prompts.h"

namespace zarnik::ui {

class ChangeCountDialog : public QDialog {
    Q_OBJECT
public:
    // oldTarget, newTarget: the lines the fields start with (as the file system names
    // things); browseFolder: the folder browser's last choice (Shift-JIS), where its
    // 参照 buttons start for a field that names no folder, kept up to date; prompts:
    // the folder browser and the messages saying why OK did not close the dialog.
    ChangeCountDialog(const QString& oldTarget, const QString& newTarget, std::string& browseFolder,
                      Prompts& prompts, QWidget* parent = nullptr);

    QLabel* messageLabel;
    QRadioButton* folderRadio;
    QRadioButton* revisionRadio;
    QLineEdit* oldEdit;
    QLineEdit* newEdit;
    QPushButton* oldBrowseButton;
    QPushButton* newBrowseButton;
    QLineEdit* repositoryEdit;
    QPushButton* repositoryBrowseButton;
    QComboBox* oldRevisionBox;
    QComboBox* newRevisionBox;
    QPushButton* okButton;
    QPushButton* cancelButton;
    QPushButton* helpButton;

    // The lines exactly as typed: a blank may begin or end a name.
    QString OldTarget() const { return oldEdit->text(); }
    QString NewTarget() const { return newEdit->text(); }

    // The two-revision form: a repository folder (any folder of its work tree)
    // and what git calls a revision for each version.
    struct Revisions {
        bool Chosen = false;  // the form the dialog shows
        QString Repository;
        QString Old;
        QString New;
    };
    void SetRevisions(const Revisions& r);
    Revisions TakeRevisions() const;
    // Offers the branches and tags of the repository the folder field names,
    // keeping what the revision fields hold.
    void FillRevisions();

    void accept() override;
    void OnHelpClicked();

private:
    QWidget* MakeRevisionPage();
    void Browse(QLineEdit* field);
    void ShowForm();
    void UpdateOk();
    bool RevisionsFound();

    std::string& browseFolder_;
    Prompts& prompts_;
};

}  // namespace zarnik::ui
