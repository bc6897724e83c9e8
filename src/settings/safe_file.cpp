#include "settings/safe_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <utility>

namespace zarnik::settings {

namespace {

// The file a write to path should replace: a link's target, so the link survives.
std::string ResolveDestination(const std::string& path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::error_code ec;
    auto target = std::filesystem::weakly_canonical(path, ec);
    return ec ? path : target.string();
}

// A leftover temporary file from an earlier crash is removed; anything else there
// (a folder, say) stays and makes the write fail.
void RemoveStaleTemp(const std::string& temp) {
    struct stat st;
    if (lstat(temp.c_str(), &st) == 0 && (S_ISREG(st.st_mode) || S_ISLNK(st.st_mode))) unlink(temp.c_str());
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

void SyncFolderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);  // best effort: the rename itself already happened
    close(fd);
}

}  // namespace

StagedFile::StagedFile(StagedFile&& other) noexcept
    : dest_(std::move(other.dest_)),
      temp_(std::move(other.temp_)),
      movedFrom_(std::move(other.movedFrom_)),
      pending_(std::exchange(other.pending_, false)) {}

StagedFile& StagedFile::operator=(StagedFile&& other) noexcept {
    if (this != &other) {
        Discard();
        dest_ = std::move(other.dest_);
        temp_ = std::move(other.temp_);
        movedFrom_ = std::move(other.movedFrom_);
        pending_ = std::exchange(other.pending_, false);
    }
    return *this;
}

bool StagedFile::Prepare(const std::string& path, std::string_view bytes) {
    Discard();
    dest_ = ResolveDestination(path);
    temp_ = dest_ + ".tmp";
    movedFrom_.clear();
    RemoveStaleTemp(temp_);
    int fd = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) return false;
    struct stat old;
    if (stat(dest_.c_str(), &old) == 0 && S_ISREG(old.st_mode)) fchmod(fd, old.st_mode & 07777);
    bool ok = WriteAll(fd, bytes);
    ok = ok && fsync(fd) == 0;
    ok = (close(fd) == 0) && ok;
    if (!ok) {
        unlink(temp_.c_str());
        return false;
    }
    pending_ = true;
    return true;
}

bool StagedFile::PrepareMove(const std::string& from, const std::string& path) {
    Discard();
    dest_ = path;
    temp_ = dest_ + ".tmp";
    RemoveStaleTemp(temp_);
    struct stat st;
    if (lstat(temp_.c_str(), &st) == 0) return false;  // something else is in the way
    if (rename(from.c_str(), temp_.c_str()) != 0) return false;
    movedFrom_ = from;
    pending_ = true;
    return true;
}

bool StagedFile::Commit() {
    if (!pending_) return false;
    if (rename(temp_.c_str(), dest_.c_str()) != 0) {
        Discard();
        return false;
    }
    pending_ = false;
    SyncFolderOf(dest_);
    return true;
}

void StagedFile::Discard() {
    if (!pending_) return;
    pending_ = false;
    if (movedFrom_.empty())
        unlink(temp_.c_str());
    else
        rename(temp_.c_str(), movedFrom_.c_str());
}

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
