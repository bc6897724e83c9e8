// One line counter for every language of the table, driven by the language's
// rules: its comment markers, string forms and fixed-form columns.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/count_context.h"
#include "engine/detail/text_pieces.h"
#include "engine/file_counts.h"
#include "engine/file_status.h"
#include "engine/language_table.h"
#include "engine/line_blocks.h"
#include "engine/line_scan.h"
#include "engine/options.h"
#include "settings/settings.h"

namespace zarnik::engine {

// What a marker found in code opens.
enum class OpenerType : std::uint8_t { Line, LineStart, Block, BlockStart, String };

struct Opener {
    std::string Text;
    OpenerType Type = OpenerType::Line;
    std::uint16_t Index = 0;  // into the language's Blocks, LineStartBlocks or Strings
    // Text's first byte, and with a letter's case changed where the opener ignores
    // case (else the same): held here, as every walked line compares them.
    char First = 0, FirstOther = 0;
};

// A language's rules made ready for counting, once per table.
class LanguageRules {
public:
    explicit LanguageRules(const Language& language);

    const Language& Lang() const { return lang_; }
    // Longest first, so that a longer opener wins over a shorter one at the same place.
    const std::vector<Opener>& Openers() const { return openers_; }
    // Whether a byte may begin an opener (both letter cases where case is ignored).
    bool Interesting(char c) const { return interesting_[static_cast<unsigned char>(c)]; }
    // Whether the interesting bytes are four or fewer, so that CodeStops finds them
    // all at once.
    bool HasCodeStops() const { return hasCodeStops_; }

    // What the vector frame looks for: a byte, or a pair of bytes (marked at the
    // second), of Asked's entries First and Second (-1: a single byte).
    // Role A: it can change the state or make a comment outside one; B: it can end
    // a comment; LineComment: a line comment when a line's first text (a mark
    // then at the pair's first byte). A line holding no mark for its state keeps
    // it. EndBackslash: a backslash that ends its line (a continued string or
    // comment). AllLines: every line is looked at (fixed-form columns, designer
    // headers, or more distinct bytes than the frame finds).
    enum Role : std::uint8_t { A = 1, B = 2, LineComment = 4 };
    struct Mark {
        std::int8_t First = 0, Second = -1;
        std::uint8_t Roles = 0;
    };
    detail::BytesAsked Asked;
    std::vector<Mark> Marks;
    std::int8_t EndBackslash = -1;
    bool AllLines = false;

    // The marks as the frame works them out for each block. Aux holds, per block,
    // for the entries in Preceded the bytes right after one (the second byte of a
    // pair: AuxPreceded(k)), for those in Followed the bytes right before one (the
    // first byte of a pair: AuxFollowed(k)), and all bits (AuxAll). A role's mask
    // is the OR of its terms, each the bytes of entry Byte that are bits of
    // Aux[Other]: each distinct byte or pair once per role.
    struct Term {
        std::uint8_t Byte = 0, Other = 0;
    };
    static constexpr std::uint8_t AuxPreceded(int k) { return static_cast<std::uint8_t>(k); }
    static constexpr std::uint8_t AuxFollowed(int k) {
        return static_cast<std::uint8_t>(detail::kMaxAsked + k);
    }
    static constexpr std::uint8_t kAuxAll = 2 * detail::kMaxAsked;
    std::vector<std::uint8_t> Preceded, Followed;
    std::vector<Term> TermsA, TermsB, TermsLineComment;
    // The same marks as tables looked up in one pass (when OnePass: every asked
    // byte is ASCII and the processor has the instructions).
    detail::MarkTables Tables;
    bool OnePass = false;

    // What a walked line stops at: in code (when HasCodeStops()), inside each block
    // comment, and inside each string.
    detail::StopSet CodeStops;
    std::vector<detail::StopSet> BlockStops, StringStops;

    // Where the language has one block comment and one or two line comments, all
    // of two bytes and no letter, a line of at most 64 bytes in code or in the
    // block comment is walked by bit masks of their bytes (when On), unless it
    // holds a byte of Stops (one byte of each string opener, and the backslash)
    // or one of 0x80 or above: only those can begin a string, continue the line
    // or hide a marker's byte as a trail byte.
    struct ShortLineShape {
        bool On = false;
        // Whether a walked line's markers may be read from its blocks' marks: every
        // mark is the block comment's opener or closer, a line comment, or holds a
        // stop (so that a line without stops holds only those).
        bool FromBlocks = false;
        char Open[2] = {}, Close[2] = {};
        char Line[2][2] = {};
        char Stops[4] = {};
    };
    ShortLineShape Short;

private:
    void ChooseBytes();
    bool ChooseBytes(bool pairs);
    void PlanTerms();
    void PlanTables();
    void PlanShortLines();

    Language lang_;
    std::vector<Opener> openers_;
    std::array<bool, 256> interesting_{};
    bool hasCodeStops_ = false;
};

// The table with every language's rules made ready: one per program, shared by
// every count.
struct LanguageSet {
    LanguageTable Table;
    // The rules of Table.Languages[i] (i below its size), made on the first call:
    // a run counts a few of the table's languages, and making every language's
    // rules was most of the start-up's work. Safe from several threads at once.
    const LanguageRules& RulesOf(std::size_t i) const;
    // The report's words of each language, made once: the kind column (four
    // characters) and the totals and average labels in Shift-JIS.
    std::vector<std::string> KindColumns, TotalsLabels, AverageLabels;
    // The first language of each whole file name and of each extension (lower
    // case, with its dot): the table's order, looked up at once.
    std::unordered_map<std::string, std::size_t> ByFileName, ByExtension;

    // The index of the language a name claims by whole name, then by extension
    // (LanguageOfName without a first line); -1 when none does.
    int IndexOfName(std::string_view name) const;

    // The rules of the accurate entry (C, C++, Java) whose extensions hold the
    // name's, or nullptr.
    const LanguageRules* AccurateFor(std::string_view name) const;

    struct LazyRules {
        std::once_flag Made;
        std::optional<LanguageRules> Rules;
    };
    std::unique_ptr<LazyRules[]> Lazy;  // one per language
};
std::shared_ptr<const LanguageSet> MakeLanguageSet(LanguageTable table);

// The set with the extensions the user gave languages (settings' LanguagePatterns,
// keyed as PatternKeys names them) in place of the table's: the one place a stored
// pattern reaches the count and the open dialog. set itself when none differs.
std::shared_ptr<const LanguageSet> WithLanguagePatterns(const std::shared_ptr<const LanguageSet>& set,
                                                        const settings::LanguagePatternList& patterns);

// The set the front end loaded at start-up (null until then). Set once, before
// any count runs.
void InstallLanguages(std::shared_ptr<const LanguageSet> set);
const std::shared_ptr<const LanguageSet>& InstalledLanguages();

// Counts a text in memory by the language's rules; as the built-in counters do.
FileStatus CountLanguage(const CountOptions& opt, const LanguageRules& rules, std::string_view text,
                         FileCounts& rec, ConverterState& state);

namespace detail {
FileStatus CountLanguage(const CountOptions& opt, const LanguageRules& rules, TextPieces& text,
                         FileCounts& rec, ConverterState& state);
}  // namespace detail

}  // namespace zarnik::engine
