// The fixed-width Shift-JIS report of a count run, line by line into a LineSink.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "report/count_events.h"
#include "report/line_sink.h"

namespace zarnik::report {

class TextPrinter : public CountEvents {
public:
    explicit TextPrinter(LineSink& sink) : sink_(sink) {}

    void Begin(const RunHead& head) override;
    void FolderLeft(const CountSum& subtotal) override;
    void FolderEntered(std::string_view nativeFolder) override;
    void FileCounted(const std::string& nativePath, const engine::FileCounts& rec) override;
    void Totals(const ReportTotals& totals) override;
    void End(const RunTail& tail) override;

private:
    LineSink& sink_;
    ReportLayout layout_;
    std::int32_t nameLength_ = 0;
    std::string rule_;
    std::string line_;  // a file's line, kept from file to file so that it keeps its room
};

// How either report starts (a count's or a change count's): its captions in the
// strip above the sink, an empty line after an earlier report's, the head line
// when the layout has one, the lines that follow it (a change count's versions),
// and the captions between two rules.
void OpenReport(LineSink& sink, const std::string& header, const std::string& head, const std::string& rule,
                std::initializer_list<std::string> headLines = {});

// A native text in Shift-JIS (pure ASCII is copied without conversion), with
// control bytes shown as "?" so that a name cannot break a line or drive a
// terminal.
std::string NativeToShownSjis(std::string_view native);

}  // namespace zarnik::report
