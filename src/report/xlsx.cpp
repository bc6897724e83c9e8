#include "report/xlsx.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>
#include <vector>

#include "report/change.h"
#include "report/kind_words.h"
#include "report/report.h"
#include "report/xlsx_check.h"
#include "text/sjis.h"

namespace zarnik::report {

namespace {

std::string SystemError(const std::string& what, int error) { return what + ": " + std::strerror(error); }

// The temporary files and folders being written, for RemoveWorkbookTemps: names
// a signal handler may read (a slot's name is written before it is marked in use,
// and the mark taken off before the slot is reused).
struct TempSlot {
    std::atomic<bool> InUse{false}, Taken{false};
    bool Folder = false;
    char Name[4096] = {};
};
std::array<TempSlot, 4> tempSlots;

TempSlot* HoldTempName(const std::string& name, bool folder) {
    if (name.size() >= sizeof TempSlot::Name) return nullptr;
    for (TempSlot& slot : tempSlots) {
        if (slot.Taken.exchange(true)) continue;
        std::memcpy(slot.Name, name.c_str(), name.size() + 1);
        slot.Folder = folder;
        slot.InUse.store(true);
        return &slot;
    }
    return nullptr;
}

void ReleaseTempName(TempSlot*& slot) {
    if (!slot) return;
    slot->InUse.store(false);
    slot->Taken.store(false);
    slot = nullptr;
}

// Empties and removes a folder of our own with calls a signal handler may make.
// Another thread may add a file while it is emptied: a few rounds outlast that.
void RemoveTempFolder(const char* name) noexcept {
    for (int round = 0; round < 4; ++round) {
        const int dir = ::open(name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (dir < 0) return;
        alignas(8) char entries[4096];
        ssize_t got = 0;
        while ((got = ::getdents64(dir, entries, sizeof entries)) > 0) {
            for (ssize_t at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const struct dirent64*>(entries + at);
                at += entry->d_reclen;
                const char* file = entry->d_name;
                if (std::strcmp(file, ".") != 0 && std::strcmp(file, "..") != 0) ::unlinkat(dir, file, 0);
            }
        }
        ::close(dir);
        if (::rmdir(name) == 0 || errno != ENOTEMPTY) return;
    }
}

void RemoveTemp(const TempSlot& slot) noexcept {
    if (slot.Folder)
        RemoveTempFolder(slot.Name);
    else
        ::unlink(slot.Name);
}

std::string FolderOfPath(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new file under a temporary name in the destination's folder (".NAME.tmp-PID-N"),
// made with the mode a new file gets, and a folder of our own beside it
// (".NAME.tmp-PID-N.d") for the files libxlsxwriter assembles the workbook from.
// That library names those files itself and unlinks each one only after it was
// made: in a folder of our own, an interrupted run can remove them without
// guessing which files are ours. The file is removed unless Commit renamed it over
// the destination after it reached the disk.
class TempBeside {
public:
    explicit TempBeside(std::string path) : path_(std::move(path)) {}
    ~TempBeside() {
        if (!name_.empty()) ::unlink(name_.c_str());
        ReleaseTempName(fileSlot_);
        RemoveScratch();
    }
    TempBeside(const TempBeside&) = delete;
    TempBeside& operator=(const TempBeside&) = delete;

    bool Make(std::string& error) {
        const std::string folder = FolderOfPath(path_);
        const std::size_t slash = path_.rfind('/');
        const std::string base = slash == std::string::npos ? path_ : path_.substr(slash + 1);
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            std::string name = folder;
            name.append("/.").append(base).append(".tmp-").append(std::to_string(::getpid()));
            name.append("-").append(std::to_string(attempt));
            std::string scratch = name + ".d";
            // Held before they exist, so that a signal in between leaves nothing.
            fileSlot_ = HoldTempName(name, false);
            scratchSlot_ = HoldTempName(scratch, true);
            const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            const int made = fd >= 0 ? ::mkdir(scratch.c_str(), 0700) : -1;
            if (made == 0) {
                ::close(fd);
                name_ = std::move(name);
                scratch_ = std::move(scratch);
                return true;
            }
            const int makeError = errno;
            if (fd >= 0) {
                ::close(fd);
                ::unlink(name.c_str());
            }
            ReleaseTempName(fileSlot_);
            ReleaseTempName(scratchSlot_);
            errno = makeError;
            if (errno != EEXIST) break;
        }
        error = SystemError("cannot create a file in '" + folder + "'", errno);
        return false;
    }

    // The file's bytes reach the disk before it takes the destination's name, so
    // a crash leaves the old file or the whole new one.
    bool Commit(std::string& error) {
        RemoveScratch();
        const int fd = ::open(name_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) {
            error = SystemError("cannot write '" + path_ + "'", errno);
            if (fd >= 0) ::close(fd);
            return false;
        }
        ::close(fd);
        if (::rename(name_.c_str(), path_.c_str()) != 0) {
            error = SystemError("cannot replace '" + path_ + "'", errno);
            return false;
        }
        name_.clear();
        ReleaseTempName(fileSlot_);
        const int dir = ::open(FolderOfPath(path_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir >= 0) {
            ::fsync(dir);
            ::close(dir);
        }
        return true;
    }

    const std::string& Name() const { return name_; }
    const std::string& Path() const { return path_; }
    const std::string& Scratch() const { return scratch_; }
    std::string Folder() const { return FolderOfPath(path_); }

private:
    void RemoveScratch() {
        if (scratch_.empty()) return;
        RemoveTempFolder(scratch_.c_str());
        scratch_.clear();
        ReleaseTempName(scratchSlot_);
    }

    std::string path_;
    std::string name_;
    std::string scratch_;
    TempSlot* fileSlot_ = nullptr;
    TempSlot* scratchSlot_ = nullptr;
};

// Columns a little wider than their widest text: a full-width character takes two
// columns, a half-width katakana one.
int DisplayWidth(std::string_view utf8) {
    int width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0xE0) {
            i += c < 0x80 ? 1 : 2;
            width += 1;
            continue;
        }
        const bool halfKana = c == 0xEF && i + 1 < utf8.size() &&
                              (static_cast<unsigned char>(utf8[i + 1]) == 0xBD ||
                               static_cast<unsigned char>(utf8[i + 1]) == 0xBE);
        i += c < 0xF0 ? 3 : 4;
        width += halfKana ? 1 : 2;
    }
    return width;
}

int NumberWidth(std::int64_t n) {
    const int digits = static_cast<int>(std::to_string(n < 0 ? -n : n).size());
    return digits + (digits - 1) / 3 + (n < 0 ? 1 : 0);
}

// The workbook, its formats and the temporary file it becomes.
class Book {
public:
    explicit Book(const std::string& path) : temp_(path) {
        if (!temp_.Make(error_)) return;
        tmpdir_ = temp_.Scratch();
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        options.tmpdir = tmpdir_.data();
        workbook_ = workbook_new_opt(temp_.Name().c_str(), &options);
        if (!workbook_) {
            error_ = "cannot make a workbook: out of memory";
            return;
        }
        header_ = workbook_add_format(workbook_);
        format_set_bold(header_);
        format_set_bottom(header_, LXW_BORDER_THIN);
        count_ = workbook_add_format(workbook_);
        format_set_num_format(count_, "#,##0");
        ratio_ = workbook_add_format(workbook_);
        format_set_num_format(ratio_, "0.00");
        date_ = workbook_add_format(workbook_);
        format_set_num_format(date_, "yyyy/mm/dd hh:mm:ss");
    }
    ~Book() {
        if (workbook_) lxw_workbook_free(workbook_);
    }
    Book(const Book&) = delete;
    Book& operator=(const Book&) = delete;

    bool Ok() const { return error_.empty(); }
    std::string& Error() { return error_; }
    // The rows each sheet holds, in the order the sheets were added.
    std::uint32_t& SheetRows(std::size_t sheet) {
        if (rows_.size() <= sheet) rows_.resize(sheet + 1);
        return rows_[sheet];
    }
    lxw_workbook* Workbook() { return workbook_; }
    lxw_format* HeaderFormat() { return header_; }
    lxw_format* CountFormat() { return count_; }
    lxw_format* RatioFormat() { return ratio_; }
    lxw_format* DateFormat() { return date_; }

    void Check(lxw_error result) {
        if (result != LXW_NO_ERROR && error_.empty())
            error_ = std::string("cannot write the workbook: ") + lxw_strerror(result);
    }

    // The sheets' rows went to temporary files as they were written: a disk that
    // refused them leaves a workbook with rows missing, which is no workbook.
    // Closing copies each sheet into one more temporary file and then into the
    // zip, and libxlsxwriter checks none of the writes to the temporary file: a
    // disk filling up there gives a damaged workbook and no error. So the room
    // closing takes at most (the rows twice, and a margin for the rest) must be
    // free before it starts.
    void CheckSheetData() {
        std::uint64_t bytes = 0;
        lxw_worksheet* sheet = nullptr;
        LXW_FOREACH_WORKSHEET(sheet, workbook_) {
            std::FILE* data = sheet->optimize_tmpfile;
            struct stat st {};
            if (!data) continue;
            if (std::fflush(data) != 0 || std::ferror(data) || ::fstat(::fileno(data), &st) != 0) {
                error_ = SystemError("cannot write the workbook's rows in '" + temp_.Folder() + "'",
                                     errno ? errno : EIO);
                return;
            }
            bytes += static_cast<std::uint64_t>(st.st_size);
        }
        constexpr std::uint64_t kMargin = std::uint64_t{4} << 20;
        struct statvfs fs {};
        if (::statvfs(tmpdir_.c_str(), &fs) == 0 &&
            static_cast<std::uint64_t>(fs.f_bavail) * fs.f_frsize < 2 * bytes + kMargin)
            error_ = SystemError("cannot write the workbook in '" + temp_.Folder() + "' (it needs " +
                                     std::to_string((2 * bytes + kMargin) >> 20) + " MB free)",
                                 ENOSPC);
    }

    bool Close(std::string& error) {
        if (Ok()) CheckSheetData();
        if (Ok()) {
            const lxw_error result = workbook_close(workbook_);
            workbook_ = nullptr;
            Check(result);
        }
        std::string damage;
        if (Ok() && !CheckWrittenWorkbook(temp_.Name(), rows_, damage))
            error_ = "cannot write '" + temp_.Path() + "': " + damage;
        if (Ok() && temp_.Commit(error_)) return true;
        error = error_;
        return false;
    }

private:
    TempBeside temp_;
    std::string tmpdir_;  // (libxlsxwriter takes it as char*)
    std::string error_;
    std::vector<std::uint32_t> rows_;
    lxw_workbook* workbook_ = nullptr;
    lxw_format* header_ = nullptr;
    lxw_format* count_ = nullptr;
    lxw_format* ratio_ = nullptr;
    lxw_format* date_ = nullptr;
};

// One worksheet written row after row (what constant memory asks), its column
// widths following what was written.
class Sheet {
public:
    Sheet(Book& book, const char* name, std::initializer_list<const char*> header)
        : book_(book), columns_(static_cast<lxw_col_t>(header.size())), widths_(header.size(), 0) {
        if (!book.Ok()) return;
        sheet_ = workbook_add_worksheet(book.Workbook(), name);
        index_ = sheet_ ? sheet_->index : 0;
        if (!sheet_) {
            book.Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
            return;
        }
        lxw_col_t col = 0;
        for (const char* title : header) {
            book.Check(worksheet_write_string(sheet_, 0, col, title, book.HeaderFormat()));
            Wrote(col++, DisplayWidth(title) + 2);  // room for the filter's button
        }
        worksheet_freeze_panes(sheet_, 1, 0);
    }

    bool Ok() const { return sheet_ && book_.Ok(); }
    lxw_worksheet* Handle() { return sheet_; }
    lxw_row_t Row() const { return row_; }

    // The next row; false when the sheet holds no more (Excel's limit).
    bool NextRow() {
        if (!Ok()) return false;
        if (row_ + 1 >= LXW_ROW_MAX) {
            book_.Error() = "more rows than a worksheet holds (" + std::to_string(LXW_ROW_MAX) + ")";
            return false;
        }
        ++row_;
        return true;
    }
    void SkipRow() { NextRow(); }

    void Text(lxw_col_t col, const std::string& text) {
        if (text.empty() || !Ok()) return;
        book_.Check(worksheet_write_string(sheet_, row_, col, text.c_str(), nullptr));
        Wrote(col, DisplayWidth(text));
    }
    void Count(lxw_col_t col, std::int64_t n) {
        if (!Ok()) return;
        book_.Check(worksheet_write_number(sheet_, row_, col, static_cast<double>(n), book_.CountFormat()));
        Wrote(col, NumberWidth(n));
    }
    // The ratio as the report rounds it, so that the sheet shows the report's figure.
    void Ratio(lxw_col_t col, float ratio) {
        if (!Ok()) return;
        const std::string shown = detail::RatioText(ratio);
        double value = 0;
        std::from_chars(shown.data(), shown.data() + shown.size(), value);
        book_.Check(worksheet_write_number(sheet_, row_, col, value, book_.RatioFormat()));
        Wrote(col, static_cast<int>(shown.size()));
    }
    // Local time, as the report shows it; a time Excel has no date for stays text.
    void Time(lxw_col_t col, std::int64_t mtime) {
        if (!Ok()) return;
        const auto t = static_cast<std::time_t>(mtime);
        std::tm tm{};
        if (!localtime_r(&t, &tm) || tm.tm_year < 0 || tm.tm_year > 9999 - 1900) {
            Text(col, detail::IsoTime(mtime));
            return;
        }
        lxw_datetime date{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                          tm.tm_hour,        tm.tm_min,     double(tm.tm_sec)};
        book_.Check(worksheet_write_datetime(sheet_, row_, col, &date, book_.DateFormat()));
        Wrote(col, 19);
    }

    // Widths once every row is written, and the filter over the rows so far.
    void Finish(bool filter) {
        if (!Ok()) return;
        for (lxw_col_t col = 0; col < columns_; ++col)
            book_.Check(worksheet_set_column(sheet_, col, col, std::min(widths_[col] + 2, 80), nullptr));
        if (filter)
            book_.Check(worksheet_autofilter(sheet_, 0, 0, row_, static_cast<lxw_col_t>(columns_ - 1)));
    }

private:
    // A written cell: its row is one the sheet holds, and its width counts.
    void Wrote(lxw_col_t col, int width) {
        if (col < columns_) widths_[col] = std::max(widths_[col], width);
        if (counted_ && countedRow_ == row_) return;
        counted_ = true;
        countedRow_ = row_;
        ++book_.SheetRows(index_);
    }

    Book& book_;
    lxw_worksheet* sheet_ = nullptr;
    lxw_row_t row_ = 0;
    std::size_t index_ = 0;
    bool counted_ = false;
    lxw_row_t countedRow_ = 0;
    lxw_col_t columns_;
    std::vector<int> widths_;
};

// The totals sheet's columns.
enum TotalsColumn : lxw_col_t { kLabel, kWord, kFiles, kSize, kTotal, kComment, kExec, kBlank, kRatio };

void WriteSumRow(Sheet& sheet, RowKey key, const std::string& word, const CountSum& sum) {
    if (!sheet.NextRow()) return;
    sheet.Text(kLabel, detail::TotalsLabelText(key));
    sheet.Text(kWord, word);
    if (!key.Average) sheet.Count(kFiles, sum.FileCount);
    sheet.Count(kSize, sum.Size);
    sheet.Count(kTotal, sum.Total);
    sheet.Count(kComment, sum.Comment);
    sheet.Count(kExec, sum.Exec);
    sheet.Count(kBlank, sum.Blank);
    sheet.Ratio(kRatio, sum.Ratio);
}

// A column chart of each kind's lines, stacked as executable, comment and blank.
void AddKindChart(Book& book, Sheet& sheet, const char* sheetName, lxw_row_t lastKindRow) {
    lxw_chart* chart = workbook_add_chart(book.Workbook(), LXW_CHART_COLUMN_STACKED);
    if (!chart) {
        book.Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
        return;
    }
    for (lxw_col_t col : {kExec, kComment, kBlank}) {
        lxw_chart_series* series = chart_add_series(chart, nullptr, nullptr);
        if (!series) {
            book.Check(LXW_ERROR_MEMORY_MALLOC_FAILED);
            return;
        }
        chart_series_set_categories(series, sheetName, 1, kLabel, lastKindRow, kLabel);
        chart_series_set_values(series, sheetName, 1, col, lastKindRow, col);
        chart_series_set_name_range(series, sheetName, 0, col);
    }
    lxw_chart_options place{};
    place.x_scale = 1.5;
    place.y_scale = 1.5;
    book.Check(worksheet_insert_chart_opt(sheet.Handle(), 1, kRatio + 2, chart, &place));
}

}  // namespace

// The count's two sheets: files as they come, the totals at the end.
class XlsxCountBook {
public:
    explicit XlsxCountBook(const std::string& path)
        : book_(path),
          files_(book_, "ﾌｧｲﾙ",
                 {"パス", "フォルダ", "ファイル名", "ﾀｲﾑｽﾀﾝﾌﾟ", "ｻｲｽﾞ", "種別", "総行数", "ｺﾒﾝﾄ行", "実行数",
                  "空行数", "ｺﾒﾝﾄ率", "状態"}),
          totals_(book_, kTotalsSheet,
                  {"区分", "種別", "ﾌｧｲﾙ数", "ｻｲｽﾞ", "総行数", "ｺﾒﾝﾄ行", "実行数", "空行数", "ｺﾒﾝﾄ率"}) {}

    const std::string& Error() { return book_.Error(); }

    void File(const std::string& nativePath, const engine::FileCounts& rec) {
        if (!files_.NextRow()) return;
        const std::string path = detail::PathText(nativePath);
        files_.Text(0, path);
        files_.Text(1, std::string(detail::FolderOf(path)));
        files_.Text(2, std::string(detail::NameOf(path)));
        files_.Time(3, rec.MTime);
        files_.Count(4, rec.Size);
        files_.Text(5, detail::KindWord(KindColumnText(rec)));
        if (rec.Status != engine::FileStatus::Counted) {
            files_.Text(11, detail::StatusMessage(rec.Status));
            return;
        }
        files_.Count(6, rec.Total);
        files_.Count(7, rec.Comment);
        files_.Count(8, rec.Exec);
        files_.Count(9, rec.Blank);
        files_.Ratio(10, rec.Ratio);
    }

    // Per kind with files its total, then the grand total; a blank row; the
    // averages in the same order. The chart takes the kinds' total rows.
    void Totals(const ReportTotals& totals) {
        const std::vector<int> kinds = KindsWithFiles(totals);
        for (int k : kinds)
            WriteSumRow(totals_, {k, false}, detail::KindWord(WordsOfKind(k).Column),
                        totals.Kinds[static_cast<std::size_t>(k)]);
        const lxw_row_t lastKindRow = totals_.Row();
        WriteSumRow(totals_, {RowKey::kGrand, false}, "", totals.GrandTotal);
        totals_.SkipRow();
        for (int k : kinds)
            WriteSumRow(totals_, {k, true}, detail::KindWord(WordsOfKind(k).Column),
                        ComputeAverages(totals.Kinds[static_cast<std::size_t>(k)]));
        WriteSumRow(totals_, {RowKey::kGrand, true}, "", ComputeAverages(totals.GrandTotal));
        if (!kinds.empty() && totals_.Ok()) AddKindChart(book_, totals_, kTotalsSheet, lastKindRow);
    }

    bool Close(std::string& error) {
        files_.Finish(true);
        totals_.Finish(false);
        return book_.Close(error);
    }

private:
    static constexpr const char* kTotalsSheet = "合計";

    Book book_;
    Sheet files_;
    Sheet totals_;
};

XlsxCountPrinter::XlsxCountPrinter(const std::string& path) : book_(std::make_unique<XlsxCountBook>(path)) {
    error_ = book_->Error();
    if (!error_.empty()) book_.reset();
}

XlsxCountPrinter::~XlsxCountPrinter() = default;

void XlsxCountPrinter::Begin(const RunHead& head) { errorRows_ = head.Layout.ErrorLines; }

void XlsxCountPrinter::FileCounted(const std::string& nativePath, const engine::FileCounts& rec) {
    if (book_ && ShowsRecord(errorRows_, rec)) book_->File(nativePath, rec);
}

void XlsxCountPrinter::Totals(const ReportTotals& totals) {
    if (book_) book_->Totals(totals);
}

void XlsxCountPrinter::End(const RunTail& tail) {
    if (book_ && tail.End == CountEnd::Finished) written_ = book_->Close(error_);
    book_.reset();
}

void XlsxCountPrinter::Discard() { book_.reset(); }

bool WriteCountXlsx(const ResultRows& rows, const std::string& path, std::string& error) {
    XlsxCountBook book(path);
    rows.ForEachFile(
        [&](const std::string& nativePath, const engine::FileCounts& rec) { book.File(nativePath, rec); });
    book.Totals(rows.Totals());
    return book.Close(error);
}

namespace {

void WriteChangeFigures(Sheet& sheet, const ChangeFigures (&figures)[3]) {
    lxw_col_t col = 3;
    for (const ChangeFigures& f : figures)
        for (std::int64_t n : {f.Added, f.Changed, f.Deleted}) sheet.Count(col++, n);
}

void WriteChangeSumRow(Sheet& sheet, RowKey key, const std::string& word, const ChangeSums& sum) {
    if (!sheet.NextRow()) return;
    sheet.Text(0, detail::TotalsLabelText(key));
    sheet.Text(1, key.Kind == RowKey::kGrand ? "総合計" : "合計");
    sheet.Text(2, word);
    WriteChangeFigures(sheet, {sum.Exec, sum.Comment, sum.Blank});
    lxw_col_t col = 13;
    for (std::int64_t n : sum.Files) sheet.Count(col++, n);
}

}  // namespace

// One sheet, in the csv's rows: the two versions, the files, the kinds' totals
// and the grand total.
class XlsxChangeBook {
public:
    explicit XlsxChangeBook(const std::string& path) : book_(path) {}
    const std::string& Error() { return book_.Error(); }

    bool Write(const ChangeRows& rows, std::string& error) {
        Sheet sheet(book_, "変更",
                    {"パス", "状態", "種別", "実行追加", "実行変更", "実行削除", "ｺﾒﾝﾄ追加", "ｺﾒﾝﾄ変更",
                     "ｺﾒﾝﾄ削除", "空行追加", "空行変更", "空行削除", "ﾒｯｾｰｼﾞ", "新規数", "削除数",
                     "変更なし数", "変更数", "除外数"});
        if (!rows.OldTarget().empty() || !rows.NewTarget().empty()) {
            for (const auto& [target, status] :
                 {std::pair{&rows.OldTarget(), "旧ﾊﾞｰｼﾞｮﾝ"}, std::pair{&rows.NewTarget(), "新ﾊﾞｰｼﾞｮﾝ"}}) {
                if (!sheet.NextRow()) break;
                sheet.Text(0, detail::PathText(*target));
                sheet.Text(1, status);
            }
        }
        for (const ChangeRecord& rec : rows.Files()) {
            if (!sheet.NextRow()) break;
            sheet.Text(0, detail::PathText(rec.NativePath));
            sheet.Text(1, text::SjisToUtf8(ChangeStatusText(rec.Status)));
            sheet.Text(2, detail::KindWord(WordsOfKind(rec.NameKind).Column));
            if (rec.Status != ChangeStatus::Skipped)
                WriteChangeFigures(sheet, {rec.Exec, rec.Comment, rec.Blank});
            sheet.Text(12, detail::MessageText(StatusText(rec.Reason)));
        }
        const ChangeTotals& totals = rows.Totals();
        for (int k : ChangeKindsWithFiles(totals))
            WriteChangeSumRow(sheet, {k, false}, detail::KindWord(WordsOfKind(k).Column),
                              totals.Kinds[static_cast<std::size_t>(k)]);
        WriteChangeSumRow(sheet, {RowKey::kGrand, false}, "", totals.GrandTotal);
        sheet.Finish(true);
        return book_.Close(error);
    }

private:
    Book book_;
};

void RemoveWorkbookTemps() noexcept {
    for (const TempSlot& slot : tempSlots)
        if (slot.InUse.load()) RemoveTemp(slot);
}

bool WriteChangeXlsx(const ChangeRows& rows, const std::string& path, std::string& error) {
    XlsxChangeBook book(path);
    return book.Write(rows, error);
}

XlsxChangePrinter::XlsxChangePrinter(const std::string& path)
    : book_(std::make_unique<XlsxChangeBook>(path)) {
    error_ = book_->Error();
    if (!error_.empty()) book_.reset();
}

XlsxChangePrinter::~XlsxChangePrinter() = default;

void XlsxChangePrinter::Discard() { book_.reset(); }

void XlsxChangePrinter::End(ChangeRunEnd end, std::int64_t /*done*/, std::int64_t /*files*/) {
    if (book_ && end == ChangeRunEnd::Finished) written_ = book_->Write(rows_, error_);
    book_.reset();
}

}  // namespace zarnik::report
