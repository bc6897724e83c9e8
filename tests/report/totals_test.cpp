#include "report/totals.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/count.h"
#include "engine/source_kind.h"
#include "report/report.h"
#include "run/count_options.h"
#include "test_util.h"

namespace zarnik::report {
namespace {

using settings::MakeDefaultSettings;
using settings::Settings;
using zarnik::testing::Sj;

engine::FileCounts Counted(const char* name, std::int64_t size, std::int64_t total, std::int64_t comment,
                           std::int64_t exec, std::int64_t blank) {
    engine::FileCounts r;
    r.Name = name;
    r.Kind = engine::KindFromExtension(run::CountOptionsFrom(MakeDefaultSettings()), name);
    r.Size = size;
    r.Total = total;
    r.Comment = comment;
    r.Exec = exec;
    r.Blank = blank;
    return r;
}

std::vector<std::string> Lines(const std::function<void(const AppendLine&)>& write) {
    std::vector<std::string> lines;
    write([&](const std::string& l) { lines.push_back(l); });
    return lines;
}

TEST(Totals, ClosingBlockOfThreeFiles) {
    Settings cnf = MakeDefaultSettings();
    ReportTotals totals;
    AddToTotals(Counted("MAIN.H", 300, 20, 10, 8, 2), totals);
    AddToTotals(Counted("MAIN.C", 1234, 100, 20, 70, 10), totals);
    AddToTotals(Counted("UTIL.C", 600, 50, 5, 40, 5), totals);
    std::string dash(88, '-'), equals(88, '=');
    std::vector<std::string> expected = {
        dash,
        Sj("□C･ﾍｯﾀﾞ合計             1個           300           20      10       8       2  -------"),
        Sj("□C･ﾍｯﾀﾞ平均                           300           20      10       8       2  50.00％"),
        dash,
        Sj("□C･ｿｰｽ 合計             2個         1,834          150      25     110      15  -------"),
        Sj("□C･ｿｰｽ 平均                           917           75      12      55       7  16.00％"),
        equals,
        Sj("■全ｿｰｽﾌｧｲﾙ総合計        3個         2,134          170      35     118      17  -------"),
        Sj("■全ｿｰｽﾌｧｲﾙ総平均                      711           56      11      39       5  19.64％"),
    };
    EXPECT_EQ(Lines([&](const AppendLine& s) { WriteClosingBlock(ReportLayout::From(cnf), totals, 13, s); }),
              expected);
    // The folder subtotal holds the same files.
    auto block = Lines([&](const AppendLine& s) {
        WriteFolderSubtotalBlock(ReportLayout::From(cnf), totals.FolderSubtotal, 13, s);
    });
    ASSERT_EQ(block.size(), 4u);
    EXPECT_EQ(block[1],
              Sj("△ﾌｫﾙﾀﾞ内小計            3個         2,134          170      35     118      17  -------"));
    EXPECT_EQ(block[2],
              Sj("△ﾌｫﾙﾀﾞ内平均                          711           56      11      39       5  19.64％"));
    EXPECT_EQ(block[0], dash);
    EXPECT_EQ(block[3], dash);
    EXPECT_EQ(totals.GrandTotal.FileCount, 3);
}

TEST(Totals, AnEmptyRunStillEndsWithZeroGrandRows) {
    Settings cnf = MakeDefaultSettings();
    ReportTotals totals;
    auto lines =
        Lines([&](const AppendLine& s) { WriteClosingBlock(ReportLayout::From(cnf), totals, 13, s); });
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(88, '='));
    EXPECT_EQ(lines[1],
              Sj("■全ｿｰｽﾌｧｲﾙ総合計        0個             0            0       0       0       0  -------"));
    EXPECT_EQ(lines[2],
              Sj("■全ｿｰｽﾌｧｲﾙ総平均                        0            0       0       0       0   0.00％"));
}

TEST(Totals, KindZeroStaysOutOfThePrintedSums) {
    Settings cnf = MakeDefaultSettings();
    cnf.CounterChoice = 4;  // guess mode: the totals take the guessed kind
    ReportTotals totals;
    engine::FileCounts unguessed = Counted("a.h", 10, 4, 1, 3, 0), guessed = Counted("b.h", 10, 4, 1, 3, 0);
    unguessed.Kind = engine::NoKind;
    guessed.Kind = engine::AsmSource;
    AddToTotals(unguessed, totals);
    AddToTotals(guessed, totals);
    EXPECT_EQ(totals.Kinds[0].FileCount, 1);
    EXPECT_EQ(totals.Kinds[4].FileCount, 1);
    EXPECT_EQ(totals.Kinds[1].FileCount, 0);
    EXPECT_EQ(totals.GrandTotal.FileCount, 1);
    EXPECT_EQ(totals.FolderSubtotal.FileCount, 1);
    auto lines =
        Lines([&](const AppendLine& s) { WriteClosingBlock(ReportLayout::From(cnf), totals, 13, s); });
    EXPECT_EQ(lines.size(), 6u);  // the assembler source block and the grand rows
    EXPECT_EQ(lines[1].substr(0, 14), TotalsLabel({engine::AsmSource, false}));
}

TEST(Totals, AveragesTruncateAndTheirRatioComesFromThem) {
    CountSum sum;
    sum.FileCount = 2;
    sum.Comment = 5;
    sum.Total = 9;
    sum.Size = -3;
    CountSum avg = ComputeAverages(sum);
    EXPECT_EQ(avg.Comment, 2);
    EXPECT_EQ(avg.Total, 4);
    EXPECT_EQ(avg.Size, -1);  // toward zero
    EXPECT_EQ(avg.FileCount, 0);
    EXPECT_FLOAT_EQ(avg.Ratio, 50.0f);
    EXPECT_EQ(ComputeAverages(CountSum{}).Ratio, 0.0f);
    // Sums are 64-bit: three billion lines do not wrap.
    CountSum big;
    big.FileCount = 3;
    big.Total = 3000000000;
    big.Comment = 1500000000;
    ComputeRatio(big);
    EXPECT_FLOAT_EQ(big.Ratio, 50.0f);
    EXPECT_EQ(ComputeAverages(big).Total, 1000000000);
}

TEST(Totals, FileOfMoreThanTwoToTheThirtyOneLinesShowsItsTrueFigures) {
    // 2,200,000,000 empty lines: per-file counts are 64-bit like the sums, and the
    // count columns widen for the extra digits.
    Settings cnf = MakeDefaultSettings();
    engine::FileCounts rec = Counted("EMPTY.C", 2200000000, 2200000000, 0, 0, 2200000000);
    engine::FinishCounts(run::CountOptionsFrom(cnf), rec);
    EXPECT_EQ(rec.Exec, 0);
    const std::string line = FormatFileLine(ReportLayout::From(cnf), rec, 13);
    EXPECT_TRUE(line.ends_with(" 2200000000       0       0 2200000000   0.00" + Sj("％"))) << line;
    ReportTotals totals;
    AddToTotals(rec, totals);
    AddToTotals(rec, totals);
    auto lines =
        Lines([&](const AppendLine& s) { WriteClosingBlock(ReportLayout::From(cnf), totals, 13, s); });
    EXPECT_TRUE(
        lines.back().ends_with(" 2,200,000,000      2200000000       0       0 2200000000   0.00" + Sj("％")))
        << lines.back();
    EXPECT_TRUE(lines[lines.size() - 2].ends_with(
        " 4,400,000,000      4400000000       0       0 4400000000  -------"))
        << lines[lines.size() - 2];
}

TEST(Totals, RowsFollowTheColumnSwitches) {
    Settings cnf = MakeDefaultSettings();
    CountSum sum;
    sum.FileCount = 1;
    sum.Total = 10;
    sum.Comment = 3;
    for (int c = 3; c <= 9; ++c) cnf.Column(c) = 0;
    EXPECT_EQ(FormatTotalsRow({engine::CSource, false}, ReportLayout::From(cnf), sum, 13),
              Sj("□C･ｿｰｽ 合計             1個"));
    EXPECT_EQ(FormatTotalsRow({engine::CSource, true}, ReportLayout::From(cnf), sum, 13),
              Sj("□C･ｿｰｽ 平均") + std::string(7 + 9, ' '));
    cnf.ShowRatio = 1;
    ComputeRatio(sum);
    EXPECT_EQ(FormatTotalsRow({engine::CSource, false}, ReportLayout::From(cnf), sum, 13),
              Sj("□C･ｿｰｽ 合計             1個  -------"));
    EXPECT_EQ(FormatTotalsRow({engine::CSource, true}, ReportLayout::From(cnf), sum, 20),
              Sj("□C･ｿｰｽ 平均") + std::string(14 + 9, ' ') + "  30.00" + Sj("％"));
    cnf.ShowSize = 1;
    cnf.SizeUnit = 1;
    sum.Size = 2048;
    EXPECT_EQ(FormatTotalsRow({engine::Java, false}, ReportLayout::From(cnf), sum, 13),
              Sj("□Java･ｿｰｽ 合計          1個        2.00KB  -------"));
}

}  // namespace
}  // namespace zarnik::report
