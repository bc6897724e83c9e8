#include "report/number_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace zarnik::report {

namespace {

// Decimal digits of a non-negative integer-valued double into buf (400 bytes), and
// their count. Below 2^64 the digits come from the integer; above it printf prints
// an integral double exactly.
std::size_t IntegerDigits(double v, char* buf) {
    if (v < 18446744073709551616.0)
        return static_cast<std::size_t>(std::to_chars(buf, buf + 400, static_cast<std::uint64_t>(v)).ptr -
                                        buf);
    const int n = std::snprintf(buf, 400, "%.0f", v);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

// The digits with "," every three, into dst; returns the end.
char* CopyGrouped(char* dst, const char* digits, std::size_t n) {
    std::size_t lead = n % 3;
    if (lead == 0) lead = 3;
    std::memcpy(dst, digits, lead);
    dst += lead;
    for (std::size_t i = lead; i < n; i += 3) {
        *dst++ = ',';
        std::memcpy(dst, digits + i, 3);
        dst += 3;
    }
    return dst;
}

void AppendPadded(std::string& out, std::string_view text, int width) {
    if (width > 0 && text.size() < static_cast<std::size_t>(width))
        out.append(static_cast<std::size_t>(width) - text.size(), ' ');
    out.append(text);
}

}  // namespace

void AppendFloat(std::string& out, float value, int decimals, bool groupDigits, int width) {
    if (std::isnan(value)) return AppendPadded(out, "NAN", width);
    if (std::isinf(value)) return AppendPadded(out, value < 0 ? "-INF" : "INF", width);
    if (decimals < 0) decimals = 0;
    if (decimals > 8) decimals = 8;
    const auto places = static_cast<std::size_t>(decimals);
    double scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    // A float has 24 significant bits and 10^8 needs 27, so the product is exact in
    // a double; std::round then rounds the exact value with halves away from zero.
    const double scaled = std::round(std::fabs(static_cast<double>(value)) * scale);
    char buf[410];
    char* digits = buf + 9;  // room for the zeros that lead a value below 1
    std::size_t n = IntegerDigits(scaled, digits);
    if (n <= places) {
        const std::size_t zeros = places + 1 - n;
        digits -= zeros;
        std::memset(digits, '0', zeros);
        n += zeros;
    }
    const std::size_t intLength = n - places;
    char text[600];  // a sign, 400 digits, their groups' commas and the point
    char* end = text;
    if (value < 0 && scaled != 0) *end++ = '-';
    if (groupDigits) {
        end = CopyGrouped(end, digits, intLength);
    } else {
        std::memcpy(end, digits, intLength);
        end += intLength;
    }
    if (places > 0) {
        *end++ = '.';
        std::memcpy(end, digits + intLength, places);
        end += places;
    }
    AppendPadded(out, std::string_view(text, static_cast<std::size_t>(end - text)), width);
}

std::string FormatFloat(float value, int decimals, bool groupDigits) {
    std::string out;
    AppendFloat(out, value, decimals, groupDigits);
    return out;
}

void AppendInt(std::string& out, std::int64_t value, int width) {
    char buf[24];
    const auto length = static_cast<std::size_t>(std::to_chars(buf, buf + sizeof buf, value).ptr - buf);
    AppendPadded(out, std::string_view(buf, length), width);
}

std::string FormatInt(std::int64_t value, int width) {
    std::string s;
    AppendInt(s, value, width);
    return s;
}

}  // namespace zarnik::report
