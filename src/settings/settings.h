// The settings record Settings, its defaults, window placements and the extension
// lists derived from the seven extension patterns.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
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

// The extension patterns a user gave languages of the language table in place of
// the table's own: key (the language's name) and pattern, both Shift-JIS as the
// INI file stores them, in file order. A language without a key counts by the
// table's extensions, so a later table reaches every language nobody changed.
using LanguagePatternList = std::vector<std::pair<std::string, std::string>>;

// Every field that is stored in the INI file is a row of the settings schema
// (settings/schema.cpp), which holds its key and its default.
struct Settings {
    // The defaults, the default patterns and their extension lists.
    Settings();

    std::int32_t Version = 0;
    std::int32_t ResultUnsaved = 0;
    std::int32_t ShowToolBar;
    std::int32_t ShowStatusBar;
    std::int32_t HorizontalScrollBar;
    std::int32_t FlatToolBar;
    std::int32_t ShowMemo;
    std::int32_t ShowChart;
    std::int32_t MemoWidth;
    PaneFont TargetFont;
    std::string TargetBackground;
    PaneFont MemoFont;
    std::string MemoBackground;
    PaneFont ResultFont;
    std::string ResultBackground;
    std::int32_t TabPosition;
    std::int32_t TabsInRows;
    std::int32_t CounterChoice;
    std::int32_t ConvertEucJis;
    std::int32_t ConvertUtf8;
    std::int32_t BlankInCommentIsBlank;
    std::int32_t AsteriskLineIsBlank;
    std::int32_t RemComments;
    std::int32_t BlankLinesAsComment;
    std::int32_t BlankLinesOutOfTotal;
    std::int32_t WalkSubfolders;
    std::int32_t FollowGitIgnore;
    std::int32_t AccurateCFamily;
    std::int32_t AllLanguages;
    std::int32_t HeaderShowsEnvName;
    std::int32_t HeaderShowsDate;
    std::int32_t SortFiles;
    std::int32_t FolderLines;
    std::int32_t FolderSubtotals;
    std::int32_t ErrorLines;
    // The nine column switches, addressed by column number 1..9 in this order.
    std::int32_t ShowName;
    std::int32_t ShowTime;
    std::int32_t ShowSize;
    std::int32_t ShowKind;
    std::int32_t ShowTotal;
    std::int32_t ShowComment;
    std::int32_t ShowExec;
    std::int32_t ShowBlank;
    std::int32_t ShowRatio;
    std::int32_t SizeUnit;
    std::int32_t SelectedTab;
    std::int32_t AddEntriesAtEnd;
    std::array<std::string, kExtsKeys.size()>
        ExtensionPatterns;      // patterns for kinds 1..7 (index 0 is kind 1)
    ExtensionLists Extensions;  // derived from ExtensionPatterns by RebuildExtensionLists
    LanguagePatternList LanguagePatterns;
    std::int32_t OpenDialogFilter;
    std::string HelpFile;

    // Column switch 1..9 (ShowName..ShowRatio).
    std::int32_t& Column(int number);
    std::int32_t Column(int number) const;
};

// Fills every field that has a default, leaving Version, ResultUnsaved, Exts and
// OpenDlgIndex alone.
void SetDefaultSettings(Settings& cnf);

// A fresh record as start-up leaves it before the INI file is read: defaults,
// default patterns and their lists (as Settings() makes it).
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

// The pattern stored under a language's key, the key's letter case ignored as the
// INI file ignores it; nullptr when there is none.
const std::string* FindLanguagePattern(const LanguagePatternList& patterns, std::string_view key);
// Stores a language's pattern under its key; a pattern naming the same extensions
// as the table's (tablePattern) removes the key instead.
void SetLanguagePattern(LanguagePatternList& patterns, std::string_view key, const std::string& pattern,
                        const std::string& tablePattern);

// An INI integer: decimal that fits 32 bits signed (optional sign), or "0x"/"0X"/"$"
// followed by 1 to 8 hexadecimal digits read as a 32-bit pattern ($FFFFFFFF is -1).
// Anything else is not an integer: false, out untouched.
bool ParseIniInteger(std::string_view text, std::int32_t& out);
std::int32_t IniIntegerOr(std::string_view text, std::int32_t fallback);

}  // namespace zarnik::settings
