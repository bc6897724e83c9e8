// The frame both runs (count and change count) share: how a failure ends the run,
// and what the caller is told once it is over however it ended.
#pragma once

#include <cerrno>
#include <cstdint>
#include <new>
#include <string>
#include <utility>

#include "engine/file_error.h"
#include "run/run.h"

namespace zarnik::run::detail {

// Runs body(outcome). A file that could not be read ends the run (the lines so far
// stay); so does running out of memory outside any one file (the file list, the
// report lines).
template <class Body>
RunOutcome GuardedRun(ProgressObserver& progress, Body body) {
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
    progress.Ended();
    return outcome;
}

// The same, telling whether the sink holds lines after the run.
template <class Body>
RunOutcome GuardedRun(ReportSink& sink, ProgressObserver& progress, Body body) {
    RunOutcome outcome = GuardedRun(progress, std::move(body));
    outcome.ResultUnsaved = sink.HasLines();
    return outcome;
}

// How a report starts: its captions in the strip above the sink, an empty line
// after an earlier report's, the head line when the layout has one, and the
// captions between two rules.
inline void OpenReport(ReportSink& sink, const std::string& header, const std::string& head,
                       const std::string& rule) {
    sink.ColumnHeader(header);
    if (sink.HasLines()) sink.Line("");
    if (!head.empty()) sink.Line(head);
    sink.Line(rule);
    sink.Line(header);
    sink.Line(rule);
}

}  // namespace zarnik::run::detail
