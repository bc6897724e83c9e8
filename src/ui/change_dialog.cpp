#include "ui/change_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <tuple>
#include <utility>

#include "ui/help_viewer.h"
#include "ui/ui_style.h"

namespace zarnik::ui {

ChangeCountDialog::ChangeCountDialog(const QString& oldTarget, const QString& newTarget, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("ChangeCountDialog"));
    setWindowTitle(QStringLiteral("差分カウント"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    messageLabel =
        new QLabel(QStringLiteral("比較する旧ﾊﾞｰｼﾞｮﾝと新ﾊﾞｰｼﾞｮﾝのｿｰｽを、ﾌｫﾙﾀﾞ・ﾌｧｲﾙ・\n"
                                  "ﾜｲﾙﾄﾞｶｰﾄﾞのいずれかで指定してください。"));
    messageLabel->setTextFormat(Qt::PlainText);

    auto* grid = new QGridLayout;
    auto addRow = [&](int row, const QString& caption, const QString& text, const char* name) {
        auto* label = new QLabel(caption);
        auto* edit = new QLineEdit(text);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 52);
        label->setBuddy(edit);
        auto* ref = new QPushButton(QStringLiteral("参照..."));
        ref->setAutoDefault(false);
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
    layout->addLayout(grid);
    layout->addSpacing(6);
    layout->addLayout(buttons);
    UpdateOk();
    // The field to fill first has the keyboard.
    (oldEdit->text().isEmpty() || !newEdit->text().isEmpty() ? oldEdit : newEdit)->setFocus();
    setFixedHeight(sizeHint().height());
}

void ChangeCountDialog::Browse(QLineEdit* field) {
    if (!BrowseFolder) return;
    QString folder = BrowseFolder(field->text());
    if (folder.isEmpty()) return;
    field->setText(folder);
    field->setFocus();
}

// A change count needs both versions.
void ChangeCountDialog::UpdateOk() {
    okButton->setEnabled(!oldEdit->text().isEmpty() && !newEdit->text().isEmpty());
}

void ChangeCountDialog::OnHelpClicked() { HelpViewer::Instance().ShowPopup(10020, this); }

}  // namespace zarnik::ui
