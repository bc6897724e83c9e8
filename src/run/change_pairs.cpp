#include "run/change_pairs.h"

#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "engine/path_at.h"

namespace zarnik::run::detail {

namespace {

// Where a target line's relative paths start: a folder it names is the base
// itself; a pattern's matches (files or walked folders) are relative to the
// pattern's folder part.
// What the target names: on disk, or in revision when there is one.
RevisionFiles::Named Names(const std::string& target, RevisionFiles* revision) {
    if (revision) return revision->Names(target);
    struct stat st;
    if (target.empty() || engine::StatPath(target, st) != 0) return RevisionFiles::Named::Nothing;
    if (S_ISREG(st.st_mode)) return RevisionFiles::Named::File;
    return S_ISDIR(st.st_mode) ? RevisionFiles::Named::Folder : RevisionFiles::Named::Nothing;
}

void FindBase(const std::string& target, Version& v, RevisionFiles* revision) {
    TargetParts parts = SplitTargetLine(target);
    if (const RevisionFiles::Named named = Names(target, revision); named != RevisionFiles::Named::Nothing) {
        if (named == RevisionFiles::Named::File) v.NamesOneFile = true;
        if (named == RevisionFiles::Named::Folder) {
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

// The report's order: by relative path folding ASCII letter case, as a sorted count
// report orders paths; paths equal but for case by their bytes.
bool RelLess(std::string_view a, std::string_view b) { return PathLess(a, b) || (!PathLess(b, a) && a < b); }

using Entry = std::pair<std::string_view, const FoundFile*>;

// A version's files by relative path, in report order, each path once.
std::vector<Entry> Listed(const Version& v) {
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
}

}  // namespace

bool CollectVersion(const std::string& target, bool subfolders, ProgressObserver& progress, Version& v,
                    std::int64_t& foundBefore, RevisionFiles* revision) {
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
    FindBase(target, v, revision);
    if (revision)
        revision->CollectTargetLine(target, v.Found, subfolders, counting);
    else
        CollectTargetLine(target, v.Found, subfolders, counting);
    foundBefore += static_cast<std::int64_t>(v.Found.Files.size());
    return !progress.CancelRequested();
}

std::vector<Pair> PairFiles(const Version& oldV, const Version& newV) {
    std::vector<Pair> pairs;
    if (oldV.NamesOneFile && newV.NamesOneFile && oldV.Found.Files.size() == 1 &&
        newV.Found.Files.size() == 1) {
        const FoundFile& n = newV.Found.Files.front();
        pairs.push_back({std::string(n.Name()), &oldV.Found.Files.front(), &n});
        return pairs;
    }
    const std::vector<Entry> olds = Listed(oldV), news = Listed(newV);
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

}  // namespace zarnik::run::detail
