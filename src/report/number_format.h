// Number texts of the report: fixed decimals rounded half away from zero on the
// exact value of a binary float, "," digit groups and "." as the decimal point,
// whatever the C locale says.
#pragma once

#include <cstdint>
#include <string>

namespace zarnik::report {

// value with `decimals` places (0 to 8), rounded half away from zero on its exact
// binary value: 0.125f gives "0.13" where printf would give "0.12". With
// groupDigits the integer part gets "," every three digits ("#,##0.00").
std::string FormatFloat(float value, int decimals, bool groupDigits);
// FormatFloat's text appended to out, right-aligned in width columns.
void AppendFloat(std::string& out, float value, int decimals, bool groupDigits, int width = 0);

// An integer right-aligned in width columns (" %7d" is AlignRight(n, 7) after a blank).
std::string FormatInt(std::int64_t value, int width);
// FormatInt's text appended to out: a report line is built without a string per figure.
void AppendInt(std::string& out, std::int64_t value, int width);

}  // namespace zarnik::report
