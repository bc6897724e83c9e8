#include "engine/euc_jis.h"

#include <gtest/gtest.h>

#include "engine/counters.h"
#include "engine/source_kind.h"
#include "engine_test_util.h"

namespace zarnik::engine {
namespace {

using settings::MakeDefaultSettings;
using settings::Settings;
using testing::SourceLinesOf;
using zarnik::testing::TempDir;

std::string Conv(EucJisConverter& conv, std::string_view line) {
    std::string out;
    conv.ToShiftJis(line, out);
    return out;
}

const std::string kKan = "\x8A\xBF";  // Shift-JIS of the EUC pair 0xB4 0xC1 and JIS "4A"

TEST(DetectCode, JisEucOrShiftJisPerLine) {
    using C = EucJisConverter;
    EXPECT_EQ(C::DetectCode("plain \x1b$B4A"), C::Jis);
    EXPECT_EQ(C::DetectCode("\xB4\xC1"), C::Euc);
    EXPECT_EQ(C::DetectCode("\xB4\xC1\x82\xA0"), C::ShiftJis);  // 0x80..0x9F rules EUC out
    EXPECT_EQ(C::DetectCode("\x41\xB4"), C::ShiftJis);          // a high byte without partner
    EXPECT_EQ(C::DetectCode("\xB4\xC1\xB4"), C::ShiftJis);
    EXPECT_EQ(C::DetectCode("\x8E\xB1"), C::Euc);       // SS2 and a kana byte
    EXPECT_EQ(C::DetectCode("\x8E\xE0"), C::ShiftJis);  // SS2 without a kana byte
    // Bytes from the first Ctrl-Z on are not considered.
    EXPECT_EQ(C::DetectCode("a\x1a\x82\xA0"), C::Jis);
    EXPECT_EQ(C::DetectCode("\xB4\xC1\x1a\xB4"), C::Euc);
    EXPECT_EQ(C::DetectCode(std::string_view()), C::Jis);
}

TEST(ToShiftJis, ConvertsEucAndJisLines) {
    EucJisConverter conv;
    EXPECT_EQ(Conv(conv, "\xB4\xC1"), kKan);
    EXPECT_EQ(Conv(conv, "\x1b$B4A\x1b(B"), kKan);
    EXPECT_EQ(Conv(conv, "a\x8E\xB1z"), "a\xB1z");  // EUC half-width kana
    // Kana mode in EUC, by escape sequence.
    EXPECT_EQ(Conv(conv, "\xB4\xC1\x1b(I1\x1b(J1"), kKan + "\xB1" + "1");
    // Kana mode in JIS, by escape sequence and by SO / SI.
    const std::string so = "\x0e", si = "\x0f", kana1 = "\xB1";
    EXPECT_EQ(Conv(conv, "\x1b(I1\x1b(B1" + so + "1" + si + "1"), kana1 + "1" + kana1 + "1");
    // An escape sequence that means nothing stays.
    EXPECT_EQ(Conv(conv, "\x1b(Zx"), "\x1b(Zx");
    EXPECT_FALSE(conv.KanjiMode());
    EXPECT_FALSE(conv.KanaMode());
}

TEST(ToShiftJis, LeavesShiftJisAndPlainLinesAlone) {
    EucJisConverter conv;
    std::string sjis = "\xB4\xC1\x82\xA0";
    EXPECT_EQ(Conv(conv, sjis), sjis);
    EXPECT_EQ(Conv(conv, "\xB4\xC1\xB4"), "\xB4\xC1\xB4");
    EXPECT_EQ(Conv(conv, "int a; /* x */"), "int a; /* x */");
    EXPECT_EQ(Conv(conv, ""), "");
    // The result is appended.
    std::string out = "kept";
    conv.ToShiftJis("\xB4\xC1", out);
    EXPECT_EQ(out, "kept" + kKan);
}

TEST(ToShiftJis, NeverReadsPastTheLineAndStopsAtNul) {
    EucJisConverter conv;
    // A lone first byte of a pair at the end of the line stays.
    EXPECT_EQ(Conv(conv, "\xB4\xC1\x1a\xB4"), kKan + "\x1a\xB4");
    EXPECT_EQ(Conv(conv, "\x1b$B4A4"), kKan + "4");
    EXPECT_TRUE(conv.KanjiMode());
    EXPECT_EQ(Conv(conv, "\x1b$"), "\x1b$");  // an escape cut short is no sequence
    EXPECT_EQ(Conv(conv, "\x0f"), "");
    // Clearing the top bit of 0x80 (behind a Ctrl-Z) gives a NUL: the line ends there.
    EXPECT_EQ(Conv(conv, "a\x1a\x80z"), "a\x1a");
}

TEST(ToShiftJis, ShiftStateCarriesAcrossLinesAndFiles) {
    Settings cnf = MakeDefaultSettings();
    cnf.ConvertEucJis = 1;
    ConverterState state;
    using Lines = std::vector<std::string>;
    // The first file switches to two-byte mode and never back; the next one starts in that mode.
    EXPECT_EQ(SourceLinesOf("x\n\x1b$B\n4A\n", cnf, state), (Lines{"x", "", kKan}));
    EXPECT_EQ(SourceLinesOf("4A\n\x1b(B4A\n", cnf, state), (Lines{kKan, "4A"}));
    // Only EucJis 1 converts; the state is then not touched either.
    SourceLinesOf("\x1b$B\n", cnf, state);
    cnf.ConvertEucJis = 2;
    EXPECT_EQ(SourceLinesOf("\xB4\xC1\n4A\x1b(B\n", cnf, state), (Lines{"\xB4\xC1", "4A\x1b(B"}));
    EXPECT_TRUE(state.Converter.KanjiMode());
}

TEST(ToShiftJis, GuessModeConvertsTheFileTwice) {
    // The first line is "/* c */" after a first conversion. The switch to two-byte
    // mode at its end lasts, so the counter's second load turns the whole line into
    // double-byte characters: code.
    std::string text = "/* c */\x1b$B\nx\n";
    Settings cnf = MakeDefaultSettings();
    cnf.ConvertEucJis = 1;
    cnf.CounterChoice = 4;
    TempDir dir;
    std::string path = dir.Write("g.c", text);

    CountContext guessed;
    FileCounts rec;
    CountFile(run::CountOptionsFrom(cnf), path, {"g.c", 0, 0}, rec, guessed);
    EXPECT_EQ(rec.Status, FileStatus::Counted);
    EXPECT_EQ(rec.Kind, CSource);

    ConverterState twice;
    EXPECT_EQ(SourceLinesOf(text, cnf, twice).front(), "/* c */");
    FileCounts counted;
    EXPECT_EQ(CountCFamily(run::CountOptionsFrom(cnf), text, counted, twice), FileStatus::Counted);
    EXPECT_EQ(rec.Total, counted.Total);
    EXPECT_EQ(rec.Comment, counted.Comment);
    EXPECT_EQ(rec.Total, 2);
    EXPECT_EQ(rec.Comment, 0);
    EXPECT_EQ(guessed.Converter.KanjiMode(), twice.Converter.KanjiMode());
}

}  // namespace
}  // namespace zarnik::engine
