#include "engine/source_kind.h"

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
    return kKindTable[static_cast<std::size_t>((kind >= 0 && kind < settings::kKindCount) ? kind : NoKind)];
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
    for (int k = 1; k < settings::kKindCount; ++k)
        for (const auto& e : opt.Extensions[static_cast<std::size_t>(k)])
            if (text::EqualsNoCase(ext, e)) return k;
    return NoKind;
}

int KindByName(const CountOptions& opt, std::string_view name) {
    if (opt.Mode == SourceMode::ByExtension || opt.Mode == SourceMode::Guess)
        return KindFromExtension(opt, name);
    return ForcedLanguage(opt.Mode);
}

const char* KindTextFor(const CountOptions& opt, std::string_view name) {
    return KindTable(KindByName(opt, name)).KindText;
}

ModeChoice ChooseByMode(const CountOptions& opt, std::string_view name) {
    if (opt.Mode == SourceMode::Guess) return {CounterId::Guess, -1};
    if (opt.Mode == SourceMode::ByExtension) {
        int k = KindFromExtension(opt, name);
        return {KindTable(k).Counter, k};
    }
    const SourceKind language = ForcedLanguage(opt.Mode);
    if (language == NoKind) return {CounterId::None, NoKind};
    // A header kind of the language keeps its own totals.
    const int k = KindFromExtension(opt, name);
    return {KindTable(language).Counter, KindTable(k).Language == language ? k : language};
}

int KindInFamily(const CountOptions& opt, std::string_view name, SourceKind guessed) {
    int k = KindFromExtension(opt, name);
    return KindTable(k).Counter == KindTable(guessed).Counter ? k : guessed;
}

}  // namespace zarnik::engine
