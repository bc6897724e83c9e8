#include "report/text_printer.h"

#include <cstddef>
#include <utility>

#include "report/cancelled_line.h"
#include "report/header.h"
#include "report/report.h"
#include "text/sjis.h"

namespace zarnik::report {

void OpenReport(LineSink& sink, const std::string& header, const std::string& head, const std::string& rule,
                std::initializer_list<std::string> headLines) {
    sink.ColumnHeader(header);
    if (sink.HasLines()) sink.Line("");
    if (!head.empty()) sink.Line(head);
    for (const std::string& line : headLines) sink.Line(line);
    sink.Line(rule);
    sink.Line(header);
    sink.Line(rule);
}

std::string NativeToShownSjis(std::string_view native) {
    std::string sjis = text::IsAscii(native) ? std::string(native) : text::Utf8ToSjis(native);
    text::MaskControlBytes(sjis);
    return sjis;
}

void TextPrinter::Begin(const RunHead& head) {
    layout_ = head.Layout;
    nameLength_ = head.MaxNameLength;
    rule_ = FormatRule(layout_, 1, nameLength_);
    OpenReport(sink_, FormatColumnHeader(layout_, nameLength_),
               FormatHeadLine(layout_, head.EnvName, head.Now), rule_);
}

void TextPrinter::FolderLeft(const CountSum& subtotal) {
    if (!layout_.FolderSums) return;
    WriteFolderSubtotalBlock(layout_, subtotal, nameLength_, [this](const std::string& l) { sink_.Line(l); });
}

void TextPrinter::FolderEntered(std::string_view nativeFolder) {
    if (!layout_.FolderLines) return;
    std::string bracketed = NativeToShownSjis(nativeFolder);
    bracketed.insert(bracketed.begin(), '[');
    bracketed.push_back(']');
    const auto dashes =
        static_cast<std::ptrdiff_t>(rule_.size()) - static_cast<std::ptrdiff_t>(bracketed.size());
    sink_.Line(text::RepeatText(std::move(bracketed), "-", dashes));
}

void TextPrinter::FileCounted(const std::string& /*nativePath*/, const engine::FileCounts& rec) {
    if (!ShowsRecord(layout_.ErrorLines, rec)) return;
    FormatFileLine(line_, layout_, rec, nameLength_);
    sink_.Line(line_);
}

void TextPrinter::Totals(const ReportTotals& totals) {
    WriteClosingBlock(layout_, totals, nameLength_, [this](const std::string& l) { sink_.Line(l); });
}

void TextPrinter::End(const RunTail& tail) {
    if (tail.End == CountEnd::Cancelled) sink_.Line(CancelledLine(tail.Taken, tail.Files));
}

}  // namespace zarnik::report
