// zarnik-bare-read: the pace of the machine itself over the files zarnik-count
// reads, the yardstick the benchmark holds zarnik-count against. It takes
// zarnik-count's own command line, asks the core library for the files a count
// run with those settings reads to their end (the same walk and the same
// extension lists, so it cannot drift from what zarnik-count reads), then on N
// threads opens, reads and closes each and counts its newlines with memchr, and
// prints the number of files, bytes and newlines. Nothing is classified.
//
//   zarnik-bare-read [--list] [zarnik-count's options] TARGET...
//
// --jobs N as zarnik-count's (one thread per core unless given); --list prints the
// files instead, each path followed by a NUL, for cat, wc -l and the like.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "cli/options.h"
#include "engine/counter_generic.h"
#include "engine/language_table.h"
#include "run/collect.h"
#include "settings/persist.h"

namespace {

// Large enough that nearly every source file takes one read.
constexpr std::size_t kBufferBytes = 1 << 20;

struct Totals {
    std::uint64_t Files = 0, Bytes = 0, Newlines = 0, Failed = 0;
};

// Reads files[i] for every i the shared counter hands out.
void ReadFiles(const std::vector<zarnik::run::FoundFile>& files, std::atomic<std::size_t>& next,
               Totals& out) {
    std::unique_ptr<char[]> buf(new char[kBufferBytes]);
    Totals t;
    for (std::size_t i; (i = next.fetch_add(1, std::memory_order_relaxed)) < files.size();) {
        int fd = ::open(files[i].Path.c_str(), O_RDONLY | O_CLOEXEC);
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

// The files zarnik-count would read to their end with these arguments; false with
// a message when the arguments or the walk fail.
bool ListFiles(int argc, char** argv, bool& list, unsigned& jobs,
               std::vector<zarnik::run::FoundFile>& files) {
    namespace cli = zarnik::cli;
    std::vector<std::string_view> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--list") == 0)
            list = true;
        else
            args.emplace_back(argv[i]);
    }
    cli::CliOptions options;
    std::string error;
    char self[4096];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    const std::string program = n > 0 ? std::string(self, static_cast<std::size_t>(n)) : std::string(argv[0]);
    if (!cli::ParseArguments(args, options, error) || !cli::ResolveOptions(options, program, error)) {
        std::fprintf(stderr, "zarnik-bare-read: %s\n", error.c_str());
        return false;
    }
    jobs = options.Threads ? options.Threads : std::max(1u, std::thread::hardware_concurrency());
    // The language table as zarnik-count loads it: with AllLang=1 its languages'
    // files are read to the end too.
    zarnik::engine::InstallLanguages(zarnik::engine::MakeLanguageSet(zarnik::engine::LoadLanguageTable(
        zarnik::engine::LanguageFiles(program, zarnik::settings::ConfigHome()))));
    try {
        files = zarnik::run::FilesReadToTheEnd({options.Targets, options.EnvName, 0, jobs}, options.Cnf);
    } catch (const zarnik::run::RefusedTargetLine&) {
        std::fprintf(stderr, "zarnik-bare-read: a target holds a NUL byte\n");
        return false;
    } catch (const std::exception& e) {  // a FileError from the walk, or no memory
        std::fprintf(stderr, "zarnik-bare-read: %s\n", e.what());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool list = false;
    unsigned jobs = 1;
    std::vector<zarnik::run::FoundFile> files;
    if (!ListFiles(argc, argv, list, jobs, files)) return 2;
    if (list) {
        for (const auto& file : files) std::fwrite(file.Path.c_str(), 1, file.Path.size() + 1, stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }

    std::atomic<std::size_t> next{0};
    std::vector<Totals> parts(jobs);
    std::vector<std::thread> threads;
    for (unsigned j = 1; j < jobs; ++j)
        threads.emplace_back(ReadFiles, std::cref(files), std::ref(next), std::ref(parts[j]));
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
