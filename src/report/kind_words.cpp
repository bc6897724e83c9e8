#include "report/kind_words.h"

#include "engine/counter_generic.h"
#include "engine/source_kind.h"

namespace zarnik::report {

KindWords WordsOfKind(int kind) {
    const auto& set = engine::InstalledLanguages();
    const int index = engine::TableIndex(kind);
    if (set && index >= 0 && static_cast<std::size_t>(index) < set->KindColumns.size()) {
        const auto i = static_cast<std::size_t>(index);
        const engine::Language& l = set->Table.Languages[i];
        return {set->KindColumns[i].c_str(), l.TotalsLabel.c_str(), l.AverageLabel.c_str(), ""};
    }
    return kKindWords[static_cast<std::size_t>((kind >= 0 && kind < engine::kKindCount) ? kind : 0)];
}

const char* KindColumnFor(const engine::CountOptions& opt, std::string_view name) {
    return WordsOfKind(engine::ShownKind(opt, name)).Column;
}

}  // namespace zarnik::report
