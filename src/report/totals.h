// Running sums of a count run and the totals and averages rows built from them.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/file_counts.h"
#include "report/layout.h"

namespace zarnik::report {

// One accumulator. Sums are 64-bit so that no run overflows them.
struct CountSum {
    std::int64_t FileCount = 0;
    std::int64_t Size = 0;
    std::int64_t Total = 0;
    std::int64_t Comment = 0;
    std::int64_t Exec = 0;
    std::int64_t Blank = 0;
    float Ratio = 0.0f;  // set only by ComputeRatio
};

// The sums of one run: per source kind (index 0, no kind, is filled but never
// printed; the table's languages are added as their files come), the whole run
// and the current folder (both without kind 0).
struct ReportTotals {
    std::vector<CountSum> Kinds = std::vector<CountSum>(settings::kKindCount);
    CountSum GrandTotal;
    CountSum FolderSubtotal;
};

// Which totals row a line is: the sums of a source kind, of the current folder or
// of the whole run, as the total or as the per-file average.
struct RowKey {
    // Beyond every kind the table can hold.
    static constexpr int kFolder = 1 << 20;
    static constexpr int kGrand = kFolder + 1;
    int Kind = 0;  // a source kind, kFolder or kGrand
    bool Average = false;
};

// The row's label, Shift-JIS; empty for a key outside the rows above.
const std::string& TotalsLabel(RowKey key);

void ClearCountSum(CountSum& sum);
void ClearTotals(ReportTotals& totals);

// Adds a counted record to the sums of the kind it carries, and to the
// grand total and the folder subtotal unless that kind is 0.
void AddToTotals(const engine::FileCounts& rec, ReportTotals& totals);

// Ratio := Comment * 100 / Total in single precision; 0 when Total <= 0.
void ComputeRatio(CountSum& sum);
// The ratios of every kind and of the whole run, once a run's files are done.
void ComputeRatios(ReportTotals& totals);

// Per-file averages, each truncated toward zero; FileCount stays 0 and the ratio
// is computed from the truncated averages.
CountSum ComputeAverages(const CountSum& sum);

std::string FormatTotalsRow(RowKey key, const ReportLayout& layout, const CountSum& sum, int maxNameLength);

using AppendLine = std::function<void(const std::string&)>;

// The block that closes a folder: rule, subtotal row, average row, rule, of a
// subtotal whose ratio is computed. The caller writes it only when the subtotal
// holds files.
void WriteFolderSubtotalBlock(const ReportLayout& layout, const CountSum& subtotal, int maxNameLength,
                              const AppendLine& append);

// The end of a report: for each kind (1.., table order) with files a rule and its two rows,
// then the "=" rule and the grand total and average (written even when empty).
// The ratios are those ComputeRatios left.
void WriteClosingBlock(const ReportLayout& layout, const ReportTotals& totals, int maxNameLength,
                       const AppendLine& append);

}  // namespace zarnik::report
