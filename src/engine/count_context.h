// What counting keeps from line to line and from file to file: the converter's
// state, the log of each line's class when one is asked for, and the buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/euc_jis.h"
#include "engine/path_at.h"
#include "engine/read_buffer.h"

namespace zarnik::engine {

// Where a counter put one loaded line.
enum class LineClassOf : std::uint8_t {
    Exec,
    Comment,
    Blank,
    NotCounted,  // 512 bytes or longer, or in a text no counter classified
};

// What a counter tells of each line it loads, when asked (change counting needs
// every line's class and, with EucJis 1, the converted text the class is of).
struct LineLog {
    std::vector<LineClassOf> Classes;  // one per line, in order
    // With EucJis 1 (and a text that was no UTF-8): the converted lines one after
    // another, line i ending at ConvertedEnds[i].
    std::string Converted;
    std::vector<std::size_t> ConvertedEnds;

    void clear() {
        Classes.clear();
        Converted.clear();
        ConvertedEnds.clear();
    }
};

// What a counter needs beyond the text: the EUC/JIS converter, whose shift state
// runs on from file to file, and the buffer a converted line is written to (reused,
// so that counting does not allocate per line).
struct ConverterState {
    EucJisConverter Converter;
    std::string Converted;  // the line being counted, converted when EucJis is 1
    // The text was UTF-8 and is already Shift-JIS (Utf8Src): the EUC/JIS converter
    // leaves it alone, and its shift state does not move.
    bool FromUtf8 = false;
    // Filled line by line when set; a count run leaves it null and pays one
    // predictable branch per line for it.
    LineLog* LineClasses = nullptr;
};

// Engine state that lives across files: the converter and the buffer the file
// being counted is read into, reused from file to file. One context must not be
// used by two counts at once.
struct CountContext : ConverterState {
    // The largest piece of a file read at once, for a count on one thread.
    static constexpr std::size_t kMaxChunkBytes = std::size_t{1} << 20;

    ByteBuffer Text;  // the last file read (or piece of it); it may go on past the first NUL
    // The bytes as read when Text was UTF-8 and is now Shift-JIS (Utf8Src), kept
    // so that both buffers keep their room for the next file.
    ByteBuffer Utf8Spare;
    // Files of at least this many bytes are read in pieces of about this size, each
    // ending at a line end, so that memory does not grow with the file; smaller
    // ones are read whole. ChunkBytesFor gives the size for a run on several threads.
    std::size_t ChunkBytes = kMaxChunkBytes;
    FolderAt Folders;  // where the files a listing found are opened from
};

// The piece size for each of threads counting at once: 8 MiB shared among them,
// from 4 KiB to 1 MiB each.
std::size_t ChunkBytesFor(unsigned threads);

}  // namespace zarnik::engine
