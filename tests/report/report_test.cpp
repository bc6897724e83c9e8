#include "report/report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <string_view>

#include "engine/source_kind.h"
#include "report/kind_words.h"
#include "report/number_format.h"
#include "test_util.h"

namespace zarnik::report {
namespace {

using settings::MakeDefaultSettings;
using settings::Settings;
using zarnik::testing::Sj;

// The file time a report shows as "yy-mm-dd hh:nn" (19yy), in local time.
std::int64_t TimeOf(const char* shown) {
    std::tm tm{};
    std::sscanf(shown, "%d-%d-%d %d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour, &tm.tm_min);
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

// The kind whose column word is shown ("C   ").
int KindOf(const char* shown) {
    for (int k = 0; k < settings::kKindCount; ++k)
        if (std::string_view(WordsOfKind(k).Column) == shown) return k;
    return engine::NoKind;
}

engine::FileCounts Record(const char* name, const char* time, std::int64_t size, const char* kind, int total,
                          int comment, int exec, int blank, float ratio, int status = 0) {
    engine::FileCounts r;
    r.Status = static_cast<engine::FileStatus>(status);
    r.Name = name;
    r.MTime = TimeOf(time);
    r.Size = size;
    r.NameKind = KindOf(kind);
    r.Total = total;
    r.Comment = comment;
    r.Exec = exec;
    r.Blank = blank;
    r.Ratio = ratio;
    return r;
}

void AllOptionalColumnsOff(Settings& cnf) {
    for (int c = 3; c <= 9; ++c) cnf.Column(c) = 0;
}

TEST(FileLine, CountLineAndErrorLineUnderTheirHeader) {
    Settings cnf = MakeDefaultSettings();
    EXPECT_EQ(FormatColumnHeader(ReportLayout::From(cnf), 13),
              Sj("ファイル名    ﾀｲﾑｽﾀﾝﾌﾟ                ｻｲｽﾞ 種別  総行数  ｺﾒﾝﾄ行  実行数  空行数   ｺﾒﾝﾄ率"));
    std::string line =
        FormatFileLine(ReportLayout::From(cnf),
                       Record("MAIN.C", "99-12-01 10:00", 1234, "C   ", 100, 20, 70, 10, 20.0f), 13);
    EXPECT_EQ(line,
              Sj("MAIN.C        99-12-01 10:00         1,234 C        100      20      70      10  20.00％"));
    EXPECT_EQ(line.size(), 88u);
    EXPECT_EQ(FormatRule(ReportLayout::From(cnf), 1, 13), std::string(88, '-'));
    EXPECT_EQ(FormatRule(ReportLayout::From(cnf), 2, 13), std::string(88, '='));
    EXPECT_EQ(FormatRule(ReportLayout::From(cnf), 7, 13), std::string(88, '='));
    EXPECT_EQ(FormatColumnHeader(ReportLayout::From(cnf), 13).size(), 88u);
    EXPECT_EQ(FormatFileLine(ReportLayout::From(cnf),
                             Record("README.TXT", "99-11-30 09:05", 2048, "??? ", 0, 0, 0, 0, 0, 1), 13),
              Sj("README.TXT    99-11-30 09:05         2,048 ???  対象外のファイルです。"));
}

TEST(FileLine, EveryStatusHasItsMessageAndUnknownOnesNone) {
    Settings cnf = MakeDefaultSettings();
    AllOptionalColumnsOff(cnf);
    const char* messages[] = {" 対象外のファイルです。", " ソースファイルではありません。",
                              " ソースファイルとして不適切です。", " 認識できませんでした。",
                              " ファイルが存在しません。"};
    for (int st = 1; st <= 5; ++st)
        EXPECT_EQ(FormatFileLine(ReportLayout::From(cnf),
                                 Record("a.c", "99-11-30 09:05", 1, "C   ", 9, 9, 9, 9, 9, st), 13),
                  "a.c           99-11-30 09:05 " + Sj(messages[st - 1]));
    // Switches on or not, an unknown status ends the line after the kind column.
    Settings all = MakeDefaultSettings();
    EXPECT_EQ(FormatFileLine(ReportLayout::From(all),
                             Record("a.c", "99-11-30 09:05", 1, "C   ", 9, 9, 9, 9, 9, 7), 13),
              "a.c           99-11-30 09:05             1 C   ");  // 47 bytes
    EXPECT_EQ(FormatFileLine(ReportLayout::From(all),
                             Record("a.c", "99-11-30 09:05", 1, "C   ", 9, 9, 9, 9, 9, -1), 13)
                  .size(),
              47u);
}

TEST(FileLine, WidthsFollowTheLongestNameAndNeverCut) {
    Settings cnf = MakeDefaultSettings();
    auto rec = Record("a.c", "99-12-01 10:00", 1, "C   ", 1, 0, 1, 0, 0.0f);
    EXPECT_EQ(FormatFileLine(ReportLayout::From(cnf), rec, 20).size(), 95u);
    EXPECT_EQ(FormatColumnHeader(ReportLayout::From(cnf), 20).size(), 95u);
    EXPECT_EQ(FormatRule(ReportLayout::From(cnf), 1, 20).size(), 95u);
    EXPECT_EQ(FormatRule(ReportLayout::From(cnf), 1, 5).size(), 87u);  // never narrower than 12 + 1
    rec.Name = "abcdefghijklmnopqrstu";                                // 21 bytes, longer than the column
    EXPECT_EQ(FormatFileLine(ReportLayout::From(cnf), rec, 13).substr(0, 35),
              "abcdefghijklmnopqrstu99-12-01 10:00");
    rec.Name = Sj("日本語の名前.c");  // widths count Shift-JIS bytes
    EXPECT_EQ(FormatFileLine(ReportLayout::From(cnf), rec, 14).substr(0, 15), rec.Name + " ");

    AllOptionalColumnsOff(cnf);
    EXPECT_EQ(FormatColumnHeader(ReportLayout::From(cnf), 13), Sj("ファイル名    ﾀｲﾑｽﾀﾝﾌﾟ       "));
    EXPECT_EQ(FormatRule(ReportLayout::From(cnf), 1, 13).size(), 29u);
    rec.Name = "a.c";
    EXPECT_EQ(FormatFileLine(ReportLayout::From(cnf), rec, 13), "a.c           99-12-01 10:00 ");
}

TEST(FileLine, RatiosAndWideNumbersShiftTheRestOfTheLine) {
    Settings cnf = MakeDefaultSettings();
    for (int c : {3, 4, 5, 6, 7, 8}) cnf.Column(c) = 0;
    auto rec = Record("a.c", "99-12-01 10:00", 0, "C   ", 0, 0, 0, 0, 0.0f);
    EXPECT_EQ(FormatFileLine(ReportLayout::From(cnf), rec, 13),
              "a.c           99-12-01 10:00    0.00" + Sj("％"));
    rec.Ratio = 100.0f;
    EXPECT_EQ(FormatFileLine(ReportLayout::From(cnf), rec, 13),
              "a.c           99-12-01 10:00   100.00" + Sj("％"));
    rec.Ratio = 0.125f;
    EXPECT_EQ(FormatFileLine(ReportLayout::From(cnf), rec, 13),
              "a.c           99-12-01 10:00    0.13" + Sj("％"));
    cnf.ShowRatio = 0;
    cnf.ShowTotal = 1;
    rec.Total = 12345678;
    EXPECT_EQ(FormatFileLine(ReportLayout::From(cnf), rec, 13), "a.c           99-12-01 10:00  12345678");
}

TEST(Size, UnitsGroupsAndSinglePrecision) {
    EXPECT_EQ(FormatSize(0, 13, 1234), "        1,234");
    EXPECT_EQ(FormatSize(0, 13, 0), "            0");
    EXPECT_EQ(FormatSize(0, 13, 999), "          999");
    EXPECT_EQ(FormatSize(0, 13, 123456789), "  123,456,792");  // a 24-bit mantissa
    EXPECT_EQ(FormatSize(0, 13, 16777217), "   16,777,216");
    EXPECT_EQ(FormatSize(1, 13, 1234), "       1.21KB");  // 1.205078125, a tie rounded up
    EXPECT_EQ(FormatSize(1, 13, 0), "       0.00KB");
    EXPECT_EQ(FormatSize(1, 13, 1234567), "   1,205.63KB");
    EXPECT_EQ(FormatSize(2, 13, 1234567), "       1.18MB");
    EXPECT_EQ(FormatSize(2, 14, 5368709120), "    5,120.00MB");        // 5 GB
    EXPECT_EQ(FormatSize(0, 13, 5000000000000), "4,999,999,913,984");  // longer than the column: whole
    EXPECT_EQ(FormatSize(3, 13, 1234), std::string(13, ' '));
    EXPECT_EQ(FormatSize(-1, 14, 1234), std::string(14, ' '));
}

TEST(Decimals, HalvesRoundAwayFromZeroOnTheExactBinaryValue) {
    EXPECT_EQ(FormatFloat(0.125f, 2, false), "0.13");  // exact tie: printf gives 0.12
    EXPECT_EQ(FormatFloat(0.375f, 2, false), "0.38");
    EXPECT_EQ(FormatFloat(2.5f, 0, false), "3");
    EXPECT_EQ(FormatFloat(-0.125f, 2, false), "-0.13");
    EXPECT_EQ(FormatFloat(0.005f, 2, false), "0.00");     // just below 0.005 as a float
    EXPECT_EQ(FormatFloat(1.015f, 2, false), "1.01");     // 1.01499998...
    EXPECT_EQ(FormatFloat(1.025f, 2, false), "1.02");     // 1.02499997...
    EXPECT_EQ(FormatFloat(99.995f, 2, false), "100.00");  // 99.99500274...
    EXPECT_EQ(FormatFloat(0.0f, 2, false), "0.00");
    EXPECT_EQ(FormatFloat(-0.001f, 2, false), "0.00");
    EXPECT_EQ(FormatFloat(1234567.0f, 2, true), "1,234,567.00");
    EXPECT_EQ(FormatFloat(3.0e38f, 0, true).size(), 51u);  // 39 digits and 12 groups, no overflow
    EXPECT_EQ(FormatInt(-5, 7), "     -5");
    EXPECT_EQ(FormatInt(123456789, 7), "123456789");
}

TEST(FormatFileTime, TwoDigitFieldsInLocalTime) {
    EXPECT_EQ(FormatFileTime(0), "70-01-01 09:00");              // TZ is Asia/Tokyo in the tests
    EXPECT_EQ(FormatFileTime(4'102'444'799), "00-01-01 08:59");  // 2099-12-31 23:59:59 UTC
    EXPECT_EQ(FormatFileTime(-86400LL * 365), "69-01-01 09:00");
    // Times asked for one after another within and across a minute: before 1888
    // Tokyo's offset was 9:18:59, so a local minute starts 59 s into a UTC one.
    const std::pair<std::int64_t, const char*> inTurn[] = {{59, "70-01-01 09:00"},
                                                           {0, "70-01-01 09:00"},
                                                           {60, "70-01-01 09:01"},
                                                           {-1, "70-01-01 08:59"},
                                                           {-3'000'000'001, "74-12-08 03:58"},
                                                           {-3'000'000'000, "74-12-08 03:58"},
                                                           {-2'999'999'999, "74-12-08 03:59"},
                                                           {-2'999'999'940, "74-12-08 03:59"},
                                                           {-2'999'999'939, "74-12-08 04:00"}};
    for (auto [t, text] : inTurn) EXPECT_EQ(FormatFileTime(t), text) << t;
}

}  // namespace
}  // namespace zarnik::report
