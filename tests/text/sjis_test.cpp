#include "text/sjis.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "test_util.h"

namespace zarnik::text {
namespace {

using zarnik::testing::Sj;

TEST(PadAndRepeat, PadsOnlyShorterTextAndRepeatsPositiveCounts) {
    EXPECT_EQ(PadRight("ab", 5), "ab   ");
    EXPECT_EQ(PadRight("abcdef", 3), "abcdef");
    EXPECT_EQ(PadRight(Sj("漢字"), 6), Sj("漢字") + "  ");  // widths count bytes
    EXPECT_EQ(RepeatText("x", "-=", 3), "x-=-=-=");
    EXPECT_EQ(RepeatText("x", "-", 0), "x");
    EXPECT_EQ(RepeatText("x", "-", -2), "x");
}

TEST(RemoveTrailingSlash, RemovesOneSingleByteSeparator) {
    EXPECT_EQ(RemoveTrailingSlash("/opt/zarnik/"), "/opt/zarnik");
    EXPECT_EQ(RemoveTrailingSlash("/opt/zarnik//"), "/opt/zarnik/");
    EXPECT_EQ(RemoveTrailingSlash("/opt/zarnik"), "/opt/zarnik");
    EXPECT_EQ(RemoveTrailingSlash(""), "");
    // A lone lead byte at the end is one character; the byte before it decides nothing.
    EXPECT_EQ(RemoveTrailingSlash("a/\x81"), "a/\x81");
}

TEST(NoCase, FoldsAsciiLettersOnly) {
    EXPECT_TRUE(EqualsNoCase(".CPP", ".cpp"));
    EXPECT_FALSE(EqualsNoCase(".cpp", ".cp"));
    EXPECT_FALSE(EqualsNoCase(Sj("Ａ"), Sj("ａ")));  // full-width letters never fold
}

TEST(FindNoCase, OneBasedPositionSteppingByCharacters) {
    EXPECT_EQ(FindNoCase("x Comment y", "COMMENT"), 3u);
    EXPECT_EQ(FindNoCase("remove", "MOV"), 3u);  // inside longer words too
    EXPECT_EQ(FindNoCase("none", "comment"), 0u);
    EXPECT_EQ(FindNoCase("none", ""), 0u);
    EXPECT_EQ(FindNoCase("", "x"), 0u);
    EXPECT_EQ(FindNoCase("ab", "abc"), 0u);
    EXPECT_EQ(FindNoCase("abc", "abc"), 1u);
    // "ソ" is 0x83 0x5C: its trail byte is a backslash, which is never a match start.
    EXPECT_EQ(FindNoCase(Sj("ソ") + "\\", "\\"), 3u);
    EXPECT_EQ(FindNoCase("\x83@", "@"), 0u);        // 0x83 0x40 is one character
    EXPECT_EQ(FindNoCase("x\x83", "\x83"), 2u);     // a lone lead byte at the end is still found
    EXPECT_EQ(FindNoCase(Sj("ｱ") + "a", "A"), 2u);  // half-width katakana is one byte
}

TEST(CodePage932, RoundTripsAndReplacesWhatItCannotHold) {
    std::string sj = Utf8ToSjis("ｺﾒﾝﾄ率 ＭＳ ゴシック");
    EXPECT_EQ(sj.substr(0, 4), "\xBA\xD2\xDD\xC4");  // half-width katakana are one byte
    EXPECT_EQ(SjisToUtf8(sj), "ｺﾒﾝﾄ率 ＭＳ ゴシック");
    EXPECT_EQ(Utf8ToSjis("a\xF0\x9F\x98\x80z"), "a?z");  // an emoji: one "?" per character
    EXPECT_EQ(Utf8ToSjis("a\xFFz"), "a?z");              // invalid UTF-8 byte
    EXPECT_EQ(Utf8ToSjis("한글"), "??");
    EXPECT_EQ(SjisToUtf8("a\xA0z"), "a\xEF\xBF\xBDz");  // unmapped byte
    EXPECT_EQ(SjisToUtf8("a\x81"), "a\xEF\xBF\xBD");    // lead byte at the end
    EXPECT_EQ(SjisToUtf8(""), "");
}

// Source text into a buffer: ASCII is copied past the converter, and every other
// piece converts as it would alone, also next to broken and cut-off sequences and
// with the buffer filling up. "¥" and "‾" never become "\\" and "~"; a broken
// sequence is one replacement per maximal subpart.
TEST(CodePage932, SourceTextIntoABufferPieceByPiece) {
    const std::pair<const char*, const char*> pieces[] = {
        {"a", "a"},
        {"\\~", "\\~"},
        {"\x7F", "\x7F"},
        {"表", "\x95\x5C"},
        {"ｺ", "\xBA"},
        {"\xE3\x80", "?"},  // cut short: one
        {"\xFF", "?"},
        {"\xC0\xAF", "??"},         // overlong: no character starts with C0
        {"\xED\xA0\x80", "???"},    // a surrogate: ED goes on with 80..9F only
        {"\xF0\x80\x80", "???"},    // overlong: F0 goes on with 90..BF only
        {"\xF4\x8F\xBF", "?"},      // the start of U+10FFFF, cut short
        {"\xF0\x9F\x98\x80", "?"},  // code page 932 cannot hold it
        {"한", "?"},
        {"¥", "\x81\x8F"},  // "￥"
        {"‾", "\x81\x50"},  // "￣"
        {" ", " "},
    };
    std::uint64_t s = 7;
    for (int round = 0; round < 400; ++round) {
        std::string utf8, expected;
        for (int i = round % 13; i > 0; --i) {
            s = s * 6364136223846793005u + 1442695040888963407u;
            const auto& [in, out] = pieces[(s >> 33) % std::size(pieces)];
            utf8 += in;
            expected += out;
        }
        for (std::size_t room : {std::size_t{2}, std::size_t{3}, utf8.size() + 2}) {
            std::string out;
            for (std::string_view rest = utf8; !rest.empty();) {
                std::string buf(room, '\0');
                ConvertedSpan span = Utf8ToSjisInto(rest, "?", buf.data(), room);
                ASSERT_TRUE(span.Read > 0 || span.Written > 0) << utf8;
                out.append(buf.data(), span.Written);
                rest.remove_prefix(span.Read);
            }
            ASSERT_EQ(out, expected) << utf8 << ", room " << room;
        }
    }
    // Names keep their older conversion: "¥" is the code page's own "\\".
    EXPECT_EQ(Utf8ToSjis("¥"), "\\");
}

// The run stops at the first byte of 0x80 or more wherever it stands, also in the
// middle of a word or of the 32 bytes looked at together, and never reads past the
// text.
TEST(AsciiRuns, StopAtTheFirstByteThatEndsThem) {
    for (std::size_t n = 0; n <= 140; ++n) {
        // On the heap at its exact size, so that the address sanitizer sees its end.
        const auto bytes = std::make_unique<char[]>(n);
        const std::string_view t(bytes.get(), n);
        std::memset(bytes.get(), 'a', n);
        EXPECT_EQ(AsciiRun(t, 0), n);
        for (std::size_t at = 0; at < n; ++at) {
            for (char stop : {'\0', '\x7F', '\x80', '\xFF'}) {
                bytes[at] = stop;
                EXPECT_EQ(AsciiRun(t, 0), stop < 0 ? at : n) << n << " " << at;
                bytes[at] = 'a';
            }
        }
    }
}

TEST(LeadBytes, StepsOverDoubleByteCharacters) {
    std::string s = Sj("表") + "a";
    EXPECT_EQ(CharLength(s, 0), 2u);
    EXPECT_EQ(CharLength(s, 2), 1u);
    EXPECT_EQ(CharLength("\x81", 0), 1u);
    EXPECT_FALSE(IsLeadByte(0xA0));
    EXPECT_TRUE(IsLeadByte(0xFC));
}

}  // namespace
}  // namespace zarnik::text
