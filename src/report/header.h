// The line that opens a report (environment name and date) and the settings
// preview. The clock is passed in so that both are pure functions of their input.
#pragma once

#include <ctime>
#include <string>

#include "engine/file_counts.h"
#include "engine/options.h"
#include "report/layout.h"

namespace zarnik::report {

// "1999年９月５日(日)   9時 5分": month and day below 10 as one double-byte digit.
std::string FormatHeaderDate(std::time_t now);

// The number's decimal text with "-" and each digit in double-byte form.
std::string FullWidthDigits(long long number);

// "yy-mm-dd hh:nn" of now.
std::string FormatSampleTime(std::time_t now);

// The report's header line: "【envName】" when the layout asks for it, then (two blanks
// after a name) the date when it asks for that. Empty when neither is on.
std::string FormatHeadLine(const ReportLayout& layout, const std::string& envName, std::time_t now);

// The preview's sample file, counted and finished under opt.
engine::FileCounts MakeSampleRecord(const engine::CountOptions& opt, std::time_t now);

// The preview: head, rule, column header, rule, folder line and the sample's file
// line, joined by CR LF with no break at the end; opt is what a run of cnf counts
// by. Shift-JIS.
std::string BuildPreviewText(const settings::Settings& cnf, const engine::CountOptions& opt, std::time_t now);

}  // namespace zarnik::report
