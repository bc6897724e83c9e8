#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <utility>

#include "test_util.h"
#include "ui/env_editor.h"
#include "ui/help_viewer.h"
#include "ui/main_window.h"
#include "ui/ui_style.h"
#include "ui_fixture.h"

using namespace zarnik;
using namespace zarnik::ui;
using testing::Sj;

namespace {

using Step = std::function<void(QDialog&)>;

// Environments A, B, C with ids 1, 2 and 5, each with two target lines and a memo.
settings::EnvList ThreeEnvs() {
    settings::EnvList envs;
    for (std::string n : {"A", "B", "C"})
        envs.StoreEnv(envs.AddEnv(n, 1), {"/src/" + n + "/*.c", "/src/" + n + "/*.h"}, {"memo " + n});
    envs.At(2).EnvId = 5;
    return envs;
}

QString LinesOf(const char* n) { return QStringLiteral("/src/%1/*.c\n/src/%1/*.h").arg(QLatin1String(n)); }

// Every modal dialog the window opens (the editor and its name dialogs) runs the
// next queued step instead of waiting for the user. A message fails the test
// unless the test takes it.
struct Fixture : WindowFixture {
    // Environments A, B and C, or those of an INI file read now and written at close.
    explicit Fixture(int tab = 0, const std::string& ini = {})
        : WindowFixture([tab, &ini](AppState& state) {
              if (ini.empty())
                  state.Envs = ThreeEnvs();
              else
                  UseIniFile(state, ini);
              state.Cnf.SelectedTab = tab;
          }) {}
    ~Fixture() {
        if (!prompts.Messages.isEmpty())
            QTest::qFail(qPrintable(prompts.Messages.join('|')), __FILE__, __LINE__);
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;
    void Script(std::initializer_list<Step> steps) {
        for (const Step& step : steps)
            prompts.Dialogs.push_back([step](QDialog& d) { return step(d), d.result(); });
    }
    void Edit(std::initializer_list<Step> steps) {
        Script(steps);
        Command(*window, "envEditAction")->trigger();
        QVERIFY(prompts.AllAnswered());
    }
    QString Pane() const { return window->Targets().List()->toPlainText(); }
    QStringList Tabs() const {
        QStringList out;
        for (int i = 0; i < window->Tabs().Row()->count(); ++i) out << window->Tabs().Row()->tabText(i);
        return out;
    }
};

// Types text as a keyboard or input method would, one character at a time.
void Type(QWidget* w, const QString& text) {
    for (QChar c : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

EnvironmentEditor& Editor(QDialog& d) { return static_cast<EnvironmentEditor&>(d); }

// The name dialog: choose the place, enter the name and press OK (ｷｬﾝｾﾙ when the
// name is empty); its message goes to *message.
Step Name(const QString& name, int addKind, QString* message = nullptr) {
    return [=](QDialog& d) {
        auto* c = qobject_cast<EnvironmentNameDialog*>(&d);
        QVERIFY(c);
        if (message) *message = c->messageLabel->text();
        (addKind == 0 ? c->addAtHeadButton : c->addAtEndButton)->click();
        c->nameEdit->clear();
        Type(c->nameEdit, name);
        (name.isEmpty() ? c->cancelButton : c->okButton)->click();
    };
}

QStringList Items(const QListWidget* list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

int Selected(const QListWidget* list) {
    auto items = list->selectedItems();
    return items.isEmpty() ? -1 : list->row(items.front());
}

// Right-clicks w at p and returns the captions of the menu that opened (closed at
// once, after triggering its first item when asked); empty when none opened.
QStringList RightClick(QWidget* w, const QPoint& p, bool triggerFirst = false) {
    QStringList captions;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction* a : menu->actions()) captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        menu->close();
        if (triggerFirst) menu->actions().value(0)->trigger();
    });
    QContextMenuEvent e(QContextMenuEvent::Mouse, p, w->mapToGlobal(p));
    QApplication::sendEvent(w, &e);
    QTest::qWait(20);
    return captions;
}

}  // namespace

class EnvTabsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutes(); }

    void typedTextSurvivesTabSwitchesByClickAndRightClick() {
        Fixture f;
        MainWindow& w = *f.window;
        TabRow* tabs = w.Tabs().Row();
        Type(w.Targets().List(), QStringLiteral("x"));
        w.Targets().Memo()->setPlainText(QStringLiteral("新しいメモ"));
        f.state.Envs.StoreEnv(2, {}, {});  // B is empty: the count command must follow
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
        QCOMPARE(f.Pane(), QString());
        QVERIFY(!Command(w, "countAction")->isEnabled());

        // Beside the tabs: no switch and no menu. On another tab: both.
        QPoint beside(tabs->tabRect(2).right() + 30, tabs->tabRect(2).center().y());
        QVERIFY(tabs->tabAt(beside) < 0 && tabs->rect().contains(beside));
        QVERIFY(RightClick(tabs, beside).isEmpty());
        QCOMPARE(tabs->currentIndex(), 1);
        const QStringList menu = RightClick(tabs, tabs->tabRect(0).center());
        QCOMPARE(menu, (QStringList{"対象ｿｰｽﾌｧｲﾙ環境編集(&F)", "-", "ｷｬﾝｾﾙ"}));
        QCOMPARE(tabs->currentIndex(), 0);
        QCOMPARE(f.Pane(), QStringLiteral("x") + LinesOf("A"));
        QCOMPARE(w.Targets().Memo()->toPlainText(), QStringLiteral("新しいメモ"));
        QVERIFY(Command(w, "countAction")->isEnabled());

        // The caption bar above the target list has the same menu; it opens the editor.
        f.Script({[](QDialog& d) { Editor(d).cancelButton->click(); }});
        QCOMPARE(RightClick(w.Targets().Caption(), QPoint(5, 5), true), menu);
        QVERIFY(f.prompts.AllAnswered());
    }

    void tabRowFollowsTabPos() {
        for (int pos : {0, 1}) {
            Fixture f;
            f.state.Cnf.TabPosition = pos;
            f.Edit({[](QDialog& d) { Editor(d).okButton->click(); }});  // shows the tabs again
            QWidget* w = f.window.get();
            auto below = [&] {
                return f.window->Tabs().Row()->mapTo(w, QPoint()).y() >
                       f.window->Targets().List()->mapTo(w, QPoint()).y();
            };
            QTRY_COMPARE(below(), pos != 0);
        }
    }

    void editorOpensOnTheCurrentTabAndOkKeepsIt() {
        Fixture f(1);
        Type(f.window->Targets().List(), QStringLiteral("typed "));
        f.Edit({[](QDialog& d) {
            QCOMPARE(Items(Editor(d).environmentList), (QStringList{"A", "B", "C"}));
            QCOMPARE(Selected(Editor(d).environmentList), 1);
            Editor(d).okButton->click();
        }});
        QCOMPARE(f.window->Tabs().Row()->currentIndex(), 1);
        QCOMPARE(f.Pane(), QStringLiteral("typed ") + LinesOf("B"));
        QCOMPARE(f.window->Targets().Memo()->toPlainText(), QStringLiteral("memo B"));
        for (int i = 0; i < 3; ++i) QCOMPARE(f.state.Envs.At(i).EnvId, i + 1);
    }

    void newEnvironmentAtTheHeadBecomesTheFirstAndCurrentTab() {
        Fixture f(2);
        f.Edit({[](QDialog& d) {
                    Editor(d).copyButton->click();  // cancelled with the head chosen
                    Editor(d).addButton->click();
                    QCOMPARE(Items(Editor(d).environmentList), (QStringList{"D", "A", "B", "C"}));
                    Editor(d).okButton->click();
                },
                Name({}, 0),
                [](QDialog& d) {
                    auto& c = static_cast<EnvironmentNameDialog&>(d);
                    QVERIFY(c.addAtHeadButton->isChecked());  // the cancelled choice counts
                    QVERIFY(!c.okButton->isEnabled());
                    Name(QStringLiteral("D"), 0)(d);
                }});
        QCOMPARE(f.Tabs(), (QStringList{"D", "A", "B", "C"}));
        QCOMPARE(f.window->Tabs().Row()->currentIndex(), 0);
        QCOMPARE(f.Pane(), QString());
        QVERIFY(!Command(*f.window, "countAction")->isEnabled());
        QCOMPARE(f.state.Cnf.AddEntriesAtEnd, 0);
    }

    void copyingCopiesLinesAndMemoToTheNewPlace() {
        Fixture f;
        f.state.Envs.RenameEnv(1, Sj("ＡＢＣＤＥＦＧＨＩ"));  // 18 bytes
        QString longMessage, shortMessage;
        f.Edit({[](QDialog& d) {
                    QListWidget* list = Editor(d).environmentList;
                    Editor(d).copyButton->click();  // A, at the head: A itself moves down
                    list->setCurrentRow(2);
                    Editor(d).menuCopyAction->trigger();  // B, at the end
                    QCOMPARE(Items(list), (QStringList{"A2", "ＡＢＣＤＥＦＧＨＩ", "B", "C", "B2"}));
                    QCOMPARE(Selected(list), 4);
                    Editor(d).okButton->click();
                },
                Name(QStringLiteral("A2"), 0, &longMessage), Name(QStringLiteral("B2"), 1, &shortMessage)});
        QCOMPARE(longMessage, QStringLiteral("環境『ＡＢＣＤＥＦＧＨＩ』\nをコピーして追加します。\n"
                                             "対象ｿｰｽﾌｧｲﾙ環境に名前を付けてください。"));
        QVERIFY(shortMessage.startsWith(QStringLiteral("環境『B』をコピーして追加します。\n")));
        const settings::EnvList& live = f.state.Envs;
        QCOMPARE(live.At(0).TargetLines, live.At(1).TargetLines);
        QCOMPARE(live.At(0).MemoLines, (settings::Lines{"memo A"}));
        QCOMPARE(live.At(4).MemoLines, (settings::Lines{"memo B"}));
        QCOMPARE(f.window->Tabs().Row()->currentIndex(), 4);
        QCOMPARE(f.Pane(), LinesOf("B"));
    }

    void deleteThenCancelKeepsEverything() {
        Fixture f(1);
        Type(f.window->Targets().List(), QStringLiteral("kept "));
        settings::EnvList before = ThreeEnvs();
        before.StoreEnv(2, {"kept /src/B/*.c", "/src/B/*.h"}, {"memo B"});
        f.prompts.Warnings = {QMessageBox::No, QMessageBox::Yes, QMessageBox::Yes};
        f.Edit({[&](QDialog& d) {
            EnvironmentEditor& e = Editor(d);
            e.deleteButton->click();
            QCOMPARE(e.environmentList->count(), 3);
            e.menuDeleteAction->trigger();
            QCOMPARE(Items(e.environmentList), (QStringList{"A", "C"}));
            QCOMPARE(Selected(e.environmentList), 0);
            e.deleteButton->click();
            QVERIFY(!e.deleteButton->isEnabled() && !e.menuDeleteAction->isEnabled());  // the last one stays
            e.cancelButton->click();
        }});
        QCOMPARE(f.prompts.Questions.value(0), QStringLiteral("環境『B』を削除してよろしいですか？"));
        QVERIFY(f.state.Envs == before);
        QCOMPARE(f.Tabs(), (QStringList{"A", "B", "C"}));
        QCOMPARE(f.Pane(), QStringLiteral("kept ") + LinesOf("B"));
    }

    void moveButtonsFollowTheSelection() {
        Fixture f;
        f.Edit({[](QDialog& d) {
            EnvironmentEditor& e = Editor(d);
            QListWidget* list = e.environmentList;
            auto check = [&](bool selected, bool up, bool down) {
                QCOMPARE(e.copyButton->isEnabled() && e.renameButton->isEnabled(), selected);
                QCOMPARE(e.upButton->isEnabled() && e.menuUpAction->isEnabled(), up);
                QCOMPARE(e.downButton->isEnabled() || e.menuDownAction->isEnabled(), down);
            };
            check(true, false, true);
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(2)).center());
            check(true, true, false);
            e.upButton->click();
            QCOMPARE(Items(list), (QStringList{"A", "C", "B"}));
            check(true, true, true);
            list->clearSelection();  // nothing to copy, rename or move
            check(false, false, false);
            e.downButton->click();
            QCOMPARE(Items(list), (QStringList{"A", "C", "B"}));
            e.okButton->click();
        }});
        // OK without a selection shows the first tab, and its text is kept on a switch.
        QCOMPARE(f.Tabs(), (QStringList{"A", "C", "B"}));
        QCOMPARE(f.window->Tabs().Row()->currentIndex(), 0);
        Type(f.window->Targets().List(), QStringLiteral("x"));
        QTest::mouseClick(f.window->Tabs().Row(), Qt::LeftButton, {},
                          f.window->Tabs().Row()->tabRect(1).center());
        QCOMPARE(f.state.Envs.At(0).TargetLines.front(), std::string("x/src/A/*.c"));
    }

    void twoWindowsOnOneFileKeepEachOthersEdits() {
        testing::TempDir dir;
        const std::string ini = dir.str() + "/zarnik.ini";
        {
            settings::ProgramState first =
                settings::MakeStartState(settings::PathsForIniFile(dir.str() + "/zarnik", ini), 1024, 768);
            first.Envs = ThreeEnvs();
            settings::WindowState window;
            window.TargetLines = first.Envs.At(0).TargetLines;
            window.MemoLines = first.Envs.At(0).MemoLines;
            settings::SaveSettings(first, window);
        }
        // A edits C's lines, B edits A's: B's close keeps A's edit, and says nothing.
        {
            Fixture a(2, ini), b(0, ini);
            Type(a.window->Targets().List(), QStringLiteral("a"));
            Type(b.window->Targets().List(), QStringLiteral("b"));
            QVERIFY(a.window->close());
            QVERIFY(b.window->close());
        }
        Fixture after(0, ini);
        QCOMPARE(after.state.Envs.At(0).TargetLines.front(), std::string("b/src/A/*.c"));
        QCOMPARE(after.state.Envs.At(2).TargetLines.front(), std::string("a/src/C/*.c"));
        // Both edit A: the later close keeps its own and the other's as its own
        // environment, and tells the user.
        {
            Fixture a(0, ini), b(0, ini);
            Type(a.window->Targets().List(), QStringLiteral("1"));
            Type(b.window->Targets().List(), QStringLiteral("2"));
            QVERIFY(a.window->close());
            QVERIFY(b.window->close());
            const QStringList shown = std::exchange(b.prompts.Messages, {});
            QCOMPARE(shown.size(), 1);
            QVERIFY(shown[0].startsWith(QStringLiteral("警告:")));
            QVERIFY(shown[0].contains(QStringLiteral("A(別ｳｨﾝﾄﾞｳ)")));
        }
        Fixture last(0, ini);
        QCOMPARE(last.Tabs(), (QStringList{"A", "B", "C", QStringLiteral("A(別ｳｨﾝﾄﾞｳ)")}));
        QCOMPARE(last.state.Envs.At(0).TargetLines.front(), std::string("2b/src/A/*.c"));
        QCOMPARE(last.state.Envs.At(3).TargetLines.front(), std::string("1b/src/A/*.c"));
    }

    void okRenumbersAndTheNextCloseWritesMemosInTheNewOrder() {
        testing::TempDir dir;
        const std::string ini = dir.str() + "/zarnik.ini";
        {  // a previous run left memo1.dat .. memo3.dat
            settings::ProgramState first =
                settings::MakeStartState(settings::PathsForIniFile(dir.str() + "/zarnik", ini), 1024, 768);
            first.Envs = ThreeEnvs();
            settings::WindowState window;
            window.TargetLines = first.Envs.At(0).TargetLines;
            window.MemoLines = {"memo A"};
            settings::SaveSettings(first, window);
        }
        Fixture f(0, ini);
        f.prompts.Warnings = {QMessageBox::Yes};
        f.Edit({[](QDialog& d) {
                    EnvironmentEditor& e = Editor(d);
                    e.environmentList->setCurrentRow(2);
                    e.upButton->click();
                    e.upButton->click();   // C, A, B
                    e.addButton->click();  // C, A, B, N
                    e.environmentList->setCurrentRow(2);
                    e.deleteButton->click();  // C, A, N
                    e.environmentList->setCurrentRow(1);
                    e.okButton->click();
                },
                Name(QStringLiteral("N"), 1)});
        for (int i = 0; i < 3; ++i) QCOMPARE(f.state.Envs.At(i).EnvId, i + 1);
        QCOMPARE(f.window->Tabs().Row()->currentIndex(), 1);
        f.window->Targets().Memo()->setPlainText(QStringLiteral("memo A edited"));
        QVERIFY(f.window->close());

        QCOMPARE(zarnik::testing::ReadFileBytes(dir.path() / "memo1.dat"), std::string("memo C\r\n"));
        QCOMPARE(zarnik::testing::ReadFileBytes(dir.path() / "memo2.dat"), std::string("memo A edited\r\n"));
        QVERIFY(!std::filesystem::exists(dir.path() / "memo3.dat"));  // N has no memo
        std::string text = zarnik::testing::ReadFileBytes(ini);
        QVERIFY(text.find("cnam1=C\r\ncnam2=A\r\ncnam3=N\r\n") != std::string::npos);
        QVERIFY(text.find("[FILES_3]") == std::string::npos);
    }

    void targetLinesOutsideShiftJisSurviveTabsAndTheIniFile() {
        testing::TempDir dir;
        dir.Write("t/é.c", "int e;\n");
        dir.Write("t/a.c", "int a;\n");
        const std::string ini = dir.str() + "/zarnik.ini";
        const QString typed = QString::fromStdString(dir.str() + "/t/é.c\n" + dir.str() + "/t/😀/");
        {
            Fixture f(0, ini);
            f.window->Targets().List()->setPlainText(typed);
            QVERIFY(f.window->close());
        }
        QVERIFY(zarnik::testing::ReadFileBytes(ini).find("utf8file0=") != std::string::npos);
        Fixture again(0, ini);
        QCOMPARE(again.Pane(), typed);
        again.window->Targets().List()->setPlainText(typed.section(QLatin1Char('\n'), 0, 0));
        Command(*again.window, "countAction")->trigger();
        std::vector<std::string> lines = again.window->ResultLines();
        QVERIFY(std::any_of(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.starts_with("?.c "); }));
        QVERIFY(std::none_of(lines.begin(), lines.end(),
                             [](const std::string& l) { return l.starts_with("a.c "); }));
    }

    void editorTakesItsSizeFromThePlacementAndOpensCentred() {
        Fixture f;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        const QPoint centred((screen.width() - 400) / 2, (screen.height() - 330) / 2);
        f.state.Place.EditorPlacement = {3, 4, 400, 330};
        QRect seen;
        f.Edit({[&](QDialog& d) {
            d.show();
            seen = d.geometry();
            Editor(d).helpButton->click();
            Editor(d).cancelButton->click();
        }});
        QCOMPARE(seen, QRect(screen.topLeft() + centred, QSize(400, 330)));
        QCOMPARE(HelpViewer::Instance().LastRequest(), QStringLiteral("topic 10006"));
        // Closing, even by cancel, hands the bounds back.
        QCOMPARE(f.state.Place.EditorPlacement, (settings::Rect{centred.x(), centred.y(), 400, 330}));
        f.state.Place.EditorPlacement = {0, 0, 100, 100};  // below the minimum size
        f.Edit({[&](QDialog& d) { seen = d.geometry(); }});
        QCOMPARE(seen.size(), QSize(312, 290));
    }

    void nameFieldHoldsThirtyShiftJisBytes() {
        EnvironmentNameDialog c(EnvironmentNameDialog::NewMode, {}, 7,
                                nullptr);  // a choice not 0 or 1: at the end
        QCOMPARE(c.windowTitle(), QStringLiteral("対象ｿｰｽﾌｧｲﾙ環境名の入力－新規追加"));
        QVERIFY(c.addAtEndButton->isChecked());
        QVERIFY(!c.okButton->isEnabled());
        Type(c.nameEdit, QStringLiteral("あいうえおかきくけこさしすせそた"));  // 16 × 2 bytes
        QCOMPARE(c.nameEdit->text(), QStringLiteral("あいうえおかきくけこさしすせそ"));
        QTest::keyClick(c.nameEdit, Qt::Key_Backspace);
        Type(c.nameEdit, QStringLiteral("ｱｲｳ"));  // half-width: one byte each
        QCOMPARE(c.Name(), Sj("あいうえおかきくけこさしすせｱｲ"));
        // Full, it takes no key at all, however many follow.
        c.nameEdit->setText(QString(30, QLatin1Char('a')));
        Type(c.nameEdit, QStringLiteral("b c d e f g"));
        QCOMPARE(c.nameEdit->text(), QString(30, QLatin1Char('a')));
        QTest::keyClick(c.nameEdit, Qt::Key_Backspace);
        Type(c.nameEdit, QStringLiteral("xyz"));
        QCOMPARE(c.nameEdit->text(), QString(29, QLatin1Char('a')) + QLatin1Char('x'));
        // A paste keeps what follows the cursor and as much of itself as fits.
        QApplication::clipboard()->setText(QStringLiteral("0123456789012345678901234567890123456789"));
        c.nameEdit->setText(QStringLiteral("abcxyz"));
        c.nameEdit->setCursorPosition(3);
        QTest::keyClick(c.nameEdit, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(c.nameEdit->text(), QStringLiteral("abc012345678901234567890123xyz"));
        c.nameEdit->clear();
        QVERIFY(!c.okButton->isEnabled());
        QTest::keyClick(c.nameEdit, Qt::Key_Return);  // the default button is disabled
        QCOMPARE(c.result(), int(QDialog::Rejected));
        c.helpButton->click();
        QCOMPARE(HelpViewer::Instance().LastRequest(), QStringLiteral("popup 10019"));

        // A longer stored name is shown whole; it can be shortened but not lengthened.
        EnvironmentNameDialog r(EnvironmentNameDialog::RenameMode, std::string(40, 'n'), 0, nullptr);
        QVERIFY(!r.addPlaceGroup->isEnabled());
        r.nameEdit->setCursorPosition(40);
        Type(r.nameEdit, QStringLiteral("x"));
        QCOMPARE(r.Name(), std::string(40, 'n'));
        QTest::keyClick(r.nameEdit, Qt::Key_Backspace);
        QCOMPARE(r.Name(), std::string(39, 'n'));
    }
};

QTEST_MAIN(EnvTabsTest)
#include "env_tabs_test.moc"
