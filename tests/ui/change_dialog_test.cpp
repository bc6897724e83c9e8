#include "ui/change_dialog.h"

#include <QTest>
#include <memory>

#include "test_util.h"
#include "ui/folder_browser.h"
#include "ui/qt_text.h"
#include "ui_fixture.h"

using namespace zarnik;
using namespace zarnik::ui;

namespace {

// The window over an INI file in dir, saved for real when it closes.
struct IniWindow : WindowFixture {
    explicit IniWindow(const testing::TempDir& dir)
        : WindowFixture([&dir](AppState& state) {
              const std::string ini = dir.str() + "/zarnik.ini";
              static_cast<settings::ProgramState&>(state) =
                  settings::MakeStartState(settings::PathsForIniFile(dir.str() + "/zarnik", ini), 1024, 768);
              state.Save = AppState{}.Save;
              settings::LoadSettings(state);
          }) {}
};

}  // namespace

class ChangeDialogTest : public QObject {
    Q_OBJECT
private slots:
    void okNeedsBothVersionsAndTheBrowserFillsAField() {
        ChangeCountDialog d(QString(), QStringLiteral("/rel/2.0"));
        QVERIFY(!d.okButton->isEnabled());
        d.oldEdit->setText(QStringLiteral("/rel/1.0"));
        QVERIFY(d.okButton->isEnabled());
        d.newEdit->clear();
        QVERIFY(!d.okButton->isEnabled());

        QString asked;
        QString answer = QStringLiteral("/picked/新");
        d.BrowseFolder = [&](const QString& current) { return asked = current, answer; };
        d.newBrowseButton->click();
        QCOMPARE(d.NewTarget(), QStringLiteral("/picked/新"));
        QVERIFY(d.okButton->isEnabled());
        answer.clear();  // the browser cancelled: the field keeps its line
        d.oldBrowseButton->click();
        QCOMPARE(asked, QStringLiteral("/rel/1.0"));
        QCOMPARE(d.OldTarget(), QStringLiteral("/rel/1.0"));
    }

    void theCommandRemembersBothVersionsInTheIniFile() {
        testing::TempDir dir;
        dir.Write("old/a.c", "int a;\n");
        const QString oldTarget = QString::fromStdString(dir.str() + "/old");
        const QString newTarget = QString::fromStdString(dir.str() + "/new é");  // not in Shift-JIS
        {
            IniWindow win(dir);
            MainWindow& w = *win.window;
            std::vector<std::string> browseStarts;
            w.ExecuteBrowse = [&](FolderBrowser& b) {
                browseStarts.push_back(b.Directory);
                b.ChosenPath = newTarget;
                b.Directory = ToSjis(newTarget);
                return true;
            };
            int opened = 0;
            w.ExecDialog = [&](QDialog& dialog) {
                auto& d = static_cast<ChangeCountDialog&>(dialog);
                if (++opened == 1) return d.cancelButton->click(), d.result();
                d.oldEdit->setText(oldTarget);
                d.oldBrowseButton->click();  // starts at the folder the field names
                d.oldEdit->setText(oldTarget);
                d.newBrowseButton->click();  // an empty field: the folder chosen last
                d.okButton->click();
                return d.result();
            };
            w.changeCountAction->trigger();  // cancelled: nothing is kept, nothing runs
            QVERIFY(win.state.DiffOld.empty() && win.messages.isEmpty());
            w.changeCountAction->trigger();
            QCOMPARE(browseStarts, (std::vector<std::string>{ToSjis(oldTarget), ToSjis(newTarget)}));
            QCOMPARE(QString::fromStdString(win.state.DiffNew), newTarget);
            QVERIFY(w.close());
        }
        IniWindow again(dir);
        QString shownOld, shownNew;
        again.window->ExecDialog = [&](QDialog& dialog) {
            auto& d = static_cast<ChangeCountDialog&>(dialog);
            shownOld = d.OldTarget();
            shownNew = d.NewTarget();
            return QDialog::Rejected;
        };
        again.window->changeCountAction->trigger();
        QCOMPARE(shownOld, oldTarget);
        QCOMPARE(shownNew, newTarget);
    }
};

QTEST_MAIN(ChangeDialogTest)
#include "change_dialog_test.moc"
