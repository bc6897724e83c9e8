// A history's totals at each commit, against counting a checkout of each commit
// made by git itself.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "run/git_test_util.h"

namespace zarnik {
namespace {

using testing::Shell;
using testing::TempDir;

// Rows "kind,files,total,exec,comment,blank" by commit, from --history csv.
std::map<std::string, std::vector<std::string>> HistoryRows(const std::string& csv,
                                                            std::vector<std::string>* order = nullptr) {
    std::map<std::string, std::vector<std::string>> rows;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "commit,date,tag,kind,files,total,exec,comment,blank");
    while (std::getline(lines, line)) {
        const std::string commit = line.substr(0, line.find(','));
        std::size_t at = 0;
        for (int comma = 0; comma < 3; ++comma) at = line.find(',', at) + 1;
        if (order && (order->empty() || order->back() != commit)) order->push_back(commit);
        rows[commit].push_back(line.substr(at));
    }
    return rows;
}

// The same rows from the totals rows of a count's csv: "合計,,,C･ｿｰｽ 合計,,size,C,
// total,comment,exec,blank,ratio,,files".
std::vector<std::string> TotalsRows(const std::string& csv) {
    std::vector<std::string> rows;
    std::istringstream lines(csv);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("合計,", 0) != 0 && line.rfind("総合計,", 0) != 0) continue;
        std::vector<std::string> cells;
        std::istringstream cellStream(line);
        for (std::string cell; std::getline(cellStream, cell, ',');) cells.push_back(cell);
        std::string kind = cells[3];
        for (const std::string suffix : {"総合計", "合計"})
            if (kind.size() >= suffix.size() &&
                kind.compare(kind.size() - suffix.size(), suffix.size(), suffix) == 0) {
                kind.resize(kind.size() - suffix.size());
                break;
            }
        while (!kind.empty() && kind.back() == ' ') kind.pop_back();
        rows.push_back(kind + "," + cells[13] + "," + cells[7] + "," + cells[9] + "," + cells[8] + "," +
                       cells[10]);
    }
    return rows;
}

// A history of 50 commits on main (one of them a merge of a side branch, whose own
// commits the first-parent history passes by), tags every tenth commit: files
// added, grown, deleted and renamed, several kinds, and the same bytes under
// names of different kinds.
class GitHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto r = Shell(dir_, R"(git init -q -b main repo && cd repo && mkdir src &&
for i in $(seq 1 48); do
  export GIT_AUTHOR_DATE="2020-01-01T00:00:00 +0000" GIT_COMMITTER_DATE="2020-01-01T$((i / 4 + 10)):$((i % 4 * 10 + 10)):00 +0000"
  mkdir -p src/m$((i % 5))
  printf '/* file %d */\nint v%d;\n\n' $i $i > src/m$((i % 5))/f$i.c
  printf '// line %d\nint w%d;\n' $i $i >> src/common.c
  if [ $((i % 7)) = 0 ]; then git rm -q src/m$(((i - 3) % 5))/f$((i - 3)).c; fi
  if [ $((i % 6)) = 0 ]; then printf 'class A%d {\n  // a\n}\n' $i > src/A$i.java; fi
  if [ $((i % 9)) = 0 ]; then printf 'int h;\n\n' > src/m1/h$i.h; fi
  if [ $i = 20 ]; then git mv src/m1 src/moved; fi
  if [ $i = 25 ]; then cp src/common.c src/copy.txt; cp src/common.c src/copy.h; fi
  if [ $i = 30 ]; then
    git add -A && git commit -q -m pre && git checkout -q -b side &&
    printf 'int s;\n' > src/side.c && git add -A && git commit -q -m side1 &&
    printf '// s\n' >> src/side.c && git add -A && git commit -q -m side2 &&
    git checkout -q main && git merge -q --no-ff -m merge side && printf '// merged\n' >> src/common.c
  fi
  git add -A && git commit -q -m c$i
  if [ $((i % 10)) = 0 ]; then git tag t$i; fi
done)");
        ASSERT_EQ(r.Status, 0) << r.Out;
    }

    testing::ShellResult Count(const std::string& folder, const std::string& args) {
        return Shell(dir_, "cd " + folder + " && " + testing::BinDir() + "/zarnik-count " + args);
    }

    TempDir dir_;
};

TEST_F(GitHistoryTest, TotalsAtEachCommitEqualCountingItsCheckout) {
    const auto history = Count("repo", "--history src");
    ASSERT_EQ(history.Status, 0) << history.Out;
    std::vector<std::string> order;
    const auto rows = HistoryRows(history.Out, &order);
    const auto firstParent = Shell(dir_, "git -C repo rev-list --first-parent --reverse main");
    std::string expectedOrder;
    for (const std::string& c : order) expectedOrder += c + "\n";
    EXPECT_EQ(expectedOrder, firstParent.Out);
    EXPECT_EQ(order.size(), 50u);
    for (const std::string& commit : order) {
        ASSERT_EQ(
            Shell(dir_, "rm -rf co && mkdir co && git -C repo archive " + commit + " | tar -x -C co").Status,
            0);
        const auto checkout = Count("co", "--format csv src");
        EXPECT_EQ(rows.at(commit), TotalsRows(checkout.Out)) << commit;
    }
}

TEST_F(GitHistoryTest, TagsRangesAndJsonTakeTheSameRows) {
    const auto tags = Count("repo", "--history --tags main src");
    ASSERT_EQ(tags.Status, 0) << tags.Out;
    std::vector<std::string> tagged;
    HistoryRows(tags.Out, &tagged);
    EXPECT_EQ(tagged.size(), 4u);
    EXPECT_NE(tags.Out.find(",t40,全ｿｰｽﾌｧｲﾙ,"), std::string::npos) << tags.Out;
    // A range: the first-parent commits after t20 up to t40.
    const auto range = Count("repo", "--history t20..t40 src");
    std::vector<std::string> inRange;
    HistoryRows(range.Out, &inRange);
    EXPECT_EQ(std::to_string(inRange.size()) + "\n",
              Shell(dir_, "git -C repo rev-list --first-parent --count t20..t40").Out);
    const auto json = Count("repo", "--history --format json t20..t40 src");
    ASSERT_EQ(json.Status, 0) << json.Out;
    std::size_t objects = 0;
    for (std::size_t at = 0; (at = json.Out.find("\"commit\":", at)) != std::string::npos; ++at) ++objects;
    EXPECT_EQ(objects + 1, static_cast<std::size_t>(std::count(range.Out.begin(), range.Out.end(), '\n')));
}

TEST_F(GitHistoryTest, ShallowCloneIsACutHistoryNeverAShortOne) {
    ASSERT_EQ(Shell(dir_, "git clone -q --depth 5 file://$PWD/repo shallow").Status, 0);
    for (const std::string format : {"csv", "json"}) {
        const auto r = Count("shallow", "--history --format " + format + " src");
        EXPECT_EQ(r.Status, 3) << r.Out;
        EXPECT_NE(r.Out.find("history cut short: parent "), std::string::npos) << r.Out;
        EXPECT_NE(r.Out.find("(a shallow clone; git fetch --unshallow fetches the rest)"), std::string::npos);
        // No row and no closed json array that would pass for a whole history.
        EXPECT_EQ(r.Out.find("全ｿｰｽﾌｧｲﾙ"), std::string::npos) << r.Out;
        EXPECT_EQ(r.Out.find("]"), std::string::npos) << r.Out;
    }
    // Where the cut commits show no parent, the clone's record of the cut decides.
    ASSERT_EQ(Shell(dir_, "git -C repo rev-list --max-parents=0 main > repo/.git/shallow").Status, 0);
    const auto root = Count("repo", "--history src");
    EXPECT_EQ(root.Status, 3) << root.Out;
    EXPECT_NE(root.Out.find("has no parent in a shallow clone"), std::string::npos) << root.Out;
    // One revision a shallow clone holds whole counts as ever.
    EXPECT_EQ(Count("shallow", "--rev HEAD src").Status, 0);
}

}  // namespace
}  // namespace zarnik
