#include "run/change_tally.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zarnik::run::detail {
namespace {

using engine::LineClassOf;

// "E" exec, "C" comment, "B" blank, "-" a line no counter counted.
std::vector<LineClassOf> Classes(const std::string& s) {
    std::vector<LineClassOf> out;
    for (char c : s)
        out.push_back(c == 'E'   ? LineClassOf::Exec
                      : c == 'C' ? LineClassOf::Comment
                      : c == 'B' ? LineClassOf::Blank
                                 : LineClassOf::NotCounted);
    return out;
}

// Added, changed, deleted of exec, comment and blank lines.
std::string Figures(const report::ChangeRecord& r) {
    std::string s;
    for (const auto* f : {&r.Exec, &r.Comment, &r.Blank})
        s += (s.empty() ? "" : " ") + std::to_string(f->Added) + "/" + std::to_string(f->Changed) + "/" +
             std::to_string(f->Deleted);
    return s;
}

TEST(ChangeTally, HunksPairSameClassFirstThenCrossInLineOrder) {
    struct Case {
        const char* Old;
        const char* New;
        Hunk H;
        const char* Expected;  // exec, comment, blank as added/changed/deleted
    } cases[] = {
        {"E", "E", {0, 1, 0, 1}, "0/1/0 0/0/0 0/0/0"},
        // Lines around the hunk take no part; a changed line may change its class.
        {"EEE", "ECE", {1, 1, 1, 1}, "0/0/0 0/1/0 0/0/0"},
        {"", "EB-C", {0, 0, 0, 4}, "1/0/0 1/0/0 1/0/0"},
        {"EC-B", "", {0, 4, 0, 0}, "0/0/1 0/0/1 0/0/1"},
        // The blank pairs with the blank; the exec left over crosses to the comment.
        {"EB", "BC", {0, 2, 0, 2}, "0/0/0 0/1/0 0/1/0"},
        // Crossed lines take the new line's class, the first ones in line order.
        {"CC", "EBE", {0, 2, 0, 3}, "1/1/0 0/0/0 0/1/0"},
        // Uncounted lines neither pair nor count.
        {"--E-", "-E--C", {0, 4, 0, 5}, "0/1/0 1/0/0 0/0/0"},
        {"EEEE", "CE", {0, 4, 0, 2}, "0/1/2 0/1/0 0/0/0"},
    };
    for (const Case& c : cases) {
        report::ChangeRecord rec;
        TallyHunk(c.H, Classes(c.Old), Classes(c.New), rec);
        EXPECT_EQ(Figures(rec), c.Expected) << c.Old << " -> " << c.New;
    }
}

TEST(ChangeTally, AWholeFileIsAddedOrDeletedByClass) {
    report::ChangeRecord rec;
    TallyWholeFile(Classes("EE-CB"), true, rec);
    TallyWholeFile(Classes("BB"), false, rec);
    EXPECT_EQ(Figures(rec), "2/0/0 1/0/0 1/0/2");
}

}  // namespace
}  // namespace zarnik::run::detail
