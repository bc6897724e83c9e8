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

int KindFromExtension(const settings::S_CNF& cnf, std::string_view name) {
    std::string_view ext = ExtensionOf(name);
    if (ext.empty()) return NoKind;
    for (int k = 1; k < settings::kKindCount; ++k)
        for (const auto& e : cnf.Lists[k])
            if (text::EqualsNoCase(ext, e)) return k;
    return NoKind;
}

const char* KindTextFor(const settings::S_CNF& cnf, std::string_view name) {
    switch (cnf.VsrcFl) {
        case 0:
        case 4: return kKinds[KindFromExtension(cnf, name)].KindText;
        case 1: return "C   ";
        case 2: return "ASM ";
        case 3: return "Java";
        case 5: return "SQL ";
        case 6: return "BAS ";
        default: return "??? ";
    }
}

ModeChoice ChooseByMode(const settings::S_CNF& cnf, std::string_view name) {
    switch (cnf.VsrcFl) {
        case 0: {
            int k = KindFromExtension(cnf, name);
            return {kKinds[k].Counter, k};
        }
        case 1: return {CounterId::CFamily, KindFromExtension(cnf, name) == CHeader ? CHeader : CSource};
        case 2: return {CounterId::Asm, KindFromExtension(cnf, name) == AsmHeader ? AsmHeader : AsmSource};
        case 3: return {CounterId::CFamily, Java};
        case 4: return {CounterId::Guess, -1};
        case 5: return {CounterId::PlSql, Sql};
        case 6: return {CounterId::Basic, Basic};
        default: return {CounterId::None, NoKind};
    }
}

int TotalsKindFor(const settings::S_CNF& cnf, std::string_view name, int guessedKind) {
    int k = ChooseByMode(cnf, name).TotalsKind;
    return k < 0 ? guessedKind : k;
}

}  // namespace zarnik::engine
