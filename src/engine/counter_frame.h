// The frame every line counter follows; counters differ only in how they classify
// a non-blank line.
#pragma once

#include <algorithm>
#include <bit>
#include <concepts>

#include "engine/count_context.h"
#include "engine/detail/source_lines.h"
#include "engine/detail/text_pieces.h"
#include "engine/file_counts.h"
#include "engine/file_status.h"
#include "engine/line_blocks.h"
#include "engine/lines.h"
#include "engine/options.h"

namespace zarnik::engine::detail {

enum class LineClass { Code, Comment, BlankRule };

// The class of a non-blank line of the C family or PL/SQL that holds none of the
// bytes CommentMarks marks for the state it is in: inside a comment it is comment;
// outside one it is code unless its first two bytes other than blank and TAB begin
// a line comment (LineMark doubled).
template <char LineMark>
LineClass UnmarkedCommentLine(std::string_view line, std::size_t first, bool inComment) {
    if (inComment || (line[first] == LineMark && first + 1 < line.size() && line[first + 1] == LineMark))
        return LineClass::Comment;
    return LineClass::Code;
}

// The frame over a text that is neither converted nor logged line by line, with
// the same counts as the line-by-line frame below. Each 64-byte block is taken as
// bit masks. A line that holds no byte its counter marks for the state it is in
// never changes the state, and its class follows from the masks: whether it is
// blank and, outside a comment, whether its first byte other than blank and TAB
// begins a line comment. Such lines are counted without being walked, those that
// begin and end in one block together, by counting bits. Only marked lines, and
// lines of 512 bytes or more, are looked at one by one.
// A counter may have states no mask can follow (a string that goes on past its
// line): while MustScan() says so, every line is looked at. It may also want to
// hear of blank lines (BlankLine()), which end a line continued by a backslash.
template <class Counter>
concept ScansSomeStates = requires(Counter& c) {
    { c.MustScan() } -> std::same_as<bool>;
    c.BlankLine();
};

// A counter may also find its marks in its own pass over the text instead of
// having its asked bytes found.
template <class Counter>
concept FindsItsMarks = requires(Counter& c, const char* p, std::size_t n, typename Counter::Carry& carry,
                                 ByteMasks* out) {
    c.Find(p, n, n, carry, out);
};

// A counter may classify a walked line of at most 64 bytes from its block's marks
// and blanks (bit 0 for the line's first byte) instead of reading it again.
struct LineBits {
    std::uint64_t A = 0, B = 0, LineComment = 0, White = 0;
};
template <class Counter>
concept ClassifiesFromBits = requires(Counter& c, std::string_view line, const LineBits& bits) {
    { c.ClassifyShort(line, std::size_t{0}, bits) } -> std::same_as<LineClass>;
};

template <class Counter>
bool MustScan(const Counter& counter) {
    if constexpr (ScansSomeStates<Counter>)
        return counter.MustScan();
    else
        return false;
}

template <class Counter>
void TellBlankLine(Counter& counter) {
    if constexpr (ScansSomeStates<Counter>) counter.BlankLine();
}

template <class Counter>
class BlockFrame {
public:
    BlockFrame(const CountOptions& opt, Counter& counter)
        : counter_(counter), blankInComment_(opt.BlankInCommentIsComment) {}

    void Piece(std::string_view piece) {
        static const bool bitInstructions = BitInstructions();
        if (bitInstructions)
            PieceWithBitInstructions(piece);
        else
            PieceAs<false>(piece);
    }

    FileStatus Status = FileStatus::Counted;  // that of the last line
    std::int64_t Total = 0, Comment = 0, Blank = 0;

private:
    static constexpr std::size_t kWindow = 64;  // blocks found at a time (4 KiB of text)

    // The bits are counted and searched for with one instruction each where the
    // processor has them (the build targets processors without).
    ZARNIK_BIT_INSTRUCTIONS void PieceWithBitInstructions(std::string_view piece) { PieceAs<true>(piece); }

    template <bool BitInstructions>
    // NOLINTNEXTLINE(readability-function-size): the hot loop, kept whole for the compiler
    [[gnu::always_inline]] void PieceAs(std::string_view piece) {
        const char* const p = piece.data();
        std::size_t n = piece.size();
        std::size_t start = 0;               // where the line at hand starts
        std::uint64_t heldA = 0, heldB = 0;  // its marks in the blocks before (none: 0)
        bool seen = false;                   // whether a byte other than blank and TAB was seen in it,
        bool lineComment = false;            // and began a line comment
        std::uint64_t crBefore = 0;          // bit 0: the byte before the block is a CR
        typename Counter::Carry carry{};
        const BytesAsked asked = counter_.Asked();
        ByteMasks window[kWindow];
        std::size_t found = 0, used = 0;  // blocks in window, and blocks of it taken
        // The block before's marks and blanks, for a walked line that begins in it.
        LineBits lastBlock{};
        bool haveLast = false;
        for (std::size_t at = 0; at < n; at += 64) {
            if (used == found) {
                found = std::min(kWindow, (n - at + 63) / 64);
                if constexpr (FindsItsMarks<Counter>)
                    counter_.Find(p + at, n - at, found, carry, window);
                else
                    FindBytes(p + at, n - at, found, asked, window);
                used = 0;
            }
            const ByteMasks& m = window[used++];
            const std::size_t avail = n - at;
            std::uint64_t valid = avail < 64 ? (std::uint64_t{1} << avail) - 1 : ~std::uint64_t{0};
            bool ended = false;
            if (const std::uint64_t nul = m.Nul & valid; nul != 0) [[unlikely]] {
                // The text ends at its first NUL.
                const auto k = static_cast<unsigned>(std::countr_zero(nul));
                n = at + k;
                valid = (std::uint64_t{1} << k) - 1;
                ended = true;
            }
            const std::uint64_t breaks = m.Cr | m.Lf;
            // An LF right after a CR ends no line of its own.
            const std::uint64_t lfAfterCr = m.Lf & ((m.Cr << 1) | crBefore);
            crBefore = m.Cr >> 63;
            std::uint64_t ends = breaks & ~lfAfterCr & valid;
            // A bit where each line's first byte other than blank and TAB stands, or at
            // its end when it is blank: a carry set off at the line's start (bit 0 for
            // the line at hand) runs through its blanks and TABs (and the LF of a CR LF)
            // and stops at the first other byte. The bit set off at bit 0 is only read
            // while the line at hand has shown no such byte yet.
            const std::uint64_t white = (m.White | lfAfterCr) & valid;
            const std::uint64_t firsts = (white + ((ends << 1) & valid) + 1) & ~white & valid;
            BlockMarks marks = counter_.Mark(m, carry, at + 64 < n ? p[at + 64] : '\0', firsts);
            marks.A &= valid;
            marks.B &= valid;
            unsigned pos = 0;  // the block's first byte of the line at hand
            const LineBits here{marks.A, marks.B, marks.LineComment, m.White};
            // The line [from, to)'s bits, where it ends in this block and is short.
            auto bitsOf = [&](std::size_t from, std::size_t to, LineBits& out) {
                if constexpr (!ClassifiesFromBits<Counter>) {
                    return false;
                } else {
                    if (to - from > 64) return false;
                    if (from >= at) {
                        const unsigned s = static_cast<unsigned>(from - at);
                        out = {here.A >> s, here.B >> s, here.LineComment >> s, here.White >> s};
                        return true;
                    }
                    if (!haveLast || from + 64 < at) return false;
                    const unsigned s = static_cast<unsigned>(from + 64 - at);
                    if (s == 0) {  // 64 bytes, all in the block before
                        out = lastBlock;
                        return true;
                    }
                    auto join = [s](std::uint64_t lo, std::uint64_t hi) { return lo >> s | hi << (64 - s); };
                    out = {join(lastBlock.A, here.A), join(lastBlock.B, here.B),
                           join(lastBlock.LineComment, here.LineComment), join(lastBlock.White, here.White)};
                    return true;
                }
            };
            const bool inComment = counter_.InComment();
            const auto k = static_cast<unsigned>(std::countr_zero(ends | (std::uint64_t{1} << 63)));
            const bool scan = MustScan(counter_);
            if (ends != 0 && !scan && ((inComment ? marks.B : marks.A) == 0) &&
                (inComment ? heldB : heldA) == 0 && at + k - start < 512) {
                // The common block: no line ending in it holds a mark, so all of them
                // are counted from the masks at once, without a loop whose length
                // would be hard to predict. The line at hand, which ends at the first
                // end, may have shown its first byte in a block before.
                const std::uint64_t before = (std::uint64_t{1} << k) - 1, others = ends & (ends - 1);
                const auto last = static_cast<unsigned>(63 - std::countl_zero(ends));
                const std::uint64_t span = ~std::uint64_t{0} >> (63 - last) & ~before;
                const AtHand first = LineAtHand(k, before, seen, lineComment, firsts, marks.LineComment);
                Easy<BitInstructions>(others, firsts, marks.LineComment & span, first);
                start = LineAfter(p, n, at + last);
                pos = last + 1;
                heldA = heldB = 0;
                seen = lineComment = false;
            } else if (ends != 0) {
                // The line at hand ends at the first end.
                const std::uint64_t before = (std::uint64_t{1} << k) - 1;
                const bool a = (heldA | (marks.A & before)) != 0, b = (heldB | (marks.B & before)) != 0;
                if (at + k - start < 512 && !scan && !(inComment ? b : a)) {
                    // Counted without branching on its class, which is hard to predict.
                    Easy<BitInstructions>(
                        0, firsts, 0, LineAtHand(k, before, seen, lineComment, firsts, marks.LineComment));
                } else {
                    LineBits bits;
                    OneLine(p, start, at + k, a, b, bitsOf(start, at + k, bits) ? &bits : nullptr);
                }
                start = LineAfter(p, n, at + k);
                pos = k + 1;
                heldA = heldB = 0;
                seen = lineComment = false;
                ends &= ends - 1;
                // The lines that begin and end in the block: those without marks for
                // the state are counted together, up to the next that holds one.
                while (ends != 0) {
                    const std::uint64_t hard = (MustScan(counter_)     ? ~std::uint64_t{0}
                                                : counter_.InComment() ? marks.B
                                                                       : marks.A) &
                                               (~std::uint64_t{0} << pos);
                    const std::uint64_t easy =
                        hard != 0 ? ends & ((std::uint64_t{1} << std::countr_zero(hard)) - 1) : ends;
                    if (easy != 0) {
                        const auto last = static_cast<unsigned>(63 - std::countl_zero(easy));
                        const std::uint64_t span =
                            ~std::uint64_t{0} >> (63 - last) & (~std::uint64_t{0} << pos);
                        Easy<BitInstructions>(easy, firsts, marks.LineComment & span);
                        start = LineAfter(p, n, at + last);
                        pos = last + 1;
                        ends &= ~easy;
                    }
                    if (hard == 0 || ends == 0) break;  // a marked line goes on into the next block
                    const auto e = static_cast<unsigned>(std::countr_zero(ends));
                    const std::uint64_t span = ((std::uint64_t{1} << e) - 1) & (~std::uint64_t{0} << pos);
                    LineBits bits;
                    OneLine(p, start, at + e, (marks.A & span) != 0, (marks.B & span) != 0,
                            bitsOf(start, at + e, bits) ? &bits : nullptr);
                    start = LineAfter(p, n, at + e);
                    pos = e + 1;
                    ends &= ends - 1;
                }
            }
            if (pos < 64) {
                // The line at hand goes on into the next block.
                const std::uint64_t rest = (~std::uint64_t{0} << pos) & valid;
                heldA |= marks.A & rest;
                heldB |= marks.B & rest;
                // Without a branch on whether the line shows its first byte here,
                // which the text decides.
                const std::uint64_t first = seen ? 0 : firsts & rest;
                lineComment |= (first & (~first + 1) & marks.LineComment) != 0;
                seen |= first != 0;
            }
            lastBlock = here;
            haveLast = true;
            if (ended) break;
        }
        if (start < n) OneLine(p, start, n, heldA != 0, heldB != 0);
    }

    static std::size_t LineAfter(const char* p, std::size_t n, std::size_t end) {
        const std::size_t next = end + 1;
        return next + (next < n && p[end] == '\r' && p[next] == '\n');
    }

    void BlankRule(std::int64_t lines) {
        if (counter_.InComment() && blankInComment_)
            Comment += lines;
        else
            Blank += lines;
    }

    // An unmarked line at hand that ends in the block, at bit k: one line, whether
    // it is blank, and whether (outside a comment) it is a comment line. Its first
    // byte other than blank and TAB may stand in an earlier block (seen).
    struct AtHand {
        int Lines = 0, Blank = 0, Comment = 0;
    };
    static AtHand LineAtHand(unsigned k, std::uint64_t before, bool seen, bool lineComment,
                             std::uint64_t firsts, std::uint64_t lineComments) {
        const bool blank = !seen && (firsts >> k & 1) != 0;
        const bool comment = seen ? lineComment : (firsts & lineComments & before) != 0;
        return {1, blank, !blank && comment};
    }

    // The lines ending at the bits of ends, none of which holds a mark for the state,
    // and the line at hand when one is given. lineComments holds no bit outside the
    // lines of ends.
    template <bool BitInstructions>
    [[gnu::always_inline]] void Easy(std::uint64_t ends, std::uint64_t firsts, std::uint64_t lineComments,
                                     AtHand atHand = {}) {
        const auto lines = atHand.Lines + CountBits<BitInstructions>(ends),
                   blank = atHand.Blank + CountBits<BitInstructions>(firsts & ends);
        Status = FileStatus::Counted;
        Total += lines;
        BlankRule(blank);
        Comment += counter_.InComment() ? lines - blank
                                        : atHand.Comment + CountBits<BitInstructions>(firsts & lineComments);
    }

    // The line [start, end) of p, looked at by itself.
    void OneLine(const char* p, std::size_t start, std::size_t end, bool markA, bool markB,
                 const LineBits* bits = nullptr) {
        const std::size_t size = end - start;
        if (size >= 512) [[unlikely]] {  // not counted
            Status = FileStatus::Unfit;
            return;
        }
        Status = FileStatus::Counted;
        ++Total;
        // (A short line's blanks are in its bits: size is at most 64.)
        const std::size_t first =
            bits ? std::min<std::size_t>(static_cast<std::size_t>(std::countr_one(bits->White)), size)
                 : FirstNonBlank(p + start, size);
        if (first == size) {
            BlankRule(1);
            return TellBlankLine(counter_);
        }
        const std::string_view line(p + start, size);
        LineClass c;
        if (!(counter_.InComment() ? markB : markA))
            c = counter_.Unmarked(line, first);
        else if constexpr (ClassifiesFromBits<Counter>)
            c = bits ? counter_.ClassifyShort(line, first, *bits) : counter_.Classify(line, first);
        else
            c = counter_.Classify(line, first);
        switch (c) {
            case LineClass::Comment:
                ++Comment;
                break;
            case LineClass::BlankRule:
                BlankRule(1);
                break;
            case LineClass::Code:
                break;
        }
    }

    Counter& counter_;
    bool blankInComment_;
};

template <class Counter>
FileStatus RunBlockFrame(const CountOptions& opt, TextPieces& text, FileCounts& rec, Counter& counter) {
    BlockFrame<Counter> frame(opt, counter);
    std::string_view piece;
    while (text.Next(piece)) frame.Piece(piece);
    rec.Total += frame.Total;
    rec.Comment += frame.Comment;
    rec.Blank += frame.Blank;
    return frame.Status;
}

// Counter: bool InComment() const; LineClass Classify(std::string_view line, std::size_t first),
// first being the index of the line's first byte other than blank and TAB.
// A fresh Counter is made per file, so its comment state starts cleared; it
// carries from piece to piece of the text.
//
// For texts read as they are (BlockFrame) the counter also gives: a type Carry;
// BytesAsked Asked() const, the bytes it needs found; BlockMarks Mark(const
// ByteMasks&, Carry&, char next, std::uint64_t firsts) const, the marks they make
// (firsts: each line's first byte other than blank and TAB, and maybe more); and
// LineClass Unmarked(line, first), the class of a line that holds no mark for
// the state it is in, which never changes the state.
template <class Counter>
FileStatus RunCounterFrame(const CountOptions& opt, TextPieces& text, FileCounts& rec, ConverterState& state,
                           Counter counter) {
    if (!state.LineClasses && !(opt.ConvertEucJis && !state.FromUtf8))
        return RunBlockFrame(opt, text, rec, counter);
    SourceLines lines(text, opt, state);
    FileStatus status = FileStatus::Counted;
    LineLog* log = state.LineClasses;
    auto note = [log](LineClassOf c) {
        if (log) log->Classes.push_back(c);
    };
    auto blankRule = [&] {
        if (counter.InComment() && opt.BlankInCommentIsComment) {
            ++rec.Comment;
            note(LineClassOf::Comment);
        } else {
            ++rec.Blank;
            note(LineClassOf::Blank);
        }
    };
    std::string_view line;
    while (lines.Next(line)) {
        if (log && lines.Converts()) {
            log->Converted.append(line);
            log->ConvertedEnds.push_back(log->Converted.size());
        }
        LineCheck check = CheckLoadedLine(line);
        status = check.Status;
        if (status != FileStatus::Counted) {
            note(LineClassOf::NotCounted);
            continue;
        }
        ++rec.Total;
        if (!check.NonBlank) {
            blankRule();
            TellBlankLine(counter);
            continue;
        }
        switch (counter.Classify(line, check.First)) {
            case LineClass::Comment:
                ++rec.Comment;
                note(LineClassOf::Comment);
                break;
            case LineClass::BlankRule:
                blankRule();
                break;
            case LineClass::Code:
                note(LineClassOf::Exec);
                break;
        }
    }
    return status;
}

}  // namespace zarnik::engine::detail
