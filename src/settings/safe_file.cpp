#include "settings/safe_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <random>
#include <set>
#include <thread>
#include <utility>

namespace zarnik::settings {

namespace {

std::atomic<SaveStepHook> g_stepHook{nullptr};

// False when the fault hook refuses the step; errno is then EIO.
bool Step(std::string_view step, const std::string& path) {
    SaveStepHook hook = g_stepHook.load();
    if (!hook || hook(step, path)) return true;
    errno = EIO;
    return false;
}

constexpr std::string_view kTempMark = ".tmp-";
constexpr std::size_t kTempSuffixLength = 6;
constexpr std::string_view kRecordHead = "ZARNIK-SAVE 1\n";
constexpr std::string_view kRecordTail = "END\n";

// The file a write to path should replace: a link's target, so the link survives.
std::string ResolveDestination(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::error_code ec;
    auto target = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : target.string();
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// "<path>.tmp-XXXXXX" with a random suffix. Every save (and every instance) makes
// names of its own, so that no save ever writes over or removes another's file.
std::string TempNameFor(const std::string& path) {
    static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    thread_local std::mt19937_64 gen{std::random_device{}() ^ (static_cast<std::uint64_t>(getpid()) << 32)};
    std::string name = path + std::string(kTempMark);
    for (std::size_t i = 0; i < kTempSuffixLength; ++i) name.push_back(kChars[gen() % (sizeof kChars - 1)]);
    return name;
}

bool Exists(const std::string& path) {
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

// Writes bytes to a new temporary file beside dest (created exclusively, so never
// over anything) and flushes it to disk. Its name, or "" on failure (nothing left).
// The file is made with open(O_EXCL) rather than mkstemp, which would make it
// 0600: the mode is the replaced file's, else what the umask gives a new file.
std::string WriteTemporary(const std::string& dest, std::string_view bytes) {
    if (!Step("write", dest)) return "";
    std::string temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = TempNameFor(dest);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST) return "";
    }
    if (fd < 0) return "";
    struct stat old;
    if (stat(dest.c_str(), &old) == 0 && S_ISREG(old.st_mode)) fchmod(fd, old.st_mode & 07777);
    bool ok = WriteAll(fd, bytes);
    ok = ok && Step("fsync", dest) && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (!ok) {
        unlink(temp.c_str());
        return "";
    }
    return temp;
}

// Best effort: the renames themselves already happened.
void SyncFolders(const std::set<std::string>& folders) {
    for (const std::string& folder : folders) {
        if (!Step("fsync-folder", folder)) continue;
        int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) continue;
        fsync(fd);
        close(fd);
    }
}

bool RenameStep(const std::string& from, const std::string& to) {
    return Step("rename", to) && rename(from.c_str(), to.c_str()) == 0;
}

// ---- the commit record: NUL-separated fields between a head and a tail line ----

bool IsAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// "memo<n>.dat", n from 1 without a leading zero, as the saves name them.
bool IsMemoName(std::string_view name) {
    if (!name.starts_with("memo") || !name.ends_with(".dat")) return false;
    std::string_view digits = name.substr(4, name.size() - 8);
    return !digits.empty() && digits.size() <= 10 && digits[0] != '0' &&
           digits.find_first_not_of("0123456789") == std::string_view::npos;
}

// The name that name is a temporary name of ("<name>.tmp-XXXXXX"), or "".
std::string_view TempNameBase(std::string_view name) {
    const std::size_t tail = kTempMark.size() + kTempSuffixLength;
    if (name.size() <= tail) return {};
    std::string_view suffix = name.substr(name.size() - kTempSuffixLength);
    if (name.substr(name.size() - tail, kTempMark.size()) != kTempMark ||
        !std::all_of(suffix.begin(), suffix.end(), IsAlnum))
        return {};
    return name.substr(0, name.size() - tail);
}

std::string_view BaseName(std::string_view path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// What a record may name: files of one folder, the INI file and the memo files,
// and their temporary names.
struct RecordRules {
    std::string folder;
    std::string iniName;

    explicit RecordRules(const std::string& record) : folder(FolderOf(record)) {
        std::string_view name = BaseName(record);
        if (name.ends_with(".commit")) iniName = std::string(name.substr(0, name.size() - 7));
    }
    // The name of path when it lies directly in the folder, else "".
    std::string_view InFolder(std::string_view path) const {
        std::string_view name = BaseName(path);
        if (name.empty() || name == "." || name == ".." || FolderOf(std::string(path)) != folder) return {};
        return name;
    }
    bool IsOurFile(std::string_view name) const {
        return (!iniName.empty() && name == iniName) || IsMemoName(name);
    }

    bool Allows(const SaveTransaction::Op& op) const {
        switch (op.Kind) {
            case 'M':  // a memo file moved aside to a temporary name of a memo file
                return IsMemoName(InFolder(op.From)) && IsMemoName(TempNameBase(InFolder(op.To)));
            case 'R': {  // a temporary file renamed over its file, or over the file a link names
                std::string_view name = InFolder(op.To);
                if (!IsOurFile(name)) return false;
                if (TempNameBase(InFolder(op.From)) == name) return true;
                std::string target = ResolveDestination(op.To);
                return target != op.To && TempNameBase(op.From) == target;
            }
            case 'U':
                return IsMemoName(InFolder(op.From)) && op.To.empty();
            default:
                return false;
        }
    }
};

std::string EncodeRecord(const std::vector<SaveTransaction::Op>& ops) {
    std::string out(kRecordHead);
    for (const auto& op : ops) {
        out.push_back(op.Kind);
        out.append(op.From).push_back('\0');
        out.append(op.To).push_back('\0');
    }
    out.append(kRecordTail);
    return out;
}

// False for text that is no record, or that names anything the rules do not allow.
bool DecodeRecord(std::string_view text, const RecordRules& rules, std::vector<SaveTransaction::Op>& ops) {
    if (!text.starts_with(kRecordHead) || !text.ends_with(kRecordTail)) return false;
    text = text.substr(kRecordHead.size(), text.size() - kRecordHead.size() - kRecordTail.size());
    while (!text.empty()) {
        SaveTransaction::Op op;
        op.Kind = text.front();
        text.remove_prefix(1);
        for (std::string* field : {&op.From, &op.To}) {
            std::size_t nul = text.find('\0');
            if (nul == std::string_view::npos) return false;
            *field = std::string(text.substr(0, nul));
            text.remove_prefix(nul + 1);
        }
        if (!rules.Allows(op)) return false;
        ops.push_back(std::move(op));
    }
    return true;
}

enum class RecordRead { Missing, Read, Rejected };

// Reads a record without following a link, opening anything but a regular file
// or reading more than kMaxRecordBytes.
RecordRead ReadRecord(const std::string& path, std::vector<SaveTransaction::Op>& ops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return errno == ENOENT ? RecordRead::Missing : RecordRead::Rejected;
    if (!S_ISREG(st.st_mode) || static_cast<std::uint64_t>(st.st_size) > kMaxRecordBytes)
        return RecordRead::Rejected;
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? RecordRead::Missing : RecordRead::Rejected;
    std::string text;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    // Room for the size it has now; one that grows meanwhile is still read only up
    // to the bound.
    if (ok) text.reserve(std::min<std::size_t>(static_cast<std::size_t>(st.st_size), kMaxRecordBytes) + 1);
    char buf[65536];
    while (ok && text.size() <= kMaxRecordBytes) {
        ssize_t n = read(fd, buf, std::min(sizeof buf, kMaxRecordBytes + 1 - text.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    close(fd);
    if (!ok || text.size() > kMaxRecordBytes || !DecodeRecord(text, RecordRules(path), ops))
        return RecordRead::Rejected;
    return RecordRead::Read;
}

// Puts a complete record in place at once (a temporary file renamed over it), so
// that a record is never seen half-written.
bool WriteRecord(const std::string& record, const std::vector<SaveTransaction::Op>& ops) {
    std::string temp = WriteTemporary(record, EncodeRecord(ops));
    if (temp.empty()) return false;
    if (!RenameStep(temp, record)) {
        unlink(temp.c_str());
        return false;
    }
    SyncFolders({FolderOf(record)});
    return true;
}

// Carries out a record's operations. Each can be repeated after a crash: a move
// aside whose temporary name exists is done; a rename whose temporary file is gone
// is done; a removal of a missing file is done. Moves aside come first and are
// dropped from the record once all are done, before any rename: a move's source
// name may be the destination of a rename, and must not be moved aside again.
bool Execute(const std::string& record, std::vector<SaveTransaction::Op> ops, std::string& failedPath) {
    std::set<std::string> folders{FolderOf(record)};
    for (const auto& op : ops) {
        folders.insert(FolderOf(op.From));
        if (op.Kind == 'R') folders.insert(FolderOf(op.To));
    }

    bool moved = false;
    for (const auto& op : ops) {
        if (op.Kind != 'M' || Exists(op.To) || !Exists(op.From)) continue;
        if (!RenameStep(op.From, op.To)) return failedPath = op.From, false;
        moved = true;
    }
    if (std::erase_if(ops, [](const auto& op) { return op.Kind == 'M'; }) > 0) {
        if (moved) SyncFolders(folders);
        if (!WriteRecord(record, ops)) return failedPath = record, false;
    }
    for (const auto& op : ops) {
        if (op.Kind != 'R' || !Exists(op.From)) continue;
        // Over the file itself, or, when the file is a link, over the file it names.
        const std::string dest = TempNameBase(op.From) == op.To ? op.To : ResolveDestination(op.To);
        if (!RenameStep(op.From, dest)) return failedPath = op.To, false;
    }
    for (const auto& op : ops)
        if (op.Kind == 'U' && !(Step("unlink", op.From) && RemoveFileIfPresent(op.From)))
            return failedPath = op.From, false;
    SyncFolders(folders);
    if (!Step("unlink", record) || unlink(record.c_str()) != 0) return failedPath = record, false;
    SyncFolders({FolderOf(record)});
    return true;
}

}  // namespace

void SetSaveStepHook(SaveStepHook hook) { g_stepHook.store(hook); }

// ---- SaveLock ----

SaveLock::SaveLock(const std::string& iniPath, bool create) {
    std::string path = iniPath + ".lock";
    // A pipe would block the open, a device may act on it, and a link may lead
    // anywhere: only a regular file is opened, and the open cannot block.
    struct stat st;
    if (lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        notAFile_ = true;
        return;
    }
    constexpr int kFlags = O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY;
    int fd = open(path.c_str(), O_RDWR | (create ? O_CREAT : 0) | kFlags, 0666);
    if (fd < 0 && errno != ENOENT) fd = open(path.c_str(), O_RDONLY | kFlags);  // a lock file of mode 0444
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        notAFile_ = fd >= 0 || errno == ELOOP;
        if (fd >= 0) close(fd);
        return;
    }
    // Another instance holds it for the few milliseconds of its save; one that
    // hangs while holding it must not hang this one for ever.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > deadline) {
            close(fd);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    fd_ = fd;
}

SaveLock::~SaveLock() {
    if (fd_ >= 0) close(fd_);  // closing the last descriptor releases the lock
}

// ---- SaveTransaction ----

SaveTransaction::~SaveTransaction() {
    if (recorded_) return;  // the next start finishes what the record lists
    for (const std::string& temp : written_) unlink(temp.c_str());
}

bool SaveTransaction::Write(const std::string& path, std::string_view bytes) {
    // The record names the file itself; its temporary file lies beside a link's target.
    std::string temp = WriteTemporary(ResolveDestination(path), bytes);
    if (temp.empty()) return false;
    written_.push_back(temp);
    renames_.push_back({'R', temp, path});
    return true;
}

void SaveTransaction::Move(const std::string& from, const std::string& path) {
    std::string aside;
    do aside = TempNameFor(path);
    while (Exists(aside));
    moves_.push_back({'M', from, aside});
    renames_.push_back({'R', aside, path});
}

void SaveTransaction::Remove(const std::string& path) { removes_.push_back({'U', path, ""}); }

bool SaveTransaction::Commit(std::string& failedPath) {
    std::vector<Op> ops = moves_;
    ops.insert(ops.end(), renames_.begin(), renames_.end());
    ops.insert(ops.end(), removes_.begin(), removes_.end());
    if (ops.empty()) return true;  // nothing changes: no record, no write
    // A record the next start would refuse is never written.
    const RecordRules rules(record_);
    if (!std::all_of(ops.begin(), ops.end(), [&](const Op& op) { return rules.Allows(op); }) ||
        EncodeRecord(ops).size() > kMaxRecordBytes || !WriteRecord(record_, ops)) {
        failedPath = record_;
        return false;
    }
    recorded_ = true;
    return Execute(record_, std::move(ops), failedPath);
}

RollForward RollForwardSave(const std::string& recordPath) {
    RollForward outcome;
    std::vector<SaveTransaction::Op> ops;
    switch (ReadRecord(recordPath, ops)) {
        case RecordRead::Missing:
            return outcome;
        case RecordRead::Read: {
            std::string failed;
            outcome.Finished = Execute(recordPath, std::move(ops), failed);
            return outcome;
        }
        case RecordRead::Rejected:
            // Records are put in place whole and name only our files: this one is
            // not ours, and is kept for the user to look at, not followed.
            outcome.SetAsidePath = SetAside(recordPath);
            outcome.Finished = !outcome.SetAsidePath.empty();
            return outcome;
    }
    return outcome;
}

std::string SetAside(const std::string& path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string aside = TempNameFor(path);
        aside.replace(path.size(), kTempMark.size(), ".rejected-");
        if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, aside.c_str(), RENAME_NOREPLACE) == 0) return aside;
        if (errno == EEXIST) continue;
        // A file system without RENAME_NOREPLACE: only a name that is free now.
        if (errno == EINVAL && !Exists(aside) && rename(path.c_str(), aside.c_str()) == 0) return aside;
        return "";
    }
    return "";
}

void RemoveStaleSaveFiles(const std::string& folder, const std::string& iniName) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    // A temporary name of the INI file, of its record or of a memo file, as a save
    // makes them.
    auto isOurs = [&](std::string_view base) {
        return base == iniName || base == iniName + ".commit" || IsMemoName(base);
    };
    std::vector<std::string> stale;
    while (dirent* e = readdir(dir)) {
        const std::string_view name = e->d_name;
        if (const std::string_view base = TempNameBase(name); !base.empty() && isOurs(base))
            stale.emplace_back(name);
    }
    closedir(dir);
    for (const std::string& name : stale) RemoveFileIfPresent(std::string(folder).append("/").append(name));
}

// ---- reading and removing ----

PathKind KindOfPath(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) == 0) return S_ISREG(st.st_mode) ? PathKind::File : PathKind::Other;
    if (lstat(path.c_str(), &st) == 0) return PathKind::Other;  // a dangling link
    return PathKind::Missing;
}

bool ReadWholeFile(const std::string& path, std::string& out) {
    out.clear();
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    // Room for the size the file has now, so that a large INI file is not copied
    // while it is read; a file that grows meanwhile is still read whole.
    if (ok && st.st_size > 0) out.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    while (ok) {
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ok = false;
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    close(fd);
    if (!ok) out.clear();
    return ok;
}

bool RemoveFileIfPresent(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) return true;  // not a file of ours
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace zarnik::settings
