// The count run: target lines -> file list -> counted files, told as events to
// whatever prints them. It talks to its caller through those events (or a report
// sink, for a change count) and a progress observer and returns an outcome, so it
// runs with or without a window and decides nothing for it.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/count_context.h"
#include "engine/file_counts.h"
#include "engine/file_error.h"
#include "report/change_events.h"
#include "report/count_events.h"
#include "report/line_sink.h"
#include "settings/settings.h"

namespace zarnik::run {

// What the run tells while it goes on, and where it asks to be cancelled. Every
// method has a default that does nothing, so a caller without a progress display
// pays nothing for it.
class ProgressObserver {
public:
    virtual ~ProgressObserver() = default;
    // The collection pass starts: nothing found yet.
    virtual void Collecting() {}
    virtual void Found(std::int64_t /*count*/) {}
    // The counting pass starts over this many files.
    virtual void Counting(std::int64_t /*files*/) {}
    // File number (from 1) of files is about to be counted. True when the observer
    // would show its path now: only then does the run make the path's display text
    // and call FilePath, so an observer that shows it now and then pays nothing in
    // between.
    virtual bool FileNext(std::int64_t /*number*/, std::int64_t /*files*/) { return false; }
    virtual void FilePath(const std::string& /*sjisPath*/) {}
    // The run is over, however it ended.
    virtual void Ended() {}

    // Where pending events may run (a window pumps its messages here).
    virtual void Pump() {}
    virtual bool CancelRequested() const { return false; }
};

// A file or folder the run could not read, and why (errno).
struct ReadError {
    std::string Path;  // native; empty when no one file was at fault (no memory for the list)
    int Code = 0;

    // The message for it ("ﾌｧｲﾙへのｱｸｾｽが拒否されました", ...), Shift-JIS.
    std::string Text() const;
    // The path as a message shows it: native (UTF-8), control bytes as "?".
    std::string ShownPath() const;
};

// RefusedTarget: a target line holds a NUL byte. The system would read the path
// only up to it and so count another file than the one named; nothing is counted.
// RefusedRevision: a target of a count of a stored revision lies in no repository,
// or its repository has no such revision; nothing is counted.
enum class RunEnd { Finished, Cancelled, NoFiles, ReadError, RefusedTarget, RefusedRevision };

struct RunOutcome {
    RunEnd End = RunEnd::Finished;
    std::int64_t FilesCounted = 0;  // files whose counts entered the totals
    // With End ReadError: the lines written so far stay, no closing block follows.
    std::optional<ReadError> Error;
    // With Error from a repository: what it could not give (an object missing or
    // corrupt, a history cut short), in English; it says more than Error's code.
    std::string ErrorDetail;
    // Target lines (native, not empty) that found no file while others found some:
    // a mistyped line would otherwise shorten the totals without a word. The report
    // stays as it is; the front ends name these lines.
    std::vector<std::string> LinesWithoutFiles;
    // With End RefusedTarget: the line refused (native). With RefusedRevision: why,
    // naming the target or the revision (native).
    std::string RefusedLine;
    // The sink holds lines after the run (its own, or an earlier run's). Set by a
    // change count; after a count the front end, which holds the lines, sets it.
    bool ResultUnsaved = false;
    // With End NoFiles after a change count: which version found nothing, and its
    // target line (Shift-JIS, one line per version).
    std::string EmptyVersions;
};

struct RunInput {
    std::vector<std::string> TargetLines;  // native (the file system's own bytes), as typed
    std::string EnvName;                   // caption of the selected tab, Shift-JIS
    std::time_t Now = 0;                   // the header date's clock
    // Threads that count files: 1 counts each file at its turn on the calling
    // thread; more count files ahead of their turn (the report is the same,
    // except where a file changes while the run goes on); 0 is one per core.
    // With EucJis 1 the run always counts at each file's turn.
    unsigned Threads = 1;
};

// A change count: the old and the new version, each one target line with the
// same rules as a count run's.
struct ChangeInput {
    std::string OldTarget, NewTarget;  // native
    std::string EnvName;               // Shift-JIS
    std::time_t Now = 0;
    unsigned Threads = 1;
};

// What lasts from one run to the next for a front end: the EUC/JIS converter's
// shift state (a file may end in the middle of a shifted run, and the next file
// starts from there) and the buffers the counters reuse.
class RunSession {
public:
    // Runs one count. A file that exists but cannot be read (or for which there is
    // no memory), or a folder whose listing fails part-way, ends it with a
    // ReadError. The run writes no setting and shows nothing but progress; what it
    // counts it tells events, in report order, with the totals summed once.
    RunOutcome Count(const RunInput& input, const settings::Settings& cnf, report::CountEvents& events,
                     ProgressObserver& progress);

    // Count, with every target line counted as it stands in revision (a commit, a
    // tag, a branch, ...) of the git repository holding it, from the repository's
    // objects: the same report as a count of a checkout of it, the files' times
    // being the commit's. Ends with RefusedRevision, before anything is counted,
    // when a line lies in no repository or its repository has no such revision.
    RunOutcome CountRevision(const RunInput& input, const std::string& revision,
                             const settings::Settings& cnf, report::CountEvents& events,
                             ProgressObserver& progress);

    // Runs one change count: pairs the old and the new version's files, diffs the
    // lines of each changed pair and tells events the added, changed and deleted
    // lines. It writes no line itself, so ResultUnsaved is left to the front end.
    RunOutcome CountChanges(const ChangeInput& input, const settings::Settings& cnf,
                            report::ChangeEvents& events, ProgressObserver& progress);

    // CountChanges between two stored revisions of the git repositories holding
    // the targets: the old target as it stands in oldRevision, the new one in
    // newRevision, read from the repositories' objects. The pairs, the report, csv
    // and json are those of a change count of two checkouts, but for the header,
    // which names each target as REV:TARGET. Ends with RefusedRevision as
    // CountRevision does.
    RunOutcome CountRevisionChanges(const ChangeInput& input, const std::string& oldRevision,
                                    const std::string& newRevision, const settings::Settings& cnf,
                                    report::ChangeEvents& events, ProgressObserver& progress);

private:
    RunOutcome CountFrom(const RunInput& input, const std::string* revision, const settings::Settings& cnf,
                         report::CountEvents& events, ProgressObserver& progress);
    RunOutcome CountChangesFrom(const ChangeInput& input, const std::string* oldRevision,
                                const std::string* newRevision, const settings::Settings& cnf,
                                report::ChangeEvents& events, ProgressObserver& progress);

    engine::CountContext ctx_;
};

// What a front end tells the user when the run ended with NoFiles, Shift-JIS
// ("指定のファイルにアクセスできません。...").
const std::string& NoFilesText();
// ... when target lines found no file (LinesWithoutFiles), before the lines, Shift-JIS.
const std::string& LinesWithoutFilesText();
// ... when a target line was refused (RefusedTarget), before the line, Shift-JIS.
const std::string& RefusedLineText();
// A target line as a message shows it: control bytes (the NUL too) as "?".
std::string ShownLine(std::string_view nativeLine);

// Thrown before a run walks anything when one of its target lines holds a NUL byte.
struct RefusedTargetLine {
    std::string Line;
};
// Thrown before a count of a stored revision counts anything when a target lies
// in no repository or the repository has no such revision. Message is native.
struct RefusedRevision {
    std::string Message;
};
// A repository that cannot give what a run needs from it: an object missing or
// corrupt, a history cut short. It ends the run as a read error of Path.
class RepositoryError : public engine::FileError {
public:
    RepositoryError(std::string path, int code, std::string detail)
        : engine::FileError(std::move(path), code), detail_(std::move(detail)) {}
    const std::string& Detail() const { return detail_; }

private:
    std::string detail_;
};

// Throws RefusedTargetLine when line holds a NUL byte.
void RefuseNulBytes(std::string_view line);
// The same for a run's outcome: after a change count it first names the version
// (or both) that found nothing.
std::string NoFilesText(const RunOutcome& outcome);

// Whether a folder is walked into its subfolders: Subfol anything but 0.
bool WalksSubfolders(const settings::Settings& cnf);
// Whether a walk inside a git work tree leaves out what git ignores.
bool FollowsGitIgnore(const settings::Settings& cnf);

}  // namespace zarnik::run
