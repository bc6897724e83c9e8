// zarnik-count's command line: one option table drives parsing and --help.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "settings/settings.h"
#include "text/sjis.h"

namespace zarnik::cli {

enum class Encoding { Utf8, Sjis };
// text: the report's lines; csv and json: the results as data; html: a page for a
// browser; xlsx: a workbook (to --output).
enum class Format { Text, Csv, Json, Html, Xlsx };

struct CliOptions {
    settings::Settings Cnf = settings::MakeDefaultSettings();
    std::string EnvName = text::Utf8ToSjis("開発環境(1)");  // Shift-JIS
    Encoding OutputEncoding = Encoding::Utf8;
    Format OutputFormat = Format::Text;
    std::vector<std::string> Targets;  // native target lines, as the shell gave them
    unsigned Threads = 0;              // threads that count; 0 is one per core
    bool Help = false;
    bool Version = false;
    bool ListLanguages = false;  // print the language table and exit
    bool NameGiven = false;
    // --diff: the two TARGETs are the old and the new version of a change count.
    bool Diff = false;
    // --rev: the TARGETs are counted as they stand in this revision of their git
    // repository; empty when not given.
    std::string Revision;
    // --rev-old, --rev-new: with --diff, the revisions the old and the new version
    // are read from; empty when not given.
    std::string OldRevision, NewRevision;
    // --history: the totals at each commit of a history; TARGETs are [RANGE] TARGET.
    bool History = false;
    bool TagsOnly = false;     // --tags: only at the tagged commits
    bool FormatGiven = false;  // --format was given (a history is csv unless it says json)
    std::string OutputFile;    // --output: native path, empty when not given

    // Applied by ResolveOptions once every argument is read: the INI file first,
    // then the --set overrides in their order, then the environment.
    std::string IniFile;            // native path, empty when not given
    std::vector<std::string> Sets;  // KEY=VALUE, UTF-8
    std::string Env;                // N or NAME (Shift-JIS), empty when not given
};

// Fills options from the arguments after the program name. Returns false with a
// message naming the offending argument for a usage error.
bool ParseArguments(const std::vector<std::string_view>& args, CliOptions& options, std::string& error);

// Loads the INI file (--ini, or the desktop program's own INI file for --env
// alone), applies the --set overrides and takes the environment's target lines
// and name. programFile is this program's path. Returns false with a message.
bool ResolveOptions(CliOptions& options, const std::string& programFile, std::string& error);

// The full usage text of --help, generated from the option table.
std::string HelpText();
// The short usage text shown after a usage error.
std::string ShortUsage();

}  // namespace zarnik::cli
