// What the desktop program keeps for its whole run: the live settings, the window
// placements, the environments, the persisted toolbar place and the file paths.
#pragma once

#include <functional>
#include <string>

#include "settings/persist.h"

namespace zarnik::ui {

struct AppState : settings::ProgramState {
    std::string HelpFile;  // native path
    // The change count's two-revision form as last used (native), for this run of
    // the program only: the INI keeps the folder form's lines.
    bool DiffByRevision = false;
    std::string DiffRepository, DiffOldRevision, DiffNewRevision;

    // Writes the INI and memo files; on failure returns false and sets error to the
    // message to show (Shift-JIS). A save that succeeded may still leave in error
    // what the user should be told. Tests replace it.
    std::function<bool(AppState&, const settings::WindowState&, std::string& error)> Save =
        [](AppState& state, const settings::WindowState& window, std::string& error) {
            try {
                for (const std::string& notice : settings::SaveSettings(state, window))
                    error += (error.empty() ? "" : "\r\n") + notice;
                return true;
            } catch (const settings::SaveFailure& e) {
                error = e.what();
                return false;
            }
        };
};

}  // namespace zarnik::ui
