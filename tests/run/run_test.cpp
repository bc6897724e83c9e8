#include "run/run.h"

#include <gtest/gtest.h>

#include "report/report.h"
#include "run_test_util.h"

namespace zarnik::run {
namespace {

using settings::MakeDefaultSettings;
using settings::S_CNF;
using testing::FileNames;
using testing::Recorder;
using zarnik::testing::Sj;
using zarnik::testing::TempDir;
using Strings = std::vector<std::string>;

const char* kCode = "/* c */\nint a;\n\n";

RunOutcome CountTargets(const Strings& targets, S_CNF& cnf, Recorder& host) {
    RunInput input;
    for (const auto& t : targets) input.TargetLines.push_back(t);
    input.EnvName = Sj("開発環境(1)");
    engine::CountContext ctx;
    return RunCount(input, cnf, host, ctx);
}

S_CNF Plain() {
    S_CNF cnf = MakeDefaultSettings();
    cnf.HeadNA = 0;
    cnf.HeadDT = 0;
    return cnf;
}

TEST(Run, SubfoldersAndPatternsReachWhatTheyShould) {
    TempDir dir;
    dir.Write("src/a.c", kCode);
    dir.Write("src/B.H", kCode);
    dir.Write("src/sub/c.c", kCode);
    dir.Write("src/sub/deep/d.c", kCode);
    S_CNF cnf = Plain();
    cnf.Subfol = 0;
    Recorder flat;
    CountTargets({dir.str() + "/src"}, cnf, flat);
    EXPECT_EQ(FileNames(flat.Lines), (Strings{"a.c", "B.H"}));
    Recorder oneDown;  // "*.*" matches the folder "sub" too, whose own files are then taken
    CountTargets({dir.str() + "/src/*.*"}, cnf, oneDown);
    EXPECT_EQ(FileNames(oneDown.Lines), (Strings{"a.c", "B.H", "c.c"}));
    cnf.Subfol = 1;
    Recorder tree;
    CountTargets({dir.str() + "/src"}, cnf, tree);
    EXPECT_EQ(FileNames(tree.Lines), (Strings{"a.c", "B.H", "c.c", "d.c"}));
    Recorder byName;  // case-insensitive; the name is shown as the folder holds it
    CountTargets({dir.str() + "/src/b.h", dir.str() + "/src/A.C", dir.str() + "/src/b.h"}, cnf, byName);
    EXPECT_EQ(FileNames(byName.Lines), (Strings{"a.c", "B.H", "B.H"}));  // twice listed, twice counted
}

TEST(Run, AFolderWhoseFilesAllFailedKeepsItsLineButGetsNoSubtotal) {
    TempDir dir;
    dir.Write("t/A/y.c", kCode);
    dir.Write("t/C/only.txt", "x\n");  // status 1, hidden with Erfout 0
    S_CNF cnf = Plain();
    cnf.FldNam = 1;
    cnf.FldSum = 1;
    cnf.Erfout = 0;
    Recorder host;
    CountTargets({dir.str() + "/t"}, cnf, host);
    EXPECT_EQ(FileNames(host.Lines), (Strings{"y.c"}));
    std::string folderC = "[" + dir.str() + "/t/C]";
    auto c = std::find(host.Lines.begin(), host.Lines.end(), folderC + std::string(88 - folderC.size(), '-'));
    ASSERT_NE(c, host.Lines.end());
    // Straight on to the closing block: a rule and the C source rows.
    ASSERT_EQ(host.Lines.end() - c, 7);
    EXPECT_EQ(*(c + 1), std::string(88, '-'));
    EXPECT_EQ((c + 2)->substr(0, Sj("□C･ｿｰｽ").size()), Sj("□C･ｿｰｽ"));
}

TEST(Run, SecondRunFollowsAfterAnEmptyLineAndSetsTheCommands) {
    TempDir dir;
    dir.Write("a.c", kCode);
    S_CNF cnf = MakeDefaultSettings();
    cnf.HeadDT = 0;
    Recorder host;
    CountTargets({dir.str() + "/a.c"}, cnf, host);
    EXPECT_EQ(host.Lines.at(0), Sj("【開発環境(1)】"));
    EXPECT_EQ(cnf.ResultUnsaved, 1);
    EXPECT_TRUE(host.Save);
    std::size_t first = host.Lines.size();
    EXPECT_EQ(first, 1 + 3 + 1 + 3 + 3u);
    CountTargets({dir.str() + "/a.c"}, cnf, host);
    EXPECT_EQ(host.Lines.at(first), "");
    EXPECT_EQ(host.Lines.at(first + 1), Sj("【開発環境(1)】"));
    EXPECT_EQ(host.Counters, (Strings{"", " [1/1]", "", " [1/1]"}));
    EXPECT_EQ(host.ColumnHeader, report::FormatColumnHeader(report::ReportLayout::From(cnf), 13));
    EXPECT_EQ(host.Shows, 2);
    EXPECT_EQ(host.Hides, 2);
}

TEST(Run, NoFileWarnsOnceAndWritesNothing) {
    TempDir dir;
    dir.Write("x/.keep", "");
    S_CNF cnf = MakeDefaultSettings();
    Recorder host;
    host.Save = true;  // a stale command state is put right
    EXPECT_EQ(CountTargets({"", dir.str() + "/missing.c", "free text", dir.str() + "/x/*.c"}, cnf, host),
              RunOutcome::NoFiles);
    EXPECT_TRUE(host.Lines.empty());
    EXPECT_EQ(host.Warnings, 1);
    EXPECT_EQ(host.Warning, Sj("指定のファイルにアクセスできません。\r\nファイルの存在を確かめてください。"));
    EXPECT_FALSE(host.Save);
    EXPECT_EQ(cnf.ResultUnsaved, 0);
}

TEST(Run, CancelWhileCollectingWritesNothingWhileCountingStillCloses) {
    TempDir dir;
    for (const char* n : {"a.c", "b.c", "c.c"}) dir.Write(n, kCode);
    S_CNF cnf = Plain();
    Recorder early;
    early.CancelAtPump = 1;
    EXPECT_EQ(CountTargets({dir.str() + "/*.c"}, cnf, early), RunOutcome::Cancelled);
    EXPECT_TRUE(early.Lines.empty());
    EXPECT_EQ(early.Hides, 1);

    // Pumps: one per line, one per match (3), then one before and one after each file.
    Recorder late;
    late.CancelAtPump = 1 + 3 + 2;  // after the first counted file
    EXPECT_EQ(CountTargets({dir.str() + "/*.c"}, cnf, late), RunOutcome::Cancelled);
    EXPECT_EQ(FileNames(late.Lines), (Strings{"a.c"}));
    EXPECT_EQ(late.Lines.back().substr(0, Sj("■全ｿｰｽﾌｧｲﾙ総平均").size()), Sj("■全ｿｰｽﾌｧｲﾙ総平均"));
}

TEST(Run, AFileGoneBeforeItsTurnLeavesNoTrace) {
    TempDir dir;
    std::string a = dir.Write("a.c", kCode), b = dir.Write("b.c", kCode);
    S_CNF cnf = Plain();
    Recorder host;
    host.OnPath = [&](const std::string& p) {
        if (p == a) std::remove(b.c_str());
    };
    CountTargets({dir.str() + "/*.c"}, cnf, host);
    EXPECT_EQ(FileNames(host.Lines), (Strings{"a.c"}));
    EXPECT_EQ(host.Counters.back(), " [2/2]");
}

TEST(Run, AReadErrorEndsTheRunWithoutClosingBlock) {
    TempDir dir;
    dir.Write("a.c", kCode);
    S_CNF cnf = Plain();
    cnf.FlSort = 0;
    Recorder host;
    RunInput input{{dir.str() + "/a.c", "/proc/self/mem"}, "", 0};
    engine::CountContext ctx;
    try {
        RunCount(input, cnf, host, ctx);
        FAIL() << "no error";
    } catch (const engine::FileError& e) {
        EXPECT_EQ(e.Path(), "/proc/self/mem");
        EXPECT_EQ(ErrorTextFor(e), Sj("I/O ｴﾗｰ (5)"));
    }
    EXPECT_EQ(FileNames(host.Lines), (Strings{"a.c"}));
    EXPECT_EQ(host.Lines.size(), 4u);
    EXPECT_EQ(host.Hides, 1);  // the dialog does not stay behind
    EXPECT_EQ(cnf.ResultUnsaved, 1);
    EXPECT_EQ(ErrorTextFor(engine::FileError("p", EACCES)), Sj("ﾌｧｲﾙへのｱｸｾｽが拒否されました"));
    EXPECT_EQ(ErrorTextFor(engine::FileError("p", EPERM)), Sj("ﾌｧｲﾙへのｱｸｾｽが拒否されました"));
    EXPECT_EQ(ErrorTextFor(engine::FileError("p", ENOENT)), Sj("ﾌｧｲﾙが見つかりません"));
}

}  // namespace
}  // namespace zarnik::run
