// The count run's host for the command line: report lines to a stream, progress
// to a terminal.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "cli/options.h"
#include "report/csv.h"
#include "report/result_rows.h"
#include "run/run.h"

namespace zarnik::cli {

class StreamHost : public run::RunHost {
public:
    // progress: where a throttled progress line goes (a terminal), or null. With
    // format csv or json the report's lines are not written: csv rows go out as the
    // files are counted, the rest by FinishData. errorRows: the report shows files
    // that were not counted (Erfout), so the rows hold them too.
    StreamHost(std::FILE* out, Encoding encoding, std::FILE* progress, Format format = Format::Text,
               bool errorRows = true);

    void AppendLine(const std::string& line) override;
    void Record(const std::string& nativePath, const engine::S_CMT& rec) override;
    bool ResultHasLines() const override { return hasLines_; }
    void ShowNoFileWarning(const std::string& text) override { warning_ = text; }

    void ProgressHide() override;
    void ProgressFound(std::int64_t count) override;
    bool ProgressDue() override;
    void ProgressCounter(const std::string& text) override { counter_ = text; }
    void ProgressPath(const std::string& path) override;

    // The warning the run gave when it found no file (Shift-JIS), or empty.
    const std::string& Warning() const { return warning_; }

    // After a finished run: the csv totals rows, or the whole json object.
    void FinishData(const settings::S_CNF& cnf);

private:
    bool Due();
    void ShowProgress(const std::string& head, const std::string& tail);
    void Write(const std::string& bytes);
    report::CsvEncoding CsvBytes() const;
    void WriteCsvHeaderOnce();

    std::FILE* out_;
    Encoding encoding_;
    std::FILE* progress_;
    Format format_;
    report::ResultRows rows_;
    bool csvHeaderWritten_ = false;
    bool hasLines_ = false;
    bool progressShown_ = false;
    int columns_ = 80;
    std::chrono::steady_clock::time_point next_{};
    std::string warning_, counter_;
};

}  // namespace zarnik::cli
