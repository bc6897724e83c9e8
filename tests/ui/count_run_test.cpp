#include <sys/stat.h>
#include <unistd.h>

#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "test_util.h"
#include "ui/change_dialog.h"
#include "ui/main_window.h"
#include "ui/progress_dialog.h"
#include "ui/qt_text.h"
#include "ui/ui_style.h"
#include "ui_fixture.h"

using namespace zarnik;
using namespace zarnik::ui;

namespace {

std::string RunCli(const std::string& target, const std::string& options) {
    std::string cmd = std::string(std::getenv("ZARNIK_BIN")) + "/zarnik-count --set HeadDT=0 " + options +
                      " '" + target + "'";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return out;
}

std::string RunCliSjis(const std::string& target, const std::string& options = "") {
    return RunCli(target, "--encoding sjis " + options);
}

struct Window : WindowFixture {
    Window()
        : WindowFixture([](AppState& state) {
              settings::LoadSettings(state);
              state.Cnf.HeaderShowsDate = 0;
          }) {}
    // What the save command named action writes to path.
    std::string Saved(const char* action, const std::string& path) {
        prompts.SaveNames = {QString::fromStdString(path)};
        Command(*window, action)->trigger();
        return testing::ReadFileBytes(path);
    }
    std::string ResultSjis() const {
        std::string out;
        for (const std::string& l : window->ResultLines()) out += l + "\r\n";
        return out;
    }
};

void MakeTree(const testing::TempDir& dir) {
    dir.Write("src/main.c", "/* main */\nint main(void) {\n\n    return 0;\n}\n");
    dir.Write("src/sub/x.h", "/*\n\n*/\n");
    dir.Write("src/sub/Util.java", "// u\nclass U {}\n");
    dir.Write("src/readme.txt", "hello\n");
}

}  // namespace

class CountRunTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutes(); }

    void runAppendsWhatTheCommandLinePrints() {
        testing::TempDir dir;
        MakeTree(dir);
        Window win;
        win.window->Targets().List()->setPlainText(QString::fromStdString(dir.str() + "/src"));
        QVERIFY(Command(*win.window, "countAction")->isEnabled());
        QVERIFY(!Command(*win.window, "saveCsvAction")->isEnabled());  // until a run has finished
        Command(*win.window, "countAction")->trigger();
        QCOMPARE(win.ResultSjis(), RunCliSjis(dir.str() + "/src"));
        // The report is no edit to take back: Ctrl+Z leaves every line.
        QTest::keyClick(win.window->Result().TextWidget(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(win.ResultSjis(), RunCliSjis(dir.str() + "/src"));
        // The finished run's rows as the command line's Shift-JIS csv gives them.
        QVERIFY(Command(*win.window, "saveCsvAction")->isEnabled());
        QCOMPARE(win.Saved("saveCsvAction", dir.str() + "/out.csv"),
                 RunCliSjis(dir.str() + "/src", "--format csv"));
        QVERIFY(win.prompts.SaveKinds.back() == Prompts::SaveKind::Csv);
        // And as the command line's page.
        QVERIFY(Command(*win.window, "saveHtmlAction")->isEnabled());
        QCOMPARE(win.Saved("saveHtmlAction", dir.str() + "/out.html"),
                 RunCli(dir.str() + "/src", "--format html"));
        QVERIFY(win.prompts.SaveKinds.back() == Prompts::SaveKind::Html);
        // The workbook (its content is the command line's test); a folder that is not
        // there is said, and nothing is left behind.
        QVERIFY(Command(*win.window, "saveXlsxAction")->isEnabled());
        win.prompts.SaveNames = {QString::fromStdString(dir.str() + "/out.xlsx"),
                                 QString::fromStdString(dir.str() + "/none/out.xlsx")};
        Command(*win.window, "saveXlsxAction")->trigger();
        QVERIFY(win.prompts.SaveKinds.back() == Prompts::SaveKind::Xlsx);
        QCOMPARE(testing::ReadFileBytes(dir.str() + "/out.xlsx").substr(0, 2), std::string("PK"));
        Command(*win.window, "saveXlsxAction")->trigger();
        QVERIFY(win.messages.value(0).contains(QStringLiteral("none/out.xlsx を作成できません")));
        win.messages.clear();
        for (const auto& entry : std::filesystem::directory_iterator(dir.str()))
            QVERIFY(entry.path().filename().string().front() != '.');  // no temporary file stays
        QVERIFY(win.window->Result().HeaderStrip()->isVisible());
        QVERIFY(win.window->Result().HeaderStrip()->text().startsWith(QStringLiteral("ファイル名")));
        QCOMPARE(win.state.Cnf.ResultUnsaved, 1);
        QVERIFY(Command(*win.window, "saveAction")->isEnabled());
        QVERIFY(!win.window->ProgressWindow()->isVisible());

        // A second run follows the first after one empty line.
        std::string first = win.ResultSjis();
        Command(*win.window, "countAction")->trigger();
        QCOMPARE(win.ResultSjis(), first + "\r\n" + first);
        // Cleared, the pane leaves nothing to save, as text or as csv.
        Command(*win.window, "clearAction")->trigger();
        QVERIFY(!Command(*win.window, "saveAction")->isEnabled() &&
                !Command(*win.window, "saveCsvAction")->isEnabled() &&
                !Command(*win.window, "saveHtmlAction")->isEnabled() &&
                !Command(*win.window, "saveXlsxAction")->isEnabled());
        win.window->Result().SetText(QStringLiteral("typed"));
        QVERIFY(Command(*win.window, "saveAction")->isEnabled() &&
                !Command(*win.window, "saveCsvAction")->isEnabled());
    }

    void changeRunFollowsACountAndItsCsvReplacesTheCount() {
        testing::TempDir dir;
        dir.Write("old/a.c", "int a;\n/* x */\n");
        dir.Write("old/gone.c", "int g;\n");
        dir.Write("new/a.c", "int a;\nint b;\n\n");
        dir.Write("new/added.java", "// n\nclass N {}\n");
        Window win;
        MainWindow& w = *win.window;
        auto confirmChange = [&win] {
            win.prompts.Dialogs.push_back(
                [](QDialog& d) { return static_cast<ChangeCountDialog&>(d).okButton->click(), d.result(); });
        };
        win.state.DiffOld = dir.str() + "/old";
        win.state.DiffNew = dir.str() + "/missing";
        confirmChange();
        Command(w, "changeCountAction")
            ->trigger();  // a version that finds nothing: the count run's warning, naming it
        QCOMPARE(win.messages,
                 QStringList{QStringLiteral("警告:新ﾊﾞｰｼﾞｮﾝ: ") + QString::fromStdString(dir.str()) +
                             QStringLiteral("/missing\r\n指定のファイルにアクセスできません。\r\n"
                                            "ファイルの存在を確かめてください。")});
        QVERIFY(!Command(w, "saveCsvAction")->isEnabled());

        w.Targets().List()->setPlainText(QString::fromStdString(dir.str() + "/old"));
        Command(w, "countAction")->trigger();
        const std::string counted = win.ResultSjis();
        win.state.DiffNew = dir.str() + "/new";
        confirmChange();
        Command(w, "changeCountAction")->trigger();
        const std::string diff = "--diff '" + dir.str() + "/old'";
        QCOMPARE(win.ResultSjis(), counted + "\r\n" + RunCliSjis(dir.str() + "/new", diff));
        QCOMPARE(win.Saved("saveCsvAction", dir.str() + "/out.csv"),
                 RunCliSjis(dir.str() + "/new", "--format csv " + diff));
        QCOMPARE(win.Saved("saveHtmlAction", dir.str() + "/out.html"),
                 RunCli(dir.str() + "/new", "--format html " + diff));
        win.prompts.SaveNames = {QString::fromStdString(dir.str() + "/diff.xlsx")};
        Command(w, "saveXlsxAction")->trigger();
        QCOMPARE(testing::ReadFileBytes(dir.str() + "/diff.xlsx").substr(0, 2), std::string("PK"));

        // An empty old folder is an empty version: every line is new, no warning.
        QCOMPARE(::mkdir((dir.str() + "/empty").c_str(), 0755), 0);
        win.state.DiffOld = dir.str() + "/empty";
        confirmChange();
        Command(w, "changeCountAction")->trigger();
        QCOMPARE(win.messages.size(), 1);
        QVERIFY(ToQ(win.ResultSjis())
                    .contains(QStringLiteral("新規 2個  削除 0個  変更なし 0個  変更 0個  除外 0個")));
    }

    // The run counts on a thread of its own: the window keeps handling its events, and
    // the report reaches the pane in batches, not a layout and a paint per line.
    void aLongRunKeepsTheWindowLiveAndFillsThePaneInBatches() {
        testing::TempDir dir;
        constexpr int kFiles = 3000;
        for (int i = 0; i < kFiles; ++i) dir.Write("src/f" + std::to_string(i) + ".c", "int x;\n");
        Window win;
        MainWindow& w = *win.window;
        w.Targets().List()->setPlainText(QString::fromStdString(dir.str() + "/src"));
        int batches = 0, ticks = 0;
        connect(&w.Result(), &ResultPane::LinesChanged, this, [&] { ++batches; });
        QTimer tick;
        connect(&tick, &QTimer::timeout, this, [&] { ticks += w.Running() ? 1 : 0; });
        tick.start(0);
        Command(w, "countAction")->trigger();
        QCOMPARE(win.ResultSjis(), RunCliSjis(dir.str() + "/src"));
        QVERIFY2(batches < kFiles / 10, qPrintable(QString::number(batches)));
        QVERIFY(ticks > 0);
    }

    // Report lines reach the pane through a table of characters: it gives what the
    // converter gives for every byte and byte pair, ASCII around them included.
    void reportTextConvertsAsTheConverterDoes() {
        auto same = [](const std::string& sjis) {
            QString fast;
            AppendQ(fast, sjis);
            return fast == QString::fromUtf8(text::SjisToUtf8(sjis));
        };
        for (int lead = 0x80; lead <= 0xFF; ++lead) {
            const std::string one = "\\~" + std::string(1, static_cast<char>(lead)) + "a";
            QVERIFY2(same(one), qPrintable(QString::number(lead, 16)));
            for (int trail = 0; trail <= 0xFF; ++trail) {
                const std::string two =
                    "\\~" + std::string{static_cast<char>(lead), static_cast<char>(trail)};
                QVERIFY2(same(two) && same(two + "x"), qPrintable(QString::number(lead * 256 + trail, 16)));
            }
        }
    }

    void cancelWhileCollectingLeavesThePaneAlone() {
        testing::TempDir dir;
        MakeTree(dir);
        Window win;
        win.window->Targets().List()->setPlainText(QString::fromStdString(dir.str() + "/src"));
        win.window->RunPumpHook = [&] { win.window->ProgressWindow()->stopButton->click(); };
        Command(*win.window, "countAction")->trigger();
        QVERIFY(win.window->ResultLines().empty());
        QVERIFY(!win.window->ProgressWindow()->isVisible());
        QVERIFY(win.messages.isEmpty());
        QVERIFY(!Command(*win.window, "saveAction")->isEnabled());
    }

    // Closing the window during a run cancels it; the window closes once the run is over.
    void closeWhileRunningCancelsAndClosesAfterTheRun() {
        testing::TempDir dir;
        MakeTree(dir);
        Window win;
        MainWindow& w = *win.window;
        w.Targets().List()->setPlainText(QString::fromStdString(dir.str() + "/src"));
        bool stillOpen = false;
        w.RunPumpHook = [&] {
            if (stillOpen) return;
            w.close();
            stillOpen = w.isVisible() && w.Running();
        };
        Command(w, "countAction")->trigger();
        QVERIFY(stillOpen);
        QVERIFY(w.ProgressWindow()->CancelRequested());
        QVERIFY(w.ResultLines().empty());
        QVERIFY(!w.isVisible());
    }

    void cancelWhileCountingStillWritesTheTotals() {
        testing::TempDir dir;
        MakeTree(dir);
        Window win;
        win.window->Targets().List()->setPlainText(QString::fromStdString(dir.str() + "/src"));
        int filesSeen = 0;
        win.window->RunPumpHook = [&] {
            if (win.window->ProgressWindow()->phaseLabel->text() != QStringLiteral("処理中...")) return;
            if (++filesSeen == 2) win.window->ProgressWindow()->stopButton->click();  // after the first file
        };
        Command(*win.window, "countAction")->trigger();
        std::string text = text::SjisToUtf8(win.ResultSjis());
        QVERIFY(text.find("main.c") != std::string::npos);
        QVERIFY(text.find("x.h") == std::string::npos);
        QVERIFY(text.find("■全ｿｰｽﾌｧｲﾙ総合計        1個") != std::string::npos);
        QVERIFY(!win.window->ProgressWindow()->isVisible());
        QCOMPARE(win.state.Cnf.ResultUnsaved, 1);
        // The report says it was cut short, in the pane and in the saved file.
        const std::string cancelled = testing::Sj("※ 中断しました: 4 ﾌｧｲﾙ中 1 ﾌｧｲﾙを処理") + "\r\n";
        QVERIFY(win.ResultSjis().ends_with(cancelled));
        const std::string saved = dir.str() + "/saved.txt";
        win.prompts.SaveNames = {QString::fromStdString(saved)};
        Command(*win.window, "saveAction")->trigger();
        QVERIFY(testing::ReadFileBytes(saved).ends_with(cancelled));
    }

    void targetLinesThatFindNothingAreNamedAfterTheRun() {
        testing::TempDir dir;
        MakeTree(dir);
        Window win;
        const std::string typo = dir.str() + "/scr";
        win.window->Targets().List()->setPlainText(
            QString::fromStdString(typo + "\n" + dir.str() + "/src\n"));
        Command(*win.window, "countAction")->trigger();
        QCOMPARE(win.ResultSjis(), RunCliSjis(dir.str() + "/src"));  // the report is the same
        QCOMPARE(win.messages,
                 QStringList{QStringLiteral("警告:次の指定ではファイルが見つかりませんでした。\n") +
                             QString::fromStdString(typo)});
    }

    void aTargetLineHoldingANulIsRefused() {
        testing::TempDir dir;
        MakeTree(dir);
        Window win;
        const std::string line = dir.str() + "/src/main.c" + std::string("\0/x", 3);
        win.window->Targets().List()->setPlainText(QString::fromStdString(line));
        Command(*win.window, "countAction")->trigger();
        QVERIFY(win.window->ResultLines().empty());
        QCOMPARE(
            win.messages,
            QStringList{QStringLiteral("ｴﾗｰ:対象の指定にNUL文字が含まれているため、カウントできません。\n") +
                        QString::fromStdString(dir.str() + "/src/main.c?/x")});
    }

    void duringARunOnlyCancelAndViewCommandsWork() {
        testing::TempDir dir;
        MakeTree(dir);
        Window win;
        MainWindow& w = *win.window;
        w.Targets().List()->setPlainText(QString::fromStdString(dir.str() + "/src"));
        w.Result().SetText(QStringLiteral("earlier result"));
        bool checked = false;
        w.RunPumpHook = [&] {
            if (checked) return;
            checked = true;
            for (QAction* a :
                 {Command(w, "clearAction"), Command(w, "settingsAction"), Command(w, "envEditAction"),
                  Command(w, "countAction"), Command(w, "changeCountAction")})
                a->trigger();
            QVERIFY(w.Targets().List()->isReadOnly() && w.Result().IsReadOnly());
            QVERIFY(!w.Tabs().Row()->isEnabled());
            QVERIFY(!w.DropFilesAt(w.Targets().List()->mapTo(&w, QPoint(5, 5)), {QStringLiteral("/tmp")}));
            Command(w, "statusBarAction")->trigger();  // a view switch is no command on the data
        };
        Command(w, "countAction")->trigger();
        QVERIFY(checked);  // no dialog opened: the scripted prompts would have failed
        QVERIFY(w.Result().Text().startsWith(QStringLiteral("earlier result\n")));
        QCOMPARE(win.state.Cnf.ShowStatusBar, 0);
        QVERIFY(!w.Targets().List()->isReadOnly() && w.Tabs().Row()->isEnabled());
    }

    void progressCountersShowSevenDigitCountsWhole() {
        ProgressDialog p;
        const QFontMetrics fm(p.fileNumberLabel->font());
        const QRect counter = p.fileNumberLabel->geometry();
        QVERIFY(counter.width() >= fm.horizontalAdvance(QStringLiteral(" [9999999/9999999]")));
        QVERIFY(counter.right() < p.stopButton->x());
        QVERIFY(p.fileCountLabel->geometry().right() < p.stopButton->x());
        const int messageRight =
            p.phaseLabel->x() +
            (p.phaseLabel->width() + fm.horizontalAdvance(QStringLiteral("処理中..."))) / 2;
        QVERIFY(counter.x() >= messageRight);
        QVERIFY(p.stopButton->geometry().right() < p.width());
    }

    void noFileFoundWarnsOnce() {
        Window win;
        win.window->Targets().List()->setPlainText(
            QStringLiteral("/nonexistent/zarnik/a.c\n/nonexistent/zarnik/b.c"));
        Command(*win.window, "countAction")->trigger();
        QCOMPARE(win.messages.size(), 1);
        QCOMPARE(win.messages[0],
                 QStringLiteral(
                     "警告:指定のファイルにアクセスできません。\r\nファイルの存在を確かめてください。"));
        QVERIFY(win.window->ResultLines().empty());
    }

    void unreadableFileShowsTheErrorAndKeepsTheLines() {
        // A file that cannot be read (EIO, root included) whose name holds an escape
        // sequence: the message names it with "?" for the control character.
        zarnik::testing::TempDir dir;
        QCOMPARE(::symlink("/proc/self/mem", (dir.str() + "/m\x1b[2J.c").c_str()), 0);
        Window win;
        win.window->Targets().List()->setPlainText(QString::fromStdString(dir.str() + "/m\x1b[2J.c"));
        Command(*win.window, "countAction")->trigger();
        QCOMPARE(win.messages.size(), 1);
        QCOMPARE(win.messages[0],
                 QStringLiteral("ｴﾗｰ:I/O ｴﾗｰ (5)\n") + QString::fromStdString(dir.str() + "/m?[2J.c"));
        QVERIFY(!win.window->ProgressWindow()->isVisible());
        QVERIFY(!win.window->Running());
    }
};

QTEST_MAIN(CountRunTest)
#include "count_run_test.moc"
