#include "report/csv.h"

#include <initializer_list>

#include "engine/source_kind.h"
#include "text/sjis.h"

namespace zarnik::report {

namespace {

// A field holding a separator, a quote or a line break is quoted, its quotes doubled.
void AppendField(std::string& row, std::string_view field) {
    if (!row.empty()) row.push_back(',');
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        row.append(field);
        return;
    }
    row.push_back('"');
    for (char c : field) {
        if (c == '"') row.push_back('"');
        row.push_back(c);
    }
    row.push_back('"');
}

// Rows are made in UTF-8 and leave in the chosen encoding.
std::string Finish(std::string row, CsvEncoding encoding) {
    if (encoding == CsvEncoding::Utf8) return row + "\n";
    return text::Utf8ToSjis(row) + "\r\n";
}

std::string Row(std::initializer_list<std::string_view> fields, CsvEncoding encoding) {
    std::string row;
    for (std::string_view f : fields) AppendField(row, f);
    return Finish(std::move(row), encoding);
}

std::string Number(std::int64_t n) { return std::to_string(n); }

std::string TotalsRow(RowKey key, std::string_view kindWord, const CountSum& sum, CsvEncoding encoding) {
    const std::string files = Number(sum.FileCount);
    return Row({key.Kind == RowKey::kGrand ? "総合計" : "合計", "", "", detail::TotalsLabelText(key), "",
                Number(sum.Size), kindWord, Number(sum.Total), Number(sum.Comment), Number(sum.Exec),
                Number(sum.Blank), detail::RatioText(sum.Ratio), "", files},
               encoding);
}

}  // namespace

std::string CsvHeader(CsvEncoding encoding) {
    return Row({"区分", "パス", "フォルダ", "ファイル名", "ﾀｲﾑｽﾀﾝﾌﾟ", "ｻｲｽﾞ", "種別", "総行数", "ｺﾒﾝﾄ行",
                "実行数", "空行数", "ｺﾒﾝﾄ率", "状態", "ﾌｧｲﾙ数"},
               encoding);
}

std::string CsvFileRow(const std::string& nativePath, const engine::S_CMT& rec, CsvEncoding encoding) {
    const std::string path = detail::PathText(nativePath);
    const std::string kind = detail::KindWord(rec.KindText);
    const std::string time = detail::IsoTime(rec.MTime), size = Number(rec.Size);
    if (rec.Status != engine::FileStatus::Counted)
        return Row({"ﾌｧｲﾙ", path, detail::FolderOf(path), detail::NameOf(path), time, size, kind, "", "", "",
                    "", "", detail::StatusMessage(rec.Status), ""},
                   encoding);
    return Row(
        {"ﾌｧｲﾙ", path, detail::FolderOf(path), detail::NameOf(path), time, size, kind, Number(rec.Total),
         Number(rec.Comment), Number(rec.Exec), Number(rec.Blank), detail::RatioText(rec.Ratio), "", ""},
        encoding);
}

std::string CsvTotalsRows(const ReportTotals& totals, CsvEncoding encoding) {
    std::string rows;
    for (int k : KindsWithFiles(totals))
        rows += TotalsRow({k, false}, detail::KindWord(engine::KindTable(k).KindText),
                          totals.Kinds[static_cast<std::size_t>(k)], encoding);
    rows += TotalsRow({RowKey::kGrand, false}, "", totals.GrandTotal, encoding);
    return rows;
}

std::string FormatCsv(const ResultRows& rows, CsvEncoding encoding) {
    std::string out = CsvHeader(encoding);
    for (const FileRow& f : rows.Files()) out += CsvFileRow(f.NativePath, f.Rec, encoding);
    out += CsvTotalsRows(rows.Totals(), encoding);
    return out;
}

}  // namespace zarnik::report
