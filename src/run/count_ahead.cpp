#include "run/count_ahead.h"

#include <sys/stat.h>

#include <cerrno>

#include <algorithm>
#include <climits>
#include <system_error>

#include "engine/path_at.h"

namespace zarnik::run::detail {

namespace {

// The file's directory entry, looked at again: false when the file went away (or
// became something else) since it was found, or cannot be reached (then out.Error
// holds the read error).
bool LookAgain(const FoundFile& file, struct stat& st, CountedFile& out) {
    if (engine::StatPath(file.Path, st) != 0) {
        int err = errno;
        if (err != ENOENT && err != ENOTDIR && err != ELOOP && err != ENAMETOOLONG)
            out.Error = std::make_exception_ptr(engine::FileError(file.Path, err));
        return false;
    }
    return S_ISREG(st.st_mode);
}

// Counts a file LookAgain found; one that has gone since is gone as if it had
// gone before that look.
void CountSeen(const engine::CountOptions& opt, const FoundFile& file, const struct stat& st,
               engine::CountContext& ctx, CountedFile& out) {
    engine::DirEntry entry{NativeToSjis(file.Name()), static_cast<std::int64_t>(st.st_mtime),
                           static_cast<std::int64_t>(st.st_size)};
    try {
        out.Gone = !engine::CountRegularFile(opt, file.Path, entry, out.Rec, ctx);
    } catch (...) {
        out.Error = std::current_exception();
    }
}

}  // namespace

void CountListedFile(const engine::CountOptions& opt, const FoundFile& file, engine::CountContext& ctx,
                     CountedFile& out) {
    out.Error = nullptr;
    struct stat st;
    out.Gone = !LookAgain(file, st, out);
    if (!out.Gone) CountSeen(opt, file, st, ctx, out);
}

CountAhead::CountAhead(const engine::CountOptions& opt, const std::vector<FoundFile>& files, unsigned threads,
                       std::size_t window)
    : opt_(opt),
      files_(files),
      slots_(std::max<std::size_t>(1, std::min(window, files.size()))),
      chunkBytes_(engine::ChunkBytesFor(threads)) {
    ownCtx_.ChunkBytes = chunkBytes_;
    const std::size_t workers = std::min<std::size_t>(threads > 1 ? threads - 1 : 0, files.size());
    threads_.reserve(workers);
    try {
        for (std::size_t w = 0; w < workers; ++w) threads_.emplace_back([this] { Work(); });
    } catch (const std::system_error&) {
        // No more threads to be had: those that started do the work, with the taker.
    }
}

CountAhead::~CountAhead() {
    {
        std::lock_guard<std::mutex> lock(mu_);
        stop_ = true;
    }
    room_.notify_all();
    for (auto& t : threads_) t.join();
}

void CountAhead::Count(std::size_t i, engine::CountContext& ctx) {
    CountedFile& out = slots_[i % slots_.size()].File;
    const FoundFile& file = files_[i];
    out.Error = nullptr;
    struct stat st;
    out.Gone = !LookAgain(file, st, out);
    if (!out.Gone) CountSeen(opt_, file, st, ctx, out);
}

void CountAhead::Work() {
    engine::CountContext ctx;
    ctx.ChunkBytes = chunkBytes_;
    std::unique_lock<std::mutex> lock(mu_);
    for (;;) {
        while (!stop_ && next_ < files_.size() && next_ >= taken_ + slots_.size()) {
            ++waitingWorkers_;
            room_.wait(lock);
            --waitingWorkers_;
        }
        if (stop_ || next_ >= files_.size()) return;
        const std::size_t i = next_++;
        lock.unlock();
        Count(i, ctx);
        lock.lock();
        slots_[i % slots_.size()].Done = true;
        if (takerWaiting_ && waitingFor_ == i) ready_.notify_one();
    }
}

CountedFile& CountAhead::Take(std::size_t i) {
    std::unique_lock<std::mutex> lock(mu_);
    if (i > 0) {
        slots_[(i - 1) % slots_.size()].Done = false;
        taken_ = i;
        if (waitingWorkers_ > 0) room_.notify_all();
    }
    Slot& slot = slots_[i % slots_.size()];
    while (!slot.Done) {
        if (next_ < files_.size() && next_ < taken_ + slots_.size()) {
            const std::size_t j = next_++;
            lock.unlock();
            Count(j, ownCtx_);
            lock.lock();
            slots_[j % slots_.size()].Done = true;
            continue;
        }
        waitingFor_ = i;
        takerWaiting_ = true;
        ready_.wait(lock);
        takerWaiting_ = false;
    }
    return slot.File;
}

}  // namespace zarnik::run::detail
