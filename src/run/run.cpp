#include "run/run.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <thread>

#include "report/header.h"
#include "report/report.h"
#include "report/totals.h"
#include "run/collect.h"
#include "run/count_ahead.h"
#include "text/sjis.h"

namespace zarnik::run {

namespace {

struct Texts {
    std::string Collecting = text::Utf8ToSjis("ファイル数カウント中");
    std::string Counting = text::Utf8ToSjis("処理中...");
    std::string NoFile =
        text::Utf8ToSjis("指定のファイルにアクセスできません。\r\nファイルの存在を確かめてください。");
    std::string Denied = text::Utf8ToSjis("ﾌｧｲﾙへのｱｸｾｽが拒否されました");
    std::string NotFound = text::Utf8ToSjis("ﾌｧｲﾙが見つかりません");
    std::string NoMemory = text::Utf8ToSjis("ﾒﾓﾘが不足しています");
    std::string IoError = text::Utf8ToSjis("I/O ｴﾗｰ (");
};

const Texts& Sj() {
    static const Texts texts;
    return texts;
}

// Save, print and the pane's context menu follow whether the pane holds lines.
void EndStep(settings::S_CNF& cnf, RunHost& host) {
    if (host.ResultHasLines()) {
        cnf.ResultUnsaved = 1;
        if (!host.SaveEnabled()) host.SetSavePrintEnabled(true);
    } else if (host.SaveEnabled()) {
        host.SetSavePrintEnabled(false);
    }
}

bool Collect(const RunInput& input, bool subfolders, RunHost& host, FileCollection& found) {
    host.ProgressBarReset(0);
    host.ProgressPhase(Sj().Collecting);
    host.ProgressFound(0);
    host.ProgressFoundVisible(true);
    host.ProgressCounterVisible(false);
    host.ProgressShow();
    const std::size_t lineCount = input.TargetLines.size();
    for (std::size_t i = 0; i < lineCount; ++i) {
        host.PumpMessages();
        if (host.CancelRequested()) return false;
        const std::string& line = input.TargetLines[i];
        CollectTargetLine(line, found, subfolders, host);
        if (host.CancelRequested()) return false;
    }
    return true;
}

// How many threads count: one unless the input asks for more, there is more than
// one file, and the converter's state need not run from file to file.
unsigned CountThreads(const RunInput& input, const engine::CountOptions& opt, std::size_t files) {
    unsigned threads = input.Threads;
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    if (opt.EucJis || files < 2) return 1;
    return threads;
}

// The counting pass; returns false when it was left by a cancel.
bool CountFiles(const RunInput& input, const engine::CountOptions& opt, const report::ReportLayout& layout,
                RunHost& host, engine::CountContext& ctx, FileCollection& found) {
    const std::int32_t nameLength = found.MaxNameLength;
    const auto total = static_cast<std::int64_t>(found.Files.size());
    auto append = [&host](const std::string& line) { host.AppendLine(line); };

    host.ProgressFoundVisible(false);
    host.ProgressCounter("");
    host.ProgressCounterVisible(true);
    host.ProgressPhase(Sj().Counting);
    host.ProgressBarRange(total);

    const std::string header = report::FormatColumnHeader(layout, nameLength);
    host.SetColumnHeader(header);
    if (host.ResultHasLines()) host.AppendLine("");
    std::string head = report::FormatHeadLine(layout, input.EnvName, input.Now);
    if (!head.empty()) host.AppendLine(head);
    const std::string rule = report::FormatRule(layout, 1, nameLength);
    host.AppendLine(rule);
    host.AppendLine(header);
    host.AppendLine(rule);

    if (layout.SortByPath) SortByPath(found.Files);

    report::ReportTotals totals;
    std::string currentFolder;
    std::int64_t processed = 0;
    bool cancelled = false;
    std::optional<detail::CountAhead> ahead;
    if (unsigned threads = CountThreads(input, opt, found.Files.size()); threads > 1)
        ahead.emplace(opt, found.Files, threads);
    detail::CountedFile atTurn;
    for (std::size_t i = 0; i < found.Files.size(); ++i) {
        const FoundFile& file = found.Files[i];
        host.PumpMessages();
        if (host.CancelRequested()) {
            cancelled = true;
            break;
        }
        ++processed;
        host.ProgressBarStep();
        if (host.ProgressDue()) {
            host.ProgressCounter(" [" + std::to_string(processed) + "/" + std::to_string(total) + "]");
            host.ProgressPath(NativeToSjis(file.Path));
        }

        detail::CountedFile* counted = &atTurn;
        if (ahead)
            counted = &ahead->Take(i);
        else
            detail::CountListedFile(opt, file, ctx, atTurn);
        if (counted->Gone) {
            // A file that is still there but cannot be reached (a folder on its path
            // that may be listed but not searched) is a read error, not a file that
            // went away.
            if (counted->Error) std::rethrow_exception(counted->Error);
            continue;
        }

        std::string_view folder = file.Folder();
        if (!text::EqualsNoCase(folder, currentFolder)) {
            currentFolder.assign(folder);
            if (layout.FolderSums && totals.FolderSubtotal.FileCount >= 1)
                report::WriteFolderSubtotalBlock(layout, totals, nameLength, append);
            if (layout.FolderLines) {
                std::string bracketed = NativeToSjis(folder);
                bracketed.insert(bracketed.begin(), '[');
                bracketed.push_back(']');
                const auto dashes =
                    static_cast<std::ptrdiff_t>(rule.size()) - static_cast<std::ptrdiff_t>(bracketed.size());
                host.AppendLine(text::RepeatText(std::move(bracketed), "-", dashes));
            }
        }

        if (counted->Error) std::rethrow_exception(counted->Error);
        const engine::S_CMT& rec = counted->Rec;
        const bool ok = rec.Status == engine::FileStatus::Counted;
        host.Record(file.Path, rec);
        if (ok) report::AddToTotals(rec, totals);
        if (layout.ErrorLines || ok) host.AppendLine(report::FormatFileLine(layout, rec, nameLength));

        host.ScrollToEnd();
        host.PumpMessages();
        if (host.CancelRequested()) {
            cancelled = true;
            break;
        }
    }
    ahead.reset();  // the workers stop before the closing block

    if (layout.FolderSums && totals.FolderSubtotal.FileCount >= 1)
        report::WriteFolderSubtotalBlock(layout, totals, nameLength, append);
    report::WriteClosingBlock(layout, totals, nameLength, append);
    host.ScrollToEnd();
    return !cancelled;
}

}  // namespace

RunOutcome RunCount(const RunInput& input, settings::S_CNF& cnf, RunHost& host, engine::CountContext& ctx) {
    FileCollection found;
    RunOutcome outcome = RunOutcome::Finished;
    try {
        if (!Collect(input, WalksSubfolders(cnf), host, found)) {
            outcome = RunOutcome::Cancelled;
            host.ProgressHide();
        } else if (found.Files.empty()) {
            outcome = RunOutcome::NoFiles;
            host.ProgressHide();
            host.ShowNoFileWarning(Sj().NoFile);
        } else {
            const engine::CountOptions opt = engine::CountOptions::From(cnf);
            if (!CountFiles(input, opt, report::ReportLayout::From(cnf), host, ctx, found))
                outcome = RunOutcome::Cancelled;
            host.ProgressHide();
        }
    } catch (...) {
        // A file that could not be read ends the run: the lines so far stay, and the
        // dialog and the commands are left as after any other run.
        host.ProgressHide();
        EndStep(cnf, host);
        throw;
    }
    EndStep(cnf, host);
    return outcome;
}

bool WalksSubfolders(const settings::S_CNF& cnf) { return cnf.Subfol != 0; }

std::string ErrorTextFor(const engine::FileError& error) {
    switch (error.Code()) {
        case EACCES:
        case EPERM:
            return Sj().Denied;
        case ENOENT:
            return Sj().NotFound;
        case ENOMEM:
            return Sj().NoMemory;
        default:
            return Sj().IoError + std::to_string(error.Code()) + ")";
    }
}

std::string ErrorPathFor(const engine::FileError& error) {
    std::string path = error.Path();
    text::MaskControlBytes(path);
    return path;
}

}  // namespace zarnik::run
