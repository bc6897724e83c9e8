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

    QLabel* Label_Msg;
    QLineEdit* Edit_Old;
    QLineEdit* Edit_New;
    QPushButton* Button_OldRef;
    QPushButton* Button_NewRef;
    QPushButton* Button_Ok;
    QPushButton* Button_Cancel;
    QPushButton* Button_Help;

    // Opens the folder browser for a field holding current; the folder chosen, or
    // empty when none was. Without it the 参照 buttons do nothing.
    std::function<QString(const QString& current)> BrowseFolder;

    // The lines exactly as typed: a blank may begin or end a name.
    QString OldTarget() const { return Edit_Old->text(); }
    QString NewTarget() const { return Edit_New->text(); }

    void Button_HelpClick();

private:
    void Browse(QLineEdit* field);
    void UpdateOk();
};

}  // namespace zarnik::ui
