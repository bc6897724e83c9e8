// The count run's sink and observer for the command line: report lines to a
// stream, progress to a terminal.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "cli/options.h"
#include "run/run.h"

namespace zarnik::cli {

class StreamHost : public run::ReportSink, public run::ProgressObserver {
public:
    // progress: where a throttled progress line goes (a terminal), or null.
    StreamHost(std::FILE* out, Encoding encoding, std::FILE* progress);

    void Line(const std::string& line) override;
    bool HasLines() const override { return hasLines_; }

    void Ended() override;
    void Found(std::int64_t count) override;
    bool FileNext(std::int64_t number, std::int64_t files) override;
    void FilePath(const std::string& path) override;

private:
    bool Due();
    void ShowProgress(const std::string& head, const std::string& tail);

    std::FILE* out_;
    Encoding encoding_;
    std::FILE* progress_;
    bool hasLines_ = false;
    bool progressShown_ = false;
    int columns_ = 80;
    std::chrono::steady_clock::time_point next_{};
    std::int64_t number_ = 0, files_ = 0;
};

}  // namespace zarnik::cli
