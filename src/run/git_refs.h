// What a user picks the revisions of a repository by: its branches and tags, and
// whether a typed revision names a commit there. For the desktop's change count,
// which asks before a run so that it can say what is wrong in its own words.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zarnik::run {

// The repository whose work tree holds folder (found upward, as git finds it):
// its local branches, then its remote-tracking branches, then its tags, each
// group sorted; nullopt when folder lies in no work tree (or in a .git folder).
// A repository whose names cannot be read offers none: the run says why. Neither
// function throws.
std::optional<std::vector<std::string>> RevisionNames(const std::string& folder);

// Whether revision names a commit in the repository holding folder. Only what is
// surely unknown is false; any other failure is left to the run to report.
bool NamesCommit(const std::string& folder, const std::string& revision);

}  // namespace zarnik::run
