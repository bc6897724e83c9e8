#include <gtest/gtest.h>

#include "engine/counters.h"
#include "engine_test_util.h"

namespace zarnik::engine {
namespace {

using settings::MakeDefaultSettings;
using settings::Settings;
using testing::Counts;

Counts Q(const std::string& text, const Settings& cnf = MakeDefaultSettings()) {
    return testing::CountRaw(CountPlSql, text, cnf);
}

// {status, total, comment, blank}; executable lines are the rest.
TEST(PlSqlCounter, DashDashIsTheLineCommentAndSlashSlashIsCode) {
    EXPECT_EQ(Q("select 1 from dual; -- note\n"), (Counts{0, 1, 0, 0}));
    EXPECT_EQ(Q("  -- note\n"), (Counts{0, 1, 1, 0}));
    EXPECT_EQ(Q("- - note\n"), (Counts{0, 1, 0, 0}));  // the two dashes must touch
    EXPECT_EQ(Q("x := 1; // words\n"), (Counts{0, 1, 0, 0}));
    EXPECT_EQ(Q("// words\n"), (Counts{0, 1, 0, 0}));
}

TEST(PlSqlCounter, BlockComments) {
    std::string text = "/* start\nwords\n\nwords */ x := 1;\n/* a /* b */ c;\n";
    EXPECT_EQ(Q(text), (Counts{0, 5, 3, 0}));  // blocks do not nest: "c;" is code
    Settings cnf = MakeDefaultSettings();
    cnf.BlankInCommentIsBlank = 1;
    EXPECT_EQ(Q(text, cnf), (Counts{0, 5, 2, 1}));
    // An asterisk-only line is an ordinary comment line here, whatever AstaOnly says.
    cnf.AsteriskLineIsBlank = 1;
    EXPECT_EQ(Q("/*\n *\n*/\n", cnf), (Counts{0, 3, 3, 0}));
    EXPECT_EQ(Q("-- x /*\ny;\n"), (Counts{0, 2, 1, 0}));  // "--" hides a later "/*"
}

TEST(PlSqlCounter, LiteralsHideCommentMarkers) {
    EXPECT_EQ(Q("v := '/*';\nnext;\n"), (Counts{0, 2, 0, 0}));
    // The doubled apostrophe keeps the literal open, so "--" and "/*" inside it are
    // not seen and the "/*" after it opens a block.
    EXPECT_EQ(Q("v := 'it''s -- /*'; /* open\nstill\n"), (Counts{0, 2, 1, 0}));
    // Inside a block too: an odd apostrophe blanks the rest of the line, "*/" included.
    EXPECT_EQ(Q("/* it's */\nstill\n"), (Counts{0, 2, 2, 0}));
    EXPECT_EQ(Q("/* 'a'' */\nstill\n"), (Counts{0, 2, 2, 0}));
    EXPECT_EQ(Q("/* 'a' */\nx;\n"), (Counts{0, 2, 1, 0}));
    EXPECT_EQ(Q("''\n"), (Counts{0, 1, 0, 0}));                  // an empty literal is code
    EXPECT_EQ(Q("\"a -- b\" /* x */\n"), (Counts{0, 1, 0, 0}));  // double quotes hide nothing
    EXPECT_EQ(Q("/* \"a */\" x\n"), (Counts{0, 1, 0, 0}));
}

TEST(PlSqlCounter, RemLines) {
    Settings cnf = MakeDefaultSettings();
    cnf.RemComments = 1;
    EXPECT_EQ(Q("REM /* opens nothing\nx;\n", cnf), (Counts{0, 2, 1, 0}));
    EXPECT_EQ(Q("/*\nrem */\nstill\n", cnf), (Counts{0, 3, 3, 0}));
    cnf.RemComments = 0;
    EXPECT_EQ(Q("REM x\n", cnf), (Counts{0, 1, 0, 0}));
}

}  // namespace
}  // namespace zarnik::engine
