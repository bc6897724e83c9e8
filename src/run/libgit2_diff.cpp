// The line diff by libgit2 (git_diff_buffers): the only file that sees the library.
// It is loaded the first time a change count needs it: linked into the programs,
// it and the libraries it brings (TLS, SSH, Kerberos) took about 3 ms of every
// start, 4 % of a count over a tree of 10,000 files.
#include <dlfcn.h>
#include <git2.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "run/line_diff.h"

namespace zarnik::run::detail {

namespace {

struct Libgit2 {
    decltype(&git_diff_options_init) DiffOptionsInit = nullptr;
    decltype(&git_diff_buffers) DiffBuffers = nullptr;
    decltype(&git_error_last) ErrorLast = nullptr;
};

template <typename F>
bool Take(void* lib, const char* name, F& f) {
    f = reinterpret_cast<F>(::dlsym(lib, name));
    return f != nullptr;
}

// Throws FileError naming the library when it cannot be loaded: the change count
// cannot be made without it.
const Libgit2& LoadLibgit2() {
    static const Libgit2 lib = [] {
        Libgit2 l;
        void* handle = ::dlopen(ZARNIK_LIBGIT2_SONAME, RTLD_NOW | RTLD_LOCAL);
        decltype(&git_libgit2_init) init = nullptr;
        if (!handle || !Take(handle, "git_libgit2_init", init) ||
            !Take(handle, "git_diff_options_init", l.DiffOptionsInit) ||
            !Take(handle, "git_diff_buffers", l.DiffBuffers) || !Take(handle, "git_error_last", l.ErrorLast))
            return Libgit2{};
        init();
        return l;
    }();
    if (!lib.DiffBuffers) throw engine::FileError(ZARNIK_LIBGIT2_SONAME, ENOENT);
    return lib;
}

int CollectHunk(const git_diff_delta*, const git_diff_hunk* h, void* payload) {
    auto* hunks = static_cast<std::vector<Hunk>*>(payload);
    // An empty side's start is the line it follows.
    const auto start = [](int s, int n) { return static_cast<std::size_t>(n > 0 ? s - 1 : s); };
    hunks->push_back({start(h->old_start, h->old_lines), static_cast<std::size_t>(h->old_lines),
                      start(h->new_start, h->new_lines), static_cast<std::size_t>(h->new_lines)});
    return 0;
}

class Libgit2Diff : public LineDiff {
public:
    explicit Libgit2Diff(const Libgit2& git) : git_(git) {}

    int Diff(std::span<const std::uint32_t> oldIds, std::span<const std::uint32_t> newIds,
             std::uint32_t idBound, std::vector<Hunk>& hunks) override {
        std::size_t width = 1;
        while (width < 5 && idBound > (std::size_t{1} << (7 * width))) ++width;
        Encode(oldIds, width, oldText_);
        Encode(newIds, width, newText_);
        if (std::max(oldText_.size(), newText_.size()) > kMaxText) return EFBIG;
        git_diff_options o;
        git_.DiffOptionsInit(&o, GIT_DIFF_OPTIONS_VERSION);
        o.context_lines = 0;
        o.interhunk_lines = 0;
        o.flags = GIT_DIFF_FORCE_TEXT;
        if (git_.DiffBuffers(oldText_.data(), oldText_.size(), nullptr, newText_.data(), newText_.size(),
                             nullptr, &o, nullptr, nullptr, CollectHunk, nullptr, &hunks) != 0) {
            const git_error* e = git_.ErrorLast();
            return e && e->klass == GIT_ERROR_NOMEMORY ? ENOMEM : EIO;
        }
        return 0;
    }

    void Release() override { oldText_ = newText_ = std::string(); }

private:
    // The library's limit: a longer text it takes for binary and gives no hunks.
    static constexpr std::size_t kMaxText = std::size_t{1023} << 20;

    // Each line is its id as width digits of seven bits (bytes 0x80..0xFF, never a
    // line break), then "\n".
    static void Encode(std::span<const std::uint32_t> ids, std::size_t width, std::string& out) {
        out.clear();
        for (std::uint32_t id : ids) {
            for (std::size_t d = width; d-- > 0;)
                out.push_back(static_cast<char>(0x80 | (id >> (7 * d) & 0x7F)));
            out.push_back('\n');
        }
    }

    const Libgit2& git_;
    std::string oldText_, newText_;
};

}  // namespace

std::unique_ptr<LineDiff> MakeLibgit2Diff() { return std::make_unique<Libgit2Diff>(LoadLibgit2()); }

}  // namespace zarnik::run::detail
