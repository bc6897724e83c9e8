// An INI file held in memory: parsed from Shift-JIS text, changed key by key and
// turned back into text in one piece, so the caller can write it to disk whole.
//
// Layout: "[section]" lines, then "key=value" lines. Section and key names match
// ignoring ASCII letter case (bytes of double-byte characters never fold). Blanks
// around names and values are not part of them; a value written with leading or
// trailing blanks, or enclosed in double quotes, is stored inside a pair of double
// quotes, which a read removes again.
//
// Hand-edited files:
// - CR LF, a lone CR and a lone LF all end a line; blank lines are dropped and the
//   text is written back with CR LF and one blank line between sections.
// - Lines that are neither a section nor "key=value" (comments, a line without "="
//   or with nothing before it) and any line before the first section are kept in
//   place but never read.
// - A key that occurs twice, in one section or in two sections of the same name,
//   reads as its first occurrence; writing changes that occurrence; deleting a key
//   removes every occurrence and erasing a section removes every section of that
//   name, so nothing hidden comes back afterwards. New keys go to the end of the
//   first section of that name, new sections to the end of the file.
// - Lines the program does not change are written back exactly as they were read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zarnik::settings {

class IniFile {
public:
    // A string read returns at most this many bytes (never half a double-byte character).
    static constexpr std::size_t kMaxStringLength = 1023;

    using Pairs = std::vector<std::pair<std::string, std::string>>;

    IniFile() = default;
    explicit IniFile(std::string_view text);

    // The whole file: every line ended by CR LF.
    std::string ToText() const;

    bool HasSection(std::string_view section) const;

    // The whole stored value, or nothing when the key is absent.
    std::optional<std::string> Find(std::string_view section, std::string_view key) const;

    // The value cut to kMaxStringLength bytes, or fallback when the key is absent.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;

    // Decimal, "0x"/"0X" or "$" hexadecimal (ParseIniInteger); fallback when the key is
    // absent or its value is not an integer.
    std::int32_t ReadInteger(std::string_view section, std::string_view key, std::int32_t fallback) const;

    // Every key of the section in file order with its whole value, each key once;
    // keys with nothing after "=" are left out unless includeEmpty is set (a value
    // stored as "" is not left out).
    Pairs ReadSection(std::string_view section, bool includeEmpty = false) const;

    // Sets a key, creating the section when needed. Writing back the cut text that
    // ReadString returned for a longer value keeps the longer value. A line break
    // inside value becomes a blank (it cannot be stored). markEmpty stores an empty
    // value as "" so that ReadSection still lists the key.
    void WriteString(std::string_view section, std::string_view key, std::string_view value,
                     bool markEmpty = false);
    void WriteInteger(std::string_view section, std::string_view key, std::int32_t value);

    void EraseSection(std::string_view section);
    // Removes the key; a section left without any line disappears.
    void DeleteKey(std::string_view section, std::string_view key);

private:
    struct Line {
        bool isEntry = false;
        std::string foldedKey;  // entries only
        std::string key;        // entries only, as spelled
        std::string raw;        // entries: the stored value text (quotes included)
        std::string text;       // the line as read; empty when it must be rebuilt
    };
    struct Section {
        std::string folded;
        std::string name;
        std::string header;  // the header line as read; empty when it must be rebuilt
        std::vector<Line> lines;
        std::unordered_map<std::string, std::size_t> index;  // folded key -> first entry
        bool erased = false;  // left out of the text; its place is kept so indexes stay valid
        void Reindex();
    };

    // The sections of one name, in file order; erased ones are not listed.
    const std::vector<std::size_t>* SectionsNamed(std::string_view folded) const;
    void AddSection(Section s);
    const Line* FindLine(std::string_view folded, std::string_view foldedKey) const;
    Line* FindLine(std::string_view folded, std::string_view foldedKey);

    std::vector<std::string> preamble_;  // lines before the first section
    std::vector<Section> sections_;
    // Folded name -> positions in sections_, so that files with thousands of
    // sections (one per environment) read and write in linear time.
    std::unordered_map<std::string, std::vector<std::size_t>> byName_;
};

// The name folded for comparison: ASCII letters to lower case, double-byte
// characters unchanged.
std::string FoldIniName(std::string_view name);

// text cut to at most max bytes without splitting a double-byte character.
std::string_view CutAtCharBoundary(std::string_view text, std::size_t max);

}  // namespace zarnik::settings
