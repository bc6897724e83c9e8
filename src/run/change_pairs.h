// The two versions of a change count: each target line's files, and the files of
// both paired by their path relative to the version's base.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/collect.h"
#include "run/git_tree.h"
#include "run/run.h"

namespace zarnik::run::detail {

// One version: its files and the folder their relative paths start after.
struct Version {
    FileCollection Found;
    std::string Base;
    bool NamesOneFile = false;  // the target line is a regular file's path
    bool NamesFolder = false;   // ... a folder's: without files it is an empty version
};

// Collects the files of one version's target line and finds its base. The found
// count runs on from foundBefore (the old version's files), which it then adds to.
// False when the user cancelled.
// With revision, the files are those of a stored revision.
bool CollectVersion(const std::string& target, bool subfolders, ProgressObserver& progress, Version& v,
                    std::int64_t& foundBefore, RevisionFiles* revision = nullptr);

// A file of the old version, of the new one, or of both.
struct Pair {
    std::string Rel;  // native
    const FoundFile* Old = nullptr;
    const FoundFile* New = nullptr;
};

// The files of both versions in report order (by relative path, ASCII letter case
// folded; paths equal but for case by their bytes), paired where the relative paths
// are equal. Two target lines that each name one file pair those two files, under
// the new file's name. A file found twice is paired once.
std::vector<Pair> PairFiles(const Version& oldV, const Version& newV);

}  // namespace zarnik::run::detail
