// The line diff of a change count: each counted line numbered by its text and
// class, the lines a diff need not see left out, a long file cut into pieces at
// lines found once in each version, and the hunks checked to cover every
// difference. The diff itself is a LineDiff; the rest never sees the library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/count.h"

namespace zarnik::run::detail {

// A block of lines that differ: old lines [OldStart, OldStart + OldLines) became
// new lines [NewStart, NewStart + NewLines). An empty side's start is the line
// before which the other side's lines stand.
struct Hunk {
    std::size_t OldStart, OldLines, NewStart, NewLines;
};

// A diff of two sequences of line ids.
class LineDiff {
public:
    virtual ~LineDiff() = default;
    // Appends the hunks (no context lines) that turn oldIds into newIds, in order.
    // Every id is below idBound. Returns 0, or the errno of the failure: ENOMEM,
    // EFBIG for sequences too long to be diffed, EIO for any other.
    virtual int Diff(std::span<const std::uint32_t> oldIds, std::span<const std::uint32_t> newIds,
                     std::uint32_t idBound, std::vector<Hunk>& hunks) = 0;
    // Gives back the buffers it keeps from one diff to the next.
    virtual void Release() {}
};

// libgit2's diff (Myers with a cost limit: linear when no line recurs, never
// quadratic in memory). The library is loaded the first time one is made; throws
// engine::FileError naming it when it cannot be loaded.
std::unique_ptr<LineDiff> MakeLibgit2Diff();

// The most lines libgit2 takes: a text of at most 1023 MiB, two bytes a line at least.
constexpr std::size_t kMaxDiffLines = (std::size_t{1023} << 20) / 2;

// Each distinct line (its text and its class) numbered once for both versions of
// a file, so that the diff compares numbers: a few bytes per distinct line,
// whatever the lines hold. The texts are the loaded files', which outlive the ids.
class LineIds {
public:
    void clear();
    std::size_t size() const { return entries_.size(); }

    // line is shorter than 512 bytes: longer lines are never counted.
    std::uint32_t Id(std::string_view line, engine::LineClassOf c);

private:
    struct Entry {
        const char* Data;
        std::uint32_t SizeClass;  // size << 2 | class
        std::uint32_t Hash;
    };

    void Grow();

    std::vector<Entry> entries_;
    std::vector<std::uint32_t> slots_;  // id + 1, 0 for a free slot
};

// One version of a file as counted: each line's class (and converted text) and
// the counted text.
struct CountedText {
    const engine::LineLog& Log;
    std::string_view Text;
};

// Finds the hunks between two versions of a file. It keeps its buffers from file
// to file.
class HunkFinder {
public:
    // diff: the diff to use; without one libgit2's is made when a file first needs it.
    explicit HunkFinder(std::unique_ptr<LineDiff> diff = nullptr) : diff_(std::move(diff)) {}

    // The hunks between the counted lines of both versions. A failure of the diff,
    // a file with more lines than it takes, or hunks that leave a difference out
    // raise engine::FileError of path.
    void Find(const CountedText& oldText, const CountedText& newText, const std::string& path);
    const std::vector<Hunk>& Hunks() const { return hunks_; }
    // Each counted line's class, by the hunks' line numbers.
    const std::vector<engine::LineClassOf>& OldClasses() const { return oldClasses_; }
    const std::vector<engine::LineClassOf>& NewClasses() const { return newClasses_; }

    // Gives back every buffer (after running out of memory).
    void Release();

private:
    void FindAnchors(std::size_t from, std::size_t to);
    void DiffPiece(const std::string& path, std::size_t i0, std::size_t i1, std::size_t j0, std::size_t j1);
    bool HunksCoverEveryDifference() const;

    std::unique_ptr<LineDiff> diff_;
    LineIds ids_;
    std::vector<std::uint32_t> oldIds_, newIds_, oldStarts_, newStarts_, oldReduced_, newReduced_;
    std::vector<std::uint8_t> seen_;  // per id: times found in each version (see Find)
    std::vector<std::uint32_t> newLineOf_, tails_, before_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> anchors_;  // old line, new line
    std::vector<engine::LineClassOf> oldClasses_, newClasses_;
    std::vector<Hunk> hunks_, pieceHunks_;
};

}  // namespace zarnik::run::detail
