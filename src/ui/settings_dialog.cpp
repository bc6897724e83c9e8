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
#include "run/run.h"
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

QCheckBox* NewCheck(const char* caption, const char* name) {
    auto* box = new QCheckBox(QString::fromUtf8(caption));
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

// The warning box with its help button; the help button leaves the box open.
int ShowBlankLineWarning(QWidget* parent, const QString& text) {
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QMessageBox box(QMessageBox::Warning, QStringLiteral("警告"), shown, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    QPushButton* help = box.addButton(QStringLiteral("ﾍﾙﾌﾟ(&H)"), QMessageBox::HelpRole);
    // The box closes on any of its buttons: the help button is taken from it, so the
    // help opens over the box, which stays open and leaves the help usable.
    QObject::disconnect(help, &QAbstractButton::clicked, nullptr, nullptr);
    QObject::connect(help, &QAbstractButton::clicked, &box,
                     [] { HelpViewer::Instance().ShowTopic(kTopicBasic); });
    box.setDefaultButton(yes);
    // Escape goes back to the dialog: nothing is applied that was not confirmed.
    box.setEscapeButton(yes);
    box.exec();
    return box.clickedButton() && box.clickedButton() != yes ? QMessageBox::No : QMessageBox::Yes;
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

SettingsDialog::SettingsDialog(const settings::Settings& live, QWidget* parent)
    : QDialog(parent), work_(live) {
    setObjectName(QStringLiteral("SettingsDialog"));
    setWindowTitle(QStringLiteral("設定"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    ChooseFont = [this](settings::PaneFont& font) { return ChooseFontDialog(this, font); };
    ChooseColor = [this](QColor& color) {
        QColor chosen = QColorDialog::getColor(color, this, QStringLiteral("色の設定"));
        if (!chosen.isValid()) return false;
        color = chosen;
        return true;
    };
    AskBlankLineWarning = [this](const QString& text) { return ShowBlankLineWarning(this, text); };
    RunExtDialog = [](ExtensionDialog& dialog) { dialog.exec(); };

    PageControl1 = new QTabWidget;
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    TabSheet_Basic = new QWidget;
    TabSheet_Output = new QWidget;
    PageControl1->addTab(TabSheet_Basic, QStringLiteral("基本"));
    PageControl1->addTab(TabSheet_Output, QStringLiteral("出力関連"));
    BuildBasicPage();
    BuildOutputPage();

    auto [ok, cancel, help] = MakeOkCancelHelp();
    Button_Ok = ok;
    Button_Cancel = cancel;
    Button_Help = help;
    connect(Button_Ok, &QPushButton::clicked, this, &SettingsDialog::Button_OkClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &SettingsDialog::Button_CancelClick);
    connect(Button_Help, &QPushButton::clicked, this, &SettingsDialog::Button_HelpClick);
    QHBoxLayout* buttons = ButtonRow({Button_Ok, Button_Cancel, Button_Help});

    auto* top = new QVBoxLayout(this);
    top->addWidget(PageControl1, 1);
    top->addLayout(buttons);

    LoadControls();
    ConnectControls();
    RebuildPreview();
    PageControl1->setCurrentIndex(0);
}

SettingsDialog::~SettingsDialog() = default;

// NOLINTNEXTLINE(readability-function-size): long; to be split
void SettingsDialog::BuildBasicPage() {
    panes_[0] = {&settings::Settings::TargetFont, &settings::Settings::TargetBackground, nullptr, nullptr,
                 false};
    panes_[1] = {&settings::Settings::MemoFont, &settings::Settings::MemoBackground, nullptr, nullptr, false};
    panes_[2] = {&settings::Settings::ResultFont, &settings::Settings::ResultBackground, nullptr, nullptr,
                 false};
    const char* names[3][2] = {{"Button_FontFold", "Button_ColorFold"},
                               {"Button_FontMemo", "Button_ColorMemo"},
                               {"Button_FontRslt", "Button_ColorRslt"}};
    for (int i = 0; i < 3; ++i) {
        panes_[i].FontButton = new QPushButton;
        panes_[i].FontButton->setObjectName(QString::fromLatin1(names[i][0]));
        panes_[i].FontButton->setAutoDefault(false);
        panes_[i].FontButton->setMinimumWidth(150);
        panes_[i].Swatch = new ColorButton;
        panes_[i].Swatch->setObjectName(QString::fromLatin1(names[i][1]));
    }
    Button_FontFold = panes_[0].FontButton;
    Button_ColorFold = panes_[0].Swatch;
    Button_FontMemo = panes_[1].FontButton;
    Button_ColorMemo = panes_[1].Swatch;
    Button_FontRslt = panes_[2].FontButton;
    Button_ColorRslt = panes_[2].Swatch;

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
    RadioGroup_TabPos =
        new RadioGroup(QStringLiteral("タブ表示位置"), {QStringLiteral("上部"), QStringLiteral("下部")});
    RadioGroup_TabPos->setObjectName(QStringLiteral("RadioGroup_TabPos"));
    RadioGroup_TabDsp =
        new RadioGroup(QStringLiteral("タブ表示形式"), {QStringLiteral("１段"), QStringLiteral("複数段")});
    RadioGroup_TabDsp->setObjectName(QStringLiteral("RadioGroup_TabDsp"));
    auto* tabRow = new QHBoxLayout;
    tabRow->addWidget(RadioGroup_TabPos);
    tabRow->addWidget(RadioGroup_TabDsp);
    foldGrid->addLayout(tabRow, 0, 0, 1, 2);
    paneRows(foldGrid, 1, panes_[0]);

    auto* memoGroup = new QGroupBox(QStringLiteral("メモ欄"));
    paneRows(new QGridLayout(memoGroup), 0, panes_[1]);
    auto* rsltGroup = new QGroupBox(QStringLiteral("コメントカウント結果部"));
    paneRows(new QGridLayout(rsltGroup), 0, panes_[2]);

    CheckBox_Subfol = NewCheck("フォルダ指定時は、サブフォルダも対象とする", "CheckBox_Subfol");
    CheckBox_EucJis = NewCheck("ソースファイルは、EUCまたはJISコードである", "CheckBox_EucJis");
    CheckBox_Utf8Src = NewCheck("UTF-8のソースファイルを判別する", "CheckBox_Utf8Src");

    RadioGroup_VsSrc = new RadioGroup(QStringLiteral("対象ソースファイル"),
                                      {QStringLiteral("拡張子に合わせる"), QStringLiteral("常にＣ、Ｃ＋＋"),
                                       QStringLiteral("常にアセンブラ"), QStringLiteral("常にＪａｖａ"),
                                       QStringLiteral("解析して推測する(C or ASM)"),
                                       QStringLiteral("常にPL/SQL"), QStringLiteral("常にVB(BASIC)")});
    RadioGroup_VsSrc->setObjectName(QStringLiteral("RadioGroup_VsSrc"));
    Button_Ext = new QPushButton(QStringLiteral("拡張子指定(&E)..."));
    Button_Ext->setObjectName(QStringLiteral("Button_Ext"));
    Button_Ext->setAutoDefault(false);

    auto* blankGroup = new QGroupBox(QStringLiteral("コメント内の空行の扱い"));
    auto* blankLayout = new QVBoxLayout(blankGroup);
    RadioGroup_InCmnt = new RadioGroup(
        QString(), {QStringLiteral("コメント行として数える"), QStringLiteral("空行として数える")});
    RadioGroup_InCmnt->setObjectName(QStringLiteral("RadioGroup_InCmnt"));
    RadioGroup_InCmnt->setFlat(true);
    RadioGroup_InCmnt->layout()->setContentsMargins(0, 0, 0, 0);
    CheckBox_AstaOnly = NewCheck("*(ｱｽﾀﾘｽｸ)のみの行は空行とする(C,,java)", "CheckBox_AstaOnly");
    blankLayout->addWidget(RadioGroup_InCmnt);
    blankLayout->addWidget(CheckBox_AstaOnly);

    auto* otherGroup = new QGroupBox(QStringLiteral("その他のカウント仕様"));
    auto* otherLayout = new QVBoxLayout(otherGroup);
    CheckBox_RemCmt = NewCheck("Remで始まる行はコメント行とする", "CheckBox_RemCmt");
    CheckBox_Kg_Cmt = NewCheck("空行はコメント行とする", "CheckBox_Kg_Cmt");
    CheckBox_Kg_Non = NewCheck("空行は総行数に含めない", "CheckBox_Kg_Non");
    otherLayout->addWidget(CheckBox_RemCmt);
    otherLayout->addWidget(Separator());
    otherLayout->addWidget(CheckBox_Kg_Cmt);
    otherLayout->addWidget(CheckBox_Kg_Non);

    auto* left = new QVBoxLayout;
    left->addWidget(foldGroup);
    left->addWidget(memoGroup);
    left->addWidget(rsltGroup);
    left->addWidget(CheckBox_Subfol);
    left->addWidget(CheckBox_EucJis);
    left->addWidget(CheckBox_Utf8Src);
    left->addStretch(1);

    auto* extRow = new QHBoxLayout;
    extRow->addStretch(1);
    extRow->addWidget(Button_Ext);
    auto* right = new QVBoxLayout;
    right->addWidget(RadioGroup_VsSrc);
    right->addLayout(extRow);
    right->addWidget(blankGroup);
    right->addWidget(otherGroup);
    right->addStretch(1);

    auto* page = new QHBoxLayout(TabSheet_Basic);
    page->addLayout(left, 1);
    page->addLayout(right, 1);
}

void SettingsDialog::BuildOutputPage() {
    auto* headGroup = new QGroupBox;
    auto* headLayout = new QVBoxLayout(headGroup);
    CheckBox_HeadNA = NewCheck("ヘッダに開発環境名を入れる", "CheckBox_HeadNA");
    CheckBox_HeadDT = NewCheck("ヘッダに現在の日時を入れる", "CheckBox_HeadDT");
    CheckBox_FlSort = NewCheck("ファイル名(フルパス付)でソートして出力する", "CheckBox_FlSort");
    CheckBox_FldNam = NewCheck("フォルダ名を出力する", "CheckBox_FldNam");
    CheckBox_FldSum = NewCheck("フォルダ単位で小計を出力する", "CheckBox_FldSum");
    CheckBox_Erfout = NewCheck("対象外ファイルの実行結果も出力する", "CheckBox_Erfout");
    headLayout->addWidget(CheckBox_HeadNA);
    headLayout->addWidget(CheckBox_HeadDT);
    headLayout->addWidget(Separator());
    for (QCheckBox* b : {CheckBox_FlSort, CheckBox_FldNam, CheckBox_FldSum, CheckBox_Erfout})
        headLayout->addWidget(b);
    headLayout->addStretch(1);

    static const char* const kColumns[9] = {"ﾌｧｲﾙ名", "ﾀｲﾑｽﾀﾝﾌﾟ", "ｻｲｽﾞ",   "ｿｰｽ種別", "総行数",
                                            "ｺﾒﾝﾄ行", "実行数",   "空行数", "ｺﾒﾝﾄ率"};
    auto* formatGroup = new QGroupBox(QStringLiteral("出力フォーマット"));
    auto* formatGrid = new QGridLayout(formatGroup);
    for (int i = 0; i < 9; ++i) {
        CheckBox_Column[i] = new QCheckBox(QString::fromUtf8(kColumns[i]));
        CheckBox_Column[i]->setObjectName(QStringLiteral("CheckBox_Column%1").arg(i + 1));
    }
    ComboBox_SizeUnit = new QComboBox;
    ComboBox_SizeUnit->setObjectName(QStringLiteral("ComboBox_SizeUnit"));
    ComboBox_SizeUnit->addItems({QStringLiteral("Byte"), QStringLiteral("KB"), QStringLiteral("MB")});
    // Two columns of boxes, the size unit beside "ｻｲｽﾞ".
    for (int i = 0; i < 9; ++i) {
        int row = i < 5 ? i : i - 5;
        int col = i < 5 ? 0 : 2;
        formatGrid->addWidget(CheckBox_Column[i], row, col);
    }
    formatGrid->addWidget(ComboBox_SizeUnit, 2, 1);
    formatGrid->setColumnMinimumWidth(1, 8);
    formatGrid->setColumnStretch(3, 1);

    auto* options = new QHBoxLayout;
    options->addWidget(headGroup, 1);
    options->addWidget(formatGroup, 1);

    Label_Preview = new QLabel(QStringLiteral("▼出力はこんなカンジ (^o^)/"));
    QFont bold = Label_Preview->font();
    bold.setBold(true);
    Label_Preview->setFont(bold);
    Memo_Preview = new QPlainTextEdit;
    Memo_Preview->setObjectName(QStringLiteral("Memo_Preview"));
    Memo_Preview->setReadOnly(true);
    Memo_Preview->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo_Preview->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* page = new QVBoxLayout(TabSheet_Output);
    page->addLayout(options);
    page->addWidget(Label_Preview);
    page->addWidget(Memo_Preview, 1);
}

void SettingsDialog::LoadControls() {
    // Any value other than 0 puts the tabs below and in several rows, so the
    // items show what the main window does with the stored value.
    RadioGroup_TabPos->SetItemIndex(work_.TabPosition != 0 ? 1 : 0);
    RadioGroup_TabDsp->SetItemIndex(work_.TabsInRows != 0 ? 1 : 0);
    for (Pane& pane : panes_) {
        ShowPaneFont(pane);
        pane.Swatch->SetColor(ShownColor(work_.*pane.Background));
    }
    TakeResultLook();

    RadioGroup_VsSrc->SetItemIndex(work_.CounterChoice);
    RadioGroup_InCmnt->SetItemIndex(work_.BlankInCommentIsBlank);
    // Each box shows what a run will do with the stored value, which a hand edit
    // may have set to something other than 0 or 1.
    const engine::CountOptions counting = run::CountOptionsFrom(work_);
    const report::ReportLayout layout = report::ReportLayout::From(work_);
    const std::pair<QCheckBox*, bool> switches[] = {
        {CheckBox_Subfol, run::WalksSubfolders(work_)}, {CheckBox_EucJis, counting.ConvertEucJis},
        {CheckBox_Utf8Src, counting.ConvertUtf8},       {CheckBox_AstaOnly, counting.AsteriskLineIsBlank},
        {CheckBox_RemCmt, counting.RemComments},        {CheckBox_Kg_Cmt, counting.BlankAddsToComment},
        {CheckBox_Kg_Non, counting.BlankLeavesTotal},   {CheckBox_HeadNA, layout.EnvNameInHead},
        {CheckBox_HeadDT, layout.DateInHead},           {CheckBox_FlSort, layout.SortByPath},
        {CheckBox_FldNam, layout.FolderLines},          {CheckBox_FldSum, layout.FolderSums},
        {CheckBox_Erfout, layout.ErrorLines},
    };
    for (const auto& [box, on] : switches) box->setChecked(on);
    // Columns 1 and 2 (name and time) always show; the others follow the layout.
    CheckBox_Column[0]->setChecked(work_.Column(1) != 0);
    CheckBox_Column[1]->setChecked(work_.Column(2) != 0);
    for (int i = 0; i < report::kColumnCount; ++i) CheckBox_Column[i + 2]->setChecked(layout.Shown[i]);
    CheckBox_Column[0]->setEnabled(false);
    CheckBox_Column[1]->setEnabled(false);
    const bool unitKnown = layout.Unit != report::SizeUnit::Unknown;
    ComboBox_SizeUnit->setCurrentIndex(unitKnown ? static_cast<int>(layout.Unit) : -1);
    ComboBox_SizeUnit->setEnabled(CheckBox_Column[2]->isChecked());
}

void SettingsDialog::ConnectControls() {
    struct Switch {
        QCheckBox* box;
        std::int32_t settings::Settings::*field;
        bool preview;
    };
    const Switch switches[] = {
        {CheckBox_Subfol, &settings::Settings::WalkSubfolders, false},
        {CheckBox_EucJis, &settings::Settings::ConvertEucJis, false},
        {CheckBox_Utf8Src, &settings::Settings::ConvertUtf8, false},
        {CheckBox_AstaOnly, &settings::Settings::AsteriskLineIsBlank, false},
        {CheckBox_RemCmt, &settings::Settings::RemComments, false},
        {CheckBox_Kg_Cmt, &settings::Settings::BlankLinesAsComment, true},
        {CheckBox_Kg_Non, &settings::Settings::BlankLinesOutOfTotal, true},
        {CheckBox_HeadNA, &settings::Settings::HeaderShowsEnvName, true},
        {CheckBox_HeadDT, &settings::Settings::HeaderShowsDate, true},
        {CheckBox_FlSort, &settings::Settings::SortFiles, false},
        {CheckBox_FldNam, &settings::Settings::FolderLines, true},
        {CheckBox_FldSum, &settings::Settings::FolderSubtotals, false},
        {CheckBox_Erfout, &settings::Settings::ErrorLines, false},
    };
    for (const Switch& s : switches) {
        auto field = s.field;
        bool preview = s.preview;
        connect(s.box, &QCheckBox::toggled, this, [this, field, preview](bool on) {
            work_.*field = on ? 1 : 0;
            if (preview) RebuildPreview();
        });
    }
    for (int n = 3; n <= 9; ++n) {
        connect(CheckBox_Column[n - 1], &QCheckBox::toggled, this, [this, n](bool on) {
            work_.Column(n) = on ? 1 : 0;
            if (n == 3) ComboBox_SizeUnit->setEnabled(on);
            RebuildPreview();
        });
    }
    connect(ComboBox_SizeUnit, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index < 0) return;
        work_.SizeUnit = index;
        RebuildPreview();
    });
    connect(RadioGroup_VsSrc->Buttons(), &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (!on) return;
        work_.CounterChoice = id;
        RebuildPreview();
    });
    connect(RadioGroup_InCmnt->Buttons(), &QButtonGroup::idToggled, this, [this](int id, bool on) {
        if (!on) return;
        work_.BlankInCommentIsBlank = id;
        RebuildPreview();
    });
    for (Pane& pane : panes_) {
        Pane* p = &pane;
        connect(pane.FontButton, &QPushButton::clicked, this, [this, p] { ChooseFontFor(*p); });
        connect(pane.Swatch, &QPushButton::clicked, this, [this, p] { ChooseColorFor(*p); });
    }
    connect(Button_Ext, &QPushButton::clicked, this, &SettingsDialog::Button_ExtClick);
}

void SettingsDialog::ShowPaneFont(const Pane& pane) {
    pane.FontButton->setText(FontCaption(work_.*pane.Font));
}

// The preview shows the result pane's font on the result pane's background.
void SettingsDialog::TakeResultLook() {
    const Pane& rslt = panes_[2];
    std::string background = rslt.ColorChosen ? ColorText(rslt.Swatch->Color()) : work_.*rslt.Background;
    ApplyPaneFont(Memo_Preview, work_.*rslt.Font, background);
    // Six report lines and the scroll bar, in the preview's own font.
    QFontMetrics fm(Memo_Preview->font());
    int frame =
        2 * Memo_Preview->frameWidth() + 2 * static_cast<int>(Memo_Preview->document()->documentMargin());
    Memo_Preview->setMinimumHeight(6 * fm.lineSpacing() + frame +
                                   Memo_Preview->horizontalScrollBar()->sizeHint().height());
}

void SettingsDialog::ChooseFontFor(Pane& pane) {
    settings::PaneFont font = work_.*pane.Font;
    if (!ChooseFont(font)) return;
    work_.*pane.Font = font;
    ShowPaneFont(pane);
    if (&pane == &panes_[2]) TakeResultLook();
}

void SettingsDialog::ChooseColorFor(Pane& pane) {
    QColor color = pane.Swatch->Color();
    if (!ChooseColor(color)) return;
    pane.Swatch->SetColor(color);
    pane.ColorChosen = true;
    if (&pane == &panes_[2]) TakeResultLook();
}

void SettingsDialog::RebuildPreview() {
    QString text = ToQ(report::BuildPreviewText(work_, run::CountOptionsFrom(work_), Now()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    Memo_Preview->setPlainText(text);
    ++previewBuilds_;
}

void SettingsDialog::Button_ExtClick() {
    ExtensionDialog dialog(work_, this);
    RunExtDialog(dialog);
}

void SettingsDialog::Button_OkClick() {
    confirmed_ = true;
    done(Accepted);
}

void SettingsDialog::Button_CancelClick() {
    confirmed_ = false;
    done(Rejected);
}

void SettingsDialog::Button_HelpClick() {
    HelpViewer::Instance().ShowTopic(PageControl1->currentIndex() == 0 ? kTopicBasic : kTopicOutput);
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
    if (confirmed_ && CheckBox_Kg_Cmt->isChecked() && CheckBox_Kg_Non->isChecked() &&
        AskBlankLineWarning(BlankLineWarningText()) == QMessageBox::Yes)
        return;
    if (confirmed_) CollectOnConfirm();
    QDialog::done(confirmed_ ? Accepted : Rejected);
}

void SettingsDialog::CollectOnConfirm() {
    if (RadioGroup_TabPos->ItemIndex() >= 0) work_.TabPosition = RadioGroup_TabPos->ItemIndex();
    if (RadioGroup_TabDsp->ItemIndex() >= 0) work_.TabsInRows = RadioGroup_TabDsp->ItemIndex();
    // A background the user did not choose keeps its text: a desktop colour name such
    // as clWindow would otherwise turn into a fixed value.
    for (Pane& pane : panes_)
        if (pane.ColorChosen) work_.*pane.Background = ColorText(pane.Swatch->Color());
}

void SettingsDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
        Button_CancelClick();
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
        ShowMessage(QStringLiteral("情報"), QStringLiteral("カウントの実行中は設定を変更できません。"));
        return;
    }
    SettingsDialog dialog(state_.Cnf, this);
    ExecDialog(dialog);
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
