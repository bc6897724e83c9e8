// The results as one self-contained HTML page (UTF-8) that opens in a browser
// offline: the settings, the totals and averages per kind, the charts as inline
// SVG and a table of the files that its own inline script sorts by any column
// and filters by kind and folder. Nothing is fetched: the page's policy allows no
// source outside it. The file table is written row by row as it is read, so a run
// of a million files is never held as text.
#pragma once

#include <cstdint>
#include <string_view>

#include "report/change_printer.h"
#include "report/chart_data.h"
#include "report/count_events.h"
#include "report/line_sink.h"
#include "report/result_rows.h"
#include "settings/settings.h"

namespace zarnik::report {

// A page that was cut short (a full disk) shows that it is not whole: only its
// last bytes hide the notice at its top.
void WriteCountHtml(const ResultRows& rows, const settings::Settings& cnf, ByteSink& out);
void WriteChangeHtml(const ChangeRows& rows, const settings::Settings& cnf, ByteSink& out);
// A history's chart and its lines per kind at each commit; target is the counted
// path (native).
void WriteHistoryHtml(const HistoryChart& chart, const settings::Settings& cnf, std::string_view target,
                      ByteSink& out);

// A count run's page, written once the run has finished: a run that was cancelled
// or failed writes nothing.
class HtmlCountPrinter : public CountEvents {
public:
    explicit HtmlCountPrinter(ByteSink& out) : out_(out) {}
    void Begin(const RunHead& head) override;
    void FileCounted(const std::string& nativePath, const engine::FileCounts& rec) override;
    void Totals(const ReportTotals& totals) override { rows_.Totals(totals); }
    void End(const RunTail& tail) override;

private:
    ByteSink& out_;
    ResultRows rows_;
    const settings::Settings* cnf_ = nullptr;
};

// A change run's page, written once the run has finished.
class HtmlChangePrinter : public ChangeRowsKeeper {
public:
    explicit HtmlChangePrinter(ByteSink& out) : out_(out) {}
    void Begin(const ChangeRunStart& start) override;
    void End(ChangeRunEnd end, std::int64_t done, std::int64_t files) override;

private:
    ByteSink& out_;
    const settings::Settings* cnf_ = nullptr;
};

}  // namespace zarnik::report
