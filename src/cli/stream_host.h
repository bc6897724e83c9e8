// The count run's sink and observer for the command line: report lines to a
// stream, progress to a terminal.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "cli/options.h"
#include "report/change_printer.h"
#include "report/csv.h"
#include "report/json.h"
#include "report/result_rows.h"
#include "run/run.h"

namespace zarnik::cli {

class StreamHost : public run::ReportSink, public run::ProgressObserver {
public:
    // progress: where a throttled progress line goes (a terminal), or null. With
    // format csv or json the report's lines are not written: csv rows and json
    // files go out as the files are counted, the totals by FinishData. cnf: the
    // run's settings (the json holds them; with Erfout the rows hold the files that
    // were not counted, as the report shows them); it must outlive the host.
    StreamHost(std::FILE* out, Encoding encoding, std::FILE* progress, Format format,
               const settings::Settings& cnf);

    void Line(const std::string& line) override;
    void Record(const std::string& nativePath, const engine::FileCounts& rec) override;
    bool HasLines() const override { return hasLines_; }

    void Ended() override;
    void Found(std::int64_t count) override;
    bool FileNext(std::int64_t number, std::int64_t files) override;
    void FilePath(const std::string& path) override;

    // After a finished run: the csv totals rows, or the json's totals and its end.
    void FinishData();
    // Where a change count's events go: its report into the lines, or its csv or
    // json, written when the run has finished.
    report::ChangeEvents& ChangeOutput();

private:
    bool Due();
    void ShowProgress(const std::string& head, const std::string& tail);
    void Write(const std::string& bytes);
    report::CsvEncoding CsvBytes() const;
    void WriteCsvHeaderOnce();
    void WriteJsonHeadOnce();

    void WriteUtf8(const std::string& line);

    std::FILE* out_;
    Encoding encoding_;
    // UTF-8 output: the line being made, and the last few runs of non-ASCII
    // characters with their conversions (a file line ends in the same "％").
    std::string utf8_;
    std::vector<std::pair<std::string, std::string>> runs_;
    std::size_t nextRun_ = 0;
    std::FILE* progress_;
    Format format_;
    const settings::Settings& cnf_;
    report::ResultRows rows_;
    report::JsonReport json_;
    bool jsonHeadWritten_ = false;
    report::ChangeReportPrinter changeReport_{*this};
    report::ChangeDataPrinter changeData_;
    bool csvHeaderWritten_ = false;
    bool hasLines_ = false;
    bool progressShown_ = false;
    int columns_ = 80;
    std::chrono::steady_clock::time_point next_{};
    std::int64_t number_ = 0, files_ = 0;
};

}  // namespace zarnik::cli
