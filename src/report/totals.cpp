#include "report/totals.h"

#include "engine/counter_generic.h"
#include "engine/source_kind.h"
#include "report/kind_words.h"
#include "report/number_format.h"
#include "report/report.h"
#include "text/sjis.h"

namespace zarnik::report {

const std::string& TotalsLabel(RowKey key) {
    // Each key's total label, then its average label: kinds 0..7, folder, whole run.
    constexpr int kLabelCount = 2 * (settings::kKindCount + 2);
    static const std::array<std::string, kLabelCount> labels = [] {
        std::array<std::string, kLabelCount> out;
        for (int k = 0; k < settings::kKindCount; ++k) {
            const auto at = 2 * static_cast<std::size_t>(k);
            out[at] = text::Utf8ToSjis(WordsOfKind(k).TotalsLabel);
            out[at + 1] = text::Utf8ToSjis(WordsOfKind(k).AverageLabel);
        }
        constexpr std::size_t kFolderAt = 2 * settings::kKindCount, kGrandAt = kFolderAt + 2;
        out[kFolderAt] = text::Utf8ToSjis("△ﾌｫﾙﾀﾞ内小計");
        out[kFolderAt + 1] = text::Utf8ToSjis("△ﾌｫﾙﾀﾞ内平均");
        out[kGrandAt] = text::Utf8ToSjis("■全ｿｰｽﾌｧｲﾙ総合計");
        out[kGrandAt + 1] = text::Utf8ToSjis("■全ｿｰｽﾌｧｲﾙ総平均");
        return out;
    }();
    static const std::string none;
    const std::size_t average = key.Average ? 1u : 0u;
    if (key.Kind == RowKey::kFolder) return labels[2 * settings::kKindCount + average];
    if (key.Kind == RowKey::kGrand) return labels[2 * settings::kKindCount + 2 + average];
    if (key.Kind >= 0 && key.Kind < settings::kKindCount)
        return labels[2 * static_cast<std::size_t>(key.Kind) + average];
    // A language of the table: its labels were made Shift-JIS when it was loaded.
    const auto& set = engine::InstalledLanguages();
    const auto index = static_cast<std::size_t>(engine::TableIndex(key.Kind));
    if (!set || key.Kind < settings::kKindCount || index >= set->TotalsLabels.size()) return none;
    return key.Average ? set->AverageLabels[index] : set->TotalsLabels[index];
}

void ClearCountSum(CountSum& sum) { sum = CountSum{}; }

void ClearTotals(ReportTotals& totals) { totals = ReportTotals{}; }

namespace {

void Add(CountSum& sum, const engine::FileCounts& rec) {
    sum.FileCount += 1;
    sum.Size += rec.Size;
    sum.Total += rec.Total;
    sum.Comment += rec.Comment;
    sum.Exec += rec.Exec;
    sum.Blank += rec.Blank;
}

void AppendCount(std::string& line, std::int64_t n) {
    line.push_back(' ');
    line += FormatInt(n, 7);
}

}  // namespace

void AddToTotals(const engine::FileCounts& rec, ReportTotals& totals) {
    int k = rec.Kind;
    if (k < 0 || k >= engine::KindCount()) k = 0;
    if (static_cast<std::size_t>(k) >= totals.Kinds.size())
        totals.Kinds.resize(static_cast<std::size_t>(k) + 1);
    Add(totals.Kinds[static_cast<std::size_t>(k)], rec);
    if (k != 0) {
        Add(totals.GrandTotal, rec);
        Add(totals.FolderSubtotal, rec);
    }
}

void ComputeRatio(CountSum& sum) {
    if (sum.Total > 0) {
        float c = static_cast<float>(sum.Comment * 100);
        sum.Ratio = c / static_cast<float>(sum.Total);
    } else {
        sum.Ratio = 0.0f;
    }
}

void ComputeRatios(ReportTotals& totals) {
    for (CountSum& sum : totals.Kinds) ComputeRatio(sum);
    ComputeRatio(totals.GrandTotal);
}

CountSum ComputeAverages(const CountSum& sum) {
    CountSum avg;
    if (sum.FileCount <= 0) return avg;
    avg.Size = sum.Size / sum.FileCount;
    avg.Total = sum.Total / sum.FileCount;
    avg.Comment = sum.Comment / sum.FileCount;
    avg.Exec = sum.Exec / sum.FileCount;
    avg.Blank = sum.Blank / sum.FileCount;
    ComputeRatio(avg);
    return avg;
}

std::string FormatTotalsRow(RowKey key, const ReportLayout& layout, const CountSum& sum, int maxNameLength) {
    static const std::string pieces = text::Utf8ToSjis("個");
    const bool totalRow = !key.Average;
    std::string row = text::PadRight(TotalsLabel(key), NameWidth(maxNameLength) + 6);
    if (totalRow)
        row += FormatInt(sum.FileCount, 7) + pieces;
    else
        row.append(9, ' ');
    // The size is one byte wider here: the label and the file count leave it one short.
    if (layout.Has(Column::Size)) row += FormatSize(static_cast<int>(layout.Unit), 14, sum.Size);
    if (layout.Has(Column::Kind)) row.append(5, ' ');
    if (layout.Has(Column::Total)) AppendCount(row, sum.Total);
    if (layout.Has(Column::Comment)) AppendCount(row, sum.Comment);
    if (layout.Has(Column::Exec)) AppendCount(row, sum.Exec);
    if (layout.Has(Column::Blank)) AppendCount(row, sum.Blank);
    if (layout.Has(Column::Ratio)) row += totalRow ? std::string("  -------") : FormatRatioColumn(sum.Ratio);
    return row;
}

void WriteFolderSubtotalBlock(const ReportLayout& layout, const CountSum& subtotal, int maxNameLength,
                              const AppendLine& append) {
    const std::string rule = FormatRule(layout, 1, maxNameLength);
    append(rule);
    append(FormatTotalsRow({RowKey::kFolder, false}, layout, subtotal, maxNameLength));
    append(FormatTotalsRow({RowKey::kFolder, true}, layout, ComputeAverages(subtotal), maxNameLength));
    append(rule);
}

void WriteClosingBlock(const ReportLayout& layout, const ReportTotals& totals, int maxNameLength,
                       const AppendLine& append) {
    const std::string rule = FormatRule(layout, 1, maxNameLength);
    for (std::size_t k = 1; k < totals.Kinds.size(); ++k) {
        const CountSum& sum = totals.Kinds[k];
        if (sum.FileCount < 1) continue;
        append(rule);
        const int kind = static_cast<int>(k);
        append(FormatTotalsRow({kind, false}, layout, sum, maxNameLength));
        append(FormatTotalsRow({kind, true}, layout, ComputeAverages(sum), maxNameLength));
    }
    append(FormatRule(layout, 2, maxNameLength));
    append(FormatTotalsRow({RowKey::kGrand, false}, layout, totals.GrandTotal, maxNameLength));
    append(
        FormatTotalsRow({RowKey::kGrand, true}, layout, ComputeAverages(totals.GrandTotal), maxNameLength));
}

}  // namespace zarnik::report
