// Files that are replaced whole, and the saves that replace several at once.
//
// A save of the INI file and its memo files is one transaction (SaveTransaction):
// every new file is written under a temporary name of its own in the destination's
// folder and reaches the disk (fsync); then a commit record listing the renames
// and removals still to do is put in place; then they are done and the record is
// removed. Whatever step the process dies at, the next start (RollForwardSave)
// either finds no record, and the old set of files stands, or finds a complete
// record and finishes it. Saves of one INI file are serialised by SaveLock.
//
// A record is data from the disk: anyone who can write the folder can put one
// there. It is carried out only when every path it names is one of the save's own
// files in the record's own folder, by exact name: the INI file (the record's name
// without ".commit"), memo<n>.dat, and their temporary names "<name>.tmp-XXXXXX".
// A record that names anything else, does not parse, is no regular file or is
// longer than kMaxRecordBytes is set aside (renamed, never followed).
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace zarnik::settings {

// A save that could not be completed: what() is the message to show the user, in
// Shift-JIS.
class SaveFailure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every step of a save that changes the disk ("write", "fsync", "rename", "link",
// "unlink", "fsync-folder") first calls the hook when one is set, with the step
// and the path it concerns (for a write: the file the temporary one will
// replace). When the hook returns false the step fails as a refusing disk would.
// Fault tests end the process or fail a save at a chosen step through it.
using SaveStepHook = bool (*)(std::string_view step, const std::string& path);
void SetSaveStepHook(SaveStepHook hook);

// The longest commit record read or written: a record names every path whole,
// some 130 bytes a moved memo file in a folder of 40 bytes, so about 2 million.
constexpr std::size_t kMaxRecordBytes = std::size_t{256} << 20;

// An advisory lock (flock) on "<ini>.lock" beside the INI file, waited for up to
// ten seconds. The lock file is made when create is set (saves); readers only use
// one that a save made, so that reading leaves nothing behind. No lock file, or
// one that can be neither made nor opened, gives no lock (Held() false). A lock
// file that is no regular file (a pipe, a device, a link) is never opened, so
// that nothing can block: NotAFile() says so.
class SaveLock {
public:
    SaveLock(const std::string& iniPath, bool create);
    ~SaveLock();
    SaveLock(const SaveLock&) = delete;
    SaveLock& operator=(const SaveLock&) = delete;
    bool Held() const { return fd_ >= 0; }
    bool NotAFile() const { return notAFile_; }

private:
    int fd_ = -1;
    bool notAFile_ = false;
};

class SaveTransaction {
public:
    // recordPath: where the commit record lives while the transaction is applied.
    explicit SaveTransaction(std::string recordPath) : record_(std::move(recordPath)) {}
    // Before Commit has put the record in place, the temporary files written so
    // far are removed; nothing else on disk has changed.
    ~SaveTransaction();
    SaveTransaction(const SaveTransaction&) = delete;
    SaveTransaction& operator=(const SaveTransaction&) = delete;

    // Writes bytes to a new temporary file that Commit renames over path (over a
    // link's target when path is a symbolic link, so the link stays). The file
    // takes the mode of the one it replaces. False when it cannot be written.
    bool Write(const std::string& path, std::string_view bytes);
    // The existing file from becomes path, as it is.
    void Move(const std::string& from, const std::string& path);
    // path (a file or a link; anything else stays) is removed.
    void Remove(const std::string& path);

    // Applies everything. On failure failedPath names the file whose step failed;
    // before the commit record was in place nothing changed, after it the next
    // RollForwardSave finishes the transaction.
    bool Commit(std::string& failedPath);

    struct Op {
        char Kind;         // 'M' move aside, 'R' rename into place, 'U' unlink
        std::string From;  // M: the file; R: the temporary file; U: the file
        std::string To;    // M: its temporary name; R: the destination
    };

private:
    std::string record_;
    std::vector<Op> moves_;    // 'M', done first
    std::vector<Op> renames_;  // 'R'
    std::vector<Op> removes_;  // 'U'
    std::vector<std::string> written_;
    bool recorded_ = false;
};

struct RollForward {
    // False when a record remains that could be neither finished nor set aside.
    bool Finished = true;
    // A record that was not carried out (see above) now lies here; empty otherwise.
    std::string SetAsidePath;
};
// Finishes a save whose commit record lies at recordPath ("<ini>.commit").
RollForward RollForwardSave(const std::string& recordPath);

// Renames path (whatever it is; a link itself, not its target) to
// "<path>.rejected-XXXXXX" beside it, a name not taken. The new path, or "".
std::string SetAside(const std::string& path);

// Removes, in folder, temporary files that saves of iniName left behind when they
// died before their commit record was in place. Only under the SaveLock: then no
// live save owns one.
void RemoveStaleSaveFiles(const std::string& folder, const std::string& iniName);

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
