#include "ui/tab_row.h"

#include <QSignalSpy>
#include <QTest>
#include <memory>

#include "ui/main_window.h"
#include "ui/ui_style.h"

using namespace zarnik;
using namespace zarnik::ui;

namespace {

// Thirty names from 1 to 13 characters, Japanese and Latin mixed.
QStringList MixedNames(int n) {
    const QStringList words = {QStringLiteral("本体"), QStringLiteral("src"), QStringLiteral("データベース接続層"),
                               QStringLiteral("UI部品"), QStringLiteral("外部連携インタフェース"), QStringLiteral("x"),
                               QStringLiteral("帳票出力サブシステム群"), QStringLiteral("lib")};
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

    // Ten thousand environments: the rows are laid out a few times in all, not once
    // per inserted tab.
    void tenThousandEnvironmentsAreLaidOutOnce() {
        AppState state;
        static_cast<settings::ProgramState&>(state) =
            settings::MakeStartState(settings::LocateProgramPaths("/nonexistent/zarnik"), 1024, 768);
        for (int i = 0; i < 10000; ++i) state.Envs.AddEnv("env" + std::to_string(i), true);
        state.Save = nullptr;
        auto w = std::make_unique<Form_Main>(state);
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
