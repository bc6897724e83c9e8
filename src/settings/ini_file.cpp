#include "settings/ini_file.h"

#include <algorithm>
#include <string>
#include <unordered_set>

#include "settings/settings.h"
#include "text/sjis.h"

namespace zarnik::settings {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

bool IsQuoted(std::string_view s) { return s.size() >= 2 && s.front() == '"' && s.back() == '"'; }

std::string_view Unquote(std::string_view raw) { return IsQuoted(raw) ? raw.substr(1, raw.size() - 2) : raw; }

// The text stored after "=" for a value.
std::string Encode(std::string_view value, bool markEmpty) {
    std::string v(value);
    std::replace_if(
        v.begin(), v.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    if (v.empty()) return markEmpty ? "\"\"" : "";
    if (IsBlank(v.front()) || IsBlank(v.back()) || IsQuoted(v)) return '"' + v + '"';
    return v;
}

// Position of the "]" closing a section header that starts with "[", or npos.
// "]" can be the second byte of a double-byte character, so the scan steps by character.
std::size_t FindClosingBracket(std::string_view line) {
    for (std::size_t i = 1; i < line.size(); i += text::CharLength(line, i))
        if (line[i] == ']') return i;
    return std::string_view::npos;
}

}  // namespace

std::string FoldIniName(std::string_view name) {
    std::string out;
    out.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        std::size_t len = text::CharLength(name, i);
        if (len == 2) {
            out.append(name.substr(i, 2));
        } else {
            out.push_back(static_cast<char>(text::AsciiLower(static_cast<unsigned char>(name[i]))));
        }
        i += len;
    }
    return out;
}

std::string_view CutAtCharBoundary(std::string_view s, std::size_t max) {
    if (s.size() <= max) return s;
    std::size_t pos = 0;
    while (pos < s.size()) {
        std::size_t len = text::CharLength(s, pos);
        if (pos + len > max) break;
        pos += len;
    }
    return s.substr(0, pos);
}

void IniFile::Section::Reindex() {
    index.clear();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].isEntry) index.emplace(lines[i].foldedKey, i);
}

IniFile::IniFile(std::string_view content) {
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t end = content.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = content.size();
        std::string_view line = content.substr(pos, end - pos);
        pos = end;
        if (pos < content.size())
            pos += (content[pos] == '\r' && pos + 1 < content.size() && content[pos + 1] == '\n') ? 2 : 1;

        std::string_view t = Trim(line);
        if (t.empty()) continue;
        if (t.front() == '[') {
            std::size_t close = FindClosingBracket(t);
            if (close != std::string_view::npos) {
                Section s;
                s.name = std::string(Trim(t.substr(1, close - 1)));
                s.folded = FoldIniName(s.name);
                s.header = std::string(line);
                AddSection(std::move(s));
                continue;
            }
        }
        Line l;
        l.text = std::string(line);
        std::size_t eq = t.find('=');
        if (t.front() != ';' && eq != std::string_view::npos && !Trim(t.substr(0, eq)).empty()) {
            l.isEntry = true;
            l.key = std::string(Trim(t.substr(0, eq)));
            l.foldedKey = FoldIniName(l.key);
            l.raw = std::string(Trim(t.substr(eq + 1)));
        }
        if (sections_.empty()) {
            preamble_.push_back(std::move(l.text));
        } else {
            Section& s = sections_.back();
            if (l.isEntry) s.index.emplace(l.foldedKey, s.lines.size());
            s.lines.push_back(std::move(l));
        }
    }
}

std::string IniFile::ToText() const {
    std::string out;
    for (const auto& p : preamble_) out.append(p).append(kLineEnd);
    for (const auto& s : sections_) {
        if (s.erased) continue;
        if (!out.empty()) out.append(kLineEnd);
        if (s.header.empty())
            out.append("[").append(s.name).append("]");
        else
            out.append(s.header);
        out.append(kLineEnd);
        for (const auto& l : s.lines) {
            if (l.text.empty())
                out.append(l.key).append("=").append(l.raw);
            else
                out.append(l.text);
            out.append(kLineEnd);
        }
    }
    return out;
}

void IniFile::AddSection(Section s) {
    byName_[s.folded].push_back(sections_.size());
    sections_.push_back(std::move(s));
}

const std::vector<std::size_t>* IniFile::SectionsNamed(std::string_view folded) const {
    auto it = byName_.find(std::string(folded));
    return it == byName_.end() ? nullptr : &it->second;
}

bool IniFile::HasSection(std::string_view section) const {
    return SectionsNamed(FoldIniName(section)) != nullptr;
}

const IniFile::Line* IniFile::FindLine(std::string_view folded, std::string_view foldedKey) const {
    const auto* named = SectionsNamed(folded);
    if (!named) return nullptr;
    std::string key(foldedKey);
    for (std::size_t i : *named) {
        const Section& s = sections_[i];
        auto it = s.index.find(key);
        if (it != s.index.end()) return &s.lines[it->second];
    }
    return nullptr;
}

IniFile::Line* IniFile::FindLine(std::string_view folded, std::string_view foldedKey) {
    return const_cast<Line*>(static_cast<const IniFile*>(this)->FindLine(folded, foldedKey));
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
    const Line* l = FindLine(FoldIniName(section), FoldIniName(key));
    if (!l) return std::nullopt;
    return std::string(Unquote(l->raw));
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    const Line* l = FindLine(FoldIniName(section), FoldIniName(key));
    if (!l) return std::string(fallback);
    return std::string(CutAtCharBoundary(Unquote(l->raw), kMaxStringLength));
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t fallback) const {
    const Line* l = FindLine(FoldIniName(section), FoldIniName(key));
    return l ? IniIntegerOr(Unquote(l->raw), fallback) : fallback;
}

IniFile::Pairs IniFile::ReadSection(std::string_view section, bool includeEmpty) const {
    Pairs out;
    const auto* named = SectionsNamed(FoldIniName(section));
    if (!named) return out;
    std::unordered_set<std::string> seen;
    for (std::size_t i : *named) {
        for (const auto& l : sections_[i].lines) {
            if (!l.isEntry || !seen.insert(l.foldedKey).second) continue;
            if (l.raw.empty() && !includeEmpty) continue;
            out.emplace_back(l.key, std::string(Unquote(l.raw)));
        }
    }
    return out;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value,
                          bool markEmpty) {
    std::string folded = FoldIniName(section);
    std::string foldedKey = FoldIniName(key);
    std::string raw = Encode(value, markEmpty);
    if (Line* l = FindLine(folded, foldedKey)) {
        std::string_view current = Unquote(l->raw);
        if (current.size() > kMaxStringLength && CutAtCharBoundary(current, kMaxStringLength) == value)
            return;
        if (l->raw == raw) return;  // the line keeps its spelling
        l->raw = std::move(raw);
        l->text.clear();
        return;
    }
    if (!SectionsNamed(folded)) {
        Section s;
        s.name = std::string(section);
        s.folded = folded;
        AddSection(std::move(s));
    }
    Section& first = sections_[SectionsNamed(folded)->front()];  // new keys go to the first of the name
    Line l;
    l.isEntry = true;
    l.key = std::string(key);
    l.foldedKey = foldedKey;
    l.raw = std::move(raw);
    first.index.emplace(std::move(foldedKey), first.lines.size());
    first.lines.push_back(std::move(l));
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::EraseSection(std::string_view section) {
    auto it = byName_.find(FoldIniName(section));
    if (it == byName_.end()) return;
    for (std::size_t i : it->second) {
        sections_[i].erased = true;
        sections_[i].lines.clear();
        sections_[i].index.clear();
    }
    byName_.erase(it);
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
    auto named = byName_.find(FoldIniName(section));
    if (named == byName_.end()) return;
    std::string foldedKey = FoldIniName(key);
    std::erase_if(named->second, [&](std::size_t i) {
        Section& s = sections_[i];
        if (!s.index.contains(foldedKey)) return false;
        std::erase_if(s.lines, [&](const Line& l) { return l.isEntry && l.foldedKey == foldedKey; });
        s.Reindex();
        if (!s.lines.empty()) return false;
        s.erased = true;
        return true;
    });
    if (named->second.empty()) byName_.erase(named);
}

}  // namespace zarnik::settings
