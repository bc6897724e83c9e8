#include "run/collect.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "run_test_util.h"

namespace zarnik::run {
namespace {

using zarnik::testing::TempDir;

TEST(Pattern, WildcardsIgnoreAsciiCaseAndStepUtf8Characters) {
    EXPECT_TRUE(MatchesPattern("*.c", "main.C"));
    EXPECT_TRUE(MatchesPattern("MAIN.C", "main.c"));
    EXPECT_FALSE(MatchesPattern("*.c", "main.cpp"));
    EXPECT_TRUE(MatchesPattern("*.*", "Makefile"));  // every name, dot or not
    EXPECT_TRUE(MatchesPattern("*.*", ".git"));
    EXPECT_FALSE(MatchesPattern("*.?", "Makefile"));
    EXPECT_TRUE(MatchesPattern("*", ""));
    EXPECT_TRUE(MatchesPattern("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(MatchesPattern("a*b*c", "aXbYcZ"));
    EXPECT_TRUE(MatchesPattern("?.c", "日.c"));  // one character of three bytes
    EXPECT_FALSE(MatchesPattern("?.c", "ab.c"));
    EXPECT_TRUE(MatchesPattern("??.c", "\xff\xfe.c"));  // invalid bytes count one each
    EXPECT_TRUE(MatchesPattern("*本.c", "日本.c"));
    EXPECT_FALSE(MatchesPattern("日本.C", "日本.cpp"));
    EXPECT_TRUE(MatchesPattern("ÄB.c", "Äb.c"));   // ASCII folds
    EXPECT_FALSE(MatchesPattern("äb.c", "Äb.c"));  // other letters do not
}

TEST(Pattern, FolderPartOfATargetLine) {
    auto split = [](const char* line) {
        TargetParts p = SplitTargetLine(line);
        return p.Folder + "|" + p.Pattern;
    };
    EXPECT_EQ(split("/src/*.c"), "/src|*.c");
    EXPECT_EQ(split("/*.c"), "/|*.c");
    EXPECT_EQ(split("*.c"), "|*.c");
    EXPECT_EQ(split("a//b.c"), "a//|b.c");
    EXPECT_EQ(JoinPath("/", "x.c"), "/x.c");
    EXPECT_EQ(JoinPath("", "x.c"), "x.c");
    EXPECT_EQ(JoinPath("/src", "x.c"), "/src/x.c");
    EXPECT_EQ((FoundFile{"/x.c", 1}).Folder(), "/");
    EXPECT_EQ((FoundFile{"x.c", 0}).Folder(), "");
    EXPECT_EQ((FoundFile{"/a/b/x.c", 5}).Folder(), "/a/b");
}

TEST(Collect, WalksSkipLinkedFoldersPipesAndDanglingLinks) {
    TempDir dir;
    std::string root = dir.str() + "/t";
    dir.Write("t/a.c", "x\n");
    dir.Write("t/sub/b.c", "x\n");
    std::filesystem::create_directory_symlink(root, root + "/sub/loop");  // a loop
    std::filesystem::create_symlink(root + "/a.c", root + "/file-link.c");
    std::filesystem::create_symlink(root + "/none", root + "/dangling.c");
    ASSERT_EQ(mkfifo((root + "/pipe.c").c_str(), 0600), 0);

    testing::Recorder host;
    FileCollection found;
    CollectFolderFiles(root, found, true, host);
    std::vector<std::string> paths;
    for (auto& f : found.Files) paths.push_back(f.Path.substr(root.size()));
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{"/a.c", "/file-link.c", "/sub/b.c"}));
    EXPECT_EQ(found.MaxNameLength, 13);

    // A line's own pattern takes a linked folder: it is walked, the loop inside is not.
    FileCollection viaLink;
    CollectTargetLine(root + "/sub/LO*", viaLink, true, host);
    paths.clear();
    for (auto& f : viaLink.Files) paths.push_back(f.Path.substr(root.size()));
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths,
              (std::vector<std::string>{"/sub/loop/a.c", "/sub/loop/file-link.c", "/sub/loop/sub/b.c"}));

    // Without descend the walk stays in the folder.
    FileCollection flat;
    CollectFolderFiles(root, flat, false, host);
    EXPECT_EQ(flat.Files.size(), 2u);
}

TEST(Collect, EveryEntrySeenWidensTheNameColumn) {
    TempDir dir;
    dir.Write("t/a-folder-name-of-25-bytes/x.c", "x\n");
    dir.Write("t/日本語のファイル名.c", "x\n");  // 9 double-byte characters + 2
    testing::Recorder host;
    FileCollection found;
    CollectTargetLine(dir.str() + "/t/*.c", found, false, host);
    EXPECT_EQ(found.MaxNameLength, 20);
    CollectTargetLine(dir.str() + "/t/A-FOLDER*", found, false, host);
    EXPECT_EQ(found.MaxNameLength, 25);
    // A line naming a folder with a final "/" counts that folder's own name.
    FileCollection own;
    CollectTargetLine(dir.str() + "/t/a-folder-name-of-25-bytes/", own, false, host);
    EXPECT_EQ(own.MaxNameLength, 25);
    ASSERT_EQ(own.Files.size(), 1u);
    EXPECT_EQ(own.Files[0].Path, dir.str() + "/t/a-folder-name-of-25-bytes/x.c");
}

TEST(Collect, ALineSpellingOutDotOrDotDotNamesThatFolder) {
    TempDir dir;
    dir.Write("t/a.c", "x\n");
    dir.Write("t/sub/b.c", "x\n");
    testing::Recorder host;
    auto paths = [&](const std::string& line) {
        FileCollection found;
        CollectTargetLine(line, found, false, host);
        std::vector<std::string> p;
        for (auto& f : found.Files) p.push_back(f.Path.substr(dir.str().size()));
        return p;
    };
    using Strings = std::vector<std::string>;
    EXPECT_EQ(paths(dir.str() + "/t/."), Strings{"/t/a.c"});
    EXPECT_EQ(paths(dir.str() + "/t/sub/.."), Strings{"/t/sub/../a.c"});
    EXPECT_EQ(paths(dir.str() + "/t/sub//"), Strings{"/t/sub/b.c"});
    EXPECT_EQ(paths(dir.str() + "/t/a.c/"), Strings{});  // a file is no folder
    // Wildcards never take "." or "..": "*" finds each file once.
    EXPECT_EQ(paths(dir.str() + "/t/sub/*"), Strings{"/t/sub/b.c"});
}

TEST(Collect, SortFoldsAsciiCaseAndKeepsTiesInOrder) {
    // Also behind a long shared folder, where the paths first differ past their
    // first eight bytes, and in case only.
    for (std::string top : {"", "/home/user/projects/SRC"}) {
        std::vector<FoundFile> files = {{top + "/B/x.c", 3}, {top + "/a/y.c", 3}, {top + "/A/Y.C", 3},
                                        {top + "/a/y.c", 3}, {top + "/a/Z.c", 3}, {top + "/a/y.c.bak", 3}};
        SortByPath(files);
        std::vector<std::string> paths;
        for (auto& f : files) paths.push_back(f.Path.substr(top.size()));
        EXPECT_EQ(paths,
                  (std::vector<std::string>{"/a/y.c", "/A/Y.C", "/a/y.c", "/a/y.c.bak", "/a/Z.c", "/B/x.c"}));
    }
}

// A walk in path order finds the files as the sort orders them, whatever the
// names: a folder's files sort as if its name ended in "/" ("b/x.c" after "b.h"
// and "b-c.h", "b2/" after "b/"). Folders equal but for case interleave in the
// sort, which then gives the order it gives a walk in file-system order.
TEST(Collect, AWalkInPathOrderNeedsNoSort) {
    TempDir dir;
    for (const char* f : {"t/b/x.c", "t/b.h", "t/b-c.h", "t/B2/y.c", "t/ab", "t/a/z", "t/c", "t/c.d/w",
                          "u/Q/1.c", "u/q/0.c", "u/Q/2.c", "u/q/3.c"})
        dir.Write(f, "x\n");
    testing::Recorder host;
    auto paths = [&](const std::string& line, bool inOrder, bool sort) {
        FileCollection found;
        found.WalkInPathOrder = inOrder;
        CollectTargetLine(line, found, true, host);
        if (sort) SortByPath(found.Files);
        std::vector<std::string> p;
        for (auto& f : found.Files) p.push_back(f.Path.substr(dir.str().size()));
        return p;
    };
    const std::vector<std::string> sorted{"/t/a/z",   "/t/ab",     "/t/b-c.h", "/t/b.h",
                                          "/t/b/x.c", "/t/B2/y.c", "/t/c",     "/t/c.d/w"};
    EXPECT_EQ(paths(dir.str() + "/t", true, false), sorted);
    EXPECT_EQ(paths(dir.str() + "/t/*", true, false), sorted);
    EXPECT_EQ(paths(dir.str() + "/u", true, true), paths(dir.str() + "/u", false, true));
}

}  // namespace
}  // namespace zarnik::run
