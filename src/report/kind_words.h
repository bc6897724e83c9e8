// The report's words for each source kind, indexed by kind like the engine's
// kind table (engine/source_kind.h).
#pragma once

#include <array>
#include <string_view>

#include "engine/options.h"

namespace zarnik::report {

struct KindWords {
    const char* Column;  // Shift-JIS (ASCII): the kind column, always four characters
    // UTF-8: the labels of the kind's totals and average rows.
    const char* TotalsLabel;
    const char* AverageLabel;
    // Source kinds only (UTF-8): the preview's file name when a source mode counts
    // every file as this language.
    const char* SampleName;
};

inline constexpr std::array<KindWords, engine::kKindCount> kKindWords = {{
    {"??? ", "□???･ｿｰｽ 合計", "□???･ｿｰｽ 平均", ""},
    {"C   ", "□C･ﾍｯﾀﾞ合計", "□C･ﾍｯﾀﾞ平均", ""},
    {"C   ", "□C･ｿｰｽ 合計", "□C･ｿｰｽ 平均", "PELORAND.cpp"},
    {"ASM ", "□ASM･ﾍｯﾀﾞ合計", "□ASM･ﾍｯﾀﾞ平均", ""},
    {"ASM ", "□ASM･ｿｰｽ 合計", "□ASM･ｿｰｽ 平均", "PELORAND.ASM"},
    {"Java", "□Java･ｿｰｽ 合計", "□Java･ｿｰｽ 平均", "Pelorand.java"},
    {"SQL ", "□SQL･ｿｰｽ 合計", "□SQL･ｿｰｽ 平均", "pelorand.sql"},
    {"BAS ", "□BAS･ｿｰｽ 合計", "□BAS･ｿｰｽ 平均", "pelorand.bas"},
}};

// The words of a kind, also of a language of the installed table (kinds
// engine::kKindCount..; they stay valid while it is installed); a value outside
// the kinds has those of no kind (0).
KindWords WordsOfKind(int kind);

// The kind column of a name under the source mode (engine::ShownKind's word).
const char* KindColumnFor(const engine::CountOptions& opt, std::string_view name);

}  // namespace zarnik::report
