#include "ui/result_ops.h"

#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPrinter>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <fstream>
#include <sstream>

#include "test_util.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/result_print.h"
#include "ui/result_view.h"
#include "ui/ui_style.h"
#include "ui_fixture.h"

using namespace zarnik;
using namespace zarnik::ui;
using testing::Sj;

namespace {

struct Fixture : WindowFixture {
    // A report as a count run leaves it: lines appended, the flag set.
    void Report(const QStringList& lines) {
        for (const QString& l : lines) window->Result().AppendLines(l);
        state.Cnf.ResultUnsaved = 1;
    }
};

// Every byte 10 units wide, text 10 high (a drawn line 12), tabs every 80.
class FakeMetrics : public PrintMetrics {
public:
    int TextWidth(std::string_view s) const override { return static_cast<int>(s.size()) * 10; }
    int TextHeight() const override { return 10; }
    int CharHeight() const override { return 9; }
    int AverageCharWidth() const override { return 10; }
};

const std::string kIndent(kPrintIndent);

}  // namespace

class ResultOpsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QStandardPaths::setTestModeEnabled(true);  // the file dialogs keep their history there
        InstallFontSubstitutes();
    }

    void saveWritesExactlyThePaneAndRemembersTheFolder() {
        testing::TempDir dir;
        Fixture f;
        f.Report({QStringLiteral("ﾌｧｲﾙ名 一覧"), QString(), QStringLiteral("\f"), QStringLiteral("end")});
        f.state.Paths.SaveFolder = Sj("/保存先");
        std::string path = dir.Write("old", "previous content, longer than the result\n");
        f.prompts.SaveNames = {QString::fromStdString(path)};  // no extension, replaced without a question
        Command(*f.window, "saveAction")->trigger();
        QCOMPARE(f.prompts.SaveFolders, QStringList{QStringLiteral("/保存先")});
        QCOMPARE(zarnik::testing::ReadFileBytes(path), Sj("ﾌｧｲﾙ名 一覧") + "\r\n\r\n\f\r\nend\r\n");
        QCOMPARE(f.state.Cnf.ResultUnsaved, 0);
        QCOMPARE(f.state.Paths.SaveFolder, dir.str());
        QVERIFY(f.messages.isEmpty());

        // The close sequence asks again after another run, opens the dialog
        // without a folder and leaves SaveFolder alone.
        f.Report({QStringLiteral("second")});
        f.prompts.YesNoCancel = {QMessageBox::Yes};
        f.prompts.SaveNames = {QString::fromStdString(dir.str() + "/close.txt")};
        QVERIFY(f.window->close());
        QCOMPARE(f.prompts.SaveFolders.value(1), QString());
        QCOMPARE(f.state.Paths.SaveFolder, dir.str());
        QCOMPARE(f.state.Cnf.ResultUnsaved, 0);
        QVERIFY(zarnik::testing::ReadFileBytes(dir.str() + "/close.txt").ends_with("end\r\nsecond\r\n"));
    }

    void aFailedSaveKeepsTheFlagAndTheFolder() {
        testing::TempDir dir;
        Fixture f;
        f.Report({QStringLiteral("report")});
        f.state.Paths.SaveFolder = "/before";
        const QString missing = QString::fromStdString(dir.str() + "/missing/out.txt");
        // The last one is cancelled: nothing at all.
        f.prompts.SaveNames = {missing, QStringLiteral("/dev/full"), QString()};
        f.window->SaveResult();
        QCOMPARE(f.messages.value(0),
                 QStringLiteral("ｴﾗｰ:ﾌｧｲﾙ ") + missing + QStringLiteral(" を作成できません"));
        f.window->SaveResult();  // created, but nothing can be written
        QCOMPARE(f.messages.value(1), QStringLiteral("ｴﾗｰ:ｽﾄﾘｰﾑへの書き込みに失敗しました"));
        QCOMPARE(f.state.Cnf.ResultUnsaved, 1);
        QCOMPARE(f.state.Paths.SaveFolder, std::string("/before"));
        f.window->SaveResult();
        QCOMPARE(f.messages.size(), 2);

        // In the close sequence a failed save keeps the window open.
        f.prompts.YesNoCancel = {QMessageBox::Yes};
        f.prompts.SaveNames = {missing};
        QVERIFY(!f.window->close());
        QCOMPARE(f.state.Cnf.ResultUnsaved, 1);
    }

    void theSaveDialogOffersTextAndAllFiles() {
        QFileDialog dialog;
        ConfigureSaveDialog(dialog, QStringLiteral("/tmp"));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("結果の保存"));
        QVERIFY(dialog.testOption(QFileDialog::DontConfirmOverwrite) && dialog.defaultSuffix().isEmpty());
        auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QCOMPARE(combo->itemText(0) + combo->itemText(1), QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ(*.txt)すべてのﾌｧｲﾙ(*.*)"));
    }

    // The csv save's own title and types; a name typed without an extension gets
    // ".csv", any other stays as typed.
    void theCsvSaveDialogOffersCsvAndAddsItsExtension() {
        testing::TempDir dir;
        for (const char* typed : {"report", "report.txt", "v1.2"}) {
            QFileDialog dialog;
            ConfigureCsvSaveDialog(dialog, QString::fromStdString(dir.str()));
            QCOMPARE(dialog.windowTitle(), QStringLiteral("結果をCSVで保存"));
            auto* combo = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            QCOMPARE(combo->itemText(0) + combo->itemText(1),
                     QStringLiteral("CSVﾌｧｲﾙ(*.csv)すべてのﾌｧｲﾙ(*.*)"));
            QCOMPARE(combo->currentIndex(), 0);
            dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(QString::fromLatin1(typed));
            QMetaObject::invokeMethod(&dialog, "accept");
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            const QString want = QString::fromLatin1(typed) + (QByteArray(typed) == "report" ? ".csv" : "");
            QCOMPARE(dialog.selectedFiles(), QStringList{QString::fromStdString(dir.str() + "/") + want});
        }
    }

    void copyClearAndThePageBreakButton() {
        Fixture f;
        MainWindow& w = *f.window;
        // Two runs, the second after an empty line.
        f.Report({QStringLiteral("run 1"), QStringLiteral("合計 1")});
        f.Report({QString(), QStringLiteral("run 2"), QStringLiteral("合計 2")});
        Command(w, "copyAction")->trigger();
        QCOMPARE(QApplication::clipboard()->text(),
                 QStringLiteral("run 1\r\n合計 1\r\n\r\nrun 2\r\n合計 2\r\n"));
        // A typed CR before a line break is not doubled; a final line break adds no line.
        QCOMPARE(ClipboardText(QStringLiteral("a\r\n\nb\n")), QStringLiteral("a\r\n\r\nb\r\n"));
        QCOMPARE(ClipboardText(QStringLiteral("\n")) + ClipboardText(QString()), QStringLiteral("\r\n"));

        w.Result().HeaderStrip()->show();
        Command(w, "clearAction")->trigger();
        QVERIFY(w.Result().Text().isEmpty());
        QVERIFY(w.Result().HeaderStrip()->isHidden());
        QCOMPARE(f.state.Cnf.ResultUnsaved, 1);

        auto* pageBreak = w.findChild<QPushButton*>(QStringLiteral("pageBreakButton"));
        QVERIFY(pageBreak);
        QVERIFY(pageBreak->isHidden());
        QVERIFY(!pageBreak->isEnabled());
    }

    // Both the view and the editor it hands the lines to copy a few lines with HTML
    // (for programs that keep the font) and a huge selection as plain text only.
    void aLargeSelectionIsCopiedAsPlainText() {
        Fixture f;
        ResultPane& pane = f.window->Result();
        const QString line = QStringLiteral("main.c        12      3      8      1   25.00%\u00a0合計");
        QStringList lines;
        while (lines.size() * line.size() <= ResultView::kRichCopyLimit) lines << line;
        pane.SetText(lines.join(QLatin1Char('\n')));
        const QString plain = pane.Text().replace(QChar::Nbsp, QLatin1Char(' '));
        for (bool editing : {false, true}) {
            QAbstractScrollArea* w = pane.TextWidget();
            QTest::keyClick(w, Qt::Key_Home, Qt::ControlModifier);
            QTest::keyClick(w, Qt::Key_Down, Qt::ShiftModifier);
            QTest::keyClick(w, Qt::Key_Down, Qt::ShiftModifier);
            QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
            QVERIFY(QApplication::clipboard()->mimeData()->hasHtml());
            const QString small = QApplication::clipboard()->text();
            QVERIFY(small.startsWith(line.left(46)) && small.count(QLatin1Char('\n')) == 2);
            QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(w, Qt::Key_C, Qt::ControlModifier);
            QVERIFY(!QApplication::clipboard()->mimeData()->hasHtml());
            QCOMPARE(QApplication::clipboard()->text().replace(QChar::Nbsp, QLatin1Char(' ')), plain);
            QCOMPARE(pane.Editing(), editing);
            if (!editing) {
                // Delete at the very end changes nothing, but it is a key that edits.
                QTest::keyClick(w, Qt::Key_End, Qt::ControlModifier);
                QTest::keyClick(w, Qt::Key_Delete);
                QVERIFY(pane.Editing());
                QCOMPARE(pane.Text().replace(QChar::Nbsp, QLatin1Char(' ')), plain);
            }
        }
    }

    // The first typed key goes to the editor at the caret the view had; lines a run
    // appends afterwards follow what was typed, and the view shows them again.
    void typingEditsWhereTheCaretIsAndARunAppendsAfterIt() {
        Fixture f;
        ResultPane& pane = f.window->Result();
        pane.SetText(QStringLiteral("one\ntwo\nthree"));
        QAbstractScrollArea* view = pane.TextWidget();
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Right);
        pane.SetReadOnly(true);  // as while a run goes on: the key does nothing
        QTest::keyClicks(view, QStringLiteral("x"));
        QVERIFY(!pane.Editing());
        pane.SetReadOnly(false);
        QTest::keyClicks(view, QStringLiteral("xy"));
        QVERIFY(pane.Editing() && pane.TextWidget() != view);
        QCOMPARE(pane.Text(), QStringLiteral("one\ntxywo\nthree"));
        pane.AppendLines(QStringLiteral("four"));
        QVERIFY(!pane.Editing() && pane.TextWidget() == view);
        QCOMPARE(pane.Text(), QStringLiteral("one\ntxywo\nthree\nfour"));
        QCOMPARE(f.window->ResultLines().size(), std::size_t(4));
    }

    void printLayoutBreaksLinesAndPages() {
        FakeMetrics m;
        auto run = [](int x, int y, std::string t) { return PrintRun{x, y, std::move(t)}; };

        // A long line continues at the left edge; a double-byte character is
        // never split; a tab goes to the next multiple of 8 average widths; a
        // carriage return goes back to the left edge.
        auto pages =
            LayoutPrintPages({std::string(30, 'a'), "a" + Sj("一二三四五六"), "a\tb", "ab\rc"}, 200, 1000, m);
        QCOMPARE(pages.size(), std::size_t(1));
        std::vector<PrintRun> want = {
            run(0, 0, kIndent + std::string(12, 'a')),
            run(0, 12, std::string(18, 'a')),
            run(0, 24, kIndent + "a" + Sj("一二三四五")),
            run(0, 36, Sj("六")),
            run(0, 48, kIndent + "a"),
            run(160, 48, "b"),
            run(0, 60, kIndent + "ab"),
            run(0, 60, "c"),
        };
        QVERIFY(pages[0].Runs == want);

        // Seven lines fit a page 100 high (after the seventh, y = 84 > 100 - 24).
        pages = LayoutPrintPages(std::vector<std::string>(15, "x"), 200, 100, m);
        QCOMPARE(pages.size(), std::size_t(3));
        QCOMPARE(pages[0].Runs.size(), std::size_t(7));
        QCOMPARE(pages[1].Runs.front().Y, 0);
        QCOMPARE(pages[2].Runs.size(), std::size_t(1));

        // A form feed ends the page; its line break leaves one empty line on the
        // next. A page break at the very end adds no empty page.
        pages = LayoutPrintPages({"a", "\f", "b", "\f"}, 200, 1000, m);
        QCOMPARE(pages.size(), std::size_t(2));
        QVERIFY(pages[1].Runs == (std::vector<PrintRun>{run(0, 12, kIndent + "b"), run(0, 24, kIndent)}));

        // Nothing drawn on a line: it is CharHeight high. A character wider than
        // the page still prints, one per line.
        pages = LayoutPrintPages({"\t\t\t"}, 30, 1000, m);
        QCOMPARE(pages[0].Runs.front(), run(0, 0, "   "));
        QCOMPARE(pages[0].Runs.size(), std::size_t(3));
        pages = LayoutPrintPages({Sj("表")}, 15, 1000, m);
        QCOMPARE(pages[0].Runs.size(), std::size_t(9));
        QCOMPARE(pages[0].Runs.back(), run(0, 96, Sj("表")));
    }

    void printingToPdfMakesThePagesAndTellsTheUser() {
        testing::TempDir dir;
        Fixture f;
        MainWindow& w = *f.window;
        f.Report({QStringLiteral("first page\ttab"), QString(300, QLatin1Char('x')), QStringLiteral("\f"),
                  QStringLiteral("second page")});
        QString pdf = QString::fromStdString(dir.str() + "/out.pdf");
        auto printTo = [&](bool confirmed) {
            f.prompts.Printers.push_back([&pdf, confirmed](QPrinter& p) {
                p.setOutputFormat(QPrinter::PdfFormat);
                p.setOutputFileName(pdf);
                return confirmed;
            });
            Command(w, "printAction")->trigger();
        };
        printTo(false);
        QVERIFY(f.messages.isEmpty());
        QVERIFY(!QFile::exists(pdf));

        printTo(true);
        QCOMPARE(f.messages, QStringList{QStringLiteral("情報:プリンタへ出力しました。")});
        QCOMPARE(PdfPageCount(zarnik::testing::ReadFileBytes(pdf.toStdString())), 2);
        QVERIFY(!QApplication::overrideCursor());

        pdf = QString::fromStdString(dir.str() + "/missing/out.pdf");
        printTo(true);
        QCOMPARE(f.messages.value(1),
                 QStringLiteral("ｴﾗｰ:出力できませんでした。プリンタを確かめてください。"));
    }
};

QTEST_MAIN(ResultOpsTest)
#include "result_ops_test.moc"
