#include "report/header.h"

#include <cstdio>

#include "engine/count.h"
#include "engine/source_kind.h"
#include "report/kind_words.h"
#include "report/report.h"
#include "text/sjis.h"

namespace zarnik::report {

namespace {

std::tm LocalTime(std::time_t t) {
    std::tm tm{};
    if (!localtime_r(&t, &tm)) tm = std::tm{};
    return tm;
}

std::string TwoColumns(int n) { return n < 10 ? FullWidthDigits(n) : std::to_string(n); }

}  // namespace

std::string FullWidthDigits(long long number) {
    static const std::string minus = text::Utf8ToSjis("－");
    static const std::string zero = text::Utf8ToSjis("０");  // "０" to "９" share a lead byte
    std::string out;
    for (char c : std::to_string(number)) {
        if (c == '-') {
            out += minus;
        } else {
            out.push_back(zero[0]);
            out.push_back(static_cast<char>(zero[1] + (c - '0')));
        }
    }
    return out;
}

std::string FormatHeaderDate(std::time_t now) {
    static const std::string year = text::Utf8ToSjis("年"), month = text::Utf8ToSjis("月"),
                             day = text::Utf8ToSjis("日"), hour = text::Utf8ToSjis("時"),
                             minute = text::Utf8ToSjis("分"), weekdays = text::Utf8ToSjis("日月火水木金土");
    std::tm tm = LocalTime(now);
    std::string s = std::to_string(tm.tm_year + 1900) + year + TwoColumns(tm.tm_mon + 1) + month +
                    TwoColumns(tm.tm_mday) + day + "(" +
                    weekdays.substr(static_cast<std::size_t>(tm.tm_wday) * 2, 2) + ")  ";
    char buf[8];
    std::snprintf(buf, sizeof buf, "%2d", tm.tm_hour);
    s += buf + hour;
    std::snprintf(buf, sizeof buf, "%2d", tm.tm_min);
    s += buf + minute;
    return s;
}

std::string FormatSampleTime(std::time_t now) { return FormatFileTime(static_cast<std::int64_t>(now)); }

std::string FormatHeadLine(const ReportLayout& layout, const std::string& envName, std::time_t now) {
    static const std::string open = text::Utf8ToSjis("【"), close = text::Utf8ToSjis("】");
    std::string head;
    if (layout.EnvNameInHead) head = open + envName + close;
    if (layout.DateInHead) {
        if (!head.empty()) head += "  ";
        head += FormatHeaderDate(now);
    }
    return head;
}

engine::FileCounts MakeSampleRecord(const engine::CountOptions& opt, std::time_t now) {
    engine::FileCounts rec;
    rec.Status = engine::FileStatus::Counted;
    // A mode that names a language shows a file of that language; the modes that go
    // by the extension or the guess a C source.
    if (opt.Mode == engine::SourceMode::None)
        rec.Name = "????????.???";
    else if (engine::SourceKind language = engine::ForcedLanguage(opt.Mode))
        rec.Name = WordsOfKind(language).SampleName;
    else
        rec.Name = "PELORAND.C";
    rec.MTime = static_cast<std::int64_t>(now);
    rec.Size = 1234567;
    rec.NameKind = engine::ShownKind(opt, rec.Name);
    rec.Total = 10000;
    rec.Comment = 3000;
    rec.Exec = 0;
    rec.Blank = 200;
    rec.Ratio = 0;
    engine::FinishCounts(opt, rec);
    return rec;
}

std::string BuildPreviewText(const settings::Settings& cnf, const engine::CountOptions& opt,
                             std::time_t now) {
    static const std::string placeholder = text::Utf8ToSjis("開発環境名");
    static const std::string sampleFolder = "[/Zrnk/src]";
    constexpr int kNameLength = 13;
    const std::string crlf = "\r\n";
    const ReportLayout layout = ReportLayout::From(cnf);

    std::string head = FormatHeadLine(layout, placeholder, now);
    if (!head.empty()) head += crlf;
    std::string rule = FormatRule(layout, 1, kNameLength);
    const auto ruleLength = static_cast<std::ptrdiff_t>(rule.size());
    rule += crlf;
    std::string folder;
    if (layout.FolderLines)
        folder = text::RepeatText(sampleFolder, "-",
                                  ruleLength - static_cast<std::ptrdiff_t>(sampleFolder.size())) +
                 crlf;
    return head + rule + FormatColumnHeader(layout, kNameLength) + crlf + rule + folder +
           FormatFileLine(layout, MakeSampleRecord(opt, now), kNameLength);
}

}  // namespace zarnik::report
