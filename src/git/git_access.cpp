#include "run/git_access.h"

namespace zarnik::run {

bool ReadsRepositories() { return true; }

// This program reads repositories itself: there is nothing to hand over to.
void SetHandOver(HandOver) {}

}  // namespace zarnik::run
