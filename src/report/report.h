// The report's fixed-width lines: the column header, the rules and the line of one
// file. Every width counts Shift-JIS bytes; every operation takes MaxNameLength,
// the longest directory-entry name of the run, and makes the name column
// max(12, MaxNameLength) + 1 bytes wide. All texts returned are Shift-JIS.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/file_counts.h"
#include "report/layout.h"

namespace zarnik::report {

// Width of the name column's text part: max(12, maxNameLength).
int NameWidth(int maxNameLength);

std::string FormatColumnHeader(const ReportLayout& layout, int maxNameLength);

// The count line of a counted record, or its error line.
std::string FormatFileLine(const ReportLayout& layout, const engine::FileCounts& rec, int maxNameLength);
// The same into line, which it replaces: a line kept from file to file keeps its
// room, so a run's lines cost no allocation each.
void FormatFileLine(std::string& line, const ReportLayout& layout, const engine::FileCounts& rec,
                    int maxNameLength);

// "yy-mm-dd hh:nn" of a file time (seconds since the epoch) in local time.
std::string FormatFileTime(std::int64_t mtime);
// The same appended to line, which allocates nothing once line has room.
void AppendFileTime(std::string& line, std::int64_t mtime);

// The kind column's word of a record, always four characters ("C   ", "??? ").
std::string_view KindColumnText(const engine::FileCounts& rec);

// A rule as long as a full line: "-" for style 1, "=" for any other style.
std::string FormatRule(const ReportLayout& layout, int style, int maxNameLength);

// The size column: unit 0 bytes "#,##0", 1 "#,##0.00KB", 2 "#,##0.00MB" (any other
// unit gives blanks only), right-aligned in width bytes. The byte count passes
// through single precision as the column always did.
std::string FormatSize(int unit, int width, std::int64_t bytes);
void AppendSize(std::string& line, int unit, int width, std::int64_t bytes);

// "  %5.2f％" of a ratio: the ratio column of file lines and average rows.
std::string FormatRatioColumn(float ratio);
void AppendRatioColumn(std::string& line, float ratio);

// The message of a file that was not counted (empty for Counted and for values outside the enumeration).
const std::string& StatusText(engine::FileStatus status);

}  // namespace zarnik::report
