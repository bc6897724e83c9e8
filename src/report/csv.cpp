#include "report/csv.h"

#include <initializer_list>

#include "report/change.h"
#include "report/kind_words.h"
#include "report/report.h"
#include "text/sjis.h"

namespace zarnik::report {

namespace {

// A cell a spreadsheet would take as a formula (= + - @, or a tab or CR before
// one) and run when the file is opened: a file name is data, so such a cell gets
// a leading "'" and shows as text.
bool RunsAsFormula(std::string_view field) {
    return !field.empty() && std::string_view("=+-@\t\r").find(field.front()) != std::string_view::npos;
}

bool NeedsQuotes(std::string_view field) {
    for (char ch : field) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ',' || c == '"' || c < 0x20 || c == 0x7F) return true;
    }
    return false;
}

// A field holding a separator, a quote, a line break or any other control byte is
// quoted, its quotes doubled, so that a name holding one reads back as it is.
void AppendField(std::string& row, std::string_view field) {
    if (!row.empty()) row.push_back(',');
    const bool formula = RunsAsFormula(field);
    if (!NeedsQuotes(field)) {
        if (formula) row.push_back('\'');
        row.append(field);
        return;
    }
    row.push_back('"');
    if (formula) row.push_back('\'');
    for (char c : field) {
        if (c == '"') row.push_back('"');
        row.push_back(c);
    }
    row.push_back('"');
}

// Rows are made in UTF-8 and leave in the chosen encoding.
std::string Finish(std::string row, CsvEncoding encoding) {
    if (encoding == CsvEncoding::Utf8) return row.append("\n");
    return text::Utf8ToSjis(row).append("\r\n");
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

std::string CsvRow(std::initializer_list<std::string_view> fields, CsvEncoding encoding) {
    return Row(fields, encoding);
}

std::string CsvHeader(CsvEncoding encoding) {
    return Row({"区分", "パス", "フォルダ", "ファイル名", "ﾀｲﾑｽﾀﾝﾌﾟ", "ｻｲｽﾞ", "種別", "総行数", "ｺﾒﾝﾄ行",
                "実行数", "空行数", "ｺﾒﾝﾄ率", "状態", "ﾌｧｲﾙ数"},
               encoding);
}

std::string CsvFileRow(const std::string& nativePath, const engine::FileCounts& rec, CsvEncoding encoding) {
    const std::string path = detail::PathText(nativePath);
    const std::string kind = detail::KindWord(KindColumnText(rec));
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
        rows += TotalsRow({k, false}, detail::KindWord(WordsOfKind(k).Column),
                          totals.Kinds[static_cast<std::size_t>(k)], encoding);
    rows += TotalsRow({RowKey::kGrand, false}, "", totals.GrandTotal, encoding);
    return rows;
}

void CsvPrinter::HeaderOnce() {
    if (!headerWritten_) out_.Write(CsvHeader(encoding_));
    headerWritten_ = true;
}

void CsvPrinter::FileCounted(const std::string& nativePath, const engine::FileCounts& rec) {
    if (!ShowsRecord(errorRows_, rec)) return;
    HeaderOnce();
    out_.Write(CsvFileRow(nativePath, rec, encoding_));
}

void CsvPrinter::Totals(const ReportTotals& totals) {
    HeaderOnce();
    out_.Write(CsvTotalsRows(totals, encoding_));
}

std::string FormatCsv(const ResultRows& rows, CsvEncoding encoding) {
    std::string out = CsvHeader(encoding);
    rows.ForEachFile([&](const std::string& path, const engine::FileCounts& rec) {
        out += CsvFileRow(path, rec, encoding);
    });
    out += CsvTotalsRows(rows.Totals(), encoding);
    return out;
}

namespace {

void AppendFigureFields(std::string& row, const ChangeFigures& f) {
    for (std::int64_t n : {f.Added, f.Changed, f.Deleted}) AppendField(row, Number(n));
}

std::string ChangeRow(std::string_view path, std::string_view status, std::string_view kind,
                      const ChangeFigures* figures, std::string_view message, const ChangeSums* sums,
                      CsvEncoding encoding) {
    std::string row;
    AppendField(row, path);
    AppendField(row, status);
    AppendField(row, kind);
    for (int i = 0; i < 3; ++i) {
        if (figures)
            AppendFigureFields(row, figures[i]);
        else
            for (int j = 0; j < 3; ++j) AppendField(row, "");
    }
    AppendField(row, message);
    for (std::int64_t n : sums ? sums->Files : std::array<std::int64_t, kChangeStatusCount>{})
        AppendField(row, sums ? Number(n) : "");
    return Finish(std::move(row), encoding);
}

std::string ChangeTotalsRow(RowKey key, std::string_view kindWord, const ChangeSums& sum,
                            CsvEncoding encoding) {
    const ChangeFigures figures[3] = {sum.Exec, sum.Comment, sum.Blank};
    return ChangeRow(detail::TotalsLabelText(key), key.Kind == RowKey::kGrand ? "総合計" : "合計", kindWord,
                     figures, "", &sum, encoding);
}

}  // namespace

std::string FormatChangeCsv(const ChangeRows& rows, CsvEncoding encoding) {
    std::string out = Row(
        {"パス", "状態", "種別", "実行追加", "実行変更", "実行削除", "ｺﾒﾝﾄ追加", "ｺﾒﾝﾄ変更", "ｺﾒﾝﾄ削除",
         "空行追加", "空行変更", "空行削除", "ﾒｯｾｰｼﾞ", "新規数", "削除数", "変更なし数", "変更数", "除外数"},
        encoding);
    if (!rows.OldTarget().empty() || !rows.NewTarget().empty()) {
        out += ChangeRow(detail::PathText(rows.OldTarget()), "旧ﾊﾞｰｼﾞｮﾝ", "", nullptr, "", nullptr, encoding);
        out += ChangeRow(detail::PathText(rows.NewTarget()), "新ﾊﾞｰｼﾞｮﾝ", "", nullptr, "", nullptr, encoding);
    }
    for (const ChangeRecord& rec : rows.Files()) {
        const ChangeFigures figures[3] = {rec.Exec, rec.Comment, rec.Blank};
        const bool skipped = rec.Status == ChangeStatus::Skipped;
        out += ChangeRow(detail::PathText(rec.NativePath), text::SjisToUtf8(ChangeStatusText(rec.Status)),
                         detail::KindWord(WordsOfKind(rec.NameKind).Column), skipped ? nullptr : figures,
                         detail::MessageText(StatusText(rec.Reason)), nullptr, encoding);
    }
    const ChangeTotals& totals = rows.Totals();
    for (int k : ChangeKindsWithFiles(totals))
        out += ChangeTotalsRow({k, false}, detail::KindWord(WordsOfKind(k).Column),
                               totals.Kinds[static_cast<std::size_t>(k)], encoding);
    out += ChangeTotalsRow({RowKey::kGrand, false}, "", totals.GrandTotal, encoding);
    return out;
}

}  // namespace zarnik::report
