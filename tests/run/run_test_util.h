#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "run/run.h"
#include "test_util.h"

namespace zarnik::run::testing {

// A host that keeps the pane's lines and what the progress dialog was told.
class Recorder : public RunHost {
public:
    std::vector<std::string> Lines;
    std::vector<std::string> Counters, Paths;
    std::string ColumnHeader, Warning;
    int Warnings = 0, Shows = 0, Hides = 0, PumpCount = 0;
    bool Save = false;
    int CancelAtPump = -1;  // sets the cancel flag at this pump
    std::function<void(const std::string&)> OnPath;

    void AppendLine(const std::string& line) override { Lines.push_back(line); }
    bool ResultHasLines() const override { return !Lines.empty(); }
    void SetColumnHeader(const std::string& h) override { ColumnHeader = h; }
    bool SaveEnabled() const override { return Save; }
    void SetSavePrintEnabled(bool on) override { Save = on; }
    void ShowNoFileWarning(const std::string& text) override {
        Warning = text;
        ++Warnings;
    }
    void ProgressShow() override { ++Shows; }
    void ProgressHide() override { ++Hides; }
    void ProgressCounter(const std::string& text) override { Counters.push_back(text); }
    void ProgressPath(const std::string& path) override {
        Paths.push_back(path);
        if (OnPath) OnPath(path);
    }
    void PumpMessages() override {
        if (PumpCount++ == CancelAtPump) cancel_ = true;
    }
    bool CancelRequested() const override { return cancel_; }

private:
    bool cancel_ = false;
};

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
