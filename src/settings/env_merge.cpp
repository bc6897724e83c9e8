#include "settings/env_merge.h"

#include <algorithm>
#include <climits>
#include <utility>

#include "settings/safe_file.h"
#include "text/sjis.h"

namespace zarnik::settings {

namespace {

using detail::FilesSection;
using detail::kNamesSection;

constexpr std::size_t kMostNotices = 10;

std::string NameKey(std::int64_t n) { return "cnam" + std::to_string(n); }
std::string Sjis(std::string_view utf8) { return text::Utf8ToSjis(utf8); }

// Target lists compare without their empty lines, which are never saved.
bool SameLines(const Lines& a, const Lines& b) {
    auto i = a.begin(), j = b.begin();
    for (;;) {
        while (i != a.end() && i->empty()) ++i;
        while (j != b.end() && j->empty()) ++j;
        if (i == a.end() || j == b.end()) return i == a.end() && j == b.end();
        if (*i++ != *j++) return false;
    }
}

bool HasEmptyLine(const Lines& lines) {
    return std::any_of(lines.begin(), lines.end(), [](const std::string& l) { return l.empty(); });
}

// For each position q of the files (0-based), the stored position (1-based) it is,
// or 0. Names at the same place at both ends match; between them the longest
// common sequence of names, when that part is small enough to compare whole.
std::vector<std::int32_t> Align(const std::vector<StoredEnv>& stored, const EnvList& disk) {
    const std::size_t n = stored.size(), m = static_cast<std::size_t>(disk.Count());
    std::vector<std::int32_t> match(m, 0);
    auto same = [&](std::size_t p, std::size_t q) {
        return stored[p].Name == disk.At(static_cast<int>(q)).EnvName;
    };
    std::size_t head = 0;
    for (; head < n && head < m && same(head, head); ++head)
        match[head] = static_cast<std::int32_t>(head + 1);
    std::size_t tail = 0;
    for (; tail < n - head && tail < m - head && same(n - 1 - tail, m - 1 - tail); ++tail)
        match[m - 1 - tail] = static_cast<std::int32_t>(n - tail);
    const std::size_t a = n - head - tail, b = m - head - tail;
    if (a == 0 || b == 0 || a * b > 1'000'000) return match;
    std::vector<std::uint32_t> table((a + 1) * (b + 1), 0);
    auto at = [&](std::size_t i, std::size_t j) -> std::uint32_t& { return table[i * (b + 1) + j]; };
    for (std::size_t i = a; i-- > 0;)
        for (std::size_t j = b; j-- > 0;)
            at(i, j) = same(head + i, head + j) ? at(i + 1, j + 1) + 1 : std::max(at(i + 1, j), at(i, j + 1));
    for (std::size_t i = 0, j = 0; i < a && j < b;) {
        if (same(head + i, head + j)) {
            match[head + j] = static_cast<std::int32_t>(head + i + 1);
            ++i, ++j;
        } else if (at(i + 1, j) >= at(i, j + 1)) {
            ++i;
        } else {
            ++j;
        }
    }
    return match;
}

// One environment of the files after the save.
struct Entry {
    std::string name;
    Lines lines;
    std::int32_t disk = 0;  // the files' position whose target lines it holds, untouched (0: none)
    std::string memoFile;   // an existing file that becomes its memo; else memoLines
    Lines memoLines;
    int live = -1;  // its index in the window's list
    StoredEnv stored;
};

// Writes section FILES_r as a save writes target lines, unless it holds them already.
void WriteTargetLines(IniFile& ini, std::int64_t r, const Lines& lines) {
    IniFile scratch;
    std::int64_t k = 0;
    for (const auto& line : lines) {
        if (line.empty()) continue;
        WriteTargetLine(scratch, "F", "file" + std::to_string(k), "utf8file" + std::to_string(k), line);
        ++k;
    }
    const IniFile::Pairs want = scratch.ReadSection("F", true);
    const std::string section = FilesSection(r);
    if (ini.ReadSection(section, true) == want && (!want.empty() || !ini.HasSection(section))) return;
    if (want.empty()) {
        ini.EraseSection(section);
        return;
    }
    ini.ClearSection(section);
    for (const auto& [key, value] : want) ini.WriteString(section, key, value);
}

class Notices {
public:
    void Add(std::string text) {
        if (texts_.size() < kMostNotices) texts_.push_back(std::move(text));
        ++count_;
    }
    std::vector<std::string> Take() {
        if (count_ > texts_.size())
            texts_.push_back(Sjis("ほか ") + std::to_string(count_ - texts_.size()) +
                             Sjis(" 件の環境も同様です。"));
        return std::move(texts_);
    }

private:
    std::vector<std::string> texts_;
    std::size_t count_ = 0;
};

std::string Quoted(const std::string& name) { return Sjis("環境「") + name + Sjis("」"); }

// Writes the environments of the files after the save into ini and stages their
// memo files: names, target lines and memos only where they differ from what the
// files hold at the same position (m environments now).
void WriteEntries(IniFile& ini, bool iniOnDisk, std::int32_t m, const std::vector<Entry>& result,
                  MemoStage& memos) {
    const auto count = static_cast<std::int64_t>(result.size());
    // Names past the files' list (a hand edit with gaps): they follow the
    // environments, with their target lines and memo files, so that a load finds them.
    struct Orphan {
        std::int64_t from, to;
        std::string name;
        IniFile::Pairs lines;
    };
    std::vector<Orphan> orphans;
    if (iniOnDisk)
        for (auto& [key, value] : ini.ReadSection(kNamesSection)) {
            std::int64_t j = detail::NumberedKey(key, "cnam");
            if (j == 0 || j > m) orphans.push_back({j, 0, std::move(value), {}});
        }
    std::sort(orphans.begin(), orphans.end(),
              [](const Orphan& a, const Orphan& b) { return a.from < b.from; });
    for (std::size_t k = 0; k < orphans.size(); ++k) orphans[k].to = count + static_cast<std::int64_t>(k) + 1;
    for (auto& o : orphans) {
        if (o.to == o.from) continue;
        o.lines = ini.ReadSection(FilesSection(o.from), true);
        ini.EraseSection(FilesSection(o.from));
    }

    // The names: rewritten in place, and only when they differ. An empty name is
    // written as "" so that it still counts at the next start.
    IniFile::Pairs names;
    names.reserve(result.size() + orphans.size());
    for (std::int64_t r = 1; r <= count; ++r)
        names.emplace_back(NameKey(r), result[static_cast<std::size_t>(r - 1)].name);
    for (const auto& o : orphans) names.emplace_back(NameKey(o.to), o.name);
    if (ini.ReadSection(kNamesSection, true) != names) {
        ini.ClearSection(kNamesSection);
        for (const auto& [key, value] : names) ini.WriteString(kNamesSection, key, value, true);
    }

    const bool sameFolder = memos.Folder() == memos.SourceFolder();
    for (std::int64_t r = 1; r <= count; ++r) {
        const Entry& e = result[static_cast<std::size_t>(r - 1)];
        const auto pos = static_cast<std::int32_t>(r);
        // Target lines the files hold at this very position are left as they are.
        if (e.disk != r || HasEmptyLine(e.lines)) WriteTargetLines(ini, r, e.lines);
        if (!e.memoFile.empty()) {
            if (sameFolder && e.memoFile == MemoFileName(memos.Folder(), pos)) continue;
            if (KindOfPath(e.memoFile) != PathKind::Missing)
                memos.Keep(pos, e.memoFile);
            else
                memos.Clear(pos);
        } else if (!e.memoLines.empty()) {
            memos.Write(pos, e.memoLines);
        } else {
            memos.Clear(pos);
        }
    }
    for (std::int64_t q = count + 1; q <= m; ++q) {
        if (std::none_of(orphans.begin(), orphans.end(), [&](const Orphan& o) { return o.to == q; }))
            ini.EraseSection(FilesSection(q));
        memos.Clear(static_cast<std::int32_t>(q));
    }
    for (const auto& o : orphans) {
        if (o.to == o.from) continue;
        const std::string section = FilesSection(o.to);
        ini.EraseSection(section);
        for (const auto& [key, value] : o.lines) ini.WriteString(section, key, value, true);
        std::string memo = MemoFileName(memos.SourceFolder(), static_cast<std::int32_t>(o.from));
        if (KindOfPath(memo) == PathKind::File) memos.Keep(static_cast<std::int32_t>(o.to), memo);
    }
}

// One save's merge of the window's environments with those the files hold now.
// Run puts the window's environments in order with the files' ones it does not
// hold and the other window's versions of those both changed, then writes them.
class EnvMerge {
public:
    EnvMerge(const EnvList& envs, const std::vector<StoredEnv>& stored, MemoStage& memos)
        : envs_(envs), stored_(stored), memos_(memos) {}

    EnvSave Run(IniFile& ini, bool iniOnDisk) {
        ReadDisk(ini, iniOnDisk);
        MapPositions();
        mineAt_.assign(static_cast<std::size_t>(m_) + 1, -1);
        for (int i = 0; i < envs_.Count(); ++i) TakeLiveEnv(i);
        std::vector<Entry> result = Ordered();
        WriteEntries(ini, iniOnDisk, m_, result, memos_);

        EnvSave out;
        out.Positions.assign(static_cast<std::size_t>(envs_.Count()), 0);
        out.Stored.reserve(result.size());
        for (std::size_t r = 0; r < result.size(); ++r) {
            Entry& e = result[r];
            if (e.live >= 0)
                out.Positions[static_cast<std::size_t>(e.live)] = static_cast<std::int32_t>(r + 1);
            out.Stored.push_back(std::move(e.stored));
        }
        out.Notices = notices_.Take();
        return out;
    }

private:
    std::string MemoOnDisk(std::int32_t q) const { return MemoFileName(memos_.SourceFolder(), q); }
    MemoRead ReadMemoOnDisk(std::int32_t q, Lines& lines) const { return ReadMemoFile(MemoOnDisk(q), lines); }

    // What the files hold now. Without an INI file there is nothing another window
    // saved: the window's own view stands for it.
    void ReadDisk(const IniFile& ini, bool iniOnDisk) {
        if (iniOnDisk) {
            LoadEnvironments(ini, memos_.SourceFolder(), disk_, false);
        } else {
            std::vector<Environment> view(stored_.size());
            for (std::size_t p = 0; p < stored_.size(); ++p) {
                view[p].EnvName = stored_[p].Name;
                view[p].TargetLines = stored_[p].TargetLines;
            }
            disk_.AssignEnvs(std::move(view));
        }
        m_ = static_cast<std::int32_t>(disk_.Count());
        n_ = static_cast<std::int32_t>(stored_.size());
    }

    // Stored position -> the files' position, and -> the window's index.
    void MapPositions() {
        match_ = Align(stored_, disk_);
        diskAt_.assign(static_cast<std::size_t>(n_) + 1, 0);
        for (std::int32_t q = 1; q <= m_; ++q)
            diskAt_[static_cast<std::size_t>(match_[static_cast<std::size_t>(q - 1)])] = q;
        diskAt_[0] = 0;
        liveAt_.assign(static_cast<std::size_t>(n_) + 1, -1);
        for (int i = 0; i < envs_.Count(); ++i) {
            const std::int32_t p = envs_.At(i).StoredAt;
            if (p >= 1 && p <= n_ && liveAt_[static_cast<std::size_t>(p)] < 0)
                liveAt_[static_cast<std::size_t>(p)] = i;
        }
    }

    // The window's environment i, with its stored position p (0: none).
    void TakeLiveEnv(int i) {
        const Environment& e = envs_.At(i);
        const std::int32_t p =
            e.StoredAt >= 1 && e.StoredAt <= n_ && liveAt_[static_cast<std::size_t>(e.StoredAt)] == i
                ? e.StoredAt
                : 0;
        Entry x;
        x.live = i;
        x.name = e.EnvName;
        x.lines = e.TargetLines;
        x.stored = {e.EnvName, e.TargetLines, e.MemoLines, !e.KeptMemoFile.empty(), true};
        const std::int32_t q = p == 0 ? 0 : diskAt_[static_cast<std::size_t>(p)];
        if (q == 0)
            TakeNotOnDisk(e, p, std::move(x));
        else
            TakeOnDisk(e, p, q, std::move(x));
    }

    // New here, or deleted by the other window.
    void TakeNotOnDisk(const Environment& e, std::int32_t p, Entry x) {
        const bool memoKept = !e.KeptMemoFile.empty();
        if (p != 0) {  // the other window deleted it: it stays only when changed here
            const StoredEnv& b = stored_[static_cast<std::size_t>(p - 1)];
            if (e.EnvName == b.Name && SameLines(e.TargetLines, b.TargetLines) &&
                (memoKept || b.MemoKept || e.MemoLines == b.MemoLines))
                return;
            notices_.Add(
                Quoted(e.EnvName) +
                Sjis("は別のウィンドウで削除されましたが、このウィンドウで変更されたため残しました。"));
        }
        if (memoKept)
            x.memoFile = e.KeptMemoFile;
        else
            x.memoLines = e.MemoLines;
        mine_.push_back(std::move(x));
    }

    // At the files' position q as well: the changes of both windows meet.
    void TakeOnDisk(const Environment& e, std::int32_t p, std::int32_t q, Entry x) {
        const bool memoKept = !e.KeptMemoFile.empty();
        const StoredEnv& b = stored_[static_cast<std::size_t>(p - 1)];
        const Environment& d = disk_.At(q - 1);
        const bool linesHere = !SameLines(e.TargetLines, b.TargetLines);
        const bool linesThere = !SameLines(d.TargetLines, b.TargetLines);
        bool conflict = linesHere && linesThere && !SameLines(d.TargetLines, e.TargetLines);
        const bool memoHere = !memoKept && !b.MemoKept && e.MemoLines != b.MemoLines;
        Lines theirMemo;
        MemoRead theirRead = MemoRead::Missing;
        if (memoHere) {
            theirRead = ReadMemoOnDisk(q, theirMemo);
            const bool unknown = theirRead == MemoRead::Unreadable;
            conflict = conflict || unknown || (theirMemo != b.MemoLines && theirMemo != e.MemoLines);
        }
        if (!linesHere) {
            x.lines = d.TargetLines;
            x.disk = q;
        }
        if (memoHere)
            x.memoLines = e.MemoLines;
        else
            x.memoFile = MemoOnDisk(q);
        if (conflict) {
            // Both changed it: the other window's version is kept as an environment of its own.
            Entry c;
            c.name = d.EnvName + OtherWindowMark();
            c.lines = d.TargetLines;
            if (!memoHere) theirRead = ReadMemoOnDisk(q, theirMemo);
            if (theirRead == MemoRead::Read)
                c.memoLines = theirMemo;
            else if (theirRead == MemoRead::Unreadable && memoHere)
                c.memoFile = MemoOnDisk(q);
            c.stored = {c.name, c.lines, c.memoLines, false, false};
            notices_.Add(Quoted(e.EnvName) +
                         Sjis("は別のウィンドウでも変更されていました。別のウィンドウの内容は「") + c.name +
                         Sjis("」として残しました。"));
            copies_.push_back(std::move(c));
        }
        mineAt_[static_cast<std::size_t>(q)] = static_cast<int>(mine_.size());
        mine_.push_back(std::move(x));
    }

    // The files' environment at q that the window does not hold: another window's,
    // or one deleted here; false when it was deleted here and the other window left
    // it as it was.
    bool KeepsFilesOnly(std::int32_t q) {
        const Environment& d = disk_.At(q - 1);
        const std::int32_t p = match_[static_cast<std::size_t>(q - 1)];
        if (p == 0 || !stored_[static_cast<std::size_t>(p - 1)].Shown) return true;
        const StoredEnv& b = stored_[static_cast<std::size_t>(p - 1)];
        bool changed = !SameLines(d.TargetLines, b.TargetLines);
        if (!changed && !b.MemoKept) {
            Lines memo;
            MemoRead r = ReadMemoOnDisk(q, memo);
            changed = r == MemoRead::Unreadable || memo != b.MemoLines;
        }
        if (!changed) return false;
        notices_.Add(
            Quoted(d.EnvName) +
            Sjis("はこのウィンドウで削除しましたが、別のウィンドウで変更されていたため残しました。"));
        return true;
    }

    // The window's environments with the files' ones it does not hold, each after
    // the one before it in the files, then the other window's versions.
    std::vector<Entry> Ordered() {
        std::vector<std::vector<Entry>> after(mine_.size() + 1);
        std::size_t anchor = 0;
        for (std::int32_t q = 1; q <= m_; ++q) {
            if (mineAt_[static_cast<std::size_t>(q)] >= 0) {
                anchor = static_cast<std::size_t>(mineAt_[static_cast<std::size_t>(q)]) + 1;
                continue;
            }
            if (!KeepsFilesOnly(q)) continue;
            const Environment& d = disk_.At(q - 1);
            Entry t;
            t.name = d.EnvName;
            t.lines = d.TargetLines;
            t.disk = q;
            t.memoFile = MemoOnDisk(q);
            t.stored = {t.name, t.lines, {}, false, false};
            after[anchor].push_back(std::move(t));
        }
        std::vector<Entry> result = std::move(after[0]);
        for (std::size_t k = 0; k < mine_.size(); ++k) {
            result.push_back(std::move(mine_[k]));
            for (auto& t : after[k + 1]) result.push_back(std::move(t));
        }
        for (auto& c : copies_) result.push_back(std::move(c));
        return result;
    }

    const EnvList& envs_;
    const std::vector<StoredEnv>& stored_;
    MemoStage& memos_;
    EnvList disk_;
    std::int32_t m_ = 0, n_ = 0;  // the files' environments, the stored ones
    std::vector<std::int32_t> match_, diskAt_;
    std::vector<int> liveAt_;
    Notices notices_;
    std::vector<Entry> mine_, copies_;
    std::vector<int> mineAt_;  // the files' position -> index in mine_
};

}  // namespace

const std::string& OtherWindowMark() {
    static const std::string mark = Sjis("(別ｳｨﾝﾄﾞｳ)");
    return mark;
}

std::vector<StoredEnv> StoredFromLoaded(const EnvList& envs) {
    std::vector<StoredEnv> stored;
    stored.reserve(static_cast<std::size_t>(envs.Count()));
    for (int i = 0; i < envs.Count(); ++i) {
        const Environment& e = envs.At(i);
        stored.push_back({e.EnvName, e.TargetLines, e.MemoLines, !e.KeptMemoFile.empty(), true});
    }
    return stored;
}

EnvSave SaveEnvironmentChanges(IniFile& ini, bool iniOnDisk, const EnvList& envs,
                               const std::vector<StoredEnv>& stored, MemoStage& memos) {
    return EnvMerge(envs, stored, memos).Run(ini, iniOnDisk);
}

}  // namespace zarnik::settings
