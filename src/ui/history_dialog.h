// HistoryCountDialog: what a history count counts: a target line in a git
// repository (a folder of its work tree, a file or a pattern), the commits (a
// revision or a range A..B; empty: every commit up to HEAD) and whether only the
// tagged ones.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <string>

#include "run/git_history.h"
#include "ui/prompts.h"

namespace zarnik::ui {

class HistoryCountDialog : public QDialog {
    Q_OBJECT
public:
    // browseFolder: the folder browser's last choice (Shift-JIS), kept up to date;
    // prompts: the folder browser and the message saying why OK did not close it.
    HistoryCountDialog(const run::HistoryInput& start, std::string& browseFolder, Prompts& prompts,
                       QWidget* parent = nullptr);

    QLineEdit* targetEdit;
    QPushButton* browseButton;
    QLineEdit* rangeEdit;
    QCheckBox* tagsOnlyBox;
    QPushButton* okButton;
    QPushButton* cancelButton;

    run::HistoryInput Input() const;
    void accept() override;

private:
    std::string& browseFolder_;
    Prompts& prompts_;
};

}  // namespace zarnik::ui
