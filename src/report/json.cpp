#include "report/json.h"

#include <algorithm>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <utility>

#include "engine/counter_generic.h"
#include "engine/source_kind.h"
#include "report/change.h"
#include "report/kind_words.h"
#include "report/report.h"
#include "settings/schema.h"
#include "text/sjis.h"
#include "text/version.h"

namespace zarnik::report {

void JsonWriter::Open(char close) {
    BeforeValue();
    text_.push_back(close == '}' ? '{' : '[');
    open_.push_back({close});
}

void JsonWriter::End() {
    const Level level = open_.back();
    open_.pop_back();
    if (level.Members > 0) NewLine(open_.size());
    text_.push_back(level.Close);
    if (open_.empty()) text_.push_back('\n');
}

void JsonWriter::NewLine(std::size_t depth) {
    text_.push_back('\n');
    text_.append(2 * depth, ' ');
}

// An item of an array, or the value after its key.
void JsonWriter::BeforeValue() {
    if (std::exchange(afterKey_, false) || open_.empty()) return;
    if (open_.back().Members++ > 0) text_.push_back(',');
    NewLine(open_.size());
}

void JsonWriter::Key(std::string_view key) {
    if (open_.back().Members++ > 0) text_.push_back(',');
    NewLine(open_.size());
    Quoted(key);
    text_ += ": ";
    afterKey_ = true;
}

// Strings and numbers are written by the JSON library, so that escaping and the
// form of a double are its own; only the layout around them is written here. A
// name that is no valid UTF-8 gets U+FFFD for each bad sequence.
void JsonWriter::Quoted(std::string_view s) {
    // Printable ASCII without a quote or a backslash (paths, names, times, words:
    // nearly every string) is the library's output as it stands, so it is written
    // here without building a value for each string of each file.
    const bool plain = std::all_of(s.begin(), s.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 0x20 && u <= 0x7F && c != '"' && c != '\\';
    });
    if (plain) {
        text_.push_back('"');
        text_.append(s);
        text_.push_back('"');
        return;
    }
    text_ += nlohmann::json(std::string(s)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

void JsonWriter::String(std::string_view s) {
    BeforeValue();
    Quoted(s);
}

void JsonWriter::Number(std::int64_t n) {
    BeforeValue();
    text_ += std::to_string(n);
}

void JsonWriter::Ratio(float ratio) {
    BeforeValue();
    // The ratio as the report rounds it, as a number: 3.70 is 3.7.
    text_ += nlohmann::json(std::strtod(detail::RatioText(ratio).c_str(), nullptr)).dump();
}

void JsonWriter::Null() {
    BeforeValue();
    text_ += "null";
}

namespace {

void Member(JsonWriter& j, std::string_view key, std::string_view value) {
    j.Key(key);
    j.String(value);
}

void Member(JsonWriter& j, std::string_view key, std::int64_t value) {
    j.Key(key);
    j.Number(value);
}

void Figures(JsonWriter& j, const CountSum& sum) {
    Member(j, "size", sum.Size);
    Member(j, "total", sum.Total);
    Member(j, "comment", sum.Comment);
    Member(j, "exec", sum.Exec);
    Member(j, "blank", sum.Blank);
    j.Key("ratio");
    j.Ratio(sum.Ratio);
}

// The members of a totals object: label, files, the figures and their average.
void Sums(JsonWriter& j, const CountSum& sum, std::string_view label) {
    Member(j, "label", label);
    Member(j, "files", sum.FileCount);
    Figures(j, sum);
    j.Key("average");
    j.BeginObject();
    Figures(j, ComputeAverages(sum));
    j.End();
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

// A kind's name in the json: the Exts key of a built-in kind, the name of a
// language of the table.
std::string KindKey(int kind) {
    const auto& set = engine::InstalledLanguages();
    const int index = engine::TableIndex(kind);
    if (set && index >= 0 && static_cast<std::size_t>(index) < set->Table.Languages.size())
        return set->Table.Languages[static_cast<std::size_t>(index)].Name;
    return engine::KindTable(kind).ExtKey;
}

// The members "kinds" (one object per kind that has files) and "total", for the
// count's totals and the change count's alike; sums writes one set of figures.
template <typename Totals, typename WriteSums>
void KindsAndTotal(JsonWriter& j, const std::vector<int>& kinds, const Totals& totals, WriteSums sums) {
    j.Key("kinds");
    j.BeginArray();
    for (int k : kinds) {
        j.BeginObject();
        Member(j, "kind", KindKey(k));
        Member(j, "kindText", detail::KindWord(WordsOfKind(k).Column));
        sums(j, totals.Kinds[static_cast<std::size_t>(k)], detail::TotalsLabelText({k, false}));
        j.End();
    }
    j.End();
    j.Key("total");
    j.BeginObject();
    sums(j, totals.GrandTotal, detail::TotalsLabelText({RowKey::kGrand, false}));
    j.End();
}

// A key newer than older files, at 0, is left out: such a file's report stays
// byte for byte what it was.
bool AbsentAndZero(const settings::SettingRow& row, const settings::Settings& cnf) {
    return row.Has(settings::kAbsentReadsZero) && cnf.*row.Int == 0;
}

// The settings that shape the counts and the report: the integers, then the
// extension patterns in an object of their own, then the languages' own patterns.
void SettingsObject(JsonWriter& j, const settings::Settings& cnf) {
    using settings::SettingRow;
    const auto rows = settings::SettingRows();
    j.BeginObject();
    for (const SettingRow& row : rows)
        if (row.Has(settings::kShapesReport) && row.IsInt() && !AbsentAndZero(row, cnf))
            Member(j, row.Key, cnf.*row.Int);
    j.Key("Exts");
    j.BeginObject();
    for (const SettingRow& row : rows)
        if (row.Type == settings::ValueType::Pattern)
            Member(j, row.Key, text::SjisToUtf8(settings::StoredText(cnf, row)));
    j.End();
    // Only when a language has patterns of its own: other reports stay as they were.
    if (!cnf.LanguagePatterns.empty()) {
        j.Key(settings::kLanguagePatternSection);
        j.BeginObject();
        for (const auto& [name, pattern] : cnf.LanguagePatterns)
            Member(j, text::SjisToUtf8(name), text::SjisToUtf8(pattern));
        j.End();
    }
    j.End();
}

}  // namespace

std::string JsonReport::Head(const settings::Settings& cnf) {
    out_.BeginObject();
    Member(out_, "version", text::kVersionString);
    out_.Key("settings");
    SettingsObject(out_, cnf);
    out_.Key("files");
    out_.BeginArray();
    return out_.Take();
}

std::string JsonReport::File(const std::string& nativePath, const engine::FileCounts& rec) {
    JsonWriter& j = out_;
    const std::string path = detail::PathText(nativePath);
    const bool counted = rec.Status == engine::FileStatus::Counted;
    j.BeginObject();
    Member(j, "path", path);
    Member(j, "folder", detail::FolderOf(path));
    Member(j, "name", detail::NameOf(path));
    Member(j, "timestamp", detail::IsoTime(rec.MTime));
    Member(j, "size", rec.Size);
    Member(j, "kind", detail::KindWord(KindColumnText(rec)));
    Member(j, "status", StatusWord(rec.Status));
    if (!counted) Member(j, "message", detail::StatusMessage(rec.Status));
    // A file that was not counted has no figures, as its error line shows none.
    for (auto [key, n] : {std::pair<const char*, std::int64_t>{"total", rec.Total},
                          {"comment", rec.Comment},
                          {"exec", rec.Exec},
                          {"blank", rec.Blank}}) {
        j.Key(key);
        if (counted)
            j.Number(n);
        else
            j.Null();
    }
    j.Key("ratio");
    if (counted)
        j.Ratio(rec.Ratio);
    else
        j.Null();
    j.End();
    return j.Take();
}

std::string JsonReport::End(const ReportTotals& totals) {
    out_.End();  // files
    KindsAndTotal(out_, KindsWithFiles(totals), totals, Sums);
    out_.End();
    return out_.Take();
}

void JsonPrinter::Begin(const RunHead& head) {
    settings_ = &head.Settings;
    errorRows_ = head.Layout.ErrorLines;
}

void JsonPrinter::HeadOnce() {
    if (!headWritten_ && settings_) out_.Write(json_.Head(*settings_));
    headWritten_ = true;
}

void JsonPrinter::FileCounted(const std::string& nativePath, const engine::FileCounts& rec) {
    if (!ShowsRecord(errorRows_, rec)) return;
    HeadOnce();
    out_.Write(json_.File(nativePath, rec));
}

void JsonPrinter::Totals(const ReportTotals& totals) {
    HeadOnce();
    out_.Write(json_.End(totals));
}

std::string FormatJson(const ResultRows& rows, const settings::Settings& cnf) {
    JsonReport json;
    std::string text = json.Head(cnf);
    rows.ForEachFile(
        [&](const std::string& path, const engine::FileCounts& rec) { text += json.File(path, rec); });
    return text + json.End(rows.Totals());
}

namespace {

void ChangeFiguresObject(JsonWriter& j, std::string_view key, const report::ChangeFigures& f) {
    j.Key(key);
    j.BeginObject();
    Member(j, "added", f.Added);
    Member(j, "changed", f.Changed);
    Member(j, "deleted", f.Deleted);
    j.End();
}

void ChangeClasses(JsonWriter& j, const report::ChangeFigures& exec, const report::ChangeFigures& comment,
                   const report::ChangeFigures& blank) {
    ChangeFiguresObject(j, "exec", exec);
    ChangeFiguresObject(j, "comment", comment);
    ChangeFiguresObject(j, "blank", blank);
}

void ChangeSumsObject(JsonWriter& j, const ChangeSums& sum, std::string_view label) {
    Member(j, "label", label);
    j.Key("files");
    j.BeginObject();
    Member(j, "count", sum.FileCount());
    for (int s = 0; s < kChangeStatusCount; ++s)
        Member(j, ChangeStatusWord(static_cast<ChangeStatus>(s)), sum.Files[static_cast<std::size_t>(s)]);
    j.End();
    ChangeClasses(j, sum.Exec, sum.Comment, sum.Blank);
}

}  // namespace

std::string FormatChangeJson(const ChangeRows& rows, const settings::Settings& cnf,
                             const std::string& oldTarget, const std::string& newTarget) {
    JsonWriter j;
    j.BeginObject();
    Member(j, "version", text::kVersionString);
    Member(j, "old", detail::PathText(oldTarget));
    Member(j, "new", detail::PathText(newTarget));
    j.Key("settings");
    SettingsObject(j, cnf);
    j.Key("files");
    j.BeginArray();
    for (const ChangeRecord& rec : rows.Files()) {
        j.BeginObject();
        Member(j, "path", detail::PathText(rec.NativePath));
        Member(j, "status", ChangeStatusWord(rec.Status));
        Member(j, "statusText", text::SjisToUtf8(ChangeStatusText(rec.Status)));
        Member(j, "kind", detail::KindWord(WordsOfKind(rec.NameKind).Column));
        if (rec.Status == ChangeStatus::Skipped)
            Member(j, "message", detail::MessageText(StatusText(rec.Reason)));
        else
            ChangeClasses(j, rec.Exec, rec.Comment, rec.Blank);
        j.End();
    }
    j.End();
    const ChangeTotals& totals = rows.Totals();
    KindsAndTotal(j, ChangeKindsWithFiles(totals), totals, ChangeSumsObject);
    j.End();
    return j.Take();
}

}  // namespace zarnik::report
