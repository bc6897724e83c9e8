// MainWindow: target entry by the open dialog, the folder browser and dropped files.
#include "ui/target_entry.h"

#include <QComboBox>
#include <QDropEvent>
#include <QGuiApplication>
#include <QMimeData>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QUrl>
#include <utility>

#include "engine/counter_generic.h"
#include "engine/source_kind.h"
#include "run/count_options.h"
#include "text/sjis.h"
#include "ui/file_dialog_columns.h"
#include "ui/folder_browser.h"
#include "ui/kind_labels.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"

namespace zarnik::ui {

namespace {

// Patterns as the Qt dialog filters names: separated by blanks, and "*.*" for
// every name, with or without a dot.
QString QtPatterns(const std::string& patterns) {
    QStringList out;
    for (const QString& p : ToQ(patterns).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        QString t = p.trimmed();
        if (t.isEmpty()) continue;
        out << (t == QStringLiteral("*.*") ? QStringLiteral("*") : t);
    }
    return out.join(QLatin1Char(' '));
}

QStringList LocalPaths(const QMimeData* data) {
    QStringList paths;
    if (!data || !data->hasUrls()) return paths;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    return paths;
}

// Takes file drops for the whole window: the drag is accepted anywhere in it, and
// the drop goes to the pane under the drop point or nowhere. Other drags (text
// moved between the panes) keep the panes' own handling.
class FileDropFilter : public QObject {
public:
    explicit FileDropFilter(MainWindow* window) : QObject(window), window_(window) {}

    bool eventFilter(QObject* obj, QEvent* ev) override {
        switch (ev->type()) {
            case QEvent::DragEnter:
            case QEvent::DragMove: {
                auto* e = static_cast<QDropEvent*>(ev);
                if (LocalPaths(e->mimeData()).isEmpty()) return false;
                e->setDropAction(Qt::CopyAction);
                e->accept();
                return true;
            }
            case QEvent::Drop: {
                auto* e = static_cast<QDropEvent*>(ev);
                QStringList paths = LocalPaths(e->mimeData());
                if (paths.isEmpty()) return false;
                auto* w = static_cast<QWidget*>(obj);
                QPoint pos = e->position().toPoint();
                if (w != window_) pos = w->mapTo(window_, pos);
                window_->DropFilesAt(pos, paths);
                e->setDropAction(Qt::CopyAction);
                e->accept();
                return true;
            }
            default:
                return false;
        }
    }

private:
    MainWindow* window_;
};

}  // namespace

namespace {

// The entries before the table's languages: all sources and the built-in languages.
constexpr int kLeadingFilters = engine::LanguageCount() + 1;
constexpr std::int32_t kAllFilesNumber = kLeadingFilters + 1;

// A table language's patterns for the dialog: its extension patterns, then its
// whole file names (Shift-JIS, comma separated).
std::string LanguageFilterPatterns(const engine::Language& l) {
    std::string out = text::Utf8ToSjis(l.ExtensionPattern);
    for (const std::string& name : l.FileNames)
        out.append(out.empty() ? "" : ",").append(text::Utf8ToSjis(name));
    return out;
}

}  // namespace

std::vector<FilterEntry> OpenFilterEntries(const settings::Settings& cnf,
                                           const engine::LanguageTable* languages) {
    const auto& e = cnf.ExtensionPatterns;                  // kind k's pattern is e[k - 1]
    std::vector<std::pair<std::string, std::string>> rows;  // label, patterns
    std::string all;
    auto addToAll = [&all](const std::string& p) {
        if (p.empty()) return;
        if (!all.empty()) all += ',';
        all += p;
    };
    for (const std::string& p : e) addToAll(p);
    rows.emplace_back(ZRNK_SJ("ｿｰｽﾌｧｲﾙ"), std::string());
    for (int language = 1; language < settings::kKindCount; ++language) {
        if (!engine::IsLanguage(language)) continue;
        // A source pattern with its header patterns; nothing without a source pattern.
        std::string patterns = e[language - 1];
        for (int kind = 1; kind < settings::kKindCount && !patterns.empty(); ++kind)
            if (kind != language && engine::KindTable(kind).Language == language && !e[kind - 1].empty())
                patterns += "," + e[kind - 1];
        rows.emplace_back(text::Utf8ToSjis(kKindLabels[static_cast<std::size_t>(language)].FilterName),
                          patterns);
    }
    // The table's languages name hundreds of patterns: all sources lists the
    // built-in ones and says that the languages' follow.
    std::string allShown = all;
    bool anyLanguage = false;
    if (languages)
        for (const engine::Language& l : languages->Languages) {
            std::string patterns = LanguageFilterPatterns(l);
            if (patterns.empty()) continue;
            if (!anyLanguage)
                allShown.append(allShown.empty() ? "" : ",").append(ZRNK_SJ("ほか言語表の言語"));
            anyLanguage = true;
            addToAll(patterns);
            rows.emplace_back(text::Utf8ToSjis(l.Name), std::move(patterns));
        }
    rows.emplace_back(ZRNK_SJ("すべてのﾌｧｲﾙ"), "*.*");
    rows.front().second = all;
    std::vector<FilterEntry> out(rows.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        const auto& [label, patterns] = rows[i];
        const std::string& shown = i == 0 ? allShown : patterns;
        out[i].Description = shown.empty() ? label : std::string(label).append("(").append(shown).append(")");
        // "," is never the second byte of a double-byte character.
        out[i].Patterns = patterns;
        for (char& c : out[i].Patterns)
            if (c == ',') c = ';';
    }
    return out;
}

int OpenFilterPosition(std::int32_t stored, int entryCount) {
    const int languages = entryCount - kLeadingFilters - 1;
    if (stored >= 1 && stored <= kLeadingFilters) return stored - 1;
    if (stored == kAllFilesNumber) return entryCount - 1;
    if (stored > kAllFilesNumber && stored - kAllFilesNumber <= languages)
        return kLeadingFilters + (stored - kAllFilesNumber - 1);
    return 0;
}

std::int32_t OpenFilterNumber(int position, int entryCount) {
    if (position < kLeadingFilters) return position + 1;
    if (position == entryCount - 1) return kAllFilesNumber;
    return kAllFilesNumber + 1 + (position - kLeadingFilters);
}

std::array<FilterEntry, 2> SaveFilterEntries() {
    return {FilterEntry{ZRNK_SJ("ﾃｷｽﾄﾌｧｲﾙ(*.txt)"), "*.txt"},
            FilterEntry{ZRNK_SJ("すべてのﾌｧｲﾙ(*.*)"), "*.*"}};
}

std::string FolderPart(const std::string& path) {
    // "/" is never the second byte of a double-byte character.
    std::size_t pos = path.rfind('/');
    if (pos == std::string::npos) return {};
    if (pos == 0 || path[pos - 1] == '/') return path.substr(0, pos + 1);
    return path.substr(0, pos);
}

void AppendLines(QPlainTextEdit* pane, const QStringList& lines) {
    if (lines.isEmpty()) return;
    QTextDocument* doc = pane->document();
    bool needBreak = !doc->isEmpty() && !doc->lastBlock().text().isEmpty();
    QTextCursor c(doc);
    c.movePosition(QTextCursor::End);
    c.beginEditBlock();
    c.insertText((needBreak ? QStringLiteral("\n") : QString()) + lines.join(QLatin1Char('\n')));
    c.endEditBlock();
}

void SetDialogFilters(QFileDialog& dialog, const std::vector<FilterEntry>& entries, int index) {
    QStringList filters;
    for (const FilterEntry& e : entries)
        filters << ToQ(e.Description) + QStringLiteral(" (") + QtPatterns(e.Patterns) + QLatin1Char(')');
    // The dialog shows only the part before the last parentheses; the patterns in
    // them are what it filters by.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(filters);
    if (filters.isEmpty()) return;
    if (index < 0 || index >= filters.size()) index = 0;
    dialog.selectNameFilter(filters[index]);
    auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    if (!combo) return;
    if (combo->currentIndex() != index) {
        // Patterns the dialog cannot parse hide the entry from selectNameFilter.
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
    // The descriptions exactly as given (the dialog would tidy their blanks).
    for (int i = 0; i < combo->count() && i < static_cast<int>(entries.size()); ++i)
        combo->setItemText(i, ToQ(entries[static_cast<std::size_t>(i)].Description));
}

int SelectedFilter(const QFileDialog& dialog) {
    if (auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
        return combo->currentIndex();
    return static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter()));
}

void ConfigureOpenDialog(QFileDialog& dialog, const OpenFilesRequest& request) {
    // Qt's own dialog: the platform dialogs show filter texts their own way.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setWindowTitle(request.Title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (!request.Folder.isEmpty()) dialog.setDirectory(request.Folder);
    SetDialogFilters(dialog, request.Filters, request.FilterIndex);
    FitFileDialogColumns(dialog);
}

bool RunOpenFilesDialog(QWidget* parent, const OpenFilesRequest& request, OpenFilesAnswer& answer) {
    QFileDialog dialog(parent);
    ConfigureOpenDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted) return false;
    answer.Files = dialog.selectedFiles();
    answer.FilterIndex = SelectedFilter(dialog);
    return !answer.Files.isEmpty();
}

void MainWindow::InstallTargetEntry() {
    setAcceptDrops(true);
    auto* filter = new FileDropFilter(this);
    installEventFilter(filter);
    // The panes take drops themselves (their viewports); the filter sees them first.
    for (QWidget* w : findChildren<QWidget*>())
        if (w->acceptDrops()) w->installEventFilter(filter);
}

void MainWindow::OpenTargetFiles() {
    OpenFilesRequest request;
    request.Title = QStringLiteral("対象ｿｰｽﾌｧｲﾙの指定(複数可)");
    request.Folder = ToQ(state_.Paths.OpenFolder);
    // The languages a count takes, with the patterns it takes them by.
    const engine::CountOptions counted = run::CountOptionsFrom(state_.Cnf);
    const bool withLanguages = counted.AllLanguages && counted.Languages;
    request.Filters = OpenFilterEntries(state_.Cnf, withLanguages ? &counted.Languages->Table : nullptr);
    const int count = static_cast<int>(request.Filters.size());
    // OpenDlgIndex counts entries from 1; 0 (and anything out of range) is the first.
    request.FilterIndex = OpenFilterPosition(state_.Cnf.OpenDialogFilter, count);
    OpenFilesAnswer answer;
    if (!prompts_.AskOpenFiles(this, request, answer) || answer.Files.isEmpty()) return;
    AppendLines(targets_->List(), answer.Files);
    state_.Paths.OpenFolder = FolderPart(ToSjis(answer.Files.back()));
    if (answer.FilterIndex >= 0 && answer.FilterIndex < count)
        state_.Cnf.OpenDialogFilter = OpenFilterNumber(answer.FilterIndex, count);
}

QString BrowseForFolder(QWidget* owner, const std::string& caption, const std::string& start,
                        std::string& lastFolder, Prompts& prompts) {
    FolderBrowser browse(owner);
    browse.Caption = caption;
    browse.Options = BrowseOnlyFsDirs | BrowseStatusText;
    browse.Directory = start;
    browse.OnInitialized = [&start](QWidget* picker, int&, std::string& status, const std::string&) {
        // The picker opens in the middle of the screen.
        QScreen* screen = picker->screen() ? picker->screen() : QGuiApplication::primaryScreen();
        if (screen) {
            QRect s = screen->geometry();
            QSize size = picker->frameGeometry().size();
            picker->move(s.x() + (s.width() - size.width()) / 2, s.y() + (s.height() - size.height()) / 2);
        }
        status = start;
    };
    browse.OnSelectionChanged = [](QWidget*, int&, std::string& status, const std::string& path) {
        status = path;
    };
    // A choice without a file-system path is no choice.
    if (!prompts.BrowseFolder(browse) || browse.Directory.empty()) return {};
    lastFolder = browse.Directory;
    return browse.ChosenPath.isEmpty() ? ToQ(browse.Directory) : browse.ChosenPath;
}

void MainWindow::ChooseTargetFolder() {
    const std::string start = state_.Paths.BrowseFolder;
    QString folder = BrowseForFolder(this, ZRNK_SJ("ｿｰｽﾌｧｲﾙのﾌｫﾙﾀﾞを指定してください。"), start,
                                     state_.Paths.BrowseFolder, prompts_);
    if (!folder.isEmpty()) AppendLines(targets_->List(), {folder});
}

bool MainWindow::DropFilesAt(const QPoint& pos, const QStringList& paths) {
    if (running_) return false;  // the target list is the run's input until it ends
    QPlainTextEdit* pane = rect().contains(pos) ? targets_->DropPaneAt(childAt(pos)) : nullptr;
    if (pane) {
        QStringList lines;
        // A dropped path is taken whole: cut short it would name another file or
        // folder (a parent folder, counted in full), and Linux paths run to 4095 bytes.
        for (const QString& p : paths) lines << p;
        AppendLines(pane, lines);
    }
    // After a drag from another program the window comes to the front.
    if (!isActiveWindow()) {
        raise();
        activateWindow();
    }
    return pane != nullptr;
}

}  // namespace zarnik::ui
