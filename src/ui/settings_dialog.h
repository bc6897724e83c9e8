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

#include "settings/settings.h"

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
    explicit SettingsDialog(const settings::Settings& live, QWidget* parent = nullptr);
    ~SettingsDialog() override;

    QTabWidget* PageControl1;
    QWidget* TabSheet_Basic;
    QWidget* TabSheet_Output;

    // Page "基本".
    RadioGroup* RadioGroup_TabPos;
    RadioGroup* RadioGroup_TabDsp;
    QPushButton* Button_FontFold;
    ColorButton* Button_ColorFold;
    QPushButton* Button_FontMemo;
    ColorButton* Button_ColorMemo;
    QPushButton* Button_FontRslt;
    ColorButton* Button_ColorRslt;
    QCheckBox* CheckBox_Subfol;
    QCheckBox* CheckBox_EucJis;
    QCheckBox* CheckBox_Utf8Src;
    RadioGroup* RadioGroup_VsSrc;
    QPushButton* Button_Ext;
    RadioGroup* RadioGroup_InCmnt;
    QCheckBox* CheckBox_AstaOnly;
    QCheckBox* CheckBox_RemCmt;
    QCheckBox* CheckBox_Kg_Cmt;
    QCheckBox* CheckBox_Kg_Non;

    // Page "出力関連".
    QCheckBox* CheckBox_HeadNA;
    QCheckBox* CheckBox_HeadDT;
    QCheckBox* CheckBox_FlSort;
    QCheckBox* CheckBox_FldNam;
    QCheckBox* CheckBox_FldSum;
    QCheckBox* CheckBox_Erfout;
    QCheckBox* CheckBox_Column[9];  // column numbers 1..9 at index 0..8
    QComboBox* ComboBox_SizeUnit;
    QLabel* Label_Preview;
    QPlainTextEdit* Memo_Preview;

    QPushButton* Button_Ok;
    QPushButton* Button_Cancel;
    QPushButton* Button_Help;

    // Seams, replaced by tests. ChooseFont gets the pane's font and returns true with
    // the chosen one; ChooseColor likewise; AskBlankLineWarning returns
    // QMessageBox::Yes or No; RunExtDialog shows the extension dialog modally.
    std::function<bool(settings::PaneFont& font)> ChooseFont;
    std::function<bool(QColor& color)> ChooseColor;
    std::function<int(const QString& text)> AskBlankLineWarning;
    std::function<void(ExtensionDialog& dialog)> RunExtDialog;
    // The clock of the preview's date and sample time.
    std::function<std::time_t()> Now = [] { return std::time(nullptr); };

    // The working copy. After a confirmed close it also holds the tab placement and
    // the background colours, ready to become the live record.
    const settings::Settings& Work() const { return work_; }
    bool Confirmed() const { return confirmed_; }

    // The preview text as built from the working copy (Shift-JIS lines joined by CR LF).
    void RebuildPreview();
    int PreviewBuilds() const { return previewBuilds_; }

    void Button_OkClick();
    void Button_CancelClick();
    void Button_HelpClick();
    void Button_ExtClick();

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

    void BuildBasicPage();
    void BuildOutputPage();
    void LoadControls();
    void ConnectControls();
    void ChooseFontFor(Pane& pane);
    void ChooseColorFor(Pane& pane);
    void ShowPaneFont(const Pane& pane);
    void TakeResultLook();
    void CollectOnConfirm();

    settings::Settings work_;
    bool confirmed_ = false;
    int previewBuilds_ = 0;
    Pane panes_[3]{};
};

// The font chooser: face, size, style and a text colour; true when confirmed.
bool ChooseFontDialog(QWidget* parent, settings::PaneFont& font);

}  // namespace zarnik::ui
