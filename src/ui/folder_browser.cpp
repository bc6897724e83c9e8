#include "ui/folder_browser.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "ui/file_dialog_columns.h"
#include "ui/qt_text.h"

namespace zarnik::ui {

FolderBrowser::FolderBrowser(QWidget* owner) : QObject(owner), owner_(owner) {}

FolderBrowser::~FolderBrowser() = default;

bool FolderBrowser::Execute() {
    QDialog picker(owner_);
    picker.setObjectName(QStringLiteral("FolderBrowser"));
    picker.setWindowTitle(ToQ(Caption));
    picker.resize(560, 440);
    auto* layout = new QVBoxLayout(&picker);
    auto* caption = new QLabel(ToQ(Caption));
    caption->setTextFormat(Qt::PlainText);
    caption->setWordWrap(true);

    // Qt's own folder picker, embedded as a widget: the caption and the status line
    // sit around it, and its notifications are reliable on every desktop.
    auto* folders = new QFileDialog(&picker);
    folders->setWindowFlags(Qt::Widget);  // QDialog's constructor would make it a window
    folders->setOption(QFileDialog::DontUseNativeDialog);
    folders->setOption(QFileDialog::ShowDirsOnly);
    folders->setFileMode(QFileDialog::Directory);
    folders->setAcceptMode(QFileDialog::AcceptOpen);
    folders->setSizeGripEnabled(false);
    FitFileDialogColumns(*folders);

    root_.clear();
    if (!Root.empty()) {
        // A root that names no folder is ignored: the whole file system is shown.
        QFileInfo info(ToQ(Root));
        if (info.isDir()) root_ = QDir::cleanPath(info.absoluteFilePath());
    }
    if (!root_.isEmpty()) folders->setDirectory(root_);

    auto* status = new QLabel;
    status->setObjectName(QStringLiteral("StatusLine"));
    status->setTextFormat(Qt::PlainText);
    status->setVisible((Options & BrowseStatusText) != 0);
    layout->addWidget(caption);
    layout->addWidget(folders, 1);
    layout->addWidget(status);
    folders->setVisible(true);  // a dialog stays hidden until shown, also inside another

    QString chosen;
    bool confirmed = false;
    connect(folders, &QFileDialog::filesSelected, &picker, [&](const QStringList& files) {
        chosen = files.value(0);
        confirmed = true;
    });
    connect(folders, &QDialog::finished, &picker, [&picker](int result) { picker.done(result); });

    picker_ = &picker;
    folders_ = folders;
    status_ = status;
    QTimer::singleShot(0, &picker, [this] { Opened(); });
    int result = picker.exec();
    picker_ = nullptr;
    folders_ = nullptr;
    status_ = nullptr;
    if (result != QDialog::Accepted || !confirmed) return false;
    Directory = ToSjis(chosen);
    ChosenPath = chosen;
    return true;
}

void FolderBrowser::Opened() {
    std::string path = Directory;
    if (!path.empty()) {
        // "/" alone is the root and keeps its separator.
        if (path.size() > 1 && path.back() == '/') path.pop_back();
        QString dir = ToQ(path);
        if (root_.isEmpty() || InsideRoot(dir)) folders_->setDirectory(dir);
    }
    int ok = OkLeave;
    std::string statusText;
    if (OnInitialized) OnInitialized(picker_, ok, statusText, path);
    AfterEvent(ok, statusText);

    // The selection is the highlighted folder, or the folder shown when none is.
    connect(folders_, &QFileDialog::currentChanged, picker_, [this](const QString& p) {
        SelectionChanged(p.isEmpty() ? folders_->directory().absolutePath() : p);
    });
    connect(folders_, &QFileDialog::directoryEntered, picker_,
            [this](const QString& p) { SelectionChanged(p); });
}

void FolderBrowser::SelectionChanged(const QString& path) {
    QString p = path;
    if (!root_.isEmpty() && !InsideRoot(p)) {
        folders_->setDirectory(root_);
        p = root_;
    }
    int ok = OkLeave;
    std::string statusText;
    if (OnSelectionChanged) OnSelectionChanged(picker_, ok, statusText, ToSjis(p));
    AfterEvent(ok, statusText);
}

void FolderBrowser::AfterEvent(int okState, const std::string& statusText) {
    status_->setText(ToQ(statusText));
    if (okState != OkEnable && okState != OkDisable) return;
    if (auto* box = folders_->findChild<QDialogButtonBox*>()) {
        for (QAbstractButton* b : box->buttons())
            if (box->buttonRole(b) == QDialogButtonBox::AcceptRole) b->setEnabled(okState == OkEnable);
    }
}

bool FolderBrowser::InsideRoot(const QString& path) const {
    QString p = QDir::cleanPath(path);
    if (root_ == QStringLiteral("/")) return p.startsWith(QLatin1Char('/'));
    return p == root_ || p.startsWith(root_ + QLatin1Char('/'));
}

}  // namespace zarnik::ui
