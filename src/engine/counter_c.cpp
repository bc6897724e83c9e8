// Block comments "/*" ... "*/", line comments "//", double-quoted literals with
// the backslash escape, asterisk-only lines and Rem lines.
#include "engine/counter_frame.h"
#include "engine/counters.h"
#include "engine/detail/piece_counters.h"
#include "engine/line_scan.h"

namespace zarnik::engine {

namespace {

// True when the line, up to its first semicolon, holds exactly one word and that
// word is "*". Words are separated by blank, TAB, comma and semicolon.
bool IsAsteriskOnly(std::string_view line) {
    line = line.substr(0, line.find(';'));
    auto isSep = [](char c) { return c == ' ' || c == '\t' || c == ','; };
    int words = 0;
    bool onlyStar = false;
    for (std::size_t i = 0; i < line.size();) {
        if (isSep(line[i])) {
            ++i;
            continue;
        }
        std::size_t start = i;
        while (i < line.size() && !isSep(line[i])) ++i;
        if (++words > 1) return false;
        onlyStar = (i - start == 1 && line[start] == '*');
    }
    return words == 1 && onlyStar;
}

class CFamilyCounter {
public:
    explicit CFamilyCounter(const CountOptions& opt) : opt_(opt) {}
    bool InComment() const { return inComment_; }

    // With RemCmt a line holding an R outside a comment is scanned, and with AstaOnly
    // one holding an asterisk inside a comment.
    using Carry = detail::PairCarry;
    detail::BytesAsked Asked() const {
        return {{'/', '*', 'r', '/'}, {0, 0, 0x20, 0}, opt_.RemComments ? 3 : 2};
    }
    detail::BlockMarks Mark(const detail::ByteMasks& m, Carry& carry, char next, std::uint64_t) const {
        detail::BlockMarks marks = detail::CommentMarks<'/'>(m.Byte[0], m.Byte[1], m.Byte[0], carry, next);
        if (opt_.RemComments) marks.A |= m.Byte[2];
        if (opt_.AsteriskLineIsBlank) marks.B |= m.Byte[1];
        return marks;
    }
    detail::LineClass Unmarked(std::string_view line, std::size_t first) const {
        return detail::UnmarkedCommentLine<'/'>(line, first, inComment_);
    }

    detail::LineClass Classify(std::string_view line, std::size_t first) {
        if (opt_.AsteriskLineIsBlank && inComment_ && IsAsteriskOnly(line))
            return detail::LineClass::BlankRule;
        if (opt_.RemComments && IsRemLine(line)) return detail::LineClass::Comment;
        bool hasCode = detail::ScanCommentedLine<'"', '\\', '/'>(line, inComment_, first);
        return hasCode ? detail::LineClass::Code : detail::LineClass::Comment;
    }

private:
    const CountOptions& opt_;
    bool inComment_ = false;
};

}  // namespace

FileStatus detail::CountCFamily(const CountOptions& opt, detail::TextPieces& text, FileCounts& rec,
                                ConverterState& state) {
    return detail::RunCounterFrame(opt, text, rec, state, CFamilyCounter(opt));
}

FileStatus CountCFamily(const CountOptions& opt, std::string_view text, FileCounts& rec,
                        ConverterState& state) {
    detail::WholeText whole(text);
    return detail::CountCFamily(opt, whole, rec, state);
}

}  // namespace zarnik::engine
