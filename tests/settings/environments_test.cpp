#include "settings/environments.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace zarnik::settings {
namespace {

using zarnik::testing::Sj;
using zarnik::testing::TempDir;

Lines Names(const EnvList& envs) {
    Lines out;
    envs.EnvNames(out);
    return out;
}

TEST(EnvList, IdsAreNotPositions) {
    EnvList envs;
    EXPECT_EQ(envs.EnvIdAt(0), 0);
    EXPECT_EQ(envs.AddEnv("A", 1), 1);
    EXPECT_EQ(envs.AddEnv("B", 1), 2);
    EXPECT_EQ(envs.AddEnv("H", 0), 3);  // at the head
    EXPECT_EQ(Names(envs), (Lines{"H", "A", "B"}));
    EXPECT_EQ(envs.EnvIdAt(0), 3);
    EXPECT_EQ(envs.EnvIdAt(3), 0);
    EXPECT_EQ(envs.EnvIdAt(-1), 0);

    EXPECT_TRUE(envs.SwapEnvs(3, 2));
    EXPECT_EQ(Names(envs), (Lines{"B", "A", "H"}));
    EXPECT_FALSE(envs.SwapEnvs(3, 99));
    EXPECT_TRUE(envs.RenameEnv(1, "A2"));
    EXPECT_FALSE(envs.RenameEnv(99, "x"));

    EXPECT_TRUE(envs.StoreEnv(1, {"/src/*.c", ""}, {"memo"}));
    Lines lines, memo;
    EXPECT_TRUE(envs.FetchEnv(1, lines, memo));
    EXPECT_EQ(lines, (Lines{"/src/*.c", ""}));
    EXPECT_EQ(memo, (Lines{"memo"}));
    EXPECT_FALSE(envs.FetchEnv(42, lines, memo));

    EnvList copy;
    EXPECT_TRUE(envs.CopyEnvs(copy));
    EXPECT_EQ(copy, envs);
    copy.StoreEnv(1, {}, {});
    envs.FetchEnv(1, lines, memo);
    EXPECT_EQ(memo, (Lines{"memo"}));  // a deep copy

    EXPECT_EQ(envs.DeleteEnv(2), 2);
    EXPECT_EQ(envs.DeleteEnv(2), 0);
    EXPECT_EQ(envs.AddEnv("C", 1), 4);  // highest id + 1, even after deletions
    envs.RenumberEnvs();
    EXPECT_EQ(envs.EnvIdAt(0), 1);
    EXPECT_EQ(envs.EnvIdAt(2), 3);
    envs.ClearEnvs();
    EXPECT_EQ(envs.Count(), 0);
}

TEST(EnvList, NewIdFollowsTheHighest) {
    EnvList envs;
    for (int i = 0; i < 7; ++i) envs.AddEnv("x", 1);
    for (int id = 3; id <= 6; ++id) envs.DeleteEnv(id);  // ids 1, 2 and 7 remain
    EXPECT_EQ(envs.AddEnv("new", 1), 8);
}

TEST(MemoFiles, AnyLineBreakEndsALine) {
    EXPECT_EQ(SplitMemoText("a\r\nb\rc\nd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitMemoText("a\r\n\r\n"), (Lines{"a", ""}));
    EXPECT_EQ(SplitMemoText("\n\r"), (Lines{"", ""}));
    EXPECT_TRUE(SplitMemoText("").empty());
    EXPECT_EQ(JoinMemoLines({"a", "", "b"}), "a\r\n\r\nb\r\n");
    EXPECT_EQ(MemoFileName("/p/", 12), "/p/memo12.dat");
}

TEST(LoadEnvironments, NamesWithGapsAndTargetLinesByKeyNumber) {
    TempDir dir;
    dir.Write("memo2.dat", "one\rtwo\n");
    dir.Write("memo3.dat", "never read");
    std::filesystem::create_directory(dir.path() / "memo1.dat");  // not a memo file
    IniFile ini(
        "[Cname]\ncnam1=Alpha\ncnam3=Gamma\n"
        "[FILES_1]\nfile1=\nfile0=/a\nfile2=/c\nfile01=x\nfileX=y\n"
        "[FILES_2]\nfile5=/only\n"
        "[FILES_3]\nfile0=/gamma\n");
    EnvList envs;
    auto unreadable = LoadEnvironments(ini, dir.str() + "/", envs);
    EXPECT_TRUE(unreadable.empty());
    EXPECT_EQ(envs.Count(), 2);
    EXPECT_EQ(Names(envs), (Lines{"Alpha", ""}));
    EXPECT_EQ(envs.At(0).TargetLines, (Lines{"/a", "", "/c"}));  // by number, gaps and all
    EXPECT_TRUE(envs.At(0).MemoLines.empty());
    EXPECT_EQ(envs.At(1).TargetLines, (Lines{"/only"}));
    EXPECT_EQ(envs.At(1).MemoLines, (Lines{"one", "two"}));

    IniFile empty("[Cname]\ncnam1=\n");
    LoadEnvironments(empty, dir.str() + "/", envs);
    EXPECT_EQ(Names(envs), (Lines{DefaultEnvName()}));
    EXPECT_EQ(DefaultEnvName(), Sj("開発環境(1)"));
    EXPECT_EQ(envs.Count(), 1);
}

}  // namespace
}  // namespace zarnik::settings
