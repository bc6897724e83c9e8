#include "run/line_diff.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>

#include "engine/lines.h"

namespace zarnik::run::detail {

namespace {

using engine::LineClassOf;

// The most lines the diff reads at once where the versions can be cut.
constexpr std::size_t kPieceLines = std::size_t{1} << 16;

// The counted lines of a file as the diff sees them: one id and one class each.
// Lines of 512 bytes or more, which no count counts, are left out, so that they
// neither line the two versions up nor split a block of changes. With EUC/JIS
// the converted text is the line's. Beyond kMaxDiffLines lines the diff could not
// take the file: a FileError (EFBIG) of path.
void CountedLines(const CountedText& f, const std::string& path, LineIds& ids,
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
        if (lineIds.size() == kMaxDiffLines) throw engine::FileError(path, EFBIG);
        lineIds.push_back(ids.Id(line, c));
        classes.push_back(c);
    }
}

// What the diff reads of one version: its lines from `from` to `to` (the lines
// around them need no diff here), where each run of lines found in this version
// only (never unchanged, so inside a block of changes whatever the diff finds) is
// one line, `only`. A line is found in the other version when seen[id] holds more
// than other (the other version's count, one bit of which is other). starts gets
// each reduced line's first line in [from, to) (0 for from), then `to` - from.
void Reduce(const std::vector<std::uint32_t>& ids, std::size_t from, std::size_t to,
            const std::vector<std::uint8_t>& seen, std::uint8_t thisSide, std::uint32_t only,
            std::vector<std::uint32_t>& out, std::vector<std::uint32_t>& starts) {
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
        out.push_back(id);
    }
    starts.push_back(static_cast<std::uint32_t>(to - from));
}

}  // namespace

void LineIds::clear() {
    // The table of a large file is not kept for the small ones after it.
    if (slots_.size() > (std::size_t{1} << 16)) {
        slots_ = std::vector<std::uint32_t>();
        entries_ = std::vector<Entry>();
    }
    entries_.clear();
    std::fill(slots_.begin(), slots_.end(), 0u);
}

std::uint32_t LineIds::Id(std::string_view line, LineClassOf c) {
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
        if (e.Hash == hash && e.SizeClass == sizeClass && std::memcmp(e.Data, line.data(), line.size()) == 0)
            return slot - 1;
    }
}

void LineIds::Grow() {
    const std::size_t size = std::max<std::size_t>(1024, slots_.size() * 2);
    slots_.assign(size, 0u);
    const std::size_t mask = size - 1;
    for (std::size_t id = 0; id < entries_.size(); ++id) {
        std::size_t i = entries_[id].Hash & mask;
        while (slots_[i] != 0) i = (i + 1) & mask;
        slots_[i] = static_cast<std::uint32_t>(id + 1);
    }
}

// The diff keeps some hundred bytes for each line it reads, so it reads only the
// lines that can be unchanged: not the lines before the first difference and
// after the last, and a run of lines found in one version only as one line. A long
// file is cut into pieces of about kPieceLines lines where a line found once in
// each version lines them up (as patience diff anchors them), and each piece is
// diffed on its own.
void HunkFinder::Find(const CountedText& oldText, const CountedText& newText, const std::string& path) {
    ids_.clear();
    CountedLines(oldText, path, ids_, oldIds_, oldClasses_);
    CountedLines(newText, path, ids_, newIds_, newClasses_);
    // Per id: how often it is found in the old version (bits 0-1) and in the new
    // one (bits 2-3), counting up to 2.
    seen_.assign(ids_.size(), 0);
    for (std::uint32_t id : oldIds_)
        if ((seen_[id] & 3) < 2) ++seen_[id];
    for (std::uint32_t id : newIds_)
        if ((seen_[id] & 12) < 8) seen_[id] = static_cast<std::uint8_t>(seen_[id] + 4);
    const std::size_t common = std::min(oldIds_.size(), newIds_.size());
    std::size_t head = 0, tail = 0;
    while (head < common && oldIds_[head] == newIds_[head]) ++head;
    while (tail < common - head && oldIds_[oldIds_.size() - 1 - tail] == newIds_[newIds_.size() - 1 - tail])
        ++tail;
    hunks_.clear();
    const std::size_t oldEnd = oldIds_.size() - tail, newEnd = newIds_.size() - tail;
    std::size_t i0 = head, j0 = head;
    if (oldEnd - head > kPieceLines || newEnd - head > kPieceLines) {
        FindAnchors(head, oldEnd);
        for (const auto& [i, j] : anchors_) {
            if (i - i0 < kPieceLines && j - j0 < kPieceLines) continue;
            DiffPiece(path, i0, i, j0, j);
            i0 = i + 1;
            j0 = j + 1;
        }
    }
    DiffPiece(path, i0, oldEnd, j0, newEnd);
    // The diff also fails without saying so (out of memory inside it, a text it
    // takes for binary): no hunks, or hunks that do not cover every difference.
    // The lines between the hunks must be the same on both sides.
    if (!HunksCoverEveryDifference()) throw engine::FileError(path, ENOMEM);
}

// anchors_ gets the longest run, in the order of both versions, of the old lines
// in [from, to) found once in each version, with their new line.
void HunkFinder::FindAnchors(std::size_t from, std::size_t to) {
    constexpr std::uint32_t kNone = 0xFFFFFFFFu;
    newLineOf_.assign(ids_.size(), kNone);
    for (std::size_t j = 0; j < newIds_.size(); ++j)
        if (seen_[newIds_[j]] == 5) newLineOf_[newIds_[j]] = static_cast<std::uint32_t>(j);
    anchors_.clear();
    for (std::size_t i = from; i < to; ++i)
        if (seen_[oldIds_[i]] == 5)
            anchors_.emplace_back(static_cast<std::uint32_t>(i), newLineOf_[oldIds_[i]]);
    // Patience sorting: tails_[k] is the anchor ending the best run of k + 1.
    tails_.clear();
    before_.assign(anchors_.size(), kNone);
    for (std::size_t a = 0; a < anchors_.size(); ++a) {
        const auto k = static_cast<std::size_t>(
            std::lower_bound(tails_.begin(), tails_.end(), anchors_[a].second,
                             [this](std::uint32_t t, std::uint32_t j) { return anchors_[t].second < j; }) -
            tails_.begin());
        if (k > 0) before_[a] = tails_[k - 1];
        if (k == tails_.size())
            tails_.push_back(static_cast<std::uint32_t>(a));
        else
            tails_[k] = static_cast<std::uint32_t>(a);
    }
    // The run's anchors, into tails_ in order, then to the front of anchors_ (the
    // k-th stands at k or after it, so none is written over before it is read).
    const std::size_t length = tails_.size();
    std::uint32_t a = length ? tails_.back() : kNone;
    for (std::size_t k = length; k-- > 0; a = before_[a]) tails_[k] = a;
    for (std::size_t k = 0; k < length; ++k) anchors_[k] = anchors_[tails_[k]];
    anchors_.resize(length);
}

// Diffs old lines [i0, i1) against new lines [j0, j1) and appends the hunks.
void HunkFinder::DiffPiece(const std::string& path, std::size_t i0, std::size_t i1, std::size_t j0,
                           std::size_t j1) {
    const auto only = static_cast<std::uint32_t>(ids_.size());  // and only + 1: in neither version
    Reduce(oldIds_, i0, i1, seen_, 1, only, oldReduced_, oldStarts_);
    Reduce(newIds_, j0, j1, seen_, 4, only + 1, newReduced_, newStarts_);
    if (!diff_) diff_ = MakeLibgit2Diff();
    pieceHunks_.clear();
    // A wrong figure is never given: the run ends with this file.
    if (const int failed = diff_->Diff(oldReduced_, newReduced_, only + 2, pieceHunks_); failed != 0)
        throw engine::FileError(path, failed);
    // Back to the files' lines.
    for (Hunk h : pieceHunks_) {
        if (h.OldStart + h.OldLines >= oldStarts_.size() || h.NewStart + h.NewLines >= newStarts_.size())
            throw engine::FileError(path, EIO);
        const std::size_t oldEnd = i0 + oldStarts_[h.OldStart + h.OldLines],
                          newEnd = j0 + newStarts_[h.NewStart + h.NewLines];
        h.OldStart = i0 + oldStarts_[h.OldStart];
        h.OldLines = oldEnd - h.OldStart;
        h.NewStart = j0 + newStarts_[h.NewStart];
        h.NewLines = newEnd - h.NewStart;
        hunks_.push_back(h);
    }
}

bool HunkFinder::HunksCoverEveryDifference() const {
    std::size_t i = 0, j = 0;
    const auto same = [&](std::size_t oldEnd, std::size_t newEnd) {
        return oldEnd >= i && newEnd >= j && oldEnd - i == newEnd - j &&
               std::equal(oldIds_.begin() + static_cast<std::ptrdiff_t>(i),
                          oldIds_.begin() + static_cast<std::ptrdiff_t>(oldEnd),
                          newIds_.begin() + static_cast<std::ptrdiff_t>(j));
    };
    for (const Hunk& h : hunks_) {
        if (h.OldStart + h.OldLines > oldIds_.size() || h.NewStart + h.NewLines > newIds_.size() ||
            !same(h.OldStart, h.NewStart))
            return false;
        i = h.OldStart + h.OldLines;
        j = h.NewStart + h.NewLines;
    }
    return same(oldIds_.size(), newIds_.size());
}

void HunkFinder::Release() {
    if (diff_) diff_->Release();
    oldIds_ = newIds_ = oldStarts_ = newStarts_ = oldReduced_ = newReduced_ = newLineOf_ = tails_ = before_ =
        std::vector<std::uint32_t>();
    seen_ = std::vector<std::uint8_t>();
    anchors_ = {};
    ids_ = LineIds();
}

}  // namespace zarnik::run::detail
