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

void ResultRows::FileCounted(const std::string& nativePath, const engine::FileCounts& rec) {
    if (ShowsRecord(errorRows_, rec)) files_.push_back({nativePath, rec});
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
