// A run's charts as inline SVG elements for the HTML report: plain SVG text,
// every label escaped, no script, no font or picture from outside. Texts are UTF-8.
#pragma once

#include <string>
#include <string_view>

#include "report/chart_data.h"

namespace zarnik::report {

// Text as HTML (and SVG inside it) shows it: & < > " ' as references, and each
// control character as its visible picture (U+2400..), which a page cannot carry.
std::string HtmlEscaped(std::string_view utf8);

// Executable, comment and blank lines per kind, stacked.
std::string KindLinesSvg(const CountChart& chart);
// The comment ratio per kind and of the whole run.
std::string CommentRatioSvg(const CountChart& chart);
// The biggest folders by total lines.
std::string FolderLinesSvg(const CountChart& chart);
// Lines added, changed and deleted per kind.
std::string ChangeLinesSvg(const ChangeChart& chart);
// Total lines per kind at each commit.
std::string HistoryLinesSvg(const HistoryChart& chart);

}  // namespace zarnik::report
