#include "report/kind_words.h"

#include "engine/source_kind.h"

namespace zarnik::report {

const KindWords& WordsOfKind(int kind) {
    return kKindWords[static_cast<std::size_t>((kind >= 0 && kind < engine::kKindCount) ? kind : 0)];
}

const char* KindColumnFor(const engine::CountOptions& opt, std::string_view name) {
    return WordsOfKind(engine::ShownKind(opt, name)).Column;
}

}  // namespace zarnik::report
