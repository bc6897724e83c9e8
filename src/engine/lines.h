// Lines of a source file and the per-line checks every counter shares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/file_status.h"

namespace zarnik::engine {

// The lines of a text one after another, without their line breaks: the text
// ends at its first NUL byte; a line ends at a CR, an LF or the end of the text,
// and after it one CR and then one LF are skipped (CR LF, CR and LF each end a
// line; LF CR ends one and starts an empty one; a break at the very end adds no
// empty line). Breaks are looked for 64 bytes at a time.
class LineSplitter {
public:
    explicit LineSplitter(std::string_view text);
    bool Next(std::string_view& line) {
        if (pos_ >= n_) return false;
        std::size_t end = NextBreak(pos_);
        if (end < n_ && p_[end] == '\0') {
            n_ = end;  // the text ends here
            if (end == pos_) return false;
        }
        line = {p_ + pos_, end - pos_};
        pos_ = end;
        if (pos_ < n_ && p_[pos_] == '\r') ++pos_;
        if (pos_ < n_ && p_[pos_] == '\n') ++pos_;
        return true;
    }

private:
    std::size_t NextBreak(std::size_t from);

    const char* p_;
    std::size_t n_;
    std::size_t pos_ = 0;
    std::size_t block_ = 0;  // offset of the 64-byte block that mask_ describes
    std::uint64_t mask_;     // bit k: p_[block_ + k] is a CR, an LF or a NUL
};

struct LineCheck {
    FileStatus Status;  // Counted, or Unfit (512 bytes or longer)
    bool NonBlank;      // holds a byte other than blank, TAB, CR and LF
};

// The checks of a line of a text, which never holds a NUL byte (the text ends at
// the first): only the length and the first byte that is not white space need to
// be looked at.
inline LineCheck CheckLoadedLine(std::string_view line) {
    if (line.size() >= 512) return {FileStatus::Unfit, false};
    for (char ch : line)
        if (ch != ' ' && ch != '\t' && ch != '\r' && ch != '\n') return {FileStatus::Counted, true};
    return {FileStatus::Counted, false};
}

// True when the first word of the line is "Rem" (any case).
bool IsRemLine(std::string_view line);

}  // namespace zarnik::engine
