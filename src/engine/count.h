// Counting one file: CountFile reads it and counts it into its record, and the
// pieces of that work the change count and the preview use on their own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/count_context.h"
#include "engine/file_counts.h"
#include "engine/file_error.h"
#include "engine/file_status.h"
#include "engine/options.h"

namespace zarnik::engine {

// Counts one file into rec. Throws FileError when the file exists but cannot be
// read, also when there is no memory for it (ENOMEM) and when a large file read
// twice has grown shorter in between (EIO). A file is read no further than the
// size it had when it was opened.
void CountFile(const CountOptions& opt, const std::string& path, const DirEntry& entry, FileCounts& rec,
               CountContext& ctx);

// CountFile for a file a listing found: it is opened and then looked at through
// the open file, which fills entry's time and size, and read up to that size.
// False (rec untouched) when the file has gone since it was found or is no longer
// a regular file; a file that is one at the open is counted.
bool CountFoundFile(const CountOptions& opt, const std::string& path, DirEntry& entry, FileCounts& rec,
                    CountContext& ctx);

// CountFile for a file whose bytes are in memory (a version a repository keeps):
// counted as a file holding those bytes is, read whole; entry gives its name, time
// and size. Throws FileError(path, ENOMEM) when memory runs out.
void CountStoredFile(const CountOptions& opt, const std::string& path, std::string_view bytes,
                     const DirEntry& entry, FileCounts& rec, CountContext& ctx);

// The pre-check of a file's first 515 bytes (the first is never examined).
FileStatus ProbeBytes(std::string_view head);
// The pre-check of a UTF-8 source, over its converted text, as its Shift-JIS twin
// would be checked: a first line of 200 "あ" is 600 bytes in UTF-8 but 400 once
// converted. asRead is ProbeBytes of the bytes as read, which decides for a
// converted text of at most one byte.
FileStatus ProbeConverted(std::string_view converted, FileStatus asRead);

// A file's loaded bytes up to the first NUL, where every reader of a text ends it
// (the change count keeps the text cut there).
std::string_view TextForCounting(std::string_view loaded);

// Counts a text that passed the pre-check as the file rec.Name (Shift-JIS; its
// extension chooses the kind): sets rec's status, line counts, ratio and kind.
void CountLoadedText(const CountOptions& opt, std::string_view text, FileCounts& rec, ConverterState& state);

void FinishCounts(const CountOptions& opt, FileCounts& rec);

}  // namespace zarnik::engine
