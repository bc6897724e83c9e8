#include "report/change_printer.h"

#include "report/cancelled_line.h"
#include "report/header.h"
#include "report/layout.h"
#include "report/text_printer.h"
#include "text/sjis.h"

namespace zarnik::report {

void ChangeReportPrinter::Begin(const ChangeRunStart& start) {
    nameLength_ = start.NameLength;
    const std::string header = FormatChangeColumnHeader(nameLength_);
    const std::string rule = FormatChangeRule(1, nameLength_);
    const std::string head = FormatHeadLine(ReportLayout::From(start.Cnf), start.EnvName, start.Now);
    OpenReport(sink_, header, head, rule,
               {FormatChangeVersionLine(true, NativeToShownSjis(start.OldTarget)),
                FormatChangeVersionLine(false, NativeToShownSjis(start.NewTarget))});
}

void ChangeReportPrinter::File(const ChangeRecord& rec) { sink_.Line(FormatChangeLine(rec, nameLength_)); }

void ChangeReportPrinter::Totals(const ChangeTotals& totals) {
    WriteChangeClosingBlock(totals, nameLength_, [this](const std::string& line) { sink_.Line(line); });
}

void ChangeReportPrinter::End(ChangeRunEnd end, std::int64_t done, std::int64_t files) {
    if (end == ChangeRunEnd::Cancelled) sink_.Line(CancelledLine(done, files));
}

void ChangeRowsKeeper::Begin(const ChangeRunStart& start) {
    rows_ = ChangeRows();
    rows_.SetVersions(start.OldTarget, start.NewTarget);
}

void ChangeDataPrinter::Begin(const ChangeRunStart& start) {
    ChangeRowsKeeper::Begin(start);
    cnf_ = &start.Cnf;
}

void ChangeDataPrinter::End(ChangeRunEnd end, std::int64_t /*done*/, std::int64_t /*files*/) {
    if (end != ChangeRunEnd::Finished || !cnf_) return;
    if (form_ == Form::Json)
        write_(FormatChangeJson(rows_, *cnf_, rows_.OldTarget(), rows_.NewTarget()));
    else
        write_(FormatChangeCsv(rows_, encoding_));
}

}  // namespace zarnik::report
