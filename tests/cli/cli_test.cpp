#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/run_cli.h"
#include "settings/persist.h"
#include "settings/schema.h"
#include "settings/settings.h"
#include "test_util.h"

namespace zarnik {
namespace {

using zarnik::testing::Sj;
using zarnik::testing::TempDir;

using Result = zarnik::testing::CliResult;

// Runs zarnik-count with args.
Result RunCli(const std::vector<std::string>& args) { return zarnik::testing::RunZarnikCount(args); }

// The tree every test counts. Every file was last written 2001-02-03 04:05.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        Put("tree/main.c", "/* main */\nint main(void) {\n\n    return 0;\n}\n");
        Put("tree/Util.C", "// util\nint u;\n");
        Put("tree/readme.txt", "hello\n");
        Put("tree/a-rather-long-file-name.c", "int x;\n");
        Put("tree/sub/x.h", "/*\n\n*/\n");
        Put("tree/sub/empty.c", "");
        Put("tree/sub/deeper/y.c", "int y;\n");
        std::filesystem::create_directory_symlink("..", Path("tree/sub/loop"));
        mkfifo(Path("tree/sub/pipe").c_str(), 0600);
    }

    std::string Path(const std::string& rel) const { return dir_.str() + "/" + rel; }

    void Put(const std::string& rel, const std::string& bytes) {
        std::string p = dir_.Write(rel, bytes);
        std::tm tm{};
        tm.tm_year = 101, tm.tm_mon = 1, tm.tm_mday = 3, tm.tm_hour = 4, tm.tm_min = 5, tm.tm_isdst = -1;
        timespec times[2] = {{std::mktime(&tm), 0}, {std::mktime(&tm), 0}};
        utimensat(AT_FDCWD, p.c_str(), times, 0);
    }

    // Puts the folder lines into an expected report: "{FOLDER:x}" becomes "[<dir>/x]"
    // followed by "-" up to the 100-byte rule.
    std::string WithFolders(std::string text) const {
        for (std::size_t pos; (pos = text.find("{FOLDER:")) != std::string::npos;) {
            std::size_t end = text.find('}', pos);
            std::string line = "[" + Path(text.substr(pos + 8, end - pos - 8)) + "]";
            line += std::string(100 - line.size(), '-');
            text.replace(pos, end + 1 - pos, line);
        }
        return text;
    }

    TempDir dir_;
};

TEST_F(CliTest, WholeReportWithFolderLinesSubtotalsAndEveryKindOfEntry) {
    // The tree is walked (a loop of links is not entered, a pipe is skipped), main.c
    // is named a second time, and the 25-byte name widens the name column.
    Result r = RunCli({"--set", "HeadDT=0", "--set", "fldnam=0x1", "--set=FLDSUM=1", "--name", "テスト",
                       Path("tree"), Path("tree/MAIN.C")});
    EXPECT_EQ(r.Status, 0);
    EXPECT_EQ(r.Err, "");
    EXPECT_EQ(r.Out, WithFolders(R"(【テスト】
----------------------------------------------------------------------------------------------------
ファイル名                ﾀｲﾑｽﾀﾝﾌﾟ                ｻｲｽﾞ 種別  総行数  ｺﾒﾝﾄ行  実行数  空行数   ｺﾒﾝﾄ率
----------------------------------------------------------------------------------------------------
{FOLDER:tree}
a-rather-long-file-name.c 01-02-03 04:05             7 C          1       0       1       0   0.00％
main.c                    01-02-03 04:05            45 C          5       1       3       1  20.00％
main.c                    01-02-03 04:05            45 C          5       1       3       1  20.00％
readme.txt                01-02-03 04:05             6 ???  対象外のファイルです。
----------------------------------------------------------------------------------------------------
△ﾌｫﾙﾀﾞ内小計                        3個            97           11       2       7       2  -------
△ﾌｫﾙﾀﾞ内平均                                       32            3       0       2       0   0.00％
----------------------------------------------------------------------------------------------------
{FOLDER:tree/sub/deeper}
y.c                       01-02-03 04:05             7 C          1       0       1       0   0.00％
----------------------------------------------------------------------------------------------------
△ﾌｫﾙﾀﾞ内小計                        1個             7            1       0       1       0  -------
△ﾌｫﾙﾀﾞ内平均                                        7            1       0       1       0   0.00％
----------------------------------------------------------------------------------------------------
{FOLDER:tree/sub}
empty.c                   01-02-03 04:05             0 C    認識できませんでした。
x.h                       01-02-03 04:05             7 C          3       3       0       0  100.00％
----------------------------------------------------------------------------------------------------
△ﾌｫﾙﾀﾞ内小計                        1個             7            3       3       0       0  -------
△ﾌｫﾙﾀﾞ内平均                                        7            3       3       0       0  100.00％
----------------------------------------------------------------------------------------------------
{FOLDER:tree}
Util.C                    01-02-03 04:05            15 C          2       1       1       0  50.00％
----------------------------------------------------------------------------------------------------
△ﾌｫﾙﾀﾞ内小計                        1個            15            2       1       1       0  -------
△ﾌｫﾙﾀﾞ内平均                                       15            2       1       1       0  50.00％
----------------------------------------------------------------------------------------------------
----------------------------------------------------------------------------------------------------
□C･ﾍｯﾀﾞ合計                         1個             7            3       3       0       0  -------
□C･ﾍｯﾀﾞ平均                                         7            3       3       0       0  100.00％
----------------------------------------------------------------------------------------------------
□C･ｿｰｽ 合計                         5個           119           14       3       9       2  -------
□C･ｿｰｽ 平均                                        23            2       0       1       0   0.00％
====================================================================================================
■全ｿｰｽﾌｧｲﾙ総合計                    6個           126           17       6       9       2  -------
■全ｿｰｽﾌｧｲﾙ総平均                                   21            2       1       1       0  50.00％
)"));
}

TEST_F(CliTest, PatternWithoutSubfoldersOrErrorLinesInShiftJis) {
    // "*.*" takes the files of tree and, one level down, of sub; Subfol 0 stops
    // there; Erfout 0 hides readme.txt and empty.c.
    Result r = RunCli({"--set", "HeadNA=0", "--set", "HeadDT=0", "--set", "Subfol=0", "--set", "Erfout=0",
                       "--encoding", "sjis", Path("tree/*.*")});
    EXPECT_EQ(r.Status, 0);
    std::string expected =
        R"(----------------------------------------------------------------------------------------------------
ファイル名                ﾀｲﾑｽﾀﾝﾌﾟ                ｻｲｽﾞ 種別  総行数  ｺﾒﾝﾄ行  実行数  空行数   ｺﾒﾝﾄ率
----------------------------------------------------------------------------------------------------
a-rather-long-file-name.c 01-02-03 04:05             7 C          1       0       1       0   0.00％
main.c                    01-02-03 04:05            45 C          5       1       3       1  20.00％
x.h                       01-02-03 04:05             7 C          3       3       0       0  100.00％
Util.C                    01-02-03 04:05            15 C          2       1       1       0  50.00％
----------------------------------------------------------------------------------------------------
□C･ﾍｯﾀﾞ合計                         1個             7            3       3       0       0  -------
□C･ﾍｯﾀﾞ平均                                         7            3       3       0       0  100.00％
----------------------------------------------------------------------------------------------------
□C･ｿｰｽ 合計                         3個            67            8       2       5       1  -------
□C･ｿｰｽ 平均                                        22            2       0       1       0   0.00％
====================================================================================================
■全ｿｰｽﾌｧｲﾙ総合計                    4個            74           11       5       5       1  -------
■全ｿｰｽﾌｧｲﾙ総平均                                   18            2       1       1       0  50.00％
)";
    std::string crlf;
    for (char c : expected) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(r.Out, Sj(crlf));
}

TEST_F(CliTest, ExtensionKeysRebuildTheLists) {
    Result r = RunCli(
        {"--set", "HeadNA=0", "--set", "HeadDT=0", "--set", "ched=*.h,*.TXT", Path("tree/readme.txt")});
    EXPECT_EQ(r.Status, 0);
    EXPECT_NE(r.Out.find(
                  "readme.txt    01-02-03 04:05             6 C          1       0       1       0   0.00％"),
              std::string::npos)
        << r.Out;
}

// Every schema row holds its own value through a save and a load, and --set and
// the json report agree with the INI file on each key they know. Each row gets a
// value of its own, outside any range, so that two rows sharing a field or a key
// spelled twice show.
TEST_F(CliTest, EverySettingSurvivesSaveLoadSetAndJson) {
    using settings::SettingRow;
    const std::string ini = Path("zarnik.ini");
    settings::ProgramState st =
        settings::MakeStartState(settings::PathsForIniFile(Path("zarnik"), ini), 800, 600);
    settings::LoadSettings(st);
    std::vector<std::string> sets;
    int n = 0;
    for (const SettingRow& row : settings::SettingRows()) {
        const std::string i = std::to_string(++n);
        std::string value = row.IsInt() ? std::to_string(row.Default + 2 + n) : "*.p" + i;
        if (row.Type == settings::ValueType::Font)
            value = "Face" + i + "," + std::to_string(10 + n) + ",clRed,1";
        ASSERT_TRUE(settings::SetFromText(row, value, st.Cnf)) << row.Key;
        if (row.Has(settings::kShapesReport)) sets.insert(sets.end(), {"--set", row.Key + ("=" + value)});
    }
    settings::WindowState win;  // tab 0: a save stores the window's tab as TabIdx
    settings::SaveSettings(st, win);

    settings::ProgramState back =
        settings::MakeStartState(settings::PathsForIniFile(Path("zarnik"), ini), 800, 600);
    settings::LoadSettings(back, settings::LoadPurpose::ReadOnly);
    for (const SettingRow& row : settings::SettingRows())
        EXPECT_EQ(StoredText(back.Cnf, row), StoredText(st.Cnf, row)) << row.Section << "/" << row.Key;

    const Result fromIni = RunCli({"--ini", ini, "--format", "json", Path("tree/main.c")});
    sets.insert(sets.end(), {"--format", "json", Path("tree/main.c")});
    const Result fromSet = RunCli(sets);
    const nlohmann::json json = nlohmann::json::parse(fromIni.Out)["settings"];
    EXPECT_EQ(nlohmann::json::parse(fromSet.Out)["settings"], json);
    for (const SettingRow& row : settings::SettingRows()) {
        if (!row.Has(settings::kShapesReport)) continue;
        if (row.IsInt())
            EXPECT_EQ(json[row.Key], st.Cnf.*row.Int) << row.Key;
        else
            EXPECT_EQ(json["Exts"][row.Key], StoredText(st.Cnf, row)) << row.Key;
    }
}

TEST_F(CliTest, NoFileFoundIsStatusOneWithTheWarningOnStderr) {
    Result r = RunCli({Path("tree/nothing*"), Path("missing/x.c")});
    EXPECT_EQ(r.Status, 1);
    EXPECT_EQ(r.Out, "");
    EXPECT_EQ(r.Err,
              "zarnik-count: 指定のファイルにアクセスできません。\nファイルの存在を確かめてください。\n");
}

TEST_F(CliTest, AnUnreadableFileIsStatusThreeAndKeepsTheLinesSoFar) {
    // /proc/self/mem is a regular file whose first page cannot be read (EIO).
    Result r = RunCli({"--set", "FlSort=0", "--set", "HeadNA=0", "--set", "HeadDT=0", Path("tree/main.c"),
                       "/proc/self/mem"});
    EXPECT_EQ(r.Status, 3);
    std::string rule(88, '-');
    EXPECT_EQ(
        r.Out,
        rule +
            "\nファイル名    ﾀｲﾑｽﾀﾝﾌﾟ                ｻｲｽﾞ 種別  総行数  ｺﾒﾝﾄ行  実行数  空行数   ｺﾒﾝﾄ率\n" +
            rule +
            "\nmain.c        01-02-03 04:05            45 C          5       1       3       1  20.00％\n");
    EXPECT_EQ(r.Err, "zarnik-count: /proc/self/mem: I/O ｴﾗｰ (5)\n");
}

TEST_F(CliTest, CsvAndJsonKeepTheExitStatuses) {
    // Shift-JIS csv with CR LF, rows written as the files are counted.
    Result csv = RunCli({"--format", "csv", "--encoding", "sjis", "--set", "FlSort=0", Path("tree/main.c"),
                         "/proc/self/mem"});
    EXPECT_EQ(csv.Status, 3);
    EXPECT_EQ(csv.Out.substr(0, csv.Out.find("\r\n")), Sj("区分,パス,フォルダ,ファイル名,ﾀｲﾑｽﾀﾝﾌﾟ,ｻｲｽﾞ,種別,"
                                                          "総行数,ｺﾒﾝﾄ行,実行数,空行数,ｺﾒﾝﾄ率,状態,ﾌｧｲﾙ数"));
    EXPECT_NE(csv.Out.find(Sj(",main.c,") + "2001-02-03T04:05:00+09:00,45,C,5,1,3,1,20.00,,\r\n"),
              std::string::npos)
        << csv.Out;
    // A json object is written as the files are counted: a read error leaves it cut
    // short, never a whole document.
    Result json = RunCli({"--format", "json", "--set", "FlSort=0", Path("tree/main.c"), "/proc/self/mem"});
    EXPECT_EQ(json.Status, 3);
    EXPECT_NE(json.Out.find("\"name\": \"main.c\""), std::string::npos) << json.Out;
    EXPECT_FALSE(nlohmann::json::accept(json.Out));
    for (const char* format : {"csv", "json"}) {
        Result none = RunCli({"--format", format, Path("missing/x.c")});
        EXPECT_EQ(none.Status, 1);
        EXPECT_EQ(none.Out, "");
    }
    Result ok = RunCli({"--format", "json", Path("tree")});
    EXPECT_EQ(ok.Status, 0);
    EXPECT_NE(ok.Out.find("\"status\": \"not-target\""), std::string::npos) << ok.Out;
}

// The language table is listed; a malformed entry of the user's is a warning that
// leaves the report alone; CLexer shows in the json settings only when on, so the
// json of an older INI stays as it was.
TEST_F(CliTest, LanguageTableIsListedAndItsSwitchShowsInJsonOnlyWhenOn) {
    const Result list = RunCli({"--list-languages"});
    EXPECT_EQ(list.Status, 0);
    const std::size_t python = list.Out.find("\nPython ");
    ASSERT_NE(python, std::string::npos) << list.Out;
    const std::string line = list.Out.substr(python + 1, list.Out.find('\n', python + 1) - python - 1);
    EXPECT_NE(line.find(" Py    files: *.py,*.pyw,*.pyi "), std::string::npos) << line;
    EXPECT_NE(line.find("#!python3"), std::string::npos) << line;
    const Result off = RunCli({"--format", "json", Path("tree/main.c")});
    EXPECT_EQ(off.Out.find("CLexer"), std::string::npos);
    const Result on = RunCli({"--format", "json", "--set", "CLexer=1", Path("tree/main.c")});
    EXPECT_NE(on.Out.find("\"CLexer\": 1"), std::string::npos);

    const TempDir config;
    const std::string user = config.Write("zarnik/languages.conf", "[Bad]\nkind = TooLong\nfilenames = X\n");
    ::setenv("XDG_CONFIG_HOME", config.str().c_str(), 1);
    const Result warned = RunCli({"--set", "HeadDT=0", Path("tree/main.c")});
    ::unsetenv("XDG_CONFIG_HOME");
    const Result plain = RunCli({"--set", "HeadDT=0", Path("tree/main.c")});
    EXPECT_EQ(warned.Status, 0);
    EXPECT_EQ(warned.Out, plain.Out);
    EXPECT_EQ(warned.Err, "zarnik-count: warning: " + user + ":2: bad value of 'kind'\n");
}

// With AllLang=1 the table's languages are kinds of their own: their kind text in
// the kind column (also of a script named by its "#!" line) and their totals
// after the five's, in table order, in the text, csv and json alike. An INI
// without the key (written before it) counts as before: the others are 対象外.
TEST_F(CliTest, AllLangCountsTheTablesLanguagesAsKindsOfTheirOwn) {
    Put("mix/a.c", "/* c */\nint main(void) { return 0; }\n\n");
    Put("mix/tool.py", "# c\nprint(\"# not a comment\")\n\n\"\"\"doc\nstring\"\"\"\n");
    Put("mix/run.sh", "echo \"#x\" # c\n# only\n\nls\n");
    Put("mix/release", "#!/bin/sh\n# hi\necho hi\n");
    Put("mix/Makefile", "all:\n\t# c\n\tcc a.c\n");
    const Result text = RunCli({"--set", "AllLang=1", "--set", "HeadDT=0", Path("mix")});
    ASSERT_EQ(text.Status, 0) << text.Err;
    for (const char* row :
         {"\nMakefile      01-02-03 04:05            18 Make       3       1       2       0  33.33",
          "\nrelease       01-02-03 04:05            23 SH         3       2       1       0  66.67",
          "\ntool.py       01-02-03 04:05            47 Py         5       3       1       1  60.00",
          "\n□C･ｿｰｽ 合計"})
        EXPECT_NE(text.Out.find(row), std::string::npos) << row << "\n" << text.Out;
    const std::size_t c = text.Out.find("□C･ｿｰｽ 合計"), python = text.Out.find("□Python 合計"),
                      shell = text.Out.find("□Shell 合計"), make = text.Out.find("□Makefile 平均");
    EXPECT_TRUE(c < python && python < shell && shell < make && make != std::string::npos) << text.Out;
    EXPECT_NE(text.Out.find("■全ｿｰｽﾌｧｲﾙ総合計        5個"), std::string::npos) << text.Out;

    const Result csv = RunCli({"--set", "AllLang=1", "--format", "csv", Path("mix")});
    EXPECT_NE(csv.Out.find("\n合計,,,Shell 合計,,48,SH,7,3,3,1,42.86,,2\n"), std::string::npos) << csv.Out;
    const Result json = RunCli({"--set", "AllLang=1", "--format", "json", Path("mix")});
    EXPECT_NE(json.Out.find("\"kind\": \"Python\",\n      \"kindText\": \"Py\""), std::string::npos)
        << json.Out;
    EXPECT_NE(json.Out.find("\"AllLang\": 1"), std::string::npos);

    dir_.Write("conf/zarnik.ini", "[Settei]\r\nHeadDT=0\r\n");
    const Result older = RunCli({"--ini", Path("conf/zarnik.ini"), Path("mix")});
    const Result off = RunCli({"--set", "AllLang=0", "--set", "HeadDT=0", Path("mix")});
    EXPECT_EQ(older.Out, off.Out);
    EXPECT_EQ(off.Out.find("Python"), std::string::npos) << off.Out;
    EXPECT_NE(off.Out.find("\nrelease       01-02-03 04:05            23 ???  "), std::string::npos)
        << off.Out;
    const Result offJson = RunCli({"--ini", Path("conf/zarnik.ini"), "--format", "json", Path("mix")});
    EXPECT_EQ(offJson.Out.find("AllLang"), std::string::npos);
    EXPECT_EQ(offJson.Out.find("\"Py\""), std::string::npos);
}

// A script named by its "#!" line is read on after the head that named it, also
// one of more than a piece (read in pieces).
TEST_F(CliTest, AScriptLongerThanItsHeadIsCountedToItsEnd) {
    std::string mid = "#!/bin/sh\n", big = mid;
    for (int i = 0; i < 100; ++i) mid += "echo hi # x\n";
    for (int i = 0; i < 100000; ++i) big += "echo hi # x\n";
    Put("long/mid", mid);
    Put("long/big", big);
    const Result csv = RunCli({"--set", "AllLang=1", "--format", "csv", Path("long")});
    ASSERT_EQ(csv.Status, 0) << csv.Err;
    EXPECT_NE(csv.Out.find(",mid,"), std::string::npos) << csv.Out;
    EXPECT_NE(csv.Out.find(",SH,101,1,100,0,"), std::string::npos) << csv.Out;
    EXPECT_NE(csv.Out.find(",SH,100001,1,100000,0,"), std::string::npos) << csv.Out;
}

TEST_F(CliTest, TargetLinesThatFindNothingAreNamedOnStderr) {
    const Result alone = RunCli({"--set", "HeadDT=0", Path("tree/main.c")});
    const Result typo =
        RunCli({"--set", "HeadDT=0", Path("tree/mian.c"), Path("tree/main.c"), Path("tree/x\x1b")});
    EXPECT_EQ(typo.Status, 0);
    EXPECT_EQ(typo.Out, alone.Out);  // the report is the same
    EXPECT_EQ(typo.Err, "zarnik-count: warning: no file found for '" + Path("tree/mian.c") +
                            "'\nzarnik-count: warning: no file found for '" + Path("tree/x?") + "'\n");
}

TEST_F(CliTest, ATargetLineHoldingANulIsRefusedNotCutShort) {
    // Raw in fileN, or %00 in utf8fileN (with the fileN a save writes beside it, the
    // name Shift-JIS cannot hold as "?"): cut at the NUL, the lines would name
    // main.c and the folder tree.
    const std::string main = Path("tree/main.c"), nul("\0/x", 3);
    dir_.Write("conf/zarnik.ini", "[Cname]\r\ncnam1=raw\r\ncnam2=exact\r\n[FILES_1]\r\nfile0=" + main + nul +
                                      "\r\n[FILES_2]\r\nfile0=" + Path("tree?") + nul +
                                      "\r\nutf8file0=" + Path("tree%C3%A9%00/x") + "\r\n");
    for (const char* env : {"1", "2"}) {
        Result r = RunCli({"--ini", Path("conf/zarnik.ini"), "--env", env});
        EXPECT_EQ(r.Status, 2) << env;
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(r.Err.substr(0, r.Err.find(':', 14)),
                  "zarnik-count: target line holds a NUL byte, nothing counted")
            << r.Err;
    }
}

TEST_F(CliTest, IniFileGivesSettingsAndEnvironmentsBeforeAnySet) {
    // Environment 2 counts tree/sub only; the INI file turns sorting and headers off.
    dir_.Write("conf/zarnik.ini", Sj("[Settei]\r\nHeadDT=0\r\nHeadNA=1\r\nSubfol=0\r\nFmSize=0\r\n"
                                     "[Cname]\r\ncnam1=one\r\ncnam2=二番\r\n"
                                     "[FILES_2]\r\nfile0=") +
                                      Path("tree/sub") + "\r\n");
    std::string ini = Path("conf/zarnik.ini");
    Result byNumber = RunCli({"--ini", ini, "--env", "2"});
    ASSERT_EQ(byNumber.Status, 0) << byNumber.Err;
    EXPECT_EQ(byNumber.Out.substr(0, byNumber.Out.find('\n')), "【二番】");
    EXPECT_NE(byNumber.Out.find("x.h"), std::string::npos);
    EXPECT_EQ(byNumber.Out.find("\ny.c "), std::string::npos);  // Subfol=0 from the file
    EXPECT_EQ(byNumber.Out.find("ｻｲｽﾞ"), std::string::npos);    // FmSize=0 from the file

    // The same environment by name; a --set written before --ini still wins.
    Result byName = RunCli({"--set", "Subfol=1", "--ini", ini, "--env", "二番", "--name", "N"});
    ASSERT_EQ(byName.Status, 0) << byName.Err;
    EXPECT_EQ(byName.Out.substr(0, byName.Out.find('\n')), "【N】");
    EXPECT_NE(byName.Out.find("\ny.c "), std::string::npos);

    // Targets on the command line replace the environment's lines.
    Result replaced = RunCli({"--ini", ini, "--env", "1", Path("tree/main.c")});
    ASSERT_EQ(replaced.Status, 0) << replaced.Err;
    EXPECT_EQ(replaced.Out.substr(0, replaced.Out.find('\n')), "【one】");
    EXPECT_NE(replaced.Out.find("main.c"), std::string::npos);
    EXPECT_EQ(replaced.Out.find("x.h"), std::string::npos);

    EXPECT_EQ(RunCli({"--ini", ini, "--env", "3"}).Status, 2);
    EXPECT_EQ(RunCli({"--ini", Path("conf/missing.ini"), Path("tree")}).Status, 2);
}

// Names with characters code page 932 cannot hold reach the file system as they
// are: never as "?", which would match other names.
TEST_F(CliTest, NamesOutsideShiftJisAreFilesFoldersAndPatternsAsTyped) {
    Put("intl/é.c", "int e;\n");
    Put("intl/a.c", "int a;\n");
    Put("intl/café/x😀.c", "int x;\n");
    Put("intl/cafe/y.c", "int y;\n");
    Put("intl/漢字.c", "int k;\n");
    auto names = [](const Result& r) {
        std::vector<std::string> out;
        std::istringstream in(r.Out);
        for (std::string line; std::getline(in, line);)
            if (line.find(" 01-02-03 ") != std::string::npos) out.push_back(line.substr(0, line.find(' ')));
        std::sort(out.begin(), out.end());
        return out;
    };
    using Names = std::vector<std::string>;
    std::vector<std::string> plain{"--set", "HeadNA=0", "--set", "HeadDT=0"};
    auto run = [&](std::vector<std::string> targets) {
        std::vector<std::string> args = plain;
        args.insert(args.end(), targets.begin(), targets.end());
        Result r = RunCli(args);
        EXPECT_EQ(r.Status, 0) << r.Err;
        return r;
    };
    EXPECT_EQ(names(run({Path("intl/é.c")})), (Names{"?.c"}));  // the report is Shift-JIS: "?" only there
    EXPECT_EQ(names(run({Path("intl/café/")})), (Names{"x?.c"}));
    EXPECT_EQ(names(run({"--set", "FlSort=1", Path("intl/caf?")})), (Names{"x?.c", "y.c"}));
    EXPECT_EQ(names(run({Path("intl/café/*😀.C"), Path("intl/漢字.c")})), (Names{"x?.c", "漢字.c"}));

    // An environment saved with such a line finds the same file again.
    dir_.Write("conf/zarnik.ini", Sj("[Cname]\r\ncnam1=one\r\n[FILES_1]\r\nfile0=") + Path("intl/?.c") +
                                      "\r\nutf8file0=" + Path("intl/%C3%A9.c") + "\r\n");
    std::vector<std::string> fromIni = plain;
    fromIni.insert(fromIni.end(), {"--ini", Path("conf/zarnik.ini"), "--env", "1"});
    Result env = RunCli(fromIni);
    ASSERT_EQ(env.Status, 0) << env.Err;
    EXPECT_EQ(names(env), (Names{"?.c"}));
    EXPECT_EQ(env.Out.find("a.c"), std::string::npos);
}

// A change count's file rows as "path status kind" and nine figures (or the
// message), and its grand total as "total files" and nine figures, from each format.
std::vector<std::string> ChangeRowsOfText(const std::string& out) {
    std::istringstream in(out);
    std::vector<std::string> rows;
    int rules = 0;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("---", 0) == 0 || line.rfind("===", 0) == 0) {
            ++rules;
            continue;
        }
        std::istringstream words(line);
        std::string row, w;
        while (words >> w) row += (row.empty() ? "" : " ") + w;
        if (rules == 2) rows.push_back(row);
        if (line.rfind("■全ｿｰｽﾌｧｲﾙ総合計", 0) == 0) {
            row.replace(0, row.find(' '), "total");
            row.erase(row.find("個"), std::string("個").size());
            rows.push_back(row);
        }
    }
    return rows;
}

std::vector<std::string> ChangeRowsOfCsv(const std::string& out) {
    std::istringstream in(out);
    std::vector<std::string> rows;
    std::string line;
    std::getline(in, line);  // the header
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::istringstream fields(line);
        for (std::string v; std::getline(fields, v, ',');) f.push_back(v);
        f.resize(18);
        std::string row;
        if (f[1] == "総合計") {
            long files = 0;
            for (int i = 13; i < 18; ++i) files += std::stol(f[i]);
            row = "total " + std::to_string(files);
        } else if (f[1] == "合計") {
            continue;
        } else if (f[1] == "旧ﾊﾞｰｼﾞｮﾝ" || f[1] == "新ﾊﾞｰｼﾞｮﾝ") {
            row = f[1] + " " + f[0];
            rows.push_back(row);
            continue;
        } else {
            row = f[0] + " " + f[1] + " " + f[2];
        }
        if (f[1] == "除外") row += " " + f[12];
        for (int i = 3; i < 12 && f[1] != "除外"; ++i) row += " " + f[i];
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> ChangeRowsOfJson(const std::string& out) {
    auto root = nlohmann::json::parse(out);
    std::vector<std::string> rows;
    auto figures = [](const nlohmann::json& j) {
        std::string s;
        for (const char* cls : {"exec", "comment", "blank"})
            for (const char* what : {"added", "changed", "deleted"})
                s += " " + std::to_string(j[cls][what].get<long>());
        return s;
    };
    for (const auto& f : root["files"]) {
        std::string row = f["path"].get<std::string>() + " " + f["statusText"].get<std::string>() + " " +
                          f["kind"].get<std::string>();
        rows.push_back(f.contains("message") ? row + " " + f["message"].get<std::string>()
                                             : row + figures(f));
    }
    rows.push_back("total " + std::to_string(root["total"]["files"]["count"].get<long>()) +
                   figures(root["total"]));
    return rows;
}

TEST(Cli, DiffWritesTheSameFiguresAsTextCsvAndJson) {
    const std::string data = std::string(std::getenv("ZARNIK_DATA")) + "/change";
    std::istringstream in(zarnik::testing::ReadFileBytes(data + "/expected.txt"));
    std::vector<std::string> expected;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') expected.push_back(line);
    expected.push_back("total 11 4 2 3 5 4 3 2 0 1");
    std::vector<std::string> args{"--set",  "HeadNA=0", "--set",  "HeadDT=0",    "--set",      "EucJis=1",
                                  "--jobs", "2",        "--diff", data + "/old", data + "/new"};
    Result text = RunCli(args);
    EXPECT_EQ(text.Status, 0) << text.Err;
    EXPECT_EQ(ChangeRowsOfText(text.Out), expected) << text.Out;
    // Each format names the versions compared.
    const std::vector<std::string> versions{"旧ﾊﾞｰｼﾞｮﾝ " + data + "/old", "新ﾊﾞｰｼﾞｮﾝ " + data + "/new"};
    EXPECT_EQ(text.Out.rfind("旧ﾊﾞｰｼﾞｮﾝ: " + data + "/old\n新ﾊﾞｰｼﾞｮﾝ: " + data + "/new\n---", 0), 0u)
        << text.Out;
    args.insert(args.begin(), {"--format", "csv"});
    Result csv = RunCli(args);
    EXPECT_EQ(csv.Status, 0) << csv.Err;
    std::vector<std::string> csvRows = ChangeRowsOfCsv(csv.Out);
    ASSERT_GE(csvRows.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(csvRows.begin(), csvRows.begin() + 2), versions);
    EXPECT_EQ(std::vector<std::string>(csvRows.begin() + 2, csvRows.end()), expected) << csv.Out;
    args[1] = "json";
    Result json = RunCli(args);
    EXPECT_EQ(json.Status, 0) << json.Err;
    EXPECT_EQ(ChangeRowsOfJson(json.Out), expected) << json.Out;
    const auto root = nlohmann::json::parse(json.Out);
    EXPECT_EQ("旧ﾊﾞｰｼﾞｮﾝ " + root["old"].get<std::string>(), versions[0]);
    EXPECT_EQ("新ﾊﾞｰｼﾞｮﾝ " + root["new"].get<std::string>(), versions[1]);
}

TEST_F(CliTest, DiffExitStatusesAreTheCountRunsOnes) {
    EXPECT_EQ(RunCli({"--diff", Path("tree")}).Status, 2);
    EXPECT_EQ(RunCli({"--diff", Path("tree"), Path("tree"), Path("tree")}).Status, 2);
    Result none = RunCli({"--diff", Path("tree"), Path("missing")});
    EXPECT_EQ(none.Status, 1);
    EXPECT_EQ(none.Out, "");
    EXPECT_EQ(none.Err, "zarnik-count: 新ﾊﾞｰｼﾞｮﾝ: " + Path("missing") +
                            "\n指定のファイルにアクセスできません。\nファイルの存在を確かめてください。\n");
    // An empty folder is an empty version: every line is added.
    ASSERT_EQ(::mkdir(Path("empty").c_str(), 0755), 0);
    Result added = RunCli({"--set", "HeadDT=0", "--diff", Path("empty"), Path("tree")});
    EXPECT_EQ(added.Status, 0) << added.Err;
    EXPECT_NE(added.Out.find("\nsub/x.h                   新規      C "), std::string::npos) << added.Out;
    Result unreadable = RunCli({"--diff", "/proc/self/mem", "/proc/self/mem"});
    EXPECT_EQ(unreadable.Status, 3);
    EXPECT_EQ(unreadable.Err, "zarnik-count: /proc/self/mem: I/O ｴﾗｰ (5)\n");
    Result same = RunCli({"--set", "HeadDT=0", "--diff", Path("tree"), Path("tree/")});
    EXPECT_EQ(same.Status, 0);
    EXPECT_NE(same.Out.find("\nsub/x.h                   変更なし  C           0 "), std::string::npos)
        << same.Out;
}

TEST(Cli, UsageErrorsNameTheirArgument) {
    struct Case {
        std::vector<std::string> Args;
        const char* Named;
    } cases[] = {
        {{"--set", "Bogus=1", "x"}, "Bogus"},
        {{"--set", "FmSize=abc", "x"}, "abc"},
        {{"--set", "FmSize=99999999999", "x"}, "99999999999"},
        {{"--set", "FmSize", "x"}, "FmSize"},
        {{"--frobnicate", "x"}, "--frobnicate"},
        {{"--encoding", "latin1", "x"}, "latin1"},
        {{"--format", "xml", "x"}, "xml"},
        {{"--format", "json", "--encoding", "sjis", "x"}, "--format json"},
        {{"--format", "html", "--encoding", "sjis", "x"}, "--format html"},
        {{"--name"}, "--name"},
        {{"--help=yes"}, "--help"},
        {{"--jobs", "0", "x"}, "'0'"},
        {{"-j", "two", "x"}, "two"},
        {{}, "TARGET"},
    };
    for (const auto& c : cases) {
        Result r = RunCli(c.Args);
        EXPECT_EQ(r.Status, 2) << c.Named;
        EXPECT_EQ(r.Out, "") << c.Named;
        EXPECT_NE(r.Err.find(c.Named), std::string::npos) << r.Err;
        EXPECT_NE(r.Err.find("Usage: zarnik-count"), std::string::npos) << r.Err;
    }
}

TEST(Cli, HelpListsEveryOption) {
    Result r = RunCli({"--help"});
    EXPECT_EQ(r.Status, 0);
    for (const char* o : {"--set KEY=VALUE", "--name TEXT", "--encoding utf-8|sjis", "--format text|csv|json",
                          "-j, --jobs N", "--diff", "-h, --help", "Exit status"})
        EXPECT_NE(r.Out.find(o), std::string::npos) << o;
}

TEST(Cli, ManualAndCompletionNameEverySetKey) {
    // A key added to the settings table is documented and completed too.
    std::string source = std::getenv("ZARNIK_SOURCE");
    std::string manual = zarnik::testing::ReadFileBytes(source + "/data/man/zarnik-count.1.in");
    std::string completion = zarnik::testing::ReadFileBytes(source + "/data/completion/zarnik-count");
    auto hasWord = [](const std::string& text, std::string_view word) {
        auto isName = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
        for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1))
            if ((at == 0 || !isName(text[at - 1])) &&
                (at + word.size() == text.size() || !isName(text[at + word.size()])))
                return true;
        return false;
    };
    for (const settings::SettingRow& row : settings::SettingRows()) {
        if (!row.Has(settings::kShapesReport)) continue;
        EXPECT_TRUE(hasWord(manual, row.Key)) << row.Key;
        EXPECT_TRUE(hasWord(completion, row.Key)) << row.Key;
    }
}

}  // namespace
}  // namespace zarnik
