// Guessing C or assembler from the first line that holds a marker of either
// family, then counting the file with that family's counter.
#include <array>

#include "engine/counters.h"
#include "engine/detail/piece_counters.h"
#include "engine/detail/source_lines.h"
#include "engine/detail/text_pieces.h"
#include "engine/lines.h"
#include "engine/source_kind.h"
#include "text/sjis.h"

namespace zarnik::engine {

namespace {

// Searched in this order; a line's position for a family is that of the first
// marker in table order found in it, not of the leftmost marker.
constexpr std::array<std::string_view, 7> kCKeywords = {"/*",     "{",      "#define", "#include",
                                                        "static", "extern", "NULL"};
constexpr std::array<std::string_view, 8> kAsmKeywords = {";",    "mov", "ASSUME",    "extrn",
                                                          "push", "pop", "CS:CGROUP", "DS:DGROUP"};

template <std::size_t N>
std::size_t FirstMarker(std::string_view line, const std::array<std::string_view, N>& markers) {
    for (std::string_view m : markers)
        if (std::size_t p = text::FindNoCase(line, m)) return p;
    return 0;
}

}  // namespace

FileStatus detail::GuessKind(const CountOptions& opt, detail::TextPieces& text, std::string_view name,
                             FileCounts& rec, ConverterState& state) {
    // The guess takes the whole text through the converter before the chosen counter
    // reads it again from the start: with EucJis 1 the converter sees every line
    // twice, and its lasting shift state carries from the guess into the count. The
    // reports depend on both readings.
    rec.Kind = NoKind;
    detail::SourceLines lines(text, opt, state);
    FileStatus status = FileStatus::Counted;
    std::string_view line;
    while (lines.Next(line)) {
        LineCheck check = CheckLoadedLine(line);
        status = check.Status;
        if (status != FileStatus::Counted || !check.NonBlank) continue;
        std::size_t c = FirstMarker(line, kCKeywords);
        std::size_t a = FirstMarker(line, kAsmKeywords);
        if (c == 0 && a == 0) continue;
        lines.Drain();
        text.Rewind();
        if (a == 0 || (c != 0 && c < a)) {
            rec.Kind = KindInFamily(opt, name, CSource);
            return CountCFamily(opt, text, rec, state);
        }
        rec.Kind = KindInFamily(opt, name, AsmSource);
        return CountAsm(opt, text, rec, state);
    }
    // No marker anywhere: counted with nothing in it, unless the last line is bad.
    return status;
}

FileStatus GuessKind(const CountOptions& opt, std::string_view text, std::string_view name, FileCounts& rec,
                     ConverterState& state) {
    detail::WholeText whole(text);
    return detail::GuessKind(opt, whole, name, rec, state);
}

}  // namespace zarnik::engine
