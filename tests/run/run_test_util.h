#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "report/change_printer.h"
#include "report/text_printer.h"
#include "run/run.h"
#include "test_util.h"

namespace zarnik::run::testing {

// A sink and observer that keep the report's lines and what the progress display
// was told; a count run prints its report into it through Printer().
class Recorder : public report::LineSink, public ProgressObserver {
public:
    Recorder() = default;
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Each record a count run tells, before its line.
    virtual void Record(const std::string& /*nativePath*/, const engine::FileCounts& /*rec*/) {}
    // What a count run is told by: the report's lines come here, each record to Record.
    virtual report::CountEvents& Printer() { return printer_; }

    std::vector<std::string> Lines;
    std::vector<std::string> Counters, Paths;  // " [i/n]" ("" as the counting starts), each file's path
    std::string Header;
    int Shows = 0, Ends = 0, PumpCount = 0;
    int CancelAtPump = -1;  // sets the cancel flag at this pump
    std::function<void(const std::string&)> OnPath;
    std::function<void()> OnCounting;  // as the counting pass starts

    void Line(const std::string& line) override { Lines.push_back(line); }
    bool HasLines() const override { return !Lines.empty(); }
    void ColumnHeader(const std::string& h) override { Header = h; }
    void Collecting() override { ++Shows; }
    void Counting(std::int64_t) override {
        Counters.emplace_back();
        if (OnCounting) std::exchange(OnCounting, nullptr)();
    }
    bool FileNext(std::int64_t number, std::int64_t files) override {
        Counters.push_back(" [" + std::to_string(number) + "/" + std::to_string(files) + "]");
        return true;
    }
    void FilePath(const std::string& path) override {
        Paths.push_back(path);
        if (OnPath) OnPath(path);
    }
    void Ended() override { ++Ends; }
    void Pump() override {
        if (PumpCount++ == CancelAtPump) cancel_ = true;
    }
    bool CancelRequested() const override { return cancel_; }

private:
    struct RecordingPrinter : report::TextPrinter {
        explicit RecordingPrinter(Recorder& host) : TextPrinter(host), Host(host) {}
        void FileCounted(const std::string& nativePath, const engine::FileCounts& rec) override {
            Host.Record(nativePath, rec);
            TextPrinter::FileCounted(nativePath, rec);
        }
        Recorder& Host;
    };
    bool cancel_ = false;
    RecordingPrinter printer_{*this};
};

// A recorder of a change run: its records, and its report's lines as the printer
// writes them.
class ChangeRecorder : public Recorder, public report::ChangeEvents {
public:
    std::vector<report::ChangeRecord> Changes;
    report::ChangeTotals RunTotals;

    void Begin(const report::ChangeRunStart& start) override { printer_.Begin(start); }
    void File(const report::ChangeRecord& rec) override {
        Changes.push_back(rec);
        printer_.File(rec);
    }
    void Totals(const report::ChangeTotals& totals) override {
        RunTotals = totals;
        printer_.Totals(totals);
    }
    void End(report::ChangeRunEnd end, std::int64_t done, std::int64_t files) override {
        printer_.End(end, done, files);
    }

private:
    report::ChangeReportPrinter printer_{*this};
};

// A count run as a front end runs it: the report into host, the outcome told
// whether host holds lines.
inline RunOutcome CountInto(RunSession& session, const RunInput& input, const settings::Settings& cnf,
                            Recorder& host) {
    RunOutcome outcome = session.Count(input, cnf, host.Printer(), host);
    outcome.ResultUnsaved = host.HasLines();
    return outcome;
}

inline const char* const kCode = "/* c */\nint a;\n\n";

// Default settings without the header's name and date lines.
inline settings::Settings Plain() {
    settings::Settings cnf = settings::MakeDefaultSettings();
    cnf.HeaderShowsEnvName = 0;
    cnf.HeaderShowsDate = 0;
    return cnf;
}

// One run in a fresh session; target lines are native, the file system's own bytes.
inline RunOutcome CountTargets(const std::vector<std::string>& targets, const settings::Settings& cnf,
                               Recorder& host, const std::string& envName = "", unsigned threads = 1) {
    RunInput input{targets, envName, 0, threads};
    RunSession session;
    return CountInto(session, input, cnf, host);
}

// Names of the file lines (count or error lines) of a report, in order.
inline std::vector<std::string> FileNames(const std::vector<std::string>& lines) {
    static const std::regex fileLine(R"(^(\S+) *\d\d-\d\d-\d\d \d\d:\d\d )");
    std::vector<std::string> names;
    std::smatch m;
    for (const auto& l : lines)
        if (std::regex_search(l, m, fileLine)) names.push_back(m[1]);
    return names;
}

inline void SetTime(const std::string& path, std::time_t t) {
    timespec times[2] = {{t, 0}, {t, 0}};
    utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW);
}

}  // namespace zarnik::run::testing
