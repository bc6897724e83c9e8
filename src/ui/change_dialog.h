// ChangeCountDialog: the old and the new version a change count compares, each one target
// line (a folder, a file or a pattern), typed or picked with the folder browser.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <functional>

namespace zarnik::ui {

class ChangeCountDialog : public QDialog {
    Q_OBJECT
public:
    // oldTarget, newTarget: the lines the fields start with (as the file system names things).
    ChangeCountDialog(const QString& oldTarget, const QString& newTarget, QWidget* parent = nullptr);

    QLabel* messageLabel;
    QLineEdit* oldEdit;
    QLineEdit* newEdit;
    QPushButton* oldBrowseButton;
    QPushButton* newBrowseButton;
    QPushButton* okButton;
    QPushButton* cancelButton;
    QPushButton* helpButton;

    // Opens the folder browser for a field holding current; the folder chosen, or
    // empty when none was. Without it the 参照 buttons do nothing.
    std::function<QString(const QString& current)> BrowseFolder;

    // The lines exactly as typed: a blank may begin or end a name.
    QString OldTarget() const { return oldEdit->text(); }
    QString NewTarget() const { return newEdit->text(); }

    void OnHelpClicked();

private:
    void Browse(QLineEdit* field);
    void UpdateOk();
};

}  // namespace zarnik::ui
