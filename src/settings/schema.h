// The settings schema: one row per stored setting of the Settings record, with
// its INI section and key, its type, default, range and the settings dialog's
// text. Loading and saving the INI file, --set, the json report's settings, the
// settings dialog's switches and the defaults all walk these rows, so a new
// switch is one row here.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "settings/settings.h"

namespace zarnik::settings {

class IniFile;

enum class ValueType {
    Switch,  // an int that is on or off
    Choice,  // an int that picks one of Items
    Number,  // any int
    String,
    Font,
    Colour,   // a colour's text (clWhite, $00BBGGRR)
    Pattern,  // a source kind's extension pattern
};

// How a switch or choice reads a value a hand edit left outside its range.
enum class Reading {
    Exact,    // a switch is on only at 1; a choice shows the item of that number, or none
    NonZero,  // any value other than 0 is on, or the choice's second item
};

enum SettingFlag : unsigned {
    // Shapes the counts or the report: --set takes it, the json report lists it.
    kShapesReport = 1,
    // SetDefaultSettings leaves it alone (the patterns, the open dialog's filter).
    kKeptOnReset = 2,
    // Changes the settings dialog's report sample.
    kInPreview = 4,
    // An absent or malformed value in the file reads as the default, not as the
    // value held before the file was read.
    kBadReadsDefault = 8,
    // Added after files without it were written: an absent or malformed value
    // reads as 0, whatever a new file starts with, so that an older file keeps
    // counting as it did; and a 0 is not added to a file that lacks the key.
    kAbsentReadsZero = 16,
};

struct SettingRow {
    const char* Section;
    const char* Key;
    ValueType Type;
    std::int32_t Settings::*Int = nullptr;  // Switch, Choice, Number
    std::string Settings::*Text = nullptr;  // String, Colour
    PaneFont Settings::*Font = nullptr;     // Font
    int Pattern = -1;                       // Pattern: index into ExtensionPatterns
    std::int32_t Default = 0;               // Switch, Choice, Number
    // UTF-8: String, Colour and Pattern's default; a Font's face name (its size,
    // colour and style are PaneFont's own defaults).
    const char* DefaultText = "";
    std::int32_t Min = 0, Max = 0;  // Switch, Choice, Number; not enforced on load
    Reading Reads = Reading::Exact;
    unsigned Flags = 0;
    // UTF-8: the text of the dialog's check box or the caption of its radio group;
    // nullptr when the dialog shows no such control.
    const char* Label = nullptr;
    std::span<const char* const> Items{};  // Choice: the dialog's item texts, UTF-8

    bool Has(SettingFlag f) const { return (Flags & f) != 0; }
    bool IsInt() const { return Int != nullptr; }
};

// The section that holds Settings::LanguagePatterns: one key per language the user
// gave patterns of its own, named as the language.
inline constexpr const char* kLanguagePatternSection = "LangExts";

// Every row, in the order a new INI file holds the keys of each section.
std::span<const SettingRow> SettingRows();

// The row of section and key (exact spelling), or nullptr.
const SettingRow* FindSetting(std::string_view section, std::string_view key);
// The kShapesReport row whose key is key, ignoring case, or nullptr.
const SettingRow* FindReportSetting(std::string_view key);

// The value as the INI file stores it (Shift-JIS for text).
std::string StoredText(const Settings& cnf, const SettingRow& row);
// Reads the row's key from the file; an absent key keeps the value held (an
// empty font keeps the font), unless the row is kBadReadsDefault or
// kAbsentReadsZero.
void ReadSetting(const IniFile& ini, const SettingRow& row, Settings& cnf);
// Sets the row's default.
void ApplyDefault(const SettingRow& row, Settings& cnf);

// A value given as text (UTF-8; a Pattern is stored as Shift-JIS and the
// extension lists are rebuilt). False when an int row's text is no integer.
bool SetFromText(const SettingRow& row, std::string_view utf8, Settings& cnf);

// A switch: whether the run takes it as on.
bool IsOn(const SettingRow& row, const Settings& cnf);
// A choice: the item the value stands for, or -1 for none.
int ShownItem(const SettingRow& row, const Settings& cnf);

}  // namespace zarnik::settings
