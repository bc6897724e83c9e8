#include "settings/persist.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <map>

#include "settings/colors.h"
#include "test_util.h"

namespace zarnik::settings {
namespace {

using zarnik::testing::Sj;
using zarnik::testing::TempDir;
namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
    std::string s;
    return ReadWholeFile(p.string(), s) ? s : "<missing>";
}

// A program installed in a writable folder, as the window would start it.
class Program {
public:
    explicit Program(const TempDir& dir) : dir_(dir) {}

    ProgramState Start(LoadReport* report = nullptr) {
        ProgramState st =
            MakeStartState(LocateProgramPaths(dir_.str() + "/zarnik", dir_.str() + "/cfg"), 1024, 768);
        LoadReport r = LoadSettings(st);
        if (report) *report = r;
        return st;
    }

    // The window's view of st: its placement and the current tab's text.
    static WindowState Window(const ProgramState& st, int tab) {
        WindowState w;
        w.Maximized = st.Place.MainPlacement.Maximized != 0;
        w.Bounds = st.Place.MainPlacement.Bounds;
        w.PaneHeight = st.Place.MainPlacement.TargetPaneHeight;
        w.TabIndex = tab;
        st.Envs.FetchEnv(st.Envs.EnvIdAt(tab), w.TargetLines, w.MemoLines);
        w.ToolBar = st.ToolBar.value_or(ToolBarRecord{});
        return w;
    }

    static void Close(ProgramState& st, int tab = 0) { SaveSettings(st, Window(st, tab)); }

    std::string Ini() const { return Slurp(dir_.path() / "zarnik.ini"); }
    std::string Memo(int n) const { return Slurp(dir_.path() / ("memo" + std::to_string(n) + ".dat")); }
    bool Exists(const std::string& name) const { return fs::exists(dir_.path() / name); }

private:
    const TempDir& dir_;
};

// The environment editor's OK: the live list replaced by the edited copy.
void Edit(ProgramState& st, const std::function<void(EnvList&)>& change) {
    EnvList work;
    st.Envs.CopyEnvs(work);
    change(work);
    st.Envs.ClearEnvs();
    work.CopyEnvs(st.Envs);
    st.Envs.RenumberEnvs();
}

TEST(SaveSettings, FirstCloseWritesTheDefaults) {
    TempDir dir;
    Program program(dir);
    LoadReport report;
    ProgramState st = program.Start(&report);
    EXPECT_FALSE(report.IniFound);
    EXPECT_EQ(st.StoredEnvs.size(), 0u);
    ASSERT_EQ(st.Envs.Count(), 1);
    EXPECT_EQ(st.Envs.At(0).EnvName, Sj("開発環境(1)"));
    EXPECT_EQ(st.Paths.OpenFolder, dir.str());
    Program::Close(st);

    const std::string f = dir.str();
    EXPECT_EQ(program.Ini(),
              Sj("[Pelorand]\r\nTitle=Zarnik\r\nName=ZRNK\r\nVersion=271\r\nOpen=" + f + "\r\nSave=" + f +
                 "\r\nFold=" + f +
                 "\r\n\r\n"
                 "[MainForm]\r\nWinState=0\r\nLeft=282\r\nTop=194\r\nWidth=460\r\nHeight=380\r\nPnl_H=120\r\n"
                 "ToolBar=1\r\nStatusBar=1\r\nYokoBar=0\r\nTlbFlat=1\r\nMemoDsp=0\r\nMemoWid=100\r\n\r\n"
                 "[Settei]\r\nFont_Fold=ＭＳ Ｐゴシック,9,clBlack,0\r\nBcol_Fold=clWhite\r\n"
                 "Font_Memo=ＭＳ Ｐゴシック,9,clBlack,0\r\nBcol_Memo=clWhite\r\n"
                 "Font_Rslt=ＭＳ ゴシック,9,clBlack,0\r\nBcol_Rslt=clWhite\r\n"
                 "VsrcFl=0\r\nEucJis=0\r\nUtf8Src=1\r\nInCmnt=0\r\nAstaOnly=0\r\nRemCmt=0\r\nKg_Cmt=0\r\nKg_"
                 "Non=0\r\n"
                 "Subfol=1\r\nGitIgnore=1\r\nAllLang=1\r\n"
                 "HeadDT=1\r\nHeadNA=1\r\nFlSort=1\r\nFldNam=0\r\nFldSum=0\r\nErfout=1\r\n"
                 "FmFile=1\r\nFmTime=1\r\nFmSize=1\r\nFmSknd=1\r\nFmAlls=1\r\nFmCmnt=1\r\nFmJitu=1\r\n"
                 "FmKugy=1\r\nFmCpar=1\r\nFmSizeIndex=0\r\nHTM=\r\n\r\n"
                 "[Exts]\r\nChed=*.h\r\nCsrc=*.c,*.cpp\r\nAhed=*.inc\r\nAsrc=*.asm\r\nJava=*.java\r\n"
                 "Qsrc=*.sql\r\nBsrc=*.bas\r\n\r\n"
                 "[OpenDlg]\r\nIndex=0\r\n\r\n"
                 "[SrcCnf]\r\nLeft=356\r\nTop=193\r\nWidth=312\r\nHeight=382\r\nTabPos=0\r\nTabDsp=1\r\n"
                 "TabIdx=0\r\nAddKind=1\r\n\r\n"
                 "[Cname]\r\ncnam1=開発環境(1)\r\n\r\n"
                 "[MainToolBar]\r\nRev=2\r\nVisible=1\r\nDockedTo=TopDock\r\nDockRow=0\r\nDockPos=0\r\n"
                 "FloatLeft=0\r\nFloatTop=0\r\n"));
    EXPECT_FALSE(program.Exists("memo1.dat"));

    ProgramState again = program.Start();
    EXPECT_EQ(again.StoredEnvs.size(), 1u);
    ASSERT_TRUE(again.ToolBar.has_value());
    Program::Close(again);
    EXPECT_EQ(Slurp(dir.path() / "zarnik.ini"), program.Ini());
}

TEST(SaveSettings, HandEditedFileLoadsAndSavesBackWhole) {
    TempDir dir;
    Program program(dir);
    const std::string longHtm = std::string(1500, 'h');
    const std::string longPath = "/" + std::string(1100, 'p') + "/x.c";
    dir.Write("zarnik.ini",
              "; kept comment\n"
              "[pelorand]\r\nVersion=0x10F\r\nOpen=/some/folder\r\n"
              "[MainForm]\nWinState=1\nLeft=$10\nTop = 0x20\nWidth=800\nHeight=600\nPnl_H=12abc\n"
              "[Font]\nFontName=Old Face\nFontSize=12\n"
              "[Settei]\nFont_Rslt=,,clRed\nFont_Memo=Mono,12\nFldNam=2\nHTM=" +
                  longHtm +
                  "\nUnknown=keep me\n"
                  "[Exts]\nCsrc=*.c;*.cc\n"
                  "[Cname]\ncnam1=Alpha\ncnam3=Gamma\n"
                  "[FILES_1]\nfile0=/src/a.c\nfile1=\nfile2=/src/b.c\n"
                  "[FILES_2]\nfile0=" +
                  longPath +
                  "\n"
                  "[FILES_3]\nfile0=/gamma/x.c\n"
                  "[Extra]\nfoo=bar\n");
    dir.Write("memo3.dat", "gamma memo\r\n");

    ProgramState st = program.Start();
    const Settings& c = st.Cnf;
    EXPECT_EQ(c.Version, 271);
    EXPECT_EQ(st.Paths.OpenFolder, "/some/folder");
    EXPECT_EQ(st.Place.MainPlacement, (MainWindowPlacement{{16, 32, 800, 600}, 1, 120}));
    EXPECT_EQ(c.ResultFont, (PaneFont{"clRed", 12, "clBlack", 0}));  // size from [Font]
    EXPECT_EQ(c.MemoFont, (PaneFont{"Mono", 12, "clBlack", 0}));
    EXPECT_EQ(c.FolderLines, 2);
    EXPECT_EQ(c.HelpFile, std::string(1023, 'h'));
    EXPECT_EQ(c.Extensions[2], (std::vector<std::string>{".c"}));
    EXPECT_EQ(st.StoredEnvs.size(), 2u);
    ASSERT_EQ(st.Envs.Count(), 2);
    EXPECT_EQ(st.Envs.At(0).TargetLines, (Lines{"/src/a.c", "", "/src/b.c"}));
    EXPECT_EQ(st.Envs.At(1).EnvName, "");
    EXPECT_EQ(st.Envs.At(1).TargetLines, (Lines{longPath}));

    Program::Close(st);
    std::string saved = program.Ini();
    for (const std::string& kept :
         {std::string("; kept comment"), "HTM=" + longHtm, std::string("Unknown=keep me"),
          std::string("[Extra]\r\nfoo=bar"), std::string("FldNam=2"),
          std::string("[Cname]\r\ncnam1=Alpha\r\ncnam2=\"\"\r\ncnam3=Gamma"),
          std::string("Left=16\r\nTop=32"), std::string("WinState=1")})
        EXPECT_NE(saved.find(kept), std::string::npos) << kept;
    EXPECT_EQ(saved.find("[Font]"), std::string::npos);

    // Nothing was lost: the nameless environment and the name the first load could
    // not place both come back, with their lines and memo.
    ProgramState next = program.Start();
    ASSERT_EQ(next.Envs.Count(), 3);
    EXPECT_EQ(next.Envs.At(0).TargetLines, (Lines{"/src/a.c", "/src/b.c"}));
    EXPECT_EQ(next.Envs.At(1).EnvName, "");
    EXPECT_EQ(next.Envs.At(1).TargetLines, (Lines{longPath}));
    EXPECT_EQ(next.Envs.At(2).EnvName, "Gamma");
    EXPECT_EQ(next.Envs.At(2).TargetLines, (Lines{"/gamma/x.c"}));
    EXPECT_EQ(next.Envs.At(2).MemoLines, (Lines{"gamma memo"}));
    EXPECT_EQ(next.Cnf.ResultFont, c.ResultFont);
    EXPECT_EQ(next.Cnf.HelpFile, c.HelpFile);
}

// Target lines are native; the INI file holds them in Shift-JIS, and a line that
// Shift-JIS cannot hold also in an exact form, so that it reads back as typed
// rather than with "?", a wildcard.
TEST(SaveSettings, TargetLinesOutsideShiftJisReadBackExactly) {
    TempDir dir;
    Program program(dir);
    ProgramState st = program.Start();
    const Lines lines{"/src/é.c", "/x/café/", "/e/😀*.c", "/漢字/*.c", "/100% plain"};
    st.Envs.StoreEnv(st.Envs.EnvIdAt(0), lines, {});
    Program::Close(st);
    IniFile ini(program.Ini());
    EXPECT_EQ(ini.Find("FILES_1", "file0"), "/src/?.c");  // what Shift-JIS can show
    EXPECT_EQ(ini.Find("FILES_1", "utf8file0"), "/src/%C3%A9.c");
    EXPECT_EQ(ini.Find("FILES_1", "utf8file2"), "/e/%F0%9F%98%80*.c");
    EXPECT_EQ(ini.Find("FILES_1", "file3"), Sj("/漢字/*.c"));  // held by Shift-JIS: one key as before
    EXPECT_FALSE(ini.Find("FILES_1", "utf8file3"));
    EXPECT_FALSE(ini.Find("FILES_1", "utf8file4"));
    EXPECT_EQ(program.Start().Envs.At(0).TargetLines, lines);

    // A hand edit of fileN wins over an exact form that no longer gives it, and a
    // malformed exact form is ignored.
    std::string text = program.Ini();
    text.replace(text.find("file0=/src/?.c"), 14, "file0=/src/b.c");
    text.replace(text.find("%F0%9F"), 6, "%F0%9G");
    std::ofstream(dir.path() / "zarnik.ini", std::ios::binary) << text;
    ProgramState edited = program.Start();
    EXPECT_EQ(edited.Envs.At(0).TargetLines[0], "/src/b.c");
    EXPECT_EQ(edited.Envs.At(0).TargetLines[2], "/e/?*.c");
}

TEST(SaveSettings, ChangeCountTargetsAreKeptLikeTargetLines) {
    TempDir dir;
    Program program(dir);
    ProgramState st = program.Start();
    st.DiffOld = "/rel/1.0/é";
    st.DiffNew = "/rel/漢字/*.c";
    Program::Close(st);
    IniFile ini(program.Ini());
    EXPECT_EQ(ini.Find("Settei", "DiffOld"), "/rel/1.0/?");
    EXPECT_EQ(ini.Find("Settei", "utf8DiffOld"), "/rel/1.0/%C3%A9");
    EXPECT_EQ(ini.Find("Settei", "DiffNew"), Sj("/rel/漢字/*.c"));
    EXPECT_FALSE(ini.Find("Settei", "utf8DiffNew"));
    ProgramState next = program.Start();
    EXPECT_EQ(next.DiffOld, st.DiffOld);
    EXPECT_EQ(next.DiffNew, st.DiffNew);
    // Once Shift-JIS holds the line, its exact form goes.
    next.DiffOld = "/rel/1.0";
    Program::Close(next);
    EXPECT_FALSE(IniFile(program.Ini()).Find("Settei", "utf8DiffOld"));
    EXPECT_EQ(program.Start().DiffOld, "/rel/1.0");
}

TEST(SaveSettings, OrphanNamesMoveOutOfTheWayOfNewEnvironments) {
    TempDir dir;
    Program program(dir);
    dir.Write("zarnik.ini", "[Cname]\ncnam1=A\ncnam3=Orphan\n[FILES_3]\nfile0=/orphan\n");
    dir.Write("memo3.dat", "orphan memo\r\n");
    ProgramState st = program.Start();
    Edit(st, [](EnvList& w) {
        w.AddEnv("C", 1);
        w.StoreEnv(w.EnvIdAt(2), {"/c"}, {"c memo"});
    });
    Program::Close(st);
    ProgramState next = program.Start();
    ASSERT_EQ(next.Envs.Count(), 4);
    EXPECT_EQ(next.Envs.At(2).TargetLines, (Lines{"/c"}));
    EXPECT_EQ(next.Envs.At(2).MemoLines, (Lines{"c memo"}));
    EXPECT_EQ(next.Envs.At(3).EnvName, "Orphan");
    EXPECT_EQ(next.Envs.At(3).TargetLines, (Lines{"/orphan"}));
    EXPECT_EQ(next.Envs.At(3).MemoLines, (Lines{"orphan memo"}));
}

// Five environments E1..E5, each with one target line and a memo.
void MakeFive(ProgramState& st) {
    Edit(st, [](EnvList& w) {
        w.ClearEnvs();
        for (int i = 1; i <= 5; ++i) {
            std::string n = std::to_string(i);
            w.StoreEnv(w.AddEnv("E" + n, 1), {"/e" + n}, {"memo " + n});
        }
    });
}

TEST(SaveSettings, DeletedEnvironmentsLeaveNoSectionsOrMemoFiles) {
    TempDir dir;
    Program program(dir);
    ProgramState st = program.Start();
    MakeFive(st);
    Program::Close(st);
    EXPECT_EQ(program.Memo(5), "memo 5\r\n");

    st = program.Start();
    EXPECT_EQ(st.StoredEnvs.size(), 5u);
    Edit(st, [](EnvList& w) {
        w.DeleteEnv(2);
        w.DeleteEnv(4);
    });
    Program::Close(st, 1);
    std::string ini = program.Ini();
    EXPECT_EQ(ini.find("FILES_4"), std::string::npos);
    EXPECT_EQ(ini.find("FILES_5"), std::string::npos);
    EXPECT_EQ(ini.find("cnam4"), std::string::npos);
    EXPECT_FALSE(program.Exists("memo4.dat"));
    EXPECT_FALSE(program.Exists("memo5.dat"));
    EXPECT_EQ(program.Memo(1), "memo 1\r\n");
    EXPECT_EQ(program.Memo(2), "memo 3\r\n");
    EXPECT_EQ(program.Memo(3), "memo 5\r\n");
    EXPECT_NE(ini.find("[FILES_2]\r\nfile0=/e3\r\n"), std::string::npos);
    EXPECT_NE(ini.find("TabIdx=1"), std::string::npos);
}

TEST(SaveSettings, ASecondSaveClearsWhatACancelledCloseWrote) {
    TempDir dir;
    Program program(dir);
    ProgramState st = program.Start();
    Edit(st, [](EnvList& w) { w.StoreEnv(w.AddEnv("two", 1), {"/2"}, {"m2"}); });
    Program::Close(st);  // two environments on disk
    st = program.Start();
    Edit(st, [](EnvList& w) {
        for (int i = 3; i <= 5; ++i) w.StoreEnv(w.AddEnv("n", 1), {"/n"}, {"memo"});
    });
    Program::Close(st);  // the user then cancels at the unsaved-result question
    EXPECT_TRUE(program.Exists("memo5.dat"));
    Edit(st, [](EnvList& w) {
        for (int id = 3; id <= 5; ++id) w.DeleteEnv(id);
    });
    Program::Close(st);
    std::string ini = program.Ini();
    for (const char* gone : {"FILES_3", "FILES_4", "FILES_5", "cnam3"})
        EXPECT_EQ(ini.find(gone), std::string::npos) << gone;
    for (const char* gone : {"memo3.dat", "memo4.dat", "memo5.dat"})
        EXPECT_FALSE(program.Exists(gone)) << gone;
    EXPECT_EQ(program.Memo(2), "m2\r\n");
}

TEST(SaveSettings, MaximizedWindowKeepsItsNormalBounds) {
    TempDir dir;
    Program program(dir);
    ProgramState st = program.Start();
    WindowState w = Program::Window(st, 0);
    w.Maximized = true;
    w.Bounds = {0, 0, 1024, 768};  // the maximized window: not recorded
    w.PaneHeight = 200;
    w.TargetLines = {"", "/typed", ""};
    w.MemoLines = {""};
    SaveSettings(st, w);
    ProgramState next = program.Start();
    EXPECT_EQ(next.Place.MainPlacement, (MainWindowPlacement{{282, 194, 460, 380}, 1, 200}));
    EXPECT_EQ(next.Envs.At(0).TargetLines, (Lines{"/typed"}));
    EXPECT_EQ(next.Envs.At(0).MemoLines, (Lines{""}));  // a memo of one empty line is still a memo
}

// Counts the files a save writes (the fault hook sees each write first).
int g_writes = 0;
std::vector<std::string> g_written;
bool CountWrites(std::string_view step, const std::string& path) {
    if (step == "write" && !path.ends_with(".commit")) {  // the commit record aside
        ++g_writes;
        g_written.push_back(fs::path(path).filename().string());
    }
    return true;
}

TEST(SaveSettings, ASaveWritesOnlyWhatChanged) {
    TempDir dir;
    Program program(dir);
    ProgramState st = program.Start();
    Edit(st, [](EnvList& w) {
        w.ClearEnvs();
        for (int i = 1; i <= 100; ++i) w.StoreEnv(w.AddEnv("E" + std::to_string(i), 1), {"/e"}, {"memo"});
    });
    Program::Close(st);
    const std::string ini = program.Ini();
    struct stat before;
    ASSERT_EQ(stat((dir.str() + "/zarnik.ini").c_str(), &before), 0);

    SetSaveStepHook(CountWrites);
    // Unchanged: nothing is written, not even a commit record.
    g_writes = 0;
    ProgramState same = program.Start();
    Program::Close(same);
    EXPECT_EQ(g_writes, 0);
    struct stat after;
    ASSERT_EQ(stat((dir.str() + "/zarnik.ini").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(program.Ini(), ini);

    // One memo changed: that memo alone (the INI file holds nothing that changed).
    g_writes = 0;
    g_written.clear();
    same.Envs.At(49).MemoLines = {"new memo"};
    Program::Close(same);
    EXPECT_EQ(g_written, (std::vector<std::string>{"memo50.dat"}));
    EXPECT_EQ(program.Memo(50), "new memo\r\n");
    EXPECT_EQ(program.Ini(), ini);

    // Environment 1 deleted: the INI file, and the memos move by renames.
    g_written.clear();
    Edit(same, [](EnvList& w) { w.DeleteEnv(w.EnvIdAt(0)); });
    Program::Close(same);
    EXPECT_EQ(g_written, (std::vector<std::string>{"zarnik.ini"}));
    EXPECT_EQ(program.Memo(49), "new memo\r\n");
    EXPECT_FALSE(program.Exists("memo100.dat"));
    SetSaveStepHook(nullptr);
    ProgramState next = program.Start();
    ASSERT_EQ(next.Envs.Count(), 99);
    EXPECT_EQ(next.Envs.At(0).EnvName, "E2");
    EXPECT_EQ(next.Envs.At(48).MemoLines, Lines{"new memo"});
}

// GitIgnore came after files were written without it: such a file keeps counting
// as before (0) and stays without the key until the switch is turned on, while a
// fresh file starts with it on; a second window leaves the first's change alone.
TEST(SaveSettings, GitIgnoreIsOnInAFreshFileAndOffInAnOlderOne) {
    TempDir fresh;
    Program program(fresh);
    ProgramState st = program.Start();
    EXPECT_EQ(st.Cnf.FollowGitIgnore, 1);
    Program::Close(st);
    EXPECT_EQ(program.Start().Cnf.FollowGitIgnore, 1);

    TempDir dir;
    Program older(dir);
    dir.Write("zarnik.ini", "[Settei]\r\nSubfol=1\r\n");
    ProgramState first = older.Start(), second = older.Start();
    EXPECT_EQ(first.Cnf.FollowGitIgnore, 0);
    first.Cnf.FollowGitIgnore = 1;
    Program::Close(first);
    EXPECT_NE(older.Ini().find("GitIgnore=1\r\n"), std::string::npos) << older.Ini();
    Program::Close(second);
    EXPECT_EQ(older.Start().Cnf.FollowGitIgnore, 1);

    dir.Write("zarnik.ini", "[Settei]\r\nSubfol=1\r\n");
    ProgramState untouched = older.Start();
    EXPECT_EQ(untouched.Cnf.FollowGitIgnore, 0);
    Program::Close(untouched);
    EXPECT_EQ(older.Ini().find("GitIgnore"), std::string::npos) << older.Ini();
    dir.Write("zarnik.ini", "[Settei]\r\nGitIgnore=yes\r\n");
    EXPECT_EQ(older.Start().Cnf.FollowGitIgnore, 0);
}

// A language's own patterns live in LangExts, one key per changed language: a
// fresh file has no such section, a key set back to the table's pattern goes, an
// empty pattern stays a key, and a key another window wrote meanwhile stays.
TEST(SaveSettings, LanguagePatternsKeepOnlyTheChangedLanguages) {
    TempDir dir;
    Program program(dir);
    ProgramState st = program.Start();
    Program::Close(st);
    EXPECT_EQ(program.Ini().find("LangExts"), std::string::npos);

    ProgramState a = program.Start(), b = program.Start();
    SetLanguagePattern(a.Cnf.LanguagePatterns, "Python", "*.py,*.pyi", "*.py,*.pyw");
    SetLanguagePattern(a.Cnf.LanguagePatterns, "Ruby", "", "*.rb");
    Program::Close(a);
    EXPECT_NE(program.Ini().find("[LangExts]\r\nPython=*.py,*.pyi\r\nRuby=\"\"\r\n"), std::string::npos)
        << program.Ini();
    SetLanguagePattern(b.Cnf.LanguagePatterns, "Go", "*.go,*.tmpl", "*.go");
    Program::Close(b);

    ProgramState next = program.Start();
    EXPECT_EQ(next.Cnf.LanguagePatterns,
              (LanguagePatternList{{"Python", "*.py,*.pyi"}, {"Ruby", ""}, {"Go", "*.go,*.tmpl"}}));
    // The same extensions as the table's, however spelled: the key goes.
    SetLanguagePattern(next.Cnf.LanguagePatterns, "PYTHON", " .py .pyw", "*.py,*.pyw");
    Program::Close(next);
    EXPECT_EQ(program.Start().Cnf.LanguagePatterns,
              (LanguagePatternList{{"Ruby", ""}, {"Go", "*.go,*.tmpl"}}));
}

// Two windows started from the same files, each saving at its close.
TEST(SaveSettings, TwoWindowsKeepEachOthersChanges) {
    TempDir dir;
    Program program(dir);
    ProgramState first = program.Start();
    MakeFive(first);
    Program::Close(first);

    ProgramState a = program.Start(), b = program.Start();
    // A: new target lines for E5, a new environment BBB, FldSum, E1 deleted, E2's lines.
    a.Envs.StoreEnv(a.Envs.EnvIdAt(4), {"/a5"}, {"memo 5"});
    a.Envs.StoreEnv(a.Envs.EnvIdAt(1), {"/a2"}, {"memo 2"});
    a.Cnf.FolderSubtotals = 1;
    Edit(a, [](EnvList& w) {
        w.StoreEnv(w.AddEnv("BBB", 1), {"/bbb"}, {"memo bbb"});
        w.DeleteEnv(w.EnvIdAt(0));
    });
    Program::Close(a);
    // B: E3's memo, FldNam, E4 deleted, E1's lines (which A deleted), E2's lines too.
    b.Envs.StoreEnv(b.Envs.EnvIdAt(2), {"/e3"}, {"memo b3"});
    b.Envs.StoreEnv(b.Envs.EnvIdAt(0), {"/b1"}, {"memo 1"});
    b.Envs.StoreEnv(b.Envs.EnvIdAt(1), {"/b2"}, {"memo 2"});
    b.Cnf.FolderLines = 1;
    Edit(b, [](EnvList& w) { w.DeleteEnv(w.EnvIdAt(3)); });
    std::vector<std::string> notices = SaveSettings(b, Program::Window(b, 0));

    ProgramState next = program.Start();
    EXPECT_EQ(next.Cnf.FolderSubtotals, 1);
    EXPECT_EQ(next.Cnf.FolderLines, 1);
    Lines names;
    next.Envs.EnvNames(names);
    // E1 stays (B changed what A deleted), E4 goes (B deleted it, A did not change
    // it), BBB follows E5 as A placed it, and A's E2 is kept beside B's.
    const std::string copy = "E2" + OtherWindowMark();
    ASSERT_EQ(names, (Lines{"E1", "E2", "E3", "E5", "BBB", copy}));
    const std::vector<std::pair<Lines, Lines>> expected{{{"/b1"}, {"memo 1"}},    {{"/b2"}, {"memo 2"}},
                                                        {{"/e3"}, {"memo b3"}},   {{"/a5"}, {"memo 5"}},
                                                        {{"/bbb"}, {"memo bbb"}}, {{"/a2"}, {"memo 2"}}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(next.Envs.At(i).TargetLines, expected[static_cast<std::size_t>(i)].first) << names[i];
        EXPECT_EQ(next.Envs.At(i).MemoLines, expected[static_cast<std::size_t>(i)].second) << names[i];
    }
    // B is told about E1 and E2.
    ASSERT_EQ(notices.size(), 2u);
    EXPECT_NE(notices[0].find("E1"), std::string::npos);
    EXPECT_NE(notices[1].find(copy), std::string::npos);
}

// ---- failed writes ----

struct Snapshot {
    std::map<std::string, std::string> files;
    explicit Snapshot(const fs::path& folder) {
        for (const auto& e : fs::directory_iterator(folder))
            if (e.is_regular_file()) files[e.path().filename().string()] = Slurp(e.path());
    }
    bool operator==(const Snapshot&) const = default;
};

class FailedSave : public ::testing::Test {
protected:
    void SetUp() override {
        ProgramState st = program_.Start();
        MakeFive(st);
        Program::Close(st);
        state_ = program_.Start();
        Edit(state_, [](EnvList& w) {
            w.DeleteEnv(1);
            w.StoreEnv(2, {"/changed"}, {"changed memo"});
        });
    }
    void ExpectFailureLeavesFilesAlone(const std::string& message) {
        Snapshot before(dir_.path());
        try {
            Program::Close(state_);
            ADD_FAILURE() << "the save did not fail";
        } catch (const SaveFailure& e) {
            EXPECT_EQ(e.what(), message);
        }
        EXPECT_TRUE(Snapshot(dir_.path()) == before);
    }
    std::string Path(const std::string& name) const { return dir_.str() + "/" + name; }

    TempDir dir_;
    Program program_{dir_};
    ProgramState state_;
};

// The disk refuses the write of one file (through the save's fault hook).
std::string g_refused;
bool RefuseOneWrite(std::string_view step, const std::string& path) {
    return !(step == "write" && path.ends_with(g_refused));
}

TEST_F(FailedSave, DiskRefusesOneFile) {
    SetSaveStepHook(RefuseOneWrite);
    g_refused = "/zarnik.ini";
    ExpectFailureLeavesFilesAlone(Sj(dir_.str() + "/zarnik.ini に書き込めません"));
    // memo1.dat is the one memo written: E2's changed memo, now first. The others
    // are renamed, not written again.
    g_refused = "/memo1.dat";
    ExpectFailureLeavesFilesAlone(Sj("ﾌｧｲﾙ " + dir_.str() + "/memo1.dat を作成できません"));
    SetSaveStepHook(nullptr);
    // What another save (an older program's) has at the temporary names of the
    // past is not this save's: it stays, and the save goes through.
    dir_.Write("zarnik.ini.tmp", "another save's bytes");
    fs::create_directory(Path("memo3.dat.tmp"));
    Program::Close(state_);
    EXPECT_EQ(program_.Memo(1), "changed memo\r\n");
    EXPECT_FALSE(program_.Exists("memo5.dat"));
    EXPECT_EQ(Slurp(Path("zarnik.ini.tmp")), "another save's bytes");
}

TEST_F(FailedSave, DiskFullWhileWriting) {
    // A file size limit makes write() fail part-way, as a full disk does; it holds
    // for root too.
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit tiny = old;
    tiny.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &tiny);
    ExpectFailureLeavesFilesAlone(
        Sj(dir_.str() + "/zarnik.ini に書き込めません"));  // the memo files are smaller
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
}

TEST_F(FailedSave, ReadOnlyFolder) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    fs::permissions(dir_.path(), fs::perms::owner_read | fs::perms::owner_exec);
    ExpectFailureLeavesFilesAlone(Sj("ﾌｧｲﾙ " + dir_.str() + "/memo1.dat を作成できません"));
}

TEST(SaveSettings, UnreadableMemoIsKeptAndFollowsItsEnvironment) {
    TempDir dir;
    Program program(dir);
    ProgramState st = program.Start();
    MakeFive(st);
    Program::Close(st);

    st = program.Start();
    // What the load does with a memo file it cannot read (chmod 000 stops no root).
    st.Envs.At(1).KeptMemoFile = dir.str() + "/memo2.dat";
    st.Envs.At(1).MemoLines.clear();
    Edit(st, [](EnvList& w) { w.SwapEnvs(1, 2); });  // E2 moves to the head
    Program::Close(st);
    EXPECT_EQ(program.Memo(1), "memo 2\r\n");
    EXPECT_EQ(program.Memo(2), "memo 1\r\n");
    EXPECT_EQ(st.Envs.At(0).KeptMemoFile, dir.str() + "/memo1.dat");

    if (geteuid() == 0) return;
    chmod((dir.str() + "/memo1.dat").c_str(), 0);
    LoadReport report;
    st = program.Start(&report);
    EXPECT_EQ(report.UnreadableMemos, (std::vector<std::string>{dir.str() + "/memo1.dat"}));
    Program::Close(st);
    chmod((dir.str() + "/memo1.dat").c_str(), 0600);
    EXPECT_EQ(program.Memo(1), "memo 2\r\n");
}

TEST(SaveSettings, UnreadableIniIsNeverReplaced) {
    TempDir dir;
    Program program(dir);
    fs::create_directory(dir.path() / "zarnik.ini");
    LoadReport report;
    ProgramState st = program.Start(&report);
    EXPECT_TRUE(report.IniUnreadable);
    EXPECT_EQ(st.Envs.Count(), 1);
    EXPECT_THROW(Program::Close(st), SaveFailure);
    EXPECT_TRUE(fs::is_directory(dir.path() / "zarnik.ini"));
}

TEST(SaveSettings, LinkedIniFileStaysALink) {
    TempDir dir;
    Program program(dir);
    dir.Write("dotfiles/real.ini", "[Settei]\nFldSum=1\n");
    fs::create_symlink(dir.path() / "dotfiles/real.ini", dir.path() / "zarnik.ini");
    ProgramState st = program.Start();
    EXPECT_EQ(st.Cnf.FolderSubtotals, 1);
    Program::Close(st);
    EXPECT_TRUE(fs::is_symlink(dir.path() / "zarnik.ini"));
    EXPECT_NE(Slurp(dir.path() / "dotfiles/real.ini").find("Version=271"), std::string::npos);
}

// ---- values ----

TEST(FontText, EmptyFieldsCollapse) {
    PaneFont f{"Face", 10, "clNavy", 3};
    EXPECT_EQ(FontToText(f), "Face,10,clNavy,3");
    TextToFont("", f);
    EXPECT_EQ(f, (PaneFont{"Face", 10, "clNavy", 3}));
    TextToFont(",,clRed", f);
    EXPECT_EQ(f, (PaneFont{"clRed", 10, "clNavy", 3}));
    TextToFont("A, 12,,,clLime,x,extra", f);  // " 12" is no integer: blanks belong to the field
    EXPECT_EQ(f, (PaneFont{"A", 9, "clLime", 0}));
    TextToFont("B,0x10,$00030201,$1FF", f);
    EXPECT_EQ(f, (PaneFont{"B", 16, "$00030201", 0xFF}));
}

TEST(ColorText, NamesNumbersAndElementColours) {
    EXPECT_EQ(ColorToText(MakeRgb(1, 2, 3)), "$00030201");
    EXPECT_EQ(ColorToText(MakeRgb(255, 0, 0)), "clRed");
    EXPECT_EQ(ColorToText(MakeRgb(192, 192, 192)), "clSilver");
    EXPECT_EQ(ParseColorText("$00030201"), (Color{ColorKind::Rgb, MakeRgb(1, 2, 3), -1}));
    EXPECT_EQ(ParseColorText("clwhite"), (Color{ColorKind::Rgb, 0xFFFFFF, -1}));
    EXPECT_EQ(ParseColorText("255"), (Color{ColorKind::Rgb, 255, -1}));
    EXPECT_EQ(ParseColorText("clBtnFace"), (Color{ColorKind::System, 0, 15}));
    EXPECT_EQ(ParseColorText("-16777201"), (Color{ColorKind::System, 0, 15}));  // 0xFF00000F
    EXPECT_EQ(ParseColorText("clNone").Kind, ColorKind::None);
    EXPECT_EQ(ParseColorText("$1FFFFFFF").Kind, ColorKind::None);
    for (const char* bad : {"", "clPink", "$01000000", "12abc"})
        EXPECT_EQ(ParseColorText(bad).Kind, ColorKind::Invalid) << bad;
    EXPECT_EQ(ShownRgb(ParseColorText("clWindowText"), 7), 0u);
    EXPECT_EQ(ShownRgb(ParseColorText("nonsense"), 7), 7u);
}

TEST(ProgramPaths, BesideTheProgramOrInTheConfigFolder) {
    TempDir dir;
    fs::create_directory(dir.path() / "bin");
    ProgramPaths p = LocateProgramPaths(dir.str() + "/bin/zarnik", dir.str() + "/cfg");
    EXPECT_EQ(p.ProgramFolder, dir.str() + "/bin/");
    EXPECT_EQ(p.DataFolder, p.ProgramFolder);
    EXPECT_EQ(p.IniPath, dir.str() + "/bin/zarnik.ini");
    EXPECT_EQ(p.OpenFolder, dir.str() + "/bin");
    // The help file beside the program wins; an installed one finds it in ../share/zarnik/.
    EXPECT_EQ(p.HelpPath, dir.str() + "/share/zarnik/zarnik.hlp");
    dir.Write("bin/zarnik.hlp", "");
    EXPECT_EQ(LocateProgramPaths(dir.str() + "/bin/zarnik", "/cfg").HelpPath, dir.str() + "/bin/zarnik.hlp");

    // A folder that does not exist (or is not writable) sends the files to the config folder.
    ProgramPaths q = LocateProgramPaths("/nonexistent-zarnik-dir/zarnik", dir.str() + "/cfg");
    EXPECT_EQ(q.DataFolder, dir.str() + "/cfg/zarnik/");
    EXPECT_EQ(q.IniPath, dir.str() + "/cfg/zarnik/zarnik.ini");
    EXPECT_EQ(q.BrowseFolder, "/nonexistent-zarnik-dir");

    ProgramState st = MakeStartState(q, 800, 600);
    LoadSettings(st);
    SaveSettings(st, Program::Window(st, 0));  // the first save creates the folder
    EXPECT_TRUE(fs::exists(dir.path() / "cfg/zarnik/zarnik.ini"));

    ProgramPaths r = PathsForIniFile("/usr/bin/zarnik-count", dir.str() + "/x/my.ini");
    EXPECT_EQ(r.DataFolder, dir.str() + "/x/");
    EXPECT_EQ(r.ProgramFolder, "/usr/bin/");
}

TEST(FindEnvironment, ByPositionOrName) {
    EnvList envs;
    envs.AddEnv("alpha", 1);
    envs.AddEnv("7", 1);
    EXPECT_EQ(FindEnvironment(envs, "2"), 1);
    EXPECT_EQ(FindEnvironment(envs, "alpha"), 0);
    EXPECT_EQ(FindEnvironment(envs, "7"), 1);  // no 7th environment: the name
    EXPECT_EQ(FindEnvironment(envs, "0"), -1);
    EXPECT_EQ(FindEnvironment(envs, "beta"), -1);
}

}  // namespace
}  // namespace zarnik::settings
