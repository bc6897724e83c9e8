#include "report/number_format.h"

#include <cmath>
#include <cstdio>

namespace zarnik::report {

namespace {

// Decimal digits of a non-negative integer-valued double. Below 2^64 the digits
// come from the integer; above it printf prints an integral double exactly.
std::string IntegerDigits(double v) {
    if (v < 18446744073709551616.0) return std::to_string(static_cast<std::uint64_t>(v));
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.0f", v);
    return buf;
}

void AppendGrouped(std::string& out, const std::string& digits) {
    std::size_t lead = digits.size() % 3;
    if (lead == 0) lead = 3;
    out.append(digits, 0, lead);
    for (std::size_t i = lead; i < digits.size(); i += 3) {
        out.push_back(',');
        out.append(digits, i, 3);
    }
}

}  // namespace

std::string FormatFloat(float value, int decimals, bool groupDigits) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    if (decimals < 0) decimals = 0;
    if (decimals > 8) decimals = 8;
    double scale = 1;
    for (int i = 0; i < decimals; ++i) scale *= 10;
    // A float has 24 significant bits and 10^8 needs 27, so the product is exact in
    // a double; std::round then rounds the exact value with halves away from zero.
    double scaled = std::round(std::fabs(static_cast<double>(value)) * scale);
    std::string digits = IntegerDigits(scaled);
    if (digits.size() <= static_cast<std::size_t>(decimals))
        digits.insert(0, static_cast<std::size_t>(decimals) + 1 - digits.size(), '0');
    std::string intPart = digits.substr(0, digits.size() - static_cast<std::size_t>(decimals));

    std::string out;
    if (value < 0 && scaled != 0) out.push_back('-');
    if (groupDigits)
        AppendGrouped(out, intPart);
    else
        out += intPart;
    if (decimals > 0) {
        out.push_back('.');
        out.append(digits, intPart.size(), std::string::npos);
    }
    return out;
}

std::string FormatInt(std::int64_t value, int width) {
    std::string s = std::to_string(value);
    if (width > 0 && s.size() < static_cast<std::size_t>(width))
        s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

}  // namespace zarnik::report
