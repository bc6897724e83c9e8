// The lines of a text one at a time, as the counters that read line by line take
// them: converted to Shift-JIS first when EUC and JIS are converted.
#pragma once

#include <string>
#include <string_view>

#include "engine/count_context.h"
#include "engine/detail/text_pieces.h"
#include "engine/euc_jis.h"
#include "engine/lines.h"
#include "engine/options.h"

namespace zarnik::engine::detail {

// The lines of a text (in memory, or in pieces) one at a time: each converted by the converter when EucJis
// is 1 (in order, so the converter's state moves on line by line), else a view
// into the text. A view stays valid until the next call.
class SourceLines {
public:
    SourceLines(TextPieces& pieces, const CountOptions& opt, ConverterState& state)
        : whole_(std::string_view()),
          pieces_(pieces),
          split_(std::string_view()),
          conv_(opt.ConvertEucJis && !state.FromUtf8 ? &state.Converter : nullptr),
          out_(state.Converted) {}
    SourceLines(std::string_view text, const CountOptions& opt, ConverterState& state)
        : whole_(text),
          pieces_(whole_),
          split_(std::string_view()),
          conv_(opt.ConvertEucJis && !state.FromUtf8 ? &state.Converter : nullptr),
          out_(state.Converted) {}
    SourceLines(const SourceLines&) = delete;
    SourceLines& operator=(const SourceLines&) = delete;

    // The next line of the piece at hand is the case of nearly every call, kept
    // small so that it is inlined into each counter's loop; the rest is not.
    [[gnu::always_inline]] bool Next(std::string_view& line) {
        if (split_.Next(line)) [[likely]]
            return conv_ ? Convert(line) : true;
        return NextPiece(line);
    }
    bool Converts() const { return conv_ != nullptr; }
    // Takes the remaining lines through the converter (when it is used).
    void Drain() {
        std::string_view line;
        if (conv_)
            while (Next(line)) {
            }
    }

private:
    // Next once the piece at hand has ended.
    [[gnu::noinline]] bool NextPiece(std::string_view& line) {
        for (;;) {
            std::string_view piece;
            if (!pieces_.Next(piece)) return false;
            split_ = LineSplitter(piece);
            if (split_.Next(line)) return conv_ ? Convert(line) : true;
        }
    }
    [[gnu::noinline]] bool Convert(std::string_view& line) {
        out_.clear();
        conv_->ToShiftJis(line, out_);
        line = out_;
        return true;
    }

    WholeText whole_;  // the text when one was given rather than pieces
    TextPieces& pieces_;
    LineSplitter split_;
    EucJisConverter* conv_;
    std::string& out_;
};

}  // namespace zarnik::engine::detail
