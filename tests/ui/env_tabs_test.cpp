#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <deque>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "test_util.h"
#include "ui/env_editor.h"
#include "ui/help_viewer.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/ui_style.h"

using namespace zarnik;
using namespace zarnik::ui;
using testing::Sj;

namespace {

using Step = std::function<void(QDialog&)>;

// Three environments A, B, C with ids 1, 2 and 5, each with target lines and a memo.
settings::EnvList ThreeEnvs() {
    settings::EnvList envs;
    const char* names[] = {"A", "B", "C"};
    for (int i = 0; i < 3; ++i) {
        std::int32_t id = envs.AddEnv(names[i], 1);
        std::string n = names[i];
        envs.StoreEnv(id, {"/src/" + n + "/*.c", "/src/" + n + "/*.h"}, {"memo " + n});
    }
    envs.At(2).EnvId = 5;
    return envs;
}

// A main window whose modal dialogs run the queued steps instead of waiting for the
// user; a step clicks the dialog's buttons, and the dialog's result is returned.
struct Fixture {
    AppState state;
    std::unique_ptr<Form_Main> window;
    std::deque<Step> steps;
    int dialogsOpened = 0;

    explicit Fixture(settings::EnvList envs = ThreeEnvs(), int tab = 0) {
        static_cast<settings::ProgramState&>(state) =
            settings::MakeStartState(settings::LocateProgramPaths("/nonexistent/zarnik"), 1024, 768);
        state.Envs = std::move(envs);
        state.Cnf.TabIdx = tab;
        state.Save = [](AppState&, const settings::WindowState&, std::string&) { return true; };
        window = std::make_unique<Form_Main>(state);
        window->ExecDialog = [this](QDialog& d) { return Run(d); };
        window->ShowMessage = [](const QString&, const QString&) {};
        window->show();
    }
    int Run(QDialog& d) {
        ++dialogsOpened;
        if (steps.empty()) {
            d.reject();
        } else {
            Step step = std::move(steps.front());
            steps.pop_front();
            step(d);
        }
        return d.result();
    }
    // Opens the editor and runs the steps queued for it and the dialogs it opens.
    void Edit(std::initializer_list<Step> s) {
        steps.assign(s.begin(), s.end());
        window->Act_EnvEdit->trigger();
    }
    QString Pane() const { return window->Memo_Files->toPlainText(); }
    QStringList Tabs() const {
        QStringList out;
        for (int i = 0; i < window->TabControl1->count(); ++i) out << window->TabControl1->tabText(i);
        return out;
    }
};

// Types text character by character, as a keyboard or input method would.
void Type(QWidget* w, const QString& text) {
    for (QChar c : text) QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

Form_Scnf& Editor(QDialog& d) { return static_cast<Form_Scnf&>(d); }

// A name dialog step: checks its caption, then enters the name with the choice and
// presses OK (or ｷｬﾝｾﾙ when name is empty).
Step NameStep(const QString& caption, const QString& name, int addKind, QString* message = nullptr) {
    return [=](QDialog& d) {
        auto* c = qobject_cast<Form_Cname*>(&d);
        QVERIFY(c);
        QCOMPARE(c->windowTitle(), caption);
        if (message) *message = c->Label_Msg->text();
        (addKind == 0 ? c->RadioButton_Head : c->RadioButton_End)->click();
        if (name.isEmpty()) {
            c->Button_Cancel->click();
            return;
        }
        c->Edit_Cname->clear();
        Type(c->Edit_Cname, name);
        c->Button_Ok->click();
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

// The captions of the pop-up menu that opens while f runs, closed at once; empty
// when none opened.
QStringList MenuDuring(const std::function<void()>& f, bool triggerFirst = false) {
    QStringList captions;
    QTimer::singleShot(0, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        for (QAction* a : menu->actions()) captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QAction* first = menu->actions().value(0);
        menu->close();
        if (triggerFirst && first) first->trigger();
    });
    f();
    QTest::qWait(20);
    return captions;
}

void RightClick(QWidget* w, const QPoint& p) {
    QContextMenuEvent e(QContextMenuEvent::Mouse, p, w->mapToGlobal(p));
    QApplication::sendEvent(w, &e);
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

}  // namespace

class EnvTabsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutes(); }

    // ---- tabs ----

    void textTypedBeforeATabSwitchSurvivesTheSwitch() {
        Fixture f;
        Form_Main& w = *f.window;
        QCOMPARE(f.Tabs(), (QStringList{"A", "B", "C"}));
        w.Memo_Files->moveCursor(QTextCursor::End);
        QTest::keyClick(w.Memo_Files, Qt::Key_Return);
        QTest::keyClicks(w.Memo_Files, QStringLiteral("/typed/*.c"));
        w.Memo_memo->setPlainText(QStringLiteral("新しいメモ"));
        // B is emptied so that the count command must follow the switch.
        f.state.Envs.StoreEnv(2, {}, {});
        QTest::mouseClick(w.TabControl1, Qt::LeftButton, {}, w.TabControl1->tabRect(1).center());
        QCOMPARE(w.TabControl1->currentIndex(), 1);
        QCOMPARE(f.Pane(), QString());
        QVERIFY(!w.Act_Count->isEnabled());
        QTest::mouseClick(w.TabControl1, Qt::LeftButton, {}, w.TabControl1->tabRect(0).center());
        QCOMPARE(f.Pane(), QStringLiteral("/src/A/*.c\n/src/A/*.h\n/typed/*.c"));
        QCOMPARE(w.Memo_memo->toPlainText(), QStringLiteral("新しいメモ"));
        QVERIFY(w.Act_Count->isEnabled());
        QCOMPARE(f.state.Cnf.TabIdx, 0);
    }

    void rightClickSwitchesToATabAndOpensTheMenu() {
        Fixture f;
        Form_Main& w = *f.window;
        QTabBar* tabs = w.TabControl1;
        // Between and beside the tabs: no switch, no menu.
        QPoint beside(tabs->tabRect(2).right() + 30, tabs->tabRect(2).center().y());
        QVERIFY(tabs->tabAt(beside) < 0 && tabs->rect().contains(beside));
        QVERIFY(MenuDuring([&] { RightClick(tabs, beside); }).isEmpty());
        QCOMPARE(tabs->currentIndex(), 0);

        QTest::keyClicks(w.Memo_Files, QStringLiteral("x"));
        QStringList menu = MenuDuring([&] { RightClick(tabs, tabs->tabRect(2).center()); });
        QCOMPARE(menu, (QStringList{"対象ｿｰｽﾌｧｲﾙ環境編集(&F)", "-", "ｷｬﾝｾﾙ"}));
        QCOMPARE(tabs->currentIndex(), 2);
        QCOMPARE(f.Pane(), QStringLiteral("/src/C/*.c\n/src/C/*.h"));
        QCOMPARE(f.state.Envs.At(0).TargetLines.front(), std::string("x/src/A/*.c"));

        // The caption bar above the target list opens the same menu, whose first item
        // opens the editor.
        QStringList caption =
            MenuDuring([&] { RightClick(w.Label_FilesCaption, QPoint(5, 5)); }, /*triggerFirst=*/true);
        QCOMPARE(caption, menu);
        QCOMPARE(f.dialogsOpened, 1);
        QCOMPARE(tabs->currentIndex(), 2);
    }

    void tabRowFollowsTabPos() {
        for (int pos : {0, 1}) {
            AppState state;
            static_cast<settings::ProgramState&>(state) =
                settings::MakeStartState(settings::LocateProgramPaths("/nonexistent/zarnik"), 1024, 768);
            state.Envs = ThreeEnvs();
            state.Cnf.TabPos = pos;
            state.Cnf.TabIdx = 7;  // out of range: the first tab
            Form_Main w(state);
            w.show();
            QCOMPARE(w.TabControl1->currentIndex(), 0);
            QCOMPARE(w.TabControl1->y() > w.Memo_Files->parentWidget()->mapTo(&w, QPoint()).y(), pos != 0);
        }
    }

    // ---- the editor ----

    void editorOpensOnTheCurrentTabAndOkKeepsIt() {
        Fixture f(ThreeEnvs(), 1);
        Form_Main& w = *f.window;
        QCOMPARE(w.TabControl1->currentIndex(), 1);
        QTest::keyClicks(w.Memo_Files, QStringLiteral("typed "));
        f.Edit({[](QDialog& d) {
            Form_Scnf& e = Editor(d);
            QCOMPARE(e.windowTitle(), QStringLiteral("対象ｿｰｽﾌｧｲﾙ環境編集"));
            QCOMPARE(Items(e.ListBox_Conf), (QStringList{"A", "B", "C"}));
            QCOMPARE(Selected(e.ListBox_Conf), 1);
            e.Button_Ok->click();
        }});
        QCOMPARE(f.dialogsOpened, 1);
        QCOMPARE(w.TabControl1->currentIndex(), 1);
        QCOMPARE(f.Pane(), QStringLiteral("typed /src/B/*.c\n/src/B/*.h"));
        QCOMPARE(w.Memo_memo->toPlainText(), QStringLiteral("memo B"));
        for (int i = 0; i < 3; ++i) QCOMPARE(f.state.Envs.At(i).EnvId, i + 1);
    }

    void newEnvironmentAtTheHeadBecomesTheFirstAndCurrentTab() {
        Fixture f(ThreeEnvs(), 2);
        Form_Main& w = *f.window;
        QVERIFY(w.Act_Count->isEnabled());
        f.Edit({[](QDialog& d) {
                    Form_Scnf& e = Editor(d);
                    e.Button_Add->click();
                    QCOMPARE(Items(e.ListBox_Conf), (QStringList{"D", "A", "B", "C"}));
                    QCOMPARE(Selected(e.ListBox_Conf), 0);
                    QVERIFY(!e.Button_Up->isEnabled());
                    e.Button_Ok->click();
                },
                [](QDialog& d) {
                    auto& c = static_cast<Form_Cname&>(d);
                    QVERIFY(!c.Button_Ok->isEnabled());  // no name yet
                    QVERIFY(c.RadioButton_End->isChecked());
                    NameStep(QStringLiteral("対象ｿｰｽﾌｧｲﾙ環境名の入力－新規追加"), QStringLiteral("D"), 0)(d);
                }});
        QCOMPARE(f.Tabs(), (QStringList{"D", "A", "B", "C"}));
        QCOMPARE(w.TabControl1->currentIndex(), 0);
        QCOMPARE(f.Pane(), QString());
        QVERIFY(!w.Act_Count->isEnabled());
        QCOMPARE(f.state.Cnf.AddKind, 0);
        QCOMPARE(f.state.Envs.At(1).TargetLines, (settings::Lines{"/src/A/*.c", "/src/A/*.h"}));
        for (int i = 0; i < 4; ++i) QCOMPARE(f.state.Envs.At(i).EnvId, i + 1);
    }

    void copyingCopiesLinesAndMemoToTheNewPlace() {
        settings::EnvList envs = ThreeEnvs();
        envs.RenameEnv(1, Sj("ＡＢＣＤＥＦＧＨＩ"));  // 18 bytes: the name gets its own line
        Fixture f(std::move(envs), 1);
        QString longMessage, shortMessage;
        const QString copyCaption = QStringLiteral("対象ｿｰｽﾌｧｲﾙ環境名の入力－ｺﾋﾟｰ追加");
        f.Edit(
            {[](QDialog& d) {
                 Form_Scnf& e = Editor(d);
                 e.ListBox_Conf->setCurrentRow(0);
                 e.Button_Copy->click();  // at the head: the source moves down
                 QCOMPARE(Selected(e.ListBox_Conf), 0);
                 e.ListBox_Conf->setCurrentRow(2);  // B
                 e.Pop_Copy->trigger();             // at the end
                 QCOMPARE(Items(e.ListBox_Conf), (QStringList{"A2", "ＡＢＣＤＥＦＧＨＩ", "B", "C", "B2"}));
                 QCOMPARE(Selected(e.ListBox_Conf), 4);
                 e.Button_Ok->click();
             },
             NameStep(copyCaption, QStringLiteral("A2"), 0, &longMessage),
             NameStep(copyCaption, QStringLiteral("B2"), 1, &shortMessage)});
        QCOMPARE(longMessage, QStringLiteral("環境『ＡＢＣＤＥＦＧＨＩ』\nをコピーして追加します。\n"
                                             "対象ｿｰｽﾌｧｲﾙ環境に名前を付けてください。"));
        QCOMPARE(shortMessage, QStringLiteral("環境『B』をコピーして追加します。\n"
                                              "対象ｿｰｽﾌｧｲﾙ環境に名前を付けてください。"));
        const settings::EnvList& live = f.state.Envs;
        QCOMPARE(live.At(0).TargetLines, live.At(1).TargetLines);
        QCOMPARE(live.At(0).MemoLines, (settings::Lines{"memo A"}));
        QCOMPARE(live.At(4).TargetLines, (settings::Lines{"/src/B/*.c", "/src/B/*.h"}));
        QCOMPARE(live.At(4).MemoLines, (settings::Lines{"memo B"}));
        QCOMPARE(f.window->TabControl1->currentIndex(), 4);
        QCOMPARE(f.Pane(), QStringLiteral("/src/B/*.c\n/src/B/*.h"));
        QCOMPARE(f.state.Cnf.AddKind, 1);
    }

    void renameKeepsLinesAndCancelledNameDialogsChangeNothing() {
        Fixture f;
        f.state.Cnf.AddKind = 1;
        f.Edit({[](QDialog& d) {
                    Form_Scnf& e = Editor(d);
                    e.ListBox_Conf->setCurrentRow(2);
                    e.Button_Rename->click();
                    e.Button_Add->click();   // cancelled, with the head chosen
                    e.Button_Copy->click();  // cancelled
                    QCOMPARE(Items(e.ListBox_Conf), (QStringList{"A", "B", "Z"}));
                    e.Button_Ok->click();
                },
                [](QDialog& d) {
                    auto& c = static_cast<Form_Cname&>(d);
                    QCOMPARE(c.Edit_Cname->text(), QStringLiteral("C"));
                    QVERIFY(!c.RadioGroup_AddKind->isEnabled());
                    QCOMPARE(c.Label_Msg->text(),
                             QStringLiteral("\n対象ｿｰｽﾌｧｲﾙ環境の名称を変更してください。"));
                    NameStep(QStringLiteral("対象ｿｰｽﾌｧｲﾙ環境名の入力－名称変更"), QStringLiteral("Z"), 1)(d);
                },
                NameStep(QStringLiteral("対象ｿｰｽﾌｧｲﾙ環境名の入力－新規追加"), QString(), 0),
                NameStep(QStringLiteral("対象ｿｰｽﾌｧｲﾙ環境名の入力－ｺﾋﾟｰ追加"), QString(), 0)});
        QCOMPARE(f.Tabs(), (QStringList{"A", "B", "Z"}));
        QCOMPARE(f.state.Envs.At(2).TargetLines, (settings::Lines{"/src/C/*.c", "/src/C/*.h"}));
        QCOMPARE(f.state.Envs.At(2).MemoLines, (settings::Lines{"memo C"}));
        QCOMPARE(f.state.Cnf.AddKind, 0);  // the choice shown in the cancelled dialog
    }

    void deleteThenCancelKeepsEverything() {
        Fixture f(ThreeEnvs(), 1);
        QTest::keyClicks(f.window->Memo_Files, QStringLiteral("kept "));
        settings::EnvList before = ThreeEnvs();
        before.StoreEnv(2, {"kept /src/B/*.c", "/src/B/*.h"}, {"memo B"});
        QStringList questions;
        f.Edit({[&](QDialog& d) {
            Form_Scnf& e = Editor(d);
            int answer = QMessageBox::No;
            e.AskWarning = [&](const QString& t) {
                questions << t;
                return answer;
            };
            e.Button_Delete->click();
            QCOMPARE(e.ListBox_Conf->count(), 3);
            answer = QMessageBox::Yes;
            e.Pop_Delete->trigger();
            QCOMPARE(Items(e.ListBox_Conf), (QStringList{"A", "C"}));
            QCOMPARE(Selected(e.ListBox_Conf), 0);
            e.Button_Delete->click();
            QCOMPARE(e.ListBox_Conf->count(), 1);
            QVERIFY(!e.Button_Delete->isEnabled());  // the last one stays
            QVERIFY(!e.Pop_Delete->isEnabled());
            e.Button_Cancel->click();
        }});
        QCOMPARE(questions.value(0), QStringLiteral("環境『B』を削除してよろしいですか？"));
        QCOMPARE(questions.size(), 3);
        QVERIFY(f.state.Envs == before);
        QCOMPARE(f.Tabs(), (QStringList{"A", "B", "C"}));
        QCOMPARE(f.window->TabControl1->currentIndex(), 1);
        QCOMPARE(f.Pane(), QStringLiteral("kept /src/B/*.c\n/src/B/*.h"));
    }

    void moveButtonsFollowTheSelection() {
        Fixture f;
        f.Edit({[](QDialog& d) {
            Form_Scnf& e = Editor(d);
            QListWidget* list = e.ListBox_Conf;
            auto check = [&](bool copy, bool del, bool up, bool down) {
                QCOMPARE(e.Button_Copy->isEnabled(), copy);
                QCOMPARE(e.Button_Rename->isEnabled(), copy);
                QCOMPARE(e.Button_Delete->isEnabled(), del);
                QCOMPARE(e.Button_Up->isEnabled(), up);
                QCOMPARE(e.Pop_Up->isEnabled(), up);
                QCOMPARE(e.Button_Down->isEnabled(), down);
                QCOMPARE(e.Pop_Down->isEnabled(), down);
            };
            check(true, true, false, true);  // first item: not up
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(2)).center());
            QCOMPARE(Selected(list), 2);
            check(true, true, true, false);  // last item: not down
            e.Button_Up->click();
            QCOMPARE(Items(list), (QStringList{"A", "C", "B"}));
            QCOMPARE(Selected(list), 1);
            check(true, true, true, true);
            e.Pop_Down->trigger();
            QCOMPARE(Items(list), (QStringList{"A", "B", "C"}));
            list->clearSelection();  // nothing selected: nothing to copy, rename or move
            check(false, false, false, false);
            e.Button_Down->click();
            QCOMPARE(Items(list), (QStringList{"A", "B", "C"}));
            e.ListBox_Conf->setCurrentRow(0);
            e.Button_Down->click();
            e.Button_Down->click();
            e.Button_Ok->click();
        }});
        QCOMPARE(f.Tabs(), (QStringList{"B", "C", "A"}));
        QCOMPARE(f.window->TabControl1->currentIndex(), 2);
        QCOMPARE(f.Pane(), QStringLiteral("/src/A/*.c\n/src/A/*.h"));
    }

    void okWithoutASelectionShowsTheFirstTab() {
        Fixture f(ThreeEnvs(), 2);
        f.Edit({[](QDialog& d) {
            Editor(d).ListBox_Conf->clearSelection();
            Editor(d).Button_Ok->click();
        }});
        QCOMPARE(f.window->TabControl1->currentIndex(), 0);
        QCOMPARE(f.Pane(), QStringLiteral("/src/A/*.c\n/src/A/*.h"));
        QTest::keyClicks(f.window->Memo_Files, QStringLiteral("x"));
        QTest::mouseClick(f.window->TabControl1, Qt::LeftButton, {},
                          f.window->TabControl1->tabRect(1).center());
        QCOMPARE(f.state.Envs.At(0).TargetLines.front(), std::string("x/src/A/*.c"));
    }

    void okRenumbersAndTheNextCloseWritesMemosInTheNewOrder() {
        testing::TempDir dir;
        const std::string program = dir.str() + "/zarnik";
        const std::string ini = dir.str() + "/zarnik.ini";
        {  // a previous run left memo1.dat .. memo3.dat
            settings::ProgramState first =
                settings::MakeStartState(settings::PathsForIniFile(program, ini), 1024, 768);
            first.Envs = ThreeEnvs();
            settings::WindowState ws;
            ws.TargetLines = first.Envs.At(0).TargetLines;
            ws.MemoLines = first.Envs.At(0).MemoLines;
            settings::SaveSettings(first, ws);
        }
        QVERIFY(std::filesystem::exists(dir.path() / "memo3.dat"));

        AppState state;
        static_cast<settings::ProgramState&>(state) =
            settings::MakeStartState(settings::PathsForIniFile(program, ini), 1024, 768);
        settings::LoadSettings(state);
        QCOMPARE(state.Envs.Count(), 3);
        Form_Main w(state);
        QStringList messages;
        w.ShowMessage = [&](const QString&, const QString& t) { messages << t; };
        std::deque<Step> steps;
        w.ExecDialog = [&](QDialog& d) {
            Step s = std::move(steps.front());
            steps.pop_front();
            s(d);
            return d.result();
        };
        w.show();
        steps = {[](QDialog& d) {
                     Form_Scnf& e = Editor(d);
                     e.AskWarning = [](const QString&) { return int(QMessageBox::Yes); };
                     e.ListBox_Conf->setCurrentRow(2);
                     e.Button_Up->click();
                     e.Button_Up->click();   // C, A, B
                     e.Button_Add->click();  // C, A, B, N
                     e.ListBox_Conf->setCurrentRow(2);
                     e.Button_Delete->click();  // C, A, N
                     e.ListBox_Conf->setCurrentRow(1);
                     e.Button_Ok->click();
                 },
                 NameStep(QStringLiteral("対象ｿｰｽﾌｧｲﾙ環境名の入力－新規追加"), QStringLiteral("N"), 1)};
        w.Act_EnvEdit->trigger();
        QVERIFY(steps.empty());
        for (int i = 0; i < 3; ++i) QCOMPARE(state.Envs.At(i).EnvId, i + 1);
        QCOMPARE(w.TabControl1->currentIndex(), 1);
        w.Memo_memo->setPlainText(QStringLiteral("memo A edited"));
        QVERIFY(w.close());
        QVERIFY(messages.isEmpty());

        QCOMPARE(ReadFile(dir.path() / "memo1.dat"), std::string("memo C\r\n"));
        QCOMPARE(ReadFile(dir.path() / "memo2.dat"), std::string("memo A edited\r\n"));
        QVERIFY(!std::filesystem::exists(dir.path() / "memo3.dat"));  // N has no memo
        std::string text = ReadFile(ini);
        QVERIFY(text.find("cnam1=C\r\ncnam2=A\r\ncnam3=N\r\n") != std::string::npos);
        QVERIFY(text.find("[FILES_3]") == std::string::npos);
        QCOMPARE(state.Cnf.TabIdx, 1);
    }

    void editorTakesItsSizeFromThePlacementAndOpensCentred() {
        Fixture f;
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        f.state.Place.EditorPlacement = {3, 4, 400, 330};
        QRect seen;
        f.Edit({[&](QDialog& d) {
            d.show();
            seen = d.geometry();
            QVERIFY(Editor(d).isSizeGripEnabled());
            Editor(d).Button_Help->click();
            Editor(d).Button_Cancel->click();
        }});
        QCOMPARE(seen.size(), QSize(400, 330));
        QCOMPARE(seen.topLeft() - screen.topLeft(),
                 QPoint((screen.width() - 400) / 2, (screen.height() - 330) / 2));
        QCOMPARE(HelpViewer::Instance().LastRequest(), QStringLiteral("topic 10006"));
        // Closing, even by cancel, hands the bounds back.
        QCOMPARE(f.state.Place.EditorPlacement,
                 (settings::Rect{(screen.width() - 400) / 2, (screen.height() - 330) / 2, 400, 330}));

        // Too small for the minimum size, or larger than the screen.
        f.state.Place.EditorPlacement = {0, 0, 100, 100};
        f.Edit({[&](QDialog& d) { seen = d.geometry(); }});
        QCOMPARE(seen.size(), QSize(312, 290));
        f.state.Place.EditorPlacement = {0, 0, 5000, 5000};
        f.Edit({[&](QDialog& d) { seen = d.geometry(); }});
        QCOMPARE(seen, screen);
    }

    // ---- the name dialog ----

    void nameFieldHoldsThirtyShiftJisBytes() {
        QApplication::clipboard()->setText(QStringLiteral("0123456789012345678901234567890123456789"));
        Form_Cname c(Form_Cname::NewMode, std::string(), 1, nullptr);
        c.show();
        Type(c.Edit_Cname, QStringLiteral("あいうえおかきくけこさしすせそた"));  // 16 × 2 bytes
        QCOMPARE(c.Edit_Cname->text(), QStringLiteral("あいうえおかきくけこさしすせそ"));
        QTest::keyClick(c.Edit_Cname, Qt::Key_Backspace);
        Type(c.Edit_Cname, QStringLiteral("ｱｲｳ"));  // half-width: one byte each
        QCOMPARE(c.Name(), Sj("あいうえおかきくけこさしすせｱｲ"));
        // A paste in the middle keeps what follows the cursor and as much as fits.
        c.Edit_Cname->setText(QStringLiteral("abcxyz"));
        c.Edit_Cname->setCursorPosition(3);
        QTest::keyClick(c.Edit_Cname, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(c.Edit_Cname->text(), QStringLiteral("abc012345678901234567890123xyz"));
        QCOMPARE(c.Edit_Cname->cursorPosition(), 27);
    }

    void aLongStoredNameIsShownWholeAndCanBeShortened() {
        const std::string longName(40, 'n');
        Form_Cname c(Form_Cname::RenameMode, longName, 1, nullptr);
        c.show();
        QCOMPARE(c.Name(), longName);
        c.Edit_Cname->setCursorPosition(40);
        QTest::keyClicks(c.Edit_Cname, QStringLiteral("x"));  // no room
        QCOMPARE(c.Name(), longName);
        QTest::keyClick(c.Edit_Cname, Qt::Key_Backspace);
        QCOMPARE(c.Name(), std::string(39, 'n'));
    }

    void okNeedsANameAndTheChoiceFollowsThePreset() {
        {
            Form_Cname c(Form_Cname::NewMode, std::string(), 7, nullptr);  // not 0 or 1: at the end
            QVERIFY(c.RadioButton_End->isChecked());
            QVERIFY(c.RadioGroup_AddKind->isEnabled());
            QVERIFY(!c.Button_Ok->isEnabled());
            QTest::keyClicks(c.Edit_Cname, QStringLiteral(" "));  // blanks are a name
            QVERIFY(c.Button_Ok->isEnabled());
            QTest::keyClick(c.Edit_Cname, Qt::Key_Backspace);
            QVERIFY(!c.Button_Ok->isEnabled());
            QTest::keyClick(c.Edit_Cname, Qt::Key_Return);  // the default button is disabled
            QCOMPARE(c.result(), int(QDialog::Rejected));
            QCOMPARE(c.AddKind(), 1);
            c.Button_Help->click();
            QCOMPARE(HelpViewer::Instance().LastRequest(), QStringLiteral("popup 10019"));
        }
        {
            Form_Cname c(Form_Cname::CopyMode, Sj("0123456789abcdef"), 0, nullptr);  // 16 bytes: one line
            QVERIFY(c.RadioButton_Head->isChecked());
            QVERIFY(c.Button_Ok->isEnabled());
            QCOMPARE(c.Label_Msg->text().section(QLatin1Char('\n'), 0, 0),
                     QStringLiteral("環境『0123456789abcdef』をコピーして追加します。"));
            QCOMPARE(c.AddKind(), 0);
        }
    }
};

QTEST_MAIN(EnvTabsTest)
#include "env_tabs_test.moc"
