// What counting needs from the settings, made once per run. Each integer switch of
// the settings record is read here and nowhere else, so every counter and the
// settings dialog agree on what a stored value means.
#pragma once

#include "settings/settings.h"

namespace zarnik::engine {

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
    settings::ExtensionLists Extensions;  // by kind 1..7

    static CountOptions From(const settings::Settings& cnf);
};

}  // namespace zarnik::engine
