// git's ignore rules for a folder walk: which entries of a git work tree git
// leaves out (.gitignore at every level, .git/info/exclude, the user's global
// excludes file), decided by libgit2 itself. What git tracks is never left out,
// as git has it: a tracked file counts even where a rule or an ignored folder
// would leave it out. What a walk can decide without libgit2 it decides itself
// (collect.cpp): this class is asked only where a repository may be.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace zarnik::run {

class GitIgnore {
public:
    // Where a folder lies for the rules.
    struct Place {
        int Tree = -1;         // the work tree, or -1 outside any
        std::string Relative;  // the folder's path in its work tree: empty or ending in "/"
    };

    GitIgnore();
    ~GitIgnore();
    GitIgnore(const GitIgnore&) = delete;
    GitIgnore& operator=(const GitIgnore&) = delete;

    // The folder a walk starts at: in the work tree found from it upward, if any.
    // A folder inside a repository's own .git folder lies in no work tree, and
    // neither does one the rules leave out as a whole: a walk started there
    // counts everything, as outside any repository. Asked only where an entry
    // .git lies in folder or in a folder above.
    Place Locate(const std::string& folder);
    // Subfolder path (named name) of a folder at parent. One that holds a .git
    // entry is the top of a work tree of its own (a nested repository or a
    // submodule), with the rules of that repository. Asked only where holdsGit
    // or parent lies in a work tree: elsewhere the subfolder lies in none.
    Place Enter(const Place& parent, const std::string& path, std::string_view name, bool holdsGit);
    // Whether git leaves out entry name (a folder when isFolder) of the folder at
    // place (path folder), which lies in a work tree: what the rules ignore and
    // the index holds nothing of. An entry named .git (the repository itself, or
    // a link to it) the caller leaves out without asking.
    bool Ignored(const Place& place, const std::string& folder, std::string_view name, bool isFolder);

    // Every libgit2 failure above raises engine::FileError with the path it was
    // deciding about: a walk that went on would count a different set of files.

private:
    struct Trees;
    std::unique_ptr<Trees> trees_;
    std::string relative_;  // Ignored's path, kept for its room
};

}  // namespace zarnik::run
