#include "engine/chunked_text.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/utf8_source.h"

namespace zarnik::engine::detail {

namespace {

constexpr std::size_t kNone = std::string_view::npos;

// Index of the last CR or LF of p[0, n), or kNone.
std::size_t LastBreak(const char* p, std::size_t n) {
    const void* lf = ::memrchr(p, '\n', n);
    const std::size_t after = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - p) + 1 : 0;
    if (const void* cr = ::memrchr(p + after, '\r', n - after))
        return static_cast<std::size_t>(static_cast<const char*>(cr) - p);
    return lf ? after - 1 : kNone;
}

// Index of the first CR or LF of p[from, n), or kNone.
std::size_t FirstBreak(const char* p, std::size_t from, std::size_t n) {
    const void* lf = std::memchr(p + from, '\n', n - from);
    const std::size_t end = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - p) : n;
    if (const void* cr = std::memchr(p + from, '\r', end - from))
        return static_cast<std::size_t>(static_cast<const char*>(cr) - p);
    return lf ? end : kNone;
}

}  // namespace

ChunkedText::ChunkedText(const Fd& fd, const std::string& path, std::uint64_t limit, std::size_t chunk,
                         bool convertsLines, std::uint64_t headBytes, ByteBuffer& buf, ByteBuffer& converted)
    : fd_(fd),
      path_(path),
      limit_(limit),
      chunk_(std::max<std::size_t>(chunk, 1)),
      convertsLines_(convertsLines),
      buf_(buf),
      converted_(converted),
      known_(headBytes) {
    // Room for a piece, a long line's kept bytes with what follows them, and the
    // one byte that tells whether an LF follows a CR; only a line the converter
    // must read whole grows it.
    buf_.Reserve(std::max(chunk_, 2 * kLongLineKept) + 4);
    Rewind();
}

void ChunkedText::Rewind() {
    buf_.clear();
    offset_ = 0;
    handed_ = 0;
    searched_ = 0;
    atEnd_ = limit_ == 0;
    atStart_ = true;
}

void ChunkedText::Fill(std::size_t want) {
    want = static_cast<std::size_t>(std::min<std::uint64_t>(want, limit_ - offset_));
    char* dst = buf_.Extend(want);
    std::size_t got = ReadAt(fd_, dst, want, offset_, path_);
    // Shorter than an earlier reading found it: what was counted then is not what
    // is read now.
    if (got < want && offset_ + got < known_) throw FileError(path_, EIO);
    bool ended = got < want || offset_ + got >= limit_;
    if (const void* nul = got ? std::memchr(dst, 0, got) : nullptr) {
        got = static_cast<std::size_t>(static_cast<const char*>(nul) - dst);
        ended = true;
    }
    if (feeding_ && offset_ + got > checkedTo_) {
        // Only bytes not seen yet: a second reading (the guess's) feeds nothing again.
        const auto seen = static_cast<std::size_t>(checkedTo_ - offset_);
        check_.Feed({dst + seen, got - seen});
        checkedTo_ = offset_ + got;
        if (speculating_ && check_.MultiByte()) {
            aborted_ = true;
        } else if (speculating_ && check_.Broken()) {
            speculating_ = feeding_ = false;  // no UTF-8: the pieces as read are the text
        }
    }
    buf_.Commit(got);
    offset_ += got;
    known_ = std::max(known_, offset_);
    if (ended) atEnd_ = true;
}

std::size_t ChunkedText::FindCut() {
    const char* p = buf_.data();
    const std::size_t n = buf_.size();
    // A line ends after an LF, and after a CR that no LF follows (else after the LF).
    auto cutAfter = [&](std::size_t b) -> std::size_t {
        if (p[b] == '\n') return b + 1;
        if (b + 1 < n) return p[b + 1] == '\n' ? b + 2 : b + 1;
        return 0;  // a CR at the end: the next byte may be its LF
    };
    // The last line end within the piece size ...
    for (std::size_t lim = std::min(n, chunk_); lim > 0;) {
        const std::size_t b = LastBreak(p, lim);
        if (b == kNone) break;
        if (std::size_t cut = cutAfter(b)) return cut;
        lim = b;
    }
    // ... else the first after it: the piece is one line longer than that.
    const std::size_t b = FirstBreak(p, std::max(searched_, std::min(n, chunk_)), n);
    if (b == kNone) {
        searched_ = n;
        return 0;
    }
    if (std::size_t cut = cutAfter(b)) return cut;
    searched_ = b;
    return 0;
}

void ChunkedText::SkipLongLine() {
    buf_.Truncate(kLongLineKept);
    searched_ = kLongLineKept;
    const std::size_t step = std::max(chunk_, 2 * kLongLineKept) - kLongLineKept;
    while (!atEnd_) {
        Fill(step);
        char* rest = buf_.data() + kLongLineKept;
        const std::size_t got = buf_.size() - kLongLineKept;
        const std::size_t b = FirstBreak(rest, 0, got);
        if (b != kNone) {
            std::memmove(rest, rest + b, got - b);
            buf_.Truncate(kLongLineKept + got - b);
            return;
        }
        buf_.Truncate(kLongLineKept);
    }
}

bool ChunkedText::Next(std::string_view& piece) {
    if (aborted_) return false;
    if (handed_) {
        // The piece handed out last is done with; its unfinished line moves to the front.
        const std::size_t rest = buf_.size() - handed_;
        if (rest) std::memmove(buf_.data(), buf_.data() + handed_, rest);
        buf_.Truncate(rest);
        handed_ = 0;
        searched_ = 0;
    }
    std::size_t cut;
    for (;;) {
        if (aborted_) return false;
        if (!atEnd_ && buf_.size() < chunk_) {
            Fill(chunk_ - buf_.size());
            continue;
        }
        if (atEnd_ && buf_.size() == 0) return false;
        if ((cut = FindCut()) != 0) break;
        if (atEnd_) {
            cut = buf_.size();
            break;
        }
        const bool crAtEnd = buf_.data()[buf_.size() - 1] == '\r';
        if (!crAtEnd && !KeepsLongLines() && buf_.size() > kLongLineKept)
            SkipLongLine();
        else
            Fill(crAtEnd ? 1 : chunk_);
    }
    handed_ = cut;
    std::string_view raw(buf_.data(), cut);
    const bool first = atStart_;
    atStart_ = false;
    if (!fromUtf8_) {
        piece = raw;
        return true;
    }
    if (first && StartsWithByteOrderMark(raw)) raw.remove_prefix(3);
    converted_.clear();
    AppendUtf8AsShiftJis(raw, converted_);
    piece = converted_.view();
    return true;
}

bool ChunkedText::ConvertIfUtf8() {
    Rewind();
    check_ = Utf8Check();
    checkedTo_ = 0;
    feeding_ = true;
    speculating_ = aborted_ = false;
    while (!atEnd_ && buf_.size() < 3) Fill(3 - buf_.size());
    bool utf8 = StartsWithByteOrderMark(buf_.view());
    while (!utf8 && !atEnd_ && !check_.Broken()) {
        buf_.clear();
        Fill(chunk_);
    }
    if (!utf8) utf8 = check_.Finish();
    feeding_ = false;
    Rewind();
    fromUtf8_ = utf8;
    if (utf8) converted_.Reserve(std::max(chunk_, 2 * kLongLineKept) + 8);
    return utf8;
}

void ChunkedText::CheckAsRead() {
    Rewind();
    check_ = Utf8Check();
    checkedTo_ = 0;
    feeding_ = speculating_ = true;
    aborted_ = fromUtf8_ = false;
}

bool ChunkedText::MustRecount() {
    if (!speculating_) return false;
    speculating_ = feeding_ = false;
    const bool aborted = aborted_;
    aborted_ = false;
    return aborted || !atEnd_ || check_.Finish();
}

}  // namespace zarnik::engine::detail
