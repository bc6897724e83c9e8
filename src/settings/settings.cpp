#include "settings/settings.h"

#include <stdexcept>

#include "text/sjis.h"

namespace zarnik::settings {

std::int32_t& S_CNF::Column(int number) {
    std::int32_t* cols[] = {&FmFile, &FmTime, &FmSize, &FmSknd, &FmAlls, &FmCmnt, &FmJitu, &FmKugy, &FmCpar};
    if (number < 1 || number > 9) throw std::out_of_range("column number");
    return *cols[number - 1];
}

std::int32_t S_CNF::Column(int number) const { return const_cast<S_CNF*>(this)->Column(number); }

const std::array<std::string, 7>& DefaultExts() {
    static const std::array<std::string, 7> exts = {"*.h", "*.c,*.cpp", "*.inc", "*.asm", "*.java", "*.sql", "*.bas"};
    return exts;
}

void SetDefaultSettings(S_CNF& cnf) {
    static const std::string proportional = text::Utf8ToSjis("ＭＳ Ｐゴシック");
    static const std::string fixed = text::Utf8ToSjis("ＭＳ ゴシック");
    S_CNF d;  // member initialisers hold the defaults
    d.Font_Fold = {proportional, 9, "clBlack", 0};
    d.Font_Memo = {proportional, 9, "clBlack", 0};
    d.Font_Rslt = {fixed, 9, "clBlack", 0};
    d.Version = cnf.Version;
    d.ResultUnsaved = cnf.ResultUnsaved;
    d.Exts = std::move(cnf.Exts);
    d.Lists = std::move(cnf.Lists);
    d.OpenDlgIndex = cnf.OpenDlgIndex;
    cnf = std::move(d);
}

S_CNF MakeDefaultSettings() {
    S_CNF cnf;
    SetDefaultSettings(cnf);
    cnf.Exts = DefaultExts();
    RebuildExtensionLists(cnf);
    return cnf;
}

void SetDefaultPlacement(Placements& p, std::int32_t screenWidth, std::int32_t screenHeight) {
    p.MainPlacement = {{(screenWidth - 460) / 2, (screenHeight - 380) / 2, 460, 380}, 0, 120};
    p.EditorPlacement = {(screenWidth - 312) / 2, (screenHeight - 382) / 2, 312, 382};
}

void FitToScreen(std::int32_t w, std::int32_t h, Rect& r, std::int32_t* paneHeight) {
    if (w < r.Width) r.Width = w;
    if (h < r.Height) r.Height = h;
    // Sums in 64 bits: a hand-edited INI file may hold any 32-bit values.
    if (std::int64_t{r.Top} + r.Height >= h) r.Top = h - r.Height;
    if (r.Top < 0) r.Top = 0;
    if (std::int64_t{r.Left} + r.Width >= w) r.Left = w - r.Width;
    if (r.Left < 0) r.Left = 0;
    if (paneHeight && *paneHeight > 0) {
        if (r.Height <= *paneHeight) *paneHeight = r.Height - 4;
        if (*paneHeight < 4) *paneHeight = 4;
    }
}

std::vector<std::string> ExtensionsOf(const std::string& pattern) {
    std::vector<std::string> out;
    auto isSep = [](char c) { return c == ' ' || c == '\t' || c == ','; };
    std::size_t pos = 0;
    const std::size_t end = pattern.find(';');
    const std::size_t limit = end == std::string::npos ? pattern.size() : end;
    while (pos < limit) {
        while (pos < limit && isSep(pattern[pos])) ++pos;
        std::size_t start = pos;
        while (pos < limit && !isSep(pattern[pos])) ++pos;
        if (start == pos) break;
        std::string_view item(pattern.data() + start, pos - start);
        std::size_t dot = item.rfind('.');
        std::size_t sep = item.rfind('/');
        if (dot != std::string_view::npos && (sep == std::string_view::npos || dot > sep))
            out.emplace_back(item.substr(dot));
    }
    return out;
}

void RebuildExtensionLists(S_CNF& cnf) {
    cnf.Lists[0].clear();
    for (int k = 1; k < kKindCount; ++k) cnf.Lists[k] = ExtensionsOf(cnf.Exts[k - 1]);
}

}  // namespace zarnik::settings
