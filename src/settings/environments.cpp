#include "settings/environments.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <optional>
#include <unordered_set>
#include <utility>

#include "text/sjis.h"

namespace zarnik::settings {

using detail::FilesSection;
using detail::kNamesSection;

namespace {

// Target lines are held as the file system's own bytes, and the INI file holds
// them in Shift-JIS under fileN, as it always has. A name with a character code
// page 932 cannot hold (an accented letter, an emoji) would read back with "?"
// there, a wildcard that also matches other names; such a line is written a
// second time under utf8fileN, its bytes with every byte outside printable ASCII
// (and "%") as %XX, so that the file stays ASCII there.
bool ShiftJisLosesSomething(std::string_view native) {
    return !text::IsAscii(native) && text::SjisToUtf8(text::Utf8ToSjis(native)) != native;
}

std::string TargetLineInIni(const std::string& native) {
    return text::IsAscii(native) ? native : text::Utf8ToSjis(native);
}

std::string PercentEncode(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : bytes) {
        auto c = static_cast<unsigned char>(ch);
        if (c > 0x20 && c < 0x7F && c != '%') {
            out.push_back(ch);
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 15]);
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// False for text no save of ours wrote (a stray "%").
bool PercentDecode(std::string_view text, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) return false;
        int hi = HexDigit(text[i + 1]), lo = HexDigit(text[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
    }
    return true;
}

// The native line of fileN (sjis) and its utf8fileN (exact, maybe empty). The exact
// form counts only while it still gives fileN, so a hand edit of fileN wins.
std::string NativeTargetLine(const std::string& sjis, const std::string* exact) {
    std::string native;
    if (exact && PercentDecode(*exact, native) && text::Utf8ToSjis(native) == sjis) return native;
    return text::IsAscii(sjis) ? sjis : text::SjisToUtf8(sjis);
}

// The numbers n of the entries "memo<n>.dat" in folder, or nothing when it cannot
// be listed.
std::optional<std::unordered_set<std::int64_t>> MemoNumbersIn(const std::string& folder) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return std::nullopt;
    std::unordered_set<std::int64_t> numbers;
    errno = 0;
    while (const dirent* e = readdir(dir)) {
        std::string_view name = e->d_name;
        if (name.ends_with(".dat")) {
            std::int64_t n = detail::NumberedKey(name.substr(0, name.size() - 4), "memo");
            if (n > 0) numbers.insert(n);
        }
        errno = 0;
    }
    const bool complete = errno == 0;
    closedir(dir);
    if (!complete) return std::nullopt;
    return numbers;
}

}  // namespace

namespace detail {

std::string FilesSection(std::int64_t n) { return "FILES_" + std::to_string(n); }

std::int64_t NumberedKey(std::string_view key, std::string_view prefix) {
    if (key.size() <= prefix.size() || !text::EqualsNoCase(key.substr(0, prefix.size()), prefix)) return -1;
    std::string_view digits = key.substr(prefix.size());
    if (digits.size() > 1 && digits[0] == '0') return -1;
    std::int64_t n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return -1;
        n = n * 10 + (c - '0');
        if (n > INT32_MAX) return -1;
    }
    return n;
}

}  // namespace detail

// ---- EnvList ----

Environment* EnvList::Find(std::int32_t id) {
    int pos = IndexOfEnv(id);
    return pos < 0 ? nullptr : &envs_[static_cast<std::size_t>(pos)];
}

int EnvList::IndexOfEnv(std::int32_t id) const {
    for (std::size_t i = 0; i < envs_.size(); ++i)
        if (envs_[i].EnvId == id) return static_cast<int>(i);
    return -1;
}

std::int32_t EnvList::EnvIdAt(int pos) const {
    return pos >= 0 && pos < Count() ? envs_[static_cast<std::size_t>(pos)].EnvId : 0;
}

std::int32_t EnvList::AddEnv(std::string name, std::int32_t atEnd) {
    std::int32_t highest = 0;
    for (const auto& e : envs_) highest = std::max(highest, e.EnvId);
    std::int32_t id = highest + (highest < INT32_MAX ? 1 : 0);
    if (highest == INT32_MAX) {  // no room above: the smallest id not in use
        id = 1;
        while (IndexOfEnv(id) >= 0) ++id;
    }
    Environment env;
    env.EnvId = id;
    env.EnvName = std::move(name);
    if (atEnd)
        envs_.push_back(std::move(env));
    else
        envs_.insert(envs_.begin(), std::move(env));
    return id;
}

int EnvList::DeleteEnv(std::int32_t id) {
    int pos = IndexOfEnv(id);
    if (pos < 0) return 0;
    envs_.erase(envs_.begin() + pos);
    return Count();
}

bool EnvList::SwapEnvs(std::int32_t a, std::int32_t b) {
    int pa = IndexOfEnv(a), pb = IndexOfEnv(b);
    if (pa < 0 || pb < 0) return false;
    std::swap(envs_[static_cast<std::size_t>(pa)], envs_[static_cast<std::size_t>(pb)]);
    return true;
}

bool EnvList::RenameEnv(std::int32_t id, std::string name) {
    Environment* e = Find(id);
    if (!e) return false;
    e->EnvName = std::move(name);
    return true;
}

bool EnvList::StoreEnv(std::int32_t id, const Lines& lines, const Lines& memo) {
    Environment* e = Find(id);
    if (!e) return false;
    e->TargetLines = lines;
    e->MemoLines = memo;
    return true;
}

bool EnvList::FetchEnv(std::int32_t id, Lines& lines, Lines& memo) const {
    int pos = IndexOfEnv(id);
    if (pos < 0) return false;
    lines = envs_[static_cast<std::size_t>(pos)].TargetLines;
    memo = envs_[static_cast<std::size_t>(pos)].MemoLines;
    return true;
}

int EnvList::EnvNames(Lines& out) const {
    out.clear();
    for (const auto& e : envs_) out.push_back(e.EnvName);
    return Count();
}

void EnvList::ClearEnvs() {
    while (!envs_.empty()) envs_.pop_back();
}

bool EnvList::CopyEnvs(EnvList& dest) const {
    if (&dest == this) return true;
    dest.envs_.insert(dest.envs_.end(), envs_.begin(), envs_.end());
    return true;
}

void EnvList::RenumberEnvs() {
    std::int32_t id = 0;
    for (auto& e : envs_) e.EnvId = ++id;
}

// ---- memo files ----

const std::string& DefaultEnvName() {
    static const std::string name = text::Utf8ToSjis("開発環境(1)");
    return name;
}

std::string MemoFileName(const std::string& folder, std::int32_t n) {
    return folder + "memo" + std::to_string(n) + ".dat";
}

Lines SplitMemoText(std::string_view t) {
    Lines out;
    std::size_t pos = 0;
    while (pos < t.size()) {
        std::size_t end = t.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) {
            out.emplace_back(t.substr(pos));
            break;
        }
        out.emplace_back(t.substr(pos, end - pos));
        pos = end + ((t[end] == '\r' && end + 1 < t.size() && t[end + 1] == '\n') ? 2 : 1);
    }
    return out;
}

std::string JoinMemoLines(const Lines& lines) {
    std::string out;
    for (const auto& l : lines) out.append(l).append("\r\n");
    return out;
}

MemoRead ReadMemoFile(const std::string& path, Lines& out) {
    out.clear();
    if (KindOfPath(path) != PathKind::File) return MemoRead::Missing;
    std::string content;
    if (!ReadWholeFile(path, content)) return MemoRead::Unreadable;
    out = SplitMemoText(content);
    return MemoRead::Read;
}

std::string MemoWriteMessage(const std::string& path) {
    static const std::string head = text::Utf8ToSjis("ﾌｧｲﾙ ");
    static const std::string tail = text::Utf8ToSjis(" を作成できません");
    return head + text::Utf8ToSjis(path) + tail;
}

void MemoStage::Write(std::int32_t pos, const Lines& memo) {
    std::string path = MemoFileName(folder_, pos);
    if (!save_.Write(path, JoinMemoLines(memo))) throw SaveFailure(MemoWriteMessage(path));
    writes_.insert(pos);
}

void MemoStage::Keep(std::int32_t pos, const std::string& from) {
    if (from.rfind(folder_, 0) == 0 && from.find('/', folder_.size()) == std::string::npos) {
        keeps_[pos] = from;
        return;
    }
    // From a folder that is not saved to (the program's, turned read-only): a
    // rename out of it would fail, and nothing there may be removed.
    Lines memo;
    if (ReadMemoFile(from, memo) == MemoRead::Read) Write(pos, memo);
}

void MemoStage::Clear(std::int32_t pos) { clears_.insert(pos); }

void MemoStage::Plan() {
    for (const auto& [pos, from] : keeps_) {
        std::string dest = MemoFileName(folder_, pos);
        if (from != dest && KindOfPath(from) != PathKind::Missing) save_.Move(from, dest);
    }
    for (std::int32_t pos : clears_)
        if (!writes_.contains(pos) && !keeps_.contains(pos)) save_.Remove(MemoFileName(folder_, pos));
}

// ---- loading and saving ----

void SetDefaultEnvironments(EnvList& envs) {
    envs.ClearEnvs();
    envs.AddEnv(DefaultEnvName(), 1);
}

std::vector<std::string> LoadEnvironments(const IniFile& ini, const std::string& folder, EnvList& envs,
                                          bool readMemos) {
    std::vector<std::string> unreadable;
    // Built as one vector with ids 1 .. n: adding environments one by one looks for
    // the highest id each time, which is quadratic in the number of environments.
    // The names are the values of cnam1 .. cnamN, N the number of names given.
    auto names = ini.ReadSection(kNamesSection);
    std::vector<Environment> loaded(names.size());
    const bool unnamed = loaded.empty();
    if (unnamed) {
        loaded.resize(1);
        loaded[0].EnvName = DefaultEnvName();
    }
    for (auto& [key, value] : names) {
        std::int64_t n = detail::NumberedKey(key, "cnam");
        if (n >= 1 && static_cast<std::size_t>(n) <= loaded.size())
            loaded[static_cast<std::size_t>(n - 1)].EnvName = std::move(value);
    }
    // Which memo files exist, from one listing of the folder rather than a look-up
    // per environment (a folder that cannot be listed: a look-up for each).
    const std::optional<std::unordered_set<std::int64_t>> present =
        readMemos ? MemoNumbersIn(folder) : std::nullopt;

    for (std::size_t i = 0; i < loaded.size(); ++i) {
        Environment& env = loaded[i];
        const auto p = static_cast<std::int64_t>(i + 1);
        env.EnvId = static_cast<std::int32_t>(p);

        std::vector<std::pair<std::int64_t, std::string>> numbered;
        std::map<std::int64_t, std::string> exact;
        for (auto& [key, value] : ini.ReadSection(FilesSection(p), true)) {
            if (std::int64_t k = detail::NumberedKey(key, "file"); k >= 0)
                numbered.emplace_back(k, std::move(value));
            else if (k = detail::NumberedKey(key, "utf8file"); k >= 0)
                exact[k] = std::move(value);
        }
        std::stable_sort(numbered.begin(), numbered.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [k, value] : numbered) {
            auto e = exact.find(k);
            env.TargetLines.push_back(NativeTargetLine(value, e == exact.end() ? nullptr : &e->second));
        }

        if (!readMemos || (present && !present->contains(p))) continue;
        std::string memoPath = MemoFileName(folder, env.EnvId);
        if (ReadMemoFile(memoPath, env.MemoLines) == MemoRead::Unreadable) {
            unreadable.push_back(memoPath);
            env.KeptMemoFile = memoPath;
        }
    }
    envs.AssignEnvs(std::move(loaded));
    return unreadable;
}

void WriteTargetLine(IniFile& ini, std::string_view section, std::string_view key, std::string_view exactKey,
                     const std::string& native) {
    ini.WriteString(section, key, TargetLineInIni(native));
    if (ShiftJisLosesSomething(native))
        ini.WriteString(section, exactKey, PercentEncode(native));
    else
        ini.DeleteKey(section, exactKey);
}

std::optional<std::string> ReadTargetLine(const IniFile& ini, std::string_view section, std::string_view key,
                                          std::string_view exactKey) {
    std::optional<std::string> sjis = ini.Find(section, key);
    if (!sjis) return std::nullopt;
    std::optional<std::string> exact = ini.Find(section, exactKey);
    return NativeTargetLine(*sjis, exact ? &*exact : nullptr);
}

}  // namespace zarnik::settings
