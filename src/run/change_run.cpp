// The change count: two versions of a tree -> paired files -> line diff -> classified changes.
//
// Each file is read here, by its own read (whole, or up to the NUL where its text
// ends), and goes the way a count run takes it (the pre-check, UTF-8 to Shift-JIS,
// the counter of its kind, EUC/JIS per line), with the counter telling every
// line's class. The diff runs over lines marked with their class, so a line is
// unchanged only when its text and its class are the same in both versions.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>
#include <optional>

#include "engine/count.h"
#include "engine/lines.h"
#include "engine/path_at.h"
#include "engine/source_kind.h"
#include "engine/utf8_source.h"
#include "report/change.h"
#include "report/change_events.h"
#include "report/kind_words.h"
#include "report/layout.h"
#include "report/report.h"
#include "run/change_pairs.h"
#include "run/change_tally.h"
#include "run/collect.h"
#include "run/count_options.h"
#include "run/git_tree.h"
#include "run/guarded_run.h"
#include "run/line_diff.h"
#include "run/run.h"
#include "text/sjis.h"

namespace zarnik::run {

namespace {

using detail::Pair;
using detail::Version;
using report::ChangeRecord;
using report::ChangeStatus;

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

// The stored bytes of a version as ReadForChange reads a file holding them.
void LoadStored(std::string_view bytes, bool headOnly, Loaded& f) {
    f.File = engine::Fd();
    f.Present = true;
    f.Size = static_cast<std::int64_t>(bytes.size());
    const std::size_t n = headOnly ? std::min(bytes.size(), kProbeBytes) : bytes.size();
    f.Bytes.clear();
    if (n > 0) std::memcpy(f.Bytes.Extend(n), bytes.data(), n);
    f.Bytes.Commit(n);
    f.Whole = !headOnly || bytes.size() <= kProbeBytes;
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
    rec.NameKind = engine::ShownKind(opt, rec.Name);
    rec.Kind = engine::NoKind;
    f.Log.clear();
    f.Text = {};
    const bool read = engine::ReadsFile(opt, rec.Name);
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

// The state one change run keeps from pair to pair: each version's converter (the
// EUC/JIS shift state runs on through that version's files, as in a count run of
// it) and the buffers.
struct Comparer {
    const engine::CountOptions& Opt;
    engine::ConverterState OldState, NewState;
    Loaded Old, New;
    detail::HunkFinder Hunks;
    // Where each version's files are stored, or null for files on disk.
    RevisionFiles* OldRevision = nullptr;
    RevisionFiles* NewRevision = nullptr;

    explicit Comparer(const engine::CountOptions& opt) : Opt(opt) {}

    static void Read(const FoundFile& file, bool headOnly, RevisionFiles* revision, Loaded& f) {
        if (revision)
            LoadStored(revision->Read(file), headOnly, f);
        else
            ReadForChange(file.Path, headOnly, f);
    }

    // Reads and counts both versions of a pair; false when neither file is there
    // any more. same: both hold the same bytes (and were not classified line by line).
    bool Load(const Pair& pair, bool& same) {
        Old.Present = New.Present = false;
        // A file no counter takes is read no further than the pre-check needs: it is
        // 除外 whatever it holds.
        const std::string oldName = pair.Old ? NativeToSjis(pair.Old->Name()) : std::string();
        const std::string newName = pair.New ? NativeToSjis(pair.New->Name()) : std::string();
        const auto headOnly = [this](const std::string& sjisName) {
            return !engine::ReadsFile(Opt, sjisName);
        };
        const bool oldHead = pair.Old && headOnly(oldName), newHead = pair.New && headOnly(newName);
        if (pair.Old) Read(*pair.Old, oldHead, OldRevision, Old);
        if (pair.New) Read(*pair.New, newHead, NewRevision, New);
        if (!Old.Present && !New.Present) return false;
        same = Old.Present && New.Present && !oldHead && !newHead &&
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
        return true;
    }

    // The record of one pair; false when neither file is there any more.
    bool Compare(const Pair& pair, ChangeRecord& rec) {
        rec = ChangeRecord{};
        rec.NativePath = pair.Rel;
        rec.Path = NativeToSjis(pair.Rel);
        bool same = false;
        if (!Load(pair, same)) return false;
        const Loaded& shown = New.Present ? New : Old;
        rec.NameKind = shown.Rec.NameKind;
        const Loaded* failed = nullptr;
        if (New.Present && New.Rec.Status != engine::FileStatus::Counted)
            failed = &New;
        else if (Old.Present && !same && Old.Rec.Status != engine::FileStatus::Counted)
            failed = &Old;
        if (failed) {
            rec.Status = ChangeStatus::Skipped;
            rec.NameKind = failed->Rec.NameKind;
            rec.Reason = failed->Rec.Status;
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
            detail::TallyWholeFile(New.Log.Classes, true, rec);
        } else if (!New.Present) {
            rec.Status = ChangeStatus::Deleted;
            detail::TallyWholeFile(Old.Log.Classes, false, rec);
        } else {
            rec.Status = ChangeStatus::Changed;
            Hunks.Find({Old.Log, Old.Text}, {New.Log, New.Text}, pair.New->Path);
            for (const detail::Hunk& h : Hunks.Hunks())
                detail::TallyHunk(h, Hunks.OldClasses(), Hunks.NewClasses(), rec);
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
            Hunks.Release();
            throw engine::FileError(pair.New ? pair.New->Path : pair.Old->Path, ENOMEM);
        }
    }
};

// Compares the pairs in order, telling each file that has a row and summing the
// totals; number gets how many pairs were taken. False when the user cancelled.
bool TakePairs(const std::vector<Pair>& pairs, Comparer& comparer, bool errorRows,
               report::ChangeEvents& events, ProgressObserver& progress, report::ChangeTotals& totals,
               std::int64_t& number, RunOutcome& outcome) {
    const auto total = static_cast<std::int64_t>(pairs.size());
    ChangeRecord rec;
    for (const Pair& pair : pairs) {
        progress.Pump();
        if (progress.CancelRequested()) return false;
        ++number;
        if (progress.FileNext(number, total)) progress.FilePath(NativeToSjis(pair.Rel));
        if (!comparer.CompareOrFail(pair, rec)) continue;
        if (rec.Status == ChangeStatus::Skipped && !errorRows) continue;
        report::AddToChangeTotals(rec, totals);
        if (rec.Status != ChangeStatus::Skipped) ++outcome.FilesCounted;
        events.File(rec);
    }
    return true;
}

// Where each version comes from: the targets as the header shows them, and the
// stored revisions the files are read from (null: from disk).
struct VersionSources {
    std::string OldShown, NewShown;
    RevisionFiles* OldRevision = nullptr;
    RevisionFiles* NewRevision = nullptr;
};

void ComparePairs(const ChangeInput& input, const VersionSources& sources, const settings::Settings& cnf,
                  const std::vector<Pair>& pairs, report::ChangeEvents& events, ProgressObserver& progress,
                  RunOutcome& outcome) {
    std::int32_t nameLength = 0;
    for (const Pair& p : pairs) nameLength = std::max(nameLength, SjisLength(p.Rel));
    const auto total = static_cast<std::int64_t>(pairs.size());
    progress.Counting(total);
    events.Begin({sources.OldShown, sources.NewShown, input.EnvName, input.Now, cnf, nameLength});

    report::ChangeTotals totals;
    const engine::CountOptions opt = run::CountOptionsFrom(cnf);
    Comparer comparer(opt);
    comparer.OldRevision = sources.OldRevision;
    comparer.NewRevision = sources.NewRevision;
    std::int64_t number = 0;
    bool finished = false;
    try {
        finished = TakePairs(pairs, comparer, report::ReportLayout::From(cnf).ErrorLines, events, progress,
                             totals, number, outcome);
    } catch (...) {
        // What was told stays; the run ends here without totals.
        events.End(report::ChangeRunEnd::Failed, number, total);
        throw;
    }
    events.Totals(totals);
    if (!finished) outcome.End = RunEnd::Cancelled;
    events.End(finished ? report::ChangeRunEnd::Finished : report::ChangeRunEnd::Cancelled, number, total);
}

}  // namespace

std::string NoFilesText(const RunOutcome& outcome) {
    if (outcome.EmptyVersions.empty()) return NoFilesText();
    return outcome.EmptyVersions + "\r\n" + NoFilesText();
}

RunOutcome RunSession::CountChanges(const ChangeInput& input, const settings::Settings& cnf,
                                    report::ChangeEvents& events, ProgressObserver& progress) {
    return CountChangesFrom(input, nullptr, nullptr, cnf, events, progress);
}

RunOutcome RunSession::CountRevisionChanges(const ChangeInput& input, const std::string& oldRevision,
                                            const std::string& newRevision, const settings::Settings& cnf,
                                            report::ChangeEvents& events, ProgressObserver& progress) {
    return CountChangesFrom(input, &oldRevision, &newRevision, cnf, events, progress);
}

RunOutcome RunSession::CountChangesFrom(const ChangeInput& input, const std::string* oldRevision,
                                        const std::string* newRevision, const settings::Settings& cnf,
                                        report::ChangeEvents& events, ProgressObserver& progress) {
    return detail::GuardedRun(progress, [&](RunOutcome& outcome) {
        // As in a count: a line that will be refused is refused before any walk.
        RefuseNulBytes(input.OldTarget);
        RefuseNulBytes(input.NewTarget);
        std::optional<RevisionFiles> oldStored, newStored;
        VersionSources sources{input.OldTarget, input.NewTarget};
        if (oldRevision) {
            sources.OldRevision = &oldStored.emplace(*oldRevision);
            sources.OldShown = *oldRevision + ":" + input.OldTarget;
        }
        if (newRevision) {
            sources.NewRevision = &newStored.emplace(*newRevision);
            sources.NewShown = *newRevision + ":" + input.NewTarget;
        }
        progress.Collecting();
        Version oldV, newV;
        oldV.Found.FollowGitIgnore = newV.Found.FollowGitIgnore = FollowsGitIgnore(cnf);
        std::int64_t found = 0;
        const bool subfolders = WalksSubfolders(cnf);
        if (!detail::CollectVersion(input.OldTarget, subfolders, progress, oldV, found,
                                    sources.OldRevision) ||
            !detail::CollectVersion(input.NewTarget, subfolders, progress, newV, found,
                                    sources.NewRevision)) {
            outcome.End = RunEnd::Cancelled;
        } else if (const bool noOld = oldV.Found.Files.empty(), noNew = newV.Found.Files.empty();
                   (noOld && (!oldV.NamesFolder || noNew)) || (noNew && !newV.NamesFolder)) {
            // A target that finds nothing is a mistake to be told, not a whole
            // version added or deleted; an empty folder is an empty version, unless
            // both are empty.
            outcome.End = RunEnd::NoFiles;
            if (noOld)
                outcome.EmptyVersions +=
                    report::FormatChangeVersionLine(true, NativeToSjis(sources.OldShown));
            if (noOld && noNew) outcome.EmptyVersions += "\r\n";
            if (noNew)
                outcome.EmptyVersions +=
                    report::FormatChangeVersionLine(false, NativeToSjis(sources.NewShown));
        } else {
            ComparePairs(input, sources, cnf, detail::PairFiles(oldV, newV), events, progress, outcome);
        }
    });
}

}  // namespace zarnik::run
