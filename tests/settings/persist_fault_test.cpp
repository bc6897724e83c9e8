// The INI and memo files when things go wrong: files that are garbage, cut short,
// huge or no files at all, folders that cannot be written, a disk that fills up.
// Whatever happens, what was stored before is still there afterwards.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <random>

#include "fault_util.h"
#include "settings/persist.h"
#include "test_util.h"

namespace zarnik::settings {
namespace {

using zarnik::testing::PermissionsBind;
using zarnik::testing::Sj;
using zarnik::testing::TempDir;
namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
    std::string s;
    return ReadWholeFile(p.string(), s) ? s : "<missing>";
}

// Every regular file of a folder with its bytes.
std::map<std::string, std::string> Files(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.is_regular_file()) files[e.path().filename().string()] = Slurp(e.path());
    return files;
}

ProgramState Start(const std::string& folder, LoadReport* report = nullptr) {
    ProgramState st = MakeStartState(LocateProgramPaths(folder + "/zarnik", folder + "/cfg"), 1024, 768);
    LoadReport r = LoadSettings(st);
    if (report) *report = r;
    return st;
}

void Close(ProgramState& st) {
    WindowState w;
    w.Bounds = st.Place.MainPlacement.Bounds;
    w.PaneHeight = st.Place.MainPlacement.Pnl_H;
    w.TabIndex = 0;
    st.Envs.FetchEnv(st.Envs.EnvIdAt(0), w.TargetLines, w.MemoLines);
    SaveSettings(st, w);
}

// Three environments with target lines and memos, and a switch that differs from
// its default, saved in folder.
void SaveThree(const std::string& folder) {
    ProgramState st = Start(folder);
    st.Envs.ClearEnvs();
    for (int i = 1; i <= 3; ++i) {
        std::string n = std::to_string(i);
        st.Envs.StoreEnv(st.Envs.AddEnv(Sj("環境") + n, 1), {"/src" + n + "/*.c", "/inc" + n + "/"},
                         {"memo " + n});
    }
    st.Cnf.FldSum = 1;
    Close(st);
}

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen() & 0xFF);
    return s;
}

TEST(IniFault, BinaryGarbageLoadsAsDefaultsAndSurvivesTheSave) {
    for (unsigned seed = 1; seed <= 20; ++seed) {
        TempDir dir;
        // Garbage holds every byte, NUL, CR, LF, "[" and "=" included.
        std::string garbage = RandomBytes(8192, seed);
        dir.Write("zarnik.ini", garbage);
        LoadReport report;
        ProgramState st = Start(dir.str(), &report);
        EXPECT_TRUE(report.IniFound);
        EXPECT_FALSE(report.IniUnreadable);
        ASSERT_GE(st.Envs.Count(), 1);
        ASSERT_NO_THROW(Close(st)) << seed;

        // Lines that are neither sections nor keys stay in the file as they were.
        const std::string saved = Slurp(dir.path() / "zarnik.ini");
        std::size_t pos = 0, kept = 0;
        while (pos < garbage.size()) {
            std::size_t end = std::min(garbage.find_first_of("\r\n", pos), garbage.size());
            std::string line = garbage.substr(pos, end - pos);
            pos = end + 1;
            if (line.find_first_of("[=") != std::string::npos ||
                line.find_first_not_of(" \t") == std::string::npos)
                continue;
            EXPECT_TRUE(saved.find(line) != std::string::npos) << seed;
            ++kept;
        }
        EXPECT_GT(kept, 0u);

        // A second save moves the environment names behind the sections the first
        // one added (they are written anew each time); from then on a load and a save
        // change nothing.
        ProgramState second = Start(dir.str());
        EXPECT_EQ(second.Envs.Count(), st.Envs.Count());
        Close(second);
        const std::string settled = Slurp(dir.path() / "zarnik.ini");
        ProgramState third = Start(dir.str());
        Close(third);
        EXPECT_TRUE(Slurp(dir.path() / "zarnik.ini") == settled) << seed;
    }
}

TEST(IniFault, EmptyOlderFontNameKeepsTheFace) {
    // Taken as a face, an empty name would be saved as ",12,clBlack,0", which reads
    // back as the face "12" and the colour "0".
    TempDir dir;
    dir.Write("zarnik.ini", "[Font]\r\nFontName=\r\nFontSize=12\r\n");
    ProgramState st = Start(dir.str());
    const S_SVFINF expected{MakeDefaultSettings().Font_Rslt.FaceName, 12, "clBlack", 0};
    EXPECT_EQ(st.Cnf.Font_Rslt, expected);
    Close(st);
    EXPECT_EQ(Start(dir.str()).Cnf.Font_Rslt, expected);
}

TEST(IniFault, FileCutShortAnywhereLoadsWhatItHolds) {
    TempDir full;
    SaveThree(full.str());
    const std::string text = Slurp(full.path() / "zarnik.ini");
    const std::size_t fldSumEnd = text.find("FldSum=1\r\n") + 10;
    ASSERT_GT(fldSumEnd, 10u);

    TempDir dir;
    for (const auto& memo : {"memo1.dat", "memo2.dat", "memo3.dat"})
        fs::copy_file(full.path() / memo, dir.path() / memo);
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        dir.Write("zarnik.ini", text.substr(0, cut));
        LoadReport report;
        ProgramState st = Start(dir.str(), &report);
        ASSERT_FALSE(report.IniUnreadable) << cut;
        ASSERT_GE(st.Envs.Count(), 1) << cut;
        if (cut >= fldSumEnd) {
            EXPECT_EQ(st.Cnf.FldSum, 1) << cut;
        }
        // A target line is whole, or the start of one that the cut went through.
        for (int i = 0; i < st.Envs.Count() && i < 3; ++i) {
            const std::string n = std::to_string(i + 1);
            const std::vector<std::string> original{"/src" + n + "/*.c", "/inc" + n + "/"};
            const auto& lines = st.Envs.At(i).TargetLines;
            ASSERT_LE(lines.size(), 2u) << cut;
            for (std::size_t k = 0; k < lines.size(); ++k)
                EXPECT_EQ(original[k].rfind(lines[k], 0), 0u) << cut << ": " << lines[k];
        }
        if (cut == text.size()) {
            EXPECT_EQ(st.Envs.Count(), 3);
            EXPECT_EQ(st.Envs.At(2).TargetLines, (std::vector<std::string>{"/src3/*.c", "/inc3/"}));
            EXPECT_EQ(st.Envs.At(2).MemoLines, (std::vector<std::string>{"memo 3"}));
        }
    }
}

TEST(IniFault, HugeFilesLoadWholeAndQuickly) {
    TempDir dir;
    // 50 000 target lines, a line of 4 MB among them, 500 environments each with a
    // section, 20 000 lines that are no keys: 5 MB.
    std::string ini;
    for (int j = 0; j < 20000; ++j) ini += "; comment line " + std::to_string(j) + "\r\n";
    ini += "[Cname]\r\ncnam1=big\r\n";
    for (int i = 2; i <= 500; ++i) ini += "cnam" + std::to_string(i) + "=e" + std::to_string(i) + "\r\n";
    ini += "[FILES_1]\r\n";
    const std::string longLine = "/" + std::string(4 << 20, 'x');
    for (int k = 0; k < 50000; ++k) ini += "file" + std::to_string(k) + "=/src/" + std::to_string(k) + "\r\n";
    ini += "file50000=" + longLine + "\r\n";
    for (int i = 2; i <= 500; ++i)
        ini += "[FILES_" + std::to_string(i) + "]\r\nfile0=/e" + std::to_string(i) + "\r\n";
    dir.Write("zarnik.ini", ini);

    auto start = std::chrono::steady_clock::now();
    ProgramState st = Start(dir.str());
    ASSERT_EQ(st.Envs.Count(), 500);
    const auto& lines = st.Envs.At(0).TargetLines;
    ASSERT_EQ(lines.size(), 50001u);
    EXPECT_EQ(lines[43210], "/src/43210");
    EXPECT_EQ(lines.back(), longLine);  // taken whole, however long
    EXPECT_EQ(st.Envs.At(499).TargetLines, (std::vector<std::string>{"/e500"}));

    Close(st);
    ProgramState again = Start(dir.str());
    EXPECT_TRUE(again.Envs == st.Envs);
    EXPECT_NE(Slurp(dir.path() / "zarnik.ini").find("; comment line 19999\r\n"), std::string::npos);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 20.0);
}

TEST(IniFault, IniThatIsNoFileIsNeverReadNorReplaced) {
    for (const std::string kind : {"fifo", "device", "unreadable"}) {
        TempDir dir;
        const std::string ini = dir.str() + "/zarnik.ini";
        std::unique_ptr<PermissionsBind> bind;
        if (kind == "fifo") {
            ASSERT_EQ(mkfifo(ini.c_str(), 0600), 0);
        } else if (kind == "device") {
            fs::create_symlink("/dev/zero", ini);
        } else {
            dir.Write("zarnik.ini", "[Settei]\r\nFldSum=1\r\n");
            chmod(ini.c_str(), 0);
            bind = std::make_unique<PermissionsBind>();
            if (!bind->Binds()) continue;
        }
        LoadReport report;
        ProgramState st = Start(dir.str(), &report);  // a pipe would block here if it were opened
        EXPECT_TRUE(report.IniUnreadable) << kind;
        EXPECT_EQ(st.Cnf.FldSum, 0) << kind;
        try {
            Close(st);
            ADD_FAILURE() << "the save did not fail: " << kind;
        } catch (const SaveFailure& e) {
            EXPECT_EQ(e.what(), IniWriteMessage(ini)) << kind;
        }
        bind.reset();
        if (kind == "unreadable") {
            chmod(ini.c_str(), 0600);
            EXPECT_EQ(Slurp(ini), "[Settei]\r\nFldSum=1\r\n");
        } else {
            EXPECT_FALSE(fs::is_regular_file(ini)) << kind;
        }
        EXPECT_FALSE(fs::exists(ini + ".tmp")) << kind;
    }
}

TEST(IniFault, ReadOnlyProgramFolderKeepsItsFilesInTheConfigFolder) {
    TempDir dir;
    const std::string bin = dir.str() + "/bin", cfg = dir.str() + "/cfg";
    fs::create_directory(bin);
    chmod(bin.c_str(), 0555);
    PermissionsBind bind;
    if (!bind.Binds()) GTEST_SKIP() << "permission bits do not stop this process";

    ProgramPaths paths = LocateProgramPaths(bin + "/zarnik", cfg);
    EXPECT_EQ(paths.ProgramFolder, bin + "/");
    EXPECT_EQ(paths.DataFolder, cfg + "/zarnik/");
    EXPECT_EQ(paths.IniPath, cfg + "/zarnik/zarnik.ini");
    EXPECT_EQ(paths.OpenFolder, bin);  // the dialogs still start beside the program

    ProgramState st = MakeStartState(paths, 1024, 768);
    LoadSettings(st);
    st.Envs.StoreEnv(st.Envs.EnvIdAt(0), {"/src"}, {"memo"});
    Close(st);  // the first save creates cfg/zarnik/
    EXPECT_TRUE(fs::is_empty(bin));
    EXPECT_EQ(Slurp(cfg + "/zarnik/memo1.dat"), "memo\r\n");
    ProgramState again = MakeStartState(LocateProgramPaths(bin + "/zarnik", cfg), 1024, 768);
    LoadSettings(again);
    EXPECT_EQ(again.Envs.At(0).TargetLines, (std::vector<std::string>{"/src"}));

    // A config folder that cannot be made either: the save fails and says where.
    ProgramState nowhere = MakeStartState(LocateProgramPaths(bin + "/zarnik", bin + "/cfg"), 1024, 768);
    LoadSettings(nowhere);
    EXPECT_THROW(Close(nowhere), SaveFailure);
    EXPECT_TRUE(fs::is_empty(bin));
}

// write() fails once a file would grow past the limit, as on a full disk; the
// limit holds for root too.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit tight = old_;
        tight.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &tight);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit old_{};
    sighandler_t oldHandler_;
};

TEST(IniFault, FullDiskWhileSavingLeavesEveryFileAsItWas) {
    TempDir dir;
    SaveThree(dir.str());
    const auto before = Files(dir.path());
    const std::size_t iniSize = before.at("zarnik.ini").size();

    // The memo of the first environment grows past the limit while the INI file
    // would fit; then the INI file grows past it while every memo fits.
    ProgramState bigMemo = Start(dir.str());
    bigMemo.Envs.StoreEnv(bigMemo.Envs.EnvIdAt(0), {"/changed"}, {std::string(iniSize * 4, 'm')});
    ProgramState bigIni = Start(dir.str());
    bigIni.Envs.StoreEnv(bigIni.Envs.EnvIdAt(0), std::vector<std::string>(1000, "/many"), {"new memo"});
    bigIni.Envs.StoreEnv(bigIni.Envs.EnvIdAt(1), {"/changed"}, {"another new memo"});

    const std::string iniMessage = IniWriteMessage(dir.str() + "/zarnik.ini");
    const std::string memoMessage = Sj("ﾌｧｲﾙ " + dir.str() + "/memo1.dat を作成できません");
    for (auto [st, message] : {std::pair{&bigMemo, memoMessage}, std::pair{&bigIni, iniMessage}}) {
        {
            FileSizeLimit limit(iniSize * 2);
            try {
                Close(*st);
                ADD_FAILURE() << "the save did not fail";
            } catch (const SaveFailure& e) {
                EXPECT_EQ(e.what(), message);
            }
        }
        EXPECT_TRUE(Files(dir.path()) == before);  // no file changed, no temporary file left
    }
    // With room again the same state saves.
    Close(bigIni);
    EXPECT_EQ(Slurp(dir.path() / "memo2.dat"), "another new memo\r\n");
}

TEST(IniFault, FolderThatBecameReadOnlyFailsTheSaveAndKeepsTheFiles) {
    TempDir dir;
    SaveThree(dir.str());
    const auto before = Files(dir.path());
    ProgramState st = Start(dir.str());
    st.Envs.StoreEnv(st.Envs.EnvIdAt(0), {"/changed"}, {"changed memo"});
    chmod(dir.str().c_str(), 0555);
    {
        PermissionsBind bind;
        if (!bind.Binds()) GTEST_SKIP() << "permission bits do not stop this process";
        try {
            Close(st);
            ADD_FAILURE() << "the save did not fail";
        } catch (const SaveFailure& e) {
            EXPECT_EQ(e.what(), Sj("ﾌｧｲﾙ " + dir.str() + "/memo1.dat を作成できません"));
        }
    }
    chmod(dir.str().c_str(), 0700);
    EXPECT_TRUE(Files(dir.path()) == before);
}

TEST(MemoFault, GarbageOrNoFileMemosLoadAndNothingIsLost) {
    TempDir dir;
    SaveThree(dir.str());
    const std::string garbage = RandomBytes(100000, 7);
    dir.Write("memo1.dat", garbage);
    fs::remove(dir.path() / "memo2.dat");
    ASSERT_EQ(mkfifo((dir.str() + "/memo2.dat").c_str(), 0600), 0);  // never opened
    fs::remove(dir.path() / "memo3.dat");
    fs::create_symlink("/dev/zero", dir.path() / "memo3.dat");

    ProgramState st = Start(dir.str());
    ASSERT_EQ(st.Envs.Count(), 3);
    EXPECT_EQ(st.Envs.At(0).MemoLines, SplitMemoText(garbage));
    EXPECT_TRUE(st.Envs.At(1).MemoLines.empty());
    EXPECT_TRUE(st.Envs.At(2).MemoLines.empty());
    Close(st);
    // The garbage comes back line by line (its line breaks written as CR LF),
    EXPECT_EQ(Slurp(dir.path() / "memo1.dat"), JoinMemoLines(SplitMemoText(garbage)));
    // and a pipe is left where it is. A link named like a memo file goes with its
    // empty memo, as the file would; what it points to is untouched.
    EXPECT_TRUE(fs::is_fifo(dir.path() / "memo2.dat"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(dir.path() / "memo3.dat")));
}

}  // namespace
}  // namespace zarnik::settings
