#include "ui/change_dialog.h"

#include <QButtonGroup>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "run/git_refs.h"
#include "ui/help_viewer.h"
#include "ui/qt_text.h"
#include "ui/target_entry.h"
#include "ui/ui_style.h"

namespace zarnik::ui {

namespace {

const QString& FolderMessage() {
    static const QString text = QStringLiteral(
        "比較する旧ﾊﾞｰｼﾞｮﾝと新ﾊﾞｰｼﾞｮﾝのｿｰｽを、ﾌｫﾙﾀﾞ・ﾌｧｲﾙ・\n"
        "ﾜｲﾙﾄﾞｶｰﾄﾞのいずれかで指定してください。");
    return text;
}

const QString& RevisionMessage() {
    static const QString text = QStringLiteral(
        "比較するGitﾘﾎﾟｼﾞﾄﾘのﾌｫﾙﾀﾞと、旧ﾊﾞｰｼﾞｮﾝと新ﾊﾞｰｼﾞｮﾝの\n"
        "ﾘﾋﾞｼﾞｮﾝ(ﾌﾞﾗﾝﾁ・ﾀｸﾞ・ｺﾐｯﾄ)を指定してください。");
    return text;
}

QPushButton* MakeBrowseButton() {
    auto* ref = new QPushButton(QStringLiteral("参照..."));
    ref->setAutoDefault(false);
    return ref;
}

}  // namespace

ChangeCountDialog::ChangeCountDialog(const QString& oldTarget, const QString& newTarget,
                                     std::string& browseFolder, Prompts& prompts, QWidget* parent)
    : QDialog(parent), browseFolder_(browseFolder), prompts_(prompts) {
    setObjectName(QStringLiteral("ChangeCountDialog"));
    setWindowTitle(QStringLiteral("差分カウント"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    messageLabel = new QLabel(FolderMessage());
    messageLabel->setTextFormat(Qt::PlainText);

    folderRadio = new QRadioButton(QStringLiteral("ﾌｫﾙﾀﾞ(&F)"));
    revisionRadio = new QRadioButton(QStringLiteral("ﾘﾋﾞｼﾞｮﾝ(&R)"));
    folderRadio->setChecked(true);
    auto* forms = new QButtonGroup(this);
    forms->addButton(folderRadio);
    forms->addButton(revisionRadio);
    connect(revisionRadio, &QRadioButton::toggled, this, &ChangeCountDialog::ShowForm);
    auto* choice = new QHBoxLayout;
    choice->addWidget(folderRadio);
    choice->addWidget(revisionRadio);
    choice->addStretch();

    auto* folderPage = new QWidget;
    folderPage->setObjectName(QStringLiteral("folderPage"));
    auto* grid = new QGridLayout(folderPage);
    grid->setContentsMargins(0, 0, 0, 0);
    auto addRow = [&](int row, const QString& caption, const QString& text, const char* name) {
        auto* label = new QLabel(caption);
        auto* edit = new QLineEdit(text);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 52);
        label->setBuddy(edit);
        QPushButton* ref = MakeBrowseButton();
        connect(ref, &QPushButton::clicked, this, [this, edit] { Browse(edit); });
        connect(edit, &QLineEdit::textChanged, this, &ChangeCountDialog::UpdateOk);
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        grid->addWidget(ref, row, 2);
        return std::pair{edit, ref};
    };
    std::tie(oldEdit, oldBrowseButton) = addRow(0, QStringLiteral("旧ﾊﾞｰｼﾞｮﾝ(&O):"), oldTarget, "oldEdit");
    std::tie(newEdit, newBrowseButton) = addRow(1, QStringLiteral("新ﾊﾞｰｼﾞｮﾝ(&N):"), newTarget, "newEdit");
    grid->setColumnStretch(1, 1);

    auto [ok, cancel, help] = MakeOkCancelHelp();
    okButton = ok;
    cancelButton = cancel;
    helpButton = help;
    for (QPushButton* b : {okButton, cancelButton, helpButton}) b->setFixedWidth(75);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton, &QPushButton::clicked, this, &ChangeCountDialog::OnHelpClicked);
    QHBoxLayout* buttons = ButtonRow({okButton, cancelButton, helpButton});

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(messageLabel);
    layout->addLayout(choice);
    layout->addWidget(folderPage);
    layout->addWidget(MakeRevisionPage());
    layout->addSpacing(6);
    layout->addLayout(buttons);
    ShowForm();
}

QWidget* ChangeCountDialog::MakeRevisionPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("revisionPage"));
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    repositoryEdit = new QLineEdit;
    repositoryEdit->setObjectName(QStringLiteral("repositoryEdit"));
    repositoryEdit->setMinimumWidth(repositoryEdit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 52);
    repositoryBrowseButton = MakeBrowseButton();
    connect(repositoryBrowseButton, &QPushButton::clicked, this, [this] {
        Browse(repositoryEdit);
        FillRevisions();
    });
    connect(repositoryEdit, &QLineEdit::textChanged, this, &ChangeCountDialog::UpdateOk);
    connect(repositoryEdit, &QLineEdit::editingFinished, this, &ChangeCountDialog::FillRevisions);
    auto makeBox = [this](const char* name) {
        auto* box = new QComboBox;
        box->setObjectName(QString::fromLatin1(name));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        connect(box, &QComboBox::editTextChanged, this, &ChangeCountDialog::UpdateOk);
        return box;
    };
    oldRevisionBox = makeBox("oldRevisionBox");
    newRevisionBox = makeBox("newRevisionBox");
    const std::pair<QString, QWidget*> rows[] = {{QStringLiteral("ﾘﾎﾟｼﾞﾄﾘ(&P):"), repositoryEdit},
                                                 {QStringLiteral("旧ﾘﾋﾞｼﾞｮﾝ(&O):"), oldRevisionBox},
                                                 {QStringLiteral("新ﾘﾋﾞｼﾞｮﾝ(&N):"), newRevisionBox}};
    for (int row = 0; row < 3; ++row) {
        auto* label = new QLabel(rows[row].first);
        label->setBuddy(rows[row].second);
        grid->addWidget(label, row, 0);
        grid->addWidget(rows[row].second, row, 1);
    }
    grid->addWidget(repositoryBrowseButton, 0, 2);
    grid->setColumnStretch(1, 1);
    return page;
}

void ChangeCountDialog::SetRevisions(const Revisions& r) {
    repositoryEdit->setText(r.Repository);
    FillRevisions();
    oldRevisionBox->setEditText(r.Old);
    newRevisionBox->setEditText(r.New);
    revisionRadio->setChecked(r.Chosen);
    folderRadio->setChecked(!r.Chosen);
}

ChangeCountDialog::Revisions ChangeCountDialog::TakeRevisions() const {
    return {revisionRadio->isChecked(), repositoryEdit->text(), oldRevisionBox->currentText(),
            newRevisionBox->currentText()};
}

void ChangeCountDialog::FillRevisions() {
    std::vector<std::string> names;
    if (!repositoryEdit->text().isEmpty())
        names = run::RevisionNames(repositoryEdit->text().toStdString()).value_or(std::vector<std::string>{});
    QStringList items;
    for (const std::string& name : names) items.push_back(QString::fromStdString(name));
    for (QComboBox* box : {oldRevisionBox, newRevisionBox}) {
        const QString typed = box->currentText();
        box->clear();
        box->addItems(items);
        box->setEditText(typed);
    }
}

// Shows the chosen form only; the dialog is as tall as it needs.
void ChangeCountDialog::ShowForm() {
    const bool byRevision = revisionRadio->isChecked();
    findChild<QWidget*>(QStringLiteral("folderPage"))->setVisible(!byRevision);
    findChild<QWidget*>(QStringLiteral("revisionPage"))->setVisible(byRevision);
    messageLabel->setText(byRevision ? RevisionMessage() : FolderMessage());
    UpdateOk();
    // The field to fill first has the keyboard.
    if (byRevision)
        (repositoryEdit->text().isEmpty() ? static_cast<QWidget*>(repositoryEdit) : oldRevisionBox)
            ->setFocus();
    else
        (oldEdit->text().isEmpty() || !newEdit->text().isEmpty() ? oldEdit : newEdit)->setFocus();
    setMinimumHeight(0);
    setMaximumHeight(QWIDGETSIZE_MAX);
    layout()->activate();
    setFixedHeight(sizeHint().height());
}

void ChangeCountDialog::Browse(QLineEdit* field) {
    // From the folder the field names, else from the one last chosen.
    const QString current = field->text();
    const std::string start =
        !current.isEmpty() && QFileInfo(current).isDir() ? ToSjis(current) : browseFolder_;
    QString folder = BrowseForFolder(this, ZRNK_SJ("比較するｿｰｽのﾌｫﾙﾀﾞを指定してください。"), start,
                                     browseFolder_, prompts_);
    if (folder.isEmpty()) return;
    field->setText(folder);
    field->setFocus();
}

// A change count needs both versions.
void ChangeCountDialog::UpdateOk() {
    if (revisionRadio->isChecked())
        okButton->setEnabled(!repositoryEdit->text().isEmpty() && !oldRevisionBox->currentText().isEmpty() &&
                             !newRevisionBox->currentText().isEmpty());
    else
        okButton->setEnabled(!oldEdit->text().isEmpty() && !newEdit->text().isEmpty());
}

// A folder in no repository, or a revision its repository lacks, is said here,
// with the field to mend under the keyboard, rather than after a run.
bool ChangeCountDialog::RevisionsFound() {
    const std::string repository = repositoryEdit->text().toStdString();
    if (!run::RevisionNames(repository)) {
        prompts_.ShowMessage(
            this, QStringLiteral("ｴﾗｰ"),
            QStringLiteral("指定されたﾌｫﾙﾀﾞはGitﾘﾎﾟｼﾞﾄﾘの中にありません。\n") + repositoryEdit->text());
        repositoryEdit->setFocus();
        return false;
    }
    for (QComboBox* box : {oldRevisionBox, newRevisionBox}) {
        if (!run::NamesCommit(repository, box->currentText().toStdString())) {
            prompts_.ShowMessage(
                this, QStringLiteral("ｴﾗｰ"),
                QStringLiteral("指定されたﾘﾋﾞｼﾞｮﾝがﾘﾎﾟｼﾞﾄﾘにありません。\n") + box->currentText());
            box->setFocus();
            return false;
        }
    }
    return true;
}

void ChangeCountDialog::accept() {
    if (revisionRadio->isChecked() && !RevisionsFound()) return;
    QDialog::accept();
}

void ChangeCountDialog::OnHelpClicked() { HelpViewer::Instance().ShowPopup(10020, this); }

}  // namespace zarnik::ui
