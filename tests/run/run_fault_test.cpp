// A count run over a file system that misbehaves: files that vanish or change
// between the passes, links that loop, entries that are no files, folders and
// files that cannot be read, listings that fail part-way, names code page 932
// cannot hold or that hold control characters, trees deeper than PATH_MAX, very
// many files.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "fault_util.h"
#include "run/collect.h"
#include "run/run.h"
#include "run_test_util.h"

namespace zarnik::run {
namespace {

using settings::Settings;
using testing::CountTargets;
using testing::FileNames;
using testing::kCode;
using testing::Plain;
using testing::Recorder;
using zarnik::testing::PermissionsBind;
using zarnik::testing::Sj;
using zarnik::testing::TempDir;
using Strings = std::vector<std::string>;
namespace fs = std::filesystem;

// The text of the grand-total line ("■全ｿｰｽﾌｧｲﾙ総合計 ... n個 ...").
std::string GrandTotal(const Strings& lines) {
    for (const auto& l : lines)
        if (l.rfind(Sj("■全ｿｰｽﾌｧｲﾙ総合計"), 0) == 0) return l;
    return "";
}

TEST(RunFault, FilesThatVanishOrChangeBetweenThePassesAreSkippedSilently) {
    TempDir dir;
    for (const char* name : {"a.c", "b.c", "c.c", "d.c", "e.c"}) dir.Write(name, kCode);
    const std::string d = dir.str() + "/";
    Settings cnf = Plain();
    Recorder host;
    // After the collection pass has found every file, before the first is counted.
    host.OnCounting = [&] {
        std::remove((d + "b.c").c_str());  // gone
        fs::remove(d + "c.c");             // a folder now
        fs::create_directory(d + "c.c");
        fs::remove(d + "d.c");  // a pipe now: never opened
        ASSERT_EQ(mkfifo((d + "d.c").c_str(), 0600), 0);
    };
    EXPECT_EQ(CountTargets({d + "*.c"}, cnf, host).End, RunEnd::Finished);
    EXPECT_EQ(FileNames(host.Lines), (Strings{"a.c", "e.c"}));
    EXPECT_EQ(host.Counters.back(), " [5/5]");  // the bar still went through every file
    EXPECT_NE(GrandTotal(host.Lines).find(Sj("2個")), std::string::npos) << GrandTotal(host.Lines);
}

TEST(RunFault, LinkLoopsAndLinksToParentsEndAndCountEachFileOnce) {
    TempDir dir;
    dir.Write("t/a.c", kCode);
    dir.Write("t/sub/b.c", kCode);
    const std::string t = dir.str() + "/t";
    fs::create_directory_symlink("..", t + "/sub/up");  // a link to the parent
    fs::create_symlink("self.c", t + "/sub/self.c");    // a link to itself
    fs::create_symlink("l2.c", t + "/sub/l1.c");        // two links to each other
    fs::create_symlink("l1.c", t + "/sub/l2.c");

    Settings cnf = Plain();
    Recorder walk;
    EXPECT_EQ(CountTargets({t}, cnf, walk).End, RunEnd::Finished);
    EXPECT_EQ(FileNames(walk.Lines), (Strings{"a.c", "b.c"}));

    // Named by a target line, the link to the parent is walked once; the walk below
    // it does not take the link again.
    Recorder named;
    EXPECT_EQ(CountTargets({t + "/sub/up", t + "/sub/self.c", t + "/sub/l*"}, cnf, named).End,
              RunEnd::Finished);
    EXPECT_EQ(FileNames(named.Lines), (Strings{"a.c", "b.c"}));
    EXPECT_EQ(named.Paths, (Strings{t + "/sub/up/a.c", t + "/sub/up/sub/b.c"}));
}

TEST(RunFault, PipesSocketsAndDevicesAmongTheTargetsAreSkipped) {
    TempDir dir;
    dir.Write("f/a.c", kCode);
    const std::string f = dir.str() + "/f/";
    ASSERT_EQ(mkfifo((f + "fifo.c").c_str(), 0600), 0);
    int sock = zarnik::testing::MakeSocket(f + "sock.c");
    ASSERT_GE(sock, 0);
    fs::create_symlink("/dev/null", f + "null.c");
    fs::create_symlink("/dev/zero", f + "zero.c");

    Settings cnf = Plain();
    Recorder host;
    const Strings devices{f + "fifo.c", f + "sock.c", f + "null.c", f + "zero.c", "/dev/null", "/dev/zero"};
    Strings targets = devices;
    targets.push_back(f);  // the folder holds them all, and a.c
    EXPECT_EQ(CountTargets(targets, cnf, host).End, RunEnd::Finished);
    EXPECT_EQ(FileNames(host.Lines), (Strings{"a.c"}));

    Recorder only;
    EXPECT_EQ(CountTargets(devices, cnf, only).End, RunEnd::NoFiles);
    EXPECT_TRUE(only.Lines.empty());
    close(sock);
}

TEST(RunFault, FolderThatCannotBeListedAddsNothing) {
    TempDir dir;
    dir.Write("f/a.c", kCode);
    dir.Write("f/locked/b.c", kCode);
    const std::string f = dir.str() + "/f";
    chmod((f + "/locked").c_str(), 0);
    PermissionsBind bind;
    if (!bind.Binds()) GTEST_SKIP() << "permission bits do not stop this process";

    Settings cnf = Plain();
    Recorder tree;
    EXPECT_EQ(CountTargets({f}, cnf, tree).End, RunEnd::Finished);
    EXPECT_EQ(FileNames(tree.Lines), (Strings{"a.c"}));

    Recorder locked;
    EXPECT_EQ(
        CountTargets({f + "/locked", f + "/locked/", f + "/locked/*.c", f + "/locked/b.c"}, cnf, locked).End,
        RunEnd::NoFiles);
    chmod((f + "/locked").c_str(), 0700);
}

TEST(RunFault, FileThatCannotBeReadEndsTheRunWithItsPath) {
    TempDir dir;
    dir.Write("f/a.c", kCode);
    dir.Write("f/b.c", kCode);
    dir.Write("g/c.c", kCode);
    const std::string f = dir.str() + "/f", g = dir.str() + "/g";
    chmod((f + "/b.c").c_str(), 0);
    // A folder that may be listed but not searched: its files are found, and then
    // cannot be reached.
    chmod(g.c_str(), 0444);
    PermissionsBind bind;
    if (!bind.Binds()) GTEST_SKIP() << "permission bits do not stop this process";

    for (const auto& [target, failing] : {std::pair{f, f + "/b.c"}, std::pair{g, g + "/c.c"}}) {
        Settings cnf = Plain();
        Recorder host;
        const RunOutcome outcome = CountTargets({f + "/a.c", target}, cnf, host);
        ASSERT_TRUE(outcome.Error) << "no error for " << failing;
        EXPECT_EQ(outcome.Error->Path, failing);
        EXPECT_EQ(outcome.Error->Text(), Sj("ﾌｧｲﾙへのｱｸｾｽが拒否されました"));
        // The lines so far stay; no closing block follows them.
        EXPECT_EQ(FileNames(host.Lines).front(), "a.c");
        EXPECT_EQ(GrandTotal(host.Lines), "");
        EXPECT_TRUE(outcome.ResultUnsaved);
    }
    chmod(g.c_str(), 0700);
}

// While it lives, folder listings fail with EIO right after handing out an entry
// of the given name, as a failing disk or a lost network share fails part-way.
class ListingFailsAfter {
public:
    explicit ListingFailsAfter(std::string name) : saved_(detail::ReadFolderEntries) {
        name_ = std::move(name);
        detail::ReadFolderEntries = [](int fd, char* buf, std::size_t size) -> long {
            if (failNext_) {
                errno = EIO;
                return -1;
            }
            const long got = ::getdents64(fd, buf, size);
            for (long at = 0; at < got;) {
                const auto* e = reinterpret_cast<const dirent64*>(buf + at);
                at += e->d_reclen;
                if (name_ == e->d_name) {
                    failNext_ = true;
                    return at;  // the entries up to this one; the next read fails
                }
            }
            return got;
        };
    }
    ~ListingFailsAfter() {
        detail::ReadFolderEntries = saved_;
        failNext_ = false;
    }

private:
    static inline std::string name_;
    static inline bool failNext_ = false;
    long (*saved_)(int, char*, std::size_t);
};

TEST(RunFault, ListingThatFailsPartWayEndsTheRunNamingTheFolder) {
    TempDir dir;
    dir.Write("f/a.c", kCode);
    for (const char* name : {"a.c", "b.c", "c.c"}) dir.Write(std::string("f/flaky/") + name, kCode);
    const std::string f = dir.str() + "/f", flaky = f + "/flaky";
    for (const std::string& target : {f, flaky + "/*.c"}) {
        ListingFailsAfter failing("b.c");  // only the folder flaky holds one
        Settings cnf = Plain();
        Recorder host;
        const RunOutcome outcome = CountTargets({target}, cnf, host);
        ASSERT_TRUE(outcome.Error) << "no error for " << target;
        EXPECT_EQ(outcome.Error->Path, flaky);
        EXPECT_EQ(outcome.Error->Text(), Sj("I/O ｴﾗｰ (5)"));
        EXPECT_TRUE(host.Lines.empty());
    }
}

TEST(RunFault, FilesBeyondPathMaxAreCountedAndFound) {
    zarnik::testing::FolderChain chain(5000, {10, 1000, 2000, 2100, 3000, 5000}, kCode);
    ASSERT_EQ(chain.Files.size(), 6u);
    ASSERT_GT(chain.Files[3].size(), 4096u);
    Settings cnf = Plain();
    cnf.SortFiles = 0;
    Recorder walk;
    EXPECT_EQ(CountTargets({chain.Root}, cnf, walk).End, RunEnd::Finished);
    // (Paths of 10 KB are compared, never printed.)
    auto sorted = [](Strings paths) {
        std::sort(paths.begin(), paths.end());
        return paths;
    };
    EXPECT_TRUE(sorted(walk.Paths) == sorted(chain.Files)) << walk.Paths.size() << " files";
    EXPECT_NE(GrandTotal(walk.Lines).find(Sj("6個")), std::string::npos);

    // Target lines longer than 4096 bytes: a file, and a folder ending in "/".
    const std::string deepFolder = chain.Files[4].substr(0, chain.Files[4].size() - 3);
    Recorder named;
    EXPECT_EQ(CountTargets({chain.Files[3], deepFolder}, cnf, named).End, RunEnd::Finished);
    EXPECT_TRUE(sorted(named.Paths) == sorted({chain.Files[3], chain.Files[4], chain.Files[5]}))
        << named.Paths.size() << " files";
    EXPECT_NE(GrandTotal(named.Lines).find(Sj("3個")), std::string::npos);
}

TEST(RunFault, ControlCharactersInNamesAreShownAsQuestionMarks) {
    TempDir dir;
    const std::string folder = "x\x1b[2Jy";
    for (const char* name : {"a\nb.c", "c\rd.c", "e\x7f.c", "\t.c"}) dir.Write(folder + "/" + name, kCode);
    Settings cnf = Plain();
    cnf.FolderLines = 1;
    Recorder host;
    EXPECT_EQ(CountTargets({dir.str() + "/" + folder}, cnf, host).End, RunEnd::Finished);
    Strings names = FileNames(host.Lines);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Strings{"?.c", "a?b.c", "c?d.c", "e?.c"}));
    const std::string folderLine = "[" + dir.str() + "/x?[2Jy]---";
    EXPECT_EQ(std::count_if(host.Lines.begin(), host.Lines.end(),
                            [&](const std::string& l) { return l.starts_with(folderLine); }),
              1);
    Strings shown = host.Lines;
    shown.insert(shown.end(), host.Paths.begin(), host.Paths.end());
    for (const std::string& text : shown)
        EXPECT_EQ(
            std::count_if(text.begin(), text.end(), [](char c) { return c >= 0 && (c < 0x20 || c == 0x7f); }),
            0)
            << text;
}

TEST(RunFault, NamesCodePage932CannotHoldAreCountedAndShownWithQuestionMarks) {
    TempDir dir;
    const std::string hangul20 = [] {
        std::string s;
        for (int i = 0; i < 20; ++i) s += "한";
        return s + ".c";
    }();
    for (const std::string name : {"é.c", "😀.c", "\xff.c", "漢字.c", hangul20.c_str()})
        dir.Write(name, kCode);

    Settings cnf = Plain();
    cnf.SortFiles = 1;
    Recorder host;
    EXPECT_EQ(CountTargets({dir.str()}, cnf, host).End, RunEnd::Finished);
    Strings names = FileNames(host.Lines);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Strings{"?.c", "?.c", "?.c", std::string(20, '?') + ".c", Sj("漢字.c")}));
    // The name column is as wide as the longest converted name (22 bytes) plus one.
    const std::string timeTitle = Sj("ﾀｲﾑｽﾀﾝﾌﾟ");
    EXPECT_EQ(host.Header.find(timeTitle), 23u);
    for (const auto& line : host.Lines) {
        if (line.rfind("?", 0) == 0) {
            EXPECT_TRUE(line[22] == ' ' && std::isdigit(line[23])) << line;
        }
    }
    EXPECT_NE(GrandTotal(host.Lines).find(Sj("5個")), std::string::npos);
}

TEST(RunFault, OneHundredThousandFilesInOneFolder) {
    TempDir dir;
    const std::string f = dir.str() + "/many";
    fs::create_directory(f);
    constexpr int kFiles = 100000;
    // Links to a few empty files (a file takes at most 65,000 links on ext4): 100,000
    // entries, each a regular file, without the cost of making 100,000 inodes.
    for (int i = 0; i < kFiles; ++i) {
        const std::string source = dir.str() + "/empty" + std::to_string(i / 50000) + ".c";
        if (i % 50000 == 0) dir.Write(fs::path(source).filename().string(), "");
        ASSERT_EQ(link(source.c_str(), (f + "/f" + std::to_string(i) + ".c").c_str()), 0)
            << std::strerror(errno);
    }
    dir.Write("many/zz-counted.c", kCode);

    Settings cnf = Plain();
    Recorder host;
    EXPECT_EQ(CountTargets({f}, cnf, host).End, RunEnd::Finished);
    EXPECT_EQ(host.Counters.back(), " [100001/100001]");
    // Empty files are not recognised: one error line each, and one counted file.
    const std::string notRecognised = Sj(" 認識できませんでした。");
    EXPECT_EQ(std::count_if(host.Lines.begin(), host.Lines.end(),
                            [&](const std::string& l) { return l.ends_with(notRecognised); }),
              kFiles);
    EXPECT_NE(GrandTotal(host.Lines).find(Sj("1個")), std::string::npos);
    EXPECT_EQ(host.Paths.back(), f + "/zz-counted.c");  // sorted by path
}

}  // namespace
}  // namespace zarnik::run
