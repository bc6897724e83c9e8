#include "ui/ext_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/source_kind.h"
#include "ui/help_viewer.h"
#include "ui/kind_labels.h"
#include "ui/qt_text.h"
#include "ui/ui_style.h"

namespace zarnik::ui {

ExtensionDialog::ExtensionDialog(settings::Settings& work, QWidget* parent) : QDialog(parent), work_(work) {
    setObjectName(QStringLiteral("ExtensionDialog"));
    setWindowTitle(QStringLiteral("拡張子指定"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    // One group per language: its source pattern, then its header patterns.
    auto* groups = new QVBoxLayout;
    for (int language = 1; language < settings::kKindCount; ++language) {
        if (!engine::IsLanguage(language)) continue;
        auto* box =
            new QGroupBox(QString::fromUtf8(kKindLabels[static_cast<std::size_t>(language)].GroupCaption));
        auto* grid = new QGridLayout(box);
        int row = 0;
        auto addRow = [&](int kind, const char* label) {
            auto* text = new QLabel(QString::fromUtf8(label));
            QLineEdit* field = MakeField(kind);
            text->setBuddy(field);
            grid->addWidget(text, row, 0);
            grid->addWidget(field, row, 1);
            ++row;
        };
        addRow(language, "ソースの拡張子");
        for (int kind = 1; kind < settings::kKindCount; ++kind)
            if (kind != language && engine::KindTable(kind).Language == language)
                addRow(kind, "ヘッダの拡張子");
        grid->setColumnStretch(1, 1);
        groups->addWidget(box);
    }
    cHeaderEdit = FieldOfKind(engine::CHeader);
    cSourceEdit = FieldOfKind(engine::CSource);
    asmHeaderEdit = FieldOfKind(engine::AsmHeader);
    asmSourceEdit = FieldOfKind(engine::AsmSource);
    javaEdit = FieldOfKind(engine::Java);
    sqlEdit = FieldOfKind(engine::Sql);
    basicEdit = FieldOfKind(engine::Basic);

    auto [ok, cancel, help] = MakeOkCancelHelp();
    okButton = ok;
    cancelButton = cancel;
    helpButton = help;
    connect(okButton, &QPushButton::clicked, this, &ExtensionDialog::OnOkClicked);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton, &QPushButton::clicked, this, &ExtensionDialog::OnHelpClicked);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    buttons->addWidget(helpButton);
    buttons->addStretch(1);

    auto* top = new QHBoxLayout(this);
    top->addLayout(groups, 1);
    top->addLayout(buttons);
    setFixedSize(sizeHint());
}

QLineEdit* ExtensionDialog::MakeField(int kind) {
    auto* e = new QLineEdit;
    e->setObjectName(QStringLiteral("Edit_") + QString::fromLatin1(engine::KindTable(kind).ExtKey));
    const QString text = ToQ(work_.ExtensionPatterns[kind - 1]);
    // A longer pattern from a hand-edited INI file is shown whole: cutting it to
    // the field's length would lose it on OK.
    e->setMaxLength(std::max<int>(kFieldLength, static_cast<int>(text.size())));
    e->setText(text);
    e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
    fields_[kind - 1] = e;
    return e;
}

void ExtensionDialog::OnOkClicked() {
    // Taken exactly as typed: the patterns are only read when the lists are rebuilt.
    for (std::size_t i = 0; i < fields_.size(); ++i) work_.ExtensionPatterns[i] = ToSjis(fields_[i]->text());
    accept();
}

void ExtensionDialog::OnHelpClicked() { HelpViewer::Instance().ShowPopup(10017, this); }

void ExtensionDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) {
        OnHelpClicked();
        return;
    }
    QDialog::keyPressEvent(e);
}

}  // namespace zarnik::ui
