#include "run/count_ahead.h"

#include <algorithm>
#include <climits>
#include <system_error>

#include "engine/count.h"

namespace zarnik::run::detail {

void CountListedFile(const engine::CountOptions& opt, const FoundFile& file, engine::CountContext& ctx,
                     CountedFile& out) {
    out.Error = nullptr;
    engine::DirEntry entry{NativeToSjis(file.Name())};
    try {
        out.Gone = !engine::CountFoundFile(opt, file.Path, entry, out.Rec, ctx);
    } catch (...) {
        out.Gone = false;
        out.Error = std::current_exception();
    }
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
    CountListedFile(opt_, files_[i], ctx, out);
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
