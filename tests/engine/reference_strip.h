// The two-step form of the rules the one-pass line scanners follow: first the
// inside of quoted literals is blanked, then the copy is scanned byte-wise for
// comment marks. The scanners are checked against it.
#pragma once

#include <string>
#include <string_view>

#include "text/sjis.h"

namespace zarnik::engine::reference {

enum class QuoteVariant { C, Basic };

// Replaces every pair first, second (found character-wise, left to right) by the
// full-width blank; the search goes on behind the inserted blank.
inline void ReplacePairs(std::string& s, char first, char second) {
    std::size_t pos = 0;
    while (pos < s.size()) {
        if (s[pos] == first && pos + 1 < s.size() && s[pos + 1] == second) {
            s[pos] = '\x81';
            s[pos + 1] = '\x40';
            pos += 2;
        } else {
            pos += text::CharLength(s, pos);
        }
    }
}

// Blanks the inside of the literals delimited by quote, in place: a quote toggles
// the literal and stays, each character inside becomes one blank byte (so the text
// may get shorter). A literal never runs past the end of the text.
inline void BlankLiterals(std::string& s, char quote) {
    bool inLiteral = false;
    std::size_t w = 0;
    for (std::size_t r = 0; r < s.size();) {
        std::size_t n = text::CharLength(s, r);
        if (s[r] == quote) {
            inLiteral = !inLiteral;
            s[w++] = quote;
        } else if (inLiteral) {
            s[w++] = ' ';
        } else {
            for (std::size_t k = 0; k < n; ++k) s[w++] = s[r + k];
        }
        r += n;
    }
    s.resize(w);
}

// The line with the inside of its double-quoted literals blanked.
inline std::string StripQuoted(std::string_view line, QuoteVariant variant) {
    std::string out(line);
    if (line.find('"') == std::string_view::npos) return out;
    ReplacePairs(out, '\\', '"');
    if (variant == QuoteVariant::Basic) ReplacePairs(out, '\\', '\'');
    BlankLiterals(out, '"');
    return out;
}

// The line with the inside of its single-quoted literals blanked; a doubled
// apostrophe inside or outside a literal first becomes a full-width blank.
inline std::string StripSqlQuoted(std::string_view line) {
    std::string out(line);
    if (line.find('\'') == std::string_view::npos) return out;
    ReplacePairs(out, '\'', '\'');  // a doubled apostrophe stands for one
    BlankLiterals(out, '\'');
    return out;
}

}  // namespace zarnik::engine::reference
