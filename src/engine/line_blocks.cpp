#include "engine/line_blocks.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#define ZARNIK_X86 1
#endif

namespace zarnik::engine::detail {

namespace {

// A block's 64 bytes: the text's own, or, for a block that runs past the end, a
// copy padded with blanks (no break, no mark, nothing but white space). The copy
// is made before the blocks are looked at, so that the loop over them calls
// nothing and keeps its vector constants in registers.
class BlockBytes {
public:
    BlockBytes(const char* p, std::size_t n, std::size_t blocks) : p_(p), n_(n) {
        if (blocks * 64 <= n) return;
        std::memset(padded_, ' ', sizeof padded_);
        const std::size_t whole = n / 64 * 64;  // where the block holding the text's end starts
        std::memcpy(padded_, p + whole, n - whole);
    }
    const char* At(std::size_t block) const {
        const std::size_t at = block * 64;
        // Past the block holding the text's end, blanks only.
        return at + 64 <= n_ ? p_ + at : padded_ + (at < n_ ? 0 : 64);
    }

private:
    const char* p_;
    std::size_t n_;
    char padded_[128];
};

#if !defined(ZARNIK_X86)

template <int Count>
void FindScalar(const char* p, std::size_t n, std::size_t blocks, const BytesAsked& asked, ByteMasks* out) {
    const BlockBytes bytes(p, n, blocks);
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
    const BlockBytes bytes(p, n, blocks);
    const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n'), nul = _mm_setzero_si128(),
                  blank = _mm_set1_epi8(' '), tab = _mm_set1_epi8('\t');
    __m128i value[std::size_t{Count}], fold[std::size_t{Count}];
    for (int i = 0; i < Count; ++i) {
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
    const BlockBytes bytes(p, n, blocks);
    const __m256i cr = _mm256_set1_epi8('\r'), lf = _mm256_set1_epi8('\n'), nul = _mm256_setzero_si256(),
                  blank = _mm256_set1_epi8(' '), tab = _mm256_set1_epi8('\t');
    __m256i value[std::size_t{Count}], fold[std::size_t{Count}];
    for (int i = 0; i < Count; ++i) {
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
    const BlockBytes bytes(p, n, blocks);
    const __m512i cr = _mm512_set1_epi8('\r'), lf = _mm512_set1_epi8('\n'), nul = _mm512_setzero_si512(),
                  blank = _mm512_set1_epi8(' '), tab = _mm512_set1_epi8('\t');
    __m512i value[std::size_t{Count}], fold[std::size_t{Count}];
    for (int i = 0; i < Count; ++i) {
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

// For each byte of a block, the one before it; for byte 0 the block's last, which
// stands in for the last of the block before until that is put there.
constexpr std::array<std::uint8_t, 64> kByteBefore = [] {
    std::array<std::uint8_t, 64> a{};
    a[0] = 63;
    for (std::size_t i = 1; i < 64; ++i) a[i] = static_cast<std::uint8_t>(i - 1);
    return a;
}();

// Each byte is looked up twice: its index (MarkTables::Index), then its roles by
// its class and the class of the byte before it. Masks taken by the sign bit
// (blank and TAB, roles A and B) use another port than compares and tests.
[[gnu::target("avx512bw,avx512vbmi")]] void FindMarksVbmi(const char* p, std::size_t n, std::size_t blocks,
                                                          const MarkTables& tables, std::uint8_t& before,
                                                          ByteMasks* out) {
    const BlockBytes bytes(p, n, blocks);
    const __m512i cr = _mm512_set1_epi8('\r'), lf = _mm512_set1_epi8('\n'), del = _mm512_set1_epi8(0x7F);
    const __m512i index0 = _mm512_loadu_si512(tables.Index), index1 = _mm512_loadu_si512(tables.Index + 64);
    const __m512i roles = _mm512_loadu_si512(tables.Roles);
    const __m512i byteBefore = _mm512_loadu_si512(kByteBefore.data());
    const __m512i classBefore = _mm512_set1_epi8(0x38);
    const __m512i lineCommentBefore = _mm512_set1_epi8(MarkTables::LineCommentBefore),
                  aBefore = _mm512_set1_epi8(MarkTables::ABefore);
    // The indices turned by one byte (each byte's at the byte after it), the block
    // before's too: its last byte's stands at byte 0.
    __m512i lastTurned = _mm512_set1_epi8(static_cast<char>(before * 9));
    // A line comment whose first byte is a block's last is marked there once the
    // next block is looked at: held here until then.
    std::uint64_t lineComments = 0;
    // The block before's line comments and A, where a mark at its last byte goes (the
    // block before the first was given its marks by the byte after it).
    std::uint64_t dropped[2];
    std::uint64_t *lineCommentsHeld = &dropped[0], *aHeld = &dropped[1];
#pragma GCC unroll 2
    for (std::size_t b = 0; b < blocks; ++b) {
        const __m512i v = _mm512_loadu_si512(bytes.At(b));
        ByteMasks& m = out[b];
        m.Cr = _mm512_cmpeq_epi8_mask(v, cr);
        m.Lf = _mm512_cmpeq_epi8_mask(v, lf);
        m.Nul = _mm512_testn_epi8_mask(v, v);
        // Bytes of 0x80 and above are looked up as DEL, which no language marks.
        const __m512i index = _mm512_permutex2var_epi8(index0, _mm512_min_epu8(v, del), index1);
        m.White = _mm512_movepi8_mask(index);
        // The class before (bits 3 to 5) beside the byte's own (bits 0 to 2).
        const __m512i turned = _mm512_maskz_permutexvar_epi8(~__mmask64{0}, byteBefore, index);
        const __m512i key = _mm512_ternarylogic_epi32(_mm512_mask_blend_epi8(1, turned, lastTurned), index,
                                                      classBefore, 0xE4);
        lastTurned = turned;
        // (the masked form: GCC 12 takes the plain one's source for uninitialised)
        const __m512i r = _mm512_maskz_permutexvar_epi8(~__mmask64{0}, key, roles);
        m.Byte[1] = _mm512_movepi8_mask(_mm512_add_epi8(r, r));
        // A line comment's mark, at the byte before, may fall in the block before.
        std::uint64_t lineCommentAfter = _cvtmask64_u64(_mm512_test_epi8_mask(r, lineCommentBefore));
        asm("" : "+r"(lineCommentAfter));  // shifted in a general register, not a mask's
        *lineCommentsHeld = lineComments | lineCommentAfter << 63;
        lineComments = lineCommentAfter >> 1;
        lineCommentsHeld = &m.Byte[2];
        // A's masks go to memory as they are: moved to general registers to be
        // worked on, they took this loop a quarter more time. A backslash before a
        // line break is rare.
        m.Byte[0] = _mm512_movepi8_mask(r);
        const __mmask64 ab = _mm512_test_epi8_mask(r, aBefore);
        if (!_kortestz_mask64_u8(ab, ab)) [[unlikely]] {
            const std::uint64_t bits = _cvtmask64_u64(ab);
            asm("" ::: "memory");  // A read back here, not kept in a register meanwhile
            m.Byte[0] |= bits >> 1;
            *aHeld |= (bits & 1) << 63;
        }
        aHeld = &m.Byte[0];
    }
    if (blocks == 0) return;
    // The last block's pairs that run into the text's next byte; the text's end
    // ends its last line.
    before = tables.Class[static_cast<unsigned char>(bytes.At(blocks - 1)[63])];
    const std::size_t end = blocks * 64;
    const std::uint8_t next = tables.Class[static_cast<unsigned char>(end < n ? p[end] : '\n')];
    const std::uint8_t runsOn = tables.Roles[8 * before + next];
    out[blocks - 1].Byte[0] |= std::uint64_t{(runsOn & MarkTables::ABefore) != 0} << 63;
    out[blocks - 1].Byte[2] = lineComments | std::uint64_t{(runsOn & MarkTables::LineCommentBefore) != 0}
                                                 << 63;
}

// The ASCII run's whole vectors: a byte is ASCII other than NUL when, less one, it
// stays below 0x7F (with SSE2: a high bit anywhere, or a zero as the least byte).
// Each gives how far its vectors went; the word loop after them takes the rest.
std::size_t AsciiVectorsSse2(const char* p, std::size_t n) {
    const __m128i zero = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 64 <= n; i += 64) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 32));
        const __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 48));
        const __m128i high = _mm_or_si128(_mm_or_si128(a, b), _mm_or_si128(c, d));
        const __m128i least = _mm_min_epu8(_mm_min_epu8(a, b), _mm_min_epu8(c, d));
        if ((_mm_movemask_epi8(high) | _mm_movemask_epi8(_mm_cmpeq_epi8(least, zero))) != 0) break;
    }
    return i;
}

[[gnu::target("avx2")]] std::size_t AsciiVectorsAvx2(const char* p, std::size_t n) {
    const __m256i one = _mm256_set1_epi8(1), limit = _mm256_set1_epi8(0x7F);
    std::size_t i = 0;
    for (; i + 128 <= n; i += 128) {
        __m256i most = _mm256_setzero_si256();
        for (int k = 0; k < 128; k += 32)
            most = _mm256_max_epu8(
                most, _mm256_sub_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + k)), one));
        if (_mm256_movemask_epi8(_mm256_cmpeq_epi8(_mm256_max_epu8(most, limit), most)) != 0) break;
    }
    return i;
}

[[gnu::target("avx512bw")]] std::size_t AsciiVectorsAvx512(const char* p, std::size_t n) {
    const __m512i one = _mm512_set1_epi8(1), limit = _mm512_set1_epi8(0x7F);
    std::size_t i = 0;
    for (; i + 128 <= n; i += 128) {
        const __m512i a = _mm512_loadu_si512(p + i), b = _mm512_loadu_si512(p + i + 64);
        const __m512i most = _mm512_max_epu8(_mm512_sub_epi8(a, one), _mm512_sub_epi8(b, one));
        if (_mm512_cmpge_epu8_mask(most, limit) != 0) break;
    }
    return i;
}

// OpaqueUtf8Copy 64 bytes at a time: each block's masks of continuation bytes and
// of the leads allowed, the continuations the leads call for (the two after each,
// running into the next block), and the distance between line breaks.
[[gnu::target("avx512bw")]] std::size_t OpaqueUtf8CopyAvx512(const char* p, std::size_t n, char* out) {
    constexpr std::size_t kNone = std::string_view::npos;
    constexpr std::int64_t kLongLine = 512;
    const __m512i top = _mm512_set1_epi8(static_cast<char>(0xC0)),
                  cont = _mm512_set1_epi8(static_cast<char>(0x80)),
                  lowLead = _mm512_set1_epi8(static_cast<char>(0xE1)), leads = _mm512_set1_epi8(0x0E),
                  ed = _mm512_set1_epi8(static_cast<char>(0xED)), cr = _mm512_set1_epi8('\r'),
                  lf = _mm512_set1_epi8('\n'), opaque = _mm512_set1_epi8(static_cast<char>(0xA0));
    std::uint64_t expected = 0;  // continuation bytes the block before calls for at this one's start
    std::uint64_t anyLead = 0;
    std::int64_t lastBreak = -1;  // where the last line break stands (-1: the text's start)
    std::size_t end = n;
    for (std::size_t at = 0; at < end; at += 64) {
        // Whole blocks are loaded and stored without a mask, which costs more.
        const bool whole = end - at >= 64;
        __mmask64 valid = whole ? ~__mmask64{0} : (__mmask64{1} << (end - at)) - 1;
        const __m512i v = whole ? _mm512_loadu_si512(p + at) : _mm512_maskz_loadu_epi8(valid, p + at);
        if (const __mmask64 nul = _mm512_testn_epi8_mask(v, v) & valid; nul != 0) {
            valid = (nul & (~nul + 1)) - 1;  // the text ends at its first NUL
            end = at + static_cast<std::size_t>(__builtin_ctzll(nul));
        }
        const __mmask64 high = _mm512_movepi8_mask(v) & valid;
        const __mmask64 follow = _mm512_cmpeq_epi8_mask(_mm512_and_si512(v, top), cont) & valid;
        const __mmask64 lead = _mm512_cmple_epu8_mask(_mm512_sub_epi8(v, lowLead), leads) &
                               ~_mm512_cmpeq_epi8_mask(v, ed) & valid;
        // Every other byte of 0x80 or above, and a continuation where none belongs
        // or none where one belongs (also past the text's end), make it no such text.
        if (high != (lead | follow) || follow != ((lead << 1) | (lead << 2) | expected)) return kNone;
        expected = (lead >> 62) | (lead >> 63);
        anyLead |= lead;
        if (const __mmask64 breaks = (_mm512_cmpeq_epi8_mask(v, cr) | _mm512_cmpeq_epi8_mask(v, lf)) & valid;
            breaks != 0) {
            const auto first = static_cast<std::int64_t>(at) + __builtin_ctzll(breaks);
            if (first - lastBreak > kLongLine) return kNone;
            lastBreak = static_cast<std::int64_t>(at) + 63 - __builtin_clzll(breaks);
        }
        const __m512i copy = _mm512_mask_blend_epi8(high, v, opaque);
        if (whole)
            _mm512_storeu_si512(out + at, copy);
        else
            _mm512_mask_storeu_epi8(out + at, valid, copy);
    }
    if (expected != 0 || anyLead == 0 || static_cast<std::int64_t>(end) - lastBreak > kLongLine) return kNone;
    return end;
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
        case 4:
            return FindCount<4>(p, n, blocks, asked, out, simd);
        case 5:
            return FindCount<5>(p, n, blocks, asked, out, simd);
        default:
            return FindCount<6>(p, n, blocks, asked, out, simd);
    }
}

void FindBytes(const char* p, std::size_t n, std::size_t blocks, const BytesAsked& asked, ByteMasks* out) {
    FindBytes(p, n, blocks, asked, out, BestSimd());
}

std::size_t AsciiTextRun(std::string_view s, Simd simd) {
    const char* const p = s.data();
    const std::size_t n = s.size();
    std::size_t i = 0;
#if defined(ZARNIK_X86)
    switch (simd) {
        case Simd::Avx512:
            i = AsciiVectorsAvx512(p, n);
            break;
        case Simd::Avx2:
            i = AsciiVectorsAvx2(p, n);
            break;
        case Simd::Sse2:
            break;
    }
    i += AsciiVectorsSse2(p + i, n - i);
#else
    (void)simd;
#endif
    // A byte below 0x80 and not 0 minus one stays below 0x80 and borrows nothing.
    constexpr std::uint64_t kOnes = 0x0101010101010101u, kHigh = 0x8080808080808080u;
    for (std::uint64_t w; i + 8 <= n; i += 8) {
        std::memcpy(&w, p + i, 8);
        if ((((w - kOnes) | w) & kHigh) != 0) break;
    }
    while (i < n && p[i] != '\0' && static_cast<unsigned char>(p[i]) < 0x80) ++i;
    return i;
}

std::size_t AsciiTextRun(std::string_view s) { return AsciiTextRun(s, BestSimd()); }

std::size_t OpaqueUtf8Copy(std::string_view s, char* out) {
#if defined(ZARNIK_X86)
    if (BestSimd() == Simd::Avx512) return OpaqueUtf8CopyAvx512(s.data(), s.size(), out);
#endif
    (void)s, (void)out;
    return std::string_view::npos;
}

bool MarksInOnePass() {
#if defined(ZARNIK_X86)
    static const bool vbmi = __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vbmi");
    return vbmi;
#else
    return false;
#endif
}

void FindMarks(const char* p, std::size_t n, std::size_t blocks, const MarkTables& tables,
               std::uint8_t& before, ByteMasks* out) {
#if defined(ZARNIK_X86)
    FindMarksVbmi(p, n, blocks, tables, before, out);
#else
    (void)p, (void)n, (void)blocks, (void)tables, (void)before, (void)out;
#endif
}

}  // namespace zarnik::engine::detail
