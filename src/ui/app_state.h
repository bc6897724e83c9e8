// What the desktop program keeps for its whole run: the live settings, the window
// placements, the environments and the persisted toolbar place.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "settings/settings.h"

namespace zarnik::ui {

// The toolbar's place as kept in section MainToolBar.
struct ToolBarRecord {
    bool Present = false;  // read from an INI file with Rev 2
    int Visible = 1;
    std::string DockedTo = "TopDock";  // "TopDock", "BottomDock", "LeftDock", "RightDock" or "+"
    int DockRow = 0, DockPos = 0, FloatLeft = 0, FloatTop = 0;
};

// The window's side of a save.
struct WindowState {
    bool Maximized = false;
    settings::Rect Bounds;  // current bounds when not maximized
    int PaneHeight = 120;
    int TabIdx = 0;
    std::vector<std::string> TargetLines;  // the current environment's panes, Shift-JIS
    std::vector<std::string> MemoLines;
    ToolBarRecord ToolBar;
};

struct Environment {
    std::string Name;  // Shift-JIS
    std::vector<std::string> TargetLines;
    std::vector<std::string> MemoLines;
};

struct AppState {
    settings::S_CNF Cnf = settings::MakeDefaultSettings();
    settings::Placements Place;
    ToolBarRecord ToolBar;
    std::vector<Environment> Envs;  // in tab order; never empty once loaded
    std::string HelpFile;

    // Writes the INI and memo files; on failure returns false and sets error to the
    // message to show (Shift-JIS). Installed by the program; tests replace it.
    std::function<bool(AppState&, const WindowState&, std::string& error)> Save;
};

}  // namespace zarnik::ui
