// The settings record Settings, its defaults, window placements and the extension
// lists derived from the seven extension patterns.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarnik::settings {

// One pane's font. Text fields are Shift-JIS.
struct PaneFont {
    std::string FaceName;
    std::int32_t PointSize = 9;
    std::string ColorName = "clBlack";
    std::uint8_t StyleBits = 0;  // bit 0 bold, 1 italic, 2 underline, 3 strikeout

    bool operator==(const PaneFont&) const = default;
};

constexpr int kKindCount = 8;  // SourceKind 0..7; the lists use 1..7

// The stored form of each source kind's extension pattern: its key in the INI
// section Exts and the pattern a new INI file starts with, in kind order 1..7.
// The engine's kind table takes its key names from here: the settings are read
// and written below the engine, and a key is spelled once.
struct ExtsKey {
    const char* Key;
    const char* DefaultPattern;
};
inline constexpr std::array<ExtsKey, kKindCount - 1> kExtsKeys = {{
    {"Ched", "*.h"},
    {"Csrc", "*.c,*.cpp"},
    {"Ahed", "*.inc"},
    {"Asrc", "*.asm"},
    {"Java", "*.java"},
    {"Qsrc", "*.sql"},
    {"Bsrc", "*.bas"},
}};

// Extensions with their leading dot, one list per source kind 1..7 (index 0 unused).
using ExtensionLists = std::array<std::vector<std::string>, kKindCount>;

struct Settings {
    std::int32_t Version = 0;
    std::int32_t ResultUnsaved = 0;
    std::int32_t ShowToolBar = 1;
    std::int32_t ShowStatusBar = 1;
    std::int32_t HorizontalScrollBar = 0;
    std::int32_t FlatToolBar = 1;
    std::int32_t ShowMemo = 0;
    std::int32_t MemoWidth = 100;
    PaneFont TargetFont;
    std::string TargetBackground = "clWhite";
    PaneFont MemoFont;
    std::string MemoBackground = "clWhite";
    PaneFont ResultFont;
    std::string ResultBackground = "clWhite";
    std::int32_t TabPosition = 0;
    std::int32_t TabsInRows = 1;
    std::int32_t CounterChoice = 0;
    std::int32_t ConvertEucJis = 0;
    std::int32_t ConvertUtf8 = 1;
    std::int32_t BlankInCommentIsBlank = 0;
    std::int32_t AsteriskLineIsBlank = 0;
    std::int32_t RemComments = 0;
    std::int32_t BlankLinesAsComment = 0;
    std::int32_t BlankLinesOutOfTotal = 0;
    std::int32_t WalkSubfolders = 1;
    std::int32_t HeaderShowsEnvName = 1;
    std::int32_t HeaderShowsDate = 1;
    std::int32_t SortFiles = 1;
    std::int32_t FolderLines = 0;
    std::int32_t FolderSubtotals = 0;
    std::int32_t ErrorLines = 1;
    // The nine column switches, addressed by column number 1..9 in this order.
    std::int32_t ShowName = 1;
    std::int32_t ShowTime = 1;
    std::int32_t ShowSize = 1;
    std::int32_t ShowKind = 1;
    std::int32_t ShowTotal = 1;
    std::int32_t ShowComment = 1;
    std::int32_t ShowExec = 1;
    std::int32_t ShowBlank = 1;
    std::int32_t ShowRatio = 1;
    std::int32_t SizeUnit = 0;
    std::int32_t SelectedTab = 0;
    std::int32_t AddEntriesAtEnd = 1;
    std::array<std::string, kExtsKeys.size()>
        ExtensionPatterns;      // patterns for kinds 1..7 (index 0 is kind 1)
    ExtensionLists Extensions;  // derived from ExtensionPatterns by RebuildExtensionLists
    std::int32_t OpenDialogFilter = 0;
    std::string HelpFile;

    // Column switch 1..9 (ShowName..ShowRatio).
    std::int32_t& Column(int number);
    std::int32_t Column(int number) const;
};

// The seven default extension patterns in kind order 1..7.
const std::array<std::string, kExtsKeys.size()>& DefaultExts();

// Fills every field that has a default, leaving Version, ResultUnsaved, Exts and
// OpenDlgIndex alone.
void SetDefaultSettings(Settings& cnf);

// A fresh record as start-up leaves it before the INI file is read: defaults,
// default patterns and their lists.
Settings MakeDefaultSettings();

struct Rect {
    std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const Rect&) const = default;
};

struct MainWindowPlacement {
    Rect Bounds;
    std::int32_t Maximized = 0;
    std::int32_t TargetPaneHeight = 120;  // height of the upper pane
    bool operator==(const MainWindowPlacement&) const = default;
};

struct Placements {
    MainWindowPlacement MainPlacement;
    Rect EditorPlacement;
};

void SetDefaultPlacement(Placements& p, std::int32_t screenWidth, std::int32_t screenHeight);

// The main window's size before anything is stored.
inline constexpr Rect kMainWindowSize{0, 0, 460, 380};

// Pulls a stored rectangle onto a screen of w by h, so that the whole window, its
// title bar included, lies on it; a width or height below 1 (a hand-edited INI
// file) takes defaultSize's. paneHeight (may be null) is kept inside the window
// when it is greater than 0.
void FitToScreen(std::int32_t w, std::int32_t h, Rect& rect, std::int32_t* paneHeight = nullptr,
                 const Rect& defaultSize = kMainWindowSize);

// Extensions named by one pattern string, in order, duplicates kept.
std::vector<std::string> ExtensionsOf(const std::string& pattern);

void RebuildExtensionLists(Settings& cnf);

// An INI integer: decimal that fits 32 bits signed (optional sign), or "0x"/"0X"/"$"
// followed by 1 to 8 hexadecimal digits read as a 32-bit pattern ($FFFFFFFF is -1).
// Anything else is not an integer: false, out untouched.
bool ParseIniInteger(std::string_view text, std::int32_t& out);
std::int32_t IniIntegerOr(std::string_view text, std::int32_t fallback);

// The integer keys of section Settei that map one to one onto Settings fields, in the
// order they are written (VsrcFl .. FmSizeIndex).
struct IntKey {
    const char* Key;
    std::int32_t Settings::*Field;
};
const std::vector<IntKey>& SetteiIntKeys();

// INI key names of the seven Exts patterns, in kind order 1..7.
const std::array<const char*, kExtsKeys.size()>& ExtsKeys();

}  // namespace zarnik::settings
