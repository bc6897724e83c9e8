#include "report/report.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "engine/source_kind.h"
#include "report/kind_words.h"
#include "report/number_format.h"
#include "text/sjis.h"

namespace zarnik::report {

namespace {

// Shift-JIS of a fixed text, made once per call site.
#define ZRNK_REPORT_SJ(utf8)                                         \
    ([]() -> const std::string& {                                    \
        static const std::string converted = text::Utf8ToSjis(utf8); \
        return converted;                                            \
    }())

const std::string& Title(Column c) {
    static const auto titles = [] {
        std::array<std::string, kColumnCount> t;
        for (const ColumnDef& d : Columns())
            t[static_cast<std::size_t>(d.Id)] = text::Utf8ToSjis(d.TitleUtf8);
        return t;
    }();
    return titles[static_cast<std::size_t>(c)];
}

void AppendCount(std::string& line, std::int64_t n) {
    line.push_back(' ');
    AppendInt(line, n, 7);
}

}  // namespace

const std::array<ColumnDef, kColumnCount>& Columns() {
    static constexpr std::array<ColumnDef, kColumnCount> kColumns{{
        {Column::Size, 13, "         ｻｲｽﾞ", &settings::Settings::ShowSize},
        {Column::Kind, 5, " 種別", &settings::Settings::ShowKind},
        {Column::Total, 8, "  総行数", &settings::Settings::ShowTotal},
        {Column::Comment, 8, "  ｺﾒﾝﾄ行", &settings::Settings::ShowComment},
        {Column::Exec, 8, "  実行数", &settings::Settings::ShowExec},
        {Column::Blank, 8, "  空行数", &settings::Settings::ShowBlank},
        {Column::Ratio, 9, "   ｺﾒﾝﾄ率", &settings::Settings::ShowRatio},
    }};
    return kColumns;
}

// A column shows unless its switch holds 0; the other switches are on only when
// they hold exactly 1.
ReportLayout ReportLayout::From(const settings::Settings& cnf) {
    ReportLayout l;
    for (const ColumnDef& c : Columns()) l.Shown[static_cast<std::size_t>(c.Id)] = cnf.*c.Switch != 0;
    l.Unit =
        (cnf.SizeUnit >= 0 && cnf.SizeUnit <= 2) ? static_cast<SizeUnit>(cnf.SizeUnit) : SizeUnit::Unknown;
    l.EnvNameInHead = cnf.HeaderShowsEnvName == 1;
    l.DateInHead = cnf.HeaderShowsDate == 1;
    l.FolderLines = cnf.FolderLines == 1;
    l.FolderSums = cnf.FolderSubtotals == 1;
    l.ErrorLines = cnf.ErrorLines == 1;
    l.SortByPath = cnf.SortFiles == 1;
    return l;
}

int NameWidth(int maxNameLength) { return std::max(12, maxNameLength); }

std::string FormatColumnHeader(const ReportLayout& layout, int maxNameLength) {
    std::string h = text::PadRight(ZRNK_REPORT_SJ("ファイル名"), NameWidth(maxNameLength) + 1);
    h += ZRNK_REPORT_SJ("ﾀｲﾑｽﾀﾝﾌﾟ       ");
    for (const ColumnDef& c : Columns())
        if (layout.Has(c.Id)) h += Title(c.Id);
    return h;
}

const std::string& StatusText(engine::FileStatus status) {
    static const std::string texts[] = {
        "",
        text::Utf8ToSjis(" 対象外のファイルです。"),
        text::Utf8ToSjis(" ソースファイルではありません。"),
        text::Utf8ToSjis(" ソースファイルとして不適切です。"),
        text::Utf8ToSjis(" 認識できませんでした。"),
        text::Utf8ToSjis(" ファイルが存在しません。"),
    };
    const auto i = static_cast<std::int32_t>(status);
    return texts[(i >= 1 && i <= 5) ? i : 0];
}

std::string FormatRatioColumn(float ratio) {
    std::string s;
    AppendRatioColumn(s, ratio);
    return s;
}

void AppendRatioColumn(std::string& line, float ratio) {
    line.append("  ");
    AppendFloat(line, ratio, 2, false, 5);
    line += ZRNK_REPORT_SJ("％");
}

std::string FormatFileLine(const ReportLayout& layout, const engine::FileCounts& rec, int maxNameLength) {
    std::string line;
    FormatFileLine(line, layout, rec, maxNameLength);
    return line;
}

void FormatFileLine(std::string& line, const ReportLayout& layout, const engine::FileCounts& rec,
                    int maxNameLength) {
    line.assign(rec.Name);
    if (const auto width = static_cast<std::size_t>(NameWidth(maxNameLength)) + 1; line.size() < width)
        line.resize(width, ' ');
    AppendFileTime(line, rec.MTime);
    line.push_back(' ');
    if (layout.Has(Column::Size)) AppendSize(line, static_cast<int>(layout.Unit), 13, rec.Size);
    if (layout.Has(Column::Kind)) {
        const std::string_view kind = KindColumnText(rec);
        line.push_back(' ');
        line += kind;
        if (kind.size() < 4) line.append(4 - kind.size(), ' ');
    }
    if (rec.Status != engine::FileStatus::Counted) {
        line += StatusText(rec.Status);
        return;
    }
    if (layout.Has(Column::Total)) AppendCount(line, rec.Total);
    if (layout.Has(Column::Comment)) AppendCount(line, rec.Comment);
    if (layout.Has(Column::Exec)) AppendCount(line, rec.Exec);
    if (layout.Has(Column::Blank)) AppendCount(line, rec.Blank);
    if (layout.Has(Column::Ratio)) AppendRatioColumn(line, rec.Ratio);
}

void AppendFileTime(std::string& line, std::int64_t mtime) {
    // Files of a tree mostly share the minute shown (a checkout, a build): the
    // text of the last local minute formatted on this thread serves every time
    // inside that minute, which is found from the seconds localtime gave.
    constexpr std::size_t kLength = 14;                      // "yy-mm-dd hh:nn"
    thread_local std::int64_t minuteFrom = 1, minuteTo = 0;  // [from, to): empty at first
    thread_local char text[kLength + 1] = "00-00-00 00:00";
    if (mtime < minuteFrom || mtime >= minuteTo) {
        const auto t = static_cast<std::time_t>(mtime);
        std::tm tm{};
        if (!localtime_r(&t, &tm)) {
            line.append("00-00-00 00:00");
            return;
        }
        const int yy = ((tm.tm_year + 1900) % 100 + 100) % 100;
        char buf[32];
        std::snprintf(buf, sizeof buf, "%02d-%02d-%02d %02d:%02d", yy, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                      tm.tm_min);
        std::memcpy(text, buf, kLength);
        // A leap second (tm_sec 60) leaves the minute's second 60 out, never more.
        minuteFrom = mtime - tm.tm_sec;
        minuteTo = minuteFrom + 60;
    }
    line.append(text, kLength);
}

std::string FormatFileTime(std::int64_t mtime) {
    std::string text;
    AppendFileTime(text, mtime);
    return text;
}

std::string_view KindColumnText(const engine::FileCounts& rec) { return WordsOfKind(rec.NameKind).Column; }

std::string FormatRule(const ReportLayout& layout, int style, int maxNameLength) {
    std::ptrdiff_t n = NameWidth(maxNameLength) + 16;
    for (const ColumnDef& c : Columns())
        if (layout.Has(c.Id)) n += c.Width;
    return std::string(static_cast<std::size_t>(n), style == 1 ? '-' : '=');
}

std::string FormatSize(int unit, int width, std::int64_t bytes) {
    std::string s;
    AppendSize(s, unit, width, bytes);
    return s;
}

void AppendSize(std::string& line, int unit, int width, std::int64_t bytes) {
    // Single precision after each step, as the column has always shown sizes.
    const float value = static_cast<float>(bytes);
    switch (unit) {
        case 0:
            AppendFloat(line, value, 0, true, width);
            return;
        case 1:
            AppendFloat(line, value / 1024.0f, 2, true, width - 2);
            line += "KB";
            return;
        case 2: {
            const float kb = value / 1024.0f;
            AppendFloat(line, kb / 1024.0f, 2, true, width - 2);
            line += "MB";
            return;
        }
        default:
            if (width > 0) line.append(static_cast<std::size_t>(width), ' ');
            return;
    }
}

}  // namespace zarnik::report
