// zarnik: the desktop program.
#include <QApplication>
#include <QFileInfo>
#include <QScreen>

#include "ui/app_state.h"
#include "ui/main_window.h"
#include "ui/splash.h"
#include "ui/toolbar_icons.h"
#include "ui/ui_style.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The application's name only: a display name would be appended to every window's caption.
    QApplication::setApplicationName(QStringLiteral("Zarnik"));
    QApplication::setWindowIcon(zarnik::ui::ProgramIcon());
    zarnik::ui::InstallFontSubstitutes();
    zarnik::ui::InstallQtTranslations();

    zarnik::ui::F_Sp splash(0);
    splash.ShowAndWaitUntilOnScreen();

    zarnik::ui::AppState state;
    QString program = QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath();
    state.HelpFile = (QFileInfo(program).absolutePath() + QStringLiteral("/") +
                      QFileInfo(program).completeBaseName() + QStringLiteral(".hlp"))
                         .toStdString();
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    static_cast<zarnik::settings::ProgramState&>(state) = zarnik::settings::MakeStartState(
        zarnik::settings::LocateProgramPaths(program.toStdString()), screen.width(), screen.height());
    zarnik::settings::LoadReport report = zarnik::settings::LoadSettings(state);

    zarnik::ui::Form_Main window(state);
    QStringList problems;
    if (report.IniUnreadable)
        problems << QStringLiteral("設定ファイル %1 を読み込めません。設定は保存されません。")
                        .arg(QString::fromStdString(state.Paths.IniPath));
    for (const std::string& memo : report.UnreadableMemos)
        problems << QStringLiteral("メモファイル %1 を読み込めません。このメモは変更せずに残します。")
                        .arg(QString::fromStdString(memo));
    window.show();
    splash.FadeOut();
    splash.close();
    if (!problems.isEmpty()) zarnik::ui::ShowBox(&window, QStringLiteral("警告"), problems.join(QLatin1Char('\n')));
    return app.exec();
}
