#include "run/git_ignore.h"

#include <git2.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <memory>
#include <vector>

#include "engine/file_error.h"
#include "git/libgit2_start.h"
#include "run/collect.h"

namespace zarnik::run {

namespace {

// A libgit2 failure is a read error of the path it was about; a repository owned
// by another user (which git does not trust either) reads as one the user may
// not read.
[[noreturn]] void ThrowGitError(const std::string& path, int error) {
    throw engine::FileError(path.empty() ? "." : path, error == GIT_EOWNER ? EACCES : detail::Libgit2Errno());
}

bool StartsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }

}  // namespace

struct GitIgnore::Trees {
    std::vector<git_repository*> Repos;
    std::vector<git_index*> Indexes;  // each repository's, read when first asked

    ~Trees() {
        for (git_index* i : Indexes) git_index_free(i);
        for (git_repository* r : Repos) git_repository_free(r);
    }

    // Opens the repository at or above folder (or at folder only); nullptr where
    // there is none.
    git_repository* Open(const std::string& folder, unsigned flags) {
        detail::StartLibgit2();
        git_repository* repo = nullptr;
        const int error =
            git_repository_open_ext(&repo, folder.empty() ? "." : folder.c_str(), flags, nullptr);
        if (error == GIT_ENOTFOUND) return nullptr;
        if (error < 0) ThrowGitError(folder, error);
        if (git_repository_is_bare(repo) || !git_repository_workdir(repo)) {
            git_repository_free(repo);
            return nullptr;
        }
        Indexes.reserve(Repos.size() + 1);
        Repos.push_back(repo);
        Indexes.push_back(nullptr);
        return repo;
    }

    // Whether the index of tree holds path, or (for a folder) anything below it.
    bool Tracked(int tree, std::string& path, bool isFolder, const std::string& shownPath) {
        const auto t = static_cast<std::size_t>(tree);
        if (!Indexes[t] && git_repository_index(&Indexes[t], Repos[t]) < 0) ThrowGitError(shownPath, -1);
        std::size_t at = 0;
        // A submodule is one entry named as its folder.
        int error = git_index_find(&at, Indexes[t], path.c_str());
        if (error == GIT_ENOTFOUND && isFolder) {
            path.push_back('/');
            error = git_index_find_prefix(&at, Indexes[t], path.c_str());
        }
        if (error == GIT_ENOTFOUND) return false;
        if (error < 0) ThrowGitError(shownPath, error);
        return true;
    }

    int Last() const { return static_cast<int>(Repos.size()) - 1; }
};

GitIgnore::GitIgnore() : trees_(std::make_unique<Trees>()) {}

GitIgnore::~GitIgnore() = default;

GitIgnore::Place GitIgnore::Locate(const std::string& folder) {
    const std::string start = folder.empty() ? "." : folder;
    if (start.size() >= PATH_MAX) {
        // libgit2 takes no path this long. The work tree would be found from the
        // longest folder above that it takes; outside any, the walk goes on as
        // ever, but inside one its rules cannot be read there.
        const std::size_t cut = start.rfind('/', PATH_MAX - 1);
        if (cut == std::string::npos || !trees_->Open(start.substr(0, std::max<std::size_t>(cut, 1)), 0))
            return {};
        throw engine::FileError(start, ENAMETOOLONG);
    }
    git_repository* repo = trees_->Open(start, 0);
    if (!repo) return {};
    // The work tree's path is the real one, so the folder's is made real too.
    std::unique_ptr<char, decltype(&::free)> real(::realpath(start.c_str(), nullptr), &::free);
    if (!real) throw engine::FileError(start, errno);
    std::string path = real.get();
    if (path.back() != '/') path.push_back('/');
    const std::string_view top = git_repository_workdir(repo);
    const std::string_view gitDir = git_repository_path(repo);
    if (!StartsWith(path, top) || StartsWith(path, gitDir)) return {};
    Place place{trees_->Last(), path.substr(top.size())};
    // A folder the user names is meant to be counted: where the rules leave it out
    // as a whole (a build folder, or one inside it), it is walked as a folder
    // outside any work tree. libgit2 tries every folder above it too.
    if (!place.Relative.empty()) {
        int ignored = 0;
        const int error = git_ignore_path_is_ignored(&ignored, repo, place.Relative.c_str());
        if (error < 0) ThrowGitError(start, error);
        if (ignored) return {};
    }
    return place;
}

GitIgnore::Place GitIgnore::Enter(const Place& parent, const std::string& path, std::string_view name,
                                  bool holdsGit) {
    if (holdsGit && trees_->Open(path, GIT_REPOSITORY_OPEN_NO_SEARCH)) return {trees_->Last(), ""};
    if (parent.Tree < 0) return {};
    std::string relative = parent.Relative;
    relative.append(name).push_back('/');
    return {parent.Tree, std::move(relative)};
}

bool GitIgnore::Ignored(const Place& place, const std::string& folder, std::string_view name, bool isFolder) {
    relative_.assign(place.Relative).append(name);
    int ignored = 0;
    const int error = git_ignore_path_is_ignored(
        &ignored, trees_->Repos[static_cast<std::size_t>(place.Tree)], relative_.c_str());
    if (error < 0) ThrowGitError(JoinPath(folder, name), error);
    return ignored != 0 && !trees_->Tracked(place.Tree, relative_, isFolder, JoinPath(folder, name));
}

}  // namespace zarnik::run
