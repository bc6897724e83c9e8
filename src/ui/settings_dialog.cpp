// Form_Main: the settings dialog.

#include "ui/main_window.h"
#include "ui/qt_text.h"

namespace zarnik::ui {

void Form_Main::OpenSettings() {
    ShowMessage(QStringLiteral("情報"), QStringLiteral("設定ダイアログはこの版ではまだ使えません。"));
}

}  // namespace zarnik::ui
