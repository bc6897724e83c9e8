// A text as the counters read it: in pieces that each end at a line end.
#pragma once

#include <string_view>

namespace zarnik::engine::detail {

// A text as it reaches the counters: in pieces, each ending at a line end (a
// line never spans two pieces), the last at the text's end. A piece stays valid
// until the next call.
class TextPieces {
public:
    virtual ~TextPieces() = default;
    // The next piece; false once the text has ended.
    virtual bool Next(std::string_view& piece) = 0;
    // Back to the start, for another reading of the same text.
    virtual void Rewind() = 0;
};

// A text in memory, as one piece.
class WholeText final : public TextPieces {
public:
    explicit WholeText(std::string_view text) : text_(text) {}
    bool Next(std::string_view& piece) override {
        if (given_) return false;
        given_ = true;
        piece = text_;
        return true;
    }
    void Rewind() override { given_ = false; }

private:
    std::string_view text_;
    bool given_ = false;
};

}  // namespace zarnik::engine::detail
