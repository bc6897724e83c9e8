// Reading a file into memory: the buffer it goes to and the read that goes on
// until the bytes asked for arrived.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "engine/file_error.h"
#include "engine/path_at.h"

namespace zarnik::engine {

// pread(2) from offset at until n bytes arrived or the file ended; returns the count
// read. Throws FileError when a read fails.
std::size_t ReadAt(const Fd& fd, char* buf, std::size_t n, std::uint64_t at, const std::string& path);

// A growable byte buffer that is not zero-filled when it grows.
class ByteBuffer {
public:
    const char* data() const { return data_.get(); }
    char* data() { return data_.get(); }
    std::size_t size() const { return size_; }
    std::string_view view() const { return {data_.get(), size_}; }
    void clear() { size_ = 0; }
    // Makes room for n more bytes after size() and returns where they go.
    char* Extend(std::size_t n);
    void Commit(std::size_t n) { size_ += n; }
    void Truncate(std::size_t n) { size_ = n; }
    std::size_t capacity() const { return capacity_; }
    // Grows the room to exactly n bytes when it is smaller (Extend doubles it).
    void Reserve(std::size_t n);
    // Gives the memory back.
    void Release() {
        data_.reset();
        size_ = capacity_ = 0;
    }

private:
    std::unique_ptr<char[]> data_;
    std::size_t size_ = 0, capacity_ = 0;
};

}  // namespace zarnik::engine
