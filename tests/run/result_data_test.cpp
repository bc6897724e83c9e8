// The csv and json results hold exactly the figures the text report prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "report/csv.h"
#include "report/json.h"
#include "run_test_util.h"

namespace zarnik::run {
namespace {

using settings::Settings;
using zarnik::testing::Sj;
using zarnik::testing::TempDir;
using Strings = std::vector<std::string>;

// The run's lines and its records, as zarnik-count and the desktop take them.
class DataRecorder : public testing::Recorder {
public:
    report::CountEvents& Printer() override { return both_; }
    report::ResultRows Rows;

private:
    report::CountEventsTee both_{Recorder::Printer(), Rows};
};

std::string NoCommas(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), ','), s.end());
    return s;
}

// "name|size|kind|total|comment|exec|blank|ratio" or "name|size|kind|message" per
// file line, "label|files|size|total|comment|exec|blank" per totals row and
// "label|size|total|comment|exec|blank|ratio" per average row, folder rows left out.
Strings FiguresOfText(const Strings& sjisLines) {
    static const std::regex file(R"(^(\S+) +\d\d-\d\d-\d\d \d\d:\d\d +([\d,]+) (\S+) +(.*)$)");
    static const std::regex counts(R"(^(\d+) +(\d+) +(\d+) +(\d+) +([\d.]+)％$)");
    static const std::regex total(R"(^(?:□|■)(.+合計) +(\d+)個 +([\d,]+) +(\d+) +(\d+) +(\d+) +(\d+) +-+$)");
    static const std::regex average(R"(^(?:□|■)(.+平均) +([\d,]+) +(\d+) +(\d+) +(\d+) +(\d+) +([\d.]+)％$)");
    Strings out;
    std::smatch m, c;
    for (const std::string& sjis : sjisLines) {
        const std::string line = text::SjisToUtf8(sjis);
        if (std::regex_match(line, m, file)) {
            std::string row = m[1].str() + "|" + NoCommas(m[2]) + "|" + m[3].str() + "|";
            const std::string rest = m[4];
            if (std::regex_match(rest, c, counts))
                row += c[1].str() + "|" + c[2].str() + "|" + c[3].str() + "|" + c[4].str() + "|" + c[5].str();
            else
                row += rest;
            out.push_back(row);
        } else if (std::regex_match(line, m, total)) {
            out.push_back(m[1].str() + "|" + m[2].str() + "|" + NoCommas(m[3]) + "|" + m[4].str() + "|" +
                          m[5].str() + "|" + m[6].str() + "|" + m[7].str());
        } else if (std::regex_match(line, m, average)) {
            out.push_back(m[1].str() + "|" + NoCommas(m[2]) + "|" + m[3].str() + "|" + m[4].str() + "|" +
                          m[5].str() + "|" + m[6].str() + "|" + m[7].str());
        }
    }
    return out;
}

Strings Split(const std::string& row, char sep) {
    Strings fields;
    std::stringstream ss(row);
    for (std::string f; std::getline(ss, f, sep);) fields.push_back(f);
    if (!row.empty() && row.back() == sep) fields.emplace_back();
    return fields;
}

// The same from the csv rows (no field of this tree needs quotes). Averages are no rows.
Strings FiguresOfCsv(const std::string& csv) {
    Strings out, rows = Split(csv, '\n');
    EXPECT_EQ(
        rows.at(0),
        "区分,パス,フォルダ,ファイル名,ﾀｲﾑｽﾀﾝﾌﾟ,ｻｲｽﾞ,種別,総行数,ｺﾒﾝﾄ行,実行数,空行数,ｺﾒﾝﾄ率,状態,ﾌｧｲﾙ数");
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (rows[i].empty()) continue;  // after the last line end
        Strings f = Split(rows[i], ',');
        EXPECT_EQ(f.size(), 14u) << rows[i];
        if (f.size() != 14) continue;
        if (f[0] == "ﾌｧｲﾙ")
            out.push_back(
                f[3] + "|" + f[5] + "|" + f[6] + "|" +
                (f[12].empty() ? f[7] + "|" + f[8] + "|" + f[9] + "|" + f[10] + "|" + f[11] : f[12]));
        else
            out.push_back(f[3] + "|" + f[13] + "|" + f[5] + "|" + f[7] + "|" + f[8] + "|" + f[9] + "|" +
                          f[10]);
    }
    return out;
}

std::string Ratio(const nlohmann::json& r) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", r.get<double>());
    return buf;
}

std::string Sums(const nlohmann::json& s) {
    return std::to_string(s["size"].get<long long>()) + "|" + std::to_string(s["total"].get<long long>()) +
           "|" + std::to_string(s["comment"].get<long long>()) + "|" +
           std::to_string(s["exec"].get<long long>()) + "|" + std::to_string(s["blank"].get<long long>());
}

Strings FiguresOfJson(const std::string& text) {
    const nlohmann::json j = nlohmann::json::parse(text);
    Strings out;
    for (const auto& f : j["files"]) {
        std::string row = f["name"].get<std::string>() + "|" + std::to_string(f["size"].get<long long>()) +
                          "|" + f["kind"].get<std::string>() + "|";
        if (f["status"] == "counted")
            row += Sums(f).substr(Sums(f).find('|') + 1) + "|" + Ratio(f["ratio"]);
        else
            row += f["message"].get<std::string>();
        out.push_back(row);
    }
    auto sums = [&](const nlohmann::json& s, const std::string& averageLabel) {
        out.push_back(s["label"].get<std::string>() + "|" + std::to_string(s["files"].get<long long>()) +
                      "|" + Sums(s));
        out.push_back(averageLabel + "|" + Sums(s["average"]) + "|" + Ratio(s["average"]["ratio"]));
    };
    for (const auto& k : j["kinds"]) {
        std::string label = k["label"];
        sums(k, label.substr(0, label.rfind("合計")) + "平均");
    }
    sums(j["total"], "全ｿｰｽﾌｧｲﾙ総平均");
    return out;
}

TEST(ResultData, CsvAndJsonHoldTheTextReportsFigures) {
    TempDir dir;
    const std::string code = "/* c */\nint a;\n\n// d\n";
    dir.Write("t/a.c", code);
    dir.Write("t/a.h", code);
    dir.Write("t/sub/Main.java", "/** doc\n * more\n */\nclass Main {}\n");
    dir.Write("t/sub/q.sql", "-- note\nselect 1 from dual;\n");
    dir.Write("t/sub/m.bas", "' note _\nx = 1\ny = 2\n\n");
    dir.Write("t/sub/s.asm", "; note\n mov ax, 1\n");
    dir.Write("t/sub/u8.c", "const char *s = \"\xE3\x81\x82\"; /* a\nb */\n");
    dir.Write("t/z/readme.txt", "text\n");                  // no counter takes it
    dir.Write("t/z/bin.c", std::string("x\0y\n", 4));       // not a source file
    dir.Write("t/z/long.c", std::string(600, 'x') + "\n");  // unfit
    for (int errorLines : {1, 0}) {
        SCOPED_TRACE(errorLines);
        Settings cnf = settings::MakeDefaultSettings();
        cnf.HeaderShowsDate = 0;
        cnf.FolderLines = cnf.FolderSubtotals = 1;
        cnf.ErrorLines = errorLines;
        DataRecorder host;
        ASSERT_EQ(testing::CountTargets({dir.str() + "/t"}, cnf, host).End, RunEnd::Finished);

        const Strings text = FiguresOfText(host.Lines);
        // Seven files are counted into six kinds; three are error lines when they show.
        EXPECT_EQ(text.size(), (errorLines ? 10u : 7u) + 2 * 6 + 2) << ::testing::PrintToString(text);
        Strings totalsOnly;
        std::copy_if(text.begin(), text.end(), std::back_inserter(totalsOnly),
                     [](const std::string& s) { return s.find("平均") == std::string::npos; });
        EXPECT_EQ(FiguresOfCsv(report::FormatCsv(host.Rows, report::CsvEncoding::Utf8)), totalsOnly);
        EXPECT_EQ(FiguresOfJson(report::FormatJson(host.Rows, cnf)), text);
    }
}

TEST(ResultData, NamesKeepTheirControlCharactersAndCsvCellsNeverRunAsFormulas) {
    // Only the fixed-width report shows control characters as "?"; the data names
    // the file. A csv cell that a spreadsheet would run as a formula starts with "'".
    TempDir dir;
    const Strings names{"=1+1.c", "+x.c",   "-x.c",       "@x.c",   "\tx.c",
                        "\rx.c",  "a\nb.c", "e\x1b[2J.c", "d\x7f.c"};
    for (const std::string& n : names) dir.Write("t/" + n, "int a;\n");
    Settings cnf = testing::Plain();
    DataRecorder host;
    ASSERT_EQ(testing::CountTargets({dir.str() + "/t"}, cnf, host).End, RunEnd::Finished);

    Strings shown = testing::FileNames(host.Lines);
    std::sort(shown.begin(), shown.end());
    EXPECT_EQ(shown, (Strings{"+x.c", "-x.c", "=1+1.c", "?x.c", "?x.c", "@x.c", "a?b.c", "d?.c", "e?[2J.c"}));

    Strings inJson;
    const nlohmann::json json = nlohmann::json::parse(report::FormatJson(host.Rows, cnf));
    for (const auto& f : json["files"]) inJson.push_back(f["name"].get<std::string>());
    Strings expected = names;
    std::sort(inJson.begin(), inJson.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(inJson, expected);

    const std::string csv = report::FormatCsv(host.Rows, report::CsvEncoding::Utf8);
    for (const char* cell : {",'=1+1.c,", ",'+x.c,", ",'-x.c,", ",'@x.c,", ",\"'\tx.c\",", ",\"'\rx.c\",",
                             ",\"a\nb.c\",", ",\"e\x1b[2J.c\",", ",\"d\x7f.c\","})
        EXPECT_NE(csv.find(cell), std::string::npos) << ::testing::PrintToString(std::string(cell));
    EXPECT_EQ(csv.find('?'), std::string::npos);
}

}  // namespace
}  // namespace zarnik::run
