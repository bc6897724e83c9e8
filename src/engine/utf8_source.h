// UTF-8 source files, recognised by their whole text and turned into Shift-JIS
// before any counter reads them: read as Shift-JIS, a UTF-8 character can take the
// ASCII byte after it (a closing quote) as the second byte of a pair.
#pragma once

#include <string_view>

#include "engine/read_buffer.h"

namespace zarnik::engine {

// Whether text is UTF-8: it starts with the byte-order mark, or everything before
// its first NUL (where the text ends for every reader) is well-formed UTF-8 with at
// least one multi-byte character. Pure ASCII is not, nor is any Shift-JIS text
// holding a double-byte character whose second byte is below 0x80.
bool IsUtf8Source(std::string_view text);

// When text is UTF-8, replaces it by its Shift-JIS form and returns true; spare
// takes the old bytes, so that both keep their room for the next file. The
// byte-order mark is dropped; a character code page 932 cannot hold (or a byte that
// is no UTF-8 after a byte-order mark) becomes "〓", which can never be taken for
// a quote, a backslash or a comment mark. The bytes from the first NUL on stay.
bool ConvertUtf8Source(ByteBuffer& text, ByteBuffer& spare);

// For a text read in pieces. Whether it starts with the byte-order mark.
bool StartsWithByteOrderMark(std::string_view text);
// IsUtf8Source's check of the next piece of a text without NUL: the bytes checked,
// or npos at the first that is no well-formed UTF-8. Unless the piece is the
// last, a character that may go on in the next piece is left unchecked. Sets
// multiByte when it sees a character of more than one byte. bad, when given, takes
// where that first byte stands.
std::size_t CheckUtf8Piece(std::string_view piece, bool last, bool& multiByte, std::size_t* bad = nullptr);
// IsUtf8Source's check of a text (without NUL) that arrives in pieces of any size,
// a character possibly split between two; a byte-order mark is only a character
// of more than one byte here.
class Utf8Check {
public:
    void Feed(std::string_view bytes);
    // A byte that is no UTF-8 was seen.
    bool Broken() const { return broken_; }
    // A well-formed character of more than one byte was seen.
    bool MultiByte() const { return multiByte_; }
    // Whether all that was fed is UTF-8 holding a character of more than one byte.
    bool Finish();

private:
    char carry_[4] = {};
    std::size_t carried_ = 0;  // bytes of a character that may go on in the next piece
    bool broken_ = false, multiByte_ = false;
};

// Appends the Shift-JIS form of utf8 (no NUL in it, no byte-order mark) to out, as
// ConvertUtf8Source converts it. A piece ending at a line end converts as it
// would within the whole text: no character, valid or not, takes a CR or an LF.
void AppendUtf8AsShiftJis(std::string_view utf8, ByteBuffer& out);

}  // namespace zarnik::engine
