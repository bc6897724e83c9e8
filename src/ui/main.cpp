// zarnik: the desktop program.
#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QScreen>
#include <cstdio>
#include <string_view>
#include <vector>

#include "engine/counter_generic.h"
#include "engine/language_table.h"
#include "settings/persist.h"
#include "text/version.h"
#include "ui/app_state.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/splash.h"
#include "ui/toolbar_icons.h"
#include "ui/ui_style.h"

namespace {

// --help and --version are answered before the window system is touched, so that
// they work without a display (scripts, package checks).
bool AnswerInformationRequest(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::string_view a = argv[i];
        if (a == "--version") {
            std::printf("zarnik %s\n%s", zarnik::text::kVersionString, zarnik::text::kLicenseNotice);
            return true;
        }
        if (a == "--help") {
            std::fputs(
                "Usage: zarnik [--help] [--version] [Qt options]\n"
                "Starts the Zarnik desktop program, which counts the lines of source files.\n"
                "Settings and environments are kept in zarnik.ini beside the program when its\n"
                "folder is writable, else in $XDG_CONFIG_HOME/zarnik/ (~/.config/zarnik/).\n"
                "To count without a window, use zarnik-count (see zarnik-count --help).\n",
                stdout);
            return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (AnswerInformationRequest(argc, argv)) return std::fflush(stdout) == 0 ? 0 : 1;
    QApplication app(argc, argv);
    // The application's name only: a display name would be appended to every window's caption.
    QApplication::setApplicationName(QStringLiteral("Zarnik"));
    QApplication::setApplicationVersion(QString::fromLatin1(zarnik::text::kVersionString));
    // The installed theme icon when there is one, else the copy compiled into the program;
    // the desktop matches the windows to the menu entry by its name (Wayland).
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("zarnik"), zarnik::ui::ProgramIcon()));
    QGuiApplication::setDesktopFileName(QStringLiteral(ZARNIK_APP_ID));
    zarnik::ui::InstallFontSubstitutes();
    zarnik::ui::InstallQtTranslations();

    zarnik::ui::SplashScreen splash(0);
    splash.ShowAndWaitUntilOnScreen();

    zarnik::ui::AppState state;
    QString program = QFileInfo(QCoreApplication::applicationFilePath()).absoluteFilePath();
    QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    static_cast<zarnik::settings::ProgramState&>(state) = zarnik::settings::MakeStartState(
        zarnik::settings::LocateProgramPaths(program.toStdString()), screen.width(), screen.height());
    state.HelpFile = state.Paths.HelpPath;
    zarnik::settings::LoadReport report = zarnik::settings::LoadSettings(state);
    // The language table before the first count; what is malformed in it is told
    // below, and every language that loaded counts.
    zarnik::engine::LanguageTable languages = zarnik::engine::LoadLanguageTable(
        zarnik::engine::LanguageFiles(program.toStdString(), zarnik::settings::ConfigHome()));
    const std::vector<std::string> languageErrors = languages.Errors;
    zarnik::engine::InstallLanguages(zarnik::engine::MakeLanguageSet(std::move(languages)));

    zarnik::ui::Prompts& prompts = zarnik::ui::DesktopPrompts();
    zarnik::ui::MainWindow window(state, prompts);
    QStringList problems;
    if (zarnik::settings::ReadsElsewhereThanItWrites(state.Paths))
        problems << QStringLiteral(
                        "プログラムのフォルダーに書き込めないため、設定は %1 から読み込み、%2 に保存します。")
                        .arg(QString::fromStdString(state.Paths.ReadIniPath),
                             QString::fromStdString(state.Paths.IniPath));
    if (report.IniUnreadable)
        problems << QStringLiteral("設定ファイル %1 を読み込めません。設定は保存されません。")
                        .arg(QString::fromStdString(state.Paths.IniPath));
    for (const std::string& notice : report.Notices) problems << zarnik::ui::ToQ(notice);
    for (const std::string& error : languageErrors)
        problems << QStringLiteral("言語の定義を読み込めません: %1").arg(QString::fromStdString(error));
    for (const std::string& memo : report.UnreadableMemos)
        problems << QStringLiteral("メモファイル %1 を読み込めません。このメモは変更せずに残します。")
                        .arg(QString::fromStdString(memo));
    window.show();
    splash.FadeOut();
    splash.close();
    if (!problems.isEmpty())
        prompts.ShowMessage(&window, QStringLiteral("警告"), problems.join(QLatin1Char('\n')));
    return app.exec();
}
