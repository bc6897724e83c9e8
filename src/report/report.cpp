#include "report/report.h"

#include <algorithm>

#include "report/number_format.h"
#include "text/sjis.h"

namespace zarnik::report {

namespace {

const std::string& Sj(int id) {
    static const std::string texts[] = {
        text::Utf8ToSjis("ファイル名"),    text::Utf8ToSjis("ﾀｲﾑｽﾀﾝﾌﾟ       "),
        text::Utf8ToSjis("         ｻｲｽﾞ"), text::Utf8ToSjis(" 種別"),
        text::Utf8ToSjis("  総行数"),      text::Utf8ToSjis("  ｺﾒﾝﾄ行"),
        text::Utf8ToSjis("  実行数"),      text::Utf8ToSjis("  空行数"),
        text::Utf8ToSjis("   ｺﾒﾝﾄ率"),     text::Utf8ToSjis("％"),
    };
    return texts[id];
}
enum {
    kFileTitle,
    kTimeTitle,
    kSizeTitle,
    kKindTitle,
    kTotalTitle,
    kCommentTitle,
    kExecTitle,
    kBlankTitle,
    kRatioTitle,
    kPercent
};

bool On(std::int32_t sw) { return sw != 0; }

void AppendCount(std::string& line, std::int64_t n) {
    line.push_back(' ');
    line += FormatInt(n, 7);
}

}  // namespace

int NameWidth(int maxNameLength) { return std::max(12, maxNameLength); }

std::string FormatColumnHeader(const settings::S_CNF& cnf, int maxNameLength) {
    std::string h = text::PadRight(Sj(kFileTitle), NameWidth(maxNameLength) + 1);
    h += Sj(kTimeTitle);
    if (On(cnf.FmSize)) h += Sj(kSizeTitle);
    if (On(cnf.FmSknd)) h += Sj(kKindTitle);
    if (On(cnf.FmAlls)) h += Sj(kTotalTitle);
    if (On(cnf.FmCmnt)) h += Sj(kCommentTitle);
    if (On(cnf.FmJitu)) h += Sj(kExecTitle);
    if (On(cnf.FmKugy)) h += Sj(kBlankTitle);
    if (On(cnf.FmCpar)) h += Sj(kRatioTitle);
    return h;
}

const std::string& StatusText(int status) {
    static const std::string texts[] = {
        "",
        text::Utf8ToSjis(" 対象外のファイルです。"),
        text::Utf8ToSjis(" ソースファイルではありません。"),
        text::Utf8ToSjis(" ソースファイルとして不適切です。"),
        text::Utf8ToSjis(" 認識できませんでした。"),
        text::Utf8ToSjis(" ファイルが存在しません。"),
    };
    return texts[(status >= 1 && status <= 5) ? status : 0];
}

std::string FormatRatioColumn(float ratio) {
    std::string s = "  ";
    std::string num = FormatFloat(ratio, 2, false);
    if (num.size() < 5) s.append(5 - num.size(), ' ');
    s += num;
    s += Sj(kPercent);
    return s;
}

std::string FormatFileLine(const settings::S_CNF& cnf, const engine::S_CMT& rec, int maxNameLength) {
    std::string line = text::PadRight(rec.Name, NameWidth(maxNameLength) + 1);
    line += rec.TimeText;
    line.push_back(' ');
    if (On(cnf.FmSize)) line += FormatSize(cnf.FmSizeIndex, 13, rec.Size);
    if (On(cnf.FmSknd)) line += text::PadRight(" " + rec.KindText, 5);
    if (rec.Status != 0) return line + StatusText(rec.Status);
    if (On(cnf.FmAlls)) AppendCount(line, rec.Total);
    if (On(cnf.FmCmnt)) AppendCount(line, rec.Comment);
    if (On(cnf.FmJitu)) AppendCount(line, rec.Exec);
    if (On(cnf.FmKugy)) AppendCount(line, rec.Blank);
    if (On(cnf.FmCpar)) line += FormatRatioColumn(rec.Ratio);
    return line;
}

std::string FormatRule(const settings::S_CNF& cnf, int style, int maxNameLength) {
    std::ptrdiff_t n = NameWidth(maxNameLength) + 16;
    if (On(cnf.FmSize)) n += 13;
    if (On(cnf.FmSknd)) n += 5;
    for (std::int32_t sw : {cnf.FmAlls, cnf.FmCmnt, cnf.FmJitu, cnf.FmKugy})
        if (On(sw)) n += 8;
    if (On(cnf.FmCpar)) n += 9;
    return std::string(static_cast<std::size_t>(n), style == 1 ? '-' : '=');
}

std::string FormatSize(int unit, int width, std::int64_t bytes) {
    // Single precision after each step, as the column has always shown sizes.
    float value = static_cast<float>(bytes);
    std::string s;
    switch (unit) {
        case 0:
            s = FormatFloat(value, 0, true);
            break;
        case 1:
            s = FormatFloat(value / 1024.0f, 2, true) + "KB";
            break;
        case 2: {
            float kb = value / 1024.0f;
            s = FormatFloat(kb / 1024.0f, 2, true) + "MB";
            break;
        }
        default:
            break;
    }
    if (width > 0 && s.size() < static_cast<std::size_t>(width))
        s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

}  // namespace zarnik::report
