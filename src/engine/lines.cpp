#include "engine/lines.h"

#include <cstring>

#include "text/sjis.h"

namespace zarnik::engine {

void LineList::Split(std::string_view text) {
    clear();
    // The text ends at its first NUL byte.
    if (const void* nul = text.empty() ? nullptr : std::memchr(text.data(), 0, text.size()))
        text = text.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - text.data()));
    base_ = text.data();
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        const char* start = p;
        while (p < end && *p != '\r' && *p != '\n') ++p;
        spans_.push_back({static_cast<std::size_t>(start - base_), static_cast<std::size_t>(p - start)});
        // One CR, then one LF: CR LF, CR and LF each end a line; LF CR ends a line
        // and starts an empty one.
        if (p < end && *p == '\r') ++p;
        if (p < end && *p == '\n') ++p;
    }
}

void LineList::Append(std::string_view line) {
    std::size_t start = own_.size();
    own_.append(line);
    CommitOwn(start);
}

LineCheck CheckLine(std::string_view line) {
    if (line.size() >= 512) return {3, false};
    bool nonBlank = false;
    for (char ch : line) {
        switch (ch) {
            case '\0': return {2, nonBlank};
            case ' ':
            case '\t':
            case '\r':
            case '\n': break;
            default: nonBlank = true;
        }
    }
    return {0, nonBlank};
}

bool IsRemLine(std::string_view line, bool on) {
    if (!on) return false;
    auto isSep = [](char c) { return c == ' ' || c == '\t' || c == ','; };
    std::size_t i = 0;
    while (i < line.size() && isSep(line[i])) ++i;
    std::size_t start = i;
    while (i < line.size() && !isSep(line[i])) ++i;
    return i - start == 3 && text::EqualsNoCase(line.substr(start, 3), "Rem");
}

namespace {
// Replaces every pair first, second (found character-wise, left to right) by the
// full-width blank; the search goes on behind the inserted blank.
void ReplacePairs(std::string& s, char first, char second) {
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
void BlankLiterals(std::string& s, char quote) {
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
}  // namespace

std::string_view StripQuoted(std::string_view line, QuoteVariant variant, std::string& out) {
    if (line.find('"') == std::string_view::npos) return line;
    out.assign(line);
    ReplacePairs(out, '\\', '"');
    if (variant == QuoteVariant::Basic) ReplacePairs(out, '\\', '\'');
    BlankLiterals(out, '"');
    return out;
}

std::string_view StripSqlQuoted(std::string_view line, std::string& out) {
    if (line.find('\'') == std::string_view::npos) return line;
    out.assign(line);
    ReplacePairs(out, '\'', '\'');  // a doubled apostrophe stands for one
    BlankLiterals(out, '\'');
    return out;
}

std::string StripQuoted(std::string_view line, QuoteVariant variant) {
    std::string buf;
    return std::string(StripQuoted(line, variant, buf));
}

std::string StripSqlQuoted(std::string_view line) {
    std::string buf;
    return std::string(StripSqlQuoted(line, buf));
}

}  // namespace zarnik::engine
