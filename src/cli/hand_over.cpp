#include "cli/hand_over.h"

#include <unistd.h>

#include <filesystem>

namespace zarnik::cli {

namespace {

// name beside file when it is there, else name in the folder at relative from it.
std::string BesideOr(const std::string& file, const char* relative, const char* name) {
    const std::filesystem::path folder = std::filesystem::path(file).parent_path();
    const std::filesystem::path beside = folder / name;
    if (::access(beside.c_str(), F_OK) == 0) return beside.string();
    return (folder / relative / name).lexically_normal().string();
}

}  // namespace

std::string GitProgramFile(const std::string& programFile) {
    return BesideOr(programFile, ZARNIK_HELPER_FROM_BIN, "zarnik-count-git");
}

std::string ServedProgramFile(const std::string& gitProgramFile) {
    return BesideOr(gitProgramFile, ZARNIK_BIN_FROM_HELPER, "zarnik-count");
}

}  // namespace zarnik::cli
