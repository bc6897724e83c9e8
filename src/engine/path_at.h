// Opening and looking at files by paths of any length. The kernel takes at most
// PATH_MAX bytes of path in one call; a longer path is opened a piece at a time,
// each piece relative to the folder the one before it opened.
#pragma once

#include <sys/stat.h>

#include <string>

namespace zarnik::engine {

// An open file descriptor, closed when it goes.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd();
    Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Fd& operator=(Fd&& other) noexcept;
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    explicit operator bool() const { return fd_ >= 0; }

private:
    int fd_;
};

// open(2) and stat(2) (fstatat with flags) for a path of any length: -1 with errno
// set on failure, as the system calls do. A path shorter than PATH_MAX costs no
// more than the system call itself.
int OpenPath(const std::string& path, int flags);
int StatPath(const std::string& path, struct stat& st, int flags = 0);

// OpenPath relative to the folder of the path opened before, which it keeps open:
// the files of one folder, mostly opened one after another, then cost a lookup of
// their own name rather than of every folder on their path. An error is the one
// OpenPath gives for the whole path.
class FolderAt {
public:
    int Open(const std::string& path, int flags);
    // Lets the folder go: an open folder keeps its file system busy (a drive
    // cannot be unmounted while it is held).
    void Close() {
        dir_ = Fd();
        folder_.clear();
    }

private:
    std::string folder_;  // what dir_ was opened as
    Fd dir_;
};

}  // namespace zarnik::engine
