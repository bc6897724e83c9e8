#include "engine/lines.h"

#include <gtest/gtest.h>

#include "reference_strip.h"
#include "test_util.h"

namespace zarnik::engine {
namespace {

using reference::QuoteVariant;
using reference::StripQuoted;
using reference::StripSqlQuoted;

using zarnik::testing::Sj;
using Strings = std::vector<std::string>;

Strings SplitToVector(std::string_view text) {
    LineSplitter lines(text);
    Strings out;
    std::string_view line;
    while (lines.Next(line)) out.emplace_back(line);
    return out;
}

TEST(LineSplitting, EachBreakEndsOneLine) {
    EXPECT_EQ(SplitToVector(std::string_view("a\r\nb\n\rc", 7)), (Strings{"a", "b", "", "c"}));
    EXPECT_EQ(SplitToVector("a\rb\nc"), (Strings{"a", "b", "c"}));
    EXPECT_EQ(SplitToVector("a\r\n"), (Strings{"a"}));
    EXPECT_EQ(SplitToVector("\r\n"), (Strings{""}));
    EXPECT_EQ(SplitToVector("\n\n"), (Strings{"", ""}));
    EXPECT_EQ(SplitToVector("last"), (Strings{"last"}));
    EXPECT_EQ(SplitToVector(""), Strings{});
    EXPECT_EQ(SplitToVector(std::string_view()), Strings{});
    EXPECT_EQ(SplitToVector("a\r\r\nb"), (Strings{"a", "", "b"}));
}

TEST(RemLine, FirstWordIsRemInAnyCase) {
    for (std::string_view yes : {"Rem", "rem x", "REM\tx", " \t,,rEm,x", "Rem "})
        EXPECT_TRUE(IsRemLine(yes)) << yes;
    for (std::string_view no : {"", "Re", "Remark", "x Rem", "Rem_", "Rem;", ",", "R\x85m"})
        EXPECT_FALSE(IsRemLine(no)) << no;
}

TEST(LineSplitting, TextEndsAtTheFirstNul) {
    EXPECT_EQ(SplitToVector(std::string_view("a\nb\0c\nd\n", 8)), (Strings{"a", "b"}));
    EXPECT_EQ(SplitToVector(std::string_view("\0a\nb", 4)), Strings{});
}

TEST(CheckLoadedLine, StatusAndNonBlankFlag) {
    EXPECT_EQ(CheckLoadedLine("  \t ").NonBlank, false);
    EXPECT_EQ(CheckLoadedLine("  x ").NonBlank, true);
    EXPECT_EQ(CheckLoadedLine("").Status, FileStatus::Counted);
    EXPECT_EQ(CheckLoadedLine(Sj("　　")).NonBlank, true);  // the full-width blank is not white space
    EXPECT_EQ(CheckLoadedLine(std::string(511, 'x')).Status, FileStatus::Counted);
    EXPECT_EQ(CheckLoadedLine(std::string(512, ' ')).Status, FileStatus::Unfit);
}

TEST(IsRemLine, FirstWordRemInAnyCase) {
    EXPECT_TRUE(IsRemLine("Rem comment"));
    EXPECT_TRUE(IsRemLine("  \t,REM"));
    EXPECT_TRUE(IsRemLine("rem,x"));
    EXPECT_FALSE(IsRemLine("Remark"));
    EXPECT_FALSE(IsRemLine("Rem;"));  // a semicolon belongs to the word
    EXPECT_FALSE(IsRemLine("x Rem"));
    EXPECT_FALSE(IsRemLine(""));
}

TEST(StripQuoted, BlanksLiteralInsides) {
    using V = QuoteVariant;
    EXPECT_EQ(StripQuoted("no quotes /* here */", V::C), "no quotes /* here */");
    EXPECT_EQ(StripQuoted("s = \"/* x */\";", V::C), "s = \"       \";");
    // An escaped quote becomes a full-width blank; inside the literal that is one blank.
    EXPECT_EQ(StripQuoted("s = \"a\\\"/*\" x", V::C), "s = \"    \" x");
    // Two backslashes before the closing quote: the last one escapes it, so the
    // literal runs to the end of the line.
    EXPECT_EQ(StripQuoted("s = \"a\\\\\" /* c", V::C), "s = \"        ");
    // Outside a literal the inserted full-width blank stays (and is code).
    EXPECT_EQ(StripQuoted("\\\" \"x\"", V::C), "\x81\x40 \" \"");
    // A double-byte character inside a literal becomes one blank byte.
    EXPECT_EQ(StripQuoted("\"" + Sj("漢") + "\"", V::C), "\" \"");
    // The second byte of a double-byte character never starts a match: 0x95 0x5C is
    // one character followed by a quote.
    EXPECT_EQ(StripQuoted("\x95\x5C\"ab\"", V::C), "\x95\x5C\"  \"");
}

TEST(StripQuoted, BasicVariantAlsoReplacesEscapedApostrophes) {
    EXPECT_EQ(StripQuoted("x = \"a\" \\' y", QuoteVariant::Basic), "x = \" \" \x81\x40 y");
    EXPECT_EQ(StripQuoted("x = \"a\" \\' y", QuoteVariant::C), "x = \" \" \\' y");
    EXPECT_EQ(StripQuoted("no quote \\' y", QuoteVariant::Basic), "no quote \\' y");
}

TEST(StripSqlQuoted, DoubledApostropheFirstThenLiterals) {
    EXPECT_EQ(StripSqlQuoted("no literal -- x"), "no literal -- x");
    EXPECT_EQ(StripSqlQuoted("v := '/* -- */';"), "v := '        ';");
    // The doubled apostrophe is one full-width blank, so the literal goes on after it.
    EXPECT_EQ(StripSqlQuoted("'it''s -- x' y"), "'         ' y");
    EXPECT_EQ(StripSqlQuoted("x = ''"), "x = \x81\x40");    // an empty literal
    EXPECT_EQ(StripSqlQuoted("\"q\" 'a"), "\"q\" ' ");      // double quotes are ordinary
    EXPECT_EQ(StripSqlQuoted("\x83'''"), "\x83'\x81\x40");  // 0x83 0x27 is one character
}

}  // namespace
}  // namespace zarnik::engine
