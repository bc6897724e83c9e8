// Every file in tests/data/count states its expected counts in its first line:
//   <comment marker> expect: total=N exec=N comment=N blank=N [status=N] [set: Key=Value ...]
// The keys after "set:" are the Settei integer keys, applied over the defaults. A new
// kind or a new trap is a new file there, not a new test. A file of none of the five
// kinds is counted as the language the table (data/languages.conf) gives its name
// (AllLang is on in fresh settings), by the vector frame and line by line alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "engine/count.h"
#include "engine/counter_generic.h"
#include "engine/language_table.h"
#include "engine/source_kind.h"
#include "run/count_options.h"
#include "settings/schema.h"
#include "settings/settings.h"
#include "text/sjis.h"

namespace zarnik::engine {
namespace {

struct Expected {
    std::int64_t Total = -1, Exec = -1, Comment = -1, Blank = -1;
    std::int64_t Status = 0;
};

// Parses the first line's "expect:" and "set:" parts; false with a reason on a malformed line.
bool ParseFirstLine(const std::string& line, Expected& want, settings::Settings& cnf, std::string& why) {
    const std::size_t at = line.find("expect:");
    if (at == std::string::npos) {
        why = "no \"expect:\" in the first line";
        return false;
    }
    std::istringstream words(line.substr(at + 7));
    bool inSet = false;
    for (std::string w; words >> w;) {
        if (w == "set:") {
            inSet = true;
            continue;
        }
        const std::size_t eq = w.find('=');
        if (eq == std::string::npos) continue;  // the comment's closing marker
        const std::string key = w.substr(0, eq), value = w.substr(eq + 1);
        if (inSet) {
            const settings::SettingRow* row = settings::FindReportSetting(key);
            if (!row || !row->IsInt() || !settings::SetFromText(*row, value, cnf)) {
                why = "bad setting " + w;
                return false;
            }
            continue;
        }
        const std::pair<const char*, std::int64_t*> figures[] = {{"total", &want.Total},
                                                                 {"exec", &want.Exec},
                                                                 {"comment", &want.Comment},
                                                                 {"blank", &want.Blank},
                                                                 {"status", &want.Status}};
        auto f = std::find_if(std::begin(figures), std::end(figures),
                              [&](const auto& p) { return key == p.first; });
        if (f == std::end(figures)) {
            why = "unknown figure " + key;
            return false;
        }
        *f->second = std::strtoll(value.c_str(), nullptr, 10);
    }
    if (want.Total < 0 || want.Exec < 0 || want.Comment < 0 || want.Blank < 0) {
        why = "total, exec, comment and blank are all needed";
        return false;
    }
    return true;
}

const LanguageTable& ShippedTable() {
    static const LanguageTable table = [] {
        const char* source = std::getenv("ZARNIK_SOURCE");
        return LoadLanguageTable({std::string(source ? source : ".") + "/data/languages.conf"});
    }();
    return table;
}

// The file counted by the table's language for its name, once by the vector frame
// and once line by line: both must agree.
FileCounts CountByTable(const CountOptions& opt, const std::filesystem::path& path,
                        const std::string& first) {
    EXPECT_TRUE(ShippedTable().Errors.empty()) << ShippedTable().Errors.front();
    const Language* lang = LanguageOfName(ShippedTable(), path.filename().string(), first);
    FileCounts rec;
    if (!lang) {
        ADD_FAILURE() << "no language in the table";
        return rec;
    }
    std::ifstream in(path, std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (opt.ConvertUtf8) text = text::Utf8ToSjis(text);
    const LanguageRules rules(*lang);
    ConverterState state;
    rec.Status = CountLanguage(opt, rules, text, rec, state);
    FinishCounts(opt, rec);
    FileCounts byLine;
    LineLog log;
    state.LineClasses = &log;
    byLine.Status = CountLanguage(opt, rules, text, byLine, state);
    FinishCounts(opt, byLine);
    EXPECT_EQ(byLine.Total, rec.Total);
    EXPECT_EQ(byLine.Comment, rec.Comment);
    EXPECT_EQ(byLine.Blank, rec.Blank);
    return rec;
}

TEST(SampleFiles, EachCountsAsItsFirstLineStates) {
    InstallLanguages(MakeLanguageSet(ShippedTable()));
    const char* data = std::getenv("ZARNIK_DATA");
    ASSERT_NE(data, nullptr) << "ZARNIK_DATA names tests/data";
    const std::filesystem::path folder = std::filesystem::path(data) / "count";
    std::vector<std::filesystem::path> files;
    // A sample whose first line cannot hold its counts (a form's VERSION line, JSON,
    // a #! line) states them in NAME.expect beside it.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file() && entry.path().extension() != ".expect") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 10u);
    for (const auto& path : files) {
        SCOPED_TRACE(path.lexically_relative(folder).string());
        std::ifstream in(path, std::ios::binary);
        std::string first;
        std::getline(in, first);
        std::string stated = first;
        if (std::ifstream side(path.string() + ".expect"); side) std::getline(side, stated);
        Expected want;
        settings::Settings cnf = settings::MakeDefaultSettings();
        std::string why;
        ASSERT_TRUE(ParseFirstLine(stated, want, cnf, why)) << why;

        const std::string name = path.filename().string();
        const CountOptions opt = run::CountOptionsFrom(cnf);
        FileCounts rec;
        CountContext ctx;
        CountFile(opt, path.string(),
                  DirEntry{name, 0, static_cast<std::int64_t>(std::filesystem::file_size(path))}, rec, ctx);
        if (rec.Kind >= kKindCount) {
            // Counted as the language of the table its name or first line claims;
            // line by line it must agree.
            const Language* lang = LanguageOfName(ShippedTable(), name, first);
            ASSERT_NE(lang, nullptr);
            EXPECT_EQ(ShippedTable().Languages[static_cast<std::size_t>(TableIndex(rec.Kind))].Name,
                      lang->Name);
            const FileCounts byTable = CountByTable(opt, path, first);
            EXPECT_EQ(byTable.Total, rec.Total);
            EXPECT_EQ(byTable.Comment, rec.Comment);
            EXPECT_EQ(byTable.Blank, rec.Blank);
        }
        EXPECT_EQ(static_cast<std::int64_t>(rec.Status), want.Status);
        EXPECT_EQ(rec.Total, want.Total);
        EXPECT_EQ(rec.Exec, want.Exec);
        EXPECT_EQ(rec.Comment, want.Comment);
        EXPECT_EQ(rec.Blank, want.Blank);
    }
}

}  // namespace
}  // namespace zarnik::engine
