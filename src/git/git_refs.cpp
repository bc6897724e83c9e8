#include "run/git_refs.h"

#include <git2.h>
#include <stdlib.h>

#include <algorithm>
#include <memory>
#include <string_view>

#include "git/libgit2_start.h"

namespace zarnik::run {

namespace {

struct RepoFree {
    void operator()(git_repository* r) const { git_repository_free(r); }
};
using RepoPtr = std::unique_ptr<git_repository, RepoFree>;

// The repository holding folder in its work tree, or none.
RepoPtr OpenWorkTree(const std::string& folder) {
    detail::StartLibgit2();
    git_repository* raw = nullptr;
    if (git_repository_open_ext(&raw, folder.empty() ? "." : folder.c_str(), 0, nullptr) < 0) return nullptr;
    RepoPtr repo(raw);
    const char* workDir = git_repository_workdir(raw);
    if (!workDir) return nullptr;
    // A folder inside the repository's own .git folder lies in no work tree.
    std::unique_ptr<char, decltype(&::free)> real(::realpath(folder.c_str(), nullptr), &::free);
    const std::string_view gitDir = git_repository_path(raw);
    if (real && (std::string(real.get()) + "/").rfind(gitDir, 0) == 0) return nullptr;
    return repo;
}

}  // namespace

namespace {

std::optional<std::vector<std::string>> ReadRevisionNames(const std::string& folder) {
    const RepoPtr repo = OpenWorkTree(folder);
    if (!repo) return std::nullopt;
    std::vector<std::string> groups[3];  // local branches, remote ones, tags
    git_reference_iterator* it = nullptr;
    if (git_reference_iterator_new(&it, repo.get()) == 0) {
        git_reference* ref = nullptr;
        while (git_reference_next(&ref, it) == 0) {
            const int group = git_reference_is_branch(ref)   ? 0
                              : git_reference_is_remote(ref) ? 1
                              : git_reference_is_tag(ref)    ? 2
                                                             : -1;
            // A remote's HEAD names another of its branches.
            const std::string name = git_reference_shorthand(ref);
            if (group >= 0 &&
                !(group == 1 && name.size() >= 5 && name.compare(name.size() - 5, 5, "/HEAD") == 0))
                groups[group].push_back(name);
            git_reference_free(ref);
        }
        git_reference_iterator_free(it);
    }
    std::vector<std::string> names;
    for (auto& g : groups) {
        std::sort(g.begin(), g.end());
        names.insert(names.end(), g.begin(), g.end());
    }
    return names;
}

}  // namespace

std::optional<std::vector<std::string>> RevisionNames(const std::string& folder) {
    try {
        return ReadRevisionNames(folder);
    } catch (...) {
        // No memory, or libgit2 would not start: the run that follows says so.
        return std::vector<std::string>{};
    }
}

bool NamesCommit(const std::string& folder, const std::string& revision) try {
    const RepoPtr repo = OpenWorkTree(folder);
    if (!repo) return false;
    git_object* raw = nullptr;
    const int error = git_revparse_single(&raw, repo.get(), revision.c_str());
    if (error == GIT_ENOTFOUND || error == GIT_EAMBIGUOUS || error == GIT_EINVALIDSPEC) return false;
    if (error < 0) return true;
    git_object* peeled = nullptr;
    const int peel = git_object_peel(&peeled, raw, GIT_OBJECT_COMMIT);
    git_object_free(peeled);
    git_object_free(raw);
    return peel == 0 || (peel != GIT_ENOTFOUND && peel != GIT_EINVALIDSPEC && peel != GIT_EPEEL);
} catch (...) {
    return true;  // not surely unknown: the run says what failed
}

}  // namespace zarnik::run
