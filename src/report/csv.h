// The results as CSV (RFC 4180): a header row, one row per file in report order,
// one row per kind total and the grand total. The first column says which rows
// are totals; the size is in bytes, the time stamp ISO 8601 with its offset.
#pragma once

#include <string>

#include "engine/file_counts.h"
#include "report/result_rows.h"

namespace zarnik::report {

// Shift-JIS with CR LF opens as it is in a Japanese spreadsheet; UTF-8 rows end in LF.
enum class CsvEncoding { Sjis, Utf8 };

// Each returns whole rows with their line ends.
std::string CsvHeader(CsvEncoding encoding);
std::string CsvFileRow(const std::string& nativePath, const engine::FileCounts& rec, CsvEncoding encoding);
std::string CsvTotalsRows(const ReportTotals& totals, CsvEncoding encoding);

// Header, file rows and totals rows of a whole run.
std::string FormatCsv(const ResultRows& rows, CsvEncoding encoding);

}  // namespace zarnik::report
