#include "cli/options.h"

#include "text/sjis.h"

namespace zarnik::cli {

namespace {

// Applies one option's argument; returns false with a message on a bad argument.
using Apply = bool (*)(CliOptions&, std::string_view arg, std::string& error);

struct OptionSpec {
    const char* Name;     // "--set"
    char Short;           // 'h', or 0
    const char* ArgName;  // nullptr for a flag
    const char* Help;
    Apply Fn;
};

bool SetKey(CliOptions& o, std::string_view arg, std::string& error) {
    std::size_t eq = arg.find('=');
    if (eq == std::string_view::npos || eq == 0) {
        error = "--set: expected KEY=VALUE, got '" + std::string(arg) + "'";
        return false;
    }
    std::string_view key = arg.substr(0, eq), value = arg.substr(eq + 1);
    for (const auto& k : settings::SetteiIntKeys()) {
        if (!text::EqualsNoCase(key, k.Key)) continue;
        if (!settings::ParseIniInteger(value, o.Cnf.*k.Field)) {
            error = "--set " + std::string(key) + ": not an integer: '" + std::string(value) + "'";
            return false;
        }
        return true;
    }
    const auto& exts = settings::ExtsKeys();
    for (std::size_t i = 0; i < exts.size(); ++i) {
        if (!text::EqualsNoCase(key, exts[i])) continue;
        o.Cnf.Exts[i] = text::Utf8ToSjis(value);
        settings::RebuildExtensionLists(o.Cnf);
        return true;
    }
    error = "--set: unknown key '" + std::string(key) + "'";
    return false;
}

bool SetName(CliOptions& o, std::string_view arg, std::string&) {
    o.EnvName = text::Utf8ToSjis(arg);
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

bool SetHelp(CliOptions& o, std::string_view, std::string&) {
    o.Help = true;
    return true;
}

const OptionSpec kOptions[] = {
    {"--set", 0, "KEY=VALUE",
     "set one key of the INI sections Settei or Exts (ignoring case), e.g. FlSort=0, FmSizeIndex=1, "
     "Csrc=*.c,*.cc; may be repeated",
     SetKey},
    {"--name", 0, "TEXT", "environment name shown in the header line (default 開発環境(1))", SetName},
    {"--encoding", 0, "utf-8|sjis",
     "output encoding: utf-8 (default, lines end in LF) or sjis (Shift-JIS, lines end in CR LF)",
     SetEncoding},
    {"--jobs", 'j', "N",
     "count files on N threads (default: one per core; the report is the same); "
     "with EucJis=1 files are always counted one after another",
     SetJobs},
    {"--help", 'h', nullptr, "show this help and exit", SetHelp},
};

const OptionSpec* FindLong(std::string_view name) {
    for (const auto& o : kOptions)
        if (name == o.Name) return &o;
    return nullptr;
}

const OptionSpec* FindShort(char c) {
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
            options.Targets.push_back(text::Utf8ToSjis(a));
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        const OptionSpec* spec = nullptr;
        std::string_view inlineArg;
        bool hasInline = false;
        if (a[1] == '-') {
            std::size_t eq = a.find('=');
            if (eq != std::string_view::npos) {
                inlineArg = a.substr(eq + 1);
                hasInline = true;
            }
            spec = FindLong(a.substr(0, eq));
        } else if (a.size() == 2) {
            spec = FindShort(a[1]);
        }
        if (!spec) {
            error = "unknown option '" + std::string(a) + "'";
            return false;
        }
        if (!spec->ArgName) {
            if (hasInline) {
                error = std::string(spec->Name) + " takes no argument";
                return false;
            }
        } else if (!hasInline) {
            if (i + 1 >= args.size()) {
                error = std::string(spec->Name) + " needs an argument " + spec->ArgName;
                return false;
            }
            inlineArg = args[++i];
        }
        if (!spec->Fn(options, inlineArg, error)) return false;
    }
    if (!options.Help && options.Targets.empty()) {
        error = "no TARGET given";
        return false;
    }
    return true;
}

std::string ShortUsage() {
    return "Usage: zarnik-count [--set KEY=VALUE]... [--name TEXT] [--encoding utf-8|sjis] [--jobs N] "
           "TARGET...\n"
           "Try 'zarnik-count --help' for more information.\n";
}

std::string HelpText() {
    std::string s =
        "Usage: zarnik-count [OPTION]... TARGET...\n"
        "Counts total, comment, executable and blank lines of source files and writes\n"
        "the report to standard output.\n"
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
         "Exit status: 0 report written; 1 no file found; 2 usage error;\n"
         "3 a file could not be read (the report so far stays on standard output);\n"
         "4 standard output could not be written.\n";
    return s;
}

}  // namespace zarnik::cli
