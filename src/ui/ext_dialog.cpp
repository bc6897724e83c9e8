#include "ui/ext_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "ui/help_viewer.h"
#include "ui/qt_text.h"
#include "ui/ui_style.h"

namespace zarnik::ui {

Form_Extset::Form_Extset(settings::S_CNF& work, QWidget* parent) : QDialog(parent), work_(work) {
    setObjectName(QStringLiteral("Form_Extset"));
    setWindowTitle(QStringLiteral("拡張子指定"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    auto makeField = [this](int kind, const char* name) {
        auto* e = new QLineEdit;
        e->setObjectName(QString::fromLatin1(name));
        const QString text = ToQ(work_.Exts[kind - 1]);
        // A longer pattern from a hand-edited INI file is shown whole: cutting it to
        // the field's length would lose it on OK.
        e->setMaxLength(std::max<int>(kFieldLength, static_cast<int>(text.size())));
        e->setText(text);
        e->setMinimumWidth(e->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
        fields_[kind - 1] = e;
        return e;
    };
    Edit_Ched = makeField(1, "Edit_Ched");
    Edit_Csrc = makeField(2, "Edit_Csrc");
    Edit_Ahed = makeField(3, "Edit_Ahed");
    Edit_Asrc = makeField(4, "Edit_Asrc");
    Edit_Java = makeField(5, "Edit_Java");
    Edit_Qsrc = makeField(6, "Edit_Qsrc");
    Edit_Bsrc = makeField(7, "Edit_Bsrc");

    struct Row {
        const char* label;
        QLineEdit* edit;
    };
    auto group = [](const char* caption, std::initializer_list<Row> rows) {
        auto* box = new QGroupBox(QString::fromUtf8(caption));
        auto* grid = new QGridLayout(box);
        int r = 0;
        for (const Row& row : rows) {
            auto* label = new QLabel(QString::fromUtf8(row.label));
            label->setBuddy(row.edit);
            grid->addWidget(label, r, 0);
            grid->addWidget(row.edit, r, 1);
            ++r;
        }
        grid->setColumnStretch(1, 1);
        return box;
    };
    auto* groups = new QVBoxLayout;
    groups->addWidget(group("Ｃ、Ｃ＋＋", {{"ソースの拡張子", Edit_Csrc}, {"ヘッダの拡張子", Edit_Ched}}));
    groups->addWidget(group("アセンブラ", {{"ソースの拡張子", Edit_Asrc}, {"ヘッダの拡張子", Edit_Ahed}}));
    groups->addWidget(group("Ｊａｖａ", {{"ソースの拡張子", Edit_Java}}));
    groups->addWidget(group("PL/SQL", {{"ソースの拡張子", Edit_Qsrc}}));
    groups->addWidget(group("VB(BASIC)", {{"ソースの拡張子", Edit_Bsrc}}));

    auto [ok, cancel, help] = MakeOkCancelHelp();
    Button_Ok = ok;
    Button_Cancel = cancel;
    Button_Help = help;
    connect(Button_Ok, &QPushButton::clicked, this, &Form_Extset::Button_OkClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button_Help, &QPushButton::clicked, this, &Form_Extset::Button_HelpClick);
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

void Form_Extset::Button_OkClick() {
    // Taken exactly as typed: the patterns are only read when the lists are rebuilt.
    for (int i = 0; i < 7; ++i) work_.Exts[i] = ToSjis(fields_[i]->text());
    accept();
}

void Form_Extset::Button_HelpClick() { HelpViewer::Instance().ShowPopup(10017, this); }

}  // namespace zarnik::ui
