// What a count run tells whoever prints or keeps its results, in report order.
// The run decides what happens and sums the totals once; a printer only shows
// them (the fixed-width report, csv, json, the rows kept for a later save).
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "engine/file_counts.h"
#include "report/event_tee.h"
#include "report/layout.h"
#include "report/totals.h"
#include "settings/settings.h"

namespace zarnik::report {

// The facts the report's head and shape take, for the whole run.
struct RunHead {
    const settings::Settings& Settings;
    const ReportLayout& Layout;
    const std::string& EnvName;      // caption of the environment, Shift-JIS
    std::time_t Now = 0;             // the header date's clock
    std::int32_t MaxNameLength = 0;  // longest name of the run, Shift-JIS bytes
    std::int64_t Files = 0;          // files listed for the counting pass
};

// How a run ended. Stopped: it ended before any report was opened (cancelled while
// files were collected, no files, a refused target line). Failed: a read error or
// no memory cut the report short, with no closing block.
enum class CountEnd { Finished, Cancelled, Stopped, Failed };

struct RunTail {
    CountEnd End = CountEnd::Finished;
    std::int64_t Taken = 0;  // files taken before a cancel
    std::int64_t Files = 0;  // files listed
};

class CountEvents {
public:
    virtual ~CountEvents() = default;
    // The report opens: at the first file still there, or at a cancel before it.
    virtual void Begin(const RunHead& /*head*/) {}
    // Sums of a folder the run leaves that held counted files; ratio computed.
    virtual void FolderLeft(const CountSum& /*subtotal*/) {}
    virtual void FolderEntered(std::string_view /*nativeFolder*/) {}
    // Each file's record in report order, error statuses included.
    virtual void FileCounted(const std::string& /*nativePath*/, const engine::FileCounts& /*rec*/) {}
    // The run's totals once its files are done (also after a cancel), ratios computed.
    virtual void Totals(const ReportTotals& /*totals*/) {}
    // Last of all, however the run ended.
    virtual void End(const RunTail& /*tail*/) {}
};

// Whether a record gets a line (or a row): counted, or error lines are on (Erfout).
inline bool ShowsRecord(bool errorLines, const engine::FileCounts& rec) {
    return errorLines || rec.Status == engine::FileStatus::Counted;
}

// The pane's report and the rows kept, from one run.
class CountEventsTee : public EventTee<CountEvents> {
public:
    using EventTee::EventTee;
    void Begin(const RunHead& head) override {
        Both([&](CountEvents& e) { e.Begin(head); });
    }
    void FolderLeft(const CountSum& subtotal) override {
        Both([&](CountEvents& e) { e.FolderLeft(subtotal); });
    }
    void FolderEntered(std::string_view nativeFolder) override {
        Both([&](CountEvents& e) { e.FolderEntered(nativeFolder); });
    }
    void FileCounted(const std::string& nativePath, const engine::FileCounts& rec) override {
        Both([&](CountEvents& e) { e.FileCounted(nativePath, rec); });
    }
    void Totals(const ReportTotals& totals) override {
        Both([&](CountEvents& e) { e.Totals(totals); });
    }
    void End(const RunTail& tail) override {
        Both([&](CountEvents& e) { e.End(tail); });
    }
};

}  // namespace zarnik::report
