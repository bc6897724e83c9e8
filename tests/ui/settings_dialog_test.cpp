#include "ui/settings_dialog.h"

#include <QApplication>
#include <QFontDialog>
#include <QLayout>
#include <QListView>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <map>

#include "engine/counter_generic.h"
#include "engine/options.h"
#include "report/report.h"
#include "run/count_options.h"
#include "run/run.h"
#include "settings/persist.h"
#include "test_util.h"
#include "ui/ext_dialog.h"
#include "ui/help_viewer.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/ui_style.h"
#include "ui_fixture.h"

using namespace zarnik;
using namespace zarnik::ui;

namespace {

settings::Settings Defaults() { return settings::MakeDefaultSettings(); }

// A main window over a fresh state that never writes the INI file.
struct Window : WindowFixture {
    explicit Window(std::int32_t tabPos = 0)
        : WindowFixture([tabPos](AppState& state) { state.Cnf.TabPosition = tabPos; }) {}

    // Opens the settings command; act works the dialog, shown, and must close it.
    // The dialogs it opens take the answers queued after it.
    void Settings(const std::function<void(SettingsDialog&)>& act) {
        bool reached = false;
        prompts.Dialogs.push_front([&](QDialog& dialog) {
            auto& d = static_cast<SettingsDialog&>(dialog);
            QTimer::singleShot(0, &d, [&] {
                reached = true;
                act(d);
                if (d.isVisible()) {
                    d.CancelClicked();
                    QFAIL("the settings dialog was left open");
                }
            });
            return d.exec();
        });
        window->OpenSettings();
        QVERIFY(reached);
        QVERIFY(prompts.AllAnswered());
    }
};

QString Preview(const SettingsDialog& d) { return d.preview_->toPlainText(); }

// The sample file's line: the last line of the preview.
QString SampleLine(const SettingsDialog& d) { return Preview(d).split(QLatin1Char('\n')).back(); }

}  // namespace

class SettingsDialogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutes(); }

    void showsTheRecordAsItIs() {
        settings::Settings c = Defaults();
        c.BlankLinesAsComment = 2;  // hand-edited: on only when exactly 1
        c.RemComments = 2;          // ...but REM lines count as comments for anything but 0
        c.WalkSubfolders = 2;       // and folders are walked into their subfolders
        c.ShowKind = 2;             // a column: on when nonzero
        c.CounterChoice = 9;
        c.SizeUnit = 7;
        c.TabPosition = 3;
        SettingsDialog d(c);
        QCOMPARE(d.windowTitle(), QStringLiteral("設定"));
        QCOMPARE(d.pages_->tabText(0), QStringLiteral("基本"));
        QCOMPARE(d.pages_->tabText(1), QStringLiteral("出力関連"));
        QCOMPARE(d.pages_->currentIndex(), 0);
        QVERIFY(!d.blankAsCommentBox_->isChecked());
        QVERIFY(d.remCommentBox_->isChecked());
        QVERIFY(d.columnBoxes_[3]->isChecked());
        QVERIFY(d.subfoldersBox_->isChecked());
        QCOMPARE(d.counterGroup_->ItemIndex(), -1);
        QCOMPARE(d.tabPositionGroup_->ItemIndex(), 1);
        QCOMPARE(d.sizeUnitCombo_->currentIndex(), -1);
        QVERIFY(SampleLine(d).startsWith(QStringLiteral("????????.???")));
        QCOMPARE(d.targetFontButton_->text(), QStringLiteral("ＭＳ Ｐゴシック 9p"));
        QCOMPARE(d.resultFontButton_->text(), QStringLiteral("ＭＳ ゴシック 9p"));
        // Columns 1 and 2 cannot be changed here.
        QVERIFY(!d.columnBoxes_[0]->isEnabled());
        QVERIFY(!d.columnBoxes_[1]->isEnabled());
        // Nothing touched: OK keeps the unknown values as they were.
        d.OkClicked();
        QCOMPARE(d.Work().BlankLinesAsComment, 2);
        QCOMPARE(d.Work().CounterChoice, 9);
        QCOMPARE(d.Work().SizeUnit, 7);
        QCOMPARE(d.Work().TabPosition, 1);
    }

    // A hand-edited value shows in each box as a run and the report take it.
    void switchesReadHandEditedValuesAsTheRunDoes() {
        for (std::int32_t v : {2, -1}) {
            settings::Settings c = Defaults();
            for (const settings::SettingRow& row : settings::SettingRows())
                if (row.IsInt()) c.*row.Int = v;
            const engine::CountOptions count = run::CountOptionsFrom(c);
            const report::ReportLayout layout = report::ReportLayout::From(c);
            SettingsDialog d(c);
            const std::pair<QCheckBox*, bool> shown[] = {
                {d.subfoldersBox_, run::WalksSubfolders(c)},
                {d.gitIgnoreBox_, run::FollowsGitIgnore(c)},
                {d.eucJisBox_, count.ConvertEucJis},
                {d.utf8Box_, count.ConvertUtf8},
                {d.asteriskLineBox_, count.AsteriskLineIsBlank},
                {d.remCommentBox_, count.RemComments},
                {d.blankAsCommentBox_, count.BlankAddsToComment},
                {d.blankOutOfTotalBox_, count.BlankLeavesTotal},
                {d.cLexerBox_, count.AccurateCFamily},
                {d.allLanguagesBox_, count.AllLanguages},
                {d.headerEnvNameBox_, layout.EnvNameInHead},
                {d.headerDateBox_, layout.DateInHead},
                {d.sortFilesBox_, layout.SortByPath},
                {d.folderLinesBox_, layout.FolderLines},
                {d.folderSubtotalsBox_, layout.FolderSums},
                {d.errorLinesBox_, layout.ErrorLines},
            };
            for (const auto& [box, on] : shown)
                QVERIFY2(box->isChecked() == on, qPrintable(box->objectName()));
            for (int i = 0; i < report::kColumnCount; ++i)
                QCOMPARE(d.columnBoxes_[i + 2]->isChecked(), layout.Shown[i]);
        }
    }

    // Every switch and choice the dialog shows reaches its own key in the saved file.
    void everySwitchReachesItsKeyInTheIni() {
        ScriptedPrompts prompts;
        prompts.Warnings = {QMessageBox::No};  // both blank-line switches end up on
        SettingsDialog d(Defaults(), nullptr, prompts);
        std::map<const settings::SettingRow*, std::int32_t> expected;
        auto rowOf = [](const QObject* w) {
            for (const settings::SettingRow& row : settings::SettingRows())
                if (w->objectName() == QLatin1String(row.Key)) return &row;
            return static_cast<const settings::SettingRow*>(nullptr);
        };
        for (QCheckBox* box : d.findChildren<QCheckBox*>()) {
            const settings::SettingRow* row = rowOf(box);
            QVERIFY2(row, qPrintable(box->objectName()));
            if (box->isEnabled()) box->click();
            expected[row] = box->isEnabled() ? 1 - row->Default : row->Default;
        }
        for (RadioGroup* group : d.findChildren<RadioGroup*>()) {
            const settings::SettingRow* row = rowOf(group);
            QVERIFY2(row, qPrintable(group->objectName()));
            expected[row] = (row->Default + 1) % group->Count();
            group->Item(expected[row])->click();
        }
        d.sizeUnitCombo_->setCurrentIndex(2);
        expected[rowOf(d.sizeUnitCombo_)] = 2;
        QCOMPARE(expected.size(), std::size_t{11 + 14 + 5});
        d.okButton_->click();

        testing::TempDir dir;
        settings::ProgramState st = settings::MakeStartState(
            settings::PathsForIniFile(dir.str() + "/zarnik", dir.str() + "/zarnik.ini"), 800, 600);
        settings::LoadSettings(st);
        st.Cnf = d.Work();
        settings::SaveSettings(st, settings::WindowState{});
        const settings::IniFile ini(testing::ReadFileBytes(dir.path() / "zarnik.ini"));
        for (const auto& [row, value] : expected)
            QVERIFY2(ini.ReadInteger(row->Section, row->Key, -9) == value, row->Key);
    }

    void previewFollowsTheListedChangesOnly() {
        SettingsDialog d(Defaults());
        d.Now = [] { return std::time_t{936489900}; };  // Sunday 1999-09-05 09:05 JST
        d.RebuildPreview();
        QStringList lines = Preview(d).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 5);
        QCOMPARE(lines[0], QStringLiteral("【開発環境名】  1999年９月５日(日)   9時 5分"));
        QCOMPARE(
            lines[4],
            QStringLiteral(
                "PELORAND.C    99-09-05 09:05     1,234,567 C      10000    3000    6800     200  30.00％"));

        int builds = d.PreviewBuilds();
        for (QCheckBox* b : {d.asteriskLineBox_, d.remCommentBox_, d.subfoldersBox_, d.eucJisBox_,
                             d.sortFilesBox_, d.folderSubtotalsBox_, d.errorLinesBox_})
            b->click();
        QCOMPARE(d.PreviewBuilds(), builds);
        QCOMPARE(d.Work().AsteriskLineIsBlank, 1);
        QCOMPARE(d.Work().WalkSubfolders, 0);
        QCOMPARE(d.Work().ErrorLines, 0);

        d.sizeUnitCombo_->setCurrentIndex(1);
        QVERIFY(SampleLine(d).contains(QStringLiteral("1,205.63KB")));
        d.blankAsCommentBox_->click();
        QVERIFY2(SampleLine(d).contains(QStringLiteral("3200    6800     200  32.00％")),
                 qPrintable(SampleLine(d)));
        d.blankOutOfTotalBox_->click();
        QVERIFY(SampleLine(d).contains(QStringLiteral("9800")));
        QVERIFY(SampleLine(d).contains(QStringLiteral("32.65％")));
        d.folderLinesBox_->click();
        QVERIFY(Preview(d).contains(QStringLiteral("\n[/Zrnk/src]---")));
        d.headerEnvNameBox_->click();
        QVERIFY(Preview(d).startsWith(QStringLiteral("1999年")));
        d.headerDateBox_->click();
        QVERIFY(Preview(d).startsWith(QStringLiteral("---")));
        d.counterGroup_->Item(3)->click();
        QVERIFY(SampleLine(d).startsWith(QStringLiteral("Pelorand.java")));
        d.columnBoxes_[8]->click();
        QVERIFY(!SampleLine(d).contains(QStringLiteral("％")));
        int before = d.PreviewBuilds();
        d.blankInCommentGroup_->Item(1)->click();
        QCOMPARE(d.PreviewBuilds(), before + 1);
        QCOMPARE(d.Work().BlankInCommentIsBlank, 1);
        QCOMPARE(d.Work().CounterChoice, 3);
        QCOMPARE(d.Work().SizeUnit, 1);
    }

    void sizeUnitFollowsTheSizeColumn() {
        settings::Settings c = Defaults();
        c.SizeUnit = 2;
        SettingsDialog d(c);
        QVERIFY(d.sizeUnitCombo_->isEnabled());
        d.columnBoxes_[2]->click();
        QVERIFY(!d.sizeUnitCombo_->isEnabled());
        QCOMPARE(d.Work().ShowSize, 0);
        QVERIFY(!SampleLine(d).contains(QStringLiteral("MB")));
        d.columnBoxes_[2]->click();
        QVERIFY(d.sizeUnitCombo_->isEnabled());
        QVERIFY(SampleLine(d).contains(QStringLiteral("1.18MB")));
        QCOMPARE(d.Work().SizeUnit, 2);
    }

    void cancelDiscardsFontsColoursAndExtensions() {
        Window w;
        const settings::Settings before = w.state.Cnf;
        const QFont paneFont = w.window->Result().TextFont();
        w.prompts.Fonts = {[](settings::PaneFont& f) {
            f.FaceName = "IPAMincho";
            f.PointSize = 14;
            return true;
        }};
        w.prompts.Colors = {[](QColor& c) {
            c = Qt::red;
            return true;
        }};
        w.prompts.Dialogs = {[](QDialog& e) {
            static_cast<ExtensionDialog&>(e).javaEdit->clear();
            static_cast<ExtensionDialog&>(e).OnOkClicked();
            return e.result();
        }};
        w.Settings([](SettingsDialog& d) {
            d.resultFontButton_->click();
            QCOMPARE(d.resultFontButton_->text(), QStringLiteral("IPAMincho 14p"));
            QCOMPARE(d.preview_->font().pointSize(), 14);
            d.resultColorButton_->setFocus();
            QTest::keyClick(d.resultColorButton_, Qt::Key_Space);  // Space opens the chooser too
            QCOMPARE(d.resultColorButton_->Color(), QColor(Qt::red));
            QCOMPARE(d.preview_->palette().color(QPalette::Base), QColor(Qt::red));
            d.extensionsButton_->click();
            QCOMPARE(d.Work().ExtensionPatterns[4], std::string());
            QTest::keyClick(&d, Qt::Key_Escape);
        });
        QCOMPARE(w.state.Cnf.ResultFont, before.ResultFont);
        QCOMPARE(w.state.Cnf.ResultBackground, before.ResultBackground);
        QCOMPARE(w.state.Cnf.ExtensionPatterns, before.ExtensionPatterns);
        QCOMPARE(w.state.Cnf.Extensions, before.Extensions);
        QCOMPARE(w.window->Result().TextFont(), paneFont);
    }

    void okAppliesToTheLiveSettingsAndThePanes() {
        Window w;
        w.state.Cnf.TargetBackground = "clWindow";  // a desktop colour the user leaves alone
        w.prompts.Fonts = {[](settings::PaneFont& f) {
            f.PointSize = 12;
            f.StyleBits = 1;
            return true;
        }};
        w.prompts.Colors = {[](QColor& c) {
            c = QColor(0x12, 0x34, 0x56);
            return true;
        }};
        w.prompts.Dialogs = {[](QDialog& e) {
            static_cast<ExtensionDialog&>(e).cSourceEdit->setText(QStringLiteral("*.c;*.cc"));
            static_cast<ExtensionDialog&>(e).OnOkClicked();
            return e.result();
        }};
        w.Settings([](SettingsDialog& d) {
            d.resultFontButton_->click();
            d.memoColorButton_->click();
            d.tabPositionGroup_->Item(1)->click();
            d.tabRowsGroup_->Item(0)->click();
            d.blankAsCommentBox_->click();
            d.extensionsButton_->click();
            d.okButton_->click();
        });
        const settings::Settings& c = w.state.Cnf;
        QCOMPARE(c.BlankLinesAsComment, 1);
        QCOMPARE(c.TabPosition, 1);
        QCOMPARE(c.TabsInRows, 0);
        QCOMPARE(c.ResultFont.PointSize, 12);
        QCOMPARE(c.MemoBackground, std::string("$00563412"));
        QCOMPARE(c.TargetBackground, std::string("clWindow"));
        QCOMPARE(c.ExtensionPatterns[1], std::string("*.c;*.cc"));
        QCOMPARE(c.Extensions[2], std::vector<std::string>{".c"});
        MainWindow& m = *w.window;
        QCOMPARE(m.Result().TextFont().pointSize(), 12);
        QVERIFY(m.Result().TextFont().bold());
        QCOMPARE(m.Result().HeaderStrip()->font().pointSize(), 12);
        QCOMPARE(m.Targets().Memo()->palette().color(QPalette::Base), QColor(0x12, 0x34, 0x56));
        QVERIFY(m.Tabs().Row()->Below());
        // The tab row moves below the target list.
        QLayout* upper = m.Tabs().Row()->parentWidget()->layout();
        QCOMPARE(upper->indexOf(m.Tabs().Row()), upper->count() - 1);
    }

    // Enter in the face list confirms the whole chooser, Escape cancels it: neither
    // leaves it open and emptied.
    void fontChooserAnswersEnterAndEscapeAsAWhole() {
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
            bool chooserHidden = true, stillOpen = true;
            QTimer::singleShot(0, this, [&] {
                auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                auto* chooser = d->findChild<QFontDialog*>();
                QListView* faces = chooser->findChild<QListView*>();
                faces->setCurrentIndex(faces->model()->index(1, 0));
                QTest::keyClick(faces, key);
                chooserHidden = chooser->isHidden();
                stillOpen = d->isVisible();
                if (stillOpen) d->reject();
            });
            settings::PaneFont font{"IPAGothic", 9, "clBlack", 0};
            const bool confirmed = ChooseFontDialog(nullptr, font);
            QVERIFY(!chooserHidden);
            QVERIFY(!stillOpen);
            QCOMPARE(confirmed, key == Qt::Key_Return);
        }
    }

    void tabsStartWhereTheyWereLeft() {
        Window w(1);
        QLayout* upper = w.window->Tabs().Row()->parentWidget()->layout();
        QCOMPARE(upper->indexOf(w.window->Tabs().Row()), upper->count() - 1);
        w.Settings([](SettingsDialog& d) {
            d.tabPositionGroup_->Item(0)->click();
            d.okButton_->click();
        });
        QCOMPARE(upper->indexOf(w.window->Tabs().Row()), 0);
        QVERIFY(!w.window->Tabs().Row()->Below());
    }

    void blankLineWarningDecidesWhetherTheDialogCloses() {
        // はい keeps the dialog with its flag; unchecking one option then closes it quietly.
        {
            Window w;
            w.prompts.Warnings = {QMessageBox::Yes};
            const QStringList& asked = w.prompts.Questions;
            w.Settings([&asked](SettingsDialog& d) {
                d.blankAsCommentBox_->click();
                d.blankOutOfTotalBox_->click();
                d.okButton_->click();
                QVERIFY(d.isVisible());
                QVERIFY(d.Confirmed());
                QCOMPARE(asked.size(), 1);
                QVERIFY(asked[0].startsWith(
                    QStringLiteral("「空行はコメント行とする」　と　「空行は総行数に含めない」を\r\n")));
                d.blankOutOfTotalBox_->click();
                d.okButton_->click();
                QCOMPARE(asked.size(), 1);
                QVERIFY(!d.isVisible());
            });
            QCOMPARE(w.state.Cnf.BlankLinesAsComment, 1);
            QCOMPARE(w.state.Cnf.BlankLinesOutOfTotal, 0);
        }
        // いいえ closes with both options in force.
        {
            Window w;
            w.prompts.Warnings = {QMessageBox::No};
            w.Settings([](SettingsDialog& d) {
                d.blankAsCommentBox_->click();
                d.blankOutOfTotalBox_->click();
                d.okButton_->click();
            });
            QCOMPARE(w.state.Cnf.BlankLinesAsComment, 1);
            QCOMPARE(w.state.Cnf.BlankLinesOutOfTotal, 1);
        }
        // After はい the close box asks again and いいえ applies; Cancel never asks.
        {
            Window w;
            w.prompts.Warnings = {QMessageBox::Yes, QMessageBox::No};
            w.Settings([](SettingsDialog& d) {
                d.blankAsCommentBox_->click();
                d.blankOutOfTotalBox_->click();
                d.okButton_->click();
                d.close();
            });
            QCOMPARE(w.prompts.Questions.size(), 2);
            QCOMPARE(w.state.Cnf.BlankLinesOutOfTotal, 1);
        }
        {
            Window w;  // no answer queued: a question fails the test
            w.Settings([](SettingsDialog& d) {
                d.blankAsCommentBox_->click();
                d.blankOutOfTotalBox_->click();
                d.close();  // the close box without OK: nothing applied
            });
            QCOMPARE(w.state.Cnf.BlankLinesAsComment, 0);
        }
    }

    void helpTopicsFollowThePage() {
        SettingsDialog d(Defaults());
        d.helpButton_->click();
        QCOMPARE(HelpViewer::Instance().LastRequest(), QStringLiteral("topic 10008"));
        d.pages_->setCurrentIndex(1);
        d.helpButton_->click();
        QCOMPARE(HelpViewer::Instance().LastRequest(), QStringLiteral("topic 10009"));
        QTest::keyClick(&d, Qt::Key_F1);
        QCOMPARE(HelpViewer::Instance().LastRequest(), QStringLiteral("topic 310"));
        settings::Settings c = Defaults();
        ExtensionDialog e(c);
        e.helpButton->click();
        QCOMPARE(HelpViewer::Instance().LastRequest(), QStringLiteral("popup 10017"));
        QVERIFY(!e.isVisible() || e.result() == 0);
    }

    void extensionDialogEditsOnlyOnOk() {
        settings::Settings c = Defaults();
        c.ExtensionPatterns[6] = std::string(100, 'b');  // a hand-edited pattern longer than a field
        {
            ExtensionDialog e(c);
            QCOMPARE(e.windowTitle(), QStringLiteral("拡張子指定"));
            QCOMPARE(e.cSourceEdit->text(), QStringLiteral("*.c,*.cpp"));
            QCOMPARE(e.cHeaderEdit->text(), QStringLiteral("*.h"));
            QCOMPARE(e.basicEdit->text().size(), 100);
            e.javaEdit->setText(QStringLiteral("*.jav"));
            e.cancelButton->click();
        }
        QCOMPARE(c.ExtensionPatterns[4], std::string("*.java"));
        {
            ExtensionDialog e(c);
            e.sqlEdit->clear();
            QTest::keyClicks(e.sqlEdit, QString(90, QLatin1Char('q')));
            QCOMPARE(e.sqlEdit->text().size(), ExtensionDialog::kFieldLength);
            e.asmSourceEdit->setText(QStringLiteral(".s"));
            e.OnOkClicked();
        }
        QCOMPARE(c.ExtensionPatterns[5], std::string(80, 'q'));
        QCOMPARE(c.ExtensionPatterns[3], std::string(".s"));
        QCOMPARE(c.ExtensionPatterns[6], std::string(100, 'b'));
        QCOMPARE(c.ExtensionPatterns[0], std::string("*.h"));
    }

    // The table's languages beside the seven: a changed pattern is its language's
    // one key in the INI file, set back to the table's it goes; a name no INI key
    // can hold is not edited; keys of languages the table lacks stay.
    void extensionDialogStoresOnlyChangedLanguages() {
        engine::LanguageTable table;
        engine::ParseLanguages(
            "[Py]\nkind = Py\nextensions = *.py,*.pyw\n[a=b]\nkind = Ab\nextensions = *.ab\n", "t.conf",
            table);
        const auto before = engine::InstalledLanguages();
        engine::InstallLanguages(engine::MakeLanguageSet(std::move(table)));
        testing::TempDir dir;
        settings::ProgramState st = settings::MakeStartState(
            settings::LocateProgramPaths(dir.str() + "/zarnik", dir.str() + "/cfg"), 1024, 768);
        settings::LoadSettings(st);
        st.Cnf.AllLanguages = 0;
        st.Cnf.LanguagePatterns = {{"Gone", "*.g"}};
        auto pattern = [](ExtensionDialog& e, int row) {
            return e.languageTable->item(row, ExtensionDialog::kPatternColumn);
        };
        auto save = [&] {
            settings::SaveSettings(st, {});
            std::string ini;
            settings::ReadWholeFile(dir.str() + "/zarnik.ini", ini);
            const std::size_t at = ini.find("[LangExts]");
            return at == std::string::npos ? std::string() : ini.substr(at, ini.find("\r\n\r\n", at) - at);
        };
        {
            ExtensionDialog e(st.Cnf);
            QCOMPARE(e.languageTable->rowCount(), 2);
            QCOMPARE(e.languageTable->item(0, ExtensionDialog::kNameColumn)->text(), QStringLiteral("Py"));
            QCOMPARE(e.languageTable->item(1, ExtensionDialog::kKindColumn)->text(), QStringLiteral("Ab"));
            QVERIFY(e.languageNote->text().contains(QStringLiteral("オフ")));
            QVERIFY(!(pattern(e, 1)->flags() & Qt::ItemIsEditable));
            QVERIFY(pattern(e, 0)->flags() & Qt::ItemIsEditable);
            pattern(e, 0)->setText(QStringLiteral("*.py,*.pyi"));
            e.OnOkClicked();
        }
        QCOMPARE(save(), std::string("[LangExts]\r\nGone=*.g\r\nPy=*.py,*.pyi"));
        {
            ExtensionDialog e(st.Cnf);
            QCOMPARE(pattern(e, 0)->text(), QStringLiteral("*.py,*.pyi"));
            e.languageTable->setCurrentCell(0, ExtensionDialog::kPatternColumn);
            e.tableDefaultButton->click();
            QCOMPARE(pattern(e, 0)->text(), QStringLiteral("*.py,*.pyw"));
            e.OnOkClicked();
        }
        QCOMPARE(save(), std::string("[LangExts]\r\nGone=*.g"));
        engine::InstallLanguages(before);
    }

    void emptiedJavaPatternMakesJavaFilesNotATarget() {
        testing::TempDir dir;
        dir.Write("A.java", "class A {}\r\n");
        dir.Write("b.c", "int b;\r\n");
        Window w;
        w.prompts.Dialogs = {[](QDialog& e) {
            static_cast<ExtensionDialog&>(e).javaEdit->clear();
            static_cast<ExtensionDialog&>(e).okButton->click();
            return e.result();
        }};
        w.Settings([](SettingsDialog& d) {
            d.extensionsButton_->click();
            d.okButton_->click();
        });
        w.window->Targets().List()->setPlainText(QString::fromStdString(dir.str()));
        w.window->RunCountCommand();
        QString result = w.window->Result().Text();
        QRegularExpression javaLine(QStringLiteral("A\\.java[^\\n]*対象外のファイルです。"));
        QVERIFY2(result.contains(javaLine), qPrintable(result));
        QVERIFY(result.contains(QRegularExpression(QStringLiteral("b\\.c +\\d\\d-"))));
    }
};

QTEST_MAIN(SettingsDialogTest)
#include "settings_dialog_test.moc"
