// The keyboard across the desktop program: what Alt, Ctrl, Tab and F1 do.
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

}  // namespace

class KeysHelpTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallFontSubstitutes(); }

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
        QCOMPARE(AccessKey(f.window->Act_Clear->text()), QLatin1Char('D'));
    }
};

QTEST_MAIN(KeysHelpTest)
#include "keys_help_test.moc"
