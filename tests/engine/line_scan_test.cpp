// The one-pass line scanners agree with the rules they stand for (strip the
// literals, then scan the copy byte by byte) on random lines full of quotes,
// escapes, comment marks and double-byte characters, valid or not.
#include "engine/line_scan.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/lines.h"
#include "reference_strip.h"
#include "text/sjis.h"

namespace zarnik::engine {
namespace {

using reference::QuoteVariant;
using reference::StripQuoted;
using reference::StripSqlQuoted;

class Rng {
public:
    std::uint64_t Next() {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 7;
        s_ ^= s_ << 17;
        return s_;
    }
    std::size_t Below(std::size_t n) { return static_cast<std::size_t>(Next() % n); }

private:
    std::uint64_t s_ = 88172645463325252ull;
};

// Bytes that matter to some scanner, lead and trail bytes among them.
const std::string kAlphabet = std::string("/*\"\\'-; \tacoCOMENTx_\r\n") + "\x81\x9F\xE0\xFC\x40\xA5\x7F\x5C";

std::string RandomLine(Rng& rng, std::size_t maxLength) {
    std::string s(rng.Below(maxLength + 1), ' ');
    for (char& c : s) c = kAlphabet[rng.Below(kAlphabet.size())];
    return s;
}

// The rule as first written: the stripped copy scanned for "/*", "*/" and the
// line comment.
bool StripThenScan(std::string_view stripped, bool& inComment, char lineMark) {
    bool hasCode = false;
    for (std::size_t i = 0; i < stripped.size();) {
        char c = stripped[i];
        char n = i + 1 < stripped.size() ? stripped[i + 1] : '\0';
        if (c == ' ' || c == '\t') {
            ++i;
        } else if (!inComment) {
            if (c == lineMark && n == lineMark) break;
            if (c == '/' && n == '*') {
                inComment = true;
                i += 2;
            } else {
                hasCode = true;
                ++i;
            }
        } else if (c == '*' && n == '/') {
            inComment = false;
            i += 2;
        } else {
            ++i;
        }
    }
    return hasCode;
}

bool BasicStripThenScan(std::string_view line, bool inComment) {
    bool hasCode = false;
    for (char c : StripQuoted(line, QuoteVariant::Basic)) {
        if (c == ' ' || c == '\t') continue;
        if (!inComment && c == '\'') break;
        hasCode = true;
    }
    return hasCode;
}

TEST(LineScan, OnePassAgreesWithStripThenScan) {
    Rng rng;
    for (int round = 0; round < 200000; ++round) {
        const std::string line = RandomLine(rng, round % 10 == 0 ? 90 : round % 10 == 1 ? 66 : 14);
        // The counters start past the indentation they found; the rule is the same.
        const std::size_t indent = FirstNonBlank(line.data(), line.size());
        ASSERT_EQ(indent, std::min(line.find_first_not_of(" \t"), line.size())) << line;
        const std::size_t first = round % 2 ? indent : 0;
        for (bool start : {false, true}) {
            bool want = start, got = start;
            bool wantCode = StripThenScan(StripQuoted(line, QuoteVariant::C), want, '/');
            bool gotCode = detail::ScanCommentedLine<'"', '\\', '/'>(line, got, first);
            ASSERT_EQ(gotCode, wantCode) << "C, in comment " << start << ": " << line;
            ASSERT_EQ(got, want) << "C, in comment " << start << ": " << line;

            want = got = start;
            wantCode = StripThenScan(StripSqlQuoted(line), want, '-');
            gotCode = detail::ScanCommentedLine<'\'', '\'', '-'>(line, got, first);
            ASSERT_EQ(gotCode, wantCode) << "SQL, in comment " << start << ": " << line;
            ASSERT_EQ(got, want) << "SQL, in comment " << start << ": " << line;

            ASSERT_EQ(detail::BasicHoldsCode(line, start, first), BasicStripThenScan(line, start))
                << "BASIC, continued " << start << ": " << line;
        }
        ASSERT_EQ(detail::FindCommentWord(line), text::FindNoCase(line, "COMMENT")) << line;
#if defined(__x86_64__)
        if (line.size() <= 64 && detail::Supports(detail::Simd::Avx512)) {
            // Both ways of taking a short line's bytes as masks; the line on the heap
            // at its size, so that the address sanitizer sees a read past its end.
            const auto bytes = std::make_unique<char[]>(line.size());
            std::memcpy(bytes.get(), line.data(), line.size());
            const auto wide = detail::BitsOfShortLineAvx512<'\'', '-'>(bytes.get(), line.size());
            const auto portable = detail::BitsOfShortLinePortable<'\'', '-'>(bytes.get(), line.size());
            const std::uint64_t valid =
                line.size() == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << line.size()) - 1;
            ASSERT_EQ(wide.Slash, portable.Slash & valid) << line;
            ASSERT_EQ(wide.Star, portable.Star & valid) << line;
            ASSERT_EQ(wide.Quote, portable.Quote & valid) << line;
            ASSERT_EQ(wide.White, portable.White & valid) << line;
            ASSERT_EQ(wide.Mark, portable.Mark & valid) << line;
        }
#endif
    }
}

TEST(LineScan, LiteralsHideCommentMarksAndTrailBytesDoNot) {
    auto c = [](std::string_view line, bool inComment) {
        bool hasCode = detail::ScanCommentedLine<'"', '\\', '/'>(line, inComment);
        return std::pair{hasCode, inComment};
    };
    EXPECT_EQ(c("s = \"/* not a comment\";", false), std::pair(true, false));
    EXPECT_EQ(c("/* \"*/\" still inside", false), std::pair(false, true));
    EXPECT_EQ(c("x = \"a\\\"//b\"; // c", false), std::pair(true, false));
    // 0x95 0x5C is one character: its second byte escapes nothing.
    EXPECT_EQ(c("\"\x95\\\" /* open", false), std::pair(true, true));
    // A trail byte "/" (not valid, but read as such) still starts "//".
    EXPECT_EQ(c("\x81/*x", true), std::pair(false, true));
    EXPECT_EQ(c("\x81/*x", false), std::pair(true, true));
    // Lines up to 64 bytes are scanned as bit masks: nothing past the end is read as
    // a byte of the line, whatever the length.
    bool inside = true;  // a blank line of 64 bytes, its first byte other than blank at its end
    EXPECT_FALSE((detail::ScanCommentedLine<'"', '\\', '/'>(std::string(64, ' '), inside, 64)));
    EXPECT_TRUE(inside);
    for (std::size_t n = 4; n <= 70; ++n) {
        const std::string comment = "/*" + std::string(n - 4, 'x') + "*/";
        EXPECT_EQ(c(comment, false), std::pair(false, false)) << n;
        EXPECT_EQ(c(comment.substr(2), true), std::pair(false, false)) << n;
        EXPECT_EQ(c("x;" + comment.substr(2), true), std::pair(false, false)) << n;
    }
}

// The splitting rule as first written, byte by byte.
std::vector<std::string> SplitByBytes(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    std::size_t p = 0;
    while (p < text.size()) {
        std::size_t start = p;
        while (p < text.size() && text[p] != '\r' && text[p] != '\n') ++p;
        lines.emplace_back(text.substr(start, p - start));
        if (p < text.size() && text[p] == '\r') ++p;
        if (p < text.size() && text[p] == '\n') ++p;
    }
    return lines;
}

TEST(LineScan, SplitterAgreesWithTheByteRuleAcrossBlocks) {
    Rng rng;
    for (int round = 0; round < 3000; ++round) {
        // Lines of every length around the 64-byte blocks, with every kind of break,
        // now and then a NUL that ends the text.
        std::string text;
        const std::size_t lines = rng.Below(12);
        for (std::size_t i = 0; i < lines; ++i) {
            text += std::string(rng.Below(round % 3 == 0 ? 200 : 70), 'x');
            static const std::string_view breaks[] = {"\n",     "\r\n", "\r", "\n\r",
                                                      "\r\r\n", "\n\n", "",   {"\0", 1}};
            text += breaks[rng.Below(round % 5 == 0 ? 8 : 7)];
        }
        std::vector<std::string> got;
        LineSplitter split(text);
        std::string_view line;
        while (split.Next(line)) got.emplace_back(line);
        ASSERT_EQ(got, SplitByBytes(text)) << round;
    }
}

}  // namespace
}  // namespace zarnik::engine
