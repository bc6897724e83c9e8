#include "settings/settings.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <stdexcept>

#include "settings/ini_file.h"
#include "settings/schema.h"

namespace zarnik::settings {

std::int32_t& Settings::Column(int number) {
    std::int32_t* cols[] = {&ShowName,    &ShowTime, &ShowSize,  &ShowKind, &ShowTotal,
                            &ShowComment, &ShowExec, &ShowBlank, &ShowRatio};
    if (number < 1 || number > 9) throw std::out_of_range("column number");
    return *cols[number - 1];
}

std::int32_t Settings::Column(int number) const { return const_cast<Settings*>(this)->Column(number); }

Settings::Settings() {
    for (const SettingRow& row : SettingRows()) ApplyDefault(row, *this);
    RebuildExtensionLists(*this);
}

void SetDefaultSettings(Settings& cnf) {
    for (const SettingRow& row : SettingRows())
        if (!row.Has(kKeptOnReset)) ApplyDefault(row, cnf);
}

Settings MakeDefaultSettings() { return Settings(); }

void SetDefaultPlacement(Placements& p, std::int32_t screenWidth, std::int32_t screenHeight) {
    const Rect& m = kMainWindowSize;
    p.MainPlacement = {
        {(screenWidth - m.Width) / 2, (screenHeight - m.Height) / 2, m.Width, m.Height}, 0, 120};
    p.EditorPlacement = {(screenWidth - 312) / 2, (screenHeight - 382) / 2, 312, 382};
}

void FitToScreen(std::int32_t w, std::int32_t h, Rect& r, std::int32_t* paneHeight, const Rect& defaultSize) {
    // A negative height would otherwise move the top below the screen's bottom.
    if (r.Width < 1) r.Width = defaultSize.Width;
    if (r.Height < 1) r.Height = defaultSize.Height;
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

void RebuildExtensionLists(Settings& cnf) {
    cnf.Extensions[0].clear();
    for (std::size_t k = 1; k < cnf.Extensions.size(); ++k)
        cnf.Extensions[k] = ExtensionsOf(cnf.ExtensionPatterns[k - 1]);
}

const std::string* FindLanguagePattern(const LanguagePatternList& patterns, std::string_view key) {
    const std::string folded = FoldIniName(key);
    for (const auto& [k, pattern] : patterns)
        if (FoldIniName(k) == folded) return &pattern;
    return nullptr;
}

void SetLanguagePattern(LanguagePatternList& patterns, std::string_view key, const std::string& pattern,
                        const std::string& tablePattern) {
    const std::string folded = FoldIniName(key);
    const auto at = std::find_if(patterns.begin(), patterns.end(),
                                 [&](const auto& p) { return FoldIniName(p.first) == folded; });
    if (ExtensionsOf(pattern) == ExtensionsOf(tablePattern)) {
        if (at != patterns.end()) patterns.erase(at);
    } else if (at != patterns.end()) {
        at->second = pattern;
    } else {
        patterns.emplace_back(key, pattern);
    }
}

bool ParseIniInteger(std::string_view t, std::int32_t& out) {
    auto hexDigit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string_view hex;
    if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X'))
        hex = t.substr(2);
    else if (t.size() > 1 && t[0] == '$')
        hex = t.substr(1);
    if (!hex.empty()) {
        if (hex.size() > 8) return false;
        std::uint32_t v = 0;
        for (char c : hex) {
            int d = hexDigit(c);
            if (d < 0) return false;
            v = v << 4 | static_cast<std::uint32_t>(d);
        }
        out = static_cast<std::int32_t>(v);
        return true;
    }
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    if (i == t.size()) return false;
    std::int64_t v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return false;
        v = v * 10 + (t[i] - '0');
        if (v > std::int64_t{1} << 31) return false;
    }
    if (negative) v = -v;
    if (v < INT32_MIN || v > INT32_MAX) return false;
    out = static_cast<std::int32_t>(v);
    return true;
}

std::int32_t IniIntegerOr(std::string_view text, std::int32_t fallback) {
    std::int32_t v = fallback;
    return ParseIniInteger(text, v) ? v : fallback;
}

}  // namespace zarnik::settings
