// Counting one file: the result record, the loader, CountFile and the line
// counters, which read a text in memory and never a file.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/euc_jis.h"
#include "engine/file_counts.h"
#include "engine/file_status.h"
#include "engine/lines.h"
#include "engine/options.h"
#include "engine/path_at.h"
#include "engine/source_kind.h"

namespace zarnik::engine {

// A file that exists but cannot be opened or read. what() is the system's error text.
class FileError : public std::runtime_error {
public:
    FileError(std::string path, int err);
    const std::string& Path() const { return path_; }
    int Code() const { return code_; }

private:
    std::string path_;
    int code_;
};

// pread(2) from offset at until n bytes arrived or the file ended; returns the count
// read. Throws FileError when a read fails.
std::size_t ReadAt(const Fd& fd, char* buf, std::size_t n, std::uint64_t at, const std::string& path);

// A growable byte buffer that is not zero-filled when it grows.
class ByteBuffer {
public:
    const char* data() const { return data_.get(); }
    char* data() { return data_.get(); }
    std::size_t size() const { return size_; }
    std::string_view view() const { return {data_.get(), size_}; }
    void clear() { size_ = 0; }
    // Makes room for n more bytes after size() and returns where they go.
    char* Extend(std::size_t n);
    void Commit(std::size_t n) { size_ += n; }
    void Truncate(std::size_t n) { size_ = n; }
    std::size_t capacity() const { return capacity_; }
    // Grows the room to exactly n bytes when it is smaller (Extend doubles it).
    void Reserve(std::size_t n);
    // Gives the memory back.
    void Release() {
        data_.reset();
        size_ = capacity_ = 0;
    }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0, capacity_ = 0;
};

// Where a counter put one loaded line.
enum class LineClassOf : std::uint8_t {
    Exec,
    Comment,
    Blank,
    NotCounted,  // 512 bytes or longer, or in a text no counter classified
};

// What a counter tells of each line it loads, when asked (change counting needs
// every line's class and, with EucJis 1, the converted text the class is of).
struct LineLog {
    std::vector<LineClassOf> Classes;  // one per line, in order
    // With EucJis 1 (and a text that was no UTF-8): the converted lines one after
    // another, line i ending at ConvertedEnds[i].
    std::string Converted;
    std::vector<std::size_t> ConvertedEnds;

    void clear() {
        Classes.clear();
        Converted.clear();
        ConvertedEnds.clear();
    }
};

// What a counter needs beyond the text: the EUC/JIS converter, whose shift state
// runs on from file to file, and the buffer a converted line is written to (reused,
// so that counting does not allocate per line).
struct ConverterState {
    EucJisConverter Converter;
    std::string Converted;  // the line being counted, converted when EucJis is 1
    // The text was UTF-8 and is already Shift-JIS (Utf8Src): the EUC/JIS converter
    // leaves it alone, and its shift state does not move.
    bool FromUtf8 = false;
    // Filled line by line when set; a count run leaves it null and pays one
    // predictable branch per line for it.
    LineLog* LineClasses = nullptr;
};

// Engine state that lives across files: the converter and the buffer the file
// being counted is read into, reused from file to file. One context must not be
// used by two counts at once.
struct CountContext : ConverterState {
    // The largest piece of a file read at once, for a count on one thread.
    static constexpr std::size_t kMaxChunkBytes = std::size_t{1} << 20;

    ByteBuffer Text;  // the last file read (or piece of it); it may go on past the first NUL
    // The bytes as read when Text was UTF-8 and is now Shift-JIS (Utf8Src), kept
    // so that both buffers keep their room for the next file.
    ByteBuffer Utf8Spare;
    // Files of at least this many bytes are read in pieces of about this size, each
    // ending at a line end, so that memory does not grow with the file; smaller
    // ones are read whole. ChunkBytesFor gives the size for a run on several threads.
    std::size_t ChunkBytes = kMaxChunkBytes;
    FolderAt Folders;  // where the files a listing found are opened from
};

// The piece size for each of threads counting at once: 8 MiB shared among them,
// from 4 KiB to 1 MiB each.
std::size_t ChunkBytesFor(unsigned threads);

namespace detail {

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

}  // namespace detail

// Counts one file into rec. Throws FileError when the file exists but cannot be
// read, also when there is no memory for it (ENOMEM) and when a large file read
// twice has grown shorter in between (EIO). A file is read no further than the
// size it had when it was opened.
void CountFile(const CountOptions& opt, const std::string& path, const DirEntry& entry, FileCounts& rec,
               CountContext& ctx);

// CountFile for a file a listing found: it is opened and then looked at through
// the open file, which fills entry's time and size, and read up to that size.
// False (rec untouched) when the file has gone since it was found or is no longer
// a regular file; a file that is one at the open is counted.
bool CountFoundFile(const CountOptions& opt, const std::string& path, DirEntry& entry, FileCounts& rec,
                    CountContext& ctx);

// The pre-check of a file's first 515 bytes (the first is never examined).
FileStatus ProbeBytes(std::string_view head);
// The pre-check of a UTF-8 source, over its converted text, as its Shift-JIS twin
// would be checked: a first line of 200 "あ" is 600 bytes in UTF-8 but 400 once
// converted. asRead is ProbeBytes of the bytes as read, which decides for a
// converted text of at most one byte.
FileStatus ProbeConverted(std::string_view converted, FileStatus asRead);

// A file's loaded bytes up to the first NUL, where every reader of a text ends it
// (the change count keeps the text cut there).
std::string_view TextForCounting(std::string_view loaded);

// Counts a text that passed the pre-check as the file rec.Name (Shift-JIS; its
// extension chooses the kind): sets rec's status, line counts, ratio and kind.
void CountLoadedText(const CountOptions& opt, std::string_view text, FileCounts& rec, ConverterState& state);

void FinishCounts(const CountOptions& opt, FileCounts& rec);

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
// The same over a text in pieces (the guess reads it twice, from the start again).
FileStatus CountCFamily(const CountOptions& opt, detail::TextPieces& text, FileCounts& rec,
                        ConverterState& state);
FileStatus CountAsm(const CountOptions& opt, detail::TextPieces& text, FileCounts& rec,
                    ConverterState& state);
FileStatus CountPlSql(const CountOptions& opt, detail::TextPieces& text, FileCounts& rec,
                      ConverterState& state);
FileStatus CountBasic(const CountOptions& opt, detail::TextPieces& text, FileCounts& rec,
                      ConverterState& state);
FileStatus GuessKind(const CountOptions& opt, detail::TextPieces& text, std::string_view name,
                     FileCounts& rec, ConverterState& state);

namespace detail {

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

}  // namespace detail

}  // namespace zarnik::engine
