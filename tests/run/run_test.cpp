#include "run/run.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "report/report.h"
#include "run/collect.h"
#include "run_test_util.h"

namespace zarnik::run {
namespace {

using settings::MakeDefaultSettings;
using settings::Settings;
using testing::FileNames;
using testing::kCode;
using testing::Plain;
using testing::Recorder;
using zarnik::testing::Sj;
using zarnik::testing::TempDir;
using Strings = std::vector<std::string>;

// Runs in the environment "開発環境(1)", whose name the header line shows.
RunOutcome CountInEnv1(const Strings& targets, const Settings& cnf, Recorder& host) {
    return testing::CountTargets(targets, cnf, host, Sj("開発環境(1)"));
}

TEST(Run, SubfoldersAndPatternsReachWhatTheyShould) {
    TempDir dir;
    dir.Write("src/a.c", kCode);
    dir.Write("src/B.H", kCode);
    dir.Write("src/sub/c.c", kCode);
    dir.Write("src/sub/deep/d.c", kCode);
    Settings cnf = Plain();
    cnf.WalkSubfolders = 0;
    Recorder flat;
    CountInEnv1({dir.str() + "/src"}, cnf, flat);
    EXPECT_EQ(FileNames(flat.Lines), (Strings{"a.c", "B.H"}));
    Recorder oneDown;  // "*.*" matches the folder "sub" too, whose own files are then taken
    CountInEnv1({dir.str() + "/src/*.*"}, cnf, oneDown);
    EXPECT_EQ(FileNames(oneDown.Lines), (Strings{"a.c", "B.H", "c.c"}));
    cnf.WalkSubfolders = 1;
    Recorder tree;
    CountInEnv1({dir.str() + "/src"}, cnf, tree);
    EXPECT_EQ(FileNames(tree.Lines), (Strings{"a.c", "B.H", "c.c", "d.c"}));
    Recorder byName;  // case-insensitive; the name is shown as the folder holds it
    CountInEnv1({dir.str() + "/src/b.h", dir.str() + "/src/A.C", dir.str() + "/src/b.h"}, cnf, byName);
    EXPECT_EQ(FileNames(byName.Lines), (Strings{"a.c", "B.H", "B.H"}));  // twice listed, twice counted
}

TEST(Run, AFolderWhoseFilesAllFailedKeepsItsLineButGetsNoSubtotal) {
    TempDir dir;
    dir.Write("t/A/y.c", kCode);
    dir.Write("t/C/only.txt", "x\n");  // status 1, hidden with Erfout 0
    Settings cnf = Plain();
    cnf.FolderLines = 1;
    cnf.FolderSubtotals = 1;
    cnf.ErrorLines = 0;
    Recorder host;
    CountInEnv1({dir.str() + "/t"}, cnf, host);
    EXPECT_EQ(FileNames(host.Lines), (Strings{"y.c"}));
    std::string folderC = "[" + dir.str() + "/t/C]";
    auto c = std::find(host.Lines.begin(), host.Lines.end(), folderC + std::string(88 - folderC.size(), '-'));
    ASSERT_NE(c, host.Lines.end());
    // Straight on to the closing block: a rule and the C source rows.
    ASSERT_EQ(host.Lines.end() - c, 7);
    EXPECT_EQ(*(c + 1), std::string(88, '-'));
    EXPECT_EQ((c + 2)->substr(0, Sj("□C･ｿｰｽ").size()), Sj("□C･ｿｰｽ"));
}

TEST(Run, SecondRunFollowsAfterAnEmptyLine) {
    TempDir dir;
    dir.Write("a.c", kCode);
    Settings cnf = MakeDefaultSettings();
    cnf.HeaderShowsDate = 0;
    Recorder host;
    const RunOutcome outcome = CountInEnv1({dir.str() + "/a.c"}, cnf, host);
    EXPECT_EQ(host.Lines.at(0), Sj("【開発環境(1)】"));
    EXPECT_EQ(outcome.End, RunEnd::Finished);
    EXPECT_EQ(outcome.FilesCounted, 1);
    EXPECT_TRUE(outcome.ResultUnsaved);
    std::size_t first = host.Lines.size();
    EXPECT_EQ(first, 1 + 3 + 1 + 3 + 3u);
    CountInEnv1({dir.str() + "/a.c"}, cnf, host);
    EXPECT_EQ(host.Lines.at(first), "");
    EXPECT_EQ(host.Lines.at(first + 1), Sj("【開発環境(1)】"));
    EXPECT_EQ(host.Counters, (Strings{"", " [1/1]", "", " [1/1]"}));
    EXPECT_EQ(host.Header, report::FormatColumnHeader(report::ReportLayout::From(cnf), 13));
    EXPECT_EQ(host.Shows, 2);
    EXPECT_EQ(host.Ends, 2);
}

// A session outlives its runs, but holds no folder open after one, on one thread or
// two and however the run ended: an open folder keeps its drive from being unmounted.
TEST(Run, NoFolderStaysOpenAfterARun) {
    TempDir dir;
    dir.Write("sub/a.c", kCode);
    dir.Write("sub/b.c", kCode);
    auto heldFolders = [&] {
        int held = 0;
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            const std::string target = std::filesystem::read_symlink(fd.path(), ec).string();
            held += !ec && target.rfind(dir.str(), 0) == 0;
        }
        return held;
    };
    RunSession session;
    Recorder host;
    for (unsigned threads : {1u, 2u})
        for (const std::string& target :
             {dir.str(), dir.str() + "/sub/missing/x.c", dir.str() + "/sub/a.c"}) {
            testing::CountInto(session, RunInput{{target}, "", 0, threads}, Plain(), host);
            EXPECT_EQ(heldFolders(), 0) << target << ", " << threads << " threads";
        }
}

TEST(Run, NoFileWritesNothing) {
    TempDir dir;
    dir.Write("x/.keep", "");
    Settings cnf = MakeDefaultSettings();
    Recorder host;
    const RunOutcome outcome =
        CountInEnv1({"", dir.str() + "/missing.c", "free text", dir.str() + "/x/*.c"}, cnf, host);
    EXPECT_EQ(outcome.End, RunEnd::NoFiles);
    EXPECT_TRUE(host.Lines.empty());
    EXPECT_EQ(host.Ends, 1);
    EXPECT_FALSE(outcome.ResultUnsaved);
    EXPECT_EQ(NoFilesText(),
              Sj("指定のファイルにアクセスできません。\r\nファイルの存在を確かめてください。"));
    // Lines from an earlier run are still unsaved.
    host.Lines = {"earlier"};
    EXPECT_TRUE(CountInEnv1({dir.str() + "/missing.c"}, cnf, host).ResultUnsaved);
}

TEST(Run, CancelWhileCollectingWritesNothingWhileCountingStillCloses) {
    TempDir dir;
    for (const char* n : {"a.c", "b.c", "c.c"}) dir.Write(n, kCode);
    Settings cnf = Plain();
    Recorder early;
    early.CancelAtPump = 1;
    EXPECT_EQ(CountInEnv1({dir.str() + "/*.c"}, cnf, early).End, RunEnd::Cancelled);
    EXPECT_TRUE(early.Lines.empty());
    EXPECT_EQ(early.Ends, 1);

    // Pumps: one per line, one per match (3), then one before and one after each file.
    Recorder late;
    late.CancelAtPump = 1 + 3 + 2;  // after the first counted file
    EXPECT_EQ(CountInEnv1({dir.str() + "/*.c"}, cnf, late).End, RunEnd::Cancelled);
    EXPECT_EQ(FileNames(late.Lines), (Strings{"a.c"}));
    // The closing block covers the files counted; a last line says the report was
    // cut short, and where.
    ASSERT_GE(late.Lines.size(), 2u);
    const std::string& average = late.Lines[late.Lines.size() - 2];
    EXPECT_EQ(average.substr(0, Sj("■全ｿｰｽﾌｧｲﾙ総平均").size()), Sj("■全ｿｰｽﾌｧｲﾙ総平均"));
    EXPECT_EQ(late.Lines.back(), Sj("※ 中断しました: 3 ﾌｧｲﾙ中 1 ﾌｧｲﾙを処理"));

    // Cancelled before the first file's turn: the report opens and closes on no file.
    Recorder first;
    first.CancelAtPump = 1 + 3;
    EXPECT_EQ(CountInEnv1({dir.str() + "/*.c"}, cnf, first).End, RunEnd::Cancelled);
    EXPECT_TRUE(FileNames(first.Lines).empty());
    ASSERT_FALSE(first.Lines.empty());
    EXPECT_EQ(first.Lines.back(), Sj("※ 中断しました: 3 ﾌｧｲﾙ中 0 ﾌｧｲﾙを処理"));
}

TEST(Run, FilesGoneBeforeTheirTurnLeaveNoTraceAndAllGoneIsNoFile) {
    TempDir dir;
    std::string a = dir.Write("a.c", kCode), b = dir.Write("b.c", kCode);
    Settings cnf = Plain();
    Recorder host;
    host.OnPath = [&](const std::string& p) {
        if (p == a) std::remove(b.c_str());
    };
    CountInEnv1({dir.str() + "/*.c"}, cnf, host);
    EXPECT_EQ(FileNames(host.Lines), (Strings{"a.c"}));
    EXPECT_EQ(host.Counters.back(), " [2/2]");

    // The only file goes as its turn comes: the same outcome as a file gone before
    // the run looked (no file, nothing written), not an empty report.
    Recorder gone;
    gone.OnPath = [&](const std::string& p) {
        if (p == a) std::remove(a.c_str());
    };
    const RunOutcome outcome = CountInEnv1({a, dir.str() + "/missing.c"}, cnf, gone);
    EXPECT_EQ(outcome.End, RunEnd::NoFiles);
    EXPECT_TRUE(gone.Lines.empty());
    EXPECT_TRUE(outcome.LinesWithoutFiles.empty());  // the warning covers every line
    EXPECT_FALSE(outcome.ResultUnsaved);
}

TEST(Run, LinesThatFindNoFileAreNamedAndTheReportStaysTheSame) {
    TempDir dir;
    const std::string a = dir.Write("src/a.c", kCode);
    std::filesystem::create_directories(dir.path() / "empty");
    const std::string typo = dir.str() + "/scr", empty = dir.str() + "/empty";
    Settings cnf = Plain();
    Recorder alone, mixed;
    const RunOutcome one = CountInEnv1({a}, cnf, alone);
    const RunOutcome outcome = CountInEnv1({typo, a, "", empty, "free text"}, cnf, mixed);
    EXPECT_EQ(outcome.End, RunEnd::Finished);
    EXPECT_EQ(mixed.Lines, alone.Lines);
    EXPECT_TRUE(one.LinesWithoutFiles.empty());
    // Empty lines name nothing and are no mistake.
    EXPECT_EQ(outcome.LinesWithoutFiles, (Strings{typo, empty, "free text"}));
    EXPECT_EQ(LinesWithoutFilesText(), Sj("次の指定ではファイルが見つかりませんでした。"));
}

TEST(Run, ATargetLineHoldingANulIsRefusedNotCutShort) {
    // The system reads a path up to its first NUL: "x.c<NUL>/y" would count x.c.
    TempDir dir;
    const std::string x = dir.Write("x.c", kCode);
    const std::string withNul = x + std::string("\0/y", 3);
    Settings cnf = Plain();
    for (const Strings& targets : {Strings{withNul}, Strings{x, withNul}}) {
        Recorder host;
        const RunOutcome outcome = CountInEnv1(targets, cnf, host);
        EXPECT_EQ(outcome.End, RunEnd::RefusedTarget);
        EXPECT_EQ(outcome.RefusedLine, withNul);
        EXPECT_TRUE(host.Lines.empty());
        EXPECT_EQ(outcome.FilesCounted, 0);
        EXPECT_EQ(host.Ends, 1);
    }
    EXPECT_EQ(ShownLine(withNul), x + "?/y");
    EXPECT_EQ(RefusedLineText(), Sj("対象の指定にNUL文字が含まれているため、カウントできません。"));

    for (bool oldHasIt : {true, false}) {
        testing::ChangeRecorder host;
        ChangeInput input{oldHasIt ? withNul : x, oldHasIt ? x : withNul, "", 0, 1};
        const RunOutcome outcome = RunSession().CountChanges(input, cnf, host, host);
        EXPECT_EQ(outcome.End, RunEnd::RefusedTarget);
        EXPECT_TRUE(host.Lines.empty());
    }
}

TEST(Run, AReadErrorEndsTheRunWithoutClosingBlock) {
    TempDir dir;
    dir.Write("a.c", kCode);
    Settings cnf = Plain();
    cnf.SortFiles = 0;
    Recorder host;
    const RunOutcome outcome = CountInEnv1({dir.str() + "/a.c", "/proc/self/mem"}, cnf, host);
    EXPECT_EQ(outcome.End, RunEnd::ReadError);
    ASSERT_TRUE(outcome.Error);
    EXPECT_EQ(outcome.Error->Path, "/proc/self/mem");
    EXPECT_EQ(outcome.Error->Text(), Sj("I/O ｴﾗｰ (5)"));
    EXPECT_EQ(FileNames(host.Lines), (Strings{"a.c"}));
    EXPECT_EQ(host.Lines.size(), 4u);
    EXPECT_EQ(host.Ends, 1);  // the dialog does not stay behind
    EXPECT_TRUE(outcome.ResultUnsaved);
    EXPECT_EQ((ReadError{"p", EACCES}.Text()), Sj("ﾌｧｲﾙへのｱｸｾｽが拒否されました"));
    EXPECT_EQ((ReadError{"p", EPERM}.Text()), Sj("ﾌｧｲﾙへのｱｸｾｽが拒否されました"));
    EXPECT_EQ((ReadError{"p", ENOENT}.Text()), Sj("ﾌｧｲﾙが見つかりません"));
}

TEST(Run, EachFilesRecordReachesTheSinkInReportOrder) {
    TempDir dir;
    dir.Write("b.c", kCode);
    dir.Write("a.txt", "x\n");  // an error status: its record comes too, with Erfout 0
    Settings cnf = Plain();
    cnf.ErrorLines = 0;
    struct Records : Recorder {
        Strings Seen;
        void Record(const std::string& path, const engine::FileCounts& rec) override {
            Seen.push_back(path + (rec.Status == engine::FileStatus::Counted ? " counted" : " not"));
        }
    } host;
    EXPECT_EQ(CountInEnv1({dir.str()}, cnf, host).FilesCounted, 1);
    EXPECT_EQ(host.Seen, (Strings{dir.str() + "/a.txt not", dir.str() + "/b.c counted"}));
}

// The files a benchmark reads as the run's yardstick are the ones the run reads to
// their end: every file a counter takes, whatever its status, and no file the
// extension lists leave out, under each walk and list the settings can give.
TEST(Run, FilesReadToTheEndAreTheOnesACounterTakes) {
    TempDir dir;
    dir.Write("src/a.c", kCode);
    dir.Write("src/notes.txt", "x\n");
    dir.Write("src/Main.java", kCode);
    dir.Write("src/nul.c", std::string("int a;\0\n", 9));  // read, then found no source
    dir.Write("src/sub/b.asm", "; x\n");
    dir.Write("src/sub/data.dat", "1\n");
    struct Reads : Recorder {
        Strings Read;
        void Record(const std::string& path, const engine::FileCounts& rec) override {
            if (rec.Status != engine::FileStatus::NotTarget) Read.push_back(path);
        }
    };
    Settings cnf = Plain();
    auto expectSame = [&](const char* what) {
        Reads host;
        CountInEnv1({dir.str() + "/src"}, cnf, host);
        Strings listed;
        for (const FoundFile& file : FilesReadToTheEnd({{dir.str() + "/src"}, "", 0, 1}, cnf))
            listed.push_back(file.Path);
        EXPECT_EQ(listed, host.Read) << what;
        EXPECT_FALSE(listed.empty()) << what;
    };
    expectSame("defaults");
    cnf.WalkSubfolders = 0;
    expectSame("no subfolders");
    cnf.WalkSubfolders = 1;
    cnf.ExtensionPatterns[0] = "*.h;*.txt;*.dat";
    settings::RebuildExtensionLists(cnf);
    expectSame("text and data as C headers");
}

}  // namespace
}  // namespace zarnik::run
