// 64 bytes of text at a time as bit masks (a bit for each byte that is a line
// break, a blank, a slash...), from which most lines are counted without being
// walked, and the marks of the C family and PL/SQL. The bytes are found with the
// widest vector instructions the processor has.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zarnik::engine::detail {

// The most bytes a counter may ask to be found.
inline constexpr int kMaxAsked = 6;

// Which bytes a counter asks to be found, besides line breaks, blanks and TABs: a
// byte b is found as entry k when (b | Fold[k]) == Value[k] (Fold 0x20 finds a
// letter in either case). Only the first Count entries are found: each costs a
// mask per block, and the masks of the others are left as they were.
struct BytesAsked {
    char Value[kMaxAsked];
    char Fold[kMaxAsked];
    int Count = 4;
};

// The bytes found in one block of 64: bit k stands for the block's byte k.
struct ByteMasks {
    std::uint64_t Cr, Lf, Nul;
    std::uint64_t White;            // blank or TAB
    std::uint64_t Byte[kMaxAsked];  // as asked (the first BytesAsked::Count of them)
};

// The instructions the bytes are found with.
enum class Simd { Sse2, Avx2, Avx512 };

// The best this processor has (checked once).
Simd BestSimd();
bool Supports(Simd simd);

// The masks of blocks [0, blocks) of the text [p, p + n), into out; the last block
// may run past n, where it reads as blanks. With BestSimd unless told otherwise.
void FindBytes(const char* p, std::size_t n, std::size_t blocks, const BytesAsked& asked, ByteMasks* out);
void FindBytes(const char* p, std::size_t n, std::size_t blocks, const BytesAsked& asked, ByteMasks* out,
               Simd simd);

// A language's marks as two tables, made once: the class of each byte (0: none of
// the bytes the language marks, else 1 to 7; CR and LF have one of their own where
// a backslash can end a line), and the roles of each byte by its
// class and that of the byte before it (Roles[8 * before + class]). A pair of
// bytes and a single byte are looked up alike, whatever their number. Index is
// what FindMarks looks a byte below 0x80 up in: its class, the same times 8, and
// bit 7 for blank and TAB (MakeIndex fills it from Class).
struct MarkTables {
    enum Role : std::uint8_t {
        A = 0x80,               // as BlockMarks::A
        B = 0x40,               // as BlockMarks::B
        LineCommentBefore = 1,  // BlockMarks::LineComment at the byte before
        ABefore = 2,            // BlockMarks::A at the byte before (rare)
    };
    std::uint8_t Class[256] = {};
    std::uint8_t Roles[64] = {};
    std::uint8_t Index[128] = {};

    void MakeIndex() {
        for (std::size_t c = 0; c < 128; ++c)
            Index[c] = static_cast<std::uint8_t>(Class[c] * 9 | (c == ' ' || c == '\t' ? 0x80 : 0));
    }
};

// Whether FindMarks runs on this processor (checked once): it looks bytes up in
// tables 64 at a time (AVX-512 VBMI).
bool MarksInOnePass();

// The masks of blocks [0, blocks) of the text [p, p + n) as FindBytes finds them,
// but for the marks the tables give instead of asked bytes: Byte[0] A (with the
// backslashes that end a line), Byte[1] B, Byte[2] LineComment. before: the class
// of the byte before p (0 at a text's start), then of the last byte looked at. The
// byte after the last block is the text's next, or none at its end (which ends a
// line). Only where MarksInOnePass().
void FindMarks(const char* p, std::size_t n, std::size_t blocks, const MarkTables& tables,
               std::uint8_t& before, ByteMasks* out);

// The number of bytes from the start that are ASCII other than NUL: where a text
// that is ASCII up to its end or its first NUL shows so, in one pass. With
// BestSimd unless told otherwise.
std::size_t AsciiTextRun(std::string_view s);
std::size_t AsciiTextRun(std::string_view s, Simd simd);

// A UTF-8 text as the C family's counter may take it without converting it: s up
// to its first NUL copied to out (room for s.size() bytes) with each byte of 0x80
// or above made 0xA0, which no reader takes for the lead byte of a pair, and the
// bytes copied. npos, with out's contents unspecified, unless every byte of 0x80
// or above belongs to a well-formed character of three bytes led by 0xE1 to 0xEC
// or 0xEE to 0xEF (Japanese text: code page 932 holds each in one or two bytes,
// or as one replacement of two), at least one stands there, and no line break,
// the text's start or its end is 512 or more bytes from the next, so that no line
// reaches 512 bytes as it stands or converted. Only with AVX-512; npos without.
std::size_t OpaqueUtf8Copy(std::string_view s, char* out);

// The masks a counter marks in a block. A: a byte that makes a line outside a
// comment one its counter must scan; B: the same for a line inside one. LineComment:
// a byte that, as a line's first byte other than blank and TAB, makes a line outside
// a comment holding neither a comment line. A mark may stand for a pair of bytes and
// then sits at the pair's second byte, which is on the same line as the first.
struct BlockMarks {
    std::uint64_t A = 0;
    std::uint64_t B = 0;
    std::uint64_t LineComment = 0;
};

// What pair marks need of the block before: whether its last byte is the first byte
// of a pair.
struct PairCarry {
    std::uint64_t First = 0;
    std::uint64_t Second = 0;
};

// Marks of the C family and PL/SQL: A, the second byte of "/*"; B, the second
// byte of "*/"; LineComment, the first of LineMark doubled. A line outside a comment
// that holds no "/*" cannot open one, whatever its literals hide: a literal reads as
// one byte that is no comment mark, so it never joins two bytes into a mark; its
// class is code unless it begins with a line comment, and its first byte other than
// blank and TAB is never inside a literal. Likewise a line inside a comment that
// holds no "*/" is a comment line and stays inside. next is the byte after the block
// (NUL at the end).
template <char LineMark>
BlockMarks CommentMarks(std::uint64_t slash, std::uint64_t star, std::uint64_t mark, PairCarry& carry,
                        char next) {
    const BlockMarks marks{star & ((slash << 1) | carry.First), slash & ((star << 1) | carry.Second),
                           mark & ((mark >> 1) | (std::uint64_t{next == LineMark} << 63))};
    carry.First = slash >> 63;
    carry.Second = star >> 63;
    return marks;
}

// The number of set bits: with the instruction, in code built for processors that
// have it, or written out (std::popcount would call a library function).
template <bool Instruction>
[[gnu::always_inline]] inline int CountBits(std::uint64_t x) {
    if constexpr (Instruction) {
        return __builtin_popcountll(x);
    } else {
        x -= (x >> 1) & 0x5555555555555555u;
        x = (x & 0x3333333333333333u) + ((x >> 2) & 0x3333333333333333u);
        x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0Fu;
        return static_cast<int>((x * 0x0101010101010101u) >> 56);
    }
}

// Marks a function built for processors with those instructions.
#if defined(__x86_64__)
#define ZARNIK_BIT_INSTRUCTIONS [[gnu::target("popcnt,bmi,bmi2")]]
#define ZARNIK_AVX512_BITS [[gnu::target("avx512bw,popcnt,bmi,bmi2")]]
#else
#define ZARNIK_BIT_INSTRUCTIONS
#define ZARNIK_AVX512_BITS
#endif

// Whether the processor counts bits and finds the first set bit with one
// instruction each (popcnt, bmi, bmi2).
bool BitInstructions();

}  // namespace zarnik::engine::detail
