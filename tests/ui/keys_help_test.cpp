// The keyboard across the desktop program (what Alt, Ctrl, Tab and F1 do) and
// the help window it opens.
#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QTest>
#include <QTextBrowser>
#include <set>

#include "ui/env_editor.h"
#include "ui/ext_dialog.h"
#include "ui/help_viewer.h"
#include "ui/main_window.h"
#include "ui/ui_style.h"
#include "ui_fixture.h"

using namespace zarnik;
using namespace zarnik::ui;

namespace {

// The access key of a caption: the letter after "&", upper case; none for "&&".
QChar AccessKey(const QString& caption) {
    for (qsizetype i = caption.indexOf(QLatin1Char('&')); i >= 0 && i + 1 < caption.size();
         i = caption.indexOf(QLatin1Char('&'), i + 2))
        if (caption[i + 1] != QLatin1Char('&')) return caption[i + 1].toUpper();
    return {};
}

// Shows a dialog as the user sees it, active, so that its access keys work.
void ShowActive(QDialog& d) {
    d.show();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
}

}  // namespace

class KeysHelpTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutes(); }

    // An Alt or Ctrl combination that no command takes types nothing, in the target
    // list, the memo, the result pane or a dialog's field; the editing keys still work.
    void altAndCtrlCombinationsNeverTypeText() {
        WindowFixture f;
        MainWindow& w = *f.window;
        QVERIFY(QTest::qWaitForWindowActive(&w));
        for (QPlainTextEdit* pane : {w.Targets().List(), w.Targets().Memo()}) {
            pane->setPlainText(QStringLiteral("/src"));
            pane->setFocus();
            pane->moveCursor(QTextCursor::End);
            for (Qt::Key key : {Qt::Key_C, Qt::Key_X, Qt::Key_Q, Qt::Key_Return})
                for (Qt::KeyboardModifiers mods :
                     {Qt::KeyboardModifiers(Qt::AltModifier), Qt::ControlModifier | Qt::AltModifier,
                      Qt::KeyboardModifiers(Qt::ControlModifier)})
                    if (key != Qt::Key_X || mods != Qt::ControlModifier)  // Ctrl+X cuts
                        QTest::keyClick(pane, key, mods);
            QCOMPARE(pane->toPlainText(), QStringLiteral("/src"));
            QApplication::clipboard()->setText(QStringLiteral("/lua"));
            QTest::keyClick(pane, Qt::Key_V, Qt::ControlModifier);
            QCOMPARE(pane->toPlainText(), QStringLiteral("/src/lua"));
        }
        w.Result().SetText(QStringLiteral("report"));
        w.Result().TextWidget()->setFocus();
        QTest::keyClick(w.Result().TextWidget(), Qt::Key_C, Qt::AltModifier);
        QCOMPARE(w.Result().Text(), QStringLiteral("report"));
        EnvironmentNameDialog name(EnvironmentNameDialog::NewMode, "env", 1, &w);
        ShowActive(name);
        name.nameEdit->setFocus();
        QTest::keyClick(name.nameEdit, Qt::Key_Z, Qt::AltModifier);
        QCOMPARE(name.nameEdit->text(), QStringLiteral("env"));
    }

    // Within each menu, and on the menu bar, every item has a letter of its own, so
    // that a letter runs its item: 実行 → D clears the result.
    void everyMenuHasItsOwnAccessKeys() {
        WindowFixture f;
        QList<QList<QAction*>> menus{f.window->menuBar()->actions()};
        for (QMenu* m : f.window->findChildren<QMenu*>()) menus << m->actions();
        for (const QList<QAction*>& items : menus) {
            std::set<QChar> keys;
            for (QAction* a : items) {
                const QChar key = AccessKey(a->text());
                if (key.isNull()) continue;
                QVERIFY2(keys.insert(key).second, qPrintable(a->text()));
            }
        }
        QCOMPARE(AccessKey(Command(*f.window, "clearAction")->text()), QLatin1Char('D'));
    }

    void tabMovesTheFocusOutOfTheTargetList() {
        WindowFixture f;
        QPlainTextEdit* list = f.window->Targets().List();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        list->setFocus();
        QTest::keyClicks(list, QStringLiteral("/src"));
        QTest::keyClick(list, Qt::Key_Tab);
        QCOMPARE(list->toPlainText(), QStringLiteral("/src"));
        QVERIFY(!list->hasFocus());
    }

    // F1 shows each dialog's help, as its ﾍﾙﾌﾟ button does; the environment editor's
    // button answers Alt+H like the others.
    void everyDialogAnswersF1AndAltH() {
        HelpViewer& help = HelpViewer::Instance();
        settings::Settings work;
        ExtensionDialog ext(work);
        ShowActive(ext);
        QTest::keyClick(ext.javaEdit, Qt::Key_F1);
        QCOMPARE(help.LastRequest(), QStringLiteral("popup 10017"));
        ext.reject();

        EnvironmentNameDialog name(EnvironmentNameDialog::CopyMode, "A", 1);
        ShowActive(name);
        QTest::keyClick(name.nameEdit, Qt::Key_F1);
        QCOMPARE(help.LastRequest(), QStringLiteral("popup 10019"));
        name.reject();

        settings::EnvList envs;
        envs.AddEnv("A", 1);
        std::int32_t addKind = 1;
        settings::Rect placement{0, 0, 312, 382};
        EnvironmentEditor editor(envs, addKind, placement, 0);
        QCOMPARE(editor.helpButton->text(), QStringLiteral("ﾍﾙﾌﾟ(&H)"));
        ShowActive(editor);
        help.QuitHelp();
        QTest::keyClick(editor.environmentList, Qt::Key_F1);
        QCOMPARE(help.LastRequest(), QStringLiteral("topic 10006"));
        help.QuitHelp();
        editor.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        QTest::keyClick(editor.environmentList, Qt::Key_H, Qt::AltModifier);
        QTRY_COMPARE(help.LastRequest(), QStringLiteral("topic 10006"));  // after the button's click shows
        help.QuitHelp();
        editor.reject();
    }

    // Right of the asker, else left, below or above it; else narrowed or lowered
    // into the room that shows most of it; else over the asker. Always on the screen.
    void helpOpensBesideTheWindowThatAsked() {
        const QRect screen(0, 0, 1600, 1000), small(0, 0, 1024, 768);
        const QSize size(560, 480);
        QCOMPARE(BesideRect({100, 200, 460, 380}, size, screen), QRect(560, 200, 560, 480));
        QCOMPARE(BesideRect({1000, 200, 460, 380}, size, screen), QRect(440, 200, 560, 480));
        QCOMPARE(BesideRect({300, 50, 400, 200}, size, small), QRect(300, 250, 560, 480));
        QCOMPARE(BesideRect({0, 100, 600, 600}, size, small), QRect(600, 100, 424, 480));
        QCOMPARE(BesideRect({500, 100, 460, 600}, size, small), QRect(0, 100, 500, 480));
        // A message box in the middle of a small screen: the help goes below it.
        QCOMPARE(BesideRect({293, 262, 440, 150}, size, small), QRect(293, 412, 560, 356));
        QCOMPARE(BesideRect({282, 194, 460, 380}, size, small), QRect(464, 194, 560, 480));
        QCOMPARE(BesideRect({0, 0, 300, 200}, {2000, 2000}, small), QRect(0, 200, 1024, 568));
    }

    // Escape closes the help window, wherever it was asked for.
    void escapeClosesTheHelpWindow() {
        WindowFixture f;
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QTest::keyClick(f.window.get(), Qt::Key_F1);
        QTextBrowser* help = HelpViewer::Instance().Window();
        QVERIFY(help && help->isVisible());
        QCOMPARE(HelpViewer::Instance().LastRequest(), QStringLiteral("topic 10000"));
        QTest::keyClick(help, Qt::Key_Escape);
        QVERIFY(!help->isVisible());
    }
};

QTEST_MAIN(KeysHelpTest)
#include "keys_help_test.moc"
