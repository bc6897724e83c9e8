// git's ignore rules in a folder walk, on repositories built with git itself and
// counted by zarnik-count with HOME and XDG_CONFIG_HOME of their own, so that the
// user's global excludes file is the test's.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "run/git_test_util.h"

namespace zarnik {
namespace {

using testing::TempDir;

using Result = testing::ShellResult;
using testing::Shell;

// zarnik-count's counted files (csv paths, in path order) for the target lines.
std::vector<std::string> Counted(const TempDir& dir, const std::string& targets, int gitIgnore = 1) {
    const Result r =
        Shell(dir, testing::BinDir() + "/zarnik-count --format csv --set Erfout=0 --set GitIgnore=" +
                       std::to_string(gitIgnore) + " " + targets);
    EXPECT_EQ(r.Status, 0) << r.Out;
    std::vector<std::string> paths;
    std::istringstream lines(r.Out);
    const std::string file = "ﾌｧｲﾙ,";
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(file, 0) == 0)
            paths.push_back(line.substr(file.size(), line.find(',', file.size()) - file.size()));
    return paths;
}

using Paths = std::vector<std::string>;

// A repository whose file names say whether git ignores them ("-in" files are
// counted, "-out" files are not), with rules at every level git reads.
class GitIgnoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(Shell(dir_, "git init -q repo && git init -q repo/nested").Status, 0);
        const char* files[] = {
            "a-in.c",          "top-out.c",          "sub/top-in.c",    "build/b-out.c",
            "build/kept-in.c", "gen-out.o.c",        "log-out.c",       "log-keep-in.c",
            "excluded-out.c",  "global-out.c",       "sub/local-out.c", "sub/deep/local-out.c",
            "sub/local-in.c",  "nested/log-in.c",    "nested/n-out.c",  "nested/build/n-in.c",
            ".git/x-out.c",    "nested/.git/x-out.c"};
        for (const char* f : files) dir_.Write(std::string("repo/") + f, "int a;\n");
        // Anchored, folder-only, suffix, wildcard and negated patterns at the top;
        // a nested file whose rules hold below it.
        dir_.Write("repo/.gitignore", "/top-out.c\nbuild/\n*.o.c\nlog*.c\n!log-keep-in.c\n");
        dir_.Write("repo/sub/.gitignore", "local-*.c\n!local-in.c\n");
        dir_.Write("repo/.git/info/exclude", "excluded-out.c\n");
        dir_.Write("xdg/git/ignore", "global-out.c\n");
        // A nested repository follows its own rules, not the outer one's.
        dir_.Write("repo/nested/.gitignore", "n-out.c\n");
        // A file git tracks is never ignored, even in an ignored folder.
        ASSERT_EQ(Shell(dir_, "git -C repo add -f build/kept-in.c").Status, 0);
    }

    TempDir dir_;
};

TEST_F(GitIgnoreTest, WalkLeavesOutWhatGitIgnoresAtEveryLevelAndNeverEntersGit) {
    const Paths expected{
        "repo/a-in.c",          "repo/build/kept-in.c", "repo/log-keep-in.c", "repo/nested/build/n-in.c",
        "repo/nested/log-in.c", "repo/sub/local-in.c",  "repo/sub/top-in.c"};
    EXPECT_EQ(Counted(dir_, "repo"), expected);
    // Started below the top, or with the files sorted by the walk, the rules are the same.
    EXPECT_EQ(Counted(dir_, "repo/sub/"), (Paths{"repo/sub/local-in.c", "repo/sub/top-in.c"}));
    // A wildcard's matches follow the rules; a line naming a file counts it.
    EXPECT_EQ(Counted(dir_, "'repo/*.c' repo/log-out.c"),
              (Paths{"repo/a-in.c", "repo/log-keep-in.c", "repo/log-out.c"}));
    // Switched off, everything is counted, .git included.
    const Paths all = Counted(dir_, "repo", 0);
    EXPECT_EQ(all.size(), 18u);
}

TEST_F(GitIgnoreTest, NamedFolderThatTheRulesLeaveOutIsCountedWhole) {
    // A user who names an ignored folder means to count it: the rules hold below
    // a named folder, never for the folder itself, and one ignored as a whole
    // counts as outside any repository (a nested repository keeps its rules).
    dir_.Write("repo/build/deep/d.c", "int d;\n");
    dir_.Write("repo/build/.gitignore", "*.c\n");
    ASSERT_EQ(Shell(dir_, "git init -q repo/build/inner").Status, 0);
    dir_.Write("repo/build/inner/.gitignore", "i-out.c\n");
    dir_.Write("repo/build/inner/i-out.c", "int i;\n");
    dir_.Write("repo/build/inner/i-in.c", "int i;\n");
    const Paths whole{"repo/build/b-out.c", "repo/build/deep/d.c", "repo/build/inner/i-in.c",
                      "repo/build/kept-in.c"};
    EXPECT_EQ(Counted(dir_, "repo/build"), whole);
    EXPECT_EQ(Counted(dir_, "repo/build/"), whole);
    EXPECT_EQ(Counted(dir_, "'repo/build/*.c'"), (Paths{"repo/build/b-out.c", "repo/build/kept-in.c"}));
    // A folder inside an ignored one is ignored as a whole too; its own rules,
    // like the folder's, no longer hold.
    EXPECT_EQ(Counted(dir_, "repo/build/deep"), (Paths{"repo/build/deep/d.c"}));
}

TEST_F(GitIgnoreTest, TreeOutsideAnyRepositoryCountsAsBefore) {
    dir_.Write("plain/.gitignore", "*.c\n");
    dir_.Write("plain/build/p.c", "int p;\n");
    dir_.Write("plain/q.c", "int q;\n");
    const std::string count = testing::BinDir() + "/zarnik-count --set HeadDT=0 --set GitIgnore=";
    const Result on = Shell(dir_, count + "1 plain"), off = Shell(dir_, count + "0 plain");
    EXPECT_EQ(on.Status, 0);
    EXPECT_EQ(on.Out, off.Out);
    EXPECT_EQ(Counted(dir_, "plain"), (Paths{"plain/build/p.c", "plain/q.c"}));
}

TEST_F(GitIgnoreTest, WalkIntoARepositoryFromOutsideCountsAsTheGitProgramDoes) {
    // zarnik-count meets the repository only below the folder it was given, and
    // hands the whole count over to zarnik-count-git before the report begins.
    dir_.Write("outer/x.c", "int x;\n");
    ASSERT_EQ(Shell(dir_, "git init -q outer/inner").Status, 0);
    dir_.Write("outer/inner/.gitignore", "i-out.c\n");
    dir_.Write("outer/inner/i-out.c", "int i;\n");
    dir_.Write("outer/inner/i-in.c", "int i;\n");
    // The language files are read before the walk meets the repository: their
    // warnings are said once, not again by the program the count is handed to.
    dir_.Write("xdg/zarnik/languages.conf", "[Bad]\nkind = TooLong\nfilenames = X\n");
    EXPECT_EQ(Counted(dir_, "outer"), (Paths{"outer/inner/i-in.c", "outer/x.c"}));
    const std::string args = " --set HeadDT=0 outer";
    const Result count = Shell(dir_, testing::BinDir() + "/zarnik-count" + args);
    EXPECT_EQ(count.Status, 0);
    EXPECT_EQ(count.Out, Shell(dir_, testing::BinDir() + "/zarnik-count-git" + args).Out);
    ASSERT_NE(count.Out.find("bad value of 'kind'"), std::string::npos) << count.Out;
    EXPECT_EQ(count.Out.find("bad value of 'kind'"), count.Out.rfind("bad value of 'kind'")) << count.Out;
}

TEST_F(GitIgnoreTest, GitProgramMissingEndsACountThatNeedsIt) {
    // A zarnik-count with no zarnik-count-git beside it or in ../lib/zarnik.
    ASSERT_EQ(Shell(dir_, "mkdir bin && cp " + testing::BinDir() + "/zarnik-count bin/").Status, 0);
    const std::string said =
        "zarnik-count: " + dir_.str() +
        "/lib/zarnik/zarnik-count-git: cannot be run to read a git repository or write a workbook: "
        "No such file or directory\n";
    for (const char* args : {"repo", "--rev HEAD repo", "--diff repo repo", "--history repo"}) {
        const Result r = Shell(dir_, std::string("bin/zarnik-count ") + args);
        EXPECT_EQ(r.Status, 3) << args;
        EXPECT_EQ(r.Out, said) << args;
    }
    // What needs no repository it still counts.
    dir_.Write("plain/q.c", "int q;\n");
    EXPECT_EQ(Shell(dir_, "bin/zarnik-count plain").Status, 0);
}

TEST_F(GitIgnoreTest, RulesThatCannotBeReadEndTheRunWithAReadError) {
    // A configuration git cannot parse: no file list can be trusted.
    dir_.Write("repo/.git/config", "[core\n");
    const Result r = Shell(dir_, testing::BinDir() + "/zarnik-count repo");
    EXPECT_EQ(r.Status, 3) << r.Out;
    EXPECT_NE(r.Out.find("zarnik-count: repo: "), std::string::npos) << r.Out;
}

}  // namespace
}  // namespace zarnik
