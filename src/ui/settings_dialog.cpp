// SettingsDialog, its font chooser, and the main window's settings command.
#include "ui/settings_dialog.h"

#include <QApplication>
#include <QBoxLayout>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QScrollBar>
#include <QStyleOptionButton>

#include "report/header.h"
#include "run/count_options.h"
#include "settings/colors.h"
#include "ui/ext_dialog.h"
#include "ui/help_viewer.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/ui_style.h"

namespace zarnik::ui {

namespace {

constexpr int kTopicBasic = 10008;
constexpr int kTopicOutput = 10009;
constexpr int kTopicDialog = 310;

QString FontCaption(const settings::PaneFont& f) {
    return ToQ(f.FaceName) + QLatin1Char(' ') + QString::number(f.PointSize) + QLatin1Char('p');
}

std::string ColorText(const QColor& c) {
    return settings::ColorToText(settings::MakeRgb(static_cast<std::uint8_t>(c.red()),
                                                   static_cast<std::uint8_t>(c.green()),
                                                   static_cast<std::uint8_t>(c.blue())));
}

// The colour a background text shows; a text that names no colour shows as the
// desktop's window colour, as the pane itself would.
QColor ShownColor(const std::string& text) {
    QColor c = ColorFromText(text);
    return c.isValid() ? c : QApplication::palette().color(QPalette::Base);
}

QFrame* Separator() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

// ---- RadioGroup, ColorButton ---------------------------------------------------

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, int columns, QWidget* parent)
    : QGroupBox(caption, parent), buttons_(new QButtonGroup(this)) {
    auto* grid = new QGridLayout(this);
    int rows = (static_cast<int>(items.size()) + columns - 1) / columns;
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i]);
        buttons_->addButton(b, i);
        grid->addWidget(b, i % rows, i / rows);
        items_.push_back(b);
    }
}

void RadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < Count()) {
        items_[static_cast<std::size_t>(index)]->setChecked(true);
        return;
    }
    buttons_->setExclusive(false);
    for (QRadioButton* b : items_) b->setChecked(false);
    buttons_->setExclusive(true);
}

ColorButton::ColorButton(QWidget* parent) : QPushButton(parent) {
    setAutoDefault(false);
    setFixedSize(60, 22);
}

void ColorButton::SetColor(const QColor& c) {
    color_ = c;
    update();
}

void ColorButton::paintEvent(QPaintEvent* e) {
    QPushButton::paintEvent(e);
    QPainter p(this);
    QRect r = rect().adjusted(5, 5, -5, -5);
    p.fillRect(r, color_);
    p.setPen(palette().color(QPalette::Dark));
    p.drawRect(r.adjusted(0, 0, -1, -1));
}

// ---- SettingsDialog -------------------------------------------------------------

SettingsDialog::SettingsDialog(const settings::Settings& live, QWidget* parent, Prompts& prompts)
    : QDialog(parent), prompts_(prompts), work_(live) {
    setObjectName(QStringLiteral("SettingsDialog"));
    setWindowTitle(QStringLiteral("設定"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    pages_ = new QTabWidget;
    pages_->setObjectName(QStringLiteral("pages"));
    basicPage_ = new QWidget;
    outputPage_ = new QWidget;
    pages_->addTab(basicPage_, QStringLiteral("基本"));
    pages_->addTab(outputPage_, QStringLiteral("出力関連"));
    BuildBasicPage();
    BuildOutputPage();

    auto [ok, cancel, help] = MakeOkCancelHelp();
    okButton_ = ok;
    cancelButton_ = cancel;
    helpButton_ = help;
    connect(okButton_, &QPushButton::clicked, this, &SettingsDialog::OkClicked);
    connect(cancelButton_, &QPushButton::clicked, this, &SettingsDialog::CancelClicked);
    connect(helpButton_, &QPushButton::clicked, this, &SettingsDialog::HelpClicked);
    QHBoxLayout* buttons = ButtonRow({okButton_, cancelButton_, helpButton_});

    auto* top = new QVBoxLayout(this);
    top->addWidget(pages_, 1);
    top->addLayout(buttons);

    LoadControls();
    ConnectControls();
    RebuildPreview();
    pages_->setCurrentIndex(0);
}

SettingsDialog::~SettingsDialog() = default;

// A check box for the Settei switch key, with the schema's text; named after the key.
QCheckBox* SettingsDialog::NewSwitch(const char* key) {
    const settings::SettingRow* row = settings::FindSetting("Settei", key);
    auto* box = new QCheckBox(QString::fromUtf8(row->Label));
    box->setObjectName(QString::fromLatin1(key));
    switches_.push_back({row, box});
    return box;
}

// A radio group with the schema's items; captioned with the row's text unless the
// caller shows that text on a frame of its own.
RadioGroup* SettingsDialog::NewChoice(const char* section, const char* key, bool captioned) {
    const settings::SettingRow* row = settings::FindSetting(section, key);
    QStringList items;
    for (const char* item : row->Items) items << QString::fromUtf8(item);
    auto* group = new RadioGroup(captioned ? QString::fromUtf8(row->Label) : QString(), items);
    group->setObjectName(QString::fromLatin1(key));
    choices_.push_back({row, group});
    return group;
}

void SettingsDialog::MakePaneButtons() {
    using settings::Settings;
    panes_[0] = {&Settings::TargetFont, &Settings::TargetBackground, nullptr, nullptr, false};
    panes_[1] = {&Settings::MemoFont, &Settings::MemoBackground, nullptr, nullptr, false};
    panes_[2] = {&Settings::ResultFont, &Settings::ResultBackground, nullptr, nullptr, false};
    const char* names[3][2] = {{"targetFontButton", "targetColorButton"},
                               {"memoFontButton", "memoColorButton"},
                               {"resultFontButton", "resultColorButton"}};
    for (int i = 0; i < 3; ++i) {
        panes_[i].FontButton = new QPushButton;
        panes_[i].FontButton->setObjectName(QString::fromLatin1(names[i][0]));
        panes_[i].FontButton->setAutoDefault(false);
        panes_[i].FontButton->setMinimumWidth(150);
        panes_[i].Swatch = new ColorButton;
        panes_[i].Swatch->setObjectName(QString::fromLatin1(names[i][1]));
    }
    targetFontButton_ = panes_[0].FontButton;
    targetColorButton_ = panes_[0].Swatch;
    memoFontButton_ = panes_[1].FontButton;
    memoColorButton_ = panes_[1].Swatch;
    resultFontButton_ = panes_[2].FontButton;
    resultColorButton_ = panes_[2].Swatch;
}

// The left column of page "基本": the three panes' look and the walking and
// decoding switches.
QLayout* SettingsDialog::BuildLookColumn() {
    MakePaneButtons();
    // A font row and a colour row, each with its label.
    auto paneRows = [](QGridLayout* grid, int row, const Pane& pane) {
        grid->addWidget(new QLabel(QStringLiteral("フォント")), row, 0);
        grid->addWidget(pane.FontButton, row, 1);
        grid->addWidget(new QLabel(QStringLiteral("背景色")), row + 1, 0);
        grid->addWidget(pane.Swatch, row + 1, 1, Qt::AlignLeft);
        grid->setColumnStretch(1, 1);
    };

    auto* foldGroup = new QGroupBox(QStringLiteral("対象ファイル・フォルダ部"));
    auto* foldGrid = new QGridLayout(foldGroup);
    tabPositionGroup_ = NewChoice("SrcCnf", "TabPos");
    tabRowsGroup_ = NewChoice("SrcCnf", "TabDsp");
    auto* tabRow = new QHBoxLayout;
    tabRow->addWidget(tabPositionGroup_);
    tabRow->addWidget(tabRowsGroup_);
    foldGrid->addLayout(tabRow, 0, 0, 1, 2);
    paneRows(foldGrid, 1, panes_[0]);

    auto* memoGroup = new QGroupBox(QStringLiteral("メモ欄"));
    paneRows(new QGridLayout(memoGroup), 0, panes_[1]);
    auto* rsltGroup = new QGroupBox(QStringLiteral("コメントカウント結果部"));
    paneRows(new QGridLayout(rsltGroup), 0, panes_[2]);

    subfoldersBox_ = NewSwitch("Subfol");
    gitIgnoreBox_ = NewSwitch("GitIgnore");
    eucJisBox_ = NewSwitch("EucJis");
    utf8Box_ = NewSwitch("Utf8Src");

    auto* left = new QVBoxLayout;
    for (QWidget* w : std::initializer_list<QWidget*>{foldGroup, memoGroup, rsltGroup, subfoldersBox_,
                                                      gitIgnoreBox_, eucJisBox_, utf8Box_})
        left->addWidget(w);
    left->addStretch(1);
    return left;
}

// The right column of page "基本": how lines are counted.
QLayout* SettingsDialog::BuildCountingColumn() {
    counterGroup_ = NewChoice("Settei", "VsrcFl");
    extensionsButton_ = new QPushButton(QStringLiteral("拡張子指定(&E)..."));
    extensionsButton_->setObjectName(QStringLiteral("extensionsButton"));
    extensionsButton_->setAutoDefault(false);

    // The radio group sits flat inside a frame that carries its caption, above the
    // asterisk switch that belongs to the same matter.
    blankInCommentGroup_ = NewChoice("Settei", "InCmnt", false);
    auto* blankGroup = new QGroupBox(QString::fromUtf8(choices_.back().Row->Label));
    auto* blankLayout = new QVBoxLayout(blankGroup);
    blankInCommentGroup_->setFlat(true);
    blankInCommentGroup_->layout()->setContentsMargins(0, 0, 0, 0);
    asteriskLineBox_ = NewSwitch("AstaOnly");
    blankLayout->addWidget(blankInCommentGroup_);
    blankLayout->addWidget(asteriskLineBox_);

    auto* otherGroup = new QGroupBox(QStringLiteral("その他のカウント仕様"));
    auto* otherLayout = new QVBoxLayout(otherGroup);
    remCommentBox_ = NewSwitch("RemCmt");
    blankAsCommentBox_ = NewSwitch("Kg_Cmt");
    blankOutOfTotalBox_ = NewSwitch("Kg_Non");
    cLexerBox_ = NewSwitch("CLexer");
    allLanguagesBox_ = NewSwitch("AllLang");
    otherLayout->addWidget(remCommentBox_);
    otherLayout->addWidget(Separator());
    otherLayout->addWidget(blankAsCommentBox_);
    otherLayout->addWidget(blankOutOfTotalBox_);
    otherLayout->addWidget(Separator());
    otherLayout->addWidget(cLexerBox_);
    otherLayout->addWidget(allLanguagesBox_);

    auto* extRow = new QHBoxLayout;
    extRow->addStretch(1);
    extRow->addWidget(extensionsButton_);
    auto* right = new QVBoxLayout;
    right->addWidget(counterGroup_);
    right->addLayout(extRow);
    right->addWidget(blankGroup);
    right->addWidget(otherGroup);
    right->addStretch(1);
    return right;
}

void SettingsDialog::BuildBasicPage() {
    auto* page = new QHBoxLayout(basicPage_);
    page->addLayout(BuildLookColumn(), 1);
    page->addLayout(BuildCountingColumn(), 1);
}

void SettingsDialog::BuildOutputPage() {
    auto* headGroup = new QGroupBox;
    auto* headLayout = new QVBoxLayout(headGroup);
    headerEnvNameBox_ = NewSwitch("HeadNA");
    headerDateBox_ = NewSwitch("HeadDT");
    sortFilesBox_ = NewSwitch("FlSort");
    folderLinesBox_ = NewSwitch("FldNam");
    folderSubtotalsBox_ = NewSwitch("FldSum");
    errorLinesBox_ = NewSwitch("Erfout");
    headLayout->addWidget(headerEnvNameBox_);
    headLayout->addWidget(headerDateBox_);
    headLayout->addWidget(Separator());
    for (QCheckBox* b : {sortFilesBox_, folderLinesBox_, folderSubtotalsBox_, errorLinesBox_})
        headLayout->addWidget(b);
    headLayout->addStretch(1);

    static const char* const kColumnKeys[9] = {"FmFile", "FmTime", "FmSize", "FmSknd", "FmAlls",
                                               "FmCmnt", "FmJitu", "FmKugy", "FmCpar"};
    auto* formatGroup = new QGroupBox(QStringLiteral("出力フォーマット"));
    auto* formatGrid = new QGridLayout(formatGroup);
    for (int i = 0; i < 9; ++i) columnBoxes_[i] = NewSwitch(kColumnKeys[i]);
    sizeUnitCombo_ = new QComboBox;
    sizeUnitCombo_->setObjectName(QStringLiteral("FmSizeIndex"));
    for (const char* unit : settings::FindSetting("Settei", "FmSizeIndex")->Items)
        sizeUnitCombo_->addItem(QString::fromUtf8(unit));
    // Two columns of boxes, the size unit beside "ｻｲｽﾞ".
    for (int i = 0; i < 9; ++i) {
        int row = i < 5 ? i : i - 5;
        int col = i < 5 ? 0 : 2;
        formatGrid->addWidget(columnBoxes_[i], row, col);
    }
    formatGrid->addWidget(sizeUnitCombo_, 2, 1);
    formatGrid->setColumnMinimumWidth(1, 8);
    formatGrid->setColumnStretch(3, 1);

    auto* options = new QHBoxLayout;
    options->addWidget(headGroup, 1);
    options->addWidget(formatGroup, 1);

    previewLabel_ = new QLabel(QStringLiteral("▼出力はこんなカンジ (^o^)/"));
    QFont bold = previewLabel_->font();
    bold.setBold(true);
    previewLabel_->setFont(bold);
    preview_ = new QPlainTextEdit;
    preview_->setObjectName(QStringLiteral("preview"));
    preview_->setReadOnly(true);
    preview_->setLineWrapMode(QPlainTextEdit::NoWrap);
    preview_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* page = new QVBoxLayout(outputPage_);
    page->addLayout(options);
    page->addWidget(previewLabel_);
    page->addWidget(preview_, 1);
}

void SettingsDialog::LoadControls() {
    for (Pane& pane : panes_) {
        ShowPaneFont(pane);
        pane.Swatch->SetColor(ShownColor(work_.*pane.Background));
    }
    TakeResultLook();

    // Each control shows what a run and the main window do with the stored value,
    // which a hand edit may have set to something other than its items.
    for (const ChoiceGroup& c : choices_) c.Group->SetItemIndex(settings::ShownItem(*c.Row, work_));
    for (const SwitchBox& s : switches_) s.Box->setChecked(settings::IsOn(*s.Row, work_));
    // Columns 1 and 2 (name and time) always show.
    columnBoxes_[0]->setEnabled(false);
    columnBoxes_[1]->setEnabled(false);
    sizeUnitCombo_->setCurrentIndex(
        settings::ShownItem(*settings::FindSetting("Settei", "FmSizeIndex"), work_));
    sizeUnitCombo_->setEnabled(columnBoxes_[2]->isChecked());
}

void SettingsDialog::ConnectControls() {
    for (const SwitchBox& s : switches_) {
        const settings::SettingRow* row = s.Row;
        connect(s.Box, &QCheckBox::toggled, this, [this, row](bool on) {
            work_.*row->Int = on ? 1 : 0;
            if (row->Has(settings::kInPreview)) RebuildPreview();
        });
    }
    for (const ChoiceGroup& c : choices_) {
        const settings::SettingRow* row = c.Row;
        connect(c.Group->Buttons(), &QButtonGroup::idToggled, this, [this, row](int id, bool on) {
            if (!on) return;
            work_.*row->Int = id;
            if (row->Has(settings::kInPreview)) RebuildPreview();
        });
    }
    connect(columnBoxes_[2], &QCheckBox::toggled, sizeUnitCombo_, &QComboBox::setEnabled);
    connect(sizeUnitCombo_, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0) return;
        work_.SizeUnit = index;
        RebuildPreview();
    });
    for (Pane& pane : panes_) {
        Pane* p = &pane;
        connect(pane.FontButton, &QPushButton::clicked, this, [this, p] { ChooseFontFor(*p); });
        connect(pane.Swatch, &QPushButton::clicked, this, [this, p] { ChooseColorFor(*p); });
    }
    connect(extensionsButton_, &QPushButton::clicked, this, &SettingsDialog::ExtensionsClicked);
}

void SettingsDialog::ShowPaneFont(const Pane& pane) {
    pane.FontButton->setText(FontCaption(work_.*pane.Font));
}

// The preview shows the result pane's font on the result pane's background.
void SettingsDialog::TakeResultLook() {
    const Pane& rslt = panes_[2];
    std::string background = rslt.ColorChosen ? ColorText(rslt.Swatch->Color()) : work_.*rslt.Background;
    ApplyPaneFont(preview_, work_.*rslt.Font, background);
    // Six report lines and the scroll bar, in the preview's own font.
    QFontMetrics fm(preview_->font());
    int frame = 2 * preview_->frameWidth() + 2 * static_cast<int>(preview_->document()->documentMargin());
    preview_->setMinimumHeight(6 * fm.lineSpacing() + frame +
                               preview_->horizontalScrollBar()->sizeHint().height());
}

void SettingsDialog::ChooseFontFor(Pane& pane) {
    settings::PaneFont font = work_.*pane.Font;
    if (!prompts_.ChooseFont(this, font)) return;
    work_.*pane.Font = font;
    ShowPaneFont(pane);
    if (&pane == &panes_[2]) TakeResultLook();
}

void SettingsDialog::ChooseColorFor(Pane& pane) {
    QColor color = pane.Swatch->Color();
    if (!prompts_.ChooseColor(this, color)) return;
    pane.Swatch->SetColor(color);
    pane.ColorChosen = true;
    if (&pane == &panes_[2]) TakeResultLook();
}

void SettingsDialog::RebuildPreview() {
    QString text = ToQ(report::BuildPreviewText(work_, run::CountOptionsFrom(work_), Now()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    preview_->setPlainText(text);
    ++previewBuilds_;
}

void SettingsDialog::ExtensionsClicked() {
    ExtensionDialog dialog(work_, this);
    prompts_.ExecDialog(dialog);
}

void SettingsDialog::OkClicked() {
    confirmed_ = true;
    done(Accepted);
}

void SettingsDialog::CancelClicked() {
    confirmed_ = false;
    done(Rejected);
}

void SettingsDialog::HelpClicked() {
    HelpViewer::Instance().ShowTopic(pages_->currentIndex() == 0 ? kTopicBasic : kTopicOutput);
}

const QString& SettingsDialog::BlankLineWarningText() {
    static const QString text = QStringLiteral(
        "「空行はコメント行とする」　と　「空行は総行数に含めない」を\r\n"
        "同時に指定するとコメント率が１００％を超えることがあります\r\n"
        "ので、やめた方がよいです。\r\n\r\n"
        "カウントの仕様を設定し直しますか？");
    return text;
}

// Every way of closing ends here (OK, ｷｬﾝｾﾙ, Escape, the close box); the confirmed
// flag alone decides whether the working copy is applied.
void SettingsDialog::done(int) {
    if (confirmed_ && blankAsCommentBox_->isChecked() && blankOutOfTotalBox_->isChecked() &&
        // Escape goes back to the dialog: nothing is applied that was not confirmed.
        prompts_.AskWarning(this, BlankLineWarningText(), QMessageBox::Yes, kTopicBasic) == QMessageBox::Yes)
        return;
    if (confirmed_) CollectOnConfirm();
    QDialog::done(confirmed_ ? Accepted : Rejected);
}

void SettingsDialog::CollectOnConfirm() {
    // A choice the dialog showed as its nearest item (tabs below for any value
    // other than 0) is stored as that item.
    for (const ChoiceGroup& c : choices_)
        if (c.Group->ItemIndex() >= 0) work_.*c.Row->Int = c.Group->ItemIndex();
    // A background the user did not choose keeps its text: a desktop colour name such
    // as clWindow would otherwise turn into a fixed value.
    for (Pane& pane : panes_)
        if (pane.ColorChosen) work_.*pane.Background = ColorText(pane.Swatch->Color());
}

void SettingsDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        CancelClicked();
        return;
    }
    if (e->key() == Qt::Key_F1) {
        HelpViewer::Instance().ShowTopic(kTopicDialog);
        return;
    }
    QDialog::keyPressEvent(e);
}

// ---- The font chooser ---------------------------------------------------------

namespace {

// Qt's font chooser inside the program's own dialog: Enter in its lists and Escape
// answer the whole dialog. Left to itself the chooser would close only itself and
// leave the dialog empty but for the colour row and the buttons.
class EmbeddedFontChooser : public QFontDialog {
public:
    explicit EmbeddedFontChooser(QDialog* owner) : QFontDialog(owner), owner_(owner) {}
    void done(int result) override { owner_->done(result); }

private:
    QDialog* owner_;
};

}  // namespace

bool ChooseFontDialog(QWidget* parent, settings::PaneFont& font) {
    QDialog dialog(parent);
    dialog.setWindowTitle(QStringLiteral("フォント"));
    dialog.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* chooser = new EmbeddedFontChooser(&dialog);
    chooser->setWindowFlags(Qt::Widget);
    chooser->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog |
                        QFontDialog::ScalableFonts);
    chooser->setSizeGripEnabled(false);
    // The chooser lists installed faces only: preset it with the face the desktop
    // shows for the stored one (a substitute such as IPAGothic for ＭＳ ゴシック).
    QFont preset = ToQFont(font);
    const QString shownFace = QFontInfo(preset).family();
    preset.setFamily(shownFace);
    chooser->setCurrentFont(preset);

    // The text colour: the sixteen named colours, and the stored one when it is
    // none of them.
    static const char* const kColorNames[16] = {"黒",   "栗色", "緑",   "オリーブ", "紺",     "紫",
                                                "青緑", "灰色", "銀色", "赤",       "ライム", "黄",
                                                "青",   "赤紫", "水色", "白"};
    auto* colors = new QComboBox;
    int initial = -1;
    const auto& named = settings::NamedColors();
    for (std::size_t i = 0; i < named.size() && i < 16; ++i) {
        QPixmap swatch(16, 12);
        swatch.fill(ShownColor(named[i].Name));
        colors->addItem(QIcon(swatch), QString::fromUtf8(kColorNames[i]), QString::fromLatin1(named[i].Name));
        if (text::EqualsNoCase(font.ColorName, named[i].Name)) initial = static_cast<int>(i);
    }
    if (initial < 0) {
        QPixmap swatch(16, 12);
        swatch.fill(ShownColor(font.ColorName));
        colors->addItem(QIcon(swatch), QStringLiteral("カスタム"), QString());
        initial = colors->count() - 1;
    }
    colors->setCurrentIndex(initial);
    auto* colorRow = new QHBoxLayout;
    auto* colorLabel = new QLabel(QStringLiteral("色(&C):"));
    colorLabel->setBuddy(colors);
    colorRow->addWidget(colorLabel);
    colorRow->addWidget(colors);
    colorRow->addStretch(1);

    auto* buttons = new QDialogButtonBox;
    buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setDefault(true);
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(chooser, 1);
    layout->addLayout(colorRow);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return false;

    QFont chosen = chooser->currentFont();
    QString face = chosen.family();
    // The stored face keeps its own name unless the user picked another face.
    if (face.compare(shownFace, Qt::CaseInsensitive) != 0 &&
        face.compare(ToQ(font.FaceName), Qt::CaseInsensitive) != 0)
        font.FaceName = ToSjis(face);
    if (chosen.pointSize() > 0) font.PointSize = chosen.pointSize();
    font.StyleBits = static_cast<std::uint8_t>((chosen.bold() ? 1 : 0) | (chosen.italic() ? 2 : 0) |
                                               (chosen.underline() ? 4 : 0) | (chosen.strikeOut() ? 8 : 0));
    if (colors->currentIndex() != initial) font.ColorName = colors->currentData().toString().toStdString();
    return true;
}

// ---- The main window's side ------------------------------------------------------

void MainWindow::OpenSettings() {
    // The run reads the live settings while it counts; they change only between runs.
    if (running_) {
        prompts_.ShowMessage(this, QStringLiteral("情報"),
                             QStringLiteral("カウントの実行中は設定を変更できません。"));
        return;
    }
    SettingsDialog dialog(state_.Cnf, this, prompts_);
    prompts_.ExecDialog(dialog);
    if (dialog.Confirmed()) ApplySettings(dialog.Work());
}

void MainWindow::ApplySettings(const settings::Settings& confirmed) {
    state_.Cnf = confirmed;
    settings::RebuildExtensionLists(state_.Cnf);
    tabs_->ApplyPlacement();
    ApplyFontsAndColours();
    ApplyScrollBars();
}

}  // namespace zarnik::ui
