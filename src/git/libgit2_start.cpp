#include "git/libgit2_start.h"

#include <git2.h>

#include <cerrno>

#include "engine/file_error.h"

namespace zarnik::run::detail {

void StartLibgit2() {
    // The library counts its starts; one that lasts the process is enough, and a
    // failed one is tried again by the next caller.
    static const bool started = [] { return git_libgit2_init() >= 0; }();
    if (!started && git_libgit2_init() < 0) throw engine::FileError("libgit2", Libgit2Errno());
}

int Libgit2Errno() {
    const git_error* e = git_error_last();
    return e && e->klass == GIT_ERROR_NOMEMORY ? ENOMEM : EIO;
}

}  // namespace zarnik::run::detail
