// One pass over a line of the C family or of PL/SQL that tells whether it holds
// code, without copying it. The rule is that of StripQuoted (StripSqlQuoted)
// followed by a byte-wise scan for comment marks; what the stripped copy would
// hold is worked out on the way:
//  - a quoted literal, quotes included, reads as one non-blank byte that is no
//    comment mark (its inside is blanked), so nothing inside it opens or closes
//    a comment, inside or outside a block comment;
//  - an escape pair outside a literal (\" in C, '' in PL/SQL) reads the same way;
//  - quotes and pairs are found character by character (a trail byte never is
//    one), comment marks byte by byte (a trail byte may form one).
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "text/sjis.h"

namespace zarnik::engine::detail {

// Byte classes for the skip loops of ScanCommentedLine.
enum : std::uint8_t { kSlash = 1, kLineMark = 2, kStar = 4, kQuoteOrPair = 8, kLead = 16 };

template <char Quote, char PairFirst, char LineMark>
constexpr std::array<std::uint8_t, 256> MakeScanTable() {
    std::array<std::uint8_t, 256> t{};
    for (int c = 0; c < 256; ++c) {
        std::uint8_t v = 0;
        if (c == '/') v |= kSlash;
        if (c == static_cast<unsigned char>(LineMark)) v |= kLineMark;
        if (c == '*') v |= kStar;
        if (c == static_cast<unsigned char>(Quote) || c == static_cast<unsigned char>(PairFirst))
            v |= kQuoteOrPair;
        if (text::IsLeadByte(static_cast<unsigned char>(c))) v |= kLead;
        t[static_cast<std::size_t>(c)] = v;
    }
    return t;
}

// Index just past the literal whose inside starts at j (after its closing quote),
// or the end of the line when it is not closed.
template <char Quote, char PairFirst>
std::size_t SkipLiteral(std::string_view s, std::size_t j) {
    const std::size_t n = s.size();
    while (j < n) {
        const char c = s[j];
        if (c == PairFirst && j + 1 < n && s[j + 1] == Quote)
            j += 2;
        else if (c == Quote)
            return j + 1;
        else
            j += text::CharLength(s, j);
    }
    return n;
}

// Whether the line holds code; inComment carries the block comment ("/*" ... "*/")
// from line to line. LineMark doubled starts a line comment ("//" or "--").
template <char Quote, char PairFirst, char LineMark>
bool ScanCommentedLine(std::string_view s, bool& inComment) {
    static constexpr std::array<std::uint8_t, 256> kTable = MakeScanTable<Quote, PairFirst, LineMark>();
    const std::size_t n = s.size();
    if (n == 0) return false;
    // Without a quote byte nothing is stripped, and the scan is byte-wise throughout.
    const bool quotes = std::memchr(s.data(), Quote, n) != nullptr;
    const std::uint8_t literalBytes = quotes ? (kQuoteOrPair | kLead) : 0;
    // Once code is seen outside a comment, and inside a comment, only these bytes
    // can change anything.
    const std::uint8_t codeStops = kSlash | kLineMark | literalBytes;
    const std::uint8_t commentStops = kStar | literalBytes;
    bool hasCode = false;
    std::size_t i = 0;
    while (i < n) {
        if (inComment || hasCode) {
            const std::uint8_t stops = inComment ? commentStops : codeStops;
            while (i < n && !(kTable[static_cast<unsigned char>(s[i])] & stops)) ++i;
            if (i >= n) break;
        }
        char c = s[i];
        if (quotes) {
            if (c == PairFirst && i + 1 < n && s[i + 1] == Quote) {
                hasCode |= !inComment;
                i += 2;
                continue;
            }
            if (c == Quote) {
                hasCode |= !inComment;
                i = SkipLiteral<Quote, PairFirst>(s, i + 1);
                continue;
            }
            if (text::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < n) {
                // A double-byte character: never a quote, but its trail byte is
                // looked at for comment marks like any byte of the stripped copy.
                hasCode |= !inComment;
                c = s[++i];
            }
        }
        const char next = i + 1 < n ? s[i + 1] : '\0';
        if (c == ' ' || c == '\t') {
            ++i;
        } else if (!inComment) {
            if (c == LineMark && next == LineMark) break;
            if (c == '/' && next == '*') {
                inComment = true;
                i += 2;
            } else {
                hasCode = true;
                ++i;
            }
        } else if (c == '*' && next == '/') {
            inComment = false;
            i += 2;
        } else {
            ++i;
        }
    }
    return hasCode;
}

// Whether a BASIC line holds code once the inside of its double-quoted literals is
// blanked (StripQuoted, Basic variant): outside a continued comment, whether its
// first byte other than blank and TAB is no apostrophe; inside one, whether it
// holds such a byte at all. Blanking changes neither: a literal keeps its quotes,
// an escape pair becomes a full-width blank, and a quote, a pair or a double-byte
// character always begins with a byte that is neither blank nor apostrophe.
inline bool BasicHoldsCode(std::string_view line, bool inComment) {
    for (char c : line) {
        if (c == ' ' || c == '\t') continue;
        return inComment || c != '\'';
    }
    return false;
}

inline constexpr std::string_view kCommentWord = "COMMENT";

// text::FindNoCase(line, "COMMENT"): 1-based position of the word where it begins
// a character, or 0. Lines without "co" (any case) anywhere are passed over
// byte-wise before the search that steps by characters.
inline std::size_t FindCommentWord(std::string_view line) {
    const std::size_t w = kCommentWord.size();
    if (line.size() < w) return 0;
    std::size_t i = 0;
    while (i + w <= line.size() && !((line[i] | 0x20) == 'c' && (line[i + 1] | 0x20) == 'o')) ++i;
    if (i + w > line.size()) return 0;
    for (i = 0; i + w <= line.size(); i += text::IsLeadByte(static_cast<unsigned char>(line[i])) ? 2 : 1)
        if ((line[i] | 0x20) == 'c' && text::EqualsNoCase(line.substr(i, w), kCommentWord)) return i + 1;
    return 0;
}

}  // namespace zarnik::engine::detail
