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
#include <memory>
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
    // Removes every line of the section but keeps its header where it stands (and
    // drops later sections of the same name), so that keys written next fill it in
    // place; creates it at the end of the file when there is none.
    void ClearSection(std::string_view section);
    // Removes the key; a section left without any line disappears.
    void DeleteKey(std::string_view section, std::string_view key);

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    struct Line {
        bool isEntry = false;
        std::string foldedKey;  // entries only
        std::string key;        // entries only, as spelled
        std::string raw;        // entries: the stored value text (quotes included)
        std::string text;       // the line as read; empty when it must be rebuilt
    };
    struct Body {
        std::vector<Line> lines;
        // Folded key -> first entry, made only for sections of many lines: most
        // have one or two, and are searched faster than a map is made.
        std::unique_ptr<std::unordered_map<std::string, std::size_t>> index;
        std::size_t entries = 0;  // lines that are entries
        // Whether no key occurs twice, known at once when there is an index.
        bool KeysUnique() const { return index && index->size() == entries; }
        const Line* Find(std::string_view foldedKey) const;
        void Add(Line line);
        void Reindex();
    };
    // Files may hold millions of sections, most of them empty: a section is kept
    // small, its header text lies in headers_, and only one with lines has a Body.
    struct Section {
        std::size_t headerAt = 0;  // the header line as read (or made) in headers_
        std::uint32_t headerLength = 0;
        std::uint32_t nameOffset = 0;  // the name within the header
        std::uint32_t nameLength = 0;
        std::uint32_t nextSame = kNone;  // the next section of the same name
        std::uint32_t lastSame = kNone;  // in the first of a name: the last of it
        bool erased = false;             // left out of the text; its place is kept so indexes stay valid
        std::unique_ptr<Body> body;
    };

    std::string_view Header(const Section& s) const {
        return std::string_view(headers_).substr(s.headerAt, s.headerLength);
    }
    std::string_view Name(const Section& s) const { return Header(s).substr(s.nameOffset, s.nameLength); }
    // The first section of the name (ignoring letter case), or kNone; erased ones never count.
    std::uint32_t FirstNamed(std::string_view name) const;
    // The slot of names_ that holds name's first section, or of where it would go.
    std::size_t Slot(std::string_view name, bool forInsert) const;
    void AddSection(std::string_view header, std::size_t nameOffset, std::size_t nameLength);
    void List(std::uint32_t index);
    void Unlist(std::uint32_t first);
    const Line* FindLine(std::string_view section, std::string_view foldedKey) const;
    Line* FindLine(std::string_view section, std::string_view foldedKey);

    std::vector<std::string> preamble_;  // lines before the first section
    std::vector<Section> sections_;
    std::string headers_;
    // Open addressing by name (letter case ignored): section 0 is a free slot,
    // kTombstone one freed, else the first section of a name + 1, with bits of the
    // name's hash that spare most comparisons. Linear in the number of sections
    // and a few bytes each, where a node-based map took a hundred.
    static constexpr std::uint32_t kTombstone = UINT32_MAX;
    struct NameSlot {
        std::uint32_t section = 0;
        std::uint32_t tag = 0;
    };
    std::vector<NameSlot> names_;
    std::size_t namesUsed_ = 0;  // slots that are not free (tombstones included)
};

// The name folded for comparison: ASCII letters to lower case, double-byte
// characters unchanged.
std::string FoldIniName(std::string_view name);

// Whether a name can be written as a key and read back as the same key: not
// empty, without "=" or a line break, not beginning with ";" or "[" and without
// blanks around it.
bool CanBeIniKey(std::string_view name);

// text cut to at most max bytes without splitting a double-byte character.
std::string_view CutAtCharBoundary(std::string_view text, std::size_t max);

}  // namespace zarnik::settings
