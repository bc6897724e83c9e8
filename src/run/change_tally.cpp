#include "run/change_tally.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace zarnik::run::detail {

namespace {

using engine::LineClassOf;

report::ChangeFigures& Figures(report::ChangeRecord& rec, LineClassOf c) {
    return c == LineClassOf::Exec ? rec.Exec : c == LineClassOf::Comment ? rec.Comment : rec.Blank;
}

// Lines per class (NotCounted left out) of lines [from, from + n).
std::array<std::size_t, 3> PerClass(const std::vector<LineClassOf>& classes, std::size_t from,
                                    std::size_t n) {
    std::array<std::size_t, 3> count{};
    for (std::size_t i = from; i < from + n; ++i)
        if (classes[i] != LineClassOf::NotCounted) ++count[static_cast<std::size_t>(classes[i])];
    return count;
}

}  // namespace

void TallyHunk(const Hunk& h, const std::vector<LineClassOf>& oldClasses,
               const std::vector<LineClassOf>& newClasses, report::ChangeRecord& rec) {
    const std::array<std::size_t, 3> del = PerClass(oldClasses, h.OldStart, h.OldLines),
                                     add = PerClass(newClasses, h.NewStart, h.NewLines);
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

void TallyWholeFile(const std::vector<LineClassOf>& classes, bool added, report::ChangeRecord& rec) {
    for (LineClassOf c : classes)
        if (c != LineClassOf::NotCounted) ++(added ? Figures(rec, c).Added : Figures(rec, c).Deleted);
}

}  // namespace zarnik::run::detail
