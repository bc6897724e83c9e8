// The printers of a change run's events: the fixed-width Shift-JIS report into a
// line sink, the records kept as data, and the csv or json written from them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "report/change.h"
#include "report/change_events.h"
#include "report/csv.h"
#include "report/line_sink.h"

namespace zarnik::report {

// The report: its captions in the strip above the sink, an empty line after an
// earlier report's, the head line when the layout has one, the two versions, the
// column header between two rules; a line per file; the closing block; after a
// cancel, how many files were taken.
class ChangeReportPrinter : public ChangeEvents {
public:
    explicit ChangeReportPrinter(LineSink& sink) : sink_(sink) {}

    void Begin(const ChangeRunStart& start) override;
    void File(const ChangeRecord& rec) override;
    void Totals(const ChangeTotals& totals) override;
    void End(ChangeRunEnd end, std::int64_t done, std::int64_t files) override;

private:
    LineSink& sink_;
    int nameLength_ = 0;
};

// The run's records and totals as data (the rows a csv is made of later).
class ChangeRowsKeeper : public ChangeEvents {
public:
    void Begin(const ChangeRunStart& start) override;
    void File(const ChangeRecord& rec) override { rows_.Add(rec); }
    void Totals(const ChangeTotals& totals) override { rows_.SetTotals(totals); }
    void End(ChangeRunEnd /*end*/, std::int64_t /*done*/, std::int64_t /*files*/) override {}

    ChangeRows TakeRows() { return std::move(rows_); }

protected:
    ChangeRows rows_;
};

// The csv or the json of a finished run, written whole at its end (a run that
// did not finish writes nothing).
class ChangeDataPrinter : public ChangeRowsKeeper {
public:
    enum class Form { Csv, Json };
    ChangeDataPrinter(Form form, CsvEncoding encoding, std::function<void(const std::string&)> write)
        : form_(form), encoding_(encoding), write_(std::move(write)) {}

    void Begin(const ChangeRunStart& start) override;
    void End(ChangeRunEnd end, std::int64_t done, std::int64_t files) override;

private:
    Form form_;
    CsvEncoding encoding_;
    std::function<void(const std::string&)> write_;
    const settings::Settings* cnf_ = nullptr;
};

}  // namespace zarnik::report
