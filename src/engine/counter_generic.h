// One line counter for every language of the table, driven by the language's
// rules: its comment markers, string forms and fixed-form columns.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "engine/count_context.h"
#include "engine/detail/text_pieces.h"
#include "engine/file_counts.h"
#include "engine/file_status.h"
#include "engine/language_table.h"
#include "engine/line_blocks.h"
#include "engine/options.h"

namespace zarnik::engine {

// What a marker found in code opens.
enum class OpenerType : std::uint8_t { Line, LineStart, Block, BlockStart, String };

struct Opener {
    std::string Text;
    OpenerType Type = OpenerType::Line;
    std::uint16_t Index = 0;  // into the language's Blocks, LineStartBlocks or Strings
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

    // The bytes the vector frame finds: a line holding none of the A bytes outside a
    // comment or string, or none of the B bytes inside a comment, keeps the state.
    // AllLines: every line is looked at (fixed-form columns, designer headers, or
    // more distinct bytes than the frame finds).
    detail::BytesAsked Asked;
    std::uint8_t ABytes = 0, BBytes = 0;  // bit k: Asked's entry k
    bool AllLines = false;

private:
    void ChooseBytes();

    Language lang_;
    std::vector<Opener> openers_;
    std::array<bool, 256> interesting_{};
};

// Counts a text in memory by the language's rules; as the built-in counters do.
FileStatus CountLanguage(const CountOptions& opt, const LanguageRules& rules, std::string_view text,
                         FileCounts& rec, ConverterState& state);

namespace detail {
FileStatus CountLanguage(const CountOptions& opt, const LanguageRules& rules, TextPieces& text,
                         FileCounts& rec, ConverterState& state);
}  // namespace detail

}  // namespace zarnik::engine
