#include "report/json.h"

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "engine/source_kind.h"
#include "report/change.h"
#include "text/sjis.h"
#include "text/version.h"

namespace zarnik::report {

namespace {

using Json = nlohmann::ordered_json;

// The ratio as the report shows it, as a number: 3.70 is 3.7.
double Ratio(float ratio) { return std::strtod(detail::RatioText(ratio).c_str(), nullptr); }

Json Figures(const CountSum& sum) {
    return Json{{"size", sum.Size}, {"total", sum.Total}, {"comment", sum.Comment},
                {"exec", sum.Exec}, {"blank", sum.Blank}, {"ratio", Ratio(sum.Ratio)}};
}

Json Sums(const CountSum& sum, std::string_view label) {
    Json j{{"label", label}, {"files", sum.FileCount}};
    j.update(Figures(sum));
    j["average"] = Figures(ComputeAverages(sum));
    return j;
}

const char* StatusWord(engine::FileStatus status) {
    switch (status) {
        case engine::FileStatus::Counted:
            return "counted";
        case engine::FileStatus::NotTarget:
            return "not-target";
        case engine::FileStatus::NotSource:
            return "not-source";
        case engine::FileStatus::Unfit:
            return "unfit";
        case engine::FileStatus::Unrecognised:
            return "unrecognised";
        case engine::FileStatus::Missing:
            return "missing";
    }
    return "unknown";
}

Json FileEntry(const FileRow& row) {
    const engine::S_CMT& rec = row.Rec;
    const std::string path = detail::PathText(row.NativePath);
    const bool counted = rec.Status == engine::FileStatus::Counted;
    Json j{{"path", path},
           {"folder", detail::FolderOf(path)},
           {"name", detail::NameOf(path)},
           {"timestamp", detail::IsoTime(rec.MTime)},
           {"size", rec.Size},
           {"kind", detail::KindWord(rec.KindText)},
           {"status", StatusWord(rec.Status)}};
    if (!counted) j["message"] = detail::StatusMessage(rec.Status);
    // A file that was not counted has no figures, as its error line shows none.
    auto figure = [&](std::int64_t n) { return counted ? Json(n) : Json(nullptr); };
    j["total"] = figure(rec.Total);
    j["comment"] = figure(rec.Comment);
    j["exec"] = figure(rec.Exec);
    j["blank"] = figure(rec.Blank);
    j["ratio"] = counted ? Json(Ratio(rec.Ratio)) : Json(nullptr);
    return j;
}

Json SettingsObject(const settings::S_CNF& cnf) {
    Json s = Json::object();
    for (const auto& k : settings::SetteiIntKeys()) s[k.Key] = cnf.*k.Field;
    Json exts = Json::object();
    for (std::size_t i = 0; i < cnf.Exts.size(); ++i)
        exts[settings::ExtsKeys()[i]] = text::SjisToUtf8(cnf.Exts[i]);
    s["Exts"] = std::move(exts);
    return s;
}

}  // namespace

std::string FormatJson(const ResultRows& rows, const settings::S_CNF& cnf) {
    Json root{{"version", text::kVersionString}, {"settings", SettingsObject(cnf)}};
    Json files = Json::array();
    for (const FileRow& f : rows.Files()) files.push_back(FileEntry(f));
    root["files"] = std::move(files);
    const ReportTotals totals = rows.Totals();
    Json kinds = Json::array();
    for (int k : KindsWithFiles(totals)) {
        Json sums = Sums(totals.Kinds[static_cast<std::size_t>(k)], detail::TotalsLabelText({k, false}));
        Json entry{{"kind", engine::KindTable(k).ExtKey},
                   {"kindText", detail::KindWord(engine::KindTable(k).KindText)}};
        entry.update(sums);
        kinds.push_back(std::move(entry));
    }
    root["kinds"] = std::move(kinds);
    root["total"] = Sums(totals.GrandTotal, detail::TotalsLabelText({RowKey::kGrand, false}));
    // Paths that are no UTF-8 were made valid by PathText; anything else is replaced
    // rather than thrown on.
    return root.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

namespace {

Json ChangeFiguresJson(const ChangeFigures& f) {
    return Json{{"added", f.Added}, {"changed", f.Changed}, {"deleted", f.Deleted}};
}

void PutChangeFigures(Json& j, const ChangeFigures& exec, const ChangeFigures& comment,
                      const ChangeFigures& blank) {
    j["exec"] = ChangeFiguresJson(exec);
    j["comment"] = ChangeFiguresJson(comment);
    j["blank"] = ChangeFiguresJson(blank);
}

Json ChangeSumsJson(const ChangeSums& sum, std::string_view label) {
    Json files{{"count", sum.FileCount()}};
    for (int s = 0; s < kChangeStatusCount; ++s)
        files[ChangeStatusWord(static_cast<ChangeStatus>(s))] = sum.Files[static_cast<std::size_t>(s)];
    Json j{{"label", label}, {"files", std::move(files)}};
    PutChangeFigures(j, sum.Exec, sum.Comment, sum.Blank);
    return j;
}

}  // namespace

std::string FormatChangeJson(const ChangeRows& rows, const settings::S_CNF& cnf, const std::string& oldTarget,
                             const std::string& newTarget) {
    Json root{{"version", text::kVersionString},
              {"old", detail::PathText(oldTarget)},
              {"new", detail::PathText(newTarget)},
              {"settings", SettingsObject(cnf)}};
    Json files = Json::array();
    for (const ChangeRecord& rec : rows.Files()) {
        Json j{{"path", detail::PathText(rec.NativePath)},
               {"status", ChangeStatusWord(rec.Status)},
               {"statusText", text::SjisToUtf8(ChangeStatusText(rec.Status))},
               {"kind", detail::KindWord(rec.KindText)}};
        if (rec.Status == ChangeStatus::Skipped) {
            j["message"] = detail::MessageText(rec.Message);
        } else {
            PutChangeFigures(j, rec.Exec, rec.Comment, rec.Blank);
        }
        files.push_back(std::move(j));
    }
    root["files"] = std::move(files);
    const ChangeTotals& totals = rows.Totals();
    Json kinds = Json::array();
    for (int k : ChangeKindsWithFiles(totals)) {
        Json entry{{"kind", engine::KindTable(k).ExtKey},
                   {"kindText", detail::KindWord(engine::KindTable(k).KindText)}};
        entry.update(
            ChangeSumsJson(totals.Kinds[static_cast<std::size_t>(k)], detail::TotalsLabelText({k, false})));
        kinds.push_back(std::move(entry));
    }
    root["kinds"] = std::move(kinds);
    root["total"] = ChangeSumsJson(totals.GrandTotal, detail::TotalsLabelText({RowKey::kGrand, false}));
    return root.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace zarnik::report
