// Who reads git repositories. The git library (src/git) does, and it alone links
// libgit2; a program that must start fast links the stand-in (src/git/stand_in)
// in its place, with the same functions, and every use of the stand-in hands
// the whole command over to a program built with the git library.
#pragma once

namespace zarnik::run {

// True in a program with the git library, false in one with the stand-in.
bool ReadsRepositories();

// The program's hand-over, which the stand-in calls where a run first needs a
// repository. It replaces the process, so it returns only by throwing the
// RepositoryError that ends the run: the report has begun, or the program that
// reads repositories cannot be run. A program with the git library never calls
// it, so a hand-over cannot loop.
using HandOver = void (*)();
void SetHandOver(HandOver handOver);

}  // namespace zarnik::run
