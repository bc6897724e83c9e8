// Source kinds: the one table that describes every kind. Whatever tells kinds
// apart (the extension lists, the counters, the report's kind column, totals rows
// and preview, the extension and open dialogs) reads it from here.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "engine/options.h"

namespace zarnik::engine {

enum SourceKind : int {
    NoKind = 0,
    CHeader = 1,
    CSource = 2,
    AsmHeader = 3,
    AsmSource = 4,
    Java = 5,
    Sql = 6,
    Basic = 7,
};

enum class CounterId { None, CFamily, Asm, PlSql, Basic, Guess };

struct KindInfo {
    const char* ExtKey;    // key of the pattern in the INI section Exts (empty for NoKind)
    const char* KindText;  // the report's kind column, always four characters
    CounterId Counter;
    // The source kind of the kind's language: a header kind names its source kind,
    // a source kind itself. A source mode that names a language keeps a header kind
    // found by extension; the dialogs show a language's kinds together.
    SourceKind Language;
    // UTF-8: the labels of the kind's totals and average rows.
    const char* TotalsLabel;
    const char* AverageLabel;
    // Source kinds only (UTF-8): the preview's file name when a source mode counts
    // every file as this language, the extension dialog's group caption and the
    // open dialog's filter name.
    const char* SampleName;
    const char* GroupCaption;
    const char* FilterName;
};

inline constexpr std::array<KindInfo, settings::kKindCount> kKindTable = {{
    {"", "??? ", CounterId::None, NoKind, "□???･ｿｰｽ 合計", "□???･ｿｰｽ 平均", "", "", ""},
    {settings::kExtsKeys[0].Key, "C   ", CounterId::CFamily, CSource, "□C･ﾍｯﾀﾞ合計", "□C･ﾍｯﾀﾞ平均", "", "",
     ""},
    {settings::kExtsKeys[1].Key, "C   ", CounterId::CFamily, CSource, "□C･ｿｰｽ 合計", "□C･ｿｰｽ 平均",
     "PELORAND.cpp", "Ｃ、Ｃ＋＋", "Ｃ言語"},
    {settings::kExtsKeys[2].Key, "ASM ", CounterId::Asm, AsmSource, "□ASM･ﾍｯﾀﾞ合計", "□ASM･ﾍｯﾀﾞ平均", "", "",
     ""},
    {settings::kExtsKeys[3].Key, "ASM ", CounterId::Asm, AsmSource, "□ASM･ｿｰｽ 合計", "□ASM･ｿｰｽ 平均",
     "PELORAND.ASM", "アセンブラ", "ｱｾﾝﾌﾞﾗ"},
    {settings::kExtsKeys[4].Key, "Java", CounterId::CFamily, Java, "□Java･ｿｰｽ 合計", "□Java･ｿｰｽ 平均",
     "Pelorand.java", "Ｊａｖａ", "Java"},
    {settings::kExtsKeys[5].Key, "SQL ", CounterId::PlSql, Sql, "□SQL･ｿｰｽ 合計", "□SQL･ｿｰｽ 平均",
     "pelorand.sql", "PL/SQL", "PL/SQL"},
    {settings::kExtsKeys[6].Key, "BAS ", CounterId::Basic, Basic, "□BAS･ｿｰｽ 合計", "□BAS･ｿｰｽ 平均",
     "pelorand.bas", "VB(BASIC)", "BASIC"},
}};

const KindInfo& KindTable(int kind);

// True for a kind that heads its language (C, assembler, Java, PL/SQL, BASIC sources).
constexpr bool IsLanguage(int kind) {
    return kind > NoKind && kKindTable[static_cast<std::size_t>(kind)].Language == kind;
}

// How many languages the table holds.
constexpr int LanguageCount() {
    int n = 0;
    for (int k = 1; k < settings::kKindCount; ++k) n += IsLanguage(k) ? 1 : 0;
    return n;
}

// The language a source mode counts every file as (NoKind: by extension, by guess,
// or a mode that counts nothing).
SourceKind ForcedLanguage(SourceMode mode);

// Kind of a name by the extension lists (the first list holding the extension wins).
int KindFromExtension(const CountOptions& opt, std::string_view name);

// Kind of a name under the source mode: by its extension when the mode goes by
// the extension or guesses, else the language the mode names.
int KindByName(const CountOptions& opt, std::string_view name);

// Four-character kind text of a name under the source mode.
const char* KindTextFor(const CountOptions& opt, std::string_view name);

// How one source mode chooses the counter and the kind for the totals.
struct ModeChoice {
    CounterId Counter;
    int TotalsKind;  // -1: the guess decides
};
ModeChoice ChooseByMode(const CountOptions& opt, std::string_view name);

// The kind a file counts as once the guess chose the counter of kind guessed:
// the kind its extension names when that kind has the same counter (Java and C
// headers stay themselves under the C counter), else guessed.
int KindInFamily(const CountOptions& opt, std::string_view name, SourceKind guessed);

}  // namespace zarnik::engine
