#include "cli/options.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "settings/persist.h"
#include "settings/schema.h"
#include "text/sjis.h"

namespace zarnik::cli {

namespace {

// Applies one option's argument; returns false with a message on a bad argument.
using Apply = bool (*)(CliOptions&, std::string_view arg, std::string& error);

struct OptionDef {
    const char* Name;     // "--set"
    char Short;           // 'h', or 0
    const char* ArgName;  // nullptr for a flag
    const char* Help;
    Apply Fn;
};

bool ApplySet(settings::Settings& cnf, std::string_view arg, std::string& error) {
    std::size_t eq = arg.find('=');
    if (eq == std::string_view::npos || eq == 0) {
        error = "--set: expected KEY=VALUE, got '" + std::string(arg) + "'";
        return false;
    }
    std::string_view key = arg.substr(0, eq), value = arg.substr(eq + 1);
    const settings::SettingRow* row = settings::FindReportSetting(key);
    if (!row) {
        error = "--set: unknown key '" + std::string(key) + "'";
        return false;
    }
    if (!settings::SetFromText(*row, value, cnf)) {
        error = "--set " + std::string(key) + ": not an integer: '" + std::string(value) + "'";
        return false;
    }
    return true;
}

// A --set is checked at once (so a usage error names it) and applied again after
// the INI file is read.
bool SetKey(CliOptions& o, std::string_view arg, std::string& error) {
    if (!ApplySet(o.Cnf, arg, error)) return false;
    o.Sets.emplace_back(arg);
    return true;
}

bool SetName(CliOptions& o, std::string_view arg, std::string&) {
    o.EnvName = text::Utf8ToSjis(arg);
    o.NameGiven = true;
    return true;
}

bool SetIni(CliOptions& o, std::string_view arg, std::string&) {
    o.IniFile = std::string(arg);
    return true;
}

bool SetEnv(CliOptions& o, std::string_view arg, std::string& error) {
    if (arg.empty()) {
        error = "--env: expected a number or a name";
        return false;
    }
    o.Env = text::Utf8ToSjis(arg);
    return true;
}

bool SetEncoding(CliOptions& o, std::string_view arg, std::string& error) {
    if (text::EqualsNoCase(arg, "utf-8") || text::EqualsNoCase(arg, "utf8")) {
        o.OutputEncoding = Encoding::Utf8;
    } else if (text::EqualsNoCase(arg, "sjis") || text::EqualsNoCase(arg, "shift-jis") ||
               text::EqualsNoCase(arg, "cp932")) {
        o.OutputEncoding = Encoding::Sjis;
    } else {
        error = "--encoding: expected utf-8 or sjis, got '" + std::string(arg) + "'";
        return false;
    }
    return true;
}

bool SetFormat(CliOptions& o, std::string_view arg, std::string& error) {
    o.FormatGiven = true;
    if (text::EqualsNoCase(arg, "text")) {
        o.OutputFormat = Format::Text;
    } else if (text::EqualsNoCase(arg, "csv")) {
        o.OutputFormat = Format::Csv;
    } else if (text::EqualsNoCase(arg, "json")) {
        o.OutputFormat = Format::Json;
    } else if (text::EqualsNoCase(arg, "html")) {
        o.OutputFormat = Format::Html;
    } else if (text::EqualsNoCase(arg, "xlsx")) {
        o.OutputFormat = Format::Xlsx;
    } else {
        error = "--format: expected text, csv, json, html or xlsx, got '" + std::string(arg) + "'";
        return false;
    }
    return true;
}

bool SetOutput(CliOptions& o, std::string_view arg, std::string& error) {
    if (arg.empty()) {
        error = "--output: expected a file name";
        return false;
    }
    o.OutputFile = std::string(arg);
    return true;
}

bool SetJobs(CliOptions& o, std::string_view arg, std::string& error) {
    unsigned n = 0;
    bool ok = !arg.empty() && arg.size() <= 4;
    for (char c : arg) {
        ok = ok && c >= '0' && c <= '9';
        n = n * 10 + static_cast<unsigned>(c - '0');
    }
    if (!ok || n < 1 || n > 1024) {
        error = "--jobs: expected a number of threads from 1 to 1024, got '" + std::string(arg) + "'";
        return false;
    }
    o.Threads = n;
    return true;
}

bool SetDiff(CliOptions& o, std::string_view, std::string&) {
    o.Diff = true;
    return true;
}

bool SetRevision(CliOptions& o, std::string_view arg, std::string& error) {
    if (arg.empty()) {
        error = "--rev: expected a revision (a commit, tag or branch)";
        return false;
    }
    o.Revision = std::string(arg);
    return true;
}

bool SetOldRevision(CliOptions& o, std::string_view arg, std::string& error) {
    if (arg.empty()) {
        error = "--rev-old: expected a revision (a commit, tag or branch)";
        return false;
    }
    o.OldRevision = std::string(arg);
    return true;
}

bool SetNewRevision(CliOptions& o, std::string_view arg, std::string& error) {
    if (arg.empty()) {
        error = "--rev-new: expected a revision (a commit, tag or branch)";
        return false;
    }
    o.NewRevision = std::string(arg);
    return true;
}

bool SetHistory(CliOptions& o, std::string_view, std::string&) {
    o.History = true;
    return true;
}

bool SetTags(CliOptions& o, std::string_view, std::string&) {
    o.TagsOnly = true;
    return true;
}

bool SetHelp(CliOptions& o, std::string_view, std::string&) {
    o.Help = true;
    return true;
}

bool SetVersion(CliOptions& o, std::string_view, std::string&) {
    o.Version = true;
    return true;
}

bool SetListLanguages(CliOptions& o, std::string_view, std::string&) {
    o.ListLanguages = true;
    return true;
}

const OptionDef kOptions[] = {
    {"--set", 0, "KEY=VALUE",
     "set one key of the INI sections Settei or Exts (ignoring case), e.g. FlSort=0, FmSizeIndex=1, "
     "Csrc=*.c,*.cc; may be repeated",
     SetKey},
    {"--ini", 0, "FILE",
     "read the settings, extension patterns and environments from this INI file (before any --set)", SetIni},
    {"--env", 0, "N|NAME",
     "count the target lines of environment N (1-based) or of the first one named NAME, from the --ini file "
     "or else from the desktop program's own; its name goes into the header line; TARGETs given as well "
     "replace its lines",
     SetEnv},
    {"--name", 0, "TEXT", "environment name shown in the header line (default 開発環境(1))", SetName},
    {"--encoding", 0, "utf-8|sjis",
     "output encoding of text and csv: utf-8 (default, lines end in LF) or sjis (Shift-JIS, lines end "
     "in CR LF)",
     SetEncoding},
    {"--format", 0, "text|csv|json|html|xlsx",
     "text (default): the report; csv: a header row, one row per file, one per kind total and the grand "
     "total; json: the settings, the files, the totals and averages (UTF-8 only); html: one page for a "
     "browser with the settings, the totals and averages, the charts and a table of the files, written "
     "when the run has finished (UTF-8 only); xlsx: an Excel workbook of the files and of the kind totals "
     "and averages with a chart (with --diff: the figures per file and per kind), written to the --output "
     "FILE only",
     SetFormat},
    {"--output", 'o', "FILE",
     "with --format xlsx: the workbook's file, replaced only once the count has finished and the workbook "
     "is complete",
     SetOutput},
    {"--jobs", 'j', "N",
     "count files on N threads (default: one per core; the report is the same); "
     "with EucJis=1 files are always counted one after another, and --diff compares its pairs one after "
     "another",
     SetJobs},
    {"--diff", 0, nullptr,
     "count the changes between two versions: the first TARGET is the old one, the second the new one; "
     "reports added, changed and deleted lines of 実行, ｺﾒﾝﾄ and 空行 per file, per kind and in all",
     SetDiff},
    {"--list-languages", 0, nullptr,
     "list the language table (name, kind text, file patterns, comment forms) and exit", SetListLanguages},
    {"--rev", 0, "REV",
     "count each TARGET as it stands in revision REV (a commit, tag or branch) of the git repository "
     "holding it, read from the repository without a checkout; the report is that of a checkout of REV, "
     "the files' times being the commit's",
     SetRevision},
    {"--rev-old", 0, "REV",
     "with --diff and --rev-new: read the old version from revision REV of the git repository holding it; "
     "one TARGET is then the same path in both revisions (two are the old and the new one)",
     SetOldRevision},
    {"--rev-new", 0, "REV", "with --diff and --rev-old: read the new version from revision REV",
     SetNewRevision},
    {"--history", 0, nullptr,
     "write the totals per kind (files, total, exec, comment, blank lines) of TARGET at each commit of the "
     "first-parent history of RANGE (REV, or A..B; default HEAD) of its git repository, oldest first, as "
     "csv (default) or json rows: commit, date, tag, kind and the figures; html: a page with their chart",
     SetHistory},
    {"--tags", 0, nullptr, "with --history: only at the commits a tag marks", SetTags},
    {"--help", 'h', nullptr, "show this help and exit", SetHelp},
    {"--version", 0, nullptr, "show the version and exit", SetVersion},
};

// --history takes [RANGE] TARGET and writes data, not the report.
bool CheckHistory(const CliOptions& options, std::string& error) {
    if (options.TagsOnly && !options.History) {
        error = "--tags goes with --history";
        return false;
    }
    if (!options.History || options.Help || options.Version) return true;
    if (options.Diff || !options.Revision.empty()) {
        error = "--history takes its commits from RANGE; --diff and --rev do not go with it";
        return false;
    }
    if (options.Targets.empty() || options.Targets.size() > 2) {
        error = "--history needs [RANGE] TARGET";
        return false;
    }
    if (options.FormatGiven &&
        (options.OutputFormat == Format::Text || options.OutputFormat == Format::Xlsx)) {
        error = "--history writes csv or json";
        return false;
    }
    return true;
}

// --diff compares exactly two target lines: two TARGETs, or an environment's two lines.
bool CheckDiffTargets(const CliOptions& options, std::string& error) {
    if (options.Diff && !options.Revision.empty()) {
        error = "--rev counts one revision; --diff compares two TARGETs (or --rev-old and --rev-new)";
        return false;
    }
    if (!options.OldRevision.empty() || !options.NewRevision.empty()) {
        if (!options.Diff || options.OldRevision.empty() || options.NewRevision.empty()) {
            error = "--rev-old and --rev-new go together, with --diff";
            return false;
        }
        if (options.Targets.empty() || options.Targets.size() > 2) {
            error = "--diff --rev-old A --rev-new B needs one TARGET, or the old and the new one";
            return false;
        }
        return true;
    }
    if (options.Diff && !options.Help && !options.Version && !options.ListLanguages &&
        options.Targets.size() != 2 && !(options.Targets.empty() && !options.Env.empty())) {
        error = "--diff needs two TARGETs, the old version and the new one";
        return false;
    }
    return true;
}

const OptionDef* FindLong(std::string_view name) {
    for (const auto& o : kOptions)
        if (name == o.Name) return &o;
    return nullptr;
}

const OptionDef* FindShort(char c) {
    for (const auto& o : kOptions)
        if (o.Short != 0 && o.Short == c) return &o;
    return nullptr;
}

}  // namespace

bool ParseArguments(const std::vector<std::string_view>& args, CliOptions& options, std::string& error) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view a = args[i];
        if (optionsEnded || a.size() < 2 || a[0] != '-') {
            options.Targets.emplace_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionDef* opt = nullptr;
        std::string_view inlineArg;
        bool hasInline = false;
        if (a[1] == '-') {
            std::size_t eq = a.find('=');
            if (eq != std::string_view::npos) {
                inlineArg = a.substr(eq + 1);
                hasInline = true;
            }
            opt = FindLong(a.substr(0, eq));
        } else if (a.size() == 2) {
            opt = FindShort(a[1]);
        }
        if (!opt) {
            error = "unknown option '" + std::string(a) + "'";
            return false;
        }
        if (!opt->ArgName) {
            if (hasInline) {
                error = std::string(opt->Name) + " takes no argument";
                return false;
            }
        } else if (!hasInline) {
            if (i + 1 >= args.size()) {
                error = std::string(opt->Name) + " needs an argument " + opt->ArgName;
                return false;
            }
            inlineArg = args[++i];
        }
        if (!opt->Fn(options, inlineArg, error)) return false;
    }
    if ((options.OutputFormat == Format::Json || options.OutputFormat == Format::Html) &&
        options.OutputEncoding == Encoding::Sjis) {
        error = std::string("--format ") + (options.OutputFormat == Format::Json ? "json" : "html") +
                " is always UTF-8; --encoding sjis is for text and csv";
        return false;
    }
    if (options.OutputFormat == Format::Xlsx && options.OutputEncoding == Encoding::Sjis) {
        error = "--format xlsx is always Unicode; --encoding sjis is for text and csv";
        return false;
    }
    // A workbook is binary: it never goes to standard output, which may be a terminal.
    if (!options.Help && !options.Version &&
        (options.OutputFormat == Format::Xlsx) != !options.OutputFile.empty()) {
        error = options.OutputFile.empty() ? "--format xlsx needs --output FILE"
                                           : "--output goes with --format xlsx (the other formats go to "
                                             "standard output)";
        return false;
    }
    if (!options.Help && !options.Version && !options.ListLanguages && options.Targets.empty() &&
        options.Env.empty()) {
        error = "no TARGET given";
        return false;
    }
    return CheckHistory(options, error) && CheckDiffTargets(options, error);
}

bool ResolveOptions(CliOptions& o, const std::string& programFile, std::string& error) {
    if (o.IniFile.empty() && o.Env.empty()) return true;
    settings::ProgramPaths paths;
    if (!o.IniFile.empty()) {
        if (::access(o.IniFile.c_str(), R_OK) != 0) {
            error = "--ini: cannot read '" + o.IniFile + "': " + std::strerror(errno);
            return false;
        }
        paths = settings::PathsForIniFile(programFile, o.IniFile);
    } else {
        // The desktop program's INI file: it lies beside zarnik-count's folder's zarnik.
        std::size_t slash = programFile.rfind('/');
        std::string folder = slash == std::string::npos ? "." : programFile.substr(0, slash);
        paths = settings::LocateProgramPaths(folder + "/zarnik");
    }
    settings::ProgramState st = settings::MakeStartState(paths, 0, 0);
    // Reading never carries out a save record found beside the file: it is data.
    settings::LoadReport report = settings::LoadSettings(st, settings::LoadPurpose::ReadOnly);
    if (report.IniUnreadable) {
        error = "cannot read the INI file '" + st.Paths.ReadIniPath + "'";
        return false;
    }
    if (!o.IniFile.empty()) {
        o.Cnf = st.Cnf;
        for (const std::string& set : o.Sets)
            if (!ApplySet(o.Cnf, set, error)) return false;
    }
    if (o.Env.empty()) return true;
    int pos = settings::FindEnvironment(st.Envs, o.Env);
    if (pos < 0) {
        error = "--env: no environment '" + text::SjisToUtf8(o.Env) + "' in '" + st.Paths.ReadIniPath + "'";
        return false;
    }
    const settings::Environment& env = st.Envs.At(pos);
    if (!o.NameGiven) o.EnvName = env.EnvName;
    if (o.Targets.empty()) o.Targets = env.TargetLines;
    return CheckDiffTargets(o, error);
}

std::string ShortUsage() {
    return "Usage: zarnik-count [--ini FILE] [--env N|NAME] [--set KEY=VALUE]... [--name TEXT]\n"
           "       zarnik-count [OPTION]... --diff OLD NEW\n"
           "       zarnik-count [OPTION]... --rev REV TARGET...\n"
           "       zarnik-count [OPTION]... --diff --rev-old A --rev-new B TARGET [NEW]\n"
           "       zarnik-count [OPTION]... --history [--tags] [RANGE] TARGET\n"
           "Try 'zarnik-count --help' for more information.\n";
}

std::string HelpText() {
    std::string s =
        "Usage: zarnik-count [OPTION]... TARGET...\n"
        "       zarnik-count [OPTION]... --diff OLD NEW\n"
        "       zarnik-count [OPTION]... --rev REV TARGET...\n"
        "       zarnik-count [OPTION]... --diff --rev-old A --rev-new B TARGET [NEW]\n"
        "       zarnik-count [OPTION]... --history [--tags] [RANGE] TARGET\n"
        "Counts total, comment, executable and blank lines of source files and writes\n"
        "the report to standard output. With --diff, counts the lines added, changed\n"
        "and deleted between an old and a new version (each one TARGET).\n"
        "\n"
        "A TARGET is a file, a folder (walked; into subfolders unless Subfol=0), or a\n"
        "pattern whose last part holds * and ? (matched ignoring case; *.* matches\n"
        "every name). Quote patterns so that the shell leaves them alone.\n"
        "\n"
        "Options:\n";
    for (const auto& o : kOptions) {
        std::string head = "  ";
        if (o.Short) head += std::string("-") + o.Short + ", ";
        head += o.Name;
        if (o.ArgName) head += std::string(" ") + o.ArgName;
        s += head + "\n      " + o.Help + "\n";
    }
    s += "\n"
         "A TARGET that finds no file while others do is named in a warning on\n"
         "standard error; the report stays the same.\n"
         "\n"
         "Exit status: 0 report written; 1 no file found; 2 usage error (also a\n"
         "TARGET holding a NUL byte; with --rev, a TARGET in no git repository or a\n"
         "REV its repository lacks); 3 a file or folder could not be read, or memory\n"
         "ran out, or a repository lacks an object it needs or a history is cut short\n"
         "(a shallow clone) (the report so far stays on standard output), or\n"
         "zarnik-count-git, which reads repositories for it, cannot be run;\n"
         "4 standard output (or the --output FILE) could not be written.\n";
    return s;
}

}  // namespace zarnik::cli
