#include "report/result_rows.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarnik::report {
namespace {

// The rows give back each path byte for byte and each record's figures, in run
// order, however the files' folders follow each other: a folder met again after
// another, the root, a bare name, bytes that are no UTF-8, and figures beyond
// 32 bits or below zero.
TEST(ResultRows, GiveBackEachPathAndRecordAsKept) {
    const std::vector<std::string> paths = {"/src/a.c",  "/src/b.c", "/src/sub/c.c",   "/src/d.c", "/top.c",
                                            "bare.java", "/src/e.c", "rel/\xFF\x81.c", "rel/x",    "/"};
    std::vector<engine::FileCounts> recs;
    ResultRows rows;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        engine::FileCounts rec;
        rec.Status = i % 3 == 2 ? engine::FileStatus::Missing : engine::FileStatus::Counted;
        // A time before 1970 is negative.
        rec.MTime = i == 4 ? -86'401 : 1'700'000'000 + static_cast<std::int64_t>(i);
        rec.Size = 5'000'000'000LL + static_cast<std::int64_t>(i);
        rec.NameKind = static_cast<int>(i * 10);
        rec.Kind = static_cast<int>(i);
        rec.Total = 3'000'000'000LL * static_cast<std::int64_t>(i);
        rec.Comment = static_cast<std::int64_t>(i) + 1;
        rec.Exec = static_cast<std::int64_t>(i) + 2;
        rec.Blank = static_cast<std::int64_t>(i) + 3;
        rec.Ratio = 0.25f * static_cast<float>(i);
        rows.FileCounted(paths[i], rec);
        recs.push_back(rec);
    }
    ASSERT_EQ(rows.FileCount(), paths.size());
    std::size_t i = 0;
    rows.ForEachFile([&](const std::string& path, const engine::FileCounts& rec) {
        ASSERT_LT(i, paths.size());
        EXPECT_EQ(path, paths[i]);
        const engine::FileCounts& want = recs[i];
        EXPECT_EQ(rec.Status, want.Status) << i;
        EXPECT_EQ(rec.MTime, want.MTime) << i;
        EXPECT_EQ(rec.Size, want.Size) << i;
        EXPECT_EQ(rec.NameKind, want.NameKind) << i;
        EXPECT_EQ(rec.Kind, want.Kind) << i;
        EXPECT_EQ(rec.Total, want.Total) << i;
        EXPECT_EQ(rec.Comment, want.Comment) << i;
        EXPECT_EQ(rec.Exec, want.Exec) << i;
        EXPECT_EQ(rec.Blank, want.Blank) << i;
        EXPECT_EQ(rec.Ratio, want.Ratio) << i;
        ++i;
    });
    EXPECT_EQ(i, paths.size());
}

}  // namespace
}  // namespace zarnik::report
