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

    messageLabel = new QLabel(MessageText(mode, name));
    messageLabel->setTextFormat(Qt::PlainText);
    messageLabel->setMinimumHeight(messageLabel->fontMetrics().lineSpacing() * 3);
    messageLabel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

    nameEdit = new QLineEdit;
    nameEdit->setObjectName(QStringLiteral("nameEdit"));
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(16);
    nameEdit->setFont(f);
    nameEdit->setMinimumWidth(280);
    // A name read from the INI file may be longer than the field allows; it is
    // shown whole, and only what the user types is limited.
    nameEdit->setText(ToQ(name));

    addPlaceGroup = new QGroupBox;
    addPlaceGroup->setObjectName(QStringLiteral("addPlaceGroup"));
    auto* radios = new QHBoxLayout(addPlaceGroup);
    addAtHeadButton = new QRadioButton(QStringLiteral("先頭に追加"));
    addAtEndButton = new QRadioButton(QStringLiteral("最後に追加"));
    radios->addWidget(addAtHeadButton, 1);
    radios->addWidget(addAtEndButton, 1);
    (addKind == 0 ? addAtHeadButton : addAtEndButton)->setChecked(true);
    addPlaceGroup->setEnabled(mode != RenameMode);

    okButton = new QPushButton(QStringLiteral("OK"));
    cancelButton = new QPushButton(QStringLiteral("ｷｬﾝｾﾙ"));
    helpButton = new QPushButton(QStringLiteral("ﾍﾙﾌﾟ(&H)"));
    okButton->setDefault(true);
    for (QPushButton* b : {okButton, cancelButton, helpButton}) b->setFixedWidth(75);
    okButton->setEnabled(!nameEdit->text().isEmpty());

    QHBoxLayout* buttons = ButtonRow({okButton, cancelButton, helpButton});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(messageLabel);
    layout->addWidget(nameEdit);
    layout->addWidget(addPlaceGroup);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    nameEdit->setValidator(new ShiftJisByteLimit(kMaxNameBytes, nameEdit->text(), nameEdit));
    connect(nameEdit, &QLineEdit::textChanged, this,
            [this](const QString& t) { okButton->setEnabled(!t.isEmpty()); });
    connect(okButton, &QPushButton::clicked, this, [this] {
        if (!nameEdit->text().isEmpty()) accept();
    });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton, &QPushButton::clicked, this,
            [this] { HelpViewer::Instance().ShowPopup(10019, this); });
}

std::string EnvironmentNameDialog::Name() const { return ToSjis(nameEdit->text()); }

std::int32_t EnvironmentNameDialog::AddEntriesAtEnd() const { return addAtHeadButton->isChecked() ? 0 : 1; }

void EnvironmentNameDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    move(CentredOnScreen(size()));
}

void EnvironmentNameDialog::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) {
        helpButton->click();
        return;
    }
    QDialog::keyPressEvent(e);
}

// ---- EnvironmentEditor ----

EnvironmentEditor::EnvironmentEditor(settings::EnvList& work, std::int32_t& addKind,
                                     settings::Rect& placement, int index, Prompts& prompts, QWidget* parent)
    : QDialog(parent),
      work_(work),
      addKind_(addKind),
      placement_(placement),
      startIndex_(index),
      prompts_(prompts) {
    setObjectName(QStringLiteral("EnvironmentEditor"));
    setWindowTitle(QStringLiteral("対象ｿｰｽﾌｧｲﾙ環境編集"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    BuildLayout();
    BuildPopupMenu();
    ConnectButtons();

    settings::Lines names;
    work_.EnvNames(names);
    for (const std::string& name : names) environmentList->addItem(ToQ(name));

    // The size comes from the stored placement, pulled onto the screen; the stored
    // position is not used: the editor always opens centred.
    setMinimumSize(312, 290);
    QRect screen = ScreenRect();
    settings::Rect r = placement_;
    settings::FitToScreen(screen.width(), screen.height(), r);
    resize(std::max(r.Width, 312), std::max(r.Height, 290));
    PlaceCentred();

    if (startIndex_ >= 0 && startIndex_ < environmentList->count()) SelectRow(startIndex_);
    UpdateEnabling();
}

// The environment list with its buttons beside it, and OK, Cancel, Help below.
void EnvironmentEditor::BuildLayout() {
    environmentGroup = new QGroupBox(QStringLiteral("環境名(&L)"));
    environmentList = new QListWidget;
    environmentList->setObjectName(QStringLiteral("environmentList"));
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    environmentList->setFont(f);
    environmentList->setSelectionMode(QAbstractItemView::SingleSelection);
    environmentList->setContextMenuPolicy(Qt::CustomContextMenu);
    environmentGroup->setFocusProxy(environmentList);

    auto button = [](const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption));
        b->setAutoDefault(false);
        return b;
    };
    addButton = button("新規追加(&A)");
    copyButton = button("ｺﾋﾟｰ追加(&P)");
    renameButton = button("名称変更(&E)");
    deleteButton = button("環境削除(&R)");
    upButton = button("↑上へ(&U)");
    downButton = button("↓下へ(&D)");
    auto* column = new QVBoxLayout;
    for (QPushButton* b : {addButton, copyButton, renameButton, deleteButton}) column->addWidget(b);
    column->addSpacing(16);
    column->addWidget(upButton);
    column->addWidget(downButton);
    column->addStretch(1);
    auto* inside = new QHBoxLayout(environmentGroup);
    inside->addWidget(environmentList, 1);
    inside->addLayout(column);

    okButton = new QPushButton(QStringLiteral("OK"));
    cancelButton = button("ｷｬﾝｾﾙ");
    // "(H)" underlined: Alt+H opens the help, as in the other dialogs.
    helpButton = button("ﾍﾙﾌﾟ(&H)");
    okButton->setDefault(true);
    for (QPushButton* b : {okButton, cancelButton, helpButton}) b->setFixedWidth(75);
    QHBoxLayout* bottom = ButtonRow({okButton, cancelButton, helpButton});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(environmentGroup, 1);
    layout->addLayout(bottom);
}

// The list's context menu: the buttons' commands again.
void EnvironmentEditor::BuildPopupMenu() {
    PopupMenu = new QMenu(this);
    menuAddAction =
        PopupMenu->addAction(QStringLiteral("新規追加(&A)..."), this, &EnvironmentEditor::OnAddClicked);
    menuCopyAction =
        PopupMenu->addAction(QStringLiteral("ｺﾋﾟｰ追加(&P)..."), this, &EnvironmentEditor::OnCopyClicked);
    menuRenameAction =
        PopupMenu->addAction(QStringLiteral("名称変更(&E)..."), this, &EnvironmentEditor::OnRenameClicked);
    menuDeleteAction =
        PopupMenu->addAction(QStringLiteral("環境削除(&R)..."), this, &EnvironmentEditor::OnDeleteClicked);
    PopupMenu->addSeparator();
    menuUpAction =
        PopupMenu->addAction(QStringLiteral("↑上へ(&U)..."), this, &EnvironmentEditor::OnUpClicked);
    menuDownAction =
        PopupMenu->addAction(QStringLiteral("↓下へ(&D)..."), this, &EnvironmentEditor::OnDownClicked);
    PopupMenu->addSeparator();
    PopupMenu->addAction(QStringLiteral("ｷｬﾝｾﾙ"));
}

void EnvironmentEditor::ConnectButtons() {
    connect(addButton, &QPushButton::clicked, this, &EnvironmentEditor::OnAddClicked);
    connect(copyButton, &QPushButton::clicked, this, &EnvironmentEditor::OnCopyClicked);
    connect(renameButton, &QPushButton::clicked, this, &EnvironmentEditor::OnRenameClicked);
    connect(deleteButton, &QPushButton::clicked, this, &EnvironmentEditor::OnDeleteClicked);
    connect(upButton, &QPushButton::clicked, this, &EnvironmentEditor::OnUpClicked);
    connect(downButton, &QPushButton::clicked, this, &EnvironmentEditor::OnDownClicked);
    connect(okButton, &QPushButton::clicked, this, &EnvironmentEditor::OnOkClicked);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(helpButton, &QPushButton::clicked, this, [] { HelpViewer::Instance().ShowTopic(10006); });
    connect(environmentList, &QListWidget::itemSelectionChanged, this, &EnvironmentEditor::UpdateEnabling);
    connect(environmentList, &QListWidget::itemDoubleClicked, this, [this] {
        if (!environmentList->selectedItems().isEmpty()) OnRenameClicked();
    });
    connect(environmentList, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
        if (QListWidgetItem* item = environmentList->itemAt(p)) environmentList->setCurrentItem(item);
        UpdateEnabling();
        PopupMenu->exec(environmentList->viewport()->mapToGlobal(p));
    });
}

void EnvironmentEditor::PlaceCentred() { setGeometry(QRect(CentredOnScreen(size()), size())); }

void EnvironmentEditor::showEvent(QShowEvent* e) {
    PlaceCentred();
    QDialog::showEvent(e);
}

void EnvironmentEditor::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_F1) {
        helpButton->click();
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
    const int n = environmentList->count();
    const int s = SelectedRow(environmentList);
    auto set = [](QPushButton* b, QAction* a, bool on) {
        b->setEnabled(on);
        a->setEnabled(on);
    };
    set(copyButton, menuCopyAction, s >= 0);
    set(renameButton, menuRenameAction, s >= 0);
    set(deleteButton, menuDeleteAction, s >= 0 && n > 1);
    set(upButton, menuUpAction, n > 1 && s > 0);
    // Without a selection there is nothing to move down.
    set(downButton, menuDownAction, n > 1 && s >= 0 && s < n - 1);
}

void EnvironmentEditor::SelectRow(int row) {
    if (row >= 0 && row < environmentList->count()) environmentList->setCurrentRow(row);
    UpdateEnabling();
}

std::int32_t EnvironmentEditor::AddFromDialog(int mode, const std::string& preset) {
    EnvironmentNameDialog dialog(mode, preset, addKind_, this);
    int result = prompts_.ExecDialog(dialog);
    addKind_ = dialog.AddEntriesAtEnd();  // remembered even when the dialog was cancelled
    std::string name = dialog.Name();
    if (result != QDialog::Accepted || name.empty()) return 0;
    std::int32_t id = work_.AddEnv(name, addKind_);
    int row = work_.IndexOfEnv(id);
    environmentList->insertItem(row, ToQ(name));
    SelectRow(row);
    return id;
}

void EnvironmentEditor::OnAddClicked() {
    AddFromDialog(EnvironmentNameDialog::NewMode, std::string());
    UpdateEnabling();
}

void EnvironmentEditor::OnCopyClicked() {
    const int s = SelectedRow(environmentList);
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

void EnvironmentEditor::OnRenameClicked() {
    const int s = SelectedRow(environmentList);
    if (s < 0) return;
    EnvironmentNameDialog dialog(EnvironmentNameDialog::RenameMode, work_.At(s).EnvName, addKind_, this);
    std::string name;
    if (prompts_.ExecDialog(dialog) == QDialog::Accepted) name = dialog.Name();
    if (!name.empty() && work_.RenameEnv(work_.EnvIdAt(s), name))
        environmentList->item(s)->setText(ToQ(name));
    UpdateEnabling();
}

void EnvironmentEditor::OnDeleteClicked() {
    const int n = environmentList->count();
    const int s = SelectedRow(environmentList);
    if (s < 0 || n <= 1) return;
    const QString text =
        QStringLiteral("環境『") + ToQ(work_.At(s).EnvName) + QStringLiteral("』を削除してよろしいですか？");
    if (prompts_.AskWarning(this, text, QMessageBox::No, 0) == QMessageBox::Yes &&
        work_.DeleteEnv(work_.EnvIdAt(s)) > 0) {
        delete environmentList->takeItem(s);
        SelectRow(0);
    }
    UpdateEnabling();
}

void EnvironmentEditor::MoveSelected(int step) {
    const int n = environmentList->count();
    const int s = SelectedRow(environmentList);
    const int t = s + step;
    if (s < 0 || t < 0 || t >= n) return;
    if (work_.SwapEnvs(work_.EnvIdAt(s), work_.EnvIdAt(t))) {
        QString text = environmentList->item(s)->text();
        environmentList->item(s)->setText(environmentList->item(t)->text());
        environmentList->item(t)->setText(text);
        SelectRow(t);
    }
    UpdateEnabling();
}

void EnvironmentEditor::OnUpClicked() { MoveSelected(-1); }
void EnvironmentEditor::OnDownClicked() { MoveSelected(1); }

void EnvironmentEditor::OnOkClicked() {
    selectedIndex_ = SelectedRow(environmentList);
    accept();
}

// ---- MainWindow ----

void MainWindow::EditEnvironments() {
    tabs_->StoreCurrent();
    settings::EnvList work;
    state_.Envs.CopyEnvs(work);
    EnvironmentEditor editor(work, state_.Cnf.AddEntriesAtEnd, state_.Place.EditorPlacement, tabs_->Current(),
                             prompts_, this);
    if (prompts_.ExecDialog(editor) == QDialog::Accepted && work.Count() > 0) {
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
