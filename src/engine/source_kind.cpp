#include "engine/source_kind.h"

#include "text/sjis.h"

namespace zarnik::engine {

namespace {
const KindInfo kKinds[settings::kKindCount] = {
    {"", "??? ", CounterId::None},          {"Ched", "C   ", CounterId::CFamily},
    {"Csrc", "C   ", CounterId::CFamily},   {"Ahed", "ASM ", CounterId::Asm},
    {"Asrc", "ASM ", CounterId::Asm},       {"Java", "Java", CounterId::CFamily},
    {"Qsrc", "SQL ", CounterId::PlSql},     {"Bsrc", "BAS ", CounterId::Basic},
};

std::string_view ExtensionOf(std::string_view name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || name.find('/', dot) != std::string_view::npos) return {};
    return name.substr(dot);
}
}  // namespace

const KindInfo& KindTable(int kind) { return kKinds[(kind >= 0 && kind < settings::kKindCount) ? kind : 0]; }

int KindFromExtension(const CountOptions& opt, std::string_view name) {
    std::string_view ext = ExtensionOf(name);
    if (ext.empty()) return NoKind;
    for (int k = 1; k < settings::kKindCount; ++k)
        for (const auto& e : opt.Lists[k])
            if (text::EqualsNoCase(ext, e)) return k;
    return NoKind;
}

const char* KindTextFor(const CountOptions& opt, std::string_view name) {
    switch (opt.Mode) {
        case SourceMode::ByExtension:
        case SourceMode::Guess: return kKinds[KindFromExtension(opt, name)].KindText;
        case SourceMode::C: return "C   ";
        case SourceMode::Asm: return "ASM ";
        case SourceMode::Java: return "Java";
        case SourceMode::PlSql: return "SQL ";
        case SourceMode::Basic: return "BAS ";
        case SourceMode::None: break;
    }
    return "??? ";
}

ModeChoice ChooseByMode(const CountOptions& opt, std::string_view name) {
    switch (opt.Mode) {
        case SourceMode::ByExtension: {
            int k = KindFromExtension(opt, name);
            return {kKinds[k].Counter, k};
        }
        case SourceMode::C: return {CounterId::CFamily, KindFromExtension(opt, name) == CHeader ? CHeader : CSource};
        case SourceMode::Asm: return {CounterId::Asm, KindFromExtension(opt, name) == AsmHeader ? AsmHeader : AsmSource};
        case SourceMode::Java: return {CounterId::CFamily, Java};
        case SourceMode::Guess: return {CounterId::Guess, -1};
        case SourceMode::PlSql: return {CounterId::PlSql, Sql};
        case SourceMode::Basic: return {CounterId::Basic, Basic};
        case SourceMode::None: break;
    }
    return {CounterId::None, NoKind};
}

int TotalsKindFor(const CountOptions& opt, std::string_view name, int guessedKind) {
    int k = ChooseByMode(opt, name).TotalsKind;
    return k < 0 ? guessedKind : k;
}

}  // namespace zarnik::engine
