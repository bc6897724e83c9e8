#include "engine/count.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <new>
#include <optional>

#include "engine/chunked_text.h"
#include "engine/counter_generic.h"
#include "engine/detail/piece_counters.h"
#include "engine/detail/text_pieces.h"
#include "engine/line_blocks.h"
#include "engine/path_at.h"
#include "engine/read_buffer.h"
#include "engine/source_kind.h"
#include "engine/utf8_source.h"

namespace zarnik::engine {

std::size_t ChunkBytesFor(unsigned threads) {
    constexpr std::size_t kBudget = std::size_t{8} << 20, kMin = std::size_t{4} << 10;
    return std::clamp(kBudget / std::max(1u, threads), kMin, CountContext::kMaxChunkBytes);
}

namespace {

constexpr std::size_t kProbeBytes = 515;  // the first byte and the 514 examined after it

// Opens an existing regular file for reading and fills st from the open file, so
// that the path is walked once. Returns an invalid Fd when no such file exists
// (folders, pipes and devices count as not existing: reading a pipe could block
// forever; O_NONBLOCK keeps the open of one from blocking). Throws FileError for
// every other failure.
Fd OpenExisting(const std::string& path, struct stat& st, FolderAt* folders = nullptr) {
    if (path.empty()) return Fd(-1);
    constexpr int kFlags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd = folders ? folders->Open(path, kFlags) : OpenPath(path, kFlags);
    if (fd < 0) {
        int e = errno;
        if (e == ENOENT || e == ENOTDIR || e == ELOOP || e == ENAMETOOLONG || e == ENXIO) return Fd(-1);
        throw FileError(path, e);
    }
    Fd f(fd);
    if (::fstat(fd, &st) != 0) throw FileError(path, errno);
    if (!S_ISREG(st.st_mode)) return Fd(-1);
    return f;
}

// How far a file is read: the size it had when it was looked at, so that a file
// that grows while it is counted (a log being written) is not read without end.
// The pre-check's head is read whatever the size said (files of the proc file
// system say 0).
std::uint64_t ReadLimit(std::int64_t size) {
    return std::max<std::uint64_t>(size > 0 ? static_cast<std::uint64_t>(size) : 0, kProbeBytes);
}

// One read of up to n bytes (repeated only when interrupted).
std::size_t ReadOnce(const Fd& fd, char* buf, std::size_t n, const std::string& path) {
    for (;;) {
        ssize_t r = ::read(fd.get(), buf, n);
        if (r >= 0) return static_cast<std::size_t>(r);
        if (errno != EINTR) throw FileError(path, errno);
    }
}

// Fills ctx.Text with what counting the file needs and returns the pre-check's
// status: the head alone when the file is not read whole here (whole is false:
// nothing counts it, or it is read in pieces after its head passed), else the
// file up to the size it had (ReadLimit). size is what the file system said of the
// file a moment ago; a file of that size takes one read.
FileStatus ReadForCount(const Fd& fd, std::int64_t size, bool whole, const std::string& path,
                        ByteBuffer& text) {
    text.clear();
    std::size_t want = kProbeBytes;
    if (whole && size >= 0) want = std::max(want, static_cast<std::size_t>(size));
    char* dst = text.Extend(want);
    std::size_t got = ReadOnce(fd, dst, want, path);
    // A read that fell short of the size is made up by reading on.
    if (got < want && static_cast<std::int64_t>(got) < size)
        got += ReadAt(fd, dst + got, want - got, got, path);
    text.Commit(got);
    return ProbeBytes(text.view());
}

// Reads on after the head ReadForCount left in text, up to the size the file had.
void ReadRest(const Fd& fd, std::int64_t size, const std::string& path, ByteBuffer& text) {
    if (size <= 0 || static_cast<std::uint64_t>(size) <= text.size()) return;
    const std::size_t want = static_cast<std::size_t>(size) - text.size();
    char* dst = text.Extend(want);
    text.Commit(ReadAt(fd, dst, want, text.size(), path));
}

using CounterFn = FileStatus (*)(const CountOptions&, detail::TextPieces&, FileCounts&, ConverterState&);

CounterFn CounterFor(CounterId id) {
    switch (id) {
        case CounterId::CFamily:
            return detail::CountCFamily;
        case CounterId::Asm:
            return detail::CountAsm;
        case CounterId::PlSql:
            return detail::CountPlSql;
        case CounterId::Basic:
            return detail::CountBasic;
        case CounterId::Guess:
        case CounterId::Table:
        case CounterId::None:
            break;
    }
    return nullptr;
}

}  // namespace

FileStatus ProbeBytes(std::string_view head) {
    if (head.size() > kProbeBytes) head = head.substr(0, kProbeBytes);
    if (head.size() <= 1) return FileStatus::Unrecognised;
    std::size_t i = 1;
#if defined(__SSE2__)
    // 16 bytes at a time up to the first NUL, CR or LF: a head's first line is mostly
    // longer than a few bytes.
    const __m128i nul = _mm_setzero_si128(), cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
    for (; i + 16 <= head.size(); i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(head.data() + i));
        const __m128i hit =
            _mm_or_si128(_mm_cmpeq_epi8(v, nul), _mm_or_si128(_mm_cmpeq_epi8(v, cr), _mm_cmpeq_epi8(v, lf)));
        if (const int mask = _mm_movemask_epi8(hit)) {
            i += static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
            break;
        }
    }
#endif
    for (; i < head.size(); ++i) {
        const char c = head[i];
        if (c == '\0') return FileStatus::NotSource;
        if (c == '\r' || c == '\n') return FileStatus::Counted;
    }
    return FileStatus::Unfit;
}

FileStatus ProbeConverted(std::string_view converted, FileStatus asRead) {
    return converted.size() <= 1 ? asRead : ProbeBytes(converted);
}

std::string_view TextForCounting(std::string_view loaded) {
    if (loaded.empty()) return loaded;
    if (const void* nul = std::memchr(loaded.data(), 0, loaded.size()))
        loaded = loaded.substr(0, static_cast<std::size_t>(static_cast<const char*>(nul) - loaded.data()));
    return loaded;
}

namespace {

void CountLoadedText(const CountOptions& opt, const ModeChoice& choice, detail::TextPieces& text,
                     FileCounts& rec, ConverterState& state) {
    rec.Kind = choice.TotalsKind;
    // A file named by its first line shows its language in the kind column too.
    if (choice.Counter == CounterId::Table && rec.NameKind == NoKind) rec.NameKind = choice.TotalsKind;
    const LanguageRules* accurate =
        choice.Counter == CounterId::CFamily && opt.AccurateCFamily && opt.Languages
            ? opt.Languages->AccurateFor(rec.Name)
            : nullptr;
    if (accurate)
        rec.Status = detail::CountLanguage(opt, *accurate, text, rec, state);
    else if (choice.Counter == CounterId::Table && opt.Languages &&
             static_cast<std::size_t>(TableIndex(choice.TotalsKind)) < opt.Languages->Table.Languages.size())
        rec.Status = detail::CountLanguage(
            opt, opt.Languages->RulesOf(static_cast<std::size_t>(TableIndex(choice.TotalsKind))), text, rec,
            state);
    else if (choice.Counter == CounterId::Guess)
        rec.Status = detail::GuessKind(opt, text, rec.Name, rec, state);
    else if (CounterFn fn = CounterFor(choice.Counter))
        rec.Status = fn(opt, text, rec, state);
    else
        rec.Status = FileStatus::NotTarget;
    if (rec.Status == FileStatus::Counted)
        FinishCounts(opt, rec);
    else
        rec.Kind = NoKind;
}

}  // namespace

void CountLoadedText(const CountOptions& opt, std::string_view text, FileCounts& rec, ConverterState& state) {
    detail::WholeText whole(text);
    ModeChoice choice = ChooseByMode(opt, rec.Name);
    if (choice.Counter == CounterId::None) choice = ChooseByFirstLine(opt, rec.Name, text);
    CountLoadedText(opt, choice, whole, rec, state);
}

void FinishCounts(const CountOptions& opt, FileCounts& rec) {
    rec.Exec = rec.Total - rec.Comment - rec.Blank;
    if (opt.BlankAddsToComment) rec.Comment += rec.Blank;
    if (opt.BlankLeavesTotal) rec.Total -= rec.Blank;
    float t = static_cast<float>(rec.Total);
    float c = static_cast<float>(rec.Comment) * 100.0f;
    rec.Ratio = t > 0 ? c / t : 0.0f;
}

namespace {

// A UTF-8 text for the C family's counter as it stands, without converting it,
// where converting can change no figure and no status: in ctx.Utf8Spare, up to its
// first NUL, every byte of 0x80 or above made one that is no lead byte (see
// detail::OpaqueUtf8Copy for the texts it takes), or nothing. To that counter a
// character of two bytes or more is text that is neither blank, quote, backslash
// nor comment mark, whatever it is and however many bytes it takes; converted, no
// line grows, and none reaches 512 bytes here, so the same lines are counted; the
// head's line break, found within 515 bytes, stands within them converted too. The
// table's languages and the logged lines see the converted text.
std::optional<std::string_view> OpaqueUtf8Text(const CountOptions& opt, const ModeChoice& choice, bool read,
                                               FileStatus status, const FileCounts& rec, CountContext& ctx) {
    if (!read || !opt.ConvertUtf8 || status != FileStatus::Counted || choice.Counter != CounterId::CFamily ||
        ctx.LineClasses || (opt.AccurateCFamily && opt.Languages && opt.Languages->AccurateFor(rec.Name)))
        return std::nullopt;
    const std::string_view loaded = ctx.Text.view();
    if (StartsWithByteOrderMark(loaded)) return std::nullopt;
    ctx.Utf8Spare.clear();
    const std::size_t n = detail::OpaqueUtf8Copy(loaded, ctx.Utf8Spare.Extend(loaded.size()));
    if (n == std::string_view::npos) return std::nullopt;
    ctx.Utf8Spare.Commit(n);
    return ctx.Utf8Spare.view();
}

// The text of a file read whole into ctx.Text, for the counters. A UTF-8 file
// becomes Shift-JIS once, before its bytes become any counter's text. Most files are
// ASCII up to their end or first NUL, which one pass shows: no UTF-8 character of
// more than one byte. Any other text is handed over as read: every reader of a text
// (the line splitter and the bit-mask frame alike) ends it at its first NUL, and a
// search for the NUL would be one more pass over the file.
std::string_view WholeTextForCounting(const CountOptions& opt, const ModeChoice& choice, bool read,
                                      FileStatus status, const FileCounts& rec, CountContext& ctx) {
    const bool utf8 = read && opt.ConvertUtf8;
    const std::string_view loaded = ctx.Text.view();
    const std::size_t ascii = utf8 ? detail::AsciiTextRun(loaded) : 0;
    if (ascii == loaded.size() || loaded[ascii] == '\0') return loaded.substr(0, ascii);
    if (const std::optional<std::string_view> opaque = OpaqueUtf8Text(opt, choice, read, status, rec, ctx)) {
        ctx.FromUtf8 = true;
        return *opaque;
    }
    ctx.FromUtf8 = utf8 && ConvertUtf8Source(ctx.Text, ctx.Utf8Spare);
    return ctx.Text.view();
}

// ProbeConverted over the first piece of a text read in pieces (converted), which is
// read again from the start afterwards.
FileStatus ProbeConverted(detail::ChunkedText& text, FileStatus asRead) {
    std::string_view piece;
    const FileStatus status = text.Next(piece) ? ProbeConverted(piece, asRead) : asRead;
    text.Rewind();
    return status;
}

// A record of entry with no counts yet.
void StartRecord(const CountOptions& opt, const DirEntry& entry, FileCounts& rec) {
    rec.Status = FileStatus::Counted;
    rec.Name = entry.Name;
    rec.MTime = entry.MTime;
    rec.Size = entry.Size;
    rec.NameKind = ShownKind(opt, rec.Name);
    rec.Kind = NoKind;
    rec.Total = rec.Comment = rec.Exec = rec.Blank = 0;
    rec.Ratio = 0.0f;
}

// Counts the file held whole in ctx.Text, whose head's pre-check gave status.
void CountWholeText(const CountOptions& opt, const ModeChoice& choice, bool read, FileStatus status,
                    FileCounts& rec, CountContext& ctx) {
    const std::string_view whole = WholeTextForCounting(opt, choice, read, status, rec, ctx);
    if (ctx.FromUtf8) status = ProbeConverted(whole, status);
    rec.Status = status;
    if (status != FileStatus::Counted) return;
    detail::WholeText text(whole);
    CountLoadedText(opt, choice, text, rec, ctx);
}

// The bytes of a stored file as a read of the file holding them gives them to the
// counting: the pre-check's head alone when no counter reads it, else all of them.
void CountStoredBytes(const CountOptions& opt, std::string_view bytes, const DirEntry& entry, FileCounts& rec,
                      CountContext& ctx) {
    StartRecord(opt, entry, rec);
    ModeChoice choice = ChooseByMode(opt, rec.Name, rec.NameKind);
    if (choice.Counter == CounterId::None)
        choice = ChooseByFirstLine(opt, rec.Name, bytes.substr(0, kProbeBytes));
    const bool read = choice.Counter != CounterId::None;
    const std::size_t n = read ? bytes.size() : std::min(bytes.size(), kProbeBytes);
    ctx.Text.clear();
    if (n > 0) std::memcpy(ctx.Text.Extend(n), bytes.data(), n);
    ctx.Text.Commit(n);
    const FileStatus status = ProbeBytes(ctx.Text.view());
    ctx.FromUtf8 = false;
    const bool unfitAsRead = status == FileStatus::Unfit && read && opt.ConvertUtf8;
    if (status != FileStatus::Counted && !unfitAsRead)
        rec.Status = status;
    else
        CountWholeText(opt, choice, read, status, rec, ctx);
}

// CountFile once the file is open (fd) or known not to exist: everything after the
// open, so the counting-ahead threads can run it without the walk's state.
void CountOpened(const CountOptions& opt, const std::string& path, const Fd& fd, std::int64_t size,
                 const DirEntry& entry, FileCounts& rec, CountContext& ctx) {
    StartRecord(opt, entry, rec);

    // Read the file once: the pre-check looks at its head, the counter at the text.
    // A file that no counter reads is read no further than the pre-check needs. A
    // large file is read in pieces after its head, so memory does not grow with it.
    ModeChoice choice = ChooseByMode(opt, rec.Name, rec.NameKind);
    bool read = choice.Counter != CounterId::None;
    bool inPieces = read && size > 0 && static_cast<std::uint64_t>(size) >= ctx.ChunkBytes;
    FileStatus status = fd ? ReadForCount(fd, size, read && !inPieces, path, ctx.Text) : FileStatus::Missing;
    // A file without an extension may name its language in its first line: its
    // head says, and the rest is read as any file of that size would be.
    if (fd && !read) choice = ChooseByFirstLine(opt, rec.Name, ctx.Text.view());
    if (!read && choice.Counter != CounterId::None) {
        read = true;
        inPieces = size > 0 && static_cast<std::uint64_t>(size) >= ctx.ChunkBytes;
        if (!inPieces) ReadRest(fd, size, path, ctx.Text);
    }
    ctx.FromUtf8 = false;
    // A head without a line break may be UTF-8 that is shorter once converted.
    const bool unfitAsRead = status == FileStatus::Unfit && read && opt.ConvertUtf8;
    if (status != FileStatus::Counted && !unfitAsRead) {
        rec.Status = status;
    } else if (inPieces) {
        detail::ChunkedText text(fd, path, ReadLimit(size), ctx.ChunkBytes, opt.ConvertEucJis,
                                 ctx.Text.size(), ctx.Text, ctx.Utf8Spare);
        if (unfitAsRead) {
            ctx.FromUtf8 = text.ConvertIfUtf8();
            rec.Status = ctx.FromUtf8 ? ProbeConverted(text, status) : status;
            if (rec.Status == FileStatus::Counted) CountLoadedText(opt, choice, text, rec, ctx);
            return;
        }
        // A UTF-8 file is known as one only once all of it was read. The file is
        // counted as read while it is checked; if it turns out UTF-8 (mostly at its
        // first character of more than one byte) it is checked to its end and, if
        // UTF-8, counted again, converted piece by piece.
        const EucJisConverter converter = ctx.Converter;
        if (opt.ConvertUtf8) text.CheckAsRead();
        CountLoadedText(opt, choice, text, rec, ctx);
        if (text.MustRecount()) {
            ctx.Converter = converter;
            if (ctx.LineClasses) ctx.LineClasses->clear();
            rec.Total = rec.Comment = rec.Exec = rec.Blank = 0;
            rec.Ratio = 0.0f;
            ctx.FromUtf8 = text.ConvertIfUtf8();
            // Unfit once converted: the figures of the reading as it was are gone above.
            if (ctx.FromUtf8 && (status = ProbeConverted(text, status)) != FileStatus::Counted) {
                rec.Status = status;
                rec.Kind = NoKind;
                return;
            }
            CountLoadedText(opt, choice, text, rec, ctx);
        }
    } else {
        CountWholeText(opt, choice, read, status, rec, ctx);
    }
}

// CountOpened, where running out of memory on the file is a read error of that
// file: the run ends with its name rather than the program with an abort. The
// buffers the file filled are given back so that the caller has room to say so.
void CountOpenedOrFail(const CountOptions& opt, const std::string& path, const Fd& fd, std::int64_t size,
                       const DirEntry& entry, FileCounts& rec, CountContext& ctx) {
    try {
        CountOpened(opt, path, fd, size, entry, rec, ctx);
    } catch (const std::bad_alloc&) {
        ctx.Text.Release();
        ctx.Utf8Spare.Release();
        ctx.Converted = std::string();
        throw FileError(path, ENOMEM);
    }
}

}  // namespace

void CountFile(const CountOptions& opt, const std::string& path, const DirEntry& entry, FileCounts& rec,
               CountContext& ctx) {
    struct stat st {};
    Fd fd = OpenExisting(path, st);
    CountOpenedOrFail(opt, path, fd, st.st_size, entry, rec, ctx);
}

void CountStoredFile(const CountOptions& opt, const std::string& path, std::string_view bytes,
                     const DirEntry& entry, FileCounts& rec, CountContext& ctx) {
    try {
        CountStoredBytes(opt, bytes, entry, rec, ctx);
    } catch (const std::bad_alloc&) {
        ctx.Text.Release();
        ctx.Utf8Spare.Release();
        ctx.Converted = std::string();
        throw FileError(path, ENOMEM);
    }
}

bool CountFoundFile(const CountOptions& opt, const std::string& path, DirEntry& entry, FileCounts& rec,
                    CountContext& ctx) {
    struct stat st;
    Fd fd = OpenExisting(path, st, &ctx.Folders);
    if (!fd) return false;
    entry.MTime = static_cast<std::int64_t>(st.st_mtime);
    entry.Size = static_cast<std::int64_t>(st.st_size);
    CountOpenedOrFail(opt, path, fd, entry.Size, entry, rec, ctx);
    return true;
}

}  // namespace zarnik::engine
