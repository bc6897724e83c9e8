// The languages counted beyond the five built-in kinds, read from a data file:
// each language's names for the report, the file names it claims and the lexical
// rules its lines are classified by (engine/counter_generic.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zarnik::engine {

// One string form of a language.
struct StringForm {
    std::string Open, Close;
    bool Escape = false;    // a backslash escapes the next character
    bool Doubled = false;   // a doubled closer inside is part of the string
    bool Multi = false;     // it may span lines
    bool Char = false;      // one character or one escape, else the opener was code
    bool Doc = false;       // standing alone as a statement, its lines are comment lines
    bool RawDelim = false;  // R"delim( ... )delim"
    bool Hashes = false;    // r#"..."# with any number of '#'
};

struct CommentPair {
    std::string Open, Close;
};

struct Language {
    std::string Name;                       // as shown (UTF-8)
    std::string Kind;                       // 1 to 4 ASCII characters, unpadded
    std::string TotalsLabel, AverageLabel;  // UTF-8
    std::string ExtensionPattern;           // as the Exts section writes one: "*.py,*.pyw"
    std::vector<std::string> Extensions;    // with their leading dot
    std::vector<std::string> FileNames;
    std::vector<std::string> Shebangs;
    std::vector<std::string> LineComments;       // anywhere outside strings
    std::vector<std::string> LineStartComments;  // only as a line's first text
    std::vector<CommentPair> Blocks;
    std::vector<CommentPair> LineStartBlocks;  // markers only in column 1
    std::vector<StringForm> Strings;
    bool NoCase = false;
    bool WordComment = false;
    bool Nested = false;
    bool Splice = false;
    bool Accurate = false;
    std::size_t CommentColumn = 0;  // 1-based; 0: none
    std::string CommentColumnChars;
    std::size_t CodeFirst = 0, CodeLast = 0;  // 1-based columns; 0: the whole line
    std::string HeaderFirst, HeaderRun;       // empty: no designer header
};

// The languages in table order, and what could not be loaded ("file:line: why").
struct LanguageTable {
    std::vector<Language> Languages;
    std::vector<std::string> Errors;

    // nullptr when no language has that name.
    const Language* Find(std::string_view name) const;
};

// The largest language file read: a bigger one is refused as a whole.
inline constexpr std::size_t kMaxLanguageFileBytes = std::size_t{1} << 20;

// Adds the languages of one file's text to table. A section named as a language
// of an earlier file replaces it whole; a second section of one name in the same
// file, and every malformed entry, is an error naming the file and line, and the
// language in error is left out.
void ParseLanguages(std::string_view text, const std::string& fileName, LanguageTable& table);

// Reads and parses each file in order; a file that does not exist is passed over,
// one that cannot be read, is larger than kMaxLanguageFileBytes or is no text is an
// error naming it.
LanguageTable LoadLanguageTable(const std::vector<std::string>& files);

// The shipped table (beside the program in a build folder, else in
// ../share/zarnik/ relative to it) and the user's, in that order.
std::vector<std::string> LanguageFiles(const std::string& programFile, const std::string& configHome);

// The language a file name claims: by whole name first, then by extension; a
// file without an extension by the interpreter its first line names ("#!").
// nullptr when none does.
const Language* LanguageOfName(const LanguageTable& table, std::string_view name, std::string_view firstLine);

// The INI key each language's own extension patterns are stored under, in table
// order: its name in Shift-JIS. Empty for a name the INI file cannot hold as a key
// of its own (one with "=", one beginning with ";" or "[", one Shift-JIS cannot
// spell, one that differs from another language's only in letter case, as keys
// are matched): such a language always counts by the table's extensions.
std::vector<std::string> PatternKeys(const LanguageTable& table);

// The report's width of a UTF-8 label: half-width characters 1, others 2.
std::size_t LabelWidth(std::string_view utf8);

}  // namespace zarnik::engine
