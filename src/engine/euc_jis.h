// EUC-JP / ISO-2022-JP (JIS) to Shift-JIS conversion, line by line. The shift
// state lives as long as the converter and carries across lines and files.
#pragma once

#include <string>
#include <string_view>

namespace zarnik::engine {

class TAutoSjisConv {
public:
    // Appends the Shift-JIS form of line to out.
    void ToShiftJis(std::string_view line, std::string& out);
};

}  // namespace zarnik::engine
