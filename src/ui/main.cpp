// zarnik: the desktop program.
#include <QApplication>
#include <QFileInfo>
#include <QScreen>

#include "ui/app_state.h"
#include "ui/main_window.h"
#include "ui/splash.h"
#include "ui/ui_style.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zarnik"));
    QApplication::setApplicationDisplayName(QStringLiteral("Zarnik"));
    zarnik::ui::InstallFontSubstitutes();

    zarnik::ui::F_Sp splash(0);
    splash.show();
    splash.repaint();
    QApplication::processEvents();

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
    if (zarnik::settings::ReadsElsewhereThanItWrites(state.Paths))
        problems << QStringLiteral("プログラムのフォルダーに書き込めないため、設定は %1 から読み込み、%2 に保存します。")
                        .arg(QString::fromStdString(state.Paths.ReadIniPath),
                             QString::fromStdString(state.Paths.IniPath));
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
