#include "settings/settings.h"

#include <gtest/gtest.h>

#include "test_util.h"

namespace zarnik::settings {
namespace {

using Strings = std::vector<std::string>;

TEST(Defaults, MatchAFreshInstallation) {
    Settings cnf = MakeDefaultSettings();
    EXPECT_EQ(cnf.CounterChoice, 0);
    EXPECT_EQ(cnf.WalkSubfolders, 1);
    EXPECT_EQ(cnf.HeaderShowsEnvName, 1);
    EXPECT_EQ(cnf.HeaderShowsDate, 1);
    EXPECT_EQ(cnf.SortFiles, 1);
    EXPECT_EQ(cnf.ErrorLines, 1);
    EXPECT_EQ(cnf.FolderLines, 0);
    for (int c = 1; c <= 9; ++c) EXPECT_EQ(cnf.Column(c), 1) << c;
    EXPECT_EQ(cnf.SizeUnit, 0);
    EXPECT_EQ(cnf.AddEntriesAtEnd, 1);
    EXPECT_EQ(cnf.ResultFont.FaceName, zarnik::testing::Sj("ＭＳ ゴシック"));
    EXPECT_EQ(cnf.TargetFont.FaceName, zarnik::testing::Sj("ＭＳ Ｐゴシック"));
    EXPECT_EQ(cnf.Extensions[2], (Strings{".c", ".cpp"}));
    EXPECT_EQ(cnf.Extensions[7], (Strings{".bas"}));
}

TEST(Defaults, LeaveVersionPatternsAndDialogIndexAlone) {
    Settings cnf;
    cnf.Version = 271;
    cnf.ResultUnsaved = 1;
    cnf.OpenDialogFilter = 3;
    cnf.ExtensionPatterns[0] = "*.hpp";
    cnf.WalkSubfolders = 0;
    SetDefaultSettings(cnf);
    EXPECT_EQ(cnf.Version, 271);
    EXPECT_EQ(cnf.ResultUnsaved, 1);
    EXPECT_EQ(cnf.OpenDialogFilter, 3);
    EXPECT_EQ(cnf.ExtensionPatterns[0], "*.hpp");
    EXPECT_EQ(cnf.WalkSubfolders, 1);
}

TEST(ExtensionLists, SplitPatternsUpToTheFirstSemicolon) {
    EXPECT_EQ(ExtensionsOf("*.c,*.cpp"), (Strings{".c", ".cpp"}));
    EXPECT_EQ(ExtensionsOf("*.c ; *.h"), (Strings{".c"}));
    EXPECT_EQ(ExtensionsOf("*.c;*.cpp"), (Strings{".c"}));
    EXPECT_EQ(ExtensionsOf(""), Strings{});
    EXPECT_EQ(ExtensionsOf(";*.c"), Strings{});
    EXPECT_EQ(ExtensionsOf("  *.C\t,, x.cpp .cpp"), (Strings{".C", ".cpp", ".cpp"}));
    EXPECT_EQ(ExtensionsOf("* Makefile *.tar.gz"), (Strings{".gz"}));
    EXPECT_EQ(ExtensionsOf("src.d/foo"), Strings{});  // the dot lies in a folder part
}

TEST(ExtensionLists, RebuildReplacesEveryList) {
    Settings cnf = MakeDefaultSettings();
    cnf.ExtensionPatterns[4] = "";
    cnf.ExtensionPatterns[0] = "*.h,*.hpp";
    RebuildExtensionLists(cnf);
    EXPECT_TRUE(cnf.Extensions[5].empty());
    EXPECT_EQ(cnf.Extensions[1], (Strings{".h", ".hpp"}));
    EXPECT_TRUE(cnf.Extensions[0].empty());
}

TEST(Placement, DefaultsCentreOnTheScreen) {
    Placements p;
    SetDefaultPlacement(p, 1024, 768);
    EXPECT_EQ(p.MainPlacement.Bounds, (Rect{282, 194, 460, 380}));
    EXPECT_EQ(p.MainPlacement.TargetPaneHeight, 120);
    EXPECT_EQ(p.EditorPlacement, (Rect{356, 193, 312, 382}));
    SetDefaultPlacement(p, 401, 300);
    EXPECT_EQ(p.MainPlacement.Bounds.Left, -29);  // truncates toward zero
    Rect r = p.MainPlacement.Bounds;
    FitToScreen(401, 300, r);
    EXPECT_EQ(r, (Rect{0, 0, 401, 300}));
}

TEST(Placement, FitToScreenPullsWindowsOntoTheScreen) {
    Rect big{100, 50, 1024, 768};
    FitToScreen(800, 600, big);
    EXPECT_EQ(big, (Rect{0, 0, 800, 600}));

    Rect right{700, 10, 200, 100};
    FitToScreen(800, 600, right);
    EXPECT_EQ(right, (Rect{600, 10, 200, 100}));

    Rect r{0, 0, 460, 380};
    std::int32_t pane = 500;
    FitToScreen(1024, 768, r, &pane);
    EXPECT_EQ(pane, 376);
    Rect tiny{0, 0, 100, 6};
    pane = 10;
    FitToScreen(1024, 768, tiny, &pane);
    EXPECT_EQ(pane, 4);
    pane = 0;
    FitToScreen(1024, 768, tiny, &pane);
    EXPECT_EQ(pane, 0);

    Rect extreme{2147483000, 2147483000, 300, 300};  // a hand-edited INI file
    FitToScreen(800, 600, extreme);
    EXPECT_EQ(extreme, (Rect{500, 300, 300, 300}));
    // No size at all: the title bar stays on the screen, whatever Top says.
    for (Rect none : {Rect{10, 2147483000, 200, -5}, Rect{-2147483647, -20, -2147483647, 0}}) {
        FitToScreen(800, 600, none);
        EXPECT_GE(none.Top, 0);
        EXPECT_LE(std::int64_t{none.Top} + none.Height, 600);
        EXPECT_GE(none.Left, 0);
        EXPECT_LE(std::int64_t{none.Left} + none.Width, 800);
        EXPECT_GT(none.Width, 0);
        EXPECT_GT(none.Height, 0);
    }
}

TEST(IniInteger, DecimalAndHexInThirtyTwoBits) {
    EXPECT_EQ(IniIntegerOr("16", -7), 16);
    EXPECT_EQ(IniIntegerOr("0x10", -7), 16);
    EXPECT_EQ(IniIntegerOr("0X1f", -7), 31);
    EXPECT_EQ(IniIntegerOr("$10", -7), 16);
    EXPECT_EQ(IniIntegerOr("$FFFFFFFF", -7), -1);
    EXPECT_EQ(IniIntegerOr("-2147483648", -7), INT32_MIN);
    EXPECT_EQ(IniIntegerOr("+5", -7), 5);
    for (const char* bad :
         {"12abc", "", "-", "0x", "$", "2147483648", "$123456789", "0xG", " 1", "1 ", "99999999999999999999"})
        EXPECT_EQ(IniIntegerOr(bad, -7), -7) << bad;
}

}  // namespace
}  // namespace zarnik::settings
