// The user interface's edge: Shift-JIS for report, memo and setting texts, the
// file system's own bytes (UTF-8) for target lines and paths, Unicode in Qt.
#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

#include "text/sjis.h"

namespace zarnik::ui {

// Shift-JIS onto the end of out. ASCII is the same in Shift-JIS and Latin-1: most of
// a report line (file lines, rules) needs no converter, and each other character is
// converted once per program run and then looked up, so a line costs no allocation
// but out's growth. A line with a byte that is no whole character goes through the
// converter as a whole, which decides what replaces it.
void AppendQ(QString& out, std::string_view sjis);

inline QString ToQ(const std::string& sjis) {
    QString out;
    AppendQ(out, sjis);
    return out;
}
inline std::string ToSjis(const QString& s) { return text::Utf8ToSjis(s.toUtf8().toStdString()); }

// Shift-JIS from a UTF-8 literal, converted once per call site.
#define ZRNK_SJ(utf8)                                                          \
    ([]() -> const std::string& {                                              \
        static const std::string converted = ::zarnik::text::Utf8ToSjis(utf8); \
        return converted;                                                      \
    }())

// Lines of an edit control's text: a final line break adds no empty line, and an
// empty text has no lines.
inline QStringList TextLines(const QString& text) {
    if (text.isEmpty()) return {};
    QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() > 1 && lines.back().isEmpty()) lines.removeLast();
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
    return lines;
}

inline std::vector<std::string> ToSjisLines(const QString& text) {
    std::vector<std::string> out;
    for (const QString& l : TextLines(text)) out.push_back(ToSjis(l));
    return out;
}

// Target lines as the file system names things: no character is lost to code page
// 932, where it would become "?", a wildcard.
inline std::vector<std::string> ToNativeLines(const QString& text) {
    std::vector<std::string> out;
    for (const QString& l : TextLines(text)) out.push_back(l.toStdString());
    return out;
}

}  // namespace zarnik::ui
