#include "run/collect.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>

#include "engine/file_error.h"
#include "engine/path_at.h"
#include "report/text_printer.h"
#include "run/git_ignore.h"
#include "text/sjis.h"

namespace zarnik::run {

namespace {

bool IsDotOrDotDot(std::string_view name) { return name == "." || name == ".."; }

// Errors after which an entry adds nothing without a word: it is gone, is no
// folder, loops, or the user may not read it. Anything else (no descriptors left,
// no memory, a failing disk) would silently shorten the totals, so it is a read
// error with the path.
bool LeavesNothingSilently(int e) {
    return e == ENOENT || e == ENOTDIR || e == ELOOP || e == ENAMETOOLONG || e == ENXIO || e == EACCES ||
           e == EPERM;
}

// Throws FileError(path, errno) unless errno is one that adds nothing silently.
void ThrowUnlessSilent(const std::string& path) {
    const int e = errno;
    if (!LeavesNothingSilently(e)) throw engine::FileError(path.empty() ? "." : path, e);
}

enum class EntryType { Folder, File, Other };

// What an entry is, from its d_type where the file system gives one. A symbolic
// link counts as what it points to, but a link to a folder is a folder only when
// followFolderLinks is set (a walk never enters one: links can form loops).
EntryType Classify(int dirFd, const std::string& folder, const char* name, unsigned char type,
                   bool followFolderLinks) {
    struct stat st;
    auto failed = [&] {
        ThrowUnlessSilent(JoinPath(folder, name));
        return EntryType::Other;
    };
    if (type == DT_UNKNOWN) {
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return failed();
        if (S_ISDIR(st.st_mode)) return EntryType::Folder;
        if (S_ISREG(st.st_mode)) return EntryType::File;
        if (!S_ISLNK(st.st_mode)) return EntryType::Other;
        type = DT_LNK;
    }
    switch (type) {
        case DT_DIR:
            return EntryType::Folder;
        case DT_REG:
            return EntryType::File;
        case DT_LNK:
            if (::fstatat(dirFd, name, &st, 0) != 0) return failed();  // dangling, a loop, or worse
            if (S_ISREG(st.st_mode)) return EntryType::File;
            if (S_ISDIR(st.st_mode) && followFolderLinks) return EntryType::Folder;
            return EntryType::Other;
        default:
            return EntryType::Other;  // pipes, devices, sockets
    }
}

struct Entry {
    std::string Name;
    EntryType Type;
};

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC;

// The entries of the open folder dir (at path) whose names pass the filter, in
// file-system order; dir stays open. A listing that fails part-way raises
// FileError with the folder's path rather than give half its files.
template <class Filter>
std::vector<Entry> ListFolder(const engine::Fd& dir, const std::string& path, bool followFolderLinks,
                              Filter filter) {
    std::vector<Entry> entries;
    if (!dir) {
        ThrowUnlessSilent(path);
        return entries;
    }
    // The entries are read from the descriptor itself, many at a time: a listing
    // through a DIR stream would cost four more system calls per folder (a
    // duplicate of the descriptor the caller keeps, a stat and two flag calls).
    alignas(dirent64) char buf[32768];
    for (;;) {
        const long got = detail::ReadFolderEntries(dir.get(), buf, sizeof buf);
        if (got < 0) throw engine::FileError(path.empty() ? "." : path, errno);
        if (got == 0) return entries;
        for (long at = 0; at < got;) {
            const auto* e = reinterpret_cast<const dirent64*>(buf + at);
            at += e->d_reclen;
            std::string_view name(e->d_name);
            if (!filter(name)) continue;
            entries.push_back(
                {std::string(name), Classify(dir.get(), path, e->d_name, e->d_type, followFolderLinks)});
        }
    }
}

// A folder by its path, which may be longer than PATH_MAX; one that is gone or may
// not be read gives nothing.
template <class Filter>
std::vector<Entry> ReadFolder(const std::string& folder, bool followFolderLinks, Filter filter) {
    engine::Fd dir(engine::OpenPath(folder.empty() ? "." : folder, kFolderFlags));
    return ListFolder(dir, folder, followFolderLinks, filter);
}

// Entries in the order SortByPath gives the paths under them: a folder's paths go
// on past its name with a "/", so a folder compares as its name and a "/".
bool EntryLess(const Entry& a, const Entry& b) {
    return EntryBefore(a.Name, a.Type == EntryType::Folder, b.Name, b.Type == EntryType::Folder);
}

void InPathOrder(const FileCollection& out, std::vector<Entry>& entries) {
    if (out.WalkInPathOrder) std::stable_sort(entries.begin(), entries.end(), EntryLess);
}

void SeeName(FileCollection& out, std::string_view name) {
    out.MaxNameLength = std::max(out.MaxNameLength, SjisLength(name));
}

void AddFile(FileCollection& out, std::string path, std::size_t nameLength, ProgressObserver& progress) {
    std::size_t offset = path.size() - nameLength;
    out.Files.push_back({std::move(path), offset});
    progress.Found(static_cast<std::int64_t>(out.Files.size()));
}

}  // namespace

namespace detail {
long (*ReadFolderEntries)(int, char*, std::size_t) = [](int fd, char* buf, std::size_t size) -> long {
    return ::getdents64(fd, buf, size);
};
}

bool EntryBefore(std::string_view a, bool aFolder, std::string_view b, bool bFolder) {
    auto at = [](std::string_view name, bool folder, std::size_t i) -> int {
        if (i < name.size()) return text::AsciiLower(static_cast<unsigned char>(name[i]));
        return i == name.size() && folder ? '/' : -1;
    };
    for (std::size_t i = 0;; ++i) {
        const int x = at(a, aFolder, i), y = at(b, bFolder, i);
        if (x != y) return x < y;
        if (x < 0 || i >= a.size()) return false;  // names equal but for case
    }
}

std::string_view FoundFile::Folder() const {
    if (NameOffset == 0) return {};
    return std::string_view(Path).substr(0, NameOffset == 1 ? 1 : NameOffset - 1);
}

bool MatchesPattern(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") return true;
    const std::size_t npos = std::string_view::npos;
    std::size_t p = 0, n = 0, starP = npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
            continue;
        }
        if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += text::Utf8CharLength(name, n);
            continue;
        }
        if (p < pattern.size() && text::AsciiLower(static_cast<unsigned char>(pattern[p])) ==
                                      text::AsciiLower(static_cast<unsigned char>(name[n]))) {
            ++p;
            ++n;
            continue;
        }
        if (starP == npos) return false;
        // Let the last "*" swallow one more character and try again.
        p = starP;
        starN += text::Utf8CharLength(name, starN);
        n = starN;
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

TargetParts SplitTargetLine(std::string_view line) {
    std::size_t slash = line.rfind('/');
    if (slash == std::string_view::npos) return {"", std::string(line)};
    std::size_t folderEnd = (slash == 0 || line[slash - 1] == '/') ? slash + 1 : slash;
    return {std::string(line.substr(0, folderEnd)), std::string(line.substr(slash + 1))};
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path.append(folder);
    if (!folder.empty() && folder.back() != '/') path.push_back('/');
    path.append(name);
    return path;
}

std::int32_t SjisLength(std::string_view native) {
    std::size_t n = text::IsAscii(native) ? native.size() : text::Utf8ToSjis(native).size();
    return static_cast<std::int32_t>(std::min<std::size_t>(n, INT32_MAX));
}

std::string NativeToSjis(std::string_view native) { return report::NativeToShownSjis(native); }

namespace {

// Whether a repository may hold folder: an entry named .git in it or in a folder
// above. Where there is none, libgit2 is never started (loading and starting it
// costs more than a small count), and a repository's own folder holds one above
// it. When the folder's real path cannot be had, libgit2 decides.
bool MayBeInRepository(const std::string& folder) {
    std::unique_ptr<char, decltype(&::free)> real(::realpath(folder.c_str(), nullptr), &::free);
    if (!real) return true;
    std::string path = real.get();
    struct stat st;
    for (;;) {
        if (::lstat((path == "/" ? std::string("/.git") : path + "/.git").c_str(), &st) == 0) return true;
        if (path == "/") return false;
        const std::size_t slash = path.rfind('/');
        path.resize(slash == 0 ? 1 : slash);
    }
}

// The rules of the git work trees a collection passes through, made only when the
// collection follows them. Outside any work tree everything is decided here:
// GitIgnore, and with it libgit2, is asked only where a .git entry was seen.
class GitRules {
public:
    explicit GitRules(const FileCollection& out) {
        if (out.FollowGitIgnore) git_.emplace();
    }
    GitIgnore::Place Locate(const std::string& folder) {
        if (!git_ || !MayBeInRepository(folder.empty() ? "." : folder)) return {};
        return git_->Locate(folder);
    }
    GitIgnore::Place Enter(const GitIgnore::Place& parent, const std::string& path, std::string_view name,
                           const std::vector<Entry>& entries) {
        if (!git_) return {};
        const bool holdsGit =
            std::any_of(entries.begin(), entries.end(), [](const Entry& e) { return e.Name == ".git"; });
        if (!holdsGit && parent.Tree < 0) return {};
        return git_->Enter(parent, path, name, holdsGit);
    }
    // An entry named .git (the repository, or a link to it) is never counted.
    bool Ignored(const GitIgnore::Place& place, const std::string& folder, const Entry& e) {
        if (!git_ || IsDotOrDotDot(e.Name)) return false;
        if (e.Name == ".git") return true;
        return place.Tree >= 0 && git_->Ignored(place, folder, e.Name, e.Type == EntryType::Folder);
    }

private:
    std::optional<GitIgnore> git_;
};

// Adds the files under folder. Its place for git's rules is found from the folder
// itself, or, when it is entry name of a folder at parent, from there.
void WalkFolder(const std::string& folder, FileCollection& out, bool descend, ProgressObserver& progress,
                GitRules& git, const GitIgnore::Place* parent = nullptr, std::string_view name = {}) {
    // Depth first without recursion, so that a tree thousands of folders deep
    // needs no deep stack. A subfolder is opened relative to its parent, which
    // costs the same at any depth; only the last kOpenLevels levels keep their
    // folder open, and a subfolder of an older level is opened by its path.
    constexpr std::size_t kOpenLevels = 16;
    struct Level {
        std::string Folder;
        engine::Fd Dir;
        std::vector<Entry> Entries;
        GitIgnore::Place Git;
        std::size_t Next = 0;
    };
    auto all = [](std::string_view) { return true; };
    std::vector<Level> levels;
    engine::Fd top(engine::OpenPath(folder.empty() ? "." : folder, kFolderFlags));
    std::vector<Entry> topEntries = ListFolder(top, folder, false, all);
    InPathOrder(out, topEntries);
    GitIgnore::Place topPlace = parent ? git.Enter(*parent, folder, name, topEntries) : git.Locate(folder);
    levels.push_back({folder, std::move(top), std::move(topEntries), std::move(topPlace)});
    while (!levels.empty()) {
        if (levels.back().Next == levels.back().Entries.size()) {
            levels.pop_back();
            if (progress.CancelRequested()) return;
            continue;
        }
        const Level& level = levels.back();
        const Entry& e = level.Entries[levels.back().Next++];
        progress.Pump();
        if (progress.CancelRequested()) return;
        if (git.Ignored(level.Git, level.Folder, e)) continue;
        SeeName(out, e.Name);
        if (e.Type == EntryType::Folder) {
            if (descend && !IsDotOrDotDot(e.Name)) {
                std::string sub = JoinPath(level.Folder, e.Name);
                engine::Fd dir(level.Dir ? ::openat(level.Dir.get(), e.Name.c_str(), kFolderFlags)
                                         : engine::OpenPath(sub, kFolderFlags));
                std::vector<Entry> entries = ListFolder(dir, sub, false, all);
                InPathOrder(out, entries);
                GitIgnore::Place place = git.Enter(level.Git, sub, e.Name, entries);
                levels.push_back({std::move(sub), std::move(dir), std::move(entries), std::move(place)});
                if (levels.size() > kOpenLevels) levels[levels.size() - kOpenLevels - 1].Dir = engine::Fd();
            }
        } else if (e.Type == EntryType::File) {
            AddFile(out, JoinPath(level.Folder, e.Name), e.Name.size(), progress);
        }
    }
}

bool HasWildcard(std::string_view pattern) { return pattern.find_first_of("*?") != std::string_view::npos; }

}  // namespace

void CollectFolderFiles(const std::string& folder, FileCollection& out, bool descend,
                        ProgressObserver& progress) {
    GitRules git(out);
    WalkFolder(folder, out, descend, progress, git);
}

void CollectTargetLine(std::string_view line, FileCollection& out, bool descend, ProgressObserver& progress) {
    if (line.empty()) return;
    TargetParts parts = SplitTargetLine(line);
    GitRules git(out);
    if (line.back() == '/' || IsDotOrDotDot(parts.Pattern)) {
        // The line names a folder itself ("src/", ".", "src/.."); its name counts
        // like a matched entry's. The entries "." and ".." that a wildcard matches
        // are never walked, but a line that spells one out means that folder.
        std::string folder(line);
        if (parts.Pattern == "." && !parts.Folder.empty()) folder = parts.Folder;
        struct stat st;
        if (engine::StatPath(folder, st) != 0) return ThrowUnlessSilent(folder);
        if (!S_ISDIR(st.st_mode)) return;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        if (folder != "/") SeeName(out, SplitTargetLine(folder).Pattern);
        WalkFolder(folder, out, descend, progress, git);
        progress.Pump();
        return;
    }
    std::vector<Entry> matches = ReadFolder(
        parts.Folder, true, [&](std::string_view name) { return MatchesPattern(parts.Pattern, name); });
    InPathOrder(out, matches);
    // A line that names one entry takes it as named; a wildcard's matches follow
    // git's rules like a walk's entries.
    const bool wild = HasWildcard(parts.Pattern);
    const GitIgnore::Place place = wild && !matches.empty() ? git.Locate(parts.Folder) : GitIgnore::Place{};
    for (Entry& e : matches) {
        if (wild && git.Ignored(place, parts.Folder, e)) continue;
        SeeName(out, e.Name);
        if (e.Type == EntryType::Folder) {
            if (!IsDotOrDotDot(e.Name))
                WalkFolder(JoinPath(parts.Folder, e.Name), out, descend, progress, git,
                           wild ? &place : nullptr, e.Name);
        } else if (e.Type == EntryType::File) {
            AddFile(out, JoinPath(parts.Folder, e.Name), e.Name.size(), progress);
        }
        progress.Pump();
        if (progress.CancelRequested()) return;
    }
}

bool PathLess(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    // Paths share long folder prefixes; bytes that are equal are equal folded, so
    // the common prefix is passed 8 bytes at a time and folding starts at the first
    // byte that differs.
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t wa, wb;
        std::memcpy(&wa, a.data() + i, 8);
        std::memcpy(&wb, b.data() + i, 8);
        if (wa != wb) break;
    }
    for (; i < n; ++i) {
        unsigned char ca = text::AsciiLower(static_cast<unsigned char>(a[i]));
        unsigned char cb = text::AsciiLower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb;
    }
    return a.size() < b.size();
}

void SortByPath(std::vector<FoundFile>& files) {
    auto less = [](const FoundFile& a, const FoundFile& b) { return PathLess(a.Path, b.Path); };
    // A stable sort leaves sorted files as they are, and a walk in path order
    // mostly finds them so: one look over them is then all the sort costs.
    if (!std::is_sorted(files.begin(), files.end(), less)) std::stable_sort(files.begin(), files.end(), less);
}

}  // namespace zarnik::run
