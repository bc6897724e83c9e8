// The change count: two versions of a tree -> paired files -> line diff -> classified changes.
//
// Each file is read here, by its own read (whole, or up to the NUL where its text
// ends), and goes the way a count run takes it (the pre-check, UTF-8 to Shift-JIS,
// the counter of its kind, EUC/JIS per line), with the counter telling every
// line's class. The diff (libgit2's, Myers with a cost
// limit: linear when no line recurs, never quadratic in memory) runs over lines
// marked with their class, so a line is unchanged only when its text and its class
// are the same in both versions.
#include <dlfcn.h>
#include <fcntl.h>
#include <git2.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <functional>
#include <new>

#include "engine/path_at.h"
#include "engine/utf8_source.h"
#include "report/change.h"
#include "report/header.h"
#include "report/layout.h"
#include "report/report.h"
#include "run/collect.h"
#include "run/guarded_run.h"
#include "run/run.h"
#include "text/sjis.h"

namespace zarnik::run {

namespace {

using engine::LineClassOf;
using report::ChangeFigures;
using report::ChangeRecord;
using report::ChangeStatus;

// One version: its files and the folder their relative paths start after.
struct Version {
    FileCollection Found;
    std::string Base;
    bool NamesOneFile = false;  // the target line is a regular file's path
    bool NamesFolder = false;   // ... a folder's: without files it is an empty version
};

// Where a target line's relative paths start: a folder it names is the base
// itself; a pattern's matches (files or walked folders) are relative to the
// pattern's folder part.
void FindBase(const std::string& target, Version& v) {
    struct stat st;
    TargetParts parts = SplitTargetLine(target);
    if (!target.empty() && engine::StatPath(target, st) == 0) {
        if (S_ISREG(st.st_mode)) v.NamesOneFile = true;
        if (S_ISDIR(st.st_mode)) {
            v.NamesFolder = true;
            std::string base = (parts.Pattern == "." && !parts.Folder.empty()) ? parts.Folder : target;
            while (base.size() > 1 && base.back() == '/') base.pop_back();
            v.Base = base;
            return;
        }
    }
    v.Base = parts.Folder;
}

std::string_view Relative(std::string_view path, std::string_view base) {
    if (base.empty() || path.substr(0, base.size()) != base) return path;
    path.remove_prefix(base.size());
    while (!path.empty() && path.front() == '/') path.remove_prefix(1);
    return path;
}

struct Pair {
    std::string Rel;  // native
    const FoundFile* Old = nullptr;
    const FoundFile* New = nullptr;
};

// The report's order: by relative path folding ASCII letter case, as a sorted count
// report orders paths; paths equal but for case by their bytes.
bool RelLess(std::string_view a, std::string_view b) { return PathLess(a, b) || (!PathLess(b, a) && a < b); }

std::vector<Pair> PairFiles(const Version& oldV, const Version& newV) {
    std::vector<Pair> pairs;
    if (oldV.NamesOneFile && newV.NamesOneFile && oldV.Found.Files.size() == 1 &&
        newV.Found.Files.size() == 1) {
        const FoundFile& n = newV.Found.Files.front();
        pairs.push_back({std::string(n.Name()), &oldV.Found.Files.front(), &n});
        return pairs;
    }
    using Entry = std::pair<std::string_view, const FoundFile*>;
    auto listed = [](const Version& v) {
        std::vector<Entry> list;
        list.reserve(v.Found.Files.size());
        for (const FoundFile& f : v.Found.Files) list.emplace_back(Relative(f.Path, v.Base), &f);
        std::stable_sort(list.begin(), list.end(),
                         [](const Entry& a, const Entry& b) { return RelLess(a.first, b.first); });
        // A file found twice (through a link the pattern matched, say) is paired once.
        list.erase(std::unique(list.begin(), list.end(),
                               [](const Entry& a, const Entry& b) { return a.first == b.first; }),
                   list.end());
        return list;
    };
    const std::vector<Entry> olds = listed(oldV), news = listed(newV);
    pairs.reserve(std::max(olds.size(), news.size()));
    std::size_t i = 0, j = 0;
    while (i < olds.size() || j < news.size()) {
        if (j == news.size() || (i < olds.size() && RelLess(olds[i].first, news[j].first))) {
            pairs.push_back({std::string(olds[i].first), olds[i].second, nullptr});
            ++i;
        } else if (i == olds.size() || RelLess(news[j].first, olds[i].first)) {
            pairs.push_back({std::string(news[j].first), nullptr, news[j].second});
            ++j;
        } else {
            pairs.push_back({std::string(news[j].first), olds[i].second, news[j].second});
            ++i;
            ++j;
        }
    }
    return pairs;
}

// One version of one file, read and counted.
struct Loaded {
    bool Present = false;
    engine::Fd File;
    std::int64_t Size = 0;  // what the file system said when it was opened
    bool Whole = false;     // Bytes hold the file up to Size (or its end)
    engine::FileCounts Rec;
    engine::ByteBuffer Bytes, Spare;
    engine::LineLog Log;
    std::string_view Text;  // the counted text (Shift-JIS once UTF-8 was converted)

    // A file of no bytes at all.
    bool Empty() const { return Present && Whole && Size == 0 && Bytes.size() == 0; }
};

constexpr std::size_t kProbeBytes = 515;  // the pre-check's head
constexpr std::size_t kPiece = std::size_t{1} << 24;

// Reads the file as a count run does: the pre-check's head whatever the size says,
// and, unless headOnly, on to the size it had when it was opened, in pieces, up to
// the piece holding the first NUL (the text ends there: a sparse file does not cost
// its size). Present stays false when the file is gone or no regular file any more.
void ReadForChange(const std::string& path, bool headOnly, Loaded& f) {
    f.Present = f.Whole = false;
    f.Bytes.clear();
    f.File = engine::Fd(engine::OpenPath(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!f.File) {
        int e = errno;
        if (e == ENOENT || e == ENOTDIR || e == ELOOP || e == ENAMETOOLONG || e == ENXIO) return;
        throw engine::FileError(path, e);
    }
    struct stat st;
    if (::fstat(f.File.get(), &st) != 0) throw engine::FileError(path, errno);
    if (!S_ISREG(st.st_mode)) return;
    f.Present = true;
    f.Size = st.st_size;
    const std::uint64_t limit =
        headOnly ? kProbeBytes
                 : std::max<std::uint64_t>(static_cast<std::uint64_t>(std::max<off_t>(st.st_size, 0)),
                                           kProbeBytes);
    while (f.Bytes.size() < limit) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(limit - f.Bytes.size(), kPiece));
        char* dst = f.Bytes.Extend(piece);
        const std::size_t got = engine::ReadAt(f.File, dst, piece, f.Bytes.size(), path);
        f.Bytes.Commit(got);
        if (got < piece) {
            f.Whole = true;
            return;
        }
        if (std::memchr(dst, 0, got)) return;
    }
    f.Whole = !headOnly || static_cast<std::uint64_t>(f.Size) <= kProbeBytes;
}

// Whether both files hold the same bytes: what was read is compared in memory, the
// rest of a file read only up to a NUL is compared piece by piece from the disk.
bool SameBytes(const Loaded& a, const std::string& pathA, const Loaded& b, const std::string& pathB) {
    if (a.Whole && b.Whole)
        return a.Bytes.size() == b.Bytes.size() &&
               std::memcmp(a.Bytes.data(), b.Bytes.data(), a.Bytes.size()) == 0;
    if (a.Size != b.Size) return false;
    const std::size_t common = std::min(a.Bytes.size(), b.Bytes.size());
    if (std::memcmp(a.Bytes.data(), b.Bytes.data(), common) != 0) return false;
    std::vector<char> pa(1 << 20), pb(1 << 20);
    for (std::uint64_t at = common;;) {
        const std::size_t na = engine::ReadAt(a.File, pa.data(), pa.size(), at, pathA);
        const std::size_t nb = engine::ReadAt(b.File, pb.data(), pb.size(), at, pathB);
        if (na != nb || std::memcmp(pa.data(), pb.data(), na) != 0) return false;
        if (na < pa.size()) return true;
        at += na;
    }
}

// Counts what ReadForChange loaded as a count run counts a file of that name; with
// log each line's class (and converted text) is kept.
void CountLoaded(const engine::CountOptions& opt, const std::string& sjisName, Loaded& f,
                 engine::ConverterState& state, bool log) {
    engine::FileCounts& rec = f.Rec;
    rec = engine::FileCounts{};
    rec.Name = sjisName;
    rec.NameKind = engine::KindByName(opt, rec.Name);
    rec.Kind = engine::NoKind;
    f.Log.clear();
    f.Text = {};
    const bool read = engine::ChooseByMode(opt, rec.Name).Counter != engine::CounterId::None;
    engine::FileStatus probe = engine::ProbeBytes(f.Bytes.view());
    // A head without a line break may be UTF-8 that is shorter once converted.
    if (probe != engine::FileStatus::Counted &&
        !(probe == engine::FileStatus::Unfit && read && opt.ConvertUtf8)) {
        rec.Status = probe;
        return;
    }
    state.FromUtf8 = read && opt.ConvertUtf8 && engine::ConvertUtf8Source(f.Bytes, f.Spare);
    if (state.FromUtf8) probe = engine::ProbeConverted(f.Bytes.view(), probe);
    if (probe != engine::FileStatus::Counted) {
        rec.Status = probe;
        return;
    }
    f.Text = engine::TextForCounting(f.Bytes.view());
    state.LineClasses = log ? &f.Log : nullptr;
    struct Reset {
        engine::ConverterState& S;
        ~Reset() { S.LineClasses = nullptr; }
    } reset{state};
    engine::CountLoadedText(opt, f.Text, rec, state);
}

// Each distinct line (its text and its class) numbered once for both versions of
// a file, so that the diff compares numbers: a few bytes per distinct line,
// whatever the lines hold. The texts are the loaded files', which outlive the ids.
class LineIds {
public:
    void clear() {
        // The table of a large file is not kept for the small ones after it.
        if (slots_.size() > (std::size_t{1} << 16)) {
            slots_ = std::vector<std::uint32_t>();
            entries_ = std::vector<Entry>();
        }
        entries_.clear();
        std::fill(slots_.begin(), slots_.end(), 0u);
    }
    std::size_t size() const { return entries_.size(); }

    // line is shorter than 512 bytes: longer lines are never counted.
    std::uint32_t Id(std::string_view line, LineClassOf c) {
        if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
        const auto hash = static_cast<std::uint32_t>(std::hash<std::string_view>{}(line));
        const std::uint32_t sizeClass =
            static_cast<std::uint32_t>(line.size()) << 2 | static_cast<std::uint32_t>(c);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            const std::uint32_t slot = slots_[i];
            if (slot == 0) {
                entries_.push_back({line.data(), sizeClass, hash});
                slots_[i] = static_cast<std::uint32_t>(entries_.size());
                return static_cast<std::uint32_t>(entries_.size() - 1);
            }
            const Entry& e = entries_[slot - 1];
            if (e.Hash == hash && e.SizeClass == sizeClass &&
                std::memcmp(e.Data, line.data(), line.size()) == 0)
                return slot - 1;
        }
    }

private:
    struct Entry {
        const char* Data;
        std::uint32_t SizeClass;  // size << 2 | class
        std::uint32_t Hash;
    };

    void Grow() {
        const std::size_t size = std::max<std::size_t>(1024, slots_.size() * 2);
        slots_.assign(size, 0u);
        const std::size_t mask = size - 1;
        for (std::size_t id = 0; id < entries_.size(); ++id) {
            std::size_t i = entries_[id].Hash & mask;
            while (slots_[i] != 0) i = (i + 1) & mask;
            slots_[i] = static_cast<std::uint32_t>(id + 1);
        }
    }

    std::vector<Entry> entries_;
    std::vector<std::uint32_t> slots_;  // id + 1, 0 for a free slot
};

// The counted lines of a file as the diff sees them: one id and one class each.
// Lines of 512 bytes or more, which no count counts, are left out, so that they
// neither line the two versions up nor split a block of changes. With EUC/JIS
// the converted text is the line's. Beyond maxLines lines the diff library could
// not take the file: a FileError (EFBIG) of path.
void CountedLines(const Loaded& f, const std::string& path, std::size_t maxLines, LineIds& ids,
                  std::vector<std::uint32_t>& lineIds, std::vector<LineClassOf>& classes) {
    lineIds.clear();
    classes.clear();
    const engine::LineLog& log = f.Log;
    const bool converted = !log.ConvertedEnds.empty();
    engine::LineSplitter split(f.Text);
    std::string_view line;
    for (std::size_t i = 0; i < log.Classes.size() && split.Next(line); ++i) {
        const LineClassOf c = log.Classes[i];
        if (c == LineClassOf::NotCounted) continue;
        if (converted && i < log.ConvertedEnds.size()) {
            const std::size_t from = i == 0 ? 0 : log.ConvertedEnds[i - 1];
            line = std::string_view(log.Converted).substr(from, log.ConvertedEnds[i] - from);
        }
        if (lineIds.size() == maxLines) throw engine::FileError(path, EFBIG);
        lineIds.push_back(ids.Id(line, c));
        classes.push_back(c);
    }
}

// What the diff library reads of one version: its lines from `from` to `to` (the
// lines around them need no diff here), where each run of lines found in this
// version only (never unchanged, so inside a block of changes whatever the diff
// finds) is one line, `only`. A line is found in the other version when seen[id]
// holds more than other (the other version's count, one bit of which is other).
// Each line is its id as width digits of seven bits (bytes 0x80..0xFF, never a
// line break), then "\n". starts gets each line's first line in [from, to) (0 for
// from), then `to` - from.
void ReducedText(const std::vector<std::uint32_t>& ids, std::size_t from, std::size_t to,
                 const std::vector<std::uint8_t>& seen, std::uint8_t thisSide, std::uint32_t only,
                 std::size_t width, std::string& out, std::vector<std::uint32_t>& starts) {
    // thisSide is 1 (the old version: the new one's count is bits 2-3) or 4.
    const std::uint8_t otherMask = thisSide == 1 ? 12 : 3;
    const auto alone = [&](std::size_t i) { return (seen[ids[i]] & otherMask) == 0; };
    out.clear();
    starts.clear();
    for (std::size_t i = from; i < to; ++i) {
        std::uint32_t id = ids[i];
        if (alone(i)) {
            if (i > from && alone(i - 1)) continue;  // the run goes on
            id = only;
        }
        starts.push_back(static_cast<std::uint32_t>(i - from));
        for (std::size_t d = width; d-- > 0;) out.push_back(static_cast<char>(0x80 | (id >> (7 * d) & 0x7F)));
        out.push_back('\n');
    }
    starts.push_back(static_cast<std::uint32_t>(to - from));
}

ChangeFigures& Figures(ChangeRecord& rec, LineClassOf c) {
    return c == LineClassOf::Exec ? rec.Exec : c == LineClassOf::Comment ? rec.Comment : rec.Blank;
}

// Every counted line of a file as added (or deleted).
void AddWhole(const engine::LineLog& log, ChangeRecord& rec, bool added) {
    for (LineClassOf c : log.Classes)
        if (c != LineClassOf::NotCounted) ++(added ? Figures(rec, c).Added : Figures(rec, c).Deleted);
}

struct Hunk {
    std::size_t OldStart, OldLines, NewStart, NewLines;  // 0-based starts
};

int CollectHunk(const git_diff_delta*, const git_diff_hunk* h, void* payload) {
    auto* hunks = static_cast<std::vector<Hunk>*>(payload);
    // An empty side's start is the line it follows.
    const auto start = [](int s, int n) { return static_cast<std::size_t>(n > 0 ? s - 1 : s); };
    hunks->push_back({start(h->old_start, h->old_lines), static_cast<std::size_t>(h->old_lines),
                      start(h->new_start, h->new_lines), static_cast<std::size_t>(h->new_lines)});
    return 0;
}

// A hunk's d deleted and a added counted lines: same-class lines pair first, as
// changed lines of that class; of the rest, the first min(d', a') in line order are
// changed (taking the class of their new version), the others added or deleted.
// So changed is min(d, a) in all. Lines no counter counted take no part.
void TallyHunk(const Hunk& h, const std::vector<LineClassOf>& oldClasses,
               const std::vector<LineClassOf>& newClasses, ChangeRecord& rec) {
    std::array<std::size_t, 3> del{}, add{};
    for (std::size_t i = h.OldStart; i < h.OldStart + h.OldLines; ++i)
        if (oldClasses[i] != LineClassOf::NotCounted) ++del[static_cast<std::size_t>(oldClasses[i])];
    for (std::size_t i = h.NewStart; i < h.NewStart + h.NewLines; ++i)
        if (newClasses[i] != LineClassOf::NotCounted) ++add[static_cast<std::size_t>(newClasses[i])];
    std::array<std::size_t, 3> paired{};
    std::size_t restDel = 0, restAdd = 0;
    for (std::size_t k = 0; k < 3; ++k) {
        paired[k] = std::min(del[k], add[k]);
        restDel += del[k] - paired[k];
        restAdd += add[k] - paired[k];
    }
    const std::size_t crossed = std::min(restDel, restAdd);
    std::array<std::size_t, 3> seen{};
    std::size_t rest = 0;
    for (std::size_t i = h.NewStart; i < h.NewStart + h.NewLines; ++i) {
        const LineClassOf c = newClasses[i];
        if (c == LineClassOf::NotCounted) continue;
        const auto k = static_cast<std::size_t>(c);
        if (seen[k]++ < paired[k] || rest++ < crossed)
            ++Figures(rec, c).Changed;
        else
            ++Figures(rec, c).Added;
    }
    seen = {};
    rest = 0;
    for (std::size_t i = h.OldStart; i < h.OldStart + h.OldLines; ++i) {
        const LineClassOf c = oldClasses[i];
        if (c == LineClassOf::NotCounted) continue;
        const auto k = static_cast<std::size_t>(c);
        if (seen[k]++ < paired[k] || rest++ < crossed) continue;
        ++Figures(rec, c).Deleted;
    }
}

// libgit2 is loaded the first time a change count needs it: linked into the
// programs, it and the libraries it brings (TLS, SSH, Kerberos) took about 3 ms of
// every start, 4 % of a count over a tree of 10,000 files.
struct Libgit2 {
    decltype(&git_diff_options_init) DiffOptionsInit = nullptr;
    decltype(&git_diff_buffers) DiffBuffers = nullptr;
    decltype(&git_error_last) ErrorLast = nullptr;
};

template <typename F>
bool Take(void* lib, const char* name, F& f) {
    f = reinterpret_cast<F>(::dlsym(lib, name));
    return f != nullptr;
}

// Throws FileError naming the library when it cannot be loaded: the change count
// cannot be made without it.
const Libgit2& LoadLibgit2() {
    static const Libgit2 lib = [] {
        Libgit2 l;
        void* handle = ::dlopen(ZARNIK_LIBGIT2_SONAME, RTLD_NOW | RTLD_LOCAL);
        decltype(&git_libgit2_init) init = nullptr;
        if (!handle || !Take(handle, "git_libgit2_init", init) ||
            !Take(handle, "git_diff_options_init", l.DiffOptionsInit) ||
            !Take(handle, "git_diff_buffers", l.DiffBuffers) || !Take(handle, "git_error_last", l.ErrorLast))
            return Libgit2{};
        init();
        return l;
    }();
    if (!lib.DiffBuffers) throw engine::FileError(ZARNIK_LIBGIT2_SONAME, ENOENT);
    return lib;
}

// The state one change run keeps from pair to pair: each version's converter (the
// EUC/JIS shift state runs on through that version's files, as in a count run of
// it) and the buffers.
struct Comparer {
    const engine::CountOptions& Opt;
    engine::ConverterState OldState, NewState;
    Loaded Old, New;
    LineIds Ids;
    std::vector<std::uint32_t> OldIds, NewIds, OldStarts, NewStarts;
    std::vector<std::uint8_t> Seen;  // per id: times found in each version (see Diff)
    std::vector<std::uint32_t> NewLineOf, Tails, Before;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> Anchors;  // old line, new line
    std::string OldDiff, NewDiff;
    std::vector<LineClassOf> OldClasses, NewClasses;
    std::vector<Hunk> Hunks, PieceHunks;

    explicit Comparer(const engine::CountOptions& opt) : Opt(opt) {}

    // The library's limit: a longer text it takes for binary and gives no hunks.
    static constexpr std::size_t kMaxDiffText = std::size_t{1023} << 20;

    // The most lines the library reads at once where the versions can be cut.
    static constexpr std::size_t kPieceLines = std::size_t{1} << 16;

    // The library keeps some hundred bytes for each line it reads, so it reads only
    // the lines that can be unchanged: not the lines before the first difference
    // and after the last, and a run of lines found in one version only as one line.
    // A long file is cut into pieces of about kPieceLines lines where a line found
    // once in each version lines them up (as patience diff anchors them), and
    // each piece is diffed on its own.
    void Diff(const std::string& path, ChangeRecord& rec) {
        Ids.clear();
        // Each line takes at least two bytes of the library's text.
        CountedLines(Old, path, kMaxDiffText / 2, Ids, OldIds, OldClasses);
        CountedLines(New, path, kMaxDiffText / 2, Ids, NewIds, NewClasses);
        // Per id: how often it is found in the old version (bits 0-1) and in the
        // new one (bits 2-3), counting up to 2.
        Seen.assign(Ids.size(), 0);
        for (std::uint32_t id : OldIds)
            if ((Seen[id] & 3) < 2) ++Seen[id];
        for (std::uint32_t id : NewIds)
            if ((Seen[id] & 12) < 8) Seen[id] = static_cast<std::uint8_t>(Seen[id] + 4);
        const std::size_t common = std::min(OldIds.size(), NewIds.size());
        std::size_t head = 0, tail = 0;
        while (head < common && OldIds[head] == NewIds[head]) ++head;
        while (tail < common - head && OldIds[OldIds.size() - 1 - tail] == NewIds[NewIds.size() - 1 - tail])
            ++tail;
        Hunks.clear();
        const std::size_t oldEnd = OldIds.size() - tail, newEnd = NewIds.size() - tail;
        std::size_t i0 = head, j0 = head;
        if (oldEnd - head > kPieceLines || newEnd - head > kPieceLines) {
            FindAnchors(head, oldEnd);
            for (const auto& [i, j] : Anchors) {
                if (i - i0 < kPieceLines && j - j0 < kPieceLines) continue;
                DiffPiece(path, i0, i, j0, j);
                i0 = i + 1;
                j0 = j + 1;
            }
        }
        DiffPiece(path, i0, oldEnd, j0, newEnd);
        // The library also fails without saying so (out of memory inside its diff,
        // a text it takes for binary): no hunks, or hunks that do not cover every
        // difference. The lines between the hunks must be the same on both sides.
        if (!HunksCoverEveryDifference()) throw engine::FileError(path, ENOMEM);
        for (const Hunk& h : Hunks) TallyHunk(h, OldClasses, NewClasses, rec);
    }

    // Anchors gets the longest run, in the order of both versions, of the old
    // lines in [from, to) found once in each version, with their new line.
    void FindAnchors(std::size_t from, std::size_t to) {
        constexpr std::uint32_t kNone = 0xFFFFFFFFu;
        NewLineOf.assign(Ids.size(), kNone);
        for (std::size_t j = 0; j < NewIds.size(); ++j)
            if (Seen[NewIds[j]] == 5) NewLineOf[NewIds[j]] = static_cast<std::uint32_t>(j);
        Anchors.clear();
        for (std::size_t i = from; i < to; ++i)
            if (Seen[OldIds[i]] == 5)
                Anchors.emplace_back(static_cast<std::uint32_t>(i), NewLineOf[OldIds[i]]);
        // Patience sorting: Tails[k] is the anchor ending the best run of k + 1.
        Tails.clear();
        Before.assign(Anchors.size(), kNone);
        for (std::size_t a = 0; a < Anchors.size(); ++a) {
            const auto k = static_cast<std::size_t>(
                std::lower_bound(Tails.begin(), Tails.end(), Anchors[a].second,
                                 [this](std::uint32_t t, std::uint32_t j) { return Anchors[t].second < j; }) -
                Tails.begin());
            if (k > 0) Before[a] = Tails[k - 1];
            if (k == Tails.size())
                Tails.push_back(static_cast<std::uint32_t>(a));
            else
                Tails[k] = static_cast<std::uint32_t>(a);
        }
        // The run's anchors, into Tails in order, then to the front of Anchors (the
        // k-th stands at k or after it, so none is written over before it is read).
        const std::size_t length = Tails.size();
        std::uint32_t a = length ? Tails.back() : kNone;
        for (std::size_t k = length; k-- > 0; a = Before[a]) Tails[k] = a;
        for (std::size_t k = 0; k < length; ++k) Anchors[k] = Anchors[Tails[k]];
        Anchors.resize(length);
    }

    // Diffs old lines [i0, i1) against new lines [j0, j1) and appends the hunks.
    void DiffPiece(const std::string& path, std::size_t i0, std::size_t i1, std::size_t j0, std::size_t j1) {
        const auto only = static_cast<std::uint32_t>(Ids.size());  // and only + 1: in neither version
        std::size_t width = 1;
        while (width < 5 && Ids.size() + 2 > (std::size_t{1} << (7 * width))) ++width;
        ReducedText(OldIds, i0, i1, Seen, 1, only, width, OldDiff, OldStarts);
        ReducedText(NewIds, j0, j1, Seen, 4, only + 1, width, NewDiff, NewStarts);
        if (std::max(OldDiff.size(), NewDiff.size()) > kMaxDiffText) throw engine::FileError(path, EFBIG);
        const Libgit2& git = LoadLibgit2();
        git_diff_options o;
        git.DiffOptionsInit(&o, GIT_DIFF_OPTIONS_VERSION);
        o.context_lines = 0;
        o.interhunk_lines = 0;
        o.flags = GIT_DIFF_FORCE_TEXT;
        PieceHunks.clear();
        if (git.DiffBuffers(OldDiff.data(), OldDiff.size(), nullptr, NewDiff.data(), NewDiff.size(), nullptr,
                            &o, nullptr, nullptr, CollectHunk, nullptr, &PieceHunks) != 0) {
            // A wrong figure is never given: the run ends with this file.
            const git_error* e = git.ErrorLast();
            throw engine::FileError(path, e && e->klass == GIT_ERROR_NOMEMORY ? ENOMEM : EIO);
        }
        // Back to the files' lines.
        for (Hunk h : PieceHunks) {
            if (h.OldStart + h.OldLines >= OldStarts.size() || h.NewStart + h.NewLines >= NewStarts.size())
                throw engine::FileError(path, EIO);
            const std::size_t oldEnd = i0 + OldStarts[h.OldStart + h.OldLines],
                              newEnd = j0 + NewStarts[h.NewStart + h.NewLines];
            h.OldStart = i0 + OldStarts[h.OldStart];
            h.OldLines = oldEnd - h.OldStart;
            h.NewStart = j0 + NewStarts[h.NewStart];
            h.NewLines = newEnd - h.NewStart;
            Hunks.push_back(h);
        }
    }

    bool HunksCoverEveryDifference() const {
        std::size_t i = 0, j = 0;
        const auto same = [&](std::size_t oldEnd, std::size_t newEnd) {
            return oldEnd >= i && newEnd >= j && oldEnd - i == newEnd - j &&
                   std::equal(OldIds.begin() + static_cast<std::ptrdiff_t>(i),
                              OldIds.begin() + static_cast<std::ptrdiff_t>(oldEnd),
                              NewIds.begin() + static_cast<std::ptrdiff_t>(j));
        };
        for (const Hunk& h : Hunks) {
            if (h.OldStart + h.OldLines > OldIds.size() || h.NewStart + h.NewLines > NewIds.size() ||
                !same(h.OldStart, h.NewStart))
                return false;
            i = h.OldStart + h.OldLines;
            j = h.NewStart + h.NewLines;
        }
        return same(OldIds.size(), NewIds.size());
    }

    // The record of one pair; false when neither file is there any more.
    bool Compare(const Pair& pair, ChangeRecord& rec) {
        rec = ChangeRecord{};
        rec.NativePath = pair.Rel;
        rec.Path = NativeToSjis(pair.Rel);
        Old.Present = New.Present = false;
        // A file no counter takes is read no further than the pre-check needs: it is
        // 除外 whatever it holds.
        const std::string oldName = pair.Old ? NativeToSjis(pair.Old->Name()) : std::string();
        const std::string newName = pair.New ? NativeToSjis(pair.New->Name()) : std::string();
        const auto headOnly = [this](const std::string& sjisName) {
            return engine::ChooseByMode(Opt, sjisName).Counter == engine::CounterId::None;
        };
        const bool oldHead = pair.Old && headOnly(oldName), newHead = pair.New && headOnly(newName);
        if (pair.Old) ReadForChange(pair.Old->Path, oldHead, Old);
        if (pair.New) ReadForChange(pair.New->Path, newHead, New);
        if (!Old.Present && !New.Present) return false;
        const bool same = Old.Present && New.Present && !oldHead && !newHead &&
                          SameBytes(Old, pair.Old->Path, New, pair.New->Path);
        const bool classify = !same;
        if (Old.Present && (!same || Opt.ConvertEucJis)) CountLoaded(Opt, oldName, Old, OldState, classify);
        if (New.Present) CountLoaded(Opt, newName, New, NewState, classify);
        // An empty version is a file of no lines beside a counted one: its lines are
        // all added, or all deleted (a count run finds nothing to count in it).
        if (Old.Present && New.Present && Old.Empty() != New.Empty()) {
            Loaded& empty = Old.Empty() ? Old : New;
            const Loaded& filled = Old.Empty() ? New : Old;
            if (filled.Rec.Status == engine::FileStatus::Counted) {
                empty.Rec.Status = engine::FileStatus::Counted;
                empty.Rec.Kind = filled.Rec.Kind;
                empty.Log.clear();
                empty.Text = {};
            }
        }

        const Loaded& shown = New.Present ? New : Old;
        rec.KindText = engine::KindTable(shown.Rec.NameKind).KindText;
        const Loaded* failed = nullptr;
        if (New.Present && New.Rec.Status != engine::FileStatus::Counted)
            failed = &New;
        else if (Old.Present && !same && Old.Rec.Status != engine::FileStatus::Counted)
            failed = &Old;
        if (failed) {
            rec.Status = ChangeStatus::Skipped;
            rec.KindText = engine::KindTable(failed->Rec.NameKind).KindText;
            rec.Message = report::StatusText(failed->Rec.Status);
            return true;
        }
        rec.Kind = shown.Rec.Kind;
        // Guessing (VsrcFl 4) may find the kind of one version only: the pair is
        // filed under the kind found, the new version's first.
        if (rec.Kind == engine::NoKind && Old.Present && !same) rec.Kind = Old.Rec.Kind;
        if (same) {
            rec.Status = ChangeStatus::Unchanged;
        } else if (!Old.Present) {
            rec.Status = ChangeStatus::Added;
            AddWhole(New.Log, rec, true);
        } else if (!New.Present) {
            rec.Status = ChangeStatus::Deleted;
            AddWhole(Old.Log, rec, false);
        } else {
            rec.Status = ChangeStatus::Changed;
            Diff(pair.New->Path, rec);
        }
        if (Opt.BlankAddsToComment) rec.Comment += rec.Blank;
        return true;
    }

    // Compare, where running out of memory on a file is a read error of that file.
    bool CompareOrFail(const Pair& pair, ChangeRecord& rec) {
        try {
            return Compare(pair, rec);
        } catch (const std::bad_alloc&) {
            for (Loaded* f : {&Old, &New}) {
                f->Bytes.Release();
                f->Spare.Release();
                f->Log = engine::LineLog{};
            }
            OldDiff = NewDiff = std::string();
            OldIds = NewIds = OldStarts = NewStarts = NewLineOf = Tails = Before =
                std::vector<std::uint32_t>();
            Seen = std::vector<std::uint8_t>();
            Anchors = {};
            Ids = LineIds();
            throw engine::FileError(pair.New ? pair.New->Path : pair.Old->Path, ENOMEM);
        }
    }
};

bool CollectVersion(const std::string& target, bool subfolders, ProgressObserver& progress, Version& v,
                    std::int64_t& foundBefore) {
    progress.Pump();
    if (progress.CancelRequested()) return false;
    // The found count runs on from the old version into the new one.
    struct Offset : ProgressObserver {
        ProgressObserver& Outer;
        std::int64_t Before;
        Offset(ProgressObserver& o, std::int64_t b) : Outer(o), Before(b) {}
        void Found(std::int64_t n) override { Outer.Found(Before + n); }
        void Pump() override { Outer.Pump(); }
        bool CancelRequested() const override { return Outer.CancelRequested(); }
    } counting(progress, foundBefore);
    FindBase(target, v);
    CollectTargetLine(target, v.Found, subfolders, counting);
    foundBefore += static_cast<std::int64_t>(v.Found.Files.size());
    return !progress.CancelRequested();
}

void ComparePairs(const ChangeInput& input, const engine::CountOptions& opt,
                  const report::ReportLayout& layout, const std::vector<Pair>& pairs, ReportSink& sink,
                  ProgressObserver& progress, RunOutcome& outcome) {
    std::int32_t nameLength = 0;
    for (const Pair& p : pairs) nameLength = std::max(nameLength, SjisLength(p.Rel));
    const auto total = static_cast<std::int64_t>(pairs.size());
    progress.Counting(total);

    detail::OpenReport(sink, report::FormatChangeColumnHeader(nameLength),
                       report::FormatHeadLine(layout, input.EnvName, input.Now),
                       report::FormatChangeRule(1, nameLength),
                       {report::FormatChangeVersionLine(true, NativeToSjis(input.OldTarget)),
                        report::FormatChangeVersionLine(false, NativeToSjis(input.NewTarget))});

    report::ChangeTotals totals;
    Comparer comparer(opt);
    ChangeRecord rec;
    bool cancelled = false;
    std::int64_t number = 0;
    for (const Pair& pair : pairs) {
        progress.Pump();
        if (progress.CancelRequested()) {
            cancelled = true;
            break;
        }
        ++number;
        if (progress.FileNext(number, total)) progress.FilePath(NativeToSjis(pair.Rel));
        if (!comparer.CompareOrFail(pair, rec)) continue;
        if (rec.Status == ChangeStatus::Skipped && !layout.ErrorLines) continue;
        report::AddToChangeTotals(rec, totals);
        if (rec.Status != ChangeStatus::Skipped) ++outcome.FilesCounted;
        sink.Change(rec);
        sink.Line(report::FormatChangeLine(rec, nameLength));
    }
    report::WriteChangeClosingBlock(totals, nameLength,
                                    [&sink](const std::string& line) { sink.Line(line); });
    if (cancelled) {
        sink.Line(detail::CancelledLine(number, total));
        outcome.End = RunEnd::Cancelled;
    }
}

}  // namespace

std::string NoFilesText(const RunOutcome& outcome) {
    if (outcome.EmptyVersions.empty()) return NoFilesText();
    return outcome.EmptyVersions + "\r\n" + NoFilesText();
}

RunOutcome RunSession::CountChanges(const ChangeInput& input, const settings::Settings& cnf, ReportSink& sink,
                                    ProgressObserver& progress) {
    return detail::GuardedRun(sink, progress, [&](RunOutcome& outcome) {
        // As in a count: a line that will be refused is refused before any walk.
        RefuseNulBytes(input.OldTarget);
        RefuseNulBytes(input.NewTarget);
        progress.Collecting();
        Version oldV, newV;
        std::int64_t found = 0;
        const bool subfolders = WalksSubfolders(cnf);
        if (!CollectVersion(input.OldTarget, subfolders, progress, oldV, found) ||
            !CollectVersion(input.NewTarget, subfolders, progress, newV, found)) {
            outcome.End = RunEnd::Cancelled;
        } else if (const bool noOld = oldV.Found.Files.empty(), noNew = newV.Found.Files.empty();
                   (noOld && (!oldV.NamesFolder || noNew)) || (noNew && !newV.NamesFolder)) {
            // A target that finds nothing is a mistake to be told, not a whole
            // version added or deleted; an empty folder is an empty version, unless
            // both are empty.
            outcome.End = RunEnd::NoFiles;
            if (noOld)
                outcome.EmptyVersions += report::FormatChangeVersionLine(true, NativeToSjis(input.OldTarget));
            if (noOld && noNew) outcome.EmptyVersions += "\r\n";
            if (noNew)
                outcome.EmptyVersions +=
                    report::FormatChangeVersionLine(false, NativeToSjis(input.NewTarget));
        } else {
            const std::vector<Pair> pairs = PairFiles(oldV, newV);
            ComparePairs(input, engine::CountOptions::From(cnf), report::ReportLayout::From(cnf), pairs, sink,
                         progress, outcome);
        }
    });
}

}  // namespace zarnik::run
