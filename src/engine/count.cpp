#include "engine/count.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace zarnik::engine {

FileError::FileError(std::string path, int err)
    : std::runtime_error(std::strerror(err)), path_(std::move(path)), code_(err) {}

char* ByteBuffer::Extend(std::size_t n) {
    if (capacity_ - size_ < n) {
        std::size_t cap = std::max(capacity_ * 2, size_ + n);
        std::unique_ptr<char[]> grown(new char[cap]);
        if (size_) std::memcpy(grown.get(), data_.get(), size_);
        data_ = std::move(grown);
        capacity_ = cap;
    }
    return data_.get() + size_;
}

namespace {

constexpr std::size_t kProbeBytes = 515;  // the first byte and the 514 examined after it

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_;
};

// Opens an existing regular file for reading. Returns an invalid Fd when no such
// file exists (folders, pipes and devices count as not existing: reading a pipe
// could block forever). Throws FileError for every other failure.
Fd OpenExisting(const std::string& path, std::int64_t* size = nullptr) {
    if (path.empty()) return Fd(-1);
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        int e = errno;
        if (e == ENOENT || e == ENOTDIR || e == ELOOP || e == ENAMETOOLONG || e == ENXIO) return Fd(-1);
        throw FileError(path, e);
    }
    Fd f(fd);
    struct stat st;
    if (::fstat(fd, &st) != 0) throw FileError(path, errno);
    if (!S_ISREG(st.st_mode)) return Fd(-1);
    if (size) *size = st.st_size;
    return f;
}

// Reads until n bytes arrived or the file ended; returns the count read.
std::size_t ReadFully(const Fd& fd, char* buf, std::size_t n, const std::string& path) {
    std::size_t got = 0;
    while (got < n) {
        ssize_t r = ::read(fd.get(), buf + got, std::min<std::size_t>(n - got, 1u << 30));
        if (r < 0) {
            if (errno == EINTR) continue;
            throw FileError(path, errno);
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return got;
}

// Reads the rest of the file after what buf holds, stopping at the first NUL (the
// text ends there, so nothing after it is needed). Room for the whole file is made
// at once, as its size promises, but it is filled in pieces of at most 16 MB, each
// searched for a NUL as it arrives: a sparse file of many GB whose hole follows a
// little text costs that text, not its size in memory and time.
void ReadRest(const Fd& fd, ByteBuffer& buf, std::int64_t sizeHint, const std::string& path) {
    if (buf.size() && std::memchr(buf.data(), 0, buf.size())) return;
    constexpr std::uint64_t kMinPiece = 1 << 16, kMaxPiece = 1 << 24, kMaxRoom = 1 << 28;
    // One more byte than the size promises, so that a file read whole ends the loop
    // without another read.
    auto rest = [&]() -> std::uint64_t {
        return sizeHint > 0 && static_cast<std::uint64_t>(sizeHint) >= buf.size()
                   ? static_cast<std::uint64_t>(sizeHint) - buf.size() + 1
                   : kMinPiece;
    };
    buf.Extend(static_cast<std::size_t>(std::clamp(rest(), kMinPiece, kMaxRoom)));
    for (;;) {
        auto piece = static_cast<std::size_t>(std::clamp(rest(), kMinPiece, kMaxPiece));
        char* dst = buf.Extend(piece);
        std::size_t got = ReadFully(fd, dst, piece, path);
        buf.Commit(got);
        if (got < piece || std::memchr(dst, 0, got)) return;
    }
}

void FillLines(std::string_view text, LineList& list, const settings::S_CNF& cnf, CountContext& ctx) {
    if (cnf.EucJis != 1) {
        list.Split(text);
        return;
    }
    ctx.RawLines.Split(text);
    list.clear();
    for (std::size_t i = 0; i < ctx.RawLines.size(); ++i) {
        std::size_t start = list.OwnBuffer().size();
        ctx.Converter.ToShiftJis(ctx.RawLines[i], list.OwnBuffer());
        list.CommitOwn(start);
    }
}

using CounterFn = int (*)(const settings::S_CNF&, const std::string&, S_CMT&, CountContext&);

CounterFn CounterFor(CounterId id) {
    switch (id) {
        case CounterId::CFamily: return CountCFamily;
        case CounterId::Asm: return CountAsm;
        case CounterId::PlSql: return CountPlSql;
        case CounterId::Basic: return CountBasic;
        case CounterId::Guess: return GuessKind;
        case CounterId::None: break;
    }
    return nullptr;
}

}  // namespace

int ProbeBytes(std::string_view head) {
    if (head.size() > kProbeBytes) head = head.substr(0, kProbeBytes);
    if (head.size() <= 1) return 4;
    for (char c : head.substr(1)) {
        if (c == '\0') return 2;
        if (c == '\r' || c == '\n') return 0;
    }
    return 3;
}

int ProbeFile(const std::string& path) {
    Fd fd = OpenExisting(path);
    if (!fd) return 5;
    char head[kProbeBytes];
    return ProbeBytes({head, ReadFully(fd, head, kProbeBytes, path)});
}

int LoadSourceLines(const std::string& path, LineList& list, const settings::S_CNF& cnf, CountContext& ctx) {
    if (!(ctx.Cached && ctx.CachedPath == path)) {
        std::int64_t size = 0;
        Fd fd = OpenExisting(path, &size);
        if (!fd) return 1;
        ctx.Cached = false;
        ctx.Text.clear();
        ReadRest(fd, ctx.Text, size, path);
    }
    FillLines(ctx.Text.view(), list, cnf, ctx);
    return 0;
}

void FinishCounts(const settings::S_CNF& cnf, S_CMT& rec) {
    rec.Exec = rec.Total - rec.Comment - rec.Blank;
    if (cnf.Kg_Cmt == 1) rec.Comment += rec.Blank;
    if (cnf.Kg_Non == 1) rec.Total -= rec.Blank;
    float t = static_cast<float>(rec.Total);
    float c = static_cast<float>(rec.Comment) * 100.0f;
    rec.Ratio = t > 0 ? c / t : 0.0f;
}

std::string FormatFileTime(std::int64_t mtime) {
    std::time_t t = static_cast<std::time_t>(mtime);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return "00-00-00 00:00";
    int yy = ((tm.tm_year + 1900) % 100 + 100) % 100;
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02d-%02d-%02d %02d:%02d", yy, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                  tm.tm_min);
    return buf;
}

void CountFile(const settings::S_CNF& cnf, const std::string& path, const DirEntry& entry, S_CMT& rec,
               CountContext& ctx) {
    rec = S_CMT{};
    rec.Name = entry.Name;
    rec.TimeText = FormatFileTime(entry.MTime);
    rec.Size = entry.Size;
    rec.KindText = KindTextFor(cnf, rec.Name);

    // Read the file once: the pre-check looks at its head, the counters reuse the
    // bytes through LoadSourceLines.
    int status = 5;
    ctx.Cached = false;
    std::int64_t size = 0;
    if (Fd fd = OpenExisting(path, &size)) {
        ctx.Text.clear();
        char* head = ctx.Text.Extend(kProbeBytes);
        ctx.Text.Commit(ReadFully(fd, head, kProbeBytes, path));
        status = ProbeBytes(ctx.Text.view());
        if (status == 0) {
            ReadRest(fd, ctx.Text, size, path);
            if (const void* nul = std::memchr(ctx.Text.data(), 0, ctx.Text.size()))
                ctx.Text.Truncate(static_cast<std::size_t>(static_cast<const char*>(nul) - ctx.Text.data()));
            ctx.CachedPath = path;
            ctx.Cached = true;
        }
    }
    if (status == 0) {
        ModeChoice choice = ChooseByMode(cnf, rec.Name);
        if (choice.Counter == CounterId::Guess) ctx.GuessedKind = 0;
        CounterFn fn = CounterFor(choice.Counter);
        status = fn ? fn(cnf, path, rec, ctx) : 1;
    }
    ctx.Cached = false;
    rec.Status = status;
    if (status == 0) FinishCounts(cnf, rec);
}

}  // namespace zarnik::engine
