// A file's text read in pieces through a buffer of bounded size, so that counting
// a file of many GB needs no more memory than counting one of a few MB.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/detail/text_pieces.h"
#include "engine/path_at.h"
#include "engine/read_buffer.h"
#include "engine/utf8_source.h"

namespace zarnik::engine::detail {

// The text of an open regular file (up to its first NUL, and no further than
// limit bytes) as pieces of about chunk bytes, each ending where a line ends as
// the whole text would be split: never between the CR and the LF of a CR LF.
// The unfinished line at a piece's end is carried into the next one.
//
// A line longer than kLongLineKept bytes is handed on as its first
// kLongLineKept bytes when lines are not converted one by one (EucJis), so a
// line of 100 MB costs no memory: any line of 512 bytes or more is left out
// uncounted whatever it holds, and converted from UTF-8 it still has more than
// 512 bytes. A line the EUC/JIS converter must read is kept whole.
//
// Reading the text again (Rewind) reads the file again: when it has grown
// shorter than the bytes read before, the count would be wrong, so reading
// throws FileError (EIO); so does any failing read.
class ChunkedText final : public TextPieces {
public:
    static constexpr std::size_t kLongLineKept = 2048;

    // convertsLines: the EUC/JIS converter reads every line (EucJis), unless the
    // text is UTF-8. buf and converted are the context's buffers, reused from
    // file to file. headBytes: how many bytes of the file were read already.
    ChunkedText(const Fd& fd, const std::string& path, std::uint64_t limit, std::size_t chunk,
                bool convertsLines, std::uint64_t headBytes, ByteBuffer& buf, ByteBuffer& converted);

    // Reads the text once to learn whether it is UTF-8 (IsUtf8Source's rule), and
    // from then on hands out its pieces converted to Shift-JIS when it is.
    bool ConvertIfUtf8();

    // Hands out the pieces as read while checking them for UTF-8, so that a file
    // that holds no UTF-8 character (ASCII, Shift-JIS) is read once. At the first
    // well-formed character of more than one byte the text ends early.
    void CheckAsRead();
    // After a reading begun by CheckAsRead: true when what was counted may be UTF-8
    // (or was cut short), so that it must be counted again after ConvertIfUtf8.
    bool MustRecount();

    bool Next(std::string_view& piece) override;
    void Rewind() override;

private:
    // Reads up to want more bytes after the buffer's end; the text ends at the
    // first NUL, the limit or the end of the file.
    void Fill(std::size_t want);
    // Where the buffer's first piece can end, 0 when no line ends in it yet.
    std::size_t FindCut();
    // Keeps the first kLongLineKept bytes of the buffer's one unfinished line and
    // drops the rest of it, up to its line break or the text's end.
    void SkipLongLine();
    bool KeepsLongLines() const { return convertsLines_ && !fromUtf8_; }

    const Fd& fd_;
    const std::string& path_;
    const std::uint64_t limit_;  // the text ends here at the latest
    std::size_t chunk_;
    bool convertsLines_;
    ByteBuffer& buf_;
    ByteBuffer& converted_;
    bool fromUtf8_ = false;
    Utf8Check check_;  // fed by Fill while feeding_
    bool feeding_ = false;
    bool speculating_ = false;     // CheckAsRead's reading, not yet known to be no UTF-8
    bool aborted_ = false;         // ... which found a character of more than one byte
    std::uint64_t checkedTo_ = 0;  // the file offset up to which check_ was fed

    std::uint64_t offset_ = 0;  // the file offset of the byte after buf_'s last
    std::uint64_t known_;       // bytes of the file read before: it is at least this long
    std::size_t handed_ = 0;    // buf_'s bytes handed out as the last piece
    std::size_t searched_ = 0;  // buf_'s bytes from the start known to hold no line end
    bool atEnd_ = false;        // buf_ holds all that is left of the text
    bool atStart_ = true;       // no piece was handed out since the start
};

}  // namespace zarnik::engine::detail
