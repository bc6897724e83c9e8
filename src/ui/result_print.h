// Printing the result pane: the page layout of a text print job, apart from any
// printer so that it can be checked on its own, and the job on a QPrinter.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QPainter;
class QPrinter;
class QWidget;

namespace zarnik::ui {

// What the layout needs to know of the printing font, in device units.
class PrintMetrics {
public:
    virtual ~PrintMetrics() = default;
    // Width of a piece of Shift-JIS text drawn in one go.
    virtual int TextWidth(std::string_view sjis) const = 0;
    // Height of drawn text (the font's line height).
    virtual int TextHeight() const = 0;
    // Height of a line on which nothing was drawn.
    virtual int CharHeight() const = 0;
    virtual int AverageCharWidth() const = 0;
};

// A piece of text at (X, Y), the top-left corner of its cell, in device units
// from the top-left corner of the printable area.
struct PrintRun {
    int X = 0;
    int Y = 0;
    std::string Text;  // Shift-JIS
    bool operator==(const PrintRun&) const = default;
};

struct PrintPage {
    std::vector<PrintRun> Runs;
};

// The blanks in front of every printed line.
inline constexpr std::string_view kPrintIndent = "        ";

// Lays the pane's lines out as a text print job prints them: each line after
// kPrintIndent, followed by CR LF; long lines broken at whole characters, tabs,
// carriage returns, line feeds and form feeds, new pages when a line reaches
// the bottom. A last page on which nothing was drawn is left out.
std::vector<PrintPage> LayoutPrintPages(const std::vector<std::string>& lines, int pageWidth, int pageHeight,
                                        const PrintMetrics& metrics);

// What a print job draws on a page of its own after the lines (the charts), given
// the printable area in device units.
using PrintAfterLines = std::function<void(QPainter& painter, const QRect& page)>;

// Prints the lines, then what after draws, on a printer that the caller has set
// up. False when the job could not be opened or a page not begun or finished.
bool PrintLines(QPrinter& printer, const std::vector<std::string>& lines, const QFont& font,
                const QColor& color, const PrintAfterLines& after = {});

// The printer-selection dialog (no page range or selection choice). False when
// the user cancelled.
bool RunPrintDialog(QWidget* parent, QPrinter& printer);

}  // namespace zarnik::ui
