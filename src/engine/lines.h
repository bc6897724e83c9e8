// Lines of a source file and the per-line checks every counter shares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

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

// An ordered list of lines without their line breaks. The lines either point into
// a buffer the caller keeps alive (Split) or into the list's own buffer (Append).
// Clearing keeps the capacity, so a list reused from file to file stops allocating.
class LineList {
public:
    std::size_t size() const { return spans_.size(); }
    bool empty() const { return spans_.empty(); }
    std::string_view operator[](std::size_t i) const {
        return {(base_ ? base_ : own_.data()) + spans_[i].Offset, spans_[i].Length};
    }
    void clear() {
        spans_.clear();
        own_.clear();
        base_ = nullptr;
    }
    // Replaces the list by the lines of text; text must outlive the list's use.
    void Split(std::string_view text);
    // Appends a copy of line to the list's own buffer (lists filled this way only).
    void Append(std::string_view line);
    // Buffer the next Append... calls may grow in place: a converter writes the line
    // to OwnBuffer() and then calls CommitOwn with the offset it started at.
    std::string& OwnBuffer() { return own_; }
    void CommitOwn(std::size_t startOffset) { spans_.push_back({startOffset, own_.size() - startOffset}); }

private:
    struct Span {
        std::size_t Offset;
        std::size_t Length;
    };
    std::vector<Span> spans_;
    std::string own_;
    const char* base_ = nullptr;
};

struct LineCheck {
    FileStatus Status;  // Counted, NotSource (holds NUL) or Unfit (512 bytes or longer)
    bool NonBlank;      // holds a byte other than blank, TAB, CR and LF
};
LineCheck CheckLine(std::string_view line);

// CheckLine for a line of a LineList, which never holds a NUL byte: only the
// length and the first byte that is not white space need to be looked at.
inline LineCheck CheckLoadedLine(std::string_view line) {
    if (line.size() >= 512) return {FileStatus::Unfit, false};
    for (char ch : line)
        if (ch != ' ' && ch != '\t' && ch != '\r' && ch != '\n') return {FileStatus::Counted, true};
    return {FileStatus::Counted, false};
}

// True when the switch is on and the first word of the line is "Rem" (any case).
bool IsRemLine(std::string_view line, bool on);

enum class QuoteVariant { C, Basic };

// The line with the inside of its double-quoted literals blanked, written to out
// (whose capacity is reused). Returns a view of the result: the line itself when it
// holds no double quote.
std::string_view StripQuoted(std::string_view line, QuoteVariant variant, std::string& out);
std::string StripQuoted(std::string_view line, QuoteVariant variant);

// The line with the inside of its single-quoted literals blanked; a doubled
// apostrophe inside or outside a literal first becomes a full-width blank. Same
// buffer convention as StripQuoted: the line itself when it holds no apostrophe.
std::string_view StripSqlQuoted(std::string_view line, std::string& out);
std::string StripSqlQuoted(std::string_view line);

}  // namespace zarnik::engine
