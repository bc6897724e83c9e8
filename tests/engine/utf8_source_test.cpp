#include "engine/utf8_source.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/line_blocks.h"
#include "engine_test_util.h"

namespace zarnik::engine {
namespace {

using settings::MakeDefaultSettings;
using settings::Settings;
using testing::CountText;
using zarnik::testing::Sj;

struct Figures {
    FileStatus Status;
    std::int64_t Total, Comment, Exec, Blank;
    bool operator==(const Figures&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Figures& f) {
    return os << "{status " << static_cast<int>(f.Status) << ", " << f.Total << "/" << f.Comment << "/"
              << f.Exec << "/" << f.Blank << "}";
}

Figures Count(const std::string& bytes, const std::string& name,
              const Settings& cnf = MakeDefaultSettings()) {
    FileCounts rec = CountText(bytes, cnf, name);
    return {rec.Status, rec.Total, rec.Comment, rec.Exec, rec.Blank};
}

Settings With(std::int32_t Settings::*field, std::int32_t value) {
    Settings cnf = MakeDefaultSettings();
    cnf.*field = value;
    return cnf;
}

// Read as Shift-JIS, the last byte of "あ" in UTF-8 pairs with the ASCII byte after
// it: the quote that closes the literal, or the blank before a continuation mark.
struct Twin {
    const char* Name;
    const char* Utf8;
    Figures Expected;  // the Shift-JIS file's counts
};
const Twin kTwins[] = {
    {"t.c",
     "int a;\nconst char *s = \"あ\"; /* start\ncomment line\nend */\nint e;\n",
     {FileStatus::Counted, 5, 2, 3, 0}},
    {"t.sql", "v := 'あ'; /* start\ncomment line\nend */\nx := 1;\n", {FileStatus::Counted, 4, 2, 2, 0}},
    {"t.bas", "' あ _\nx = 1\ny = 2\n", {FileStatus::Counted, 3, 2, 1, 0}},
};

TEST(Utf8Source, CountsAsTheShiftJisTwinAndAsBeforeWhenOff) {
    for (const Twin& t : kTwins) {
        SCOPED_TRACE(t.Name);
        EXPECT_EQ(Count(Sj(t.Utf8), t.Name), t.Expected);
        EXPECT_EQ(Count(t.Utf8, t.Name), t.Expected);
        // Off, the UTF-8 file is read as Shift-JIS, as it always was: wrong.
        EXPECT_NE(Count(t.Utf8, t.Name, With(&Settings::ConvertUtf8, 0)), t.Expected);
    }
    // The same with EUC/JIS on: UTF-8 is recognised first and never reaches that converter.
    const Settings eucJis = With(&Settings::ConvertEucJis, 1);
    EXPECT_EQ(Count(kTwins[0].Utf8, "t.c", eucJis), kTwins[0].Expected);
}

TEST(Utf8Source, ByteOrderMarkIsNoPartOfTheFirstLine) {
    // "//" opens the first line only without the mark in front of it.
    EXPECT_EQ(Count("\xEF\xBB\xBF// note\nint a;\n", "b.c"), (Figures{FileStatus::Counted, 2, 1, 1, 0}));
    EXPECT_EQ(Count("\xEF\xBB\xBF// note\nint a;\n", "b.c", With(&Settings::ConvertUtf8, 0)),
              (Figures{FileStatus::Counted, 2, 0, 2, 0}));
}

TEST(Utf8Source, WhatIsRecognised) {
    EXPECT_TRUE(IsUtf8Source("x = \"\xE3\x81\x82\";\n"));
    EXPECT_TRUE(IsUtf8Source("\xEF\xBB\xBF"));
    EXPECT_TRUE(IsUtf8Source("\xEF\xBB\xBF\x82\xA0 not UTF-8 after the mark\n"));
    // What follows a NUL is not looked at, nor counted.
    EXPECT_TRUE(IsUtf8Source(std::string_view("\xE3\x81\x82\n\0\x82\xA0", 7)));
    EXPECT_FALSE(IsUtf8Source(std::string_view("ascii\n\0\xE3\x81\x82", 10)));
    EXPECT_FALSE(IsUtf8Source(std::string_view("\x82\xA0\0\xE3\x81\x82", 6)));
    EXPECT_FALSE(IsUtf8Source("plain ASCII, long enough for the eight-byte steps\n"));
    EXPECT_FALSE(IsUtf8Source(Sj("// 漢字のコメント\n")));
    EXPECT_FALSE(IsUtf8Source("\xC0\xAF"));                    // overlong "/"
    EXPECT_FALSE(IsUtf8Source("\xED\xA0\x80"));                // a surrogate
    EXPECT_FALSE(IsUtf8Source("x\xE3\x81"));                   // cut off at the end
    EXPECT_FALSE(IsUtf8Source("0123456789\xF4\x90\x80\x80"));  // beyond U+10FFFF
}

TEST(Utf8Source, ConversionKeepsEveryByteThatCanChangeACount) {
    ByteBuffer text, spare;
    auto convert = [&](std::string_view in) {
        text.clear();
        std::memcpy(text.Extend(in.size()), in.data(), in.size());
        text.Commit(in.size());
        EXPECT_TRUE(ConvertUtf8Source(text, spare));
        return std::string(text.view());
    };
    // An emoji and a Hangul syllable, which code page 932 cannot hold, become "〓".
    EXPECT_EQ(convert("\"\xF0\x9F\x98\x80\xEA\xB0\x80\"\n"), "\"\x81\xAC\x81\xAC\"\n");
    EXPECT_EQ(convert("\xEF\xBB\xBF\xE3\x81\x82\r\n"), "\x82\xA0\r\n");
    // After a byte-order mark an invalid byte is one "〓"; from the first NUL on nothing changes.
    EXPECT_EQ(convert(std::string("\xEF\xBB\xBF\x82'\n\0\xE3\x81\x82", 10)),
              std::string("\x81\xAC'\n\0\xE3\x81\x82", 8));
    // Broken sequences: one "〓" per maximal subpart, the longest start of a
    // well-formed sequence: a cut-off character is one, an overlong form or a
    // surrogate one per byte (no character starts "C0" or "ED A0").
    EXPECT_EQ(convert("\xEF\xBB\xBF'\xE3\x81'\xF0\x9F\x98'\n"), "'\x81\xAC'\x81\xAC'\n");
    EXPECT_EQ(convert("\xEF\xBB\xBF'\xC0\xAF'\xED\xA0\x80'\n"),
              "'\x81\xAC\x81\xAC'\x81\xAC\x81\xAC\x81\xAC'\n");
    // "¥" and "‾" become "￥" and "￣": code page 932's "\\" and "~" would be an
    // escape and an operator where the file had neither.
    EXPECT_EQ(convert("s = \"¥\"; t = \"‾\";\n"), "s = \"\x81\x8F\"; t = \"\x81\x50\";\n");
}

TEST(Utf8Source, FirstLineIsCheckedAsConverted) {
    // A first line of 200 "あ" is 600 bytes in UTF-8 and 400 in Shift-JIS; with the
    // mark, 300 broken bytes are 302 bytes as read and 602 as converted.
    std::string rest;
    for (int i = 0; i < 1000; ++i) rest += "int a;\n";
    std::string kana;
    for (int i = 0; i < 200; ++i) kana += "あ";
    const std::string longKana = "// " + kana + "\n" + rest;
    const std::string broken = "\xEF\xBB\xBF//" + std::string(300, '\x80') + "\n" + rest;
    const Figures counted{FileStatus::Counted, 1001, 1, 1000, 0};
    const Figures unfit{FileStatus::Unfit, 0, 0, 0, 0};
    EXPECT_EQ(Count(Sj(longKana), "k.c"), counted);
    zarnik::testing::TempDir dir;
    const CountOptions opt = run::CountOptionsFrom(MakeDefaultSettings());
    // Read whole, and in pieces as a large file is.
    for (std::size_t chunk : {CountContext::kMaxChunkBytes, std::size_t{4096}}) {
        SCOPED_TRACE(chunk);
        for (const auto& [bytes, expected] : {std::pair{longKana, counted}, std::pair{broken, unfit}}) {
            CountContext ctx;
            ctx.ChunkBytes = chunk;
            FileCounts rec;
            CountFile(opt, dir.Write("f.c", bytes), {"f.c", 0, static_cast<std::int64_t>(bytes.size())}, rec,
                      ctx);
            EXPECT_EQ((Figures{rec.Status, rec.Total, rec.Comment, rec.Exec, rec.Blank}), expected);
        }
    }
}

TEST(Utf8Source, YenSignIsNoBackslash) {
    // Read as "\\", the yen sign would escape the closing quote and keep the comment shut.
    EXPECT_EQ(Count("int a;\nconst char *s = \"¥\"; /* start\ncomment line\nend */\nint e;\n", "y.c"),
              (Figures{FileStatus::Counted, 5, 2, 3, 0}));
    EXPECT_EQ(Count("String s = \"¥\"; /* c\nstill comment\n*/\nint e;\n", "Y.java"),
              (Figures{FileStatus::Counted, 4, 2, 2, 0}));
}

// Conversion decides whether a text is UTF-8 while it converts, in one pass: it
// answers as IsUtf8Source does and converts as a text known to be UTF-8 converts,
// for texts mixing ASCII, NULs, the mark, UTF-8, Shift-JIS and broken bytes.
TEST(Utf8Source, ConversionDecidesAsTheCheckDoes) {
    const std::string_view pieces[] = {"a = 1;\n",
                                       std::string_view("\0", 1),
                                       "\xEF\xBB\xBF",
                                       "\xE3\x81\x82",
                                       "¥",
                                       "\xF0\x9F\x98\x80",
                                       "\xF3\xA0\x80\x81",
                                       "\x82\xA0",
                                       "\x80",
                                       "\xC0\xAF",
                                       "\xED\xA0\x80",
                                       "\xE3\x81"};
    ByteBuffer text, spare;
    std::uint64_t seed = 3;
    for (int round = 0; round < 4000; ++round) {
        std::string in;
        for (int i = round % 9; i >= 0; --i) {
            seed = seed * 6364136223846793005u + 1442695040888963407u;
            in += pieces[(seed >> 33) % std::size(pieces)];
        }
        text.clear();
        std::memcpy(text.Extend(in.size()), in.data(), in.size());
        text.Commit(in.size());
        const bool utf8 = IsUtf8Source(in);
        ASSERT_EQ(ConvertUtf8Source(text, spare), utf8) << ::testing::PrintToString(in);
        std::string expected = in;
        if (utf8) {
            const std::size_t nul = std::min(in.find('\0'), in.size());
            std::string_view body = std::string_view(in).substr(0, nul);
            if (StartsWithByteOrderMark(body)) body.remove_prefix(3);
            ByteBuffer converted;
            AppendUtf8AsShiftJis(body, converted);
            expected = std::string(converted.view()) + in.substr(nul);
        }
        ASSERT_EQ(std::string(text.view()), expected) << ::testing::PrintToString(in);
    }
}

// The C family counts Japanese UTF-8 text without converting it where it can, and
// gets the figures and status of the converted text (which logged lines are counted
// from): characters whose Shift-JIS form ends in a backslash or is one byte, that
// the code page cannot hold, inside literals and comments, lines that reach 512
// bytes before or only after converting, NULs, under every option that moves a line.
TEST(Utf8Source, CountedAsItStandsAsConverted) {
    const std::string_view pieces[] = {"\xE3\x82\xBD",
                                       "\xE8\xA1\xA8",
                                       "\xEF\xBD\xB1",
                                       "\xE2\x80\xBE",
                                       "\xE2\x98\x83",
                                       "\xE3\x80\x80",
                                       "\xEF\xBB\xBF",
                                       "/*",
                                       "*/",
                                       "//",
                                       "\"",
                                       "\\",
                                       " * ",
                                       "rem ",
                                       "x = 1;",
                                       "\n",
                                       "\r\n",
                                       "\r",
                                       " ",
                                       "\t",
                                       "\xC2\xA5",
                                       std::string_view("\0", 1)};
    std::uint64_t seed = 11;
    int asItStands = 0;
    for (int round = 0; round < 1500; ++round) {
        std::string in = "x;\n";
        for (int i = round % 61; i >= 0; --i) {
            seed = seed * 6364136223846793005u + 1442695040888963407u;
            const std::uint64_t r = seed >> 33;
            if (r % 37 == 0)
                for (std::uint64_t k = 0; k < 165 + r % 15; ++k) in += pieces[k % 3];  // 495 to 537 bytes
            else
                in += pieces[r % std::size(pieces)];
        }
        for (int options = 0; options < 16; ++options) {
            Settings cnf = MakeDefaultSettings();
            cnf.BlankInCommentIsBlank = options & 1;
            cnf.AsteriskLineIsBlank = options >> 1 & 1;
            cnf.RemComments = options >> 2 & 1;
            cnf.ConvertEucJis = options >> 3 & 1;
            const CountOptions opt = run::CountOptionsFrom(cnf);
            Figures f[2];
            for (int logged = 0; logged < 2; ++logged) {
                CountContext ctx;
                LineLog log;
                if (logged) ctx.LineClasses = &log;
                FileCounts rec;
                CountStoredFile(opt, "a.c", in, DirEntry{"a.c", 0, static_cast<std::int64_t>(in.size())}, rec,
                                ctx);
                f[logged] = {rec.Status, rec.Total, rec.Comment, rec.Exec, rec.Blank};
                asItStands += !logged && ctx.FromUtf8 && ctx.Text.view() == in;
            }
            ASSERT_EQ(f[0], f[1]) << "options " << options << ", " << ::testing::PrintToString(in);
        }
    }
    EXPECT_GT(asItStands, detail::Supports(detail::Simd::Avx512) ? 4000 : -1);
}

TEST(Utf8Source, CheckInPiecesOfAnySizeDecidesAsTheWholeText) {
    const std::string texts[] = {
        "x = \"\xE3\x81\x82\"; // \xE6\xBC\xA2\n",
        "\xD1\x98\xD0\x95 ok\n\xF0\x9F\x98\x80",
        "\xD1\x98\xD0\x95 \xFF\xFF\xFF\xFF\xFF\n",  // valid characters, then no UTF-8
        "ab\xC3",                                   // cut short at the end
        "plain ASCII only\n",
        Sj("// 漢字のコメント\n"),
    };
    for (const std::string& text : texts)
        for (std::size_t size = 1; size <= 9; ++size) {
            Utf8Check check;
            for (std::size_t at = 0; at < text.size(); at += size)
                check.Feed(std::string_view(text).substr(at, size));
            EXPECT_EQ(check.Finish(), IsUtf8Source(text)) << text << ", pieces of " << size;
        }
}

TEST(Utf8Source, ShiftJisThatIsValidUtf8ByAccidentKeepsItsCounts) {
    // Half-width katakana pairs such as "ﾃｱ" (0xC3 0xB1) are well-formed UTF-8 ("ñ"),
    // so this Shift-JIS file is taken for UTF-8. Its converted text has the same
    // ASCII bytes on the same lines and the katakana become whole double-byte
    // characters, so no count changes.
    const std::string text = Sj("// ﾃｱ\nx = \"ﾃｱ\"; /* ﾃｱ\nﾃｱ */ y;\n");
    ASSERT_TRUE(IsUtf8Source(text));
    EXPECT_EQ(Count(text, "k.c"), Count(text, "k.c", With(&Settings::ConvertUtf8, 0)));
    EXPECT_EQ(Count(text, "k.c"), (Figures{FileStatus::Counted, 3, 1, 2, 0}));
}

TEST(Utf8Source, EucJisFilesBesideUtf8FilesCountAsTheirShiftJisTwins) {
    // One context, as in a run with EucJis 1: a JIS file, a UTF-8 file and an EUC file.
    Settings cnf = With(&Settings::ConvertEucJis, 1);
    const CountOptions opt = run::CountOptionsFrom(cnf);
    zarnik::testing::TempDir dir;
    CountContext ctx;
    const std::string kan = "\x8A\xBF";  // "漢": EUC 0xB4 0xC1, JIS "4A"
    const std::string files[][2] = {
        {"j.c", "s = \"\x1b$B4A\x1b(B\"; /* a\nb */\n"},
        {"u.c", "s = \"\xE6\xBC\xA2\"; /* a\nb */\n"},
        {"e.c", "s = \"\xB4\xC1\"; /* a\nb */\n"},
    };
    for (const auto& [name, bytes] : files) {
        SCOPED_TRACE(name);
        FileCounts rec;
        CountFile(opt, dir.Write(name, bytes), {name, 0, 0}, rec, ctx);
        EXPECT_EQ((Figures{rec.Status, rec.Total, rec.Comment, rec.Exec, rec.Blank}),
                  Count("s = \"" + kan + "\"; /* a\nb */\n", "s.c"));
    }
}

}  // namespace
}  // namespace zarnik::engine
