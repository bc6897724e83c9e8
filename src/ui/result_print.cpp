// Printing the result pane: the page layout of a text print job and the job itself.
#include "ui/result_print.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <algorithm>

#include "text/sjis.h"
#include "ui/qt_text.h"

namespace zarnik::ui {

namespace {

class PageLayout {
public:
    PageLayout(int width, int height, const PrintMetrics& m) : width_(width), height_(height), m_(m) {
        pages_.emplace_back();
    }

    // Text as the job receives it: control characters act, the rest is drawn.
    void Write(std::string_view bytes) {
        std::size_t start = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            char c = bytes[i];
            // Control bytes are never the second byte of a double-byte character.
            if (c != '\t' && c != '\r' && c != '\n' && c != '\f') continue;
            Out(bytes.substr(start, i - start));
            start = i + 1;
            switch (c) {
                case '\t': {
                    int tab = std::max(1, m_.AverageCharWidth() * 8);
                    x_ = (x_ / tab + 1) * tab;
                    break;
                }
                case '\r':
                    x_ = 0;
                    break;
                case '\n':
                    NewLine();
                    break;
                default:
                    NewPage();
                    break;
            }
        }
        Out(bytes.substr(start));
    }

    std::vector<PrintPage> Finish() {
        if (pages_.size() > 1 && pages_.back().Runs.empty()) pages_.pop_back();
        return std::move(pages_);
    }

private:
    void NewPage() {
        x_ = 0;
        y_ = 0;
        pages_.emplace_back();
    }

    void NewLine() {
        x_ = 0;
        y_ += lineHeight_ == 0 ? m_.CharHeight() : lineHeight_;
        if (y_ > height_ - lineHeight_ * 2) NewPage();
        lineHeight_ = 0;
    }

    // Draws text from x, breaking it at whole characters where the page ends.
    void Out(std::string_view text) {
        while (!text.empty()) {
            std::size_t n = text.size();
            int w = m_.TextWidth(text);
            if (x_ + w > width_) {
                n = FittingPrefix(text);
                // A character wider than the whole page is drawn anyway, or the
                // job would never end.
                if (n == 0 && x_ == 0) n = text::CharLength(text, 0);
                w = n == 0 ? 0 : m_.TextWidth(text.substr(0, n));
            }
            if (n > 0) {
                pages_.back().Runs.push_back({x_, y_, std::string(text.substr(0, n))});
                lineHeight_ = std::max(lineHeight_, m_.TextHeight() + 2);
            }
            text.remove_prefix(n);
            if (text.empty())
                x_ += w;
            else
                NewLine();
        }
    }

    // Bytes of the longest run of whole characters that fits from x (0 if none).
    std::size_t FittingPrefix(std::string_view text) const {
        std::vector<std::size_t> ends;  // byte end of each character
        for (std::size_t p = 0; p < text.size(); p += text::CharLength(text, p))
            ends.push_back(p + text::CharLength(text, p));
        // Widths grow with every character: find the last that fits. The whole
        // text is known not to fit.
        std::size_t lo = 0, hi = ends.size();  // characters that fit / do not fit
        while (hi - lo > 1) {
            std::size_t mid = (lo + hi) / 2;
            if (x_ + m_.TextWidth(text.substr(0, ends[mid - 1])) <= width_)
                lo = mid;
            else
                hi = mid;
        }
        return lo == 0 ? 0 : ends[lo - 1];
    }

    int width_;
    int height_;
    const PrintMetrics& m_;
    int x_ = 0;
    int y_ = 0;
    int lineHeight_ = 0;  // tallest text drawn on the current line plus 2; 0 when none
    std::vector<PrintPage> pages_;
};

class FontPrintMetrics : public PrintMetrics {
public:
    explicit FontPrintMetrics(const QFontMetrics& fm) : fm_(fm) {}
    int TextWidth(std::string_view sjis) const override {
        return fm_.horizontalAdvance(ToQ(std::string(sjis)));
    }
    int TextHeight() const override { return fm_.height(); }
    int CharHeight() const override { return fm_.height(); }
    int AverageCharWidth() const override { return fm_.averageCharWidth(); }

private:
    QFontMetrics fm_;
};

}  // namespace

std::vector<PrintPage> LayoutPrintPages(const std::vector<std::string>& lines, int pageWidth, int pageHeight,
                                        const PrintMetrics& metrics) {
    PageLayout layout(pageWidth, pageHeight, metrics);
    std::string line;
    for (const std::string& l : lines) {
        line.assign(kPrintIndent);
        line += l;
        line += "\r\n";
        layout.Write(line);
    }
    return layout.Finish();
}

bool PrintLines(QPrinter& printer, const std::vector<std::string>& lines, const QFont& font,
                const QColor& color, const PrintAfterLines& after) {
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    painter.setFont(QFont(font, painter.device()));
    painter.setPen(color);
    QFontMetrics fm = painter.fontMetrics();
    FontPrintMetrics metrics(fm);
    std::vector<PrintPage> pages =
        LayoutPrintPages(lines, painter.device()->width(), painter.device()->height(), metrics);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !printer.newPage()) {
            painter.end();
            return false;
        }
        for (const PrintRun& run : pages[i].Runs) painter.drawText(run.X, run.Y + fm.ascent(), ToQ(run.Text));
    }
    if (after) {
        if (!pages.empty() && !printer.newPage()) {
            painter.end();
            return false;
        }
        after(painter, QRect(0, 0, painter.device()->width(), painter.device()->height()));
    }
    bool ok = painter.end();
    return ok && printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted;
}

bool RunPrintDialog(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    dialog.setOptions(QAbstractPrintDialog::PrintToFile | QAbstractPrintDialog::PrintShowPageSize |
                      QAbstractPrintDialog::PrintCollateCopies);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace zarnik::ui
