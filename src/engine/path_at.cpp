#include "engine/path_at.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string_view>

namespace zarnik::engine {

Fd::~Fd() {
    if (fd_ >= 0) ::close(fd_);
}

Fd& Fd::operator=(Fd&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = other.release();
    }
    return *this;
}

namespace {

// Opens the leading folders of a long path, each piece shorter than PATH_MAX, and
// leaves in rest the part after them. dir is AT_FDCWD's stand-in when nothing had
// to be opened. false (errno set) when a piece could not be opened.
bool OpenLeadingFolders(const std::string& path, Fd& dir, std::size_t& rest) {
    rest = 0;
    while (path.size() - rest >= PATH_MAX) {
        // Cut at the last "/" that keeps the piece short enough; a name is at most
        // NAME_MAX bytes, so there is one unless the path is not a real one.
        std::size_t cut = path.rfind('/', rest + PATH_MAX - 2);
        if (cut == std::string::npos || cut < rest) {
            errno = ENAMETOOLONG;
            return false;
        }
        std::string piece = cut == rest ? std::string("/") : path.substr(rest, cut - rest);
        int fd = ::openat(dir ? dir.get() : AT_FDCWD, piece.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return false;
        dir = Fd(fd);
        rest = cut + 1;
        while (rest < path.size() && path[rest] == '/') ++rest;  // "a//b": the rest must stay relative
    }
    return true;
}

}  // namespace

int OpenPath(const std::string& path, int flags) {
    if (path.size() < PATH_MAX) return ::open(path.c_str(), flags);
    Fd dir;
    std::size_t rest = 0;
    if (!OpenLeadingFolders(path, dir, rest)) return -1;
    return ::openat(dir.get(), path.c_str() + rest, flags);
}

int FolderAt::Open(const std::string& path, int flags) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return OpenPath(path, flags);
    const std::string_view folder(path.data(), slash);
    if (!dir_ || folder != folder_) {
        folder_.assign(folder);
        dir_ = Fd(OpenPath(folder_, O_PATH | O_DIRECTORY | O_CLOEXEC));
        if (!dir_) {
            folder_.clear();
            return OpenPath(path, flags);  // the error as the whole path meets it
        }
    }
    return ::openat(dir_.get(), path.c_str() + slash + 1, flags);
}

int StatPath(const std::string& path, struct stat& st, int flags) {
    if (path.size() < PATH_MAX) return ::fstatat(AT_FDCWD, path.c_str(), &st, flags);
    Fd dir;
    std::size_t rest = 0;
    if (!OpenLeadingFolders(path, dir, rest)) return -1;
    return ::fstatat(dir.get(), path.c_str() + rest, &st, flags);
}

}  // namespace zarnik::engine
