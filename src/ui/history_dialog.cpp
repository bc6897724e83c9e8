#include "ui/history_dialog.h"

#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "run/git_refs.h"
#include "ui/qt_text.h"
#include "ui/target_entry.h"
#include "ui/ui_style.h"

namespace zarnik::ui {

HistoryCountDialog::HistoryCountDialog(const run::HistoryInput& start, std::string& browseFolder,
                                       Prompts& prompts, QWidget* parent)
    : QDialog(parent), browseFolder_(browseFolder), prompts_(prompts) {
    setObjectName(QStringLiteral("HistoryCountDialog"));
    setWindowTitle(QStringLiteral("履歴カウント"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* message =
        new QLabel(QStringLiteral("Gitﾘﾎﾟｼﾞﾄﾘの中のｿｰｽを、ﾌｫﾙﾀﾞ・ﾌｧｲﾙ・ﾜｲﾙﾄﾞｶｰﾄﾞのいずれかで\n"
                                  "指定してください。各ｺﾐｯﾄの時点の合計をｶｳﾝﾄします。"));
    message->setTextFormat(Qt::PlainText);

    targetEdit = new QLineEdit(QString::fromStdString(start.Target));
    targetEdit->setObjectName(QStringLiteral("targetEdit"));
    targetEdit->setMinimumWidth(targetEdit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 52);
    browseButton = new QPushButton(QStringLiteral("参照..."));
    browseButton->setAutoDefault(false);
    connect(browseButton, &QPushButton::clicked, this, [this] {
        const QString current = targetEdit->text();
        const std::string from =
            !current.isEmpty() && QFileInfo(current).isDir() ? ToSjis(current) : browseFolder_;
        const QString folder = BrowseForFolder(this, ZRNK_SJ("ｶｳﾝﾄするｿｰｽのﾌｫﾙﾀﾞを指定してください。"), from,
                                               browseFolder_, prompts_);
        if (folder.isEmpty()) return;
        targetEdit->setText(folder);
        targetEdit->setFocus();
    });
    rangeEdit = new QLineEdit(QString::fromStdString(start.Range));
    rangeEdit->setObjectName(QStringLiteral("rangeEdit"));
    rangeEdit->setPlaceholderText(QStringLiteral("空欄: HEADまでの全ｺﾐｯﾄ  例: v1.0..HEAD"));
    tagsOnlyBox = new QCheckBox(QStringLiteral("ﾀｸﾞの付いたｺﾐｯﾄだけ(&T)"));
    tagsOnlyBox->setObjectName(QStringLiteral("tagsOnlyBox"));
    tagsOnlyBox->setChecked(start.TagsOnly);

    auto* grid = new QGridLayout;
    auto* targetLabel = new QLabel(QStringLiteral("ｿｰｽ(&S):"));
    targetLabel->setBuddy(targetEdit);
    auto* rangeLabel = new QLabel(QStringLiteral("ｺﾐｯﾄ(&M):"));
    rangeLabel->setBuddy(rangeEdit);
    grid->addWidget(targetLabel, 0, 0);
    grid->addWidget(targetEdit, 0, 1);
    grid->addWidget(browseButton, 0, 2);
    grid->addWidget(rangeLabel, 1, 0);
    grid->addWidget(rangeEdit, 1, 1);
    grid->addWidget(tagsOnlyBox, 2, 1);
    grid->setColumnStretch(1, 1);

    auto [ok, cancel, help] = MakeOkCancelHelp();
    okButton = ok;
    cancelButton = cancel;
    delete help;  // the help file has no page of its own for it
    for (QPushButton* b : {okButton, cancelButton}) b->setFixedWidth(75);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    auto updateOk = [this] { okButton->setEnabled(!targetEdit->text().isEmpty()); };
    connect(targetEdit, &QLineEdit::textChanged, this, updateOk);
    updateOk();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(message);
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(ButtonRow({okButton, cancelButton}));
    (targetEdit->text().isEmpty() ? targetEdit : rangeEdit)->setFocus();
}

run::HistoryInput HistoryCountDialog::Input() const {
    return {targetEdit->text().toStdString(), rangeEdit->text().trimmed().toStdString(),
            tagsOnlyBox->isChecked()};
}

// A target in no repository is said here, with the field under the keyboard,
// rather than after a run.
void HistoryCountDialog::accept() {
    const QString target = targetEdit->text();
    const QString folder = QFileInfo(target).isDir() ? target : QFileInfo(target).path();
    if (!run::RevisionNames(folder.toStdString())) {
        prompts_.ShowMessage(this, QStringLiteral("ｴﾗｰ"),
                             QStringLiteral("指定されたｿｰｽはGitﾘﾎﾟｼﾞﾄﾘの中にありません。\n") + target);
        targetEdit->setFocus();
        return;
    }
    QDialog::accept();
}

}  // namespace zarnik::ui
