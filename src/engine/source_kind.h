// Source kinds: the one table that lists every kind, its extension setting, its
// kind text and the counter that reads it.
#pragma once

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
    const char* KindText;  // always four characters
    CounterId Counter;
};

const KindInfo& KindTable(int kind);

// Kind of a name by the extension lists (the first list holding the extension wins).
int KindFromExtension(const CountOptions& opt, std::string_view name);

// Four-character kind text of a name under the source mode.
const char* KindTextFor(const CountOptions& opt, std::string_view name);

// How one source mode chooses the counter and the kind for the totals.
struct ModeChoice {
    CounterId Counter;
    int TotalsKind;  // -1: use GuessedKind
};
ModeChoice ChooseByMode(const CountOptions& opt, std::string_view name);

// Kind a counted record adds to in the totals; guessedKind stands for mode 4.
int TotalsKindFor(const CountOptions& opt, std::string_view name, int guessedKind);

}  // namespace zarnik::engine
