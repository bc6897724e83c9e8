// Where finished report lines go: the result pane, a stream, a test's list.
// The printers write to it; a front end decides what a line becomes.
#pragma once

#include <string>
#include <string_view>

namespace zarnik::report {

// Texts are Shift-JIS.
class LineSink {
public:
    virtual ~LineSink() = default;
    virtual void Line(const std::string& sjisLine) = 0;
    // Whether the sink already holds lines: a new report then starts after an empty one.
    virtual bool HasLines() const = 0;
    // Caption of the column-header strip above the pane.
    virtual void ColumnHeader(const std::string& /*sjisHeader*/) {}
};

// Where csv and json text goes, as it is made: whole rows with their line ends.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    virtual void Write(std::string_view bytes) = 0;
};

}  // namespace zarnik::report
