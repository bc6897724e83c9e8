// zarnik-count as a child process, as a shell would start it, with its standard
// output and error captured in files, for the command-line tests.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "fault_util.h"
#include "test_util.h"

namespace zarnik::testing {

struct CliResult {
    int Status = -1;  // the exit status; -1 when killed
    std::string Out, Err;
    double Seconds = 0;
};

// What the child meets besides its arguments. With BindPermissions a root run
// meets permission bits like any other user's; a non-zero AddressSpace limits
// its memory to that many bytes, OpenFiles its file descriptors; a non-zero
// Alarm kills it after that many seconds.
struct CliLimits {
    bool BindPermissions = false;
    rlim_t AddressSpace = 0, OpenFiles = 0;
    unsigned Alarm = 0;
};

inline CliResult RunZarnikCount(const std::vector<std::string>& args, const CliLimits& limits = {}) {
    TempDir io;
    const std::string out = io.str() + "/out", err = io.str() + "/err";
    std::string exe = BinDir() + "/zarnik-count";
    std::vector<std::string> copy = args;
    std::vector<char*> argv{exe.data()};
    for (auto& a : copy) argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(o, 1);
        dup2(e, 2);
        if (limits.BindPermissions && !DropPermissionOverrideForExec()) _exit(126);
        const rlimit memory{limits.AddressSpace, limits.AddressSpace};
        if (limits.AddressSpace && setrlimit(RLIMIT_AS, &memory) != 0) _exit(126);
        const rlimit files{limits.OpenFiles, limits.OpenFiles};
        if (limits.OpenFiles && setrlimit(RLIMIT_NOFILE, &files) != 0) _exit(126);
        if (limits.Alarm) alarm(limits.Alarm);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFileBytes(out), ReadFileBytes(err), seconds};
}

}  // namespace zarnik::testing
