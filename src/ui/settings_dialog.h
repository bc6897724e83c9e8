// SettingsDialog: every counting and output option, the tab placement and the panes'
// fonts and colours, edited on a working copy with a live preview of the report.
#pragma once

#include <QButtonGroup>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <ctime>
#include <functional>
#include <vector>

#include "settings/schema.h"
#include "settings/settings.h"
#include "ui/prompts.h"

namespace zarnik::ui {

class ExtensionDialog;

// A captioned (or plain) group of exclusive radio items addressed by index.
class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& caption, const QStringList& items, int columns = 1, QWidget* parent = nullptr);

    // -1 when no item is selected.
    int ItemIndex() const { return buttons_->checkedId(); }
    // An index outside the items selects none.
    void SetItemIndex(int index);
    QRadioButton* Item(int index) const { return items_[static_cast<std::size_t>(index)]; }
    int Count() const { return static_cast<int>(items_.size()); }
    QButtonGroup* Buttons() const { return buttons_; }

private:
    QButtonGroup* buttons_;
    std::vector<QRadioButton*> items_;
};

// A flat button whose face is a colour swatch; a click or the Space key opens the chooser.
class ColorButton : public QPushButton {
    Q_OBJECT
public:
    explicit ColorButton(QWidget* parent = nullptr);
    QColor Color() const { return color_; }
    void SetColor(const QColor& c);

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QColor color_;
};

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    // live is the live settings record; the dialog copies it and never writes it.
    // prompts chooses fonts and colours, runs the extension dialog and asks the
    // blank-line question.
    explicit SettingsDialog(const settings::Settings& live, QWidget* parent = nullptr,
                            Prompts& prompts = DesktopPrompts());
    ~SettingsDialog() override;

    QTabWidget* pages_;
    QWidget* basicPage_;
    QWidget* outputPage_;

    // Page "基本".
    RadioGroup* tabPositionGroup_;
    RadioGroup* tabRowsGroup_;
    QPushButton* targetFontButton_;
    ColorButton* targetColorButton_;
    QPushButton* memoFontButton_;
    ColorButton* memoColorButton_;
    QPushButton* resultFontButton_;
    ColorButton* resultColorButton_;
    QCheckBox* subfoldersBox_;
    QCheckBox* gitIgnoreBox_;
    QCheckBox* eucJisBox_;
    QCheckBox* utf8Box_;
    RadioGroup* counterGroup_;
    QPushButton* extensionsButton_;
    RadioGroup* blankInCommentGroup_;
    QCheckBox* asteriskLineBox_;
    QCheckBox* remCommentBox_;
    QCheckBox* blankAsCommentBox_;
    QCheckBox* blankOutOfTotalBox_;
    QCheckBox* cLexerBox_;
    QCheckBox* allLanguagesBox_;

    // Page "出力関連".
    QCheckBox* headerEnvNameBox_;
    QCheckBox* headerDateBox_;
    QCheckBox* sortFilesBox_;
    QCheckBox* folderLinesBox_;
    QCheckBox* folderSubtotalsBox_;
    QCheckBox* errorLinesBox_;
    QCheckBox* columnBoxes_[9];  // column numbers 1..9 at index 0..8
    QComboBox* sizeUnitCombo_;
    QLabel* previewLabel_;
    QPlainTextEdit* preview_;

    QPushButton* okButton_;
    QPushButton* cancelButton_;
    QPushButton* helpButton_;

    // The clock of the preview's date and sample time.
    std::function<std::time_t()> Now = [] { return std::time(nullptr); };

    // The working copy. After a confirmed close it also holds the tab placement and
    // the background colours, ready to become the live record.
    const settings::Settings& Work() const { return work_; }
    bool Confirmed() const { return confirmed_; }

    // The preview text as built from the working copy (Shift-JIS lines joined by CR LF).
    void RebuildPreview();
    int PreviewBuilds() const { return previewBuilds_; }

    void OkClicked();
    void CancelClicked();
    void HelpClicked();
    void ExtensionsClicked();

    static const QString& BlankLineWarningText();

    void done(int r) override;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    struct Pane {
        settings::PaneFont settings::Settings::*Font;
        std::string settings::Settings::*Background;
        QPushButton* FontButton;
        ColorButton* Swatch;
        bool ColorChosen;
    };

    // A schema row's check box or radio group, loaded from and stored into the
    // working copy through the row.
    struct SwitchBox {
        const settings::SettingRow* Row;
        QCheckBox* Box;
    };
    struct ChoiceGroup {
        const settings::SettingRow* Row;
        RadioGroup* Group;
    };

    QCheckBox* NewSwitch(const char* key);
    RadioGroup* NewChoice(const char* section, const char* key, bool captioned = true);
    void MakePaneButtons();
    QLayout* BuildLookColumn();
    QLayout* BuildCountingColumn();
    void BuildBasicPage();
    void BuildOutputPage();
    void LoadControls();
    void ConnectControls();
    void ChooseFontFor(Pane& pane);
    void ChooseColorFor(Pane& pane);
    void ShowPaneFont(const Pane& pane);
    void TakeResultLook();
    void CollectOnConfirm();

    Prompts& prompts_;
    settings::Settings work_;
    bool confirmed_ = false;
    int previewBuilds_ = 0;
    Pane panes_[3]{};
    std::vector<SwitchBox> switches_;
    std::vector<ChoiceGroup> choices_;
};

// The font chooser: face, size, style and a text colour; true when confirmed.
bool ChooseFontDialog(QWidget* parent, settings::PaneFont& font);

}  // namespace zarnik::ui
