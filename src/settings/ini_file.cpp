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

bool CanBeIniKey(std::string_view name) {
    return !name.empty() && name.find_first_of("=\r\n") == std::string_view::npos && name.front() != ';' &&
           name.front() != '[' && Trim(name).size() == name.size();
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

constexpr std::size_t kIndexedLines = 16;

const IniFile::Line* IniFile::Body::Find(std::string_view foldedKey) const {
    if (index) {
        auto it = index->find(std::string(foldedKey));
        return it == index->end() ? nullptr : &lines[it->second];
    }
    for (const Line& l : lines)
        if (l.isEntry && l.foldedKey == foldedKey) return &l;
    return nullptr;
}

void IniFile::Body::Add(Line line) {
    if (line.isEntry) ++entries;
    lines.push_back(std::move(line));
    if (index) {
        if (lines.back().isEntry) index->emplace(lines.back().foldedKey, lines.size() - 1);
    } else if (lines.size() > kIndexedLines) {
        Reindex();
    }
}

void IniFile::Body::Reindex() {
    index.reset();
    entries = static_cast<std::size_t>(
        std::count_if(lines.begin(), lines.end(), [](const Line& l) { return l.isEntry; }));
    if (lines.size() <= kIndexedLines) return;
    index = std::make_unique<std::unordered_map<std::string, std::size_t>>();
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (lines[i].isEntry) index->emplace(lines[i].foldedKey, i);
}

namespace {

// Hash and equality of names as FoldIniName folds them, without making the folded copy.
std::uint64_t FoldedHash(std::string_view name) {
    std::uint64_t h = 14695981039346656037ull;
    for (std::size_t i = 0; i < name.size();) {
        std::size_t len = text::CharLength(name, i);
        for (std::size_t k = 0; k < len; ++k) {
            unsigned char c = static_cast<unsigned char>(name[i + k]);
            h = (h ^ (len == 1 ? text::AsciiLower(c) : c)) * 1099511628211ull;
        }
        i += len;
    }
    // FNV's low bits depend only on the characters' low bits: mix before they pick a slot.
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    return h ^ (h >> 33);
}

bool SameFolded(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size();) {
        std::size_t len = text::CharLength(a, i);
        if (len == 2 ? a.substr(i, 2) != b.substr(i, 2)
                     : text::AsciiLower(static_cast<unsigned char>(a[i])) !=
                           text::AsciiLower(static_cast<unsigned char>(b[i])))
            return false;
        i += len;
    }
    return true;
}

}  // namespace

IniFile::IniFile(std::string_view content) {
    // Room for every section and its header at once (an upper bound: lines that
    // start with "["): growing them while millions come copies them, and the
    // copies left behind would be most of the memory used.
    std::size_t headers = 0, headerBytes = 0;
    for (std::size_t at = content.starts_with('[') ? 0 : content.find("\n["); at != std::string_view::npos;
         at = content.find("\n[", at + 1)) {
        std::size_t from = at + (content[at] == '\n' ? 1 : 0);
        std::size_t end = content.find_first_of("\r\n", from);
        headerBytes += (end == std::string_view::npos ? content.size() : end) - from;
        ++headers;
    }
    sections_.reserve(headers);
    headers_.reserve(headerBytes);
    std::size_t slots = 16;
    while (slots < headers * 2 + 2) slots *= 2;
    names_.resize(slots);

    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t end = content.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = content.size();
        std::string_view line = content.substr(pos, end - pos);
        pos = end;
        if (pos < content.size())
            pos += (content[pos] == '\r' && pos + 1 < content.size() && content[pos + 1] == '\n') ? 2u : 1u;

        std::string_view t = Trim(line);
        if (t.empty()) continue;
        if (t.front() == '[') {
            std::size_t close = FindClosingBracket(t);
            if (close != std::string_view::npos) {
                std::string_view name = Trim(t.substr(1, close - 1));
                AddSection(line, static_cast<std::size_t>(name.data() - line.data()), name.size());
                continue;
            }
        }
        Line l;
        std::size_t eq = t.find('=');
        if (t.front() != ';' && eq != std::string_view::npos && !Trim(t.substr(0, eq)).empty()) {
            l.isEntry = true;
            l.key = std::string(Trim(t.substr(0, eq)));
            l.foldedKey = FoldIniName(l.key);
            l.raw = std::string(Trim(t.substr(eq + 1)));
        }
        // A line of a section spelled exactly "key=value" is rebuilt as it was: no copy of it.
        const bool rebuilds = l.isEntry && !sections_.empty() &&
                              line.size() == l.key.size() + 1 + l.raw.size() && line.starts_with(l.key) &&
                              line[l.key.size()] == '=' && line.ends_with(l.raw);
        if (!rebuilds) l.text = std::string(line);
        if (sections_.empty()) {
            preamble_.push_back(std::move(l.text));
        } else {
            Section& s = sections_.back();
            if (!s.body) s.body = std::make_unique<Body>();
            s.body->Add(std::move(l));
        }
    }
}

std::string IniFile::ToText() const {
    std::string out;
    for (const auto& p : preamble_) out.append(p).append(kLineEnd);
    for (const auto& s : sections_) {
        if (s.erased) continue;
        if (!out.empty()) out.append(kLineEnd);
        out.append(Header(s)).append(kLineEnd);
        if (!s.body) continue;
        for (const auto& l : s.body->lines) {
            if (l.text.empty())
                out.append(l.key).append("=").append(l.raw);
            else
                out.append(l.text);
            out.append(kLineEnd);
        }
    }
    return out;
}

std::size_t IniFile::Slot(std::string_view name, bool forInsert) const {
    const std::size_t mask = names_.size() - 1;
    const std::uint64_t hash = FoldedHash(name);
    const auto tag = static_cast<std::uint32_t>(hash >> 32);
    std::size_t i = static_cast<std::size_t>(hash) & mask;
    std::size_t freed = SIZE_MAX;
    for (;; i = (i + 1) & mask) {
        const NameSlot& slot = names_[i];
        if (slot.section == 0) return forInsert && freed != SIZE_MAX ? freed : i;
        if (slot.section == kTombstone) {
            if (freed == SIZE_MAX) freed = i;
        } else if (slot.tag == tag && SameFolded(Name(sections_[slot.section - 1]), name)) {
            return i;
        }
    }
}

std::uint32_t IniFile::FirstNamed(std::string_view name) const {
    if (names_.empty()) return kNone;
    std::uint32_t v = names_[Slot(name, false)].section;
    return v == 0 ? kNone : v - 1;
}

void IniFile::AddSection(std::string_view header, std::size_t nameOffset, std::size_t nameLength) {
    // Section numbers, offsets and lengths are 32-bit; an INI file of 4 GB is no INI file.
    if (sections_.size() >= kTombstone - 1 || header.size() >= UINT32_MAX) return;
    Section s;
    s.headerAt = headers_.size();
    s.headerLength = static_cast<std::uint32_t>(header.size());
    s.nameOffset = static_cast<std::uint32_t>(nameOffset);
    s.nameLength = static_cast<std::uint32_t>(nameLength);
    headers_.append(header);
    const auto index = static_cast<std::uint32_t>(sections_.size());
    sections_.push_back(std::move(s));

    if ((namesUsed_ + 1) * 2 > names_.size()) {  // grow (and drop tombstones) at half full
        std::vector<NameSlot> old(std::max<std::size_t>(16, names_.size() * 2));
        old.swap(names_);
        namesUsed_ = 0;
        for (const NameSlot& slot : old) {
            if (slot.section == 0 || slot.section == kTombstone) continue;
            names_[Slot(Name(sections_[slot.section - 1]), true)] = slot;
            ++namesUsed_;
        }
    }
    List(index);
}

// Puts section index into names_: as the first of its name, or at the end of the
// sections of a name already there.
void IniFile::List(std::uint32_t index) {
    std::string_view name = Name(sections_[index]);
    NameSlot& slot = names_[Slot(name, true)];
    if (slot.section != 0 && slot.section != kTombstone) {
        Section& first = sections_[slot.section - 1];
        std::uint32_t& tail = first.lastSame == kNone ? first.nextSame : sections_[first.lastSame].nextSame;
        tail = index;
        first.lastSame = index;
        return;
    }
    if (slot.section == 0) ++namesUsed_;
    slot.section = index + 1;
    slot.tag = static_cast<std::uint32_t>(static_cast<std::uint64_t>(FoldedHash(name)) >> 32);
}

// Takes a name's first section (and so the name) out of names_; its sections stay.
void IniFile::Unlist(std::uint32_t first) {
    names_[Slot(Name(sections_[first]), false)].section = kTombstone;
}

bool IniFile::HasSection(std::string_view section) const { return FirstNamed(section) != kNone; }

const IniFile::Line* IniFile::FindLine(std::string_view section, std::string_view foldedKey) const {
    for (std::uint32_t i = FirstNamed(section); i != kNone; i = sections_[i].nextSame)
        if (const Body* b = sections_[i].body.get())
            if (const Line* l = b->Find(foldedKey)) return l;
    return nullptr;
}

IniFile::Line* IniFile::FindLine(std::string_view section, std::string_view foldedKey) {
    return const_cast<Line*>(static_cast<const IniFile*>(this)->FindLine(section, foldedKey));
}

std::optional<std::string> IniFile::Find(std::string_view section, std::string_view key) const {
    const Line* l = FindLine(section, FoldIniName(key));
    if (!l) return std::nullopt;
    return std::string(Unquote(l->raw));
}

std::string IniFile::ReadString(std::string_view section, std::string_view key,
                                std::string_view fallback) const {
    const Line* l = FindLine(section, FoldIniName(key));
    if (!l) return std::string(fallback);
    return std::string(CutAtCharBoundary(Unquote(l->raw), kMaxStringLength));
}

std::int32_t IniFile::ReadInteger(std::string_view section, std::string_view key,
                                  std::int32_t fallback) const {
    const Line* l = FindLine(section, FoldIniName(key));
    return l ? IniIntegerOr(Unquote(l->raw), fallback) : fallback;
}

IniFile::Pairs IniFile::ReadSection(std::string_view section, bool includeEmpty) const {
    Pairs out;
    const std::uint32_t first = FirstNamed(section);
    // A key read before hides a later one; within one section its own lookup says
    // which is first, across several a set of the keys seen.
    const bool one = first != kNone && sections_[first].nextSame == kNone;
    std::unordered_set<std::string_view> seen;
    for (std::uint32_t i = first; i != kNone; i = sections_[i].nextSame) {
        const Body* b = sections_[i].body.get();
        if (!b) continue;
        const bool unique = one && b->KeysUnique();
        for (const auto& l : b->lines) {
            if (!l.isEntry) continue;
            if (!unique && !(one ? b->Find(l.foldedKey) == &l : seen.insert(l.foldedKey).second)) continue;
            if (l.raw.empty() && !includeEmpty) continue;
            out.emplace_back(l.key, std::string(Unquote(l.raw)));
        }
    }
    return out;
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value,
                          bool markEmpty) {
    std::string foldedKey = FoldIniName(key);
    std::string raw = Encode(value, markEmpty);
    if (Line* l = FindLine(section, foldedKey)) {
        std::string_view current = Unquote(l->raw);
        if (current.size() > kMaxStringLength && CutAtCharBoundary(current, kMaxStringLength) == value)
            return;
        if (l->raw == raw) return;  // the line keeps its spelling
        l->raw = std::move(raw);
        l->text.clear();
        return;
    }
    std::uint32_t first = FirstNamed(section);
    if (first == kNone) {
        AddSection("[" + std::string(section) + "]", 1, section.size());
        first = FirstNamed(section);
        if (first == kNone) return;
    }
    Section& s = sections_[first];  // new keys go to the first of the name
    if (!s.body) s.body = std::make_unique<Body>();
    Line l;
    l.isEntry = true;
    l.key = std::string(key);
    l.foldedKey = foldedKey;
    l.raw = std::move(raw);
    s.body->Add(std::move(l));
}

void IniFile::WriteInteger(std::string_view section, std::string_view key, std::int32_t value) {
    WriteString(section, key, std::to_string(value));
}

void IniFile::EraseSection(std::string_view section) {
    std::uint32_t first = FirstNamed(section);
    if (first == kNone) return;
    Unlist(first);
    for (std::uint32_t i = first; i != kNone; i = sections_[i].nextSame) {
        sections_[i].erased = true;
        sections_[i].body.reset();
    }
}

void IniFile::ClearSection(std::string_view section) {
    std::uint32_t first = FirstNamed(section);
    if (first == kNone) {
        AddSection("[" + std::string(section) + "]", 1, section.size());
        return;
    }
    Section& s = sections_[first];
    for (std::uint32_t i = s.nextSame; i != kNone; i = sections_[i].nextSame) {
        sections_[i].erased = true;
        sections_[i].body.reset();
    }
    s.nextSame = s.lastSame = kNone;
    s.body.reset();
}

void IniFile::DeleteKey(std::string_view section, std::string_view key) {
    std::uint32_t first = FirstNamed(section);
    if (first == kNone) return;
    std::string foldedKey = FoldIniName(key);
    // The sections of the name that are left, in file order; one left without any
    // line disappears.
    std::vector<std::uint32_t> kept;
    for (std::uint32_t i = first; i != kNone; i = sections_[i].nextSame) {
        Section& s = sections_[i];
        if (s.body && s.body->Find(foldedKey)) {
            std::erase_if(s.body->lines,
                          [&](const Line& l) { return l.isEntry && l.foldedKey == foldedKey; });
            s.body->Reindex();
            if (s.body->lines.empty()) {
                s.erased = true;
                s.body.reset();
                continue;
            }
        }
        kept.push_back(i);
    }
    Unlist(first);
    for (std::uint32_t i : kept) sections_[i].nextSame = sections_[i].lastSame = kNone;
    for (std::uint32_t i : kept) List(i);
}

}  // namespace zarnik::settings
