// The main window over a fresh state, as most desktop tests start: no INI file is
// read or written, every question is answered from a script and messages are
// collected instead of shown.
#pragma once

#include <QAction>
#include <QStringList>
#include <QTest>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "scripted_prompts.h"
#include "settings/persist.h"
#include "ui/main_window.h"

namespace zarnik::ui {

// One of the window's commands by its object name ("countAction"); null fails the test.
inline QAction* Command(const QObject& window, const char* name) {
    auto* action = window.findChild<QAction*>(QLatin1String(name));
    if (!action) QTest::qFail(name, __FILE__, __LINE__);
    return action;
}

// The pages of a PDF file a print job wrote.
inline int PdfPageCount(const std::string& pdf) {
    int n = 0;
    for (std::size_t p = pdf.find("/Type /Page"); p != std::string::npos; p = pdf.find("/Type /Page", p + 1))
        if (pdf.compare(p, 12, "/Type /Pages") != 0) ++n;
    return n;
}

// Makes state that of the INI file at ini, read now and written when the window closes.
inline void UseIniFile(AppState& state, const std::string& ini) {
    static_cast<settings::ProgramState&>(state) = settings::MakeStartState(
        settings::PathsForIniFile(std::filesystem::path(ini).parent_path() / "zarnik", ini), 1024, 768);
    state.Save = AppState{}.Save;
    settings::LoadSettings(state);
}

struct WindowFixture {
    AppState state;
    ScriptedPrompts prompts;
    QStringList& messages = prompts.Messages;  // "title:text"
    std::unique_ptr<MainWindow> window;

    // prepare adjusts the state before the window is made.
    explicit WindowFixture(const std::function<void(AppState&)>& prepare = {}) {
        static_cast<settings::ProgramState&>(state) =
            settings::MakeStartState(settings::LocateProgramPaths("/nonexistent/zarnik"), 1024, 768);
        state.Save = [](AppState&, const settings::WindowState&, std::string&) { return true; };
        if (prepare) prepare(state);
        window = std::make_unique<MainWindow>(state, prompts);
        window->show();
    }
};

}  // namespace zarnik::ui
