// ExtensionDialog: the seven extension patterns of the settings dialog's working
// copy, and the patterns of the language table's languages.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace zarnik::engine {
struct LanguageSet;
}

namespace zarnik::ui {

class ExtensionDialog : public QDialog {
    Q_OBJECT
public:
    // work is the settings dialog's working copy; only its Exts and its languages'
    // patterns change, and only on OK. The languages are those of the installed table.
    explicit ExtensionDialog(settings::Settings& work, QWidget* parent = nullptr);
    ~ExtensionDialog() override;

    QLineEdit* cSourceEdit;
    QLineEdit* cHeaderEdit;
    QLineEdit* asmSourceEdit;
    QLineEdit* asmHeaderEdit;
    QLineEdit* javaEdit;
    QLineEdit* sqlEdit;
    QLineEdit* basicEdit;
    QPushButton* okButton;
    QPushButton* cancelButton;
    QPushButton* helpButton;
    // The table's languages in table order, null without a table: name, kind and
    // the pattern, which is edited.
    QTableWidget* languageTable = nullptr;
    QLabel* languageNote = nullptr;
    QPushButton* tableDefaultButton = nullptr;  // the current language's pattern back to the table's

    enum LanguageColumn { kNameColumn, kKindColumn, kPatternColumn };

    // The field of a source kind 1..7 (C header .. BASIC).
    QLineEdit* FieldOfKind(int kind) const { return fields_[kind - 1]; }

    void OnOkClicked();
    void OnHelpClicked();

    static constexpr int kFieldLength = 80;

protected:
    // F1 shows the dialog's help, as its ﾍﾙﾌﾟ button does.
    void keyPressEvent(QKeyEvent* e) override;

private:
    QLineEdit* MakeField(int kind);
    QWidget* MakeLanguageList();
    void TakeLanguagePatterns();

    settings::Settings& work_;
    std::shared_ptr<const engine::LanguageSet> languages_;
    std::vector<std::string> keys_;  // each language's INI key; empty: it cannot be stored
    std::array<QLineEdit*, settings::kExtsKeys.size()> fields_{};  // in kind order 1..7, like Exts
};

}  // namespace zarnik::ui
