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
    zarnik::settings::SetDefaultPlacement(state.Place, screen.width(), screen.height());

    zarnik::ui::Form_Main window(state);
    window.show();
    splash.FadeOut();
    splash.close();
    return app.exec();
}
