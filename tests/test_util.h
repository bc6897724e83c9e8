// Small helpers shared by the tests: a temporary folder and Shift-JIS literals.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "text/sjis.h"

namespace zarnik::testing {

// The whole content of a file (empty when it cannot be read).
inline std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The build folder that holds the programs (zarnik-count).
inline std::string BinDir() {
    if (const char* bin = std::getenv("ZARNIK_BIN")) return bin;
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

// Shift-JIS bytes of a UTF-8 literal.
inline std::string Sj(std::string_view utf8) { return text::Utf8ToSjis(utf8); }

class TempDir {
public:
    TempDir() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "zarnik-test-XXXXXX").string();
        if (!mkdtemp(tmpl.data())) std::abort();
        path_ = tmpl;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

    // Writes bytes to a file below the folder (creating folders) and returns its path.
    std::string Write(const std::string& rel, std::string_view bytes) const {
        auto p = path_ / rel;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        return p.string();
    }

private:
    std::filesystem::path path_;
};

}  // namespace zarnik::testing
