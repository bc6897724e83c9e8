#include <gtest/gtest.h>

#include "engine/counters.h"
#include "engine_test_util.h"

namespace zarnik::engine {
namespace {

using settings::MakeDefaultSettings;
using settings::Settings;
using testing::Counts;
using zarnik::testing::Sj;

Counts A(const std::string& text, const Settings& cnf = MakeDefaultSettings()) {
    return testing::CountRaw(CountAsm, text, cnf);
}

// {status, total, comment, blank}; executable lines are the rest.
TEST(AsmCounter, SemicolonComments) {
    EXPECT_EQ(A("mov ax, 1\n"), (Counts{0, 1, 0, 0}));
    EXPECT_EQ(A("mov ax, 1 ; set it\n"), (Counts{0, 1, 0, 0}));
    EXPECT_EQ(A("  ; remark\n\n"), (Counts{0, 2, 1, 1}));
    // A semicolon inside a quoted operand still starts the comment part, but the
    // bytes before it are code.
    EXPECT_EQ(A("db \"a;b\"\n"), (Counts{0, 1, 0, 0}));
}

TEST(AsmCounter, CommentBlockEndsAtItsDelimiter) {
    std::string text = "COMMENT !\nwords\n\nmore ! mov ax, 1\nmov bx, 2\n";
    EXPECT_EQ(A(text), (Counts{0, 5, 4, 0}));  // the closing line is a comment line as a whole
    Settings cnf = MakeDefaultSettings();
    cnf.BlankInCommentIsBlank = 1;
    EXPECT_EQ(A(text, cnf), (Counts{0, 5, 3, 1}));
    // Opened and closed on one line.
    EXPECT_EQ(A("COMMENT * some words *\nmov ax, 1\n"), (Counts{0, 2, 1, 0}));
    // Any non-blank byte is a delimiter, a digit too; only the same byte closes.
    EXPECT_EQ(A("comment 7 words\n 8 9 !\n x 7 y\nmov\n"), (Counts{0, 4, 3, 0}));
    // A never-closed block lasts to the end of the file.
    EXPECT_EQ(A("COMMENT #\nmov ax, 1\n; x\npush ax\n"), (Counts{0, 4, 4, 0}));
}

TEST(AsmCounter, TheWordIsFoundAnywhereInLongerLines) {
    // After "; comment" the delimiter is the first letter of the next word.
    EXPECT_EQ(A("mov ax, 1 ; comment here\nstill in block\nthe h closes\nmov bx, 2\n"), (Counts{0, 4, 3, 0}));
    // Only blanks after the word: no block, but the scan starts after the word, so
    // the instruction before it is never seen.
    EXPECT_EQ(A("mov ax, 1 ; Comment   \nmov bx, 2\n"), (Counts{0, 2, 1, 0}));
    // Inside a longer name: "_" after the word is the delimiter.
    EXPECT_EQ(A("jmp LABEL_COMMENT_FLAG\nx\nfoo_bar\nmov\n"), (Counts{0, 4, 3, 0}));
    // A line of exactly the seven bytes is never searched; one more blank and it is.
    EXPECT_EQ(A("COMMENT\n"), (Counts{0, 1, 0, 0}));
    EXPECT_EQ(A("COMMENT \nmov\n"), (Counts{0, 2, 1, 0}));
    // Inside a block the word is not looked for: "!" closes, "#" opens nothing.
    EXPECT_EQ(A("COMMENT !\ncomment # !\nmov\n"), (Counts{0, 3, 2, 0}));
}

TEST(AsmCounter, DelimiterIsOneByte) {
    // A double-byte delimiter is its first byte: "い" (0x82 0xA2) closes a block
    // opened with "あ" (0x82 0xA0).
    EXPECT_EQ(A("COMMENT " + Sj("あ") + "\nx\n" + Sj("い") + "\nmov\n"), (Counts{0, 4, 3, 0}));
}

TEST(AsmCounter, RemLinesKeepTheBlockState) {
    Settings cnf = MakeDefaultSettings();
    cnf.RemComments = 1;
    EXPECT_EQ(A("COMMENT !\nRem ! here\nstill\n!\nmov\n", cnf), (Counts{0, 5, 4, 0}));
    EXPECT_EQ(A("rem mov ax, COMMENT !\nmov\n", cnf), (Counts{0, 2, 1, 0}));  // opens nothing
    cnf.RemComments = 0;  // then the same line closes the block
    EXPECT_EQ(A("COMMENT !\nRem ! here\nstill\n!\nmov\n", cnf), (Counts{0, 5, 2, 0}));
}

TEST(AsmCounter, BlockStateLivesForOneFileAndSkipsBadLines) {
    // A bad line holding the delimiter does not close the block.
    EXPECT_EQ(A("COMMENT !\n" + std::string(600, '!') + "\nstill\n"), (Counts{0, 2, 2, 0}));
    EXPECT_EQ(A("mov\n" + std::string(512, 'x')), (Counts{3, 1, 0, 0}));

    Settings cnf = MakeDefaultSettings();
    ConverterState state;
    FileCounts first, second;
    EXPECT_EQ(CountAsm(run::CountOptionsFrom(cnf), "COMMENT !\nopen\n", first, state), FileStatus::Counted);
    EXPECT_EQ(CountAsm(run::CountOptionsFrom(cnf), "mov ax, 1\n", second, state), FileStatus::Counted);
    EXPECT_EQ(second.Comment, 0);
}

}  // namespace
}  // namespace zarnik::engine
