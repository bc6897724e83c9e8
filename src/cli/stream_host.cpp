#include "cli/stream_host.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

#include "report/csv.h"
#include "report/json.h"
#include "text/sjis.h"

namespace zarnik::cli {

namespace {

constexpr auto kProgressInterval = std::chrono::milliseconds(100);

std::string ToUtf8(const std::string& sjis) { return text::IsAscii(sjis) ? sjis : text::SjisToUtf8(sjis); }

}  // namespace

StreamHost::StreamHost(std::FILE* out, Encoding encoding, std::FILE* progress, Format format)
    : out_(out),
      encoding_(encoding),
      progress_(progress),
      format_(format),
      // Rows are written as they come and nothing is kept, so that memory does
      // not grow with the files (a json of 200,000 files held 592 MB).
      csv_(*this, CsvBytes()),
      changeData_(format == Format::Json ? report::ChangeDataPrinter::Form::Json
                                         : report::ChangeDataPrinter::Form::Csv,
                  CsvBytes(), [this](const std::string& bytes) { Write(bytes); }) {
    winsize ws{};
    if (progress_ && ::ioctl(::fileno(progress_), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 10)
        columns_ = ws.ws_col;
}

void StreamHost::Line(const std::string& line) {
    hasLines_ = outputStarted_ = true;
    if (format_ != Format::Text) return;
    if (encoding_ == Encoding::Sjis) {
        std::fwrite(line.data(), 1, line.size(), out_);
        std::fwrite("\r\n", 1, 2, out_);
    } else if (text::IsAscii(line)) {
        std::fwrite(line.data(), 1, line.size(), out_);
        std::fputc('\n', out_);
    } else {
        WriteUtf8(line);
    }
}

// Report lines are ASCII but for a few runs of Japanese that recur from line to
// line, so each run of non-ASCII characters is converted once and the rest copied.
// Conversion is per character, so runs give what the whole line gives; a line
// with a byte sequence that is no character is converted whole, as it was.
void StreamHost::WriteUtf8(const std::string& line) {
    constexpr std::size_t kRunsKept = 16;
    const std::size_t n = line.size();
    auto at = [&](std::size_t i) { return static_cast<unsigned char>(line[i]); };
    utf8_.clear();
    std::size_t i = 0;
    while (i < n) {
        std::size_t start = i;
        i += text::AsciiRun(line, i);
        utf8_.append(line, start, i - start);
        start = i;
        while (i < n && at(i) >= 0x80) {
            // A lead byte and its trail byte, or a half-width katakana.
            std::size_t len = 0;
            if (text::IsLeadByte(at(i))) {
                if (i + 1 < n && at(i + 1) >= 0x40 && at(i + 1) <= 0xFC && at(i + 1) != 0x7F) len = 2;
            } else if (at(i) >= 0xA1 && at(i) <= 0xDF) {
                len = 1;
            }
            if (len == 0) {
                utf8_ = text::SjisToUtf8(line);
                i = start = n;
                break;
            }
            i += len;
        }
        if (start == i) continue;
        const std::string_view run(line.data() + start, i - start);
        auto kept = std::find_if(runs_.begin(), runs_.end(), [&](const auto& r) { return r.first == run; });
        if (kept == runs_.end()) {
            std::pair<std::string, std::string> made(std::string(run), text::SjisToUtf8(run));
            if (runs_.size() < kRunsKept) {
                runs_.push_back(std::move(made));
                kept = runs_.end() - 1;
            } else {
                kept = runs_.begin() + static_cast<std::ptrdiff_t>(nextRun_);
                *kept = std::move(made);
                nextRun_ = (nextRun_ + 1) % kRunsKept;
            }
        }
        utf8_ += kept->second;
    }
    utf8_.push_back('\n');
    std::fwrite(utf8_.data(), 1, utf8_.size(), out_);
}

// The file's path is made only when the throttled line would show it.
bool StreamHost::FileNext(std::int64_t number, std::int64_t files) {
    number_ = number;
    files_ = files;
    return progress_ && std::chrono::steady_clock::now() >= next_;
}

void StreamHost::Write(std::string_view bytes) {
    outputStarted_ = true;
    std::fwrite(bytes.data(), 1, bytes.size(), out_);
}

report::CountEvents& StreamHost::CountPrinter() {
    if (format_ == Format::Csv) return csv_;
    if (format_ == Format::Json) return json_;
    if (format_ == Format::Html) return html_;
    return text_;
}

report::CsvEncoding StreamHost::CsvBytes() const {
    return encoding_ == Encoding::Sjis ? report::CsvEncoding::Sjis : report::CsvEncoding::Utf8;
}

report::ChangeEvents& StreamHost::ChangeOutput() {
    if (format_ == Format::Text) return changeReport_;
    if (format_ == Format::Html) return changeHtml_;
    return changeData_;
}

bool StreamHost::Due() {
    if (!progress_) return false;
    auto now = std::chrono::steady_clock::now();
    if (now < next_) return false;
    next_ = now + kProgressInterval;
    return true;
}

// Shift-JIS bytes are display columns, so the line is fitted to the terminal
// before it is converted: the tail (a path) loses its beginning, never its name.
void StreamHost::ShowProgress(const std::string& head, const std::string& tail) {
    std::string line = head + tail;
    const auto width = static_cast<std::size_t>(columns_ - 1);
    if (line.size() > width && head.size() + 3 < width) {
        std::size_t cut = 0;
        while (cut < tail.size() && head.size() + 3 + (tail.size() - cut) > width)
            cut += text::CharLength(tail, cut);
        line = head + "..." + tail.substr(cut);
    }
    if (line.size() > width) {
        std::size_t keep = 0;
        while (keep < line.size() && keep + text::CharLength(line, keep) <= width)
            keep += text::CharLength(line, keep);
        line.resize(keep);
    }
    std::string out = "\r" + ToUtf8(line) + "\x1b[K";
    std::fwrite(out.data(), 1, out.size(), progress_);
    std::fflush(progress_);
    progressShown_ = true;
}

void StreamHost::Found(std::int64_t count) {
    static const std::string label = text::Utf8ToSjis("ファイル数カウント中 ");
    if (Due()) ShowProgress(label + std::to_string(count), "");
}

void StreamHost::FilePath(const std::string& path) {
    static const std::string label = text::Utf8ToSjis("処理中...");
    if (Due())
        ShowProgress(label + " [" + std::to_string(number_) + "/" + std::to_string(files_) + "] ", path);
}

void StreamHost::Ended() {
    if (!progressShown_) return;
    std::fputs("\r\x1b[K", progress_);
    std::fflush(progress_);
    progressShown_ = false;
}

}  // namespace zarnik::cli
