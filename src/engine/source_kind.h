// Source kinds: the one table of what the engine knows of every kind (its
// extension key, counter and language). The report's words for a kind are in
// report/kind_words.h and the dialogs' in ui/kind_labels.h, indexed the same way.
#pragma once

#include <array>
#include <string_view>

#include "engine/options.h"
#include "settings/settings.h"

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

// Table: the rules of the table's language that is the file's kind.
enum class CounterId { None, CFamily, Asm, PlSql, Basic, Guess, Table };

struct KindInfo {
    const char* ExtKey;  // key of the pattern in the INI section Exts (empty for NoKind)
    CounterId Counter;
    // The source kind of the kind's language: a header kind names its source kind,
    // a source kind itself. A source mode that names a language keeps a header kind
    // found by extension; the dialogs show a language's kinds together.
    SourceKind Language;
};

inline constexpr std::array<KindInfo, kKindCount> kKindTable = {{
    {"", CounterId::None, NoKind},
    {settings::kExtsKeys[0].Key, CounterId::CFamily, CSource},
    {settings::kExtsKeys[1].Key, CounterId::CFamily, CSource},
    {settings::kExtsKeys[2].Key, CounterId::Asm, AsmSource},
    {settings::kExtsKeys[3].Key, CounterId::Asm, AsmSource},
    {settings::kExtsKeys[4].Key, CounterId::CFamily, Java},
    {settings::kExtsKeys[5].Key, CounterId::PlSql, Sql},
    {settings::kExtsKeys[6].Key, CounterId::Basic, Basic},
}};

// A kind of the table's languages (kKindCount..) has no key, the counter Table
// and no built-in language.
const KindInfo& KindTable(int kind);

// How many kinds there are: the built-in ones and the installed table's languages.
int KindCount();
// A table language's kind, and the index in the table of a kind (-1: built-in).
constexpr int TableKind(std::size_t index) { return kKindCount + static_cast<int>(index); }
constexpr int TableIndex(int kind) { return kind >= kKindCount ? kind - kKindCount : -1; }

// The kind of the table's language that claims the name when AllLanguages is on
// (by whole name, then by extension), else NoKind.
int KindFromTable(const CountOptions& opt, std::string_view name);

// True for a kind that heads its language (C, assembler, Java, PL/SQL, BASIC sources).
constexpr bool IsLanguage(int kind) {
    return kind > NoKind && kKindTable[static_cast<std::size_t>(kind)].Language == kind;
}

// How many languages the table holds.
constexpr int LanguageCount() {
    int n = 0;
    for (int k = 1; k < kKindCount; ++k) n += IsLanguage(k) ? 1 : 0;
    return n;
}

// The language a source mode counts every file as (NoKind: by extension, by guess,
// or a mode that counts nothing).
SourceKind ForcedLanguage(SourceMode mode);

// Kind of a name by the extension lists (the first list holding the extension wins);
// a name none of them holds is of the kind KindFromTable gives.
int KindOfName(const CountOptions& opt, std::string_view name);

// Kind of a name by the extension lists (the first list holding the extension wins).
int KindFromExtension(const CountOptions& opt, std::string_view name);

// The kind a name's kind column shows under the source mode: its language when the
// mode names one, else the kind of its extension (also in guess mode, whatever the
// guess decides).
int ShownKind(const CountOptions& opt, std::string_view name);

// How one source mode chooses the counter and the kind for the totals.
struct ModeChoice {
    CounterId Counter;
    int TotalsKind;  // -1: the guess decides
};
ModeChoice ChooseByMode(const CountOptions& opt, std::string_view name);
// The same, given ShownKind(opt, name): by extension that is the kind, which is
// then not looked up twice.
ModeChoice ChooseByMode(const CountOptions& opt, std::string_view name, int shownKind);

// Whether a file is counted by the language the interpreter of its first line
// names ("#!"): by extension, with AllLanguages on, a name without an extension
// that no kind claims.
bool MayChooseByFirstLine(const CountOptions& opt, std::string_view name);
// The choice for such a file from its head; CounterId::None when the head names
// no language of the table.
ModeChoice ChooseByFirstLine(const CountOptions& opt, std::string_view name, std::string_view head);
// Whether a file is read beyond the pre-check's head to be counted.
bool ReadsFile(const CountOptions& opt, std::string_view name);

// The kind a file counts as once the guess chose the counter of kind guessed:
// the kind its extension names when that kind has the same counter (Java and C
// headers stay themselves under the C counter), else guessed.
int KindInFamily(const CountOptions& opt, std::string_view name, SourceKind guessed);

}  // namespace zarnik::engine
