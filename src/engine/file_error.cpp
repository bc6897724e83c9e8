#include "engine/file_error.h"

#include <cstring>
#include <utility>

namespace zarnik::engine {

FileError::FileError(std::string path, int err)
    : std::runtime_error(std::strerror(err)), path_(std::move(path)), code_(err) {}

}  // namespace zarnik::engine
