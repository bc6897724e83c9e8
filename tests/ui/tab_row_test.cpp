#include "ui/tab_row.h"

#include <QApplication>
#include <QSet>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <memory>

#include "ui/main_window.h"
#include "ui/ui_style.h"

using namespace zarnik;
using namespace zarnik::ui;

namespace {

// Thirty names from 1 to 13 characters, Japanese and Latin mixed.
QStringList MixedNames(int n) {
    const QStringList words = {QStringLiteral("本体"),
                               QStringLiteral("src"),
                               QStringLiteral("データベース接続層"),
                               QStringLiteral("UI部品"),
                               QStringLiteral("外部連携インタフェース"),
                               QStringLiteral("x"),
                               QStringLiteral("帳票出力サブシステム群"),
                               QStringLiteral("lib")};
    QStringList out;
    for (int i = 0; i < n; ++i) out << words[i % words.size()] + QString::number(i);
    return out;
}

void CheckEveryTabShownOnce(const TabRow& row) {
    QList<QRect> seen;
    for (int i = 0; i < row.count(); ++i) {
        QRect rc = row.tabRect(i);
        QVERIFY2(!rc.isEmpty() && row.rect().contains(rc), qPrintable(QString::number(i)));
        for (const QRect& other : seen) QVERIFY(!other.intersects(rc));
        seen << rc;
        QCOMPARE(row.tabAt(rc.center()), i);
    }
}

// A main window at its default size over n environments, tabs above or below the page.
std::unique_ptr<MainWindow> WindowWithTabs(AppState& state, int n, bool below) {
    static_cast<settings::ProgramState&>(state) =
        settings::MakeStartState(settings::LocateProgramPaths("/nonexistent/zarnik"), 1024, 768);
    for (int i = 0; i < n; ++i) state.Envs.AddEnv("env" + std::to_string(i), true);
    state.Cnf.TabPosition = below ? 1 : 0;
    state.Save = nullptr;
    auto w = std::make_unique<MainWindow>(state);
    w->show();
    return w;
}

// The tabs the row shows now.
QSet<int> ShownTabs(const TabRow& row) {
    QSet<int> shown;
    for (int i = 0; i < row.count(); ++i)
        if (!row.tabRect(i).isEmpty()) shown << i;
    return shown;
}

void Wheel(TabRow& row, int delta) {
    QWheelEvent e(QPointF(10, 5), row.mapToGlobal(QPointF(10, 5)), {}, {0, delta}, Qt::NoButton, {},
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(&row, &e);
}

}  // namespace

class TabRowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutes(); }

    void manyTabsWrapIntoRowsWithTheCurrentRowNextToThePage() {
        for (bool below : {false, true}) {
            for (int width : {300, 460, 800, 1600}) {
                QWidget window;  // tall enough for every row
                window.resize(width, 1200);
                auto& row = *new TabRow(&window);
                row.SetBelow(below);
                row.SetTabs(MixedNames(30));
                row.resize(width, 10);
                window.show();
                row.setCurrentIndex(17);
                QCOMPARE(row.height(), row.heightForWidth(width));
                CheckEveryTabShownOnce(row);
                const int rows = row.RowCount();
                QVERIFY(width >= 1600 || rows > 1);
                // Each row of several is stretched to the full width.
                for (int i = 0; rows > 1 && i < row.count(); ++i)
                    if (i + 1 == row.count() || row.RowOf(i + 1) != row.RowOf(i))
                        QCOMPARE(row.tabRect(i).right(), width - 1);
                QCOMPARE(row.DisplayLineOf(17), below ? 0 : rows - 1);
                // The other rows keep their order, turned round the current one.
                for (int i = 1; i < row.count(); ++i)
                    if (row.RowOf(i) == row.RowOf(i - 1) + 1)
                        QCOMPARE(row.DisplayLineOf(i), (row.DisplayLineOf(i - 1) + 1) % rows);
            }
        }
    }

    void oneRowScrollsToTheCurrentTab() {
        TabRow row;
        row.SetMultiRow(false);
        row.SetTabs(MixedNames(30));
        row.resize(460, 10);
        row.show();
        QCOMPARE(row.RowCount(), 1);
        QVERIFY(row.tabRect(29).isEmpty());
        row.setCurrentIndex(29);
        QVERIFY(!row.tabRect(29).isEmpty());
        QVERIFY(row.tabRect(0).isEmpty());
        QCOMPARE(row.tabAt(row.tabRect(29).center()), 29);

        // A tab selected before the row has its width (at the start) is whole once it
        // has, beside the scroll arrows.
        TabRow early;
        early.SetMultiRow(false);
        early.SetTabs(MixedNames(30));
        early.setCurrentIndex(12);
        early.resize(460, 10);
        early.show();
        QVERIFY(!early.tabRect(12).isEmpty());
        for (QToolButton* arrow : early.findChildren<QToolButton*>())
            if (arrow->isVisible()) QVERIFY(!arrow->geometry().intersects(early.tabRect(12)));
    }

    void clicksKeysAndHoverWorkAsOnATabControl() {
        QWidget scope;
        scope.resize(460, 1200);
        auto& row = *new TabRow(&scope);
        row.AddSwitchKeys(&scope);
        row.SetTabs(MixedNames(30));
        row.resize(460, 10);
        scope.show();
        QVERIFY(QTest::qWaitForWindowExposed(&scope));
        QSignalSpy changed(&row, &TabRow::currentChanged);
        QTest::mouseClick(&row, Qt::LeftButton, {}, row.tabRect(5).center());
        QCOMPARE(row.currentIndex(), 5);
        QTest::mouseClick(&row, Qt::RightButton, {}, row.tabRect(6).center());
        QCOMPARE(row.currentIndex(), 5);  // the right button is the menu's (the window's)
        QTest::mouseMove(&row, row.tabRect(8).center());
        QCOMPARE(row.HotIndex(), 8);
        row.setFocus();
        QTest::keyClick(&row, Qt::Key_Right);
        QCOMPARE(row.currentIndex(), 6);
        QTest::keyClick(&row, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(row.currentIndex(), 7);
        QTest::keyClick(&row, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(row.currentIndex(), 6);
        QCOMPARE(changed.count(), 4);
    }

    // With many environments the rows take at most half the upper pane, so the target
    // list keeps lines to type in; the other rows scroll by the wheel and the arrows
    // past the current row, which stays next to the page: every tab can be clicked.
    void rowsThatDoNotFitScrollAndEveryTabCanBeClicked() {
        for (bool below : {false, true}) {
            for (int n : {30, 1000}) {
                AppState state;
                auto w = WindowWithTabs(state, n, below);
                QVERIFY(QTest::qWaitForWindowExposed(w.get()));
                TabRow& row = *w->Tabs().Row();
                QVERIFY(row.height() <= w->UpperPaneHeight() / 2 + 1);
                QPlainTextEdit* list = w->Targets().List();
                QVERIFY2(list->viewport()->height() >= 3 * list->fontMetrics().lineSpacing(),
                         qPrintable(QString::number(list->viewport()->height())));

                // Wheel away from the page until nothing more shows: every tab was seen.
                const int away = below ? -120 : 120;
                QSet<int> seen = ShownTabs(row), last;
                while (last != ShownTabs(row)) {
                    last = ShownTabs(row);
                    QVERIFY(last.contains(row.currentIndex()));
                    seen += last;
                    Wheel(row, away);
                }
                QCOMPARE(seen.size(), n);
                // The arrows scroll too: one line back toward the page.
                QToolButton* towardPage = nullptr;
                for (QToolButton* b : row.findChildren<QToolButton*>())
                    if (b->isVisible() && b->arrowType() == (below ? Qt::UpArrow : Qt::DownArrow))
                        towardPage = b;
                QVERIFY(towardPage && towardPage->isEnabled());
                towardPage->click();
                QVERIFY(ShownTabs(row) != last);

                // A tab far from the page: scrolled to, clicked, current and shown.
                const int far = n / 2;
                while (row.tabRect(far).isEmpty()) Wheel(row, -away);
                QTest::mouseClick(&row, Qt::LeftButton, {}, row.tabRect(far).center());
                QCOMPARE(row.currentIndex(), far);
                QVERIFY(!row.tabRect(far).isEmpty());
                QCOMPARE(w->Tabs().Current(), far);
            }
        }
    }

    // Every row of tabs has its outline, below the page too (the style draws a tab
    // below the page turned about the painter's origin).
    void everyRowOfTabsHasItsOutline() {
        for (bool below : {false, true}) {
            QWidget window;
            window.resize(460, 1200);
            auto& row = *new TabRow(&window);
            row.SetBelow(below);
            row.SetTabs(MixedNames(30));
            row.resize(460, 10);
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            const QImage image = row.grab().toImage();
            const QColor background = row.palette().color(QPalette::Window);
            for (int i = 0; i < row.count(); ++i) {
                const QRect rc = row.tabRect(i);
                bool edge = false;  // a line of the outline at the tab's left end
                for (int y = rc.top() + 4; y < rc.bottom() - 4 && !edge; ++y)
                    for (int x = rc.left(); x <= rc.left() + 1; ++x)
                        edge = edge || qAbs(qGray(image.pixel(x, y)) - qGray(background.rgb())) > 24;
                QVERIFY2(edge,
                         qPrintable(QStringLiteral("tab %1, line %2").arg(i).arg(row.DisplayLineOf(i))));
            }
        }
    }

    // Ten thousand environments: the rows are laid out a few times in all, not once
    // per inserted tab.
    void tenThousandEnvironmentsAreLaidOutOnce() {
        AppState state;
        static_cast<settings::ProgramState&>(state) =
            settings::MakeStartState(settings::LocateProgramPaths("/nonexistent/zarnik"), 1024, 768);
        for (int i = 0; i < 10000; ++i) state.Envs.AddEnv("env" + std::to_string(i), true);
        state.Save = nullptr;
        auto w = std::make_unique<MainWindow>(state);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QCOMPARE(w->Tabs().Row()->count(), 10000);
        QVERIFY2(w->Tabs().Row()->LayoutPasses() <= 8,
                 qPrintable(QString::number(w->Tabs().Row()->LayoutPasses())));
        // Whatever the number of rows, the current one is next to the page.
        QCOMPARE(w->Tabs().Row()->DisplayLineOf(w->Tabs().Row()->currentIndex()),
                 w->Tabs().Row()->RowCount() - 1);
        QVERIFY(!w->Tabs().Row()->tabRect(0).isEmpty());
        QVERIFY(w->Tabs().Row()->height() <= w->height() / 2);
    }
};

QTEST_MAIN(TabRowTest)
#include "tab_row_test.moc"
