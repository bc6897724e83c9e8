// Helpers for the fault tests: permission bits that bind for root too, sparse
// files, sockets, folder trees deeper than PATH_MAX and the peak memory of the
// process.
#pragma once

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace zarnik::testing {

// AddressSanitizer and ThreadSanitizer reserve terabytes of address space for
// their shadow memory: such a build cannot run under a limited address space.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitizerReservesMemory = true;
#elif defined(__has_feature)
constexpr bool kSanitizerReservesMemory = __has_feature(address_sanitizer) || __has_feature(thread_sanitizer);
#else
constexpr bool kSanitizerReservesMemory = false;
#endif
// The same builds' runtime checks a thrown object's type through a pipe of its
// own: at the file-descriptor limit that check fails and reports an error of its
// own in place of the program's.
constexpr bool kSanitizerNeedsDescriptors = kSanitizerReservesMemory;

// While it lives, permission bits stop this process even when it runs as root
// (tests run as root here and in CI): CAP_DAC_OVERRIDE and CAP_DAC_READ_SEARCH
// leave the effective set and come back at the end. Binds() says whether
// permissions now stop reads; a test skips when they do not.
class PermissionsBind {
public:
    PermissionsBind() {
        if (geteuid() == 0) {
            __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
            if (syscall(SYS_capget, &header, saved_) != 0) return;
            __user_cap_data_struct lowered[2] = {saved_[0], saved_[1]};
            lowered[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
            if (syscall(SYS_capset, &header, lowered) != 0) return;
            lowered_ = true;
        }
        binds_ = Probe();
    }
    ~PermissionsBind() {
        if (!lowered_) return;
        __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
        syscall(SYS_capset, &header, saved_);
    }
    PermissionsBind(const PermissionsBind&) = delete;
    PermissionsBind& operator=(const PermissionsBind&) = delete;

    bool Binds() const { return binds_; }

private:
    // A file of mode 000 that cannot be opened shows that the bits bind.
    static bool Probe() {
        char path[] = "/tmp/zarnik-probe-XXXXXX";
        int fd = mkstemp(path);
        if (fd < 0) return false;
        close(fd);
        chmod(path, 0);
        int again = open(path, O_RDONLY);
        bool denied = again < 0 && errno == EACCES;
        if (again >= 0) close(again);
        unlink(path);
        return denied;
    }

    __user_cap_data_struct saved_[2] = {};
    bool lowered_ = false;
    bool binds_ = false;
};

// For a child process about to exec a program: removes the two capabilities from
// the bounding set, so that a program run as root still meets permission bits.
// Returns false when that is not possible.
inline bool DropPermissionOverrideForExec() {
    if (geteuid() != 0) return true;
    return prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) == 0 &&
           prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) == 0;
}

// A file of size bytes that holds head and then a hole (zeros that take no disk).
inline bool MakeSparseFile(const std::string& path, const std::string& head, off_t size) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return false;
    bool ok =
        write(fd, head.data(), head.size()) == static_cast<ssize_t>(head.size()) && ftruncate(fd, size) == 0;
    close(fd);
    return ok;
}

// A listening Unix socket at path; the descriptor stays open until the returned
// value is closed (-1 on failure).
inline int MakeSocket(const std::string& path) {
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0) return -1;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) {
        close(fd);
        return -1;
    }
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// A chain of folders named "d", depth deep below a new folder Root, with a file
// "f.c" holding text at each depth in fileDepths (depth 1 is Root/d). Each folder
// is made relative to its parent: the paths are longer than the system takes
// whole. Root is in /dev/shm where there is one (making thousands of folders on a
// busy disk takes seconds) and is removed when the value goes.
class FolderChain {
public:
    FolderChain(int depth, const std::vector<int>& fileDepths, const std::string& text) {
        std::string tmpl = (access("/dev/shm", W_OK) == 0 ? std::string("/dev/shm")
                                                          : std::filesystem::temp_directory_path().string()) +
                           "/zarnik-chain-XXXXXX";
        if (!mkdtemp(tmpl.data())) return;
        Root = tmpl;
        int fd = open(Root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        std::string path = Root;
        for (int i = 1; i <= depth && fd >= 0; ++i) {
            mkdirat(fd, "d", 0755);
            int next = openat(fd, "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            close(fd);
            fd = next;
            path += "/d";
            if (fd < 0 || std::find(fileDepths.begin(), fileDepths.end(), i) == fileDepths.end()) continue;
            int file = openat(fd, "f.c", O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            if (file >= 0 && write(file, text.data(), text.size()) == static_cast<ssize_t>(text.size()))
                Files.push_back(path + "/f.c");
            if (file >= 0) close(file);
        }
        if (fd >= 0) close(fd);
    }
    // rm walks a tree of any depth; std::filesystem::remove_all stops at PATH_MAX.
    ~FolderChain() {
        if (Root.empty()) return;
        [[maybe_unused]] int rc = std::system(("rm -rf -- '" + Root + "'").c_str());
    }
    FolderChain(const FolderChain&) = delete;
    FolderChain& operator=(const FolderChain&) = delete;

    std::string Root;
    std::vector<std::string> Files;  // in order of depth
};

// The most memory this process has held so far, in MB.
inline long PeakMemoryMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// A field of /proc/self/status in kB ("VmRSS", "VmHWM"), or -1.
inline long ProcStatusKb(const std::string& field) {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    while (kb < 0 && std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field.c_str(), field.size()) == 0 && line[field.size()] == ':')
            kb = std::atol(line + field.size() + 1);
    std::fclose(f);
    return kb;
}

}  // namespace zarnik::testing
