// The desktop program under a real X server and window manager (tests/ui/e2e/with_wm.sh):
// what the offscreen platform cannot show, done with the real mouse and keyboard.
#include <QAbstractBarSeries>
#include <QApplication>
#include <QBarSet>
#include <QChart>
#include <QCursor>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <functional>
#include <memory>

#include "run/git_test_util.h"
#include "test_util.h"
#include "ui/change_dialog.h"
#include "ui/chart_pane.h"
#include "ui/env_editor.h"
#include "ui/ext_dialog.h"
#include "ui/help_viewer.h"
#include "ui/main_window.h"
#include "ui/progress_dialog.h"
#include "ui/settings_dialog.h"
#include "ui/splash.h"
#include "ui/ui_fixture.h"
#include "ui/ui_style.h"

using namespace zarnik;
using namespace zarnik::ui;

namespace {

constexpr int kWait = 30000;  // generous: a loaded 2-core machine is slow, never wrong

void Xdo(const QStringList& args) { QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), args), 0); }

// xdotool's --sync waits for the pointer to move, which it never does when it is there
// already (a second click on the same button): that wait ran 15 s into a timeout.
void ClickAt(QPoint global) {
    if (QCursor::pos() == global) {
        Xdo({"click", "1"});
        return;
    }
    Xdo({"mousemove", "--sync", QString::number(global.x()), QString::number(global.y()), "click", "1"});
}

// Processes events until the condition holds or the wait runs out.
template <typename F>
bool WaitFor(F condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < kWait)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return condition();
}

// Calls drive once with the modal dialog of type T as soon as it is up and holds
// the keyboard: its exec() blocks the test's own code, so the test acts from the
// event loop, polled by poll.
template <class T, class F>
void WhenActiveModal(QTimer& poll, F drive) {
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &poll, [&poll, drive] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isActiveWindow()) return;
        poll.stop();
        drive(dialog);
    });
    poll.start();
}

// The target list holds one target and the keyboard, its cursor at the end.
QString TypeTargets(MainWindow& w, const std::string& target) {
    const QString text = QString::fromStdString(target);
    w.Targets().List()->setPlainText(text);
    w.Targets().List()->setFocus();
    w.Targets().List()->moveCursor(QTextCursor::End);
    return text;
}

// The real boxes and dialogs, but no messages: a box would wait for a click.
struct QuietPrompts : DialogPrompts {
    void ShowMessage(QWidget*, const QString&, const QString&) override {}
};

struct Window {
    AppState state;
    QuietPrompts prompts;
    std::unique_ptr<MainWindow> w;
    // prepare adjusts the state before the window is made.
    explicit Window(const std::function<void(AppState&)>& prepare = {}) {
        static_cast<settings::ProgramState&>(state) =
            settings::MakeStartState(settings::LocateProgramPaths("/nonexistent/zarnik"), 1024, 768);
        state.Save = nullptr;
        if (prepare) prepare(state);
        w = std::make_unique<MainWindow>(state, prompts);
        w->show();
    }
};

// With ZARNIK_SHOTS set, keeps a picture of the window (an X id, or "root") there.
void Shot(const QString& window, const QString& name) {
    const QString shots = qEnvironmentVariable("ZARNIK_SHOTS");
    if (shots.isEmpty()) return;
    QTest::qWait(500);  // let the window manager and any animation draw a frame
    QCOMPARE(QProcess::execute(QStringLiteral("import"), {"-frame", "-window", window, shots + "/" + name}),
             0);
}

// The top-level windows from the bottom to the top, as the window manager stacks them.
QList<WId> Stacking() {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {"-root", "_NET_CLIENT_LIST_STACKING"});
    xprop.waitForFinished(kWait);
    QList<WId> ids;
    const QString out = QString::fromUtf8(xprop.readAllStandardOutput());
    for (const QString& part : out.mid(out.indexOf(QLatin1Char('#')) + 1).split(QLatin1Char(',')))
        ids << part.trimmed().toULongLong(nullptr, 16);
    return ids;
}

int Brightness(const QImage& img) {
    qint64 sum = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) sum += qGray(img.pixel(x, y));
    return static_cast<int>(sum / (img.width() * img.height()));
}

// The client window the window manager stacks above all others (0 when none).
WId TopmostWindow() {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {"-root", "-notype", "_NET_CLIENT_LIST_STACKING"});
    if (!xprop.waitForFinished(kWait)) return 0;
    const QString out = QString::fromLatin1(xprop.readAllStandardOutput()).trimmed();
    return out.section(QLatin1Char(' '), -1).toULongLong(nullptr, 16);
}

// The help window's title bar and contents lie on the screen (the window manager's
// bottom handle may not); it covers no more of the asker than mayCover, what the
// screen leaves no room for (with 1024 x 768 beside the main window).
void CheckBeside(const QWidget& help, const QWidget& asker, int mayCover) {
    const QRect area = asker.screen()->availableGeometry();
    const QRect h = help.frameGeometry(), a = asker.frameGeometry();
    QVERIFY(area.contains(help.geometry()) && area.contains(h.topLeft()) && area.contains(h.topRight()));
    const QRect covered = h.intersected(a);
    QVERIFY2(
        covered.width() * covered.height() <= mayCover,
        qPrintable(QStringLiteral("covers %1 x %2 of the asker").arg(covered.width()).arg(covered.height())));
}

// A help pop-up over a dialog: Escape closes it and leaves the dialog open, a click
// elsewhere in the dialog closes it, and so does the dialog's closing.
void CheckHelpPopup(QDialog& d, QPushButton* help) {
    d.open();
    QVERIFY(QTest::qWaitForWindowActive(&d, kWait));
    auto popupShown = [] {
        return HelpViewer::Instance().Popup() && HelpViewer::Instance().Popup()->isVisible();
    };
    ClickAt(help->mapToGlobal(help->rect().center()));
    QVERIFY(WaitFor(popupShown));
    Xdo({"key", "Escape"});
    QVERIFY(WaitFor([&] { return !popupShown(); }));
    QVERIFY(d.isVisible());

    ClickAt(help->mapToGlobal(help->rect().center()));
    QVERIFY(WaitFor(popupShown));
    const QPoint outside = d.mapToGlobal(QPoint(4, 4));
    QVERIFY(!HelpViewer::Instance().Popup()->geometry().contains(outside));
    ClickAt(outside);
    QVERIFY(WaitFor([&] { return !popupShown(); }));
    QVERIFY(d.isVisible());

    ClickAt(help->mapToGlobal(help->rect().center()));
    QVERIFY(WaitFor(popupShown));
    ClickAt(HelpViewer::Instance().Popup()->geometry().center());
    QVERIFY(WaitFor([&] { return !popupShown(); }));
    help->click();
    QVERIFY(WaitFor(popupShown));
    d.reject();
    QVERIFY(WaitFor([&] { return !popupShown(); }));
}

// What the window manager was told of a window and what it offers for it: the
// window type, the window it is transient for, and the actions it allows.
QString WindowProperties(WId id) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {"-id", QString::number(id), "_NET_WM_WINDOW_TYPE",
                                          "WM_TRANSIENT_FOR", "_NET_WM_ALLOWED_ACTIONS"});
    if (!xprop.waitForFinished(kWait)) return {};
    return QString::fromLatin1(xprop.readAllStandardOutput());
}

}  // namespace

class DesktopE2eTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        InstallFontSubstitutes();
        HelpViewer::Instance().SetHelpFile(QString::fromStdString(testing::BinDir() + "/zarnik.hlp"));
    }

    // Dialogs are declared as dialogs of the main window (its transients), so that the
    // window manager stacks and minimises them with it, and those of fixed size offer
    // no maximise. (openbox still offers minimise on every dialog, whatever the hints.)
    void dialogsAreDialogsToTheWindowManager() {
        Window win;
        MainWindow& w = *win.w;
        QVERIFY(QTest::qWaitForWindowActive(&w, kWait));
        const QString mainId = QStringLiteral("0x%1").arg(w.winId(), 0, 16);
        ProgressDialog progress(&w);
        QMessageBox box(QMessageBox::Warning, QStringLiteral("x"), QStringLiteral("y"), QMessageBox::Ok, &w);
        settings::EnvList envs;
        std::int32_t addKind = 0;
        settings::Rect bounds{};
        EnvironmentEditor editor(envs, addKind, bounds, 0, DesktopPrompts(), &w);
        for (QWidget* d : std::initializer_list<QWidget*>{&progress, &box, &editor}) {
            d->show();
            QVERIFY(QTest::qWaitForWindowExposed(d, kWait));
            QString props;
            QVERIFY(
                WaitFor([&] { return (props = WindowProperties(d->winId())).contains("ALLOWED_ACTIONS"); }));
            QVERIFY2(props.contains("_NET_WM_WINDOW_TYPE_DIALOG"), qPrintable(props));
            QVERIFY2(props.contains("window id # " + mainId), qPrintable(props));
            if (d != &editor) QVERIFY2(!props.contains("MAXIMIZE"), qPrintable(props));
            d->hide();
        }
    }

    void helpPopupsCloseAndNeverHoldTheProgram() {
        settings::Settings work;
        ExtensionDialog ext(work);
        CheckHelpPopup(ext, ext.helpButton);
        EnvironmentNameDialog name(0, "", 1);
        CheckHelpPopup(name, name.helpButton);
        std::string browseFolder;
        ChangeCountDialog change({}, {}, browseFolder, DesktopPrompts());
        CheckHelpPopup(change, change.helpButton);
    }

    void progressWindowHasTheKeyboardDuringARun() {
        testing::TempDir dir;
        for (int i = 0; i < 20; ++i) dir.Write("src/f" + std::to_string(i) + ".c", "int x;\n");
        Window win;
        MainWindow& w = *win.w;
        QVERIFY(QTest::qWaitForWindowActive(&w, kWait));
        const QString targets = TypeTargets(w, dir.str() + "/src");
        bool pressed = false;
        w.RunPumpHook = [&] {
            if (pressed || !w.ProgressWindow()->isVisible()) return;
            pressed = true;
            QVERIFY(WaitFor([&] { return QApplication::activeWindow() == w.ProgressWindow(); }));
            Xdo({"key", "alt+c"});
            QVERIFY(WaitFor([&] { return w.ProgressWindow()->CancelRequested(); }));
        };
        Command(w, "countAction")->trigger();
        QVERIFY(pressed);
        QVERIFY(w.ProgressWindow()->CancelRequested());
        QCOMPARE(w.Targets().List()->toPlainText(), targets);
        // Once the run is over the keyboard is the main window's again: Alt+F opens its menu.
        QVERIFY(WaitFor([&] { return QApplication::activeWindow() == &w; }));
        Xdo({"key", "alt+f"});
        QVERIFY(WaitFor([] { return QApplication::activePopupWidget() != nullptr; }));
        QApplication::activePopupWidget()->close();
    }

    // A run over one file ends before the window manager grants the progress window the
    // activation it asked for; keys typed afterwards must still reach the main window.
    void keysReachTheMainWindowAfterAShortRun() {
        testing::TempDir dir;
        dir.Write("src/a.c", "int x;\n");
        Window win;
        MainWindow& w = *win.w;
        QVERIFY(QTest::qWaitForWindowActive(&w, kWait));
        const QString targets = TypeTargets(w, dir.str() + "/src");
        Xdo({"key", "F9"});
        QVERIFY(WaitFor([&] { return w.Result().HasLines() && !w.Running(); }));
        QTest::qWait(500);  // a late activation lands meanwhile
        // On a loaded machine the window manager hands the keyboard back later than that.
        QVERIFY(WaitFor([&] { return QApplication::activeWindow() == &w; }));
        Xdo({"type", "xy"});
        QVERIFY(WaitFor([&] { return w.Targets().List()->toPlainText() == targets + "xy"; }));
    }

    // From the menu by the keyboard: the dialog shows the old version remembered, the
    // new one is typed, Return runs the change count, whose report follows the pane's lines.
    // ZARNIK_SHOTS keeps a picture of the dialog.
    void changeCountFromTheMenuAppendsItsReport() {
        testing::TempDir dir;
        dir.Write("release-1.0/a.c", "int a;\n/* old */\n");
        dir.Write("release-1.1/a.c", "int a;\nint b;\n");
        Window win;
        MainWindow& w = *win.w;
        win.state.DiffOld = dir.str() + "/release-1.0";
        QVERIFY(QTest::qWaitForWindowActive(&w, kWait));
        const QString typed = QString::fromStdString(dir.str() + "/release-1.1");
        bool driven = false;
        QTimer poll;
        WhenActiveModal<ChangeCountDialog>(poll, [&](ChangeCountDialog* d) {
            QCOMPARE(d->OldTarget(), QString::fromStdString(win.state.DiffOld));
            QVERIFY(d->newEdit->hasFocus());
            QVERIFY(!d->okButton->isEnabled());
            Xdo({"type", "--delay", "20", typed});
            QVERIFY(WaitFor([&] { return d->NewTarget() == typed; }));
            QVERIFY(d->okButton->isEnabled());
            Shot(QString::number(d->winId()), QStringLiteral("change-dialog.png"));
            driven = true;
            Xdo({"key", "Return"});
        });
        // Each item of the menu has a letter of its own: C runs 差分カウント at once.
        w.Targets().List()->setPlainText(QStringLiteral("/nonexistent/zarnik/*.c"));
        w.Result().SetText(QStringLiteral("earlier result"));
        Xdo({"mousemove", "--sync", "0", "0"});  // a pointer over the menu would pick its item
        Xdo({"key", "alt+r"});
        QVERIFY(WaitFor([&] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }));
        Xdo({"key", "c"});
        QVERIFY(WaitFor([&] { return driven && !w.Running() && !QApplication::activeModalWidget(); }));
        QCOMPARE(QString::fromStdString(win.state.DiffNew), typed);
        const QString pane = w.Result().Text();
        QVERIFY2(pane.startsWith(QStringLiteral("earlier result\n")) &&
                     pane.contains(QStringLiteral("a.c ")) && pane.contains(QStringLiteral("変更")),
                 qPrintable(pane));
        // And Alt+R D clears the result again.
        QVERIFY(WaitFor([&] { return QApplication::activeWindow() == &w; }));
        Xdo({"key", "alt+r"});
        QVERIFY(WaitFor([&] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }));
        Xdo({"key", "d"});
        QVERIFY(WaitFor([&] { return !w.Result().HasLines(); }));
    }

    // The revision form by the keyboard: Alt+R shows it, the repository's branches
    // and tags fill the revision boxes once its field is left, the form's own Alt+O
    // and Alt+N reach the revision boxes, Return runs. ZARNIK_SHOTS keeps a picture.
    void changeCountOfTwoRevisionsByTheKeyboard() {
        testing::TempDir dir;
        dir.Write("repo/a.c", "int a;\n");
        const std::string git = "git -C repo -c user.name=t -c user.email=t@example.org ";
        QCOMPARE(testing::Shell(dir, "git init -q -b main repo && " + git + "add . && " + git +
                                         "commit -qm 1 && git -C repo tag v1.0")
                     .Status,
                 0);
        dir.Write("repo/a.c", "int a;\nint b;\n");
        QCOMPARE(testing::Shell(dir, git + "commit -qam 2 && git -C repo tag v1.1").Status, 0);
        Window win;
        MainWindow& w = *win.w;
        QVERIFY(QTest::qWaitForWindowActive(&w, kWait));
        const QString repo = QString::fromStdString(dir.str() + "/repo");
        bool driven = false;
        QTimer poll;
        WhenActiveModal<ChangeCountDialog>(poll, [&](ChangeCountDialog* d) {
            Xdo({"key", "alt+r"});
            QVERIFY(WaitFor([&] { return d->revisionRadio->isChecked() && d->repositoryEdit->hasFocus(); }));
            QVERIFY(!d->oldEdit->isVisible() && !d->okButton->isEnabled());
            Xdo({"type", "--delay", "20", repo});
            Xdo({"key", "Tab"});
            QVERIFY(WaitFor([&] { return d->oldRevisionBox->count() == 3; }));  // main, v1.0, v1.1
            Xdo({"key", "alt+n"});
            QVERIFY(WaitFor([&] { return d->newRevisionBox->hasFocus(); }));
            Xdo({"type", "v1.1"});
            Xdo({"key", "alt+o"});
            QVERIFY(WaitFor([&] { return d->oldRevisionBox->hasFocus(); }));
            Xdo({"type", "v1.0"});
            QVERIFY(WaitFor([&] { return d->okButton->isEnabled(); }));
            Shot(QString::number(d->winId()), QStringLiteral("change-dialog-revisions.png"));
            driven = true;
            Xdo({"key", "Return"});
        });
        Command(w, "changeCountAction")->trigger();
        QVERIFY(WaitFor([&] { return driven && !w.Running() && !QApplication::activeModalWidget(); }));
        const QString pane = w.Result().Text();
        QVERIFY2(pane.contains(QStringLiteral("v1.0:") + repo + QStringLiteral("/")) &&
                     pane.contains(QStringLiteral("a.c ")) && pane.contains(QStringLiteral("変更")),
                 qPrintable(pane));
    }

    // Help from the blank-line warning (ﾍﾙﾌﾟ(&H), with the settings dialog beneath it):
    // the help window opens in front of every window and beside the box, takes the
    // keyboard and the wheel, and Escape closes it; the box stays open meanwhile.
    // Help from the main window opens beside it too. ZARNIK_SHOTS keeps a picture.
    void helpFromAModalBoxIsInFrontAndUsable() {
        Window win;
        MainWindow& w = *win.w;
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w, kWait));
        HelpViewer::Instance().SetHelpFile(QString::fromStdString(testing::BinDir() + "/zarnik.hlp"));
        SettingsDialog settings(win.state.Cnf, &w);
        settings.blankAsCommentBox_->setChecked(true);
        settings.blankOutOfTotalBox_->setChecked(true);
        bool driven = false;
        QTimer poll;
        WhenActiveModal<QMessageBox>(poll, [&](QMessageBox* box) {
            Xdo({"key", "alt+h"});
            auto helpActive = [] {
                QTextBrowser* h = HelpViewer::Instance().Window();
                return h && h->isVisible() && h->isActiveWindow();
            };
            QVERIFY(WaitFor(helpActive));
            QTextBrowser* help = HelpViewer::Instance().Window();
            QVERIFY(QTest::qWaitForWindowExposed(help, kWait));
            QVERIFY(box->isVisible());
            QVERIFY(WaitFor([&] { return TopmostWindow() == help->winId(); }));
            CheckBeside(*help, *box, 0);
            Shot(QStringLiteral("root"), QStringLiteral("help-over-warning.png"));
            // The wheel scrolls it.
            QScrollBar* bar = help->verticalScrollBar();
            bar->setValue(0);
            const QPoint centre = help->mapToGlobal(help->rect().center());
            Xdo({"mousemove", "--sync", QString::number(centre.x()), QString::number(centre.y())});
            Xdo({"click", "--repeat", "3", "5"});
            QVERIFY(WaitFor([&] { return bar->value() > 0; }));
            Xdo({"key", "Escape"});
            QVERIFY(WaitFor([] { return !HelpViewer::Instance().Window(); }));
            QVERIFY(box->isVisible());
            QVERIFY(WaitFor([&] { return box->isActiveWindow(); }));
            driven = true;
            Xdo({"key", "alt+n"});  // いいえ: the settings close with both options
        });
        settings.open();
        QVERIFY(QTest::qWaitForWindowActive(&settings, kWait));
        settings.okButton_->click();  // the warning: until it is answered the poll above drives
        QVERIFY(WaitFor([&] { return driven && !settings.isVisible(); }));
        QVERIFY(settings.Confirmed());

        // From the main window, F1: in front, and Escape closes it.
        w.activateWindow();
        QVERIFY(WaitFor([&] { return QApplication::activeWindow() == &w; }));
        Xdo({"key", "F1"});
        const bool helpActive = WaitFor([] {
            QTextBrowser* h = HelpViewer::Instance().Window();
            return h && h->isVisible() && h->isActiveWindow();
        });
        QTextBrowser* opened = HelpViewer::Instance().Window();
        const QWidget* active = QApplication::activeWindow();
        QVERIFY2(helpActive, qPrintable(QStringLiteral("help window %1, visible %2; active window %3")
                                            .arg(opened ? QStringLiteral("open") : QStringLiteral("none"))
                                            .arg(opened && opened->isVisible())
                                            .arg(active ? active->windowTitle() : QStringLiteral("none"))));
        QTextBrowser* help = HelpViewer::Instance().Window();
        QVERIFY(WaitFor([&] { return TopmostWindow() == help->winId(); }));
        CheckBeside(*help, w, help->frameGeometry().width() * w.frameGeometry().height());
        Xdo({"key", "Escape"});
        QVERIFY(WaitFor([] { return !HelpViewer::Instance().Window(); }));
    }

    void floatingToolBarKeepsItsTickUntilItsCloseBox() {
        Window win;
        MainWindow& w = *win.w;
        QVERIFY(QTest::qWaitForWindowActive(&w, kWait));
        QToolBar* bar = w.findChild<QToolBar*>(QStringLiteral("MainToolBar"));
        // Drag it off the dock by its handle, as a user does.
        QPoint from = bar->mapToGlobal(QPoint(7, bar->height() / 2));
        Xdo({"mousemove", "--sync", QString::number(from.x()), QString::number(from.y()), "mousedown", "1"});
        for (int step = 1; step <= 10; ++step)  // above the window: over no dock area
            Xdo({"mousemove", "--sync", QString::number(from.x() - 20 * step),
                 QString::number(from.y() - 12 * step)});
        Xdo({"mouseup", "1"});
        QVERIFY(WaitFor([&] {
            return bar->isFloating() && bar->isVisible() && (bar->windowFlags() & Qt::WindowCloseButtonHint);
        }));
        QVERIFY(QTest::qWaitForWindowExposed(bar, kWait));
        QCOMPARE(bar->windowTitle(), QStringLiteral("Zarnik ﾂｰﾙﾊﾞｰ"));
        Shot(QStringLiteral("root"), QStringLiteral("floating-toolbar.png"));
        QVERIFY(Command(w, "toolBarAction")->isChecked());
        QCOMPARE(win.state.Cnf.ShowToolBar, 1);

        // The close box sits at the right end of the window manager's title bar, as
        // high as the main window's.
        const int title = w.geometry().top() - w.frameGeometry().top();
        QVERIFY(title > 8);
        ClickAt(QPoint(bar->geometry().right() - title / 2, bar->geometry().top() - title / 2));
        QVERIFY(WaitFor([&] { return !bar->isVisible(); }));
        QVERIFY(!Command(w, "toolBarAction")->isChecked());
        QCOMPARE(win.state.Cnf.ShowToolBar, 0);
        Command(w, "toolBarAction")->trigger();
        QVERIFY(WaitFor([&] { return bar->isVisible() && bar->isFloating(); }));
    }

    // A stored size larger than the screen: the whole window, the window manager's
    // title bar included, opens on the screen.
    void windowLargerThanTheScreenOpensWithItsTitleBarOnIt() {
        Window win([](AppState& s) { s.Place.MainPlacement = {{0, 0, 3000, 2000}, 0, 120}; });
        MainWindow& w = *win.w;
        QVERIFY(QTest::qWaitForWindowExposed(&w, kWait));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(WaitFor([&] {
                     return w.frameGeometry().top() < w.geometry().top() &&
                            screen.contains(w.frameGeometry());
                 }),
                 qPrintable(QStringLiteral("frame %1,%2 %3x%4")
                                .arg(w.frameGeometry().x())
                                .arg(w.frameGeometry().y())
                                .arg(w.frameGeometry().width())
                                .arg(w.frameGeometry().height())));
    }

    // A floating toolbar stored off the screen opens whole on it, and above the window
    // (restored before the window was shown, it used to lie under it).
    void floatingToolBarStoredOffTheScreenOpensOnItAboveTheWindow() {
        Window win([](AppState& s) {
            settings::ToolBarRecord bar;
            bar.DockedTo = "+";
            bar.FloatLeft = 5000;
            bar.FloatTop = 5000;
            s.ToolBar = bar;
        });
        MainWindow& w = *win.w;
        QVERIFY(QTest::qWaitForWindowExposed(&w, kWait));
        QToolBar* bar = w.findChild<QToolBar*>(QStringLiteral("MainToolBar"));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const bool placed = WaitFor([&] {
            return bar->frameGeometry().top() < bar->geometry().top() &&
                   screen.contains(bar->frameGeometry());
        });
        const auto shown = [](const QRect& r) {
            return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
        };
        QVERIFY2(placed,
                 qPrintable(QStringLiteral("frame %1, inside %2, screen %3, visible %4")
                                .arg(shown(bar->frameGeometry()), shown(bar->geometry()), shown(screen))
                                .arg(bar->isVisible())));
        QVERIFY(WaitFor([&] {
            const QList<WId> order = Stacking();
            return order.contains(w.winId()) && order.indexOf(bar->winId()) > order.indexOf(w.winId());
        }));
    }

    // 表示 > グラフ表示 by the keyboard shows the chart pane beside the result, and F9's
    // run draws its charts on the screen. ZARNIK_SHOTS keeps a picture of the window.
    void chartViewBesideTheResultAfterACount() {
        testing::TempDir dir;
        dir.Write("src/main.c", "/* main */\nint main(void) {\n\n    return 0;\n}\n");
        dir.Write("src/lib/util.c", "// util\nint u;\nint v;\nint w;\n");
        dir.Write("src/lib/util.h", "/* util */\n\nint u;\n");
        dir.Write("src/App.java", "// app\nclass App {\n}\n");
        Window win;
        MainWindow& w = *win.w;
        w.resize(w.screen()->availableGeometry().size() * 9 / 10);
        QVERIFY(QTest::qWaitForWindowActive(&w, kWait));
        Xdo({"mousemove", "--sync", "0", "0"});  // a pointer over the menu would pick its item
        Xdo({"key", "alt+v"});
        QVERIFY(WaitFor([&] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); }));
        Xdo({"key", "g"});
        QVERIFY(WaitFor([&] { return w.Chart().isVisible(); }));
        TypeTargets(w, dir.str() + "/src");
        Xdo({"key", "F9"});
        QVERIFY(WaitFor([&] { return w.Chart().Charts().size() == 2 && !w.Running(); }));
        // The executable lines' bars reach the screen in their colour.
        const QColor exec =
            static_cast<QAbstractBarSeries*>(w.Chart().Charts()[0]->series()[0])->barSets()[0]->color();
        auto barPixels = [&] {
            const QRect g(w.Chart().mapToGlobal(QPoint()), w.Chart().size());
            const QImage shown = w.screen()->grabWindow(0, g.x(), g.y(), g.width(), g.height()).toImage();
            int n = 0;
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x) n += shown.pixelColor(x, y) == exec ? 1 : 0;
            return n;
        };
        QVERIFY(WaitFor([&] { return barPixels() > 100; }));
        Shot(QString::number(w.winId()), QStringLiteral("chart-view.png"));
    }

    // Seven-digit counts stay whole beside the cancel button, in the fonts of this
    // machine; the caption is the window's own. ZARNIK_SHOTS keeps a picture of it.
    void progressWindowWithLargeCounts() {
        ProgressDialog p;
        p.show();
        p.phaseLabel->setText(QStringLiteral("処理中..."));
        p.fileCountLabel->hide();
        p.fileNumberLabel->setText(QStringLiteral(" [1234567/2345678]"));
        p.environmentLabel->setText(QStringLiteral("/home/user/src/zarnik/src/engine/counter_c.cpp"));
        p.progressBar->setRange(0, 2345678);
        p.progressBar->setValue(1234567);
        QVERIFY(QTest::qWaitForWindowExposed(&p, kWait));
        const QString id = QString::number(p.winId());
        QProcess name;
        name.start(QStringLiteral("xdotool"), {"getwindowname", id});
        QVERIFY(name.waitForFinished(kWait));
        QCOMPARE(QString::fromUtf8(name.readAllStandardOutput()).trimmed(),
                 QStringLiteral("コメントカウント実行中"));
        Shot(id, QStringLiteral("progress-window.png"));
    }

    void splashAndEveryFadeStepReachTheScreen() {
        SplashScreen splash(0);
        splash.ShowAndWaitUntilOnScreen();
        QScreen* screen = QGuiApplication::primaryScreen();
        auto grab = [&] {
            const QRect g = splash.geometry();
            return screen->grabWindow(0, g.x(), g.y(), g.width(), g.height()).toImage();
        };
        const int first = Brightness(grab());
        QVERIFY(first < 200);  // the picture, not an empty white or black window
        QList<int> steps;
        splash.OnFadeStep = [&](int) { steps << Brightness(grab()); };
        splash.FadeOut();
        QCOMPARE(steps.size(), 26);
        for (int i = 1; i < steps.size(); ++i)
            QVERIFY2(steps[i] >= steps[i - 1], qPrintable(QString::number(i)));
        QVERIFY(steps[0] > first);
        QCOMPARE(steps.last(), 255);
    }
};

QTEST_MAIN(DesktopE2eTest)
#include "desktop_e2e_test.moc"
