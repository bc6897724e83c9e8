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

    QLineEdit* Edit_Csrc;
    QLineEdit* Edit_Ched;
    QLineEdit* Edit_Asrc;
    QLineEdit* Edit_Ahed;
    QLineEdit* Edit_Java;
    QLineEdit* Edit_Qsrc;
    QLineEdit* Edit_Bsrc;
    QPushButton* Button_Ok;
    QPushButton* Button_Cancel;
    QPushButton* Button_Help;

    // The field of a source kind 1..7 (C header .. BASIC).
    QLineEdit* FieldOfKind(int kind) const { return fields_[kind - 1]; }

    void Button_OkClick();
    void Button_HelpClick();

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
