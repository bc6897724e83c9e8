// The table's counter reads most lines from bit masks and the rest one by one; read
// line by line (as with a line log) every text must count the same. Texts of each
// language's own markers, quotes, backslashes and line breaks, at random, find the
// lines where the masks would miss a change of state.
#include "engine/counter_generic.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "engine/count.h"
#include "engine/language_table.h"
#include "engine/line_scan.h"

namespace zarnik::engine {
namespace {

std::vector<std::string> Pieces(const Language& l) {
    std::vector<std::string> p = {" ",    "  ",       "\t", "x", "=1", "\n", "\n", "\r\n", "\\",
                                  "\\\n", "\x95\x5C", "#",  "/", "*",  "(",  ")",  "-"};
    auto add = [&](const std::vector<std::string>& v) { p.insert(p.end(), v.begin(), v.end()); };
    add(l.LineComments);
    add(l.LineStartComments);
    for (const CommentPair& c : l.Blocks) add({c.Open, c.Close, c.Open + " a " + c.Close});
    for (const CommentPair& c : l.LineStartBlocks) add({"\n" + c.Open, "\n" + c.Close + "\n"});
    for (const StringForm& s : l.Strings)
        add({s.Open, s.Close, s.Open + "a" + s.Close, s.Open.substr(0, s.Open.size() - 1), "r#\"", "\"#",
             "R\"x("});
    return p;
}

TEST(GenericCounter, MasksAndLineByLineAgreeOnRandomTexts) {
    const char* source = std::getenv("ZARNIK_SOURCE");
    LanguageTable table = LoadLanguageTable({std::string(source ? source : ".") + "/data/languages.conf"});
    ASSERT_FALSE(table.Languages.empty());
    // A language of our own that takes all seven classes the table pass holds, the
    // line break's among them, beside a line comment of one byte.
    ParseLanguages(
        "[Seven]\nkind = 7\nextensions = *.7\nline = #\nblock = (* *)\nstring = ''' ''' multi\n"
        "splice = 1\n",
        "test", table);
    ASSERT_NE(table.Find("Seven"), nullptr);
    std::mt19937 random(32);
    for (const Language& lang : table.Languages) {
        SCOPED_TRACE(lang.Name);
        const LanguageRules rules(lang);
        // The marks found by the asked bytes, as on processors without table lookups,
        // and every line walked byte by byte.
        LanguageRules byBytes(lang);
        byBytes.OnePass = false;
        byBytes.Short.On = false;
        auto agree = [&](const std::string& text) {
            for (const bool blankIsComment : {true, false}) {
                CountOptions opt;
                opt.BlankInCommentIsComment = blankIsComment;
                FileCounts masks, lines, bytes;
                ConverterState state;
                const FileStatus a = CountLanguage(opt, rules, text, masks, state);
                ASSERT_EQ(a, CountLanguage(opt, byBytes, text, bytes, state)) << text;
                ASSERT_EQ((std::array{masks.Total, masks.Comment, masks.Blank}),
                          (std::array{bytes.Total, bytes.Comment, bytes.Blank}))
                    << text;
                LineLog log;
                state.LineClasses = &log;
                const FileStatus b = CountLanguage(opt, rules, text, lines, state);
                ASSERT_EQ(a, b) << text;
                ASSERT_EQ((std::array{masks.Total, masks.Comment, masks.Blank}),
                          (std::array{lines.Total, lines.Comment, lines.Blank}))
                    << text;
            }
        };
        const std::vector<std::string> pieces = Pieces(lang);
        for (int round = 0; round < 300; ++round) {
            std::string text;
            // Now and then a text of more than one window of blocks (4 KiB), whose
            // marks run on from window to window.
            const auto length = std::uniform_int_distribution<int>(1, round % 30 == 0 ? 9000 : 400)(random);
            std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
            while (text.size() < static_cast<std::size_t>(length)) text += pieces[pick(random)];
            agree(text);
            if (HasFailure()) return;
        }
        // A line comment continued by a backslash at the last byte of a block and of
        // a window.
        for (const std::size_t at : {std::size_t{63}, std::size_t{4095}})
            for (const std::string& marker : lang.LineComments) {
                std::string text;
                while (text.size() + marker.size() + 4 < at) text += "x\n";
                text += marker;
                text.append(at - text.size(), ' ');
                agree(text + "\\\nint x;\n");
            }
    }
}

TEST(GenericCounter, ShortLineMasksAgreeWithoutAvx512) {
    const char open[2] = {'/', '*'}, close[2] = {'*', '/'}, line[2][2] = {{'/', '/'}, {'-', '-'}};
    const char stops[4] = {'"', '\\', '\'', '"'};
    std::mt19937 random(64);
    const std::string bytes = "/*-\"\\' \tx\x95";
    for (int round = 0; round < 2000; ++round) {
        std::string text(std::uniform_int_distribution<std::size_t>(0, 64)(random), ' ');
        for (char& c : text)
            c = bytes[std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(random)];
        const auto a = detail::MasksOfShortLine(text.data(), text.size(), open, close, line, stops);
        const auto b = detail::MasksOfShortLinePortable(text.data(), text.size(), open, close, line, stops);
        ASSERT_EQ((std::array{a.Open, a.Close, a.Line, a.White, a.Stop}),
                  (std::array{b.Open, b.Close, b.Line, b.White, b.Stop}))
            << text;
    }
}

}  // namespace
}  // namespace zarnik::engine
