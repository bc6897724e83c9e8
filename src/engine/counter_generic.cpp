// The table's languages, each counted by its own markers. Text is Shift-JIS by the
// time it is counted: it is walked character by character, so a trail byte is
// never a quote, a backslash or part of a marker.
#include "engine/counter_generic.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <optional>

#include "engine/counter_frame.h"
#include "engine/line_scan.h"
#include "text/sjis.h"

namespace zarnik::engine {

namespace {

bool IsWordByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c | 0x20) : c; }

// Whether the marker stands at i: its bytes (any case when noCase), and after a
// marker ending in a letter no letter, digit or underscore.
[[gnu::always_inline]] inline bool MarkerAt(std::string_view line, std::size_t i, std::string_view marker,
                                            bool noCase) {
    if (line.size() - i < marker.size()) return false;
    for (std::size_t k = 0; k < marker.size(); ++k) {
        const char a = line[i + k], b = marker[k];
        if (a != b && !(noCase && Lower(a) == Lower(b))) return false;
    }
    const std::size_t end = i + marker.size();
    return !IsLetter(marker.back()) || end == line.size() || !IsWordByte(line[end]);
}

// Past the characters from i on that begin with a byte of 0x80 or above, up to one
// whose first byte stops (a marker may begin with it). Double-byte text comes in
// runs: stepped over here instead of one search for the next stop per character.
template <class Stops>
[[gnu::always_inline]] inline std::size_t PastHighBytes(std::string_view line, std::size_t i, Stops stops) {
    while (i < line.size() && static_cast<unsigned char>(line[i]) >= 0x80 && !stops(line[i]))
        i += text::CharLength(line, i);
    return i;
}

// Whether the line ends in a backslash that is no trail byte: the lead bytes
// running up to it are even in number.
bool EndsWithBackslash(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    const std::size_t n = line.size();
    if (n == 0 || line[n - 1] != '\\') return false;
    std::size_t leads = 0;
    while (leads < n - 1 && text::IsLeadByte(static_cast<unsigned char>(line[n - 2 - leads]))) ++leads;
    return leads % 2 == 0;
}

}  // namespace

LanguageRules::LanguageRules(const Language& language) : lang_(language) {
    auto add = [this](const std::string& text, OpenerType type, std::size_t index) {
        const char first = text.front();
        const bool other = lang_.NoCase && type != OpenerType::String && IsLetter(first);
        openers_.push_back({text, type, static_cast<std::uint16_t>(index), first,
                            other ? static_cast<char>(first ^ 0x20) : first});
    };
    for (const std::string& m : lang_.LineComments) add(m, OpenerType::Line, 0);
    for (const std::string& m : lang_.LineStartComments) add(m, OpenerType::LineStart, 0);
    for (std::size_t k = 0; k < lang_.Blocks.size(); ++k) add(lang_.Blocks[k].Open, OpenerType::Block, k);
    for (std::size_t k = 0; k < lang_.LineStartBlocks.size(); ++k)
        add(lang_.LineStartBlocks[k].Open, OpenerType::BlockStart, k);
    for (std::size_t k = 0; k < lang_.Strings.size(); ++k) add(lang_.Strings[k].Open, OpenerType::String, k);
    std::stable_sort(openers_.begin(), openers_.end(),
                     [](const Opener& a, const Opener& b) { return a.Text.size() > b.Text.size(); });
    for (const Opener& o : openers_) {
        const auto c = static_cast<unsigned char>(o.Text.front());
        interesting_[c] = true;
        if (lang_.NoCase && IsLetter(o.Text.front()))
            interesting_[static_cast<unsigned char>(c ^ 0x20)] = true;
    }
    char stops[4] = {};
    std::size_t count = 0;
    for (std::size_t c = 0; c < 128; ++c)
        if (interesting_[c] && count++ < 4) stops[count - 1] = static_cast<char>(c);
    hasCodeStops_ = count >= 1 && count <= 4;
    for (std::size_t k = count; hasCodeStops_ && k < 4; ++k) stops[k] = stops[0];
    CodeStops = detail::MakeStopSet(stops[0], stops[1], stops[2], stops[3]);
    for (const CommentPair& p : lang_.Blocks) {
        const char close = p.Close.front(), open = p.Open.front();
        const char close2 = lang_.NoCase ? static_cast<char>(close ^ (IsLetter(close) ? 0x20 : 0)) : close;
        const char open2 = lang_.NoCase ? static_cast<char>(open ^ (IsLetter(open) ? 0x20 : 0)) : open;
        BlockStops.push_back(
            detail::MakeStopSet(close, close2, lang_.Nested ? open : close, lang_.Nested ? open2 : close));
    }
    for (const StringForm& f : lang_.Strings) {
        // The closer's first byte: a raw string's is its parenthesis, one with '#' marks its quote.
        const char close = f.Hashes ? '"' : f.RawDelim ? ')' : f.Close.empty() ? '\0' : f.Close.front();
        StringStops.push_back(detail::MakeStopSet(close, f.Escape ? '\\' : close, close, close));
    }
    ChooseBytes();
    PlanShortLines();
}

void LanguageRules::PlanShortLines() {
    const Language& l = lang_;
    auto plain = [](const std::string& m) {
        return m.size() == 2 && std::none_of(m.begin(), m.end(), IsLetter);
    };
    if (AllLines || l.Blocks.size() != 1 || l.Nested || !l.LineStartComments.empty() ||
        !l.LineStartBlocks.empty() || l.WordComment || l.LineComments.empty() || l.LineComments.size() > 2 ||
        !plain(l.Blocks[0].Open) || !plain(l.Blocks[0].Close) ||
        !std::all_of(l.LineComments.begin(), l.LineComments.end(), plain) ||
        std::find(l.LineComments.begin(), l.LineComments.end(), l.Blocks[0].Open) != l.LineComments.end())
        return;
    std::vector<char> stops{'\\'};
    for (const StringForm& f : l.Strings)
        if (std::find(stops.begin(), stops.end(), f.Open.back()) == stops.end())
            stops.push_back(f.Open.back());
    if (stops.size() > 4) return;
    Short.On = true;
    std::memcpy(Short.Open, l.Blocks[0].Open.data(), 2);
    std::memcpy(Short.Close, l.Blocks[0].Close.data(), 2);
    for (std::size_t k = 0; k < 2; ++k)
        std::memcpy(Short.Line[k], l.LineComments[k % l.LineComments.size()].data(), 2);
    for (std::size_t k = 0; k < 4; ++k) Short.Stops[k] = stops[k % stops.size()];
    auto byte = [this](std::int8_t k) { return k < 0 ? '\0' : Asked.Value[k]; };
    auto is = [&](const Mark& r, const char(&pair)[2]) {
        return r.Second >= 0 && byte(r.First) == pair[0] && byte(r.Second) == pair[1];
    };
    auto stop = [&](std::int8_t k) {
        return k >= 0 && std::find(stops.begin(), stops.end(), byte(k)) != stops.end();
    };
    Short.FromBlocks = std::all_of(Marks.begin(), Marks.end(), [&](const Mark& r) {
        if (stop(r.First) || stop(r.Second)) return true;
        if ((r.Roles & B) != 0 && !is(r, Short.Close)) return false;
        if ((r.Roles & A) != 0 && !is(r, Short.Open)) return false;
        return (r.Roles & LineComment) == 0 || is(r, Short.Line[0]) || is(r, Short.Line[1]);
    });
}

void LanguageRules::ChooseBytes() {
    AllLines = lang_.CommentColumn != 0 || lang_.CodeFirst != 0 || !lang_.HeaderFirst.empty();
    // Pairs of bytes are rarer in text than single bytes; single bytes fit more markers.
    if (!AllLines && !ChooseBytes(true) && !ChooseBytes(false)) AllLines = true;
}

// Picks the asked bytes and the marks of every marker; false when more distinct
// bytes are needed than the frame finds.
bool LanguageRules::ChooseBytes(bool pairs) {
    std::vector<char> chosen;
    Marks.clear();
    EndBackslash = -1;
    auto entry = [&](char c) {
        // Where case is ignored letters are found in either case.
        if (lang_.NoCase) c = Lower(c);
        auto at = std::find(chosen.begin(), chosen.end(), c);
        if (at == chosen.end()) at = chosen.insert(chosen.end(), c);
        return static_cast<std::int8_t>(at - chosen.begin());
    };
    auto add = [&](std::string_view m, std::uint8_t role) {
        Mark mark;
        mark.First = entry(m[0]);
        if (pairs && m.size() >= 2) mark.Second = entry(m[1]);
        mark.Roles = role;
        Marks.push_back(mark);
    };
    for (const Opener& o : openers_) {
        const StringForm* s = o.Type == OpenerType::String ? &lang_.Strings[o.Index] : nullptr;
        if (s && s->Hashes) {
            add("\"", A);  // r, any number of '#', then the quote
        } else if (o.Type == OpenerType::Line || o.Type == OpenerType::LineStart) {
            // A line comment after code leaves the line code and the state as it was;
            // as a line's first text it makes a comment line. Letters need the whole
            // marker and a word boundary checked, and so does a marker of two bytes
            // when only its first is looked for ("/" alone begins no "//").
            const bool plain =
                o.Text.size() <= (pairs ? 2u : 1u) && std::none_of(o.Text.begin(), o.Text.end(), IsLetter);
            add(o.Text, plain ? LineComment : A);
        } else if (!s || s->Multi || s->Doc || s->RawDelim) {
            add(o.Text, A);
        }
    }
    if (lang_.Splice) EndBackslash = entry('\\');
    for (const CommentPair& p : lang_.Blocks) {
        add(p.Close, B);
        if (lang_.Nested) add(p.Open, B);
    }
    for (const CommentPair& p : lang_.LineStartBlocks) add(p.Close, B);
    for (const StringForm& s : lang_.Strings)
        if (s.Doc) add(s.Close, B);
    if (chosen.size() > detail::kMaxAsked) return false;
    Asked = {{}, {}, static_cast<int>(chosen.size())};
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        Asked.Value[k] = chosen[k];
        Asked.Fold[k] = lang_.NoCase && IsLetter(chosen[k]) ? char{0x20} : char{0};
    }
    PlanTerms();
    PlanTables();
    return true;
}

void LanguageRules::PlanTerms() {
    Preceded.clear();
    Followed.clear();
    TermsA.clear();
    TermsB.clear();
    TermsLineComment.clear();
    auto need = [](std::vector<std::uint8_t>& list, std::int8_t k) {
        const auto entry = static_cast<std::uint8_t>(k);
        if (std::find(list.begin(), list.end(), entry) == list.end()) list.push_back(entry);
    };
    auto add = [](std::vector<Term>& terms, Term t) {
        if (std::none_of(terms.begin(), terms.end(),
                         [&](Term u) { return u.Byte == t.Byte && u.Other == t.Other; }))
            terms.push_back(t);
    };
    for (const Mark& r : Marks) {
        const bool pair = r.Second >= 0;
        const auto first = static_cast<std::uint8_t>(r.First), second = static_cast<std::uint8_t>(r.Second);
        // A pair is marked at its second byte, and as a line comment at its first.
        const Term at = pair ? Term{second, AuxPreceded(r.First)} : Term{first, kAuxAll};
        if ((r.Roles & (A | B)) != 0 && pair) need(Preceded, r.First);
        if ((r.Roles & A) != 0) add(TermsA, at);
        if ((r.Roles & B) != 0) add(TermsB, at);
        if ((r.Roles & LineComment) != 0) {
            if (pair) need(Followed, r.Second);
            add(TermsLineComment, pair ? Term{first, AuxFollowed(r.Second)} : Term{first, kAuxAll});
        }
    }
}

void LanguageRules::PlanTables() {
    Tables = {};
    // (Line breaks take a class of their own where a backslash can end a line.)
    OnePass = detail::MarksInOnePass() && Asked.Count + (EndBackslash >= 0 ? 1 : 0) < 8;
    for (int k = 0; k < Asked.Count; ++k) {
        if (static_cast<unsigned char>(Asked.Value[k]) >= 0x80) OnePass = false;
        for (unsigned c = 1; c < 0x80; ++c)
            if (static_cast<char>(static_cast<char>(c) | Asked.Fold[k]) == Asked.Value[k])
                Tables.Class[c] = static_cast<std::uint8_t>(k + 1);
    }
    auto at = [this](std::uint8_t before, std::int8_t entry) -> std::uint8_t& {
        return Tables.Roles[8 * before + static_cast<std::uint8_t>(entry + 1)];
    };
    using R = detail::MarkTables;
    for (const Mark& r : Marks) {
        const bool pair = r.Second >= 0;
        std::uint8_t roles = 0;
        if ((r.Roles & A) != 0) roles |= R::A;
        if ((r.Roles & B) != 0) roles |= R::B;
        if (pair) {
            if ((r.Roles & LineComment) != 0) roles |= R::LineCommentBefore;
            at(static_cast<std::uint8_t>(r.First + 1), r.Second) |= roles;
        } else {
            for (std::uint8_t before = 0; before < 8; ++before) at(before, r.First) |= roles;
            // A line comment of one byte is marked by whatever byte follows it, as
            // one of two bytes is by its second.
            if ((r.Roles & LineComment) != 0)
                for (std::int8_t after = -1; after < 7; ++after)
                    at(static_cast<std::uint8_t>(r.First + 1), after) |= R::LineCommentBefore;
        }
    }
    if (EndBackslash >= 0 && Asked.Count < 7) {
        // A backslash that ends its line is marked as A by the line break after it.
        const auto lineBreak = static_cast<std::int8_t>(Asked.Count);
        Tables.Class['\r'] = Tables.Class['\n'] = static_cast<std::uint8_t>(lineBreak + 1);
        at(static_cast<std::uint8_t>(EndBackslash + 1), lineBreak) |= R::ABefore;
    }
    Tables.MakeIndex();
}

namespace {

// A line's state between lines: in code, in a block comment (nested Depth deep), in
// a string, or in a line comment or string continued by a final backslash.
enum class State : std::uint8_t { Code, Block, BlockStart, String, Doc, LineSplice, Header };

// How a line is classified, whatever marks the language's blocks.
class GenericLines {
public:
    GenericLines(const LanguageRules& rules, bool header) : rules_(rules), lang_(rules.Lang()) {
        Set(header ? State::Header : State::Code);
    }

    bool InComment() const { return inComment_; }
    // A string or a continued line comment goes on by rules the masks cannot tell.
    bool MustScan() const { return mustScan_; }
    // A blank line ends what a final backslash continued.
    void BlankLine() {
        if (state_ == State::LineSplice || (state_ == State::String && !Form().Multi)) Set(State::Code);
    }

    detail::LineClass Unmarked(std::string_view line, std::size_t first) {
        if (MustScan()) return Classify(line, first);
        if (InComment()) return detail::LineClass::Comment;
        // Outside a comment an unmarked line is code, unless its first text begins a
        // line comment.
        for (const Opener& o : rules_.Openers())
            if ((o.Type == OpenerType::Line || o.Type == OpenerType::LineStart) &&
                MarkerAt(line, first, o.Text, lang_.NoCase))
                return detail::LineClass::Comment;
        return detail::LineClass::Code;
    }

    detail::LineClass Classify(std::string_view line, std::size_t first);
    // Classify, with the line's marks and blanks taken from its blocks' where the
    // language's shape allows.
    detail::LineClass ClassifyShort(std::string_view line, std::size_t first, const detail::LineBits& bits) {
        return ClassifyShortAs<false>(line, first, bits);
    }
    // The same, for processors with AVX-512 (where the table pass runs): the stop
    // bytes are found without a call.
    ZARNIK_AVX512_BITS detail::LineClass ClassifyShortWide(std::string_view line, std::size_t first,
                                                           const detail::LineBits& bits) {
        return ClassifyShortAs<true>(line, first, bits);
    }

protected:
    const LanguageRules& Rules() const { return rules_; }

private:
    // The frame asks for the state's kind at every block and line: kept at hand.
    void Set(State state) {
        state_ = state;
        inComment_ = state == State::Block || state == State::BlockStart || state == State::Doc ||
                     state == State::Header;
        mustScan_ = state == State::String || state == State::LineSplice;
    }
    const StringForm& Form() const { return lang_.Strings[index_]; }
    const CommentPair& Pair() const {
        return state_ == State::BlockStart ? lang_.LineStartBlocks[index_] : lang_.Blocks[index_];
    }
    detail::LineClass FixedForm(std::string_view& line, std::size_t& first);
    detail::LineClass HeaderLine(std::string_view line, std::size_t first);
    std::size_t InCode(std::string_view line, std::size_t i, std::size_t first, bool& hasCode);
    std::size_t Open(std::string_view line, std::size_t i, std::size_t first, bool& hasCode);
    std::size_t OpenString(std::string_view line, std::size_t i, std::size_t first, const Opener& o,
                           bool& hasCode);
    std::size_t InBlock(std::string_view line, std::size_t i);
    [[gnu::always_inline]] inline int ShortLine(std::string_view line, std::size_t first,
                                                const detail::ShortLineMasks& m);
    bool ShortFits(std::string_view line) const {
        return line.size() <= 64 && (state_ == State::Code || state_ == State::Block);
    }
    template <bool Wide>
    [[gnu::always_inline]] detail::LineClass ClassifyShortAs(std::string_view line, std::size_t first,
                                                             const detail::LineBits& bits) {
        if (rules_.Short.FromBlocks && ShortFits(line)) {
            const char(&stops)[4] = rules_.Short.Stops;
#if defined(__x86_64__)
            const std::uint64_t stop = Wide ? detail::StopsOfShortLineAvx512(line.data(), line.size(), stops)
                                            : detail::StopsOfShortLine(line.data(), line.size(), stops);
#else
            const std::uint64_t stop = detail::StopsOfShortLine(line.data(), line.size(), stops);
#endif
            const int hasCode =
                ShortLine(line, first, {bits.A >> 1, bits.B >> 1, bits.LineComment, bits.White, stop});
            if (hasCode >= 0) return hasCode != 0 ? detail::LineClass::Code : detail::LineClass::Comment;
        }
        return Classify(line, first);
    }
    std::size_t InString(std::string_view line, std::size_t i);
    bool WordStart(std::string_view line, std::size_t i) const {
        return i == 0 || std::strchr(" \t;|&()<>", line[i - 1]) != nullptr;
    }

    const LanguageRules& rules_;
    const Language& lang_;
    State state_ = State::Code;
    bool inComment_ = false, mustScan_ = false;
    bool headerRun_ = false;  // the designer header's run of lines has begun
    std::uint16_t index_ = 0;
    std::uint32_t depth_ = 0;  // of nested block comments
    char close_[20] = {};      // a raw string's closer
    std::size_t closeSize_ = 0;
};

// The counter the frame runs: GenericLines with the language's block marks.
// Where one pass over the bytes finds the marks (OnePass), the frame is made for
// that alone: it asks for marks at every block.
template <bool OnePass>
class GenericCounter : public GenericLines {
public:
    using GenericLines::GenericLines;

    struct Carry {
        std::uint64_t Last = 0;   // bit k: the block before ended in asked byte k
        std::uint8_t Before = 0;  // the class of the last byte looked up (OnePass)
    };
    detail::BytesAsked Asked() const { return Rules().Asked; }
    void Find(const char* p, std::size_t n, std::size_t blocks, Carry& carry, detail::ByteMasks* out) const {
        const LanguageRules& rules = Rules();
        if constexpr (OnePass)
            detail::FindMarks(p, n, blocks, rules.Tables, carry.Before, out);
        else
            detail::FindBytes(p, n, blocks, rules.Asked, out);
    }
    detail::LineClass ClassifyShort(std::string_view line, std::size_t first, const detail::LineBits& bits) {
        // (FindMarks runs only where the processor has AVX-512.)
        if constexpr (OnePass)
            return ClassifyShortWide(line, first, bits);
        else
            return GenericLines::ClassifyShort(line, first, bits);
    }
    [[gnu::always_inline]] detail::BlockMarks Mark(const detail::ByteMasks& m, Carry& carry, char next,
                                                   std::uint64_t) const {
        // (FindMarks gives the marks whole.)
        if constexpr (OnePass) {
            return {m.Byte[0], m.Byte[1], m.Byte[2]};
        } else {
            if (Rules().AllLines) return {~std::uint64_t{0}, ~std::uint64_t{0}, 0};
            return Terms(m, carry, next);
        }
    }

private:
    detail::BlockMarks Terms(const detail::ByteMasks& m, Carry& carry, char next) const {
        const LanguageRules& rules = Rules();
        std::uint64_t aux[LanguageRules::kAuxAll + 1];
        aux[LanguageRules::kAuxAll] = ~std::uint64_t{0};
        std::uint64_t last = 0;
        for (const std::uint8_t k : rules.Preceded) {
            aux[LanguageRules::AuxPreceded(k)] = (m.Byte[k] << 1) | (carry.Last >> k & 1);
            last |= (m.Byte[k] >> 63) << k;
        }
        carry.Last = last;
        for (const std::uint8_t k : rules.Followed) {
            const bool nextIs = (next | rules.Asked.Fold[k]) == rules.Asked.Value[k];
            aux[LanguageRules::AuxFollowed(k)] = (m.Byte[k] >> 1) | std::uint64_t{nextIs} << 63;
        }
        auto terms = [&](const std::vector<LanguageRules::Term>& list) {
            std::uint64_t mask = 0;
            for (const LanguageRules::Term t : list) mask |= m.Byte[t.Byte] & aux[t.Other];
            return mask;
        };
        detail::BlockMarks marks{terms(rules.TermsA), terms(rules.TermsB), terms(rules.TermsLineComment)};
        // A backslash that ends its line.
        if (rules.EndBackslash >= 0)
            marks.A |=
                m.Byte[rules.EndBackslash] &
                (((m.Cr | m.Lf) >> 1) | std::uint64_t{next == '\0' || next == '\r' || next == '\n'} << 63);
        return marks;
    }
};

detail::LineClass GenericLines::Classify(std::string_view line, std::size_t first) {
    if (state_ == State::Header) return HeaderLine(line, first);
    if (lang_.CommentColumn != 0 || lang_.CodeFirst != 0) {
        const detail::LineClass c = FixedForm(line, first);
        if (c != detail::LineClass::Code) return c;
    }
    if (rules_.Short.On && ShortFits(line)) {
        const LanguageRules::ShortLineShape& shape = rules_.Short;
        const int hasCode = ShortLine(line, first,
                                      detail::MasksOfShortLine(line.data(), line.size(), shape.Open,
                                                               shape.Close, shape.Line, shape.Stops));
        if (hasCode >= 0) return hasCode != 0 ? detail::LineClass::Code : detail::LineClass::Comment;
    }
    bool hasCode = false;
    std::size_t i = first;
    if (state_ == State::LineSplice) i = line.size();
    if (state_ == State::BlockStart) {
        // Its closer counts only in column 1, and the rest of that line is comment.
        if (MarkerAt(line, 0, Pair().Close, lang_.NoCase)) Set(State::Code);
        return detail::LineClass::Comment;
    }
    if (state_ == State::String && i < line.size()) hasCode = true;
    while (i < line.size()) {
        switch (state_) {
            case State::Block:
                i = InBlock(line, i);
                break;
            case State::String:
            case State::Doc:
                i = InString(line, i);
                break;
            case State::Code:
                i = InCode(line, i, first, hasCode);
                break;
            case State::LineSplice:
            case State::BlockStart:
            case State::Header:
                i = line.size();
                break;
        }
    }
    if (state_ == State::String && !Form().Multi && !(lang_.Splice && EndsWithBackslash(line)))
        Set(State::Code);
    if (state_ == State::LineSplice && !EndsWithBackslash(line)) Set(State::Code);
    return hasCode ? detail::LineClass::Code : detail::LineClass::Comment;
}

// Classify for a line of at most 64 bytes in code or in the block comment, from bit
// masks of its markers, blanks and stop bytes (m), as the C counter walks its short
// lines: 1 when it holds code, 0 when not, -1 when it holds a byte that needs the
// byte walk. Masks taken from blocks run on past the line's end: only the line's
// own bytes are walked.
inline int GenericLines::ShortLine(std::string_view line, std::size_t first,
                                   const detail::ShortLineMasks& m) {
    const std::uint64_t valid = line.size() == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << line.size()) - 1;
    if (m.Stop != 0) return -1;
    const std::uint64_t code = ~m.White & valid;
    auto after = [valid](unsigned mark) {
        return (mark + 2 < 64 ? ~std::uint64_t{0} << (mark + 2) : 0) & valid;
    };
    std::uint64_t from = (first < 64 ? ~std::uint64_t{0} << first : 0) & valid;  // the bytes not walked yet
    bool in = state_ == State::Block, hasCode = false;
    for (;;) {
        if (in) {
            const std::uint64_t close = m.Close & from;
            if (close == 0) break;
            in = false;
            from = after(static_cast<unsigned>(std::countr_zero(close)));
        } else {
            // Every byte up to the next marker other than blank and TAB is code.
            const std::uint64_t next = (m.Open | m.Line) & from;
            const std::uint64_t before = next != 0 ? (next & (~next + 1)) - 1 : ~std::uint64_t{0};
            hasCode = hasCode || (code & from & before) != 0;
            if (next == 0) break;
            const auto mark = static_cast<unsigned>(std::countr_zero(next));
            if ((m.Line >> mark & 1) != 0) break;
            in = true;
            from = after(mark);
        }
    }
    if (in != (state_ == State::Block)) {
        Set(in ? State::Block : State::Code);
        index_ = 0;
        depth_ = in ? 1 : 0;
    }
    return hasCode ? 1 : 0;
}

// Fixed-form columns: a comment mark in its column makes a comment line, and only
// the code columns are looked at further (a line with text only outside them is
// blank). Code: go on with the narrowed line.
detail::LineClass GenericLines::FixedForm(std::string_view& line, std::size_t& first) {
    const std::size_t col = lang_.CommentColumn;
    if (col != 0 && line.size() >= col && lang_.CommentColumnChars.find(line[col - 1]) != std::string::npos)
        return detail::LineClass::Comment;
    if (lang_.CodeFirst != 0) {
        const std::size_t from = std::min(line.size(), lang_.CodeFirst - 1);
        line = line.substr(from, lang_.CodeLast - lang_.CodeFirst + 1);
        first = 0;
        while (first < line.size() && IsBlank(line[first])) ++first;
        if (first == line.size()) return detail::LineClass::BlankRule;
    }
    return detail::LineClass::Code;
}

// Inside the designer header every line is a comment line, up to the last of the
// first run of lines beginning with its second word.
detail::LineClass GenericLines::HeaderLine(std::string_view line, std::size_t first) {
    const bool run = MarkerAt(line, first, lang_.HeaderRun, lang_.NoCase);
    if (run || !headerRun_) {
        headerRun_ = headerRun_ || run;
        return detail::LineClass::Comment;
    }
    Set(State::Code);
    return Classify(line, first);
}

std::size_t GenericLines::InCode(std::string_view line, std::size_t i, std::size_t first, bool& hasCode) {
    const std::size_t n = line.size();
    const bool stops = rules_.HasCodeStops();
    while (i < n) {
        if (stops) {
            // Up to the next byte that may begin an opener or a double-byte character.
            const std::size_t stop = detail::FindStop(line.data(), i, n, rules_.CodeStops);
            if (!hasCode && stop > i) hasCode = FirstNonBlank(line.data() + i, stop - i) < stop - i;
            if ((i = stop) == n) break;
        }
        const char c = line[i];
        if (rules_.Interesting(c)) {
            const std::size_t next = Open(line, i, first, hasCode);
            if (next != i) return next;
        }
        if (!IsBlank(c)) hasCode = true;
        const std::size_t next = i + text::CharLength(line, i);
        i = PastHighBytes(line, next, [this](char x) { return rules_.Interesting(x); });
        hasCode = hasCode || i != next;
    }
    return n;
}

// An opener at i: where the scan goes on (the line's end for a line comment), or i
// when none stands there.
std::size_t GenericLines::Open(std::string_view line, std::size_t i, std::size_t first, bool& hasCode) {
    const char c = line[i];
    for (const Opener& o : rules_.Openers()) {
        // Every opener begins with its first byte (a string's in its own case).
        if (c != o.First && c != o.FirstOther) continue;
        if (o.Type == OpenerType::String) {
            const std::size_t next = OpenString(line, i, first, o, hasCode);
            if (next != i) return next;
            continue;
        }
        if ((o.Type == OpenerType::LineStart && i != first) || (o.Type == OpenerType::BlockStart && i != 0) ||
            (o.Type == OpenerType::Line && lang_.WordComment && !WordStart(line, i)) ||
            !MarkerAt(line, i, o.Text, lang_.NoCase))
            continue;
        switch (o.Type) {
            case OpenerType::Line:
            case OpenerType::LineStart:
                if (lang_.Splice && EndsWithBackslash(line)) Set(State::LineSplice);
                return line.size();
            case OpenerType::Block:
                Set(State::Block);
                depth_ = 1;
                break;
            case OpenerType::BlockStart:
                Set(State::BlockStart);
                index_ = o.Index;
                return line.size();
            case OpenerType::String:
                break;
        }
        index_ = o.Index;
        return i + o.Text.size();
    }
    return i;
}

std::size_t GenericLines::OpenString(std::string_view line, std::size_t i, std::size_t first, const Opener& o,
                                     bool& hasCode) {
    const StringForm& s = lang_.Strings[o.Index];
    const std::size_t n = line.size();
    std::size_t j = i;
    if (s.Hashes) {
        // r, any number of '#', then the quote; the closer is the quote and as many '#'.
        if (!MarkerAt(line, i, s.Open.substr(0, s.Open.size() - 1), false)) return i;
        j = i + s.Open.size() - 1;
        std::size_t hashes = 0;
        while (j < n && line[j] == '#' && hashes < sizeof close_ - 2) ++j, ++hashes;
        if (j == n || line[j] != '"') return i;
        ++j;
        close_[0] = '"';
        std::memset(close_ + 1, '#', hashes);
        closeSize_ = hashes + 1;
    } else if (s.RawDelim) {
        // R"delim( ... )delim"
        if (!MarkerAt(line, i, s.Open, false)) return i;
        j = i + s.Open.size();
        const std::size_t delim = j;
        while (j < n && j - delim <= 16 && line[j] != '(' && !IsBlank(line[j]) && line[j] != ')' &&
               line[j] != '\\')
            ++j;
        if (j == n || line[j] != '(' || j - delim > 16) return i;
        close_[0] = ')';
        std::memcpy(close_ + 1, line.data() + delim, j - delim);
        close_[j - delim + 1] = '"';
        closeSize_ = j - delim + 2;
        ++j;
    } else {
        if (!MarkerAt(line, i, s.Open, false)) return i;
        j = i + s.Open.size();
        if (s.Char) {
            // One character or one escape, then the closer; else the opener was code.
            std::size_t k = j;
            if (k < n && line[k] == '\\' && s.Escape) {
                k += 1 + (k + 1 < n ? text::CharLength(line, k + 1) : 0);
                while (k < n && k - j <= 10 && !MarkerAt(line, k, s.Close, false))
                    k += text::CharLength(line, k);
            } else if (k < n) {
                k += text::CharLength(line, k);
            }
            if (!MarkerAt(line, k, s.Close, false)) return i;
            hasCode = true;
            return k + s.Close.size();
        }
        std::memcpy(close_, s.Close.data(), std::min(s.Close.size(), sizeof close_));
        closeSize_ = std::min(s.Close.size(), sizeof close_);
    }
    index_ = o.Index;
    // Standing alone as a statement, a doc string is comment.
    Set(s.Doc && i == first && !hasCode ? State::Doc : State::String);
    hasCode = hasCode || state_ == State::String;
    return j;
}

std::size_t GenericLines::InBlock(std::string_view line, std::size_t i) {
    const CommentPair& p = Pair();
    const std::size_t n = line.size();
    const char close = p.Close.front(), open = p.Open.front();
    while (i < n) {
        i = detail::FindStop(line.data(), i, n, rules_.BlockStops[index_]);
        if (i == n) break;
        const char c = line[i];
        if ((c == close || (lang_.NoCase && Lower(c) == Lower(close))) &&
            MarkerAt(line, i, p.Close, lang_.NoCase)) {
            i += p.Close.size();
            if (--depth_ == 0) {
                Set(State::Code);
                return i;
            }
            continue;
        }
        if (lang_.Nested && (c == open || (lang_.NoCase && Lower(c) == Lower(open))) &&
            MarkerAt(line, i, p.Open, lang_.NoCase)) {
            i += p.Open.size();
            ++depth_;
            continue;
        }
        i = PastHighBytes(line, i + text::CharLength(line, i),
                          [&](char x) { return x == close || x == open; });
    }
    return n;
}

std::size_t GenericLines::InString(std::string_view line, std::size_t i) {
    const StringForm& s = Form();
    const std::string_view close(close_, closeSize_);
    const std::size_t n = line.size();
    while (i < n) {
        i = detail::FindStop(line.data(), i, n, rules_.StringStops[index_]);
        if (i == n) break;
        const char c = line[i];
        if (c == '\\' && s.Escape) {
            i += 1 + (i + 1 < n ? text::CharLength(line, i + 1) : 0);
            continue;
        }
        // (Most closers are one byte: compared without a call.)
        if (c == close.front() && (close.size() == 1 || line.substr(i, close.size()) == close)) {
            if (s.Doubled && line.substr(i + close.size(), close.size()) == close) {
                i += 2 * close.size();
                continue;
            }
            Set(State::Code);
            return i + close.size();
        }
        i = PastHighBytes(line, i + text::CharLength(line, i), [&](char x) { return x == close.front(); });
    }
    return n;
}

// Whether the text's first line begins with the designer header's first word.
bool StartsWithHeader(const Language& lang, detail::TextPieces& text) {
    std::string_view piece;
    const bool header = text.Next(piece) && MarkerAt(piece, 0, lang.HeaderFirst, lang.NoCase);
    text.Rewind();
    return header;
}

}  // namespace

namespace {

std::string AsciiLowered(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace

const LanguageRules* LanguageSet::AccurateFor(std::string_view name) const {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return nullptr;
    for (std::size_t i = 0; i < Table.Languages.size(); ++i)
        if (Table.Languages[i].Accurate)
            for (const std::string& e : Table.Languages[i].Extensions)
                if (text::EqualsNoCase(name.substr(dot), e)) return &RulesOf(i);
    return nullptr;
}

const LanguageRules& LanguageSet::RulesOf(std::size_t i) const {
    LazyRules& lazy = Lazy[i];
    std::call_once(lazy.Made, [&] { lazy.Rules.emplace(Table.Languages[i]); });
    return *lazy.Rules;
}

int LanguageSet::IndexOfName(std::string_view name) const {
    const std::size_t slash = name.rfind('/');
    if (slash != std::string_view::npos) name = name.substr(slash + 1);
    if (!ByFileName.empty())
        if (auto f = ByFileName.find(std::string(name)); f != ByFileName.end())
            return static_cast<int>(f->second);
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return -1;
    const auto e = ByExtension.find(AsciiLowered(name.substr(dot)));
    return e != ByExtension.end() ? static_cast<int>(e->second) : -1;
}

std::shared_ptr<const LanguageSet> MakeLanguageSet(LanguageTable table) {
    auto set = std::make_shared<LanguageSet>();
    set->Table = std::move(table);
    const std::size_t count = set->Table.Languages.size();
    set->Lazy = std::make_unique<LanguageSet::LazyRules[]>(count);
    set->KindColumns.reserve(count);
    set->TotalsLabels.reserve(count);
    set->AverageLabels.reserve(count);
    for (std::size_t index = 0; index < count; ++index) {
        const Language& l = set->Table.Languages[index];
        std::string column = l.Kind.substr(0, 4);
        column.resize(4, ' ');
        set->KindColumns.push_back(std::move(column));
        set->TotalsLabels.push_back(text::Utf8ToSjis(l.TotalsLabel));
        set->AverageLabels.push_back(text::Utf8ToSjis(l.AverageLabel));
        for (const std::string& f : l.FileNames) set->ByFileName.emplace(f, index);
        for (const std::string& e : l.Extensions) set->ByExtension.emplace(AsciiLowered(e), index);
    }
    return set;
}

std::shared_ptr<const LanguageSet> WithLanguagePatterns(const std::shared_ptr<const LanguageSet>& set,
                                                        const settings::LanguagePatternList& patterns) {
    if (!set || patterns.empty()) return set;
    std::optional<LanguageTable> changed;
    const std::vector<std::string> keys = PatternKeys(set->Table);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::string* pattern =
            keys[i].empty() ? nullptr : settings::FindLanguagePattern(patterns, keys[i]);
        if (!pattern) continue;
        std::vector<std::string> extensions = settings::ExtensionsOf(*pattern);
        if (extensions == set->Table.Languages[i].Extensions) continue;
        if (!changed) changed = set->Table;
        Language& l = changed->Languages[i];
        l.ExtensionPattern = text::SjisToUtf8(*pattern);
        l.Extensions = std::move(extensions);
    }
    return changed ? MakeLanguageSet(std::move(*changed)) : set;
}

namespace {
std::shared_ptr<const LanguageSet>& Installed() {
    static std::shared_ptr<const LanguageSet> set;
    return set;
}
}  // namespace

void InstallLanguages(std::shared_ptr<const LanguageSet> set) { Installed() = std::move(set); }
const std::shared_ptr<const LanguageSet>& InstalledLanguages() { return Installed(); }

FileStatus detail::CountLanguage(const CountOptions& opt, const LanguageRules& rules, TextPieces& text,
                                 FileCounts& rec, ConverterState& state) {
    const bool header = !rules.Lang().HeaderFirst.empty() && StartsWithHeader(rules.Lang(), text);
    if (rules.OnePass && !rules.AllLines)
        return detail::RunCounterFrame(opt, text, rec, state, GenericCounter<true>(rules, header));
    return detail::RunCounterFrame(opt, text, rec, state, GenericCounter<false>(rules, header));
}

FileStatus CountLanguage(const CountOptions& opt, const LanguageRules& rules, std::string_view text,
                         FileCounts& rec, ConverterState& state) {
    detail::WholeText whole(text);
    return detail::CountLanguage(opt, rules, whole, rec, state);
}

}  // namespace zarnik::engine
