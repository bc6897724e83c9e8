#include <gtest/gtest.h>

#include "engine/counters.h"
#include "engine_test_util.h"

namespace zarnik::engine {
namespace {

using settings::MakeDefaultSettings;
using settings::Settings;
using testing::Counts;

Counts B(const std::string& text, const Settings& cnf = MakeDefaultSettings()) {
    return testing::CountRaw(CountBasic, text, cnf);
}

// {status, total, comment, blank}; executable lines are the rest.
TEST(BasicCounter, RemAndApostropheComments) {
    Settings cnf = MakeDefaultSettings();
    ASSERT_EQ(cnf.RemComments, 0);  // Rem lines are comments whatever RemCmt says
    EXPECT_EQ(B("Rem note\nREM\nrem, x\nRemark = 1\n", cnf), (Counts{0, 4, 3, 0}));
    EXPECT_EQ(B("a = 1 ' note\n"), (Counts{0, 1, 0, 0}));
    EXPECT_EQ(B("  ' note\n"), (Counts{0, 1, 1, 0}));
    EXPECT_EQ(B("s = \"it's\"\n"), (Counts{0, 1, 0, 0}));
    // An escaped apostrophe in a line with a double quote is a full-width blank: code.
    EXPECT_EQ(B("\\' x \"q\"\n"), (Counts{0, 1, 0, 0}));
}

TEST(BasicCounter, ContinuedComments) {
    EXPECT_EQ(B("' note _\nx = 1\ny = 2\n"), (Counts{0, 3, 2, 0}));
    EXPECT_EQ(B("' note _\nx = 1 _\n' y\nz = 1\n"), (Counts{0, 4, 3, 0}));  // chained
    EXPECT_EQ(B("' note\t_\nx = 1\ny = 2\n"), (Counts{0, 3, 2, 0}));        // TAB before "_"
    EXPECT_EQ(B("Rem note _\nx = 1\ny = 2\n"), (Counts{0, 3, 2, 0}));
    // A code line with the mark continues nothing.
    EXPECT_EQ(B("a = 1 ' note _\nb = 2\n"), (Counts{0, 2, 0, 0}));
    EXPECT_EQ(B(" _\nb = 2\n"), (Counts{0, 2, 0, 0}));
    // No continuation: underscore joined to a word, or followed by blanks.
    EXPECT_EQ(B("' word_\nb = 2\n"), (Counts{0, 2, 1, 0}));
    EXPECT_EQ(B("' note _ \nb = 2\n"), (Counts{0, 2, 1, 0}));
    EXPECT_EQ(B("_\nb = 2\n"), (Counts{0, 2, 0, 0}));
    // The last character is double-byte (0x81 followed by a blank), not "_ " plus blank.
    EXPECT_EQ(B("' x\x81 _\nb = 2\n"), (Counts{0, 2, 1, 0}));
    // Two lead bytes make one character, so the blank and "_" after them are the mark.
    EXPECT_EQ(B("' x\x81\x81 _\nb = 2\n"), (Counts{0, 2, 2, 0}));
}

TEST(BasicCounter, WhatEndsAContinuation) {
    // Blank lines keep it going and follow InCmnt.
    std::string text = "' a _\n\nb = 1\nc = 1\n";
    EXPECT_EQ(B(text), (Counts{0, 4, 3, 0}));
    Settings cnf = MakeDefaultSettings();
    cnf.BlankInCommentIsBlank = 1;
    EXPECT_EQ(B(text, cnf), (Counts{0, 4, 2, 1}));
    // A Rem line never ends it, with or without the mark.
    EXPECT_EQ(B("' a _\nRem b\nc = 1\nd = 1\n"), (Counts{0, 4, 3, 0}));
    // Inside a continuation an apostrophe-only line is a comment line and ends it.
    EXPECT_EQ(B("' a _\n' b\nc = 1\n"), (Counts{0, 3, 2, 0}));
    // The state lives for one file: the mark on the last line is forgotten.
    ConverterState state;
    FileCounts first, second;
    Settings def = MakeDefaultSettings();
    EXPECT_EQ(CountBasic(run::CountOptionsFrom(def), "' a _\n", first, state), FileStatus::Counted);
    EXPECT_EQ(CountBasic(run::CountOptionsFrom(def), "x = 1\n", second, state), FileStatus::Counted);
    EXPECT_EQ(second.Comment, 0);
}

}  // namespace
}  // namespace zarnik::engine
