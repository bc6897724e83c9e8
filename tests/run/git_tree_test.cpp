// Counting a stored revision straight from a repository's objects, against
// counting a checkout of the same revision made by git itself.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "run/git_test_util.h"

namespace zarnik {
namespace {

using testing::Shell;
using testing::TempDir;

// A repository of three commits on branch main (the first tagged v1) holding what
// a walk treats apart: nested folders, a file no counter takes, a binary file, a
// UTF-8 file with a Japanese name, a long name, links to a file, to a folder,
// to nothing and out of the repository, an executable file, a tracked file that
// an ignore rule names, and a submodule.
class GitTreeTest : public ::testing::Test {
protected:
    void SetUp() override {
        Git("git init -q -b main repo");
        Put("src/main.c", "/* main */\nint main(void) {\n\n    return 0;\n}\n");
        Put("src/sub/deep/b.h", "// b\nint b;\n");
        Put("src/readme.txt", "hello\n");
        Put("src/日本語.c", "// 日本語のコメント\nint j;\n");
        Put("src/a-rather-long-file-name-for-the-width.c", "int w;\n");
        Put("src/bin.c", std::string("int\0x;\n", 7));
        Put("src/ignored.c", "int i;\n");
        Put("run.sh", "echo hi\n");
        Put(".gitignore", "ignored.c\n*.o\n");
        Git("git -C repo add -A && chmod +x repo/run.sh && ln -s main.c repo/src/link.c && "
            "ln -s sub repo/src/sublink && ln -s gone.c repo/src/dangling.c && "
            "ln -s ../../outside.c repo/src/out.c && git -C repo add -A -f && "
            "git -C repo update-index --add --cacheinfo 160000,1111111111111111111111111111111111111111,mod");
        Commit("2020-01-02T03:04:05", "first");
        Git("git -C repo tag v1");
        Put("src/main.c", "/* main */\nint main(void) {\n    int x = 1;\n\n    return x;\n}\n");
        Put("src/sub/new.c", "int n; // n\n");
        Git("git -C repo rm -q src/sub/deep/b.h && git -C repo add -A");
        Commit("2021-05-06T07:08:09", "second");
        Put("src/sub/new.c", "int n;\n/* more */\n");
        Git("git -C repo add -A");
        Commit("2022-09-10T11:12:13", "third");
    }

    void Git(const std::string& command) {
        const auto r = Shell(dir_, command);
        ASSERT_EQ(r.Status, 0) << command << "\n" << r.Out;
    }
    void Put(const std::string& rel, const std::string& bytes) { dir_.Write("repo/" + rel, bytes); }
    void Commit(const std::string& date, const std::string& message) {
        Git("GIT_AUTHOR_DATE=" + date + " GIT_COMMITTER_DATE=" + date + " git -C repo commit -q -m " +
            message);
    }

    // A checkout of rev in folder co, each entry's time the commit's, as a clone
    // made at the commit's time would have it.
    void CheckOut(const std::string& rev) {
        Git("rm -rf co && git -C repo worktree prune && git -C repo worktree add -q --detach ../co " + rev +
            " && find co -exec touch -h -d @$(git -C repo log -1 --format=%ct " + rev + ") {} +");
    }

    // zarnik-count run in folder with args; its status and output.
    testing::ShellResult Count(const std::string& folder, const std::string& args) {
        return Shell(dir_, "cd " + folder + " && " + testing::BinDir() + "/zarnik-count " + args);
    }

    TempDir dir_;
};

TEST_F(GitTreeTest, RevisionCountsAsItsCheckoutByteForByte) {
    const std::string plain = "--set HeadDT=0 --set FlSort=1 --set FldNam=1 --set FldSum=1 ";
    const std::vector<std::string> runs = {
        plain + "src",
        plain + "--set Subfol=0 src/ 'src/*.c' src/SUB",
        plain + ". src/link.c src/sublink src/sub/..",
        plain + "--format csv .",
        plain + "--format json --set Erfout=0 src/sub",
        // Ignore rules leave nothing of a checkout out: all of it is tracked.
        plain + "--set GitIgnore=0 --set FmSizeIndex=1 src",
    };
    for (const std::string rev : {"v1", "main~1", "main"}) {
        CheckOut(rev);
        for (const std::string& args : runs) {
            const auto checkout = Count("co", args);
            const auto stored = Count("repo", "--rev " + rev + " " + args);
            EXPECT_EQ(checkout.Status, 0) << checkout.Out;
            EXPECT_EQ(stored.Status, checkout.Status) << rev << " " << args;
            EXPECT_EQ(stored.Out, checkout.Out) << rev << " " << args;
        }
    }
    // The top of the work tree named without a closing slash is the folder it names.
    const auto bare = Count(".", plain + "--rev main repo");
    EXPECT_EQ(bare.Status, 0) << bare.Out;
    EXPECT_EQ(bare.Out, Count(".", plain + "--rev main repo/").Out);
    EXPECT_EQ(Count(".", plain + "--diff --rev-old v1 --rev-new main repo").Status, 0);
    // Nothing was checked out or written for it.
    EXPECT_EQ(Shell(dir_, "git -C repo status --porcelain").Out, "");
}

// Output without the lines that name the versions (the header's two lines, csv's
// first two rows after the header, json's "old" and "new").
std::string WithoutVersionLines(const std::string& out, const std::string& oldName,
                                const std::string& newName) {
    std::string kept;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
        if (line.find(oldName) == std::string::npos && line.find(newName) == std::string::npos)
            kept += line + "\n";
    return kept;
}

TEST_F(GitTreeTest, TwoRevisionsCompareAsTheirCheckoutsByteForByte) {
    const std::string plain = "--set HeadDT=0 --set FlSort=1 ";
    const std::vector<std::pair<std::string, std::string>> revisions = {{"v1", "main"}, {"main", "main~1"}};
    for (const auto& [oldRev, newRev] : revisions) {
        ASSERT_EQ(Shell(dir_, "rm -rf old new && mkdir old new && git -C repo archive " + oldRev +
                                  " | tar -x -C old && git -C repo archive " + newRev + " | tar -x -C new")
                      .Status,
                  0);
        for (const std::string format : {"text", "csv", "json"}) {
            const std::string args = plain + "--format " + format + " --diff ";
            const auto checkouts = Count(".", args + "old/src new/src");
            const auto stored = Count("repo", args + "--rev-old " + oldRev + " --rev-new " + newRev + " src");
            EXPECT_EQ(checkouts.Status, 0) << checkouts.Out;
            EXPECT_EQ(stored.Status, 0) << stored.Out;
            EXPECT_NE(stored.Out.find(oldRev + ":src"), std::string::npos) << stored.Out;
            EXPECT_EQ(WithoutVersionLines(stored.Out, oldRev + ":src", newRev + ":src"),
                      WithoutVersionLines(checkouts.Out, "old/src", "new/src"))
                << oldRev << ".." << newRev << " " << format;
        }
    }
    // Two targets: the old one in the old revision, the new one in the new.
    const auto files = Count("repo", plain + "--diff --rev-old v1 --rev-new main src/main.c src/sub/new.c");
    EXPECT_EQ(files.Status, 0) << files.Out;
    EXPECT_NE(files.Out.find("main:src/sub/new.c"), std::string::npos) << files.Out;
    EXPECT_EQ(Count("repo", "--diff --rev-old v1 src").Status, 2);
}

TEST_F(GitTreeTest, TargetOutsideARepositoryOrUnknownRevisionIsAUsageError) {
    dir_.Write("plain/p.c", "int p;\n");
    auto r = Count(".", "--rev main repo/src plain");
    EXPECT_EQ(r.Status, 2);
    EXPECT_EQ(r.Out, "zarnik-count: not in a git repository: 'plain'\n");
    r = Count("repo", "--rev v9 src");
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Out.find("no revision 'v9' in the repository at '"), std::string::npos) << r.Out;
    // A revision that names something else than a commit.
    r = Count("repo", "--rev main:src src");
    EXPECT_EQ(r.Status, 2);
    EXPECT_NE(r.Out.find("revision 'main:src' names no commit"), std::string::npos) << r.Out;
    // Inside the repository's own folder there is no work tree.
    r = Count("repo", "--rev main .git/refs");
    EXPECT_EQ(r.Status, 2) << r.Out;
    // A working folder that is gone is a read error, not a search without end.
    r = Shell(dir_, "mkdir gone && cd gone && rmdir ../gone && timeout 20 " + testing::BinDir() +
                        "/zarnik-count --rev main x.c");
    EXPECT_EQ(r.Status, 3) << r.Out;
}

TEST_F(GitTreeTest, MissingObjectEndsTheRunNamingIt) {
    // The blob of the last src/sub/new.c goes missing from the object store.
    const auto id = Shell(dir_, "git -C repo rev-parse main:src/sub/new.c").Out.substr(0, 40);
    Git("rm -f repo/.git/objects/" + id.substr(0, 2) + "/" + id.substr(2));
    const auto r = Count("repo", "--set HeadDT=0 --rev main src");
    EXPECT_EQ(r.Status, 3) << r.Out;
    EXPECT_NE(r.Out.find("zarnik-count: src/sub/new.c: cannot read file object " + id), std::string::npos)
        << r.Out;
    // The report so far stays, without totals that would pass for whole ones.
    EXPECT_EQ(r.Out.find("総合計"), std::string::npos) << r.Out;
    const auto history = Count("repo", "--history src");
    EXPECT_EQ(history.Status, 3) << history.Out;
    EXPECT_NE(history.Out.find("cannot read file object " + id), std::string::npos) << history.Out;
}

TEST_F(GitTreeTest, CorruptObjectEndsTheRunNamingIt) {
    const auto id = Shell(dir_, "git -C repo rev-parse main:src/main.c").Out.substr(0, 40);
    const std::string file = "repo/.git/objects/" + id.substr(0, 2) + "/" + id.substr(2);
    Git("chmod u+w " + file + " && printf 'not an object' > " + file);
    const auto r = Count("repo", "--set HeadDT=0 --rev main src");
    EXPECT_EQ(r.Status, 3) << r.Out;
    // src/link.c, counted before src/main.c, holds the same bytes.
    EXPECT_NE(r.Out.find("zarnik-count: src/link.c: cannot read file object " + id), std::string::npos)
        << r.Out;
}

}  // namespace
}  // namespace zarnik
