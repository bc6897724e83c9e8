#include "engine/language_table.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "settings/ini_file.h"
#include "settings/settings.h"
#include "text/sjis.h"

namespace zarnik::engine {

namespace {

constexpr std::size_t kMaxLabelWidth = 16;
// Markers and forms of one language: every one is tried where a line may hold
// one, and the counter numbers them in 16 bits.
constexpr std::size_t kMaxForms = 64;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        // Most of a language file is ASCII: passed over without the full check.
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = text::WellFormedUtf8Length(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (IsBlank(s.front()) || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (IsBlank(s.back()) || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

std::vector<std::string> Tokens(std::string_view value) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < value.size()) {
        while (i < value.size() && IsBlank(value[i])) ++i;
        const std::size_t start = i;
        while (i < value.size() && !IsBlank(value[i])) ++i;
        if (i > start) out.emplace_back(value.substr(start, i - start));
    }
    return out;
}

// Markers are matched against Shift-JIS text byte by byte: printable ASCII only.
bool IsMarker(std::string_view token) {
    return !token.empty() && token.size() <= 16 &&
           std::all_of(token.begin(), token.end(), [](char c) { return c > ' ' && c < 0x7F; });
}

// One section being read: the language and whether a line of it was in error.
struct Section {
    Language Lang;
    std::size_t Line = 0;
    bool Failed = false;
    bool Open = false;
    std::vector<std::string_view> Keys;  // the keys seen, each allowed once (but string)
};

class Parser {
public:
    Parser(const std::string& fileName, LanguageTable& table) : fileName_(fileName), table_(table) {}

    void Line(std::string_view raw, std::size_t number) {
        const std::string_view line = Trim(raw);
        if (line.empty() || line.front() == '#') return;
        if (line.front() == '[') {
            Finish();
            StartSection(line, number);
            return;
        }
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos) return Error(number, "neither [Name] nor key = value");
        if (!section_.Open) return Error(number, "a key before the first [Name]");
        const std::string_view key = Trim(line.substr(0, eq));
        const std::string_view value = Trim(line.substr(eq + 1));
        if (key != "string" &&
            std::find(section_.Keys.begin(), section_.Keys.end(), key) != section_.Keys.end())
            return Error(number, "a second '" + std::string(key) + "'");
        section_.Keys.push_back(key);
        if (!Value(key, value))
            Error(number, why_.empty() ? "bad value of '" + std::string(key) + "'" : why_);
        why_.clear();
    }

    void Finish() {
        if (!section_.Open) return;
        Language& lang = section_.Lang;
        if (!section_.Failed) {
            if (lang.Kind.empty())
                Error(section_.Line, "no kind");
            else if (lang.ExtensionPattern.empty() && lang.FileNames.empty() && lang.Shebangs.empty())
                Error(section_.Line, "none of extensions, filenames and shebang");
            else if (lang.LineComments.size() + lang.LineStartComments.size() + lang.Blocks.size() +
                         lang.LineStartBlocks.size() + lang.Strings.size() >
                     kMaxForms)
                Error(section_.Line, "more than 64 comment and string forms");
        }
        if (!section_.Failed) {
            const std::string kind(Trim(lang.Kind));
            if (lang.TotalsLabel.empty()) lang.TotalsLabel = "□" + kind + "･ｿｰｽ 合計";
            if (lang.AverageLabel.empty()) lang.AverageLabel = "□" + kind + "･ｿｰｽ 平均";
            if (LabelWidth(lang.TotalsLabel) > kMaxLabelWidth ||
                LabelWidth(lang.AverageLabel) > kMaxLabelWidth)
                Error(section_.Line, "a label wider than 16 columns");
        }
        if (!section_.Failed) Add(std::move(lang));
        section_ = Section{};
    }

private:
    void Error(std::size_t line, const std::string& why) {
        table_.Errors.push_back(fileName_ + ":" + std::to_string(line) + ": " + why);
        section_.Failed = true;
    }

    void StartSection(std::string_view line, std::size_t number) {
        section_ = Section{};
        section_.Open = true;
        section_.Line = number;
        const std::string_view name = line.back() == ']' ? Trim(line.substr(1, line.size() - 2)) : "";
        if (name.empty()) return Error(number, "a section is written [Name]");
        if (std::find(names_.begin(), names_.end(), name) != names_.end())
            return Error(number, "a second section [" + std::string(name) + "]");
        names_.push_back(name);
        section_.Lang.Name = std::string(name);
    }

    // A language of an earlier file with the same name is replaced where it stood.
    void Add(Language lang) {
        for (Language& l : table_.Languages)
            if (l.Name == lang.Name) {
                l = std::move(lang);
                return;
            }
        table_.Languages.push_back(std::move(lang));
    }

    bool Value(std::string_view key, std::string_view value);
    bool Flag(std::string_view value, bool& out);
    bool Markers(std::string_view value, std::vector<std::string>& out);
    bool Pairs(std::string_view value, std::vector<CommentPair>& out);
    bool String(std::string_view value);
    bool Columns(std::string_view value, std::size_t& a, std::size_t* b, std::string* chars);

    std::string fileName_;
    LanguageTable& table_;
    Section section_;
    std::vector<std::string_view> names_;  // into the text parsed, which outlives the parser
    std::string why_;
};

bool Parser::Value(std::string_view key, std::string_view value) {
    Language& l = section_.Lang;
    if (key == "kind") {
        l.Kind = std::string(value);
        return IsMarker(value) && value.size() <= 4;
    }
    if (key == "totals" || key == "average") {
        (key == "totals" ? l.TotalsLabel : l.AverageLabel) = std::string(value);
        return !value.empty() && IsUtf8(value);
    }
    if (key == "extensions") {
        l.ExtensionPattern = std::string(value);
        l.Extensions = settings::ExtensionsOf(l.ExtensionPattern);
        return !l.Extensions.empty() && text::IsAscii(value);
    }
    if (key == "filenames") {
        l.FileNames = Tokens(value);
        return !l.FileNames.empty();
    }
    if (key == "shebang") return Markers(value, l.Shebangs);
    if (key == "line") return Markers(value, l.LineComments);
    if (key == "linestart") return Markers(value, l.LineStartComments);
    if (key == "block") return Pairs(value, l.Blocks);
    if (key == "blockstart") return Pairs(value, l.LineStartBlocks);
    if (key == "string") return String(value);
    if (key == "nocase") return Flag(value, l.NoCase);
    if (key == "wordcomment") return Flag(value, l.WordComment);
    if (key == "nested") return Flag(value, l.Nested);
    if (key == "splice") return Flag(value, l.Splice);
    if (key == "accurate") return Flag(value, l.Accurate);
    if (key == "columncomment") return Columns(value, l.CommentColumn, nullptr, &l.CommentColumnChars);
    if (key == "codecolumns") return Columns(value, l.CodeFirst, &l.CodeLast, nullptr);
    if (key == "header") {
        const std::vector<std::string> words = Tokens(value);
        if (words.size() != 2) return false;
        l.HeaderFirst = words[0];
        l.HeaderRun = words[1];
        return IsMarker(words[0]) && IsMarker(words[1]);
    }
    why_ = "unknown key '" + std::string(key) + "'";
    return false;
}

bool Parser::Flag(std::string_view value, bool& out) {
    if (value != "0" && value != "1") return false;
    out = value == "1";
    return true;
}

bool Parser::Markers(std::string_view value, std::vector<std::string>& out) {
    out = Tokens(value);
    return !out.empty() && std::all_of(out.begin(), out.end(), IsMarker);
}

bool Parser::Pairs(std::string_view value, std::vector<CommentPair>& out) {
    const std::vector<std::string> t = Tokens(value);
    if (t.empty() || t.size() % 2 != 0 || !std::all_of(t.begin(), t.end(), IsMarker)) return false;
    for (std::size_t i = 0; i < t.size(); i += 2) out.push_back({t[i], t[i + 1]});
    return true;
}

bool Parser::String(std::string_view value) {
    const std::vector<std::string> t = Tokens(value);
    if (t.size() < 2 || !IsMarker(t[0]) || !IsMarker(t[1])) return false;
    StringForm s;
    s.Open = t[0];
    s.Close = t[1];
    const std::pair<const char*, bool StringForm::*> flags[] = {
        {"esc", &StringForm::Escape},   {"double", &StringForm::Doubled}, {"multi", &StringForm::Multi},
        {"char", &StringForm::Char},    {"doc", &StringForm::Doc},        {"rawdelim", &StringForm::RawDelim},
        {"hashes", &StringForm::Hashes}};
    for (std::size_t i = 2; i < t.size(); ++i) {
        auto f =
            std::find_if(std::begin(flags), std::end(flags), [&](const auto& p) { return t[i] == p.first; });
        if (f == std::end(flags)) {
            why_ = "unknown string flag '" + t[i] + "'";
            return false;
        }
        s.*(f->second) = true;
    }
    // A raw string's opener ends in the quote its delimiter follows.
    if ((s.RawDelim || s.Hashes) && s.Open.back() != '"') return false;
    section_.Lang.Strings.push_back(std::move(s));
    return true;
}

bool Parser::Columns(std::string_view value, std::size_t& a, std::size_t* b, std::string* chars) {
    const std::vector<std::string> t = Tokens(value);
    auto number = [](const std::string& s, std::size_t& out) {
        if (s.empty() || s.size() > 3 ||
            !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        out = static_cast<std::size_t>(std::stoi(s));
        return out >= 1 && out <= 511;
    };
    if (t.size() < 2 || !number(t[0], a)) return false;
    if (b) return t.size() == 2 && number(t[1], *b) && *b >= a;
    for (std::size_t i = 1; i < t.size(); ++i) {
        if (t[i].size() != 1 || !IsMarker(t[i])) return false;
        chars->push_back(t[i][0]);
    }
    return true;
}

// Reads at most kMaxLanguageFileBytes + 1 bytes of a regular file; false with a
// reason when it cannot (a missing file gives true and nothing).
bool ReadBounded(const std::string& path, std::string& out, bool& exists, std::string& why) {
    exists = false;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        if (errno == ENOENT || errno == ENOTDIR) return true;
        why = std::strerror(errno);
        return false;
    }
    exists = true;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!ok) why = "not a regular file";
    out.clear();
    char buf[65536];
    while (ok && out.size() <= kMaxLanguageFileBytes) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            why = std::strerror(errno);
            ok = false;
        }
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (ok && out.size() > kMaxLanguageFileBytes) {
        why = "larger than 1 MiB";
        ok = false;
    }
    return ok;
}

std::string_view ExtensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? std::string_view() : name.substr(dot);
}

// The interpreter a "#!" line names: the last path part of its first word, or the
// word after "env" (its options passed over).
std::string_view Interpreter(std::string_view firstLine) {
    if (firstLine.substr(0, 2) != "#!") return {};
    std::vector<std::string_view> words;
    std::size_t i = 2;
    while (i < firstLine.size() && words.size() < 8) {
        while (i < firstLine.size() && (IsBlank(firstLine[i]) || firstLine[i] == '\r')) ++i;
        const std::size_t start = i;
        while (i < firstLine.size() && !IsBlank(firstLine[i]) && firstLine[i] != '\r') ++i;
        if (i > start) words.push_back(firstLine.substr(start, i - start));
    }
    auto last = [](std::string_view w) {
        const std::size_t slash = w.rfind('/');
        return slash == std::string_view::npos ? w : w.substr(slash + 1);
    };
    if (words.empty()) return {};
    if (last(words[0]) != "env") return last(words[0]);
    for (std::size_t w = 1; w < words.size(); ++w)
        if (words[w].front() != '-' && words[w].find('=') == std::string_view::npos) return last(words[w]);
    return {};
}

// "python3.11" is "python3" and "python"'s: a version of digits and dots may follow.
bool InterpreterMatches(std::string_view got, std::string_view want) {
    if (got.substr(0, want.size()) != want) return false;
    const std::string_view rest = got.substr(want.size());
    return std::all_of(rest.begin(), rest.end(), [](char c) { return (c >= '0' && c <= '9') || c == '.'; });
}

}  // namespace

const Language* LanguageTable::Find(std::string_view name) const {
    for (const Language& l : Languages)
        if (l.Name == name) return &l;
    return nullptr;
}

void ParseLanguages(std::string_view text, const std::string& fileName, LanguageTable& table) {
    Parser parser(fileName, table);
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        parser.Line(text.substr(0, end), ++number);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    parser.Finish();
}

LanguageTable LoadLanguageTable(const std::vector<std::string>& files) {
    LanguageTable table;
    std::string content, why;
    for (const std::string& file : files) {
        bool exists = false;
        if (!ReadBounded(file, content, exists, why)) {
            table.Errors.push_back(std::string(file).append(": ").append(why));
            continue;
        }
        if (!exists) continue;
        if (content.find('\0') != std::string::npos || !IsUtf8(content)) {
            table.Errors.push_back(file + ": not UTF-8 text");
            continue;
        }
        ParseLanguages(content, file, table);
    }
    return table;
}

std::vector<std::string> LanguageFiles(const std::string& programFile, const std::string& configHome) {
    const std::filesystem::path program(programFile);
    std::error_code ec;
    std::filesystem::path shipped = program.parent_path() / "languages.conf";
    if (!std::filesystem::exists(shipped, ec))
        shipped = program.parent_path().parent_path() / "share" / "zarnik" / "languages.conf";
    return {shipped.string(), (std::filesystem::path(configHome) / "zarnik" / "languages.conf").string()};
}

const Language* LanguageOfName(const LanguageTable& table, std::string_view name,
                               std::string_view firstLine) {
    const std::size_t slash = name.rfind('/');
    if (slash != std::string_view::npos) name = name.substr(slash + 1);
    for (const Language& l : table.Languages)
        for (const std::string& f : l.FileNames)
            if (f == name) return &l;
    const std::string_view ext = ExtensionOf(name);
    if (!ext.empty()) {
        for (const Language& l : table.Languages)
            for (const std::string& e : l.Extensions)
                if (text::EqualsNoCase(ext, e)) return &l;
        return nullptr;
    }
    const std::string_view interpreter = Interpreter(firstLine);
    if (interpreter.empty()) return nullptr;
    for (const Language& l : table.Languages)
        for (const std::string& s : l.Shebangs)
            if (InterpreterMatches(interpreter, s)) return &l;
    return nullptr;
}

std::vector<std::string> PatternKeys(const LanguageTable& table) {
    std::vector<std::string> keys, folded;
    for (const Language& l : table.Languages) {
        std::string key = text::Utf8ToSjis(l.Name);
        if (!settings::CanBeIniKey(key) || text::SjisToUtf8(key) != l.Name) key.clear();
        folded.push_back(settings::FoldIniName(key));
        keys.push_back(std::move(key));
    }
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (!keys[i].empty() && std::count(folded.begin(), folded.end(), folded[i]) > 1) keys[i].clear();
    return keys;
}

std::size_t LabelWidth(std::string_view utf8) {
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t n = std::max<std::size_t>(1, text::Utf8CharLength(utf8, i));
        // Half-width katakana (U+FF61..U+FF9F) are EF BD A1..EF BE 9F.
        const bool halfKana = n == 3 && static_cast<unsigned char>(utf8[i]) == 0xEF &&
                              ((static_cast<unsigned char>(utf8[i + 1]) == 0xBD &&
                                static_cast<unsigned char>(utf8[i + 2]) >= 0xA1) ||
                               static_cast<unsigned char>(utf8[i + 1]) == 0xBE);
        width += n == 1 || halfKana ? 1 : 2;
        i += n;
    }
    return width;
}

}  // namespace zarnik::engine
