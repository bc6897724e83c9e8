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
#include "report/html.h"
#include "report/json.h"
#include "report/text_printer.h"
#include "run/run.h"

namespace zarnik::cli {

class StreamHost : public report::LineSink, public report::ByteSink, public run::ProgressObserver {
public:
    // progress: where a throttled progress line goes (a terminal), or null. With
    // format csv or json the report's lines are not written: csv rows and json
    // files go out as the files are counted, their totals as the run ends.
    StreamHost(std::FILE* out, Encoding encoding, std::FILE* progress, Format format);

    // The printer a count run tells its events to: the report, csv or json.
    report::CountEvents& CountPrinter();

    void Line(const std::string& line) override;
    void Write(std::string_view bytes) override;
    bool HasLines() const override { return hasLines_; }
    // Whether anything of the report has been given to the stream.
    bool OutputStarted() const { return outputStarted_; }

    void Ended() override;
    void Found(std::int64_t count) override;
    bool FileNext(std::int64_t number, std::int64_t files) override;
    void FilePath(const std::string& path) override;

    // Where a change count's events go: its report into the lines, or its csv or
    // json, written when the run has finished.
    report::ChangeEvents& ChangeOutput();

private:
    bool Due();
    void ShowProgress(const std::string& head, const std::string& tail);
    report::CsvEncoding CsvBytes() const;

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
    report::TextPrinter text_{*this};
    report::CsvPrinter csv_;
    report::JsonPrinter json_{*this};
    report::ChangeReportPrinter changeReport_{*this};
    report::ChangeDataPrinter changeData_;
    report::HtmlCountPrinter html_{*this};
    report::HtmlChangePrinter changeHtml_{*this};
    bool hasLines_ = false;
    bool outputStarted_ = false;
    bool progressShown_ = false;
    int columns_ = 80;
    std::chrono::steady_clock::time_point next_{};
    std::int64_t number_ = 0, files_ = 0;
};

}  // namespace zarnik::cli
