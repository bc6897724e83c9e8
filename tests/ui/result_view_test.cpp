#include "ui/result_view.h"

#include <QClipboard>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <cstdlib>
#include <new>

#include "ui/ui_style.h"

using namespace zarnik::ui;
using Pos = ResultView::Position;

// Armed, the next request of at least this many bytes fails as an exhausted heap does.
static std::size_t g_failFrom = 0;

void* operator new(std::size_t n) {
    if (g_failFrom != 0 && n >= g_failFrom) {
        g_failFrom = 0;
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

// The report's font as the pane sets it: fixed width, Japanese.
QFont ReportFont() { return QFont(QStringLiteral("ＭＳ ゴシック"), 10); }

void Press(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    QTest::keyClick(w, key, mods);
}

// Sends a key as the application does: a shortcut override first, then the key if nothing took it.
// Returns whether the override was accepted.
bool OverrideAccepted(QWidget* w, int key, Qt::KeyboardModifiers mods, const QString& text = {}) {
    QKeyEvent e(QEvent::ShortcutOverride, key, mods, text);
    e.ignore();
    QApplication::sendEvent(w, &e);
    return e.isAccepted();
}

bool SamePos(Pos a, Pos b) { return a.Line == b.Line && a.Column == b.Column; }

}  // namespace

class ResultViewTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutes(); }

    void linesAppendedInPiecesAreTheTextSetWhole() {
        ResultView view;
        QSignalSpy changed(&view, &ResultView::TextChanged);
        QVERIFY(view.IsEmpty());
        view.AppendLines(u"");  // as QPlainTextEdit: an empty view stays empty
        QVERIFY(view.IsEmpty());
        QCOMPARE(view.LineCount(), 0);
        view.AppendLines(u"ａｂ ｱｲｳ\n\nthird");
        view.AppendLines(u"");
        view.AppendLines(u"\f\tx");
        const QString whole = QStringLiteral("ａｂ ｱｲｳ\n\nthird\n\n\f\tx");
        QCOMPARE(view.Text(), whole);
        QCOMPARE(view.LineCount(), 5);
        QCOMPARE(view.Line(2), QStringLiteral("third"));
        QVERIFY(view.Line(1).isEmpty());
        QCOMPARE(changed.count(), 4);

        ResultView other;
        other.SetText(whole);
        QCOMPARE(other.Text(), whole);
        QCOMPARE(other.LineCount(), 5);
        for (qsizetype i = 0; i < 5; ++i) QCOMPARE(other.Line(i), view.Line(i));

        other.SetText(u"\n");  // two empty lines are text
        QVERIFY(!other.IsEmpty());
        QCOMPARE(other.LineCount(), 2);
        other.SetCaret({1, 0});
        other.SetText(u"");
        QVERIFY(other.IsEmpty());
        QVERIFY(SamePos(other.Caret(), {0, 0}));
        // The view's own lines given back to it: their characters move as the text grows or is replaced.
        other.SetText(u"one\ntwo");
        other.AppendLines(other.Line(0));
        other.SetText(other.Line(2));
        QCOMPARE(other.Text(), QStringLiteral("one"));
        view.SelectAll();
        view.Clear();
        QVERIFY(view.IsEmpty() && !view.HasSelection());
        QCOMPARE(view.Text(), QString());
        view.grab();  // paints the empty view and the form feed and tab lines before it without harm
    }

    // No memory for the line starts of a batch: the view keeps what it showed, and
    // its starts still lie inside its text.
    void aBatchWithoutMemoryLeavesTheViewAsItWas() {
        ResultView view;
        view.AppendLines(u"first\nsecond");
        QString batch;
        for (int i = 0; i < 200'000; ++i) batch += QStringLiteral("x\n");
        g_failFrom = 1 << 20;  // the starts' vector grows past a MiB for this batch
        QVERIFY_THROWS_EXCEPTION(std::bad_alloc, view.AppendLines(batch));
        QCOMPARE(g_failFrom, std::size_t(0));
        QCOMPARE(view.Text(), QStringLiteral("first\nsecond"));
        QCOMPARE(view.LineCount(), 2);
        view.resize(300, 200);
        (void)view.grab();
        view.AppendLines(u"third");
        QCOMPARE(view.Line(2), QStringLiteral("third"));
    }

    void keysMoveTheCaretAcrossLinesAndShiftSelects() {
        ResultView view;
        view.setFont(ReportFont());
        view.resize(400, 200);
        view.SetText(u"abc def\nxy\n漢字 かな,ok\nlast");
        view.show();
        view.setFocus();
        QSignalSpy selection(&view, &ResultView::SelectionChanged);

        view.SetCaret({0, 7});
        Press(&view, Qt::Key_Right);  // past the line end to the next line
        QVERIFY(SamePos(view.Caret(), {1, 0}));
        Press(&view, Qt::Key_Left);
        QVERIFY(SamePos(view.Caret(), {0, 7}));
        QVERIFY(!view.HasSelection());
        Press(&view, Qt::Key_Right, Qt::ShiftModifier);
        Press(&view, Qt::Key_Right, Qt::ShiftModifier);
        QVERIFY(SamePos(view.Anchor(), {0, 7}));
        QCOMPARE(view.SelectedText(), QStringLiteral("\nx"));
        QCOMPARE(selection.count(), 2);

        // Up and Down keep the column the caret had on the longer line.
        view.SetCaret({0, 6});
        Press(&view, Qt::Key_Down);
        QVERIFY(SamePos(view.Caret(), {1, 2}));
        Press(&view, Qt::Key_Down);
        Press(&view, Qt::Key_Down);
        QVERIFY(SamePos(view.Caret(), {3, 4}));
        Press(&view, Qt::Key_Up);
        Press(&view, Qt::Key_Up);
        Press(&view, Qt::Key_Up);
        QVERIFY(SamePos(view.Caret(), {0, 6}));

        Press(&view, Qt::Key_End);
        QVERIFY(SamePos(view.Caret(), {0, 7}));
        Press(&view, Qt::Key_Home, Qt::ShiftModifier);
        QCOMPARE(view.SelectedText(), QStringLiteral("abc def"));
        Press(&view, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(view.SelectedText(), QStringLiteral("\nxy\n漢字 かな,ok\nlast"));
        Press(&view, Qt::Key_Home, Qt::ControlModifier);
        QVERIFY(!view.HasSelection());
        QVERIFY(SamePos(view.Caret(), {0, 0}));

        // Words: letters (also Japanese ones) run together, punctuation stands apart.
        view.SetCaret({2, 0});
        Press(&view, Qt::Key_Right, Qt::ControlModifier);
        QVERIFY(SamePos(view.Caret(), {2, 3}));
        Press(&view, Qt::Key_Right, Qt::ControlModifier);
        QVERIFY(SamePos(view.Caret(), {2, 5}));
        Press(&view, Qt::Key_Left, Qt::ControlModifier);
        Press(&view, Qt::Key_Left, Qt::ControlModifier);
        QVERIFY(SamePos(view.Caret(), {2, 0}));
        Press(&view, Qt::Key_Left, Qt::ControlModifier);
        QVERIFY(SamePos(view.Caret(), {1, 2}));

        // Columns count UTF-16 units however the line is kept: a character beyond U+FFFF is two,
        // and a selection ending inside a line of such characters, kana and full-width signs takes
        // exactly the characters before it.
        const QString wide = QStringLiteral("a\U0002000Bｱ漢□z");
        view.SetText(wide + QStringLiteral("\nnext"));
        view.SetCaret({0, 1});
        Press(&view, Qt::Key_Right, Qt::ShiftModifier);
        QVERIFY(SamePos(view.Caret(), {0, 3}));
        QCOMPARE(view.SelectedText(), QStringLiteral("\U0002000B"));
        Press(&view, Qt::Key_End, Qt::ShiftModifier);
        QCOMPARE(view.SelectedText(), wide.mid(1));
        view.SetCaret({1, 2}, true);
        QCOMPARE(view.SelectedText(), wide.mid(1) + QStringLiteral("\nne"));
        QCOMPARE(view.Line(0), wide);
        QCOMPARE(view.Text(), wide + QStringLiteral("\nnext"));
    }

    void copyGivesPlainTextAndHtmlUpToTheLimit() {
        ResultView view;
        view.setFont(ReportFont());
        view.SetText(u"a<b>&c\n\n漢字");
        view.show();
        view.setFocus();
        Press(&view, Qt::Key_A, Qt::ControlModifier);
        Press(&view, Qt::Key_C, Qt::ControlModifier);
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(data->text(), view.Text());
        QVERIFY(data->hasHtml());
        QTextDocument doc;
        doc.setHtml(data->html());
        QCOMPARE(doc.toPlainText(), view.Text());
        QVERIFY(data->html().contains(view.font().family()));

        QString big(ResultView::kRichCopyLimit + 1, QLatin1Char('x'));
        big[10] = QLatin1Char('\n');
        view.SetText(big);
        view.SelectAll();
        QGuiApplication::clipboard()->clear();
        Press(&view, Qt::Key_Insert, Qt::ControlModifier);
        data = QGuiApplication::clipboard()->mimeData();
        QCOMPARE(data->text(), big);
        QVERIFY(!data->hasHtml());
    }

    void mouseSelectsWhereItPointsAndLinesSitAsInTheEditor() {
        const QString text = QStringLiteral("first line\nＡＢＣ abc ｱｲｳ\nthird line here\nfour");
        ResultView view;
        view.setFont(ReportFont());
        view.resize(500, 300);
        view.SetText(text);
        view.show();
        QPlainTextEdit edit;
        edit.setFont(ReportFont());
        edit.setLineWrapMode(QPlainTextEdit::NoWrap);
        edit.resize(500, 300);
        edit.setPlainText(text);
        edit.show();
        // Line tops and character positions on the same pixels as in the editor the view stands in for.
        auto editRect = [&](int line, int column) {
            QTextCursor c(edit.document()->findBlockByNumber(line));
            c.setPosition(c.position() + column);
            return edit.cursorRect(c);
        };
        for (int line = 0; line < 4; ++line)
            QCOMPARE(editRect(line, 0).top(), ResultView::kMargin + line * view.LineHeight());
        // Also at sizes where the font's rounded height is a pixel short of the editor's line, and far down.
        for (int size : {9, 12, 15}) {
            QFont f = ReportFont();
            f.setPointSize(size);
            ResultView sized;
            sized.setFont(f);
            edit.setFont(f);
            edit.setPlainText((text + QLatin1Char('\n')).repeated(20));
            edit.resize(500, 2000);  // the editor lays out only the lines it shows
            QCOMPARE(editRect(70, 0).top(), ResultView::kMargin + 70 * sized.LineHeight());
        }
        edit.setFont(ReportFont());
        edit.setPlainText(text);
        edit.resize(500, 300);
        const int lh = view.LineHeight();
        const QPoint onB(editRect(1, 1).left() + 2, ResultView::kMargin + lh + lh / 2);
        const QPoint onH(editRect(2, 4).left() + 2, ResultView::kMargin + 2 * lh + lh / 2);
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, onB);
        QVERIFY(SamePos(view.Caret(), {1, 1}));
        // A move with the button held: QTest::mouseMove sends none.
        QMouseEvent drag(QEvent::MouseMove, QPointF(onH), view.viewport()->mapToGlobal(QPointF(onH)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &drag);
        QTest::mouseRelease(view.viewport(), Qt::LeftButton, {}, onH);
        QVERIFY(SamePos(view.Anchor(), {1, 1}));
        QVERIFY(SamePos(view.Caret(), {2, 4}));
        QCOMPARE(view.SelectedText(), QStringLiteral("ＢＣ abc ｱｲｳ\nthir"));
        QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::ShiftModifier,
                          QPoint(onB.x(), onB.y() + 2 * lh));
        QVERIFY(SamePos(view.Anchor(), {1, 1}));
        QCOMPARE(view.Caret().Line, 3);

        QTest::mouseDClick(view.viewport(), Qt::LeftButton, {}, onH);
        QCOMPARE(view.SelectedText(), QStringLiteral("third"));
        QTest::mousePress(view.viewport(), Qt::LeftButton, {}, onH);  // the third click
        QCOMPARE(view.SelectedText(), QStringLiteral("third line here\n"));
    }

    void editingKeysGoToTheOwnerUnlessReadOnly() {
        ResultView view;
        view.SetText(u"abc\ndef");
        view.show();
        QApplication::setActiveWindow(&view);
        view.setFocus();
        QVERIFY(QTest::qWaitForWindowActive(&view));
        QSignalSpy edits(&view, &ResultView::EditRequested);
        QSignalSpy changed(&view, &ResultView::TextChanged);
        struct Key {
            int key;
            Qt::KeyboardModifiers mods;
            QString text;
        };
        const QList<Key> editing = {{Qt::Key_A, {}, QStringLiteral("a")},
                                    {Qt::Key_A, Qt::ShiftModifier, QStringLiteral("A")},
                                    {Qt::Key_Return, {}, QStringLiteral("\r")},
                                    {Qt::Key_Backspace, {}, {}},
                                    {Qt::Key_Delete, {}, {}},
                                    {Qt::Key_Tab, {}, QStringLiteral("\t")},
                                    {Qt::Key_V, Qt::ControlModifier, {}},
                                    {Qt::Key_Insert, Qt::ShiftModifier, {}},
                                    {Qt::Key_X, Qt::ControlModifier, {}}};
        for (const Key& k : editing) {
            const qsizetype before = edits.count();
            QVERIFY(OverrideAccepted(&view, k.key, k.mods, k.text));
            QTest::keyClick(&view, static_cast<Qt::Key>(k.key), k.mods);
            QVERIFY2(edits.count() == before + 1, qPrintable(QKeySequence(k.key | k.mods).toString()));
        }
        QVERIFY(view.hasFocus());  // Tab was an edit, not a move to the next widget
        QInputMethodEvent im(QString(), {});
        im.setCommitString(QStringLiteral("漢"));
        QApplication::sendEvent(&view, &im);
        QCOMPARE(edits.count(), editing.size() + 1);

        // Keys the view handles itself are not edits; keys it does not know go on to the window.
        QVERIFY(OverrideAccepted(&view, Qt::Key_C, Qt::ControlModifier));
        QVERIFY(OverrideAccepted(&view, Qt::Key_Right, Qt::ShiftModifier));
        QVERIFY(!OverrideAccepted(&view, Qt::Key_F9, {}));
        QVERIFY(!OverrideAccepted(&view, Qt::Key_F, Qt::AltModifier, QStringLiteral("f")));
        QVERIFY(!OverrideAccepted(&view, Qt::Key_S, Qt::ControlModifier));
        QKeyEvent f9(QEvent::KeyPress, Qt::Key_F9, Qt::NoModifier);
        QApplication::sendEvent(&view, &f9);
        QVERIFY(!f9.isAccepted());
        for (auto [key, mods] :
             {std::pair{Qt::Key_C, Qt::ControlModifier}, std::pair{Qt::Key_Right, Qt::NoModifier},
              std::pair{Qt::Key_End, Qt::ShiftModifier}, std::pair{Qt::Key_Z, Qt::ControlModifier},
              std::pair{Qt::Key_Y, Qt::ControlModifier}})
            QTest::keyClick(&view, key, mods);
        QCOMPARE(edits.count(), editing.size() + 1);

        // While a run appends, editing keys do nothing at all.
        view.SetReadOnly(true);
        for (const Key& k : editing) {
            QVERIFY(k.key == Qt::Key_Tab || !OverrideAccepted(&view, k.key, k.mods, k.text));
            QTest::keyClick(&view, static_cast<Qt::Key>(k.key), k.mods);
        }
        QApplication::sendEvent(&view, &im);
        QCOMPARE(edits.count(), editing.size() + 1);
        QCOMPARE(changed.count(), 0);
        QCOMPARE(view.Text(), QStringLiteral("abc\ndef"));
    }

    void aLongReportScrollsAndPaintsOnlyItsVisibleLines() {
        ResultView view;
        view.setFont(ReportFont());
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        view.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        view.resize(300, 200);
        view.show();
        QString batch;
        for (int i = 0; i < 1000; ++i) batch += QStringLiteral("%1 ﾌｧｲﾙ 行数\n").arg(i, 6);
        batch.chop(1);
        for (int i = 0; i < 100; ++i) view.AppendLines(batch);
        view.AppendLines(QStringLiteral("漢").repeated(200));  // the widest line, far wider than the view
        QCOMPARE(view.LineCount(), 100'001);
        const int visible = (view.viewport()->height() - ResultView::kMargin) / view.LineHeight();
        QCOMPARE(view.verticalScrollBar()->maximum(), 100'001 - visible);
        QCOMPARE(view.verticalScrollBar()->pageStep(), visible);
        view.ScrollToBottom();
        QCOMPARE(view.TopLine(), 100'001 - visible);
        const QImage bottom = view.grab().toImage();
        QVERIFY(view.horizontalScrollBar()->maximum() > 2000);

        // Keys scroll sideways even with the bar hidden, so the caret stays in sight.
        view.setFocus();
        Press(&view, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(view.horizontalScrollBar()->value() > 2000);
        Press(&view, Qt::Key_Home);
        QCOMPARE(view.horizontalScrollBar()->value(), 0);
        Press(&view, Qt::Key_PageUp);
        QCOMPARE(view.TopLine(), 100'001 - 2 * visible);
        QCOMPARE(view.Caret().Line, 100'000 - visible);
        Press(&view, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(view.TopLine(), 0);
        QVERIFY(view.grab().toImage() != bottom);

        // A new font changes the line height and with it the range.
        QFont big = ReportFont();
        big.setPointSize(20);
        view.setFont(big);
        QVERIFY(view.verticalScrollBar()->maximum() > 100'001 - visible);
    }

    // A report of several MiB in batches: lines kept whole however the view stores them, a selection
    // across all of them, and a line longer than a MiB.
    void aReportOfManyMiBKeepsEveryLineWhole() {
        ResultView view;
        QStringList lines;
        for (int i = 0; i < 160'000; ++i)
            lines << QStringLiteral("%1 ﾌｧｲﾙ 行数 %2").arg(i, 7).arg(QString(i % 61, u'x'));
        lines[1'000] = QString();
        for (qsizetype from = 0; from < lines.size(); from += 4'001)
            view.AppendLines(lines.mid(from, 4'001).join(u'\n'));
        view.AppendLines(u"");
        lines << QString();
        QCOMPARE(view.LineCount(), lines.size());
        for (qsizetype i = 0; i < lines.size(); ++i)
            if (view.Line(i) != lines[i]) QFAIL(qPrintable(QStringLiteral("line %1 differs").arg(i)));
        QCOMPARE(view.Text(), lines.join(u'\n'));
        view.SetCaret({10, 3});
        view.SetCaret({159'000, 5}, true);
        QCOMPARE(view.SelectedText(), lines[10].mid(3) + u'\n' + lines.mid(11, 158'989).join(u'\n') + u'\n' +
                                          lines[159'000].left(5));

        const QString longLine = QStringLiteral("ｱ漢").repeated(900'000);  // 5.4 MB of UTF-8
        view.AppendLines(longLine + QStringLiteral("\nafter"));
        QCOMPARE(view.Line(lines.size()), longLine);
        QCOMPARE(view.Line(lines.size() + 1), QStringLiteral("after"));
        QCOMPARE(view.Text(), lines.join(u'\n') + u'\n' + longLine + QStringLiteral("\nafter"));
    }
};

QTEST_MAIN(ResultViewTest)
#include "result_view_test.moc"
