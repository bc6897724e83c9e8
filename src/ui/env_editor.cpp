// The environment editor (EnvironmentEditor), its name dialog (EnvironmentNameDialog) and the main
// window's command that opens the editor.
#include "ui/env_editor.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QScreen>
#include <QValidator>
#include <algorithm>

#include "ui/help_viewer.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/ui_style.h"

namespace zarnik::ui {

namespace {

QRect ScreenRect() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

// The window's top-left corner that centres a window of the given size on the
// screen; never left of or above the screen.
QPoint CentredOnScreen(const QSize& size) {
    QRect screen = ScreenRect();
    int left = std::max(0, (screen.width() - size.width()) / 2);
    int top = std::max(0, (screen.height() - size.height()) / 2);
    return screen.topLeft() + QPoint(left, top);
}

std::size_t SjisBytes(const QString& s) { return ToSjis(s).size(); }

int AskWarningBox(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("警告"), text, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? QMessageBox::Yes : QMessageBox::No;
}

// Holds a line edit to a number of Shift-JIS bytes, as a length-limited edit
// control does: what is typed, pasted or dropped is cut back until it fits (a key
// that does not fit is refused). As the field's own check it sees every change
// before the field's signals do. A longer text the field was given can be
// shortened, never lengthened.
class ShiftJisByteLimit : public QValidator {
public:
    ShiftJisByteLimit(std::size_t limit, const QString& start, QObject* parent)
        : QValidator(parent), limit_(limit), accepted_(start) {}

    State validate(QString& text, int& cursor) const override {
        const std::size_t before = SjisBytes(accepted_);
        auto fits = [&](const QString& t) {
            const std::size_t bytes = SjisBytes(t);
            return bytes <= limit_ || bytes <= before;
        };
        if (!fits(text)) {
            // What this change put between the unchanged head and tail, cut from its end.
            qsizetype head = 0;
            while (head < text.size() && head < accepted_.size() && text[head] == accepted_[head]) ++head;
            qsizetype tail = 0;
            while (tail < text.size() - head && tail < accepted_.size() - head &&
                   text[text.size() - 1 - tail] == accepted_[accepted_.size() - 1 - tail])
                ++tail;
            QString inserted = text.mid(head, text.size() - head - tail);
            const QString start = text.left(head), end = text.right(tail);
            while (!inserted.isEmpty() && !fits(start + inserted + end))
                inserted.chop(inserted.size() >= 2 && inserted.back().isLowSurrogate() ? 2 : 1);
            // What is left of the rest came from the text let through, so it fits.
            text = start + inserted + end;
            cursor = static_cast<int>(head + inserted.size());
        }
        accepted_ = text;
        return Acceptable;
    }

private:
    std::size_t limit_;
    mutable QString accepted_;  // the field's text as last let through
};

}  // namespace

// ---- EnvironmentNameDialog ----

QString EnvironmentNameDialog::MessageText(int mode, const std::string& name) {
    static const QString request = QStringLiteral("対象ｿｰｽﾌｧｲﾙ環境に名前を付けてください。");
    switch (mode) {
        case NewMode:
            return QStringLiteral("新規に対象ｿｰｽﾌｧｲﾙ環境を作成します。\n") + request;
        case CopyMode:
            return QStringLiteral("環境『") + ToQ(name) + QStringLiteral("』") +
                   (name.size() > 16 ? QStringLiteral("\n") : QString()) +
                   QStringLiteral("をコピーして追加します。\n") + request;
        default:
            return QStringLiteral("\n対象ｿｰｽﾌｧｲﾙ環境の名称を変更してください。");
    }
}

EnvironmentNameDialog::EnvironmentNameDialog(int mode, const std::string& name, std::int32_t addKind,
                                             QWidget* parent)
    : QDialog(parent) {
    static const char* const kModeWords[] = {"新規追加", "ｺﾋﾟｰ追加", "名称変更"};
    mode = std::clamp(mode, 0, 2);
    setObjectName(QStringLiteral("EnvironmentNameDialog"));
    setWindowTitle(QStringLiteral("対象ｿｰｽﾌｧｲﾙ環境名の入力－") + QString::fromUtf8(kModeWords[mode]));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    Label_Msg = new QLabel(MessageText(mode, name));
    Label_Msg->setTextFormat(Qt::PlainText);
    Label_Msg->setMinimumHeight(Label_Msg->fontMetrics().lineSpacing() * 3);
    Label_Msg->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    Edit_Cname = new QLineEdit;
    Edit_Cname->setObjectName(QStringLiteral("Edit_Cname"));
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(16);
    Edit_Cname->setFont(f);
    Edit_Cname->setMinimumWidth(280);
    // A name read from the INI file may be longer than the field allows; it is
    // shown whole, and only what the user types is limited.
    Edit_Cname->setText(ToQ(name));

    RadioGroup_AddKind = new QGroupBox;
    RadioGroup_AddKind->setObjectName(QStringLiteral("RadioGroup_AddKind"));
    auto* radios = new QHBoxLayout(RadioGroup_AddKind);
    RadioButton_Head = new QRadioButton(QStringLiteral("先頭に追加"));
    RadioButton_End = new QRadioButton(QStringLiteral("最後に追加"));
    radios->addWidget(RadioButton_Head, 1);
    radios->addWidget(RadioButton_End, 1);
    (addKind == 0 ? RadioButton_Head : RadioButton_End)->setChecked(true);
    RadioGroup_AddKind->setEnabled(mode != RenameMode);

    Button_Ok = new QPushButton(QStringLiteral("OK"));
    Button_Cancel = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"));
    Button_Help = new QPushButton(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    Button_Ok->setDefault(true);
    for (QPushButton* b : {Button_Ok, Button_Cancel, Button_Help}) b->setFixedWidth(75);
    Button_Ok->setEnabled(!Edit_Cname->text().isEmpty());

    QHBoxLayout* buttons = ButtonRow({Button_Ok, Button_Cancel, Button_Help});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label_Msg);
    layout->addWidget(Edit_Cname);
    layout->addWidget(RadioGroup_AddKind);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    Edit_Cname->setValidator(new ShiftJisByteLimit(kMaxNameBytes, Edit_Cname->text(), Edit_Cname));
    connect(Edit_Cname, &QLineEdit::textChanged, this,
            [this](const QString& t) { Button_Ok->setEnabled(!t.isEmpty()); });
    connect(Button_Ok, &QPushButton::clicked, this, [this] {
        if (!Edit_Cname->text().isEmpty()) accept();
    });
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button_Help, &QPushButton::clicked, this,
            [this] { HelpViewer::Instance().ShowPopup(10019, this); });
}

std::string EnvironmentNameDialog::Name() const { return ToSjis(Edit_Cname->text()); }

std::int32_t EnvironmentNameDialog::AddEntriesAtEnd() const { return RadioButton_Head->isChecked() ? 0 : 1; }

void EnvironmentNameDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    move(CentredOnScreen(size()));
}

void EnvironmentNameDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) {
        Button_Help->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

// ---- EnvironmentEditor ----

// NOLINTNEXTLINE(readability-function-size): long; to be split
EnvironmentEditor::EnvironmentEditor(settings::EnvList& work, std::int32_t& addKind,
                                     settings::Rect& placement, int index, QWidget* parent)
    : QDialog(parent), work_(work), addKind_(addKind), placement_(placement), startIndex_(index) {
    setObjectName(QStringLiteral("EnvironmentEditor"));
    setWindowTitle(QStringLiteral("対象ｿｰｽﾌｧｲﾙ環境編集"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);
    ExecDialog = [](QDialog& d) { return d.exec(); };
    AskWarning = [this](const QString& text) { return AskWarningBox(this, text); };

    GroupBox_Conf = new QGroupBox(QStringLiteral("環境名(&L)"));
    ListBox_Conf = new QListWidget;
    ListBox_Conf->setObjectName(QStringLiteral("ListBox_Conf"));
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    ListBox_Conf->setFont(f);
    ListBox_Conf->setSelectionMode(QAbstractItemView::SingleSelection);
    ListBox_Conf->setContextMenuPolicy(Qt::CustomContextMenu);
    GroupBox_Conf->setFocusProxy(ListBox_Conf);

    auto button = [](const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption));
        b->setAutoDefault(false);
        return b;
    };
    Button_Add = button("新規追加(&A)");
    Button_Copy = button("ｺﾋﾟｰ追加(&P)");
    Button_Rename = button("名称変更(&E)");
    Button_Delete = button("環境削除(&R)");
    Button_Up = button("↑上へ(&U)");
    Button_Down = button("↓下へ(&D)");
    auto* column = new QVBoxLayout;
    for (QPushButton* b : {Button_Add, Button_Copy, Button_Rename, Button_Delete}) column->addWidget(b);
    column->addSpacing(16);
    column->addWidget(Button_Up);
    column->addWidget(Button_Down);
    column->addStretch(1);
    auto* inside = new QHBoxLayout(GroupBox_Conf);
    inside->addWidget(ListBox_Conf, 1);
    inside->addLayout(column);

    Button_Ok = new QPushButton(QStringLiteral("OK"));
    Button_Cancel = button("ｷｬﾝｾﾙ");
    // "(H)" underlined: Alt+H opens the help, as in the other dialogs.
    Button_Help = button("ﾍﾙﾌﾟ(&H)");
    Button_Ok->setDefault(true);
    for (QPushButton* b : {Button_Ok, Button_Cancel, Button_Help}) b->setFixedWidth(75);
    QHBoxLayout* bottom = ButtonRow({Button_Ok, Button_Cancel, Button_Help});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox_Conf, 1);
    layout->addLayout(bottom);

    PopupMenu = new QMenu(this);
    Pop_Add =
        PopupMenu->addAction(QStringLiteral("新規追加(&A)..."), this, &EnvironmentEditor::Button_AddClick);
    Pop_Copy =
        PopupMenu->addAction(QStringLiteral("ｺﾋﾟｰ追加(&P)..."), this, &EnvironmentEditor::Button_CopyClick);
    Pop_Rename =
        PopupMenu->addAction(QStringLiteral("名称変更(&E)..."), this, &EnvironmentEditor::Button_RenameClick);
    Pop_Delete =
        PopupMenu->addAction(QStringLiteral("環境削除(&R)..."), this, &EnvironmentEditor::Button_DeleteClick);
    PopupMenu->addSeparator();
    Pop_Up = PopupMenu->addAction(QStringLiteral("↑上へ(&U)..."), this, &EnvironmentEditor::Button_UpClick);
    Pop_Down =
        PopupMenu->addAction(QStringLiteral("↓下へ(&D)..."), this, &EnvironmentEditor::Button_DownClick);
    PopupMenu->addSeparator();
    PopupMenu->addAction(QStringLiteral("ｷｬﾝｾﾙ"));

    connect(Button_Add, &QPushButton::clicked, this, &EnvironmentEditor::Button_AddClick);
    connect(Button_Copy, &QPushButton::clicked, this, &EnvironmentEditor::Button_CopyClick);
    connect(Button_Rename, &QPushButton::clicked, this, &EnvironmentEditor::Button_RenameClick);
    connect(Button_Delete, &QPushButton::clicked, this, &EnvironmentEditor::Button_DeleteClick);
    connect(Button_Up, &QPushButton::clicked, this, &EnvironmentEditor::Button_UpClick);
    connect(Button_Down, &QPushButton::clicked, this, &EnvironmentEditor::Button_DownClick);
    connect(Button_Ok, &QPushButton::clicked, this, &EnvironmentEditor::Button_OkClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(Button_Help, &QPushButton::clicked, this, [] { HelpViewer::Instance().ShowTopic(10006); });
    connect(ListBox_Conf, &QListWidget::itemSelectionChanged, this, &EnvironmentEditor::UpdateEnabling);
    connect(ListBox_Conf, &QListWidget::itemDoubleClicked, this, [this] {
        if (!ListBox_Conf->selectedItems().isEmpty()) Button_RenameClick();
    });
    connect(ListBox_Conf, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        if (QListWidgetItem* item = ListBox_Conf->itemAt(p)) ListBox_Conf->setCurrentItem(item);
        UpdateEnabling();
        PopupMenu->exec(ListBox_Conf->viewport()->mapToGlobal(p));
    });

    settings::Lines names;
    work_.EnvNames(names);
    for (const std::string& name : names) ListBox_Conf->addItem(ToQ(name));

    // The size comes from the stored placement, pulled onto the screen; the stored
    // position is not used: the editor always opens centred.
    setMinimumSize(312, 290);
    QRect screen = ScreenRect();
    settings::Rect r = placement_;
    settings::FitToScreen(screen.width(), screen.height(), r);
    resize(std::max(r.Width, 312), std::max(r.Height, 290));
    PlaceCentred();

    if (startIndex_ >= 0 && startIndex_ < ListBox_Conf->count()) SelectRow(startIndex_);
    UpdateEnabling();
}

void EnvironmentEditor::PlaceCentred() { setGeometry(QRect(CentredOnScreen(size()), size())); }

void EnvironmentEditor::showEvent(QShowEvent* e) {
    PlaceCentred();
    QDialog::showEvent(e);
}

void EnvironmentEditor::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) {
        Button_Help->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

void EnvironmentEditor::done(int r) {
    QRect screen = ScreenRect();
    QRect g = geometry();
    placement_ = {g.x() - screen.x(), g.y() - screen.y(), g.width(), g.height()};
    QDialog::done(r);
}

namespace {
int SelectedRow(const QListWidget* list) {
    const QList<QListWidgetItem*> items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.front());
}
}  // namespace

void EnvironmentEditor::UpdateEnabling() {
    const int n = ListBox_Conf->count();
    const int s = SelectedRow(ListBox_Conf);
    auto set = [](QPushButton* b, QAction* a, bool on) {
        b->setEnabled(on);
        a->setEnabled(on);
    };
    set(Button_Copy, Pop_Copy, s >= 0);
    set(Button_Rename, Pop_Rename, s >= 0);
    set(Button_Delete, Pop_Delete, s >= 0 && n > 1);
    set(Button_Up, Pop_Up, n > 1 && s > 0);
    // Without a selection there is nothing to move down.
    set(Button_Down, Pop_Down, n > 1 && s >= 0 && s < n - 1);
}

void EnvironmentEditor::SelectRow(int row) {
    if (row >= 0 && row < ListBox_Conf->count()) ListBox_Conf->setCurrentRow(row);
    UpdateEnabling();
}

std::int32_t EnvironmentEditor::AddFromDialog(int mode, const std::string& preset) {
    EnvironmentNameDialog dialog(mode, preset, addKind_, this);
    int result = ExecDialog(dialog);
    addKind_ = dialog.AddEntriesAtEnd();  // remembered even when the dialog was cancelled
    std::string name = dialog.Name();
    if (result != QDialog::Accepted || name.empty()) return 0;
    std::int32_t id = work_.AddEnv(name, addKind_);
    int row = work_.IndexOfEnv(id);
    ListBox_Conf->insertItem(row, ToQ(name));
    SelectRow(row);
    return id;
}

void EnvironmentEditor::Button_AddClick() {
    AddFromDialog(EnvironmentNameDialog::NewMode, std::string());
    UpdateEnabling();
}

void EnvironmentEditor::Button_CopyClick() {
    const int s = SelectedRow(ListBox_Conf);
    if (s < 0) return;
    // The source is named by its id: a copy added at the head moves it down.
    const std::int32_t source = work_.EnvIdAt(s);
    const std::int32_t id = AddFromDialog(EnvironmentNameDialog::CopyMode, work_.At(s).EnvName);
    if (id != 0) {
        settings::Lines lines, memo;
        work_.FetchEnv(source, lines, memo);
        work_.StoreEnv(id, lines, memo);
    }
    UpdateEnabling();
}

void EnvironmentEditor::Button_RenameClick() {
    const int s = SelectedRow(ListBox_Conf);
    if (s < 0) return;
    EnvironmentNameDialog dialog(EnvironmentNameDialog::RenameMode, work_.At(s).EnvName, addKind_, this);
    std::string name;
    if (ExecDialog(dialog) == QDialog::Accepted) name = dialog.Name();
    if (!name.empty() && work_.RenameEnv(work_.EnvIdAt(s), name)) ListBox_Conf->item(s)->setText(ToQ(name));
    UpdateEnabling();
}

void EnvironmentEditor::Button_DeleteClick() {
    const int n = ListBox_Conf->count();
    const int s = SelectedRow(ListBox_Conf);
    if (s < 0 || n <= 1) return;
    const QString text =
        QStringLiteral("環境『") + ToQ(work_.At(s).EnvName) + QStringLiteral("』を削除してよろしいですか？");
    if (AskWarning(text) == QMessageBox::Yes && work_.DeleteEnv(work_.EnvIdAt(s)) > 0) {
        delete ListBox_Conf->takeItem(s);
        SelectRow(0);
    }
    UpdateEnabling();
}

void EnvironmentEditor::MoveSelected(int step) {
    const int n = ListBox_Conf->count();
    const int s = SelectedRow(ListBox_Conf);
    const int t = s + step;
    if (s < 0 || t < 0 || t >= n) return;
    if (work_.SwapEnvs(work_.EnvIdAt(s), work_.EnvIdAt(t))) {
        QString text = ListBox_Conf->item(s)->text();
        ListBox_Conf->item(s)->setText(ListBox_Conf->item(t)->text());
        ListBox_Conf->item(t)->setText(text);
        SelectRow(t);
    }
    UpdateEnabling();
}

void EnvironmentEditor::Button_UpClick() { MoveSelected(-1); }
void EnvironmentEditor::Button_DownClick() { MoveSelected(1); }

void EnvironmentEditor::Button_OkClick() {
    selectedIndex_ = SelectedRow(ListBox_Conf);
    accept();
}

// ---- MainWindow ----

void MainWindow::EditEnvironments() {
    tabs_->StoreCurrent();
    settings::EnvList work;
    state_.Envs.CopyEnvs(work);
    EnvironmentEditor editor(work, state_.Cnf.AddEntriesAtEnd, state_.Place.EditorPlacement, tabs_->Current(),
                             this);
    editor.ExecDialog = ExecDialog;
    if (ExecDialog(editor) == QDialog::Accepted && work.Count() > 0) {
        state_.Envs.ClearEnvs();
        work.CopyEnvs(state_.Envs);
        // With no item selected (-1) ShowTabs shows the first tab: the panes must
        // always belong to some environment, or what is typed into them is lost.
        state_.Cnf.SelectedTab = editor.SelectedIndex();
        tabs_->ShowTabs();
        state_.Envs.RenumberEnvs();
    }
    work.ClearEnvs();
}

}  // namespace zarnik::ui
