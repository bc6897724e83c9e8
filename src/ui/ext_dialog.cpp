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
    Edit_Ched = FieldOfKind(engine::CHeader);
    Edit_Csrc = FieldOfKind(engine::CSource);
    Edit_Ahed = FieldOfKind(engine::AsmHeader);
    Edit_Asrc = FieldOfKind(engine::AsmSource);
    Edit_Java = FieldOfKind(engine::Java);
    Edit_Qsrc = FieldOfKind(engine::Sql);
    Edit_Bsrc = FieldOfKind(engine::Basic);

    auto [ok, cancel, help] = MakeOkCancelHelp();
    Button_Ok = ok;
    Button_Cancel = cancel;
    Button_Help = help;
    connect(Button_Ok, &QPushButton::clicked, this, &ExtensionDialog::Button_OkClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button_Help, &QPushButton::clicked, this, &ExtensionDialog::Button_HelpClick);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(Button_Ok);
    buttons->addWidget(Button_Cancel);
    buttons->addWidget(Button_Help);
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

void ExtensionDialog::Button_OkClick() {
    // Taken exactly as typed: the patterns are only read when the lists are rebuilt.
    for (std::size_t i = 0; i < fields_.size(); ++i) work_.ExtensionPatterns[i] = ToSjis(fields_[i]->text());
    accept();
}

void ExtensionDialog::Button_HelpClick() { HelpViewer::Instance().ShowPopup(10017, this); }

void ExtensionDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) {
        Button_HelpClick();
        return;
    }
    QDialog::keyPressEvent(e);
}

}  // namespace zarnik::ui
