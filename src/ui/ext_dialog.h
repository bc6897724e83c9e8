// ExtensionDialog: the seven extension patterns of the settings dialog's working copy.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <array>

#include "settings/settings.h"

namespace zarnik::ui {

class ExtensionDialog : public QDialog {
    Q_OBJECT
public:
    // work is the settings dialog's working copy; only its Exts change, and only on OK.
    explicit ExtensionDialog(settings::Settings& work, QWidget* parent = nullptr);

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

    settings::Settings& work_;
    std::array<QLineEdit*, settings::kExtsKeys.size()> fields_{};  // in kind order 1..7, like Exts
};

}  // namespace zarnik::ui
