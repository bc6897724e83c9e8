// The counting pass's per-file work, and worker threads that do it ahead of the
// run so that it takes the results in list order.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/count_context.h"
#include "engine/file_counts.h"
#include "engine/options.h"
#include "run/collect.h"

namespace zarnik::run::detail {

// What the counting pass learns of one file of the list.
struct CountedFile {
    bool Gone = false;  // no longer a regular file: it gets no line and is in no total
    engine::FileCounts Rec;
    std::exception_ptr Error;  // what the count raised (a FileError): the run ends there
};

// Opens the file again and counts it with ctx. Never throws:
// an error is kept in out.Error for the run to raise at the file's turn.
void CountListedFile(const engine::CountOptions& opt, const FoundFile& file, engine::CountContext& ctx,
                     CountedFile& out);

// Counts the files of a list on threads - 1 worker threads and on the thread that
// takes the results, each with its own CountContext, at most a window of files
// ahead of the one taken next. Not for EucJis 1, whose converter state runs from
// file to file.
class CountAhead {
public:
    static constexpr std::size_t kWindow = 4096;

    CountAhead(const engine::CountOptions& opt, const std::vector<FoundFile>& files, unsigned threads,
               std::size_t window = kWindow);
    // Stops the workers once their current file is done, and waits for them.
    ~CountAhead();
    CountAhead(const CountAhead&) = delete;
    CountAhead& operator=(const CountAhead&) = delete;

    // The result for files[i]; i goes 0, 1, 2, ... in turn. Rather than wait, the
    // calling thread counts files itself. The result stays valid until the next call.
    CountedFile& Take(std::size_t i);

private:
    struct Slot {
        CountedFile File;
        bool Done = false;
    };
    void Work();
    void Count(std::size_t i, engine::CountContext& ctx);

    const engine::CountOptions& opt_;
    const std::vector<FoundFile>& files_;
    std::vector<Slot> slots_;  // file i in slot i % kWindow
    engine::CountContext ownCtx_;
    // The piece size of every thread's context: memory for the files being read
    // stays within a budget however many threads count.
    std::size_t chunkBytes_;

    std::mutex mu_;  // guards everything below and the slots' Done flags
    std::condition_variable ready_, room_;
    std::size_t next_ = 0;   // the next file to count
    std::size_t taken_ = 0;  // files before this one are done with: their slots are free
    std::size_t waitingFor_ = 0;
    bool takerWaiting_ = false;
    int waitingWorkers_ = 0;
    bool stop_ = false;
    std::vector<std::thread> threads_;
};

}  // namespace zarnik::run::detail
