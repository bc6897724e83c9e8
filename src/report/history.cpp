#include "report/history.h"

#include <string_view>
#include <utility>

#include "report/header.h"
#include "report/kind_words.h"
#include "report/report.h"
#include "report/result_rows.h"
#include "report/text_printer.h"
#include "text/sjis.h"

namespace zarnik::report {

namespace {

// The kinds a commit's rows show, in report order, then the grand total.
template <class Fn>
void ForEachRow(const ReportTotals& totals, Fn fn) {
    for (std::size_t kind = 1; kind < totals.Kinds.size(); ++kind)
        if (totals.Kinds[kind].FileCount > 0) fn(static_cast<int>(kind), totals.Kinds[kind]);
    fn(RowKey::kGrand, totals.GrandTotal);
}

std::string JoinTags(const std::vector<std::string>& tags) {
    std::string joined;
    for (const std::string& tag : tags) joined.append(joined.empty() ? "" : " ").append(tag);
    return joined;
}

}  // namespace

std::string HistoryKindName(int kind) {
    if (kind == RowKey::kGrand) return "全ｿｰｽﾌｧｲﾙ";
    std::string_view label = WordsOfKind(kind).TotalsLabel;  // "□C･ｿｰｽ 合計"
    constexpr std::string_view kBox = "□", kSum = "合計";
    if (label.substr(0, kBox.size()) == kBox) label.remove_prefix(kBox.size());
    if (label.size() >= kSum.size() && label.substr(label.size() - kSum.size()) == kSum)
        label.remove_suffix(kSum.size());
    while (!label.empty() && label.back() == ' ') label.remove_suffix(1);
    return std::string(label);
}

void HistoryCsvPrinter::HeaderOnce() {
    if (std::exchange(headerWritten_, true)) return;
    out_.Write(
        CsvRow({"commit", "date", "tag", "kind", "files", "total", "exec", "comment", "blank"}, encoding_));
}

void HistoryCsvPrinter::Point(const HistoryPoint& point) {
    HeaderOnce();
    const std::string date = detail::IsoTime(point.Time), tags = JoinTags(point.Tags);
    ForEachRow(point.Totals, [&](int kind, const CountSum& sum) {
        out_.Write(CsvRow({point.Commit, date, tags, HistoryKindName(kind), std::to_string(sum.FileCount),
                           std::to_string(sum.Total), std::to_string(sum.Exec), std::to_string(sum.Comment),
                           std::to_string(sum.Blank)},
                          encoding_));
    });
}

void HistoryCsvPrinter::End() { HeaderOnce(); }

void HistoryJsonPrinter::Point(const HistoryPoint& point) {
    if (!std::exchange(opened_, true)) json_.BeginArray();
    const std::string date = detail::IsoTime(point.Time);
    ForEachRow(point.Totals, [&](int kind, const CountSum& sum) {
        json_.BeginObject();
        json_.Key("commit");
        json_.String(point.Commit);
        json_.Key("date");
        json_.String(date);
        json_.Key("tags");
        json_.BeginArray();
        for (const std::string& tag : point.Tags) json_.String(detail::PathText(tag));
        json_.End();
        json_.Key("kind");
        json_.String(HistoryKindName(kind));
        const std::pair<const char*, std::int64_t> figures[] = {{"files", sum.FileCount},
                                                                {"total", sum.Total},
                                                                {"exec", sum.Exec},
                                                                {"comment", sum.Comment},
                                                                {"blank", sum.Blank}};
        for (const auto& [key, value] : figures) {
            json_.Key(key);
            json_.Number(value);
        }
        json_.End();
    });
    out_.Write(json_.Take());
}

void HistoryJsonPrinter::End() {
    if (!std::exchange(opened_, true)) json_.BeginArray();
    json_.End();
    out_.Write(json_.Take());
}

HistoryTextPrinter::HistoryTextPrinter(LineSink& sink, const settings::Settings& cnf,
                                       const std::string& envName, std::time_t now, const std::string& target)
    : sink_(sink), layout_(ReportLayout::From(cnf)) {
    // The rows hold no file names: the name column keeps its narrowest width.
    OpenReport(sink_, FormatColumnHeader(layout_, 0), FormatHeadLine(layout_, envName, now),
               FormatRule(layout_, 1, 0), {text::Utf8ToSjis("履歴: ") + NativeToShownSjis(target)});
}

void HistoryTextPrinter::Point(const HistoryPoint& point) {
    std::string date = detail::IsoTime(point.Time);  // "2026-12-08T14:21:33+09:00"
    if (date.size() >= 19) date = date.substr(0, 10) + " " + date.substr(11, 8);
    static const std::string label = text::Utf8ToSjis("ｺﾐｯﾄ ");
    std::string line = label + point.Commit.substr(0, 12) + "  " + date;
    for (const std::string& tag : point.Tags) line += "  " + NativeToShownSjis(tag);
    sink_.Line("");
    sink_.Line(line);
    WriteClosingBlock(layout_, point.Totals, 0, [this](const std::string& l) { sink_.Line(l); });
}

}  // namespace zarnik::report
