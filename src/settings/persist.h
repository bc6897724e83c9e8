// What the program remembers between runs: the INI file (settings, window
// placement, folders, environments, toolbar place) and the memo files; where they
// live; reading them at start-up and writing them at every close request.
//
// The window is not known here: what only the window knows at close comes in as a
// WindowState, and what it needs at start-up is in ProgramState.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/env_merge.h"
#include "settings/environments.h"
#include "settings/ini_file.h"
#include "settings/safe_file.h"
#include "settings/settings.h"

namespace zarnik::settings {

struct ProgramPaths {
    std::string ProgramFolder;  // native; the program file's folder, ending in "/"
    std::string DataFolder;     // native; where the INI and memo files live, ending in "/"
    std::string IniPath;        // native; where saves write the INI file
    // native; the INI file read at start-up: IniPath, or, while nothing has been
    // saved to the config folder yet, the file beside a program whose folder
    // cannot be written. Its memo files lie beside it.
    std::string ReadIniPath;
    std::string HelpPath;  // native; the help file, named after the program with ".hlp"
    // The folders last used by the open, save and folder dialogs (Shift-JIS); at
    // first the program's folder without its trailing "/".
    std::string OpenFolder;
    std::string SaveFolder;
    std::string BrowseFolder;
};

// $XDG_CONFIG_HOME when set to an absolute path, else ~/.config.
std::string ConfigHome();

// The INI file is named after the program file ("zarnik" -> "zarnik.ini"). It and
// the memo files lie beside the program when its folder is writable, else in
// configHome/zarnik/, which the first save creates. Until that save, an INI file
// beside the program that can be read is the one read at start-up. The help file lies
// beside the program when it is there (a build or unpacked folder), else in
// ../share/zarnik/ (an installed program in <prefix>/bin finds it in <prefix>/share/zarnik/).
ProgramPaths LocateProgramPaths(const std::string& programFile, const std::string& configHome);
ProgramPaths LocateProgramPaths(const std::string& programFile);

// Whether the INI file read at start-up is not the one saves write, and so worth
// telling the user at start-up.
bool ReadsElsewhereThanItWrites(const ProgramPaths& paths);

// An INI file named by the user: the memo files lie beside it.
ProgramPaths PathsForIniFile(const std::string& programFile, const std::string& iniPath);

// The toolbar's dock place (section MainToolBar).
struct ToolBarRecord {
    std::int32_t Rev = 2;
    std::int32_t Visible = 1;
    std::string DockedTo = "TopDock";  // "TopDock", "BottomDock", "LeftDock", "RightDock" or "+" (floating)
    std::int32_t DockRow = 0;
    std::int32_t DockPos = 0;
    std::int32_t FloatLeft = 0;
    std::int32_t FloatTop = 0;
    bool operator==(const ToolBarRecord&) const = default;
};

// One value of the INI file as a save writes it, and what the file held for it at
// the last load or save (nullopt: no key).
struct IniValue {
    std::string Section, Key, Value;
    std::optional<std::string> Stored;
    bool operator==(const IniValue&) const = default;
};

// Everything that is read at start-up and written at close.
struct ProgramState {
    ProgramPaths Paths;
    Settings Cnf;
    Placements Place;  // MainPlacement (bounds, maximized, upper pane) and EditorPlacement
    std::optional<ToolBarRecord> ToolBar;  // set when the INI file holds a record with Rev 2
    EnvList Envs;
    // What the files held at the last load or save (StoredEnvs: their environments,
    // one per position): a save writes only what changed since (env_merge.h), over
    // what the files hold then.
    std::vector<StoredEnv> StoredEnvs;
    std::vector<IniValue> StoredSettings, StoredToolBar;
    LanguagePatternList StoredLanguagePatterns;
    std::optional<std::string> StoredDiffOld, StoredDiffNew;
    // The old and the new version the last change count compared (native target
    // lines, as typed).
    std::string DiffOld, DiffNew;
};

// The state before the INI file is read: default settings and patterns with their
// lists, default placement on a screen of the given size, no environments.
ProgramState MakeStartState(ProgramPaths paths, std::int32_t screenWidth, std::int32_t screenHeight);

struct LoadReport {
    bool IniFound = false;
    // The INI file exists but could not be read: defaults are in use, and every save
    // fails (rather than replace a file it could not read) until it can be read.
    bool IniUnreadable = false;
    // Memo files that exist but could not be read (native paths). Their
    // environments keep them untouched (Environment::KeptMemoFile); the user should be told.
    std::vector<std::string> UnreadableMemos;
    // What the user should be told about the save's own files (a commit record or
    // a lock file set aside), in Shift-JIS.
    std::vector<std::string> Notices;
};

enum class LoadPurpose {
    // The desktop program's start: a save that died after its commit record was in
    // place is finished first (creating the lock file when needed).
    Start,
    // Only reading (zarnik-count --ini, --env): the files are read as they are and
    // nothing on disk changes; a save in progress is waited for.
    ReadOnly,
};

// Reads the INI file over the state when it exists, then the environments and
// their memo files; without a file the list holds one environment "開発環境(1)".
LoadReport LoadSettings(ProgramState& state, LoadPurpose purpose = LoadPurpose::Start);

// What only the main window knows when it is asked to close.
struct WindowState {
    bool Maximized = false;
    Rect Bounds;                    // the window's bounds, used when it is not maximized
    std::int32_t PaneHeight = 120;  // the upper pane's height
    std::int32_t TabIndex = 0;      // the current tab
    Lines TargetLines;              // the target list of the current tab (native)
    Lines MemoLines;                // the memo pane of the current tab (Shift-JIS)
    ToolBarRecord ToolBar;
};

// Stores the window's state into the state, then writes the INI file and the memo
// files whole, as one transaction and one save at a time (see safe_file.h).
// Returns what the user should be told although the save succeeded (Shift-JIS).
// Throws SaveFailure with "%s に書き込めません" (INI) or "ﾌｧｲﾙ %s を作成できません"
// (memo); the caller shows it and keeps the window open. The files on disk are
// then as before the save, or, when a rename failed after the commit record was in
// place, the next start finishes the save.
std::vector<std::string> SaveSettings(ProgramState& state, const WindowState& window);

// "%s に書き込めません" for an INI path (native), in Shift-JIS.
std::string IniWriteMessage(const std::string& iniPath);

// "face,size,colour,style", e.g. "ＭＳ ゴシック,9,clBlack,0".
std::string FontToText(const PaneFont& font);
// Fields split at commas, empty ones dropped; each field found replaces its part:
// face, size (9 when not an integer), colour, style (low 8 bits, 0 when not an
// integer). An empty text changes nothing.
void TextToFont(std::string_view text, PaneFont& font);

// The environment a command line names: a number 1 .. n is a position, anything
// else the first environment of that name (Shift-JIS). Position 0-based, or -1.
int FindEnvironment(const EnvList& envs, std::string_view numberOrName);

}  // namespace zarnik::settings
