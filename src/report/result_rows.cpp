#include "report/result_rows.h"

#include <ctime>

#include "engine/source_kind.h"
#include "report/number_format.h"
#include "report/report.h"
#include "text/sjis.h"

namespace zarnik::report {

void ResultRows::Begin(const RunHead& head) {
    errorRows_ = head.Layout.ErrorLines;
    files_.reserve(static_cast<std::size_t>(head.Files));
}

ResultRows::Span ResultRows::Append(std::string_view bytes) {
    Span span{arena_.size(), static_cast<std::uint32_t>(bytes.size())};
    arena_.append(bytes);
    return span;
}

void ResultRows::FileCounted(const std::string& nativePath, const engine::FileCounts& rec) {
    if (!ShowsRecord(errorRows_, rec)) return;
    const std::string_view path(nativePath);
    const std::size_t slash = path.rfind('/');
    // The folder part keeps its "/", so that the path comes back byte for byte
    // ("/a" and "a" as well as "d/a").
    const std::string_view folder =
        slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
    const std::string_view name = path.substr(folder.size());
    const bool sameFolder =
        !folders_.empty() &&
        std::string_view(arena_).substr(folders_.back().Offset, folders_.back().Length) == folder;
    if (!sameFolder) folders_.push_back(Append(folder));
    const Span nameSpan = Append(name);
    Row row;
    row.NameOffset = nameSpan.Offset;
    row.NameLength = nameSpan.Length;
    row.Folder = static_cast<std::uint32_t>(folders_.size() - 1);
    row.MTime = rec.MTime;
    row.Size = rec.Size;
    row.Total = rec.Total;
    row.Comment = rec.Comment;
    row.Exec = rec.Exec;
    row.Blank = rec.Blank;
    row.Ratio = rec.Ratio;
    row.Status = static_cast<std::uint8_t>(rec.Status);
    row.NameKind = static_cast<std::uint16_t>(rec.NameKind);
    row.Kind = static_cast<std::uint16_t>(rec.Kind);
    files_.push_back(row);
}

void ResultRows::Unpack(std::size_t i, std::string& path, engine::FileCounts& rec) const {
    const Row& row = files_[i];
    const Span& folder = folders_[row.Folder];
    const std::string_view arena(arena_);
    path.assign(arena.substr(folder.Offset, folder.Length));
    path.append(arena.substr(row.NameOffset, row.NameLength));
    rec.Status = static_cast<engine::FileStatus>(row.Status);
    rec.MTime = row.MTime;
    rec.Size = row.Size;
    rec.NameKind = row.NameKind;
    rec.Kind = row.Kind;
    rec.Total = row.Total;
    rec.Comment = row.Comment;
    rec.Exec = row.Exec;
    rec.Blank = row.Blank;
    rec.Ratio = row.Ratio;
}

std::size_t ResultRows::HeldBytes() const {
    return arena_.capacity() + folders_.capacity() * sizeof(Span) + files_.capacity() * sizeof(Row);
}

std::vector<int> KindsWithFiles(const ReportTotals& totals) {
    std::vector<int> kinds;
    for (int k = 1; k < settings::kKindCount; ++k)
        if (totals.Kinds[static_cast<std::size_t>(k)].FileCount >= 1) kinds.push_back(k);
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
