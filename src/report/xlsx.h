// The results as an Excel workbook (libxlsxwriter). A count's workbook holds a
// sheet of files (the csv's columns, its header row frozen and filtered) and a
// sheet of the kind totals and averages with a column chart of their lines; a
// change count's holds one sheet of the nine figures per file and per kind. Texts
// are Unicode, figures numbers, the time stamp a date.
//
// The workbook is made under a temporary name beside its path (its sheets
// streamed to temporary files in the same folder, so that memory stays flat
// however many files a run has) and renamed over the path only when it is
// complete: a run that fails or is cancelled leaves the path as it was.
#pragma once

#include <memory>
#include <string>

#include "report/change_printer.h"
#include "report/count_events.h"
#include "report/result_rows.h"

namespace zarnik::report {

class XlsxCountBook;
class XlsxChangeBook;

// A count run's workbook, written as the run goes and put in place when it
// finishes. The temporary file is made at construction, so a path that cannot be
// written is known (Error()) before anything is counted.
class XlsxCountPrinter : public CountEvents {
public:
    explicit XlsxCountPrinter(const std::string& path);
    ~XlsxCountPrinter() override;
    XlsxCountPrinter(const XlsxCountPrinter&) = delete;
    XlsxCountPrinter& operator=(const XlsxCountPrinter&) = delete;

    void Begin(const RunHead& head) override;
    void FileCounted(const std::string& nativePath, const engine::FileCounts& rec) override;
    void Totals(const ReportTotals& totals) override;
    void End(const RunTail& tail) override;
    // Removes the temporary file; nothing is written after it.
    void Discard();

    // Whether the workbook is in place; when not, Error() says why (UTF-8), or is
    // empty when the run did not finish.
    bool Written() const { return written_; }
    const std::string& Error() const { return error_; }

private:
    std::unique_ptr<XlsxCountBook> book_;
    std::string error_;
    bool errorRows_ = true;
    bool written_ = false;
};

// A change run's workbook, written when the run has finished; its temporary file
// too is made at construction.
class XlsxChangePrinter : public ChangeRowsKeeper {
public:
    explicit XlsxChangePrinter(const std::string& path);
    ~XlsxChangePrinter() override;
    XlsxChangePrinter(const XlsxChangePrinter&) = delete;
    XlsxChangePrinter& operator=(const XlsxChangePrinter&) = delete;

    void End(ChangeRunEnd end, std::int64_t done, std::int64_t files) override;
    void Discard();

    bool Written() const { return written_; }
    const std::string& Error() const { return error_; }

private:
    std::unique_ptr<XlsxChangeBook> book_;
    std::string error_;
    bool written_ = false;
};

// The workbook of a finished run's rows. False with a message (UTF-8) when it
// could not be written; the path is then as it was.
bool WriteCountXlsx(const ResultRows& rows, const std::string& path, std::string& error);
bool WriteChangeXlsx(const ChangeRows& rows, const std::string& path, std::string& error);

// Removes the temporary files of the workbooks being written, for a program that
// a signal ends: only calls a signal handler may make.
void RemoveWorkbookTemps() noexcept;

}  // namespace zarnik::report
