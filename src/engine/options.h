// What counting needs to know: which counter a file gets and the rules it counts
// by. run::CountOptionsFrom makes it from the settings once per run.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <vector>

namespace zarnik::engine {

struct LanguageSet;

// The built-in source kinds 0..7 (engine/source_kind.h names them); 0 is no kind.
// The languages of the loaded table follow as kinds kKindCount.. in table order.
inline constexpr int kKindCount = 8;

// Extensions with their leading dot, one list per source kind 1..7 (index 0 unused).
using ExtensionLists = std::array<std::vector<std::string>, kKindCount>;

// How a file's counter and kind are chosen (the setting VsrcFl).
enum class SourceMode {
    ByExtension = 0,  // the extension lists
    C = 1,
    Asm = 2,
    Java = 3,
    Guess = 4,  // C or assembler from the first line holding a marker
    PlSql = 5,
    Basic = 6,
    None = 7,  // a stored value outside 0..6: nothing is counted
};

struct CountOptions {
    SourceMode Mode = SourceMode::ByExtension;
    // A blank line inside a block comment is a comment line (InCmnt 0); otherwise
    // it is a blank line.
    bool BlankInCommentIsComment = true;
    // A line of only asterisks inside a C comment is a blank line (AstaOnly 1).
    bool AsteriskLineIsBlank = false;
    // REM and "'" comment lines in C, assembler and PL/SQL files (RemCmt not 0).
    bool RemComments = false;
    // Blank lines add to the comment lines (Kg_Cmt 1) / leave the total (Kg_Non 1).
    bool BlankAddsToComment = false;
    bool BlankLeavesTotal = false;
    // Lines in EUC or JIS are converted to Shift-JIS, with the shift state running
    // on from file to file (EucJis 1).
    bool ConvertEucJis = false;
    // A file whose whole text is UTF-8 is converted to Shift-JIS first, and the
    // EUC/JIS converter does not see it (Utf8Src anything but 0).
    bool ConvertUtf8 = true;
    ExtensionLists Extensions;  // by kind 1..7
    // The language table (may be null), and whether C, C++ and Java files whose
    // extension an accurate entry of it lists are counted by its rules (CLexer 1).
    std::shared_ptr<const LanguageSet> Languages;
    bool AccurateCFamily = false;
    // Files the built-in kinds do not claim but a language of the table does are
    // counted as that language (AllLang 1); otherwise they are not counted.
    bool AllLanguages = false;
};

}  // namespace zarnik::engine
