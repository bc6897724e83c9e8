// The error of a file that exists but cannot be read, which ends a run: a file
// left out would make every total wrong.
#pragma once

#include <stdexcept>
#include <string>

namespace zarnik::engine {

// A file that exists but cannot be opened or read. what() is the system's error text.
class FileError : public std::runtime_error {
public:
    FileError(std::string path, int err);
    const std::string& Path() const { return path_; }
    int Code() const { return code_; }

private:
    std::string path_;
    int code_;
};

}  // namespace zarnik::engine
