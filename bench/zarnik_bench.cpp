// zarnik-bench: builds the benchmark corpus and times zarnik-count against the
// pace of just reading the same files (zarnik-bare-read, cat, wc -l) and against
// peer counters.
//
//   zarnik-bench corpus DIR             write the corpus (skipped when up to date)
//   zarnik-bench utf8-corpus DIR        write the tree of UTF-8 sources with Japanese
//                                       comments (skipped when up to date)
//   zarnik-bench measure [opts] TREE... time every command on every tree
//   zarnik-bench memory [opts] DIR N    peak memory over N files, then delete DIR
//   zarnik-bench ini-load [opts] DIR N...  load INI files of N environments (and
//                                       one of 3 million section headers), then delete DIR
//   zarnik-bench ini-save DIR N...      save the settings of N environments with a memo
//                                       each: unchanged, one memo changed, the first
//                                       environment deleted; then delete DIR
//   zarnik-bench source EXT MB          one generated source of MB megabytes to stdout
//
// Every command runs with its output to /dev/null; the runs of the commands are
// interleaved so that a busy machine slows them alike, and the median is shown.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "corpus.h"
#include "settings/persist.h"

namespace {

namespace fs = std::filesystem;
using Args = std::vector<std::string>;

struct Sample {
    double Seconds = 0;
    double CpuSeconds = 0;
    long PeakKiB = 0;
    int Status = 0;
};

// Runs argv with stdout (and stderr unless keepErr) to /dev/null, or stdout to
// the file outFile when one is named.
Sample RunOnce(const Args& argv, bool keepErr = false, const std::string& outFile = "") {
    std::vector<char*> cargs;
    for (const auto& a : argv) cargs.push_back(const_cast<char*>(a.c_str()));
    cargs.push_back(nullptr);
    auto start = std::chrono::steady_clock::now();
    pid_t pid = ::fork();
    if (pid < 0) {
        std::perror("fork");
        std::exit(2);
    }
    if (pid == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        const int out = outFile.empty() ? null : ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0) _exit(126);
        ::dup2(out, 1);
        if (!keepErr) ::dup2(null, 2);
        ::execvp(cargs[0], cargs.data());
        _exit(127);
    }
    int status = 0;
    rusage ru{};
    ::wait4(pid, &status, 0, &ru);
    Sample s;
    s.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    s.CpuSeconds = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
                   static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
    s.PeakKiB = ru.ru_maxrss;
    s.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return s;
}

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream ss(path ? path : "");
    std::string dir;
    while (std::getline(ss, dir, ':'))
        if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
    return false;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Regular files below root as find -type f sees them (links are not followed).
struct TreeSize {
    std::size_t Files = 0;
    std::uint64_t Bytes = 0;
    std::uint64_t Largest = 0;
};
TreeSize MeasureTree(const std::string& root) {
    TreeSize t;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
         it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (ec) break;
        if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
        std::uint64_t size = it->file_size(ec);
        if (ec) continue;
        ++t.Files;
        t.Bytes += size;
        t.Largest = std::max(t.Largest, size);
    }
    return t;
}

// The files of a list of paths each ended by a NUL (zarnik-bare-read --list).
TreeSize MeasureList(const std::string& listFile) {
    TreeSize t;
    std::ifstream in(listFile, std::ios::binary);
    std::error_code ec;
    for (std::string path; std::getline(in, path, '\0');) {
        const std::uint64_t size = fs::file_size(path, ec);
        if (ec) continue;
        ++t.Files;
        t.Bytes += size;
        t.Largest = std::max(t.Largest, size);
    }
    return t;
}

std::string Grouped(double v) {
    std::string digits = std::to_string(static_cast<long long>(v + 0.5));
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return out;
}

std::string Fixed(double v, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string ReadFirstLine(const std::string& path, const std::string& prefix) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(prefix, 0) == 0) return line.substr(line.find(':') + 1);
    return "";
}

void PrintMachine() {
    utsname u{};
    ::uname(&u);
    std::string cpu = ReadFirstLine("/proc/cpuinfo", "model name");
    while (!cpu.empty() && cpu.front() == ' ') cpu.erase(0, 1);
    double load[3] = {0, 0, 0};
    ::getloadavg(load, 3);
    std::printf("Machine: %ld cores (%s), %s %s; load average at start %.2f\n",
                ::sysconf(_SC_NPROCESSORS_ONLN), cpu.c_str(), u.sysname, u.release, load[0]);
}

struct Command {
    std::string Name;
    Args Argv;
    int Runs;
    std::vector<Sample> Samples;
    std::string Setup;  // a folder emptied before every run (sloccount's data folder)
};

int Measure(const Args& args) {
    std::string zarnik = "build-bench/zarnik-count";
    std::string bare = "build-bench/zarnik-bare-read";
    std::string baseline;  // another zarnik-count to compare with
    int runs = 5, peerRuns = 3, slocRuns = 1;
    bool peers = true;
    std::vector<std::string> trees;
    Args sets;  // --set KEY=VALUE for zarnik-count and zarnik-bare-read alike
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--zarnik" && i + 1 < args.size())
            zarnik = args[++i];
        else if (args[i] == "--bare" && i + 1 < args.size())
            bare = args[++i];
        else if (args[i] == "--baseline" && i + 1 < args.size())
            baseline = args[++i];
        else if (args[i] == "--runs" && i + 1 < args.size())
            runs = std::max(1, std::atoi(args[++i].c_str()));
        else if (args[i] == "--peer-runs" && i + 1 < args.size())
            peerRuns = std::max(1, std::atoi(args[++i].c_str()));
        else if (args[i] == "--sloccount-runs" && i + 1 < args.size())
            slocRuns = std::max(1, std::atoi(args[++i].c_str()));
        else if (args[i] == "--no-peers")
            peers = false;
        else if (args[i] == "--set" && i + 1 < args.size())
            sets.insert(sets.end(), {"--set", args[++i]});
        else
            trees.push_back(args[i]);
    }
    if (trees.empty()) {
        std::fprintf(stderr, "measure: no tree given\n");
        return 2;
    }
    PrintMachine();
    std::printf(
        "Median of %d runs (cloc: %d, sloccount: %d), runs interleaved, warm page cache, output to "
        "/dev/null.\n",
        runs, peerRuns, slocRuns);
    std::string slocData = fs::temp_directory_path() / ("zarnik-bench-sloc-" + std::to_string(::getpid()));
    const std::string fileList =
        fs::temp_directory_path() / ("zarnik-bench-files-" + std::to_string(::getpid()));
    struct RemoveList {
        const std::string& File;
        ~RemoveList() { ::unlink(File.c_str()); }
    } removeList{fileList};

    for (const std::string& tree : trees) {
        // Every yardstick reads the files zarnik-count reads to their end, as the
        // core lists them for the same arguments; a tree's other files (objects,
        // data, text the extension lists leave out) zarnik-count only looks at the
        // head of, and reading them too would flatter the ratios.
        const TreeSize whole = MeasureTree(tree);
        // Every file of the tree counts, also where it lies in a git work tree that
        // ignores it (as the generated corpora do, below bench/out).
        auto with = [&tree, &sets](Args args) {
            args.insert(args.end(), sets.begin(), sets.end());
            args.insert(args.end(), {"--set", "HeadDT=0", "--set", "GitIgnore=0", tree});
            return args;
        };
        if (RunOnce(with({bare, "--list"}), true, fileList).Status != 0) {
            std::fprintf(stderr, "measure: zarnik-bare-read could not list %s\n", tree.c_str());
            return 1;
        }
        const TreeSize size = MeasureList(fileList);
        std::vector<Command> cmds;
        cmds.push_back({"zarnik-count", with({zarnik}), runs, {}, ""});
        cmds.push_back({"zarnik-count --jobs 1", with({zarnik, "--jobs", "1"}), runs, {}, ""});
        // On as many threads as zarnik-count uses by default (one per core), and on one.
        const std::string cores = std::to_string(::sysconf(_SC_NPROCESSORS_ONLN));
        cmds.push_back({"bare read", with({bare, "--jobs", cores}), runs, {}, ""});
        cmds.push_back({"bare read --jobs 1", with({bare, "--jobs", "1"}), runs, {}, ""});
        cmds.push_back({"cat", {"xargs", "-0", "-a", fileList, "cat"}, runs, {}, ""});
        cmds.push_back({"wc -l", {"xargs", "-0", "-a", fileList, "wc", "-l"}, runs, {}, ""});
        if (!baseline.empty()) cmds.push_back({"baseline zarnik-count", with({baseline}), runs, {}, ""});
        // The peers on all cores too, where they can.
        if (peers && OnPath("cloc"))
            cmds.push_back({"cloc", {"cloc", "--quiet", "--processes=" + cores, tree}, peerRuns, {}, ""});
        if (peers && OnPath("sloccount"))
            cmds.push_back({"sloccount", {"sloccount", "--datadir", slocData, tree}, slocRuns, {}, slocData});

        // Warm the page cache (and check zarnik-count works at all).
        auto named = [&cmds](const std::string& name) -> Command& {
            return *std::find_if(cmds.begin(), cmds.end(), [&](const Command& c) { return c.Name == name; });
        };
        RunOnce(named("cat").Argv);
        Sample first = RunOnce(cmds[0].Argv, true);
        if (first.Status != 0) {
            std::fprintf(stderr, "measure: zarnik-count exited with %d on %s\n", first.Status, tree.c_str());
            return 1;
        }
        int most = 0;
        for (const Command& c : cmds) most = std::max(most, c.Runs);
        for (int r = 0; r < most; ++r) {
            for (Command& c : cmds) {
                if (r >= c.Runs) continue;
                if (!c.Setup.empty()) {
                    fs::remove_all(c.Setup);
                    fs::create_directories(c.Setup);
                }
                c.Samples.push_back(RunOnce(c.Argv));
                std::fprintf(stderr, "\r%s: run %d/%d %-12s %.2f s   ", tree.c_str(), r + 1, most,
                             c.Name.c_str(), c.Samples.back().Seconds);
            }
        }
        std::fprintf(stderr, "\r\x1b[K");
        if (!slocData.empty()) fs::remove_all(slocData);

        auto medianOf = [](const Command& c, double Sample::*field) {
            std::vector<double> v;
            for (const auto& s : c.Samples) v.push_back(s.*field);
            return Median(v);
        };
        const double zarnikTime = medianOf(cmds[0], &Sample::Seconds);
        const double wcTime = medianOf(named("wc -l"), &Sample::Seconds);
        const double bareTime = medianOf(named("bare read"), &Sample::Seconds);
        const double mb = static_cast<double>(size.Bytes) / 1e6;
        std::printf(
            "\nTree %s: %s files, %s MB, largest file %s MB: the files zarnik-count reads to their end, "
            "which "
            "every command below but the peers reads (the tree holds %s files, %s MB)\n\n",
            tree.c_str(), Grouped(static_cast<double>(size.Files)).c_str(), Fixed(mb, 1).c_str(),
            Fixed(static_cast<double>(size.Largest) / 1e6, 1).c_str(),
            Grouped(static_cast<double>(whole.Files)).c_str(),
            Fixed(static_cast<double>(whole.Bytes) / 1e6, 1).c_str());
        std::printf(
            "| command | median s | min s | max s | CPU s | files/s | MB/s | time / bare read | "
            "time / wc -l | time / zarnik-count | peak MiB |\n");
        std::printf("|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
        for (const Command& c : cmds) {
            double t = medianOf(c, &Sample::Seconds);
            double lo = 1e300, hi = 0;
            long peak = 0;
            bool failed = false;
            for (const auto& s : c.Samples) {
                lo = std::min(lo, s.Seconds);
                hi = std::max(hi, s.Seconds);
                peak = std::max(peak, s.PeakKiB);
                failed |= s.Status != 0;
            }
            std::printf("| %s%s | %s | %s | %s | %s | %s | %s | %s | %s | %s | %s |\n", c.Name.c_str(),
                        failed ? " (failed)" : "", Fixed(t, 3).c_str(), Fixed(lo, 3).c_str(),
                        Fixed(hi, 3).c_str(), Fixed(medianOf(c, &Sample::CpuSeconds), 3).c_str(),
                        Grouped(static_cast<double>(size.Files) / t).c_str(), Fixed(mb / t, 1).c_str(),
                        Fixed(t / bareTime, 2).c_str(), Fixed(t / wcTime, 2).c_str(),
                        Fixed(t / zarnikTime, 2).c_str(),
                        Fixed(static_cast<double>(peak) / 1024.0, 1).c_str());
        }
        double limit = 64.0 + 200.0 * static_cast<double>(size.Files) / 1048576.0;
        // CPU time too: on a machine shared with other work it varies less than the wall time.
        auto ratio = [&](const char* a, const char* b, double Sample::*field) {
            return medianOf(named(a), field) / medianOf(named(b), field);
        };
        std::printf(
            "\nzarnik-count: %.2f x the time of the bare read (%s threads; CPU time %.2f x), %.2f x with one "
            "thread each (--jobs 1; CPU time %.2f x), %.2f x the time of wc -l; "
            "memory limit 64 MiB + 200 B/file = %.1f MiB.\n",
            zarnikTime / bareTime, cores.c_str(), ratio("zarnik-count", "bare read", &Sample::CpuSeconds),
            ratio("zarnik-count --jobs 1", "bare read --jobs 1", &Sample::Seconds),
            ratio("zarnik-count --jobs 1", "bare read --jobs 1", &Sample::CpuSeconds), zarnikTime / wcTime,
            limit);
        // The fastest runs too: on a machine whose other work comes and goes, the
        // fastest of several runs is the one least slowed by it.
        auto fastest = [&](const char* name) {
            double lo = 1e300;
            for (const auto& s : named(name).Samples) lo = std::min(lo, s.Seconds);
            return lo;
        };
        std::printf(
            "Fastest runs: zarnik-count %.2f x the bare read (%s threads), %.2f x with one thread each.\n",
            fastest("zarnik-count") / fastest("bare read"), cores.c_str(),
            fastest("zarnik-count --jobs 1") / fastest("bare read --jobs 1"));
        std::fflush(stdout);
    }
    return 0;
}

// args without "--zarnik BIN", whose BIN goes to zarnik.
Args TakeZarnikOption(const Args& args, std::string& zarnik) {
    Args rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--zarnik" && i + 1 < args.size())
            zarnik = args[++i];
        else
            rest.push_back(args[i]);
    }
    return rest;
}

// N hard links to one small source file, in folders of 1000, then one count over
// them; reports the peak memory against the limit and removes the folder.
int Memory(const Args& args) {
    std::string zarnik = "build-bench/zarnik-count";
    const Args rest = TakeZarnikOption(args, zarnik);
    if (rest.size() != 2) {
        std::fprintf(stderr, "memory: expected DIR N\n");
        return 2;
    }
    const std::string dir = rest[0];
    const long n = std::atol(rest[1].c_str());
    if (fs::exists(dir)) {
        std::fprintf(stderr, "memory: %s exists; give a new folder\n", dir.c_str());
        return 2;
    }
    fs::create_directories(dir);
    // Each folder of 1000 holds one file and 999 links to it (a file system
    // limits the links to one file).
    const std::string text = "/* one small file, linked many times */\nint main(void)\n{\n    return 0;\n}\n";
    std::string folder, source;
    for (long i = 0; i < n; ++i) {
        if (i % 1000 == 0) {
            folder = dir + "/d" + std::to_string(i / 1000);
            fs::create_directory(folder);
            source = folder + "/file_" + std::to_string(i) + ".c";
            std::ofstream(source) << text;
            continue;
        }
        std::string link = folder + "/file_" + std::to_string(i) + ".c";
        if (::link(source.c_str(), link.c_str()) != 0) {
            std::perror(link.c_str());
            fs::remove_all(dir);
            return 1;
        }
    }
    PrintMachine();
    std::printf("\n| settings | files | s | peak MiB | limit MiB | peak bytes per file |\n");
    std::printf("|---|---:|---:|---:|---:|---:|\n");
    const std::vector<Args> variants = {{"FlSort=1"}, {"FlSort=0"}, {"FlSort=1", "FldNam=1", "FldSum=1"}};
    const double limit = 64.0 + 200.0 * static_cast<double>(n) / 1048576.0;
    int result = 0;
    for (const Args& v : variants) {
        Args argv = {zarnik};
        std::string label;
        for (const auto& s : v) {
            argv.push_back("--set");
            argv.push_back(s);
            label += (label.empty() ? "" : " ") + s;
        }
        argv.push_back(dir);
        Sample s = RunOnce(argv, true);
        if (s.Status != 0) result = 1;
        const double peakMiB = static_cast<double>(s.PeakKiB) / 1024.0;
        std::printf("| %s | %s | %s | %s | %s | %s |\n", label.c_str(),
                    Grouped(static_cast<double>(n)).c_str(), Fixed(s.Seconds, 2).c_str(),
                    Fixed(peakMiB, 1).c_str(), Fixed(limit, 1).c_str(),
                    Fixed(static_cast<double>(s.PeakKiB) * 1024.0 / static_cast<double>(n), 1).c_str());
        if (peakMiB > limit) result = 1;
        std::fflush(stdout);
    }
    fs::remove_all(dir);
    return result;
}

// INI files of N environments (a name, a target line, a memo for every tenth) and
// one of 3,000,000 empty sections, each loaded by "zarnik-count --ini FILE --env
// 1": the time and the peak memory against the file's size.
int IniLoad(const Args& args) {
    std::string zarnik = "build-bench/zarnik-count";
    const Args rest = TakeZarnikOption(args, zarnik);
    if (rest.size() < 2) {
        std::fprintf(stderr, "ini-load: expected DIR N...\n");
        return 2;
    }
    const std::string dir = rest[0];
    if (fs::exists(dir)) {
        std::fprintf(stderr, "ini-load: %s exists; give a new folder\n", dir.c_str());
        return 2;
    }
    fs::create_directories(dir);
    const std::string target = dir + "/a.c";
    std::ofstream(target) << "int a;\n";
    PrintMachine();
    std::printf("\n| INI file | MB | s | peak MiB | peak / size |\n|---|---:|---:|---:|---:|\n");
    int result = 0;
    auto run = [&](const std::string& label, const std::string& ini, Args extra) {
        Args argv = {zarnik, "--ini", ini};
        argv.insert(argv.end(), extra.begin(), extra.end());
        argv.push_back(target);
        Sample s = RunOnce(argv, true);
        if (s.Status != 0) result = 1;
        const double mb = static_cast<double>(fs::file_size(ini)) / 1e6;
        const double peak = static_cast<double>(s.PeakKiB) / 1024.0;
        std::printf("| %s | %s | %s | %s | %s |\n", label.c_str(), Fixed(mb, 1).c_str(),
                    Fixed(s.Seconds, 2).c_str(), Fixed(peak, 1).c_str(),
                    Fixed(peak * 1.048576 / mb, 1).c_str());
        std::fflush(stdout);
    };
    for (std::size_t k = 1; k < rest.size(); ++k) {
        const long n = std::atol(rest[k].c_str());
        const std::string sub = dir + "/n" + std::to_string(n);
        fs::create_directory(sub);
        {
            std::ofstream ini(sub + "/zarnik.ini", std::ios::binary);
            ini << "[Cname]\r\n";
            for (long i = 1; i <= n; ++i) ini << "cnam" << i << "=env " << i << "\r\n";
            for (long i = 1; i <= n; ++i) ini << "\r\n[FILES_" << i << "]\r\nfile0=" << target << "\r\n";
        }
        for (long i = 1; i <= n; i += 10)
            std::ofstream(sub + "/memo" + std::to_string(i) + ".dat") << "memo\r\n";
        run(Grouped(static_cast<double>(n)) + " environments", sub + "/zarnik.ini", {"--env", "1"});
    }
    {
        std::ofstream ini(dir + "/headers.ini", std::ios::binary);
        for (long i = 0; i < 3000000; ++i) ini << "[S" << i << "]\r\n";
    }
    run("3,000,000 section headers", dir + "/headers.ini", {});
    fs::remove_all(dir);
    return result;
}

// Saves of N environments, each with a target line and a memo, in the desktop
// program's way (load, change, save at close); the time of the save alone.
int IniSave(const Args& args) {
    namespace st = zarnik::settings;
    if (args.size() < 2) {
        std::fprintf(stderr, "ini-save: expected DIR N...\n");
        return 2;
    }
    const std::string dir = args[0];
    if (fs::exists(dir)) {
        std::fprintf(stderr, "ini-save: %s exists; give a new folder\n", dir.c_str());
        return 2;
    }
    PrintMachine();
    std::printf(
        "\n| environments | first save s | unchanged s | one memo changed s | first deleted s |\n"
        "|---:|---:|---:|---:|---:|\n");
    auto start = [](const std::string& folder) {
        st::ProgramState state =
            st::MakeStartState(st::LocateProgramPaths(folder + "/zarnik", folder + "/cfg"), 1024, 768);
        st::LoadSettings(state);
        return state;
    };
    auto save = [](st::ProgramState& state) {
        st::WindowState w;
        w.Bounds = state.Place.MainPlacement.Bounds;
        w.PaneHeight = state.Place.MainPlacement.TargetPaneHeight;
        state.Envs.FetchEnv(state.Envs.EnvIdAt(0), w.TargetLines, w.MemoLines);
        auto begin = std::chrono::steady_clock::now();
        st::SaveSettings(state, w);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    };
    for (std::size_t k = 1; k < args.size(); ++k) {
        const long n = std::atol(args[k].c_str());
        const std::string sub = dir + "/n" + std::to_string(n);
        fs::create_directories(sub);
        st::ProgramState state = start(sub);
        state.Envs.ClearEnvs();
        for (long i = 1; i <= n; ++i)
            state.Envs.StoreEnv(state.Envs.AddEnv("env " + std::to_string(i), 1),
                                {"/src/" + std::to_string(i)}, {"memo " + std::to_string(i)});
        // Each figure as soon as it is measured: the saves of an older build take minutes.
        auto cell = [](double seconds) {
            std::printf(" %s |", Fixed(seconds, 2).c_str());
            std::fflush(stdout);
        };
        std::printf("| %s |", Grouped(static_cast<double>(n)).c_str());
        cell(save(state));
        state = start(sub);
        cell(save(state));
        state = start(sub);
        state.Envs.At(static_cast<int>(n / 2)).MemoLines = {"changed"};
        cell(save(state));
        state = start(sub);
        state.Envs.DeleteEnv(state.Envs.EnvIdAt(0));
        state.Envs.RenumberEnvs();
        cell(save(state));
        std::printf("\n");
        fs::remove_all(sub);
    }
    fs::remove_all(dir);
    return 0;
}

int Corpus(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "corpus: expected DIR\n");
        return 2;
    }
    std::string dir = args[0];
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    zarnik::bench::CorpusShape shape;
    std::ostringstream stamp;
    stamp << "zarnik corpus v2 seed " << shape.Seed << " files " << shape.Files << " large "
          << shape.LargeFiles << " of " << shape.LargeMinBytes << " to " << shape.LargeMaxBytes << " median "
          << shape.MedianBytes << " sigma " << shape.Sigma << "\n";
    // The stamp lies beside the tree, so that the tree holds only the corpus.
    const std::string stampPath = dir + ".stamp";
    {
        std::ifstream in(stampPath);
        std::stringstream have;
        have << in.rdbuf();
        if (in && have.str() == stamp.str()) {
            std::printf("corpus %s is up to date\n", dir.c_str());
            return 0;
        }
    }
    fs::remove_all(dir);
    auto start = std::chrono::steady_clock::now();
    zarnik::bench::CorpusStats stats = zarnik::bench::MakeCorpus(dir, shape);
    std::ofstream(stampPath) << stamp.str();
    std::printf("corpus %s: %zu files in %zu folders, %.1f MB, written in %.1f s\n", dir.c_str(), stats.Files,
                stats.Folders, static_cast<double>(stats.Bytes) / 1e6,
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return 0;
}

// The tree of UTF-8 sources with Japanese comments, once.
int JapaneseCorpus(const Args& args) {
    if (args.size() != 1) {
        std::fprintf(stderr, "utf8-corpus: expected DIR\n");
        return 2;
    }
    std::string dir = args[0];
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    constexpr std::size_t kFiles = 3000;
    constexpr std::uint64_t kSeed = 20261209;
    const std::string stamp =
        "zarnik utf8 corpus v1 seed " + std::to_string(kSeed) + " files " + std::to_string(kFiles) + "\n";
    const std::string stampPath = dir + ".stamp";
    {
        std::ifstream in(stampPath);
        std::stringstream have;
        have << in.rdbuf();
        if (in && have.str() == stamp) {
            std::printf("corpus %s is up to date\n", dir.c_str());
            return 0;
        }
    }
    fs::remove_all(dir);
    const zarnik::bench::CorpusStats stats = zarnik::bench::MakeJapaneseUtf8Corpus(dir, kFiles, kSeed);
    std::ofstream(stampPath) << stamp;
    std::printf("corpus %s: %zu UTF-8 files with Japanese comments in %zu folders, %.1f MB\n", dir.c_str(),
                stats.Files, stats.Folders, static_cast<double>(stats.Bytes) / 1e6);
    return 0;
}

// One generated source of at least MB megabytes to stdout, in 8 MiB pieces of the
// corpus's text for the extension (Shift-JIS comments, LF line breaks).
int Source(const Args& args) {
    if (args.size() != 2) {
        std::fprintf(stderr, "source: expected EXT MB\n");
        return 2;
    }
    const std::uint64_t bytes = std::strtoull(args[1].c_str(), nullptr, 10) * 1000000;
    std::uint64_t written = 0;
    for (std::uint64_t seed = 1; written < bytes; ++seed) {
        const std::string piece = zarnik::bench::SourceText(args[0], 8 << 20, seed);
        if (std::fwrite(piece.data(), 1, piece.size(), stdout) != piece.size()) {
            std::perror("source");
            return 1;
        }
        written += piece.size();
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Args args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fprintf(
            stderr,
            "usage: zarnik-bench corpus DIR\n"
            "       zarnik-bench utf8-corpus DIR\n"
            "       zarnik-bench measure [--zarnik BIN] [--bare BIN] [--runs N] [--peer-runs N] [--no-peers] "
            "[--set KEY=VALUE] "
            "TREE...\n"
            "       zarnik-bench memory [--zarnik BIN] DIR N\n"
            "       zarnik-bench ini-load [--zarnik BIN] DIR N...\n"
            "       zarnik-bench ini-save DIR N...\n"
            "       zarnik-bench source EXT MB\n");
        return 2;
    }
    std::string cmd = args.front();
    args.erase(args.begin());
    try {
        if (cmd == "corpus") return Corpus(args);
        if (cmd == "utf8-corpus") return JapaneseCorpus(args);
        if (cmd == "measure") return Measure(args);
        if (cmd == "memory") return Memory(args);
        if (cmd == "ini-load") return IniLoad(args);
        if (cmd == "ini-save") return IniSave(args);
        if (cmd == "source") return Source(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zarnik-bench: %s\n", e.what());
        return 1;
    }
    std::fprintf(stderr, "zarnik-bench: unknown command %s\n", cmd.c_str());
    return 2;
}
