// Stand-in until the count run lands: nothing is found.
#include "run/run.h"

namespace zarnik::run {

RunOutcome RunCount(const RunInput&, settings::S_CNF&, RunHost& host, engine::CountContext&) {
    host.ShowNoFileWarning("");
    return RunOutcome::NoFiles;
}

std::string ErrorTextFor(const engine::FileError& error) { return error.what(); }

}  // namespace zarnik::run
