// One file's counts as a run reports them, and a file as the directory search
// found it. Plain data: no counting and no formatting here, so the report and
// its front ends can include it without the counters.
#pragma once

#include <cstdint>
#include <string>

#include "engine/file_status.h"

namespace zarnik::engine {

// One file's result: data only; the report decides how each field shows.
struct FileCounts {
    FileStatus Status = FileStatus::Counted;
    std::string Name;        // without folder, Shift-JIS
    std::int64_t MTime = 0;  // last-write time, seconds since the epoch
    std::int64_t Size = 0;
    // The kind the name has under the source mode (by its extension, or the
    // language the mode names), whether or not the file was counted: the kind
    // column shows it. In guess mode it may differ from Kind.
    int NameKind = 0;
    // The kind whose totals the file adds to (0: none), decided when it is counted:
    // by the source mode, or by the guess in guess mode.
    int Kind = 0;
    // 64-bit: a file may hold more than 2^31 lines.
    std::int64_t Total = 0;
    std::int64_t Comment = 0;
    std::int64_t Exec = 0;
    std::int64_t Blank = 0;
    float Ratio = 0.0f;
};

// A file as the directory search found it.
struct DirEntry {
    std::string Name;        // name without folder, Shift-JIS
    std::int64_t MTime = 0;  // last-write time, seconds since the epoch
    std::int64_t Size = 0;
};

}  // namespace zarnik::engine
