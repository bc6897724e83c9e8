// A tree's history as data: the totals per kind at each commit, as csv rows or a
// json array of the same rows, written as the commits are counted.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "report/csv.h"
#include "report/event_tee.h"
#include "report/json.h"
#include "report/layout.h"
#include "report/line_sink.h"
#include "report/totals.h"

namespace zarnik::report {

// One commit's figures: its totals as a count of its checkout sums them.
struct HistoryPoint {
    std::string Commit;             // the commit's id (hexadecimal)
    std::int64_t Time = 0;          // the commit's time, seconds since the epoch
    std::vector<std::string> Tags;  // the tags on it, sorted (native)
    ReportTotals Totals;
};

class HistoryEvents {
public:
    virtual ~HistoryEvents() = default;
    virtual void Point(const HistoryPoint& point) = 0;
    // The history is over (also when it ended early).
    virtual void End() {}
};

// The pane's lines and the chart's figures, from one history.
class HistoryEventsTee : public EventTee<HistoryEvents> {
public:
    using EventTee::EventTee;
    void Point(const HistoryPoint& point) override {
        Both([&](HistoryEvents& e) { e.Point(point); });
    }
    void End() override {
        Both([](HistoryEvents& e) { e.End(); });
    }
};

// The name of a kind in a history row ("C･ｿｰｽ", "C･ﾍｯﾀﾞ"), UTF-8; the grand
// total's (RowKey::kGrand) is "全ｿｰｽﾌｧｲﾙ".
std::string HistoryKindName(int kind);

// A row per kind with files and one for all of them (also without files) per
// commit: commit,date,tag,kind,files,total,exec,comment,blank. Several tags are
// one cell, separated by blanks.
class HistoryCsvPrinter : public HistoryEvents {
public:
    HistoryCsvPrinter(ByteSink& out, CsvEncoding encoding) : out_(out), encoding_(encoding) {}
    void Point(const HistoryPoint& point) override;
    void End() override;

private:
    void HeaderOnce();

    ByteSink& out_;
    CsvEncoding encoding_;
    bool headerWritten_ = false;
};

// The same rows as a json array of objects, the tags an array.
class HistoryJsonPrinter : public HistoryEvents {
public:
    explicit HistoryJsonPrinter(ByteSink& out) : out_(out) {}
    void Point(const HistoryPoint& point) override;
    void End() override;

private:
    ByteSink& out_;
    JsonWriter json_;
    bool opened_ = false;
};

// The history as the result pane shows it: the report's head and column captions,
// a line naming the target, then per commit a line naming it (its id, its time,
// its tags) and the report's closing block of its totals.
class HistoryTextPrinter : public HistoryEvents {
public:
    // target: the target line as typed (native); envName: the environment's caption
    // (Shift-JIS); now: the head line's clock.
    HistoryTextPrinter(LineSink& sink, const settings::Settings& cnf, const std::string& envName,
                       std::time_t now, const std::string& target);
    void Point(const HistoryPoint& point) override;

private:
    LineSink& sink_;
    ReportLayout layout_;
};

}  // namespace zarnik::report
