// EUC-JP / ISO-2022-JP (JIS) to Shift-JIS conversion, line by line. The shift
// state lives as long as the converter and carries across lines, files and runs:
// a JIS line that switches to two-byte mode and never switches back leaves every
// later line in that mode until an escape sequence or SI turns it off.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace zarnik::engine {

class EucJisConverter {
public:
    // What DetectCode makes of a line.
    enum Code { Jis = 0, Euc = 1, ShiftJis = 2 };

    // Appends the Shift-JIS form of line to out: a JIS line and an EUC line are
    // converted, a Shift-JIS line is copied. The result ends before its first NUL.
    // Nothing is read or written past the end of the line.
    void ToShiftJis(std::string_view line, std::string& out);

    // Decides per line: JIS when no byte of 0x80 or above is seen, Shift-JIS when
    // a byte rules EUC out, else EUC. Bytes from the first Ctrl-Z on are ignored.
    static Code DetectCode(std::string_view line);

    bool KanjiMode() const { return kanjiMode_; }
    bool KanaMode() const { return kanaMode_; }

private:
    // One step at p[r] of a line of n bytes being rewritten in place: either drops
    // bytes (r moves, w stays) or writes one or two bytes at p[w]. w <= r always.
    void DecodeJis(unsigned char* p, std::size_t n, std::size_t& r, std::size_t& w);
    void DecodeEuc(unsigned char* p, std::size_t n, std::size_t& r, std::size_t& w);

    bool kanjiMode_ = false;  // two-byte JIS X 0208 mode
    bool kanaMode_ = false;   // JIS X 0201 half-width kana mode
};

}  // namespace zarnik::engine
