#include "ui/ext_dialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/counter_generic.h"
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
    top->addLayout(groups);
    if (QWidget* list = MakeLanguageList()) top->addWidget(list, 1);
    top->addLayout(buttons);
    setFixedSize(sizeHint());
}

ExtensionDialog::~ExtensionDialog() = default;

// Beside the seven: every language of the table, its pattern as stored or else the
// table's. Without a table the dialog is the seven alone.
QWidget* ExtensionDialog::MakeLanguageList() {
    languages_ = engine::InstalledLanguages();
    if (!languages_ || languages_->Table.Languages.empty()) return nullptr;
    const auto& languages = languages_->Table.Languages;
    keys_ = engine::PatternKeys(languages_->Table);

    auto* box = new QGroupBox(QStringLiteral("言語表の言語"));
    // Visible and editable also while they are not counted: the patterns can be set
    // before the switch is turned on, and the note says why nothing counts yet.
    languageNote = new QLabel(work_.AllLanguages == 1
                                  ? QStringLiteral("拡張子を変更した言語だけが設定ファイルに残ります。")
                                  : QStringLiteral("「すべての言語を数える」がオフのため、数えません。"));
    languageNote->setObjectName(QStringLiteral("languageNote"));
    languageTable = new QTableWidget(static_cast<int>(languages.size()), 3);
    languageTable->setObjectName(QStringLiteral("languageTable"));
    languageTable->setHorizontalHeaderLabels(
        {QStringLiteral("言語"), QStringLiteral("種別"), QStringLiteral("拡張子")});
    languageTable->verticalHeader()->hide();
    languageTable->setSelectionMode(QAbstractItemView::SingleSelection);
    languageTable->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                                   QAbstractItemView::AnyKeyPressed);
    languageTable->setTabKeyNavigation(false);
    for (int row = 0; row < languageTable->rowCount(); ++row) {
        const engine::Language& l = languages[static_cast<std::size_t>(row)];
        const std::string& key = keys_[static_cast<std::size_t>(row)];
        auto* name = new QTableWidgetItem(QString::fromStdString(l.Name));
        auto* kind = new QTableWidgetItem(QString::fromStdString(l.Kind));
        const std::string* stored =
            key.empty() ? nullptr : settings::FindLanguagePattern(work_.LanguagePatterns, key);
        auto* pattern =
            new QTableWidgetItem(stored ? ToQ(*stored) : QString::fromStdString(l.ExtensionPattern));
        name->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        kind->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        if (key.empty()) {
            pattern->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            pattern->setToolTip(
                QStringLiteral("設定ファイルに書けない名前のため、言語表の拡張子で数えます。"));
        } else {
            pattern->setToolTip(QStringLiteral("言語表: ") + QString::fromStdString(l.ExtensionPattern));
        }
        languageTable->setItem(row, kNameColumn, name);
        languageTable->setItem(row, kKindColumn, kind);
        languageTable->setItem(row, kPatternColumn, pattern);
    }
    // Rows of one text line; the patterns take the room the name and kind leave,
    // a long one is cut at the edge and shown whole while it is edited.
    languageTable->verticalHeader()->setDefaultSectionSize(languageTable->fontMetrics().height() + 6);
    languageTable->resizeColumnToContents(kNameColumn);
    languageTable->resizeColumnToContents(kKindColumn);
    languageTable->horizontalHeader()->setStretchLastSection(true);
    languageTable->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int x = languageTable->fontMetrics().horizontalAdvance(QLatin1Char('x'));
    languageTable->setMinimumWidth(languageTable->columnWidth(kNameColumn) +
                                   languageTable->columnWidth(kKindColumn) + 44 * x);

    tableDefaultButton = new QPushButton(QStringLiteral("言語表の拡張子に戻す(&T)"));
    tableDefaultButton->setObjectName(QStringLiteral("tableDefaultButton"));
    tableDefaultButton->setAutoDefault(false);
    tableDefaultButton->setEnabled(false);
    connect(languageTable, &QTableWidget::currentCellChanged, this, [this](int row) {
        tableDefaultButton->setEnabled(row >= 0 && !keys_[static_cast<std::size_t>(row)].empty());
    });
    connect(tableDefaultButton, &QPushButton::clicked, this, [this] {
        const int row = languageTable->currentRow();
        if (row < 0) return;
        const engine::Language& l = languages_->Table.Languages[static_cast<std::size_t>(row)];
        languageTable->item(row, kPatternColumn)->setText(QString::fromStdString(l.ExtensionPattern));
    });
    auto* footer = new QHBoxLayout;
    footer->addStretch(1);
    footer->addWidget(tableDefaultButton);
    auto* layout = new QVBoxLayout(box);
    layout->addWidget(languageNote);
    layout->addWidget(languageTable, 1);
    layout->addLayout(footer);
    return box;
}

// A language whose pattern names the table's extensions keeps no key of its own;
// keys of languages this table lacks stay as they are.
void ExtensionDialog::TakeLanguagePatterns() {
    if (!languageTable) return;
    languageTable->setCurrentIndex(QModelIndex());  // an open cell editor hands in its text
    for (int row = 0; row < languageTable->rowCount(); ++row) {
        const std::string& key = keys_[static_cast<std::size_t>(row)];
        if (key.empty()) continue;
        const engine::Language& l = languages_->Table.Languages[static_cast<std::size_t>(row)];
        settings::SetLanguagePattern(work_.LanguagePatterns, key,
                                     ToSjis(languageTable->item(row, kPatternColumn)->text()),
                                     l.ExtensionPattern);
    }
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
    TakeLanguagePatterns();
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
