#include "ui/target_entry.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <QUrl>
#include <filesystem>

#include "engine/counter_generic.h"
#include "test_util.h"
#include "ui/folder_browser.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/result_ops.h"
#include "ui/ui_style.h"
#include "ui_fixture.h"

using namespace zarnik;
using namespace zarnik::ui;
using testing::Sj;

namespace {

struct Fixture : WindowFixture {
    Fixture() { QVERIFY(QTest::qWaitForWindowExposed(window.get())); }
};

QStringList Lines(const QPlainTextEdit* edit) { return TextLines(edit->toPlainText()); }

// Drops local files on a widget at a point of its own, as the desktop does.
bool Drop(QWidget* on, QPoint at, const QStringList& paths) {
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& p : paths) urls << QUrl::fromLocalFile(p);
    data.setUrls(urls);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(on, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(on, &drop);
    return enter.isAccepted() && drop.isAccepted();
}

QPoint Middle(QWidget* w) { return w->rect().center(); }

}  // namespace

class TargetEntryTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);  // the file dialogs keep their history there
        InstallFontSubstitutes();
    }

    void filterEntriesFollowThePatterns() {
        settings::Settings cnf = settings::MakeDefaultSettings();
        std::vector<FilterEntry> want = {
            {Sj("ｿｰｽﾌｧｲﾙ(*.h,*.c,*.cpp,*.inc,*.asm,*.java,*.sql,*.bas)"),
             "*.h;*.c;*.cpp;*.inc;*.asm;*.java;*.sql;*.bas"},
            {Sj("Ｃ言語(*.c,*.cpp,*.h)"), "*.c;*.cpp;*.h"},
            {Sj("ｱｾﾝﾌﾞﾗ(*.asm,*.inc)"), "*.asm;*.inc"},
            {"Java(*.java)", "*.java"},
            {"PL/SQL(*.sql)", "*.sql"},
            {"BASIC(*.bas)", "*.bas"},
            {Sj("すべてのﾌｧｲﾙ(*.*)"), "*.*"},
        };
        QVERIFY(OpenFilterEntries(cnf) == want);

        // C sources emptied: the headers still belong to all sources; no header
        // pattern: the source pattern alone; an empty kind shows its label alone.
        cnf.ExtensionPatterns = {"*.h", "", "", "*.s,*.asm", Sj("*.ｊ"), "", "*.bas"};
        auto e = OpenFilterEntries(cnf);
        QCOMPARE(e[0].Description, Sj("ｿｰｽﾌｧｲﾙ(*.h,*.s,*.asm,*.ｊ,*.bas)"));
        QCOMPARE(e[1].Description, Sj("Ｃ言語"));
        QCOMPARE(e[1].Patterns, std::string());
        QCOMPARE(e[2].Description, Sj("ｱｾﾝﾌﾞﾗ(*.s,*.asm)"));
        QCOMPARE(e[2].Patterns, std::string("*.s;*.asm"));
        QCOMPARE(e[3].Description, Sj("Java(*.ｊ)"));
        QCOMPARE(e[4].Description, std::string("PL/SQL"));
    }

    // The counted languages of the table follow the five with their patterns as
    // set (a language naming no file takes no entry) and join all sources; "all
    // files" keeps its stored number 7 whether they are listed or not.
    void filterEntriesListTheCountedLanguages() {
        engine::LanguageTable table;
        engine::ParseLanguages(
            "[Py]\nkind = Py\nextensions = *.py,*.pyw\n[Make]\nkind = Mk\nfilenames = Makefile\n"
            "[Sh]\nkind = Sh\nshebang = sh\n",
            "t.conf", table);
        const auto before = engine::InstalledLanguages();
        engine::InstallLanguages(engine::MakeLanguageSet(std::move(table)));
        Fixture f;
        QList<OpenFilesRequest> requests;
        const auto answer = [&](const OpenFilesRequest& r, OpenFilesAnswer& a) {
            requests << r;
            a.Files = {QStringLiteral("/src/Makefile")};
            a.FilterIndex = 7;
            return true;
        };
        f.prompts.OpenFiles = {answer, answer};
        f.state.Cnf.LanguagePatterns = {{"Py", "*.py,*.pyi"}};
        f.state.Cnf.OpenDialogFilter = 7;
        Command(*f.window, "openAction")->trigger();
        f.state.Cnf.AllLanguages = 0;
        Command(*f.window, "openAction")->trigger();
        engine::InstallLanguages(before);

        const std::vector<FilterEntry> with = requests.value(0).Filters;
        QCOMPARE(with.size(), std::size_t(9));
        QCOMPARE(with[0].Description,
                 Sj("ｿｰｽﾌｧｲﾙ(*.h,*.c,*.cpp,*.inc,*.asm,*.java,*.sql,*.bas,ほか言語表の言語)"));
        QCOMPARE(with[0].Patterns,
                 std::string("*.h;*.c;*.cpp;*.inc;*.asm;*.java;*.sql;*.bas;*.py;*.pyi;Makefile"));
        QVERIFY(with[6] == (FilterEntry{"Py(*.py,*.pyi)", "*.py;*.pyi"}));
        QVERIFY(with[7] == (FilterEntry{"Make(Makefile)", "Makefile"}));
        QCOMPARE(with[8].Patterns, std::string("*.*"));
        QCOMPARE(requests.value(0).FilterIndex, 8);  // all files
        QCOMPARE(f.state.Cnf.OpenDialogFilter, 9);   // the second language
        QVERIFY(requests.value(1).Filters == OpenFilterEntries(f.state.Cnf));
        QCOMPARE(requests.value(1).FilterIndex, 0);  // a language not listed: the first entry
        for (int position : {0, 5, 6, 7, 8})
            QCOMPARE(OpenFilterPosition(OpenFilterNumber(position, 9), 9), position);
        QCOMPARE(OpenFilterPosition(7, 7), 6);
    }

    void theOpenDialogShowsTheEntriesExactly() {
        settings::Settings cnf = settings::MakeDefaultSettings();
        for (int edited = 0; edited < 2; ++edited) {
            if (edited) cnf.ExtensionPatterns = {"*.h", "", "*.inc", "*.asm", Sj("*.ｊ"), "*.sql", "*.bas"};
            OpenFilesRequest request;
            request.Title = QStringLiteral("対象ｿｰｽﾌｧｲﾙの指定(複数可)");
            auto entries = OpenFilterEntries(cnf);
            request.Filters.assign(entries.begin(), entries.end());
            request.FilterIndex = edited ? 3 : 4;  // edited: a pattern Qt's filter syntax rejects
            QFileDialog dialog;
            ConfigureOpenDialog(dialog, request);
            QCOMPARE(dialog.windowTitle(), request.Title);
            QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFiles);
            auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            QVERIFY(combo);
            QCOMPARE(combo->count(), 7);
            for (int i = 0; i < 7; ++i) QCOMPARE(combo->itemText(i), ToQ(entries[i].Description));
            QCOMPARE(SelectedFilter(dialog), request.FilterIndex);
        }
    }

    // The open and the save dialog show a size in megabytes, a file type and a date
    // and time whole in their columns, not cut to "36…iB" and "2026/1…".
    void fileDialogColumnsShowTheirTextsWhole() {
        testing::TempDir dir;
        for (const char* name : {"/big.c", "/big.txt"}) {
            dir.Write(std::string(name + 1), "int a;\n");
            std::filesystem::resize_file(dir.str() + name, 37748736);  // sparse: takes no room
        }
        for (bool save : {false, true}) {
            QFileDialog dialog;
            if (save) {
                ConfigureSaveDialog(dialog, QString::fromStdString(dir.str()));
            } else {
                OpenFilesRequest request;
                request.Folder = QString::fromStdString(dir.str());
                auto entries = OpenFilterEntries(settings::MakeDefaultSettings());
                request.Filters.assign(entries.begin(), entries.end());
                ConfigureOpenDialog(dialog, request);
            }
            dialog.show();
            auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
            QVERIFY(view);
            auto whole = [&] {
                const QModelIndex root = view->rootIndex();
                if (view->model()->rowCount(root) != 1) return false;
                for (int column = 1; column <= 3; ++column) {
                    const QString text = view->model()->index(0, column, root).data().toString();
                    if (text.isEmpty() ||
                        view->header()->sectionSize(column) < view->fontMetrics().horizontalAdvance(text) + 6)
                        return false;
                }
                return true;
            };
            QTRY_VERIFY2(whole(), save ? "save" : "open");
        }
    }

    void openAppendsTheChosenFilesAndRemembers() {
        Fixture f;
        MainWindow& w = *f.window;
        w.Targets().List()->setPlainText(QStringLiteral("/old/*.c"));
        f.state.Paths.OpenFolder = Sj("/src/旧");
        QList<OpenFilesRequest> requests;
        QStringList files;
        int chosenEntry = 3;
        auto open = [&] {
            f.prompts.OpenFiles.push_back([&](const OpenFilesRequest& r, OpenFilesAnswer& a) {
                requests << r;
                a.Files = files;
                a.FilterIndex = chosenEntry;
                return !files.isEmpty();
            });
            Command(w, "openAction")->trigger();
        };

        open();  // cancelled: nothing changes
        QCOMPARE(requests.value(0).Title, QStringLiteral("対象ｿｰｽﾌｧｲﾙの指定(複数可)"));
        QCOMPARE(requests.value(0).Folder, QStringLiteral("/src/旧"));
        QCOMPARE(requests.value(0).FilterIndex, 0);
        QCOMPARE(requests.value(0).Filters.size(), std::size_t(7));
        QCOMPARE(Lines(w.Targets().List()), QStringList{QStringLiteral("/old/*.c")});
        QCOMPARE(f.state.Cnf.OpenDialogFilter, 0);

        files = {QStringLiteral("/src/新/b.java"), QStringLiteral("/src/新/a.java"),
                 QStringLiteral("/src/新/c.java")};
        open();
        QCOMPARE(Lines(w.Targets().List()), QStringList{QStringLiteral("/old/*.c")} + files);
        QCOMPARE(f.state.Paths.OpenFolder, Sj("/src/新"));
        QCOMPARE(f.state.Cnf.OpenDialogFilter, 4);  // counted from 1

        files = {QStringLiteral("/top.c")};
        open();
        QCOMPARE(requests.value(2).FilterIndex, 3);  // the entry used last time
        QCOMPARE(f.state.Paths.OpenFolder, std::string("/"));

        f.state.Cnf.OpenDialogFilter = 99;  // a hand-edited INI: the first entry
        open();
        QCOMPARE(requests.value(3).FilterIndex, 0);
    }

    void foldersPartsAndAppendedLines() {
        QCOMPARE(FolderPart("/src/a.c"), std::string("/src"));
        QCOMPARE(FolderPart("/a.c"), std::string("/"));
        QCOMPARE(FolderPart("//a.c"), std::string("//"));
        QCOMPARE(FolderPart(Sj("/ソース/表.c")), Sj("/ソース"));
        QCOMPARE(FolderPart("a.c"), std::string());

        QPlainTextEdit pane;
        AppendLines(&pane, {QStringLiteral("a")});
        QCOMPARE(pane.toPlainText(), QStringLiteral("a"));
        AppendLines(&pane, {QStringLiteral("b"), QStringLiteral("c")});
        QCOMPARE(pane.toPlainText(), QStringLiteral("a\nb\nc"));
        pane.setPlainText(QStringLiteral("a\n"));  // a final line break leaves no empty line
        AppendLines(&pane, {QStringLiteral("b")});
        QCOMPARE(pane.toPlainText(), QStringLiteral("a\nb"));
        pane.undo();  // one step
        QCOMPARE(pane.toPlainText(), QStringLiteral("a\n"));
    }

    void folderCommandCentresThePickerAndAppendsTheChoice() {
        Fixture f;
        MainWindow& w = *f.window;
        f.state.Paths.BrowseFolder = Sj("/work/前");
        QWidget picker;
        picker.resize(301, 201);
        std::string initStatus, selStatus, directoryIn;
        QString caption;
        unsigned options = 0;
        bool accept = false;
        auto browse = [&] {
            f.prompts.Folders.push_back([&](FolderBrowser& d) {
                caption = ToQ(d.Caption);
                options = d.Options;
                directoryIn = d.Directory;
                int ok = 0;
                d.OnInitialized(&picker, ok, initStatus, d.Directory);
                d.OnSelectionChanged(&picker, ok, selStatus, Sj("/work/後"));
                if (accept) d.Directory = Sj("/work/後");
                return accept;
            });
            Command(w, "folderAction")->trigger();
        };

        browse();  // cancelled
        QCOMPARE(caption, QStringLiteral("ｿｰｽﾌｧｲﾙのﾌｫﾙﾀﾞを指定してください。"));
        QCOMPARE(options, unsigned(BrowseOnlyFsDirs | BrowseStatusText));
        QCOMPARE(directoryIn, Sj("/work/前"));
        QCOMPARE(initStatus, Sj("/work/前"));
        QCOMPARE(selStatus, Sj("/work/後"));
        QRect s = picker.screen()->geometry();
        QCOMPARE(picker.frameGeometry().topLeft(),
                 QPoint(s.x() + (s.width() - picker.frameGeometry().width()) / 2,
                        s.y() + (s.height() - picker.frameGeometry().height()) / 2));
        QVERIFY(w.Targets().List()->toPlainText().isEmpty());
        QCOMPARE(f.state.Paths.BrowseFolder, Sj("/work/前"));

        accept = true;
        browse();
        QCOMPARE(Lines(w.Targets().List()), QStringList{QStringLiteral("/work/後")});
        QCOMPARE(f.state.Paths.BrowseFolder, Sj("/work/後"));
        QVERIFY(Command(w, "countAction")->isEnabled());
    }

    void theBrowseDialogReportsItsFolders() {
        testing::TempDir dir;
        std::filesystem::create_directories(dir.path() / "sub" / "deeper");
        const QString top = QString::fromStdString(dir.str());
        const QString sub = top + QStringLiteral("/sub");
        QWidget owner;

        FolderBrowser d(&owner);
        d.Options = BrowseOnlyFsDirs | BrowseStatusText;
        d.Directory = ToSjis(top) + "/";  // the trailing "/" is dropped
        QStringList events;
        d.OnInitialized = [&](QWidget* picker, int& ok, std::string& status, const std::string& path) {
            QCOMPARE(picker, static_cast<QWidget*>(d.Picker()));
            QCOMPARE(ok, 0);
            QVERIFY(status.empty());
            events << QStringLiteral("init ") + ToQ(path);
            status = "start";
            QTimer::singleShot(0, d.Picker(), [&] {
                QCOMPARE(d.StatusLine()->text(), QStringLiteral("start"));
                QVERIFY(d.StatusLine()->isVisible());
                QCOMPARE(QDir::cleanPath(d.Folders()->directory().absolutePath()), top);
                emit d.Folders()->directoryEntered(sub);
                QCOMPARE(d.StatusLine()->text(), QStringLiteral("sel ") + sub);
                auto* buttons = d.Folders()->findChild<QDialogButtonBox*>();
                QVERIFY(!buttons->button(QDialogButtonBox::Open)->isEnabled());
                d.Folders()->setDirectory(sub);
                static_cast<QDialog*>(d.Folders())->accept();
            });
        };
        d.OnSelectionChanged = [&](QWidget*, int& ok, std::string& status, const std::string& path) {
            events << QStringLiteral("sel ") + ToQ(path);
            status = "sel " + path;
            ok = FolderBrowser::OkDisable;
        };
        QVERIFY(d.Execute());
        QCOMPARE(events, (QStringList{QStringLiteral("init ") + top, QStringLiteral("sel ") + sub}));
        QCOMPARE(ToQ(d.Directory), sub);
        QVERIFY(!d.Picker());

        // Cancelled: Directory stays. With a root, the picker never leaves it.
        d.Root = ToSjis(sub);
        d.Directory = "/";
        events.clear();
        d.OnInitialized = [&](QWidget*, int&, std::string&, const std::string&) {
            QTimer::singleShot(0, d.Picker(), [&] {
                QCOMPARE(QDir::cleanPath(d.Folders()->directory().absolutePath()), sub);
                emit d.Folders()->directoryEntered(top);
                QCOMPARE(QDir::cleanPath(d.Folders()->directory().absolutePath()), sub);
                d.Picker()->reject();
            });
        };
        QVERIFY(!d.Execute());
        QCOMPARE(events, QStringList{QStringLiteral("sel ") + sub});
        QCOMPARE(d.Directory, std::string("/"));
    }

    void dropsGoToTheTargetListOrTheOpenMemoOnly() {
        Fixture f;
        MainWindow& w = *f.window;
        const QStringList paths = {QStringLiteral("/d/a.c"), QStringLiteral("/d/b.c"),
                                   QStringLiteral("/d/sub")};

        QVERIFY(Drop(w.Targets().List()->viewport(), Middle(w.Targets().List()->viewport()), paths));
        QCOMPARE(Lines(w.Targets().List()), paths);
        QVERIFY(Command(w, "countAction")->isEnabled());

        // Elsewhere the drop is taken and ignored: the result pane, the tabs, the
        // closed memo pane.
        w.Result().SetText(QStringLiteral("report"));
        QVERIFY(
            Drop(w.Result().TextWidget()->viewport(), Middle(w.Result().TextWidget()->viewport()), paths));
        QCOMPARE(w.Result().Text(), QStringLiteral("report"));
        QVERIFY(!w.DropFilesAt(w.Tabs().Row()->mapTo(&w, Middle(w.Tabs().Row())), paths));
        QVERIFY(!w.DropFilesAt(w.Targets().Memo()->parentWidget()->mapTo(&w, QPoint(5, 5)), paths));
        QVERIFY(!w.DropFilesAt(QPoint(-5, 10), paths));
        QCOMPARE(Lines(w.Targets().List()), paths);
        QVERIFY(w.Targets().Memo()->toPlainText().isEmpty());

        w.OpenMemoPane(false);
        QVERIFY(
            Drop(w.Targets().Memo()->viewport(), Middle(w.Targets().Memo()->viewport()), paths.mid(0, 1)));
        QCOMPARE(Lines(w.Targets().Memo()), paths.mid(0, 1));
        QCOMPARE(Lines(w.Targets().List()), paths);

        // A path longer than 254 bytes stays whole: cut, it would name its parent folder.
        QString longPath = QStringLiteral("/") + QString(252, QLatin1Char('x')) + QStringLiteral("表/a.c");
        QVERIFY(w.DropFilesAt(w.Targets().List()->mapTo(&w, QPoint(20, 20)), {longPath}));
        QCOMPARE(Lines(w.Targets().List()).last(), longPath);
    }
};

QTEST_MAIN(TargetEntryTest)
#include "target_entry_test.moc"
