#include "ui/main_window.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <QWheelEvent>
#include <fstream>
#include <sstream>

#include "test_util.h"
#include "ui/qt_text.h"
#include "ui/splash.h"
#include "ui/ui_style.h"
#include "ui_fixture.h"

using namespace zarnik;
using namespace zarnik::ui;

namespace {

// A window over a fresh state whose saves are counted and may be made to fail.
struct Fixture : WindowFixture {
    int saves = 0;
    bool failSave = false;

    explicit Fixture(const std::function<void(AppState&)>& prepare = {}) : WindowFixture(prepare) {
        state.Save = [this](AppState&, const settings::WindowState&, std::string& error) {
            ++saves;
            if (failSave) error = ZRNK_SJ("/ro/zarnik.ini に書き込めません");
            return !failSave;
        };
    }
    bool TryClose() { return window->close(); }
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutes(); }

    void startsLikeAFreshInstallation() {
        Fixture f;
        MainWindow& w = *f.window;
        QCOMPARE(w.size(), QSize(460, 380));
        QVERIFY(w.windowTitle().startsWith(QStringLiteral("Zarnik  Ver. 2.71  ")));
        QVERIFY(w.findChild<QToolBar*>(QStringLiteral("MainToolBar"))->isVisible());
        QVERIFY(w.statusBar()->isVisible());
        QVERIFY(!w.Result().HorizontalScrollBarShown());
        QVERIFY(!w.MemoOpen());
        QCOMPARE(w.MemoPaneWidth(), 20);
        QCOMPARE(w.Tabs().Row()->count(), 1);
        QCOMPARE(w.Tabs().Row()->tabText(0), QStringLiteral("開発環境(1)"));
        for (QAction* a : {Command(w, "countAction"), Command(w, "saveAction"), Command(w, "printAction"),
                           Command(w, "copyAction"), Command(w, "clearAction")})
            QVERIFY(!a->isEnabled());
        QVERIFY(!w.ResultContextMenuAttached());
        QVERIFY(!w.Result().HeaderStrip()->isVisible());
        for (QToolButton* b :
             w.findChild<QToolBar*>(QStringLiteral("MainToolBar"))->findChildren<QToolButton*>())
            QVERIFY(b->autoRaise());
        QVERIFY(w.findChild<QLabel*>(QStringLiteral("statusText"))
                    ->text()
                    .contains(QRegularExpression(QStringLiteral("^\\d{4}/\\d\\d/\\d\\d \\(.\\)$"))));
    }

    void countFollowsTheTargetList() {
        Fixture f;
        MainWindow& w = *f.window;
        w.Targets().List()->setFocus();
        QTest::keyClick(w.Targets().List(), Qt::Key_A);
        QVERIFY(Command(w, "countAction")->isEnabled());
        QTest::keyClick(w.Targets().List(), Qt::Key_Backspace);
        QVERIFY(!Command(w, "countAction")->isEnabled());
        QTest::keyClick(w.Targets().List(), Qt::Key_Return);  // one line break is one line
        QVERIFY(Command(w, "countAction")->isEnabled());
    }

    void resultCommandsFollowThePane() {
        Fixture f;
        MainWindow& w = *f.window;
        w.Result().AppendLines(QStringLiteral("line"));
        for (QAction* a : {Command(w, "saveAction"), Command(w, "printAction"), Command(w, "copyAction"),
                           Command(w, "clearAction"), Command(w, "popupCopyAction")})
            QVERIFY(a->isEnabled());
        QVERIFY(w.ResultContextMenuAttached());
        w.Result().HeaderStrip()->show();
        Command(w, "clearAction")->trigger();
        for (QAction* a : {Command(w, "saveAction"), Command(w, "printAction"), Command(w, "copyAction"),
                           Command(w, "clearAction"), Command(w, "popupCopyAction")})
            QVERIFY(!a->isEnabled());
        QVERIFY(!w.ResultContextMenuAttached());
        QVERIFY(w.Result().HeaderStrip()->isHidden());
    }

    void closeAsksOnlyForAnUnsavedResult() {
        {
            Fixture f;  // nothing to save: closes at once, the INI written
            QVERIFY(f.TryClose());
            QCOMPARE(f.saves, 1);
            QVERIFY(f.prompts.Questions.isEmpty());
        }
        {
            Fixture f;
            f.state.Cnf.ResultUnsaved = 1;
            f.window->Result().AppendLines(QStringLiteral("report"));
            f.prompts.YesNoCancel = {QMessageBox::Cancel, QMessageBox::Yes, QMessageBox::No};
            f.prompts.SaveNames = {QString()};  // the save dialog after Yes is cancelled
            QVERIFY(!f.TryClose());
            QCOMPARE(f.saves, 1);  // written even though the window stays
            QCOMPARE(f.prompts.Questions.value(0),
                     QStringLiteral("結果が保存されていません。\r\n保存して終了しますか？"));
            QVERIFY(!f.TryClose());
            QCOMPARE(f.saves, 2);
            QCOMPARE(f.prompts.SaveFolders, QStringList{QString()});  // no folder preset at close
            QVERIFY(f.TryClose());
            QVERIFY(f.prompts.AllAnswered());
        }
        {
            Fixture f;  // a cleared result asks nothing although ResultUnsaved is 1
            f.state.Cnf.ResultUnsaved = 1;
            f.window->Result().AppendLines(QStringLiteral("report"));
            f.window->ClearResult();
            QVERIFY(f.TryClose());
            QVERIFY(f.prompts.Questions.isEmpty());
        }
    }

    void closeWithYesSavesTheResultInShiftJis() {
        testing::TempDir dir;
        Fixture f;
        f.state.Cnf.ResultUnsaved = 1;
        f.window->Result().AppendLines(QStringLiteral("ﾌｧｲﾙ名 一"));
        f.window->Result().AppendLines(QString());
        f.window->Result().AppendLines(QStringLiteral("end"));
        f.prompts.YesNoCancel = {QMessageBox::Yes};
        f.prompts.SaveNames = {QString::fromStdString(dir.str() + "/out.txt")};
        QVERIFY(f.TryClose());
        QCOMPARE(f.state.Cnf.ResultUnsaved, 0);
        QCOMPARE(zarnik::testing::ReadFileBytes(dir.str() + "/out.txt"),
                 testing::Sj("ﾌｧｲﾙ名 一") + "\r\n\r\nend\r\n");
    }

    void aFailedSaveStillLetsTheUserLeave() {
        Fixture f;
        f.failSave = true;
        QVERIFY(!f.TryClose());
        QCOMPARE(f.messages.value(0), QStringLiteral("ｴﾗｰ:/ro/zarnik.ini に書き込めません"));
        f.prompts.YesNo = {QMessageBox::No, QMessageBox::Yes};
        QVERIFY(!f.TryClose());
        QVERIFY(f.TryClose());
        QCOMPARE(f.saves, 3);
    }

    void toolbarIconsDifferAndShowWhenDisabled() {
        Fixture f;
        QList<QImage> seen;
        for (QToolButton* b :
             f.window->findChild<QToolBar*>(QStringLiteral("MainToolBar"))->findChildren<QToolButton*>()) {
            if (b->toolTip().isEmpty()) continue;  // the toolbar's own extension button
            QImage on = b->icon().pixmap(16, QIcon::Normal).toImage();
            QImage off = b->icon().pixmap(16, QIcon::Disabled).toImage();
            QVERIFY(on != off);
            QVERIFY(!seen.contains(on));
            seen << on;
        }
        QCOMPARE(seen.size(), 10);
    }

    void versionBoxTextsStayApartAndWhole() {
        AboutBox box;
        const auto right = [](QLabel* l) { return l->x() + l->sizeHint().width(); };
        QVERIFY(right(box.PlatformLabel) <= box.VersionLabel->x());
        QVERIFY(right(box.HolderLabel) <= box.HolderLabel->parentWidget()->width());
        QVERIFY(box.HolderLabel->x() >= box.BannerLabel->geometry().right());
        QCOMPARE(box.BannerLabel->geometry(), QRect(8, 122, 88, 31));
        QVERIFY(box.BannerLabel->toolTip().startsWith(QStringLiteral("https://")));
        QCOMPARE(box.IconLabel->pixmap().size(), QSize(32, 32));
        QCOMPARE(box.windowTitle(), QStringLiteral("ﾊﾞｰｼﾞｮﾝ情報"));
    }

    void qtsOwnDialogsSpeakJapanese() {
        QVERIFY(InstallQtTranslations());
        for (const char* text : {"Look in:", "File &name:"})
            QVERIFY2(QCoreApplication::translate("QFileDialog", text) != QLatin1String(text), text);
    }

    void memoPaneOpensToItsWidthAndCloses() {
        Fixture f;
        MainWindow& w = *f.window;
        f.state.Cnf.MemoWidth = 100;
        Command(w, "memoAction")->trigger();
        QVERIFY(w.MemoOpen());
        QVERIFY(Command(w, "memoAction")->isChecked());
        QTRY_COMPARE(w.MemoPaneWidth(), 100);  // it widens in steps
        QCOMPARE(f.state.Cnf.ShowMemo, 1);
        Command(w, "memoAction")->trigger();
        QVERIFY(!w.MemoOpen());
        QCOMPARE(w.MemoPaneWidth(), 20);
        QCOMPARE(f.state.Cnf.ShowMemo, 0);
        // The target list takes back the whole width: no strip, no grip.
        QWidget* targetPane = w.Targets().List()->parentWidget();
        QTRY_COMPARE(targetPane->width() + 20, targetPane->parentWidget()->width());
    }

    void viewTogglesFlipTheirSwitches() {
        Fixture f;
        MainWindow& w = *f.window;
        Command(w, "horizontalScrollBarAction")->trigger();
        QCOMPARE(f.state.Cnf.HorizontalScrollBar, 1);
        QVERIFY(w.Result().HorizontalScrollBarShown());
        Command(w, "statusBarAction")->trigger();
        QCOMPARE(f.state.Cnf.ShowStatusBar, 0);
        QVERIFY(!w.statusBar()->isVisible());
        Command(w, "flatToolBarAction")->trigger();
        QCOMPARE(f.state.Cnf.FlatToolBar, 0);
        QVERIFY(Command(w, "flatToolBarAction")->isChecked());
        for (QToolButton* b :
             w.findChild<QToolBar*>(QStringLiteral("MainToolBar"))->findChildren<QToolButton*>())
            QVERIFY(!b->autoRaise());
        Command(w, "toolBarAction")->trigger();
        QCOMPARE(f.state.Cnf.ShowToolBar, 0);
        QVERIFY(!w.findChild<QToolBar*>(QStringLiteral("MainToolBar"))->isVisible());
    }

    // The column header scrolls with the result, one unit with its lines: by the bar
    // while 横ｽｸﾛｰﾙﾊﾞｰ is on; with it off (the default) the part cut at the pane's edge
    // is reached by the caret keys and by Shift with the wheel, the header going along.
    void headerScrollsWithTheResult() {
        Fixture f;
        MainWindow& w = *f.window;
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ResultPane& pane = w.Result();
        const QString header = QStringLiteral(
            "ファイル名           ﾀｲﾑｽﾀﾝﾌﾟ                ｻｲｽﾞ 種別  総行数  ｺﾒﾝﾄ行  実行数  空行数   "
            "ｺﾒﾝﾄ率");
        pane.HeaderStrip()->setText(header);
        pane.HeaderStrip()->show();
        pane.AppendLines(
            header + QStringLiteral("\ncount.cpp            26-12-08 05:21        7.13KB C        216       "
                                    "8     184      24   3.70％"));
        QAbstractScrollArea* text = pane.TextWidget();
        QVERIFY(!pane.HorizontalScrollBarShown());
        text->setFocus();
        QTest::keyClick(text, Qt::Key_End);
        const int end = text->horizontalScrollBar()->value();
        QVERIFY(end > 0);
        QCOMPARE(pane.HeaderOffset(), end);
        QTest::keyClick(text, Qt::Key_Home);
        QCOMPARE(pane.HeaderOffset(), 0);
        const QPoint at = text->viewport()->rect().center();
        QWheelEvent down(at, text->viewport()->mapToGlobal(at), {}, {0, -120}, Qt::NoButton,
                         Qt::ShiftModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(text->viewport(), &down);
        QVERIFY(text->horizontalScrollBar()->value() > 0);
        QCOMPARE(text->verticalScrollBar()->value(), 0);
        QCOMPARE(pane.HeaderOffset(), text->horizontalScrollBar()->value());

        Command(w, "horizontalScrollBarAction")->trigger();
        text->horizontalScrollBar()->setValue(37);
        QCOMPARE(pane.HeaderOffset(), 37);
        QTest::keyClick(text, Qt::Key_X);  // the editor takes the lines, and the scroll
        QVERIFY(pane.Editing());
        QCOMPARE(pane.HeaderOffset(), pane.TextWidget()->horizontalScrollBar()->value());
        pane.TextWidget()->horizontalScrollBar()->setValue(0);
        QCOMPARE(pane.HeaderOffset(), 0);
    }

    void maximizeKeepsTheNormalBoundsForTheNextStart() {
        Fixture f;
        MainWindow& w = *f.window;
        w.setGeometry(100, 80, 500, 400);
        QTest::qWait(20);
        w.showMaximized();
        QTRY_VERIFY(w.isMaximized());
        QCOMPARE(f.state.Place.MainPlacement.Maximized, 1);
        QCOMPARE(f.state.Place.MainPlacement.Bounds, (settings::Rect{100, 80, 500, 400}));
        settings::WindowState saved;
        f.state.Save = [&](AppState&, const settings::WindowState& win, std::string&) {
            saved = win;
            return true;
        };
        QVERIFY(f.TryClose());
        QVERIFY(saved.Maximized);
    }

    // Pnl_H is the upper pane's height: 120 at the default 460 x 380, and a height the
    // splitter was dragged to comes back at the next start, cut only where it must fit.
    void paneHeightComesBackAsStored() {
        for (int stored : {120, 166, 80, 300, 900}) {
            Fixture f([&](AppState& s) { s.Place.MainPlacement.TargetPaneHeight = stored; });
            MainWindow& w = *f.window;
            QVERIFY(QTest::qWaitForWindowExposed(&w));
            const int room = w.centralWidget()->height() - 5 - w.Result().minimumSizeHint().height();
            QCOMPARE(w.UpperPaneHeight(), std::min(stored, room));
            settings::WindowState saved;
            f.state.Save = [&](AppState&, const settings::WindowState& win, std::string&) {
                saved = win;
                return true;
            };
            QVERIFY(f.TryClose());
            QCOMPARE(saved.PaneHeight, w.UpperPaneHeight());
        }
    }

    // A floating toolbar stored where no screen is comes back onto the screen, at the
    // start and whenever ﾂｰﾙﾊﾞｰ shows it again.
    void floatingToolBarStoredOffTheScreenComesBack() {
        Fixture f([](AppState& s) {
            settings::ToolBarRecord bar;
            bar.DockedTo = "+";
            bar.FloatLeft = 5000;
            bar.FloatTop = -3000;
            s.ToolBar = bar;
        });
        MainWindow& w = *f.window;
        QToolBar* bar = w.findChild<QToolBar*>(QStringLiteral("MainToolBar"));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(bar->isFloating());
        QTRY_VERIFY2(screen.contains(bar->frameGeometry()),
                     qPrintable(QStringLiteral("%1,%2").arg(bar->x()).arg(bar->y())));
        Command(w, "toolBarAction")->trigger();
        QVERIFY(!bar->isVisible());
        bar->move(-4000, 9000);  // the screen it was on is gone meanwhile
        Command(w, "toolBarAction")->trigger();
        QVERIFY(bar->isVisible());
        QTRY_VERIFY(screen.contains(bar->frameGeometry()));
    }

    void storedPlacementIsPulledOntoTheScreen() {
        AppState state;
        static_cast<settings::ProgramState&>(state) =
            settings::MakeStartState(settings::LocateProgramPaths("/nonexistent/zarnik"), 1024, 768);
        state.Place.MainPlacement = {{5000, 5000, 300, 200}, 0, 500};
        MainWindow w(state);
        QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(w.geometry()));
        QCOMPARE(state.Place.MainPlacement.TargetPaneHeight, 196);

        // A hand-edited Height=-5 under a huge Top: on the screen, and so it is saved.
        state.Place.MainPlacement = {{10, 2147483000, 300, -5}, 0, 120};
        MainWindow noSize(state);
        QVERIFY(screen.contains(noSize.geometry()));
        const settings::Rect& b = state.Place.MainPlacement.Bounds;
        QVERIFY(b.Height > 0 && b.Top >= 0 && b.Top + b.Height <= screen.height());
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
