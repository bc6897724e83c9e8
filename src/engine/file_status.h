// What became of a file the count run looked at. The values are the ones the
// report's messages are numbered by.
#pragma once

#include <cstdint>

namespace zarnik::engine {

enum class FileStatus : std::int32_t {
    Counted = 0,
    NotTarget = 1,     // no counter takes a file of its name under the source mode
    NotSource = 2,     // holds a NUL byte
    Unfit = 3,         // a line of 512 bytes or more, or no line end in its head
    Unrecognised = 4,  // too short to tell, or its text could not be loaded
    Missing = 5,       // no file of that name
};

}  // namespace zarnik::engine
