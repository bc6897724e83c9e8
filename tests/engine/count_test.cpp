#include "engine/count.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "engine/counter_generic.h"
#include "engine/source_kind.h"
#include "engine_test_util.h"
#include "run/count_options.h"

namespace zarnik::engine {
namespace {

using settings::MakeDefaultSettings;
using settings::Settings;
using testing::CountText;
using zarnik::testing::TempDir;

TEST(ProbeBytes, LooksAtBytesTwoTo515) {
    EXPECT_EQ(ProbeBytes(""), FileStatus::Unrecognised);
    EXPECT_EQ(ProbeBytes("\n"), FileStatus::Unrecognised);
    EXPECT_EQ(ProbeBytes("x\n"), FileStatus::Counted);
    EXPECT_EQ(ProbeBytes(std::string("\0\n", 2)), FileStatus::Counted);  // first byte never examined
    EXPECT_EQ(ProbeBytes(std::string("ab\0\n", 4)), FileStatus::NotSource);
    EXPECT_EQ(ProbeBytes(std::string("a\r\0", 3)), FileStatus::Counted);
    EXPECT_EQ(ProbeBytes("abc"), FileStatus::Unfit);
    EXPECT_EQ(ProbeBytes(std::string(515, 'x') + "\n"), FileStatus::Unfit);
    EXPECT_EQ(ProbeBytes(std::string(514, 'x') + "\n"), FileStatus::Counted);
    // The first NUL, CR or LF decides, wherever in the head it stands; what follows it does not.
    for (std::size_t at = 1; at < 530; ++at)
        for (const char c : {'\0', '\r', '\n'}) {
            const std::string head =
                std::string(at, '\xE3') + c + (c == '\0' ? "\n" : std::string(1, '\0')) + "x";
            const FileStatus want = at >= 515   ? FileStatus::Unfit
                                    : c == '\0' ? FileStatus::NotSource
                                                : FileStatus::Counted;
            ASSERT_EQ(ProbeBytes(head), want) << at << " " << int{c};
        }
}

// A language's stored pattern replaces the table's extensions for the count; its
// key matches ignoring letter case, as INI keys do. A name no INI key can hold
// (with "=", after ";", or one letter case from another) keeps the table's.
TEST(CountFile, AStoredLanguagePatternIsWhatTheCountMatches) {
    LanguageTable table;
    ParseLanguages(
        "[Py]\nkind = Py\nextensions = *.py\nline = #\n"
        "[a=b]\nkind = Ab\nextensions = *.ab\n[;x]\nkind = X\nextensions = *.x\n"
        "[Up]\nkind = Up\nextensions = *.up\n[UP]\nkind = UP\nextensions = *.uq\n",
        "t.conf", table);
    ASSERT_TRUE(table.Errors.empty());
    EXPECT_EQ(PatternKeys(table), (std::vector<std::string>{"Py", "", "", "", ""}));
    const auto before = InstalledLanguages();
    InstallLanguages(MakeLanguageSet(std::move(table)));
    Settings cnf = MakeDefaultSettings();
    EXPECT_EQ(run::CountOptionsFrom(cnf).Languages,
              InstalledLanguages());  // nothing stored: the table itself
    cnf.LanguagePatterns = {{"PY", "*.pyx, *.c"}, {"a=b", "*.py"}, {"UP", "*.py"}, {"Gone", "*.py"}};
    const FileCounts pyx = CountText("# note\nx = 1\n", cnf, "m.pyx");
    EXPECT_EQ(pyx.Kind, TableKind(0));
    EXPECT_EQ(pyx.Comment, 1);
    EXPECT_EQ(CountText("x = 1\n", cnf, "m.py").Status, FileStatus::NotTarget);
    EXPECT_EQ(CountText("x = 1\n", cnf, "m.ab").Kind, TableKind(1));
    EXPECT_EQ(CountText("int x;\n", cnf, "m.c").Kind, CSource);  // the built-in kinds come first
    InstallLanguages(before);
}

TEST(CountFile, WhatIsNoRegularFileIsMissing) {
    TempDir dir;
    std::string fifo = dir.str() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);  // never read, so never blocks
    const CountOptions opt = run::CountOptionsFrom(MakeDefaultSettings());
    for (const std::string& path : {fifo, dir.str() + "/missing.c", std::string(), dir.str()}) {
        FileCounts rec;
        CountContext ctx;
        CountFile(opt, path, {"x.c", 0, 0}, rec, ctx);
        EXPECT_EQ(rec.Status, FileStatus::Missing) << path;
    }
}

TEST(CountFile, ReadErrorIsAnErrorNotAStatus) {
    // /proc/self/mem is a regular file whose first page cannot be read (EIO), even by root.
    FileCounts rec;
    CountContext ctx;
    try {
        CountFile(run::CountOptionsFrom(MakeDefaultSettings()), "/proc/self/mem", {"mem", 0, 0}, rec, ctx);
        FAIL() << "no error raised";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), "/proc/self/mem");
        EXPECT_EQ(e.Code(), EIO);
    }
}

TEST(CountFile, StatusesOfFilesThatAreNotCounted) {
    Settings cnf = MakeDefaultSettings();
    EXPECT_EQ(CountText("x\n", cnf, "foo.txt").Status, FileStatus::NotTarget);
    EXPECT_EQ(CountText("x\n", cnf, "Makefile").Status, FileStatus::NotTarget);
    EXPECT_EQ(CountText(std::string("a\0\n", 3), cnf).Status, FileStatus::NotSource);
    EXPECT_EQ(CountText("int a;", cnf).Status, FileStatus::Unfit);
    EXPECT_EQ(CountText("a", cnf).Status, FileStatus::Unrecognised);
    EXPECT_EQ(CountText("", cnf).Status, FileStatus::Unrecognised);
    cnf.CounterChoice = 7;
    FileCounts rec = CountText("x\n", cnf);
    EXPECT_EQ(rec.Status, FileStatus::NotTarget);
    EXPECT_STREQ(report::WordsOfKind(rec.NameKind).Column, "??? ");
    FileCounts missing;
    CountContext ctx;
    CountFile(run::CountOptionsFrom(cnf), "/nonexistent/zarnik/x.c", {"x.c", 0, 0}, missing, ctx);
    EXPECT_EQ(missing.Status, FileStatus::Missing);
}

TEST(CountFile, FillsTheRecordFromTheEntry) {
    Settings cnf = MakeDefaultSettings();
    TempDir dir;
    std::string path = dir.Write("MAIN.C", "int a; /* x */\n\n/* only */\n");
    FileCounts rec;
    rec.Total = 99;  // reset first
    CountContext ctx;
    CountFile(run::CountOptionsFrom(cnf), path, {"MAIN.C", 1'000'000'000, 1234}, rec,
              ctx);  // 2001-09-09 10:46:40 JST
    EXPECT_EQ(rec.Status, FileStatus::Counted);
    EXPECT_EQ(rec.Name, "MAIN.C");
    EXPECT_EQ(rec.MTime, 1'000'000'000);
    EXPECT_EQ(rec.Size, 1234);
    EXPECT_EQ(rec.NameKind, CSource);
    EXPECT_EQ(rec.Total, 3);
    EXPECT_EQ(rec.Comment, 1);
    EXPECT_EQ(rec.Blank, 1);
    EXPECT_EQ(rec.Exec, 1);
    EXPECT_FLOAT_EQ(rec.Ratio, 100.0f / 3.0f);
}

TEST(CountFile, NulFirstByteIsCountedWithNoLines) {
    FileCounts rec = CountText(std::string("\0int a;\n", 8), MakeDefaultSettings());
    EXPECT_EQ(rec.Status, FileStatus::Counted);
    EXPECT_EQ(rec.Total, 0);
    EXPECT_EQ(rec.Ratio, 0.0f);
}

TEST(CountFile, LongLineIsLeftOutUnlessItIsTheLast) {
    Settings cnf = MakeDefaultSettings();
    std::string longLine(600, 'x');
    FileCounts mid = CountText("int a;\n" + longLine + "\nint b;\n", cnf);
    EXPECT_EQ(mid.Status, FileStatus::Counted);
    EXPECT_EQ(mid.Total, 2);
    EXPECT_EQ(CountText("int a;\n" + longLine + "\n", cnf).Status, FileStatus::Unfit);
    // A NUL in the middle ends the text: what follows is not counted, by any
    // counter, also after Shift-JIS or UTF-8 text and when the text is converted.
    FileCounts cut = CountText(std::string("int a;\nint b;\n\0int c;\n", 22), cnf);
    EXPECT_EQ(cut.Status, FileStatus::Counted);
    EXPECT_EQ(cut.Total, 2);
    const std::string after = std::string(1, '\0') + "/* x\n" + longLine + "\n";
    for (const std::string& before :
         {zarnik::testing::Sj("x = 1; ' 表\n"), std::string("x = 1; ' \xE8\xA1\xA8\n")})
        for (const char* name : {"a.c", "a.asm", "a.sql", "a.bas"})
            for (int variant = 0; variant < 3; ++variant) {
                Settings c = MakeDefaultSettings();
                c.ConvertEucJis = variant == 1;
                c.ConvertUtf8 = variant != 2;
                const FileCounts rec = CountText(before + "x\n" + after, c, name);
                EXPECT_EQ(rec.Status, FileStatus::Counted) << name << " " << variant;
                EXPECT_EQ(rec.Total, 2) << name << " " << variant;
            }
}

TEST(CountFile, ForcedModesChooseCounterAndKindText) {
    Settings cnf = MakeDefaultSettings();
    cnf.CounterChoice = 1;
    FileCounts asmAsC = CountText("mov ax, 1 // c\n", cnf, "x.asm");
    EXPECT_EQ(asmAsC.Status, FileStatus::Counted);
    EXPECT_EQ(asmAsC.NameKind, CSource);
    EXPECT_EQ(asmAsC.Kind, CSource);
    auto totalsKind = [&](const char* name) {
        return ChooseByMode(run::CountOptionsFrom(cnf), name).TotalsKind;
    };
    EXPECT_EQ(totalsKind("x.H"), CHeader);
    cnf.CounterChoice = 3;
    EXPECT_EQ(CountText("x\n", cnf, "x.txt").NameKind, Java);
    EXPECT_EQ(totalsKind("x.c"), Java);
    cnf.CounterChoice = 2;
    EXPECT_EQ(totalsKind("x.inc"), AsmHeader);
    EXPECT_EQ(totalsKind("x.c"), AsmSource);
    cnf.CounterChoice = 4;
    EXPECT_EQ(testing::KindColumn(cnf, "x.h"), std::string("C   "));
    EXPECT_EQ(totalsKind("x.h"), -1);  // the guess decides
}

TEST(CountFile, EveryModeCountsWithItsCounter) {
    // The comment count tells the counter: one assembler, two PL/SQL, three BASIC
    // and four C comment lines.
    const std::string text = "; a\n-- b\n-- c\n' d\n' e\n' f\n// g\n// h\n// i\n// j\n";
    Settings cnf = MakeDefaultSettings();
    struct Case {
        int mode;
        const char* name;
        int comments;
    };
    for (Case c : {Case{0, "x.c", 4}, Case{0, "x.java", 4}, Case{0, "x.inc", 1}, Case{0, "x.asm", 1},
                   Case{0, "x.sql", 2}, Case{0, "x.bas", 3}, Case{1, "x.bas", 4}, Case{2, "x.c", 1},
                   Case{3, "x.asm", 4}, Case{4, "x.bas", 1}, Case{5, "x.c", 2}, Case{6, "x.c", 3}}) {
        cnf.CounterChoice = c.mode;
        FileCounts rec = CountText(text, cnf, c.name);
        EXPECT_EQ(rec.Status, FileStatus::Counted) << c.mode << " " << c.name;
        EXPECT_EQ(rec.Total, 10) << c.mode << " " << c.name;
        EXPECT_EQ(rec.Comment, c.comments) << c.mode << " " << c.name;
    }
}

TEST(KindFromExtension, FirstListHoldingTheExtensionWins) {
    Settings cnf = MakeDefaultSettings();
    EXPECT_EQ(KindFromExtension(run::CountOptionsFrom(cnf), "FOO.C"), CSource);
    EXPECT_EQ(KindFromExtension(run::CountOptionsFrom(cnf), "foo.h"), CHeader);
    EXPECT_EQ(KindFromExtension(run::CountOptionsFrom(cnf), "main.CPP"), CSource);
    EXPECT_EQ(KindFromExtension(run::CountOptionsFrom(cnf), "x.tar.java"), Java);
    EXPECT_EQ(KindFromExtension(run::CountOptionsFrom(cnf), "foo.txt"), NoKind);
    EXPECT_EQ(KindFromExtension(run::CountOptionsFrom(cnf), "Makefile"), NoKind);
    EXPECT_EQ(KindFromExtension(run::CountOptionsFrom(cnf), "trailing."), NoKind);
    cnf.ExtensionPatterns[0] = "*.h,*.c";
    settings::RebuildExtensionLists(cnf);
    EXPECT_EQ(KindFromExtension(run::CountOptionsFrom(cnf), "x.c"), CHeader);
}

TEST(FinishCounts, BlankLineOptions) {
    struct Case {
        int kgCmt, kgNon, total, comment, exec;
        float ratio;
    };
    for (Case c : {Case{0, 0, 10, 3, 5, 30.0f}, Case{1, 0, 10, 5, 5, 50.0f}, Case{0, 1, 8, 3, 5, 37.5f},
                   Case{1, 1, 8, 5, 5, 62.5f}}) {
        Settings cnf = MakeDefaultSettings();
        cnf.BlankLinesAsComment = c.kgCmt;
        cnf.BlankLinesOutOfTotal = c.kgNon;
        FileCounts rec;
        rec.Total = 10;
        rec.Comment = 3;
        rec.Blank = 2;
        FinishCounts(run::CountOptionsFrom(cnf), rec);
        EXPECT_EQ(rec.Total, c.total);
        EXPECT_EQ(rec.Comment, c.comment);
        EXPECT_EQ(rec.Exec, c.exec);
        EXPECT_EQ(rec.Blank, 2);
        EXPECT_EQ(rec.Ratio, c.ratio);
    }
    Settings cnf = MakeDefaultSettings();
    cnf.BlankLinesOutOfTotal = 1;
    FileCounts onlyBlank;
    onlyBlank.Total = onlyBlank.Blank = 4;
    FinishCounts(run::CountOptionsFrom(cnf), onlyBlank);
    EXPECT_EQ(onlyBlank.Total, 0);
    EXPECT_EQ(onlyBlank.Ratio, 0.0f);
    cnf.BlankLinesOutOfTotal = 2;  // only exactly 1 switches the option on
    FileCounts two;
    two.Total = two.Blank = 4;
    FinishCounts(run::CountOptionsFrom(cnf), two);
    EXPECT_EQ(two.Total, 4);
}

TEST(FinishCounts, RatioInSinglePrecision) {
    Settings cnf = MakeDefaultSettings();
    FileCounts rec;
    rec.Total = 3;
    rec.Comment = 1;
    FinishCounts(run::CountOptionsFrom(cnf), rec);
    EXPECT_EQ(rec.Ratio, 100.0f / 3.0f);
}

}  // namespace
}  // namespace zarnik::engine
