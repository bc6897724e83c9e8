// What every user of libgit2 in the run does first, and how it reports the
// library's errors.
#pragma once

namespace zarnik::run::detail {

// Starts the library once for the process (later calls cost nothing); throws
// engine::FileError naming the library when it cannot start (no memory), since
// nothing it was needed for can then be counted.
void StartLibgit2();

// The error code of libgit2's last failure on this thread as an errno value:
// ENOMEM when it ran out of memory, EIO for anything else.
int Libgit2Errno();

}  // namespace zarnik::run::detail
