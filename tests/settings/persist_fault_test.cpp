// The INI and memo files when things go wrong: files that are garbage, cut short,
// huge or no files at all, folders that cannot be written, a disk that fills up.
// Whatever happens, what was stored before is still there afterwards; a save that
// dies at any step or runs beside another instance's leaves a whole set of files.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
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
    w.PaneHeight = st.Place.MainPlacement.TargetPaneHeight;
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
    st.Cnf.FolderSubtotals = 1;
    Close(st);
}

std::string RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen() & 0xFF);
    return s;
}

// Runs body in a child process and returns its exit status (-1 when it did not
// exit). The child ends with _exit: nothing of the test process runs down in it.
int InChild(const std::function<int()>& body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
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

        // From the first save on, a load and a save change nothing: no section moves
        // (the environment names once moved behind the sections the first save added).
        ProgramState second = Start(dir.str());
        EXPECT_EQ(second.Envs.Count(), st.Envs.Count());
        Close(second);
        EXPECT_TRUE(Slurp(dir.path() / "zarnik.ini") == saved) << seed;
    }
}

TEST(IniFault, EmptyOlderFontNameKeepsTheFace) {
    // Taken as a face, an empty name would be saved as ",12,clBlack,0", which reads
    // back as the face "12" and the colour "0".
    TempDir dir;
    dir.Write("zarnik.ini", "[Font]\r\nFontName=\r\nFontSize=12\r\n");
    ProgramState st = Start(dir.str());
    const PaneFont expected{MakeDefaultSettings().ResultFont.FaceName, 12, "clBlack", 0};
    EXPECT_EQ(st.Cnf.ResultFont, expected);
    Close(st);
    EXPECT_EQ(Start(dir.str()).Cnf.ResultFont, expected);
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
            EXPECT_EQ(st.Cnf.FolderSubtotals, 1) << cut;
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

// Speed is the benchmark's (bench/run.sh --ini-load): a wall-clock limit here only
// failed on a loaded machine.
TEST(IniFault, HugeFilesLoadWhole) {
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
}

TEST(IniFault, MillionsOfSectionsTakeASmallMultipleOfTheFileInMemory) {
    // 300,000 section headers (3.3 MB); before, each section took some 300 bytes.
    std::string text;
    for (int i = 0; i < 300000; ++i) text += "[S" + std::to_string(i) + "]\r\n";
    const int multiple = InChild([&] {
        const long before = zarnik::testing::ProcStatusKb("VmRSS");
        // From here the peak (VmHWM) counts again from what is held now.
        if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
            std::fputs("5", f);
            std::fclose(f);
        }
        IniFile ini(text);
        if (!ini.HasSection("s299999") || ini.HasSection("S300000")) return 255;
        const long peak = zarnik::testing::ProcStatusKb("VmHWM");
        return static_cast<int>(std::min<long>(254, (peak - before) * 1024 / static_cast<long>(text.size())));
    });
    EXPECT_LE(multiple, 12) << "peak memory while loading, as a multiple of the file's size";
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
        EXPECT_EQ(st.Cnf.FolderSubtotals, 0) << kind;
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
    dir.Write("bin/zarnik.ini", "[Cname]\r\ncnam1=beside\r\n[FILES_1]\r\nfile0=/beside\r\n");
    dir.Write("bin/memo1.dat", "beside memo\r\n");
    const auto besideFiles = Files(bin);
    chmod(bin.c_str(), 0555);
    PermissionsBind bind;
    if (!bind.Binds()) GTEST_SKIP() << "permission bits do not stop this process";

    // The file beside the program is read (and said to be read) until the first
    // save has put one into the config folder.
    ProgramPaths paths = LocateProgramPaths(bin + "/zarnik", cfg);
    EXPECT_EQ(paths.ProgramFolder, bin + "/");
    EXPECT_EQ(paths.DataFolder, cfg + "/zarnik/");
    EXPECT_EQ(paths.IniPath, cfg + "/zarnik/zarnik.ini");
    EXPECT_EQ(paths.ReadIniPath, bin + "/zarnik.ini");
    EXPECT_TRUE(ReadsElsewhereThanItWrites(paths));
    EXPECT_EQ(paths.OpenFolder, bin);  // the dialogs still start beside the program

    ProgramState st = MakeStartState(paths, 1024, 768);
    LoadSettings(st);
    ASSERT_EQ(st.Envs.Count(), 1);
    EXPECT_EQ(st.Envs.At(0).EnvName, "beside");
    EXPECT_EQ(st.Envs.At(0).TargetLines, (std::vector<std::string>{"/beside"}));
    EXPECT_EQ(st.Envs.At(0).MemoLines, (std::vector<std::string>{"beside memo"}));
    st.Envs.StoreEnv(st.Envs.EnvIdAt(0), {"/src"}, {"memo"});
    Close(st);  // the first save creates cfg/zarnik/
    EXPECT_TRUE(Files(bin) == besideFiles);
    EXPECT_EQ(Slurp(cfg + "/zarnik/memo1.dat"), "memo\r\n");
    ProgramState again = MakeStartState(LocateProgramPaths(bin + "/zarnik", cfg), 1024, 768);
    EXPECT_FALSE(ReadsElsewhereThanItWrites(again.Paths));
    LoadSettings(again);
    EXPECT_EQ(again.Envs.At(0).EnvName, "beside");
    EXPECT_EQ(again.Envs.At(0).TargetLines, (std::vector<std::string>{"/src"}));

    // A config folder that cannot be made either: the save fails and says where.
    ProgramState nowhere = MakeStartState(LocateProgramPaths(bin + "/zarnik", bin + "/cfg"), 1024, 768);
    LoadSettings(nowhere);
    EXPECT_THROW(Close(nowhere), SaveFailure);
    EXPECT_TRUE(Files(bin) == besideFiles);
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
    // Memos that did not change are not written again: the garbage, the pipe and
    // the link stay as they are.
    EXPECT_EQ(Slurp(dir.path() / "memo1.dat"), garbage);
    EXPECT_TRUE(fs::is_fifo(dir.path() / "memo2.dat"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "memo3.dat"));
    // Changed, the garbage is written line by line (its line breaks as CR LF).
    st.Envs.At(0).MemoLines.push_back("more");
    Lines expected = SplitMemoText(garbage);
    expected.push_back("more");
    Close(st);
    EXPECT_EQ(Slurp(dir.path() / "memo1.dat"), JoinMemoLines(expected));
    EXPECT_TRUE(fs::is_fifo(dir.path() / "memo2.dat"));
    EXPECT_TRUE(fs::is_symlink(dir.path() / "memo3.dat"));
}

// ---- saves that die part-way or run beside another instance's ----

int g_step = 0, g_deathStep = 0;
bool DieAtStep(std::string_view, const std::string&) {
    if (++g_step == g_deathStep) _exit(99);  // as SIGKILL would: no clean-up of any kind
    return true;
}

// Names, target lines and memos must pair: environment X has the lines {"/X"} and
// the memo {"memo X"}; one without a name has neither.
void ExpectPaired(const EnvList& envs, const std::string& when) {
    for (int i = 0; i < envs.Count(); ++i) {
        const Environment& e = envs.At(i);
        const Lines lines = e.EnvName.empty() ? Lines{} : Lines{"/" + e.EnvName};
        const Lines memo = e.EnvName.empty() ? Lines{} : Lines{"memo " + e.EnvName};
        EXPECT_EQ(e.TargetLines, lines) << when << ", position " << i + 1;
        EXPECT_EQ(e.MemoLines, memo) << when << ", position " << i + 1;
    }
}

Lines NamesOf(const EnvList& envs) {
    Lines names;
    envs.EnvNames(names);
    return names;
}

TEST(SaveFault, DeathAtEveryStepOfARenumberingSaveLeavesTheOldOrTheNewSet) {
    // As a hand edit leaves them: e1 .. e4, a fifth without a name, and "orphan"
    // past a gap, which the first save moves up to position 5. Deleting e1 then
    // renumbers everything: every memo file is rewritten, moved or removed.
    const Lines before{"e1", "e2", "e3", "e4", ""}, after{"e2", "e3", "e4", "", "orphan"};
    int steps = 0;
    for (int death = 1;; ++death) {
        TempDir dir;
        std::string ini = "[Cname]\r\n", files;
        int pos = 0;
        for (std::string n : {"e1", "e2", "e3", "e4", "", "orphan"}) {
            ++pos;
            if (n.empty()) continue;
            const int at = n == "orphan" ? 6 : pos;
            ini += "cnam" + std::to_string(at) + "=" + n + "\r\n";
            files += "[FILES_" + std::to_string(at) + "]\r\nfile0=/" + n + "\r\n";
            dir.Write("memo" + std::to_string(at) + ".dat", "memo " + n + "\r\n");
        }
        dir.Write("zarnik.ini", ini + files);

        const int status = InChild([&] {
            g_step = 0;
            g_deathStep = death;
            SetSaveStepHook(DieAtStep);
            ProgramState st = Start(dir.str());
            st.Envs.DeleteEnv(st.Envs.EnvIdAt(0));
            st.Envs.RenumberEnvs();
            try {
                Close(st);
            } catch (const SaveFailure&) {
                return 2;
            }
            return 0;
        });
        ASSERT_TRUE(status == 99 || status == 0) << "step " << death << ": status " << status;

        // The next start: the old set or the new one, each memo with its own
        // environment, and no memo only in a temporary file; also when the lock
        // file went with the dead process (a folder cleaned by hand).
        const std::string when = "death at step " + std::to_string(death);
        fs::remove(dir.path() / "zarnik.ini.lock");
        ProgramState next = Start(dir.str());
        const Lines names = NamesOf(next.Envs);
        EXPECT_TRUE(names == before || names == after) << when;
        ExpectPaired(next.Envs, when);
        if (names == before) {
            EXPECT_EQ(Slurp(dir.path() / "memo6.dat"), "memo orphan\r\n") << when;
        }
        // The next save leaves neither a record nor a temporary file behind.
        Close(next);
        for (const auto& [name, bytes] : Files(dir.path()))
            EXPECT_TRUE(name.find(".tmp-") == std::string::npos && !name.ends_with(".commit"))
                << when << ": " << name;
        if (status == 0) break;
        steps = death;
    }
    EXPECT_GE(steps, 15);  // writes, fsyncs, the record, renames, a removal
}

TEST(SaveFault, TwoInstancesSavingAtOnceEachSaveWholeAndTrue) {
    TempDir dir;
    SaveThree(dir.str());
    // Both instances start from the same files; each replaces the three
    // environments by its own three and saves again and again. A save that fails
    // says so through the child's status.
    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    auto instance = [&](const std::string& who) {
        pid_t pid = fork();
        if (pid != 0) return pid;
        close(go[1]);
        ProgramState st = Start(dir.str());
        st.Envs.ClearEnvs();
        for (int i = 1; i <= 3; ++i) {
            std::string n = who + std::to_string(i);
            st.Envs.StoreEnv(st.Envs.AddEnv(n, 1), {"/" + n}, {"memo " + n});
        }
        char byte = 0;
        if (write(ready[1], "r", 1) != 1 || read(go[0], &byte, 1) != 0) _exit(100);
        int failed = 0;
        for (int k = 0; k < 40; ++k) {
            try {
                Close(st);
            } catch (const SaveFailure&) {
                ++failed;
            }
        }
        _exit(failed);
    };
    const pid_t a = instance("A"), b = instance("B");
    ASSERT_GT(a, 0);
    ASSERT_GT(b, 0);
    char byte = 0;
    for (int loaded = 0; loaded < 2; ++loaded) ASSERT_EQ(read(ready[0], &byte, 1), 1);
    close(go[1]);  // both have loaded: go

    // Meanwhile the INI file as it stands is always one whole save, and a start
    // sees whole environments, each paired with its memo.
    int running = 2, statusA = -1, statusB = -1;
    for (int round = 0; running > 0; ++round) {
        std::string text;
        ASSERT_TRUE(ReadWholeFile(dir.str() + "/zarnik.ini", text)) << "round " << round;
        IniFile ini(text);
        EXPECT_EQ(ini.ReadInteger("MainToolBar", "Rev", 0), 2) << "round " << round << ": a partial file";
        ProgramState st = Start(dir.str());
        for (int i = 0; i < st.Envs.Count(); ++i) {
            const std::string& name = st.Envs.At(i).EnvName;
            if (name.starts_with("A") || name.starts_with("B")) {
                EXPECT_EQ(st.Envs.At(i).TargetLines, Lines{"/" + name}) << "round " << round;
                EXPECT_EQ(st.Envs.At(i).MemoLines, Lines{"memo " + name}) << "round " << round;
            }
        }
        for (auto [pid, status] : {std::pair{a, &statusA}, std::pair{b, &statusB}}) {
            int raw = 0;
            if (*status < 0 && waitpid(pid, &raw, WNOHANG) == pid) {
                *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 1000;
                --running;
            }
        }
    }
    EXPECT_EQ(statusA, 0) << "saves of instance A that failed";
    EXPECT_EQ(statusB, 0) << "saves of instance B that failed";
    // Neither undid the other: each deleted the three it loaded and added its own.
    Lines names = NamesOf(Start(dir.str()).Envs);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (Lines{"A1", "A2", "A3", "B1", "B2", "B3"}));
}

// ---- the commit record and the lock file are data from the disk ----

struct RecordOp {
    char Kind;
    std::string From, To;
};
// A record as saves write it: NUL-separated fields between a head and a tail line.
std::string RecordOf(const std::vector<RecordOp>& ops) {
    std::string r = "ZARNIK-SAVE 1\n";
    for (const auto& op : ops)
        r.append(1, op.Kind).append(op.From).append(1, '\0').append(op.To).append(1, '\0');
    return r + "END\n";
}

// The names in folder that start with prefix.
std::vector<std::string> NamesStartingWith(const fs::path& folder, const std::string& prefix) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().starts_with(prefix)) names.push_back(e.path().filename().string());
    return names;
}

TEST(SaveRecordFault, RecordNamingAnythingButOurOwnFilesIsSetAsideNotFollowed) {
    TempDir outside;
    const std::string victim = outside.str() + "/victim.txt";
    for (int variant = 0; variant < 8; ++variant) {
        TempDir dir;
        SaveThree(dir.str());
        outside.Write("victim.txt", "precious");
        const std::string d = dir.str() + "/", temp = d + "zarnik.ini.tmp-AAAAAA";
        dir.Write("zarnik.ini.tmp-AAAAAA", "our temporary file");
        dir.Write("memo2.dat.tmp-BBBBBB", "our temporary memo");
        const std::vector<std::vector<RecordOp>> records{
            {{'U', victim, ""}},
            {{'U', d + "../" + outside.path().filename().string() + "/victim.txt", ""}},
            {{'R', temp, victim}},              // over a file elsewhere
            {{'R', victim, d + "zarnik.ini"}},  // a file from elsewhere in
            {{'M', victim, d + "memo1.dat.tmp-CCCCCC"}, {'R', d + "memo1.dat.tmp-CCCCCC", d + "memo1.dat"}},
            {{'R', d + "memo2.dat.tmp-BBBBBB", d + "memo2.dat"}, {'U', victim, ""}},  // one bad op of two
            {{'U', d + "zarnik.ini", ""}},                                // only memo files are removed
            {{'U', d + "memo01.dat", ""}, {'U', d + "./memo1.dat", ""}},  // names, not spellings
        };
        const std::string record = RecordOf(records[static_cast<std::size_t>(variant)]);
        dir.Write("zarnik.ini.commit", record);
        dir.Write("memo01.dat", "not a memo file of ours");
        const auto before = Files(dir.path());
        const std::string when = "record " + std::to_string(variant);

        // Reading the settings only reads: the record is neither carried out nor moved.
        ProgramState reader = MakeStartState(PathsForIniFile(d + "zarnik", d + "zarnik.ini"), 0, 0);
        LoadSettings(reader, LoadPurpose::ReadOnly);
        EXPECT_EQ(reader.Envs.Count(), 3) << when;
        EXPECT_TRUE(Files(dir.path()) == before) << when;
        EXPECT_EQ(Slurp(victim), "precious") << when;

        // The start sets it aside, says where, and loads the files as they are.
        LoadReport report;
        ProgramState st = Start(dir.str(), &report);
        EXPECT_EQ(Slurp(victim), "precious") << when;
        const auto aside = NamesStartingWith(dir.path(), "zarnik.ini.commit");
        ASSERT_EQ(aside.size(), 1u) << when;
        EXPECT_TRUE(aside[0].starts_with("zarnik.ini.commit.rejected-")) << when;
        EXPECT_EQ(Slurp(dir.path() / aside[0]), record) << when;
        ASSERT_EQ(report.Notices.size(), 1u) << when;
        EXPECT_NE(report.Notices[0].find(d + "zarnik.ini.commit"), std::string::npos) << when;
        EXPECT_NE(report.Notices[0].find(d + aside[0]), std::string::npos) << when;
        ASSERT_EQ(NamesOf(st.Envs), (Lines{Sj("環境1"), Sj("環境2"), Sj("環境3")})) << when;
        EXPECT_EQ(st.Envs.At(1).MemoLines, (Lines{"memo 2"})) << when;
        auto after = Files(dir.path());
        after.erase(aside[0]);
        auto expected = before;
        expected.erase("zarnik.ini.commit");
        EXPECT_TRUE(after == expected) << when;
        EXPECT_NO_THROW(Close(st)) << when;
        EXPECT_EQ(Slurp(dir.path() / "memo01.dat"), "not a memo file of ours") << when;
    }
}

TEST(SaveRecordFault, RecordThatIsGarbageCutShortHugeOrNoFileNeverStopsTheSaves) {
    // A record of this save's own kind, then cut short.
    const std::string ours = RecordOf({{'R', "/x/zarnik.ini.tmp-AAAAAA", "/x/zarnik.ini"}});
    for (const std::string kind : {"garbage", "cut", "folder", "fifo", "zero", "huge", "unreadable"}) {
        TempDir dir;
        SaveThree(dir.str());
        const std::string record = dir.str() + "/zarnik.ini.commit";
        if (kind == "garbage") dir.Write("zarnik.ini.commit", RandomBytes(5000, 3));
        if (kind == "cut") dir.Write("zarnik.ini.commit", ours.substr(0, ours.size() - 2));
        if (kind == "folder") fs::create_directory(record);
        if (kind == "fifo") {
            ASSERT_EQ(mkfifo(record.c_str(), 0600), 0);
        }
        if (kind == "zero") fs::create_symlink("/dev/zero", record);
        if (kind == "huge" || kind == "unreadable") {
            // 2 GiB of nothing (sparse): read whole, it took 2 GB of memory.
            dir.Write("zarnik.ini.commit", "ZARNIK-SAVE 1\n");
            if (kind == "huge") fs::resize_file(record, std::uintmax_t{2} << 30);
            if (kind == "unreadable") chmod(record.c_str(), 0);
        }
        // In a child with its memory bounded and an alarm: a pipe would block, a huge
        // record would be read whole.
        const int status = InChild([&] {
            alarm(30);
            rlimit limit{std::size_t{1} << 30, std::size_t{1} << 30};
            if (!zarnik::testing::kSanitizerReservesMemory) setrlimit(RLIMIT_AS, &limit);
            PermissionsBind bind;  // an unreadable record is unreadable for root too
            LoadReport report;
            ProgramState st = Start(dir.str(), &report);
            if (st.Envs.Count() != 3 || report.Notices.size() != 1 ||
                report.Notices[0].find(record) == std::string::npos)
                return 1;
            try {
                Close(st);  // every later save goes on working
                Close(st);
            } catch (const SaveFailure&) {
                return 2;
            }
            return 0;
        });
        EXPECT_EQ(status, 0) << kind;
        EXPECT_FALSE(fs::exists(fs::symlink_status(record))) << kind;
        EXPECT_EQ(NamesStartingWith(dir.path(), "zarnik.ini.commit.rejected-").size(), 1u) << kind;
    }
}

TEST(SaveLockFault, LockFileThatIsAPipeDeviceOrLinkNeverBlocks) {
    TempDir elsewhere;
    const std::string fifo = elsewhere.str() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0444), 0);
    for (const std::string kind : {"fifo", "link to a fifo", "device", "dangling link"}) {
        TempDir dir;
        SaveThree(dir.str());
        const std::string lock = dir.str() + "/zarnik.ini.lock";
        fs::remove(lock);
        if (kind == "fifo") {
            ASSERT_EQ(mkfifo(lock.c_str(), 0444), 0);  // an ordinary user cannot open it to write
        }
        if (kind == "link to a fifo") fs::create_symlink(fifo, lock);
        if (kind == "device") fs::create_symlink("/dev/null", lock);
        if (kind == "dangling link") fs::create_symlink(elsewhere.str() + "/none", lock);
        const int status = InChild([&] {
            alarm(30);  // the test fails, rather than hang, when something blocks
            PermissionsBind bind;
            ProgramState reader =
                MakeStartState(PathsForIniFile(dir.str() + "/zarnik", dir.str() + "/zarnik.ini"), 0, 0);
            LoadSettings(reader, LoadPurpose::ReadOnly);
            LoadReport report;
            ProgramState st = Start(dir.str(), &report);
            if (reader.Envs.Count() != 3 || st.Envs.Count() != 3 || report.Notices.size() != 1) return 1;
            try {
                Close(st);
            } catch (const SaveFailure&) {
                return 2;
            }
            return 0;
        });
        EXPECT_EQ(status, 0) << kind;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(lock))) << kind;  // made anew
        EXPECT_EQ(NamesStartingWith(dir.path(), "zarnik.ini.lock.rejected-").size(), 1u) << kind;
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
}

}  // namespace
}  // namespace zarnik::settings
