// The results as CSV (RFC 4180): a header row, one row per file in report order,
// one row per kind total and the grand total. The first column says which rows
// are totals; the size is in bytes, the time stamp ISO 8601 with its offset.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/file_counts.h"
#include "report/count_events.h"
#include "report/line_sink.h"
#include "report/result_rows.h"

namespace zarnik::report {

// Shift-JIS with CR LF opens as it is in a Japanese spreadsheet; UTF-8 rows end in LF.
enum class CsvEncoding { Sjis, Utf8 };

// One row of fields (UTF-8) with its line end: quoted where a field needs it,
// and a field a spreadsheet would run as a formula made text.
std::string CsvRow(std::initializer_list<std::string_view> fields, CsvEncoding encoding);

// Each returns whole rows with their line ends.
std::string CsvHeader(CsvEncoding encoding);
std::string CsvFileRow(const std::string& nativePath, const engine::FileCounts& rec, CsvEncoding encoding);
std::string CsvTotalsRows(const ReportTotals& totals, CsvEncoding encoding);

// A run's csv written as it goes: the header before the first row, a row for each
// file the report shows, the totals rows once the run's totals are known.
class CsvPrinter : public CountEvents {
public:
    CsvPrinter(ByteSink& out, CsvEncoding encoding) : out_(out), encoding_(encoding) {}
    void Begin(const RunHead& head) override { errorRows_ = head.Layout.ErrorLines; }
    void FileCounted(const std::string& nativePath, const engine::FileCounts& rec) override;
    void Totals(const ReportTotals& totals) override;

private:
    void HeaderOnce();

    ByteSink& out_;
    CsvEncoding encoding_;
    bool errorRows_ = true;
    bool headerWritten_ = false;
};

// Header, file rows and totals rows of a whole run.
std::string FormatCsv(const ResultRows& rows, CsvEncoding encoding);

}  // namespace zarnik::report
