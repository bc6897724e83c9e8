#include "engine/lines.h"

#include <bit>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "text/sjis.h"

namespace zarnik::engine {

namespace {

// Bit k is set when p[k] is a CR, an LF or a NUL, for the 64 bytes from p, or the
// avail bytes left when fewer (the bits past the end stay clear).
std::uint64_t BreakMask(const char* p, std::size_t avail) {
    std::uint64_t mask = 0;
#if defined(__SSE2__)
    if (avail >= 64) {
        const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), nul = _mm_setzero_si128();
        for (int k = 0; k < 4; ++k) {
            __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + std::ptrdiff_t{16} * k));
            __m128i m = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)),
                                     _mm_cmpeq_epi8(v, nul));
            auto bits = static_cast<std::uint32_t>(_mm_movemask_epi8(m));
            mask |= static_cast<std::uint64_t>(bits) << (16 * k);
        }
        return mask;
    }
#endif
    const std::size_t n = avail < 64 ? avail : 64;
    for (std::size_t k = 0; k < n; ++k)
        if (p[k] == '\r' || p[k] == '\n' || p[k] == '\0') mask |= std::uint64_t{1} << k;
    return mask;
}

}  // namespace

LineSplitter::LineSplitter(std::string_view text)
    : p_(text.data()), n_(text.size()), mask_(text.empty() ? 0 : BreakMask(text.data(), text.size())) {}

std::size_t LineSplitter::NextBreak(std::size_t from) {
    for (;;) {
        if (from - block_ < 64) {
            if (std::uint64_t m = mask_ & (~std::uint64_t{0} << (from - block_)))
                return block_ + static_cast<std::size_t>(std::countr_zero(m));
        }
        block_ += 64;
        if (block_ >= n_) return n_;
        mask_ = BreakMask(p_ + block_, n_ - block_);
        if (from < block_) from = block_;
    }
}

}  // namespace zarnik::engine
