// The frame both runs (count and change count) share: how a failure ends the run,
// and what the caller is told once it is over however it ended.
#pragma once

#include <cerrno>
#include <cstdint>
#include <initializer_list>
#include <new>
#include <string>
#include <utility>

#include "engine/count.h"
#include "report/text_printer.h"
#include "run/run.h"

namespace zarnik::run::detail {

// Runs body(outcome). A file that could not be read ends the run (the lines so far
// stay); so does running out of memory outside any one file (the file list, the
// report lines). ended(outcome) runs last, before the progress display is told.
template <class Body, class Ended>
RunOutcome GuardedRun(ProgressObserver& progress, Body body, Ended ended) {
    RunOutcome outcome;
    try {
        body(outcome);
    } catch (const engine::FileError& e) {
        outcome.End = RunEnd::ReadError;
        outcome.Error = ReadError{e.Path(), e.Code()};
    } catch (const std::bad_alloc&) {
        outcome.End = RunEnd::ReadError;
        outcome.Error = ReadError{{}, ENOMEM};
    } catch (RefusedTargetLine& refused) {
        outcome = RunOutcome{};
        outcome.End = RunEnd::RefusedTarget;
        outcome.RefusedLine = std::move(refused.Line);
    }
    try {
        ended(outcome);
    } catch (const std::bad_alloc&) {
        outcome.End = RunEnd::ReadError;
        outcome.Error = ReadError{{}, ENOMEM};
    }
    progress.Ended();
    return outcome;
}

// The same for a run that writes its lines into sink.
template <class Body>
RunOutcome GuardedRun(ReportSink& sink, ProgressObserver& progress, Body body) {
    RunOutcome outcome = GuardedRun(progress, body, [](const RunOutcome&) {});
    outcome.ResultUnsaved = sink.HasLines();
    return outcome;
}

// The last line of a report that a cancel cut short. Shift-JIS.
inline std::string CancelledLine(std::int64_t done, std::int64_t files) {
    return report::CancelledLine(done, files);
}

inline void OpenReport(ReportSink& sink, const std::string& header, const std::string& head,
                       const std::string& rule, std::initializer_list<std::string> headLines = {}) {
    report::OpenReport(sink, header, head, rule, headLines);
}

}  // namespace zarnik::run::detail
