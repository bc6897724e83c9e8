// The workbook's writer for a program built without libxlsxwriter: such a
// program hands --format xlsx over, before anything is counted, to the program
// that has it (see cli/hand_over.h). Should one of these run all the same, the
// workbook says it was not written, and the run ends with that message.
#include "report/xlsx.h"

namespace zarnik::report {

namespace {

const char* const kNotHere = "this program writes no workbook (zarnik-count-git does)";

}  // namespace

class XlsxCountBook {};
class XlsxChangeBook {};

XlsxCountPrinter::XlsxCountPrinter(const std::string& /*path*/) : error_(kNotHere) {}
XlsxCountPrinter::~XlsxCountPrinter() = default;
void XlsxCountPrinter::Begin(const RunHead& /*head*/) {}
void XlsxCountPrinter::FileCounted(const std::string& /*nativePath*/, const engine::FileCounts& /*rec*/) {}
void XlsxCountPrinter::Totals(const ReportTotals& /*totals*/) {}
void XlsxCountPrinter::End(const RunTail& /*tail*/) {}
void XlsxCountPrinter::Discard() {}

XlsxChangePrinter::XlsxChangePrinter(const std::string& /*path*/) : error_(kNotHere) {}
XlsxChangePrinter::~XlsxChangePrinter() = default;
void XlsxChangePrinter::Discard() {}
void XlsxChangePrinter::End(ChangeRunEnd /*end*/, std::int64_t /*done*/, std::int64_t /*files*/) {}

bool WriteCountXlsx(const ResultRows& /*rows*/, const std::string& /*path*/, std::string& error) {
    error = kNotHere;
    return false;
}

bool WriteChangeXlsx(const ChangeRows& /*rows*/, const std::string& /*path*/, std::string& error) {
    error = kNotHere;
    return false;
}

void RemoveWorkbookTemps() noexcept {}

}  // namespace zarnik::report
