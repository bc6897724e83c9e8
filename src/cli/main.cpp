// zarnik-count: the count run on the command line. Parses the arguments, runs one
// count into stdout and maps the outcome to the exit status.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "cli/hand_over.h"
#include "cli/options.h"
#include "cli/stream_host.h"
#include "engine/counter_generic.h"
#include "engine/language_table.h"
#include "report/html.h"
#include "report/xlsx.h"
#include "run/git_access.h"
#include "run/git_history.h"
#include "run/run.h"
#include "settings/persist.h"
#include "text/sjis.h"
#include "text/version.h"

namespace {

enum ExitStatus { kReportWritten = 0, kNoFile = 1, kUsage = 2, kReadError = 3, kWriteError = 4 };

// Messages on stderr are UTF-8 with LF line ends, whatever the report's encoding.
void PrintError(const std::string& utf8) { std::fprintf(stderr, "zarnik-count: %s\n", utf8.c_str()); }

std::string SjisMessage(const std::string& sjis) {
    std::string out;
    for (char c : zarnik::text::SjisToUtf8(sjis))
        if (c != '\r') out.push_back(c);
    return out;
}

// This program's own file, never found by PATH or the current folder.
std::string OwnFile(const char* argv0) {
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string(argv0);
}

// The path the desktop program's INI file and the language files are found from:
// zarnik-count's, also when zarnik-count-git runs a command handed over to it.
std::string ProgramFile(const char* argv0) {
    std::string own = OwnFile(argv0);
    return zarnik::run::ReadsRepositories() ? zarnik::cli::ServedProgramFile(own) : own;
}

// Set for the program a count is handed over to once the language files' warnings
// are said.
constexpr const char* kLanguagesWarned = "ZARNIK_LANGUAGES_WARNED";

// What a hand-over needs: the arguments as given, and the report's stream once
// there is one.
char** commandLine = nullptr;
zarnik::cli::StreamHost* reportHost = nullptr;
struct Workbook;
Workbook* workbook = nullptr;
void DiscardWorkbook();

// Replaces this process by zarnik-count-git with the same arguments. Taken only
// before anything of the report is written (it would be written twice); throws
// the RepositoryError that ends the run when it cannot be taken.
void HandOverToGitProgram() {
    using zarnik::run::RepositoryError;
    const std::string git = zarnik::cli::GitProgramFile(OwnFile(commandLine[0]));
    if (reportHost && reportHost->OutputStarted())
        throw RepositoryError(git, EIO,
                              "the report had begun when a git repository was met, so it cannot be read");
    if (reportHost) reportHost->Ended();  // its progress line goes
    // The warnings of the language files are said; the program taken over loads
    // the same files and would say them again.
    ::setenv(kLanguagesWarned, "1", 1);
    DiscardWorkbook();  // the program taking over makes its own
    std::fflush(stderr);
    ::execv(git.c_str(), commandLine);
    const int error = errno;
    throw RepositoryError(
        git, error,
        std::string("cannot be run to read a git repository or write a workbook: ") + std::strerror(error));
}

// The hand-over of a command that reads a repository first, before anything is
// read or written; returns only when it could not be taken.
int HandOverAtOnce() {
    try {
        HandOverToGitProgram();
    } catch (const zarnik::run::RepositoryError& e) {
        PrintError(zarnik::run::ShownLine(e.Path()) + ": " + zarnik::run::ShownLine(e.Detail()));
    }
    return kReadError;
}

// Whether the command needs the helper's libraries before anything else: a
// revision, a history, and the change count, whose line diff is libgit2's, read
// a repository; a workbook is written with libxlsxwriter.
bool NeedsHelperFirst(const zarnik::cli::CliOptions& options) {
    return options.History || options.Diff || !options.Revision.empty() ||
           options.OutputFormat == zarnik::cli::Format::Xlsx;
}

// The language table, shipped and the user's: what is malformed in it is a
// warning, and every language that loaded counts.
void LoadLanguages(const std::string& program) {
    using namespace zarnik;
    engine::LanguageTable table =
        engine::LoadLanguageTable(engine::LanguageFiles(program, settings::ConfigHome()));
    const bool warned = std::getenv(kLanguagesWarned) != nullptr;
    ::unsetenv(kLanguagesWarned);
    if (!warned)
        for (const std::string& error : table.Errors) PrintError("warning: " + error);
    engine::InstallLanguages(engine::MakeLanguageSet(std::move(table)));
}

// One line per language: its name, kind text, the files it claims and its
// comment forms ("^" marks a form that counts only at a line's start).
std::string LanguageLines(const zarnik::engine::LanguageTable& table) {
    using zarnik::engine::Language;
    std::size_t width = 0;
    for (const Language& l : table.Languages) width = std::max(width, l.Name.size());
    std::string out;
    for (const Language& l : table.Languages) {
        std::string line = l.Name + std::string(width + 2 - l.Name.size(), ' ') + l.Kind +
                           std::string(6 - l.Kind.size(), ' ') + "files:";
        if (!l.ExtensionPattern.empty()) line += " " + l.ExtensionPattern;
        for (const std::string& f : l.FileNames) line += " " + f;
        for (const std::string& s : l.Shebangs) line += " #!" + s;
        line += "  comments:";
        for (const std::string& m : l.LineComments) line += " " + m;
        for (const std::string& m : l.LineStartComments) line += " ^" + m;
        for (const auto& p : l.Blocks) line += " " + p.Open + "..." + p.Close + (l.Nested ? "(nested)" : "");
        for (const auto& p : l.LineStartBlocks) line += " ^" + p.Open + "...^" + p.Close;
        for (const auto& s : l.Strings)
            if (s.Doc) line += " " + s.Open + "..." + s.Close + "(doc)";
        if (l.CommentColumn != 0)
            line += " column" + std::to_string(l.CommentColumn) + ":" + l.CommentColumnChars;
        if (!l.HeaderFirst.empty()) line += " header:" + l.HeaderFirst + "..." + l.HeaderRun;
        out += line + "\n";
    }
    return out;
}

int FinishOutput(int status) {
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        PrintError("cannot write the report to standard output");
        return kWriteError;
    }
    return status;
}

// The history's rows to stdout, csv or json, with progress on a terminal.
zarnik::run::RunOutcome CountHistory(const zarnik::cli::CliOptions& options, zarnik::cli::StreamHost& host) {
    using namespace zarnik;
    run::HistoryInput input;
    input.Target = options.Targets.back();
    if (options.Targets.size() == 2) input.Range = options.Targets.front();
    input.TagsOnly = options.TagsOnly;
    report::HistoryCsvPrinter csv(host, options.OutputEncoding == cli::Encoding::Sjis
                                            ? report::CsvEncoding::Sjis
                                            : report::CsvEncoding::Utf8);
    report::HistoryJsonPrinter json(host);
    report::HistoryChartKeeper chart;
    report::HistoryEvents& events =
        options.OutputFormat == cli::Format::Json   ? static_cast<report::HistoryEvents&>(json)
        : options.OutputFormat == cli::Format::Html ? static_cast<report::HistoryEvents&>(chart)
                                                    : static_cast<report::HistoryEvents&>(csv);
    run::RunOutcome outcome = run::CountHistory(input, options.Cnf, events, host);
    // The page shows the whole history or nothing.
    if (options.OutputFormat == cli::Format::Html && outcome.End == run::RunEnd::Finished && !outcome.Error)
        report::WriteHistoryHtml(chart.Chart(), options.Cnf, input.Target, host);
    return outcome;
}

// Interrupted (Ctrl-C, a terminal closed, kill), the program ends as the signal
// would end it, without the workbook's temporary file beside the --output file.
void OnEndingSignal(int sig) {
    zarnik::report::RemoveWorkbookTemps();
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

void RemoveWorkbookTempOnSignals() {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old {};
        // A signal the shell had ignored (a background job's SIGINT) stays ignored.
        if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;
        struct sigaction now {};
        now.sa_handler = OnEndingSignal;
        sigemptyset(&now.sa_mask);
        ::sigaction(sig, &now, nullptr);
    }
}

// The workbook of --format xlsx, made beside its --output file before the run so
// that a file that cannot be written is said before anything is counted.
struct Workbook {
    explicit Workbook(const zarnik::cli::CliOptions& options) {
        if (options.OutputFormat != zarnik::cli::Format::Xlsx) return;
        if (options.Diff)
            change.emplace(options.OutputFile);
        else
            count.emplace(options.OutputFile);
    }
    const std::string& Error() const { return change ? change->Error() : count->Error(); }
    bool Written() const { return change ? change->Written() : count->Written(); }

    std::optional<zarnik::report::XlsxCountPrinter> count;
    std::optional<zarnik::report::XlsxChangePrinter> change;
};

void DiscardWorkbook() {
    if (workbook && workbook->count) workbook->count->Discard();
    if (workbook && workbook->change) workbook->change->Discard();
}

// The run the options ask for: a history, a change count or a count.
zarnik::run::RunOutcome RunCommand(const zarnik::cli::CliOptions& options, zarnik::cli::StreamHost& host,
                                   Workbook& book) {
    using namespace zarnik;
    if (options.History) return CountHistory(options, host);
    run::RunSession session;
    report::ChangeEvents& changeOutput = book.change ? *book.change : host.ChangeOutput();
    report::CountEvents& countOutput = book.count ? *book.count : host.CountPrinter();
    if (options.Diff) {
        // Between two revisions, one TARGET is the same path in both.
        run::ChangeInput input{options.Targets.front(), options.Targets.back(), options.EnvName,
                               std::time(nullptr), options.Threads};
        return options.OldRevision.empty()
                   ? session.CountChanges(input, options.Cnf, changeOutput, host)
                   : session.CountRevisionChanges(input, options.OldRevision, options.NewRevision,
                                                  options.Cnf, changeOutput, host);
    }
    run::RunInput input{options.Targets, options.EnvName, std::time(nullptr), options.Threads};
    return options.Revision.empty()
               ? session.Count(input, options.Cnf, countOutput, host)
               : session.CountRevision(input, options.Revision, options.Cnf, countOutput, host);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zarnik;
    std::vector<std::string_view> args(argv + 1, argv + argc);
    cli::CliOptions options;
    std::string error;
    if (!cli::ParseArguments(args, options, error)) {
        PrintError(error);
        std::fputs(cli::ShortUsage().c_str(), stderr);
        return kUsage;
    }
    if (options.Help) {
        std::fputs(cli::HelpText().c_str(), stdout);
        return FinishOutput(kReportWritten);
    }
    if (options.Version) {
        std::printf("zarnik-count %s\n%s", text::kVersionString, text::kLicenseNotice);
        return FinishOutput(kReportWritten);
    }
    commandLine = argv;
    run::SetHandOver(HandOverToGitProgram);
    if (!run::ReadsRepositories() && NeedsHelperFirst(options)) return HandOverAtOnce();
    const std::string program = ProgramFile(argv[0]);
    if (!cli::ResolveOptions(options, program, error)) {
        PrintError(error);
        return kUsage;
    }
    LoadLanguages(program);
    if (options.ListLanguages) {
        std::fputs(LanguageLines(engine::InstalledLanguages()->Table).c_str(), stdout);
        return FinishOutput(kReportWritten);
    }

    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    cli::StreamHost host(stdout, options.OutputEncoding, ::isatty(STDERR_FILENO) ? stderr : nullptr,
                         options.OutputFormat);
    reportHost = &host;
    if (options.OutputFormat == cli::Format::Xlsx) RemoveWorkbookTempOnSignals();
    Workbook book(options);
    workbook = &book;
    if (options.OutputFormat == cli::Format::Xlsx && !book.Error().empty()) {
        PrintError(book.Error());
        return kWriteError;
    }
    const run::RunOutcome outcome = RunCommand(options, host, book);
    if (outcome.End == run::RunEnd::RefusedRevision) {
        PrintError(run::ShownLine(outcome.RefusedLine));
        return FinishOutput(kUsage);
    }
    if (outcome.End == run::RunEnd::RefusedTarget) {
        PrintError("target line holds a NUL byte, nothing counted: '" + run::ShownLine(outcome.RefusedLine) +
                   "'");
        return FinishOutput(kUsage);
    }
    if (outcome.End == run::RunEnd::NoFiles) {
        PrintError(SjisMessage(run::NoFilesText(outcome)));
        return FinishOutput(kNoFile);
    }
    // The report holds what the other lines found; a line that found nothing may be
    // a typo, which would shorten the totals without a word.
    for (const std::string& line : outcome.LinesWithoutFiles)
        PrintError("warning: no file found for '" + run::ShownLine(line) + "'");
    if (const auto& error = outcome.Error) {
        int status = FinishOutput(kReadError);
        // With no one file at fault, memory ran out for the file list or the report lines.
        // A repository's failure says what it lacks; an errno alone would not.
        PrintError(error->Path.empty() && error->Code == ENOMEM ? std::string("out of memory")
                   : outcome.ErrorDetail.empty()
                       ? error->ShownPath() + ": " + SjisMessage(error->Text())
                       : error->ShownPath() + ": " + run::ShownLine(outcome.ErrorDetail));
        return status;
    }
    // A run that finished without the workbook it was for wrote nothing.
    if (options.OutputFormat == cli::Format::Xlsx && !book.Written()) {
        PrintError(book.Error().empty() ? "the workbook was not written" : book.Error());
        return FinishOutput(kWriteError);
    }
    return FinishOutput(kReportWritten);
}
