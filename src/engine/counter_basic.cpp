// Rem lines and apostrophe comments outside double-quoted literals. A comment-only
// line ending in a blank or TAB and "_" continues the comment: while it is
// continued every non-blank line is a comment line, and the first one without the
// mark ends it (a Rem line never does).
#include "engine/counter_frame.h"
#include "engine/counters.h"
#include "engine/detail/piece_counters.h"
#include "engine/line_scan.h"
#include "text/sjis.h"

namespace zarnik::engine {

namespace {

// True when the line's last character is "_" and the one before it a blank or TAB.
// Characters are taken double-byte aware, so a trail byte 0x5F is no underscore.
// Neither byte is a lead byte, so both begin characters exactly when the byte
// before the blank does not pair with it: when the lead bytes running up to the
// blank are even in number (a byte that is no lead byte always ends a character).
bool EndsWithContinuation(std::string_view line) {
    const std::size_t n = line.size();
    if (n < 2 || line[n - 1] != '_' || (line[n - 2] != ' ' && line[n - 2] != '\t')) return false;
    std::size_t leads = 0;
    while (leads < n - 2 && text::IsLeadByte(static_cast<unsigned char>(line[n - 3 - leads]))) ++leads;
    return leads % 2 == 0;
}

class BasicCounter {
public:
    bool InComment() const { return inComment_; }

    // Outside a continued comment a line is looked at when it may continue one (it
    // holds "_" after a blank or TAB) or be a Rem line (its first byte other than
    // blank and TAB is an R, or a comma, which a Rem line may start with too);
    // without either, an apostrophe as that first byte makes it a comment line.
    // Inside one every line is looked at.
    struct Carry {
        std::uint64_t White = 0;  // bit 0: the block before ended in a blank or TAB
    };
    detail::BytesAsked Asked() const { return {{'_', 'r', '\'', ','}, {0, 0x20, 0, 0}}; }
    detail::BlockMarks Mark(const detail::ByteMasks& m, Carry& carry, char, std::uint64_t firsts) const {
        const std::uint64_t continuation = m.Byte[0] & ((m.White << 1) | carry.White);
        carry.White = m.White >> 63;
        return {continuation | ((m.Byte[1] | m.Byte[3]) & firsts), ~std::uint64_t{0}, m.Byte[2]};
    }
    detail::LineClass Unmarked(std::string_view line, std::size_t first) const {
        return line[first] == '\'' ? detail::LineClass::Comment : detail::LineClass::Code;
    }

    detail::LineClass Classify(std::string_view line, std::size_t first) {
        bool continuation = EndsWithContinuation(line);
        // Rem lines are always comment lines here, whatever RemCmt says.
        bool hasCode = !IsRemLine(line) && detail::BasicHoldsCode(line, inComment_, first);
        if (!hasCode) {
            if (continuation) inComment_ = true;
            return detail::LineClass::Comment;
        }
        if (inComment_) {
            if (!continuation) inComment_ = false;
            return detail::LineClass::Comment;
        }
        return detail::LineClass::Code;
    }

private:
    bool inComment_ = false;  // a comment is being continued from the line before
};

}  // namespace

FileStatus detail::CountBasic(const CountOptions& opt, detail::TextPieces& text, FileCounts& rec,
                              ConverterState& state) {
    return detail::RunCounterFrame(opt, text, rec, state, BasicCounter());
}

FileStatus CountBasic(const CountOptions& opt, std::string_view text, FileCounts& rec,
                      ConverterState& state) {
    detail::WholeText whole(text);
    return detail::CountBasic(opt, whole, rec, state);
}

}  // namespace zarnik::engine
