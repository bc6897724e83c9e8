// Form_Main: printing the result pane.

#include "ui/main_window.h"
#include "ui/qt_text.h"

namespace zarnik::ui {

void Form_Main::PrintResult() {
    ShowMessage(QStringLiteral("情報"), QStringLiteral("印刷はこの版ではまだ使えません。"));
}

}  // namespace zarnik::ui
