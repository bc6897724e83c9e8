// The line counters over a text in pieces, which CountFile hands a large file
// as; the counters over a text in memory (engine/counters.h) read it as one piece.
#pragma once

#include <string_view>

#include "engine/count_context.h"
#include "engine/detail/text_pieces.h"
#include "engine/file_counts.h"
#include "engine/file_status.h"
#include "engine/options.h"

namespace zarnik::engine::detail {

// GuessKind reads the text twice: the guess, then the count from the start again.
FileStatus CountCFamily(const CountOptions& opt, TextPieces& text, FileCounts& rec, ConverterState& state);
FileStatus CountAsm(const CountOptions& opt, TextPieces& text, FileCounts& rec, ConverterState& state);
FileStatus CountPlSql(const CountOptions& opt, TextPieces& text, FileCounts& rec, ConverterState& state);
FileStatus CountBasic(const CountOptions& opt, TextPieces& text, FileCounts& rec, ConverterState& state);
FileStatus GuessKind(const CountOptions& opt, TextPieces& text, std::string_view name, FileCounts& rec,
                     ConverterState& state);

}  // namespace zarnik::engine::detail
