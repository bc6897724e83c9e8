// zarnik-count over a file system that misbehaves: each case ends with the
// outcome the exit status promises, and the report loses nothing it could hold.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <regex>
#include <sstream>

#include "cli/run_cli.h"
#include "fault_util.h"
#include "test_util.h"

namespace zarnik {
namespace {

using zarnik::testing::TempDir;
namespace fs = std::filesystem;

using Result = zarnik::testing::CliResult;

// Runs zarnik-count with the report settings that keep a report stable (no date,
// no environment name), killed after 30 seconds; the limits are CliLimits'.
Result RunCli(std::vector<std::string> args, bool bindPermissions = false, rlim_t addressSpace = 0,
              rlim_t openFiles = 0) {
    args.insert(args.begin(), {"--set", "HeadNA=0", "--set", "HeadDT=0"});
    return zarnik::testing::RunZarnikCount(args, {bindPermissions, addressSpace, openFiles, 30});
}

// The file lines' names of a UTF-8 report (count and error lines), in order.
std::vector<std::string> Names(const std::string& report) {
    static const std::regex fileLine(R"(^(\S+) +\d\d-\d\d-\d\d \d\d:\d\d )");
    std::vector<std::string> names;
    std::istringstream in(report);
    std::smatch m;
    for (std::string line; std::getline(in, line);)
        if (std::regex_search(line, m, fileLine)) names.push_back(m[1]);
    return names;
}

using Strings = std::vector<std::string>;
const char* kCode = "/* c */\nint a;\n\n";

TEST(CliFault, FileWithoutReadPermissionIsStatusThreeWithItsPath) {
    TempDir dir;
    dir.Write("f/a.c", kCode);
    const std::string locked = dir.Write("f/b.c", kCode);
    chmod(locked.c_str(), 0);
    {
        zarnik::testing::PermissionsBind probe;  // this process, to learn whether the child can be stopped
        if (!probe.Binds()) GTEST_SKIP() << "permission bits do not stop this process";
    }
    Result r = RunCli({dir.str() + "/f"}, true);
    ASSERT_NE(r.Status, 126) << "could not drop the capabilities";
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Err, "zarnik-count: " + locked + ": ﾌｧｲﾙへのｱｸｾｽが拒否されました\n");
    EXPECT_EQ(Names(r.Out), (Strings{"a.c"}));  // the lines so far stay
}

TEST(CliFault, ReadErrorThatRootMeetsToo) {
    // /proc/self/mem is a regular file whose first page cannot be read (EIO).
    TempDir dir;
    dir.Write("a.c", kCode);
    Result r = RunCli({"--set", "FlSort=0", dir.str() + "/a.c", "/proc/self/mem", dir.str() + "/a.c"});
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Err, "zarnik-count: /proc/self/mem: I/O ｴﾗｰ (5)\n");
    EXPECT_EQ(Names(r.Out), (Strings{"a.c"}));
    // A page is whole or not written: one without the failed file would look whole.
    r = RunCli({"--format", "html", dir.str() + "/a.c", "/proc/self/mem"});
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Out, "");
}

TEST(CliFault, LinksPipesSocketsAndDevicesNeitherHangNorCount) {
    TempDir dir;
    dir.Write("t/a.c", kCode);
    dir.Write("t/sub/b.c", kCode);
    const std::string t = dir.str() + "/t";
    fs::create_directory_symlink("..", t + "/sub/up");
    fs::create_symlink("l2.c", t + "/sub/l1.c");
    fs::create_symlink("l1.c", t + "/sub/l2.c");
    fs::create_symlink("/dev/null", t + "/null.c");
    fs::create_symlink("/dev/zero", t + "/zero.c");
    ASSERT_EQ(mkfifo((t + "/fifo.c").c_str(), 0600), 0);
    int sock = zarnik::testing::MakeSocket(t + "/sock.c");
    ASSERT_GE(sock, 0);

    Result r = RunCli({t, t + "/fifo.c", t + "/sock.c", t + "/zero.c", "/dev/null", t + "/sub/up"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    // Each line that names no file is named.
    std::string skipped;
    for (const std::string& line : {t + "/fifo.c", t + "/sock.c", t + "/zero.c", std::string("/dev/null")})
        skipped += "zarnik-count: warning: no file found for '" + line + "'\n";
    EXPECT_EQ(r.Err, skipped);
    EXPECT_EQ(Names(r.Out), (Strings{"a.c", "b.c", "a.c", "b.c"}));  // sorted: t/a.c, t/sub/b.c, t/sub/up/...

    Result none = RunCli({t + "/fifo.c", t + "/sock.c", t + "/null.c", t + "/zero.c", t + "/sub/l1.c"});
    EXPECT_EQ(none.Status, 1);
    EXPECT_EQ(none.Out, "");
    EXPECT_EQ(none.Err,
              "zarnik-count: 指定のファイルにアクセスできません。\nファイルの存在を確かめてください。\n");
    close(sock);
}

TEST(CliFault, FileOfFiveGbShowsItsSizeAndTakesNoTime) {
    TempDir dir;
    const off_t size = off_t{5} << 30;
    ASSERT_TRUE(zarnik::testing::MakeSparseFile(dir.str() + "/zeros.c", "", size));
    ASSERT_TRUE(zarnik::testing::MakeSparseFile(dir.str() + "/text.c", "int a;\n// b\n", size));
    Result r = RunCli({dir.str()});
    EXPECT_EQ(r.Status, 0);
    EXPECT_LT(r.Seconds, 10.0);
    EXPECT_NE(r.Out.find(" 5,368,709,120 C          2       1       1       0  50.00％\n"), std::string::npos)
        << r.Out;
    EXPECT_NE(r.Out.find(" 5,368,709,120 C    ソースファイルではありません。\n"), std::string::npos) << r.Out;
    // The sums are 64-bit: the total and average of the one counted file.
    EXPECT_NE(r.Out.find("1個 5,368,709,120"), std::string::npos) << r.Out;
}

TEST(CliFault, OutOfMemoryOnAFileIsAReadErrorNamingIt) {
    if (zarnik::testing::kSanitizerReservesMemory)
        GTEST_SKIP() << "a sanitizer's shadow memory does not fit a limited address space";
    // A large file is read in pieces, but a line the EUC/JIS converter reads is
    // held whole, and converted: a line of 150 MB needs more than the child's 200 MB.
    TempDir dir;
    const std::string small = dir.Write("a.c", kCode);
    const std::string big = dir.Write("big.c", "int a;\n" + std::string(150 << 20, 'x') + "\n");
    Result r = RunCli({"--set", "FlSort=0", "--set", "EucJis=1", small, big}, false, rlim_t{200} << 20);
    EXPECT_EQ(r.Status, 3) << r.Err;
    EXPECT_EQ(r.Err, "zarnik-count: " + big + ": ﾒﾓﾘが不足しています\n");
    EXPECT_EQ(Names(r.Out), (Strings{"a.c"}));
}

TEST(CliFault, JsonAndHtmlOfFiftyThousandFilesTakeTheMemoryOfTheTextReport) {
    if (zarnik::testing::kSanitizerReservesMemory)
        GTEST_SKIP() << "a sanitizer's shadow memory does not fit a limited address space";
    // The json is written file by file: it fits where the text report fits. Held
    // whole, 50,000 files took some 150 MB, and running out of memory there ended
    // the program with an abort (134) or left no json at all.
    TempDir dir;
    for (int d = 0; d < 100; ++d) {
        const std::string first = dir.Write("t/d" + std::to_string(d) + "/f0.c", kCode);
        for (int f = 1; f < 500; ++f)
            ASSERT_EQ(
                link(first.c_str(),
                     (dir.str() + "/t/d" + std::to_string(d) + "/f" + std::to_string(f) + ".c").c_str()),
                0);
    }
    const rlim_t limit = rlim_t{64} << 20;
    for (const char* format : {"text", "json", "html"}) {
        Result r = RunCli({"--jobs", "1", "--format", format, dir.str() + "/t"}, false, limit);
        EXPECT_EQ(r.Status, 0) << format << ": " << r.Err;
        if (std::string(format) == "json") {
            std::size_t files = 0;
            for (std::size_t at = 0; (at = r.Out.find("\"status\": \"counted\"", at)) != std::string::npos;
                 ++at)
                ++files;
            EXPECT_EQ(files, 50000u);
            EXPECT_TRUE(r.Out.ends_with("\n}\n"));
        }
        // The page is written from the run's rows, kept compactly, and its table row by row.
        if (std::string(format) == "html") {
            std::size_t rows = 0;
            for (std::size_t at = 0; (at = r.Out.find("<td>f", at)) != std::string::npos; ++at) ++rows;
            EXPECT_EQ(rows, 50000u);
            EXPECT_TRUE(r.Out.ends_with("</html>\n"));
        }
    }
}

TEST(CliFault, DiffThatRunsOutOfMemoryIsAReadErrorNeverZeroFigures) {
    if (zarnik::testing::kSanitizerReservesMemory)
        GTEST_SKIP() << "a sanitizer's shadow memory does not fit a limited address space";
    // 200,000 lines in reverse order: the diff library needs some tens of MB. Under
    // every limit the run gives the true figures, or ends with a read error naming
    // the file (or the library when it could not start): never the figures 0 and status 0.
    TempDir dir;
    std::string lines, reversed;
    for (int k = 0; k < 200000; ++k) lines += "int v" + std::to_string(k) + ";\n";
    for (int k = 199999; k >= 0; --k) reversed += "int v" + std::to_string(k) + ";\n";
    dir.Write("a/r.c", lines);
    const std::string changed = dir.Write("b/r.c", reversed);
    const std::vector<std::string> args{"--diff", dir.str() + "/a", dir.str() + "/b"};
    const Result free = RunCli(args);
    ASSERT_EQ(free.Status, 0) << free.Err;
    ASSERT_NE(free.Out.find(" 199999 "), std::string::npos) << free.Out;
    int failed = 0;
    for (rlim_t mb = 20; mb <= 160; mb += 10) {
        const Result r = RunCli(args, false, mb << 20);
        SCOPED_TRACE(std::to_string(mb) + " MB: " + r.Err);
        if (r.Status == 0) {
            EXPECT_EQ(r.Out, free.Out);
            continue;
        }
        EXPECT_EQ(r.Status, 3);
        if (r.Err.find("libgit2") == std::string::npos) {
            EXPECT_EQ(r.Err, "zarnik-count: " + changed + ": ﾒﾓﾘが不足しています\n");
            ++failed;
        }
    }
    EXPECT_GT(failed, 0) << "no limit ran the diff out of memory";
}

TEST(CliFault, ControlCharactersInNamesReachNeitherReportNorTerminal) {
    TempDir dir;
    dir.Write("d/a\nb.c", kCode);
    // A read error (EIO, root included) whose name holds an escape sequence.
    ASSERT_EQ(symlink("/proc/self/mem", (dir.str() + "/d/m\x1b[2J.c").c_str()), 0);
    Result r = RunCli({"--set", "FlSort=1", dir.str() + "/d"});
    EXPECT_EQ(r.Status, 3);
    EXPECT_EQ(r.Err, "zarnik-count: " + dir.str() + "/d/m?[2J.c: I/O ｴﾗｰ (5)\n");
    EXPECT_EQ(Names(r.Out), (Strings{"a?b.c"}));
    EXPECT_EQ(r.Out.find_first_of("\r\x1b\x7f"), std::string::npos);
}

TEST(CliFault, NamesCodePage932CannotHold) {
    TempDir dir;
    dir.Write("d/é.c", kCode);
    dir.Write("d/한글.c", kCode);
    dir.Write("d/漢字.c", kCode);
    Result r = RunCli({"--set", "FlSort=0", dir.str() + "/d"});
    EXPECT_EQ(r.Status, 0);
    Strings names = Names(r.Out);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Strings{"?.c", "??.c", "漢字.c"}));

    // A target line is Shift-JIS: what it cannot hold becomes "?", which matches
    // any one character, so the line finds the file (and any other it matches).
    Result named = RunCli({dir.str() + "/d/é.c"});
    EXPECT_EQ(named.Status, 0);
    EXPECT_EQ(Names(named.Out), (Strings{"?.c"}));
}

TEST(CliFault, FoldersThatCannotBeListedOrSearched) {
    TempDir dir;
    dir.Write("f/a.c", kCode);
    dir.Write("f/locked/b.c", kCode);
    dir.Write("g/c.c", kCode);
    chmod((dir.str() + "/f/locked").c_str(), 0);
    chmod((dir.str() + "/g").c_str(), 0444);  // listed, not searched
    {
        zarnik::testing::PermissionsBind probe;
        if (!probe.Binds()) GTEST_SKIP() << "permission bits do not stop this process";
    }
    Result tree = RunCli({dir.str() + "/f"}, true);
    EXPECT_EQ(tree.Status, 0) << tree.Err;
    EXPECT_EQ(Names(tree.Out), (Strings{"a.c"}));

    Result locked = RunCli({dir.str() + "/f/locked"}, true);
    EXPECT_EQ(locked.Status, 1);

    Result unsearched = RunCli({dir.str() + "/g"}, true);
    EXPECT_EQ(unsearched.Status, 3);
    EXPECT_EQ(unsearched.Err, "zarnik-count: " + dir.str() + "/g/c.c: ﾌｧｲﾙへのｱｸｾｽが拒否されました\n");
    chmod((dir.str() + "/f/locked").c_str(), 0700);
    chmod((dir.str() + "/g").c_str(), 0700);
}

TEST(CliFault, RunningOutOfFileDescriptorsIsAReadErrorNotAShorterReport) {
    if (zarnik::testing::kSanitizerNeedsDescriptors)
        GTEST_SKIP() << "the sanitizer's runtime needs descriptors of its own at the limit";
    // Each level of a walk keeps its folder open: 40 levels need more descriptors
    // than 16. A folder that cannot be opened for want of one is no folder the user
    // may not read: the count (and a change count) ends with the error, exit 3.
    std::vector<int> depths(40);
    std::iota(depths.begin(), depths.end(), 1);
    zarnik::testing::FolderChain chain(40, depths, kCode);
    ASSERT_EQ(chain.Files.size(), 40u);
    const std::regex tooMany("zarnik-count: " + chain.Root + "(/d)+: I/O ｴﾗｰ \\(24\\)\n");
    Result all = RunCli({"--jobs", "1", chain.Root});
    EXPECT_EQ(all.Status, 0) << all.Err;
    EXPECT_EQ(Names(all.Out).size(), 40u);
    for (const Strings& args :
         {Strings{"--jobs", "1", chain.Root}, Strings{"--diff", chain.Root, chain.Root}}) {
        Result r = RunCli(args, false, 0, 16);
        ASSERT_NE(r.Status, 126);
        EXPECT_EQ(r.Status, 3) << r.Out;
        EXPECT_TRUE(std::regex_match(r.Err, tooMany)) << r.Err;
        EXPECT_EQ(r.Out.find("変更なし"), std::string::npos);
    }
}

TEST(CliFault, IniFilesThatAreGarbageOrNoFiles) {
    TempDir dir;
    dir.Write("a.c", kCode);
    std::string garbage;
    for (int i = 0; i < 4096; ++i) garbage.push_back(static_cast<char>((i * 7919) % 256));
    const std::string ini = dir.Write("garbage.ini", garbage + "\n[Settei]\nFldNam=1\n");
    Result r = RunCli({"--ini", ini, dir.str() + "/a.c"});
    EXPECT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Out.find("[" + dir.str() + "]---"), std::string::npos);                  // FldNam=1 was read
    EXPECT_EQ(zarnik::testing::ReadFileBytes(ini), garbage + "\n[Settei]\nFldNam=1\n");  // only ever read

    // A folder, a pipe and a device are never read as INI files (a pipe would block).
    ASSERT_EQ(mkfifo((dir.str() + "/fifo.ini").c_str(), 0600), 0);
    for (const std::string& bad : {dir.str(), dir.str() + "/fifo.ini", std::string("/dev/zero")}) {
        Result e = RunCli({"--ini", bad, dir.str() + "/a.c"});
        EXPECT_EQ(e.Status, 2) << bad;
        EXPECT_EQ(e.Err, "zarnik-count: cannot read the INI file '" + bad + "'\n");
        EXPECT_EQ(e.Out, "");
    }
}

TEST(CliFault, SaveRecordAndLockBesideAnIniFileAreOnlyData) {
    // A folder as a repository could ship it: settings, a lock file that is a pipe
    // and a save record that removes a file elsewhere. Counting with it reads the
    // settings and changes nothing, anywhere.
    TempDir dir, elsewhere;
    dir.Write("a.c", kCode);
    const std::string victim = elsewhere.Write("victim.txt", "precious");
    const std::string ini =
        dir.Write("zarnik.ini", "[Cname]\ncnam1=E\n[FILES_1]\nfile0=" + dir.str() + "/a.c\n");
    std::string record = "ZARNIK-SAVE 1\nU" + victim + std::string(1, '\0') + std::string(1, '\0') + "END\n";
    dir.Write("zarnik.ini.commit", record);
    ASSERT_EQ(mkfifo((ini + ".lock").c_str(), 0444), 0);
    Result r = RunCli({"--ini", ini, "--env", "1"}, true);
    EXPECT_EQ(r.Status, 0) << r.Err;  // killed after 30 s when the pipe blocked it
    EXPECT_EQ(Names(r.Out), Strings{"a.c"});
    EXPECT_EQ(zarnik::testing::ReadFileBytes(victim), "precious");
    EXPECT_EQ(zarnik::testing::ReadFileBytes(dir.path() / "zarnik.ini.commit"), record);
    EXPECT_TRUE(fs::is_fifo(ini + ".lock"));
}

}  // namespace
}  // namespace zarnik
