#include <QMessageBox>
#include <QTest>
#include <unistd.h>
#include <cstdio>
#include <memory>

#include "test_util.h"
#include "ui/main_window.h"
#include "ui/progress_dialog.h"
#include "ui/qt_text.h"
#include "ui/ui_style.h"

using namespace zarnik;
using namespace zarnik::ui;

namespace {

std::string RunCliSjis(const std::string& target, const std::string& options = "") {
    std::string cmd = std::string(std::getenv("ZARNIK_BIN")) + "/zarnik-count --set HeadDT=0 --encoding sjis " +
                      options + " '" + target + "'";
    std::string out;
    if (FILE* p = popen(cmd.c_str(), "r")) {
        char buf[4096];
        for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
        pclose(p);
    }
    return out;
}

struct Window {
    AppState state;
    std::unique_ptr<Form_Main> w;
    QStringList messages;
    Window() {
        static_cast<settings::ProgramState&>(state) =
            settings::MakeStartState(settings::LocateProgramPaths("/nonexistent/zarnik"), 1024, 768);
        settings::LoadSettings(state);
        state.Cnf.HeadDT = 0;
        state.Save = nullptr;
        w = std::make_unique<Form_Main>(state);
        w->ShowMessage = [this](const QString& t, const QString& m) { messages << t + ":" + m; };
        w->show();
    }
    std::string ResultSjis() const {
        std::string out;
        for (const std::string& l : w->ResultLines()) out += l + "\r\n";
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
        win.w->Memo_Files->setPlainText(QString::fromStdString(dir.str() + "/src"));
        QVERIFY(win.w->Act_Count->isEnabled());
        QVERIFY(!win.w->Act_SaveCsv->isEnabled());  // until a run has finished
        win.w->Act_Count->trigger();
        QCOMPARE(win.ResultSjis(), RunCliSjis(dir.str() + "/src"));
        // The finished run's rows as the command line's Shift-JIS csv gives them.
        QVERIFY(win.w->Act_SaveCsv->isEnabled());
        const std::string csvPath = dir.str() + "/out.csv";
        win.w->AskSaveFile = [&](const QString&) { return QString::fromStdString(csvPath); };
        win.w->Act_SaveCsv->trigger();
        QCOMPARE(testing::ReadFileBytes(csvPath),
                 RunCliSjis(dir.str() + "/src", "--format csv"));
        QVERIFY(win.w->Panel_B2->isVisible());
        QVERIFY(win.w->Panel_B2->text().startsWith(QStringLiteral("ファイル名")));
        QCOMPARE(win.state.Cnf.ResultUnsaved, 1);
        QVERIFY(win.w->Act_Save->isEnabled());
        QVERIFY(!win.w->Syori()->isVisible());

        // A second run follows the first after one empty line.
        std::string first = win.ResultSjis();
        win.w->Act_Count->trigger();
        QCOMPARE(win.ResultSjis(), first + "\r\n" + first);
    }

    void cancelWhileCollectingLeavesThePaneAlone() {
        testing::TempDir dir;
        MakeTree(dir);
        Window win;
        win.w->Memo_Files->setPlainText(QString::fromStdString(dir.str() + "/src"));
        win.w->RunPumpHook = [&] { win.w->Syori()->Button_Cyudan->click(); };
        win.w->Act_Count->trigger();
        QVERIFY(win.w->ResultLines().empty());
        QVERIFY(!win.w->Syori()->isVisible());
        QVERIFY(win.messages.isEmpty());
        QVERIFY(!win.w->Act_Save->isEnabled());
    }

    void cancelWhileCountingStillWritesTheTotals() {
        testing::TempDir dir;
        MakeTree(dir);
        Window win;
        win.w->Memo_Files->setPlainText(QString::fromStdString(dir.str() + "/src"));
        int filesSeen = 0;
        win.w->RunPumpHook = [&] {
            if (win.w->Syori()->Label_MSG1->text() != QStringLiteral("処理中...")) return;
            if (++filesSeen == 2) win.w->Syori()->Button_Cyudan->click();  // after the first file
        };
        win.w->Act_Count->trigger();
        std::string text = text::SjisToUtf8(win.ResultSjis());
        QVERIFY(text.find("main.c") != std::string::npos);
        QVERIFY(text.find("x.h") == std::string::npos);
        QVERIFY(text.find("■全ｿｰｽﾌｧｲﾙ総合計        1個") != std::string::npos);
        QVERIFY(!win.w->Syori()->isVisible());
        QCOMPARE(win.state.Cnf.ResultUnsaved, 1);
    }

    void duringARunOnlyCancelAndViewCommandsWork() {
        testing::TempDir dir;
        MakeTree(dir);
        Window win;
        Form_Main& w = *win.w;
        w.Memo_Files->setPlainText(QString::fromStdString(dir.str() + "/src"));
        w.RichEdit_Rslt->setPlainText(QStringLiteral("earlier result"));
        int dialogs = 0;
        w.ExecDialog = [&](QDialog&) { return ++dialogs, 0; };
        bool checked = false;
        w.RunPumpHook = [&] {
            if (checked) return;
            checked = true;
            for (QAction* a : {w.Act_Clear, w.Act_Settings, w.Act_EnvEdit, w.Act_Count}) a->trigger();
            QVERIFY(w.Memo_Files->isReadOnly() && w.RichEdit_Rslt->isReadOnly());
            QVERIFY(!w.TabControl1->isEnabled());
            QVERIFY(!w.DropFilesAt(w.Memo_Files->mapTo(&w, QPoint(5, 5)), {QStringLiteral("/tmp")}));
            w.Act_StatusBar->trigger();  // a view switch is no command on the data
        };
        w.Act_Count->trigger();
        QVERIFY(checked);
        QCOMPARE(dialogs, 0);
        QVERIFY(w.RichEdit_Rslt->toPlainText().startsWith(QStringLiteral("earlier result\n")));
        QCOMPARE(win.state.Cnf.StatusBar, 0);
        QVERIFY(!w.Memo_Files->isReadOnly() && w.TabControl1->isEnabled());
    }

    void progressCountersShowSevenDigitCountsWhole() {
        Form_Syori p;
        const QFontMetrics fm(p.Label_fing->font());
        const QRect counter = p.Label_fing->geometry();
        QVERIFY(counter.width() >= fm.horizontalAdvance(QStringLiteral(" [9999999/9999999]")));
        QVERIFY(counter.right() < p.Button_Cyudan->x());
        QVERIFY(p.Label_fcnt->geometry().right() < p.Button_Cyudan->x());
        const int messageRight = p.Label_MSG1->x() + (p.Label_MSG1->width() +
                                                      fm.horizontalAdvance(QStringLiteral("処理中..."))) / 2;
        QVERIFY(counter.x() >= messageRight);
        QVERIFY(p.Button_Cyudan->geometry().right() < p.width());
    }

    void noFileFoundWarnsOnce() {
        Window win;
        win.w->Memo_Files->setPlainText(QStringLiteral("/nonexistent/zarnik/a.c\n/nonexistent/zarnik/b.c"));
        win.w->Act_Count->trigger();
        QCOMPARE(win.messages.size(), 1);
        QCOMPARE(win.messages[0],
                 QStringLiteral("警告:指定のファイルにアクセスできません。\r\nファイルの存在を確かめてください。"));
        QVERIFY(win.w->ResultLines().empty());
    }

    void unreadableFileShowsTheErrorAndKeepsTheLines() {
        // A file that cannot be read (EIO, root included) whose name holds an escape
        // sequence: the message names it with "?" for the control character.
        zarnik::testing::TempDir dir;
        QCOMPARE(::symlink("/proc/self/mem", (dir.str() + "/m\x1b[2J.c").c_str()), 0);
        Window win;
        win.w->Memo_Files->setPlainText(QString::fromStdString(dir.str() + "/m\x1b[2J.c"));
        win.w->Act_Count->trigger();
        QCOMPARE(win.messages.size(), 1);
        QCOMPARE(win.messages[0], QStringLiteral("ｴﾗｰ:I/O ｴﾗｰ (5)\n") + QString::fromStdString(dir.str() + "/m?[2J.c"));
        QVERIFY(!win.w->Syori()->isVisible());
        QVERIFY(!win.w->Running());
    }
};

QTEST_MAIN(CountRunTest)
#include "count_run_test.moc"
