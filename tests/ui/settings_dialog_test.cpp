#include "ui/settings_dialog.h"

#include <QApplication>
#include <QFontDialog>
#include <QLayout>
#include <QListView>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

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

    // Opens the settings command; act works the dialog and must close it.
    void Settings(const std::function<void(SettingsDialog&)>& act) {
        bool reached = false;
        QTimer::singleShot(0, window.get(), [&] {
            auto* d = window->findChild<SettingsDialog*>();
            QVERIFY(d);
            reached = true;
            act(*d);
            if (d->isVisible()) {
                d->Button_CancelClick();
                QFAIL("the settings dialog was left open");
            }
        });
        window->OpenSettings();
        QVERIFY(reached);
    }
};

QString Preview(const SettingsDialog& d) { return d.Memo_Preview->toPlainText(); }

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
        QCOMPARE(d.PageControl1->tabText(0), QStringLiteral("基本"));
        QCOMPARE(d.PageControl1->tabText(1), QStringLiteral("出力関連"));
        QCOMPARE(d.PageControl1->currentIndex(), 0);
        QVERIFY(!d.CheckBox_Kg_Cmt->isChecked());
        QVERIFY(d.CheckBox_RemCmt->isChecked());
        QVERIFY(d.CheckBox_Column[3]->isChecked());
        QVERIFY(d.CheckBox_Subfol->isChecked());
        QCOMPARE(d.RadioGroup_VsSrc->ItemIndex(), -1);
        QCOMPARE(d.RadioGroup_TabPos->ItemIndex(), 1);
        QCOMPARE(d.ComboBox_SizeUnit->currentIndex(), -1);
        QVERIFY(SampleLine(d).startsWith(QStringLiteral("????????.???")));
        QCOMPARE(d.Button_FontFold->text(), QStringLiteral("ＭＳ Ｐゴシック 9p"));
        QCOMPARE(d.Button_FontRslt->text(), QStringLiteral("ＭＳ ゴシック 9p"));
        // Columns 1 and 2 cannot be changed here.
        QVERIFY(!d.CheckBox_Column[0]->isEnabled());
        QVERIFY(!d.CheckBox_Column[1]->isEnabled());
        // Nothing touched: OK keeps the unknown values as they were.
        d.Button_OkClick();
        QCOMPARE(d.Work().BlankLinesAsComment, 2);
        QCOMPARE(d.Work().CounterChoice, 9);
        QCOMPARE(d.Work().SizeUnit, 7);
        QCOMPARE(d.Work().TabPosition, 1);
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
        for (QCheckBox* b : {d.CheckBox_AstaOnly, d.CheckBox_RemCmt, d.CheckBox_Subfol, d.CheckBox_EucJis,
                             d.CheckBox_FlSort, d.CheckBox_FldSum, d.CheckBox_Erfout})
            b->click();
        QCOMPARE(d.PreviewBuilds(), builds);
        QCOMPARE(d.Work().AsteriskLineIsBlank, 1);
        QCOMPARE(d.Work().WalkSubfolders, 0);
        QCOMPARE(d.Work().ErrorLines, 0);

        d.ComboBox_SizeUnit->setCurrentIndex(1);
        QVERIFY(SampleLine(d).contains(QStringLiteral("1,205.63KB")));
        d.CheckBox_Kg_Cmt->click();
        QVERIFY2(SampleLine(d).contains(QStringLiteral("3200    6800     200  32.00％")),
                 qPrintable(SampleLine(d)));
        d.CheckBox_Kg_Non->click();
        QVERIFY(SampleLine(d).contains(QStringLiteral("9800")));
        QVERIFY(SampleLine(d).contains(QStringLiteral("32.65％")));
        d.CheckBox_FldNam->click();
        QVERIFY(Preview(d).contains(QStringLiteral("\n[/Zrnk/src]---")));
        d.CheckBox_HeadNA->click();
        QVERIFY(Preview(d).startsWith(QStringLiteral("1999年")));
        d.CheckBox_HeadDT->click();
        QVERIFY(Preview(d).startsWith(QStringLiteral("---")));
        d.RadioGroup_VsSrc->Item(3)->click();
        QVERIFY(SampleLine(d).startsWith(QStringLiteral("Pelorand.java")));
        d.CheckBox_Column[8]->click();
        QVERIFY(!SampleLine(d).contains(QStringLiteral("％")));
        int before = d.PreviewBuilds();
        d.RadioGroup_InCmnt->Item(1)->click();
        QCOMPARE(d.PreviewBuilds(), before + 1);
        QCOMPARE(d.Work().BlankInCommentIsBlank, 1);
        QCOMPARE(d.Work().CounterChoice, 3);
        QCOMPARE(d.Work().SizeUnit, 1);
    }

    void sizeUnitFollowsTheSizeColumn() {
        settings::Settings c = Defaults();
        c.SizeUnit = 2;
        SettingsDialog d(c);
        QVERIFY(d.ComboBox_SizeUnit->isEnabled());
        d.CheckBox_Column[2]->click();
        QVERIFY(!d.ComboBox_SizeUnit->isEnabled());
        QCOMPARE(d.Work().ShowSize, 0);
        QVERIFY(!SampleLine(d).contains(QStringLiteral("MB")));
        d.CheckBox_Column[2]->click();
        QVERIFY(d.ComboBox_SizeUnit->isEnabled());
        QVERIFY(SampleLine(d).contains(QStringLiteral("1.18MB")));
        QCOMPARE(d.Work().SizeUnit, 2);
    }

    void cancelDiscardsFontsColoursAndExtensions() {
        Window w;
        const settings::Settings before = w.state.Cnf;
        const QFont paneFont = w.window->Result().TextFont();
        w.Settings([](SettingsDialog& d) {
            d.ChooseFont = [](settings::PaneFont& f) {
                f.FaceName = "IPAMincho";
                f.PointSize = 14;
                return true;
            };
            d.ChooseColor = [](QColor& c) {
                c = Qt::red;
                return true;
            };
            d.RunExtDialog = [](ExtensionDialog& e) {
                e.javaEdit->clear();
                e.OnOkClicked();
            };
            d.Button_FontRslt->click();
            QCOMPARE(d.Button_FontRslt->text(), QStringLiteral("IPAMincho 14p"));
            QCOMPARE(d.Memo_Preview->font().pointSize(), 14);
            d.Button_ColorRslt->setFocus();
            QTest::keyClick(d.Button_ColorRslt, Qt::Key_Space);  // Space opens the chooser too
            QCOMPARE(d.Button_ColorRslt->Color(), QColor(Qt::red));
            QCOMPARE(d.Memo_Preview->palette().color(QPalette::Base), QColor(Qt::red));
            d.Button_Ext->click();
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
        w.Settings([](SettingsDialog& d) {
            d.ChooseFont = [](settings::PaneFont& f) {
                f.PointSize = 12;
                f.StyleBits = 1;
                return true;
            };
            d.ChooseColor = [](QColor& c) {
                c = QColor(0x12, 0x34, 0x56);
                return true;
            };
            d.RunExtDialog = [](ExtensionDialog& e) {
                e.cSourceEdit->setText(QStringLiteral("*.c;*.cc"));
                e.OnOkClicked();
            };
            d.Button_FontRslt->click();
            d.Button_ColorMemo->click();
            d.RadioGroup_TabPos->Item(1)->click();
            d.RadioGroup_TabDsp->Item(0)->click();
            d.CheckBox_Kg_Cmt->click();
            d.Button_Ext->click();
            d.Button_Ok->click();
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
            d.RadioGroup_TabPos->Item(0)->click();
            d.Button_Ok->click();
        });
        QCOMPARE(upper->indexOf(w.window->Tabs().Row()), 0);
        QVERIFY(!w.window->Tabs().Row()->Below());
    }

    void blankLineWarningDecidesWhetherTheDialogCloses() {
        // はい keeps the dialog with its flag; unchecking one option then closes it quietly.
        {
            Window w;
            w.Settings([](SettingsDialog& d) {
                QStringList asked;
                d.AskBlankLineWarning = [&](const QString& t) {
                    asked << t;
                    return int(QMessageBox::Yes);
                };
                d.CheckBox_Kg_Cmt->click();
                d.CheckBox_Kg_Non->click();
                d.Button_Ok->click();
                QVERIFY(d.isVisible());
                QVERIFY(d.Confirmed());
                QCOMPARE(asked.size(), 1);
                QVERIFY(asked[0].startsWith(
                    QStringLiteral("「空行はコメント行とする」　と　「空行は総行数に含めない」を\r\n")));
                d.CheckBox_Kg_Non->click();
                d.Button_Ok->click();
                QCOMPARE(asked.size(), 1);
                QVERIFY(!d.isVisible());
            });
            QCOMPARE(w.state.Cnf.BlankLinesAsComment, 1);
            QCOMPARE(w.state.Cnf.BlankLinesOutOfTotal, 0);
        }
        // いいえ closes with both options in force.
        {
            Window w;
            w.Settings([](SettingsDialog& d) {
                d.AskBlankLineWarning = [](const QString&) { return int(QMessageBox::No); };
                d.CheckBox_Kg_Cmt->click();
                d.CheckBox_Kg_Non->click();
                d.Button_Ok->click();
            });
            QCOMPARE(w.state.Cnf.BlankLinesAsComment, 1);
            QCOMPARE(w.state.Cnf.BlankLinesOutOfTotal, 1);
        }
        // After はい the close box asks again and いいえ applies; Cancel never asks.
        {
            Window w;
            w.Settings([](SettingsDialog& d) {
                int asked = 0;
                int answer = QMessageBox::Yes;
                d.AskBlankLineWarning = [&](const QString&) {
                    ++asked;
                    return answer;
                };
                d.CheckBox_Kg_Cmt->click();
                d.CheckBox_Kg_Non->click();
                d.Button_Ok->click();
                answer = QMessageBox::No;
                d.close();
                QCOMPARE(asked, 2);
            });
            QCOMPARE(w.state.Cnf.BlankLinesOutOfTotal, 1);
        }
        {
            Window w;
            w.Settings([](SettingsDialog& d) {
                d.AskBlankLineWarning = [](const QString&) -> int {
                    throw std::logic_error("asked on cancel");
                };
                d.CheckBox_Kg_Cmt->click();
                d.CheckBox_Kg_Non->click();
                d.close();  // the close box without OK: nothing applied
            });
            QCOMPARE(w.state.Cnf.BlankLinesAsComment, 0);
        }
    }

    void helpTopicsFollowThePage() {
        SettingsDialog d(Defaults());
        d.Button_Help->click();
        QCOMPARE(HelpViewer::Instance().LastRequest(), QStringLiteral("topic 10008"));
        d.PageControl1->setCurrentIndex(1);
        d.Button_Help->click();
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

    void emptiedJavaPatternMakesJavaFilesNotATarget() {
        testing::TempDir dir;
        dir.Write("A.java", "class A {}\r\n");
        dir.Write("b.c", "int b;\r\n");
        Window w;
        w.Settings([](SettingsDialog& d) {
            d.RunExtDialog = [](ExtensionDialog& e) {
                e.javaEdit->clear();
                e.okButton->click();
            };
            d.Button_Ext->click();
            d.Button_Ok->click();
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
