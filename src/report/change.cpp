#include "report/change.h"

#include "engine/source_kind.h"
#include "report/kind_words.h"
#include "report/number_format.h"
#include "report/report.h"
#include "report/totals.h"
#include "text/sjis.h"

namespace zarnik::report {

namespace {

constexpr int kStatusWidth = 9;  // "変更なし" and a blank
constexpr int kKindWidth = 5;    // " C   "
constexpr int kFigureWidth = 9;  // " 実行追加" over " %8d"
constexpr int kFigureCount = 9;

const std::string& Sj(int i) {
    static const std::array<std::string, 4> texts = {
        text::Utf8ToSjis("ファイル名"),
        text::Utf8ToSjis("状態"),
        text::Utf8ToSjis(" 種別"),
        text::Utf8ToSjis("個"),
    };
    return texts[static_cast<std::size_t>(i)];
}

void Add(ChangeSums& sum, const ChangeRecord& rec) {
    ++sum.Files[static_cast<std::size_t>(rec.Status)];
    sum.Exec += rec.Exec;
    sum.Comment += rec.Comment;
    sum.Blank += rec.Blank;
}

void AppendFigures(std::string& line, const ChangeFigures& f) {
    for (std::int64_t n : {f.Added, f.Changed, f.Deleted}) {
        line.push_back(' ');
        line += FormatInt(n, kFigureWidth - 1);
    }
}

void AppendAllFigures(std::string& line, const ChangeFigures& exec, const ChangeFigures& comment,
                      const ChangeFigures& blank) {
    AppendFigures(line, exec);
    AppendFigures(line, comment);
    AppendFigures(line, blank);
}

// "  新規 1個  削除 0個  変更なし 12個  変更 3個" (with 除外 when asked).
std::string StatusCountLine(const ChangeSums& sum, bool withSkipped) {
    std::string line;
    for (int s = 0; s < kChangeStatusCount; ++s) {
        const auto status = static_cast<ChangeStatus>(s);
        if (status == ChangeStatus::Skipped && !withSkipped) continue;
        line += "  " + ChangeStatusText(status) + " " +
                std::to_string(sum.Files[static_cast<std::size_t>(s)]) + Sj(3);
    }
    return line;
}

std::string TotalsRow(RowKey key, const ChangeSums& sum, int nameLength) {
    std::string row = text::PadRight(TotalsLabel(key), NameWidth(nameLength) + 6);
    row += FormatInt(sum.FileCount(), 7) + Sj(3);
    AppendAllFigures(row, sum.Exec, sum.Comment, sum.Blank);
    return row;
}

}  // namespace

std::int64_t ChangeSums::FileCount() const {
    std::int64_t n = 0;
    for (std::int64_t f : Files) n += f;
    return n;
}

void AddToChangeTotals(const ChangeRecord& rec, ChangeTotals& totals) {
    if (rec.Kind > 0 && rec.Kind < engine::KindCount()) {
        const auto k = static_cast<std::size_t>(rec.Kind);
        if (k >= totals.Kinds.size()) totals.Kinds.resize(k + 1);
        Add(totals.Kinds[k], rec);
    } else if (rec.Status != ChangeStatus::Skipped)
        return;  // of no kind (guessed to none in both versions): in no total, as in a count run
    Add(totals.GrandTotal, rec);
}

std::vector<int> ChangeKindsWithFiles(const ChangeTotals& totals) {
    std::vector<int> kinds;
    for (std::size_t k = 1; k < totals.Kinds.size(); ++k)
        if (totals.Kinds[k].FileCount() > 0) kinds.push_back(static_cast<int>(k));
    return kinds;
}

const std::string& ChangeStatusText(ChangeStatus status) {
    static const std::array<std::string, kChangeStatusCount> texts = {
        text::Utf8ToSjis("新規"), text::Utf8ToSjis("削除"), text::Utf8ToSjis("変更なし"),
        text::Utf8ToSjis("変更"), text::Utf8ToSjis("除外"),
    };
    return texts[static_cast<std::size_t>(status)];
}

const char* ChangeStatusWord(ChangeStatus status) {
    switch (status) {
        case ChangeStatus::Added:
            return "added";
        case ChangeStatus::Deleted:
            return "deleted";
        case ChangeStatus::Unchanged:
            return "unchanged";
        case ChangeStatus::Changed:
            return "changed";
        case ChangeStatus::Skipped:
            return "skipped";
    }
    return "unknown";
}

std::string FormatChangeColumnHeader(int nameLength) {
    static const std::string figures = [] {
        std::string s;
        for (const char* cls : {"実行", "ｺﾒﾝﾄ", "空行"})
            for (const char* what : {"追加", "変更", "削除"})
                s += text::Utf8ToSjis(std::string(" ") + cls + what);
        return s;
    }();
    std::string h = text::PadRight(Sj(0), NameWidth(nameLength) + 1);
    h += text::PadRight(Sj(1), kStatusWidth);
    h += Sj(2);
    return h + figures;
}

std::string FormatChangeVersionLine(bool old, std::string sjisTarget) {
    static const std::string oldLabel = text::Utf8ToSjis("旧ﾊﾞｰｼﾞｮﾝ: "),
                             newLabel = text::Utf8ToSjis("新ﾊﾞｰｼﾞｮﾝ: ");
    text::MaskControlBytes(sjisTarget);
    return (old ? oldLabel : newLabel) + sjisTarget;
}

std::string FormatChangeRule(int style, int nameLength) {
    const std::size_t n =
        static_cast<std::size_t>(NameWidth(nameLength)) +
        static_cast<std::size_t>(1 + kStatusWidth + kKindWidth + kFigureWidth * kFigureCount);
    return std::string(n, style == 1 ? '-' : '=');
}

std::string FormatChangeLine(const ChangeRecord& rec, int nameLength) {
    std::string line = text::PadRight(rec.Path, NameWidth(nameLength) + 1);
    line += text::PadRight(ChangeStatusText(rec.Status), kStatusWidth);
    line += text::PadRight(std::string(" ") + WordsOfKind(rec.NameKind).Column, kKindWidth);
    if (rec.Status == ChangeStatus::Skipped) return line + StatusText(rec.Reason);
    AppendAllFigures(line, rec.Exec, rec.Comment, rec.Blank);
    return line;
}

void WriteChangeClosingBlock(const ChangeTotals& totals, int nameLength,
                             const std::function<void(const std::string&)>& append) {
    const std::string rule = FormatChangeRule(1, nameLength);
    for (int k : ChangeKindsWithFiles(totals)) {
        const ChangeSums& sum = totals.Kinds[static_cast<std::size_t>(k)];
        append(rule);
        append(TotalsRow({k, false}, sum, nameLength));
        append(StatusCountLine(sum, false));
    }
    append(FormatChangeRule(2, nameLength));
    append(TotalsRow({RowKey::kGrand, false}, totals.GrandTotal, nameLength));
    append(StatusCountLine(totals.GrandTotal, true));
}

}  // namespace zarnik::report
