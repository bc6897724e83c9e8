#include "report/chart_data.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace zarnik::report {
namespace {

engine::FileCounts Counted(int kind, std::int64_t total) {
    engine::FileCounts rec;
    rec.Status = engine::FileStatus::Counted;
    rec.Kind = rec.NameKind = kind;
    rec.Total = total;
    return rec;
}

// A folder's files may stand before and after its subfolders': it is one bar
// all the same; files that were not counted or carry no kind add nothing; ties
// go to the folder that sorts first; only the biggest stay.
TEST(ChartData, BiggestFoldersSumEachFoldersFilesOnce) {
    ResultRows rows;
    const std::vector<std::pair<std::string, engine::FileCounts>> files = {
        {"/a/x.c", Counted(1, 10)},   {"/a/b/x.c", Counted(2, 15)},  {"/a/y.c", Counted(1, 5)},
        {"/c/x.c", Counted(1, 15)},   {"/d/x.c", Counted(0, 900)},   {"/e/x.c", Counted(1, 1)},
        {"/ab/z.c", Counted(1, 100)}, {"/f\xFF/x.c", Counted(1, 2)}, {"/a/z.c", Counted(1, 3)}};
    for (const auto& [path, rec] : files) rows.FileCounted(path, rec);
    engine::FileCounts missing = Counted(1, 500);
    missing.Status = engine::FileStatus::Missing;
    rows.FileCounted("/e/gone.c", missing);

    std::vector<std::pair<std::string, std::int64_t>> got;
    for (const FolderBar& bar : MakeCountChart(rows, 4).Folders) got.emplace_back(bar.Folder, bar.Total);
    EXPECT_EQ(got, (std::vector<std::pair<std::string, std::int64_t>>{
                       {"/ab", 100}, {"/a", 15}, {"/a/b", 15}, {"/c", 15}}));
    EXPECT_TRUE(MakeCountChart(rows, 0).Folders.empty());
    // A folder name that is no UTF-8 is shown as the csv shows it.
    const std::vector<FolderBar> all = MakeCountChart(rows, 20).Folders;
    EXPECT_EQ(all.at(4).Folder, "/a");  // met again after another folder: a bar of its own
    EXPECT_EQ(all.at(5).Folder, "/f\xEF\xBF\xBD");
}

TEST(ChartData, KindBarsFollowTheRunsTotals) {
    ResultRows rows;
    ReportTotals totals;
    totals.Kinds[3].FileCount = 2;
    totals.Kinds[3].Exec = 7;
    totals.Kinds[3].Comment = 3;
    totals.Kinds[3].Ratio = 30.0f;
    totals.GrandTotal = totals.Kinds[3];
    rows.Totals(totals);
    const CountChart chart = MakeCountChart(rows);
    ASSERT_EQ(chart.Kinds.size(), 1u);
    EXPECT_EQ(chart.Kinds[0].Kind, 3);
    EXPECT_EQ(chart.Kinds[0].Name, HistoryKindName(3));
    EXPECT_EQ(chart.Kinds[0].Exec, 7);
    EXPECT_EQ(chart.All.Name, "全ｿｰｽﾌｧｲﾙ");
    EXPECT_EQ(chart.All.Ratio, 30.0f);

    ChangeTotals change;
    change.Kinds[2].Files[0] = 1;
    change.Kinds[2].Exec = {4, 2, 1};
    change.Kinds[2].Blank = {1, 0, 3};
    change.GrandTotal = change.Kinds[2];
    const ChangeChart changes = MakeChangeChart(change);
    ASSERT_EQ(changes.Kinds.size(), 1u);
    EXPECT_EQ(changes.Kinds[0].Added, 5);
    EXPECT_EQ(changes.Kinds[0].Changed, 2);
    EXPECT_EQ(changes.All.Deleted, 4);
}

// The chart keeps the history's order, whatever the commits' times say, and
// leaves out kinds that never held lines.
TEST(ChartData, HistoryKeepsItsOrder) {
    HistoryChartKeeper keeper;
    for (int i = 0; i < 3; ++i) {
        HistoryPoint point;
        point.Commit = std::string(40, static_cast<char>('a' + i));
        point.Time = 100 + (i == 1 ? 50 : -i);  // a commit made "before" its parent
        if (i == 0) point.Tags = {"v1.0", "v1.0-rc"};
        point.Totals.Kinds[1].Total = 30 - 10 * i;
        point.Totals.Kinds[4].Total = i == 2 ? 7 : 0;
        keeper.Point(point);
    }
    const HistoryChart chart = keeper.Chart();
    ASSERT_EQ(chart.Commits.size(), 3u);
    EXPECT_EQ(chart.Commits[0].Label, "v1.0");
    EXPECT_EQ(chart.Commits[2].Label, "ccccccc");
    ASSERT_EQ(chart.Kinds.size(), 2u);
    EXPECT_EQ(chart.Kinds[0].Lines, (std::vector<std::int64_t>{30, 20, 10}));
    EXPECT_EQ(chart.Kinds[1].Kind, 4);
    EXPECT_EQ(chart.Kinds[1].Lines, (std::vector<std::int64_t>{0, 0, 7}));
}

}  // namespace
}  // namespace zarnik::report
