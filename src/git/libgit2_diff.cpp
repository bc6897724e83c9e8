// The line diff by libgit2 (git_diff_buffers): the only file that sees the library's diff.
#include <git2.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "git/libgit2_start.h"
#include "run/line_diff.h"

namespace zarnik::run::detail {

namespace {

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
    int Diff(std::span<const std::uint32_t> oldIds, std::span<const std::uint32_t> newIds,
             std::uint32_t idBound, std::vector<Hunk>& hunks) override {
        std::size_t width = 1;
        while (width < 5 && idBound > (std::size_t{1} << (7 * width))) ++width;
        Encode(oldIds, width, oldText_);
        Encode(newIds, width, newText_);
        if (std::max(oldText_.size(), newText_.size()) > kMaxText) return EFBIG;
        git_diff_options o;
        if (git_diff_options_init(&o, GIT_DIFF_OPTIONS_VERSION) != 0) return Libgit2Errno();
        o.context_lines = 0;
        o.interhunk_lines = 0;
        o.flags = GIT_DIFF_FORCE_TEXT;
        if (git_diff_buffers(oldText_.data(), oldText_.size(), nullptr, newText_.data(), newText_.size(),
                             nullptr, &o, nullptr, nullptr, CollectHunk, nullptr, &hunks) != 0)
            return Libgit2Errno();
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

    std::string oldText_, newText_;
};

}  // namespace

std::unique_ptr<LineDiff> MakeLibgit2Diff() {
    StartLibgit2();
    return std::make_unique<Libgit2Diff>();
}

}  // namespace zarnik::run::detail
