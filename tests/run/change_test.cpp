#include "report/change.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <sstream>

#include "engine/count.h"
#include "report/kind_words.h"
#include "report/report.h"
#include "run/count_options.h"
#include "run/run.h"
#include "run_test_util.h"
#include "test_util.h"

namespace zarnik::run {
namespace {

using report::ChangeRecord;
using report::ChangeStatus;
using testing::ChangeRecorder;
using testing::Plain;
using zarnik::testing::TempDir;

std::string DataDir() { return std::string(std::getenv("ZARNIK_DATA")) + "/change"; }

// "path status kind" and the nine figures (or the message), as expected.txt writes a file.
std::string Describe(const ChangeRecord& r) {
    std::string s =
        text::SjisToUtf8(r.Path) + " " + text::SjisToUtf8(report::ChangeStatusText(r.Status)) + " ";
    std::string kind = report::WordsOfKind(r.NameKind).Column;
    s += kind.substr(0, kind.find(' '));
    if (r.Status == ChangeStatus::Skipped) return s + text::SjisToUtf8(report::StatusText(r.Reason));
    for (const auto* f : {&r.Exec, &r.Comment, &r.Blank})
        s += " " + std::to_string(f->Added) + " " + std::to_string(f->Changed) + " " +
             std::to_string(f->Deleted);
    return s;
}

std::vector<std::string> ExpectedLines() {
    std::istringstream in(zarnik::testing::ReadFileBytes(DataDir() + "/expected.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    return lines;
}

RunOutcome CountChanges(const std::string& oldTarget, const std::string& newTarget,
                        const settings::Settings& cnf, ChangeRecorder& host) {
    RunSession session;
    return session.CountChanges({oldTarget, newTarget, "", 0, 1}, cnf, host, host);
}

std::vector<std::string> Described(const ChangeRecorder& host) {
    std::vector<std::string> out;
    for (const ChangeRecord& r : host.Changes) out.push_back(Describe(r));
    return out;
}

TEST(ChangeRun, TreePairGivesTheFiguresWrittenBesideIt) {
    settings::Settings cnf = Plain();
    cnf.ConvertEucJis = 1;
    ChangeRecorder host;
    RunOutcome outcome = CountChanges(DataDir() + "/old", DataDir() + "/new/", cnf, host);
    EXPECT_EQ(outcome.End, RunEnd::Finished);
    EXPECT_EQ(outcome.FilesCounted, 10);
    EXPECT_EQ(Described(host), ExpectedLines());
    // The report names the two versions, then every file row follows, between the
    // column header and the totals.
    ASSERT_GE(host.Lines.size(), 5 + host.Changes.size());
    EXPECT_EQ(text::SjisToUtf8(host.Lines[0]), "旧ﾊﾞｰｼﾞｮﾝ: " + DataDir() + "/old");
    EXPECT_EQ(text::SjisToUtf8(host.Lines[1]), "新ﾊﾞｰｼﾞｮﾝ: " + DataDir() + "/new/");
    for (std::size_t i = 0; i < host.Changes.size(); ++i)
        EXPECT_EQ(host.Lines[5 + i], report::FormatChangeLine(host.Changes[i], 16));
    EXPECT_EQ(text::SjisToUtf8(host.Lines.back()), "  新規 1個  削除 1個  変更なし 1個  変更 7個  除外 1個");
    EXPECT_EQ(host.Ends, 1);
}

TEST(ChangeRun, BlankLinesAsCommentsAndErrorLinesLeftOut) {
    settings::Settings cnf = Plain();
    cnf.BlankLinesAsComment = 1;
    cnf.ErrorLines = 0;
    ChangeRecorder host;
    CountChanges(DataDir() + "/old", DataDir() + "/new", cnf, host);
    const std::vector<std::string> got = Described(host);
    EXPECT_EQ(got.front(), "calc.c 変更 C 1 1 1 2 1 2 1 0 1");
    EXPECT_EQ(
        std::count_if(got.begin(), got.end(), [](const std::string& l) { return l.find("除外") != l.npos; }),
        0);
    // Without EucJis the EUC-JP comment is no longer the Shift-JIS one.
    EXPECT_NE(std::find(got.begin(), got.end(), "euc.c 変更 C 1 0 0 0 1 0 0 0 0"), got.end());
}

TEST(ChangeRun, TwoFilesPairWhateverTheirNamesAndPatternsPairByName) {
    TempDir dir;
    dir.Write("a/one.c", "int a;\n");
    dir.Write("b/two.c", "int a;\nint b;\n");
    dir.Write("b/one.c", "int a;\n// c\n");
    ChangeRecorder files;
    CountChanges(dir.str() + "/a/one.c", dir.str() + "/b/two.c", Plain(), files);
    EXPECT_EQ(Described(files), std::vector<std::string>{"two.c 変更 C 1 0 0 0 0 0 0 0 0"});
    // A line of 512 bytes or more is counted by no count run, so it is no change either.
    dir.Write("a/long.c", "int a;\n" + std::string(600, 'x') + "\nint b;\n");
    dir.Write("b/long.c", "int a;\n" + std::string(600, 'y') + "\nint c;\n");
    ChangeRecorder longLines;
    CountChanges(dir.str() + "/a/long.c", dir.str() + "/b/long.c", Plain(), longLines);
    EXPECT_EQ(Described(longLines), std::vector<std::string>{"long.c 変更 C 0 1 0 0 0 0 0 0 0"});
    ChangeRecorder patterns;
    CountChanges(dir.str() + "/a/*.c", dir.str() + "/b/*.C", Plain(), patterns);
    EXPECT_EQ(Described(patterns),
              (std::vector<std::string>{"long.c 変更 C 0 1 0 0 0 0 0 0 0", "one.c 変更 C 0 0 0 1 0 0 0 0 0",
                                        "two.c 新規 C 2 0 0 0 0 0 0 0 0"}));
}

TEST(ChangeRun, LongLinesTakeNoPart) {
    TempDir dir;
    const std::string longLine = "int " + std::string(600, 'x') + ";\n";
    // A long line moved above a counted one is no change of the counted line.
    dir.Write("a/moved.c", "int z;\nint a;\n" + longLine + "int b;\n");
    dir.Write("b/moved.c", "int z;\n" + longLine + "int a;\nint b;\n");
    ChangeRecorder host;
    CountChanges(dir.str() + "/a", dir.str() + "/b", Plain(), host);
    EXPECT_EQ(Described(host), (std::vector<std::string>{"moved.c 変更 C 0 0 0 0 0 0 0 0 0"}));
}

TEST(ChangeRun, LongFilesAreDiffedInPiecesWithEveryChangeFound) {
    // 300,000 lines, cut into pieces at lines found once in each version: every
    // 997th line changed, a comment added after every 1,499th, two lines moved
    // from the start to the end, and lines that occur many times around the cuts.
    TempDir dir;
    std::string oldText, newText;
    std::int64_t changed = 0, added = 0;
    for (int k = 2; k < 300000; ++k) {
        const std::string line = k % 5 == 0 ? "x++;\n" : "int v" + std::to_string(k) + ";\n";
        oldText += line;
        if (k % 997 == 0 && k % 5 != 0) {
            newText += "int v" + std::to_string(k) + " = 1;\n";
            ++changed;
        } else {
            newText += line;
        }
        if (k % 1499 == 0) {
            newText += "// note\n";
            ++added;
        }
    }
    oldText = "int v0;\nint v1;\n" + oldText;
    newText += "int v0;\nint v1;\n";
    dir.Write("a/big.c", oldText);
    dir.Write("b/big.c", newText);
    ChangeRecorder host;
    ASSERT_EQ(CountChanges(dir.str() + "/a", dir.str() + "/b", Plain(), host).End, RunEnd::Finished);
    ASSERT_EQ(host.Changes.size(), 1u);
    const ChangeRecord& r = host.Changes[0];
    EXPECT_EQ(r.Exec.Changed, changed);
    EXPECT_EQ(r.Exec.Added, 2);
    EXPECT_EQ(r.Exec.Deleted, 2);
    EXPECT_EQ(r.Comment.Added, added);
    EXPECT_EQ(r.Comment.Changed + r.Comment.Deleted + r.Blank.Added + r.Blank.Changed + r.Blank.Deleted, 0);
}

TEST(ChangeRun, AnEmptyVersionHasNoLines) {
    // Its lines are all added, or all deleted; empty in both, a count run counts
    // the file in neither.
    TempDir dir;
    dir.Write("a/filled.c", "");
    dir.Write("b/filled.c", "int a;\n// c\n\n");
    dir.Write("a/emptied.java", "int a;\n// c\n");
    dir.Write("b/emptied.java", "");
    dir.Write("a/empty.c", "");
    dir.Write("b/empty.c", "");
    ChangeRecorder host;
    CountChanges(dir.str() + "/a", dir.str() + "/b", Plain(), host);
    EXPECT_EQ(Described(host), (std::vector<std::string>{"emptied.java 変更 Java 0 0 1 0 0 1 0 0 0",
                                                         "empty.c 除外 C 認識できませんでした。",
                                                         "filled.c 変更 C 1 0 0 1 0 0 1 0 0"}));
}

TEST(ChangeRun, GuessedKindOfEitherVersionFilesThePair) {
    // Guessing (VsrcFl 4): the new version holds no marker of either family, so
    // only the old one has a kind; the pair's figures go into that kind's total.
    settings::Settings cnf = Plain();
    cnf.CounterChoice = 4;
    TempDir dir;
    dir.Write("a/g.c", "#include <x.h>\nx = 1\n");
    dir.Write("b/g.c", "x = 1\n");
    ChangeRecorder host;
    CountChanges(dir.str() + "/a", dir.str() + "/b", cnf, host);
    ASSERT_EQ(host.Changes.size(), 1u);
    EXPECT_EQ(host.Changes[0].Kind, 2);  // C source
    const report::ChangeSums& kind = host.RunTotals.Kinds[2];
    const report::ChangeSums& grand = host.RunTotals.GrandTotal;
    EXPECT_EQ(kind.FileCount(), 1);
    EXPECT_EQ(kind.Exec.Deleted, grand.Exec.Deleted);
    EXPECT_EQ(grand.Exec.Deleted, 2);
}

TEST(ChangeRun, EveryCountedLineIsUnchangedOrInTheFiguresOfItsSide) {
    // Random edits of a C file: each counted line of the new version is added,
    // changed or unchanged, each of the old one deleted, changed or unchanged, and
    // the unchanged ones are as many on both sides.
    static const char* const kLines[] = {"int a;",         "/*",      "*/", "", "// note",
                                         "x = 1; /* c */", " * text", "}"};
    std::mt19937 random(18);
    TempDir dir;
    for (int round = 0; round < 100; ++round) {
        std::string texts[2];
        for (std::string& text : texts)
            for (unsigned n = random() % 12; n > 0; --n) text += std::string(kLines[random() % 8]) + "\n";
        const std::string oldPath = dir.Write("old.c", "int first;\n" + texts[0]);
        const std::string newPath = dir.Write("new.c", "int first;\n" + texts[1]);
        ChangeRecorder host;
        CountChanges(oldPath, newPath, Plain(), host);
        ASSERT_EQ(host.Changes.size(), 1u);
        const ChangeRecord& r = host.Changes[0];
        std::int64_t counted[2];
        for (int v = 0; v < 2; ++v) {
            engine::FileCounts rec;
            engine::CountContext ctx;
            engine::CountFile(run::CountOptionsFrom(Plain()), v ? newPath : oldPath, {"f.c", 0, 0}, rec, ctx);
            counted[v] = rec.Total;
        }
        const std::int64_t added = r.Exec.Added + r.Comment.Added + r.Blank.Added;
        const std::int64_t changed = r.Exec.Changed + r.Comment.Changed + r.Blank.Changed;
        const std::int64_t deleted = r.Exec.Deleted + r.Comment.Deleted + r.Blank.Deleted;
        EXPECT_GE(counted[1] - added - changed, 0) << texts[0] << "--\n" << texts[1];
        EXPECT_EQ(counted[1] - added - changed, counted[0] - deleted - changed) << texts[0] << "--\n"
                                                                                << texts[1];
        if (texts[0] == texts[1]) {
            EXPECT_EQ(r.Status, ChangeStatus::Unchanged);
        }
    }
}

TEST(ChangeRun, BytesBeyondTheTextsNulStillTellChangedFromUnchanged) {
    // Sparse files of 40 MB: the text ends at the hole's first NUL, so only the first
    // piece is read; the rest is compared from the disk.
    TempDir dir;
    for (const char* v : {"a", "b"})
        for (const char* name : {"same.c", "tail.c"}) {
            const std::string path = dir.Write(std::string(v) + "/" + name, "int a;\n");
            ASSERT_EQ(::truncate(path.c_str(), 40 << 20), 0);
        }
    std::FILE* f = std::fopen((dir.str() + "/b/tail.c").c_str(), "r+b");
    ASSERT_TRUE(f);
    std::fseek(f, (39 << 20) + 5, SEEK_SET);
    std::fputc('x', f);
    std::fclose(f);
    ChangeRecorder host;
    CountChanges(dir.str() + "/a", dir.str() + "/b", Plain(), host);
    EXPECT_EQ(Described(host), (std::vector<std::string>{"same.c 変更なし C 0 0 0 0 0 0 0 0 0",
                                                         "tail.c 変更 C 0 0 0 0 0 0 0 0 0"}));
}

TEST(ChangeRun, TargetsThatFindNothingOrCannotBeReadEndAsACountRunDoes) {
    TempDir dir;
    dir.Write("a/x.c", "int x;\n");
    ChangeRecorder none;
    RunOutcome missing = CountChanges(dir.str() + "/a", dir.str() + "/missing", Plain(), none);
    EXPECT_EQ(missing.End, RunEnd::NoFiles);
    EXPECT_TRUE(none.Lines.empty());
    EXPECT_EQ(none.Ends, 1);
    // The warning says which version found nothing.
    EXPECT_EQ(text::SjisToUtf8(NoFilesText(missing)),
              "新ﾊﾞｰｼﾞｮﾝ: " + dir.str() + "/missing\r\n" + text::SjisToUtf8(NoFilesText()));
    // A folder without files is an empty version: every line is added (or deleted).
    ASSERT_EQ(::mkdir((dir.str() + "/empty").c_str(), 0755), 0);
    for (const bool emptyIsOld : {true, false}) {
        ChangeRecorder host;
        const std::string a = dir.str() + "/a", empty = dir.str() + "/empty";
        EXPECT_EQ(CountChanges(emptyIsOld ? empty : a, emptyIsOld ? a : empty, Plain(), host).End,
                  RunEnd::Finished);
        EXPECT_EQ(Described(host), std::vector<std::string>{emptyIsOld ? "x.c 新規 C 1 0 0 0 0 0 0 0 0"
                                                                       : "x.c 削除 C 0 0 1 0 0 0 0 0 0"});
    }
    // Both empty, there is nothing to compare: the warning names both.
    ChangeRecorder both;
    RunOutcome bothEmpty = CountChanges(dir.str() + "/empty", dir.str() + "/empty/", Plain(), both);
    EXPECT_EQ(bothEmpty.End, RunEnd::NoFiles);
    EXPECT_EQ(text::SjisToUtf8(bothEmpty.EmptyVersions),
              "旧ﾊﾞｰｼﾞｮﾝ: " + dir.str() + "/empty\r\n新ﾊﾞｰｼﾞｮﾝ: " + dir.str() + "/empty/");
    // /proc/self/mem is a regular file whose first page cannot be read (EIO).
    ChangeRecorder unreadable;
    RunOutcome outcome = CountChanges("/proc/self/mem", "/proc/self/mem", Plain(), unreadable);
    EXPECT_EQ(outcome.End, RunEnd::ReadError);
    ASSERT_TRUE(outcome.Error);
    EXPECT_EQ(outcome.Error->Path, "/proc/self/mem");
    EXPECT_EQ(outcome.Error->Code, EIO);
    ChangeRecorder cancelled;
    cancelled.CancelAtPump = 3;
    EXPECT_EQ(CountChanges(DataDir() + "/old", DataDir() + "/new", Plain(), cancelled).End,
              RunEnd::Cancelled);
    EXPECT_EQ(cancelled.Ends, 1);
    // Cancelled after the first pair: the closing block of the files taken, then
    // how many they were.
    ChangeRecorder late;
    late.OnCounting = [&late] { late.CancelAtPump = late.PumpCount + 1; };
    EXPECT_EQ(CountChanges(DataDir() + "/old", DataDir() + "/new", Plain(), late).End, RunEnd::Cancelled);
    ASSERT_EQ(late.Changes.size(), 1u);
    ASSERT_GE(late.Lines.size(), 2u);
    const std::string& last = late.Lines.back();
    EXPECT_TRUE(last.starts_with(zarnik::testing::Sj("※ 中断しました: "))) << text::SjisToUtf8(last);
    EXPECT_TRUE(last.ends_with(zarnik::testing::Sj(" ﾌｧｲﾙ中 1 ﾌｧｲﾙを処理"))) << text::SjisToUtf8(last);
    EXPECT_TRUE(text::SjisToUtf8(late.Lines[late.Lines.size() - 2]).starts_with("  新規 "));

    // A csv or json is written only for a finished run: one cut short would pass
    // for a whole one.
    for (const report::ChangeRunEnd end :
         {report::ChangeRunEnd::Finished, report::ChangeRunEnd::Cancelled, report::ChangeRunEnd::Failed}) {
        std::string written;
        report::ChangeDataPrinter csv(report::ChangeDataPrinter::Form::Csv, report::CsvEncoding::Utf8,
                                      [&written](const std::string& bytes) { written += bytes; });
        const settings::Settings cnf = Plain();
        csv.Begin({"old", "new", "", 0, cnf, 12});
        csv.Totals({});
        csv.End(end, 0, 0);
        EXPECT_EQ(written.empty(), end != report::ChangeRunEnd::Finished);
    }
}

}  // namespace
}  // namespace zarnik::run
