#include <gtest/gtest.h>

#include "engine/counters.h"
#include "engine_test_util.h"

namespace zarnik::engine {
namespace {

using settings::MakeDefaultSettings;
using settings::Settings;
using testing::Counts;

Counts C(const std::string& text, const Settings& cnf = MakeDefaultSettings()) {
    return testing::CountRaw(CountCFamily, text, cnf);
}

// {status, total, comment, blank}; executable lines are the rest.
TEST(CFamilyCounter, CodeAndCommentsOnOneLine) {
    EXPECT_EQ(C("int a; /* note */\n"), (Counts{0, 1, 0, 0}));
    EXPECT_EQ(C("/* note */ int a;\n"), (Counts{0, 1, 0, 0}));
    EXPECT_EQ(C("  /* note */  \n"), (Counts{0, 1, 1, 0}));
    EXPECT_EQ(C("// only words\n"), (Counts{0, 1, 1, 0}));
    EXPECT_EQ(C("a = 1; // words\n"), (Counts{0, 1, 0, 0}));
    EXPECT_EQ(C("*/\n"), (Counts{0, 1, 0, 0}));  // a close without an open is code
}

TEST(CFamilyCounter, BlockCommentAcrossLines) {
    std::string text = "/* start words\nplain words\n\nwords */ a = 1;\nwords\n/* x\nwords */\n";
    EXPECT_EQ(C(text), (Counts{0, 7, 5, 0}));
    Settings cnf = MakeDefaultSettings();
    cnf.BlankInCommentIsBlank = 1;  // a blank line inside the comment is then a blank line
    EXPECT_EQ(C(text, cnf), (Counts{0, 7, 4, 1}));
    cnf.BlankInCommentIsBlank = 2;  // only 0 makes it a comment line
    EXPECT_EQ(C(text, cnf), (Counts{0, 7, 4, 1}));
    // Outside comments a blank line is always blank.
    EXPECT_EQ(C("a;\n\n  \t\n"), (Counts{0, 3, 0, 2}));
}

TEST(CFamilyCounter, CommentsDoNotNestAndSlashStarSlashStaysOpen) {
    EXPECT_EQ(C("/* a /* b */ word */\n"), (Counts{0, 1, 0, 0}));
    EXPECT_EQ(C("/*/\nstill comment\n"), (Counts{0, 2, 2, 0}));
    EXPECT_EQ(C("//* not a block\ncode;\n"), (Counts{0, 2, 1, 0}));
    EXPECT_EQ(C("/* a\n // x */ b;\n"), (Counts{0, 2, 1, 0}));  // "//" means nothing inside a block
    EXPECT_EQ(C("/* never closed\ncode();\n\nx;\n"), (Counts{0, 4, 4, 0}));
}

TEST(CFamilyCounter, LiteralsHideCommentMarkers) {
    EXPECT_EQ(C("s = \"/*\";\nnext;\n"), (Counts{0, 2, 0, 0}));
    EXPECT_EQ(C("s = \"a\\\"/*\";\nnext;\n"), (Counts{0, 2, 0, 0}));
    EXPECT_EQ(C("s = \"a\\\\\" /* x\nnext;\n"), (Counts{0, 2, 0, 0}));  // literal runs to the line end
    EXPECT_EQ(C("c = '\"'; /* x\nnext;\n"), (Counts{0, 2, 0, 0}));
    // Inside a comment too: the unclosed literal blanks "*/", so the comment stays open.
    EXPECT_EQ(C("/* \"word */\nstill;\n"), (Counts{0, 2, 2, 0}));
    EXPECT_EQ(C("\"\"\n"), (Counts{0, 1, 0, 0}));  // the quotes themselves are code
}

TEST(CFamilyCounter, FullWidthBlankIsCode) {
    EXPECT_EQ(C(zarnik::testing::Sj("　　") + "\n"), (Counts{0, 1, 0, 0}));
    EXPECT_EQ(C("/* x */" + zarnik::testing::Sj("　") + "\n"), (Counts{0, 1, 0, 0}));
}

TEST(CFamilyCounter, AsteriskOnlyLines) {
    Settings cnf = MakeDefaultSettings();
    cnf.AsteriskLineIsBlank = 1;
    cnf.BlankInCommentIsBlank = 1;
    EXPECT_EQ(C("/*\n  *  \n * words\n*/\n", cnf), (Counts{0, 4, 3, 1}));
    EXPECT_EQ(C("/*\n*,\n*; more words\n*/\n", cnf), (Counts{0, 4, 2, 2}));
    EXPECT_EQ(C("/*\n* *\n**\n*/\n", cnf), (Counts{0, 4, 4, 0}));
    EXPECT_EQ(C("*\n", cnf), (Counts{0, 1, 0, 0}));  // outside a comment: code
    cnf.BlankInCommentIsBlank = 0;
    EXPECT_EQ(C("/*\n *\n*/\n", cnf), (Counts{0, 3, 3, 0}));
    cnf.AsteriskLineIsBlank = 2;  // only exactly 1 switches it on
    cnf.BlankInCommentIsBlank = 1;
    EXPECT_EQ(C("/*\n *\n*/\n", cnf), (Counts{0, 3, 3, 0}));
    // An asterisk-only line never closes the comment.
    cnf.AsteriskLineIsBlank = 1;
    EXPECT_EQ(C("/*\n *\ncode;\n", cnf), (Counts{0, 3, 2, 1}));
}

TEST(CFamilyCounter, RemLinesAreCommentsAndKeepTheState) {
    Settings cnf = MakeDefaultSettings();
    cnf.RemComments = 1;
    EXPECT_EQ(C("REM a = 1;\n", cnf), (Counts{0, 1, 1, 0}));
    EXPECT_EQ(C("rem /* opens nothing\ncode;\n", cnf), (Counts{0, 2, 1, 0}));
    EXPECT_EQ(C("/*\nRem */\nstill comment\n", cnf), (Counts{0, 3, 3, 0}));
    cnf.RemComments = -1;  // any nonzero value
    EXPECT_EQ(C("Rem x\n", cnf), (Counts{0, 1, 1, 0}));
    cnf.RemComments = 0;
    EXPECT_EQ(C("Rem x\n", cnf), (Counts{0, 1, 0, 0}));
}

TEST(CFamilyCounter, BadLinesAreSkippedWithoutTouchingState) {
    std::string longLine(512, '*');
    // A long "*/" line inside a comment does not end it.
    EXPECT_EQ(C("/*\n" + longLine + "/\nwords\n"), (Counts{0, 2, 2, 0}));
    EXPECT_EQ(C("code;\n" + std::string(700, 'x')), (Counts{3, 1, 0, 0}));
    EXPECT_EQ(C(""), (Counts{0, 0, 0, 0}));
    EXPECT_EQ(testing::CountRaw(CountCFamily, "", MakeDefaultSettings()).Status, 0);
}

}  // namespace
}  // namespace zarnik::engine
