// The git library's functions for a program built without it: each use hands
// the whole command over to the program that has it (see run/git_access.h), so
// that libgit2 and the libraries it needs are never loaded here. What a run
// decides without a repository it decides before it calls one of these.
#include <cerrno>
#include <exception>

#include "run/collect.h"
#include "run/git_access.h"
#include "run/git_history.h"
#include "run/git_ignore.h"
#include "run/git_refs.h"
#include "run/git_tree.h"
#include "run/guarded_run.h"
#include "run/line_diff.h"

namespace zarnik::run {

namespace {

HandOver handOver = nullptr;

// Hands over for a run that needs the repository holding path. Without a
// hand-over the run ends: no figure is counted without the repository's rules.
[[noreturn]] void NeedRepository(const std::string& path) {
    if (handOver) handOver();
    throw RepositoryError(path.empty() ? "." : path, ENOSYS, "this program reads no git repository");
}

}  // namespace

bool ReadsRepositories() { return false; }

void SetHandOver(HandOver h) { handOver = h; }

struct GitIgnore::Trees {};

GitIgnore::GitIgnore() = default;
GitIgnore::~GitIgnore() = default;

GitIgnore::Place GitIgnore::Locate(const std::string& folder) { NeedRepository(folder); }

GitIgnore::Place GitIgnore::Enter(const Place&, const std::string& path, std::string_view, bool) {
    NeedRepository(path);
}

bool GitIgnore::Ignored(const Place&, const std::string& folder, std::string_view name, bool) {
    NeedRepository(JoinPath(folder, name));
}

struct RevisionFiles::Store {};

// NOLINTNEXTLINE(performance-unnecessary-value-param): the git library's signature
RevisionFiles::RevisionFiles(std::string revision) { NeedRepository(revision); }
RevisionFiles::~RevisionFiles() = default;

void RevisionFiles::CollectTargetLine(std::string_view line, FileCollection&, bool, ProgressObserver&) {
    NeedRepository(std::string(line));
}

// Never throws, as the library's: the error is the file's.
void RevisionFiles::Count(const engine::CountOptions&, const FoundFile& file, engine::CountContext&,
                          detail::CountedFile& out) {
    try {
        NeedRepository(file.Path);
    } catch (...) {
        out.Error = std::current_exception();
    }
}

RevisionFiles::Named RevisionFiles::Names(std::string_view line) { NeedRepository(std::string(line)); }

std::string_view RevisionFiles::Read(const FoundFile& file) { NeedRepository(file.Path); }

std::vector<RevisionFiles::Commit> RevisionFiles::History(std::string_view line, const std::string&, bool) {
    NeedRepository(std::string(line));
}

void RevisionFiles::SetRevision(const std::string& revision) { NeedRepository(revision); }

std::string_view RevisionFiles::StoredKey(const FoundFile& file) const { NeedRepository(file.Path); }

// Neither throws: a failed hand-over offers no names and leaves the run to say why.
std::optional<std::vector<std::string>> RevisionNames(const std::string& folder) {
    try {
        NeedRepository(folder);
    } catch (const RepositoryError&) {
    }
    return std::nullopt;
}

bool NamesCommit(const std::string& folder, const std::string&) {
    try {
        NeedRepository(folder);
    } catch (const RepositoryError&) {
    }
    return true;
}

RunOutcome CountHistory(const HistoryInput& input, const settings::Settings&, report::HistoryEvents&,
                        ProgressObserver& progress) {
    return detail::GuardedRun(progress, [&](RunOutcome&) { NeedRepository(input.Target); });
}

namespace detail {

std::unique_ptr<LineDiff> MakeLibgit2Diff() { NeedRepository(""); }

}  // namespace detail

}  // namespace zarnik::run
