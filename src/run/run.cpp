#include "run/run.h"

#include <algorithm>
#include <cerrno>
#include <new>
#include <optional>
#include <thread>
#include <utility>

#include "engine/source_kind.h"
#include "report/totals.h"
#include "run/collect.h"
#include "run/count_ahead.h"
#include "run/count_options.h"
#include "run/git_tree.h"
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
// With revision, the lines name files of that stored revision.
bool Collect(const RunInput& input, bool subfolders, ProgressObserver& progress, FileCollection& found,
             std::vector<std::string>& withoutFiles, RevisionFiles* revision) {
    // A line that will be refused is refused before any folder is walked.
    for (const std::string& line : input.TargetLines) RefuseNulBytes(line);
    progress.Collecting();
    const std::size_t lineCount = input.TargetLines.size();
    for (std::size_t i = 0; i < lineCount; ++i) {
        progress.Pump();
        if (progress.CancelRequested()) return false;
        const std::string& line = input.TargetLines[i];
        const std::size_t before = found.Files.size();
        if (revision)
            revision->CollectTargetLine(line, found, subfolders, progress);
        else
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

// The counting pass over the files found, in report order. Sums the totals once
// and tells events everything the report shows.
class CountPass {
public:
    CountPass(const RunInput& input, const settings::Settings& cnf, const report::ReportLayout& layout,
              report::CountEvents& events, ProgressObserver& progress, FileCollection& found)
        : input_(input), cnf_(cnf), layout_(layout), events_(events), progress_(progress), found_(found) {}

    // Sets outcome.End to Cancelled when it was left by a cancel, and to NoFiles
    // when every file had gone by its turn (as when gone before the collection):
    // the report is opened at the first file that is still there.
    // With revision the files are a stored revision's, counted one after another.
    void Run(const engine::CountOptions& opt, engine::CountContext& ctx, RunOutcome& outcome,
             RevisionFiles* revision);
    report::RunTail Tail(const RunOutcome& outcome) const;

private:
    bool Cancelled() {
        progress_.Pump();
        return progress_.CancelRequested();
    }
    void Open();
    void Take(const FoundFile& file, const detail::CountedFile& counted, RunOutcome& outcome);
    void LeaveFolder();

    const RunInput& input_;
    const settings::Settings& cnf_;
    const report::ReportLayout& layout_;
    report::CountEvents& events_;
    ProgressObserver& progress_;
    FileCollection& found_;
    std::int64_t files_ = 0;  // listed, once the collection is done
    std::int64_t taken_ = 0;
    bool opened_ = false;
    bool cancelled_ = false;
    std::string currentFolder_;
    report::ReportTotals totals_;
};

void CountPass::Open() {
    if (std::exchange(opened_, true)) return;
    events_.Begin({cnf_, layout_, input_.EnvName, input_.Now, found_.MaxNameLength, files_});
}

void CountPass::LeaveFolder() {
    report::CountSum& subtotal = totals_.FolderSubtotal;
    if (subtotal.FileCount < 1) return;
    report::ComputeRatio(subtotal);
    events_.FolderLeft(subtotal);
    report::ClearCountSum(subtotal);
}

void CountPass::Take(const FoundFile& file, const detail::CountedFile& counted, RunOutcome& outcome) {
    Open();
    // Mostly the folder of the file before, byte for byte, which memcmp sees at once.
    if (const std::string_view folder = file.Folder();
        folder != currentFolder_ && !text::EqualsNoCase(folder, currentFolder_)) {
        currentFolder_.assign(folder);
        LeaveFolder();
        events_.FolderEntered(folder);
    }
    // A file that is still there but cannot be opened or read (also one in a
    // folder that may be listed but not searched) is a read error, not a file
    // that went away.
    if (counted.Error) std::rethrow_exception(counted.Error);
    if (counted.Rec.Status == engine::FileStatus::Counted) {
        report::AddToTotals(counted.Rec, totals_);
        ++outcome.FilesCounted;
    }
    events_.FileCounted(file.Path, counted.Rec);
}

void CountPass::Run(const engine::CountOptions& opt, engine::CountContext& ctx, RunOutcome& outcome,
                    RevisionFiles* revision) {
    files_ = static_cast<std::int64_t>(found_.Files.size());
    progress_.Counting(files_);
    if (layout_.SortByPath) SortByPath(found_.Files);
    std::optional<detail::CountAhead> ahead;
    if (unsigned threads = CountThreads(input_, opt, found_.Files.size()); threads > 1 && !revision)
        ahead.emplace(opt, found_.Files, threads);
    detail::CountedFile atTurn;
    for (std::size_t i = 0; i < found_.Files.size() && !(cancelled_ = Cancelled()); ++i) {
        const FoundFile& file = found_.Files[i];
        ++taken_;
        if (progress_.FileNext(taken_, files_)) progress_.FilePath(NativeToSjis(file.Path));
        detail::CountedFile* counted = &atTurn;
        if (ahead)
            counted = &ahead->Take(i);
        else if (revision)
            revision->Count(opt, file, ctx, atTurn);
        else
            detail::CountListedFile(opt, file, ctx, atTurn);
        if (counted->Gone) continue;
        Take(file, *counted, outcome);
        if ((cancelled_ = Cancelled())) break;
    }
    ahead.reset();  // the workers stop before the closing block

    if (!opened_ && !cancelled_) {
        outcome.End = RunEnd::NoFiles;
        outcome.LinesWithoutFiles.clear();  // the warning says it for every line
        return;
    }
    Open();
    LeaveFolder();
    report::ComputeRatios(totals_);
    events_.Totals(totals_);
    if (cancelled_) outcome.End = RunEnd::Cancelled;
}

report::RunTail CountPass::Tail(const RunOutcome& outcome) const {
    report::CountEnd end = report::CountEnd::Stopped;
    if (opened_) {
        if (outcome.End == RunEnd::Finished)
            end = report::CountEnd::Finished;
        else if (outcome.End == RunEnd::Cancelled)
            end = report::CountEnd::Cancelled;
        else
            end = report::CountEnd::Failed;
    }
    return {end, taken_, files_};
}

}  // namespace

RunOutcome RunSession::Count(const RunInput& input, const settings::Settings& cnf,
                             report::CountEvents& events, ProgressObserver& progress) {
    return CountFrom(input, nullptr, cnf, events, progress);
}

RunOutcome RunSession::CountRevision(const RunInput& input, const std::string& revision,
                                     const settings::Settings& cnf, report::CountEvents& events,
                                     ProgressObserver& progress) {
    return CountFrom(input, &revision, cnf, events, progress);
}

namespace {

// An empty file list that the walk fills as a count run selects: in path order when
// the report sorts, under git's ignore rules when they are on. The run and the
// benchmark's list of the files it reads start from here, so the two cannot drift.
FileCollection CollectionFor(const settings::Settings& cnf, const report::ReportLayout& layout) {
    FileCollection found;
    found.WalkInPathOrder = layout.SortByPath;
    found.FollowGitIgnore = FollowsGitIgnore(cnf);
    return found;
}

}  // namespace

RunOutcome RunSession::CountFrom(const RunInput& input, const std::string* revision,
                                 const settings::Settings& cnf, report::CountEvents& events,
                                 ProgressObserver& progress) {
    // The session outlives the run (its buffers keep their room), but no folder
    // stays open after it, however it ends.
    struct CloseFolders {
        engine::FolderAt& Folders;
        ~CloseFolders() { Folders.Close(); }
    } closeFolders{ctx_.Folders};
    const report::ReportLayout layout = report::ReportLayout::From(cnf);
    FileCollection found = CollectionFor(cnf, layout);
    CountPass pass(input, cnf, layout, events, progress, found);
    auto body = [&](RunOutcome& outcome) {
        std::optional<RevisionFiles> revisionFiles;
        if (revision) revisionFiles.emplace(*revision);
        RevisionFiles* stored = revisionFiles ? &*revisionFiles : nullptr;
        std::vector<std::string> withoutFiles;
        if (!Collect(input, WalksSubfolders(cnf), progress, found, withoutFiles, stored)) {
            outcome.End = RunEnd::Cancelled;
        } else if (found.Files.empty()) {
            outcome.End = RunEnd::NoFiles;
        } else {
            outcome.LinesWithoutFiles = std::move(withoutFiles);
            pass.Run(run::CountOptionsFrom(cnf), ctx_, outcome, stored);
        }
    };
    return detail::GuardedRun(progress, body,
                              [&](const RunOutcome& outcome) { events.End(pass.Tail(outcome)); });
}

std::vector<FoundFile> FilesReadToTheEnd(const RunInput& input, const settings::Settings& cnf) {
    const report::ReportLayout layout = report::ReportLayout::From(cnf);
    FileCollection found = CollectionFor(cnf, layout);
    ProgressObserver quiet;
    std::vector<std::string> withoutFiles;
    Collect(input, WalksSubfolders(cnf), quiet, found, withoutFiles, nullptr);
    if (layout.SortByPath) SortByPath(found.Files);
    const engine::CountOptions opt = CountOptionsFrom(cnf);
    std::erase_if(found.Files, [&opt](const FoundFile& file) {
        return !engine::ReadsFile(opt, NativeToSjis(file.Name()));
    });
    return std::move(found.Files);
}

bool WalksSubfolders(const settings::Settings& cnf) { return cnf.WalkSubfolders != 0; }
bool FollowsGitIgnore(const settings::Settings& cnf) { return cnf.FollowGitIgnore != 0; }

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
