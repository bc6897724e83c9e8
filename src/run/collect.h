// The collection pass of a count run: target lines and folder walks -> file list.
// Paths here are native (the bytes the file system gives, normally UTF-8).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "run/run.h"

namespace zarnik::run {

// A file the collection pass found: its native full path and where its name starts.
struct FoundFile {
    std::string Path;
    std::size_t NameOffset = 0;
    // 0 for a file on disk; a file of a stored revision is its number (from 1) in
    // the RevisionFiles that found it, which holds where its bytes are kept.
    std::size_t Stored = 0;

    std::string_view Name() const { return std::string_view(Path).substr(NameOffset); }
    // The path without the last "/" and the name; a root keeps its "/", a bare name
    // has an empty folder.
    std::string_view Folder() const;
};

struct FileCollection {
    std::vector<FoundFile> Files;  // in order of discovery, duplicates kept
    std::int32_t MaxNameLength = 13;
    // Whether folders are walked with their entries in SortByPath's order, set
    // when the files will be sorted: a walk then finds them sorted, mostly, and
    // the sort has little to do. Otherwise files come in file-system order.
    bool WalkInPathOrder = false;
    // Whether what git ignores is left out where a walk passes through a git work
    // tree (and .git never entered); outside any work tree it changes nothing.
    // A line that names a file itself counts it whatever the rules say.
    bool FollowGitIgnore = false;
};

// Name against the last part of a target line: "*" any run, "?" one UTF-8
// character (an invalid byte counts as one), other bytes themselves ignoring ASCII
// letter case. "*.*" matches every name.
bool MatchesPattern(std::string_view pattern, std::string_view name);

// A target line split into its folder part and its last part: "/src/*.c" gives
// "/src" and "*.c", "/*.c" gives "/" and "*.c", "*.c" an empty folder.
struct TargetParts {
    std::string Folder;
    std::string Pattern;
};
TargetParts SplitTargetLine(std::string_view line);

// folder + "/" + name, without doubling a "/" the folder ends with; a bare name
// when folder is empty.
std::string JoinPath(std::string_view folder, std::string_view name);

// Whether a walk that sorts its folders' entries (WalkInPathOrder) takes entry a
// (a folder when aFolder) before entry b of the same folder: SortByPath's order of
// the paths under them.
bool EntryBefore(std::string_view a, bool aFolder, std::string_view b, bool bFolder);

// Byte length of a native name once converted to Shift-JIS.
std::int32_t SjisLength(std::string_view native);
// A native text in Shift-JIS (pure ASCII is copied without conversion), with
// control bytes shown as "?" so that a name cannot break a line or drive a
// terminal.
std::string NativeToSjis(std::string_view native);

// Adds the files of folder, and of its subfolders when descend is set, in file
// system order, depth first. Symbolic links to folders are not entered; links to
// files count as files; pipes, devices, sockets and dangling links are skipped.
// Every entry seen widens MaxNameLength (an entry git ignores is not seen, with
// FollowGitIgnore). Stops when the observer asks to cancel.
// Paths may be longer than PATH_MAX. A folder that is gone or that the user may not
// read adds nothing; any other failure to open, list or look at an entry (no file
// descriptors left, no memory, a failing disk) raises engine::FileError with the
// path, since it would shorten the totals without a word; so does any failure to
// read git's rules.
void CollectFolderFiles(const std::string& folder, FileCollection& out, bool descend,
                        ProgressObserver& progress);

// Adds what one native target line names: a file, a folder (walked for its files,
// into subfolders when descend is set) or the entries its last part matches. A
// line holding a NUL byte raises RefusedTargetLine.
void CollectTargetLine(std::string_view line, FileCollection& out, bool descend, ProgressObserver& progress);

namespace detail {
// How a folder's next entries are read into a buffer (getdents64: the bytes read, 0
// at the end, -1 with errno on failure). Tests put a reader here that fails
// part-way, as a failing disk or a lost network share does.
extern long (*ReadFolderEntries)(int fd, char* buf, std::size_t size);
}  // namespace detail

// The files a count run over input reads to its end, found as the run finds them
// (the same walk, subfolder and git rules, in its order) and chosen as it chooses
// them: those the settings' extension lists and source mode give a counter. The
// others the run only opens and looks at the head of. A benchmark that reads
// exactly these files cannot drift from what the run reads. Throws what the
// collection throws (engine::FileError, RefusedTargetLine).
std::vector<FoundFile> FilesReadToTheEnd(const RunInput& input, const settings::Settings& cnf);

// Stable sort by full path, byte by byte after folding ASCII letters to lower case.
void SortByPath(std::vector<FoundFile>& files);
// SortByPath's order: bytes compared with ASCII letters folded to lower case, a
// path before the longer paths it begins.
bool PathLess(std::string_view a, std::string_view b);

}  // namespace zarnik::run
