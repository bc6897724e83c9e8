// Files that are hard to count: larger than 4 GB, lines of 100 MB, files that are
// no files, files that cannot be read, files that change under the count.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "engine/count.h"
#include "engine/path_at.h"
#include "engine_test_util.h"
#include "fault_util.h"
#include "report/kind_words.h"
#include "report/report.h"

namespace zarnik::engine {
namespace {

using settings::MakeDefaultSettings;
using settings::Settings;
using zarnik::testing::TempDir;
namespace fs = std::filesystem;

constexpr off_t kFiveGb = off_t{5} << 30;

FileCounts Count(const Settings& cnf, const std::string& path) {
    struct stat st {};
    stat(path.c_str(), &st);
    FileCounts rec;
    CountContext ctx;
    const CountOptions opt = run::CountOptionsFrom(cnf);
    CountFile(opt, path, {fs::path(path).filename().string(), st.st_mtime, st.st_size}, rec, ctx);
    return rec;
}

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

TEST(HugeFile, SparseFilesOfFiveGbCostOnlyTheirText) {
    // A file of zeros has a NUL as its second byte: the pre-check rejects it, as it
    // does a line break followed by the hole. A file whose text is followed by a
    // hole ends at the hole's first NUL, so reading stops there; none of them takes
    // time or memory in proportion to its size.
    TempDir dir;
    const std::string zeros = dir.str() + "/zeros.c", text = dir.str() + "/text.c";
    const std::string lf = dir.str() + "/lf.c", line = dir.str() + "/line.c";
    ASSERT_TRUE(zarnik::testing::MakeSparseFile(zeros, "", kFiveGb));
    ASSERT_TRUE(zarnik::testing::MakeSparseFile(lf, "\n", kFiveGb));
    ASSERT_TRUE(zarnik::testing::MakeSparseFile(line, "a\n", kFiveGb));
    std::string lines;
    for (int i = 0; i < 2000; ++i) lines += "int x; /* c */\n";  // 30 000 bytes, past the first read
    ASSERT_TRUE(zarnik::testing::MakeSparseFile(text, lines, kFiveGb));

    const Settings cnf = MakeDefaultSettings();
    auto start = std::chrono::steady_clock::now();
    FileCounts a = Count(cnf, zeros);
    FileCounts b = Count(cnf, text);
    FileCounts c = Count(cnf, lf);
    FileCounts d = Count(cnf, line);
    EXPECT_LT(Seconds(start), 5.0);
    EXPECT_LT(zarnik::testing::PeakMemoryMb(), 1024);

    EXPECT_EQ(c.Status, FileStatus::NotSource);
    EXPECT_EQ(d.Status, FileStatus::Counted);
    EXPECT_EQ(d.Total, 1);
    EXPECT_EQ(d.Size, kFiveGb);

    EXPECT_EQ(a.Status, FileStatus::NotSource);
    EXPECT_EQ(a.Size, kFiveGb);
    EXPECT_EQ(b.Status, FileStatus::Counted);
    EXPECT_EQ(b.Total, 2000);
    EXPECT_EQ(b.Exec, 2000);
    EXPECT_EQ(b.Size, kFiveGb);
    // The size column holds the whole number.
    EXPECT_NE(report::FormatFileLine(report::ReportLayout::From(cnf), b, 13).find(" 5,368,709,120 C   "),
              std::string::npos);
}

TEST(HugeFile, LineOfOneHundredMbIsLeftOut) {
    TempDir dir;
    const std::string path = dir.Write("big.c", "/* a */\n" + std::string(100 << 20, 'x') + "\n// b\n");
    Settings cnf = MakeDefaultSettings();
    CountContext ctx;  // reused from file to file, as a run does
    auto start = std::chrono::steady_clock::now();
    for (int mode : {0, 4}) {  // by extension, and the guesser, which reads every line too
        cnf.CounterChoice = mode;
        FileCounts rec;
        CountFile(run::CountOptionsFrom(cnf), path, {"big.c", 0, 0}, rec, ctx);
        EXPECT_EQ(rec.Status, FileStatus::Counted) << mode;
        EXPECT_EQ(rec.Total, 2) << mode;
        EXPECT_EQ(rec.Comment, 2) << mode;
    }
    EXPECT_LT(Seconds(start), 20.0);
}

TEST(HugeFile, LongLineThroughTheConverter) {
    // With EucJis 1 every line passes the converter, the long one included; it
    // converts in one pass and the result is still too long to count.
    TempDir dir;
    std::string jis = "\x1b$B";
    for (int i = 0; i < (5 << 20); ++i) jis += "4A";  // 10 MB of two-byte JIS
    const std::string path = dir.Write("jis.c", "a;\n" + jis + "\x1b(B\n/* b */\n");
    Settings cnf = MakeDefaultSettings();
    cnf.ConvertEucJis = 1;
    FileCounts rec = Count(cnf, path);
    EXPECT_EQ(rec.Status, FileStatus::Counted);
    EXPECT_EQ(rec.Total, 2);
    EXPECT_EQ(rec.Comment, 1);
}

TEST(NotAFile, PipesSocketsAndDevicesAreNeverReadAndNeverBlock) {
    TempDir dir;
    const std::string fifo = dir.str() + "/fifo.c", sock = dir.str() + "/sock.c";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    int sockFd = zarnik::testing::MakeSocket(sock);
    ASSERT_GE(sockFd, 0);
    fs::create_symlink("/dev/null", dir.path() / "null.c");
    fs::create_symlink("/dev/zero", dir.path() / "zero.c");  // would never end if it were read
    fs::create_symlink("loop.c", dir.path() / "loop.c");
    fs::create_symlink(dir.path(), dir.path() / "folder.c");

    const Settings cnf = MakeDefaultSettings();
    for (const char* name : {"fifo.c", "sock.c", "null.c", "zero.c", "loop.c", "folder.c"}) {
        std::string path = dir.str() + "/" + name;
        EXPECT_EQ(Count(cnf, path).Status, FileStatus::Missing) << name;
    }
    close(sockFd);
}

TEST(ChangedSinceLookedAt, GrowingFilesAreReadUpToTheSizeSeenAndGoneFilesAreGone) {
    // A file that grows while it is counted (a log being written) is read up to the
    // size it had when it was opened, not on without end; both below and above the
    // size that is read in one go, and in small pieces.
    TempDir dir;
    const Settings cnf = MakeDefaultSettings();
    CountContext ctx;
    ctx.ChunkBytes = 4096;
    for (int lines : {1000, 200000}) {
        std::string text;
        for (int i = 0; i < lines; ++i) text += "int a;\n";
        const std::string path = dir.Write("grown.c", text);
        std::atomic<bool> stop{false};
        std::thread writer([&] {
            Fd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC));
            while (!stop && ::write(fd.get(), "int a;\n", 7) == 7) {
            }
        });
        for (int round = 0; round < 20; ++round) {
            FileCounts rec;
            DirEntry entry{"grown.c"};
            ASSERT_TRUE(CountFoundFile(run::CountOptionsFrom(cnf), path, entry, rec, ctx));
            EXPECT_EQ(rec.Status, FileStatus::Counted);
            EXPECT_EQ(rec.Total, (entry.Size + 6) / 7);  // a line being written may be cut
        }
        stop = true;
        writer.join();
    }
    // A file gone between the listing and the open is reported gone, not counted as
    // "ファイルが存在しません。".
    FileCounts rec;
    DirEntry entry{"gone.c"};
    EXPECT_FALSE(CountFoundFile(run::CountOptionsFrom(cnf), dir.str() + "/gone.c", entry, rec, ctx));
    EXPECT_EQ(rec.Name, "");
}

// Files opened relative to the folder opened before are the files their paths name,
// whatever folder comes next, and a path that cannot be opened fails as it would whole.
TEST(FolderAt, OpensWhatThePathNames) {
    TempDir dir;
    for (const char* name : {"a/x.c", "b/x.c", "a/y.c"}) dir.Write(name, name);
    FolderAt folders;
    for (const char* name : {"a/x.c", "b/x.c", "a/y.c", "a/x.c", "a/gone.c", "gone/x.c", "a/x.c/z"}) {
        const std::string path = dir.str() + "/" + name;
        errno = 0;
        Fd fd(folders.Open(path, O_RDONLY | O_CLOEXEC));
        const int err = errno;
        Fd whole(OpenPath(path, O_RDONLY | O_CLOEXEC));
        ASSERT_EQ(static_cast<bool>(fd), static_cast<bool>(whole)) << name;
        if (!whole) {
            EXPECT_EQ(err, errno) << name;
            continue;
        }
        struct stat a {
        }, b{};
        ASSERT_EQ(fstat(fd.get(), &a), 0);
        ASSERT_EQ(fstat(whole.get(), &b), 0);
        EXPECT_EQ(a.st_ino, b.st_ino) << name;
    }
}

TEST(Unreadable, FileWithoutReadPermissionIsAnErrorWithItsPath) {
    TempDir dir;
    const std::string path = dir.Write("locked.c", "int a;\n");
    chmod(path.c_str(), 0);
    zarnik::testing::PermissionsBind bind;
    if (!bind.Binds()) GTEST_SKIP() << "permission bits do not stop this process";
    FileCounts rec;
    CountContext ctx;
    try {
        CountFile(run::CountOptionsFrom(MakeDefaultSettings()), path, {"locked.c", 0, 7}, rec, ctx);
        FAIL() << "no error raised";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Path(), path);
        EXPECT_EQ(e.Code(), EACCES);
        EXPECT_STREQ(e.what(), "Permission denied");
    }
}

}  // namespace
}  // namespace zarnik::engine
