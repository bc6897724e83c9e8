// Repositories the tests build with git itself, with a git configuration of
// their own (HOME and XDG_CONFIG_HOME in the test's folder, no system file), so
// that the user's settings and global excludes file play no part.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "test_util.h"

namespace zarnik::testing {

struct ShellResult {
    int Status = -1;
    std::string Out;
};

// Runs command in dir with the test's own git configuration; stderr joins stdout.
inline ShellResult Shell(const TempDir& dir, const std::string& command) {
    const std::string full = "cd '" + dir.str() + "' && HOME='" + dir.str() + "/home' XDG_CONFIG_HOME='" +
                             dir.str() +
                             "/xdg' GIT_CONFIG_NOSYSTEM=1 GIT_AUTHOR_NAME=t GIT_AUTHOR_EMAIL=t@example.org "
                             "GIT_COMMITTER_NAME=t GIT_COMMITTER_EMAIL=t@example.org " +
                             command + " 2>&1";
    ShellResult r;
    FILE* p = ::popen(full.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) r.Out.append(buf, n);
    const int status = ::pclose(p);
    r.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return r;
}

}  // namespace zarnik::testing
