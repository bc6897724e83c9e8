// The count run: target lines -> file list -> counted report lines. It talks to
// its caller only through RunHost, so it runs with or without a window.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "engine/count.h"
#include "settings/settings.h"

namespace zarnik::run {

// What the run needs from its caller. Texts are Shift-JIS. Everything except the
// result pane has a default that does nothing, so a caller without a progress
// dialog pays nothing for it.
class RunHost {
public:
    virtual ~RunHost() = default;

    // The result pane.
    virtual void AppendLine(const std::string& line) = 0;
    virtual bool ResultHasLines() const = 0;
    virtual void ScrollToEnd() {}
    // Each file's record as the report takes it, in report order, files that were
    // not counted included (whether or not error lines show): the rows of the
    // results as data. nativePath is the file's path as the file system gave it.
    virtual void Record(const std::string& /*nativePath*/, const engine::S_CMT& /*rec*/) {}
    // Caption of the column-header strip above the pane; the strip becomes visible.
    virtual void SetColumnHeader(const std::string& /*header*/) {}

    // The end step: save and print (and the pane's context menu) follow whether the
    // pane holds lines.
    virtual bool SaveEnabled() const { return false; }
    virtual void SetSavePrintEnabled(bool /*enabled*/) {}

    // "指定のファイルにアクセスできません。..." as a modal warning.
    virtual void ShowNoFileWarning(const std::string& /*text*/) {}

    // The progress dialog.
    virtual void ProgressShow() {}
    virtual void ProgressHide() {}
    virtual void ProgressPhase(const std::string& /*message*/) {}
    virtual void ProgressFoundVisible(bool /*visible*/) {}
    virtual void ProgressFound(std::int64_t /*count*/) {}
    virtual void ProgressCounterVisible(bool /*visible*/) {}
    virtual void ProgressCounter(const std::string& /*text*/) {}
    virtual void ProgressPath(const std::string& /*path*/) {}
    virtual void ProgressBarReset(std::int64_t /*position*/) {}
    virtual void ProgressBarRange(std::int64_t /*maximum*/) {}
    virtual void ProgressBarStep() {}
    // Whether the counter and path labels should be set for the file about to be
    // counted. A host that shows them only now and then says no in between, and
    // the run then makes no label text for that file.
    virtual bool ProgressDue() { return true; }

    // Processes pending window messages; the cancel button is handled in here.
    virtual void PumpMessages() {}
    virtual bool CancelRequested() const { return false; }
};

enum class RunOutcome { Finished, Cancelled, NoFiles };

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

// Runs one count. Sets cnf.ResultUnsaved in the end step. A file that exists but
// cannot be read (or for which there is no memory), or a folder whose listing
// fails part-way, raises engine::FileError; the lines appended so far stay and no
// closing block is written.
RunOutcome RunCount(const RunInput& input, settings::S_CNF& cnf, RunHost& host, engine::CountContext& ctx);

// Whether a folder is walked into its subfolders: Subfol anything but 0.
bool WalksSubfolders(const settings::S_CNF& cnf);

// The message shown for a file the run could not read ("ﾌｧｲﾙへのｱｸｾｽが拒否されました", ...).
std::string ErrorTextFor(const engine::FileError& error);
// The path of that file or folder as a message shows it: native (UTF-8), control
// bytes as "?".
std::string ErrorPathFor(const engine::FileError& error);

}  // namespace zarnik::run
