// The files of a stored revision of a git repository, as a walk of its checkout
// finds them, and their bytes straight from the repository's objects: nothing is
// checked out and nothing written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/count_context.h"
#include "engine/options.h"
#include "run/collect.h"
#include "run/count_ahead.h"
#include "run/run.h"

namespace zarnik::run {

class RevisionFiles {
public:
    // revision: what git calls a revision (a commit, a tag, a branch, HEAD~2, ...).
    explicit RevisionFiles(std::string revision);
    ~RevisionFiles();
    RevisionFiles(const RevisionFiles&) = delete;
    RevisionFiles& operator=(const RevisionFiles&) = delete;

    // CollectTargetLine for the revision: the line names what it would name in a
    // checkout of the revision made where the repository holding the line's folder
    // has its work tree. The entries are the revision's tree's (git's ignore rules
    // leave nothing of a checkout out: all of it is tracked); a submodule is an
    // empty folder, as in a checkout that did not fetch it; a symbolic link counts
    // as what it points to inside the revision (a file, a folder only when the
    // line's own pattern names it), and is skipped when it points outside it.
    // Throws RefusedRevision when the line lies in no repository's work tree or the
    // repository has no such revision, and RepositoryError when an object cannot
    // be read.
    void CollectTargetLine(std::string_view line, FileCollection& out, bool descend,
                           ProgressObserver& progress);

    // Counts a file CollectTargetLine found, as CountListedFile counts one on disk:
    // its size is its stored size, its time the commit's. Never throws: an error
    // is kept in out.Error.
    void Count(const engine::CountOptions& opt, const FoundFile& file, engine::CountContext& ctx,
               detail::CountedFile& out);

    // What a target line names in the revision, as stat(2) would in a checkout of
    // it (a link followed): a file, a folder, or nothing (also outside a work tree).
    enum class Named { Nothing, File, Folder };
    Named Names(std::string_view line);
    // The stored bytes of a file CollectTargetLine found; valid until the next
    // Read. Throws RepositoryError when its object cannot be read.
    std::string_view Read(const FoundFile& file);

    // A commit of a history: its id (hexadecimal), time and tags (sorted).
    struct Commit {
        std::string Id;
        std::int64_t Time = 0;
        std::vector<std::string> Tags;
    };
    // The first-parent history of range in the repository holding the target
    // line's folder, oldest first; with tagsOnly only its tagged commits. range is
    // a revision (its history down to the first commit), "A..B" (B's history down
    // to where it meets A's), or empty for HEAD. Throws RefusedRevision as
    // CollectTargetLine does, and RepositoryError when the history cannot be read
    // whole (a commit missing, a history cut short by a shallow clone): a shorter
    // history is never taken for the whole one.
    std::vector<Commit> History(std::string_view line, const std::string& range, bool tagsOnly);
    // Makes revision the one the next collections read; the repositories stay open,
    // the files found so far are forgotten.
    void SetRevision(const std::string& revision);
    // What file's bytes are stored as: equal keys, equal bytes.
    std::string_view StoredKey(const FoundFile& file) const;

private:
    struct Store;
    std::unique_ptr<Store> store_;
};

}  // namespace zarnik::run
