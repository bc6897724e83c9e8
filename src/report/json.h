// The results as one JSON object: the settings that shaped the counts, the files in
// report order, the totals and averages per kind and of the whole run. Numbers are
// JSON numbers; the text is UTF-8, indented by two blanks a level.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "report/count_events.h"
#include "report/line_sink.h"
#include "report/result_rows.h"
#include "settings/settings.h"

namespace zarnik::report {

// Writes JSON text as it goes, indented by two blanks a level, one member or item
// a line. Nothing is built in memory but the text, so a run of any number of
// files can be written file by file. Strings are escaped as JSON requires (control
// characters as \uXXXX).
class JsonWriter {
public:
    void BeginObject() { Open('}'); }
    void BeginArray() { Open(']'); }
    void End();
    // The next member of the open object; its value follows.
    void Key(std::string_view key);
    void String(std::string_view text);
    void Number(std::int64_t n);
    // A ratio as the report rounds it, as a number: 3.70 is 3.7.
    void Ratio(float ratio);
    void Null();

    // The text written since the last call.
    std::string Take() { return std::exchange(text_, {}); }

private:
    struct Level {
        char Close;
        std::int64_t Members = 0;
    };
    void Open(char close);
    void BeforeValue();
    void NewLine(std::size_t depth);
    void Quoted(std::string_view text);

    std::string text_;
    std::vector<Level> open_;
    bool afterKey_ = false;
};

// A count run's object written as the run goes: Head before the first file,
// File for each file the report shows, End with the totals once the run is over.
// The pieces together are FormatJson's text.
class JsonReport {
public:
    std::string Head(const settings::Settings& cnf);
    std::string File(const std::string& nativePath, const engine::FileCounts& rec);
    std::string End(const ReportTotals& totals);

private:
    JsonWriter out_;
};

// A run's json written as it goes: the head before the first file, each file the
// report shows, the totals and the end once the run's totals are known.
class JsonPrinter : public CountEvents {
public:
    explicit JsonPrinter(ByteSink& out) : out_(out) {}
    void Begin(const RunHead& head) override;
    void FileCounted(const std::string& nativePath, const engine::FileCounts& rec) override;
    void Totals(const ReportTotals& totals) override;

private:
    void HeadOnce();

    ByteSink& out_;
    JsonReport json_;
    const settings::Settings* settings_ = nullptr;
    bool errorRows_ = true;
    bool headWritten_ = false;
};

// The object, indented, ending in a line feed.
std::string FormatJson(const ResultRows& rows, const settings::Settings& cnf);

}  // namespace zarnik::report
