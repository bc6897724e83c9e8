#include "engine/read_buffer.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zarnik::engine {

char* ByteBuffer::Extend(std::size_t n) {
    if (capacity_ - size_ < n) {
        std::size_t cap = std::max(capacity_ * 2, size_ + n);
        std::unique_ptr<char[]> grown(new char[cap]);
        if (size_) std::memcpy(grown.get(), data_.get(), size_);
        data_ = std::move(grown);
        capacity_ = cap;
    }
    return data_.get() + size_;
}

void ByteBuffer::Reserve(std::size_t n) {
    if (capacity_ >= n) return;
    std::unique_ptr<char[]> grown(new char[n]);
    if (size_) std::memcpy(grown.get(), data_.get(), size_);
    data_ = std::move(grown);
    capacity_ = n;
}

std::size_t ReadAt(const Fd& fd, char* buf, std::size_t n, std::uint64_t at, const std::string& path) {
    std::size_t got = 0;
    while (got < n) {
        ssize_t r = ::pread(fd.get(), buf + got, std::min<std::size_t>(n - got, std::size_t{1} << 30),
                            static_cast<off_t>(at + got));
        if (r < 0) {
            if (errno == EINTR) continue;
            throw FileError(path, errno);
        }
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return got;
}

}  // namespace zarnik::engine
