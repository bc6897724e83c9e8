#include "engine/lines.h"

#include <cstring>

#include "text/sjis.h"

namespace zarnik::engine {

void LineList::Split(std::string_view text) {
    clear();
    // The text ends at its first NUL byte.
    if (const void* nul = std::memchr(text.data(), 0, text.size()))
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
// Replaces every backslash followed by quote (character-wise, left to right) by the
// full-width blank.
void ReplaceEscaped(std::string& s, char quote) {
    std::size_t pos = 0;
    while (pos < s.size()) {
        if (s[pos] == '\\' && pos + 1 < s.size() && s[pos + 1] == quote) {
            s[pos] = '\x81';
            s[pos + 1] = '\x40';
            pos += 2;
        } else {
            pos += text::CharLength(s, pos);
        }
    }
}
}  // namespace

std::string_view StripQuoted(std::string_view line, QuoteVariant variant, std::string& out) {
    if (line.find('"') == std::string_view::npos) return line;
    out.assign(line);
    ReplaceEscaped(out, '"');
    if (variant == QuoteVariant::Basic) ReplaceEscaped(out, '\'');
    // Compact in place: inside a literal each character becomes one blank byte.
    bool inLiteral = false;
    std::size_t w = 0;
    for (std::size_t r = 0; r < out.size();) {
        std::size_t n = text::CharLength(out, r);
        if (out[r] == '"') {
            inLiteral = !inLiteral;
            out[w++] = '"';
        } else if (inLiteral) {
            out[w++] = ' ';
        } else {
            for (std::size_t k = 0; k < n; ++k) out[w++] = out[r + k];
        }
        r += n;
    }
    out.resize(w);
    return out;
}

std::string StripQuoted(std::string_view line, QuoteVariant variant) {
    std::string buf;
    return std::string(StripQuoted(line, variant, buf));
}

}  // namespace zarnik::engine
