// The line counters over a text in memory, one per family of languages, and the
// guess that chooses between C and assembler.
#pragma once

#include <string_view>

#include "engine/count_context.h"
#include "engine/file_counts.h"
#include "engine/file_status.h"
#include "engine/options.h"

namespace zarnik::engine {

// The line counters: functions of the text (up to its first NUL) that add the raw
// counts to rec. The converter's state moves on by every line when EucJis is 1.
FileStatus CountCFamily(const CountOptions& opt, std::string_view text, FileCounts& rec,
                        ConverterState& state);
FileStatus CountAsm(const CountOptions& opt, std::string_view text, FileCounts& rec, ConverterState& state);
FileStatus CountPlSql(const CountOptions& opt, std::string_view text, FileCounts& rec, ConverterState& state);
FileStatus CountBasic(const CountOptions& opt, std::string_view text, FileCounts& rec, ConverterState& state);
// Guesses C or assembler from the first line holding a marker, sets rec.Kind to the
// kind the file name then counts as and counts the text with that family's counter.
// When no line holds a marker it counts nothing and sets rec.Kind to NoKind.
FileStatus GuessKind(const CountOptions& opt, std::string_view text, std::string_view name, FileCounts& rec,
                     ConverterState& state);

}  // namespace zarnik::engine
