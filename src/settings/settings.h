// The settings record S_CNF, its defaults, window placements and the extension
// lists derived from the seven extension patterns.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zarnik::settings {

// One pane's font. Text fields are Shift-JIS.
struct S_SVFINF {
    std::string FaceName;
    std::int32_t PointSize = 9;
    std::string ColorName = "clBlack";
    std::uint8_t StyleBits = 0;  // bit 0 bold, 1 italic, 2 underline, 3 strikeout

    bool operator==(const S_SVFINF&) const = default;
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

struct S_CNF {
    std::int32_t Version = 0;
    std::int32_t ResultUnsaved = 0;
    std::int32_t ToolBar = 1;
    std::int32_t StatusBar = 1;
    std::int32_t YokoBar = 0;
    std::int32_t TlbFlat = 1;
    std::int32_t MemoDsp = 0;
    std::int32_t MemoWid = 100;
    S_SVFINF Font_Fold;
    std::string Bcol_Fold = "clWhite";
    S_SVFINF Font_Memo;
    std::string Bcol_Memo = "clWhite";
    S_SVFINF Font_Rslt;
    std::string Bcol_Rslt = "clWhite";
    std::int32_t TabPos = 0;
    std::int32_t TabDsp = 1;
    std::int32_t VsrcFl = 0;
    std::int32_t EucJis = 0;
    std::int32_t Utf8Src = 1;
    std::int32_t InCmnt = 0;
    std::int32_t AstaOnly = 0;
    std::int32_t RemCmt = 0;
    std::int32_t Kg_Cmt = 0;
    std::int32_t Kg_Non = 0;
    std::int32_t Subfol = 1;
    std::int32_t HeadNA = 1;
    std::int32_t HeadDT = 1;
    std::int32_t FlSort = 1;
    std::int32_t FldNam = 0;
    std::int32_t FldSum = 0;
    std::int32_t Erfout = 1;
    // The nine column switches, addressed by column number 1..9 in this order.
    std::int32_t FmFile = 1;
    std::int32_t FmTime = 1;
    std::int32_t FmSize = 1;
    std::int32_t FmSknd = 1;
    std::int32_t FmAlls = 1;
    std::int32_t FmCmnt = 1;
    std::int32_t FmJitu = 1;
    std::int32_t FmKugy = 1;
    std::int32_t FmCpar = 1;
    std::int32_t FmSizeIndex = 0;
    std::int32_t TabIdx = 0;
    std::int32_t AddKind = 1;
    std::array<std::string, kExtsKeys.size()> Exts;  // patterns for kinds 1..7 (index 0 is kind 1)
    ExtensionLists Lists;                            // derived from Exts by RebuildExtensionLists
    std::int32_t OpenDlgIndex = 0;
    std::string HTM;

    // Column switch 1..9 (FmFile..FmCpar).
    std::int32_t& Column(int number);
    std::int32_t Column(int number) const;
};

// The seven default extension patterns in kind order 1..7.
const std::array<std::string, kExtsKeys.size()>& DefaultExts();

// Fills every field that has a default, leaving Version, ResultUnsaved, Exts and
// OpenDlgIndex alone.
void SetDefaultSettings(S_CNF& cnf);

// A fresh record as start-up leaves it before the INI file is read: defaults,
// default patterns and their lists.
S_CNF MakeDefaultSettings();

struct Rect {
    std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
    bool operator==(const Rect&) const = default;
};

struct MainPlacementRec {
    Rect Bounds;
    std::int32_t Maximized = 0;
    std::int32_t Pnl_H = 120;  // height of the upper pane
    bool operator==(const MainPlacementRec&) const = default;
};

struct Placements {
    MainPlacementRec MainPlacement;
    Rect EditorPlacement;
};

void SetDefaultPlacement(Placements& p, std::int32_t screenWidth, std::int32_t screenHeight);

// The main window's size before anything is stored.
inline constexpr Rect kMainFormSize{0, 0, 460, 380};

// Pulls a stored rectangle onto a screen of w by h, so that the whole window, its
// title bar included, lies on it; a width or height below 1 (a hand-edited INI
// file) takes defaultSize's. paneHeight (may be null) is kept inside the window
// when it is greater than 0.
void FitToScreen(std::int32_t w, std::int32_t h, Rect& rect, std::int32_t* paneHeight = nullptr,
                 const Rect& defaultSize = kMainFormSize);

// Extensions named by one pattern string, in order, duplicates kept.
std::vector<std::string> ExtensionsOf(const std::string& pattern);

void RebuildExtensionLists(S_CNF& cnf);

// An INI integer: decimal that fits 32 bits signed (optional sign), or "0x"/"0X"/"$"
// followed by 1 to 8 hexadecimal digits read as a 32-bit pattern ($FFFFFFFF is -1).
// Anything else is not an integer: false, out untouched.
bool ParseIniInteger(std::string_view text, std::int32_t& out);
std::int32_t IniIntegerOr(std::string_view text, std::int32_t fallback);

// The integer keys of section Settei that map one to one onto S_CNF fields, in the
// order they are written (VsrcFl .. FmSizeIndex).
struct IntKey {
    const char* Key;
    std::int32_t S_CNF::*Field;
};
const std::vector<IntKey>& SetteiIntKeys();

// INI key names of the seven Exts patterns, in kind order 1..7.
const std::array<const char*, kExtsKeys.size()>& ExtsKeys();

}  // namespace zarnik::settings
