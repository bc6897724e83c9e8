#include "report/result_rows.h"

#include <cstring>
#include <ctime>

#include "engine/source_kind.h"
#include "report/number_format.h"
#include "report/report.h"
#include "text/sjis.h"

namespace zarnik::report {

namespace {

void PutUnsigned(std::string& out, std::uint64_t n) {
    while (n >= 0x80) {
        out.push_back(static_cast<char>((n & 0x7F) | 0x80));
        n >>= 7;
    }
    out.push_back(static_cast<char>(n));
}

// Signed figures zigzagged, so that a small negative one (a time before 1970) stays short.
void PutSigned(std::string& out, std::int64_t n) {
    PutUnsigned(out, (static_cast<std::uint64_t>(n) << 1) ^ static_cast<std::uint64_t>(n >> 63));
}

std::uint64_t GetUnsigned(std::string_view in, std::size_t& pos) {
    std::uint64_t n = 0;
    for (int shift = 0; pos < in.size() && shift < 64; shift += 7) {
        const auto b = static_cast<unsigned char>(in[pos++]);
        n |= static_cast<std::uint64_t>(b & 0x7F) << shift;
        if (b < 0x80) break;
    }
    return n;
}

std::int64_t GetSigned(std::string_view in, std::size_t& pos) {
    const std::uint64_t z = GetUnsigned(in, pos);
    return static_cast<std::int64_t>(z >> 1) ^ -static_cast<std::int64_t>(z & 1);
}

}  // namespace

void ResultRows::Begin(const RunHead& head) { errorRows_ = head.Layout.ErrorLines; }

void ResultRows::FileCounted(const std::string& nativePath, const engine::FileCounts& rec) {
    if (!ShowsRecord(errorRows_, rec)) return;
    const std::string_view path(nativePath);
    const std::size_t slash = path.rfind('/');
    // The folder part keeps its "/", so that the path comes back byte for byte
    // ("/a" and "a" as well as "d/a").
    const std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
    const std::string_view name = path.substr(folder.size());
    // 0: the folder of the row before; else its length + 1 and its bytes.
    if (count_ > 0 && folder == lastFolder_) {
        PutUnsigned(stream_, 0);
    } else {
        PutUnsigned(stream_, folder.size() + 1);
        stream_.append(folder);
        lastFolder_.assign(folder);
    }
    PutUnsigned(stream_, name.size());
    stream_.append(name);
    PutUnsigned(stream_, static_cast<std::uint64_t>(rec.Status));
    PutSigned(stream_, rec.NameKind);
    PutSigned(stream_, rec.Kind);
    for (std::int64_t n : {rec.MTime, rec.Size, rec.Total, rec.Comment, rec.Exec, rec.Blank})
        PutSigned(stream_, n);
    char ratio[sizeof rec.Ratio];
    std::memcpy(ratio, &rec.Ratio, sizeof ratio);
    stream_.append(ratio, sizeof ratio);
    ++count_;
}

std::size_t ResultRows::Unpack(std::size_t pos, std::string& path, std::size_t& folderLength,
                               engine::FileCounts& rec) const {
    const std::string_view in(stream_);
    if (const std::uint64_t folder = GetUnsigned(in, pos); folder > 0) {
        folderLength = static_cast<std::size_t>(folder - 1);
        path.assign(in.substr(pos, folderLength));
        pos += folderLength;
    }
    path.resize(folderLength);
    const auto nameLength = static_cast<std::size_t>(GetUnsigned(in, pos));
    path.append(in.substr(pos, nameLength));
    pos += nameLength;
    rec.Status = static_cast<engine::FileStatus>(GetUnsigned(in, pos));
    rec.NameKind = static_cast<int>(GetSigned(in, pos));
    rec.Kind = static_cast<int>(GetSigned(in, pos));
    for (std::int64_t* n : {&rec.MTime, &rec.Size, &rec.Total, &rec.Comment, &rec.Exec, &rec.Blank})
        *n = GetSigned(in, pos);
    if (pos + sizeof rec.Ratio <= in.size()) std::memcpy(&rec.Ratio, in.data() + pos, sizeof rec.Ratio);
    return pos + sizeof rec.Ratio;
}

std::vector<int> KindsWithFiles(const ReportTotals& totals) {
    std::vector<int> kinds;
    for (std::size_t k = 1; k < totals.Kinds.size(); ++k)
        if (totals.Kinds[k].FileCount >= 1) kinds.push_back(static_cast<int>(k));
    return kinds;
}

namespace detail {

std::string PathText(std::string_view native) {
    std::string out;
    out.reserve(native.size());
    for (std::size_t pos = 0; pos < native.size();) {
        std::size_t n = text::WellFormedUtf8Length(native, pos);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++pos;
            continue;
        }
        out.append(native.substr(pos, n));
        pos += n;
    }
    return out;
}

std::string_view FolderOf(std::string_view native) {
    std::size_t slash = native.rfind('/');
    if (slash == std::string_view::npos) return {};
    return native.substr(0, slash == 0 ? 1 : slash);
}

std::string_view NameOf(std::string_view native) {
    std::size_t slash = native.rfind('/');
    return slash == std::string_view::npos ? native : native.substr(slash + 1);
}

std::string IsoTime(std::int64_t mtime) {
    std::time_t t = static_cast<std::time_t>(mtime);
    std::tm tm{};
    if (!localtime_r(&t, &tm)) return {};
    char buf[64];
    long off = tm.tm_gmtoff / 60;
    const char sign = off < 0 ? '-' : '+';
    if (off < 0) off = -off;
    std::snprintf(buf, sizeof buf, "%04lld-%02d-%02dT%02d:%02d:%02d%c%02ld:%02ld",
                  static_cast<long long>(tm.tm_year) + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min,
                  tm.tm_sec, sign, off / 60, off % 60);
    return buf;
}

std::string KindWord(std::string_view kindText) {
    std::size_t end = kindText.find_last_not_of(' ');
    return std::string(end == std::string_view::npos ? std::string_view() : kindText.substr(0, end + 1));
}

std::string MessageText(std::string_view sjis) {
    if (!sjis.empty() && sjis.front() == ' ') sjis.remove_prefix(1);
    return text::SjisToUtf8(sjis);
}

std::string StatusMessage(engine::FileStatus status) { return MessageText(StatusText(status)); }

std::string RatioText(float ratio) { return FormatFloat(ratio, 2, false); }

std::string TotalsLabelText(RowKey key) {
    std::string label = text::SjisToUtf8(TotalsLabel(key));
    // The report's rows open with a mark ("□", "■"), one character of three bytes.
    return label.size() > 3 ? label.substr(3) : label;
}

}  // namespace detail

}  // namespace zarnik::report
