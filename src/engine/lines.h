// Lines of a source file and the per-line checks every counter shares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/file_status.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zarnik::engine {

// The lines of a text one after another, without their line breaks: the text
// ends at its first NUL byte; a line ends at a CR, an LF or the end of the text,
// and after it one CR and then one LF are skipped (CR LF, CR and LF each end a
// line; LF CR ends one and starts an empty one; a break at the very end adds no
// empty line). Breaks are looked for 64 bytes at a time.
class LineSplitter {
public:
    explicit LineSplitter(std::string_view text);
    bool Next(std::string_view& line) {
        if (pos_ >= n_) return false;
        std::size_t end = NextBreak(pos_);
        if (end < n_ && p_[end] == '\0') {
            n_ = end;  // the text ends here
            if (end == pos_) return false;
        }
        line = {p_ + pos_, end - pos_};
        pos_ = end;
        if (pos_ < n_ && p_[pos_] == '\r') ++pos_;
        if (pos_ < n_ && p_[pos_] == '\n') ++pos_;
        return true;
    }

private:
    std::size_t NextBreak(std::size_t from);

    const char* p_;
    std::size_t n_;
    std::size_t pos_ = 0;
    std::size_t block_ = 0;  // offset of the 64-byte block that mask_ describes
    std::uint64_t mask_;     // bit k: p_[block_ + k] is a CR, an LF or a NUL
};

struct LineCheck {
    FileStatus Status;  // Counted, or Unfit (512 bytes or longer)
    bool NonBlank;      // holds a byte other than blank, TAB, CR and LF
    std::size_t First;  // index of the first byte other than blank and TAB (the size when none)
};

#if defined(__SSE2__)
// The first position at or after i that bits(at) (one bit per byte of the 16 at
// at) marks, or n when none does; n is at least 16. Lines are short, so the last
// 16 bytes of the line cover what is left after the whole sixteens.
template <typename Bits>
[[gnu::always_inline]] inline std::size_t FirstMarkedBy16(std::size_t i, std::size_t n, Bits bits) {
    for (; i + 16 <= n; i += 16)
        if (unsigned m = bits(i)) return i + static_cast<std::size_t>(__builtin_ctz(m));
    if (i < n)
        if (unsigned m = bits(n - 16) >> (16 - (n - i)))
            return i + static_cast<std::size_t>(__builtin_ctz(m));
    return n;
}
#endif

// Index of the first byte of s[0, n) other than blank and TAB, or n. Indentation
// mixes blanks and TABs, so a byte-wise walk mispredicts its end on most lines;
// 16 bytes are looked at together and the last 16 of the line cover the rest.
inline std::size_t FirstNonBlank(const char* s, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    if (n >= 16) {
        const __m128i blank = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t');
        return FirstMarkedBy16(i, n, [&](std::size_t at) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + at));
            __m128i white = _mm_or_si128(_mm_cmpeq_epi8(v, blank), _mm_cmpeq_epi8(v, tab));
            return ~static_cast<unsigned>(_mm_movemask_epi8(white)) & 0xFFFFu;
        });
    }
#endif
    while (i < n && (s[i] == ' ' || s[i] == '\t')) ++i;
    return i;
}

// The checks of a line of a text, which never holds a NUL byte (the text ends at
// the first): only the length and the first byte that is not white space need to
// be looked at.
inline LineCheck CheckLoadedLine(std::string_view line) {
    if (line.size() >= 512) return {FileStatus::Unfit, false, line.size()};
    const std::size_t first = FirstNonBlank(line.data(), line.size());
    bool nonBlank = first < line.size();
    // A line the converter made may hold a CR or an LF, which is white space here.
    if (nonBlank && (line[first] == '\r' || line[first] == '\n')) {
        nonBlank = false;
        for (std::size_t i = first; i < line.size() && !nonBlank; ++i)
            nonBlank = line[i] != ' ' && line[i] != '\t' && line[i] != '\r' && line[i] != '\n';
    }
    return {FileStatus::Counted, nonBlank, first};
}

// True when the first word of the line is "Rem" (any case); words are separated
// by blank, TAB and comma. It is asked of nearly every line when Rem lines count,
// so the three letters are compared where the word starts and the word is not
// walked to its end first.
inline bool IsRemLine(std::string_view line) {
    auto isSep = [](char c) { return c == ' ' || c == '\t' || c == ','; };
    std::size_t i = 0;
    while (i < line.size() && isSep(line[i])) ++i;
    // Setting bit 0x20 folds only 'R', 'E' and 'M' onto 'r', 'e' and 'm'.
    return line.size() - i >= 3 && (line[i] | 0x20) == 'r' && (line[i + 1] | 0x20) == 'e' &&
           (line[i + 2] | 0x20) == 'm' && (line.size() - i == 3 || isSep(line[i + 3]));
}

}  // namespace zarnik::engine
