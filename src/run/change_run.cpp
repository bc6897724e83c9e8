// The change count: two versions of a tree -> paired files -> line diff -> classified changes.
#include "run/run.h"

namespace zarnik::run {

RunOutcome RunSession::CountChanges(const ChangeInput& /*input*/, const settings::S_CNF& /*cnf*/,
                                    ReportSink& /*sink*/, ProgressObserver& progress) {
    // Not counted yet: nothing is paired, so nothing is reported as a result.
    RunOutcome outcome;
    outcome.End = RunEnd::NoFiles;
    progress.Ended();
    return outcome;
}

}  // namespace zarnik::run
