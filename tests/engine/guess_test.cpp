#include <gtest/gtest.h>

#include "engine/source_kind.h"
#include "engine_test_util.h"

namespace zarnik::engine {
namespace {

using settings::MakeDefaultSettings;
using settings::Settings;
using zarnik::testing::TempDir;

struct Guessed {
    int Status, Kind;
    std::int64_t Total, Comment;
    bool operator==(const Guessed&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Guessed& g) {
    return os << "{status " << g.Status << ", kind " << g.Kind << ", total " << g.Total << ", comment "
              << g.Comment << "}";
}

// Counts text in mode 4 as the file name; Kind is the kind for the totals.
Guessed Guess(const std::string& text, const std::string& name = "x.c") {
    Settings cnf = MakeDefaultSettings();
    cnf.CounterChoice = 4;
    ConverterState state;
    FileCounts rec;
    rec.Name = name;
    rec.Kind = AsmSource;  // what an earlier file left is not taken over
    CountLoadedText(run::CountOptionsFrom(cnf), text, rec, state);
    return {static_cast<int>(rec.Status), rec.Kind, rec.Total, rec.Comment};
}

TEST(GuessKind, FirstMarkerLineDecides) {
    EXPECT_EQ(Guess("\n#include <stdio.h>\nint main() { return 0; }\n"), (Guessed{0, CSource, 3, 0}));
    EXPECT_EQ(Guess("; start\nmov ax, 1\n"), (Guessed{0, AsmSource, 2, 1}));
    // A prototype ends in ";" and holds no C marker: assembler, and counted so
    // ("// x" has no semicolon comment: code).
    EXPECT_EQ(Guess("int f(void);\n// x\n"), (Guessed{0, AsmSource, 2, 0}));
    // Lines before the marker line are counted by the chosen counter all the same.
    EXPECT_EQ(Guess("hello\n/* c */\nint a;\n"), (Guessed{0, CSource, 3, 1}));
    // Plain substring search ignoring case: "mov" in "remove".
    EXPECT_EQ(Guess("Remove(x)\n"), (Guessed{0, AsmSource, 1, 0}));
    // A marker on a line left out as too long is not seen.
    EXPECT_EQ(Guess("x\n" + std::string(600, '{') + "\npush ax\n"), (Guessed{0, AsmSource, 2, 0}));
}

TEST(GuessKind, FirstMarkerInTableOrderNotTheLeftmost) {
    // "{" at 1, ";" at 4, "/*" at 8: C's position is that of "/*", so assembler wins.
    EXPECT_EQ(Guess("{ a; b /* c */\n").Kind, AsmSource);
    EXPECT_EQ(Guess("static int abcdefgh;\n").Kind, CSource);  // static at 1, ";" at 20
    EXPECT_EQ(Guess("; a static\n").Kind, AsmSource);          // ";" at 1, static at 5
    // "extrn" (at 16) comes before "push" (at 1) in its table, so "static" at 9 wins.
    EXPECT_EQ(Guess("push ax static extrn\n").Kind, CSource);
}

TEST(GuessKind, KindFollowsTheExtensionWithinTheFamily) {
    EXPECT_EQ(Guess("{\n", "x.java").Kind, Java);
    EXPECT_EQ(Guess("{\n", "x.h").Kind, CHeader);
    EXPECT_EQ(Guess("{\n", "x.inc").Kind, CSource);
    EXPECT_EQ(Guess("{\n", "Makefile").Kind, CSource);
    EXPECT_EQ(Guess(";\n", "x.inc").Kind, AsmHeader);
    EXPECT_EQ(Guess(";\n", "x.h").Kind, AsmSource);
    Settings cnf = MakeDefaultSettings();
    EXPECT_EQ(KindInFamily(run::CountOptionsFrom(cnf), "/src.h/x.java", CSource), Java);
    EXPECT_EQ(KindInFamily(run::CountOptionsFrom(cnf), "/src.inc/x", AsmSource), AsmSource);
}

TEST(GuessKind, NoMarkerCountsNothingAndKindZero) {
    EXPECT_EQ(Guess("hello\nworld\n", "x.c"), (Guessed{0, NoKind, 0, 0}));
    EXPECT_EQ(Guess("\n\n  \n", "x.c"), (Guessed{0, NoKind, 0, 0}));
    // ... unless the last line is too long.
    EXPECT_EQ(Guess("hello\n" + std::string(600, 'x')).Status, 3);
    EXPECT_EQ(Guess("hello\n" + std::string(600, 'x') + "\n;\n").Status, 0);
}

TEST(GuessKind, ExtensionOutsideAsciiKeepsItsKind) {
    // The name is matched as the report shows it (Shift-JIS), like the kind text.
    Settings cnf = MakeDefaultSettings();
    cnf.ExtensionPatterns[0] = zarnik::testing::Sj("*.ヘ");
    settings::RebuildExtensionLists(cnf);
    cnf.CounterChoice = 4;
    const std::string name = zarnik::testing::Sj("x.ヘ");
    TempDir dir;
    CountContext ctx;
    FileCounts rec;
    CountFile(run::CountOptionsFrom(cnf), dir.Write("x.ヘ", "{\n"), {name, 0, 2}, rec, ctx);
    EXPECT_EQ(rec.Kind, CHeader);
}

}  // namespace
}  // namespace zarnik::engine
