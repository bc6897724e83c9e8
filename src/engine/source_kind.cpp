#include "engine/source_kind.h"

#include "engine/counter_generic.h"
#include "text/sjis.h"

namespace zarnik::engine {

namespace {

// Each row's key is the settings' key of the same kind, so Exts[k - 1] is kind k's pattern.
constexpr bool KeysFollowTheSettings() {
    for (std::size_t k = 1; k < kKindTable.size(); ++k)
        if (kKindTable[k].ExtKey != settings::kExtsKeys[k - 1].Key) return false;
    return true;
}
static_assert(KeysFollowTheSettings());

std::string_view ExtensionOf(std::string_view name) {
    std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || name.find('/', dot) != std::string_view::npos) return {};
    return name.substr(dot);
}

}  // namespace

const KindInfo& KindTable(int kind) {
    static constexpr KindInfo kTableKind = {"", CounterId::Table, NoKind};
    if (kind >= kKindCount) return kTableKind;
    return kKindTable[static_cast<std::size_t>((kind >= 0 && kind < kKindCount) ? kind : NoKind)];
}

int KindCount() {
    const auto& set = InstalledLanguages();
    return kKindCount + (set ? static_cast<int>(set->Table.Languages.size()) : 0);
}

int KindFromTable(const CountOptions& opt, std::string_view name) {
    if (!opt.AllLanguages || !opt.Languages) return NoKind;
    const int index = opt.Languages->IndexOfName(name);
    return index >= 0 ? TableKind(static_cast<std::size_t>(index)) : NoKind;
}

int KindOfName(const CountOptions& opt, std::string_view name) {
    const int k = KindFromExtension(opt, name);
    return k != NoKind ? k : KindFromTable(opt, name);
}

SourceKind ForcedLanguage(SourceMode mode) {
    switch (mode) {
        case SourceMode::C:
            return CSource;
        case SourceMode::Asm:
            return AsmSource;
        case SourceMode::Java:
            return Java;
        case SourceMode::PlSql:
            return Sql;
        case SourceMode::Basic:
            return Basic;
        case SourceMode::ByExtension:
        case SourceMode::Guess:
        case SourceMode::None:
            break;
    }
    return NoKind;
}

int KindFromExtension(const CountOptions& opt, std::string_view name) {
    std::string_view ext = ExtensionOf(name);
    if (ext.empty()) return NoKind;
    // Most names hold none of the extensions: a length or a last letter that differs
    // turns one away without the comparison.
    const unsigned char last = text::AsciiLower(static_cast<unsigned char>(ext.back()));
    for (int k = 1; k < kKindCount; ++k)
        for (const auto& e : opt.Extensions[static_cast<std::size_t>(k)])
            if (e.size() == ext.size() && text::AsciiLower(static_cast<unsigned char>(e.back())) == last &&
                text::EqualsNoCase(ext, e))
                return k;
    return NoKind;
}

int ShownKind(const CountOptions& opt, std::string_view name) {
    if (opt.Mode == SourceMode::ByExtension) return KindOfName(opt, name);
    if (opt.Mode == SourceMode::Guess) return KindFromExtension(opt, name);
    return ForcedLanguage(opt.Mode);
}

ModeChoice ChooseByMode(const CountOptions& opt, std::string_view name) {
    if (opt.Mode == SourceMode::Guess) return {CounterId::Guess, -1};
    if (opt.Mode == SourceMode::ByExtension) {
        const int k = KindOfName(opt, name);
        return {KindTable(k).Counter, k};
    }
    const SourceKind language = ForcedLanguage(opt.Mode);
    if (language == NoKind) return {CounterId::None, NoKind};
    // A header kind of the language keeps its own totals.
    const int k = KindFromExtension(opt, name);
    return {KindTable(language).Counter, KindTable(k).Language == language ? k : language};
}

ModeChoice ChooseByMode(const CountOptions& opt, std::string_view name, int shownKind) {
    if (opt.Mode == SourceMode::ByExtension) return {KindTable(shownKind).Counter, shownKind};
    return ChooseByMode(opt, name);
}

bool MayChooseByFirstLine(const CountOptions& opt, std::string_view name) {
    return opt.Mode == SourceMode::ByExtension && opt.AllLanguages && opt.Languages &&
           ExtensionOf(name).empty() && KindOfName(opt, name) == NoKind;
}

ModeChoice ChooseByFirstLine(const CountOptions& opt, std::string_view name, std::string_view head) {
    if (!MayChooseByFirstLine(opt, name) || head.substr(0, 2) != "#!") return {CounterId::None, NoKind};
    std::string_view line = head.substr(0, head.find('\n'));
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const auto& languages = opt.Languages->Table.Languages;
    const Language* l = LanguageOfName(opt.Languages->Table, name, line);
    if (!l) return {CounterId::None, NoKind};
    return {CounterId::Table, TableKind(static_cast<std::size_t>(l - languages.data()))};
}

bool ReadsFile(const CountOptions& opt, std::string_view name) {
    return ChooseByMode(opt, name).Counter != CounterId::None || MayChooseByFirstLine(opt, name);
}

int KindInFamily(const CountOptions& opt, std::string_view name, SourceKind guessed) {
    int k = KindFromExtension(opt, name);
    return KindTable(k).Counter == KindTable(guessed).Counter ? k : guessed;
}

}  // namespace zarnik::engine
