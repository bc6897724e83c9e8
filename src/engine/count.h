// Counting one file: the result record, the loader and CountFile.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/euc_jis.h"
#include "engine/file_status.h"
#include "engine/lines.h"
#include "engine/options.h"
#include "engine/source_kind.h"

namespace zarnik::engine {

// One file's result. Text fields are Shift-JIS.
struct S_CMT {
    FileStatus Status = FileStatus::Counted;
    std::string Name;
    std::string TimeText;
    std::int64_t Size = 0;
    std::string KindText;
    // The kind whose totals the file adds to (0: none), decided when it is counted:
    // by the source mode, or by the guess in guess mode.
    int Kind = 0;
    // 64-bit: a file may hold more than 2^31 lines.
    std::int64_t Total = 0;
    std::int64_t Comment = 0;
    std::int64_t Exec = 0;
    std::int64_t Blank = 0;
    float Ratio = 0.0f;
    std::int64_t MTime = 0;  // last-write time, seconds since the epoch (TimeText shows it)
};

// A file as the directory search found it.
struct DirEntry {
    std::string Name;        // name without folder, Shift-JIS
    std::int64_t MTime = 0;  // last-write time, seconds since the epoch
    std::int64_t Size = 0;
};

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
    // Gives the memory back.
    void Release() {
        data_.reset();
        size_ = capacity_ = 0;
    }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0, capacity_ = 0;
};

// Engine state that lives across files: the guessed kind, the converter's shift
// state, and buffers reused from file to file so that counting does not allocate
// per line. One context must not be used by two counts at once.
struct CountContext {
    int GuessedKind = 0;
    TAutoSjisConv Converter;

    LineList Lines;
    LineList RawLines;      // split before conversion when EucJis is 1
    std::string Converted;  // the line being counted, converted when EucJis is 1

    // The bytes of the file being counted by CountFile, so that the pre-check,
    // the guesser and the counter read the disk only once. They may go on past
    // the first NUL, where the text ends for every reader.
    std::string CachedPath;
    bool Cached = false;
    ByteBuffer Text;  // the last file read
    // Text was UTF-8 and is now Shift-JIS (Utf8Src); the EUC/JIS converter leaves it
    // alone. Utf8Spare holds the bytes as read, reused from file to file.
    bool TextFromUtf8 = false;
    ByteBuffer Utf8Spare;
};

// Counts one file into rec. Throws FileError when the file exists but cannot be
// read, also when there is no memory for it (ENOMEM). A file is read no further
// than the size it had when it was opened.
void CountFile(const CountOptions& opt, const std::string& path, const DirEntry& entry, S_CMT& rec,
               CountContext& ctx);

// CountFile for a file the caller has just found to be a regular file of
// entry.Size bytes (the count run's second look at its directory entry): it is
// opened and read, up to that size, without being looked at again. False (rec
// untouched) when the file has gone since the caller looked.
bool CountRegularFile(const CountOptions& opt, const std::string& path, const DirEntry& entry, S_CMT& rec,
                      CountContext& ctx);

// Counted, NotSource, Unfit, Unrecognised or Missing: the pre-check of a file's first bytes.
FileStatus ProbeFile(const std::string& path);
// The pre-check of a file's first 515 bytes (the first is never examined).
FileStatus ProbeBytes(std::string_view head);

// Fills list with the lines of the file; returns 1 (list untouched) when no file of
// that name exists, else 0. Converts each line when EucJis is 1.
int LoadSourceLines(const std::string& path, LineList& list, const CountOptions& opt, CountContext& ctx);

void FinishCounts(const CountOptions& opt, S_CMT& rec);

// "yy-mm-dd hh:nn" in local time.
std::string FormatFileTime(std::int64_t mtime);

FileStatus CountCFamily(const CountOptions& opt, const std::string& path, S_CMT& rec, CountContext& ctx);
FileStatus CountAsm(const CountOptions& opt, const std::string& path, S_CMT& rec, CountContext& ctx);
FileStatus CountPlSql(const CountOptions& opt, const std::string& path, S_CMT& rec, CountContext& ctx);
FileStatus CountBasic(const CountOptions& opt, const std::string& path, S_CMT& rec, CountContext& ctx);
// Guesses C or assembler from the first line holding a marker, sets ctx.GuessedKind
// and counts the file with that family's counter. When no line holds a marker it
// counts nothing and leaves GuessedKind alone (CountFile has set it to 0).
FileStatus GuessKind(const CountOptions& opt, const std::string& path, S_CMT& rec, CountContext& ctx);

namespace detail {

// Makes ctx.Text hold the text of the file, reading it unless CountFile has just
// done so; false when no file of that name exists.
bool LoadText(const std::string& path, CountContext& ctx);

// The lines of ctx.Text one at a time, as LoadSourceLines would list them: each
// converted by ctx.Converter when EucJis is 1 (in order, so the converter's state
// moves on exactly as when the whole list is loaded), else a view into the text.
// A view stays valid until the next call.
class SourceLines {
public:
    SourceLines(const CountOptions& opt, CountContext& ctx)
        : split_(ctx.Text.view()),
          conv_(opt.EucJis && !ctx.TextFromUtf8 ? &ctx.Converter : nullptr),
          out_(ctx.Converted) {}
    bool Next(std::string_view& line) {
        if (!split_.Next(line)) return false;
        if (conv_) {
            out_.clear();
            conv_->ToShiftJis(line, out_);
            line = out_;
        }
        return true;
    }
    // Takes the remaining lines through the converter (when it is used).
    void Drain() {
        std::string_view line;
        if (conv_)
            while (Next(line)) {
            }
    }

private:
    LineSplitter split_;
    TAutoSjisConv* conv_;
    std::string& out_;
};

}  // namespace detail

enum class Family { C, Asm };
// The kind a file of the family counts as: Java and C headers keep their kind by
// extension, any other file is a C source; AsmHeader by extension, else AsmSource.
int KindInFamily(const CountOptions& opt, std::string_view path, Family family);

}  // namespace zarnik::engine
