#include "report/chart_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace zarnik::report {

std::string HtmlEscaped(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        switch (ch) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                if (c < 0x20 || c == 0x7F) {
                    // U+2400 + c (U+2421 for DEL) in UTF-8: E2 90 xx.
                    out += "\xE2\x90";
                    out.push_back(static_cast<char>(0x80 + (c == 0x7F ? 0x21 : c)));
                } else {
                    out.push_back(ch);
                }
        }
    }
    return out;
}

namespace {

constexpr double kWidth = 720, kFontSize = 12, kLabelLimit = 280;

std::string Num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

// The width a label takes in the sans-serif face: a full-width character is one
// em, ASCII and half-width katakana (U+FF61..U+FF9F, EF BD A1..EF BE 9F) about 0.6.
double TextWidth(std::string_view utf8) {
    double width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        const bool halfKana = len == 3 && c == 0xEF && i + 1 < utf8.size() &&
                              (static_cast<unsigned char>(utf8[i + 1]) == 0xBD ||
                               static_cast<unsigned char>(utf8[i + 1]) == 0xBE);
        width += (len == 1 || halfKana) ? 0.6 * kFontSize : kFontSize;
        i += len;
    }
    return width;
}

// A label that fits limit pixels: a long one keeps its end (a folder's own name)
// behind "…".
std::string Fitted(std::string_view utf8, double limit) {
    if (TextWidth(utf8) <= limit) return std::string(utf8);
    std::size_t start = 0;
    while (start < utf8.size() && TextWidth(utf8.substr(start)) + kFontSize > limit) {
        ++start;
        while (start < utf8.size() && (static_cast<unsigned char>(utf8[start]) & 0xC0) == 0x80) ++start;
    }
    return "…" + std::string(utf8.substr(start));
}

// 1, 2 or 5 times a power of ten, at least v: the top of a chart's scale.
double NiceTop(double v) {
    if (v <= 0) return 1;
    const double power = std::pow(10.0, std::floor(std::log10(v)));
    for (double step : {1.0, 2.0, 5.0, 10.0})
        if (step * power >= v) return step * power;
    return 10 * power;
}

std::string Open(std::string_view title, double height) {
    const std::string w = Num(kWidth), h = Num(height);
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" class=\"chart\" width=\"" + w + "\" height=\"" + h +
           "\" viewBox=\"0 0 " + w + " " + h + "\" role=\"img\" aria-label=\"" + HtmlEscaped(title) +
           "\" font-family=\"IPAGothic, 'IPAゴシック', sans-serif\" font-size=\"" + Num(kFontSize) +
           "\">\n<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n<text x=\"8\" y=\"20\" "
           "font-size=\"15\" "
           "font-weight=\"bold\">" +
           HtmlEscaped(title) + "</text>\n";
}

std::string Text(double x, double y, std::string_view utf8, std::string_view anchor = "start") {
    return "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" text-anchor=\"" + std::string(anchor) + "\">" +
           HtmlEscaped(utf8) + "</text>\n";
}

std::string Rect(double x, double y, double w, double h, std::string_view colour, std::string_view tip) {
    return "<rect x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" width=\"" + Num(std::max(w, 0.0)) +
           "\" height=\"" + Num(h) + "\" fill=\"" + std::string(colour) + "\"><title>" + HtmlEscaped(tip) +
           "</title></rect>\n";
}

struct Series {
    std::string Name;
    const char* Colour;
};

// The series' colours and names in a line below the title.
std::string Legend(const std::vector<Series>& series, double x, double y) {
    std::string out;
    for (const Series& s : series) {
        out += "<rect x=\"" + Num(x) + "\" y=\"" + Num(y - 10) + "\" width=\"12\" height=\"12\" fill=\"" +
               s.Colour + "\"/>\n" + Text(x + 16, y, s.Name);
        x += 16 + TextWidth(s.Name) + 16;
    }
    return out;
}

struct BarRow {
    std::string Label;
    std::vector<double> Values;  // one per series
};

// Horizontal bars, a row per label: the values end to end in one bar (stacked),
// or a thin bar each. valueText gives the figure written after a bar.
std::string Bars(std::string_view title, const std::vector<Series>& series, const std::vector<BarRow>& rows,
                 bool stacked, double top, const std::function<std::string(double)>& valueText) {
    double labelWidth = 0;
    for (const BarRow& row : rows) labelWidth = std::max(labelWidth, TextWidth(row.Label));
    labelWidth = std::min(labelWidth, kLabelLimit);
    const double count = static_cast<double>(series.size());
    const double barHeight = stacked ? 16 : 11, rowHeight = stacked ? 24 : 10 + 12 * count;
    const double first = series.size() > 1 ? 56 : 36;
    const double barX = labelWidth + 16, barSpace = kWidth - barX - 80;
    const double height = first + rowHeight * static_cast<double>(std::max<std::size_t>(rows.size(), 1)) + 8;
    if (top <= 0) {
        for (const BarRow& row : rows) {
            double sum = 0;
            for (double v : row.Values) sum = stacked ? sum + v : std::max(sum, v);
            top = std::max(top, sum);
        }
        top = NiceTop(top);
    }
    std::string out = Open(title, height);
    if (series.size() > 1) out += Legend(series, 8, 42);
    if (rows.empty()) out += Text(8, first + 14, "データなし");
    double y = first;
    for (const BarRow& row : rows) {
        out += Text(labelWidth + 8, y + rowHeight / 2 + 4, Fitted(row.Label, kLabelLimit), "end");
        double x = barX, sum = 0;
        for (std::size_t i = 0; i < series.size() && i < row.Values.size(); ++i) {
            const double v = row.Values[i], w = barSpace * v / top;
            const std::string tip = row.Label + " " + series[i].Name + " " + valueText(v);
            if (stacked) {
                out += Rect(x, y + (rowHeight - barHeight) / 2, w, barHeight, series[i].Colour, tip);
                x += w;
                sum += v;
            } else {
                const double barY = y + 5 + 12 * static_cast<double>(i);
                out += Rect(barX, barY, w, barHeight, series[i].Colour, tip);
                out += Text(barX + w + 4, barY + 10, valueText(v));
            }
        }
        if (stacked) out += Text(x + 4, y + rowHeight / 2 + 4, valueText(sum));
        y += rowHeight;
    }
    return out + "</svg>\n";
}

std::string Count(double v) { return std::to_string(static_cast<std::int64_t>(v)); }

const char* const kExec = "#4472c4";
const char* const kComment = "#70ad47";
const char* const kBlank = "#a5a5a5";
const char* const kPalette[] = {"#4472c4", "#ed7d31", "#70ad47", "#ffc000", "#5b9bd5",
                                "#a5a5a5", "#9e480e", "#264478", "#7030a0", "#c00000"};

double Value(std::int64_t n) { return static_cast<double>(n); }

}  // namespace

std::string KindLinesSvg(const CountChart& chart) {
    std::vector<BarRow> rows;
    for (const KindBar& k : chart.Kinds)
        rows.push_back({k.Name, {Value(k.Exec), Value(k.Comment), Value(k.Blank)}});
    return Bars("種別ごとの行数", {{"実行", kExec}, {"ｺﾒﾝﾄ", kComment}, {"空行", kBlank}}, rows, true, 0,
                Count);
}

std::string CommentRatioSvg(const CountChart& chart) {
    std::vector<BarRow> rows;
    for (const KindBar& k : chart.Kinds) rows.push_back({k.Name, {static_cast<double>(k.Ratio)}});
    rows.push_back({chart.All.Name, {static_cast<double>(chart.All.Ratio)}});
    return Bars("ｺﾒﾝﾄ率", {{"ｺﾒﾝﾄ率", kComment}}, rows, true, 100,
                [](double v) { return detail::RatioText(static_cast<float>(v)) + "%"; });
}

std::string FolderLinesSvg(const CountChart& chart) {
    std::vector<BarRow> rows;
    for (const FolderBar& f : chart.Folders) rows.push_back({f.Folder, {Value(f.Total)}});
    return Bars("行数の多いﾌｫﾙﾀﾞ", {{"総行数", kExec}}, rows, true, 0, Count);
}

std::string ChangeLinesSvg(const ChangeChart& chart) {
    std::vector<BarRow> rows;
    for (const ChangeBar& k : chart.Kinds)
        rows.push_back({k.Name, {Value(k.Added), Value(k.Changed), Value(k.Deleted)}});
    return Bars("種別ごとの変更行数", {{"追加", "#70ad47"}, {"変更", "#ffc000"}, {"削除", "#c00000"}}, rows,
                false, 0, Count);
}

std::string HistoryLinesSvg(const HistoryChart& chart) {
    constexpr double kHeight = 340, kLeft = 70, kRight = kWidth - 150, kTop = 40, kBottom = kHeight - 40;
    std::string out = Open("種別ごとの行数の推移", kHeight);
    std::int64_t most = 0;
    for (const auto& s : chart.Kinds)
        for (std::int64_t n : s.Lines) most = std::max(most, n);
    const double top = NiceTop(Value(most));
    for (int i = 0; i <= 4; ++i) {
        const double y = kBottom - (kBottom - kTop) * i / 4;
        out += "<line x1=\"" + Num(kLeft) + "\" y1=\"" + Num(y) + "\" x2=\"" + Num(kRight) + "\" y2=\"" +
               Num(y) + "\" stroke=\"#ddd\"/>\n" + Text(kLeft - 6, y + 4, Count(top * i / 4), "end");
    }
    const std::size_t n = chart.Commits.size();
    if (n == 0) out += Text(kLeft + 8, kTop + 20, "データなし");
    auto xAt = [&](std::size_t i) {
        return n <= 1 ? (kLeft + kRight) / 2
                      : kLeft + (kRight - kLeft) * static_cast<double>(i) / static_cast<double>(n - 1);
    };
    // At most six commits are named below the axis, the first and the last among them.
    const std::size_t named = std::min<std::size_t>(n, 6);
    for (std::size_t j = 0; j < named; ++j) {
        const std::size_t i = named == 1 ? 0 : j * (n - 1) / (named - 1);
        out += Text(xAt(i), kBottom + 18, Fitted(chart.Commits[i].Label, 90), "middle");
    }
    std::size_t colour = 0;
    double legendY = kTop + 4;
    for (const auto& s : chart.Kinds) {
        const char* c = kPalette[colour++ % std::size(kPalette)];
        std::string points;
        for (std::size_t i = 0; i < s.Lines.size(); ++i)
            points += Num(xAt(i)) + "," + Num(kBottom - (kBottom - kTop) * Value(s.Lines[i]) / top) + " ";
        out += "<polyline fill=\"none\" stroke-width=\"2\" stroke=\"" + std::string(c) + "\" points=\"" +
               points + "\"><title>" + HtmlEscaped(s.Name) + "</title></polyline>\n";
        if (n == 1)
            out += "<circle cx=\"" + Num(xAt(0)) + "\" cy=\"" +
                   Num(kBottom - (kBottom - kTop) * Value(s.Lines[0]) / top) + "\" r=\"4\" fill=\"" + c +
                   "\"/>\n";
        out += Legend({{s.Name, c}}, kRight + 16, legendY);
        legendY += 18;
    }
    return out + "</svg>\n";
}

}  // namespace zarnik::report
