// Semicolon comments and COMMENT blocks. After the word COMMENT the first
// non-blank byte is the block's delimiter; the block ends where that byte occurs
// again. String literals are not looked at.
#include "engine/counter_frame.h"
#include "engine/counters.h"
#include "engine/detail/piece_counters.h"
#include "engine/line_scan.h"
#include "text/sjis.h"

namespace zarnik::engine {

namespace {

using detail::kCommentWord;

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

class AsmCounter {
public:
    explicit AsmCounter(const CountOptions& opt) : remCmt_(opt.RemComments) {}
    bool InComment() const { return inComment_; }

    // Outside a block a line is scanned when it holds "com" in any case, where the
    // word COMMENT could begin (with RemCmt, every line); inside one always, for the
    // delimiter. Without them, a semicolon as the first byte other than blank and
    // TAB makes a comment line.
    using Carry = detail::PairCarry;  // the last two bytes' c, the last byte's o
    detail::BytesAsked Asked() const { return {{'c', 'o', 'm', ';'}, {0x20, 0x20, 0x20, 0}}; }
    detail::BlockMarks Mark(const detail::ByteMasks& m, Carry& carry, char, std::uint64_t) const {
        const std::uint64_t c = m.Byte[0], o = m.Byte[1];
        const std::uint64_t com = m.Byte[2] & ((o << 1) | carry.Second) & ((c << 2) | carry.First);
        carry.First = c >> 62;
        carry.Second = o >> 63;
        return {remCmt_ ? ~std::uint64_t{0} : com, ~std::uint64_t{0}, m.Byte[3]};
    }
    detail::LineClass Unmarked(std::string_view line, std::size_t first) const {
        return line[first] == ';' ? detail::LineClass::Comment : detail::LineClass::Code;
    }

    detail::LineClass Classify(std::string_view line, std::size_t first) {
        // A Rem line neither opens nor closes a block, even when it holds the delimiter.
        if (remCmt_ && IsRemLine(line)) return detail::LineClass::Comment;

        std::size_t start = first;
        // The word is searched anywhere, also inside longer names, and only on lines
        // longer than the word itself; what stands before it is never examined.
        if (!inComment_ && line.size() > kCommentWord.size()) {
            if (std::size_t p = detail::FindCommentWord(line)) {
                start = p - 1 + kCommentWord.size();
                for (std::size_t i = start; i < line.size(); ++i)
                    if (!IsBlankOrTab(line[i])) {
                        inComment_ = true;
                        delimiter_ = -1;
                        break;
                    }
            }
        }

        bool hasCode = false;
        for (std::size_t i = start; i < line.size(); ++i) {
            char c = line[i];
            if (IsBlankOrTab(c)) continue;
            if (!inComment_) {
                // Outside a block only a semicolon matters, and it would end the scan.
                hasCode = c != ';';
                break;
            } else if (delimiter_ < 0) {
                delimiter_ = static_cast<unsigned char>(c);
            } else if (static_cast<unsigned char>(c) == delimiter_) {
                inComment_ = false;
                delimiter_ = -1;
                break;
            }
        }
        return hasCode ? detail::LineClass::Code : detail::LineClass::Comment;
    }

private:
    bool remCmt_;
    bool inComment_ = false;  // inside a COMMENT block
    int delimiter_ = -1;      // the block's delimiter byte, -1 before it is seen
};

}  // namespace

FileStatus detail::CountAsm(const CountOptions& opt, detail::TextPieces& text, FileCounts& rec,
                            ConverterState& state) {
    return detail::RunCounterFrame(opt, text, rec, state, AsmCounter(opt));
}

FileStatus CountAsm(const CountOptions& opt, std::string_view text, FileCounts& rec, ConverterState& state) {
    detail::WholeText whole(text);
    return detail::CountAsm(opt, whole, rec, state);
}

}  // namespace zarnik::engine
