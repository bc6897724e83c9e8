#include "report/header.h"

#include <gtest/gtest.h>

#include "report/report.h"
#include "run/count_options.h"
#include "test_util.h"

namespace zarnik::report {
namespace {

using settings::MakeDefaultSettings;
using settings::Settings;
using zarnik::testing::Sj;

std::time_t Local(int year, int month, int day, int hour, int minute) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_isdst = -1;
    return std::mktime(&tm);
}

const std::time_t kSunday = Local(1999, 9, 5, 9, 5);

std::vector<std::string> SplitCrLf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    for (;;) {
        std::size_t end = text.find("\r\n", pos);
        lines.push_back(text.substr(pos, end - pos));
        if (end == std::string::npos) return lines;
        pos = end + 2;
    }
}

TEST(HeaderDate, MonthAndDayAlwaysTakeTwoColumns) {
    EXPECT_EQ(FormatHeaderDate(kSunday), Sj("1999年９月５日(日)   9時 5分"));
    EXPECT_EQ(FormatHeaderDate(Local(2026, 12, 31, 0, 0)), Sj("2026年12月31日(木)   0時 0分"));
    EXPECT_EQ(FormatHeaderDate(Local(2000, 10, 1, 23, 59)), Sj("2000年10月１日(日)  23時59分"));
    EXPECT_EQ(FormatSampleTime(Local(2026, 1, 2, 3, 4)), "26-01-02 03:04");
    EXPECT_EQ(FullWidthDigits(-1207), Sj("－１２０７"));
    EXPECT_EQ(FullWidthDigits(0), Sj("０"));
}

TEST(HeadLine, NameAndDateEachOnlyWhenExactlyOne) {
    Settings cnf = MakeDefaultSettings();
    std::string env = Sj("開発環境(1)");
    EXPECT_EQ(FormatHeadLine(ReportLayout::From(cnf), env, kSunday),
              Sj("【開発環境(1)】  1999年９月５日(日)   9時 5分"));
    cnf.HeaderShowsEnvName = 0;
    EXPECT_EQ(FormatHeadLine(ReportLayout::From(cnf), env, kSunday), Sj("1999年９月５日(日)   9時 5分"));
    cnf.HeaderShowsDate = 2;
    EXPECT_EQ(FormatHeadLine(ReportLayout::From(cnf), env, kSunday), "");
    cnf.HeaderShowsEnvName = 1;
    EXPECT_EQ(FormatHeadLine(ReportLayout::From(cnf), env, kSunday), Sj("【開発環境(1)】"));
}

TEST(Preview, DefaultSettingsGiveFiveLines) {
    Settings cnf = MakeDefaultSettings();
    std::vector<std::string> expected = {
        Sj("【開発環境名】  1999年９月５日(日)   9時 5分"),
        std::string(88, '-'),
        Sj("ファイル名    ﾀｲﾑｽﾀﾝﾌﾟ                ｻｲｽﾞ 種別  総行数  ｺﾒﾝﾄ行  実行数  空行数   ｺﾒﾝﾄ率"),
        std::string(88, '-'),
        Sj("PELORAND.C    99-09-05 09:05     1,234,567 C      10000    3000    6800     200  30.00％"),
    };
    EXPECT_EQ(SplitCrLf(BuildPreviewText(cnf, run::CountOptionsFrom(cnf), kSunday)), expected);
}

TEST(Preview, FollowsTheOptionsOfTheWorkingCopy) {
    Settings cnf = MakeDefaultSettings();
    cnf.HeaderShowsEnvName = 0;
    cnf.HeaderShowsDate = 0;
    cnf.FolderLines = 1;
    cnf.SizeUnit = 1;
    auto lines = SplitCrLf(BuildPreviewText(cnf, run::CountOptionsFrom(cnf), kSunday));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], std::string(88, '-'));
    EXPECT_EQ(lines[3], "[/Zrnk/src]" + std::string(77, '-'));
    EXPECT_EQ(lines[4].substr(29, 13), "   1,205.63KB");
    cnf.SizeUnit = 2;
    EXPECT_EQ(SplitCrLf(BuildPreviewText(cnf, run::CountOptionsFrom(cnf), kSunday))[4].substr(29, 13),
              "       1.18MB");

    struct Case {
        int kgCmt, kgNon, total, comment;
        const char* ratio;
    } cases[] = {{1, 0, 10000, 3200, "32.00"}, {0, 1, 9800, 3000, "30.61"}, {1, 1, 9800, 3200, "32.65"}};
    for (const auto& c : cases) {
        Settings k = MakeDefaultSettings();
        k.BlankLinesAsComment = c.kgCmt;
        k.BlankLinesOutOfTotal = c.kgNon;
        engine::FileCounts rec = MakeSampleRecord(run::CountOptionsFrom(k), kSunday);
        EXPECT_EQ(rec.Total, c.total);
        EXPECT_EQ(rec.Comment, c.comment);
        EXPECT_EQ(rec.Exec, 6800);
        std::string last = SplitCrLf(BuildPreviewText(k, run::CountOptionsFrom(k), kSunday)).back();
        EXPECT_EQ(last.substr(last.size() - 7), std::string(c.ratio) + Sj("％"));
    }
}

TEST(Preview, SampleNameAndKindFollowTheSourceKindMode) {
    Settings cnf = MakeDefaultSettings();
    const char* names[] = {"PELORAND.C", "PELORAND.cpp", "PELORAND.ASM", "Pelorand.java",
                           "PELORAND.C", "pelorand.sql", "pelorand.bas", "????????.???"};
    const char* kinds[] = {"C   ", "C   ", "ASM ", "Java", "C   ", "SQL ", "BAS ", "??? "};
    for (int mode = 0; mode <= 7; ++mode) {
        cnf.CounterChoice = mode;
        engine::FileCounts rec = MakeSampleRecord(run::CountOptionsFrom(cnf), kSunday);
        EXPECT_EQ(rec.Name, names[mode]) << mode;
        EXPECT_EQ(KindColumnText(rec), kinds[mode]) << mode;
    }
    cnf.CounterChoice = 0;
    cnf.ExtensionPatterns[1] = "*.cpp";  // ".c" no longer in any list
    settings::RebuildExtensionLists(cnf);
    EXPECT_EQ(KindColumnText(MakeSampleRecord(run::CountOptionsFrom(cnf), kSunday)), "??? ");
}

}  // namespace
}  // namespace zarnik::report
