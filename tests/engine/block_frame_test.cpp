// A text read as it is, whose lines are counted 64 bytes at a time, gets the same
// counts as the same text taken line by line (as change counting reads it): random
// texts of comment marks, quotes, line breaks of every kind, double-byte characters,
// long lines and NUL bytes, across block boundaries, under every option that moves
// a line from one class to another.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/counters.h"
#include "engine/line_blocks.h"
#include "engine_test_util.h"

namespace zarnik::engine {
namespace {

using testing::Counts;
using testing::TextCounter;

std::uint64_t Next(std::uint64_t& s) {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
}

// Pieces that matter to some counter, and filler that matters to none.
const char* const kPieces[] = {"/*",
                               "*/",
                               "//",
                               "--",
                               "\"",
                               "'",
                               "\\\"",
                               "*",
                               "/",
                               "-",
                               ";",
                               "co",
                               "COMMENT ~",
                               "~",
                               "rem ",
                               "REM",
                               ",",
                               " _",
                               " ",
                               "\t",
                               "  \t ",
                               "\r",
                               "\n",
                               "\r\n",
                               "\n\r",
                               "\n\n",
                               "x",
                               "int",
                               "a;",
                               "\x95\x5C",
                               "\x83\x63\x83\x6F",
                               "\x81/",
                               "\x81*",
                               "_"};

std::string RandomText(std::uint64_t& s) {
    std::string text;
    const std::size_t pieces = Next(s) % 160;
    for (std::size_t i = 0; i < pieces; ++i) {
        const std::uint64_t r = Next(s);
        if (r % 97 == 0)
            text.append(500 + r % 30, 'x');  // around the 512-byte limit
        else if (r % 211 == 0)
            text += '\0';
        else
            text += kPieces[r % std::size(kPieces)];
    }
    return text;
}

// Marks made of two bytes, at every place against a block's end, then random texts.
std::string TextOfRound(int round, std::uint64_t& seed) {
    static const char* const kStraddling[] = {"' note _\nx = 1\n", "/* a\n*/ b\n", "x COMMENT ~\n~ y\n"};
    if (round < 3 * 70) return std::string(round % 70, ' ') + kStraddling[round / 70];
    return RandomText(seed);
}

TEST(BlockFrame, CountsAsTheLineByLineFrame) {
    const TextCounter counters[] = {CountCFamily, CountPlSql, CountAsm, CountBasic};
    std::uint64_t seed = 0x9E3779B97F4A7C15u;
    for (int round = 0; round < 3000; ++round) {
        const std::string text = TextOfRound(round, seed);
        for (int options = 0; options < 8; ++options) {
            settings::Settings cnf = settings::MakeDefaultSettings();
            cnf.BlankInCommentIsBlank = options & 1;
            cnf.AsteriskLineIsBlank = options >> 1 & 1;
            cnf.RemComments = options >> 2 & 1;
            const CountOptions opt = run::CountOptionsFrom(cnf);
            for (TextCounter counter : counters) {
                ConverterState plain, logged;
                LineLog log;
                logged.LineClasses = &log;
                FileCounts a, b;
                const auto sa = counter(opt, text, a, plain), sb = counter(opt, text, b, logged);
                ASSERT_EQ((Counts{static_cast<int>(sa), a.Total, a.Comment, a.Blank}),
                          (Counts{static_cast<int>(sb), b.Total, b.Comment, b.Blank}))
                    << "round " << round << ", options " << options << ", text \"" << text << "\"";
            }
        }
    }
}

// Every instruction set the processor has finds the bytes a plain loop finds, the
// blanks past the end of the text included; bits are counted alike with and without
// the instruction.
TEST(FindBytes, EveryInstructionSetFindsTheBytesALoopFinds) {
    using detail::ByteMasks;
    const detail::BytesAsked asked{{'/', 'c', '\x95', 'r', '"', '\\'}, {0, 0x20, 0, 0x20, 0, 0}, 6};
    std::uint64_t seed = 12345;
    for (std::uint64_t x :
         {std::uint64_t{0}, ~std::uint64_t{0}, std::uint64_t{1} << 63, Next(seed), Next(seed)})
        EXPECT_EQ(detail::CountBits<false>(x), detail::CountBits<true>(x)) << x;
    for (int round = 0; round < 300; ++round) {
        std::string text(Next(seed) % 300, ' ');
        for (char& c : text) c = "/cC\x95rR \t\r\n\0x\xE3\x80\"\\"[Next(seed) % 17];
        const std::size_t blocks = (text.size() + 63) / 64 + 1;
        std::vector<ByteMasks> expected(blocks);
        for (std::size_t i = 0; i < blocks * 64; ++i) {
            const char c = i < text.size() ? text[i] : ' ';
            const std::uint64_t bit = std::uint64_t{1} << (i % 64);
            ByteMasks& m = expected[i / 64];
            m.Cr |= c == '\r' ? bit : 0;
            m.Lf |= c == '\n' ? bit : 0;
            m.Nul |= c == '\0' ? bit : 0;
            m.White |= c == ' ' || c == '\t' ? bit : 0;
            for (int k = 0; k < detail::kMaxAsked; ++k)
                m.Byte[k] |= static_cast<char>(c | asked.Fold[k]) == asked.Value[k] ? bit : 0;
        }
        for (detail::Simd simd : {detail::Simd::Sse2, detail::Simd::Avx2, detail::Simd::Avx512}) {
            if (!detail::Supports(simd)) continue;
            // Fewer entries asked: the masks of the others are left as they were.
            detail::BytesAsked some = asked;
            some.Count = 1 + round % detail::kMaxAsked;
            std::vector<ByteMasks> found(blocks);
            for (ByteMasks& f : found) std::fill(f.Byte, f.Byte + detail::kMaxAsked, std::uint64_t{42});
            detail::FindBytes(text.data(), text.size(), blocks, some, found.data(), simd);
            for (std::size_t b = 0; b < blocks; ++b) {
                const ByteMasks &f = found[b], &e = expected[b];
                ASSERT_TRUE(f.Cr == e.Cr && f.Lf == e.Lf && f.Nul == e.Nul && f.White == e.White &&
                            std::equal(f.Byte, f.Byte + some.Count, e.Byte) &&
                            std::all_of(f.Byte + some.Count, f.Byte + detail::kMaxAsked,
                                        [](std::uint64_t m) { return m == 42; }))
                    << "round " << round << ", block " << b << ", instructions " << static_cast<int>(simd);
            }
        }
    }
}

// The ASCII run of a text stops at its first NUL or byte of 0x80 or more wherever
// it stands, also in the middle of the 8 to 128 bytes looked at together, with each
// vector width the processor has, and never reads past the text.
TEST(AsciiTextRun, StopsAtTheFirstNulOrNonAsciiByte) {
    for (std::size_t n = 0; n <= 270; ++n) {
        // On the heap at its exact size, so that the address sanitizer sees its end.
        const auto bytes = std::make_unique<char[]>(n);
        const std::string_view t(bytes.get(), n);
        std::memset(bytes.get(), 'a', n);
        EXPECT_EQ(detail::AsciiTextRun(t), n);
        for (std::size_t at = 0; at < n; ++at) {
            for (char stop : {'\0', '\x01', '\x7F', '\x80', '\xFF'}) {
                bytes[at] = stop;
                const std::size_t end = stop == '\0' || stop < 0 ? at : n;
                for (detail::Simd simd : {detail::Simd::Sse2, detail::Simd::Avx2, detail::Simd::Avx512}) {
                    if (!detail::Supports(simd)) continue;
                    EXPECT_EQ(detail::AsciiTextRun(t, simd), end)
                        << n << " " << at << ", instructions " << static_cast<int>(simd);
                }
                bytes[at] = 'a';
            }
        }
    }
}

// What OpaqueUtf8Copy gives, one byte at a time.
std::size_t OpaqueCopyByBytes(std::string_view s, std::string& out) {
    constexpr std::size_t kNone = std::string_view::npos;
    s = s.substr(0, s.find('\0'));
    out.clear();
    std::size_t lineStart = 0;  // the byte after the last line break
    bool multiByte = false;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[i + k]); };
        if (c < 0x80) {
            if (c == '\r' || c == '\n') {
                if (i - lineStart >= 512) return kNone;
                lineStart = i + 1;
            }
            out += s[i++];
        } else if (c >= 0xE1 && c <= 0xEF && c != 0xED && s.size() - i >= 3 && (at(1) & 0xC0) == 0x80 &&
                   (at(2) & 0xC0) == 0x80) {
            out.append(3, '\xA0');
            i += 3;
            multiByte = true;
        } else {
            return kNone;
        }
    }
    return multiByte && s.size() - lineStart < 512 ? s.size() : kNone;
}

// The copy of a UTF-8 text taken as it stands accepts the texts, and gives the
// bytes, that a loop over the bytes does: characters and line breaks at every place
// against a block's end, broken, cut off or other characters, NUL bytes, and lines
// around 512 bytes. It never reads past the text nor writes past its size.
TEST(OpaqueUtf8Copy, TakesTheTextsALoopTakes) {
    const char* const pieces[] = {"\xE3\x81\x82",
                                  "\xE8\xA1\xA8",
                                  "\xEF\xBD\xB1",
                                  "\xE2\x80\xBE",
                                  "a",
                                  "/* ",
                                  "\r\n",
                                  "\n",
                                  "\r",
                                  "\xC3\xA9",
                                  "\xE0\xA0\x80",
                                  "\xED\x9F\xBF",
                                  "\xF0\x9F\x98\x80",
                                  "\x80",
                                  "\xE3\x81",
                                  "\xFF"};
    std::uint64_t seed = 0x2545F4914F6CDD1Du;
    std::string want;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        const std::size_t n = Next(seed) % 90;
        for (std::size_t i = 0; i < n; ++i) {
            const std::uint64_t r = Next(seed);
            if (r % 41 == 0)
                for (std::size_t k = 0; k < 160 + r % 20; ++k) text += "\xE3\x81\x82";  // 480 to 537 bytes
            else if (r % 43 == 0)
                text.append(500 + r % 30, 'x');
            else
                text += r % 3 != 0 ? pieces[r % 9] : pieces[r % std::size(pieces)];
        }
        if (round % 7 == 0 && !text.empty()) text.back() = '\0';
        if (round % 5 == 0 && !text.empty() && text.back() != '\0') text.pop_back();  // a character cut off
        const auto in = std::make_unique<char[]>(text.size()), out = std::make_unique<char[]>(text.size());
        std::memcpy(in.get(), text.data(), text.size());
        const std::size_t expected =
            detail::Supports(detail::Simd::Avx512) ? OpaqueCopyByBytes(text, want) : std::string_view::npos;
        const std::size_t got = detail::OpaqueUtf8Copy({in.get(), text.size()}, out.get());
        ASSERT_EQ(got, expected) << "round " << round;
        if (got != std::string_view::npos) {
            ASSERT_EQ(std::string_view(out.get(), got), want) << "round " << round;
        }
    }
}

}  // namespace
}  // namespace zarnik::engine
