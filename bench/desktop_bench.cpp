// zarnik-desktop-bench: the desktop program's count run against zarnik-count on
// the same files, measured in the same run.
//
//   zarnik-desktop-bench [--zarnik BIN] [--runs N] [--pane] [--chart] [--keep] DIR FILES
//
// Writes FILES small C sources below DIR (folders of 500; each folder holds one
// file and hard links to it, so a million files take little disk), unless DIR
// already holds such a tree. Then, N times in turn: zarnik-count --set HeadDT=0
// DIR > /dev/null (a child process), and the desktop window's count run on the
// same target (offscreen, in this process, the pane cleared before each run):
// from the command to the last line in the pane, and to the pane painted.
// The last desktop run's lines are compared with zarnik-count's Shift-JIS report.
// --pane: after the last run, the pane holding the whole report is scrolled,
// selected and copied, each step timed with the pane painted after it.
// --chart: the chart pane is shown during the runs, so that they draw its charts;
// after each run the charts are drawn once more on their own and timed.
// DIR is deleted at the end unless --keep.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "settings/persist.h"
#include "ui/app_state.h"
#include "ui/chart_pane.h"
#include "ui/main_window.h"
#include "ui/ui_style.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using zarnik::ui::AppState;
using zarnik::ui::MainWindow;

// The window's command by its object name ("countAction").
QAction* Command(const MainWindow& w, const char* name) { return w.findChild<QAction*>(QLatin1String(name)); }

// The program's boxes, but a message goes to stderr instead of waiting for a click.
struct BenchPrompts : zarnik::ui::DialogPrompts {
    void ShowMessage(QWidget*, const QString& title, const QString& text) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    }
};

constexpr long kFolderFiles = 500;

// The tree's marker names its file count, so that a tree made for another count is
// not taken for this one.
bool MakeTree(const std::string& dir, long files) {
    const std::string marker = dir + "/.zarnik-desktop-bench-" + std::to_string(files);
    if (fs::exists(marker)) return true;
    if (fs::exists(dir)) {
        std::fprintf(stderr, "%s exists and is no tree of %ld files; give a new folder\n", dir.c_str(),
                     files);
        return false;
    }
    fs::create_directories(dir);
    std::string folder, source;
    for (long i = 0; i < files; ++i) {
        if (i % kFolderFiles == 0) {
            folder = dir + "/d" + std::to_string(i / kFolderFiles);
            fs::create_directory(folder);
            source = folder + "/file_" + std::to_string(i) + ".c";
            std::ofstream(source) << "/* part " << i / kFolderFiles << " */\nint f" << i
                                  << "(void) {\n\n    return 0;\n}\n";
            continue;
        }
        const std::string link = folder + "/file_" + std::to_string(i) + ".c";
        if (::link(source.c_str(), link.c_str()) != 0) {
            std::perror(link.c_str());
            return false;
        }
    }
    std::ofstream(marker) << files << "\n";
    return true;
}

struct Child {
    double Seconds = 0;
    double CpuSeconds = 0;
    long PeakKiB = 0;
    int Status = 0;
};

double CpuSeconds(const rusage& ru) {
    return static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
           static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

double OwnCpuSeconds() {
    rusage ru{};
    ::getrusage(RUSAGE_SELF, &ru);
    return CpuSeconds(ru);
}

// posix_spawn, not fork: this process may hold a large pane, and copying its page
// tables would be timed too.
Child RunCli(const std::string& zarnik, const std::string& dir, const char* out) {
    std::vector<std::string> args = {zarnik, "--set", "HeadDT=0", dir};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 1, out, O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    Child c;
    if (posix_spawn(&pid, zarnik.c_str(), &fa, nullptr, argv.data(), environ) != 0) {
        std::perror(zarnik.c_str());
        c.Status = 127;
        return c;
    }
    int status = 0;
    rusage ru{};
    ::wait4(pid, &status, 0, &ru);
    c.Seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    c.PeakKiB = ru.ru_maxrss;
    c.CpuSeconds = CpuSeconds(ru);
    c.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    posix_spawn_file_actions_destroy(&fa);
    return c;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// This process's peak resident memory since the last ResetPeak (VmHWM).
long PeakKiB() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return 0;
}

// The pane's lines against a report's bytes, CR LF after each line.
bool SameLines(const std::vector<std::string>& lines, const std::string& report) {
    std::size_t at = 0;
    for (const std::string& l : lines) {
        if (report.compare(at, l.size(), l) != 0 || report.compare(at + l.size(), 2, "\r\n") != 0)
            return false;
        at += l.size() + 2;
    }
    return at == report.size();
}

void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

// One pane step: what it does, then the pane painted; seconds.
template <class Step>
double Timed(QWidget* paint, Step step) {
    QElapsedTimer clock;
    clock.start();
    step();
    paint->repaint();
    QApplication::processEvents();
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

void MeasurePane(MainWindow& w) {
    QAbstractScrollArea* edit = w.Result().TextWidget();
    QWidget* view = edit->viewport();
    edit->setFocus();
    const auto blocks = static_cast<long long>(w.ResultLines().size());
    std::printf("\nThe pane holding %lld lines (seconds; each step followed by painting the pane):\n\n",
                blocks);
    std::printf("| step | s |\n|---|---:|\n");
    auto row = [](const char* what, double s) {
        std::printf("| %s | %.3f |\n", what, s);
        std::fflush(stdout);
    };
    row("Ctrl+Home (to the top)",
        Timed(view, [&] { QTest::keyClick(edit, Qt::Key_Home, Qt::ControlModifier); }));
    std::vector<double> pages;
    for (int i = 0; i < 30; ++i)
        pages.push_back(Timed(view, [&] { QTest::keyClick(edit, Qt::Key_PageDown); }));
    row("Page Down, slowest of 30", *std::max_element(pages.begin(), pages.end()));
    QScrollBar* bar = edit->verticalScrollBar();
    row("scroll bar dragged to the middle", Timed(view, [&] { bar->setValue(bar->maximum() / 2); }));
    std::vector<double> wheel;
    for (int i = 0; i < 30; ++i) wheel.push_back(Timed(view, [&] { bar->setValue(bar->value() + 3); }));
    row("wheel step (3 lines), slowest of 30", *std::max_element(wheel.begin(), wheel.end()));
    row("Ctrl+End (to the bottom)",
        Timed(view, [&] { QTest::keyClick(edit, Qt::Key_End, Qt::ControlModifier); }));
    row("Ctrl+Home", Timed(view, [&] { QTest::keyClick(edit, Qt::Key_Home, Qt::ControlModifier); }));
    std::vector<double> shiftDown;
    for (int i = 0; i < 30; ++i)
        shiftDown.push_back(Timed(view, [&] { QTest::keyClick(edit, Qt::Key_Down, Qt::ShiftModifier); }));
    row("Shift+Down, slowest of 30", *std::max_element(shiftDown.begin(), shiftDown.end()));
    row("Ctrl+C of 30 lines", Timed(view, [&] { QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier); }));
    row("  its clipboard text read (a paste)", Timed(view, [&] { (void)QApplication::clipboard()->text(); }));
    bar->setValue(bar->maximum() / 2);
    row("Ctrl+Shift+End from the middle (half selected)",
        Timed(view, [&] { QTest::keyClick(edit, Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier); }));
    row("Ctrl+A (all selected)", Timed(view, [&] { QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier); }));
    row("Ctrl+C of everything", Timed(view, [&] { QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier); }));
    QString pasted;
    row("  its clipboard text read (a paste)",
        Timed(view, [&] { pasted = QApplication::clipboard()->text(); }));
    row("the copy command (the whole result, CR LF)",
        Timed(view, [&] { Command(w, "copyAction")->trigger(); }));
    row("  its clipboard text read (a paste)", Timed(view, [&] { (void)QApplication::clipboard()->text(); }));
    row("Ctrl+Z", Timed(view, [&] { QTest::keyClick(edit, Qt::Key_Z, Qt::ControlModifier); }));
    // The first key that edits hands the lines to the text editor: the one step that
    // costs in proportion to the lines. Delete at the very end changes no line.
    QTest::keyClick(edit, Qt::Key_End, Qt::ControlModifier);
    row("Delete at the end (the lines go to the editor)",
        Timed(view, [&] { QTest::keyClick(edit, Qt::Key_Delete); }));
    const auto after = static_cast<long long>(w.ResultLines().size());
    std::printf(
        "\nAfter Ctrl+Z and Delete the pane holds %lld lines (%s); the copied selection held %lld "
        "characters.\n",
        after, after == blocks ? "unchanged" : "CHANGED", static_cast<long long>(pasted.size()));
}

}  // namespace

int main(int argc, char** argv) {
    std::string zarnik = "build-bench/zarnik-count";
    int runs = 5;
    bool pane = false, keep = false, chart = false;
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--zarnik" && i + 1 < argc)
            zarnik = argv[++i];
        else if (a == "--runs" && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (a == "--pane")
            pane = true;
        else if (a == "--chart")
            chart = true;
        else if (a == "--keep")
            keep = true;
        else
            rest.push_back(a);
    }
    if (rest.size() != 2) {
        std::fprintf(stderr,
                     "usage: zarnik-desktop-bench [--zarnik BIN] [--runs N] [--pane] [--chart] [--keep] DIR "
                     "FILES\n");
        return 2;
    }
    const std::string dir = fs::absolute(rest[0]).lexically_normal().string();
    const long files = std::atol(rest[1].c_str());
    if (files < 1 || !MakeTree(dir, files)) return 2;

    // zarnik-count's peak memory, from a run started while this process is still
    // small: a child's peak includes what it shared with this process before exec.
    const Child first = RunCli(zarnik, dir, "/dev/null");
    const long cliPeak = first.PeakKiB;

    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    zarnik::ui::InstallFontSubstitutes();
    AppState state;
    static_cast<zarnik::settings::ProgramState&>(state) = zarnik::settings::MakeStartState(
        zarnik::settings::LocateProgramPaths("/nonexistent/zarnik"), 1280, 1024);
    state.Save = [](AppState&, const zarnik::settings::WindowState&, std::string&) { return true; };
    zarnik::settings::LoadSettings(state);
    state.Cnf.HeaderShowsDate = 0;
    BenchPrompts prompts;
    MainWindow w(state, prompts);
    w.ShowChartPane(chart);
    w.show();
    QApplication::processEvents();
    w.Targets().List()->setPlainText(QString::fromStdString(dir));

    // The report check: the command line's Shift-JIS bytes against the pane's lines.
    const std::string sjisOut = dir + ".sjis";
    {
        std::string cmd = zarnik + " --set HeadDT=0 --encoding sjis '" + dir + "' > '" + sjisOut + "'";
        if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "zarnik-count failed: %s\n", cmd.c_str());
    }

    std::printf("%ld files in %ld folders below %s, %d runs each, in turn\n\n", files,
                (files + kFolderFiles - 1) / kFolderFiles, dir.c_str(), runs);
    std::printf(
        "| run | zarnik-count s | desktop, last line s | desktop, painted s | ratio | "
        "zarnik-count CPU s | desktop CPU s | CPU ratio | desktop peak MiB |\n");
    std::printf("|---:|---:|---:|---:|---:|---:|---:|---:|---:|\n");
    std::vector<double> cli, desk, painted, ratios, cpuRatios, peaks, charts;
    long deskPeak = 0;
    bool same = true;
    for (int r = 0; r < runs; ++r) {
        const Child c = RunCli(zarnik, dir, "/dev/null");
        if (c.Status != 0) std::fprintf(stderr, "zarnik-count ended with status %d\n", c.Status);
        w.Result().Clear();
        QApplication::processEvents();
        ResetPeak();
        const double cpu0 = OwnCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        Command(w, "countAction")->trigger();
        const double d = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        w.Result().TextWidget()->viewport()->repaint();
        QApplication::processEvents();
        const double p = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        const double cpu = OwnCpuSeconds() - cpu0;
        const long runPeak = PeakKiB();  // before the check below makes its copies
        deskPeak = std::max(deskPeak, runPeak);
        peaks.push_back(static_cast<double>(runPeak) / 1024);
        // The last run's lines are checked, once no run is left to measure: the check's copies (the
        // command line's report, the pane's text and its lines, several times the report in all)
        // would count in a run's peak, and the heap they leave behind, a million small blocks freed,
        // in the next run's.
        if (r == runs - 1) {
            same = SameLines(w.ResultLines(), ReadFile(sjisOut));
            fs::remove(sjisOut);
        }
        if (chart) {
            // The charts again, on their own: hidden and cleared, the pane shown draws them.
            w.ShowChartPane(false);
            w.Chart().Clear();
            charts.push_back(Timed(&w.Chart(), [&] { w.ShowChartPane(true); }));
        }
        cli.push_back(c.Seconds);
        desk.push_back(d);
        painted.push_back(p);
        ratios.push_back(p / c.Seconds);
        cpuRatios.push_back(cpu / c.CpuSeconds);
        std::printf("| %d | %.3f | %.3f | %.3f | %.2f | %.3f | %.3f | %.2f | %.1f |\n", r + 1, c.Seconds, d,
                    p, p / c.Seconds, c.CpuSeconds, cpu, cpu / c.CpuSeconds, peaks.back());
        std::fflush(stdout);
    }
    std::printf("| median | %.3f | %.3f | %.3f | %.2f | | | %.2f | |\n", Median(cli), Median(desk),
                Median(painted), Median(ratios), Median(cpuRatios));
    std::printf(
        "\nDesktop time / zarnik-count time (painted, median of the runs' ratios): %.2f (%.2f - %.2f)\n",
        Median(ratios), *std::min_element(ratios.begin(), ratios.end()),
        *std::max_element(ratios.begin(), ratios.end()));
    std::printf("CPU time (user + system) / zarnik-count's: %.2f (%.2f - %.2f)\n", Median(cpuRatios),
                *std::min_element(cpuRatios.begin(), cpuRatios.end()),
                *std::max_element(cpuRatios.begin(), cpuRatios.end()));
    if (chart)
        std::printf(
            "The charts drawn on their own (a pass over the rows, then painted): %.3f s (%.3f - %.3f)\n",
            Median(charts), *std::min_element(charts.begin(), charts.end()),
            *std::max_element(charts.begin(), charts.end()));
    std::printf("Report: %s\n", same ? "the pane's lines are zarnik-count's, byte for byte"
                                     : "THE PANE'S LINES DIFFER FROM zarnik-count's");
    std::printf(
        "Peak memory: zarnik-count %.1f MiB; this process during a run (the window, the pane, the "
        "run's rows and the previous run's) %.1f MiB\n",
        static_cast<double>(cliPeak) / 1024, static_cast<double>(deskPeak) / 1024);
    std::fflush(stdout);
    if (pane) {
        ResetPeak();
        MeasurePane(w);
        std::printf("Peak memory during these steps: %.1f MiB\n", static_cast<double>(PeakKiB()) / 1024);
    }
    if (!keep) fs::remove_all(dir);
    return same ? 0 : 1;
}
