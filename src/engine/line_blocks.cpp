#include "engine/line_blocks.h"

#include <algorithm>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define ZARNIK_X86 1
#endif

namespace zarnik::engine::detail {

namespace {

// A block's 64 bytes: the text's own, or, for a block that runs past the end, a
// copy padded with blanks (no break, no mark, nothing but white space).
struct BlockBytes {
    const char* p;
    std::size_t n;
    char padded[64];
    const char* At(std::size_t block) {
        const std::size_t at = block * 64;
        if (at + 64 <= n) return p + at;
        std::memset(padded, ' ', 64);
        if (at < n) std::memcpy(padded, p + at, n - at);
        return padded;
    }
};

#if !defined(ZARNIK_X86)

template <int Count>
void FindScalar(const char* p, std::size_t n, std::size_t blocks, const BytesAsked& asked, ByteMasks* out) {
    BlockBytes bytes{p, n, {}};
    for (std::size_t b = 0; b < blocks; ++b) {
        const char* q = bytes.At(b);
        ByteMasks m{};
        for (int k = 0; k < 64; ++k) {
            const char c = q[k];
            const std::uint64_t bit = std::uint64_t{1} << k;
            if (c == '\r') m.Cr |= bit;
            if (c == '\n') m.Lf |= bit;
            if (c == '\0') m.Nul |= bit;
            if (c == ' ' || c == '\t') m.White |= bit;
            for (int i = 0; i < Count; ++i)
                if (static_cast<char>(c | asked.Fold[i]) == asked.Value[i]) m.Byte[i] |= bit;
        }
        ByteMasks& o = out[b];
        o.Cr = m.Cr;
        o.Lf = m.Lf;
        o.Nul = m.Nul;
        o.White = m.White;
        std::copy(m.Byte, m.Byte + Count, o.Byte);
    }
}

#else

template <int Count>
void FindSse2(const char* p, std::size_t n, std::size_t blocks, const BytesAsked& asked, ByteMasks* out) {
    BlockBytes bytes{p, n, {}};
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), nul = _mm_setzero_si128(),
                  blank = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t');
    __m128i value[4], fold[4];
    for (int i = 0; i < 4; ++i) {
        value[i] = _mm_set1_epi8(asked.Value[i]);
        fold[i] = _mm_set1_epi8(asked.Fold[i]);
    }
    for (std::size_t b = 0; b < blocks; ++b) {
        const char* q = bytes.At(b);
        const __m128i v[4] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16)),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 32)),
                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 48))};
        auto where = [&](auto same) {
            std::uint64_t m = 0;
            for (int k = 0; k < 4; ++k)
                m |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(same(v[k]))))
                     << (16 * k);
            return m;
        };
        ByteMasks& m = out[b];
        m.Cr = where([&](__m128i x) { return _mm_cmpeq_epi8(x, cr); });
        m.Lf = where([&](__m128i x) { return _mm_cmpeq_epi8(x, lf); });
        m.Nul = where([&](__m128i x) { return _mm_cmpeq_epi8(x, nul); });
        m.White =
            where([&](__m128i x) { return _mm_or_si128(_mm_cmpeq_epi8(x, blank), _mm_cmpeq_epi8(x, tab)); });
        for (int i = 0; i < Count; ++i)
            m.Byte[i] = where([&](__m128i x) { return _mm_cmpeq_epi8(_mm_or_si128(x, fold[i]), value[i]); });
    }
}

// The 64 bits of two 32-byte compare results.
[[gnu::target("avx2")]] inline std::uint64_t Bits(__m256i lo, __m256i hi) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(lo)) |
           static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(hi))) << 32;
}

template <int Count>
[[gnu::target("avx2")]] void FindAvx2(const char* p, std::size_t n, std::size_t blocks,
                                      const BytesAsked& asked, ByteMasks* out) {
    BlockBytes bytes{p, n, {}};
    const __m256i cr = _mm256_set1_epi8('\r'), lf = _mm256_set1_epi8('\n'), nul = _mm256_setzero_si256(),
                  blank = _mm256_set1_epi8(' '), tab = _mm256_set1_epi8('\t');
    __m256i value[4], fold[4];
    for (int i = 0; i < 4; ++i) {
        value[i] = _mm256_set1_epi8(asked.Value[i]);
        fold[i] = _mm256_set1_epi8(asked.Fold[i]);
    }
    for (std::size_t b = 0; b < blocks; ++b) {
        const char* q = bytes.At(b);
        const __m256i lo = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q)),
                      hi = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q + 32));
        ByteMasks& m = out[b];
        m.Cr = Bits(_mm256_cmpeq_epi8(lo, cr), _mm256_cmpeq_epi8(hi, cr));
        m.Lf = Bits(_mm256_cmpeq_epi8(lo, lf), _mm256_cmpeq_epi8(hi, lf));
        m.Nul = Bits(_mm256_cmpeq_epi8(lo, nul), _mm256_cmpeq_epi8(hi, nul));
        m.White = Bits(_mm256_or_si256(_mm256_cmpeq_epi8(lo, blank), _mm256_cmpeq_epi8(lo, tab)),
                       _mm256_or_si256(_mm256_cmpeq_epi8(hi, blank), _mm256_cmpeq_epi8(hi, tab)));
        for (int i = 0; i < Count; ++i)
            m.Byte[i] = Bits(_mm256_cmpeq_epi8(_mm256_or_si256(lo, fold[i]), value[i]),
                             _mm256_cmpeq_epi8(_mm256_or_si256(hi, fold[i]), value[i]));
    }
}

template <int Count>
[[gnu::target("avx512bw")]] void FindAvx512(const char* p, std::size_t n, std::size_t blocks,
                                            const BytesAsked& asked, ByteMasks* out) {
    BlockBytes bytes{p, n, {}};
    const __m512i cr = _mm512_set1_epi8('\r'), lf = _mm512_set1_epi8('\n'), nul = _mm512_setzero_si512(),
                  blank = _mm512_set1_epi8(' '), tab = _mm512_set1_epi8('\t');
    __m512i value[4], fold[4];
    for (int i = 0; i < 4; ++i) {
        value[i] = _mm512_set1_epi8(asked.Value[i]);
        fold[i] = _mm512_set1_epi8(asked.Fold[i]);
    }
    for (std::size_t b = 0; b < blocks; ++b) {
        const __m512i v = _mm512_loadu_si512(bytes.At(b));
        ByteMasks& m = out[b];
        m.Cr = _mm512_cmpeq_epi8_mask(v, cr);
        m.Lf = _mm512_cmpeq_epi8_mask(v, lf);
        m.Nul = _mm512_cmpeq_epi8_mask(v, nul);
        m.White = _mm512_cmpeq_epi8_mask(v, blank) | _mm512_cmpeq_epi8_mask(v, tab);
        for (int i = 0; i < Count; ++i)
            m.Byte[i] = _mm512_cmpeq_epi8_mask(_mm512_or_si512(v, fold[i]), value[i]);
    }
}

#endif

}  // namespace

bool Supports(Simd simd) {
#if defined(ZARNIK_X86)
    switch (simd) {
        case Simd::Sse2:
            return true;
        case Simd::Avx2:
            return __builtin_cpu_supports("avx2");
        case Simd::Avx512:
            return __builtin_cpu_supports("avx512bw");
    }
#endif
    return simd == Simd::Sse2;
}

bool BitInstructions() {
#if defined(ZARNIK_X86)
    return __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi") &&
           __builtin_cpu_supports("bmi2");
#else
    return false;
#endif
}

Simd BestSimd() {
    static const Simd best = Supports(Simd::Avx512) ? Simd::Avx512
                             : Supports(Simd::Avx2) ? Simd::Avx2
                                                    : Simd::Sse2;
    return best;
}

namespace {

template <int Count>
void FindCount(const char* p, std::size_t n, std::size_t blocks, const BytesAsked& asked, ByteMasks* out,
               Simd simd) {
#if defined(ZARNIK_X86)
    switch (simd) {
        case Simd::Avx512:
            return FindAvx512<Count>(p, n, blocks, asked, out);
        case Simd::Avx2:
            return FindAvx2<Count>(p, n, blocks, asked, out);
        case Simd::Sse2:
            return FindSse2<Count>(p, n, blocks, asked, out);
    }
#else
    (void)simd;
    FindScalar<Count>(p, n, blocks, asked, out);
#endif
}

}  // namespace

void FindBytes(const char* p, std::size_t n, std::size_t blocks, const BytesAsked& asked, ByteMasks* out,
               Simd simd) {
    switch (asked.Count) {
        case 1:
            return FindCount<1>(p, n, blocks, asked, out, simd);
        case 2:
            return FindCount<2>(p, n, blocks, asked, out, simd);
        case 3:
            return FindCount<3>(p, n, blocks, asked, out, simd);
        default:
            return FindCount<4>(p, n, blocks, asked, out, simd);
    }
}

void FindBytes(const char* p, std::size_t n, std::size_t blocks, const BytesAsked& asked, ByteMasks* out) {
    FindBytes(p, n, blocks, asked, out, BestSimd());
}

}  // namespace zarnik::engine::detail
