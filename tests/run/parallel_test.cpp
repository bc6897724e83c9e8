// Counting ahead on several threads writes the same report as counting each file
// at its turn, on trees shaped like the benchmark's corpus.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "bench/corpus.h"
#include "run/count_ahead.h"
#include "run/count_options.h"
#include "run/run.h"
#include "run_test_util.h"

namespace zarnik::run {
namespace {

using settings::Settings;
using testing::Recorder;
using zarnik::testing::TempDir;

// A small corpus: every kind of source, a few larger files, a few that are no
// source, folders of several depths.
class ParallelRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir;
        bench::CorpusShape shape;
        shape.Files = 300;
        shape.LargeFiles = 4;
        shape.LargeMinBytes = 50000;
        shape.LargeMaxBytes = 200000;
        shape.MedianBytes = 1200;
        bench::MakeCorpus(dir_->str() + "/tree", shape);
        // UTF-8 files among them, each converted by the thread that counts it.
        for (int i = 0; i < 40; ++i) {
            std::string text = i % 3 ? "" : "\xEF\xBB\xBF";
            for (int line = 0; line < 50 + 40 * i; ++line)
                text += line % 4 ? "s = \"\xE3\x81\x82\xF0\x9F\x98\x80\"; /* \xE6\xBC\xA2\n" : "*/ x = 1;\n";
            dir_->Write("tree/utf8/u" + std::to_string(i) + ".c", text);
        }
        // The tree holds the corpus once more below a folder whose name sorts in
        // the middle, there with a file that cannot be read (EIO, even for root).
        std::filesystem::create_directories(dir_->str() + "/bad/m");
        bench::MakeCorpus(dir_->str() + "/bad/a", shape);
        ASSERT_EQ(::symlink("/proc/self/mem", (dir_->str() + "/bad/m/mem.c").c_str()), 0);
        bench::MakeCorpus(dir_->str() + "/bad/z", shape);
    }
    static void TearDownTestSuite() { delete dir_; }

    struct Outcome {
        Recorder Host;
        std::string Error;  // path and code of the read error that ended the run
        bool ResultUnsaved = false;
    };
    static void Count(const std::string& target, const Settings& cnf, unsigned threads, Outcome& out) {
        const RunOutcome outcome = testing::CountTargets({target}, cnf, out.Host, "env", threads);
        if (outcome.Error) out.Error = outcome.Error->Path + " " + std::to_string(outcome.Error->Code);
        out.ResultUnsaved = outcome.ResultUnsaved;
    }
    static void ExpectSame(const std::string& target, const Settings& cnf, const std::string& what) {
        Outcome one, many;
        Count(target, cnf, 1, one);
        Count(target, cnf, 3, many);
        ASSERT_GT(one.Host.Lines.size(), 10u) << what;
        EXPECT_EQ(many.Host.Lines, one.Host.Lines) << what;
        EXPECT_EQ(many.Error, one.Error) << what;
        EXPECT_EQ(many.Host.Counters, one.Host.Counters) << what;
        EXPECT_EQ(many.Host.Paths, one.Host.Paths) << what;
        EXPECT_EQ(many.Host.Ends, one.Host.Ends) << what;
        EXPECT_EQ(many.ResultUnsaved, one.ResultUnsaved) << what;
    }

    static TempDir* dir_;
};
TempDir* ParallelRun::dir_ = nullptr;

TEST_F(ParallelRun, SameReportInEveryModeSortAndFolderSetting) {
    for (int mode = 0; mode <= 7; ++mode)
        for (int sort = 0; sort <= 1; ++sort)
            for (int folders = 0; folders <= 1; ++folders) {
                Settings cnf = settings::MakeDefaultSettings();
                cnf.HeaderShowsDate = 0;
                cnf.CounterChoice = mode;
                cnf.SortFiles = sort;
                cnf.FolderLines = folders;
                cnf.FolderSubtotals = folders;
                cnf.ErrorLines = 1 - folders;
                cnf.RemComments = cnf.AsteriskLineIsBlank = cnf.BlankInCommentIsBlank = mode % 2;
                ExpectSame(dir_->str() + "/tree", cnf,
                           "VsrcFl " + std::to_string(mode) + " FlSort " + std::to_string(sort) +
                               " FldNam/FldSum " + std::to_string(folders));
            }
}

TEST_F(ParallelRun, AReadErrorEndsTheReportAtTheSameLine) {
    for (int mode : {0, 4})
        for (int folders = 0; folders <= 1; ++folders) {
            Settings cnf = settings::MakeDefaultSettings();
            cnf.HeaderShowsDate = 0;
            cnf.CounterChoice = mode;
            cnf.FolderLines = cnf.FolderSubtotals = folders;
            const std::string what =
                "VsrcFl " + std::to_string(mode) + " FldNam/FldSum " + std::to_string(folders);
            ExpectSame(dir_->str() + "/bad", cnf, what);
            Outcome many;
            Count(dir_->str() + "/bad", cnf, 3, many);
            EXPECT_EQ(many.Error, dir_->str() + "/bad/m/mem.c 5") << what;
            // The run ended with that file: no closing block.
            EXPECT_NE(many.Host.Paths.back().find("/bad/m/mem.c"), std::string::npos) << what;
            EXPECT_EQ(many.Host.Lines.back().find(zarnik::testing::Sj("総平均")), std::string::npos) << what;
        }
}

TEST_F(ParallelRun, ConvertingRunsCountAtEachFilesTurn) {
    Settings cnf = settings::MakeDefaultSettings();
    cnf.HeaderShowsDate = 0;
    cnf.ConvertEucJis = 1;
    ExpectSame(dir_->str() + "/tree", cnf, "EucJis 1");
}

TEST_F(ParallelRun, ResultsComeInListOrderThroughASmallWindow) {
    // More files than the window holds: slots are reused as the taker moves on.
    FileCollection found;
    Recorder host;
    CollectFolderFiles(dir_->str() + "/tree", found, true, host);
    ASSERT_GT(found.Files.size(), 3 * 16u);
    Settings cnf = settings::MakeDefaultSettings();
    cnf.CounterChoice = 4;
    const engine::CountOptions opt = run::CountOptionsFrom(cnf);
    engine::CountContext ctx;
    detail::CountAhead ahead(opt, found.Files, 4, 16);
    for (std::size_t i = 0; i < found.Files.size(); ++i) {
        detail::CountedFile want;
        detail::CountListedFile(opt, found.Files[i], ctx, want);
        detail::CountedFile& got = ahead.Take(i);
        ASSERT_EQ(got.Rec.Name, want.Rec.Name) << i;
        EXPECT_EQ(got.Rec.Status, want.Rec.Status) << i;
        EXPECT_EQ(got.Rec.Total, want.Rec.Total) << i;
        EXPECT_EQ(got.Rec.Comment, want.Rec.Comment) << i;
        EXPECT_EQ(got.Rec.Blank, want.Rec.Blank) << i;
        EXPECT_EQ(got.Rec.Kind, want.Rec.Kind) << i;
    }
}

}  // namespace
}  // namespace zarnik::run
