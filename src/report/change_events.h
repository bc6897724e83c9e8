// What a change run tells as it goes: it begins (with the facts the report's head
// is made of), each paired file, the totals, the end. The printers in report/
// turn these into a report, a csv or a json; a front end picks them.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "report/change.h"
#include "report/event_tee.h"
#include "settings/settings.h"

namespace zarnik::report {

struct ChangeRunStart {
    std::string OldTarget, NewTarget;  // native, as typed
    std::string EnvName;               // caption of the selected tab, Shift-JIS
    std::time_t Now = 0;               // the head line's clock
    const settings::Settings& Cnf;     // the run's settings, for as long as the run goes on
    int NameLength = 0;                // Shift-JIS length of the longest relative path
};

enum class ChangeRunEnd {
    Finished,
    Cancelled,  // by the user: the files so far and their totals were told
    Failed,     // a file could not be read: what was told stays, no totals follow
};

class ChangeEvents {
public:
    virtual ~ChangeEvents() = default;
    // Once the files of both versions are paired, before the first is compared.
    virtual void Begin(const ChangeRunStart& start) = 0;
    // Each paired file that the report gives a row, in report order.
    virtual void File(const ChangeRecord& rec) = 0;
    // After the last file taken, also when cancelled: the sums per kind and in all.
    virtual void Totals(const ChangeTotals& totals) = 0;
    // The run is over, after done of its files.
    virtual void End(ChangeRunEnd end, std::int64_t done, std::int64_t files) = 0;
};

// The pane's report and the rows kept, from one change run.
class ChangeEventsTee : public EventTee<ChangeEvents> {
public:
    using EventTee::EventTee;
    void Begin(const ChangeRunStart& start) override {
        Both([&](ChangeEvents& e) { e.Begin(start); });
    }
    void File(const ChangeRecord& rec) override {
        Both([&](ChangeEvents& e) { e.File(rec); });
    }
    void Totals(const ChangeTotals& totals) override {
        Both([&](ChangeEvents& e) { e.Totals(totals); });
    }
    void End(ChangeRunEnd end, std::int64_t done, std::int64_t files) override {
        Both([&](ChangeEvents& e) { e.End(end, done, files); });
    }
};

}  // namespace zarnik::report
