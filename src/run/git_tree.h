// The files of a stored revision of a git repository, as a walk of its checkout
// finds them, and their bytes straight from the repository's objects: nothing is
// checked out and nothing written.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

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

private:
    struct Store;
    std::unique_ptr<Store> store_;
};

}  // namespace zarnik::run
