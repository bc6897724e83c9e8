// Form_Main: the environment editor.

#include "ui/main_window.h"
#include "ui/qt_text.h"

namespace zarnik::ui {

void Form_Main::EditEnvironments() {
    StoreCurrentEnv();
    ShowMessage(QStringLiteral("情報"), QStringLiteral("環境編集はこの版ではまだ使えません。"));
}

}  // namespace zarnik::ui
