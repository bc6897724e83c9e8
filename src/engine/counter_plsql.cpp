// Block comments "/*" ... "*/", line comments "--" and single-quoted literals in
// which a doubled apostrophe stands for one. "//" means nothing here.
#include "engine/counter_frame.h"
#include "engine/counters.h"
#include "engine/detail/piece_counters.h"
#include "engine/line_scan.h"

namespace zarnik::engine {

namespace {

class PlSqlCounter {
public:
    explicit PlSqlCounter(const CountOptions& opt) : remCmt_(opt.RemComments) {}
    bool InComment() const { return inComment_; }

    // With RemCmt a line holding an R outside a comment is scanned.
    using Carry = detail::PairCarry;
    detail::BytesAsked Asked() const { return {{'/', '*', '-', 'r'}, {0, 0, 0, 0x20}, remCmt_ ? 4 : 3}; }
    detail::BlockMarks Mark(const detail::ByteMasks& m, Carry& carry, char next, std::uint64_t) const {
        detail::BlockMarks marks = detail::CommentMarks<'-'>(m.Byte[0], m.Byte[1], m.Byte[2], carry, next);
        if (remCmt_) marks.A |= m.Byte[3];
        return marks;
    }
    detail::LineClass Unmarked(std::string_view line, std::size_t first) const {
        return detail::UnmarkedCommentLine<'-'>(line, first, inComment_);
    }

    detail::LineClass Classify(std::string_view line, std::size_t first) {
        if (remCmt_ && IsRemLine(line)) return detail::LineClass::Comment;
        bool hasCode = detail::ScanCommentedLine<'\'', '\'', '-'>(line, inComment_, first);
        return hasCode ? detail::LineClass::Code : detail::LineClass::Comment;
    }

private:
    bool remCmt_;
    bool inComment_ = false;  // inside a block comment
};

}  // namespace

FileStatus detail::CountPlSql(const CountOptions& opt, detail::TextPieces& text, FileCounts& rec,
                              ConverterState& state) {
    return detail::RunCounterFrame(opt, text, rec, state, PlSqlCounter(opt));
}

FileStatus CountPlSql(const CountOptions& opt, std::string_view text, FileCounts& rec,
                      ConverterState& state) {
    detail::WholeText whole(text);
    return detail::CountPlSql(opt, whole, rec, state);
}

}  // namespace zarnik::engine
