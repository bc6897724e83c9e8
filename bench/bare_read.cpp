// zarnik-bare-read: the pace of the machine itself over a tree, the yardstick the
// benchmark holds zarnik-count against. It lists the tree, then on N threads opens,
// reads and closes each regular file and counts its newlines with memchr, and
// prints the number of files, bytes and newlines. Nothing is classified.
//
//   zarnik-bare-read [--jobs N] TREE...   (N: 2 unless given)
//
// The walk takes each entry's type from the directory listing and does not enter
// symbolic links, so it visits the files `find TREE -type f` lists.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// Large enough that nearly every source file takes one read.
constexpr std::size_t kBufferBytes = 1 << 20;

// A tree given by a symbolic link is entered; links below it are not.
void List(int parentFd, const char* name, const std::string& path, std::vector<std::string>& files,
          bool top = false) {
    int fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | (top ? 0 : O_NOFOLLOW));
    if (fd < 0) return;
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        ::close(fd);
        return;
    }
    while (const dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        unsigned char type = e->d_type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
            type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISREG(st.st_mode) ? DT_REG : DT_UNKNOWN;
        }
        std::string child = path + "/" + e->d_name;
        if (type == DT_DIR)
            List(fd, e->d_name, child, files);
        else if (type == DT_REG)
            files.push_back(std::move(child));
    }
    ::closedir(dir);
}

struct Totals {
    std::uint64_t Files = 0, Bytes = 0, Newlines = 0, Failed = 0;
};

// Reads files[i] for every i the shared counter hands out.
void ReadFiles(const std::vector<std::string>& files, std::atomic<std::size_t>& next, Totals& out) {
    std::unique_ptr<char[]> buf(new char[kBufferBytes]);
    Totals t;
    for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < files.size();) {
        int fd = ::open(files[i].c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            ++t.Failed;
            continue;
        }
        for (;;) {
            ssize_t n = ::read(fd, buf.get(), kBufferBytes);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) ++t.Failed;
            if (n <= 0) break;
            t.Bytes += static_cast<std::uint64_t>(n);
            const char* p = buf.get();
            const char* end = p + n;
            while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))))) {
                ++t.Newlines;
                ++p;
            }
            // A short read of a regular file is its end; zarnik-count takes it so too.
            if (static_cast<std::size_t>(n) < kBufferBytes) break;
        }
        ::close(fd);
        ++t.Files;
    }
    out = t;
}

}  // namespace

int main(int argc, char** argv) {
    int jobs = 2;
    std::vector<std::string> trees;
    for (int i = 1; i < argc; ++i) {
        if ((std::strcmp(argv[i], "--jobs") == 0 || std::strcmp(argv[i], "-j") == 0) && i + 1 < argc)
            jobs = std::atoi(argv[++i]);
        else
            trees.emplace_back(argv[i]);
    }
    if (trees.empty() || jobs < 1) {
        std::fprintf(stderr, "usage: zarnik-bare-read [--jobs N] TREE...\n");
        return 2;
    }
    std::vector<std::string> files;
    for (std::string& tree : trees) {
        while (tree.size() > 1 && tree.back() == '/') tree.pop_back();
        List(AT_FDCWD, tree.c_str(), tree, files, true);
    }

    std::atomic<std::size_t> next{0};
    std::vector<Totals> parts(static_cast<std::size_t>(jobs));
    std::vector<std::thread> threads;
    for (int j = 1; j < jobs; ++j)
        threads.emplace_back(ReadFiles, std::cref(files), std::ref(next),
                             std::ref(parts[static_cast<std::size_t>(j)]));
    ReadFiles(files, next, parts[0]);
    for (auto& t : threads) t.join();

    Totals sum;
    for (const Totals& p : parts) {
        sum.Files += p.Files;
        sum.Bytes += p.Bytes;
        sum.Newlines += p.Newlines;
        sum.Failed += p.Failed;
    }
    std::printf("%llu files, %llu bytes, %llu newlines\n", static_cast<unsigned long long>(sum.Files),
                static_cast<unsigned long long>(sum.Bytes), static_cast<unsigned long long>(sum.Newlines));
    if (sum.Failed) {
        std::fprintf(stderr, "zarnik-bare-read: %llu files could not be read\n",
                     static_cast<unsigned long long>(sum.Failed));
        return 1;
    }
    return 0;
}
