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
// report lines). ended(outcome) runs last, before the progress display is told.
template <class Body, class Ended>
RunOutcome GuardedRun(ProgressObserver& progress, Body body, Ended ended) {
    RunOutcome outcome;
    try {
        body(outcome);
    } catch (const RepositoryError& e) {
        outcome.End = RunEnd::ReadError;
        outcome.Error = ReadError{e.Path(), e.Code()};
        outcome.ErrorDetail = e.Detail();
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
    } catch (RefusedRevision& refused) {
        outcome = RunOutcome{};
        outcome.End = RunEnd::RefusedRevision;
        outcome.RefusedLine = std::move(refused.Message);
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

// The same with nothing to do at the end.
template <class Body>
RunOutcome GuardedRun(ProgressObserver& progress, Body body) {
    return GuardedRun(progress, std::move(body), [](const RunOutcome&) {});
}

}  // namespace zarnik::run::detail
