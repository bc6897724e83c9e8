#include "ui/change_dialog.h"

#include <QChart>
#include <QTest>
#include <memory>

#include "run/git_test_util.h"
#include "test_util.h"
#include "ui/chart_pane.h"
#include "ui/folder_browser.h"
#include "ui/history_dialog.h"
#include "ui/qt_text.h"
#include "ui_fixture.h"

using namespace zarnik;
using namespace zarnik::ui;

namespace {

#define ASSERT_SHELL(dir, command)                                   \
    do {                                                             \
        const testing::ShellResult r = testing::Shell(dir, command); \
        QVERIFY2(r.Status == 0, r.Out.c_str());                      \
    } while (0)

// The window over an INI file in dir, saved for real when it closes.
struct IniWindow : WindowFixture {
    explicit IniWindow(const testing::TempDir& dir)
        : WindowFixture([&dir](AppState& state) { UseIniFile(state, dir.str() + "/zarnik.ini"); }) {}
};

// The report zarnik-count writes for a repository's two revisions, in Shift-JIS.
std::string CliRevisionReport(const testing::TempDir& dir, const std::string& oldRev,
                              const std::string& newRev) {
    return testing::Shell(dir, testing::BinDir() +
                                   "/zarnik-count --set HeadDT=0 --encoding sjis --diff --rev-old " + oldRev +
                                   " --rev-new " + newRev + " '" + dir.str() + "/repo/'")
        .Out;
}

}  // namespace

class ChangeDialogTest : public QObject {
    Q_OBJECT
private slots:
    void okNeedsBothVersionsAndTheBrowserFillsAField() {
        std::string lastFolder = "/last";
        ScriptedPrompts prompts;
        ChangeCountDialog d(QString(), QStringLiteral("/rel/2.0"), lastFolder, prompts);
        QVERIFY(!d.okButton->isEnabled());
        d.oldEdit->setText(QStringLiteral("/rel/1.0"));
        QVERIFY(d.okButton->isEnabled());
        d.newEdit->clear();
        QVERIFY(!d.okButton->isEnabled());

        std::vector<std::string> starts;
        prompts.Folders = {[&](FolderBrowser& b) {
                               starts.push_back(b.Directory);
                               b.ChosenPath = QStringLiteral("/picked/新");
                               b.Directory = ToSjis(b.ChosenPath);
                               return true;
                           },
                           [&](FolderBrowser& b) {
                               starts.push_back(b.Directory);
                               return false;  // cancelled: the field keeps its line
                           }};
        d.newBrowseButton->click();
        QCOMPARE(d.NewTarget(), QStringLiteral("/picked/新"));
        QCOMPARE(lastFolder, ToSjis(QStringLiteral("/picked/新")));
        QVERIFY(d.okButton->isEnabled());
        d.oldBrowseButton->click();  // a line naming no folder starts at the last choice
        QCOMPARE(d.OldTarget(), QStringLiteral("/rel/1.0"));
        QCOMPARE(starts, (std::vector<std::string>{"/last", ToSjis(QStringLiteral("/picked/新"))}));
    }

    void theCommandRemembersBothVersionsInTheIniFile() {
        testing::TempDir dir;
        dir.Write("old/a.c", "int a;\n");
        const QString oldTarget = QString::fromStdString(dir.str() + "/old");
        const QString newTarget = QString::fromStdString(dir.str() + "/new é");  // not in Shift-JIS
        {
            IniWindow win(dir);
            MainWindow& w = *win.window;
            std::vector<std::string> browseStarts;
            auto chooseNew = [&](FolderBrowser& b) {
                browseStarts.push_back(b.Directory);
                b.ChosenPath = newTarget;
                b.Directory = ToSjis(newTarget);
                return true;
            };
            win.prompts.Folders = {chooseNew, chooseNew};
            win.prompts.Dialogs.push_back([](QDialog& d) {
                return static_cast<ChangeCountDialog&>(d).cancelButton->click(), d.result();
            });
            win.prompts.Dialogs.push_back([&](QDialog& dialog) {
                auto& d = static_cast<ChangeCountDialog&>(dialog);
                d.oldEdit->setText(oldTarget);
                d.oldBrowseButton->click();  // starts at the folder the field names
                d.oldEdit->setText(oldTarget);
                d.newBrowseButton->click();  // an empty field: the folder chosen last
                d.okButton->click();
                return d.result();
            });
            Command(w, "changeCountAction")->trigger();  // cancelled: nothing is kept, nothing runs
            QVERIFY(win.state.DiffOld.empty() && win.messages.isEmpty());
            Command(w, "changeCountAction")->trigger();
            QCOMPARE(browseStarts, (std::vector<std::string>{ToSjis(oldTarget), ToSjis(newTarget)}));
            QCOMPARE(QString::fromStdString(win.state.DiffNew), newTarget);
            QVERIFY(w.close());
        }
        IniWindow again(dir);
        QString shownOld, shownNew;
        again.prompts.Dialogs.push_back([&](QDialog& dialog) {
            auto& d = static_cast<ChangeCountDialog&>(dialog);
            shownOld = d.OldTarget();
            shownNew = d.NewTarget();
            return int(QDialog::Rejected);
        });
        Command(*again.window, "changeCountAction")->trigger();
        QCOMPARE(shownOld, oldTarget);
        QCOMPARE(shownNew, newTarget);
    }

    void twoRevisionsArePickedFromTheRepositoryAndCountedAsOnTheCommandLine() {
        testing::TempDir dir;
        dir.Write("repo/a.c", "int a;\n");
        dir.Write("repo/gone.c", "/* g */\n");
        dir.Write("plain/p.c", "int p;\n");
        ASSERT_SHELL(dir,
                     "git init -q -b main repo && git -C repo add . && git -C repo commit -qm 1 && "
                     "git -C repo tag v1 && git -C repo branch topic");
        dir.Write("repo/a.c", "int a;\nint b;\n\n");
        ASSERT_SHELL(dir, "git -C repo rm -q gone.c && git -C repo commit -qam 2 && git -C repo tag v2");
        const QString repo = QString::fromStdString(dir.str() + "/repo");

        WindowFixture win([](AppState& state) {
            settings::LoadSettings(state);
            state.Cnf.HeaderShowsDate = 0;
        });
        MainWindow& w = *win.window;
        QStringList offered;
        std::vector<int> results;  // the dialog's result after each OK
        ChangeCountDialog::Revisions shownAgain;
        win.prompts.Dialogs.push_back([&](QDialog& dialog) {
            auto& d = static_cast<ChangeCountDialog&>(dialog);
            d.revisionRadio->click();
            results.push_back(d.okButton->isEnabled());
            // A folder in no repository, then a revision the repository lacks: the
            // dialog says so and stays open.
            d.repositoryEdit->setText(QString::fromStdString(dir.str() + "/plain"));
            d.FillRevisions();
            results.push_back(d.oldRevisionBox->count());
            d.oldRevisionBox->setEditText(QStringLiteral("v1"));
            d.newRevisionBox->setEditText(QStringLiteral("v3"));
            d.okButton->click();
            results.push_back(d.result());
            d.repositoryEdit->setText(repo);
            d.FillRevisions();
            for (int i = 0; i < d.oldRevisionBox->count(); ++i) offered << d.oldRevisionBox->itemText(i);
            offered << d.newRevisionBox->currentText();  // what was typed stays
            d.okButton->click();
            results.push_back(d.result());
            d.newRevisionBox->setEditText(QStringLiteral("v2"));
            d.okButton->click();
            return d.result();
        });
        win.prompts.Dialogs.push_back([&](QDialog& dialog) {
            auto& d = static_cast<ChangeCountDialog&>(dialog);
            return shownAgain = d.TakeRevisions(), d.cancelButton->click(), d.result();
        });
        Command(w, "changeCountAction")->trigger();
        QCOMPARE(results, (std::vector<int>{0, 0, QDialog::Rejected, QDialog::Rejected}));
        // The run itself has nothing to say.
        QCOMPARE(win.messages,
                 (QStringList{QStringLiteral("ｴﾗｰ:指定されたﾌｫﾙﾀﾞはGitﾘﾎﾟｼﾞﾄﾘの中にありません。\n") +
                                  QString::fromStdString(dir.str() + "/plain"),
                              QStringLiteral("ｴﾗｰ:指定されたﾘﾋﾞｼﾞｮﾝがﾘﾎﾟｼﾞﾄﾘにありません。\nv3")}));
        // Branches first, then tags.
        QCOMPARE(offered, (QStringList{"main", "topic", "v1", "v2", "v3"}));
        std::string shown;
        for (const std::string& l : w.ResultLines()) shown += l + "\r\n";
        QCOMPARE(shown, CliRevisionReport(dir, "v1", "v2"));
        // The form is offered again as last used; the folder form keeps its lines.
        Command(w, "changeCountAction")->trigger();
        QVERIFY(shownAgain.Chosen && shownAgain.Repository == repo);
        QCOMPARE(shownAgain.Old + shownAgain.New, QStringLiteral("v1v2"));
        QVERIFY(win.state.DiffOld.empty());
    }

    // The totals at each commit reach the pane and the chart's figures, the same
    // as the command line's history; a target outside any repository keeps the
    // dialog open with a message.
    void historyShowsEachCommitsTotalsAsTheCommandLineCountsThem() {
        testing::TempDir dir;
        dir.Write("repo/a.c", "/* a */\nint a;\n");
        dir.Write("plain/p.c", "int p;\n");
        ASSERT_SHELL(dir,
                     "git init -q -b main repo && git -C repo add . && git -C repo commit -qm 1 && "
                     "git -C repo tag v1");
        dir.Write("repo/b.java", "class B {}\n\n");
        ASSERT_SHELL(dir, "git -C repo add . && git -C repo commit -qm 2");

        WindowFixture win([](AppState& state) { settings::LoadSettings(state); });
        MainWindow& w = *win.window;
        win.prompts.Dialogs.push_back([&](QDialog& dialog) {
            auto& d = static_cast<HistoryCountDialog&>(dialog);
            d.targetEdit->setText(QString::fromStdString(dir.str() + "/plain"));
            d.okButton->click();
            d.targetEdit->setText(QString::fromStdString(dir.str() + "/repo"));
            d.okButton->click();
            return d.result();
        });
        Command(w, "chartAction")->trigger();
        Command(w, "historyCountAction")->trigger();
        QCOMPARE(win.messages,
                 QStringList{QStringLiteral("ｴﾗｰ:指定されたｿｰｽはGitﾘﾎﾟｼﾞﾄﾘの中にありません。\n") +
                             QString::fromStdString(dir.str() + "/plain")});
        const report::HistoryChart* chart = w.LastRunHistory();
        QVERIFY(chart);
        QCOMPARE(chart->Commits.size(), std::size_t{2});
        QCOMPARE(chart->Commits[0].Label, std::string("v1"));
        // kind, lines at each commit, as the command line's csv rows give them
        std::string got, want;
        for (const auto& series : chart->Kinds)
            got += series.Name + ":" + std::to_string(series.Lines[0]) + "," +
                   std::to_string(series.Lines[1]) + ";";
        const std::string csv =
            testing::Shell(dir, testing::BinDir() + "/zarnik-count --history --format csv repo").Out;
        QCOMPARE(QString::fromStdString(got), QStringLiteral("C･ｿｰｽ:2,2;Java･ｿｰｽ:0,2;"));
        QVERIFY2(
            csv.find(",C･ｿｰｽ,1,2,") != std::string::npos && csv.find(",Java･ｿｰｽ,1,2,") != std::string::npos,
            csv.c_str());
        int commitLines = 0;
        for (const std::string& l : w.ResultLines())
            commitLines += l.rfind(ToSjis(QStringLiteral("ｺﾐｯﾄ ")), 0) == 0;
        QCOMPARE(commitLines, 2);
        QVERIFY(!Command(w, "saveCsvAction")->isEnabled());
        // Its page is the command line's.
        const std::string page = dir.str() + "/history.html";
        win.prompts.SaveNames = {QString::fromStdString(page)};
        Command(w, "saveHtmlAction")->trigger();
        QCOMPARE(testing::ReadFileBytes(page),
                 testing::Shell(
                     dir, testing::BinDir() + "/zarnik-count --history --format html " + dir.str() + "/repo")
                     .Out);
        // The chart pane draws a line for each kind.
        QCOMPARE(w.Chart().Charts().size(), 1);
        QCOMPARE(w.Chart().Charts()[0]->series().size(), 2);
    }
};

QTEST_MAIN(ChangeDialogTest)
#include "change_dialog_test.moc"
