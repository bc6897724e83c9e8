#include "report/xlsx_check.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string_view>

namespace zarnik::report {

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 16;

std::uint32_t Le(const unsigned char* p, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~ReadOnlyFile() {
        if (fd_ >= 0) ::close(fd_);
    }
    ReadOnlyFile(const ReadOnlyFile&) = delete;
    ReadOnlyFile& operator=(const ReadOnlyFile&) = delete;

    std::int64_t Size() const {
        struct stat st {};
        return fd_ >= 0 && ::fstat(fd_, &st) == 0 ? st.st_size : -1;
    }
    bool Read(std::int64_t offset, std::size_t length, std::string& out) const {
        out.resize(length);
        std::size_t done = 0;
        while (done < length) {
            const ssize_t n = ::pread(fd_, out.data() + done, length - done,
                                      static_cast<off_t>(offset) + static_cast<off_t>(done));
            if (n <= 0) return false;
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int fd_;
};

// What one member inflated to: its size, checksum, last bytes and rows.
struct MemberText {
    std::uint64_t Size = 0;
    uLong Crc = crc32(0, nullptr, 0);
    std::string Tail;        // the last bytes, for the closing tag
    std::uint32_t Rows = 0;  // "<row " seen
};

void Take(MemberText& m, const unsigned char* bytes, std::size_t n) {
    static constexpr std::string_view kRow = "<row ";
    m.Size += n;
    m.Crc = crc32(m.Crc, bytes, static_cast<uInt>(n));
    // A "<row " may straddle two pieces: the last bytes of the one before go first.
    std::string text = m.Tail;
    const std::size_t carried = text.size();
    text.append(reinterpret_cast<const char*>(bytes), n);
    for (std::size_t at = text.find(kRow); at != std::string::npos; at = text.find(kRow, at + 1))
        if (at + kRow.size() > carried) ++m.Rows;
    m.Tail = text.substr(text.size() - std::min<std::size_t>(text.size(), 32));
}

// Inflates (method 8) or copies (method 0) a member's bytes.
bool ReadMember(const ReadOnlyFile& file, std::int64_t offset, std::uint32_t packed, int method,
                MemberText& m) {
    z_stream z{};
    if (method == 8 && inflateInit2(&z, -MAX_WBITS) != Z_OK) return false;
    std::string in;
    std::array<unsigned char, kChunk> out{};
    int status = Z_OK;
    bool ok = true;
    for (std::uint32_t done = 0; ok && done < packed;) {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(kChunk, packed - done));
        ok = file.Read(offset + done, n, in);
        done += n;
        if (!ok) break;
        if (method != 8) {
            Take(m, reinterpret_cast<const unsigned char*>(in.data()), n);
            continue;
        }
        z.next_in = reinterpret_cast<Bytef*>(in.data());
        z.avail_in = n;
        while (ok && z.avail_in > 0 && status != Z_STREAM_END) {
            z.next_out = out.data();
            z.avail_out = static_cast<uInt>(out.size());
            status = inflate(&z, Z_NO_FLUSH);
            ok = status == Z_OK || status == Z_STREAM_END;
            Take(m, out.data(), out.size() - z.avail_out);
        }
    }
    if (method == 8) {
        ok = ok && status == Z_STREAM_END;
        inflateEnd(&z);
    }
    return ok;
}

bool EndsWith(std::string_view text, std::string_view end) {
    while (!text.empty() && std::strchr(" \r\n\t", text.back())) text.remove_suffix(1);
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// The central directory: its end record lies in the file's last 64 KiB.
bool FindDirectory(const ReadOnlyFile& file, std::string& directory, std::uint32_t& entries) {
    const std::int64_t size = file.Size();
    if (size < 22) return false;
    const auto tailLength = static_cast<std::size_t>(std::min<std::int64_t>(size, 22 + 0xFFFF));
    std::string tail;
    if (!file.Read(size - static_cast<std::int64_t>(tailLength), tailLength, tail)) return false;
    const std::size_t end = tail.rfind(std::string_view("PK\x05\x06", 4));
    if (end == std::string::npos || end + 22 > tail.size()) return false;
    const auto* e = reinterpret_cast<const unsigned char*>(tail.data() + end);
    entries = Le(e + 10, 2);
    return file.Read(Le(e + 16, 4), Le(e + 12, 4), directory);
}

}  // namespace

bool CheckWrittenWorkbook(const std::string& path, const std::vector<std::uint32_t>& rowsPerSheet,
                          std::string& error) {
    const ReadOnlyFile file(path);
    std::string directory, local;
    std::uint32_t entries = 0;
    std::size_t sheetsSeen = 0;
    bool ok = FindDirectory(file, directory, entries);
    std::size_t at = 0;
    for (std::uint32_t i = 0; ok && i < entries; ++i) {
        ok = at + 46 <= directory.size() && directory.compare(at, 4, "PK\x01\x02", 4) == 0;
        if (!ok) break;
        const auto* c = reinterpret_cast<const unsigned char*>(directory.data() + at);
        const std::size_t nameLength = Le(c + 28, 2);
        const std::string name = directory.substr(at + 46, nameLength);
        at += 46 + nameLength + Le(c + 30, 2) + Le(c + 32, 2);
        const std::int64_t header = Le(c + 42, 4);
        ok = file.Read(header, 30, local) && local.compare(0, 4, "PK\x03\x04", 4) == 0;
        if (!ok) break;
        const auto* l = reinterpret_cast<const unsigned char*>(local.data());
        MemberText m;
        ok = ReadMember(file, header + 30 + Le(l + 26, 2) + Le(l + 28, 2), Le(c + 20, 4),
                        static_cast<int>(Le(c + 10, 2)), m) &&
             m.Size == Le(c + 24, 4) && m.Crc == Le(c + 16, 4) &&
             (!EndsWith(name, ".xml") || EndsWith(m.Tail, ">"));
        static constexpr std::string_view kSheet = "xl/worksheets/sheet";
        if (ok && name.compare(0, kSheet.size(), kSheet) == 0 && EndsWith(name, ".xml")) {
            const std::size_t number = std::strtoul(name.c_str() + kSheet.size(), nullptr, 10);
            ok = number >= 1 && number <= rowsPerSheet.size() && EndsWith(m.Tail, "</worksheet>") &&
                 m.Rows == rowsPerSheet[number - 1];
            ++sheetsSeen;
        }
    }
    if (ok && sheetsSeen == rowsPerSheet.size()) return true;
    error = "part of the workbook was refused (a full disk or a file-size limit)";
    return false;
}

}  // namespace zarnik::report
