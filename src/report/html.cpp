#include "report/html.h"

#include <initializer_list>
#include <string>
#include <vector>

#include "report/chart_svg.h"
#include "report/kind_words.h"
#include "report/report.h"
#include "settings/schema.h"
#include "text/sjis.h"
#include "text/version.h"

namespace zarnik::report {

namespace {

// The page's style and script. The script works on every table of class
// "sortable": a click on a column head sorts its rows (again: the other way),
// and a table with a filter bar shows only the rows of the chosen kind whose
// folder holds the typed text. Rows are sorted as an index array over keys read
// once per sort and put back in one move, so that a table of a few hundred
// thousand rows stays usable.
constexpr std::string_view kStyle = R"(<style>
body{font-family:IPAGothic,"IPAゴシック",sans-serif;margin:16px;color:#222}
h1{font-size:20px}h2{font-size:17px;margin-top:28px;border-bottom:1px solid #ccc}
table{border-collapse:collapse;font-size:13px}
th,td{border:1px solid #ccc;padding:2px 6px}th{background:#eef;text-align:left}
td{white-space:nowrap}td.n{text-align:right}
table.sortable th{cursor:pointer;white-space:nowrap}
th[aria-sort=ascending]::after{content:" ▲"}th[aria-sort=descending]::after{content:" ▼"}
.charts svg{display:block;margin:8px 0;border:1px solid #ddd}
.filter{margin:8px 0}.filter label{margin-right:12px}
dl.settings{columns:6 10em;font-size:13px;margin:0}dl.settings div{break-inside:avoid}
dt{display:inline;font-weight:bold}dt::after{content:" = "}dd{display:inline;margin:0}
#incomplete{background:#c00;color:#fff;padding:8px;font-weight:bold}
</style>
)";

constexpr std::string_view kScript = R"(<script>
'use strict';
for (const table of document.querySelectorAll('table.sortable')) {
  const body = table.tBodies[0];
  const heads = Array.from(table.tHead.rows[0].cells);
  let rows = Array.from(body.rows), sorted = -1, dir = 1;
  const sortBy = (th, col) => {
    dir = sorted === col ? -dir : 1;
    sorted = col;
    const n = rows.length, numeric = th.dataset.type === 'num', keys = new Array(n);
    for (let i = 0; i < n; i++) {
      const t = rows[i].cells[col].textContent;
      keys[i] = numeric ? (t === '' ? -Infinity : Number(t)) : t;
    }
    const order = new Uint32Array(n);
    for (let i = 0; i < n; i++) order[i] = i;
    order.sort((a, b) => keys[a] < keys[b] ? -dir : keys[a] > keys[b] ? dir : a - b);
    const next = new Array(n), moved = document.createDocumentFragment();
    for (let i = 0; i < n; i++) moved.appendChild(next[i] = rows[order[i]]);
    rows = next;
    body.appendChild(moved);
    for (const h of heads) h.removeAttribute('aria-sort');
    th.setAttribute('aria-sort', dir > 0 ? 'ascending' : 'descending');
  };
  heads.forEach((th, col) => {
    th.tabIndex = 0;
    th.addEventListener('click', () => sortBy(th, col));
    th.addEventListener('keydown', e => { if (e.key === 'Enter') sortBy(th, col); });
  });
  const bar = document.getElementById(table.id + '-filter');
  if (!bar) continue;
  const kindCol = heads.findIndex(h => h.dataset.filter === 'kind');
  const folderCol = heads.findIndex(h => h.dataset.filter === 'folder');
  const kind = bar.querySelector('select'), folder = bar.querySelector('input');
  const shown = bar.querySelector('output');
  for (const k of Array.from(new Set(rows.map(r => r.cells[kindCol].textContent))).sort()) {
    const option = document.createElement('option');
    option.value = option.textContent = k;
    kind.appendChild(option);
  }
  const apply = () => {
    const k = kind.value, f = folder.value;
    let count = 0;
    for (const r of rows) {
      const on = (k === '' || r.cells[kindCol].textContent === k) &&
                 (f === '' || r.cells[folderCol].textContent.includes(f));
      if (r.hidden === on) r.hidden = !on;
      if (on) count++;
    }
    shown.value = count + ' / ' + rows.length;
  };
  let timer = 0;
  kind.addEventListener('change', apply);
  folder.addEventListener('input', () => { clearTimeout(timer); timer = setTimeout(apply, 200); });
  shown.value = rows.length + ' / ' + rows.length;
}
</script>
)";

// The page as it is written: text gathers here and leaves in pieces of 64 KiB.
class Page {
public:
    explicit Page(ByteSink& out) : out_(out) {}
    ~Page() { Flush(); }
    Page(const Page&) = delete;
    Page& operator=(const Page&) = delete;

    Page& operator<<(std::string_view text) {
        text_.append(text);
        if (text_.size() >= (1u << 16)) Flush();
        return *this;
    }
    void Flush() {
        if (!text_.empty()) out_.Write(text_);
        text_.clear();
    }

    void Head(std::string_view title, const settings::Settings& cnf) {
        *this << "<!DOCTYPE html>\n<html lang=\"ja\">\n<head>\n<meta charset=\"utf-8\">\n"
              << "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; "
                 "style-src 'unsafe-inline'; script-src 'unsafe-inline'\">\n"
              << "<meta name=\"generator\" content=\"zarnik " << text::kVersionString << "\">\n<title>"
              << title << "</title>\n"
              << kStyle << "</head>\n<body>\n"
              << "<p id=\"incomplete\">この結果は最後まで書かれていません。</p>\n<h1>" << title << "</h1>\n";
        Settings(cnf);
    }

    // The script, then the rule that hides the notice of a page cut short.
    void End() { *this << kScript << "<style>#incomplete{display:none}</style>\n</body>\n</html>\n"; }

    // A table of class "sortable"; a column "kind" or "folder" is what the filter bar chooses by.
    struct Column {
        std::string_view Name;
        bool Numeric = false;
        std::string_view Filter = {};
    };
    void OpenTable(std::string_view id, std::initializer_list<Column> columns, bool filter) {
        if (filter)
            *this << "<div class=\"filter\" id=\"" << id
                  << "-filter\"><label>種別 <select><option value=\"\">すべて</option></select></label>"
                  << "<label>フォルダ <input type=\"search\"></label><output></output></div>\n";
        *this << "<table class=\"sortable\" id=\"" << id << "\">\n<thead><tr>";
        for (const Column& c : columns) {
            *this << "<th";
            if (c.Numeric) *this << " data-type=\"num\"";
            if (!c.Filter.empty()) *this << " data-filter=\"" << c.Filter << "\"";
            *this << ">" << c.Name << "</th>";
        }
        *this << "</tr></thead>\n<tbody>\n";
    }
    void CloseTable() { *this << "</tbody>\n</table>\n"; }

    // A row of cells; numeric ones are set right.
    void Row(std::initializer_list<std::string_view> cells, std::initializer_list<bool> numeric) {
        *this << "<tr>";
        auto n = numeric.begin();
        for (std::string_view cell : cells) {
            const bool right = n != numeric.end() && *n;
            if (n != numeric.end()) ++n;
            *this << (right ? "<td class=\"n\">" : "<td>") << HtmlEscaped(cell);
        }
        *this << "</tr>\n";
    }

    void Settings(const settings::Settings& cnf) {
        using settings::SettingRow;
        *this << "<h2>設定</h2>\n<dl class=\"settings\">\n";
        auto row = [&](std::string_view key, std::string_view value) {
            *this << "<div><dt>" << HtmlEscaped(key) << "</dt><dd>" << HtmlEscaped(value) << "</dd></div>\n";
        };
        row("version", text::kVersionString);
        // The keys that shape the counts and the report, as the json's settings hold them.
        for (const SettingRow& r : settings::SettingRows()) {
            if (r.Has(settings::kShapesReport) && r.IsInt() &&
                !(r.Has(settings::kAbsentReadsZero) && cnf.*r.Int == 0))
                row(r.Key, std::to_string(cnf.*r.Int));
            if (r.Type == settings::ValueType::Pattern)
                row(r.Key, text::SjisToUtf8(settings::StoredText(cnf, r)));
        }
        for (const auto& [name, pattern] : cnf.LanguagePatterns)
            row(text::SjisToUtf8(name), text::SjisToUtf8(pattern));
        *this << "</dl>\n";
    }

    void Charts(std::initializer_list<std::string> svgs) {
        *this << "<h2>グラフ</h2>\n<div class=\"charts\">\n";
        for (const std::string& svg : svgs) *this << svg;
        *this << "</div>\n";
    }

private:
    ByteSink& out_;
    std::string text_;
};

std::string Number(std::int64_t n) { return std::to_string(n); }

// A kind's or the run's sums, as the csv's totals rows give them, and their averages.
void SumsRows(Page& page, RowKey key, std::string_view kindWord, const CountSum& sum) {
    const bool grand = key.Kind == RowKey::kGrand;
    for (bool average : {false, true}) {
        const CountSum s = average ? ComputeAverages(sum) : sum;
        page.Row({average ? (grand ? "総平均" : "平均") : (grand ? "総合計" : "合計"),
                  detail::TotalsLabelText({key.Kind, average}), kindWord,
                  average ? "" : Number(sum.FileCount), Number(s.Size), Number(s.Total), Number(s.Comment),
                  Number(s.Exec), Number(s.Blank), detail::RatioText(s.Ratio)},
                 {false, false, false, true, true, true, true, true, true, true});
    }
}

const std::initializer_list<bool> kFileNumeric = {false, false, false, true, false, true,
                                                  true,  true,  true,  true, false};

}  // namespace

void WriteCountHtml(const ResultRows& rows, const settings::Settings& cnf, ByteSink& out) {
    Page page(out);
    page.Head("行数集計結果", cnf);
    const ReportTotals& totals = rows.Totals();
    page << "<h2>種別ごとの合計と平均</h2>\n";
    page.OpenTable("totals",
                   {{"区分"},
                    {"項目"},
                    {"種別"},
                    {"ﾌｧｲﾙ数", true},
                    {"ｻｲｽﾞ", true},
                    {"総行数", true},
                    {"ｺﾒﾝﾄ行", true},
                    {"実行数", true},
                    {"空行数", true},
                    {"ｺﾒﾝﾄ率", true}},
                   false);
    for (int k : KindsWithFiles(totals))
        SumsRows(page, {k, false}, detail::KindWord(WordsOfKind(k).Column),
                 totals.Kinds[static_cast<std::size_t>(k)]);
    SumsRows(page, {RowKey::kGrand, false}, "", totals.GrandTotal);
    page.CloseTable();

    const CountChart chart = MakeCountChart(rows);
    page.Charts({KindLinesSvg(chart), CommentRatioSvg(chart), FolderLinesSvg(chart)});

    page << "<h2>ファイル一覧</h2>\n";
    page.OpenTable("files",
                   {{"フォルダ", false, "folder"},
                    {"ファイル名"},
                    {"ﾀｲﾑｽﾀﾝﾌﾟ"},
                    {"ｻｲｽﾞ", true},
                    {"種別", false, "kind"},
                    {"総行数", true},
                    {"ｺﾒﾝﾄ行", true},
                    {"実行数", true},
                    {"空行数", true},
                    {"ｺﾒﾝﾄ率", true},
                    {"状態"}},
                   true);
    rows.ForEachFile([&](const std::string& nativePath, const engine::FileCounts& rec) {
        const std::string path = detail::PathText(nativePath);
        const std::string kind = detail::KindWord(KindColumnText(rec));
        const std::string time = detail::IsoTime(rec.MTime), size = Number(rec.Size);
        // A file that was not counted has no figures, as its error line shows none.
        if (rec.Status != engine::FileStatus::Counted)
            page.Row({detail::FolderOf(path), detail::NameOf(path), time, size, kind, "", "", "", "", "",
                      detail::StatusMessage(rec.Status)},
                     kFileNumeric);
        else
            page.Row(
                {detail::FolderOf(path), detail::NameOf(path), time, size, kind, Number(rec.Total),
                 Number(rec.Comment), Number(rec.Exec), Number(rec.Blank), detail::RatioText(rec.Ratio), ""},
                kFileNumeric);
    });
    page.CloseTable();
    page.End();
}

namespace {

constexpr std::initializer_list<bool> kChangeNumeric = {false, false, false, true, true, true,
                                                        true,  true,  true,  true, true, true,
                                                        false, true,  true,  true, true, true};

// The change table's columns: as the change csv names them.
void OpenChangeTable(Page& page, std::string_view id, std::string_view first, bool filter) {
    page.OpenTable(id,
                   {{first, false, "folder"},
                    {"状態"},
                    {"種別", false, "kind"},
                    {"実行追加", true},
                    {"実行変更", true},
                    {"実行削除", true},
                    {"ｺﾒﾝﾄ追加", true},
                    {"ｺﾒﾝﾄ変更", true},
                    {"ｺﾒﾝﾄ削除", true},
                    {"空行追加", true},
                    {"空行変更", true},
                    {"空行削除", true},
                    {"ﾒｯｾｰｼﾞ"},
                    {"新規数", true},
                    {"削除数", true},
                    {"変更なし数", true},
                    {"変更数", true},
                    {"除外数", true}},
                   filter);
}

void ChangeRow(Page& page, std::string_view path, std::string_view status, std::string_view kind,
               const ChangeFigures* f, std::string_view message, const ChangeSums* sums) {
    std::vector<std::string> n;
    for (int i = 0; i < 3; ++i)
        for (std::int64_t ChangeFigures::*field :
             {&ChangeFigures::Added, &ChangeFigures::Changed, &ChangeFigures::Deleted})
            n.push_back(f ? Number(f[i].*field) : "");
    for (std::size_t s = 0; s < kChangeStatusCount; ++s) n.push_back(sums ? Number(sums->Files[s]) : "");
    page.Row({path, status, kind, n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7], n[8], message, n[9], n[10],
              n[11], n[12], n[13]},
             kChangeNumeric);
}

}  // namespace

void WriteChangeHtml(const ChangeRows& rows, const settings::Settings& cnf, ByteSink& out) {
    Page page(out);
    page.Head("変更行数集計結果", cnf);
    page << "<h2>比較したバージョン</h2>\n<table id=\"versions\">\n<tr><th>旧ﾊﾞｰｼﾞｮﾝ</th><td>"
         << HtmlEscaped(detail::PathText(rows.OldTarget())) << "</td></tr>\n<tr><th>新ﾊﾞｰｼﾞｮﾝ</th><td>"
         << HtmlEscaped(detail::PathText(rows.NewTarget())) << "</td></tr>\n</table>\n";

    const ChangeTotals& totals = rows.Totals();
    page << "<h2>種別ごとの合計</h2>\n";
    OpenChangeTable(page, "totals", "項目", false);
    auto sumsRow = [&](RowKey key, std::string_view kindWord, const ChangeSums& sum) {
        const ChangeFigures figures[3] = {sum.Exec, sum.Comment, sum.Blank};
        ChangeRow(page, detail::TotalsLabelText(key), key.Kind == RowKey::kGrand ? "総合計" : "合計",
                  kindWord, figures, "", &sum);
    };
    for (int k : ChangeKindsWithFiles(totals))
        sumsRow({k, false}, detail::KindWord(WordsOfKind(k).Column),
                totals.Kinds[static_cast<std::size_t>(k)]);
    sumsRow({RowKey::kGrand, false}, "", totals.GrandTotal);
    page.CloseTable();

    page.Charts({ChangeLinesSvg(MakeChangeChart(totals))});

    page << "<h2>変更したファイル</h2>\n";
    OpenChangeTable(page, "files", "パス", true);
    for (const ChangeRecord& rec : rows.Files()) {
        const ChangeFigures figures[3] = {rec.Exec, rec.Comment, rec.Blank};
        const bool skipped = rec.Status == ChangeStatus::Skipped;
        ChangeRow(page, detail::PathText(rec.NativePath), text::SjisToUtf8(ChangeStatusText(rec.Status)),
                  detail::KindWord(WordsOfKind(rec.NameKind).Column), skipped ? nullptr : figures,
                  detail::MessageText(StatusText(rec.Reason)), nullptr);
    }
    page.CloseTable();
    page.End();
}

void WriteHistoryHtml(const HistoryChart& chart, const settings::Settings& cnf, std::string_view target,
                      ByteSink& out) {
    Page page(out);
    page.Head("行数の推移", cnf);
    page << "<p>対象: " << HtmlEscaped(detail::PathText(target)) << "</p>\n";
    page.Charts({HistoryLinesSvg(chart)});
    page << "<h2>ｺﾐｯﾄごとの総行数</h2>\n<table class=\"sortable\" id=\"history\">\n<thead><tr><th>ｺﾐｯﾄ</th>"
         << "<th>日時</th>";
    for (const auto& series : chart.Kinds)
        page << "<th data-type=\"num\">" << HtmlEscaped(series.Name) << "</th>";
    page << "</tr></thead>\n<tbody>\n";
    for (std::size_t i = 0; i < chart.Commits.size(); ++i) {
        page << "<tr><td>" << HtmlEscaped(chart.Commits[i].Label) << "<td>"
             << detail::IsoTime(chart.Commits[i].Time);
        for (const auto& series : chart.Kinds) page << "<td class=\"n\">" << Number(series.Lines[i]);
        page << "</tr>\n";
    }
    page.CloseTable();
    page.End();
}

void HtmlCountPrinter::Begin(const RunHead& head) {
    cnf_ = &head.Settings;
    rows_.Begin(head);
}

void HtmlCountPrinter::FileCounted(const std::string& nativePath, const engine::FileCounts& rec) {
    rows_.FileCounted(nativePath, rec);
}

void HtmlCountPrinter::End(const RunTail& tail) {
    if (tail.End == CountEnd::Finished && cnf_) WriteCountHtml(rows_, *cnf_, out_);
}

void HtmlChangePrinter::Begin(const ChangeRunStart& start) {
    ChangeRowsKeeper::Begin(start);
    cnf_ = &start.Cnf;
}

void HtmlChangePrinter::End(ChangeRunEnd end, std::int64_t /*done*/, std::int64_t /*files*/) {
    if (end == ChangeRunEnd::Finished && cnf_) WriteChangeHtml(rows_, *cnf_, out_);
}

}  // namespace zarnik::report
