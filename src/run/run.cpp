#include "run/run.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>
#include <thread>
#include <utility>

#include "report/cancelled_line.h"
#include "report/header.h"
#include "report/report.h"
#include "report/totals.h"
#include "run/collect.h"
#include "run/count_ahead.h"
#include "run/count_options.h"
#include "run/guarded_run.h"
#include "text/sjis.h"

namespace zarnik::run {

namespace {

struct Texts {
    std::string NoFiles =
        text::Utf8ToSjis("指定のファイルにアクセスできません。\r\nファイルの存在を確かめてください。");
    std::string Denied = text::Utf8ToSjis("ﾌｧｲﾙへのｱｸｾｽが拒否されました");
    std::string NotFound = text::Utf8ToSjis("ﾌｧｲﾙが見つかりません");
    std::string NoMemory = text::Utf8ToSjis("ﾒﾓﾘが不足しています");
    std::string IoError = text::Utf8ToSjis("I/O ｴﾗｰ (");
    std::string LinesWithoutFiles = text::Utf8ToSjis("次の指定ではファイルが見つかりませんでした。");
    std::string Refused = text::Utf8ToSjis("対象の指定にNUL文字が含まれているため、カウントできません。");
};

const Texts& Sj() {
    static const Texts texts;
    return texts;
}

// The collection pass; the lines that found no file go to withoutFiles.
bool Collect(const RunInput& input, bool subfolders, ProgressObserver& progress, FileCollection& found,
             std::vector<std::string>& withoutFiles) {
    // A line that will be refused is refused before any folder is walked.
    for (const std::string& line : input.TargetLines) RefuseNulBytes(line);
    progress.Collecting();
    const std::size_t lineCount = input.TargetLines.size();
    for (std::size_t i = 0; i < lineCount; ++i) {
        progress.Pump();
        if (progress.CancelRequested()) return false;
        const std::string& line = input.TargetLines[i];
        const std::size_t before = found.Files.size();
        CollectTargetLine(line, found, subfolders, progress);
        if (progress.CancelRequested()) return false;
        if (found.Files.size() == before && !line.empty()) withoutFiles.push_back(line);
    }
    return true;
}

// How many threads count: one unless the input asks for more, there is more than
// one file, and the converter's state need not run from file to file.
unsigned CountThreads(const RunInput& input, const engine::CountOptions& opt, std::size_t files) {
    unsigned threads = input.Threads;
    if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
    if (opt.ConvertEucJis || files < 2) return 1;
    return threads;
}

// The counting pass; sets outcome.End to Cancelled when it was left by a cancel,
// and to NoFiles when every file had gone by its turn (as when gone before the
// collection): the report is opened at the first file that is still there.
// NOLINTNEXTLINE(readability-function-size): long; to be split
void CountFiles(const RunInput& input, const engine::CountOptions& opt, const report::ReportLayout& layout,
                ReportSink& sink, ProgressObserver& progress, engine::CountContext& ctx,
                FileCollection& found, RunOutcome& outcome) {
    const std::int32_t nameLength = found.MaxNameLength;
    const auto total = static_cast<std::int64_t>(found.Files.size());
    auto append = [&sink](const std::string& line) { sink.Line(line); };

    progress.Counting(total);

    const std::string rule = report::FormatRule(layout, 1, nameLength);
    bool opened = false;
    auto open = [&] {
        if (std::exchange(opened, true)) return;
        detail::OpenReport(sink, report::FormatColumnHeader(layout, nameLength),
                           report::FormatHeadLine(layout, input.EnvName, input.Now), rule);
    };

    if (layout.SortByPath) SortByPath(found.Files);

    report::ReportTotals totals;
    std::string currentFolder;
    std::int64_t processed = 0;
    bool cancelled = false;
    std::optional<detail::CountAhead> ahead;
    if (unsigned threads = CountThreads(input, opt, found.Files.size()); threads > 1)
        ahead.emplace(opt, found.Files, threads);
    detail::CountedFile atTurn;
    std::string fileLine;
    for (std::size_t i = 0; i < found.Files.size(); ++i) {
        const FoundFile& file = found.Files[i];
        progress.Pump();
        if (progress.CancelRequested()) {
            cancelled = true;
            break;
        }
        ++processed;
        if (progress.FileNext(processed, total)) progress.FilePath(NativeToSjis(file.Path));

        detail::CountedFile* counted = &atTurn;
        if (ahead)
            counted = &ahead->Take(i);
        else
            detail::CountListedFile(opt, file, ctx, atTurn);
        if (counted->Gone) continue;
        open();

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
                sink.Line(text::RepeatText(std::move(bracketed), "-", dashes));
            }
        }

        // A file that is still there but cannot be opened or read (also one in a
        // folder that may be listed but not searched) is a read error, not a file
        // that went away.
        if (counted->Error) std::rethrow_exception(counted->Error);
        const engine::FileCounts& rec = counted->Rec;
        const bool ok = rec.Status == engine::FileStatus::Counted;
        if (ok) {
            report::AddToTotals(rec, totals);
            ++outcome.FilesCounted;
        }
        sink.Record(file.Path, rec);
        if (layout.ErrorLines || ok) {
            report::FormatFileLine(fileLine, layout, rec, nameLength);
            sink.Line(fileLine);
        }

        progress.Pump();
        if (progress.CancelRequested()) {
            cancelled = true;
            break;
        }
    }
    ahead.reset();  // the workers stop before the closing block

    if (!opened && !cancelled) {
        outcome.End = RunEnd::NoFiles;
        outcome.LinesWithoutFiles.clear();  // the warning says it for every line
        return;
    }
    open();
    if (layout.FolderSums && totals.FolderSubtotal.FileCount >= 1)
        report::WriteFolderSubtotalBlock(layout, totals, nameLength, append);
    report::WriteClosingBlock(layout, totals, nameLength, append);
    if (cancelled) {
        sink.Line(report::CancelledLine(processed, total));
        outcome.End = RunEnd::Cancelled;
    }
}

}  // namespace

RunOutcome RunSession::Count(const RunInput& input, const settings::Settings& cnf, ReportSink& sink,
                             ProgressObserver& progress) {
    // The session outlives the run (its buffers keep their room), but no folder
    // stays open after it, however it ends.
    struct CloseFolders {
        engine::FolderAt& Folders;
        ~CloseFolders() { Folders.Close(); }
    } closeFolders{ctx_.Folders};
    return detail::GuardedRun(sink, progress, [&](RunOutcome& outcome) {
        const report::ReportLayout layout = report::ReportLayout::From(cnf);
        FileCollection found;
        found.WalkInPathOrder = layout.SortByPath;
        std::vector<std::string> withoutFiles;
        if (!Collect(input, WalksSubfolders(cnf), progress, found, withoutFiles)) {
            outcome.End = RunEnd::Cancelled;
        } else if (found.Files.empty()) {
            outcome.End = RunEnd::NoFiles;
        } else {
            outcome.LinesWithoutFiles = std::move(withoutFiles);
            const engine::CountOptions opt = run::CountOptionsFrom(cnf);
            CountFiles(input, opt, layout, sink, progress, ctx_, found, outcome);
        }
    });
}

bool WalksSubfolders(const settings::Settings& cnf) { return cnf.WalkSubfolders != 0; }

const std::string& NoFilesText() { return Sj().NoFiles; }
const std::string& LinesWithoutFilesText() { return Sj().LinesWithoutFiles; }
const std::string& RefusedLineText() { return Sj().Refused; }

std::string ShownLine(std::string_view nativeLine) {
    std::string line(nativeLine);
    text::MaskControlBytes(line);
    return line;
}

void RefuseNulBytes(std::string_view line) {
    if (line.find('\0') != std::string_view::npos) throw RefusedTargetLine{std::string(line)};
}

std::string ReadError::Text() const {
    switch (Code) {
        case EACCES:
        case EPERM:
            return Sj().Denied;
        case ENOENT:
            return Sj().NotFound;
        case ENOMEM:
            return Sj().NoMemory;
        default:
            return Sj().IoError + std::to_string(Code) + ")";
    }
}

std::string ReadError::ShownPath() const {
    std::string path = Path;
    text::MaskControlBytes(path);
    return path;
}

}  // namespace zarnik::run
