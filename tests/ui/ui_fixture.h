// The main window over a fresh state, as most desktop tests start: no INI file is
// read or written, messages are collected instead of shown.
#pragma once

#include <QStringList>
#include <functional>
#include <memory>

#include "ui/main_window.h"

namespace zarnik::ui {

struct WindowFixture {
    AppState state;
    std::unique_ptr<MainWindow> window;
    QStringList messages;  // "title:text"

    // prepare adjusts the state before the window is made.
    explicit WindowFixture(const std::function<void(AppState&)>& prepare = {}) {
        static_cast<settings::ProgramState&>(state) =
            settings::MakeStartState(settings::LocateProgramPaths("/nonexistent/zarnik"), 1024, 768);
        state.Save = [](AppState&, const settings::WindowState&, std::string&) { return true; };
        if (prepare) prepare(state);
        window = std::make_unique<MainWindow>(state);
        window->ShowMessage = [this](const QString& title, const QString& t) { messages << title + ":" + t; };
        window->show();
    }
};

}  // namespace zarnik::ui
