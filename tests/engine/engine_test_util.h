#pragma once

#include <string>
#include <vector>

#include "engine/count.h"
#include "engine/detail/source_lines.h"
#include "report/kind_words.h"
#include "run/count_options.h"
#include "test_util.h"

namespace zarnik::engine::testing {

// Counts bytes written to a file called name with CountFile and returns the record.
inline FileCounts CountText(const std::string& bytes, const settings::Settings& cnf,
                            const std::string& name = "t.c") {
    zarnik::testing::TempDir dir;
    std::string path = dir.Write(name, bytes);
    CountContext ctx;
    FileCounts rec;
    CountFile(run::CountOptionsFrom(cnf), path, DirEntry{name, 0, static_cast<std::int64_t>(bytes.size())},
              rec, ctx);
    return rec;
}

struct Counts {
    int Status;
    std::int64_t Total, Comment, Blank;
    bool operator==(const Counts&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Counts& c) {
    return os << "{status " << c.Status << ", total " << c.Total << ", comment " << c.Comment << ", blank "
              << c.Blank << "}";
}

using TextCounter = FileStatus (*)(const CountOptions&, std::string_view, FileCounts&, ConverterState&);

// Raw counter numbers (before FinishCounts) of a text under the given settings.
inline Counts CountRaw(TextCounter counter, const std::string& bytes, const settings::Settings& cnf) {
    ConverterState state;
    FileCounts rec;
    FileStatus st = counter(run::CountOptionsFrom(cnf), TextForCounting(bytes), rec, state);
    return {static_cast<int>(st), rec.Total, rec.Comment, rec.Blank};
}

// The kind column the report shows for a file called name.
inline std::string KindColumn(const settings::Settings& cnf, std::string_view name) {
    return report::KindColumnFor(run::CountOptionsFrom(cnf), name);
}

// The lines a counter reads from a text, converted when EucJis is 1.
inline std::vector<std::string> SourceLinesOf(std::string_view text, const settings::Settings& cnf,
                                              ConverterState& state) {
    detail::SourceLines lines(TextForCounting(text), run::CountOptionsFrom(cnf), state);
    std::vector<std::string> out;
    std::string_view line;
    while (lines.Next(line)) out.emplace_back(line);
    return out;
}

}  // namespace zarnik::engine::testing
