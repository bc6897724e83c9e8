// Files that are replaced whole: the new content goes to "<name>.tmp" in the same
// folder, reaches the disk (fsync), and only then takes the old file's place by a
// rename. A crash, a full disk or a refused write leaves the old file as it was.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace zarnik::settings {

// A save that could not be completed: what() is the message to show the user, in
// Shift-JIS. Whatever was on disk before the save is still there.
class SaveFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class StagedFile {
public:
    StagedFile() = default;
    ~StagedFile() { Discard(); }
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&& other) noexcept;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Writes bytes to the temporary file beside path and flushes it to disk. False
    // on any failure, with the temporary file removed. A path that is a symbolic
    // link is replaced at the link's target, so the link stays.
    bool Prepare(const std::string& path, std::string_view bytes);

    // Moves an existing file (by rename) to the temporary name for path; Commit then
    // puts it in place. False on failure.
    bool PrepareMove(const std::string& from, const std::string& path);

    // Renames the temporary file over the destination. False on failure, with the
    // temporary file removed (a prepared move goes back where it came from).
    bool Commit();

    // Removes the temporary file (or moves a prepared move back); nothing on disk
    // changes otherwise.
    void Discard();

    bool Pending() const { return pending_; }

private:
    std::string dest_;
    std::string temp_;
    std::string movedFrom_;  // set for a prepared move
    bool pending_ = false;
};

// How a path exists: not at all, as a regular file (a link to one included), or as
// something else (a folder, a pipe, a device, a dangling link).
enum class PathKind { Missing, File, Other };
PathKind KindOfPath(const std::string& path);

// Reads a whole regular file. False when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string& out);

// Removes a regular file or a link; folders and other entries are left alone.
// False only when a removal failed.
bool RemoveFileIfPresent(const std::string& path);

}  // namespace zarnik::settings
