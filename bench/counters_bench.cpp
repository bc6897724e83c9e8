// zarnik-counters-bench: each line counter over 1 MiB of text in memory, in bytes
// per second (Google Benchmark). Typical text is what the corpus writes for the
// counter's language; the worst cases are long comments, lines full of quotes, and
// Shift-JIS text whose trail bytes look like the bytes a counter stops at (0x5C is
// the backslash, 0x63 0x6F are "co"). Two floors for the same C texts: splitting the
// lines only, and counting newlines with memchr. The table's C entry, counted by
// the one counter every language of the table shares, runs over the C texts too
// ("Generic/..."), beside the C counter that knows only C, and so does an entry of
// the C counter's own rules ("GenericSameRules/..."). "MarksPass/..." times the
// pass that finds each block's breaks, blanks and marks alone.
//
//   zarnik-counters-bench [--benchmark_filter=REGEX] [other Google Benchmark options]
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "corpus.h"
#include "engine/counter_generic.h"
#include "engine/counters.h"
#include "engine/language_table.h"
#include "engine/line_blocks.h"
#include "engine/lines.h"

namespace {

using namespace zarnik::engine;

constexpr std::size_t kTextBytes = 1 << 20;

// The lines joined with LF, over and over, until the text holds at least kTextBytes.
std::string Repeat(const std::vector<std::string>& lines) {
    std::string text;
    while (text.size() < kTextBytes)
        for (const std::string& line : lines) {
            text += line;
            text += '\n';
        }
    return text;
}

// Words (with a few asterisks and quotes, which a comment scan looks at) up to n bytes.
std::string Prose(std::size_t n) {
    static const char* const kWords[] = {"the",  "buffer", "is",     "read", "once,", "then",  "*each*",
                                         "line", "counts", "\"as\"", "code", "or",    "note:", "comment"};
    std::string s;
    for (std::size_t i = 0; s.size() < n; ++i) {
        s += kWords[i % std::size(kWords)];
        s += ' ';
    }
    return s.substr(0, n);
}

// Shift-JIS text of n bytes: 表示 ソース 能力 十 ツバ, whose trail bytes are 0x5C
// (backslash), 0x63 and 0x6F ("co"), with a few ASCII words between.
std::string Sjis(std::size_t n) {
    static const char kRun[] =
        "\x95\x5C\x8E\xA6\x83\x5C\x81\x5B\x83\x58\x94\x5C\x97\xCD\x8F\x5C\x83\x63\x83\x6F"
        " data \x95\x5C\x83\x5C\x83\x63\x83\x6F\x83\x63\x83\x6F ";
    std::string s;
    while (s.size() < n) s += kRun;
    s.resize(n);
    // Never end on a lead byte, which would take the next byte (a quote, say) with it.
    while (!s.empty() && static_cast<unsigned char>(s.back()) >= 0x80) s.pop_back();
    return s;
}

// The rules of the shipped table's C entry (none when the table has none).
const LanguageRules* CRules() {
    static const LanguageTable table = LoadLanguageTable({ZARNIK_LANGUAGES});
    static const std::unique_ptr<const LanguageRules> rules =
        table.Find("C") ? std::make_unique<const LanguageRules>(*table.Find("C")) : nullptr;
    return rules.get();
}

using CounterFn =
    std::function<FileStatus(const CountOptions&, std::string_view, FileCounts&, ConverterState&)>;

struct Case {
    std::string Name;  // counter/shape
    CounterFn Counter;
    std::string Text;
};

std::vector<Case> Cases() {
    using zarnik::bench::SourceText;
    // Each counter also takes a text in pieces; the benchmark gives it the whole text.
    using WholeFn = FileStatus (*)(const CountOptions&, std::string_view, FileCounts&, ConverterState&);
    const CounterFn c = static_cast<WholeFn>(CountCFamily), asmCounter = static_cast<WholeFn>(CountAsm),
                    sql = static_cast<WholeFn>(CountPlSql), basic = static_cast<WholeFn>(CountBasic);
    const CounterFn guess = [](const CountOptions& opt, std::string_view text, FileCounts& rec,
                               ConverterState& st) { return GuessKind(opt, text, "guess.c", rec, st); };
    const std::string longLine = Prose(400), sjis = Sjis(120);
    std::vector<Case> cases = {
        {"CFamily/typical", c, SourceText(".c", kTextBytes, 1)},
        {"CFamily/long_comments", c,
         Repeat({"/*", " * " + longLine, " * " + longLine, " * " + longLine, " * " + longLine, " */",
                 "x = y; /* " + Prose(300) + " */", "/* " + Prose(200), Prose(300) + " */ z = 1;"})},
        {"CFamily/many_quotes", c,
         Repeat({R"(s = "a\"b" + "c\\" + 'q' + "d/*e" + "f//g" + '\'' + "h*/i" + "\\\"" + "j" + "k\"l";)",
                 R"(printf("%s \"%d\" \\ '%c' /* not */ // not\n", a, b, '"');)"})},
        {"CFamily/shift_jis", c,
         Repeat({"// " + sjis, "s = \"" + sjis + "\"; /* " + sjis + " */", "/* " + sjis, " * " + sjis,
                 sjis + " */", "p(\"" + sjis + "\\n\", '" + sjis.substr(0, 2) + "');"})},
        {"Java/typical", c, SourceText(".java", kTextBytes, 2)},
        {"Asm/typical", asmCounter, SourceText(".asm", kTextBytes, 3)},
        {"Asm/long_comments", asmCounter,
         Repeat({"COMMENT ~", "  " + longLine, "  " + longLine, "  " + longLine, "~",
                 "; " + Prose(300) + " code compare count",
                 "\tmov\tax,bx\t\t; " + Prose(200) + " co co co"})},
        {"Asm/many_quotes", asmCounter,
         Repeat({"msg\tdb\t'a;b', \"c;d\", 'it''s', \"co\", '\"', 0", "\tmov\tal,';'\t; 'x' \"y\""})},
        {"Asm/shift_jis", asmCounter,
         Repeat({"; " + sjis, "\tdb\t'" + sjis + "'\t; " + sjis, "COMMENT ~ " + sjis, "  " + sjis, "~"})},
        {"PlSql/typical", sql, SourceText(".sql", kTextBytes, 4)},
        {"PlSql/long_comments", sql,
         Repeat({"/*", "  " + longLine, "  " + longLine, "  " + longLine, "*/", "-- " + Prose(300),
                 "x := 1; /* " + Prose(200) + " */"})},
        {"PlSql/many_quotes", sql,
         Repeat({"v := 'it''s' || 'a--b' || '/*c*/' || '''' || 'd''e''f' || 'g' || '-' || '*/';",
                 "INSERT INTO t VALUES ('a''b', '--', '/*', 'it''s'); -- 'x'"})},
        {"PlSql/shift_jis", sql,
         Repeat({"-- " + sjis, "v := '" + sjis + "'; /* " + sjis + " */", "/* " + sjis, sjis + " */"})},
        {"Basic/typical", basic, SourceText(".bas", kTextBytes, 5)},
        {"Basic/long_comments", basic,
         Repeat({"' " + longLine + " _", "  " + longLine + " _", "  " + longLine, "Rem " + longLine,
                 "x = 1 ' " + Prose(300)})},
        {"Basic/many_quotes", basic,
         Repeat(
             {R"(s = "a'b" & "c""d" & "'" & """" & "e" & "f'g" ' "h")", R"(MsgBox "it's", , "'" ' done)"})},
        {"Basic/shift_jis", basic,
         Repeat({"' " + sjis + " _", "  " + sjis + " _", "  " + sjis, "s = \"" + sjis + "\" ' " + sjis})},
        {"Guess/typical", guess, SourceText(".c", kTextBytes, 1)},
    };
    // The table's C entry, and an entry of the C counter's own rules (no raw strings,
    // character literals or spliced lines): what C's further rules cost the table's
    // counter.
    static LanguageTable sameRules;
    ParseLanguages("[Same rules]\nkind = C\nextensions = *.c\nline = //\nblock = /* */\nstring = \" \" esc\n",
                   "bench", sameRules);
    static const LanguageRules sameRulesRules(sameRules.Languages.at(0));
    const std::size_t n = cases.size();
    for (const auto& [name, rules] :
         {std::pair{"Generic", CRules()}, std::pair{"GenericSameRules", &sameRulesRules}}) {
        if (!rules) continue;
        const CounterFn generic = [rules](const CountOptions& opt, std::string_view text, FileCounts& rec,
                                          ConverterState& st) {
            return CountLanguage(opt, *rules, text, rec, st);
        };
        for (std::size_t k = 0; k < n; ++k)
            if (cases[k].Name.rfind("CFamily/", 0) == 0)
                cases.push_back(
                    {name + cases[k].Name.substr(cases[k].Name.find('/')), generic, cases[k].Text});
    }
    return cases;
}

void RunCounter(benchmark::State& state, const Case& c) {
    const CountOptions opt;
    ConverterState conv;
    std::int64_t lines = 0;
    for (auto _ : state) {
        FileCounts rec;
        FileStatus status = c.Counter(opt, c.Text, rec, conv);
        benchmark::DoNotOptimize(status);
        lines = rec.Total;
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(c.Text.size()));
    state.counters["lines"] = static_cast<double>(lines);
}

// The pass that finds a block's line breaks, blanks and marks, alone: by the
// table's lookups (the table's C entry) and by two compares (the C counter's).
void RunMarksPass(benchmark::State& state, const std::string& text, const LanguageRules& rules, bool table) {
    detail::ByteMasks window[64];
    detail::BytesAsked twoBytes = rules.Asked;
    twoBytes.Count = 2;
    for (auto _ : state) {
        std::uint8_t before = 0;
        for (std::size_t at = 0; at < text.size(); at += 64 * 64) {
            const std::size_t n = text.size() - at, blocks = std::min<std::size_t>(64, (n + 63) / 64);
            if (table)
                detail::FindMarks(text.data() + at, n, blocks, rules.Tables, before, window);
            else
                detail::FindBytes(text.data() + at, n, blocks, twoBytes, window);
            benchmark::DoNotOptimize(window);
        }
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void RunSplitter(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        LineSplitter split(text);
        std::string_view line;
        std::size_t n = 0;
        while (split.Next(line)) ++n;
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

void RunMemchr(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        const char* p = text.data();
        const char* end = p + text.size();
        std::size_t n = 0;
        while ((p = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p))))) {
            ++n;
            ++p;
        }
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(text.size()));
}

}  // namespace

int main(int argc, char** argv) {
    static const std::vector<Case> cases = Cases();
    for (const Case& c : cases) {
        // A text the counter refuses (a line of 512 bytes or more) would time a
        // different path: the cases must be counted texts.
        FileCounts rec;
        ConverterState conv;
        if (c.Counter(CountOptions{}, c.Text, rec, conv) != FileStatus::Counted || rec.Total == 0) {
            std::fprintf(stderr, "zarnik-counters-bench: the text of %s is not counted\n", c.Name.c_str());
            return 1;
        }
        benchmark::RegisterBenchmark(c.Name.c_str(), RunCounter, std::cref(c));
    }
    for (const Case& c : cases)
        if (c.Name.rfind("CFamily/", 0) == 0) {
            const std::string shape = c.Name.substr(c.Name.find('/'));
            benchmark::RegisterBenchmark(("LineSplitter" + shape).c_str(), RunSplitter, std::cref(c.Text));
            benchmark::RegisterBenchmark(("memchr_newlines" + shape).c_str(), RunMemchr, std::cref(c.Text));
            if (const LanguageRules* rules = CRules(); rules && rules->OnePass)
                for (const bool table : {true, false})
                    benchmark::RegisterBenchmark(
                        ((table ? "MarksPass/table" : "MarksPass/two_bytes") + shape).c_str(), RunMarksPass,
                        std::cref(c.Text), std::cref(*rules), table);
        }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 2;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
