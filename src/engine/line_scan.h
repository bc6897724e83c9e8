// One pass over a line of the C family or of PL/SQL that tells whether it holds
// code, without copying it. The rule is that of blanking the inside of the quoted
// literals first and then scanning the copy byte-wise for comment marks; what the
// stripped copy would hold is worked out on the way:
//  - a quoted literal, quotes included, reads as one non-blank byte that is no
//    comment mark (its inside is blanked), so nothing inside it opens or closes
//    a comment, inside or outside a block comment;
//  - an escape pair outside a literal (\" in C, '' in PL/SQL) reads the same way;
//  - quotes and pairs are found character by character (a trail byte never is
//    one), comment marks byte by byte (a trail byte may form one).
#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

#include "engine/line_blocks.h"
#include "engine/lines.h"
#include "text/sjis.h"

#if defined(__SSE2__) || defined(__x86_64__)
#include <immintrin.h>
#endif

namespace zarnik::engine::detail {

#if defined(__SSE2__)
// FindStop's search of a line of 16 bytes or more, the four bytes and the high
// bit (vh: 0x80 in every lane, or 0) given as vectors.
[[gnu::always_inline]] inline std::size_t FindStopVectors(const char* s, std::size_t i, std::size_t n,
                                                          __m128i va, __m128i vb, __m128i vc, __m128i vd,
                                                          __m128i vh) {
    return FirstMarkedBy16(i, n, [&](std::size_t at) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
        __m128i m = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, va), _mm_cmpeq_epi8(v, vb)),
                                 _mm_or_si128(_mm_cmpeq_epi8(v, vc), _mm_cmpeq_epi8(v, vd)));
        return static_cast<unsigned>(_mm_movemask_epi8(_mm_or_si128(m, _mm_and_si128(v, vh))));
    });
}
#endif

// Position of the first byte at or after i that is a, b, c or d, or (when high
// is set) 0x80 or above; n when there is none. Lines are short, so 16 bytes are
// looked at together and the last 16 of the line cover the rest.
[[gnu::always_inline]] inline std::size_t FindStop(const char* s, std::size_t i, std::size_t n, char a,
                                                   char b, char c, char d, bool high) {
#if defined(__SSE2__)
    if (n >= 16)
        return FindStopVectors(s, i, n, _mm_set1_epi8(a), _mm_set1_epi8(b), _mm_set1_epi8(c),
                               _mm_set1_epi8(d),
                               high ? _mm_set1_epi8(static_cast<char>(0x80)) : _mm_setzero_si128());
#endif
    for (; i < n; ++i) {
        const char ch = s[i];
        if (ch == a || ch == b || ch == c || ch == d || (high && static_cast<unsigned char>(ch) >= 0x80))
            return i;
    }
    return n;
}

// Four bytes FindStop stops at (and bytes of 0x80 or above), each made into a
// vector once where the same four are looked for line after line.
struct StopSet {
    alignas(16) char Byte[4][16] = {};
};

inline StopSet MakeStopSet(char a, char b, char c, char d) {
    StopSet set;
    const char bytes[4] = {a, b, c, d};
    for (int k = 0; k < 4; ++k)
        for (char& x : set.Byte[k]) x = bytes[k];
    return set;
}

// FindStop(s, i, n, the set's four bytes, true).
[[gnu::always_inline]] inline std::size_t FindStop(const char* s, std::size_t i, std::size_t n,
                                                   const StopSet& set) {
#if defined(__SSE2__)
    if (n >= 16) {
        auto vector = [&](int k) { return _mm_load_si128(reinterpret_cast<const __m128i*>(set.Byte[k])); };
        return FindStopVectors(s, i, n, vector(0), vector(1), vector(2), vector(3),
                               _mm_set1_epi8(static_cast<char>(0x80)));
    }
#endif
    return FindStop(s, i, n, set.Byte[0][0], set.Byte[1][0], set.Byte[2][0], set.Byte[3][0], true);
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

// The bytes of a line of at most 64 bytes that are each of five, as bit masks
// (bit i for byte i).
struct ShortLineBits {
    std::uint64_t Slash = 0, Star = 0, Quote = 0, White = 0, Mark = 0;
};

#if defined(__x86_64__)
// With AVX-512 the line is loaded as it stands: the bytes past its end are never read.
template <char Quote, char LineMark>
[[gnu::target("avx512bw")]] ShortLineBits BitsOfShortLineAvx512(const char* s, std::size_t n) {
    const __mmask64 valid = n == 64 ? ~__mmask64{0} : (__mmask64{1} << n) - 1;
    const __m512i v = _mm512_maskz_loadu_epi8(valid, s);
    ShortLineBits b;  // (a lambda would not take the function's target)
    b.Slash = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('/'));
    b.Star = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('*'));
    b.Quote = _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(Quote));
    b.White =
        _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(' ')) | _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8('\t'));
    b.Mark = LineMark == '/' ? b.Slash : _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(LineMark));
    return b;
}
#endif

template <char Quote, char LineMark>
ShortLineBits BitsOfShortLinePortable(const char* s, std::size_t n) {
    ShortLineBits b;
#if defined(__SSE2__)
    alignas(16) char buf[64] = {};
    std::memcpy(buf, s, n);
    for (unsigned k = 0; k < 4; ++k) {
        const __m128i v = _mm_load_si128(reinterpret_cast<const __m128i*>(buf + std::size_t{16} * k));
        auto bits = [&](char c) {
            return std::uint64_t{
                       static_cast<std::uint16_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(c))))}
                   << (16 * k);
        };
        b.Slash |= bits('/');
        b.Star |= bits('*');
        b.Quote |= bits(Quote);
        b.White |= bits(' ') | bits('\t');
        if constexpr (LineMark != '/') b.Mark |= bits(LineMark);
    }
#else
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint64_t bit = std::uint64_t{1} << i;
        b.Slash |= s[i] == '/' ? bit : 0;
        b.Star |= s[i] == '*' ? bit : 0;
        b.Quote |= s[i] == Quote ? bit : 0;
        b.White |= s[i] == ' ' || s[i] == '\t' ? bit : 0;
        b.Mark |= s[i] == LineMark ? bit : 0;
    }
#endif
    if constexpr (LineMark == '/') b.Mark = b.Slash;
    return b;
}

template <char Quote, char LineMark>
ShortLineBits BitsOfShortLine(const char* s, std::size_t n) {
#if defined(__x86_64__)
    static const bool avx512 = Supports(Simd::Avx512);
    if (avx512) return BitsOfShortLineAvx512<Quote, LineMark>(s, n);
#endif
    return BitsOfShortLinePortable<Quote, LineMark>(s, n);
}

// A table language's line of at most 64 bytes as bit masks (bit i for byte i): the
// block comment's opener and closer and the line comments, each at its first byte;
// blank and TAB; and the bytes of stops and those of 0x80 or above.
struct ShortLineMasks {
    std::uint64_t Open = 0, Close = 0, Line = 0, White = 0, Stop = 0;
};

// The masks but Stop, from bits(c): the bytes that are c.
template <class Bits>
[[gnu::always_inline]] inline ShortLineMasks ShortLineMasksOf(Bits bits, const char (&open)[2],
                                                              const char (&close)[2],
                                                              const char (&line)[2][2]) {
    auto pair = [&](const char(&m)[2]) { return bits(m[0]) & (bits(m[1]) >> 1); };
    ShortLineMasks b;
    b.Open = pair(open);
    b.Close = pair(close);
    b.Line = pair(line[0]) | pair(line[1]);
    b.White = bits(' ') | bits('\t');
    return b;
}

// ShortLineMasks::Stop alone: the bytes of stops and those of 0x80 or above.
inline std::uint64_t StopsOfShortLinePortable(const char* s, std::size_t n, const char (&stops)[4]) {
    std::uint64_t m = 0;
    for (std::size_t k = 0; k < n; ++k) {
        const char c = s[k];
        const bool stop = c == stops[0] || c == stops[1] || c == stops[2] || c == stops[3] ||
                          static_cast<unsigned char>(c) >= 0x80;
        m |= std::uint64_t{stop} << k;
    }
    return m;
}

#if defined(__x86_64__)
[[gnu::target("avx512bw")]] inline std::uint64_t StopsOfShortLineAvx512(const char* s, std::size_t n,
                                                                        const char (&stops)[4]) {
    const __mmask64 valid = n == 64 ? ~__mmask64{0} : (__mmask64{1} << n) - 1;
    const __m512i v = _mm512_maskz_loadu_epi8(valid, s);
    return _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(stops[0])) |
           _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(stops[1])) |
           _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(stops[2])) |
           _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(stops[3])) | _mm512_movepi8_mask(v);
}

[[gnu::target("avx512bw")]] inline ShortLineMasks MasksOfShortLineAvx512(const char* s, std::size_t n,
                                                                         const char (&open)[2],
                                                                         const char (&close)[2],
                                                                         const char (&line)[2][2],
                                                                         const char (&stops)[4]) {
    const __mmask64 valid = n == 64 ? ~__mmask64{0} : (__mmask64{1} << n) - 1;
    const __m512i v = _mm512_maskz_loadu_epi8(valid, s);
    // Written out, as a helper without the function's target would not be inlined.
#define ZARNIK_EQ(c) std::uint64_t{_mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(c))}
    ShortLineMasks b;
    b.Open = ZARNIK_EQ(open[0]) & (ZARNIK_EQ(open[1]) >> 1);
    b.Close = ZARNIK_EQ(close[0]) & (ZARNIK_EQ(close[1]) >> 1);
    b.Line = (ZARNIK_EQ(line[0][0]) & (ZARNIK_EQ(line[0][1]) >> 1)) |
             (ZARNIK_EQ(line[1][0]) & (ZARNIK_EQ(line[1][1]) >> 1));
    b.White = ZARNIK_EQ(' ') | ZARNIK_EQ('\t');
    b.Stop = StopsOfShortLineAvx512(s, n, stops);
#undef ZARNIK_EQ
    return b;
}
#endif

inline ShortLineMasks MasksOfShortLinePortable(const char* s, std::size_t n, const char (&open)[2],
                                               const char (&close)[2], const char (&line)[2][2],
                                               const char (&stops)[4]) {
    alignas(16) char buf[64] = {};
    std::memcpy(buf, s, n);
#if defined(__SSE2__)
    __m128i v[4];
    for (unsigned k = 0; k < 4; ++k)
        v[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(buf + std::size_t{16} * k));
    auto movemasks = [&](auto bytes) {
        std::uint64_t m = 0;
        for (unsigned k = 0; k < 4; ++k)
            m |= std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(bytes(v[k])))} << (16 * k);
        return m;
    };
    auto bits = [&](char c) {
        return movemasks([c](__m128i x) { return _mm_cmpeq_epi8(x, _mm_set1_epi8(c)); });
    };
#else
    auto bits = [&](char c) {
        std::uint64_t m = 0;
        for (unsigned k = 0; k < 64; ++k) m |= std::uint64_t{buf[k] == c} << k;
        return m;
    };
#endif
    ShortLineMasks b = ShortLineMasksOf(bits, open, close, line);
    b.Stop = StopsOfShortLinePortable(s, n, stops);
    return b;
}

inline ShortLineMasks MasksOfShortLine(const char* s, std::size_t n, const char (&open)[2],
                                       const char (&close)[2], const char (&line)[2][2],
                                       const char (&stops)[4]) {
#if defined(__x86_64__)
    static const bool avx512 = Supports(Simd::Avx512);
    if (avx512) return MasksOfShortLineAvx512(s, n, open, close, line, stops);
#endif
    return MasksOfShortLinePortable(s, n, open, close, line, stops);
}

inline std::uint64_t StopsOfShortLine(const char* s, std::size_t n, const char (&stops)[4]) {
#if defined(__x86_64__)
    static const bool avx512 = Supports(Simd::Avx512);
    if (avx512) return StopsOfShortLineAvx512(s, n, stops);
#endif
    return StopsOfShortLinePortable(s, n, stops);
}

// ScanCommentedLine for a line of at most 64 bytes that holds no quote, where the
// scan is byte-wise throughout: the comment marks are found in the line's bit masks
// and followed from one to the next, without a branch per byte. -1 when the line
// holds a quote.
template <char Quote, char LineMark>
int ScanShortLine(const char* s, std::size_t n, std::size_t first, bool& inComment) {
    const ShortLineBits b = BitsOfShortLine<Quote, LineMark>(s, n);
    const std::uint64_t valid = n == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << n) - 1;
    if ((b.Quote & valid) != 0) return -1;
    const std::uint64_t code = ~b.White & valid;
    const std::uint64_t opens = b.Slash & (b.Star >> 1);       // "/*" at its "/"
    const std::uint64_t closes = b.Star & (b.Slash >> 1);      // "*/" at its "*"
    const std::uint64_t lineComment = b.Mark & (b.Mark >> 1);  // "//" or "--"
    auto after = [](unsigned mark) { return mark + 2 < 64 ? ~std::uint64_t{0} << (mark + 2) : 0; };
    std::uint64_t from = first < 64 ? ~std::uint64_t{0} << first : 0;  // the bytes not scanned yet
    bool in = inComment, hasCode = false;
    for (;;) {
        if (in) {
            const std::uint64_t close = closes & from;
            if (close == 0) break;
            in = false;
            from = after(static_cast<unsigned>(__builtin_ctzll(close)));
        } else {
            // Every byte up to the next mark other than blank and TAB is code.
            const std::uint64_t next = (opens | lineComment) & from;
            const std::uint64_t before = next != 0 ? (next & (~next + 1)) - 1 : ~std::uint64_t{0};
            hasCode = hasCode || (code & from & before) != 0;
            if (next == 0) break;
            const auto mark = static_cast<unsigned>(__builtin_ctzll(next));
            if ((lineComment >> mark & 1) != 0) break;
            in = true;
            from = after(mark);
        }
    }
    inComment = in;
    return hasCode ? 1 : 0;
}

// ScanCommentedLine byte by byte, for any line.
template <char Quote, char PairFirst, char LineMark>
bool ScanLineBytes(std::string_view line, bool& inComment, std::size_t first) {
    const char* s = line.data();
    const std::size_t n = line.size();
    // Most lines hold no quote and no comment mark that matters in the state the
    // line starts in: inside a comment such a line is comment, outside one it is
    // code unless it is blank.
    const std::size_t stop = FindStop(s, first, n, Quote, '/', LineMark, inComment ? '*' : '/', false);
    if (stop == n) {
        if (inComment) return false;
        for (std::size_t i = first; i < n; ++i)
            if (s[i] != ' ' && s[i] != '\t') return true;
        return false;
    }
    // Without a quote byte nothing is stripped, and the scan is byte-wise throughout;
    // none stands before the first stop.
    const bool quotes = s[stop] == Quote || FindStop(s, stop + 1, n, Quote, Quote, Quote, Quote, false) < n;
    // Once code is seen outside a comment, and inside a comment, only these bytes
    // can change anything; with quotes, double-byte characters too (their second
    // byte is no quote).
    const char q = quotes ? Quote : '*', p = quotes ? PairFirst : '*';
    bool hasCode = false;
    std::size_t i = first;
    while (i < n) {
        if (inComment) {
            i = FindStop(s, i, n, '*', q, p, '*', quotes);
        } else if (hasCode) {
            i = FindStop(s, i, n, '/', LineMark, quotes ? Quote : '/', quotes ? PairFirst : '/', quotes);
        } else {
            while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
        }
        if (i >= n) break;
        char c = s[i];
        if (quotes) {
            if (c == PairFirst && i + 1 < n && s[i + 1] == Quote) {
                hasCode |= !inComment;
                i += 2;
                continue;
            }
            if (c == Quote) {
                hasCode |= !inComment;
                i = SkipLiteral<Quote, PairFirst>(line, i + 1);
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
        // NOLINTNEXTLINE(bugprone-branch-clone): white space and comment text step alike
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
// blanked (a backslash before a double quote or an apostrophe escapes it): outside
// a continued comment, whether its first byte other than blank and TAB is no
// apostrophe; inside one, whether it holds such a byte at all (only blanks and TABs
// stand before first). Blanking changes neither: a literal keeps its quotes,
// an escape pair becomes a full-width blank, and a quote, a pair or a double-byte
// character always begins with a byte that is neither blank nor apostrophe.
inline bool BasicHoldsCode(std::string_view line, bool inComment, std::size_t first = 0) {
    for (char c : line.substr(first)) {
        if (c == ' ' || c == '\t') continue;
        return inComment || c != '\'';
    }
    return false;
}

inline constexpr std::string_view kCommentWord = "COMMENT";

// Whether COMMENT (any case) begins a character at i (i + its length <= the size).
inline bool CommentWordAt(std::string_view line, std::size_t i) {
    if (!text::EqualsNoCase(line.substr(i, kCommentWord.size()), kCommentWord)) return false;
    std::size_t at = 0;
    while (at < i) at += text::CharLength(line, at);
    return at == i;
}

// text::FindNoCase(line, "COMMENT"): 1-based position of the word where it begins
// a character, or 0. Only where "co" (any case) stands is the word compared, and
// only where it matches is the character boundary walked to. Setting bit 0x20
// folds only 'C' onto 'c' and 'O' onto 'o', so one compare per byte does; 16
// places are looked at together (each byte with the one after it).
inline std::size_t FindCommentWord(std::string_view line) {
    const char* s = line.data();
    const std::size_t n = line.size(), w = kCommentWord.size();
    if (n < w) return 0;
    const std::size_t last = n - w;  // the last place the word can begin
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i fold = _mm_set1_epi8(0x20), c = _mm_set1_epi8('c'), o = _mm_set1_epi8('o');
    for (; i + 17 <= n && i <= last; i += 16) {
        __m128i first = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)), fold);
        __m128i second = _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 1)), fold);
        auto m = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(first, c), _mm_cmpeq_epi8(second, o))));
        for (; m != 0; m &= m - 1) {
            const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(m));
            if (at > last) return 0;
            if (CommentWordAt(line, at)) return at + 1;
        }
    }
#endif
    for (; i <= last; ++i)
        if ((s[i] | 0x20) == 'c' && (s[i + 1] | 0x20) == 'o' && CommentWordAt(line, i)) return i + 1;
    return 0;
}

// Whether the line holds code; inComment carries the block comment ("/*" ... "*/")
// from line to line. LineMark doubled starts a line comment ("//" or "--"). Only
// blanks and TABs may stand before first.
template <char Quote, char PairFirst, char LineMark>
bool ScanCommentedLine(std::string_view line, bool& inComment, std::size_t first = 0) {
    if (line.size() <= 64) {
        const int hasCode = ScanShortLine<Quote, LineMark>(line.data(), line.size(), first, inComment);
        if (hasCode >= 0) return hasCode != 0;
    }
    return ScanLineBytes<Quote, PairFirst, LineMark>(line, inComment, first);
}

}  // namespace zarnik::engine::detail
